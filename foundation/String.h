#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>

namespace BaseLib
{

class CStringArray;

// The reference-counted string of 8-bit characters (UTF-8 where converted from UTF-16). It is one
// pointer to a shared header; null is the empty string. Copies share the header, and every change
// builds a new buffer or copies a shared one first, so a text is never changed under another holder.
// Reference counts are plain integers: a string and its copies belong to one thread at a time.
// Indices and lengths count bytes. Operations that build a text leave the null string, never an
// empty header, when the result is empty.
class CString
{
public:
    struct Header
    {
        std::int32_t count;    // holders; header and text are freed when a release brings it below 1
        std::int32_t capacity; // bytes of text
        std::int32_t length;   // bytes before the terminating zero
        char* text;            // null is treated as the empty string
    };

    CString() = default;
    // An empty text gives the null string; else a private header of capacity length + 2.
    CString(const char* text);
    CString(const CString& other);
    CString(CString&& other) noexcept;
    // Converts terminated UTF-16 text (16-bit units) to UTF-8; see AssignWide.
    explicit CString(const char16_t* text);
    ~CString();

    // Drops this holder's reference; the string becomes empty.
    void Release();

    // Shares other's header; nothing changes when both already share one.
    CString& operator=(const CString& other);
    CString& operator=(CString&& other) noexcept;
    // Replaces the text with a copy of text's characters up to its first zero byte.
    void AssignStdString(const std::string& text);
    // Replaces the text with terminated UTF-16 text (16-bit units) converted to UTF-8. An empty
    // text leaves a header of length 0.
    void AssignWide(const char16_t* text);

    // Gives this holder a private header (same capacity and length) when the current one is shared.
    void MakeUnique();
    // n of 0 or less empties the string. Else a private buffer of n bytes keeps the first
    // min(length, n - 1) characters and no terminator is written: the caller fills GetBuffer and
    // calls UpdateLength.
    void SetCapacity(int n);
    // The private, writable buffer after SetCapacity or MakeUnique; null when the string is empty.
    char* GetBuffer();
    // Length := strlen of the buffer, after a caller wrote into it.
    void UpdateLength();

    int GetLength() const;
    // Bytes of the text buffer; 0 when empty.
    int GetCapacity() const { return m_Header == nullptr ? 0 : m_Header->capacity; }
    // The text; a static "" when empty. Valid until this string changes or is released.
    operator const char*() const;

    // Byte-wise comparison on unsigned bytes: -1, 0 or 1. The empty string equals a null pointer
    // and "" and is less than anything else.
    int Compare(const char* text) const;
    bool operator==(const CString& other) const;
    bool operator!=(const CString& other) const { return !(*this == other); }
    // A null text counts as "".
    bool operator==(const char* text) const;
    bool operator!=(const char* text) const { return !(*this == text); }

    // First index at or after start (below 0 counts as 0) where text occurs; -1 when either is
    // empty or there is none.
    int Find(const char* text, int start = 0) const;
    // First index of c, -1 when absent.
    int FindChar(char c) const;
    // First index at or after start whose character is in set, -1 when none.
    int FindOneOf(int start, const char* set) const;
    // Index of the last '/', -1 when absent.
    int ReverseFindSlash() const;
    // An empty text gives true, else an empty string gives false.
    bool EndsWith(const char* text) const;
    // The leading number of the text (C library conversion); 0 when there is none.
    int ToInt() const;
    double ToDouble() const;

    CString& operator+=(const CString& other);
    CString operator+(const CString& other) const;
    void AppendChar(char c);
    // Inserts text at index 0..length; an index outside or an empty text changes nothing.
    void Insert(int index, const char* text);
    // Inserts a line feed at index 0..length; an index outside changes nothing.
    void InsertNewline(int index);
    // index is clamped to 0..length - 1 and count to 0..length - index.
    void Delete(int index, int count);
    // Removes every occurrence of c.
    void RemoveChar(char c);
    // start below 0 counts as 0; empty when start is at or past the end; count is cut at the end.
    CString Mid(int start, int count) const;
    CString MidFrom(int start) const;
    CString Left(int count) const;
    // The last count characters; the whole string when count is at least the length.
    CString Right(int count) const;
    // Removes blanks, tabs, carriage returns and line feeds at both ends.
    void Trim();
    // Removes trailing repetitions of c.
    void TrimRightChar(char c);
    // Replaces every occurrence of oldText, searching on behind each inserted newText; an empty
    // oldText changes nothing.
    void Replace(const char* oldText, const char* newText);
    // Copies with ASCII letters lowered or raised; every byte above 0x7F stays as it is.
    CString ToLower() const;
    CString ToUpper() const;

    // printf-style formatting into a 4096-byte buffer. A result that is empty or does not fit
    // (4096 characters or more) gives the empty string.
    static CString FromFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
    void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void FormatV(const char* format, va_list args) __attribute__((format(printf, 2, 0)));

    // Appends to pieces the parts of the text between characters of separators. Runs of separators
    // count as one cut; a separator at the very start gives an empty first piece, none at the end.
    void Split(const char* separators, CStringArray& pieces) const;

    // Replaces the character at index; an index outside 0..length - 1 is ignored.
    void SetAt(int index, char c);
    // Every backslash becomes a forward slash.
    void ForwardSlashes();
    void MakeLower();
    void MakeUpper();

private:
    // A header with count 1 and a text buffer of capacity bytes; null for a capacity of 0 or less.
    static Header* AllocHeader(int capacity);
    // A new header of the given capacity holding the length bytes of text and a terminator; null
    // when length is 0.
    static Header* MakeHeader(const char* text, int length, int capacity);
    // Releases the current header and takes header (already counted) in its place.
    void Adopt(Header* header);
    const char* Text() const;

    Header* m_Header = nullptr;
};

// A growable array of strings. Storage grows by 32 entries whenever an append finds the count at a
// multiple of 32, so the capacity is always the count rounded up to a multiple of 32.
class CStringArray
{
public:
    CStringArray() = default;
    CStringArray(const CStringArray& other);
    CStringArray& operator=(const CStringArray& other);
    ~CStringArray();

    // Appends text; returns its index.
    std::uint32_t Add(const CString& text);
    // Removes the entry at index and moves the later ones down; an index outside is ignored.
    void RemoveAt(std::uint32_t index);
    // Releases every entry, last to first, and frees the storage.
    void RemoveAll();

    std::uint32_t GetCount() const { return m_Count; }
    // index must be below GetCount().
    CString& operator[](std::uint32_t index) { return m_Entries[index]; }
    const CString& operator[](std::uint32_t index) const { return m_Entries[index]; }

    CString* begin() { return m_Entries; }
    CString* end() { return m_Entries + m_Count; }
    const CString* begin() const { return m_Entries; }
    const CString* end() const { return m_Entries + m_Count; }

private:
    CString* m_Entries = nullptr;
    std::uint32_t m_Count = 0;
};

} // namespace BaseLib
