#include "ui/DrawContext.h"

#include "foundation/Clipping.h"
#include "ui/Canvas.h"

namespace UILib
{

using BaseLib::CPoint;
using BaseLib::CRect;

namespace
{

CRect Moved(const CRect& rect, const CPoint& by)
{
    return CRect(rect.left + by.x, rect.top + by.y, rect.right + by.x, rect.bottom + by.y);
}

} // namespace

CRect CDrawContext::GetLocalClipRect() const
{
    return Moved(m_clip, CPoint(-m_origin.x, -m_origin.y));
}

void CDrawContext::FillRect(const CRect& rect, const BaseLib::CColor& colour)
{
    const CRect visible = Moved(rect, m_origin).Intersection(m_clip);
    if (m_canvas != nullptr && !visible.IsEmpty())
    {
        m_canvas->FillRect(visible.left, visible.top, visible.right, visible.bottom, colour);
    }
}

void CDrawContext::DrawRectFrame(const CRect& rect, const BaseLib::CColor& colour)
{
    const CRect r = Moved(rect, m_origin);
    const CRect v = r.Intersection(m_clip);
    if (m_canvas == nullptr || v.IsEmpty())
    {
        return;
    }
    if (v.top == r.top)
    {
        m_canvas->DrawLine(v.left, v.top, v.right - 1, v.top, colour);
    }
    if (v.bottom == r.bottom)
    {
        m_canvas->DrawLine(v.left, v.bottom - 1, v.right - 1, v.bottom - 1, colour);
    }
    if (v.left == r.left)
    {
        m_canvas->DrawLine(v.left, v.top, v.left, v.bottom - 1, colour);
    }
    if (v.right == r.right)
    {
        m_canvas->DrawLine(v.right - 1, v.top, v.right - 1, v.bottom - 1, colour);
    }
}

void CDrawContext::DrawLine(const CPoint& from, const CPoint& to, const BaseLib::CColor& colour)
{
    CPoint a(from.x + m_origin.x, from.y + m_origin.y);
    CPoint b(to.x + m_origin.x, to.y + m_origin.y);
    if (m_canvas != nullptr && BaseLib::ClipLineToRect(m_clip, a, b))
    {
        m_canvas->DrawLine(a.x, a.y, b.x, b.y, colour);
    }
}

void CDrawContext::DrawBitmap(const CPoint& position, const CBitmap& bitmap, bool blend)
{
    if (m_canvas != nullptr)
    {
        m_canvas->DrawBitmap(CPoint(position.x + m_origin.x, position.y + m_origin.y), bitmap, m_clip, blend);
    }
}

void CDrawContext::DrawBitmapSection(const CRect& rect, const CPoint& position, const CBitmap& bitmap,
                                     bool blend)
{
    if (m_canvas != nullptr)
    {
        m_canvas->DrawBitmap(CPoint(position.x + m_origin.x, position.y + m_origin.y), bitmap,
                             Moved(rect, m_origin).Intersection(m_clip), blend);
    }
}

void CDrawContext::DrawText(const BaseLib::CResourcePtr<CFont>& font, const BaseLib::CRect& rect,
                            std::int32_t horizontal, std::int32_t vertical, const BaseLib::CString& text,
                            BaseLib::CColor colour, std::int32_t reserved)
{
    if (m_canvas == nullptr)
    {
        return;
    }
    const BaseLib::CRect moved(rect.left + m_origin.x, rect.top + m_origin.y, rect.right + m_origin.x,
                               rect.bottom + m_origin.y);
    m_canvas->DrawTextInRect(font, moved, horizontal, vertical, text, colour, m_clip, reserved);
}

void CDrawContext::DrawTextAt(const BaseLib::CResourcePtr<CFont>& font, std::int32_t x, std::int32_t y,
                              const BaseLib::CString& text, BaseLib::CColor colour, std::int32_t reserved)
{
    if (m_canvas != nullptr)
    {
        m_canvas->DrawText(font, x + m_origin.x, y + m_origin.y, text, colour, m_clip, reserved);
    }
}

} // namespace UILib
