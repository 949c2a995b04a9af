#include "ui/controls/EditText.h"

#include "foundation/Utf8.h"

#include <algorithm>
#include <string>

namespace UILib
{

using BaseLib::CString;

namespace
{

bool IsWhite(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsContinuation(unsigned char byte)
{
    return !BaseLib::IsUtf8LeadByte(byte);
}

// The length of the well-formed sequence of 1 to 3 bytes at bytes[0 … available), or 0: a stray
// continuation byte, a 4-byte lead, an overlong form, a surrogate half or a sequence cut short.
std::int32_t WellFormedLength(const unsigned char* bytes, std::int32_t available)
{
    const unsigned char lead = bytes[0];
    if (lead < 0x80)
    {
        return 1;
    }
    if (lead < 0xC2 || lead > 0xEF)
    {
        return 0;
    }
    const std::int32_t length = BaseLib::Utf8SequenceLength(reinterpret_cast<const char*>(bytes));
    if (length > available)
    {
        return 0;
    }
    for (std::int32_t i = 1; i < length; ++i)
    {
        if (!IsContinuation(bytes[i]))
        {
            return 0;
        }
    }
    if (length == 3 && ((lead == 0xE0 && bytes[1] < 0xA0) || (lead == 0xED && bytes[1] >= 0xA0)))
    {
        return 0;
    }
    return length;
}

} // namespace

bool CEditText::IsCharAllowed(char16_t character, const CString& permitted)
{
    if (character < 32 || (character >= 0xD800 && character <= 0xDFFF))
    {
        return false;
    }
    const std::int32_t length = permitted.GetLength();
    if (length == 0)
    {
        return true;
    }
    const char* bytes = permitted;
    for (std::int32_t i = 0; i < length;)
    {
        if (BaseLib::DecodeUtf8Char(bytes + i) == character)
        {
            return true;
        }
        i += std::min(BaseLib::Utf8SequenceLength(bytes + i), length - i);
    }
    return false;
}

std::int32_t CEditText::CharLengthAt(std::int32_t offset) const
{
    const std::int32_t length = GetLength();
    if (offset < 0 || offset >= length)
    {
        return 0;
    }
    return std::min(BaseLib::Utf8SequenceLength(static_cast<const char*>(m_text) + offset), length - offset);
}

std::int32_t CEditText::NextCharStart(std::int32_t offset) const
{
    const std::int32_t length = GetLength();
    if (offset >= length)
    {
        return length;
    }
    return std::max(offset, 0) + CharLengthAt(std::max(offset, 0));
}

std::int32_t CEditText::PreviousCharStart(std::int32_t offset) const
{
    const char* bytes = m_text;
    offset = std::min(offset, GetLength());
    if (offset <= 0)
    {
        return 0;
    }
    --offset;
    while (offset > 0 && IsContinuation(static_cast<unsigned char>(bytes[offset])))
    {
        --offset;
    }
    return offset;
}

std::int32_t CEditText::GetCharCount() const
{
    std::int32_t count = 0;
    for (std::int32_t offset = 0; offset < GetLength(); offset = NextCharStart(offset))
    {
        ++count;
    }
    return count;
}

std::int32_t CEditText::CharIndexToOffset(std::int32_t index) const
{
    std::int32_t offset = 0;
    for (std::int32_t i = 0; i < index && offset < GetLength(); ++i)
    {
        offset = NextCharStart(offset);
    }
    return offset;
}

void CEditText::MoveCursor(std::int32_t count, bool extend)
{
    std::int32_t target = m_cursor;
    for (std::int32_t i = 0; i < count && target < GetLength(); ++i)
    {
        target = NextCharStart(target);
    }
    for (std::int32_t i = 0; i < -count && target > 0; ++i)
    {
        target = PreviousCharStart(target);
    }
    MoveCursorTo(target, extend);
}

void CEditText::MoveCursorTo(std::int32_t offset, bool extend)
{
    if (!extend)
    {
        m_selectionLength = 0;
    }
    const std::int32_t target = std::clamp(offset, 0, GetLength());
    const std::int32_t old = m_cursor;
    if (target == old)
    {
        return;
    }
    if (extend)
    {
        const std::int32_t start = m_selectionStart;
        const std::int32_t end = m_selectionStart + m_selectionLength;
        if (start <= old - 1 && old - 1 < end)
        {
            m_selectionLength = target - start; // the start is the anchor
        }
        else if (start <= old && old < end)
        {
            m_selectionStart = target; // the end is the anchor
            m_selectionLength = end - target;
        }
        else
        {
            m_selectionStart = std::min(old, target);
            m_selectionLength = std::abs(target - old);
        }
        if (m_selectionLength < 0)
        {
            m_selectionStart += m_selectionLength;
            m_selectionLength = -m_selectionLength;
        }
    }
    m_cursor = target;
}

void CEditText::MoveToPreviousWord(bool extend)
{
    const char* bytes = m_text;
    std::int32_t offset = m_cursor;
    while (offset > 0 && IsWhite(bytes[offset - 1]))
    {
        --offset;
    }
    while (offset > 0 && !IsWhite(bytes[offset - 1]))
    {
        --offset;
    }
    MoveCursorTo(offset, extend);
}

void CEditText::MoveToNextWord(bool extend)
{
    const char* bytes = m_text;
    const std::int32_t length = GetLength();
    std::int32_t offset = m_cursor;
    while (offset < length && !IsWhite(bytes[offset]))
    {
        ++offset;
    }
    while (offset < length && IsWhite(bytes[offset]))
    {
        ++offset;
    }
    MoveCursorTo(offset, extend);
}

void CEditText::SelectWord()
{
    const char* bytes = m_text;
    const std::int32_t length = GetLength();
    std::int32_t start = m_cursor;
    while (start > 0 && !IsWhite(bytes[start - 1]))
    {
        --start;
    }
    std::int32_t end = m_cursor;
    while (end < length && !IsWhite(bytes[end]))
    {
        ++end;
    }
    m_selectionStart = start;
    m_selectionLength = end - start;
    m_cursor = end;
}

void CEditText::SelectRange(std::int32_t start, std::int32_t length)
{
    start = std::max(start, 0);
    if (start >= GetLength())
    {
        m_selectionLength = 0;
        return;
    }
    m_selectionStart = start;
    m_selectionLength = std::clamp(length, 0, GetLength() - start);
}

void CEditText::SetCursorToCharIndex(std::int32_t index)
{
    const std::int32_t offset = CharIndexToOffset(std::max(index, 0));
    if (offset != m_cursor)
    {
        m_selectionLength = 0;
        m_cursor = offset;
    }
}

bool CEditText::DeleteSelection()
{
    if (m_selectionLength <= 0)
    {
        return false;
    }
    m_text.Delete(m_selectionStart, m_selectionLength);
    m_cursor = m_selectionStart;
    m_selectionLength = 0;
    return true;
}

void CEditText::DeleteBackward()
{
    if (DeleteSelection() || m_cursor <= 0)
    {
        return;
    }
    m_selectionLength = 0;
    m_cursor = PreviousCharStart(m_cursor);
    m_text.Delete(m_cursor, CharLengthAt(m_cursor));
}

void CEditText::DeleteForward()
{
    if (DeleteSelection() || m_cursor >= GetLength())
    {
        return;
    }
    m_text.Delete(m_cursor, CharLengthAt(m_cursor));
}

void CEditText::InsertAtCursor(const char* bytes, std::int32_t count)
{
    if (count > 0)
    {
        m_text.Insert(m_cursor, std::string(bytes, static_cast<std::size_t>(count)).c_str());
        m_cursor += count;
    }
    ApplyLimit();
}

void CEditText::InsertChar(char16_t character)
{
    if (!IsCharAllowed(character))
    {
        return;
    }
    DeleteSelection();
    if (!m_insertMode)
    {
        DeleteForward();
    }
    char bytes[4] = {};
    const int count = BaseLib::EncodeUtf8(&character, 1, bytes);
    InsertAtCursor(bytes, count);
}

void CEditText::InsertNewline()
{
    if (GetLength() >= m_limit)
    {
        return;
    }
    DeleteSelection();
    InsertAtCursor("\n", 1);
}

void CEditText::InsertText(const CString& text)
{
    DeleteSelection();
    const auto* bytes = reinterpret_cast<const unsigned char*>(static_cast<const char*>(text));
    const std::int32_t length = text.GetLength();
    std::string accepted;
    for (std::int32_t i = 0; i < length;)
    {
        const std::int32_t sequence = WellFormedLength(bytes + i, length - i);
        if (sequence == 0)
        {
            ++i;
            continue;
        }
        if (IsCharAllowed(BaseLib::DecodeUtf8Char(reinterpret_cast<const char*>(bytes + i))))
        {
            accepted.append(reinterpret_cast<const char*>(bytes + i), static_cast<std::size_t>(sequence));
        }
        i += sequence;
    }
    InsertAtCursor(accepted.data(), static_cast<std::int32_t>(accepted.size()));
}

void CEditText::SetText(const CString& text)
{
    const std::int32_t oldCursor = m_cursor;
    m_text = text;
    ApplyLimit();
    m_selectionStart = 0;
    m_selectionLength = GetLength();
    SetCursorToCharIndex(oldCursor);
}

void CEditText::SetTextLimit(std::int32_t limit)
{
    m_limit = std::max(limit, 0);
    const std::int32_t keep = CharIndexToOffset(m_limit);
    if (keep < GetLength())
    {
        m_text = m_text.Left(keep);
    }
    const std::int32_t length = GetLength();
    m_cursor = std::clamp(m_cursor, 0, length);
    if (m_selectionStart >= length)
    {
        m_selectionStart = std::min(m_selectionStart, length);
        m_selectionLength = 0;
    }
    else
    {
        m_selectionLength = std::clamp(m_selectionLength, 0, length - m_selectionStart);
    }
}

void CEditText::MakeUpperCase()
{
    m_text.MakeUpper();
}

CString CEditText::Range(std::int32_t from, std::int32_t to) const
{
    from = std::max(from, 0);
    to = std::min(to, GetLength());
    return to > from ? m_text.Mid(from, to - from) : CString();
}

CString CEditText::GetTextBeforeSelection(std::int32_t lineStart, std::int32_t lineEnd) const
{
    if (m_selectionLength <= 0)
    {
        return Range(lineStart, lineEnd);
    }
    return Range(lineStart, std::min(m_selectionStart, lineEnd));
}

CString CEditText::GetSelectedText(std::int32_t lineStart, std::int32_t lineEnd) const
{
    return Range(std::max(m_selectionStart, lineStart), std::min(m_selectionStart + m_selectionLength, lineEnd));
}

CString CEditText::GetTextAfterSelection(std::int32_t lineStart, std::int32_t lineEnd) const
{
    if (m_selectionLength <= 0)
    {
        return CString();
    }
    return Range(std::max(m_selectionStart + m_selectionLength, lineStart), lineEnd);
}

} // namespace UILib
