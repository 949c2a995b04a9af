#pragma once

#include <cstdint>
#include <string>

// Wave files assembled byte by byte, so a test shows exactly which field is wrong.
namespace WaveBytes
{

inline std::string Little16(std::uint32_t value)
{
    return {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)};
}

inline std::string Little32(std::uint32_t value)
{
    return Little16(value & 0xFFFF) + Little16(value >> 16);
}

// A chunk with its id, its stated size (the data's own unless given) and its data, padded to even length.
inline std::string Chunk(const std::string& id, const std::string& data, std::int64_t statedSize = -1)
{
    const auto size = statedSize < 0 ? static_cast<std::uint32_t>(data.size()) : static_cast<std::uint32_t>(statedSize);
    std::string bytes = id + Little32(size) + data;
    if (data.size() % 2 == 1)
    {
        bytes += '\0';
    }
    return bytes;
}

// The 16 bytes of a format chunk.
inline std::string Format(std::uint32_t tag, std::uint32_t channels, std::uint32_t rate, std::uint32_t blockAlign,
                          std::uint32_t bits)
{
    return Little16(tag) + Little16(channels) + Little32(rate) + Little32(blockAlign * rate) + Little16(blockAlign) +
           Little16(bits);
}

// "RIFF", the size of the rest, the form type and the chunks.
inline std::string Riff(const std::string& chunks, const std::string& form = "WAVE")
{
    return "RIFF" + Little32(static_cast<std::uint32_t>(chunks.size() + 4)) + form + chunks;
}

// `bytes` bytes of data counting up from `first`, so any shift or repeat shows.
inline std::string Ramp(std::size_t bytes, unsigned first = 0)
{
    std::string data(bytes, '\0');
    for (std::size_t i = 0; i < bytes; ++i)
    {
        data[i] = static_cast<char>((first + i * 7) & 0xFF);
    }
    return data;
}

// A plain PCM wave file.
inline std::string Pcm(std::uint32_t channels, std::uint32_t rate, std::uint32_t bits, const std::string& data)
{
    const std::uint32_t blockAlign = channels * bits / 8;
    return Riff(Chunk("fmt ", Format(1, channels, rate, blockAlign, bits)) + Chunk("data", data));
}

} // namespace WaveBytes
