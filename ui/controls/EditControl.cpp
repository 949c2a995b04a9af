#include "ui/controls/EditControl.h"

#include "ui/DrawContext.h"
#include "ui/Visualization.h"
#include "ui/WindowManager.h"
#include "ui/controls/Label.h"
#include "ui/controls/PropertyTable.h"

#include <algorithm>

namespace UILib
{

using BaseLib::CPoint;
using BaseLib::CRect;
using BaseLib::CSize;
using BaseLib::CString;

namespace
{

// The window system's key codes of "sKeyDown" used here; letters keep their capital ASCII codes.
enum : std::uint32_t
{
    KeyBackspace = 257,
    KeyEnter = 260,
    KeyEnd = 270,
    KeyHome = 271,
    KeyLeft = 272,
    KeyUp = 273,
    KeyRight = 274,
    KeyDown = 275,
    KeyInsert = 280,
    KeyDelete = 281,
};

constexpr std::int32_t CursorIBeam = 9;
constexpr std::int32_t TextInset = 5;
constexpr std::int32_t FrameStyle = 1;
constexpr std::int32_t FillWhite = 2;
constexpr std::int32_t FillDisabled = 3;

const CPropertyTable<CEditControl>& EditControlProperties()
{
    static const CPropertyTable<CEditControl> table = [] {
        CPropertyTable<CEditControl> t;
        t.String("Text", "Text in the box", CString(), &CEditControl::SetText, &CEditControl::GetText);
        t.Bool("Frame", "Draw a frame around this control?", true, &CEditControl::SetFrame,
               &CEditControl::GetFrame);
        t.Bool("Background", "Draw background?", true, &CEditControl::SetBackground, &CEditControl::GetBackground);
        t.Bool("Read-Only", "Allow user to type text in the box?", false, &CEditControl::SetReadOnly,
               &CEditControl::GetReadOnly);
        t.Bool("Multiline", "Allow multiple lines of text?", false, &CEditControl::SetMultiline,
               &CEditControl::GetMultiline);
        t.Bool("Allow Selecting", "Allow user to select (i.e. mark) text?", true, &CEditControl::SetAllowSelecting,
               &CEditControl::GetAllowSelecting);
        t.Bool("All Caps", "Allow only CAPITAL LETTERS;\nautomatically convert lower case", false,
               &CEditControl::SetAllCaps, &CEditControl::GetAllCaps);
        t.Bool("Force Fixed Font", "Force fixed-width font to be used?", true, &CEditControl::SetForceFixedFont,
               &CEditControl::GetForceFixedFont);
        t.Bool("Word wrap", "Automatically wrap text at borders?", true, &CEditControl::SetWordWrap,
               &CEditControl::GetWordWrap);
        t.Bool("Hide Non-Printable Characters", "Hide non-printable characters?", true,
               &CEditControl::SetHideNonPrintable, &CEditControl::GetHideNonPrintable);
        t.Scalar<std::int32_t>("Text limit", "Maximum length of text user can type", 300, 0, 10000,
                               &CEditControl::SetTextLimit, &CEditControl::GetTextLimit);
        t.String("Permitted Chars", "List of permitted characters;\n leave blank to allow all characters", CString(),
                 &CEditControl::SetPermittedChars, &CEditControl::GetPermittedChars);
        return t;
    }();
    return table;
}

} // namespace

CEditControl::CEditControl()
{
    SetCursorType(CursorIBeam);
    m_model.SetTextLimit(DefaultTextLimit);
    m_model.SetText("MultiLineEdit");
    ApplyVisualization();
}

CEditControl::~CEditControl()
{
    if (m_blinkTimer != 0)
    {
        KillTimer(m_blinkTimer);
    }
}

CWindow* CEditControl::Create()
{
    return new CEditControl();
}

CVisualization* CEditControl::GetVisualization() const
{
    return VisualizationOf(*this);
}

CString CEditControl::GetDebugDescription() const
{
    return CString("CEditControl Content = ") + m_model.GetText();
}

void CEditControl::GetProperties(CPropertyList& list)
{
    CWindow::GetProperties(list);
    EditControlProperties().AppendTo(list, this);
}

// Size, layout and fonts

void CEditControl::FitToContent(bool apply)
{
    const std::int32_t width = std::max(GetSize().cx, 100);
    std::int32_t height = m_lineHeight * (m_multiline ? 6 : 1);
    if (m_frame)
    {
        height += m_borderTop + m_borderBottom;
    }
    if (apply)
    {
        SetSize(width, height);
    }
    else
    {
        EnsureMinimumSize(CSize(width, height));
    }
}

BaseLib::CResourcePtr<CFont> CEditControl::GetFont() const
{
    if (m_font)
    {
        return m_font;
    }
    CVisualization* visualization = GetVisualization();
    return visualization != nullptr ? visualization->GetFont(m_textStyle) : BaseLib::CResourcePtr<CFont>();
}

bool CEditControl::ApplyVisualization()
{
    if (const BaseLib::CResourcePtr<CFont> font = GetFont())
    {
        font->WaitUntilLoaded();
        m_lineHeight = font->GetHeight();
        m_glyphOffset = font->GetAscent();
    }
    if (CVisualization* visualization = GetVisualization())
    {
        const CRect borders = visualization->GetBorderWidths(FrameStyle);
        m_borderLeft = borders.left;
        m_borderTop = borders.top;
        m_borderRight = borders.right;
        m_borderBottom = borders.bottom;
    }
    m_scrollX = 0;
    FitToContent(false);
    OnSize();
    return CWindow::ApplyVisualization();
}

bool CEditControl::OnSize()
{
    const CSize size = GetSize();
    m_textWidth = size.cx - 2 * TextInset - (m_frame ? m_borderLeft + m_borderRight : 0);
    const std::int32_t textHeight = size.cy - (m_frame ? m_borderTop + m_borderBottom : 0);
    if (m_lineHeight > 0)
    {
        m_visibleLines = std::max(textHeight / m_lineHeight, 1);
        m_partialLine = m_visibleLines * m_lineHeight != textHeight;
    }
    LayoutLines();
    return true;
}

void CEditControl::LayoutLines()
{
    const BaseLib::CResourcePtr<CFont> font = GetFont();
    m_lines.Layout(m_model.GetText(), m_textWidth, font.Get(), m_multiline && m_wordWrap);
}

CRect CEditControl::GetTextArea() const
{
    CRect area = GetClientRect();
    if (m_frame)
    {
        area = CRect(area.left + m_borderLeft, area.top + m_borderTop, area.right - m_borderRight,
                     area.bottom - m_borderBottom);
    }
    return area;
}

CString CEditControl::Printable(const CString& text) const
{
    if (!m_hideNonPrintable || text.FindOneOf(0, "\r\n") < 0)
    {
        return text;
    }
    CString cleaned = text;
    cleaned.RemoveChar('\r');
    cleaned.RemoveChar('\n');
    return cleaned;
}

std::int32_t CEditControl::MeasureRange(std::int32_t from, std::int32_t to) const
{
    const BaseLib::CResourcePtr<CFont> font = GetFont();
    if (!font || to <= from)
    {
        return 0;
    }
    return font->GetTextWidth(Printable(m_model.GetText().Mid(from, to - from)));
}

// Cursor and caret

std::int32_t CEditControl::GetCursorLine() const
{
    if (!m_multiline)
    {
        return 0;
    }
    std::int32_t line = 0;
    const std::int32_t cursor = m_model.GetCursor();
    for (std::int32_t i = 1; i < m_lines.GetLineCount() && m_lines.GetLineStart(i) <= cursor; ++i)
    {
        line = i;
    }
    return line;
}

CPoint CEditControl::GetCaretPoint() const
{
    const CRect area = GetTextArea();
    const std::int32_t line = GetCursorLine();
    return CPoint(area.left + m_scrollX + TextInset + MeasureRange(m_lines.GetLineStart(line), m_model.GetCursor()),
                  area.top + (line - m_firstLine + 1) * m_lineHeight);
}

void CEditControl::PlaceCursorAtPoint(const CPoint& point, bool extend)
{
    extend = extend && m_allowSelecting;
    const CRect area = GetTextArea();
    const std::int32_t lastLine = std::max(m_lines.GetLineCount() - 1, 0);
    std::int32_t line = m_firstLine;
    if (point.y < 0)
    {
        line = m_firstLine - 1;
    }
    else if (m_lineHeight > 0)
    {
        line = (point.y - area.top) / m_lineHeight + m_firstLine;
    }
    line = std::clamp(line, 0, lastLine);

    const std::int32_t lineStart = m_lines.GetLineStart(line);
    const std::int32_t nextStart = m_lines.GetLineStart(line + 1);
    const std::int32_t originX = area.left + m_scrollX + TextInset;
    m_model.MoveCursorTo(lineStart, extend);
    const auto cursor = [this] { return m_model.GetCursor(); };
    while (originX + MeasureRange(lineStart, cursor()) < point.x && cursor() < m_model.GetLength() &&
           (line == lastLine || m_model.NextCharStart(cursor()) < nextStart))
    {
        m_model.MoveCursor(1, extend);
    }
    while (originX + MeasureRange(lineStart, cursor()) > point.x && cursor() > 0 && cursor() > lineStart)
    {
        m_model.MoveCursor(-1, extend);
    }
    while (GetCursorLine() > line)
    {
        m_model.MoveCursor(-1, extend);
    }
    Moved();
}

void CEditControl::SetCursorPosition(std::int32_t characterIndex)
{
    m_model.SetCursorToCharIndex(characterIndex);
    Invalidate(false);
}

void CEditControl::RestartBlink()
{
    if (m_blinkTimer == 0)
    {
        return;
    }
    m_caretShown = true;
    if (CWindowManager* manager = CWindowManager::GetInstance())
    {
        manager->SetTimerInterval(m_blinkTimer, BlinkMilliseconds);
    }
}

void CEditControl::Moved()
{
    RestartBlink();
    Invalidate(false);
}

// Notifications and clipboard

void CEditControl::Notify(const char* code, const CEditCallback& callback)
{
    if (AreEventsSuppressed())
    {
        return;
    }
    if (CWindowManager* manager = CWindowManager::GetInstance(); manager != nullptr && GetParentHandle() != 0)
    {
        manager->SendMessage(CWindowMessage(code, CWindowMessage::Input, 0, GetHandle()), GetParentHandle());
    }
    // The parent's handler may have suppressed this window's events.
    if (!AreEventsSuppressed() && callback.IsSet())
    {
        callback(this);
    }
}

bool CEditControl::NotifyChange()
{
    Notify("EditChng", m_changeCallback);
    return true;
}

bool CEditControl::NotifyUpdate()
{
    Notify("EditUpdt", m_updateCallback);
    return true;
}

bool CEditControl::OnTextChanged()
{
    m_changedSinceUpdate = true;
    LayoutLines();
    return NotifyChange();
}

bool CEditControl::Copy()
{
    if (!m_model.HasSelection())
    {
        return true;
    }
    CWindowManager* manager = CWindowManager::GetInstance();
    if (manager != nullptr && manager->OpenClipboard())
    {
        manager->SetClipboardText(m_model.GetSelectedText());
    }
    return true;
}

bool CEditControl::Cut()
{
    if (m_readOnly || !m_model.HasSelection())
    {
        return true;
    }
    Copy();
    m_model.DeleteForward();
    OnTextChanged();
    Moved();
    return true;
}

bool CEditControl::Paste()
{
    if (CWindowManager* manager = CWindowManager::GetInstance())
    {
        InsertText(manager->GetClipboardText());
    }
    return true;
}

void CEditControl::InsertText(const CString& text)
{
    if (m_readOnly)
    {
        return;
    }
    m_model.InsertText(m_allCaps ? text.ToUpper() : text);
    OnTextChanged();
    Moved();
}

// Messages, keys and mouse

bool CEditControl::OnMessage(const CWindowMessage& message)
{
    if (message.Is("Timer") && m_blinkTimer != 0 && message.first == m_blinkTimer)
    {
        m_caretShown = !m_caretShown;
        Invalidate(false);
        return true;
    }
    if (message.Is("sKeyUp"))
    {
        return true;
    }
    return CWindow::OnMessage(message);
}

bool CEditControl::OnActivate()
{
    if (m_blinkTimer != 0)
    {
        KillTimer(m_blinkTimer);
    }
    m_blinkTimer = SetTimer(BlinkMilliseconds, true);
    m_caretShown = true;
    m_changedSinceUpdate = false;
    Invalidate(false);
    return true;
}

bool CEditControl::OnDeactivate()
{
    if (m_blinkTimer != 0)
    {
        KillTimer(m_blinkTimer);
        m_blinkTimer = 0;
    }
    Invalidate(false);
    m_model.SelectRange(0, 0);
    if (m_changedSinceUpdate)
    {
        NotifyUpdate();
    }
    return true;
}

bool CEditControl::OnCharKey(std::uint32_t code, std::uint8_t modifiers)
{
    static_cast<void>(modifiers);
    if (m_readOnly || code < 32)
    {
        return true;
    }
    if (m_allCaps && code >= 'a' && code <= 'z')
    {
        code -= 'a' - 'A';
    }
    // Units above 16 bits never reach a character of the model; they are refused like any other.
    m_model.InsertChar(code <= 0xFFFF ? static_cast<char16_t>(code) : char16_t{0});
    OnTextChanged();
    Moved();
    return true;
}

bool CEditControl::OnKeyDown(std::uint32_t key, std::uint8_t modifiers)
{
    const bool control = (modifiers & CWindowMessage::Control) != 0;
    const bool extend = (modifiers & CWindowMessage::Shift) != 0 && m_allowSelecting;
    const std::int32_t line = GetCursorLine();
    const std::int32_t lastLine = std::max(m_lines.GetLineCount() - 1, 0);
    switch (key)
    {
    case 'A':
        if (control)
        {
            m_model.SelectRange(0, m_model.GetLength());
            Invalidate(false);
        }
        return true;
    case 'C':
        if (control)
        {
            Copy();
        }
        return true;
    case 'V':
        if (control && !m_readOnly)
        {
            Paste();
        }
        return true;
    case 'X':
        if (control && !m_readOnly)
        {
            Cut();
        }
        return true;
    case KeyBackspace:
    case KeyDelete:
        if (!m_readOnly)
        {
            if (key == KeyBackspace)
            {
                m_model.DeleteBackward();
            }
            else
            {
                m_model.DeleteForward();
            }
            OnTextChanged();
            Moved();
        }
        return true;
    case KeyEnter:
        if (!m_multiline)
        {
            NotifyUpdate();
            m_changedSinceUpdate = false;
        }
        else if (!m_readOnly)
        {
            m_model.InsertNewline();
            OnTextChanged();
            Moved();
        }
        return true;
    case KeyLeft:
    case KeyRight:
        if (control)
        {
            key == KeyLeft ? m_model.MoveToPreviousWord(extend) : m_model.MoveToNextWord(extend);
        }
        else
        {
            m_model.MoveCursor(key == KeyLeft ? -1 : 1, extend);
        }
        Moved();
        return true;
    case KeyHome:
        m_model.MoveCursorTo(control ? 0 : m_lines.GetLineStart(line), extend);
        Moved();
        return true;
    case KeyEnd:
        if (control || line >= lastLine)
        {
            m_model.MoveCursorTo(m_model.GetLength(), extend);
        }
        else
        {
            m_model.MoveCursorTo(m_lines.GetLineStart(line + 1), extend);
            while (GetCursorLine() > line)
            {
                m_model.MoveCursor(-1, extend);
            }
        }
        Moved();
        return true;
    case KeyUp:
    case KeyDown:
    {
        if (!m_multiline)
        {
            return false;
        }
        const bool atLineStart = m_model.GetCursor() == m_lines.GetLineStart(line);
        if (key == KeyUp && line > 0)
        {
            if (atLineStart)
            {
                m_model.MoveCursorTo(m_lines.GetLineStart(line - 1), extend);
            }
            else
            {
                CPoint point = GetCaretPoint();
                point.y -= m_lineHeight + m_lineHeight / 2;
                PlaceCursorAtPoint(point, extend);
            }
        }
        else if (key == KeyDown && line < lastLine)
        {
            if (atLineStart)
            {
                m_model.MoveCursorTo(m_lines.GetLineStart(line + 1), extend);
            }
            else
            {
                CPoint point = GetCaretPoint();
                point.y += m_lineHeight / 2;
                PlaceCursorAtPoint(point, extend);
            }
        }
        Moved();
        return true;
    }
    case KeyInsert:
        m_model.SetInsertMode(!m_model.IsInsertMode());
        return true;
    default:
        return false;
    }
}

bool CEditControl::OnMouseMove(CPoint& point, std::uint8_t modifiers)
{
    static_cast<void>(modifiers);
    if (m_selectingWithMouse)
    {
        PlaceCursorAtPoint(point, true);
    }
    return true;
}

bool CEditControl::OnLButtonDown(CPoint& point, std::uint8_t modifiers)
{
    static_cast<void>(modifiers);
    if (IsDisabled())
    {
        return true;
    }
    if (m_allowSelecting)
    {
        m_selectingWithMouse = true;
        if (CWindowManager* manager = CWindowManager::GetInstance())
        {
            manager->SetMouseCapture(this);
        }
    }
    PlaceCursorAtPoint(point, false);
    return true;
}

bool CEditControl::OnLButtonUp(CPoint& point, std::uint8_t modifiers)
{
    static_cast<void>(point);
    static_cast<void>(modifiers);
    if (m_selectingWithMouse)
    {
        m_selectingWithMouse = false;
        if (CWindowManager* manager = CWindowManager::GetInstance())
        {
            manager->ReleaseMouseCapture(this);
        }
        Invalidate(false);
    }
    return true;
}

bool CEditControl::OnLButtonDblClk(CPoint& point, std::uint8_t modifiers)
{
    static_cast<void>(point);
    static_cast<void>(modifiers);
    if (m_allowSelecting)
    {
        m_model.SelectWord();
        Invalidate(false);
    }
    return true;
}

// Setters

void CEditControl::SetText(const CString& text)
{
    if (text == m_model.GetText())
    {
        return;
    }
    m_model.SetText(text);
    OnTextChanged();
    Invalidate(false);
}

void CEditControl::SetFrame(bool frame)
{
    m_frame = frame;
    Invalidate(false);
}

void CEditControl::SetBackground(bool background)
{
    if (background == m_background)
    {
        return;
    }
    m_background = background;
    if (!background)
    {
        SetTransparent(true);
    }
    Invalidate(false);
}

void CEditControl::SetMultiline(bool multiline)
{
    m_multiline = multiline;
    m_model.SetCursorToCharIndex(0);
    LayoutLines();
    ApplyVisualization();
}

void CEditControl::SetAllowSelecting(bool allow)
{
    const bool clear = !allow && m_allowSelecting && m_model.HasSelection();
    m_allowSelecting = allow;
    if (clear)
    {
        m_model.SelectRange(0, 0);
        Invalidate(false);
    }
}

void CEditControl::SetAllCaps(bool allCaps)
{
    if (allCaps == m_allCaps)
    {
        return;
    }
    m_allCaps = allCaps;
    // Only switching it on changes the text; switching it off keeps what is there.
    if (allCaps)
    {
        m_model.MakeUpperCase();
        LayoutLines();
    }
    Invalidate(false);
}

void CEditControl::SetForceFixedFont(bool fixed)
{
    m_textStyle = fixed ? 1 : 3;
    ApplyVisualization();
}

void CEditControl::SetWordWrap(bool wrap)
{
    if (wrap == m_wordWrap)
    {
        return;
    }
    m_wordWrap = wrap;
    m_scrollX = 0;
    m_firstLine = 0;
    LayoutLines();
    Invalidate(false);
}

void CEditControl::SetHideNonPrintable(bool hide)
{
    m_hideNonPrintable = hide;
    Invalidate(false);
}

void CEditControl::SetFont(const BaseLib::CResourcePtr<CFont>& font)
{
    m_font = font;
    Invalidate(false);
    ApplyVisualization();
}

void CEditControl::SetBitmapFile(const CString& name)
{
    if (name.GetLength() == 0 || !m_caretBitmap.IsDifferentFile(name))
    {
        return;
    }
    m_caretBitmap = CBitmap(name);
    Invalidate(false);
}

// Painting

std::int32_t CEditControl::ScrollToCaret()
{
    const CRect area = GetTextArea();
    const std::int32_t line = GetCursorLine();
    std::int32_t caretX = area.left + m_scrollX + TextInset + MeasureRange(m_lines.GetLineStart(line), m_model.GetCursor());
    const std::int32_t width = GetSize().cx;
    const std::int32_t step = width / 4;
    if (step > 0)
    {
        while (caretX >= width - TextInset)
        {
            m_scrollX -= step;
            caretX -= step;
        }
        while (caretX < TextInset)
        {
            m_scrollX += step;
            caretX += step;
        }
    }
    if (line < m_firstLine)
    {
        m_firstLine = line;
    }
    else if (line >= m_firstLine + m_visibleLines)
    {
        m_firstLine = line - m_visibleLines + 1;
    }
    return caretX;
}

void CEditControl::Paint(CDrawContext& context)
{
    CVisualization* visualization = GetVisualization();
    const BaseLib::CResourcePtr<CFont> font = GetFont();
    const CRect area = GetTextArea();
    const std::int32_t caretX = ScrollToCaret();
    const bool disabled = IsDisabled();
    const std::uint32_t textFlags = disabled ? TextDisabled : 0u;
    if (m_background && visualization != nullptr)
    {
        visualization->FillBackground(context, area, disabled ? FillDisabled : FillWhite);
    }
    if (visualization != nullptr && font)
    {
        font->WaitUntilLoaded();
        const std::int32_t areaHeight = area.bottom - area.top;
        std::int32_t y = m_multiline ? area.top + m_glyphOffset
                                     : area.top + (areaHeight - m_lineHeight) / 2 + m_glyphOffset;
        const std::int32_t end =
            std::min(m_firstLine + m_visibleLines + (m_partialLine ? 1 : 0), m_lines.GetLineCount());
        for (std::int32_t line = m_firstLine; line < end; ++line, y += m_lineHeight)
        {
            const std::int32_t start = m_lines.GetLineStart(line);
            const std::int32_t stop = m_lines.GetLineEnd(line);
            std::int32_t x = area.left + m_scrollX + TextInset;
            const CString pieces[3] = {Printable(m_model.GetTextBeforeSelection(start, stop)),
                                       Printable(m_model.GetSelectedText(start, stop)),
                                       Printable(m_model.GetTextAfterSelection(start, stop))};
            for (int i = 0; i < 3; ++i)
            {
                if (pieces[i].GetLength() == 0)
                {
                    continue;
                }
                visualization->DrawTextAt(context, font, CPoint(x, y), pieces[i],
                                          textFlags | (i == 1 ? std::uint32_t{TextHighlighted} : 0u));
                x += font->GetTextWidth(pieces[i]);
            }
        }
    }
    if (HasFocus() && m_caretShown && !disabled)
    {
        const std::int32_t caretY =
            m_multiline ? (GetCursorLine() - m_firstLine + 1) * m_lineHeight + area.top
                        : area.top + (area.bottom - area.top - m_lineHeight) / 2 + m_lineHeight;
        if (m_caretBitmap.IsValid())
        {
            context.DrawBitmap(CPoint(caretX - m_caretBitmap.GetWidth() / 2,
                                      caretY - m_lineHeight + (m_lineHeight - m_caretBitmap.GetHeight()) / 2),
                               m_caretBitmap, true);
        }
        else if (visualization != nullptr)
        {
            visualization->DrawCaret(context, m_textStyle, CPoint(caretX, caretY));
        }
    }
    if (m_frame && visualization != nullptr)
    {
        visualization->DrawFrame(context, GetClientRect(), FrameStyle, disabled);
    }
}

} // namespace UILib
