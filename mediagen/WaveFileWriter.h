#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace MediaGen
{

// The bytes of a wave file holding the samples as 16-bit mono PCM at the rate: "RIFF", "WAVE", a 16-byte
// "fmt " chunk (tag 1, 1 channel, the rate, rate × 2 bytes per second, block align 2, 16 bits) and "data",
// every number little-endian, nothing else in the file.
std::string WaveFileBytes(const std::vector<std::int16_t>& samples, std::uint32_t rate);

} // namespace MediaGen
