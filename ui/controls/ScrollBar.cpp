#include "ui/controls/ScrollBar.h"

#include "ui/Visualization.h"
#include "ui/WindowManager.h"
#include "ui/controls/Label.h"
#include "ui/controls/PropertyTable.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace UILib
{

using BaseLib::CPoint;
using BaseLib::CRect;

namespace
{

constexpr std::int32_t TrackFillStyle = 5;
constexpr std::int32_t ButtonPushedFrameStyle = 5;
constexpr std::int32_t ButtonFrameStyle = 2;
constexpr std::int32_t IntMax = std::numeric_limits<std::int32_t>::max();

const CPropertyTable<CScrollBar>& ScrollBarProperties()
{
    static const CPropertyTable<CScrollBar> table = [] {
        CPropertyTable<CScrollBar> t;
        t.Scalar<int>("Range", "Maximum Position of Knob", 0, 0, IntMax, &CScrollBar::SetRange, &CScrollBar::GetRange);
        t.Scalar<int>("Scroll Pos", "Position of Knob", 0, 0, IntMax, &CScrollBar::SetScrollPos,
                      &CScrollBar::GetScrollPos);
        t.Scalar<int>("Page Size", "Slider Position (must be within range)", 0, 0, IntMax, &CScrollBar::SetPageSize,
                      &CScrollBar::GetPageSize);
        t.Scalar<int>("Scroll Speed", "Number of units to scroll\nwhen button pressed.", 0, 0, IntMax,
                      &CScrollBar::SetScrollSpeed, &CScrollBar::GetScrollSpeed);
        t.Bool("Buttons", "Show scrollbar buttons?", true, &CScrollBar::SetButtons, &CScrollBar::GetButtons);
        t.Enum("Style", "Scrollbar style: vertical or horizontal", "Vertical", "Horizontal Vertical",
               &CScrollBar::SetStyle, &CScrollBar::GetStyle);
        return t;
    }();
    return table;
}

CWindow* Resolve(Handle handle)
{
    CWindowManager* manager = CWindowManager::GetInstance();
    return manager != nullptr && handle != 0 ? manager->Resolve(handle) : nullptr;
}

} // namespace

// Arrow buttons

void CScrollBar::CScrollBarButton::SetDirection(std::int32_t direction)
{
    if (direction != m_direction)
    {
        m_direction = direction;
        Invalidate(false);
    }
}

void CScrollBar::CScrollBarButton::Paint(CDrawContext& context)
{
    if (CVisualization* visualization = VisualizationOf(*this))
    {
        const bool pushed = IsPushed() && !IsDisabled();
        visualization->DrawScrollBarButton(context, CPoint(0, 0), m_direction,
                                           pushed ? ButtonPushedFrameStyle : ButtonFrameStyle);
    }
}

// Construction and properties

CScrollBar::CScrollBar()
{
    m_vertical = true;
    SetButtons(true);
    SetSize(100, 100);
    ApplyVisualization();
}

CWindow* CScrollBar::Create()
{
    return new CScrollBar();
}

void CScrollBar::GetProperties(CPropertyList& list)
{
    CWindow::GetProperties(list);
    ScrollBarProperties().AppendTo(list, this);
}

CScrollBar::CScrollBarButton* CScrollBar::GetButton(int index) const
{
    return static_cast<CScrollBarButton*>(Resolve(index == 0 ? m_button1 : m_button2));
}

// Position, range and page

void CScrollBar::SetScrollPos(std::int32_t position)
{
    std::int64_t p = std::max<std::int64_t>(position, 0);
    p = std::min(p, LargestPosition());
    if (p == m_position)
    {
        return;
    }
    m_position = static_cast<std::int32_t>(p);
    UpdateThumb();
    Invalidate(false);
    NotifyChange();
}

void CScrollBar::SetRange(std::int32_t range)
{
    if (range == m_range)
    {
        return;
    }
    m_range = std::max(range, 0);
    // The page never exceeds range + 1, so the largest position stays at 0 or above.
    m_page = static_cast<std::int32_t>(std::min<std::int64_t>(m_page, static_cast<std::int64_t>(m_range) + 1));
    if (m_position > LargestPosition())
    {
        m_position = static_cast<std::int32_t>(LargestPosition());
    }
    UpdateThumb();
    Invalidate(false);
}

void CScrollBar::SetPageSize(std::int32_t page)
{
    m_page = static_cast<std::int32_t>(
        std::min<std::int64_t>(std::max(page, 1), static_cast<std::int64_t>(m_range) + 1));
    SetScrollPos(m_position);
    UpdateThumb();
    Invalidate(false);
}

void CScrollBar::SetScrollSpeed(std::int32_t speed)
{
    m_speed = speed < 2 ? 1 : speed;
}

void CScrollBar::NotifyChange()
{
    if (AreEventsSuppressed())
    {
        return;
    }
    CWindowManager* manager = CWindowManager::GetInstance();
    if (manager != nullptr && m_parent != 0)
    {
        manager->PostMessage(m_parent, CWindowMessage("BtnClick", CWindowMessage::Input, 0, m_handle));
    }
    if (m_onChange.IsSet())
    {
        m_onChange(this);
    }
}

// Buttons, style and size

void CScrollBar::UpdateButtonDirections()
{
    CScrollBarButton* first = GetButton(0);
    CScrollBarButton* second = GetButton(1);
    if (first != nullptr && second != nullptr)
    {
        first->SetDirection(m_vertical ? DirectionUp : DirectionLeft);
        second->SetDirection(m_vertical ? DirectionDown : DirectionRight);
    }
}

void CScrollBar::SetButtons(bool on)
{
    if (on == m_buttons)
    {
        return;
    }
    m_buttons = on;
    if (on)
    {
        m_horizontalArrowLength = m_verticalThickness;
        m_verticalArrowLength = m_horizontalThickness;
        for (int i = 0; i < 2; ++i)
        {
            Handle& slot = i == 0 ? m_button1 : m_button2;
            if (Resolve(slot) != nullptr)
            {
                continue;
            }
            CScrollBarButton* button = new CScrollBarButton();
            button->SetName(i == 0 ? "__button1" : "__button2");
            slot = button->GetHandle();
            AddChild(slot);
            button->SetSize(m_verticalThickness, m_horizontalThickness);
        }
        UpdateButtonDirections();
    }
    else
    {
        m_horizontalArrowLength = 0;
        m_verticalArrowLength = 0;
        for (Handle* slot : {&m_button1, &m_button2})
        {
            if (CWindow* button = Resolve(*slot))
            {
                RemoveChild(*slot);
                button->Delete();
            }
            *slot = 0;
        }
    }
    OnSize();
    Invalidate(false);
}

void CScrollBar::SetStyle(int style)
{
    const bool vertical = style != 0;
    if (vertical == m_vertical)
    {
        return;
    }
    m_vertical = vertical;
    UpdateButtonDirections();
    Invalidate(false);
    SetSize(m_width, m_height);
    OnSize();
}

void CScrollBar::SetSize(std::int32_t width, std::int32_t height)
{
    if (m_vertical && m_verticalThickness > 0)
    {
        width = m_verticalThickness;
    }
    else if (!m_vertical && m_horizontalThickness > 0)
    {
        height = m_horizontalThickness;
    }
    CWindow::SetSize(width, height);
}

bool CScrollBar::OnSize()
{
    if (CWindow* first = Resolve(m_button1))
    {
        first->SetPosition(0, 0);
    }
    if (CWindow* second = Resolve(m_button2))
    {
        const BaseLib::CSize size = second->GetSize();
        second->SetPosition(m_width - size.cx, m_height - size.cy);
    }
    UpdateThumb();
    return true;
}

bool CScrollBar::ApplyVisualization()
{
    if (CVisualization* visualization = VisualizationOf(*this))
    {
        const CVisualizationMetrics& metrics = visualization->GetMetrics();
        m_verticalThickness = metrics.scrollBarButtonWidth;
        m_horizontalThickness = metrics.scrollBarButtonHeight;
    }
    CWindow* first = Resolve(m_button1);
    CWindow* second = Resolve(m_button2);
    if (first != nullptr && second != nullptr)
    {
        first->SetSize(m_verticalThickness, m_horizontalThickness);
        second->SetSize(m_verticalThickness, m_horizontalThickness);
        m_horizontalArrowLength = m_verticalThickness;
        m_verticalArrowLength = m_horizontalThickness;
    }
    SetSize(m_width, m_height);
    OnSize();
    return CWindow::ApplyVisualization();
}

// Thumb geometry, computed along the bar and then turned for a vertical bar.
void CScrollBar::UpdateThumb()
{
    const std::int64_t b = GetArrowLength();
    const std::int64_t length = m_vertical ? m_height : m_width;
    const std::int64_t thickness = m_vertical ? m_width : m_height;
    const std::int64_t track = length - 2 * b;
    std::int64_t thumb = static_cast<std::int64_t>(m_page) * track / (static_cast<std::int64_t>(m_range) + 1);
    thumb = std::max(thumb, b);
    if (thumb > track)
    {
        m_thumb = CRect();
        return;
    }
    const std::int64_t largest = LargestPosition();
    const std::int64_t offset = largest == 0 ? 0 : (track - thumb) * m_position / largest;
    const auto start = static_cast<std::int32_t>(b + offset);
    const auto end = static_cast<std::int32_t>(b + offset + thumb);
    m_thumb = m_vertical ? CRect(0, start, static_cast<std::int32_t>(thickness), end)
                         : CRect(start, 0, end, static_cast<std::int32_t>(thickness));
}

// Input

bool CScrollBar::OnMessage(const CWindowMessage& message)
{
    if (message.Is("BtnDown") && message.second != 0)
    {
        if (message.second == m_button1)
        {
            SetScrollPos(static_cast<std::int32_t>(
                std::max<std::int64_t>(static_cast<std::int64_t>(m_position) - m_speed, 0)));
            return true;
        }
        if (message.second == m_button2)
        {
            SetScrollPos(static_cast<std::int32_t>(
                std::min<std::int64_t>(static_cast<std::int64_t>(m_position) + m_speed, IntMax)));
            return true;
        }
    }
    return CWindow::OnMessage(message);
}

bool CScrollBar::OnLButtonDown(CPoint& point, std::uint8_t)
{
    if (IsDisabled())
    {
        return true;
    }
    const bool inThumb = point.x >= m_thumb.left && point.x < m_thumb.right && point.y >= m_thumb.top &&
                         point.y < m_thumb.bottom;
    if (inThumb)
    {
        m_dragging = true;
        if (CWindowManager* manager = CWindowManager::GetInstance())
        {
            manager->SetMouseCapture(this);
        }
        m_grab = CPoint(point.x - m_thumb.left, point.y - m_thumb.top);
    }
    else if (point.y < m_thumb.bottom && point.x < m_thumb.right)
    {
        SetScrollPos(static_cast<std::int32_t>(std::max<std::int64_t>(static_cast<std::int64_t>(m_position) - m_page, 0)));
    }
    else
    {
        SetScrollPos(static_cast<std::int32_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(m_position) + m_page, IntMax)));
    }
    return true;
}

