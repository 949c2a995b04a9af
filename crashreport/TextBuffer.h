#pragma once

#include "crashreport/ReportText.h"

#include <cstddef>

// Report text for code that may allocate (the reporter process).
namespace CrashReport
{

// A growable text: it starts with room for 256 characters and, when more is needed, grows to the
// larger of twice its capacity and the size needed (at least 10). Always zero-terminated.
class TextBuffer : public TextOut
{
public:
    TextBuffer();
    ~TextBuffer() override;
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    using TextOut::Append;
    void Append(const char* text, std::size_t length) override;

    const char* Data() const { return m_Data; }
    std::size_t Length() const { return m_Length; }
    std::size_t Capacity() const { return m_Capacity; }

private:
    char* m_Data = nullptr;
    std::size_t m_Length = 0;
    std::size_t m_Capacity = 0;
};

// A text pointer with an "owns" flag. A copy shares the pointer unless the source owns its text, which
// is then duplicated. An empty string is a null pointer and reads as "".
class SmallString
{
public:
    SmallString() = default;
    // Shares `text` (not owned): it must outlive the string and its shared copies.
    static SmallString Borrow(const char* text);
    // Owns a copy of `length` characters of `text`.
    static SmallString Copy(const char* text, std::size_t length);
    static SmallString Copy(const char* text);

    SmallString(const SmallString& other);
    SmallString& operator=(const SmallString& other);
    SmallString(SmallString&& other) noexcept;
    SmallString& operator=(SmallString&& other) noexcept;
    ~SmallString();

    const char* Text() const { return m_Text != nullptr ? m_Text : ""; }
    std::size_t Length() const;
    bool Empty() const { return Length() == 0; }

    // Where `part` last occurs, or -1.
    long FindLast(const char* part) const;
    // The characters from `start` (at most `length` of them).
    SmallString Substring(std::size_t start, std::size_t length = static_cast<std::size_t>(-1)) const;
    SmallString operator+(const char* tail) const;

private:
    void Release();

    char* m_Text = nullptr;
    bool m_Owns = false;
};

} // namespace CrashReport
