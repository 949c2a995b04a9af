#include "crashreport/ReportText.h"

#include "platform/debug/SafeFormat.h"

namespace CrashReport
{

void TextOut::Append(const char* text)
{
    Append(text, Platform::TextLength(text));
}

void TextOut::AppendHex(std::uint64_t value, int digits)
{
    char buffer[16];
    Append(buffer, Platform::FormatHex(buffer, value, digits));
}

void TextOut::AppendDecimal(std::int64_t value)
{
    char buffer[24];
    Append(buffer, Platform::FormatDecimal(buffer, value));
}

void TextOut::AppendUnsigned(std::uint64_t value, int width)
{
    char buffer[24];
    Append(buffer, Platform::FormatUnsigned(buffer, value, width > 20 ? 20 : width));
}

void TextOut::AppendRepeated(char c, int count)
{
    for (int i = 0; i < count; ++i)
    {
        AppendChar(c);
    }
}

FixedText::FixedText(char* storage, std::size_t capacity) : m_Storage(storage), m_Capacity(capacity)
{
    Clear();
}

void FixedText::Append(const char* text, std::size_t length)
{
    if (m_Capacity == 0)
    {
        return;
    }
    const std::size_t room = m_Capacity - 1 - m_Length;
    if (length > room)
    {
        length = room;
    }
    for (std::size_t i = 0; i < length; ++i)
    {
        m_Storage[m_Length + i] = text[i];
    }
    m_Length += length;
    m_Storage[m_Length] = '\0';
}

void FixedText::Clear()
{
    m_Length = 0;
    if (m_Capacity > 0)
    {
        m_Storage[0] = '\0';
    }
}

} // namespace CrashReport
