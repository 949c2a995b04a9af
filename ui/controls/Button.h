#pragma once

#include "foundation/Rect.h"
#include "foundation/String.h"
#include "ui/Bitmap.h"
#include "ui/controls/BasicButton.h"

#include <array>

namespace UILib
{

class CButton;
class CLabel;
using CButtonHoverCallback = CCallback<CButton*>;

// The push button: a face drawn by the visualization (background, frame and the text of its inner label
// "__label") or by up to four state bitmaps shown through that label, hovering with callbacks, one window
// animation per state, and optionally a hit test on the shown bitmap's alpha. Disabled wins over pushed,
// pushed over hovered.
class CButton : public CBasicButton
{
public:
    enum BitmapState
    {
        StateNormal,
        StateDown,
        StateMouseOver,
        StateDisabled,
        StateCount
    };

    CButton();
    ~CButton() override;
    static CWindow* Create();

    const char* GetClassName() const override { return "CButton"; }
    // With bitmap-based hit testing and a bitmap shown, a point on a pixel of alpha 0 hits nothing.
    CWindow* WindowFromPoint(const BaseLib::CPoint& screenPoint, bool recursive) override;
    // The label's exact content size plus the frame; without exact the button only grows.
    void FitToContent(bool exact) override;
    // The window's list, then the thirteen button properties.
    void GetProperties(CPropertyList& list) override;
    void SetWriteAlpha(bool writeAlpha) override;
    BaseLib::CString GetDebugDescription() const override;
    bool OnMessage(const CWindowMessage& message) override;
    void Paint(CDrawContext& context) override;
    void OnDisabledChanged() override;
    bool OnDeactivate() override;
    bool OnOtherActivated() override;
    bool OnOtherDeactivated() override;
    bool OnSize() override;
    bool ApplyVisualization() override;
    bool OnMouseMove(BaseLib::CPoint& point, std::uint8_t modifiers) override;
    void SetPushed(bool pushed) override;

    virtual bool OnHoverBegin();
    virtual bool OnHoverEnd();
    // Shows the text (moved by the pressed offset while pushed) or the bitmap of the current state.
    virtual void UpdateFace();
    // Starts the animation of the current state when it is another than the one started last.
    virtual void UpdateStateAnimation();

    // A changed text drops the four bitmaps: the button becomes a text button.
    void SetText(const BaseLib::CString& text);
    BaseLib::CString GetText() const;
    // Loads the state's bitmap when the name differs from its current file.
    void SetBitmapFile(BitmapState state, const BaseLib::CString& file);
    BaseLib::CString GetBitmapFile(BitmapState state) const { return m_bitmaps[state].GetFileName(); }
    const CBitmap& GetStateBitmap(BitmapState state) const { return m_bitmaps[state]; }
    void SetBackground(bool on);
    bool GetBackground() const { return m_background; }
    void SetFrame(bool on);
    bool GetFrame() const { return m_frame; }
    void SetAutoCreateDisabledBitmap(bool on);
    bool GetAutoCreateDisabledBitmap() const { return m_autoCreateDisabled; }
    void SetBitmapHitTest(bool on) { m_bitmapHitTest = on; }
    bool GetBitmapHitTest() const { return m_bitmapHitTest; }
    // The state animations by state (normal, down, mouse over = hovered, disabled).
    void SetStateAnimation(BitmapState state, const BaseLib::CString& name);
    BaseLib::CString GetStateAnimation(BitmapState state) const { return m_animations[state]; }
    const BaseLib::CString& GetCurrentAnimation() const { return m_currentAnimation; }

    bool IsHovered() const { return m_hovered; }
    void SetOnHoverBegin(const CButtonHoverCallback& callback) { m_onHoverBegin = callback; }
    void SetOnHoverEnd(const CButtonHoverCallback& callback) { m_onHoverEnd = callback; }
    // The inner label, null when it is gone.
    CLabel* GetLabel() const;

    // The property setters and getters, one per bitmap and animation.
    void SetNormalBitmapFile(const BaseLib::CString& file) { SetBitmapFile(StateNormal, file); }
    void SetDownBitmapFile(const BaseLib::CString& file) { SetBitmapFile(StateDown, file); }
    void SetMouseOverBitmapFile(const BaseLib::CString& file) { SetBitmapFile(StateMouseOver, file); }
    void SetDisabledBitmapFile(const BaseLib::CString& file) { SetBitmapFile(StateDisabled, file); }
    BaseLib::CString GetNormalBitmapFile() const { return GetBitmapFile(StateNormal); }
    BaseLib::CString GetDownBitmapFile() const { return GetBitmapFile(StateDown); }
    BaseLib::CString GetMouseOverBitmapFile() const { return GetBitmapFile(StateMouseOver); }
    BaseLib::CString GetDisabledBitmapFile() const { return GetBitmapFile(StateDisabled); }
    void SetAnimNormal(const BaseLib::CString& name) { SetStateAnimation(StateNormal, name); }
    void SetAnimDown(const BaseLib::CString& name) { SetStateAnimation(StateDown, name); }
    void SetAnimHovered(const BaseLib::CString& name) { SetStateAnimation(StateMouseOver, name); }
    void SetAnimDisabled(const BaseLib::CString& name) { SetStateAnimation(StateDisabled, name); }
    BaseLib::CString GetAnimNormal() const { return m_animations[StateNormal]; }
    BaseLib::CString GetAnimDown() const { return m_animations[StateDown]; }
    BaseLib::CString GetAnimHovered() const { return m_animations[StateMouseOver]; }
    BaseLib::CString GetAnimDisabled() const { return m_animations[StateDisabled]; }

protected:
    bool IsTextButton() const { return !m_bitmaps[StateNormal].IsValid(); }
    // The disabled face: the disabled bitmap, else with auto-create the grey copy of the normal one (made
    // once), else null.
    const CBitmap* DisabledFace();
    // Shows the bitmap (an empty one for text) through the label, placed at its offset and shifted by the
    // pressed offset when down.
    void ShowFace(const CBitmap& bitmap, bool down);
    // Starts the first set animation of: disabled, down, hovered and enabled, normal; only when it differs
    // from the one started last.
    void ChooseStateAnimation(bool down);

private:
    void SetHovered(bool hovered);
    void ReleaseBitmaps();

    Handle m_label = 0;
    bool m_frame = true;
    BaseLib::CRect m_borders; // left, top, right, bottom widths of frame style 2
    BaseLib::CPoint m_pressedOffset;
    BaseLib::CPoint m_labelPosition;
    bool m_background = true;
    bool m_hovered = false;
    bool m_autoCreateDisabled = true;
    bool m_bitmapHitTest = false;
    std::array<CBitmap, StateCount> m_bitmaps;
    CBitmap m_greyCopy; // made once from the normal bitmap for the disabled face
    std::array<BaseLib::CString, StateCount> m_animations;
    BaseLib::CString m_currentAnimation;
    CButtonHoverCallback m_onHoverBegin;
    CButtonHoverCallback m_onHoverEnd;
};

} // namespace UILib
