#include "ui/controls/Label.h"

#include "ui/DrawContext.h"
#include "ui/FontFactory.h"
#include "ui/Localizer.h"
#include "ui/Visualization.h"
#include "ui/controls/PropertyTable.h"

#include <tinyxml.h>

#include <algorithm>

namespace UILib
{

using BaseLib::CColor;
using BaseLib::CPoint;
using BaseLib::CRect;
using BaseLib::CSize;
using BaseLib::CString;

namespace
{

const CPropertyTable<CLabel>& LabelProperties()
{
    static const CPropertyTable<CLabel> table = [] {
        CPropertyTable<CLabel> t;
        t.String("Text", "Text that appears on label", CString(), &CLabel::SetText, &CLabel::GetText);
        t.Filename("Bitmap", "Bitmap that appears on label", ImageFileFilter, &CLabel::SetBitmapFile,
                   &CLabel::GetBitmapFile);
        t.Bool("Background", "Fill background with color?", true, &CLabel::SetBackground, &CLabel::GetBackground);
        t.Bool("Word Wrap", "Wrap text at window borders?\n(disables auto-enlarge)", true, &CLabel::SetWordWrap,
               &CLabel::GetWordWrap);
        t.Bool("Auto-Enlarge", "Automatically enlarge\nwindow if text does not fit?", true, &CLabel::SetAutoEnlarge,
               &CLabel::GetAutoEnlarge);
        t.Enum("H-Alignment", "Horizontal Text Alignment", "Center", "Center Left Right",
               &CLabel::SetHorizontalAlignment, &CLabel::GetHorizontalAlignment);
        t.Enum("V-Alignment", "Vertical Text Alignment", "Center", "Center Top Bottom",
               &CLabel::SetVerticalAlignment, &CLabel::GetVerticalAlignment);
        t.String("Font", "Label font", CString(), &CLabel::SetFontName, &CLabel::GetFontDescription, "font");
        t.Color("Font Color", "Label font color", CColor(0, 0, 0, 255), &CLabel::SetFontColor,
                &CLabel::GetFontColor);
        return t;
    }();
    return table;
}

// Trailing line feeds cut off.
CString WithoutTrailingLineFeeds(const CString& line)
{
    const char* bytes = line;
    int length = line.GetLength();
    while (length > 0 && bytes[length - 1] == '\n')
    {
        --length;
    }
    return length == line.GetLength() ? line : line.Left(length);
}

} // namespace

CVisualization* VisualizationOf(const CWindow& window)
{
    CVisualizationRegistry* registry = CVisualizationRegistry::GetInstance();
    return registry != nullptr ? registry->GetVisualization(window.GetVisualizationId()) : nullptr;
}

CLabel::CLabel()
{
    m_text = "Label";
    SetSize(1, 1);
    LayoutText();
    SizeToContent(false);
    CWindow::ApplyVisualization();
}

CLabel::~CLabel() = default;

CWindow* CLabel::Create()
{
    return new CLabel();
}

CVisualization* CLabel::GetVisualization() const
{
    return VisualizationOf(*this);
}

void CLabel::GetProperties(CPropertyList& list)
{
    CWindow::GetProperties(list);
    LabelProperties().AppendTo(list, this);
}

CString CLabel::GetDebugDescription() const
{
    if (m_bitmap.IsValid())
    {
        return CString("CLabel Bitmap = ") + m_bitmap.GetFileName();
    }
    return CString("CLabel Label = ") + m_text;
}

// Text and bitmap

void CLabel::SetText(const CString& text)
{
    CString shown = text;
    if (text.GetLength() > 0 && static_cast<const char*>(text)[0] == '@')
    {
        shown = CLocalizer::GetInstance().Lookup(text);
    }
    const bool bothEmpty = shown.GetLength() == 0 && m_text.GetLength() == 0;
    if (bothEmpty || shown == m_text)
    {
        return;
    }
    m_text = shown;
    m_bitmap.Release();
    LayoutText();
    if (m_autoEnlarge)
    {
        SizeToContent(false);
    }
    Invalidate(false);
}

void CLabel::SetBitmap(const CBitmap& bitmap)
{
    if (bitmap == m_bitmap)
    {
        return;
    }
    m_text = CString();
    m_bitmap = bitmap;
    LayoutText();
    if (m_autoEnlarge)
    {
        SizeToContent(false);
    }
    Invalidate(false);
}

void CLabel::SetBitmapFile(const CString& file)
{
    if (!m_bitmap.IsDifferentFile(file))
    {
        return;
    }
    m_text = CString();
    m_bitmap = CBitmap(file);
    LayoutText();
    if (m_autoEnlarge)
    {
        SizeToContent(false);
    }
    Invalidate(false);
}

// Font

void CLabel::SetFont(const BaseLib::CResourcePtr<CFont>& font)
{
    m_font = font;
    LayoutText();
    if (m_autoEnlarge)
    {
        SizeToContent(false);
    }
    Invalidate(false);
}

BaseLib::CResourcePtr<CFont> CLabel::GetFont() const
{
    if (m_font)
    {
        return m_font;
    }
    CVisualization* visualization = GetVisualization();
    return visualization != nullptr ? visualization->GetFont(0) : BaseLib::CResourcePtr<CFont>();
}

void CLabel::SetFontName(const CString& description)
{
    SetFont(LoadFontDescription(CFontFactory::GetCurrent(), description));
}

CString CLabel::GetFontDescription() const
{
    const BaseLib::CResourcePtr<CFont> font = GetFont();
    if (!font)
    {
        return CString();
    }
    TiXmlDocument document;
    font->SaveXml(&document);
    TiXmlPrinter printer;
    printer.SetStreamPrinting();
    document.Accept(&printer);
    return CString(printer.CStr());
}

void CLabel::SetFontColor(CColor colour)
{
    m_fontColour = colour;
    m_ownFontColour = true;
    Invalidate(false);
}

CColor CLabel::GetFontColor() const
{
    return m_ownFontColour ? m_fontColour : CColor(0, 0, 0, 255);
}

// Flags and alignment

void SwitchBackground(CWindow& window, bool& flag, bool on)
{
    if (on == flag)
    {
        return;
    }
    flag = on;
    if (!on)
    {
        window.SetTransparent(true);
    }
    window.Invalidate(false);
}

void CLabel::SetBackground(bool on)
{
    SwitchBackground(*this, m_background, on);
}

void CLabel::SetWordWrap(bool on)
{
    if (on == m_wordWrap)
    {
        return;
    }
    m_wordWrap = on;
    if (on)
    {
        m_autoEnlarge = false;
    }
    LayoutText();
    Invalidate(false);
}

void CLabel::SetAutoEnlarge(bool on)
{
    m_autoEnlarge = on;
    if (on)
    {
        SetWordWrap(false);
    }
}

void CLabel::SetHorizontalAlignment(int alignment)
{
    if (alignment != m_horizontalAlignment)
    {
        m_horizontalAlignment = alignment;
        Invalidate(false);
    }
}

void CLabel::SetVerticalAlignment(int alignment)
{
    if (alignment != m_verticalAlignment)
    {
        m_verticalAlignment = alignment;
        Invalidate(false);
    }
}

void CLabel::SetAlignment(int horizontal, int vertical)
{
    if (horizontal != m_horizontalAlignment || vertical != m_verticalAlignment)
    {
        m_horizontalAlignment = horizontal;
        m_verticalAlignment = vertical;
        Invalidate(false);
    }
}

void CLabel::SetState(int state)
{
    if (state != m_state)
    {
        m_state = state;
        Invalidate(false);
    }
}

void CLabel::SetBackgroundStyle(int style)
{
    if (style != m_backgroundStyle)
    {
        m_backgroundStyle = style;
        Invalidate(false);
    }
}

// Layout and size

void CLabel::LayoutText()
{
    if (m_wordWrap)
    {
        const BaseLib::CResourcePtr<CFont> font = GetFont();
        if (font)
        {
            font->WaitUntilLoaded();
        }
        m_lines.Layout(m_text, m_width, font.Get(), true);
    }
    else
    {
        m_lines.Layout(m_text, 0, nullptr, false);
    }
}

CSize CLabel::GetContentSize() const
{
    if (m_bitmap.IsValid())
    {
        return m_bitmap.GetSize();
    }
    const BaseLib::CResourcePtr<CFont> font = GetFont();
    if (!font)
    {
        return CSize(0, 0);
    }
    font->WaitUntilLoaded();
    const std::int32_t lineHeight = font->GetHeight();
    const std::int32_t lines = m_lines.GetLineCount();
    if (lines <= 1)
    {
        return CSize(font->GetTextWidth(m_text), lineHeight);
    }
    std::int32_t widest = 0;
    for (std::int32_t i = 0; i < lines; ++i)
    {
        widest = std::max(widest, font->GetTextWidth(GetTextLine(i)));
    }
    return CSize(widest, lines * lineHeight);
}

void CLabel::FitToContent(bool exact)
{
    const CSize size = GetContentSize();
    if (exact)
    {
        SetSize(size.cx, size.cy);
    }
    else
    {
        EnsureMinimumSize(size);
    }
}

bool CLabel::OnSize()
{
    LayoutText();
    return true;
}

bool CLabel::ApplyVisualization()
{
    LayoutText();
    if (m_autoEnlarge)
    {
        SizeToContent(false);
    }
    return CWindow::ApplyVisualization();
}

CString CLabel::GetTextLine(std::int32_t index) const
{
    return WithoutTrailingLineFeeds(m_lines.GetLine(index));
}

CPoint CLabel::GetBitmapPlacement() const
{
    const auto place = [](std::int32_t alignment, std::int32_t room) {
        return alignment == 1 ? 0 : alignment == 2 ? room : room / 2;
    };
    return CPoint(place(m_horizontalAlignment, m_width - m_bitmap.GetWidth()),
                  place(m_verticalAlignment, m_height - m_bitmap.GetHeight()));
}

bool CLabel::HitTestBitmapAlpha(std::int32_t x, std::int32_t y) const
{
    if (!m_bitmap.IsValid() || x < 0 || y < 0 || x >= m_width || y >= m_height)
    {
        return false;
    }
    const CPoint origin = GetBitmapPlacement();
    const std::int32_t bx = x - origin.x;
    const std::int32_t by = y - origin.y;
    const BaseLib::CColor* pixels = m_bitmap.GetPixels();
    if (pixels == nullptr || bx < 0 || by < 0 || bx >= m_bitmap.GetWidth() || by >= m_bitmap.GetHeight())
    {
        return false;
    }
    return pixels[static_cast<std::size_t>(by) * static_cast<std::size_t>(m_bitmap.GetWidth()) +
                  static_cast<std::size_t>(bx)]
               .GetAlpha() != 0;
}

// Painting

bool CLabel::BitmapCoversWindow() const
{
    return m_bitmap.IsValid() && m_bitmap.GetWidth() >= m_width && m_bitmap.GetHeight() >= m_height;
}

void CLabel::PaintBackgroundAndBitmap(CDrawContext& context)
{
    const CRect client = GetClientRect();
    if (m_background)
    {
        if (!(GetWriteAlpha() && BitmapCoversWindow()))
        {
            if (CVisualization* visualization = GetVisualization())
            {
                visualization->FillBackground(context, client, m_backgroundStyle);
            }
        }
    }
    else if ((GetWriteAlpha() || HasOwnCanvas()) && !BitmapCoversWindow())
    {
        context.FillRect(client, CColor::FromArgb(0x00FFFFFFu));
    }
    if (m_bitmap.IsValid())
    {
        context.DrawBitmap(GetBitmapPlacement(), m_bitmap, !GetWriteAlpha());
    }
}

void CLabel::PaintText(CDrawContext& context)
{
    if (m_text.GetLength() == 0)
    {
        return;
    }
    const BaseLib::CResourcePtr<CFont> font = GetFont();
    CVisualization* visualization = GetVisualization();
    const std::uint32_t textState = IsDisabled()      ? std::uint32_t{TextDisabled}
                                    : m_state == 1 ? std::uint32_t{TextHighlighted}
                                                   : 0u;
    const auto draw = [&](const CRect& rect, std::int32_t vertical, const CString& text) {
        if (m_ownFontColour)
        {
            // The colour's alpha is written with the glyphs: with Write Alpha or an own canvas that is
            // what the text should leave in the picture.
            context.DrawText(font, rect, m_horizontalAlignment, vertical, text, m_fontColour, 0);
        }
        else if (visualization != nullptr)
        {
            visualization->DrawText(context, font, rect, m_horizontalAlignment, vertical, text, textState);
        }
    };
    const std::int32_t lines = m_lines.GetLineCount();
    if (lines <= 1)
    {
        draw(GetClientRect(), m_verticalAlignment, m_text);
        return;
    }
    if (!font)
    {
        return;
    }
    font->WaitUntilLoaded();
    const std::int32_t lineHeight = font->GetHeight();
    const std::int32_t room = m_height - lines * lineHeight;
    std::int32_t top = m_verticalAlignment == 1 ? 0 : m_verticalAlignment == 2 ? room : room / 2;
    for (std::int32_t i = 0; i < lines; ++i, top += lineHeight)
    {
        draw(CRect(0, top, m_width, top + lineHeight), 0, GetTextLine(i));
    }
}

void CLabel::Paint(CDrawContext& context)
{
    PaintBackgroundAndBitmap(context);
    PaintText(context);
}

} // namespace UILib
