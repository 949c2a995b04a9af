#include "ui/controls/ToolTip.h"

#include "ui/DrawContext.h"
#include "ui/Visualization.h"
#include "ui/WindowManager.h"

#include <algorithm>

namespace UILib
{

using BaseLib::CPoint;
using BaseLib::CSize;

namespace
{

// The fill style and font index of the tool tip's look.
constexpr std::int32_t TooltipFillStyle = 7;
constexpr std::int32_t TooltipFontIndex = 5;

} // namespace

CToolTip::CToolTip(Handle owner) : m_owner(owner)
{
    SetText("Tooltip");
    if (CWindowManager* manager = CWindowManager::GetInstance())
    {
        manager->SetMouseCapture(this);
    }
    SetCanTakeFocus(false);
    if (GetBackground())
    {
        SetBackground(false);
        SetTransparent(true);
        Invalidate(false);
    }
    SetTransparent(false);
    m_dismissed = false;
    LayoutText();
    if (GetAutoEnlarge())
    {
        FitToContent(false);
    }
    ApplyVisualization();
}

CToolTip* CToolTip::Create(Handle owner)
{
    return new CToolTip(owner);
}

void CToolTip::FitToContent(bool exact)
{
    if (GetBitmap().IsValid())
    {
        CLabel::FitToContent(exact);
        return;
    }
    CVisualization* visualization = GetVisualization();
    const std::int32_t margin = visualization != nullptr ? visualization->GetTextWidth(TooltipFontIndex, " ") : 0;
    const CSize content = GetContentSize();
    CSize size(content.cx + 2 * margin, content.cy);
    if (!exact)
    {
        size.cx = std::max(size.cx, m_width);
        size.cy = std::max(size.cy, m_height);
    }
    SetSize(size.cx, size.cy);
}

CPoint CToolTip::Placement(const CPoint& mouse, const CSize& size, const CSize& parentSize)
{
    const CPoint candidates[] = {
        CPoint(mouse.x + 2, mouse.y + 2 - size.cy),
        CPoint(mouse.x - 2 - size.cx, mouse.y - 2 - size.cy),
        CPoint(mouse.x - 2 - size.cx, mouse.y + 2),
    };
    for (const CPoint& p : candidates)
    {
        if (p.x >= 0 && p.y >= 0 && p.x + size.cx < parentSize.cx && p.y + size.cy < parentSize.cy)
        {
            return p;
        }
    }
    return CPoint(mouse.x + 2, mouse.y + 2);
}

void CToolTip::PlaceAt(const CPoint& screenPoint)
{
    CWindow* parent = GetParent();
    if (parent == nullptr)
    {
        return;
    }
    const CPoint p = Placement(parent->ScreenToClient(screenPoint), GetSize(), parent->GetSize());
    SetPosition(p.x, p.y);
}

void CToolTip::OnParentChanged()
{
    if (CWindowManager* manager = CWindowManager::GetInstance())
    {
        PlaceAt(manager->GetLastMousePosition());
    }
}

bool CToolTip::OnMessage(const CWindowMessage& message)
{
    if (!message.IsPositional())
    {
        return CWindow::OnMessage(message);
    }
    CWindowManager* manager = CWindowManager::GetInstance();
    if (manager == nullptr)
    {
        return true;
    }
    const CPoint point(message.GetX(), message.GetY());
    // Hidden while asking, so that the tool tip never finds itself.
    SetVisible(false);
    CWindow* under = manager->WindowFromPoint(point);
    SetVisible(true);
    const Handle underHandle = under != nullptr ? under->GetHandle() : 0;
    const bool move = message.Is("MMove");
    if (move)
    {
        PlaceAt(point);
        if (under != nullptr && (underHandle == m_owner || under->IsDescendantOf(m_owner)))
        {
            return true;
        }
    }
    if (!m_dismissed)
    {
        manager->ReleaseMouseCapture(this);
        Destroy();
        m_dismissed = true;
    }
    // The owner is not activated again here: that would hand it the keyboard focus on every move off it.
    // A click that dismisses the tool tip moves the focus through its own delivery below.
    if (under != nullptr && !AreEventsSuppressed())
    {
        manager->SendMessage(message, underHandle);
    }
    return true;
}

void CToolTip::Paint(CDrawContext& context)
{
    CVisualization* visualization = GetVisualization();
    if (visualization != nullptr)
    {
        visualization->FillBackground(context, GetClientRect(), TooltipFillStyle);
    }
    PaintText(context);
    if (visualization != nullptr)
    {
        visualization->DrawFrame(context, GetClientRect(), 0, IsDisabled() ? 1 : 0);
    }
}

} // namespace UILib
