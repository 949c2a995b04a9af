#pragma once

#include <cstdint>

namespace BaseLib
{

// Packs up to the first four characters of text into a 32-bit tag whose bytes in memory order are the
// characters in order (the first character in the lowest byte); a shorter text leaves the high bytes
// 0. Tags are compared only with tags made by this function.
constexpr std::uint32_t MakeTypeTag(const char* text)
{
    int length = 0;
    while (length < 4 && text[length] != '\0')
    {
        ++length;
    }
    std::uint32_t tag = 0;
    for (int i = length - 1; i >= 0; --i)
    {
        tag = tag * 256 + static_cast<unsigned char>(text[i]);
    }
    return tag;
}

} // namespace BaseLib
