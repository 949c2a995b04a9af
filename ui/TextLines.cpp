#include "ui/TextLines.h"

#include "ui/Font.h"
#include "ui/TextChar.h"

namespace UILib
{

namespace
{

bool IsLayoutWhiteSpace(char byte)
{
    return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n';
}

std::int32_t WidthOf(CFont& font, const BaseLib::CString& text, std::int32_t start, std::int32_t end)
{
    return font.GetTextWidth(text.Mid(start, end - start));
}

} // namespace

bool IsLineControlChar(char16_t character)
{
    return character == 9 || character == 10 || character == 13;
}

std::int32_t SkipWord(const BaseLib::CString& text, std::int32_t position)
{
    const char* bytes = text;
    const std::int32_t length = text.GetLength();
    while (position < length && !IsLayoutWhiteSpace(bytes[position]))
    {
        ++position;
    }
    while (position < length && IsLayoutWhiteSpace(bytes[position]))
    {
        ++position;
    }
    return position;
}

CTextLines::CTextLines()
{
    m_entries.Append(0);
}

std::int32_t CTextLines::GetLineStart(std::int32_t index) const
{
    return index >= 0 && index < m_lineCount ? GetEntry(index) : 0;
}

std::int32_t CTextLines::GetLineEnd(std::int32_t index) const
{
    return index >= 0 && index < m_lineCount ? GetEntry(index + 1) : 0;
}

BaseLib::CString CTextLines::GetLine(std::int32_t index) const
{
    if (index < 0 || index >= m_lineCount)
    {
        return {};
    }
    return m_text.Mid(GetEntry(index), GetEntry(index + 1) - GetEntry(index));
}

void CTextLines::SplitLines(const BaseLib::CString& text)
{
    Layout(text, 0, nullptr, false);
}

std::int32_t CTextLines::FindWrapEnd(const BaseLib::CString& text, std::int32_t start, std::int32_t width,
                                     CFont& font) const
{
    const std::int32_t length = text.GetLength();
    std::int32_t end = start;
    for (std::int32_t next = start; next < length;)
    {
        next = SkipWord(text, next);
        if (WidthOf(font, text, start, next) > width)
        {
            break;
        }
        end = next;
    }
    if (end == start)
    {
        // Not even the first word fits: whole characters, one at a time, while they fit.
        const char* bytes = text;
        for (std::int32_t next = start; next < length;)
        {
            next += TextCharLength(bytes + next);
            if (WidthOf(font, text, start, next) > width)
            {
                break;
            }
            end = next;
        }
    }
    return end;
}

void CTextLines::Layout(const BaseLib::CString& text, std::int32_t width, CFont* font, bool wrap)
{
    m_text = text;
    while (m_entries.GetCount() > 1)
    {
        m_entries.PopBack();
    }
    m_lineCount = 0;
    wrap = wrap && font != nullptr;
    if (wrap && font->GetState() == BaseLib::ResourceScheduled)
    {
        font->WaitUntilLoaded();
    }
    const char* bytes = text;
    const std::int32_t length = text.GetLength();
    for (std::int32_t start = 0; start < length;)
    {
        std::int32_t end = wrap ? FindWrapEnd(text, start, width, *font) : length;
        for (std::int32_t i = start; i < end; ++i)
        {
            if (bytes[i] == '\n')
            {
                end = i + 1;
                break;
            }
        }
        m_entries.Append(end);
        ++m_lineCount;
        if (end == start)
        {
            break; // the last line takes the rest
        }
        start = end;
    }
    if (m_lineCount == 0)
    {
        m_lineCount = 1;
    }
    else if (bytes[length - 1] == '\n')
    {
        ++m_lineCount;
    }
    while (static_cast<std::int32_t>(m_entries.GetCount()) < m_lineCount + 1)
    {
        m_entries.Append(length);
    }
    m_entries.Back() = length;
}

} // namespace UILib
