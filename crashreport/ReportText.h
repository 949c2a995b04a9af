#pragma once

#include <cstddef>
#include <cstdint>

// Where report text goes. The appends format numbers themselves, so a text of fixed storage can be
// written in a signal handler; a growable text serves code that may allocate.
namespace CrashReport
{

class TextOut
{
public:
    virtual ~TextOut() = default;
    virtual void Append(const char* text, std::size_t length) = 0;

    void Append(const char* text);
    void AppendChar(char c) { Append(&c, 1); }
    // Upper-case hexadecimal with exactly `digits` digits ("%08X" is 8).
    void AppendHex(std::uint64_t value, int digits);
    // Signed decimal, the whole 64-bit value.
    void AppendDecimal(std::int64_t value);
    // Unsigned decimal with at least `width` digits, zeros in front ("%02u" is width 2).
    void AppendUnsigned(std::uint64_t value, int width = 1);
    // `count` copies of `c`.
    void AppendRepeated(char c, int count);
};

// Text in storage the caller reserved: appending stops at the end, nothing allocates. The text stays
// zero-terminated.
class FixedText : public TextOut
{
public:
    FixedText(char* storage, std::size_t capacity);
    using TextOut::Append;
    void Append(const char* text, std::size_t length) override;

    const char* Data() const { return m_Storage; }
    std::size_t Length() const { return m_Length; }
    void Clear();

private:
    char* m_Storage;
    std::size_t m_Capacity;
    std::size_t m_Length = 0;
};

} // namespace CrashReport
