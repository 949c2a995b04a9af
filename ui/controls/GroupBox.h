#pragma once

#include "foundation/Rect.h"
#include "foundation/String.h"
#include "ui/controls/ClientAreaWindow.h"

#include <cstdint>

namespace UILib
{

// A captioned frame around a group of controls. Windows added to it, also by layout files, become
// children of its transparent client area ("__clientarea"), inset by the visualization's group box
// margins; enumerating the group box's children enumerates the client area's.
class CGroupBox : public CClientAreaWindow
{
public:
    CGroupBox();
    static CWindow* Create();

    const char* GetClassName() const override { return "CGroupBox"; }
    BaseLib::CString GetDebugDescription() const override;
    // The window's list, then "Text" and "Background".
    void GetProperties(CPropertyList& list) override;

    void Paint(CDrawContext& context) override;
    bool OnSize() override;
    // Reads the insets and moves the client area to them.
    bool ApplyVisualization() override;

    // Only a different text is stored; it repaints.
    void SetText(const BaseLib::CString& text);
    BaseLib::CString GetText() const { return m_text; }
    // Off also makes the window transparent.
    void SetBackground(bool on);
    bool GetBackground() const { return m_background; }

private:
    BaseLib::CString m_text;
    BaseLib::CRect m_insets; // distances of the client area from the left, top, right and bottom edges
    bool m_background = true;
};

} // namespace UILib
