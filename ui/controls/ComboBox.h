#pragma once

#include "foundation/Rect.h"
#include "foundation/String.h"
#include "ui/Callback.h"
#include "ui/controls/BasicButton.h"
#include "ui/controls/EditControl.h"
#include "ui/controls/ListBox.h"

#include <cstdint>

namespace UILib
{

class CComboBox;
using CComboBoxCallback = CCallback<CComboBox*>;

// A one-line field ("__editcontrol") with a button ("__button") that drops down a list ("__list") of
// texts. The list is no child of the combo box: while open it floats in the root of the combo box's
// layer, above every other window and outside any modal dialog holding the combo box (it is exempt
// from the modal block). The shown text and the list's selection are kept in step; every change of the
// shown text is sent at once to the parent as "CombChng" and then given to the change callback (both
// skipped while events are suppressed). Without "Allow Any Text" the field is read-only and only list
// entries can be shown. Escape in a combo box whose list is closed goes on to the parent.
class CComboBox : public CWindow
{
public:
    static constexpr std::int32_t DefaultMaxListHeight = 200;

    // The text part: an edit control whose click toggles the list while it is read-only.
    class CComboBoxEdit : public CEditControl
    {
    public:
        explicit CComboBoxEdit(CComboBox* combo) : m_combo(combo) {}
        bool OnMessage(const CWindowMessage& message) override;
        // Makes the size both the minimum and the maximum and takes it, whatever the limits were.
        void FixSize(const BaseLib::CSize& size);

    private:
        CComboBox* m_combo;
    };

    // The drop-down button: the theme's combo button, pushed while held.
    class CComboBoxButton : public CBasicButton
    {
    public:
        void Paint(CDrawContext& context) override;
    };

    // The pop-up list. While closed it has no parent.
    class CComboBoxList : public CListBox
    {
    public:
        explicit CComboBoxList(CComboBox* combo);
        bool IsOpen() const { return m_open; }
        void SetOpen(bool open) { m_open = open; }
        // Ends a drag as a button release would.
        void EndDrag();

        bool OnDeactivate() override;
        bool OnKeyDown(std::uint32_t key, std::uint8_t modifiers) override;
        bool OnMouseMove(BaseLib::CPoint& point, std::uint8_t modifiers) override;
        bool OnLButtonUp(BaseLib::CPoint& point, std::uint8_t modifiers) override;

    private:
        CComboBox* m_combo;
        bool m_open = false;
    };

    CComboBox();
    // Deletes the list unless something else (the layer root holding it open) already has.
    ~CComboBox() override;
    static CWindow* Create();

    const char* GetClassName() const override { return "CComboBox"; }
    // The size is the owner's choice.
    void FitToContent(bool) override {}
    void GetProperties(CPropertyList& list) override;
    // Also while the focus lies in the open list.
    bool HasFocus() const override;
    BaseLib::CString GetDebugDescription() const override;
    bool OnMessage(const CWindowMessage& message) override;
    void Paint(CDrawContext& context) override;
    // Passes the activation on to the text part, so keys go there.
    bool OnActivate() override;
    bool OnSize() override;
    bool ApplyVisualization() override;

    // Shows the list in the layer's root below the field (above it when it would reach the root's
    // bottom and there is room), at most "Max List Height" high, activated, fading in.
    virtual void OpenList();
    virtual bool NotifyChange();

    // Ends a drag in the list, takes it out of the root and sets its selection back, silently, to the
    // entry of the shown text (none when the text is no entry). A focus left in the list goes to the field.
    void CloseList();
    bool IsListOpen() const;

    // "Text": an entry's text selects it; any other text is shown only with "Allow Any Text".
    BaseLib::CString GetText() const;
    void SetText(const BaseLib::CString& text);
    // Selects the entry (the list's Select) and shows its text; returns the list's selected index.
    std::int32_t SetSelection(std::int32_t index);
    std::int32_t GetSelection() const;
    // Appends an entry; the first one becomes the selection. Returns its index.
    std::int32_t AddItem(const BaseLib::CString& text);
    void SetAllowAnyText(bool allow);
    bool GetAllowAnyText() const { return m_allowAnyText; }
    void SetFrame(bool frame);
    bool GetFrame() const { return m_frame; }
    void SetMaxListHeight(std::int32_t height) { m_maxListHeight = height; }
    std::int32_t GetMaxListHeight() const { return m_maxListHeight; }
    void SetOnChange(const CComboBoxCallback& callback) { m_onChange = callback; }

    // The parts; null when gone.
    CComboBoxEdit* GetEdit() const;
    CComboBoxButton* GetButton() const;
    CComboBoxList* GetList() const;

private:
    // The edit's "EditChng": the list follows the text, a refused text is set back.
    void SynchroniseWithText();
    void ActivateEdit();

    Handle m_edit = 0;
    Handle m_button = 0;
    Handle m_list = 0;
    CComboBoxCallback m_onChange;
    bool m_allowAnyText = false;
    bool m_frame = true;
    std::int32_t m_maxListHeight = DefaultMaxListHeight;
    BaseLib::CRect m_borders;
    bool m_opening = false;
};

} // namespace UILib
