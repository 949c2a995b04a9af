#include "ui/controls/SliderSpinControlCombo.h"

#include "ui/Visualization.h"
#include "ui/WindowManager.h"
#include "ui/controls/Label.h"
#include "ui/controls/PropertyTable.h"
#include "ui/controls/ResolveAs.h"
#include "ui/controls/Slider.h"
#include "ui/controls/SpinControlNumber.h"

#include <cmath>
#include <limits>

namespace UILib
{

using BaseLib::CString;

namespace
{

constexpr std::int32_t ComboFillStyle = 0;

const CPropertyTable<CSliderSpinControlCombo>& ComboProperties()
{
    using C = CSliderSpinControlCombo;
    static const CPropertyTable<C> table = [] {
        constexpr double lowest = std::numeric_limits<double>::lowest();
        constexpr double largest = std::numeric_limits<double>::max();
        CPropertyTable<C> t;
        t.Scalar<double>("Min Value", "Minimum Value", 0.0, lowest, largest, &C::SetMinValue, &C::GetMinValue);
        t.Scalar<double>("Max Value", "Maximum Value", 0.0, lowest, largest, &C::SetMaxValue, &C::GetMaxValue);
        t.Scalar<double>("Value", "Current Value", 0.0, lowest, largest, &C::SetValue, &C::GetValue);
        t.Scalar<double>("Step", "Size of step made when up/down buttons are pressed", 1.0, 0.0, largest,
                         &C::SetStep, &C::GetStep);
        t.Scalar<std::int32_t>("Decimals", "Number of digits after decimal point", 0, 0,
                               CSpinControlNumber::MaxDecimals, &C::SetDecimals, &C::GetDecimals);
        t.String("Text", "Text that appears on Button", CString(), &C::SetText, &C::GetText);
        t.Bool("Background", "Fill background with color?", true, &C::SetBackground, &C::GetBackground);
        t.Enum("H-Alignment", "Horizontal Text Alignment", "Center", "Center Left Right", &C::SetHorizontalAlignment,
               &C::GetHorizontalAlignment);
        t.Enum("V-Alignment", "Vertical Text Alignment", "Center", "Center Top Bottom", &C::SetVerticalAlignment,
               &C::GetVerticalAlignment);
        return t;
    }();
    return table;
}

} // namespace

CSliderSpinControlCombo::CSliderSpinControlCombo()
{
    SetSize(100, 100);
    CLabel* label = new CLabel();
    label->SetName("__label");
    m_label = label->GetHandle();
    CSlider* slider = new CSlider();
    slider->SetName("__slider");
    m_slider = slider->GetHandle();
    CSpinControlNumber* number = new CSpinControlNumber();
    number->SetName("__spincontrol");
    m_number = number->GetHandle();
    AddChild(m_label);
    AddChild(m_slider);
    AddChild(m_number);
    m_labelShare = LabelShare;
    m_sliderShare = SliderShare;
    Layout();
    ApplyVisualization();
}

CWindow* CSliderSpinControlCombo::Create()
{
    return new CSliderSpinControlCombo();
}

CLabel* CSliderSpinControlCombo::GetLabel() const
{
    return ResolveAs<CLabel>(m_label);
}

CSlider* CSliderSpinControlCombo::GetSlider() const
{
    return ResolveAs<CSlider>(m_slider);
}

CSpinControlNumber* CSliderSpinControlCombo::GetNumber() const
{
    return ResolveAs<CSpinControlNumber>(m_number);
}

void CSliderSpinControlCombo::GetProperties(CPropertyList& list)
{
    CPanel::GetProperties(list);
    ComboProperties().AppendTo(list, this);
}

void CSliderSpinControlCombo::Layout()
{
    CLabel* label = GetLabel();
    CSlider* slider = GetSlider();
    CSpinControlNumber* number = GetNumber();
    if (label == nullptr || slider == nullptr || number == nullptr)
    {
        return;
    }
    const float width = static_cast<float>(m_width);
    const std::int32_t height = m_height;
    label->SetSize(static_cast<std::int32_t>(width * m_labelShare), height);
    label->SetPosition(0, 0);
    const std::int32_t labelWidth = label->GetSize().cx;
    slider->SetSize(static_cast<std::int32_t>(width * m_sliderShare), height);
    slider->SetPosition(labelWidth, (height - slider->GetSize().cy) / 2);
    const std::int32_t sliderWidth = slider->GetSize().cx;
    number->SetSize(static_cast<std::int32_t>(width * (1.0f - m_labelShare - m_sliderShare)), height);
    number->SetPosition(labelWidth + sliderWidth, (height - number->GetSize().cy) / 2);
}

bool CSliderSpinControlCombo::OnSize()
{
    Layout();
    return true;
}

bool CSliderSpinControlCombo::ApplyVisualization()
{
    Layout();
    return CPanel::ApplyVisualization();
}

void CSliderSpinControlCombo::Paint(CDrawContext& context)
{
    if (!m_background)
    {
        return;
    }
    if (CVisualization* visualization = VisualizationOf(*this))
    {
        visualization->FillBackground(context, GetClientRect(), ComboFillStyle);
    }
}

void CSliderSpinControlCombo::NotifyChange()
{
    if (AreEventsSuppressed())
    {
        return;
    }
    PostNotification(m_parent, CWindowMessage("SliSpiCh", CWindowMessage::Input, 0, m_handle));
    if (m_onChange.IsSet())
    {
        m_onChange(this);
    }
}

std::int32_t CSliderSpinControlCombo::SliderPositionFromNumber() const
{
    const CSpinControlNumber* number = GetNumber();
    if (number == nullptr)
    {
        return 0;
    }
    const float step = static_cast<float>(number->GetStep());
    if (!(step > 0.0f))
    {
        return 0;
    }
    const float quotient =
        (static_cast<float>(number->GetValue()) - static_cast<float>(number->GetMinValue())) / step;
    if (std::isnan(quotient))
    {
        return 0;
    }
    constexpr double lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double highest = std::numeric_limits<std::int32_t>::max();
    const double truncated = std::trunc(static_cast<double>(quotient));
    return static_cast<std::int32_t>(truncated < lowest ? lowest : (truncated > highest ? highest : truncated));
}

bool CSliderSpinControlCombo::OnMessage(const CWindowMessage& message)
{
    if (message.Is("SliderCh") && message.second == m_slider)
    {
        CSlider* slider = GetSlider();
        CSpinControlNumber* number = GetNumber();
        if (slider != nullptr && number != nullptr)
        {
            const float value = static_cast<float>(slider->GetSliderPos()) * static_cast<float>(number->GetStep()) +
                                static_cast<float>(number->GetMinValue());
            number->SetValue(value);
        }
        NotifyChange();
        return true;
    }
    if (message.Is("SpinChng") && message.second == m_number)
    {
        if (CSlider* slider = GetSlider())
        {
            slider->SetSliderPos(SliderPositionFromNumber());
        }
        NotifyChange();
        return true;
    }
    return CPanel::OnMessage(message);
}

void CSliderSpinControlCombo::SetMinValue(double minimum)
{
    if (CSpinControlNumber* number = GetNumber())
    {
        number->SetMinValue(minimum);
    }
}

double CSliderSpinControlCombo::GetMinValue() const
{
    const CSpinControlNumber* number = GetNumber();
    return number != nullptr ? number->GetMinValue() : 0.0;
}

void CSliderSpinControlCombo::SetMaxValue(double maximum)
{
    if (CSpinControlNumber* number = GetNumber())
    {
        number->SetMaxValue(maximum);
    }
}

double CSliderSpinControlCombo::GetMaxValue() const
{
    const CSpinControlNumber* number = GetNumber();
    return number != nullptr ? number->GetMaxValue() : 0.0;
}

void CSliderSpinControlCombo::SetValue(double value)
{
    if (CSpinControlNumber* number = GetNumber())
    {
        number->SetValue(value);
    }
    if (CSlider* slider = GetSlider())
    {
        slider->SetSliderPos(SliderPositionFromNumber());
    }
}

double CSliderSpinControlCombo::GetValue() const
{
    const CSpinControlNumber* number = GetNumber();
    return number != nullptr ? number->GetValue() : 0.0;
}

void CSliderSpinControlCombo::SetStep(double step)
{
    if (CSpinControlNumber* number = GetNumber())
    {
        number->SetStep(step);
    }
}

double CSliderSpinControlCombo::GetStep() const
{
    const CSpinControlNumber* number = GetNumber();
    return number != nullptr ? number->GetStep() : 1.0;
}

void CSliderSpinControlCombo::SetDecimals(std::int32_t decimals)
{
    if (CSpinControlNumber* number = GetNumber())
    {
        number->SetDecimals(decimals);
    }
}

std::int32_t CSliderSpinControlCombo::GetDecimals() const
{
    const CSpinControlNumber* number = GetNumber();
    return number != nullptr ? number->GetDecimals() : 0;
}

void CSliderSpinControlCombo::SetText(const CString& text)
{
    if (CLabel* label = GetLabel())
    {
        label->SetText(text);
    }
}

CString CSliderSpinControlCombo::GetText() const
{
    const CLabel* label = GetLabel();
    return label != nullptr ? label->GetText() : CString();
}

void CSliderSpinControlCombo::SetBackground(bool on)
{
    SetTransparent(!on);
    m_background = on;
    if (CLabel* label = GetLabel())
    {
        label->SetBackground(on);
    }
    if (CSlider* slider = GetSlider())
    {
        slider->SetBackground(on);
    }
}

void CSliderSpinControlCombo::SetHorizontalAlignment(int alignment)
{
    if (CLabel* label = GetLabel())
    {
        label->SetHorizontalAlignment(alignment);
    }
}

int CSliderSpinControlCombo::GetHorizontalAlignment() const
{
    const CLabel* label = GetLabel();
    return label != nullptr ? label->GetHorizontalAlignment() : 0;
}

void CSliderSpinControlCombo::SetVerticalAlignment(int alignment)
{
    if (CLabel* label = GetLabel())
    {
        label->SetVerticalAlignment(alignment);
    }
}

int CSliderSpinControlCombo::GetVerticalAlignment() const
{
    const CLabel* label = GetLabel();
    return label != nullptr ? label->GetVerticalAlignment() : 0;
}

} // namespace UILib
