#pragma once

#include "foundation/String.h"
#include "ui/Callback.h"
#include "ui/Panel.h"

#include <cstdint>

namespace UILib
{

class CLabel;
class CSlider;
class CSpinControlNumber;
class CSliderSpinControlCombo;
using CSliderSpinCallback = CCallback<CSliderSpinControlCombo*>;

// A label, a slider and a numeric spin control side by side, the slider and the number kept in step:
// slider position = (value − min) / step, value = position × step + min. Each change posts "SliSpiCh".
// The slider's range is whatever its own "Slider Range" says.
class CSliderSpinControlCombo : public CPanel
{
public:
    static constexpr float LabelShare = 0.4f;
    static constexpr float SliderShare = 0.4f;

    CSliderSpinControlCombo();
    static CWindow* Create();

    const char* GetClassName() const override { return "CSliderSpinControlCombo"; }
    BaseLib::CString GetDebugDescription() const override { return "CSliderSpinControlCombo"; }
    // The panel's list (the window's and "Color"), then nine of its own.
    void GetProperties(CPropertyList& list) override;
    bool OnMessage(const CWindowMessage& message) override;
    bool OnSize() override;
    bool ApplyVisualization() override;
    void Paint(CDrawContext& context) override;

    // Posts "SliSpiCh" to the parent and fires the callback, unless events are suppressed.
    virtual void NotifyChange();

    void SetMinValue(double minimum);
    double GetMinValue() const;
    void SetMaxValue(double maximum);
    double GetMaxValue() const;
    // The number's value, then the slider's position from it.
    void SetValue(double value);
    double GetValue() const;
    void SetStep(double step);
    double GetStep() const;
    void SetDecimals(std::int32_t decimals);
    std::int32_t GetDecimals() const;
    void SetText(const BaseLib::CString& text);
    BaseLib::CString GetText() const;
    // Off makes the panel transparent; the label and the slider follow.
    void SetBackground(bool on);
    bool GetBackground() const { return m_background; }
    void SetHorizontalAlignment(int alignment);
    int GetHorizontalAlignment() const;
    void SetVerticalAlignment(int alignment);
    int GetVerticalAlignment() const;
    void SetOnChange(const CSliderSpinCallback& callback) { m_onChange = callback; }

    CLabel* GetLabel() const;
    CSlider* GetSlider() const;
    CSpinControlNumber* GetNumber() const;
    // trunc((value − min) / step) in single precision; 0 for a step of 0 or less or no number, clamped
    // to the integer range.
    std::int32_t SliderPositionFromNumber() const;

private:
    void Layout();

    Handle m_label = 0;
    Handle m_slider = 0;
    Handle m_number = 0;
    bool m_background = true;
    float m_labelShare = LabelShare;
    float m_sliderShare = SliderShare;
    CSliderSpinCallback m_onChange;
};

} // namespace UILib
