#pragma once

#include "ui/Canvas.h"

namespace UILib
{

// The canvas over a block of 32-bit pixels in memory: pixel (x, y) is word y * row length + x. Every
// operation stores the words directly and reports the changed area through OnRectChanged or
// OnPixelChanged ("transparent" is true exactly when the colour written has alpha 0), so a derived
// canvas knows what to upload. The canvas neither allocates nor frees the block; while it has none it
// draws nothing and reads 0. Every operation that takes a clip cuts it to the bounds first.
class CPixelBufferCanvas : public CCanvas
{
public:
    CPixelBufferCanvas(std::int32_t width, std::int32_t height);

    // The owner's block and its row length in pixels (its pitch); null for none.
    void SetPixels(BaseLib::CColor* pixels, std::int32_t rowLength)
    {
        m_pixels = pixels;
        m_rowLength = rowLength;
    }
    BaseLib::CColor* GetPixels() const { return m_pixels; }
    std::int32_t GetRowLength() const { return m_rowLength; }
    const BaseLib::CRect& GetBounds() const { return m_bounds; }

    using CCanvas::DrawBitmap;
    using CCanvas::DrawCircle;
    using CCanvas::DrawLine;
    using CCanvas::DrawRect;
    using CCanvas::FillCircle;
    using CCanvas::FillRect;
    using CCanvas::GetPixel;
    using CCanvas::SetPixel;

    BaseLib::CSize GetSize() const override { return BaseLib::CSize(m_width, m_height); }
    void MarkAllDirty() override;
    BaseLib::CColor GetPixel(std::int32_t x, std::int32_t y) const override;
    void SetPixel(std::int32_t x, std::int32_t y, const BaseLib::CColor& colour) override;
    // Vertical and horizontal lines clamp their run and report its box; slanted lines report their
    // unclipped box, then store the part inside the bounds.
    void DrawLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                  const BaseLib::CColor& colour) override;
    // Only when left < right and top < bottom.
    void DrawRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                  const BaseLib::CColor& colour) override;
    // Cut to the bounds without sorting the corners; reports, then stores.
    void FillRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                  const BaseLib::CColor& colour) override;
    void DrawCircle(const BaseLib::CPoint& centre, std::int32_t radius, const BaseLib::CColor& colour,
                    const BaseLib::CRect& clip) override;
    void FillCircle(const BaseLib::CPoint& centre, std::int32_t radius, const BaseLib::CColor& colour,
                    const BaseLib::CRect& clip) override;
    // Waits while the bitmap is scheduled. The bitmap's part inside the clip (cut to the bounds) is
    // copied, or with blend: alpha 0 skipped, 255 copied, else blended over (CColor::BlendOver); then
    // the visible rectangle is reported as not transparent.
    void DrawBitmap(const BaseLib::CPoint& position, const CBitmap& bitmap, const BaseLib::CRect& clip,
                    bool blend) override;
    void DrawBitmap(const BaseLib::CPoint& position, const CBitmap& bitmap, bool blend) override
    {
        DrawBitmap(position, bitmap, m_bounds, blend);
    }
    // Coverage between 0 and 255 blends the colour, its alpha replaced by the coverage, over the pixel
    // (CColor::BlendOver). Reports nothing: the text operations report the whole text.
    void DrawAlphaMask(const CAlphaMask& mask, std::int32_t x, std::int32_t y, const BaseLib::CColor& colour,
                       const BaseLib::CRect& clip) override;

    // The pixels of DrawLine without reporting them.
    virtual void PlotLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                          const BaseLib::CColor& colour);
    // The canvas text drawing, then one OnRectChanged for the area the glyphs changed (transparent when
    // the colour's alpha is 0).
    void DrawTextAlpha(const BaseLib::CResourcePtr<CFont>& font, std::int32_t x, std::int32_t y, BaseLib::CString text,
                       BaseLib::CColor colour, const BaseLib::CRect& clip, std::int32_t reserved) override;
    virtual void OnRectChanged(std::int32_t, std::int32_t, std::int32_t, std::int32_t, bool) {}
    virtual void OnPixelChanged(std::int32_t, std::int32_t, bool) {}

protected:
    BaseLib::CColor* Row(std::int32_t y) const { return m_pixels + static_cast<std::ptrdiff_t>(y) * m_rowLength; }
    void StoreLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, const BaseLib::CColor& colour,
                   bool report);

    std::int32_t m_width;
    std::int32_t m_height;
    BaseLib::CRect m_bounds;
    std::int32_t m_rowLength;
    BaseLib::CColor* m_pixels = nullptr;
};

} // namespace UILib
