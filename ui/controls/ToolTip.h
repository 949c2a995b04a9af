#pragma once

#include "ui/HandleTable.h"
#include "ui/controls/Label.h"

namespace UILib
{

// The small label the window manager shows after the mouse rested over a window with a tooltip text.
// It holds the mouse capture while it lives: moves over its owner (or the owner's descendants) move it
// along, any other mouse input removes it once and is passed on to the window under the mouse. It never
// takes the keyboard focus, and its removal leaves the focus where it is.
class CToolTip : public CLabel
{
public:
    // A new tool tip for the owner, holding the mouse capture; the manager sets its text and shows it.
    static CToolTip* Create(Handle owner);

    const char* GetClassName() const override { return "CToolTip"; }
    BaseLib::CString GetDebugDescription() const override { return "CToolTip"; }
    // The text's fitted size, widened by two blanks of font 5; without exact it only grows.
    void FitToContent(bool exact) override;
    bool OnMessage(const CWindowMessage& message) override;
    void Paint(CDrawContext& context) override;
    // Places the tool tip at the manager's mouse position.
    void OnParentChanged() override;

    // The first of (x + 2, y + 2 − h), (x − 2 − w, y − 2 − h), (x − 2 − w, y + 2) that lies wholly inside
    // a parent of the given size, else (x + 2, y + 2).
    static BaseLib::CPoint Placement(const BaseLib::CPoint& mouse, const BaseLib::CSize& size,
                                     const BaseLib::CSize& parentSize);
    void PlaceAt(const BaseLib::CPoint& screenPoint);

    Handle GetOwner() const { return m_owner; }
    bool IsDismissed() const { return m_dismissed; }

private:
    explicit CToolTip(Handle owner);

    Handle m_owner;
    bool m_dismissed = false;
};

} // namespace UILib
