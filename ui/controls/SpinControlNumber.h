#pragma once

#include "foundation/String.h"
#include "ui/controls/SpinControl.h"

#include <cstdint>

namespace UILib
{

// A number between a minimum and a maximum, stepped by the arrows and the arrow keys, shown with a fixed
// count of decimals. Typed text is taken when the edit field reports an update ("EditUpdt"); a right
// click on either arrow resets the value to 0 (clamped).
class CSpinControlNumber : public CBasicSpinControl
{
public:
    static constexpr std::int32_t MaxDecimals = 6;

    CSpinControlNumber();
    static CWindow* Create();

    const char* GetClassName() const override { return "CSpinControlNumber"; }
    // The basic spin control's list, then "Min Value", "Max Value", "Value", "Step", "Decimals".
    void GetProperties(CPropertyList& list) override;
    BaseLib::CString GetDebugDescription() const override;
    bool OnMessage(const CWindowMessage& message) override;
    void StepUp() override;
    void StepDown() override;

    // Clamped into [min, max] (not-a-number counts as 0); a change rewrites the text and notifies.
    void SetValue(double value);
    double GetValue() const { return m_value; }
    // A maximum below the minimum becomes the minimum; the value is clamped again. A not-a-number
    // argument leaves its field.
    void SetRange(double minimum, double maximum, double step);
    void GetRange(float& minimum, float& maximum, float& step) const;
    // The property setters (a not-a-number text leaves the field).
    void SetMinValue(double minimum);
    double GetMinValue() const { return m_min; }
    void SetMaxValue(double maximum);
    double GetMaxValue() const { return m_max; }
    void SetStep(double step);
    double GetStep() const { return m_step; }
    // Clamped to 0 … MaxDecimals.
    void SetDecimals(std::int32_t decimals);
    std::int32_t GetDecimals() const { return m_decimals; }

private:
    void RewriteText();
    void OnArrowRightDown(CWindow* arrow, BaseLib::CPoint& point);

    double m_value = 0.0;
    std::int32_t m_decimals = 0;
    double m_min = 0.0;
    double m_max = 1.0;
    double m_step = 1.0;
};

} // namespace UILib
