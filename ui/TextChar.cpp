#include "ui/TextChar.h"

namespace UILib
{

int TextCharLength(const char* text)
{
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead == 0)
    {
        return 0;
    }
    const int announced = lead < 0xC0 ? 1 : (lead < 0xE0 ? 2 : 3);
    int length = 1;
    while (length < announced && text[length] != '\0')
    {
        ++length;
    }
    return length;
}

char16_t DecodeTextChar(const char*& text)
{
    const int length = TextCharLength(text);
    unsigned char bytes[3] = {0, 0, 0};
    for (int i = 0; i < length; ++i)
    {
        bytes[i] = static_cast<unsigned char>(text[i]);
    }
    text += length;
    if (bytes[0] < 0xC0)
    {
        return bytes[0];
    }
    if (bytes[0] < 0xE0)
    {
        return static_cast<char16_t>(((bytes[0] & 0x1F) << 6) | (bytes[1] & 0x3F));
    }
    return static_cast<char16_t>(((bytes[0] & 0x0F) << 12) | ((bytes[1] & 0x3F) << 6) | (bytes[2] & 0x3F));
}

} // namespace UILib
