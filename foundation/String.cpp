#include "foundation/String.h"

#include "foundation/Helpers.h"
#include "foundation/Utf8.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>

namespace BaseLib
{

namespace
{

constexpr int FormatBufferSize = 4096;

int TextLength(const char* text)
{
    return text == nullptr ? 0 : static_cast<int>(std::strlen(text));
}

bool IsTrimmed(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

char AsciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

} // namespace

// ---- construction, assignment, release ----

CString::CString(const char* text)
{
    const int length = TextLength(text);
    m_Header = MakeHeader(text, length, length + 2);
}

CString::CString(const CString& other) : m_Header(other.m_Header)
{
    if (m_Header != nullptr)
    {
        ++m_Header->count;
    }
}

CString::CString(CString&& other) noexcept : m_Header(std::exchange(other.m_Header, nullptr)) {}

CString::CString(const char16_t* text)
{
    AssignWide(text);
}

CString::~CString()
{
    Release();
}

void CString::Release()
{
    Header* header = std::exchange(m_Header, nullptr);
    if (header != nullptr && --header->count < 1)
    {
        delete[] header->text;
        delete header;
    }
}

// Self-assignment shares the same header and so changes nothing.
CString& CString::operator=(const CString& other) // NOLINT(bugprone-unhandled-self-assignment)
{
    if (other.m_Header != m_Header)
    {
        Release();
        m_Header = other.m_Header;
        if (m_Header != nullptr)
        {
            ++m_Header->count;
        }
    }
    return *this;
}

CString& CString::operator=(CString&& other) noexcept
{
    if (other.m_Header != m_Header)
    {
        Release();
        m_Header = std::exchange(other.m_Header, nullptr);
    }
    return *this;
}

void CString::AssignStdString(const std::string& text)
{
    *this = CString(text.c_str());
}

void CString::AssignWide(const char16_t* text)
{
    const int size = text == nullptr ? 0 : Utf8ByteLength(text);
    SetCapacity(size + 1);
    char* buffer = GetBuffer();
    if (size > 0)
    {
        WideToUtf8(text, buffer);
    }
    buffer[size] = '\0';
    UpdateLength();
}

CString::Header* CString::AllocHeader(int capacity)
{
    if (capacity <= 0)
    {
        return nullptr;
    }
    Header* header = new Header{1, capacity, 0, nullptr};
    header->text = new char[static_cast<std::size_t>(capacity)];
    return header;
}

CString::Header* CString::MakeHeader(const char* text, int length, int capacity)
{
    if (length <= 0)
    {
        return nullptr;
    }
    Header* header = AllocHeader(capacity);
    std::memcpy(header->text, text, static_cast<std::size_t>(length));
    header->text[length] = '\0';
    header->length = length;
    return header;
}

void CString::Adopt(Header* header)
{
    Release();
    m_Header = header;
}

void CString::MakeUnique()
{
    if (m_Header == nullptr || m_Header->count <= 1)
    {
        return;
    }
    Header* copy = AllocHeader(m_Header->capacity);
    copy->length = GetLength();
    std::memcpy(copy->text, Text(), static_cast<std::size_t>(copy->length));
    copy->text[copy->length] = '\0';
    --m_Header->count;
    m_Header = copy;
}

void CString::SetCapacity(int n)
{
    if (n <= 0)
    {
        Release();
        return;
    }
    Header* header = AllocHeader(n);
    const int kept = std::min(GetLength(), n - 1);
    if (kept > 0)
    {
        std::memcpy(header->text, Text(), static_cast<std::size_t>(kept));
    }
    header->length = kept;
    Adopt(header);
}

char* CString::GetBuffer()
{
    MakeUnique();
    return m_Header == nullptr ? nullptr : m_Header->text;
}

void CString::UpdateLength()
{
    if (m_Header != nullptr && m_Header->text != nullptr)
    {
        m_Header->length =
            static_cast<int>(strnlen(m_Header->text, static_cast<std::size_t>(m_Header->capacity)));
    }
}

// ---- queries ----

const char* CString::Text() const
{
    return m_Header == nullptr || m_Header->text == nullptr ? "" : m_Header->text;
}

int CString::GetLength() const
{
    return m_Header == nullptr || m_Header->text == nullptr ? 0 : m_Header->length;
}

CString::operator const char*() const
{
    return Text();
}

int CString::Compare(const char* text) const
{
    const bool thisEmpty = GetLength() == 0;
    const bool textEmpty = text == nullptr || text[0] == '\0';
    if (thisEmpty || textEmpty)
    {
        return thisEmpty == textEmpty ? 0 : (thisEmpty ? -1 : 1);
    }
    const int result = std::strcmp(Text(), text); // strcmp compares as unsigned char
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

bool CString::operator==(const CString& other) const
{
    if (m_Header == other.m_Header)
    {
        return true;
    }
    const bool thisEmpty = GetLength() == 0;
    const bool otherEmpty = other.GetLength() == 0;
    if (thisEmpty || otherEmpty)
    {
        return thisEmpty == otherEmpty;
    }
    return Compare(other.Text()) == 0;
}

bool CString::operator==(const char* text) const
{
    return Compare(text) == 0;
}

int CString::Find(const char* text, int start) const
{
    const int length = GetLength();
    const int textLength = TextLength(text);
    if (length == 0 || textLength == 0)
    {
        return -1;
    }
    const char* haystack = Text();
    for (int i = std::max(start, 0); i <= length - textLength; ++i)
    {
        if (std::memcmp(haystack + i, text, static_cast<std::size_t>(textLength)) == 0)
        {
            return i;
        }
    }
    return -1;
}

int CString::FindChar(char c) const
{
    const int length = GetLength();
    const char* text = Text();
    for (int i = 0; i < length; ++i)
    {
        if (text[i] == c)
        {
            return i;
        }
    }
    return -1;
}

int CString::FindOneOf(int start, const char* set) const
{
    const int length = GetLength();
    const char* text = Text();
    if (set == nullptr)
    {
        return -1;
    }
    for (int i = std::max(start, 0); i < length; ++i)
    {
        if (std::strchr(set, text[i]) != nullptr)
        {
            return i;
        }
    }
    return -1;
}

int CString::ReverseFindSlash() const
{
    for (int i = GetLength() - 1; i >= 0; --i)
    {
        if (Text()[i] == '/')
        {
            return i;
        }
    }
    return -1;
}

bool CString::EndsWith(const char* text) const
{
    const int textLength = TextLength(text);
    if (textLength == 0)
    {
        return true;
    }
    const int length = GetLength();
    return textLength <= length &&
           std::memcmp(Text() + length - textLength, text, static_cast<std::size_t>(textLength)) == 0;
}

int CString::ToInt() const
{
    return ParseDecimalInt(Text());
}

double CString::ToDouble() const
{
    return std::strtod(Text(), nullptr);
}

// ---- operations that build a new text ----

CString& CString::operator+=(const CString& other)
{
    const int otherLength = other.GetLength();
    if (otherLength == 0)
    {
        return *this;
    }
    const int length = GetLength();
    const int total = length + otherLength;
    Header* header = AllocHeader(total + 1);
    std::memcpy(header->text, Text(), static_cast<std::size_t>(length));
    std::memcpy(header->text + length, other.Text(), static_cast<std::size_t>(otherLength));
    header->text[total] = '\0';
    header->length = total;
    Adopt(header);
    return *this;
}

CString CString::operator+(const CString& other) const
{
    CString result(*this);
    result += other;
    return result;
}

void CString::AppendChar(char c)
{
    const int length = GetLength();
    Header* header = AllocHeader(length + 2);
    std::memcpy(header->text, Text(), static_cast<std::size_t>(length));
    header->text[length] = c;
    header->text[length + 1] = '\0';
    header->length = c == '\0' ? length : length + 1;
    Adopt(header);
}

void CString::Insert(int index, const char* text)
{
    const int length = GetLength();
    const int textLength = TextLength(text);
    if (index < 0 || index > length || textLength == 0)
    {
        return;
    }
    const int total = length + textLength;
    Header* header = AllocHeader(total + 1);
    std::memcpy(header->text, Text(), static_cast<std::size_t>(index));
    std::memcpy(header->text + index, text, static_cast<std::size_t>(textLength));
    std::memcpy(header->text + index + textLength, Text() + index, static_cast<std::size_t>(length - index));
    header->text[total] = '\0';
    header->length = total;
    Adopt(header);
}

void CString::InsertNewline(int index)
{
    Insert(index, "\n");
}

void CString::Delete(int index, int count)
{
    const int length = GetLength();
    if (length == 0)
    {
        return;
    }
    index = std::clamp(index, 0, length - 1);
    count = std::clamp(count, 0, length - index);
    if (count == 0)
    {
        return;
    }
    std::string kept(Text(), static_cast<std::size_t>(index));
    kept.append(Text() + index + count);
    const int keptLength = static_cast<int>(kept.size());
    Adopt(MakeHeader(kept.data(), keptLength, keptLength + 1));
}

void CString::RemoveChar(char c)
{
    const int length = GetLength();
    std::string kept;
    kept.reserve(static_cast<std::size_t>(length));
    for (int i = 0; i < length; ++i)
    {
        if (Text()[i] != c)
        {
            kept += Text()[i];
        }
    }
    if (static_cast<int>(kept.size()) != length)
    {
        const int keptLength = static_cast<int>(kept.size());
        Adopt(MakeHeader(kept.data(), keptLength, keptLength + 1));
    }
}

CString CString::Mid(int start, int count) const
{
    const int length = GetLength();
    start = std::max(start, 0);
    if (start >= length || count <= 0)
    {
        return CString();
    }
    count = std::min(count, length - start);
    CString result;
    result.m_Header = MakeHeader(Text() + start, count, count + 1);
    return result;
}

CString CString::MidFrom(int start) const
{
    return Mid(start, INT_MAX);
}

CString CString::Left(int count) const
{
    return Mid(0, count);
}

CString CString::Right(int count) const
{
    const int length = GetLength();
    if (count >= length)
    {
        return *this;
    }
    return Mid(length - count, count);
}

void CString::Trim()
{
    const int length = GetLength();
    const char* text = Text();
    int first = 0;
    while (first < length && IsTrimmed(text[first]))
    {
        ++first;
    }
    int last = length;
    while (last > first && IsTrimmed(text[last - 1]))
    {
        --last;
    }
    if (first != 0 || last != length)
    {
        Adopt(MakeHeader(text + first, last - first, last - first + 1));
    }
}

void CString::TrimRightChar(char c)
{
    const int length = GetLength();
    int last = length;
    while (last > 0 && Text()[last - 1] == c)
    {
        --last;
    }
    if (last != length)
    {
        Adopt(MakeHeader(Text(), last, last + 1));
    }
}

void CString::Replace(const char* oldText, const char* newText)
{
    const int oldLength = TextLength(oldText);
    if (oldLength == 0)
    {
        return;
    }
    // Deleting each occurrence and inserting newText there, searching on behind the inserted text,
    // is the same as copying the text with every occurrence found left to right substituted.
    int at = Find(oldText, 0);
    if (at < 0)
    {
        return;
    }
    const std::string_view text(Text(), static_cast<std::size_t>(GetLength()));
    const std::string_view replacement(newText == nullptr ? "" : newText);
    std::string result;
    std::size_t copied = 0;
    while (at >= 0)
    {
        const auto position = static_cast<std::size_t>(at);
        result.append(text.substr(copied, position - copied));
        result.append(replacement);
        copied = position + static_cast<std::size_t>(oldLength);
        const std::size_t next = text.find(oldText, copied);
        at = next == std::string_view::npos ? -1 : static_cast<int>(next);
    }
    result.append(text.substr(copied));
    const int resultLength = static_cast<int>(result.size());
    Adopt(MakeHeader(result.data(), resultLength, resultLength + 1));
}

CString CString::ToLower() const
{
    CString result(*this);
    result.MakeLower();
    return result;
}

CString CString::ToUpper() const
{
    CString result(*this);
    result.MakeUpper();
    return result;
}

CString CString::FromFormat(const char* format, ...)
{
    char buffer[FormatBufferSize];
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    if (written <= 0 || written >= FormatBufferSize)
    {
        return CString();
    }
    return CString(buffer);
}

void CString::Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CString::FormatV(const char* format, va_list args)
{
    char buffer[FormatBufferSize];
    // vsnprintf answers the length the whole text needs, so a cut text shows as written >= size.
    const int written = std::vsnprintf(buffer, sizeof(buffer), format, args);
    if (written <= 0 || written >= FormatBufferSize)
    {
        Release();
        return;
    }
    Adopt(MakeHeader(buffer, written, written + 1));
}

void CString::Split(const char* separators, CStringArray& pieces) const
{
    const int length = GetLength();
    int start = 0;
    while (start < length)
    {
        const int cut = FindOneOf(start, separators);
        if (cut < 0)
        {
            pieces.Add(MidFrom(start));
            return;
        }
        pieces.Add(Mid(start, cut - start));
        start = cut;
        while (start < length && std::strchr(separators, Text()[start]) != nullptr)
        {
            ++start;
        }
    }
}

// ---- changes in place ----

void CString::SetAt(int index, char c)
{
    if (index < 0 || index >= GetLength())
    {
        return;
    }
    GetBuffer()[index] = c;
}

void CString::ForwardSlashes()
{
    if (FindChar('\\') < 0)
    {
        return;
    }
    char* text = GetBuffer();
    for (int i = 0; i < m_Header->length; ++i)
    {
        if (text[i] == '\\')
        {
            text[i] = '/';
        }
    }
}

void CString::MakeLower()
{
    const int length = GetLength();
    for (int i = 0; i < length; ++i)
    {
        if (AsciiLower(Text()[i]) != Text()[i])
        {
            char* text = GetBuffer();
            for (; i < length; ++i)
            {
                text[i] = AsciiLower(text[i]);
            }
            return;
        }
    }
}

void CString::MakeUpper()
{
    const int length = GetLength();
    for (int i = 0; i < length; ++i)
    {
        if (AsciiUpper(Text()[i]) != Text()[i])
        {
            char* text = GetBuffer();
            for (; i < length; ++i)
            {
                text[i] = AsciiUpper(text[i]);
            }
            return;
        }
    }
}

// ---- CStringArray ----

CStringArray::CStringArray(const CStringArray& other)
{
    for (const CString& entry : other)
    {
        Add(entry);
    }
}

CStringArray& CStringArray::operator=(const CStringArray& other)
{
    if (this != &other)
    {
        CStringArray copy(other);
        std::swap(m_Entries, copy.m_Entries);
        std::swap(m_Count, copy.m_Count);
    }
    return *this;
}

CStringArray::~CStringArray()
{
    RemoveAll();
}

std::uint32_t CStringArray::Add(const CString& text)
{
    CString entry(text); // text may be one of the entries that growing moves
    if (m_Count % 32 == 0)
    {
        CString* grown = new CString[m_Count + 32];
        for (std::uint32_t i = 0; i < m_Count; ++i)
        {
            grown[i] = std::move(m_Entries[i]);
        }
        delete[] m_Entries;
        m_Entries = grown;
    }
    m_Entries[m_Count] = std::move(entry);
    return m_Count++;
}

void CStringArray::RemoveAt(std::uint32_t index)
{
    if (index >= m_Count)
    {
        return;
    }
    for (std::uint32_t i = index; i + 1 < m_Count; ++i)
    {
        m_Entries[i] = std::move(m_Entries[i + 1]);
    }
    --m_Count;
    m_Entries[m_Count].Release();
    if (m_Count == 0)
    {
        delete[] m_Entries;
        m_Entries = nullptr;
    }
}

void CStringArray::RemoveAll()
{
    if (m_Count == 0)
    {
        return;
    }
    for (std::uint32_t i = m_Count; i-- > 0;)
    {
        m_Entries[i].Release();
    }
    delete[] m_Entries;
    m_Entries = nullptr;
    m_Count = 0;
}

} // namespace BaseLib
