#include "ui/controls/ScrollWindow.h"

#include "ui/Visualization.h"
#include "ui/WindowManager.h"
#include "ui/controls/Label.h"
#include "ui/controls/PropertyTable.h"
#include "ui/controls/ScrollBar.h"

#include <algorithm>
#include <limits>

namespace UILib
{

using BaseLib::CPoint;
using BaseLib::CRect;
using BaseLib::CSize;

namespace
{

constexpr std::int32_t CornerFillStyle = 0;
constexpr std::int32_t BarSpeed = 8;
constexpr std::int32_t WheelDeltaPerNotch = 120;
constexpr std::int32_t IntMax = std::numeric_limits<std::int32_t>::max();

CWindow* Resolve(Handle handle)
{
    CWindowManager* manager = CWindowManager::GetInstance();
    return manager != nullptr && handle != 0 ? manager->Resolve(handle) : nullptr;
}

const CPropertyTable<CScrollWindow>& ScrollWindowProperties()
{
    static const CPropertyTable<CScrollWindow> table = [] {
        CPropertyTable<CScrollWindow> t;
        t.Scalar<int>("H Scroll Pos", "Horizontal Scroll Pos", 0, 0, IntMax, &CScrollWindow::SetHScrollPos,
                      &CScrollWindow::GetHScrollPos);
        t.Scalar<int>("V Scroll Pos", "Vertical Scroll Pos", 0, 0, IntMax, &CScrollWindow::SetVScrollPos,
                      &CScrollWindow::GetVScrollPos);
        t.Scalar<int>("H Scroll Speed", "Horizontal scrolling speed in units/button press", 0, 0, IntMax,
                      &CScrollWindow::SetHScrollSpeed, &CScrollWindow::GetHScrollSpeed);
        t.Scalar<int>("V Scroll Speed", "Vertical scrolling speed in units/button press", 0, 0, IntMax,
                      &CScrollWindow::SetVScrollSpeed, &CScrollWindow::GetVScrollSpeed);
        t.Enum("H Scroll Mode", "Mode of horizontal scroll bar", "Auto", "Auto Always Never",
               &CScrollWindow::SetHScrollMode, &CScrollWindow::GetHScrollMode);
        t.Enum("V Scroll Mode", "Mode of horizontal scroll bar", "Auto", "Auto Always Never",
               &CScrollWindow::SetVScrollMode, &CScrollWindow::GetVScrollMode);
        t.Scalar<CSize>("Client Area Size", "Size of client Area", CSize(100, 100), CSize(1, 1), CSize(10000, 10000),
                        &CScrollWindow::SetClientAreaSize, &CScrollWindow::GetClientAreaSize);
        return t;
    }();
    return table;
}

} // namespace

// CBasicScrollWindow

CBasicScrollWindow::CBasicScrollWindow()
{
    AttachClientArea(new CWindow());
}

CWindow* CBasicScrollWindow::Create()
{
    return new CBasicScrollWindow();
}

void CBasicScrollWindow::SetClientAreaSize(const CSize& size)
{
    if (CWindow* clientArea = GetClientArea())
    {
        clientArea->SetSize(size.cx, size.cy);
    }
}

void CBasicScrollWindow::SetClientArea(CWindow* window)
{
    if (window == nullptr)
    {
        return;
    }
    CSize size(1, 1);
    if (CWindow* old = GetClientArea())
    {
        size = old->GetSize();
        CWindow::RemoveChild(m_clientArea);
        old->Destroy();
    }
    m_clientArea = window->GetHandle();
    window->SetSize(size.cx, size.cy);
    CWindow::AddChild(m_clientArea);
    OnSize();
}

CPoint CBasicScrollWindow::GetScrollPosition() const
{
    const CWindow* clientArea = GetClientArea();
    if (clientArea == nullptr)
    {
        return CPoint(0, 0);
    }
    const CPoint position = clientArea->GetPosition();
    return CPoint(-position.x, -position.y);
}

void CBasicScrollWindow::SetScrollPosition(std::int32_t x, std::int32_t y)
{
    CWindow* clientArea = GetClientArea();
    if (clientArea == nullptr)
    {
        return;
    }
    const CSize client = clientArea->GetSize();
    const std::int32_t maxX = std::max(client.cx - m_width, 0);
    const std::int32_t maxY = std::max(client.cy - m_height, 0);
    x = std::max(std::min(x, maxX), 0);
    y = std::max(std::min(y, maxY), 0);
    clientArea->SetPosition(-x, -y);
}

bool CBasicScrollWindow::OnSize()
{
    const CPoint position = GetScrollPosition();
    SetScrollPosition(position.x, position.y);
    return true;
}

bool CBasicScrollWindow::OnMessage(const CWindowMessage& message)
{
    if (message.Is("sChWSize"))
    {
        if (message.second != m_clientArea)
        {
            return true;
        }
        if (CWindow* clientArea = GetClientArea())
        {
            clientArea->EnsureMinimumSize(GetSize());
        }
        OnSize();
        CWindowManager* manager = CWindowManager::GetInstance();
        if (manager != nullptr && m_parent != 0 && !AreEventsSuppressed())
        {
            manager->SendMessage(CWindowMessage("BScrWChn", 0, 0, m_handle), m_parent);
        }
        return true;
    }
    return CWindow::OnMessage(message);
}

// CScrollWindow

CScrollWindow::CScrollWindow()
{
    CScrollBar* horizontal = new CScrollBar();
    horizontal->SetStyle(0);
    horizontal->SetName("__hscrollbar");
    horizontal->SetScrollSpeed(BarSpeed);
    m_horizontalBar = horizontal->GetHandle();
    CWindow::AddChild(m_horizontalBar);

    CScrollBar* vertical = new CScrollBar();
    vertical->SetStyle(1);
    vertical->SetName("__vscrollbar");
    vertical->SetScrollSpeed(BarSpeed);
    m_verticalBar = vertical->GetHandle();
    CWindow::AddChild(m_verticalBar);

    CBasicScrollWindow* view = new CBasicScrollWindow();
    AttachClientArea(view);
    view->SetPosition(0, 0);
    UpdateLayout();
}

CWindow* CScrollWindow::Create()
{
    return new CScrollWindow();
}

void CScrollWindow::GetProperties(CPropertyList& list)
{
    CWindow::GetProperties(list);
    ScrollWindowProperties().AppendTo(list, this);
}

CBasicScrollWindow* CScrollWindow::GetView() const
{
    return static_cast<CBasicScrollWindow*>(GetClientArea());
}

CScrollBar* CScrollWindow::GetHorizontalBar() const
{
    return static_cast<CScrollBar*>(Resolve(m_horizontalBar));
}

CScrollBar* CScrollWindow::GetVerticalBar() const
{
    return static_cast<CScrollBar*>(Resolve(m_verticalBar));
}

// Properties

void CScrollWindow::SetClientAreaSize(const CSize& size)
{
    if (CBasicScrollWindow* view = GetView())
    {
        view->SetClientAreaSize(size);
    }
}

CSize CScrollWindow::GetClientAreaSize() const
{
    const CBasicScrollWindow* view = GetView();
    const CWindow* clientArea = view != nullptr ? view->GetClientArea() : nullptr;
    return clientArea != nullptr ? clientArea->GetSize() : CSize(0, 0);
}

void CScrollWindow::SetHScrollPos(std::int32_t x)
{
    CBasicScrollWindow* view = GetView();
    if (view == nullptr)
    {
        return;
    }
    view->SetScrollPosition(x, view->GetScrollPosition().y);
    if (CScrollBar* bar = GetHorizontalBar())
    {
        bar->SetScrollPos(view->GetScrollPosition().x);
    }
}

std::int32_t CScrollWindow::GetHScrollPos() const
{
    const CBasicScrollWindow* view = GetView();
    return view != nullptr ? view->GetScrollPosition().x : 0;
}

void CScrollWindow::SetVScrollPos(std::int32_t y)
{
    CBasicScrollWindow* view = GetView();
    if (view == nullptr)
    {
        return;
    }
    view->SetScrollPosition(view->GetScrollPosition().x, y);
    if (CScrollBar* bar = GetVerticalBar())
    {
        bar->SetScrollPos(view->GetScrollPosition().y);
    }
}

std::int32_t CScrollWindow::GetVScrollPos() const
{
    const CBasicScrollWindow* view = GetView();
    return view != nullptr ? view->GetScrollPosition().y : 0;
}

void CScrollWindow::SetHScrollSpeed(std::int32_t speed)
{
    if (CScrollBar* bar = GetHorizontalBar())
    {
        bar->SetScrollSpeed(speed);
    }
}

std::int32_t CScrollWindow::GetHScrollSpeed() const
{
    const CScrollBar* bar = GetHorizontalBar();
    return bar != nullptr ? bar->GetScrollSpeed() : 0;
}

void CScrollWindow::SetVScrollSpeed(std::int32_t speed)
{
    if (CScrollBar* bar = GetVerticalBar())
    {
        bar->SetScrollSpeed(speed);
    }
}

std::int32_t CScrollWindow::GetVScrollSpeed() const
{
    const CScrollBar* bar = GetVerticalBar();
    return bar != nullptr ? bar->GetScrollSpeed() : 0;
}

void CScrollWindow::SetHScrollMode(int mode)
{
    m_horizontalMode = std::clamp(mode, 0, 3);
    UpdateLayout();
}

void CScrollWindow::SetVScrollMode(int mode)
{
    m_verticalMode = std::clamp(mode, 0, 3);
    UpdateLayout();
}

// Layout

bool CScrollWindow::IsNeeded(std::int32_t mode, std::int32_t clientLength, std::int32_t viewLength) const
{
    return mode == ModeAlways || (mode == ModeAuto && clientLength - viewLength > 0);
}

bool CScrollWindow::BothBarsShown() const
{
    const CScrollBar* horizontal = GetHorizontalBar();
    const CScrollBar* vertical = GetVerticalBar();
    return horizontal != nullptr && vertical != nullptr && horizontal->GetVisible() && vertical->GetVisible();
}

void CScrollWindow::UpdateLayout()
{
    CBasicScrollWindow* view = GetView();
    CScrollBar* horizontal = GetHorizontalBar();
    CScrollBar* vertical = GetVerticalBar();
    if (view == nullptr || horizontal == nullptr || vertical == nullptr)
    {
        return;
    }
    const CWindow* clientArea = view->GetClientArea();
    const CSize client = clientArea != nullptr ? clientArea->GetSize() : CSize(0, 0);
    const std::int32_t barHeight = horizontal->GetSize().cy;
    const std::int32_t barWidth = vertical->GetSize().cx;
    std::int32_t viewWidth = m_width;
    std::int32_t viewHeight = m_height;
    horizontal->SetPosition(0, m_height - barHeight);
    vertical->SetPosition(m_width - barWidth, 0);

    bool horizontalNeeded = IsNeeded(m_horizontalMode, client.cx, viewWidth);
    if (horizontalNeeded)
    {
        viewHeight -= barHeight;
    }
    const bool verticalNeeded = IsNeeded(m_verticalMode, client.cy, viewHeight);
    if (verticalNeeded)
    {
        viewWidth -= barWidth;
    }
    // The vertical bar may have narrowed the view enough to need the horizontal one.
    if (!horizontalNeeded && IsNeeded(m_horizontalMode, client.cx, viewWidth))
    {
        horizontalNeeded = true;
        viewHeight -= barHeight;
    }
    view->SetSize(viewWidth, viewHeight);
    horizontal->SetVisible(horizontalNeeded);
    vertical->SetVisible(verticalNeeded);

    const CPoint offset = view->GetScrollPosition();
    CPoint target = offset;
    if (horizontalNeeded)
    {
        horizontal->SetSize(m_width - (verticalNeeded ? barWidth : 0), barHeight);
        horizontal->SetRange(client.cx - 1);
        horizontal->SetPageSize(viewWidth);
        horizontal->SetDisabled(client.cx - viewWidth <= 0);
        target.x = horizontal->GetScrollPos();
    }
    if (verticalNeeded)
    {
        vertical->SetSize(barWidth, m_height - (horizontalNeeded ? barHeight : 0));
        vertical->SetRange(client.cy - 1);
        vertical->SetPageSize(viewHeight);
        vertical->SetDisabled(client.cy - viewHeight <= 0);
        target.y = vertical->GetScrollPos();
    }
    // A hidden bar keeps no position of its own: that axis keeps the view's offset (re-clamped).
    view->SetScrollPosition(target.x, target.y);
    Invalidate(false);
}

bool CScrollWindow::OnSize()
{
    UpdateLayout();
    return true;
}

bool CScrollWindow::ApplyVisualization()
{
    UpdateLayout();
    return CWindow::ApplyVisualization();
}

bool CScrollWindow::OnMessage(const CWindowMessage& message)
{
    if (message.Is("BScrWChn"))
    {
        UpdateLayout();
        return true;
    }
    if (message.Is("BtnClick"))
    {
        // Clicks of buttons inside the content go on to the owner; only the bars scroll the view.
        CBasicScrollWindow* view = GetView();
        if (view == nullptr || (message.second != m_horizontalBar && message.second != m_verticalBar))
        {
            return CWindow::OnMessage(message);
        }
        const CPoint offset = view->GetScrollPosition();
        if (message.second == m_horizontalBar)
        {
            view->SetScrollPosition(GetHorizontalBar()->GetScrollPos(), offset.y);
        }
        else
        {
            view->SetScrollPosition(offset.x, GetVerticalBar()->GetScrollPos());
        }
        return true;
    }
    if (message.Is("MWheel"))
    {
        const auto delta = static_cast<std::int16_t>(message.second >> 16);
        const std::int32_t notches = delta / WheelDeltaPerNotch;
        const std::int64_t target = static_cast<std::int64_t>(GetVScrollPos()) -
                                    static_cast<std::int64_t>(notches) * GetVScrollSpeed();
        SetVScrollPos(static_cast<std::int32_t>(std::clamp<std::int64_t>(target, 0, IntMax)));
        return true;
    }
    return CWindow::OnMessage(message);
}

void CScrollWindow::Paint(CDrawContext& context)
{
    CVisualization* visualization = VisualizationOf(*this);
    if (visualization == nullptr || !BothBarsShown())
    {
        return;
    }
    const CScrollBar* horizontal = GetHorizontalBar();
    const CScrollBar* vertical = GetVerticalBar();
    visualization->FillBackground(
        context, CRect(m_width - vertical->GetSize().cx, m_height - horizontal->GetSize().cy, m_width, m_height),
        CornerFillStyle);
}

} // namespace UILib
