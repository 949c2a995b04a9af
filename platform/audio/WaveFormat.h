#pragma once

#include <cstdint>

namespace Platform
{

// Format tag of integer PCM data, the only kind the audio layer plays.
constexpr std::uint16_t WaveFormatPcm = 1;

// The format of PCM sample data, field for field the 18-byte little-endian record of wave files:
// tag, channels, samples per second, average bytes per second, block align (bytes per frame), bits per
// sample, and the size of extra format bytes. 8-bit samples are unsigned, 16-bit signed.
struct WaveFormat
{
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t extraSize = 0;

    friend constexpr bool operator==(const WaveFormat&, const WaveFormat&) = default;
};

} // namespace Platform
