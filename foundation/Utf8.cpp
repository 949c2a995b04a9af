#include "foundation/Utf8.h"

namespace BaseLib
{

namespace
{

constexpr int MaxWideCharacters = 10'000'000;

unsigned char ByteAt(const char* text, int index)
{
    return static_cast<unsigned char>(text[index]);
}

// Bytes of the sequence at lead that lie before the terminator: Utf8SequenceLength, cut short
// where a terminator comes first.
int StepLength(const char* lead)
{
    const int length = Utf8SequenceLength(lead);
    int step = 1;
    while (step < length && lead[step] != '\0')
    {
        ++step;
    }
    return step;
}

} // namespace

bool IsUtf8LeadByte(unsigned char byte)
{
    return byte < 0x80 || byte > 0xBF;
}

int Utf8SequenceLength(const char* lead)
{
    const unsigned char b0 = ByteAt(lead, 0);
    if (b0 >= 0xE0)
    {
        return 3;
    }
    return b0 >= 0xC0 ? 2 : 1;
}

char16_t DecodeUtf8Char(const char* lead)
{
    const unsigned char b0 = ByteAt(lead, 0);
    if (b0 < 0xC0)
    {
        return b0;
    }
    const unsigned char b1 = ByteAt(lead, 1);
    if (b0 < 0xE0)
    {
        return static_cast<char16_t>(((b0 & 0x3F) << 6) | (b1 & 0x7F));
    }
    const unsigned char b2 = b1 != 0 ? ByteAt(lead, 2) : 0;
    return static_cast<char16_t>(((b0 & 0x0F) << 12) | ((b1 & 0x3F) << 6) | (b2 & 0x3F));
}

int Utf8LengthOfChar(char16_t c)
{
    if (c < 0x80)
    {
        return 1;
    }
    return c < 0x800 ? 2 : 3;
}

int EncodeUtf8(const char16_t* source, int count, char* destination)
{
    const char16_t* end = count < 0 ? nullptr : source + count;
    char* out = destination;
    for (const char16_t* p = source; p != end; ++p)
    {
        const char16_t c = *p;
        if (c < 0x80)
        {
            *out++ = static_cast<char>(c);
            if (c == 0)
            {
                break;
            }
        }
        else if (c < 0x800)
        {
            *out++ = static_cast<char>(0xC0 | (c >> 6));
            *out++ = static_cast<char>(0x80 | (c & 0x3F));
        }
        else
        {
            *out++ = static_cast<char>(0xE0 | (c >> 12));
            *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return static_cast<int>(out - destination);
}

int WideToUtf8(const char16_t* text, char* destination, int* byteCount)
{
    int units = 0;
    while (text[units] != 0)
    {
        ++units;
    }
    const int bytes = EncodeUtf8(text, units, destination);
    if (byteCount != nullptr)
    {
        *byteCount = bytes;
    }
    return 0;
}

int Utf8ToWide(const char* text, char16_t* destination)
{
    int written = 0;
    for (const char* p = text; *p != '\0'; p += StepLength(p))
    {
        if (written == MaxWideCharacters)
        {
            return 1;
        }
        destination[written++] = DecodeUtf8Char(p);
    }
    destination[written] = 0;
    return 0;
}

int Utf8Length(const char* text)
{
    int units = 0;
    for (const char* p = text; *p != '\0'; p += StepLength(p))
    {
        ++units;
    }
    return units;
}

int Utf8ByteLength(const char16_t* text)
{
    int bytes = 0;
    for (const char16_t* p = text; *p != 0; ++p)
    {
        bytes += Utf8LengthOfChar(*p);
    }
    return bytes;
}

} // namespace BaseLib
