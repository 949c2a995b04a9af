#pragma once

#include "foundation/String.h"
#include "ui/Callback.h"
#include "ui/controls/DialogWindow.h"

#include <cstdint>

namespace UILib
{

class CButton;
class CLabel;

// The result code of a message box.
using CMessageBoxCallback = CCallback<std::int32_t>;

// A modal dialog with an icon, a text and one of six button sets, centred on the top-level window.
// A button (or Escape, where the set has Cancel) ends it: the result goes to the notify window
// ("MsgBoxDc", the result as first value) and to the callback, then the box destroys itself. It is
// made by code only. This is a window of the window system, not the platform's blocking message box:
// its flags and results are its own.
class CMessageBox : public CDialogWindow
{
public:
    // Flags: bits 0 … 2 choose the icon, bits 8 … 13 the button set.
    static constexpr std::uint32_t IconExclamation = 2;
    static constexpr std::uint32_t IconWarning = 4;
    static constexpr std::uint32_t IconMask = 7;
    static constexpr std::uint32_t ButtonsOk = 0x100;
    static constexpr std::uint32_t ButtonsOkCancel = 0x200;
    static constexpr std::uint32_t ButtonsYesNo = 0x400;
    static constexpr std::uint32_t ButtonsRetryCancel = 0x800;
    static constexpr std::uint32_t ButtonsRetryCancelIgnore = 0x1000;
    static constexpr std::uint32_t ButtonsYesCancelNo = 0x2000;
    static constexpr std::uint32_t ButtonSetMask = 0x3F00;
    // Result codes.
    static constexpr std::int32_t ResultNone = 0;
    static constexpr std::int32_t ResultOk = 1;
    static constexpr std::int32_t ResultCancel = 2;
    static constexpr std::int32_t ResultYes = 3;
    static constexpr std::int32_t ResultNo = 4;
    static constexpr std::int32_t ResultRetry = 5;
    static constexpr std::int32_t ResultIgnore = 6;

    // Pushes itself on the modal stack, joins layer 0, takes the focus, lays itself out and gets its own
    // canvas when the window manager can make one. notifyWindow 0: no "MsgBoxDc".
    CMessageBox(const BaseLib::CString& caption, const BaseLib::CString& text, std::uint32_t flags,
                Handle notifyWindow, const CMessageBoxCallback& callback);
    // Leaves the modal stack when still on it.
    ~CMessageBox() override;
    // A box with no notify window.
    static CMessageBox* Create(const BaseLib::CString& caption, const BaseLib::CString& text, std::uint32_t flags,
                               const CMessageBoxCallback& callback);

    const char* GetClassName() const override { return "CMessageBox"; }
    BaseLib::CString GetDebugDescription() const override { return "CMessageBox"; }
    // "BtnClick" ends the box with the sending button's result (0 for any other sender).
    bool OnMessage(const CWindowMessage& message) override;
    // Escape ends the box with Cancel when the set has it and is swallowed otherwise.
    bool OnKeyDown(std::uint32_t key, std::uint8_t modifiers) override;
    // Sizes the box around its icon and text (at most 3/4 of the top-level window wide), places the
    // buttons and centres the box.
    bool ApplyVisualization() override;

    // Unless events are suppressed: posts "MsgBoxDc" to the notify window and calls the callback.
    virtual void EndDialog(std::int32_t result);

    std::uint32_t GetBoxFlags() const { return m_flags; }
    std::int32_t GetButtonCount() const { return m_buttonCount; }
    // Button 1 … 3; null for one the set does not have.
    CButton* GetButton(std::int32_t number) const;
    CLabel* GetTextLabel() const;
    CLabel* GetIconLabel() const;

private:
    // The result of the sending window: by set and button, 0 for any other sender.
    std::int32_t ResultOf(Handle sender) const;
    // Ends with the result and destroys the box; only the first result counts, as the box stays until
    // its deletion at the end of the frame and may still hear a click or a key.
    void Finish(std::int32_t result);

    Handle m_textLabel = 0;
    Handle m_iconLabel = 0;
    Handle m_buttons[3] = {0, 0, 0};
    std::int32_t m_buttonCount = 1;
    std::uint32_t m_flags = 0;
    Handle m_notifyWindow = 0;
    CMessageBoxCallback m_callback;
    bool m_finished = false;
};

} // namespace UILib
