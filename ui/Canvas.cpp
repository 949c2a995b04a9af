#include "ui/Canvas.h"

#include "ui/AlphaBitmapFont.h"
#include "ui/Bitmap.h"
#include "ui/BitmapFont.h"
#include "foundation/Debug.h"
#include "ui/FontFactory.h"
#include "ui/TextChar.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace UILib
{

using BaseLib::CColor;
using BaseLib::CMatrix3x3;
using BaseLib::CPoint;
using BaseLib::CRect;

namespace
{

// floor(v + 0.5) as an integer; saturates beyond the 32-bit range, NaN gives 0.
std::int32_t RoundToInt(float v)
{
    const double rounded = std::floor(static_cast<double>(v) + 0.5);
    if (std::isnan(rounded))
    {
        return 0;
    }
    if (rounded >= 2147483647.0)
    {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (rounded <= -2147483648.0)
    {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(rounded);
}

} // namespace

CRect CCanvas::WholeCanvas() const
{
    const BaseLib::CSize size = GetSize();
    return CRect(0, 0, size.cx, size.cy);
}

CPoint CCanvas::TransformPoint(std::int32_t x, std::int32_t y) const
{
    const CMatrix3x3& m = m_inverseTransform;
    const float fx = static_cast<float>(x);
    const float fy = static_cast<float>(y);
    return CPoint(RoundToInt(fx * m.m[0][0] + fy * m.m[1][0] + m.m[2][0]),
                  RoundToInt(fx * m.m[0][1] + fy * m.m[1][1] + m.m[2][1]));
}

void CCanvas::AddDirtyRects(const BaseLib::CRectList& rects)
{
    for (std::uint32_t i = 0; i < rects.GetCount(); ++i)
    {
        AddDirtyRect(rects[i]);
    }
}

void CCanvas::AddDirtyRect(const CRect& rect)
{
    if (rect.right - rect.left >= 1 && rect.bottom - rect.top >= 1)
    {
        m_dirty.AddRect(rect);
    }
}

void CCanvas::RemoveDirtyRects(const BaseLib::CRectList& rects)
{
    for (std::uint32_t i = 0; i < rects.GetCount(); ++i)
    {
        RemoveDirtyRect(rects[i]);
    }
}

void CCanvas::RemoveDirtyRect(const CRect& rect)
{
    m_dirty.RemoveRect(rect);
}

CRect CCanvas::BitmapRectInClip(const CPoint& position, std::int32_t width, std::int32_t height,
                                const CRect& clip)
{
    const std::int64_t left = std::max<std::int64_t>(position.x, clip.left);
    const std::int64_t top = std::max<std::int64_t>(position.y, clip.top);
    const std::int64_t right = std::min<std::int64_t>(std::int64_t{position.x} + width, clip.right);
    const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{position.y} + height, clip.bottom);
    if (width <= 0 || height <= 0 || left >= right || top >= bottom)
    {
        return CRect();
    }
    return CRect(static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                 static_cast<std::int32_t>(right), static_cast<std::int32_t>(bottom));
}

void CCanvas::DrawBitmap(const CPoint& position, const CBitmap& bitmap, const CRect& clip, bool)
{
    const CColor* pixels = bitmap.GetPixels();
    const std::int32_t width = bitmap.GetWidth();
    if (pixels == nullptr)
    {
        return;
    }
    const CRect visible = BitmapRectInClip(position, width, bitmap.GetHeight(), clip);
    for (std::int32_t y = visible.top; y < visible.bottom; ++y)
    {
        const CColor* row = pixels + static_cast<std::ptrdiff_t>(y - position.y) * width - position.x;
        for (std::int32_t x = visible.left; x < visible.right; ++x)
        {
            SetPixel(x, y, row[x]);
        }
    }
}

bool CCanvas::CopyToBitmap(const CPoint& position, CBitmap& bitmap, const BaseLib::CSize& size)
{
    const std::int32_t bitmapWidth = bitmap.GetWidth();
    const std::int32_t bitmapHeight = bitmap.GetHeight();
    const BaseLib::CSize canvas = GetSize();
    std::int64_t width = size.cx < 0 ? bitmapWidth : size.cx;
    std::int64_t height = size.cy < 0 ? bitmapHeight : size.cy;
    width = std::min({width, std::int64_t{canvas.cx} - position.x, std::int64_t{bitmapWidth}});
    height = std::min({height, std::int64_t{canvas.cy} - position.y, std::int64_t{bitmapHeight}});
    if (width <= 0 || height <= 0)
    {
        return true;
    }
    CColor* pixels = bitmap.GetWritablePixels();
    if (pixels == nullptr)
    {
        return true;
    }
    for (std::int64_t y = 0; y < height; ++y)
    {
        for (std::int64_t x = 0; x < width; ++x)
        {
            *pixels++ = GetPixel(static_cast<std::int32_t>(position.x + x),
                                 static_cast<std::int32_t>(position.y + y));
        }
    }
    return true;
}

void CCanvas::Clear(CColor colour)
{
    FillRect(0, 0, 2147483647, 2147483647, colour);
}

void CCanvas::DrawLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, const CColor& colour)
{
    if (x1 == x2 && y1 == y2)
    {
        SetPixel(x1, y1, colour);
        return;
    }
    if (x1 == x2)
    {
        for (std::int32_t y = std::min(y1, y2); y <= std::max(y1, y2); ++y)
        {
            SetPixel(x1, y, colour);
        }
        return;
    }
    if (y1 == y2)
    {
        for (std::int32_t x = std::min(x1, x2); x <= std::max(x1, x2); ++x)
        {
            SetPixel(x, y1, colour);
        }
        return;
    }
    const float dx = static_cast<float>(x2) - static_cast<float>(x1);
    const float dy = static_cast<float>(y2) - static_cast<float>(y1);
    float n = std::max(std::fabs(dx), std::fabs(dy));
    const float stepX = dx / n;
    const float stepY = dy / n;
    float x = static_cast<float>(x1);
    float y = static_cast<float>(y1);
    while (n >= 0.0f)
    {
        SetPixel(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), colour);
        x += stepX;
        y += stepY;
        n -= 1.0f;
    }
}

