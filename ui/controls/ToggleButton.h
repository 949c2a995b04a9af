#pragma once

#include "ui/controls/Button.h"

namespace UILib
{

class CToggleButton;
using CToggleButtonCallback = CCallback<CToggleButton*>;

// A push button that stays down: a click turns it on or off. Grouped toggle buttons of one parent behave
// like radio buttons: turning one on turns the other grouped ones off. "On" looks like "down", with an
// extra bitmap for on (or pushed) and hovered. Each change is told as "TBtnChng" and to the change
// callback.
class CToggleButton : public CButton
{
public:
    CToggleButton() = default;
    static CWindow* Create();

    const char* GetClassName() const override { return "CToggleButton"; }
    BaseLib::CString GetDebugDescription() const override;
    // The button's list, then "Bitmap 'down and mouse over'", "Grouped", "Allow Untoggle", "State".
    void GetProperties(CPropertyList& list) override;
    // "TBtnClr" turns a grouped toggle button off.
    bool OnMessage(const CWindowMessage& message) override;
    void Paint(CDrawContext& context) override;
    // On with untoggling forbidden: nothing. Otherwise flips the state, then the button's "BtnClick".
    void NotifyClick() override;
    void UpdateFace() override;
    void UpdateStateAnimation() override;
    // Posts "TBtnChng" and fires the change callback unless events are suppressed.
    virtual void NotifyChange();

    // On a change: refreshes the look, turns the grouped siblings off when grouped and now on, then
    // NotifyChange and invalidates.
    void SetState(bool on);
    bool GetState() const { return m_state; }
    void SetGrouped(bool grouped) { m_grouped = grouped; }
    bool GetGrouped() const { return m_grouped; }
    void SetAllowUntoggle(bool allow) { m_allowUntoggle = allow; }
    bool GetAllowUntoggle() const { return m_allowUntoggle; }
    void SetDownMouseOverBitmapFile(const BaseLib::CString& file);
    BaseLib::CString GetDownMouseOverBitmapFile() const { return m_downMouseOver.GetFileName(); }
    void SetOnChange(const CToggleButtonCallback& callback) { m_onChange = callback; }

private:
    bool IsShownDown() const { return m_state || IsPushed(); }

    bool m_state = false;
    bool m_grouped = false;
    bool m_allowUntoggle = true;
    CBitmap m_downMouseOver;
    CToggleButtonCallback m_onChange;
};

// Sends message synchronously to every child of window's parent except window itself.
void SendToSiblings(CWindow& window, const char* code);

} // namespace UILib
