#pragma once

#include "platform/audio/Audio.h"

#include <cstdint>
#include <memory>
#include <vector>

// Formats and buffers the audio layer's tests use.
namespace AudioTest
{

inline Platform::WaveFormat Pcm(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits)
{
    const auto blockAlign = static_cast<std::uint16_t>(channels * bits / 8);
    return Platform::WaveFormat{1, channels, rate, blockAlign * rate, blockAlign, bits, 18};
}

// A buffer of that format holding the bytes, written through Lock and Unlock.
inline std::unique_ptr<Platform::IAudioBuffer> MakeBuffer(Platform::IAudioDevice& device, const Platform::WaveFormat& format,
                                                          const std::vector<std::uint8_t>& bytes, std::uint32_t flags)
{
    std::unique_ptr<Platform::IAudioBuffer> buffer;
    if (device.CreateBuffer(format, static_cast<std::uint32_t>(bytes.size()), flags, buffer) != Platform::AudioOk)
    {
        return nullptr;
    }
    Platform::AudioLockedRange range;
    buffer->Lock(0, static_cast<std::uint32_t>(bytes.size()), range);
    std::copy(bytes.begin(), bytes.end(), static_cast<std::uint8_t*>(range.part1));
    buffer->Unlock(range);
    return buffer;
}

} // namespace AudioTest