void CCanvas::DrawRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                       const CColor& colour)
{
    const std::int32_t r = right - 1;
    const std::int32_t b = bottom - 1;
    DrawLine(left, top, r, top, colour);
    DrawLine(r, top, r, b, colour);
    DrawLine(r, b, left, b, colour);
    DrawLine(left, b, left, top, colour);
}

void CCanvas::FillRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                       const CColor& colour)
{
    // Cut to the canvas first: pixels outside would be dropped anyway, and Clear passes 2^31 - 1.
    const CRect whole = WholeCanvas();
    const std::int32_t x0 = std::max(std::min(left, right), whole.left);
    const std::int32_t x1 = std::min(std::max(left, right), whole.right);
    const std::int32_t y0 = std::max(std::min(top, bottom), whole.top);
    const std::int32_t y1 = std::min(std::max(top, bottom), whole.bottom);
    for (std::int32_t x = x0; x < x1; ++x)
    {
        for (std::int32_t y = y0; y < y1; ++y)
        {
            SetPixel(x, y, colour);
        }
    }
}

bool CCanvas::CircleSpan(std::int32_t i, std::int32_t radius, std::int32_t centreX, std::int32_t& x0,
                         std::int32_t& width)
{
    const std::int32_t d = i - radius;
    const float angle = static_cast<float>(d * 1.5707963705062866 / radius);
    const float cosine = static_cast<float>(std::cos(static_cast<double>(angle)));
    if (cosine < 0.0f)
    {
        // The first row's angle lies a hair beyond the right angle; its square root would be NaN.
        return false;
    }
    const float root = static_cast<float>(std::sqrt(static_cast<double>(cosine)));
    width = static_cast<std::int32_t>(static_cast<float>(2 * radius) * root);
    x0 = centreX - width / 2;
    return true;
}

