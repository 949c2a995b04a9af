#pragma once

#include "foundation/Color.h"
#include "foundation/Point.h"
#include "foundation/Rect.h"
#include "foundation/Resource.h"
#include "foundation/String.h"

#include <cstdint>

namespace UILib
{

class CBitmap;
class CCanvas;
class CFont;

// What a window paints with: a canvas, the window's origin on it and the clip the window may touch.
// Every position passed in is local (the origin is added); every shape is cut to the clip before the
// canvas sees it, and nothing reaches the canvas when nothing is left.
class CDrawContext
{
public:
    explicit CDrawContext(CCanvas* canvas = nullptr) : m_canvas(canvas) {}

    void SetCanvas(CCanvas* canvas) { m_canvas = canvas; }
    CCanvas* GetCanvas() const { return m_canvas; }
    // Canvas coordinates.
    void SetClipRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
    {
        m_clip = BaseLib::CRect(left, top, right, bottom);
    }
    const BaseLib::CRect& GetClipRect() const { return m_clip; }
    void SetOrigin(std::int32_t x, std::int32_t y) { m_origin = BaseLib::CPoint(x, y); }
    const BaseLib::CPoint& GetOrigin() const { return m_origin; }
    // The clip in local coordinates.
    BaseLib::CRect GetLocalClipRect() const;

    void FillRect(const BaseLib::CRect& rect, const BaseLib::CColor& colour);
    // The edges of rect that the clip leaves visible, cut at the clip: top, bottom, left, right.
    void DrawRectFrame(const BaseLib::CRect& rect, const BaseLib::CColor& colour);
    void DrawLine(const BaseLib::CPoint& from, const BaseLib::CPoint& to, const BaseLib::CColor& colour);
    // The canvas's DrawBitmap at position + origin within the clip.
    void DrawBitmap(const BaseLib::CPoint& position, const CBitmap& bitmap, bool blend);
    // Only the part of the bitmap inside rect (local): the clip is cut to rect + origin.
    void DrawBitmapSection(const BaseLib::CRect& rect, const BaseLib::CPoint& position, const CBitmap& bitmap,
                           bool blend);

    // The canvas's DrawTextInRect with the rectangle + origin, within the clip.
    void DrawText(const BaseLib::CResourcePtr<CFont>& font, const BaseLib::CRect& rect, std::int32_t horizontal,
                  std::int32_t vertical, const BaseLib::CString& text, BaseLib::CColor colour, std::int32_t reserved);
    // The canvas's DrawText at (x, y) + origin, y the baseline, within the clip.
    void DrawTextAt(const BaseLib::CResourcePtr<CFont>& font, std::int32_t x, std::int32_t y,
                    const BaseLib::CString& text, BaseLib::CColor colour, std::int32_t reserved);

private:
    BaseLib::CPoint m_origin;
    BaseLib::CRect m_clip;
    CCanvas* m_canvas;
};

} // namespace UILib
