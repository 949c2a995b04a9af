#pragma once

#include "foundation/Point.h"
#include "ui/Callback.h"
#include "ui/Window.h"

#include <cstdint>

namespace UILib
{

class CSlider;
using CSliderCallback = CCallback<CSlider*>;

// A horizontal or vertical track with a knob of fixed size that selects an integer from 0 to the range.
// A click on the track beside the knob moves by one, a drag rounds to the nearest position; every change
// posts "SliderCh" to the parent and fires the change callback.
class CSlider : public CWindow
{
public:
    static constexpr std::int32_t Horizontal = 0;
    static constexpr std::int32_t Vertical = 1;

    CSlider();
    ~CSlider() override;
    static CWindow* Create();

    const char* GetClassName() const override { return "CSlider"; }
    BaseLib::CString GetDebugDescription() const override { return "CSlider"; }
    // The window's list, then "Background", "Slider Pos", "Slider Range", "Style".
    void GetProperties(CPropertyList& list) override;
    void Paint(CDrawContext& context) override;
    bool OnSize() override;
    bool ApplyVisualization() override;
    bool OnLButtonDown(BaseLib::CPoint& point, std::uint8_t modifiers) override;
    bool OnMouseMove(BaseLib::CPoint& point, std::uint8_t modifiers) override;
    bool OnLButtonUp(BaseLib::CPoint& point, std::uint8_t modifiers) override;

    // Posts "SliderCh" to the parent and fires the callback, unless events are suppressed.
    virtual void NotifyChange();

    // Clamped to [0, range]; a change moves the knob and notifies.
    void SetSliderPos(std::int32_t position);
    std::int32_t GetSliderPos() const { return m_position; }
    // Negative gives 0; a position above the new range is lowered to it without a notification.
    void SetSliderRange(std::int32_t range);
    std::int32_t GetSliderRange() const { return m_range; }
    void SetStyle(std::int32_t style);
    std::int32_t GetStyle() const { return m_style; }
    // Off also makes the window transparent.
    void SetBackground(bool on);
    bool GetBackground() const { return m_background; }
    void SetOnChange(const CSliderCallback& callback) { m_onChange = callback; }

    // The knob in client coordinates (all zeros when it does not fit).
    BaseLib::CRect GetKnobRect() const { return BaseLib::CRect(m_knobLeft, m_knobTop, m_knobRight, m_knobBottom); }
    bool IsDragging() const { return m_dragging; }

private:
    void ReadKnobSize();
    void UpdateKnob();

    std::int32_t m_position = 0;
    std::int32_t m_range = 0;
    std::int32_t m_style = Horizontal;
    bool m_background = true;
    // The knob follows the mouse during a drag (no property sets it).
    bool m_freeKnob = true;
    bool m_dragging = false;
    std::int32_t m_knobLeft = 0;
    std::int32_t m_knobTop = 0;
    std::int32_t m_knobRight = 0;
    std::int32_t m_knobBottom = 0;
    BaseLib::CPoint m_grab;
    std::int32_t m_knobWidth = 0;
    std::int32_t m_knobHeight = 0;
    CSliderCallback m_onChange;
};

} // namespace UILib