void CCanvas::DrawCircle(const CPoint& centre, std::int32_t radius, const CColor& colour, const CRect& clip)
{
    for (std::int32_t i = 0; i < 2 * radius; ++i)
    {
        const std::int32_t y = centre.y - radius + i;
        std::int32_t x0 = 0;
        std::int32_t width = 0;
        if (y < clip.top || y >= clip.bottom || !CircleSpan(i, radius, centre.x, x0, width))
        {
            continue;
        }
        if (x0 >= clip.left)
        {
            SetPixel(x0, y, colour);
        }
        if (x0 + width < clip.right)
        {
            SetPixel(x0 + width, y, colour);
        }
    }
}

void CCanvas::FillCircle(const CPoint& centre, std::int32_t radius, const CColor& colour, const CRect& clip)
{
    for (std::int32_t i = 0; i < 2 * radius; ++i)
    {
        const std::int32_t y = centre.y - radius + i;
        std::int32_t x0 = 0;
        std::int32_t width = 0;
        if (y < clip.top || y >= clip.bottom || !CircleSpan(i, radius, centre.x, x0, width))
        {
            continue;
        }
        if (x0 < clip.left)
        {
            width -= clip.left - x0;
            x0 = clip.left;
        }
        if (x0 + width >= clip.right)
        {
            width = clip.right - x0;
        }
        for (std::int32_t x = x0; x < x0 + width; ++x)
        {
            SetPixel(x, y, colour);
        }
    }
}

void CCanvas::DrawAlphaMask(const CAlphaMask& mask, std::int32_t x, std::int32_t y, const CColor& colour,
                            const CRect& clip)
{
    if (mask.width <= 0 || mask.height <= 0 || mask.coverage == nullptr)
    {
        return;
    }
    const CRect drawn = CRect(x, y, x + mask.width, y + mask.height).Intersection(clip);
    if (drawn.IsEmpty())
    {
        return;
    }
    const std::uint32_t a0 = colour.GetAlpha();
    for (std::int32_t py = drawn.top; py < drawn.bottom; ++py)
    {
        const std::uint8_t* row = mask.coverage + static_cast<std::size_t>(py - y) * mask.width;
        for (std::int32_t px = drawn.left; px < drawn.right; ++px)
        {
            const std::uint32_t a = row[px - x];
            if (a == 0)
            {
                continue;
            }
            if (a >= 255)
            {
                SetPixel(px, py, colour);
                continue;
            }
            const CColor pixel = GetPixel(px, py);
            const auto mix = [a](std::uint32_t c, std::uint32_t p) {
                return static_cast<std::int32_t>((c * a + p * (256 - a)) >> 8);
            };
            SetPixel(px, py,
                     CColor(mix(colour.GetRed(), pixel.GetRed()), mix(colour.GetGreen(), pixel.GetGreen()),
                            mix(colour.GetBlue(), pixel.GetBlue()), static_cast<std::int32_t>(a0)));
        }
    }
}

CMatrix3x3 CCanvas::Multiply(const CMatrix3x3& a, const CMatrix3x3& b)
{
    CMatrix3x3 result;
    for (int i = 0; i < 3; ++i)
    {
        for (int j = 0; j < 3; ++j)
        {
            result.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j];
        }
    }
    return result;
}

CMatrix3x3 CCanvas::Translation(float x, float y)
{
    CMatrix3x3 result = CMatrix3x3::Identity;
    result.m[2][0] = x;
    result.m[2][1] = y;
    return result;
}

CMatrix3x3 CCanvas::Scaling(float x, float y)
{
    CMatrix3x3 result = CMatrix3x3::Identity;
    result.m[0][0] = x;
    result.m[1][1] = y;
    return result;
}

