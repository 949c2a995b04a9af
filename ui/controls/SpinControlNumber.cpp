#include "ui/controls/SpinControlNumber.h"

#include "ui/controls/EditControl.h"
#include "ui/controls/PropertyTable.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace UILib
{

using BaseLib::CString;

namespace
{

const CPropertyTable<CSpinControlNumber>& NumberProperties()
{
    static const CPropertyTable<CSpinControlNumber> table = [] {
        constexpr double lowest = std::numeric_limits<double>::lowest();
        constexpr double largest = std::numeric_limits<double>::max();
        CPropertyTable<CSpinControlNumber> t;
        t.Scalar<double>("Min Value", "Minimum Value", 0.0, lowest, largest, &CSpinControlNumber::SetMinValue,
                         &CSpinControlNumber::GetMinValue);
        t.Scalar<double>("Max Value", "Maximum Value", 0.0, lowest, largest, &CSpinControlNumber::SetMaxValue,
                         &CSpinControlNumber::GetMaxValue);
        t.Scalar<double>("Value", "Current Value", 0.0, lowest, largest, &CSpinControlNumber::SetValue,
                         &CSpinControlNumber::GetValue);
        t.Scalar<double>("Step", "Size of step made when up/down buttons are pressed", 1.0, 0.0, largest,
                         &CSpinControlNumber::SetStep, &CSpinControlNumber::GetStep);
        t.Scalar<std::int32_t>("Decimals", "Number of digits after decimal point", 0, 0,
                               CSpinControlNumber::MaxDecimals, &CSpinControlNumber::SetDecimals,
                               &CSpinControlNumber::GetDecimals);
        return t;
    }();
    return table;
}

} // namespace

CSpinControlNumber::CSpinControlNumber()
{
    RewriteText();
    for (int i = 0; i < 2; ++i)
    {
        if (CBasicSpinControlButton* arrow = GetButton(i))
        {
            arrow->SetOnRButtonDown(CMouseCallback::Bind(this, &CSpinControlNumber::OnArrowRightDown));
        }
    }
}

CWindow* CSpinControlNumber::Create()
{
    return new CSpinControlNumber();
}

void CSpinControlNumber::GetProperties(CPropertyList& list)
{
    CBasicSpinControl::GetProperties(list);
    NumberProperties().AppendTo(list, this);
}

CString CSpinControlNumber::GetDebugDescription() const
{
    return CString("CSpinControlNumber Contents = ") + CString::FromFormat("%f", m_value);
}

void CSpinControlNumber::OnArrowRightDown(CWindow*, BaseLib::CPoint&)
{
    SetValue(0.0);
}

void CSpinControlNumber::StepUp()
{
    SetValue(m_value + m_step);
}

void CSpinControlNumber::StepDown()
{
    SetValue(m_value - m_step);
}

void CSpinControlNumber::SetValue(double value)
{
    if (std::isnan(value))
    {
        value = 0.0;
    }
    if (value < m_min)
    {
        value = m_min;
    }
    if (value > m_max)
    {
        value = m_max;
    }
    if (value == m_value)
    {
        return;
    }
    m_value = value;
    RewriteText();
    NotifyChange();
}

void CSpinControlNumber::SetRange(double minimum, double maximum, double step)
{
    if (!std::isnan(minimum))
    {
        m_min = minimum;
    }
    if (!std::isnan(maximum))
    {
        m_max = maximum;
    }
    if (m_max < m_min)
    {
        m_max = m_min;
    }
    if (!std::isnan(step))
    {
        m_step = step;
    }
    SetValue(m_value);
}

void CSpinControlNumber::GetRange(float& minimum, float& maximum, float& step) const
{
    minimum = static_cast<float>(m_min);
    maximum = static_cast<float>(m_max);
    step = static_cast<float>(m_step);
}

void CSpinControlNumber::SetMinValue(double minimum)
{
    if (std::isnan(minimum))
    {
        return;
    }
    m_min = minimum;
    if (m_max < m_min)
    {
        m_max = m_min;
    }
    SetValue(m_value);
}

void CSpinControlNumber::SetMaxValue(double maximum)
{
    if (std::isnan(maximum))
    {
        return;
    }
    m_max = maximum < m_min ? m_min : maximum;
    SetValue(m_value);
}

void CSpinControlNumber::SetStep(double step)
{
    if (std::isnan(step))
    {
        return;
    }
    if (m_max < m_min)
    {
        m_max = m_min;
    }
    m_step = step;
    SetValue(m_value);
}

void CSpinControlNumber::SetDecimals(std::int32_t decimals)
{
    decimals = decimals < 0 ? 0 : (decimals > MaxDecimals ? MaxDecimals : decimals);
    if (decimals != m_decimals)
    {
        m_decimals = decimals;
        RewriteText();
    }
}

void CSpinControlNumber::RewriteText()
{
    // "%.<decimals>f"; the decimals are held within 0 … 6, so the format is always valid.
    const char formats[MaxDecimals + 1][6] = {"%.0f", "%.1f", "%.2f", "%.3f", "%.4f", "%.5f", "%.6f"};
    SetEditText(CString::FromFormat(formats[m_decimals], m_value));
    Invalidate(false);
}

bool CSpinControlNumber::OnMessage(const CWindowMessage& message)
{
    const CEditControl* edit = GetEdit();
    if (message.Is("EditUpdt") && edit != nullptr && message.second == edit->GetHandle())
    {
        // No number reads as 0.
        SetValue(std::strtod(GetEditText(), nullptr));
        RewriteText();
        return true;
    }
    return CBasicSpinControl::OnMessage(message);
}

} // namespace UILib
