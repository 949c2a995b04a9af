#include "mediagen/WaveFileWriter.h"

namespace MediaGen
{

namespace
{

void AppendLittle(std::string& bytes, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
    {
        bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFFu));
    }
}

} // namespace

std::string WaveFileBytes(const std::vector<std::int16_t>& samples, std::uint32_t rate)
{
    const std::uint32_t dataSize = static_cast<std::uint32_t>(samples.size() * 2);
    std::string bytes;
    bytes.reserve(44 + dataSize);
    bytes += "RIFF";
    AppendLittle(bytes, 4 + (8 + 16) + (8 + dataSize), 4);
    bytes += "WAVE";
    bytes += "fmt ";
    AppendLittle(bytes, 16, 4);
    AppendLittle(bytes, 1, 2); // integer PCM
    AppendLittle(bytes, 1, 2); // mono
    AppendLittle(bytes, rate, 4);
    AppendLittle(bytes, rate * 2, 4);
    AppendLittle(bytes, 2, 2);
    AppendLittle(bytes, 16, 2);
    bytes += "data";
    AppendLittle(bytes, dataSize, 4);
    for (const std::int16_t sample : samples)
    {
        AppendLittle(bytes, static_cast<std::uint16_t>(sample), 2);
    }
    return bytes;
}

} // namespace MediaGen
