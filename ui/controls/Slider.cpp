#include "ui/controls/Slider.h"

#include "ui/Visualization.h"
#include "ui/WindowManager.h"
#include "ui/controls/Label.h"
#include "ui/controls/PropertyTable.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace UILib
{

using BaseLib::CPoint;
using BaseLib::CRect;

namespace
{

constexpr std::int32_t SliderFillStyle = 0;

const CPropertyTable<CSlider>& SliderProperties()
{
    static const CPropertyTable<CSlider> table = [] {
        constexpr std::int32_t largest = std::numeric_limits<std::int32_t>::max();
        CPropertyTable<CSlider> t;
        t.Bool("Background", "Fill background with color?", true, &CSlider::SetBackground, &CSlider::GetBackground);
        t.Scalar<std::int32_t>("Slider Pos", "Slider Position (must be within range)", 0, 0, largest,
                               &CSlider::SetSliderPos, &CSlider::GetSliderPos);
        t.Scalar<std::int32_t>("Slider Range", "Range", 0, 0, largest, &CSlider::SetSliderRange,
                               &CSlider::GetSliderRange);
        t.Enum("Style", "Slider style: vertical or horizontal", "Horizontal", "Horizontal Vertical", &CSlider::SetStyle,
               &CSlider::GetStyle);
        return t;
    }();
    return table;
}

// (length − knob) × position / range in 64 bits, truncated toward zero; 0 for an empty range.
std::int32_t KnobOffset(std::int32_t free, std::int32_t position, std::int32_t range)
{
    if (range == 0)
    {
        return 0;
    }
    return static_cast<std::int32_t>(static_cast<std::int64_t>(free) * position / range);
}

} // namespace

CSlider::CSlider()
{
    ReadKnobSize();
    SetSize(100, 100);
    ApplyVisualization();
}

CSlider::~CSlider()
{
    if (m_dragging)
    {
        if (CWindowManager* manager = CWindowManager::GetInstance())
        {
            manager->ReleaseMouseCapture(this);
        }
    }
}

CWindow* CSlider::Create()
{
    return new CSlider();
}

void CSlider::GetProperties(CPropertyList& list)
{
    CWindow::GetProperties(list);
    SliderProperties().AppendTo(list, this);
}

void CSlider::NotifyChange()
{
    if (AreEventsSuppressed())
    {
        return;
    }
    PostNotification(m_parent, CWindowMessage("SliderCh", CWindowMessage::Input, 0, m_handle));
    if (m_onChange.IsSet())
    {
        m_onChange(this);
    }
}

void CSlider::SetSliderPos(std::int32_t position)
{
    if (position > m_range)
    {
        position = m_range;
    }
    if (position < 0)
    {
        position = 0;
    }
    if (position == m_position)
    {
        return;
    }
    m_position = position;
    UpdateKnob();
    Invalidate(false);
    NotifyChange();
}

void CSlider::SetSliderRange(std::int32_t range)
{
    if (range == m_range)
    {
        return;
    }
    m_range = range < 0 ? 0 : range;
    if (m_position > m_range)
    {
        m_position = m_range;
    }
    UpdateKnob();
    Invalidate(false);
}

void CSlider::SetStyle(std::int32_t style)
{
    if (style == m_style)
    {
        return;
    }
    m_style = style;
    ReadKnobSize();
    UpdateKnob();
    Invalidate(false);
}

void CSlider::SetBackground(bool on)
{
    SwitchBackground(*this, m_background, on);
}

void CSlider::ReadKnobSize()
{
    if (CVisualization* visualization = VisualizationOf(*this))
    {
        const CVisualizationMetrics& metrics = visualization->GetMetrics();
        m_knobWidth = m_style == Vertical ? metrics.verticalSliderThumbWidth : metrics.horizontalSliderThumbWidth;
        m_knobHeight = m_style == Vertical ? metrics.verticalSliderThumbHeight : metrics.horizontalSliderThumbHeight;
    }
}

void CSlider::UpdateKnob()
{
    m_knobLeft = m_knobTop = m_knobRight = m_knobBottom = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
    if (m_style == Vertical)
    {
        if (m_knobHeight > m_height)
        {
            return;
        }
        y = KnobOffset(m_height - m_knobHeight, m_position, m_range);
        x = (m_width - m_knobWidth) / 2;
    }
    else
    {
        if (m_knobWidth > m_width)
        {
            return;
        }
        x = KnobOffset(m_width - m_knobWidth, m_position, m_range);
        y = (m_height - m_knobHeight) / 2;
    }
    m_knobLeft = x;
    m_knobTop = y;
    m_knobRight = x + m_knobWidth;
    m_knobBottom = y + m_knobHeight;
}

bool CSlider::OnSize()
{
    UpdateKnob();
    return true;
}

bool CSlider::ApplyVisualization()
{
    ReadKnobSize();
    SetSize(m_width, m_height);
    OnSize();
    return CWindow::ApplyVisualization();
}

bool CSlider::OnLButtonDown(CPoint& point, std::uint8_t)
{
    if (IsDisabled())
    {
        return true;
    }
    if (point.x >= m_knobLeft && point.x < m_knobRight && point.y >= m_knobTop && point.y < m_knobBottom)
    {
        m_dragging = true;
        if (CWindowManager* manager = CWindowManager::GetInstance())
        {
            manager->SetMouseCapture(this);
        }
        m_grab = CPoint(point.x - m_knobLeft, point.y - m_knobTop);
        return true;
    }
    // Before or after the knob along the slider's own axis.
    const bool before = m_style == Vertical ? point.y < m_knobTop : point.x < m_knobLeft;
    SetSliderPos(before ? m_position - 1 : m_position + 1);
    return true;
}

bool CSlider::OnMouseMove(CPoint& point, std::uint8_t)
{
    if (!m_dragging)
    {
        return true;
    }
    const bool vertical = m_style == Vertical;
    const std::int32_t room = vertical ? m_height - m_knobHeight : m_width - m_knobWidth;
    if (room <= 0)
    {
        // No room to move: the position stays.
        return true;
    }
    const std::int32_t offset = vertical ? point.y - m_grab.y : point.x - m_grab.x;
    const float quotient = static_cast<float>(offset) * static_cast<float>(m_range) / static_cast<float>(room);
    const double rounded = std::floor(static_cast<double>(quotient) + 0.5);
    constexpr double lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double highest = std::numeric_limits<std::int32_t>::max();
    SetSliderPos(static_cast<std::int32_t>(rounded < lowest ? lowest : (rounded > highest ? highest : rounded)));
    if (m_freeKnob)
    {
        Invalidate(false);
        const std::int32_t along = offset < 0 ? 0 : (offset > room ? room : offset);
        if (vertical)
        {
            m_knobTop = along;
            m_knobBottom = along + m_knobHeight;
        }
        else
        {
            m_knobLeft = along;
            m_knobRight = along + m_knobWidth;
        }
        Invalidate(false);
    }
    return true;
}

bool CSlider::OnLButtonUp(CPoint&, std::uint8_t)
{
    if (m_dragging)
    {
        m_dragging = false;
        if (CWindowManager* manager = CWindowManager::GetInstance())
        {
            manager->ReleaseMouseCapture(this);
        }
    }
    if (m_freeKnob)
    {
        UpdateKnob();
        Invalidate(false);
    }
    return true;
}

void CSlider::Paint(CDrawContext& context)
{
    CVisualization* visualization = VisualizationOf(*this);
    if (visualization == nullptr)
    {
        return;
    }
    const CRect client = GetClientRect();
    if (m_background)
    {
        visualization->FillBackground(context, client, SliderFillStyle);
    }
    const bool vertical = m_style == Vertical;
    visualization->DrawSliderTrack(context, client, vertical);
    visualization->DrawSliderThumb(context, CPoint(m_knobLeft, m_knobTop), vertical, 0, IsDisabled());
}

} // namespace UILib
