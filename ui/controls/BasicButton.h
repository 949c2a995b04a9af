#pragma once

#include "ui/Callback.h"
#include "ui/HandleTable.h"
#include "ui/Window.h"

namespace UILib
{

class CBasicButton;
using CButtonDownCallback = CCallback<CBasicButton*, bool>;
using CButtonCallback = CCallback<CBasicButton*>;

// The push behaviour of every button-like control: a left press (or double click) on the button, a
// drag while it is held and the space bar make it pushed; a repeat timer sends further "BtnDown" while
// it stays pushed. Each change is told to the parent ("BtnDown", "BtnUp", "BtnClick", posted, the
// button's handle as sender) and to the owner's callbacks, both unless events are suppressed. A click
// needs the release over the button while it is enabled and nothing else still holds it.
class CBasicButton : public CWindow
{
public:
    static constexpr std::uint32_t SpaceKey = 32;
    static constexpr std::uint32_t RepeatDelayMs = 700;
    static constexpr std::uint32_t RepeatIntervalMs = 30;

    CBasicButton();
    ~CBasicButton() override;

    const char* GetClassName() const override { return "CBasicButton"; }
    BaseLib::CString GetDebugDescription() const override { return "CBasicButton"; }

    virtual void NotifyClick();
    virtual void NotifyDown(bool repeat);
    virtual void NotifyUp();
    // Sends "BtnDown"/"BtnUp" on a change; the repeat timer exists exactly while pushed.
    virtual void SetPushed(bool pushed);
    bool IsPushed() const { return m_pushed; }

    void SetOnDown(const CButtonDownCallback& callback) { m_onDown = callback; }
    void SetOnUp(const CButtonCallback& callback) { m_onUp = callback; }
    void SetOnClick(const CButtonCallback& callback) { m_onClick = callback; }
    Handle GetRepeatTimer() const { return m_repeatTimer; }
    // The left button went down on this button and has not come up.
    bool IsMouseHeld() const { return m_mouseHeld; }

    // Space presses and releases, the repeat timer.
    bool OnMessage(const CWindowMessage& message) override;
    // Releases a press without a click.
    bool OnDeactivate() override;
    bool OnOtherDeactivated() override;
    bool OnMouseMove(BaseLib::CPoint& point, std::uint8_t modifiers) override;
    bool OnLButtonDown(BaseLib::CPoint& point, std::uint8_t modifiers) override;
    // The second press of a double click is a press like the first.
    bool OnLButtonDblClk(BaseLib::CPoint& point, std::uint8_t modifiers) override;
    bool OnLButtonUp(BaseLib::CPoint& point, std::uint8_t modifiers) override;

protected:
    // Posts the notification to the parent with this button's handle as sender.
    void PostToParent(const char* code);
    // Posts code to the parent and fires callback unless events are suppressed.
    template <typename Callback, typename Self>
    void Notify(const char* code, const Callback& callback, Self* self)
    {
        if (AreEventsSuppressed())
        {
            return;
        }
        PostToParent(code);
        if (callback.IsSet())
        {
            callback(self);
        }
    }
    // Releases (SetPushed (false)) and clicks unless the button is disabled by then.
    void ReleaseAndClick();
    void KillRepeatTimer();

private:
    CButtonDownCallback m_onDown;
    CButtonCallback m_onUp;
    CButtonCallback m_onClick;
    bool m_mouseHeld = false;
    bool m_keyHeld = false;
    bool m_pushed = false;
    Handle m_repeatTimer = 0;
};

} // namespace UILib
