#include "ui/controls/ProgressBar.h"

#include "ui/DrawContext.h"
#include "ui/controls/PropertyTable.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace UILib
{

using BaseLib::CColor;
using BaseLib::CPoint;
using BaseLib::CRect;

namespace
{

const CPropertyTable<CProgressBar>& ProgressBarProperties()
{
    static const CPropertyTable<CProgressBar> table = [] {
        constexpr float largest = std::numeric_limits<float>::max();
        CPropertyTable<CProgressBar> t;
        t.Scalar<float>("Range", "Maximum progess value.", 0.0f, 0.0f, largest, &CProgressBar::SetRange,
                        &CProgressBar::GetRange);
        t.Scalar<float>("Progress", "Current Progress; i.e. who far\nbar is filled.", 0.0f, 0.0f, largest,
                        &CProgressBar::SetProgress, &CProgressBar::GetProgress);
        t.Bool("Vertical", "Vertical bar?\nOtherwise: Horizontal.", false, &CProgressBar::SetVertical,
               &CProgressBar::GetVertical);
        t.Bool("Inverse", "Invert bar direction\n(e.g. top-down instead of bottom-up)", false,
               &CProgressBar::SetInverse, &CProgressBar::GetInverse);
        t.Color("Bar Color", "Color of the bar (if no bitmap is set)", CColor(0, 0, 255, 255),
                &CProgressBar::SetBarColor, &CProgressBar::GetBarColor);
        t.Color("Background Color", "Color of the background (if no bitmap is set)", CColor(255, 255, 255, 255),
                &CProgressBar::SetBackgroundColor, &CProgressBar::GetBackgroundColor);
        t.Filename("Bar Bitmap", "Bar Bitmap", ImageFileFilter, &CProgressBar::SetBarBitmapFile,
                   &CProgressBar::GetBarBitmapFile);
        t.Filename("Background Bitmap", "Background Bitmap", ImageFileFilter, &CProgressBar::SetBackgroundBitmapFile,
                   &CProgressBar::GetBackgroundBitmapFile);
        return t;
    }();
    return table;
}

// A bitmap with pixels to tile; an empty one (or one of no width or height) stands for none.
bool CanTile(const CBitmap& bitmap)
{
    return bitmap.IsValid() && bitmap.GetWidth() > 0 && bitmap.GetHeight() > 0;
}

// Tiles the bitmap over rect from its top-left corner, each tile cut to rect (and the context's clip).
void Tile(CDrawContext& context, const CRect& rect, const CBitmap& bitmap, bool blend)
{
    const std::int32_t width = bitmap.GetWidth();
    const std::int32_t height = bitmap.GetHeight();
    for (std::int32_t y = rect.top; y < rect.bottom; y += height)
    {
        for (std::int32_t x = rect.left; x < rect.right; x += width)
        {
            context.DrawBitmapSection(rect, CPoint(x, y), bitmap, blend);
        }
    }
}

} // namespace

CProgressBar::CProgressBar()
{
    SetWriteAlpha(true);
}

CWindow* CProgressBar::Create()
{
    return new CProgressBar();
}

void CProgressBar::GetProperties(CPropertyList& list)
{
    CWindow::GetProperties(list);
    ProgressBarProperties().AppendTo(list, this);
}

void CProgressBar::SetProgress(float progress)
{
    if (!(progress >= 0.0f))
    {
        progress = 0.0f;
    }
    progress = std::min(progress, m_range);
    if (progress != m_progress)
    {
        m_progress = progress;
        Invalidate(false);
    }
}

void CProgressBar::SetRange(float range)
{
    if (range == m_range)
    {
        return;
    }
    m_range = range >= 0.0f ? range : 0.0f;
    Invalidate(false);
}

void CProgressBar::SetVertical(bool vertical)
{
    if (vertical != m_vertical)
    {
        m_vertical = vertical;
        Invalidate(false);
    }
}

void CProgressBar::SetInverse(bool inverse)
{
    if (inverse != m_inverse)
    {
        m_inverse = inverse;
        Invalidate(false);
    }
}

void CProgressBar::SetBarColor(CColor colour)
{
    if (colour != m_barColour)
    {
        m_barColour = colour;
        Invalidate(false);
    }
}

void CProgressBar::SetBackgroundColor(CColor colour)
{
    if (colour != m_backgroundColour)
    {
        m_backgroundColour = colour;
        Invalidate(false);
    }
}

void CProgressBar::SetBarBitmapFile(const BaseLib::CString& file)
{
    m_barBitmap = CBitmap(file);
    Invalidate(false);
}

void CProgressBar::SetBackgroundBitmapFile(const BaseLib::CString& file)
{
    m_backgroundBitmap = CBitmap(file);
    Invalidate(false);
}

std::int32_t CProgressBar::GetBarLength() const
{
    if (!(m_range > 0.0f))
    {
        return 0;
    }
    const std::int32_t extent = m_vertical ? m_height : m_width;
    const float length = static_cast<float>(extent) / m_range * m_progress;
    if (!(length > 0.0f))
    {
        return 0;
    }
    return length >= static_cast<float>(extent) ? extent : static_cast<std::int32_t>(length);
}

void CProgressBar::Paint(CDrawContext& context)
{
    const std::int32_t w = m_width;
    const std::int32_t h = m_height;
    const std::int32_t length = GetBarLength();
    const bool blend = !GetWriteAlpha();
    const bool backgroundBitmap = CanTile(m_backgroundBitmap);
    if (backgroundBitmap)
    {
        Tile(context, GetClientRect(), m_backgroundBitmap, blend);
    }

    CRect bar;
    CRect rest;
    if (!m_vertical)
    {
        bar = m_inverse ? CRect(w - length, 0, w, h) : CRect(0, 0, length, h);
        rest = m_inverse ? CRect(0, 0, w - length, h) : CRect(length, 0, w, h);
    }
    else
    {
        bar = m_inverse ? CRect(0, 0, w, length) : CRect(0, h - length, w, h);
        rest = m_inverse ? CRect(0, length, w, h) : CRect(0, 0, w, h - length);
    }
    if (!backgroundBitmap && rest.right > rest.left && rest.bottom > rest.top)
    {
        context.FillRect(rest, m_backgroundColour);
    }
    if (bar.right <= bar.left || bar.bottom <= bar.top)
    {
        return;
    }
    if (CanTile(m_barBitmap))
    {
        Tile(context, bar, m_barBitmap, blend);
    }
    else
    {
        context.FillRect(bar, m_barColour);
    }
}

} // namespace UILib
