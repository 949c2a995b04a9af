#include "foundation/Helpers.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace BaseLib
{

std::int32_t NextPowerOfTwo(std::int32_t value)
{
    if (value < 2)
    {
        return 1;
    }
    if (value > (1 << 30))
    {
        return 0;
    }
    std::uint32_t result = 1;
    for (std::uint32_t rest = static_cast<std::uint32_t>(value) - 1; rest != 0; rest >>= 1)
    {
        result <<= 1;
    }
    return static_cast<std::int32_t>(result);
}

std::int32_t ParseDecimalInt(const char* text)
{
    if (text == nullptr)
    {
        return 0;
    }
    // strtoll saturates at its own range, which holds the 32-bit range.
    const long long value = std::strtoll(text, nullptr, 10);
    return static_cast<std::int32_t>(std::clamp<long long>(value, std::numeric_limits<std::int32_t>::min(),
                                                           std::numeric_limits<std::int32_t>::max()));
}

char* StrDup(const char* text)
{
    if (text == nullptr)
    {
        return nullptr;
    }
    const std::size_t size = std::strlen(text) + 1;
    char* copy = new char[size];
    std::memcpy(copy, text, size);
    return copy;
}

void StrFree(char* text)
{
    delete[] text;
}

std::string ToLower(const std::string& text)
{
    std::string result = text;
    for (char& c : result)
    {
        const unsigned char byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || byte == 0xC4 || byte == 0xD6 || byte == 0xDC)
        {
            c = static_cast<char>(byte + 32);
        }
    }
    return result;
}

bool GetCommandLineOption(const std::string& name, const std::string& commandLine, std::string& value)
{
    std::size_t position = commandLine.find(name + " ");
    if (position == std::string::npos)
    {
        return false;
    }
    const std::size_t length = commandLine.size();
    while (position < length && commandLine[position] != ' ')
    {
        ++position;
    }
    while (position < length && commandLine[position] == ' ')
    {
        ++position;
    }
    const std::size_t start = position;
    while (position < length && commandLine[position] != ' ')
    {
        ++position;
    }
    if (position == start)
    {
        return false;
    }
    value = commandLine.substr(start, position - start);
    return true;
}

bool GetCommandLineBool(const std::string& commandLine, const std::string& name, bool& value)
{
    std::string word;
    if (!GetCommandLineOption(name, commandLine, word))
    {
        return false;
    }
    word = ToLower(word);
    value = word == "true" || word == "1";
    return true;
}

} // namespace BaseLib
