#pragma once

#include "ui/PixelBufferCanvas.h"

namespace UILib
{

class CBitmap;

// A pixel-buffer canvas that draws straight into a bitmap's pixels (tag "BMPD"). The bitmap it draws
// into must outlive it. Its size never changes.
class CBitmapCanvas : public CPixelBufferCanvas
{
public:
    // Waits for the bitmap's data, then takes its writable pixels: the bitmap's data becomes private, so
    // other holders of shared data never see the drawing. Never made inside a Load that may run on the
    // streaming thread (it waits).
    explicit CBitmapCanvas(CBitmap& bitmap);
    // A 100 × 100 canvas over a raw block (the bitmap factory's placeholder).
    explicit CBitmapCanvas(BaseLib::CColor* pixels);

    void Destroy() override { delete this; }
    std::uint32_t GetTypeTag() const override;
    void Resize(std::int32_t, std::int32_t) override {}
    void SetPosition(std::int32_t x, std::int32_t y) override { m_position = BaseLib::CPoint(x, y); }
    BaseLib::CPoint GetPosition() const override { return m_position; }
    void Render(void*) override {}
    // The drawing flag is a marker only: drawing outside the pair is not refused.
    void BeginDraw() override { m_drawing = true; }
    void EndDraw(bool clearDirtyList) override;
    bool IsDrawing() const { return m_drawing; }
    std::int32_t GetPixelCount() const { return m_pixelCount; }

private:
    std::int32_t m_pixelCount;
    bool m_drawing = false;
    BaseLib::CPoint m_position;
};

} // namespace UILib
