#pragma once

#include "foundation/Color.h"
#include "foundation/Matrix.h"
#include "foundation/Point.h"
#include "foundation/Property.h"
#include "foundation/Rect.h"
#include "foundation/RectList.h"
#include "foundation/Resource.h"
#include "foundation/String.h"

#include <cstdint>
#include <vector>

namespace UILib
{

class CBitmap;
class CFont;
class CAlphaBitmapFont;

using CPropertyList = std::vector<BaseLib::CGenericProperty>;

// An 8-bit coverage image: height rows of width bytes, not owned.
struct CAlphaMask
{
    const std::uint8_t* coverage = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// The abstract drawing surface. Rectangles are left, top, right, bottom with right and bottom
// exclusive; colours are CColor words. The shape operations have defaults built on GetPixel/SetPixel
// alone; concrete canvases replace them with direct stores. Canvases form a tree whose 2D transforms
// chain (row vectors: (x, y, 1) times the matrix), so a screen point maps into any canvas. A canvas
// owns neither its children nor what it draws.
class CCanvas
{
public:
    CCanvas() = default;
    virtual ~CCanvas() = default;
    CCanvas(const CCanvas&) = delete;
    CCanvas& operator=(const CCanvas&) = delete;

    virtual void Destroy() = 0;
    virtual std::uint32_t GetTypeTag() const = 0;
    virtual void Resize(std::int32_t width, std::int32_t height) = 0;
    virtual BaseLib::CSize GetSize() const = 0;
    virtual void SetPosition(std::int32_t x, std::int32_t y) = 0;
    virtual BaseLib::CPoint GetPosition() const = 0;
    // The point through the inverse of the combined transform, each coordinate rounded as
    // floor(v + 0.5); beyond the 32-bit range it saturates, a result that is not a number gives 0.
    virtual BaseLib::CPoint TransformPoint(std::int32_t x, std::int32_t y) const;
    virtual void Render(void* target) = 0;
    virtual void GetProperties(CPropertyList&) {}
    virtual void BeginDraw() = 0;
    virtual void EndDraw(bool clearDirtyList) = 0;

    // The dirty list: non-overlapping rectangles; one narrower or lower than 1 is ignored.
    virtual void AddDirtyRects(const BaseLib::CRectList& rects);
    virtual void AddDirtyRect(const BaseLib::CRect& rect);
    virtual void MarkAllDirty() = 0;
    virtual void RemoveDirtyRects(const BaseLib::CRectList& rects);
    virtual void RemoveDirtyRect(const BaseLib::CRect& rect);
    virtual void ClearDirtyRects() { m_dirty.Clear(); }
    virtual const BaseLib::CRectList& GetDirtyRects() const { return m_dirty; }