bool CScrollBar::OnMouseMove(CPoint& point, std::uint8_t)
{
    if (!m_dragging)
    {
        return true;
    }
    const std::int64_t b = GetArrowLength();
    const std::int64_t track = (m_vertical ? m_height : m_width) - 2 * b;
    const std::int64_t thumb = m_vertical ? m_thumb.bottom - m_thumb.top : m_thumb.right - m_thumb.left;
    const std::int64_t room = track - thumb;
    if (room <= 0)
    {
        // The thumb fills the track: there is nowhere to drag it.
        return true;
    }
    const std::int64_t along = m_vertical ? static_cast<std::int64_t>(point.y) - b - m_grab.y
                                          : static_cast<std::int64_t>(point.x) - b - m_grab.x;
    const float quotient = static_cast<float>(LargestPosition()) * static_cast<float>(along) /
                               static_cast<float>(room) +
                           0.5f;
    const float rounded = std::floor(quotient);
    // Beyond the integer range the conversion is undefined: clamp first, SetScrollPos limits further.
    std::int32_t position = 0;
    if (rounded >= 2147483648.0f)
    {
        position = IntMax;
    }
    else if (rounded <= -2147483648.0f)
    {
        position = std::numeric_limits<std::int32_t>::min();
    }
    else
    {
        position = static_cast<std::int32_t>(rounded);
    }
    SetScrollPos(position);
    if (m_freeThumb && !m_thumb.IsEmpty())
    {
        const std::int64_t start = std::clamp<std::int64_t>(along + b, b, b + room);
        const auto s = static_cast<std::int32_t>(start);
        const auto e = static_cast<std::int32_t>(start + thumb);
        m_thumb = m_vertical ? CRect(m_thumb.left, s, m_thumb.right, e) : CRect(s, m_thumb.top, e, m_thumb.bottom);
        Invalidate(false);
    }
    return true;
}

bool CScrollBar::OnLButtonUp(CPoint&, std::uint8_t)
{
    if (m_dragging)
    {
        m_dragging = false;
        if (CWindowManager* manager = CWindowManager::GetInstance())
        {
            manager->ReleaseMouseCapture(this);
        }
        if (m_freeThumb)
        {
            UpdateThumb();
            Invalidate(false);
        }
    }
    return true;
}

void CScrollBar::Paint(CDrawContext& context)
{
    CVisualization* visualization = VisualizationOf(*this);
    if (visualization == nullptr)
    {
        return;
    }
    visualization->FillBackground(context, GetClientRect(), TrackFillStyle);
    if (!IsDisabled() && !m_thumb.IsEmpty())
    {
        visualization->DrawScrollBarThumb(context, m_thumb, 0);
    }
}

} // namespace UILib
