#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Ogg Vorbis files made by the tests and benchmarks themselves, from generated samples.
namespace OggWriter
{

// Interleaved 16-bit samples of a sine tone, the same in every channel.
std::vector<std::int16_t> Tone(int channels, long rate, long frames, double frequency, double amplitude = 0.5);

// The bytes of an Ogg Vorbis file holding the samples (possibly none). Quality 0.4 VBR.
std::string Encode(int channels, long rate, const std::vector<std::int16_t>& interleaved);

} // namespace OggWriter
