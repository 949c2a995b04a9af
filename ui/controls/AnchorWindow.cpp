#include "ui/controls/AnchorWindow.h"

#include "ui/WindowManager.h"
#include "ui/controls/PropertyTable.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace UILib
{

namespace
{

constexpr float FloatMax = std::numeric_limits<float>::max();

const CPropertyTable<CAnchorWindow>& AnchorWindowProperties()
{
    static const CPropertyTable<CAnchorWindow> table = [] {
        CPropertyTable<CAnchorWindow> t;
        t.Enum("Anchor Point", "Anchor Point", "None",
               "None Center North East South West NorthEast SouthEast SouthWest NorthWest",
               &CAnchorWindow::SetAnchorPoint, &CAnchorWindow::GetAnchorPoint);
        t.Enum("Positioning Unit", "Unit used for positioning this window relative to parent", "pixels",
               "pixels percent", &CAnchorWindow::SetPositioningUnit, &CAnchorWindow::GetPositioningUnit);
        t.Scalar<float>("Rel X Pos", "Relative position of anchor point to parent", 0.0f, -FloatMax, FloatMax,
                        &CAnchorWindow::SetRelativeX, &CAnchorWindow::GetRelativeX);
        t.Scalar<float>("Rel Y Pos", "Relative position of anchor point to parent", 0.0f, -FloatMax, FloatMax,
                        &CAnchorWindow::SetRelativeY, &CAnchorWindow::GetRelativeY);
        t.Enum("Resize Mode", "If and how to resize this window relative to parent window", "FixedSize",
               "FixedSize RelativeWidth RelativeHeight RelativeSize", &CAnchorWindow::SetResizeMode,
               &CAnchorWindow::GetResizeMode);
        t.Enum("Resize Childen", "Resize child window relative to this one?", "No", "No SameSize",
               &CAnchorWindow::SetResizeChildren, &CAnchorWindow::GetResizeChildren);
        t.Scalar<float>("Width %", "Height of this window in per cent of parent's width", 0.0f, -FloatMax, FloatMax,
                        &CAnchorWindow::SetWidthPercent, &CAnchorWindow::GetWidthPercent);
        t.Scalar<float>("Height %", "Height of this window in per cent of parent's height", 0.0f, -FloatMax,
                        FloatMax, &CAnchorWindow::SetHeightPercent, &CAnchorWindow::GetHeightPercent);
        return t;
    }();
    return table;
}

// trunc(value), clamped to the integer range first: beyond it the conversion would be undefined.
std::int32_t TruncateToInt(double value)
{
    if (std::isnan(value))
    {
        return 0;
    }
    if (value >= 2147483647.0)
    {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value <= -2147483648.0)
    {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}

} // namespace

CWindow* CAnchorWindow::Create()
{
    return new CAnchorWindow();
}

void CAnchorWindow::GetProperties(CPropertyList& list)
{
    CWindow::GetProperties(list);
    AnchorWindowProperties().AppendTo(list, this);
}

void CAnchorWindow::SetAnchorPoint(int anchor)
{
    if (anchor != m_anchor)
    {
        m_anchor = anchor;
        UpdatePosition();
    }
}

void CAnchorWindow::SetPositioningUnit(int unit)
{
    if (unit != m_unit)
    {
        m_unit = unit;
        UpdatePosition();
    }
}

void CAnchorWindow::SetRelativeX(float x)
{
    if (x != m_relativeX)
    {
        m_relativeX = x;
        UpdatePosition();
    }
}

void CAnchorWindow::SetRelativeY(float y)
{
    if (y != m_relativeY)
    {
        m_relativeY = y;
        UpdatePosition();
    }
}

void CAnchorWindow::SetResizeMode(int mode)
{
    if (mode != m_resizeMode)
    {
        m_resizeMode = mode;
        UpdateSize();
    }
}

void CAnchorWindow::SetWidthPercent(float percent)
{
    if (percent != m_widthPercent)
    {
        m_widthPercent = percent;
        UpdateSize();
    }
}

void CAnchorWindow::SetHeightPercent(float percent)
{
    if (percent != m_heightPercent)
    {
        m_heightPercent = percent;
        UpdateSize();
    }
}

void CAnchorWindow::SetResizeChildren(int mode)
{
    if (mode != m_resizeChildren)
    {
        m_resizeChildren = mode;
        ResizeChildren();
    }
}

void CAnchorWindow::UpdatePosition()
{
    const CWindow* parent = GetParent();
    if (parent == nullptr)
    {
        return;
    }
    const std::int32_t W = parent->GetSize().cx;
    const std::int32_t H = parent->GetSize().cy;
    const std::int32_t w = m_width;
    const std::int32_t h = m_height;
    std::int32_t offsetX = 0;
    std::int32_t offsetY = 0;
    if (m_unit == 1)
    {
        offsetX = TruncateToInt(static_cast<double>(m_relativeX) * W / 100.0);
        offsetY = TruncateToInt(static_cast<double>(m_relativeY) * H / 100.0);
    }
    else
    {
        offsetX = TruncateToInt(m_relativeX);
        offsetY = TruncateToInt(m_relativeY);
    }
    std::int32_t ax = 0;
    std::int32_t ay = 0;
    std::int32_t px = 0;
    std::int32_t py = 0;
    switch (m_anchor)
    {
    case AnchorCenter: ax = w / 2, ay = h / 2, px = W / 2, py = H / 2; break;
    case AnchorNorth: ax = w / 2, px = W / 2; break;
    case AnchorEast: ax = w, ay = h / 2, px = W, py = H / 2; break;
    case AnchorSouth: ax = w / 2, ay = h, px = W / 2, py = H; break;
    case AnchorWest: ay = h / 2, py = H / 2; break;
    case AnchorNorthEast: ax = w, px = W; break;
    case AnchorSouthEast: ax = w, ay = h, px = W, py = H; break;
    case AnchorSouthWest: ay = h, py = H; break;
    default: break;
    }
    // Sums in 64 bits, kept within the integer range.
    const auto place = [](std::int64_t p, std::int64_t a, std::int64_t offset) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(p - a + offset, std::numeric_limits<std::int32_t>::min(),
                                                                  std::numeric_limits<std::int32_t>::max()));
    };
    CWindow::SetPosition(place(px, ax, offsetX), place(py, ay, offsetY));
}

