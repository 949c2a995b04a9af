#pragma once

#include "foundation/String.h"

#include <cstdint>

namespace UILib
{

// The text, cursor and selection of an edit control, and every edit on them. Offsets (cursor, selection)
// are in bytes of the UTF-8 text, always at character starts; the limit is in characters. A character's
// length comes from its lead byte (1, 2 or 3 bytes), cut at the text end, so no step or decode reads past
// it. Words are separated by blank, tab, CR and LF.
class CEditText
{
public:
    static constexpr std::int32_t DefaultLimit = 255;

    // Not below 32, not a surrogate half, and, with a permitted list, one of its characters.
    static bool IsCharAllowed(char16_t character, const BaseLib::CString& permitted);
    bool IsCharAllowed(char16_t character) const { return IsCharAllowed(character, m_permitted); }

    const BaseLib::CString& GetText() const { return m_text; }
    std::int32_t GetLength() const { return m_text.GetLength(); }
    std::int32_t GetCursor() const { return m_cursor; }
    std::int32_t GetSelectionStart() const { return m_selectionStart; }
    std::int32_t GetSelectionLength() const { return m_selectionLength; }
    bool HasSelection() const { return m_selectionLength > 0; }
    std::int32_t GetTextLimit() const { return m_limit; }
    bool IsInsertMode() const { return m_insertMode; }
    void SetInsertMode(bool insert) { m_insertMode = insert; }
    const BaseLib::CString& GetPermittedChars() const { return m_permitted; }
    void SetPermittedChars(const BaseLib::CString& permitted) { m_permitted = permitted; }

    // Characters of the text.
    std::int32_t GetCharCount() const;
    // The byte offset of character index (clamped to 0 … the character count).
    std::int32_t CharIndexToOffset(std::int32_t index) const;
    // The offset of the character before / after offset; 0 and the length at the ends.
    std::int32_t PreviousCharStart(std::int32_t offset) const;
    std::int32_t NextCharStart(std::int32_t offset) const;

    // Moves by count characters (negative: backwards); with extend the selection runs from its anchor to
    // the new cursor, else it is cleared.
    void MoveCursor(std::int32_t count, bool extend);
    // The same onto a byte offset (a character start), clamped to the text.
    void MoveCursorTo(std::int32_t offset, bool extend);
    void MoveToPreviousWord(bool extend);
    void MoveToNextWord(bool extend);
    // Selects the run of non-white characters around the cursor; the cursor goes to its end.
    void SelectWord();
    // A start at or past the end only clears the length; else the length is cut at the end.
    void SelectRange(std::int32_t start, std::int32_t length);
    // Cursor to the character of that index (clamped); the selection is cleared when the cursor moves.
    void SetCursorToCharIndex(std::int32_t index);

    // The selection, else the character before / at the cursor.
    void DeleteBackward();
    void DeleteForward();
    // A typed 16-bit character: refused ones change nothing; replaces the selection, overwrites in
    // overwrite mode, then the limit is applied.
    void InsertChar(char16_t character);
    // A line feed, only while the text is shorter in bytes than the limit.
    void InsertNewline();
    // Pasted text: only well-formed sequences of 1 to 3 bytes whose characters are allowed.
    void InsertText(const BaseLib::CString& text);
    // The program's own text, kept as given up to the limit; the whole text ends up selected unless the
    // cursor (its old value, taken as a character index) has to move.
    void SetText(const BaseLib::CString& text);
    // Stores the limit (characters, not below 0) and cuts the text, cursor and selection to it.
    void SetTextLimit(std::int32_t limit);
    void MakeUpperCase();

    // The pieces of the line [lineStart, lineEnd) before, inside and after the selection.
    BaseLib::CString GetTextBeforeSelection(std::int32_t lineStart, std::int32_t lineEnd) const;
    BaseLib::CString GetSelectedText(std::int32_t lineStart, std::int32_t lineEnd) const;
    BaseLib::CString GetTextAfterSelection(std::int32_t lineStart, std::int32_t lineEnd) const;
    BaseLib::CString GetSelectedText() const { return GetSelectedText(0, GetLength()); }

private:
    // Removes the selected bytes; the cursor goes to the selection's start.
    bool DeleteSelection();
    void InsertAtCursor(const char* bytes, std::int32_t count);
    void ApplyLimit() { SetTextLimit(m_limit); }
    // Bytes of the character at offset, cut at the text end.
    std::int32_t CharLengthAt(std::int32_t offset) const;
    BaseLib::CString Range(std::int32_t from, std::int32_t to) const;

    BaseLib::CString m_text;
    BaseLib::CString m_permitted;
    std::int32_t m_limit = DefaultLimit;
    std::int32_t m_cursor = 0;
    std::int32_t m_selectionStart = 0;
    std::int32_t m_selectionLength = 0;
    bool m_insertMode = true;
};

} // namespace UILib
