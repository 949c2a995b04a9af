#include "ui/PixelBufferCanvas.h"

#include "foundation/Clipping.h"
#include "ui/AlphaBitmapFont.h"
#include "ui/Bitmap.h"
#include "ui/FontFactory.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace UILib
{

using BaseLib::CColor;
using BaseLib::CPoint;
using BaseLib::CRect;

namespace
{

// CColor::BlendOver, inlined for the bitmap loop: red and blue are blended together in one word (each
// product sum stays below 2^16, so the fields never carry into each other).
inline CColor BlendOver(CColor under, CColor over, std::uint32_t alpha)
{
    const std::uint32_t d = under.argb;
    const std::uint32_t s = over.argb;
    const std::uint32_t rest = 255 - alpha;
    const std::uint32_t redBlue = (((s & 0xFF00FFu) * alpha + (d & 0xFF00FFu) * rest) >> 8) & 0xFF00FFu;
    const std::uint32_t green = (((s >> 8 & 0xFFu) * alpha + (d >> 8 & 0xFFu) * rest) >> 8) & 0xFFu;
    const std::uint32_t a = std::max(d >> 24, alpha);
    return CColor::FromArgb(a << 24 | redBlue | green << 8);
}

} // namespace

CPixelBufferCanvas::CPixelBufferCanvas(std::int32_t width, std::int32_t height)
    : m_width(width), m_height(height), m_bounds(0, 0, width, height), m_rowLength(width)
{}

void CPixelBufferCanvas::MarkAllDirty()
{
    if (m_width >= 1 && m_height >= 1)
    {
        AddDirtyRect(m_bounds);
    }
}

CColor CPixelBufferCanvas::GetPixel(std::int32_t x, std::int32_t y) const
{
    if (m_pixels == nullptr || x < 0 || y < 0 || x >= m_width || y >= m_height)
    {
        return CColor();
    }
    return Row(y)[x];
}

void CPixelBufferCanvas::SetPixel(std::int32_t x, std::int32_t y, const CColor& colour)
{
    if (m_pixels == nullptr || x < 0 || y < 0 || x >= m_width || y >= m_height)
    {
        return;
    }
    Row(y)[x] = colour;
    OnPixelChanged(x, y, colour.GetAlpha() == 0);
}

void CPixelBufferCanvas::DrawLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                                  const CColor& colour)
{
    StoreLine(x1, y1, x2, y2, colour, true);
}

void CPixelBufferCanvas::PlotLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                                  const CColor& colour)
{
    StoreLine(x1, y1, x2, y2, colour, false);
}

void CPixelBufferCanvas::StoreLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                                   const CColor& colour, bool report)
{
    if (m_pixels == nullptr)
    {
        return;
    }
    const bool transparent = colour.GetAlpha() == 0;
    if (x1 == x2 && y1 == y2)
    {
        if (report)
        {
            SetPixel(x1, y1, colour);
        }
        else if (x1 >= 0 && y1 >= 0 && x1 < m_width && y1 < m_height)
        {
            Row(y1)[x1] = colour;
        }
        return;
    }
    if (x1 == x2 || y1 == y2)
    {
        // A run along one axis: clamped to the bounds; a run wholly outside draws nothing.
        const bool vertical = x1 == x2;
        const std::int32_t across = vertical ? x1 : y1;
        const std::int32_t acrossLimit = vertical ? m_width : m_height;
        const std::int32_t alongLimit = vertical ? m_height : m_width;
        std::int32_t from = std::min(vertical ? y1 : x1, vertical ? y2 : x2);
        std::int32_t to = std::max(vertical ? y1 : x1, vertical ? y2 : x2);
        if (across < 0 || across >= acrossLimit || to < 0 || from >= alongLimit)
        {
            return;
        }
        from = std::max(from, 0);
        to = std::min(to, alongLimit - 1);
        if (from == to)
        {
            if (report)
            {
                vertical ? SetPixel(across, from, colour) : SetPixel(from, across, colour);
            }
            else
            {
                (vertical ? Row(from)[across] : Row(across)[from]) = colour;
            }
            return;
        }
        if (vertical)
        {
            if (report)
            {
                OnRectChanged(across, from, across + 1, to + 1, transparent);
            }
            for (std::int32_t y = from; y <= to; ++y)
            {
                Row(y)[across] = colour;
            }
        }
        else
        {
            if (report)
            {
                OnRectChanged(from, across, to + 1, across + 1, transparent);
            }
            std::fill(Row(across) + from, Row(across) + to + 1, colour);
        }
        return;
    }
    if (report)
    {
        OnRectChanged(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2) + 1, std::max(y1, y2) + 1, transparent);
    }
    CPoint a(x1, y1);
    CPoint b(x2, y2);
    if (!BaseLib::ClipLineToRect(m_bounds, a, b))
    {
        return;
    }
    const float dx = static_cast<float>(b.x) - static_cast<float>(a.x);
    const float dy = static_cast<float>(b.y) - static_cast<float>(a.y);
    float n = std::max(std::fabs(dx), std::fabs(dy));
    if (!(n > 0.0f))
    {
        return;
    }
    const float stepX = dx / n;
    const float stepY = dy / n;
    float x = static_cast<float>(a.x);
    float y = static_cast<float>(a.y);
    while (n >= 0.0f)
    {
        const std::int32_t px = static_cast<std::int32_t>(x);
        const std::int32_t py = static_cast<std::int32_t>(y);
        if (px >= 0 && py >= 0 && px < m_width && py < m_height)
        {
            Row(py)[px] = colour;
        }
        x += stepX;
        y += stepY;
        n -= 1.0f;
    }
}

void CPixelBufferCanvas::DrawRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                                  const CColor& colour)
{
    if (left < right && top < bottom)
    {
        CCanvas::DrawRect(left, top, right, bottom, colour);
    }
}

