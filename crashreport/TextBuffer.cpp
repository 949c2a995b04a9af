#include "crashreport/TextBuffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace CrashReport
{

TextBuffer::TextBuffer()
{
    m_Capacity = 256;
    m_Data = static_cast<char*>(std::malloc(m_Capacity));
    if (m_Data == nullptr)
    {
        throw std::bad_alloc();
    }
    m_Data[0] = '\0';
}

TextBuffer::~TextBuffer()
{
    std::free(m_Data);
}

void TextBuffer::Append(const char* text, std::size_t length)
{
    const std::size_t needed = m_Length + length + 1;
    if (needed > m_Capacity)
    {
        const std::size_t capacity = std::max<std::size_t>({m_Capacity * 2, needed, 10});
        char* grown = static_cast<char*>(std::realloc(m_Data, capacity));
        if (grown == nullptr)
        {
            throw std::bad_alloc();
        }
        m_Data = grown;
        m_Capacity = capacity;
    }
    std::memcpy(m_Data + m_Length, text, length);
    m_Length += length;
    m_Data[m_Length] = '\0';
}

SmallString SmallString::Borrow(const char* text)
{
    SmallString result;
    result.m_Text = text != nullptr && text[0] != '\0' ? const_cast<char*>(text) : nullptr;
    return result;
}

SmallString SmallString::Copy(const char* text, std::size_t length)
{
    SmallString result;
    if (text != nullptr && length > 0)
    {
        result.m_Text = new char[length + 1];
        std::memcpy(result.m_Text, text, length);
        result.m_Text[length] = '\0';
        result.m_Owns = true;
    }
    return result;
}

SmallString SmallString::Copy(const char* text)
{
    return Copy(text, text != nullptr ? std::strlen(text) : 0);
}

SmallString::SmallString(const SmallString& other)
{
    *this = other;
}

SmallString& SmallString::operator=(const SmallString& other)
{
    if (this != &other)
    {
        SmallString copy = other.m_Owns ? Copy(other.m_Text) : Borrow(other.m_Text);
        *this = std::move(copy);
    }
    return *this;
}

SmallString::SmallString(SmallString&& other) noexcept : m_Text(other.m_Text), m_Owns(other.m_Owns)
{
    other.m_Text = nullptr;
    other.m_Owns = false;
}

SmallString& SmallString::operator=(SmallString&& other) noexcept
{
    if (this != &other)
    {
        Release();
        m_Text = other.m_Text;
        m_Owns = other.m_Owns;
        other.m_Text = nullptr;
        other.m_Owns = false;
    }
    return *this;
}

SmallString::~SmallString()
{
    Release();
}

void SmallString::Release()
{
    if (m_Owns)
    {
        delete[] m_Text;
    }
    m_Text = nullptr;
    m_Owns = false;
}

std::size_t SmallString::Length() const
{
    return m_Text != nullptr ? std::strlen(m_Text) : 0;
}

long SmallString::FindLast(const char* part) const
{
    const std::size_t length = Length();
    const std::size_t partLength = std::strlen(part);
    if (partLength > length)
    {
        return -1;
    }
    for (std::size_t at = length - partLength + 1; at-- > 0;)
    {
        if (std::memcmp(Text() + at, part, partLength) == 0)
        {
            return static_cast<long>(at);
        }
    }
    return -1;
}

SmallString SmallString::Substring(std::size_t start, std::size_t length) const
{
    const std::size_t total = Length();
    if (start >= total)
    {
        return {};
    }
    return Copy(Text() + start, std::min(length, total - start));
}

SmallString SmallString::operator+(const char* tail) const
{
    const std::size_t head = Length();
    const std::size_t tailLength = tail != nullptr ? std::strlen(tail) : 0;
    SmallString result;
    if (head + tailLength == 0)
    {
        return result;
    }
    result.m_Text = new char[head + tailLength + 1];
    std::memcpy(result.m_Text, Text(), head);
    std::memcpy(result.m_Text + head, tail != nullptr ? tail : "", tailLength);
    result.m_Text[head + tailLength] = '\0';
    result.m_Owns = true;
    return result;
}

} // namespace CrashReport