void CAnchorWindow::UpdateSize()
{
    const CWindow* parent = GetParent();
    if (m_resizeMode != FixedSize && parent != nullptr)
    {
        std::int32_t width = m_width;
        std::int32_t height = m_height;
        if (m_resizeMode == RelativeWidth || m_resizeMode == RelativeSize)
        {
            width = TruncateToInt(static_cast<double>(m_widthPercent) * parent->GetSize().cx / 100.0);
        }
        if (m_resizeMode == RelativeHeight || m_resizeMode == RelativeSize)
        {
            height = TruncateToInt(static_cast<double>(m_heightPercent) * parent->GetSize().cy / 100.0);
        }
        CWindow::SetSize(width, height);
    }
    ResizeChildren();
    UpdatePosition();
}

void CAnchorWindow::ResizeChildren()
{
    if (m_resizeChildren != 1)
    {
        return;
    }
    const CHandleArray children = m_children;
    for (std::size_t i = 0; i < children.GetCount(); ++i)
    {
        CWindowManager* manager = CWindowManager::GetInstance();
        if (CWindow* child = manager != nullptr ? manager->Resolve(children[i]) : nullptr)
        {
            child->SetSize(m_width, m_height);
            child->SetPosition(0, 0);
        }
    }
}

void CAnchorWindow::SetPosition(std::int32_t x, std::int32_t y)
{
    if (m_anchor == AnchorNone)
    {
        CWindow::SetPosition(x, y);
    }
}

void CAnchorWindow::SetSize(std::int32_t width, std::int32_t height)
{
    if (m_resizeMode == FixedSize)
    {
        CWindow::SetSize(width, height);
    }
}

bool CAnchorWindow::OnSize()
{
    UpdatePosition();
    return true;
}

void CAnchorWindow::OnParentChanged()
{
    UpdateSize();
}

bool CAnchorWindow::OnMessage(const CWindowMessage& message)
{
    if (message.Is("PWndSize"))
    {
        UpdateSize();
        return true;
    }
    return CTransparentWindow::OnMessage(message);
}

} // namespace UILib
