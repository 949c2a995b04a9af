#pragma once

#include "ui/Window.h"

#include <cstdint>

namespace UILib
{

// A window whose children live in an inner client area, attached to the window itself: AddChild,
// RemoveChild, GetChildCount and GetChildHandle act on the client area, so windows added by code or by
// layout files land in it and enumerating the window lists them. The client area and other internal
// parts attached with the base's AddChild stay reachable by name (FindChildByName scans the own list).
class CClientAreaWindow : public CWindow
{
public:
    std::int32_t GetChildCount() const override;
    Handle GetChildHandle(std::int32_t index) const override;
    bool AddChild(Handle child) override;
    // A window of the own list (the client area, an internal part) leaves that list; any other window
    // leaves the client area.
    void RemoveChild(Handle child) override;

    // Null before one is attached.
    CWindow* GetClientArea() const;

protected:
    // Names the window "__clientarea" and attaches it to this window itself.
    void AttachClientArea(CWindow* clientArea);

    Handle m_clientArea = 0;
};

} // namespace UILib
