#pragma once

#include "foundation/String.h"
#include "ui/BlockArray.h"

#include <cstdint>

namespace UILib
{

class CFont;

// Tab, carriage return and line feed (not the blank).
bool IsLineControlChar(char16_t character);

// The position after the word starting at position and after the white space (blank, tab, CR, LF)
// that follows it; the text's length at the latest.
std::int32_t SkipWord(const BaseLib::CString& text, std::int32_t position);

// Where each line of a UTF-8 text ends: at line feeds (a line keeps its line feed) and, with wrap,
// where the line would grow wider than the width in the font. After a layout of k lines over n bytes
// the offsets are k + 1 entries: 0, the end of each line but the last, and n. Storage grows in
// blocks of 32 entries.
class CTextLines
{
public:
    // The single entry 0 (no line laid out yet).
    CTextLines();

    // Lays the text out; width and font matter only with wrap, and wrap without a font lays out as
    // without wrap. A line that cannot take even one character ends the layout and takes the rest.
    void Layout(const BaseLib::CString& text, std::int32_t width, CFont* font, bool wrap);
    // Breaks at line feeds only.
    void SplitLines(const BaseLib::CString& text);

    std::int32_t GetLineCount() const { return m_lineCount; }
    // Byte offsets of line index (0 … count − 1); 0 for an index out of range.
    std::int32_t GetLineStart(std::int32_t index) const;
    std::int32_t GetLineEnd(std::int32_t index) const;
    // The bytes of line index of the text laid out last (its line feed included); empty out of range.
    BaseLib::CString GetLine(std::int32_t index) const;
    std::int32_t GetEntryCount() const { return static_cast<std::int32_t>(m_entries.GetCount()); }
    std::int32_t GetEntry(std::int32_t index) const { return m_entries[static_cast<std::size_t>(index)]; }

private:
    // The end of the line starting at start before line feeds are looked at.
    std::int32_t FindWrapEnd(const BaseLib::CString& text, std::int32_t start, std::int32_t width, CFont& font) const;

    CBlockArray<std::int32_t> m_entries;
    std::int32_t m_lineCount = 0;
    BaseLib::CString m_text;
};

} // namespace UILib