    // FillRect over everything.
    virtual void Clear(BaseLib::CColor colour);
    virtual BaseLib::CColor GetPixel(const BaseLib::CPoint& point) const { return GetPixel(point.x, point.y); }
    virtual BaseLib::CColor GetPixel(std::int32_t x, std::int32_t y) const = 0;
    virtual void SetPixel(const BaseLib::CPoint& point, const BaseLib::CColor& colour) { SetPixel(point.x, point.y, colour); }
    virtual void SetPixel(std::int32_t x, std::int32_t y, const BaseLib::CColor& colour) = 0;
    virtual void DrawLine(const BaseLib::CPoint& from, const BaseLib::CPoint& to, const BaseLib::CColor& colour)
    {
        DrawLine(from.x, from.y, to.x, to.y, colour);
    }
    // Both ends included; a slanted line steps in floats, n + 1 pixels for n = max(|dx|, |dy|).
    virtual void DrawLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                          const BaseLib::CColor& colour);
    virtual void DrawRect(const BaseLib::CRect& rect, const BaseLib::CColor& colour)
    {
        DrawRect(rect.left, rect.top, rect.right, rect.bottom, colour);
    }
    virtual void DrawRect(const BaseLib::CPoint& topLeft, const BaseLib::CPoint& bottomRight,
                          const BaseLib::CColor& colour)
    {
        DrawRect(topLeft.x, topLeft.y, bottomRight.x, bottomRight.y, colour);
    }
    // Four lines along the inside of the border: top, right, bottom, left.
    virtual void DrawRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                          const BaseLib::CColor& colour);
    virtual void FillRect(const BaseLib::CRect& rect, const BaseLib::CColor& colour)
    {
        FillRect(rect.left, rect.top, rect.right, rect.bottom, colour);
    }
    virtual void FillRect(const BaseLib::CPoint& topLeft, const BaseLib::CPoint& bottomRight,
                          const BaseLib::CColor& colour)
    {
        FillRect(topLeft.x, topLeft.y, bottomRight.x, bottomRight.y, colour);
    }
    // Corners sorted, cut to the canvas, then every pixel set (columns outer, rows inner).
    virtual void FillRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                          const BaseLib::CColor& colour);

    // Circles: one span per row from cy - radius to cy + radius - 1, rows outside the clip skipped.
    virtual void DrawCircle(std::int32_t x, std::int32_t y, std::int32_t radius, const BaseLib::CColor& colour,
                            const BaseLib::CRect& clip)
    {
        DrawCircle(BaseLib::CPoint(x, y), radius, colour, clip);
    }
    virtual void DrawCircle(const BaseLib::CPoint& centre, std::int32_t radius, const BaseLib::CColor& colour,
                            const BaseLib::CRect& clip);
    virtual void DrawCircle(std::int32_t x, std::int32_t y, std::int32_t radius, const BaseLib::CColor& colour)
    {
        DrawCircle(BaseLib::CPoint(x, y), radius, colour, WholeCanvas());
    }
    virtual void DrawCircle(const BaseLib::CPoint& centre, std::int32_t radius, const BaseLib::CColor& colour)
    {
        DrawCircle(centre, radius, colour, WholeCanvas());
    }
    virtual void FillCircle(std::int32_t x, std::int32_t y, std::int32_t radius, const BaseLib::CColor& colour,
                            const BaseLib::CRect& clip)
    {
        FillCircle(BaseLib::CPoint(x, y), radius, colour, clip);
    }
    virtual void FillCircle(const BaseLib::CPoint& centre, std::int32_t radius, const BaseLib::CColor& colour,
                            const BaseLib::CRect& clip);
    virtual void FillCircle(std::int32_t x, std::int32_t y, std::int32_t radius, const BaseLib::CColor& colour)
    {
        FillCircle(BaseLib::CPoint(x, y), radius, colour, WholeCanvas());
    }
    virtual void FillCircle(const BaseLib::CPoint& centre, std::int32_t radius, const BaseLib::CColor& colour)
    {
        FillCircle(centre, radius, colour, WholeCanvas());
    }

    // The part of the bitmap at position that lies inside the clip, copied pixel by pixel with SetPixel
    // (the default never blends).
    virtual void DrawBitmap(const BaseLib::CPoint& position, const CBitmap& bitmap,
                            const BaseLib::CRect& clip, bool blend);
    virtual void DrawBitmap(const BaseLib::CPoint& position, const CBitmap& bitmap, bool blend)
    {
        DrawBitmap(position, bitmap, WholeCanvas(), blend);
    }
    // The canvas pixels of the rectangle at position into the bitmap's private pixels, rows one after the
    // other. A size component below 0 means the bitmap's own; the size is cut to the canvas from position
    // and to the bitmap. Returns true.
    virtual bool CopyToBitmap(const BaseLib::CPoint& position, CBitmap& bitmap, const BaseLib::CSize& size);

    // Coverage 0 leaves a pixel, 255 sets the colour, between: each of blue, green, red becomes
    // (colour * a + pixel * (256 - a)) >> 8 and alpha the colour's.
    virtual void DrawAlphaMask(const CAlphaMask& mask, std::int32_t x, std::int32_t y,
                               const BaseLib::CColor& colour, const BaseLib::CRect& clip);

    // Text in UTF-8 with a font: "BMPA" fonts go to DrawTextAlpha; any other kind and a null font draw
    // nothing. y is the baseline. The clip does not have to lie inside the canvas. "reserved" is passed
    // on and read by none.
    virtual void DrawText(const BaseLib::CResourcePtr<CFont>& font, std::int32_t x, std::int32_t y,
                          BaseLib::CString text, BaseLib::CColor colour, const BaseLib::CRect& clip,
                          std::int32_t reserved);
    virtual void DrawText(const BaseLib::CResourcePtr<CFont>& font, std::int32_t x, std::int32_t y,
                          BaseLib::CString text, BaseLib::CColor colour, std::int32_t reserved)
    {
        DrawText(font, x, y, std::move(text), colour, WholeCanvas(), reserved);
    }
    // Aligned in the rectangle (1 left/top, 2 right/bottom, else centred, halvings truncating), then
    // DrawText with the clip; the rectangle itself does not clip.
    virtual void DrawTextInRect(const BaseLib::CResourcePtr<CFont>& font, const BaseLib::CRect& rect,
                                std::int32_t horizontal, std::int32_t vertical, BaseLib::CString text,
                                BaseLib::CColor colour, const BaseLib::CRect& clip, std::int32_t reserved);
    virtual void DrawTextInRect(const BaseLib::CResourcePtr<CFont>& font, const BaseLib::CRect& rect,
                                std::int32_t horizontal, std::int32_t vertical, BaseLib::CString text,
                                BaseLib::CColor colour, std::int32_t reserved)
    {
        DrawTextInRect(font, rect, horizontal, vertical, std::move(text), colour, WholeCanvas(), reserved);
    }
    // Each glyph's coverage through DrawAlphaMask at (pen + left bearing + kerning, baseline - top); the
    // pen then moves past the glyph; drawing stops once the pen reaches the clip's right edge (the glyph
    // crossing it is drawn, clipped). The clip is cut to the canvas first.
    virtual void DrawTextAlpha(const BaseLib::CResourcePtr<CFont>& font, std::int32_t x, std::int32_t y,
                               BaseLib::CString text, BaseLib::CColor colour, const BaseLib::CRect& clip,
                               std::int32_t reserved);

    // Each glyph bitmap FindGlyph finds, blended at (pen + kerning, baseline − ascent), the pen moving by
    // kerning + its width; a character without glyph traces a warning and the pen stays. Nothing when x
    // or the text's rows lie outside the clip (cut to the canvas); stops once the pen reaches its right.
    virtual void DrawTextBitmapFont(const BaseLib::CResourcePtr<CFont>& font, std::int32_t x, std::int32_t y,
                                    BaseLib::CString text, const BaseLib::CRect& clip, std::int32_t reserved);

    // combined = local x parent; inverse by adjugate / determinant (the combined matrix itself when
    // |det| <= 0.0001); then each child whose parent transform differs takes the new combined matrix.
    virtual void UpdateTransform();

    // The glyph drawing of DrawTextAlpha; answers the area it changed: the rectangle from x to the pen
    // over the tallest extent of the glyphs after which drawing went on, widened to every glyph
    // rectangle drawn, all cut by the clip (cut to the canvas).
    BaseLib::CRect DrawAlphaGlyphs(CAlphaBitmapFont& font, std::int32_t x, std::int32_t y, const BaseLib::CString& text,
                                   const BaseLib::CColor& colour, const BaseLib::CRect& clip);

    // Appends the child and hands it this canvas's combined transform.
    void AddChildCanvas(CCanvas* child);
    // Takes out the first equal pointer; nothing when absent.
    void RemoveChildCanvas(CCanvas* child);
    const std::vector<CCanvas*>& GetChildCanvases() const { return m_children; }
    // Nothing when equal element by element; else stores it and updates.
    void SetParentTransform(const BaseLib::CMatrix3x3& matrix);
    void SetLocalTransform(const BaseLib::CMatrix3x3& matrix);
    const BaseLib::CMatrix3x3& GetParentTransform() const { return m_parentTransform; }
    const BaseLib::CMatrix3x3& GetLocalTransform() const { return m_localTransform; }
    const BaseLib::CMatrix3x3& GetCombinedTransform() const { return m_combinedTransform; }
    const BaseLib::CMatrix3x3& GetInverseTransform() const { return m_inverseTransform; }
    bool GetShow() const { return m_show; }
    void SetShow(bool show) { m_show = show; }

    // Matrix helpers of the canvas transforms.
    static BaseLib::CMatrix3x3 Multiply(const BaseLib::CMatrix3x3& a, const BaseLib::CMatrix3x3& b);
    static BaseLib::CMatrix3x3 Translation(float x, float y);
    static BaseLib::CMatrix3x3 Scaling(float x, float y);

protected:
    // {0, 0, width, height}.
    BaseLib::CRect WholeCanvas() const;
    // The bitmap's rectangle at position cut by clip (empty when they do not meet); 64-bit arithmetic,
    // so far positions never overflow.
    static BaseLib::CRect BitmapRectInClip(const BaseLib::CPoint& position, std::int32_t width,
                                           std::int32_t height, const BaseLib::CRect& clip);
    // The span of one circle row: false when the row draws nothing. x0 and width as the span rule gives.
    static bool CircleSpan(std::int32_t i, std::int32_t radius, std::int32_t centreX, std::int32_t& x0,
                           std::int32_t& width);

    BaseLib::CRectList m_dirty;
    std::vector<CCanvas*> m_children;
    bool m_show = true;
    BaseLib::CMatrix3x3 m_parentTransform = BaseLib::CMatrix3x3::Identity;
    BaseLib::CMatrix3x3 m_localTransform = BaseLib::CMatrix3x3::Identity;
    BaseLib::CMatrix3x3 m_combinedTransform = BaseLib::CMatrix3x3::Identity;
    BaseLib::CMatrix3x3 m_inverseTransform = BaseLib::CMatrix3x3::Identity;
};

} // namespace UILib