void CCanvas::UpdateTransform()
{
    m_combinedTransform = Multiply(m_localTransform, m_parentTransform);
    const auto& m = m_combinedTransform.m;
    const float det = m[0][0] * (m[1][1] * m[2][2] - m[2][1] * m[1][2]) +
                      m[0][1] * (m[2][0] * m[1][2] - m[1][0] * m[2][2]) +
                      m[0][2] * (m[2][1] * m[1][0] - m[2][0] * m[1][1]);
    if (std::fabs(det) <= 0.0001f)
    {
        m_inverseTransform = m_combinedTransform;
    }
    else
    {
        const float f = 1.0f / det;
        auto& inv = m_inverseTransform.m;
        inv[0][0] = (m[1][1] * m[2][2] - m[1][2] * m[2][1]) * f;
        inv[0][1] = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) * f;
        inv[0][2] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) * f;
        inv[1][0] = (m[1][2] * m[2][0] - m[1][0] * m[2][2]) * f;
        inv[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) * f;
        inv[1][2] = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) * f;
        inv[2][0] = (m[1][0] * m[2][1] - m[1][1] * m[2][0]) * f;
        inv[2][1] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) * f;
        inv[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) * f;
    }
    for (CCanvas* child : m_children)
    {
        if (child->m_parentTransform != m_combinedTransform)
        {
            child->m_parentTransform = m_combinedTransform;
            child->UpdateTransform();
        }
    }
}

void CCanvas::AddChildCanvas(CCanvas* child)
{
    m_children.push_back(child);
    child->SetParentTransform(m_combinedTransform);
}

void CCanvas::RemoveChildCanvas(CCanvas* child)
{
    auto found = std::find(m_children.begin(), m_children.end(), child);
    if (found != m_children.end())
    {
        m_children.erase(found);
    }
}

void CCanvas::SetParentTransform(const CMatrix3x3& matrix)
{
    if (matrix != m_parentTransform)
    {
        m_parentTransform = matrix;
        UpdateTransform();
    }
}

void CCanvas::SetLocalTransform(const CMatrix3x3& matrix)
{
    m_localTransform = matrix;
    UpdateTransform();
}

namespace
{

void WaitForFont(CFont& font)
{
    if (font.GetState() == BaseLib::ResourceScheduled)
    {
        font.WaitUntilLoaded();
    }
}

void Widen(BaseLib::CRect& area, const BaseLib::CRect& part)
{
    if (part.IsEmpty())
    {
        return;
    }
    if (area.IsEmpty())
    {
        area = part;
        return;
    }
    area = BaseLib::CRect(std::min(area.left, part.left), std::min(area.top, part.top),
                          std::max(area.right, part.right), std::max(area.bottom, part.bottom));
}

} // namespace

void CCanvas::DrawText(const BaseLib::CResourcePtr<CFont>& font, std::int32_t x, std::int32_t y,
                       BaseLib::CString text, BaseLib::CColor colour, const BaseLib::CRect& clip, std::int32_t reserved)
{
    if (!font)
    {
        return;
    }
    if (font->GetTypeTag() == AlphaBitmapFontTag)
    {
        DrawTextAlpha(font, x, y, std::move(text), colour, clip, reserved);
    }
    else if (font->GetTypeTag() == BitmapFontTag)
    {
        DrawTextBitmapFont(font, x, y, std::move(text), clip, reserved);
    }
}

void CCanvas::DrawTextBitmapFont(const BaseLib::CResourcePtr<CFont>& font, std::int32_t x, std::int32_t y,
                                 BaseLib::CString text, const BaseLib::CRect& clip, std::int32_t)
{
    if (!font || font->GetTypeTag() != BitmapFontTag)
    {
        return;
    }
    auto& bitmapFont = static_cast<CBitmapFont&>(*font);
    WaitForFont(bitmapFont);
    const BaseLib::CRect cut = clip.Intersection(WholeCanvas());
    if (x >= cut.right || y - bitmapFont.GetAscent() > cut.bottom || y + bitmapFont.GetDescent() < cut.top)
    {
        return;
    }
    std::int32_t pen = x;
    const char* cursor = text;
    char16_t previous = 0;
    bool first = true;
    while (*cursor != '\0' && pen < cut.right)
    {
        const char16_t character = DecodeTextChar(cursor);
        const std::int32_t kerning = first ? 0 : bitmapFont.GetKerning(previous, character);
        previous = character;
        first = false;
        const CBitmap* glyph = bitmapFont.FindGlyph(character);
        if (glyph == nullptr)
        {
            BaseLib::DebugOutput("Warning: BitmapFont: unsupported char %c (%d)\n", static_cast<char>(character),
                                 static_cast<int>(character));
            continue;
        }
        DrawBitmap(BaseLib::CPoint(pen + kerning, y - bitmapFont.GetAscent()), *glyph, cut, true);
        pen += kerning + glyph->GetWidth();
    }
}

