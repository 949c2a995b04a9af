#include "ui/Window.h"

#include "foundation/Debug.h"
#include "foundation/PropertyDescription.h"
#include "ui/Canvas.h"
#include "ui/Visualization.h"
#include "ui/WindowFactory.h"
#include "ui/WindowManager.h"

#include <tinyxml.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>

namespace UILib
{

namespace
{

using BaseLib::CPoint;
using BaseLib::CRect;
using BaseLib::CSize;
using BaseLib::CString;

CWindowManager* Manager()
{
    return CWindowManager::GetInstance();
}

CWindow* ResolveWindow(Handle handle)
{
    CWindowManager* manager = Manager();
    return manager != nullptr ? manager->Resolve(handle) : nullptr;
}

// The strict overlap rule: rectangles that do not overlap give (0, 0, 0, 0).
CRect IntersectStrict(const CRect& a, const CRect& b)
{
    if (!(a.left < b.right && a.right > b.left && a.top < b.bottom && a.bottom > b.top))
    {
        return CRect();
    }
    return CRect(std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                 std::min(a.bottom, b.bottom));
}

// A sum kept within the integer range: a window may be placed as far out as the integers reach.
std::int32_t Shift(std::int32_t value, std::int32_t by)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(std::int64_t{value} + by,
                                                              std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

CRect Offset(const CRect& rect, const CPoint& by)
{
    return CRect(Shift(rect.left, by.x), Shift(rect.top, by.y), Shift(rect.right, by.x), Shift(rect.bottom, by.y));
}

// The window's properties. "Tab Order" is described but not listed.
const BaseLib::CPropertyDescriptionString<CWindow, CString> s_name("Name", "Name of the Window", CString(),
                                                                   &CWindow::SetName, &CWindow::GetName);
const BaseLib::CPropertyDescriptionString<CWindow, CString> s_tooltipText(
    "Tooltip Text", "Text that appears as a tooltip;\nleave empty to disable tooltips for this window",
    CString(), &CWindow::SetTooltipText, &CWindow::GetTooltipText);
const BaseLib::CPropertyDescriptionScalar<CWindow, CSize> s_size("Size", "Size of the window, in pixels",
                                                                 CSize(100, 100), CSize(1, 1),
                                                                 CSize(10000, 10000), &CWindow::SetSizeValue,
                                                                 &CWindow::GetSize);
const BaseLib::CPropertyDescriptionScalar<CWindow, CPoint> s_position(
    "Position", "Position of the window,\nin pixels relative to parent window", CPoint(100, 100),
    CPoint(-10000, -10000), CPoint(10000, 10000), &CWindow::SetPositionValue, &CWindow::GetPosition);
const BaseLib::CPropertyDescriptionScalar<CWindow, std::int32_t> s_tabOrder(
    "Tab Order", "Activation order when hitting tab key", 0, 0, 2147483647, &CWindow::SetTabOrder,
    &CWindow::GetTabOrder);
const BaseLib::CPropertyDescriptionBool<CWindow> s_disabled("Disabled",
                                                            "Window is disabled and\ncan not be interacted with",
                                                            false, &CWindow::SetDisabled, &CWindow::GetDisabled);
const BaseLib::CPropertyDescriptionBool<CWindow> s_visible("Visible", "Whether this window is\nvisible or not",
                                                           true, &CWindow::SetVisible, &CWindow::GetVisible);
const BaseLib::CPropertyDescriptionBool<CWindow> s_transparent(
    "Transparent", "Forces windows hidden\nby this window to draw\nthemselves nevertheless", false,
    &CWindow::SetTransparent, &CWindow::IsTransparent);
const BaseLib::CPropertyDescriptionBool<CWindow> s_alwaysOnTop("Always On Top",
                                                               "Window cannot be hidden\nby other windows", false,
                                                               &CWindow::SetAlwaysOnTop, &CWindow::IsAlwaysOnTop);
const BaseLib::CPropertyDescriptionBool<CWindow> s_writeAlpha(
    "Write Alpha",
    "Forces window to write\nown color + alpha channel to screen\nrather than to blend with\nwindow beneath", false,
    &CWindow::SetWriteAlpha, &CWindow::GetWriteAlpha);
const BaseLib::CPropertyDescriptionBool<CWindow> s_notHitable("Not Hitable", "Excluded from mouse hit testing.",
                                                              false, &CWindow::SetNotHitable,
                                                              &CWindow::IsNotHitable);
const BaseLib::CPropertyDescriptionBool<CWindow> s_ownCanvas("Own Canvas",
                                                             "Give window an own rendering canvas (e.g. a texture)",
                                                             false, &CWindow::SetOwnCanvas, &CWindow::HasOwnCanvas);

} // namespace

CWindow::CWindow()
{
    if (CWindowManager* manager = Manager())
    {
        m_handle = manager->RegisterWindow(this);
        m_visualizationId = manager->GetDefaultVisualizationId();
    }
}

CWindow::~CWindow()
{
    if (CWindow* parent = GetParent())
    {
        parent->RemoveChild(m_handle);
    }
    RemoveOwnCanvas();
    DeleteAnimations();
    while (!m_children.IsEmpty())
    {
        const Handle handle = m_children[0];
        m_children.RemoveAt(0);
        if (CWindow* child = ResolveWindow(handle))
        {
            child->SetParent(0);
            child->Delete();
        }
    }
    if (CWindowManager* manager = Manager())
    {
        manager->UnregisterWindow(this);
    }
}

CWindow* CWindow::Create()
{
    return new CWindow();
}

void CWindow::Destroy()
{
    SetVisible(false);
    if (CWindowManager* manager = Manager())
    {
        manager->QueueForDeletion(this);
    }
}

void CWindow::Delete()
{
    delete this;
}

CWindow* CWindow::GetParent() const
{
    return ResolveWindow(m_parent);
}

void CWindow::SetFlag(std::uint8_t flag, bool set)
{
    m_flags = set ? static_cast<std::uint8_t>(m_flags | flag) : static_cast<std::uint8_t>(m_flags & ~flag);
}

bool CWindow::IsInternalChild() const
{
    return m_name.GetLength() >= 2 && static_cast<const char*>(m_name)[0] == '_' &&
           static_cast<const char*>(m_name)[1] == '_';
}

void CWindow::SetTooltipText(const CString& text)
{
    if (text != m_tooltipText)
    {
        m_tooltipText = text;
    }
}

// Tree

bool CWindow::AddChild(Handle childHandle)
{
    if (m_children.Find(childHandle) >= 0)
    {
        return false;
    }
    CWindow* child = ResolveWindow(childHandle);
    if (child == nullptr)
    {
        return false;
    }
    if (child == this || IsDescendantOf(childHandle))
    {
        // The tree would become a cycle: every walk up the parents would loop.
        BaseLib::DebugOutput("CWindow: Error: window %u cannot become a child of its own descendant %u\n",
                             childHandle, m_handle);
        return false;
    }
    child->RemoveFromParent();

    std::size_t place = m_children.GetCount();
    while (place > 0)
    {
        const CWindow* sibling = ResolveWindow(m_children[place - 1]);
        if (sibling == nullptr || !sibling->IsAlwaysOnTop())
        {
            break;
        }
        --place;
    }
    const std::size_t appended = m_children.Append(childHandle);
    m_children.Move(appended, place);

    child->SetDisabledByParent(IsDisabled());
    child->SetVisibleByParent(IsVisible());
    if (IsExemptFromModal())
    {
        child->SetExemptFromModal(true);
    }
    child->SetParent(m_handle);
    if (child->IsVisible())
    {
        child->Invalidate(false);
    }
    if (child->HasOwnCanvasInTree())
    {
        if (CWindowManager* manager = Manager())
        {
            manager->InvalidateLayerOrder(this);
        }
        if (CCanvas* canvas = GetCanvas(true))
        {
            const auto attach = [canvas](CWindow& window) {
                canvas->RemoveChildCanvas(window.m_ownCanvas);
                canvas->AddChildCanvas(window.m_ownCanvas);
                window.PlaceOwnCanvas();
            };
            if (child->m_ownCanvas != nullptr)
            {
                attach(*child);
            }
            else
            {
                child->ForEachNearestOwnCanvasBelow(attach);
            }
        }
    }
    if (CWindowManager* manager = Manager())
    {
        manager->UpdateMouseOverAtLastPosition();
    }
    return true;
}

void CWindow::RemoveChild(Handle childHandle)
{
    CWindow* child = ResolveWindow(childHandle);
    const std::ptrdiff_t index = m_children.Find(childHandle);
    if (child != nullptr && !child->HasOwnCanvas() && child->IsVisible())
    {
        child->Invalidate(false);
    }
    if (child != nullptr && child->HasOwnCanvasInTree())
    {
        if (CWindowManager* manager = Manager())
        {
            manager->InvalidateLayerOrder(this);
        }
        if (CCanvas* canvas = GetCanvas(true))
        {
            const auto detach = [canvas](CWindow& window) { canvas->RemoveChildCanvas(window.m_ownCanvas); };
            if (child->m_ownCanvas != nullptr)
            {
                detach(*child);
            }
            else
            {
                child->ForEachNearestOwnCanvasBelow(detach);
            }
        }
    }
    if (index >= 0)
    {
        m_children.RemoveAt(static_cast<std::size_t>(index));
    }
    if (child != nullptr)
    {
        child->SetParent(0);
    }
}

void CWindow::RemoveFromParent()
{
    if (CWindow* parent = GetParent())
    {
        parent->RemoveChild(m_handle);
    }
}

void CWindow::NotifyDescendantsOfAncestorChange()
{
    for (std::size_t i = 0; i < m_children.GetCount(); ++i)
    {
        if (CWindow* child = ResolveWindow(m_children[i]))
        {
            child->OnAncestorChanged();
            child->PlaceOwnCanvas();
            child->NotifyDescendantsOfAncestorChange();
        }
    }
}

void CWindow::SetParent(Handle parent)
{
    m_parent = parent;
    OnParentChanged();
    NotifyDescendantsOfAncestorChange();
}

bool CWindow::IsDescendantOf(Handle ancestor) const
{
    if (ancestor == 0)
    {
        return false;
    }
    for (const CWindow* window = GetParent(); window != nullptr; window = window->GetParent())
    {
        if (window->m_handle == ancestor)
        {
            return true;
        }
    }
    return false;
}

CWindow* CWindow::GetTopLevelWindow()
{
    CWindow* window = this;
    while (CWindow* parent = window->GetParent())
    {
        window = parent;
    }
    return window;
}

std::int32_t CWindow::GetLayerIndex()
{
    const CWindow* top = GetTopLevelWindow();
    CWindowManager* manager = Manager();
    if ((top->m_flags & FlagLayerRoot) == 0 || manager == nullptr)
    {
        return -1;
    }
    return manager->FindLayerOf(top);
}

bool CWindow::HasFocus() const
{
    CWindowManager* manager = Manager();
    if (manager != nullptr && manager->GetFocus() != 0 && manager->GetFocus() == m_handle)
    {
        return true;
    }
    for (std::size_t i = 0; i < m_children.GetCount(); ++i)
    {
        const CWindow* child = ResolveWindow(m_children[i]);
        if (child != nullptr && child->HasFocus())
        {
            return true;
        }
    }
    return false;
}

void CWindow::SetExemptFromModal(bool exempt)
{
    SetFlag(FlagExemptFromModal, exempt);
    for (std::size_t i = 0; i < m_children.GetCount(); ++i)
    {
        if (CWindow* child = ResolveWindow(m_children[i]))
        {
            child->SetExemptFromModal(exempt);
        }
    }
}

void CWindow::SetAlwaysOnTop(bool onTop)
{
    if (onTop == m_alwaysOnTop)
    {
        return;
    }
    m_alwaysOnTop = onTop;
    CWindowManager* manager = Manager();
    if (manager == nullptr)
    {
        return;
    }
    if (onTop)
    {
        manager->ActivateWindow(m_handle, false);
        return;
    }
    if (CWindow* parent = GetParent())
    {
        // Walk a copy: activation reorders the parent's list.
        const CHandleArray siblings = parent->m_children;
        for (std::size_t i = 0; i < siblings.GetCount(); ++i)
        {
            CWindow* sibling = ResolveWindow(siblings[i]);
            if (sibling != nullptr && sibling != this && sibling->IsAlwaysOnTop())
            {
                manager->ActivateWindow(siblings[i], false);
            }
        }
    }
}

void CWindow::SetWriteAlpha(bool writeAlpha)
{
    if (writeAlpha != GetWriteAlpha())
    {
        SetFlag(FlagWriteAlpha, writeAlpha);
        Invalidate(false);
    }
}

void CWindow::SetVisualization(std::uint32_t id)
{
    m_visualizationId = id;
    if (!AreEventsSuppressed())
    {
        if (CWindowManager* manager = Manager())
        {
            manager->SendMessage(CWindowMessage("sWVisChg"), m_handle);
        }
    }
    Invalidate(false);
}

bool CWindow::HasOwnCanvasInTree() const
{
    if (HasOwnCanvas())
    {
        return true;
    }
    for (std::size_t i = 0; i < m_children.GetCount(); ++i)
    {
        const CWindow* child = ResolveWindow(m_children[i]);
        if (child != nullptr && child->HasOwnCanvasInTree())
        {
            return true;
        }
    }
    return false;
}

void CWindow::SetTransparent(bool transparent)
{
    m_transparent = transparent;
    Invalidate(false);
}

// Visibility and disabling

void CWindow::SetVisible(bool visible)
{
    if (visible == m_visible)
    {
        return;
    }
    m_visible = visible;
    OnVisibleChanged();
    if (CWindowManager* manager = Manager())
    {
        manager->UpdateMouseOverAtLastPosition();
    }
}

void CWindow::SetVisibleByParent(bool visible)
{
    if (visible != m_visibleByParent)
    {
        m_visibleByParent = visible;
        OnVisibleChanged();
    }
}

void CWindow::OnVisibleChanged()
{
    Invalidate(true);
    for (std::size_t i = 0; i < m_children.GetCount(); ++i)
    {
        if (CWindow* child = ResolveWindow(m_children[i]))
        {
            child->SetVisibleByParent(IsVisible());
        }
    }
    CWindowManager* manager = Manager();
    if (manager != nullptr && manager->GetFocus() != 0 && manager->GetFocus() == m_handle)
    {
        manager->KillFocus();
    }
}

void CWindow::SetDisabled(bool disabled)
{
    if (disabled != m_disabled)
    {
        m_disabled = disabled;
        OnDisabledChanged();
    }
}

void CWindow::SetDisabledByParent(bool disabled)
{
    if (disabled != m_disabledByParent)
    {
        m_disabledByParent = disabled;
        OnDisabledChanged();
    }
}

void CWindow::OnDisabledChanged()
{
    if (IsVisible())
    {
        Invalidate(false);
    }
    for (std::size_t i = 0; i < m_children.GetCount(); ++i)
    {
        if (CWindow* child = ResolveWindow(m_children[i]))
        {
            child->SetDisabledByParent(IsDisabled());
        }
    }
    CWindowManager* manager = Manager();
    if (m_disabled && manager != nullptr && manager->GetFocus() != 0 && manager->GetFocus() == m_handle)
    {
        Handle target = 0;
        for (const CWindow* ancestor = GetParent(); ancestor != nullptr; ancestor = ancestor->GetParent())
        {
            if (!ancestor->IsDisabled())
            {
                target = ancestor->m_handle;
                break;
            }
        }
        manager->ActivateWindow(target, true);
    }
}

// Sizing and moving

void CWindow::SetSize(std::int32_t width, std::int32_t height)
{
    width = std::max(width, m_minWidth);
    height = std::max(height, m_minHeight);
    if (m_maxWidth >= 0)
    {
        width = std::min(width, m_maxWidth);
    }
    if (m_maxHeight >= 0)
    {
        height = std::min(height, m_maxHeight);
    }
    if (width == m_width && height == m_height)
    {
        return;
    }
    if (IsVisible())
    {
        Invalidate(false);
    }
    m_width = width;
    m_height = height;
    if (m_ownCanvas != nullptr)
    {
        m_ownCanvas->Resize(width, height);
    }
    if (IsVisible())
    {
        Invalidate(false);
    }
    SendSizeMessages();
}

void CWindow::SendSizeMessages()
{
    CWindowManager* manager = Manager();
    if (manager == nullptr)
    {
        return;
    }
    const Handle self = m_handle;
    if (!AreEventsSuppressed())
    {
        manager->SendMessage(CWindowMessage("sWSize"), self);
    }
    // A handler may have deleted this window: go on only while it resolves.
    if (manager->Resolve(self) != this)
    {
        return;
    }
    if (m_parent != 0 && !AreEventsSuppressed())
    {
        manager->SendMessage(CWindowMessage("sChWSize", 0, 0, self), m_parent);
    }
    const CHandleArray children = m_children;
    for (std::size_t i = 0; i < children.GetCount(); ++i)
    {
        if (manager->Resolve(self) != this || AreEventsSuppressed())
        {
            return;
        }
        manager->SendMessage(CWindowMessage("PWndSize", 0, 0, self), children[i]);
    }
}

void CWindow::EnsureMinimumSize(const CSize& size)
{
    SetSize(std::max(m_width, size.cx), std::max(m_height, size.cy));
}

void CWindow::LimitSize(const CSize& size)
{
    SetSize(size.cx < 0 ? m_width : std::min(m_width, size.cx), size.cy < 0 ? m_height : std::min(m_height, size.cy));
}

void CWindow::FitToContent(bool fromZero)
{
    CSize needed = fromZero ? CSize(0, 0) : GetSize();
    for (std::size_t i = 0; i < m_children.GetCount(); ++i)
    {
        if (const CWindow* child = ResolveWindow(m_children[i]))
        {
            needed.cx = std::max(needed.cx, child->m_x + child->m_width);
            needed.cy = std::max(needed.cy, child->m_y + child->m_height);
        }
    }
    EnsureMinimumSize(needed);
}

void CWindow::SetMinimumSize(const CSize& size)
{
    m_minWidth = std::max(m_minWidth, size.cx);
    m_minHeight = std::max(m_minHeight, size.cy);
    EnsureMinimumSize(CSize(m_minWidth, m_minHeight));
}

void CWindow::SetMaximumSize(const CSize& size)
{
    if (size.cx >= 0 && (m_maxWidth < 0 || m_maxWidth > size.cx))
    {
        m_maxWidth = size.cx;
    }
    if (size.cy >= 0 && (m_maxHeight < 0 || m_maxHeight > size.cy))
    {
        m_maxHeight = size.cy;
    }
    LimitSize(CSize(m_maxWidth, m_maxHeight));
}

void CWindow::SetPosition(std::int32_t x, std::int32_t y)
{
    if (x == m_x && y == m_y)
    {
        return;
    }
    if (HasOwnCanvas())
    {
        m_x = x;
        m_y = y;
        PlaceOwnCanvas();
        return;
    }
    if (IsVisible())
    {
        Invalidate(false);
    }
    m_x = x;
    m_y = y;
    if (IsVisible())
    {
        Invalidate(false);
    }
    ForEachNearestOwnCanvasBelow([](CWindow& window) { window.PlaceOwnCanvas(); });
}

void CWindow::CenterInParent()
{
    if (const CWindow* parent = GetParent())
    {
        SetPosition((parent->m_width - m_width) / 2, (parent->m_height - m_height) / 2);
    }
}

void CWindow::ResetCursorForLayerRoot()
{
    if ((m_flags & FlagLayerRoot) != 0)
    {
        m_cursorType = 1;
    }
}

CPoint CWindow::GetScreenPosition() const
{
    CPoint position(m_x, m_y);
    for (const CWindow* ancestor = GetParent(); ancestor != nullptr; ancestor = ancestor->GetParent())
    {
        position.x += ancestor->m_x;
        position.y += ancestor->m_y;
    }
    return position;
}

CRect CWindow::GetVisibleScreenRect() const
{
    CRect rect = Offset(GetClientRect(), CPoint(m_x, m_y));
    for (const CWindow* ancestor = GetParent(); ancestor != nullptr; ancestor = ancestor->GetParent())
    {
        rect = Offset(IntersectStrict(rect, ancestor->GetClientRect()), CPoint(ancestor->m_x, ancestor->m_y));
    }
    return rect;
}

CRect CWindow::GetVisibleClientRect() const
{
    CRect rect = GetClientRect();
    CPoint offset(m_x, m_y); // this window's origin in the current ancestor's client coordinates
    for (const CWindow* ancestor = GetParent(); ancestor != nullptr; ancestor = ancestor->GetParent())
    {
        rect = IntersectStrict(rect, Offset(ancestor->GetClientRect(), CPoint(-offset.x, -offset.y)));
        offset.x += ancestor->m_x;
        offset.y += ancestor->m_y;
    }
    return rect;
}

bool CWindow::HasNonInternalDescendant() const
{
    for (std::size_t i = m_children.GetCount(); i > 0; --i)
    {
        const CWindow* child = ResolveWindow(m_children[i - 1]);
        if (child != nullptr && (!child->IsInternalChild() || child->HasNonInternalDescendant()))
        {
            return true;
        }
    }
    return false;
}

void CWindow::Activate()
{
    if (CWindowManager* manager = Manager())
    {
        manager->ActivateWindow(m_handle, true);
    }
}

CWindow* CWindow::FindChildByName(const CString& name, bool recursive, const char* expectedClass)
{
    for (std::size_t i = 0; i < m_children.GetCount(); ++i)
    {
        CWindow* child = ResolveWindow(m_children[i]);
        if (child == nullptr || !(child->m_name == name))
        {
            continue;
        }
        if (expectedClass != nullptr && expectedClass[0] != '\0' &&
            std::string(expectedClass) != child->GetClassName())
        {
            BaseLib::DebugOutput("Error: found window '%s', but is is of type '%s' and not of expected type '%s'",
                                 static_cast<const char*>(name), child->GetClassName(), expectedClass);
            return nullptr;
        }
        return child;
    }
    if (recursive)
    {
        for (std::size_t i = 0; i < m_children.GetCount(); ++i)
        {
            if (CWindow* child = ResolveWindow(m_children[i]))
            {
                if (CWindow* found = child->FindChildByName(name, true, expectedClass))
                {
                    return found;
                }
            }
        }
    }
    return nullptr;
}

// Hit testing

CPoint CWindow::ScreenToClient(const CPoint& screenPoint) const
{
    const CWindow* parent = GetParent();
    const CCanvas* canvas = m_ownCanvas != nullptr ? m_ownCanvas : parent != nullptr ? parent->GetCanvas(true) : nullptr;
    if (canvas != nullptr)
    {
        const CPoint mapped = canvas->TransformPoint(screenPoint.x, screenPoint.y);
        const CPoint offset = GetPositionInCanvas();
        return CPoint(mapped.x - offset.x, mapped.y - offset.y);
    }
    const CPoint origin = GetScreenPosition();
    return CPoint(screenPoint.x - origin.x, screenPoint.y - origin.y);
}

CWindow* CWindow::WindowFromPoint(const CPoint& screenPoint, bool recursive)
{
    if (!IsVisible() || IsNotHitable())
    {
        return nullptr;
    }
    const CPoint client = ScreenToClient(screenPoint);
    const CRect rect = GetClientRect();
    if (!(rect.left <= client.x && client.x < rect.right && rect.top <= client.y && client.y < rect.bottom))
    {
        return nullptr;
    }
    if (!recursive)
    {
        return this;
    }
    for (std::size_t i = m_children.GetCount(); i > 0; --i)
    {
        if (CWindow* child = ResolveWindow(m_children[i - 1]))
        {
            if (CWindow* hit = child->WindowFromPoint(screenPoint, true))
            {
                return hit;
            }
        }
    }
    return this;
}

// Properties and layout files

void CWindow::GetProperties(CPropertyList& list)
{
    list.emplace_back(this, &s_name);
    list.emplace_back(this, &s_tooltipText);
    list.emplace_back(this, &s_size);
    list.emplace_back(this, &s_position);
    list.emplace_back(this, &s_disabled);
    list.emplace_back(this, &s_visible);
    list.emplace_back(this, &s_transparent);
    list.emplace_back(this, &s_alwaysOnTop);
    list.emplace_back(this, &s_writeAlpha);
    list.emplace_back(this, &s_notHitable);
    list.emplace_back(this, &s_ownCanvas);
    if (m_ownCanvas != nullptr)
    {
        m_ownCanvas->GetProperties(list);
    }
}

bool CWindow::LoadXml(const TiXmlElement* element)
{
    bool sawAnimation = false;
    for (const TiXmlElement* child = element->FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement())
    {
        const std::string tag = child->Value();
        if (tag == "property")
        {
            const char* name = child->Attribute("name");
            const char* value = child->Attribute("value");
            if (name == nullptr || value == nullptr)
            {
                BaseLib::DebugOutput("CWindow: Error: %s: a \"property\" without \"%s\" ends the properties of %s\n",
                                     DescribeLayoutPlace(child).c_str(), name == nullptr ? "name" : "value",
                                     GetClassName());
                return false;
            }
            CPropertyList properties;
            GetProperties(properties);
            bool found = false;
            for (const BaseLib::CGenericProperty& property : properties)
            {
                if (property.GetDescription()->GetName() == name)
                {
                    property.SetFromString(value);
                    // The value is applied as read either way; a text not in the kind's written form
                    // tells the author what was taken instead.
                    if (!property.GetDescription()->ReadsWhole(value))
                    {
                        std::string taken;
                        property.GetAsString(taken);
                        BaseLib::DebugOutput("CWindow: Warning: %s: %s '%s', property \"%s\": \"%s\" is not read whole, "
                                             "\"%s\" taken\n",
                                             DescribeLayoutPlace(child).c_str(), GetClassName(),
                                             static_cast<const char*>(m_name), name, value, taken.c_str());
                    }
                    found = true;
                    break;
                }
            }
            if (!found)
            {
                BaseLib::DebugOutput("CWindow: Error: %s: %s has no property \"%s\"\n",
                                     DescribeLayoutPlace(child).c_str(), GetClassName(), name);
            }
        }
        else if (tag == "animation")
        {
            sawAnimation = true;
        }
    }
    if (sawAnimation)
    {
        LoadAnimationsXml(element);
    }
    return true;
}

void CWindow::SaveXml(TiXmlNode* parent, bool recursive)
{
    const bool internal = IsInternalChild();
    if (internal && !(recursive && HasNonInternalDescendant()))
    {
        return;
    }
    auto* element = new TiXmlElement("window");
    parent->LinkEndChild(element);
    element->SetAttribute("type", GetClassName());
    if (internal)
    {
        element->SetAttribute("name", static_cast<const char*>(m_name));
    }
    else
    {
        CPropertyList properties;
        GetProperties(properties);
        for (const BaseLib::CGenericProperty& property : properties)
        {
            if (property.GetDescription()->IsReadOnly())
            {
                continue;
            }
            std::string value;
            property.GetAsString(value);
            auto* entry = new TiXmlElement("property");
            entry->SetAttribute("name", property.GetDescription()->GetName());
            entry->SetAttribute("value", value);
            element->LinkEndChild(entry);
        }
        SaveAnimationsXml(element);
    }
    if (recursive)
    {
        const CHandleArray children = m_children;
        for (std::size_t i = 0; i < children.GetCount(); ++i)
        {
            if (CWindow* child = ResolveWindow(children[i]))
            {
                child->SaveXml(element, true);
            }
        }
    }
}

// Messages

bool CWindow::OnMessage(const CWindowMessage& message)
{
    if (message.IsPositional())
    {
        CPoint point = ScreenToClient(CPoint(message.GetX(), message.GetY()));
        const std::uint8_t modifiers = message.GetModifiers();
        using MouseHandler = bool (CWindow::*)(CPoint&, std::uint8_t);
        static const std::pair<const char*, MouseHandler> mouseHandlers[] = {
            {"MMove", &CWindow::OnMouseMove},         {"MLBDwn", &CWindow::OnLButtonDown},
            {"MLBUp", &CWindow::OnLButtonUp},         {"MLBDbl", &CWindow::OnLButtonDblClk},
            {"MRBDwn", &CWindow::OnRButtonDown},      {"MRBUp", &CWindow::OnRButtonUp},
            {"MRBDbl", &CWindow::OnRButtonDblClk},    {"MMBDwn", &CWindow::OnMButtonDown},
            {"MMBUp", &CWindow::OnMButtonUp},         {"MMBDbl", &CWindow::OnMButtonDblClk}};
        for (const auto& [code, handler] : mouseHandlers)
        {
            if (message.Is(code))
            {
                return (this->*handler)(point, modifiers);
            }
        }
        return false;
    }
    const std::uint8_t modifiers = message.GetModifiers();
    if (message.Is("sCharKey"))
    {
        return OnCharKey(message.first, modifiers);
    }
    if (message.Is("sKeyDown"))
    {
        return OnKeyDown(message.first, modifiers);
    }
    if (message.Is("sKeyUp"))
    {
        return OnKeyUp(message.first, modifiers);
    }
    if (message.Is("WndAct"))
    {
        return OnActivate();
    }
    if (message.Is("WndDeact"))
    {
        return OnDeactivate();
    }
    if (message.Is("WndActI"))
    {
        return OnOtherActivated();
    }
    if (message.Is("WndDactI"))
    {
        return OnOtherDeactivated();
    }
    if (message.Is("sWSize"))
    {
        return OnSize();
    }
    if (message.Is("sChWSize"))
    {
        return true;
    }
    if (message.Is("sWVisChg"))
    {
        return ApplyVisualization();
    }
    if (message.Is("Timer"))
    {
        return OnTimer(message.first);
    }
    return false;
}

bool CWindow::OnTimer(Handle timer)
{
    BaseLib::DebugOutput("CWindow: Warning: unhandled timer 0x%08x in window '%s'\n", timer,
                         static_cast<const char*>(m_name));
    return true;
}

bool CWindow::OnCharKey(std::uint32_t, std::uint8_t)
{
    return false;
}

bool CWindow::FireMouse(const CMouseCallback& callback, CPoint& point)
{
    if (!callback.IsSet() || AreEventsSuppressed())
    {
        return false;
    }
    callback(this, point);
    return true;
}

bool CWindow::FireKey(const CKeyCallback& callback, std::uint32_t key, std::uint8_t modifiers)
{
    if (!callback.IsSet() || AreEventsSuppressed())
    {
        return false;
    }
    callback(this, key, modifiers);
    return true;
}

bool CWindow::OnKeyDown(std::uint32_t key, std::uint8_t modifiers)
{
    return FireKey(m_onKeyDown, key, modifiers);
}
bool CWindow::OnKeyUp(std::uint32_t key, std::uint8_t modifiers)
{
    return FireKey(m_onKeyUp, key, modifiers);
}
bool CWindow::OnMouseMove(CPoint& point, std::uint8_t)
{
    return FireMouse(m_onMouseMove, point);
}
bool CWindow::OnLButtonDown(CPoint& point, std::uint8_t)
{
    return FireMouse(m_onLButtonDown, point);
}
bool CWindow::OnRButtonDown(CPoint& point, std::uint8_t)
{
    return FireMouse(m_onRButtonDown, point);
}
bool CWindow::OnMButtonDown(CPoint& point, std::uint8_t)
{
    return FireMouse(m_onMButtonDown, point);
}
bool CWindow::OnLButtonUp(CPoint& point, std::uint8_t)
{
    return FireMouse(m_onLButtonUp, point);
}
bool CWindow::OnRButtonUp(CPoint& point, std::uint8_t)
{
    return FireMouse(m_onRButtonUp, point);
}
bool CWindow::OnMButtonUp(CPoint& point, std::uint8_t)
{
    return FireMouse(m_onMButtonUp, point);
}
bool CWindow::OnLButtonDblClk(CPoint& point, std::uint8_t)
{
    return FireMouse(m_onLButtonDblClk, point);
}
bool CWindow::OnRButtonDblClk(CPoint& point, std::uint8_t)
{
    return FireMouse(m_onRButtonDblClk, point);
}
bool CWindow::OnMButtonDblClk(CPoint& point, std::uint8_t)
{
    return FireMouse(m_onMButtonDblClk, point);
}

void CWindow::PostNotification(Handle handle, const CWindowMessage& message)
{
    CWindowManager* manager = Manager();
    if (!AreEventsSuppressed() && manager != nullptr)
    {
        manager->PostMessage(handle, message);
    }
}

void CWindow::SendNotification(const CWindowMessage& message, Handle handle)
{
    CWindowManager* manager = Manager();
    if (!AreEventsSuppressed() && manager != nullptr)
    {
        manager->SendMessage(message, handle);
    }
}

void CWindow::ProcessPostedMessages()
{
    CWindowManager* manager = Manager();
    if (manager == nullptr)
    {
        return;
    }
    const CWindow* modal = manager->GetTopModalWindow();
    const Handle self = m_handle;
    std::size_t count = m_postedMessages.size();
    while (count-- > 0 && !m_postedMessages.empty())
    {
        const CWindowMessage message = m_postedMessages.front();
        m_postedMessages.pop_front();
        const bool handled = OnMessage(message);
        if (manager->Resolve(self) != this)
        {
            return; // deleted by the handler, with the rest of its queue
        }
        if (!handled && m_parent != 0 && message.IsInput() && this != modal && !AreEventsSuppressed())
        {
            manager->SendMessage(message, m_parent);
            if (manager->Resolve(self) != this)
            {
                return;
            }
        }
    }
}

Handle CWindow::SetTimer(std::uint32_t milliseconds, bool repeat)
{
    CWindowManager* manager = Manager();
    return manager != nullptr ? manager->SetTimer(m_handle, milliseconds, repeat) : 0;
}

bool CWindow::KillTimer(Handle timer)
{
    CWindowManager* manager = Manager();
    return manager != nullptr && manager->KillTimer(timer);
}

// Painting and the own canvas

void CWindow::Paint(CDrawContext& context)
{
    CVisualizationRegistry* registry = CVisualizationRegistry::GetInstance();
    CVisualization* visualization = registry != nullptr ? registry->GetVisualization(m_visualizationId) : nullptr;
    if (visualization != nullptr)
    {
        visualization->FillBackground(context, GetClientRect(), 0);
    }
}

bool CWindow::ApplyVisualization()
{
    CVisualizationRegistry* registry = CVisualizationRegistry::GetInstance();
    if (CVisualization* visualization =
            registry != nullptr ? registry->GetVisualization(m_visualizationId) : nullptr)
    {
        m_transparentByVisualization = visualization->GetMetrics().transparentWindows != 0;
    }
    Invalidate(false);
    return true;
}

void CWindow::InvalidateRect(const CRect& rect, bool force)
{
    if (!IsVisible() && !force)
    {
        return;
    }
    if (m_ownCanvas != nullptr)
    {
        m_ownCanvas->AddDirtyRect(rect);
        return;
    }
    CRect moved = Offset(rect, CPoint(m_x, m_y));
    for (const CWindow* ancestor = GetParent(); ancestor != nullptr; ancestor = ancestor->GetParent())
    {
        if (ancestor->m_ownCanvas != nullptr)
        {
            ancestor->m_ownCanvas->AddDirtyRect(moved);
            return;
        }
        moved = Offset(moved, CPoint(ancestor->m_x, ancestor->m_y));
    }
}

CWindow* CWindow::OwnCanvasAncestor() const
{
    for (CWindow* ancestor = GetParent(); ancestor != nullptr; ancestor = ancestor->GetParent())
    {
        if (ancestor->m_ownCanvas != nullptr)
        {
            return ancestor;
        }
    }
    return nullptr;
}

CCanvas* CWindow::GetCanvas(bool searchAncestors) const
{
    if (m_ownCanvas != nullptr || !searchAncestors)
    {
        return m_ownCanvas;
    }
    const CWindow* ancestor = OwnCanvasAncestor();
    return ancestor != nullptr ? ancestor->m_ownCanvas : nullptr;
}

CPoint CWindow::GetPositionInCanvas() const
{
    const CWindow* parent = GetParent();
    if (m_ownCanvas != nullptr || parent == nullptr)
    {
        return CPoint(0, 0);
    }
    const CPoint offset = parent->GetPositionInCanvas();
    return CPoint(offset.x + m_x, offset.y + m_y);
}

void CWindow::PlaceOwnCanvas()
{
    if (m_ownCanvas == nullptr)
    {
        return;
    }
    CPoint place(m_x, m_y);
    if (const CWindow* parent = GetParent())
    {
        const CPoint offset = parent->GetPositionInCanvas();
        place = CPoint(offset.x + m_x, offset.y + m_y);
    }
    m_ownCanvas->SetPosition(place.x, place.y);
}

template <typename F> void CWindow::ForEachNearestOwnCanvasBelow(F f)
{
    for (std::size_t i = 0; i < m_children.GetCount(); ++i)
    {
        if (CWindow* child = ResolveWindow(m_children[i]))
        {
            if (child->m_ownCanvas != nullptr)
            {
                f(*child);
            }
            else
            {
                child->ForEachNearestOwnCanvasBelow(f);
            }
        }
    }
}

void CWindow::AttachChildCanvases()
{
    if (m_ownCanvas == nullptr)
    {
        return;
    }
    while (!m_ownCanvas->GetChildCanvases().empty())
    {
        m_ownCanvas->RemoveChildCanvas(m_ownCanvas->GetChildCanvases().back());
    }
    // Breadth first: windows without an own canvas pass their children on.
    std::deque<Handle> queue(m_children.GetCount());
    for (std::size_t i = 0; i < m_children.GetCount(); ++i)
    {
        queue[i] = m_children[i];
    }
    while (!queue.empty())
    {
        CWindow* window = ResolveWindow(queue.front());
        queue.pop_front();
        if (window == nullptr)
        {
            continue;
        }
        if (window->m_ownCanvas != nullptr)
        {
            m_ownCanvas->AddChildCanvas(window->m_ownCanvas);
            window->PlaceOwnCanvas();
            continue;
        }
        for (std::size_t i = 0; i < window->m_children.GetCount(); ++i)
        {
            queue.push_back(window->m_children[i]);
        }
    }
}

void CWindow::SetOwnCanvas(bool own)
{
    if (own)
    {
        CreateOwnCanvas();
    }
    else
    {
        RemoveOwnCanvas();
    }
}

void CWindow::CreateOwnCanvas()
{
    CWindowManager* manager = Manager();
    if (m_ownCanvas != nullptr || manager == nullptr)
    {
        return;
    }
    if (CCanvas* canvas = manager->CreateCanvas(m_width, m_height))
    {
        SetCanvas(canvas);
    }
}

void CWindow::RemoveOwnCanvas()
{
    if (m_ownCanvas != nullptr)
    {
        SetCanvas(nullptr);
    }
}

void CWindow::SetCanvas(CCanvas* canvas)
{
    if (canvas == m_ownCanvas)
    {
        return;
    }
    const bool had = m_ownCanvas != nullptr;
    if (!had)
    {
        Invalidate(false); // the pixels on the canvas above are about to be covered
    }
    else
    {
        // Out of the canvas above first, so no child list ever holds a destroyed canvas.
        if (CWindow* ancestor = OwnCanvasAncestor())
        {
            ancestor->m_ownCanvas->RemoveChildCanvas(m_ownCanvas);
        }
        m_ownCanvas->Destroy();
    }
    m_ownCanvas = canvas;
    Invalidate(false);
    CWindowManager* manager = Manager();
    if (had != (canvas != nullptr) && manager != nullptr)
    {
        manager->RegisterOwnCanvas(this);
        manager->InvalidateLayerOrder(this);
    }
    if (canvas != nullptr)
    {
        AttachChildCanvases();
        PlaceOwnCanvas();
    }
    if (CWindow* ancestor = OwnCanvasAncestor())
    {
        ancestor->AttachChildCanvases();
    }
    if (canvas != nullptr)
    {
        EnsureAnimations();
        BuildFades();
    }
    if (m_animations != nullptr)
    {
        RebindAnimations();
    }
}

void CWindow::BuildFades()
{
    CPropertyList list;
    GetProperties(list);
    const BaseLib::CGenericProperty* transparency = nullptr;
    const BaseLib::CGenericProperty* visible = nullptr;
    for (const BaseLib::CGenericProperty& property : list)
    {
        const std::string& name = property.GetDescription()->GetName();
        if (name == "Transparency" && transparency == nullptr)
        {
            transparency = &property;
        }
        else if (name == "Visible" && visible == nullptr)
        {
            visible = &property;
        }
    }
    CWindowAnimation* fadeIn = m_animations->GetOrCreateAnimation("fadein");
    CWindowAnimation* fadeOut = m_animations->GetOrCreateAnimation("fadeout");
    if (transparency != nullptr)
    {
        m_animations->AddKey(*fadeIn, 0.0f, *transparency, "0.0");
        m_animations->AddKey(*fadeIn, 1.0f, *transparency, "1.0");
        m_animations->AddKey(*fadeOut, 0.0f, *transparency, "1.0");
        m_animations->AddKey(*fadeOut, 1.0f, *transparency, "0.0");
    }
    if (visible != nullptr)
    {
        m_animations->AddKey(*fadeIn, 0.0f, *visible, "true");
        m_animations->AddKey(*fadeOut, 0.0f, *visible, "true");
        m_animations->AddKey(*fadeOut, 1.0f, *visible, "false");
    }
}

void CWindow::RebindAnimations()
{
    if (m_animations != nullptr)
    {
        CPropertyList list;
        GetProperties(list);
        m_animations->BindTracks(list);
    }
}

// Animations

CWindowAnimationSet& CWindow::EnsureAnimations()
{
    if (m_animations == nullptr)
    {
        m_animations = std::make_unique<CWindowAnimationSet>();
    }
    return *m_animations;
}

void CWindow::PlayAnimation(const std::string& name, bool recursive, float speed, bool reverse)
{
    if (m_animations != nullptr)
    {
        m_animations->Play(name, speed, reverse);
    }
    if (recursive)
    {
        for (std::size_t i = 0; i < m_children.GetCount(); ++i)
        {
            if (CWindow* child = ResolveWindow(m_children[i]))
            {
                child->PlayAnimation(name, true, speed, reverse);
            }
        }
    }
}

void CWindow::SetAnimationTime(const std::string& name, float time, bool recursive)
{
    if (m_animations != nullptr)
    {
        if (CWindowAnimation* animation = m_animations->FindAnimation(name))
        {
            animation->SetTime(time);
        }
    }
    if (recursive)
    {
        for (std::size_t i = 0; i < m_children.GetCount(); ++i)
        {
            if (CWindow* child = ResolveWindow(m_children[i]))
            {
                child->SetAnimationTime(name, time, true);
            }
        }
    }
}

bool CWindow::IsAnimationPlaying(const std::string& name, bool recursive) const
{
    if (m_animations != nullptr && m_animations->IsPlaying(name))
    {
        return true;
    }
    if (recursive)
    {
        for (std::size_t i = 0; i < m_children.GetCount(); ++i)
        {
            const CWindow* child = ResolveWindow(m_children[i]);
            if (child != nullptr && child->IsAnimationPlaying(name, true))
            {
                return true;
            }
        }
    }
    return false;
}

bool CWindow::IsAnyAnimationPlaying(bool recursive) const
{
    if (m_animations != nullptr && m_animations->IsAnyPlaying())
    {
        return true;
    }
    if (recursive)
    {
        for (std::size_t i = 0; i < m_children.GetCount(); ++i)
        {
            const CWindow* child = ResolveWindow(m_children[i]);
            if (child != nullptr && child->IsAnyAnimationPlaying(true))
            {
                return true;
            }
        }
    }
    return false;
}

void CWindow::LoadAnimationsXml(const TiXmlElement* element)
{
    CPropertyList properties;
    GetProperties(properties);
    EnsureAnimations().ReadXml(element, properties);
}

void CWindow::SaveAnimationsXml(TiXmlElement* element)
{
    if (m_animations != nullptr)
    {
        m_animations->WriteXml(element);
    }
}

} // namespace UILib