void CPixelBufferCanvas::FillRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                                  const CColor& colour)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, m_width);
    bottom = std::min(bottom, m_height);
    if (m_pixels == nullptr || left >= right || top >= bottom)
    {
        return;
    }
    OnRectChanged(left, top, right, bottom, colour.GetAlpha() == 0);
    for (std::int32_t y = top; y < bottom; ++y)
    {
        std::fill(Row(y) + left, Row(y) + right, colour);
    }
}

void CPixelBufferCanvas::DrawCircle(const CPoint& centre, std::int32_t radius, const CColor& colour,
                                    const CRect& clip)
{
    const CRect cut = clip.Intersection(m_bounds);
    if (m_pixels == nullptr || cut.IsEmpty())
    {
        return;
    }
    CCanvas::DrawCircle(centre, radius, colour, cut);
    const CRect box =
        CRect(centre.x - radius, centre.y - radius, centre.x + radius, centre.y + radius).Intersection(cut);
    if (!box.IsEmpty())
    {
        OnRectChanged(box.left, box.top, box.right, box.bottom, colour.GetAlpha() == 0);
    }
}

void CPixelBufferCanvas::FillCircle(const CPoint& centre, std::int32_t radius, const CColor& colour,
                                    const CRect& clip)
{
    const CRect cut = clip.Intersection(m_bounds);
    if (m_pixels == nullptr || cut.IsEmpty())
    {
        return;
    }
    for (std::int32_t i = 0; i < 2 * radius; ++i)
    {
        const std::int32_t y = centre.y - radius + i;
        std::int32_t x0 = 0;
        std::int32_t width = 0;
        if (y < cut.top || y >= cut.bottom || !CircleSpan(i, radius, centre.x, x0, width))
        {
            continue;
        }
        if (x0 < cut.left)
        {
            width -= cut.left - x0;
            x0 = cut.left;
        }
        if (x0 + width >= cut.right)
        {
            width = cut.right - x0;
        }
        if (width > 0)
        {
            std::fill(Row(y) + x0, Row(y) + x0 + width, colour);
        }
    }
    const CRect box =
        CRect(centre.x - radius, centre.y - radius, centre.x + radius, centre.y + radius).Intersection(cut);
    if (!box.IsEmpty())
    {
        OnRectChanged(box.left, box.top, box.right, box.bottom, colour.GetAlpha() == 0);
    }
}

void CPixelBufferCanvas::DrawBitmap(const CPoint& position, const CBitmap& bitmap, const CRect& clip,
                                    bool blend)
{
    const CColor* source = bitmap.GetPixels();
    if (m_pixels == nullptr || source == nullptr)
    {
        return;
    }
    const std::int32_t width = bitmap.GetWidth();
    const CRect visible = BitmapRectInClip(position, width, bitmap.GetHeight(), clip.Intersection(m_bounds));
    if (visible.IsEmpty())
    {
        return;
    }
    const std::size_t run = static_cast<std::size_t>(visible.right - visible.left);
    for (std::int32_t y = visible.top; y < visible.bottom; ++y)
    {
        const CColor* from =
            source + static_cast<std::ptrdiff_t>(y - position.y) * width + (visible.left - position.x);
        CColor* to = Row(y) + visible.left;
        if (!blend)
        {
            std::memcpy(static_cast<void*>(to), from, run * sizeof(CColor));
            continue;
        }
        for (std::size_t i = 0; i < run; ++i)
        {
            const CColor pixel = from[i];
            const std::uint32_t alpha = pixel.argb >> 24;
            if (alpha == 0)
            {
                continue;
            }
            if (alpha == 255)
            {
                to[i] = pixel;
                continue;
            }
            to[i] = BlendOver(to[i], pixel, alpha);
        }
    }
    OnRectChanged(visible.left, visible.top, visible.right, visible.bottom, false);
}

void CPixelBufferCanvas::DrawAlphaMask(const CAlphaMask& mask, std::int32_t x, std::int32_t y,
                                       const CColor& colour, const CRect& clip)
{
    if (m_pixels == nullptr || mask.coverage == nullptr || mask.width <= 0 || mask.height <= 0)
    {
        return;
    }
    const CRect drawn = CRect(x, y, x + mask.width, y + mask.height).Intersection(clip.Intersection(m_bounds));
    if (drawn.IsEmpty())
    {
        return;
    }
    for (std::int32_t py = drawn.top; py < drawn.bottom; ++py)
    {
        const std::uint8_t* coverage = mask.coverage + static_cast<std::size_t>(py - y) * mask.width + (drawn.left - x);
        CColor* pixel = Row(py) + drawn.left;
        for (std::int32_t px = drawn.left; px < drawn.right; ++px, ++coverage, ++pixel)
        {
            const std::uint8_t a = *coverage;
            if (a == 0)
            {
                continue;
            }
            if (a == 255)
            {
                *pixel = colour;
                continue;
            }
            CColor source = colour;
            source.SetAlpha(a);
            pixel->BlendOver(source);
        }
    }
}

void CPixelBufferCanvas::DrawTextAlpha(const BaseLib::CResourcePtr<CFont>& font, std::int32_t x, std::int32_t y,
                                       BaseLib::CString text, BaseLib::CColor colour, const CRect& clip, std::int32_t)
{
    if (!font || font->GetTypeTag() != AlphaBitmapFontTag)
    {
        return;
    }
    const CRect changed = DrawAlphaGlyphs(static_cast<CAlphaBitmapFont&>(*font), x, y, text, colour, clip);
    if (!changed.IsEmpty())
    {
        OnRectChanged(changed.left, changed.top, changed.right, changed.bottom, colour.GetAlpha() == 0);
    }
}

} // namespace UILib