void CCanvas::DrawTextInRect(const BaseLib::CResourcePtr<CFont>& font, const BaseLib::CRect& rect,
                             std::int32_t horizontal, std::int32_t vertical, BaseLib::CString text,
                             BaseLib::CColor colour, const BaseLib::CRect& clip, std::int32_t reserved)
{
    if (!font)
    {
        return;
    }
    WaitForFont(*font);
    std::int32_t y = 0;
    if (vertical == 1)
    {
        y = rect.top + font->GetAscent();
    }
    else if (vertical == 2)
    {
        y = rect.bottom - font->GetDescent();
    }
    else
    {
        y = rect.top + font->GetAscent() + (rect.bottom - rect.top - font->GetHeight()) / 2;
    }
    std::int32_t x = rect.left;
    if (horizontal != 1)
    {
        const std::int32_t width = font->GetTextWidth(text);
        x = horizontal == 2 ? rect.right - width : rect.left + (rect.right - rect.left - width) / 2;
    }
    DrawText(font, x, y, std::move(text), colour, clip, reserved);
}

void CCanvas::DrawTextAlpha(const BaseLib::CResourcePtr<CFont>& font, std::int32_t x, std::int32_t y,
                            BaseLib::CString text, BaseLib::CColor colour, const BaseLib::CRect& clip, std::int32_t)
{
    if (font && font->GetTypeTag() == AlphaBitmapFontTag)
    {
        DrawAlphaGlyphs(static_cast<CAlphaBitmapFont&>(*font), x, y, text, colour, clip);
    }
}

BaseLib::CRect CCanvas::DrawAlphaGlyphs(CAlphaBitmapFont& font, std::int32_t x, std::int32_t y,
                                        const BaseLib::CString& text, const BaseLib::CColor& colour,
                                        const BaseLib::CRect& clip)
{
    WaitForFont(font);
    const BaseLib::CRect cut = clip.Intersection(WholeCanvas());
    BaseLib::CRect drawn;
    std::int32_t pen = x;
    std::int32_t largestTop = 0;
    std::int32_t largestBelow = 0;
    const char* cursor = text;
    char16_t previous = 0;
    bool first = true;
    while (*cursor != '\0')
    {
        const char16_t character = DecodeTextChar(cursor);
        const std::int32_t kerning = first ? 0 : font.GetKerning(previous, character);
        const CAlphaGlyph* glyph = font.GetGlyph(character);
        const std::int32_t glyphX = pen + glyph->leftBearing + kerning;
        const std::int32_t glyphY = y - glyph->top;
        if (glyph->pixels != nullptr)
        {
            DrawAlphaMask(CAlphaMask{glyph->pixels.get(), glyph->width, glyph->height}, glyphX, glyphY, colour, cut);
            Widen(drawn, BaseLib::CRect(glyphX, glyphY, glyphX + glyph->width, glyphY + glyph->height).Intersection(cut));
        }
        pen = glyphX + glyph->width + glyph->rightBearing;
        previous = character;
        first = false;
        if (pen >= cut.right)
        {
            break;
        }
        largestTop = std::max(largestTop, glyph->top);
        largestBelow = std::max(largestBelow, glyph->height - glyph->top);
    }
    Widen(drawn, BaseLib::CRect(x, y - largestTop, pen, y + largestBelow).Intersection(cut));
    return drawn;
}

} // namespace UILib
