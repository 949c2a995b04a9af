#pragma once

#include "foundation/Rect.h"
#include "foundation/String.h"
#include "ui/Callback.h"
#include "ui/Window.h"
#include "ui/controls/BasicButton.h"

#include <cstdint>
#include <vector>

namespace UILib
{

class CBasicSpinControl;
class CEditControl;
using CSpinCallback = CCallback<CBasicSpinControl*>;

// An edit field with two arrow buttons. The buttons (their "BtnDown", which repeats while held) and the
// up and down arrow keys arriving from the focused edit field become StepUp and StepDown; the derived
// controls give the steps their meaning and report changes with NotifyChange ("SpinChng", sent at once).
class CBasicSpinControl : public CWindow
{
public:
    static constexpr std::int32_t UpDown = 0;
    static constexpr std::int32_t LeftRight = 1;
    static constexpr std::uint32_t ArrowUpKey = 273;
    static constexpr std::uint32_t ArrowDownKey = 275;

    // An arrow button: direction 0 up, 1 down, 2 left, 3 right.
    class CBasicSpinControlButton : public CBasicButton
    {
    public:
        void Paint(CDrawContext& context) override;
        void SetDirection(std::int32_t direction);
        std::int32_t GetDirection() const { return m_direction; }

    private:
        std::int32_t m_direction = 0;
    };

    CBasicSpinControl();
    ~CBasicSpinControl() override;

    const char* GetClassName() const override { return "CBasicSpinControl"; }
    BaseLib::CString GetDebugDescription() const override { return "CBasicSpinControl"; }
    // The window's list, then "Style", "Editable", "Frame".
    void GetProperties(CPropertyList& list) override;
    bool OnMessage(const CWindowMessage& message) override;
    bool OnKeyDown(std::uint32_t key, std::uint8_t modifiers) override;
    // Hands the focus to the edit field.
    bool OnActivate() override;
    bool OnSize() override;
    // Keeps the width; the height is the borders plus two button heights (Up-Down) or one (Left-Right).
    void SetSize(std::int32_t width, std::int32_t height) override;
    bool ApplyVisualization() override;
    void Paint(CDrawContext& context) override;

    // Sends "SpinChng" to the parent at once, then fires the callback; both skipped while suppressed.
    virtual void NotifyChange();
    virtual void StepUp() {}
    virtual void StepDown() {}

    void SetStyle(std::int32_t style);
    std::int32_t GetStyle() const { return m_style; }
    void SetEditable(bool editable);
    bool GetEditable() const;
    void SetFrame(bool frame);
    bool GetFrame() const { return m_frame; }
    void SetOnChange(const CSpinCallback& callback) { m_onChange = callback; }

    CEditControl* GetEdit() const;
    CBasicSpinControlButton* GetButton(int index) const;

protected:
    void SetEditText(const BaseLib::CString& text);
    BaseLib::CString GetEditText() const;

private:
    std::int32_t m_style = UpDown;
    bool m_frame = true;
    std::int32_t m_buttonWidth = 0;
    std::int32_t m_buttonHeight = 0;
    BaseLib::CRect m_borders;
    Handle m_buttons[2] = {0, 0};
    Handle m_edit = 0;
    CSpinCallback m_onChange;
};

// Steps through a list of texts shown in the edit field; typing a text selects the entry equal to it.
class CSpinControlText : public CBasicSpinControl
{
public:
    CSpinControlText();
    static CWindow* Create();

    const char* GetClassName() const override { return "CSpinControlText"; }
    BaseLib::CString GetDebugDescription() const override;
    bool OnMessage(const CWindowMessage& message) override;
    void StepUp() override;
    void StepDown() override;

    std::int32_t GetCount() const { return static_cast<std::int32_t>(m_entries.size()); }
    // Selects the first entry when it is the first and the edit field is empty; its index.
    std::int32_t AddString(const BaseLib::CString& text);
    // Empty when out of range.
    BaseLib::CString GetString(std::int32_t index) const;
    // The first exactly equal entry, or −1.
    std::int32_t FindString(const BaseLib::CString& text) const;
    // The new count; the current index is left as it is.
    std::int32_t RemoveString(std::int32_t index);
    std::int32_t GetCurrentIndex() const { return m_current; }
    BaseLib::CString GetText() const { return GetEditText(); }
    // Clamped into the list; a change shows the entry and notifies. The current index.
    std::int32_t SetCurrentIndex(std::int32_t index);
    // The next entry after the current one (then from the start) whose first character matches,
    // ignoring case.
    bool SelectByInitial(char character);

private:
    std::int32_t m_current = -1;
    std::vector<BaseLib::CString> m_entries;
};

} // namespace UILib
