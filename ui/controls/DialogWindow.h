#pragma once

#include "foundation/Point.h"
#include "foundation/Rect.h"
#include "foundation/String.h"
#include "ui/Callback.h"
#include "ui/Window.h"
#include "ui/controls/BasicButton.h"
#include "ui/controls/ClientAreaWindow.h"

#include <cstdint>

namespace UILib
{

class CDialogWindow;
using CDialogCallback = CCallback<CDialogWindow*>;

// A framed window with a caption bar, an optional close button in it and a client area
// ("__clientarea") that holds every window added to the dialog, also by layout files; enumerating the
// dialog's children enumerates the client area's. The client area and the close button ("__closebutton")
// hang on the dialog itself and are found by name. A press inside the caption bar drags the dialog
// within its parent. Closing only notifies ("DlgClose" to the parent and the close callback): hiding or
// destroying the dialog is its owner's business. The caption bar shows the active look while the focus
// is the dialog or lies inside it.
class CDialogWindow : public CClientAreaWindow
{
public:
    // The button in the caption bar: its click closes the dialog instead of posting "BtnClick".
    class CCloseButton : public CBasicButton
    {
    public:
        void Paint(CDrawContext& context) override;
        // Calls the parent dialog's OnClose.
        void NotifyClick() override;
    };

    CDialogWindow();
    ~CDialogWindow() override;
    static CWindow* Create();

    const char* GetClassName() const override { return "CDialogWindow"; }
    BaseLib::CString GetDebugDescription() const override { return "CDialogWindow"; }
    // The window's list, then "Caption", "Close Button", "Draggable".
    void GetProperties(CPropertyList& list) override;

    // The close button is forgotten when it leaves.
    void RemoveChild(Handle child) override;

    void Paint(CDrawContext& context) override;
    // Each repaints the caption bar only.
    bool OnActivate() override;
    bool OnDeactivate() override;
    bool OnOtherActivated() override;
    bool OnOtherDeactivated() override;
    // Sizes the client area and places the close button.
    bool OnSize() override;
    // Reads the frame and caption metrics, places the client area and raises the minimum size.
    bool ApplyVisualization() override;
    bool OnMouseMove(BaseLib::CPoint& point, std::uint8_t modifiers) override;
    bool OnLButtonDown(BaseLib::CPoint& point, std::uint8_t modifiers) override;
    bool OnLButtonUp(BaseLib::CPoint& point, std::uint8_t modifiers) override;

    // Unless events are suppressed: posts "DlgClose" (the dialog's handle as sender) to the parent and
    // fires the close callback. The dialog stays as it is. True.
    virtual bool OnClose();

    // Only a different text is stored; it repaints the caption bar.
    void SetCaption(const BaseLib::CString& caption);
    BaseLib::CString GetCaption() const { return m_caption; }
    // On makes the close button once; off destroys it.
    void SetCloseButton(bool on);
    bool GetCloseButton() const { return m_closeButton != 0; }
    void SetDraggable(bool draggable) { m_draggable = draggable; }
    bool GetDraggable() const { return m_draggable; }
    void SetOnClose(const CDialogCallback& callback) { m_onClose = callback; }

    CCloseButton* GetCloseButtonWindow() const;
    bool IsDragging() const { return m_dragging; }
    // The caption bar in client coordinates.
    BaseLib::CRect GetCaptionRect() const;
    // The top of the client area: below the caption bar, at least the frame's top border.
    std::int32_t GetClientTop() const { return m_clientTop; }
    std::int32_t GetTitleBarHeight() const { return m_titleBarHeight; }

private:
    void InvalidateCaption();

    BaseLib::CString m_caption;
    bool m_draggable = true;
    bool m_dragging = false;
    BaseLib::CPoint m_dragStartMouse;
    BaseLib::CPoint m_dragStartPosition;
    std::int32_t m_titleBarHeight = 0;
    std::int32_t m_titleMargin = 0;
    std::int32_t m_titleTop = 0;
    BaseLib::CRect m_borders; // widths of the frame at left, top, right, bottom
    std::int32_t m_clientTop = 0;
    Handle m_closeButton = 0;
    CDialogCallback m_onClose;
};

// Posts a dialog's result code to target when that handle still resolves to a window, else to the
// dialog's parent: as input (it bubbles), with the dialog's handle as the sender.
void PostDialogResult(const CWindow& dialog, Handle target, const char* code);

} // namespace UILib
