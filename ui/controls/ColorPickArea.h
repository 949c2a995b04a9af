#pragma once

#include "foundation/Point.h"
#include "ui/Callback.h"
#include "ui/controls/Label.h"

#include <cstdint>

namespace UILib
{

class CColorPickArea;
using CPickCallback = CCallback<CColorPickArea*, const BaseLib::CPoint&>;

// A label showing a bitmap inside a sunken frame (style 1) that turns a left-button press and the drag
// that follows into picks: each reports the bitmap pixel under the pointer to the callback and moves a
// small black square marker there. The area knows nothing of colours; its owner reads the pixel. Only
// the colour picker makes these (its CPickArea); the window factory does not know the class.
class CColorPickArea : public CLabel
{
public:
    // Half the marker square's side: the outline runs from marker − 3 to marker + 3 inclusive.
    static constexpr std::int32_t MarkerReach = 3;
    // The visualization's frame that surrounds the bitmap.
    static constexpr std::int32_t FrameStyle = 1;

    CColorPickArea();
    static CColorPickArea* Create();

    const char* GetClassName() const override { return "CColorPicker::CPickArea"; }
    void Paint(CDrawContext& context) override;
    // Reads the frame's border widths and, with a bitmap, sizes the area to the bitmap plus the borders;
    // then as a label.
    bool ApplyVisualization() override;
    bool OnMouseMove(BaseLib::CPoint& point, std::uint8_t modifiers) override;
    // Starts a drag with the mouse capture and picks.
    bool OnLButtonDown(BaseLib::CPoint& point, std::uint8_t modifiers) override;
    // Ends a drag (a release without a press here changes nothing).
    bool OnLButtonUp(BaseLib::CPoint& point, std::uint8_t modifiers) override;

    // Called with (area, point in bitmap coordinates) before the marker moves; not while events are
    // suppressed.
    virtual void SetCallback(const CPickCallback& callback) { m_callback = callback; }

    // A pick at a client point: the point less the left and top borders, clamped into the bitmap when
    // there is one, goes to the callback; the marker moves there (in client coordinates).
    void PickAt(const BaseLib::CPoint& point);

    BaseLib::CPoint GetMarker() const { return BaseLib::CPoint(m_markerX, m_markerY); }
    bool IsDragging() const { return m_dragging; }
    // Left, top, right and bottom widths of the frame.
    BaseLib::CRect GetBorders() const
    {
        return BaseLib::CRect(m_borderLeft, m_borderTop, m_borderRight, m_borderBottom);
    }

private:
    void InvalidateMarker();

    CPickCallback m_callback;
    std::int32_t m_borderLeft = 0;
    std::int32_t m_borderTop = 0;
    std::int32_t m_borderRight = 0;
    std::int32_t m_borderBottom = 0;
    std::int32_t m_markerX = 0;
    std::int32_t m_markerY = 0;
    bool m_dragging = false;
};

} // namespace UILib
