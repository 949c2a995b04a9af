#pragma once

#include "foundation/Rect.h"
#include "foundation/String.h"
#include "ui/Bitmap.h"
#include "ui/Callback.h"
#include "ui/Window.h"
#include "ui/controls/UserData.h"

#include <cstdint>
#include <vector>

namespace UILib
{

class CListBox;
class CScrollBar;
using CListBoxCallback = CCallback<CListBox*>;

// A user object attached to a list item. The list owns it: when the item is removed, the list is
// cleared or the list box goes, Release is called (unless the item keeps its data).
using CListItemData = CUserData;

// A vertical list of texts, each with an optional icon bitmap and an owned user object, with a single
// or multiple selection. It makes its own vertical scroll bar ("__scrollbar") while the rows do not fit
// and removes it when they do. Mouse: click, Control-click (toggle in multi-select), Shift-click (range
// from the anchor), drag with a 100 ms auto-scroll timer, wheel (while it holds the focus), double click.
// Keys: Up, Down (Shift extends), Home, End, first letter. Every selection change is sent at once to the
// parent as "LBoxChng" and fires the change callback; a double click with a selection sends "LBoxDClk"
// and fires the double-click callback (both skipped while events are suppressed). Every key-down is
// consumed except Escape when it ends no drag, so a dialog holding the list still sees it.
//
// Indices are item positions; the selected index, the caret and the anchor are −1 or valid indices.
class CListBox : public CWindow
{
public:
    static constexpr std::uint32_t AutoScrollMs = 100;
    static constexpr std::int32_t TextInset = 5;

    CListBox();
    ~CListBox() override;
    static CWindow* Create();

    const char* GetClassName() const override { return "CListBox"; }
    BaseLib::CString GetDebugDescription() const override { return "CListBox"; }

    // Items.
    virtual std::int32_t GetItemCount() const { return static_cast<std::int32_t>(m_items.size()); }
    virtual bool IsEmpty() const { return m_items.empty(); }
    // Clears the selection (notifying when there was one) and releases every data object.
    virtual void RemoveAllItems();
    // Clears the selection (notifying when there was one), then orders the texts by unsigned bytes.
    virtual void SortItems();
    // Appends an item and returns its index; the list takes the data object. The first item of an empty
    // list becomes selected.
    virtual std::int32_t AddItem(const BaseLib::CString& text, CListItemData* data, const CBitmap& bitmap);
    virtual std::int32_t AddItem(const BaseLib::CString& text, CListItemData* data);
    virtual std::int32_t AddItem(const BaseLib::CString& text, const CBitmap& bitmap);
    virtual std::int32_t AddItem(const BaseLib::CString& text);
    // Empty out of range.
    virtual BaseLib::CString GetItemText(std::int32_t index) const;
    // The first item with exactly that text, −1 when none.
    virtual std::int32_t FindItem(const BaseLib::CString& text) const;
    // Removes the item (out of range: nothing); the selected index, caret and anchor behind it move up
    // with their items. Returns the item count.
    virtual std::int32_t RemoveItem(std::int32_t index);
    virtual void SetItemText(std::int32_t index, const BaseLib::CString& text);
    // Out of range is ignored; the row height and icon width are measured again (no repaint).
    void SetItemBitmap(std::int32_t index, const CBitmap& bitmap);
    // The item's icon; an empty bitmap when it has none or out of range.
    CBitmap GetItemBitmap(std::int32_t index) const
    {
        return IsValidIndex(index) ? m_items[static_cast<std::size_t>(index)].bitmap : CBitmap();
    }
    // The item's data object, null when none or out of range.
    CListItemData* GetItemData(std::int32_t index) const;
    // A kept data object is left alone when the item goes; AddItem clears the flag.
    void SetKeepItemData(std::int32_t index, bool keep);
    bool IsItemSelected(std::int32_t index) const;

    // Selection.
    virtual std::int32_t GetSelectedIndex() const { return m_selected; }
    virtual BaseLib::CString GetSelectedText() const { return GetItemText(m_selected); }
    // Multi-select only: exactly the items between a and b (clamped to the items) become selected, the
    // selected index is the higher end.
    virtual void SelectRange(std::int32_t a, std::int32_t b);
    // Adds the item to a multi-selection, or Select when exclusive or single-select. An index out of
    // range is ignored. Returns the selected count.
    virtual std::int32_t AddToSelection(std::int32_t index, bool exclusive);
    // The single selection: below 0 clears it (notifying only when something was selected), above the
    // end selects the last item; the item already singly selected sends nothing. Returns the selected index.
    virtual std::int32_t Select(std::int32_t index);
    // Returns the selected count.
    virtual std::int32_t DeselectItem(std::int32_t index);
    // With a notification when something was selected.
    virtual void ClearSelection();
    // Without a notification.
    virtual void ResetSelection();
    virtual void EnsureSelectedVisible();
    // The next item after the selected one (wrapping, never the selected one) whose text begins with the
    // character, ASCII letters compared in upper case.
    virtual bool SelectByFirstLetter(std::uint32_t character);
    // The first item whose text begins with text (both lower-cased with ignoreCase).
    virtual bool SelectByPrefix(const BaseLib::CString& text, bool ignoreCase);
    virtual void SetScrollBarEnabled(bool enabled);
    virtual void SetMultiSelect(bool multiSelect);
    virtual bool IsMultiSelect() const { return m_multiSelect; }
    virtual bool NotifyChange();
    virtual bool NotifyDoubleClick();

    // The exclusive selection of the row under the point (client coordinates) when it lies within the
    // list's height.
    void SelectItemAtPoint(const BaseLib::CPoint& point);
    // The row under the point (client coordinates; x is not used): −1 past the last item or with no row
    // height; negative above the list.
    std::int32_t HitTest(const BaseLib::CPoint& point) const;

    void SetOnChange(const CListBoxCallback& callback) { m_onChange = callback; }
    void SetOnDoubleClick(const CListBoxCallback& callback) { m_onDoubleClick = callback; }

    // State for owners and tests.
    std::int32_t GetRowHeight() const { return m_rowHeight; }
    // Left, top, right and bottom widths of the frame.
    const BaseLib::CRect& GetBorderWidths() const { return m_borders; }
    std::int32_t GetTopIndex() const { return m_topIndex; }
    std::int32_t GetRowOffset() const { return m_rowOffset; }
    std::int32_t GetVisibleRows() const { return m_visibleRows; }
    std::int32_t GetIconWidth() const { return m_iconWidth; }
    std::int32_t GetCaret() const { return m_caret; }
    std::int32_t GetAnchor() const { return m_anchor; }
    std::int32_t GetSelectedCount() const { return m_selectedCount; }
    bool IsDragging() const { return m_dragging; }
    Handle GetAutoScrollTimer() const { return m_autoScrollTimer; }
    // The list's own scroll bar, null while the rows fit.
    CScrollBar* GetScrollBar() const;

    bool OnMessage(const CWindowMessage& message) override;
    void Paint(CDrawContext& context) override;
    bool OnDeactivate() override;
    bool OnCharKey(std::uint32_t code, std::uint8_t modifiers) override;
    bool OnKeyDown(std::uint32_t key, std::uint8_t modifiers) override;
    bool OnSize() override;
    bool ApplyVisualization() override;
    bool OnMouseMove(BaseLib::CPoint& point, std::uint8_t modifiers) override;
    bool OnLButtonDown(BaseLib::CPoint& point, std::uint8_t modifiers) override;
    bool OnLButtonUp(BaseLib::CPoint& point, std::uint8_t modifiers) override;
    bool OnLButtonDblClk(BaseLib::CPoint& point, std::uint8_t modifiers) override;

protected:
    struct Item
    {
        BaseLib::CString text;
        CBitmap bitmap;
        bool selected = false;
        CListItemData* data = nullptr;
        bool keepData = false;
    };

    // Releases the item's data object unless it is kept.
    static void ReleaseData(Item& item);
    // The row height from the theme's font 3, raised by every item bitmap, and the widest bitmap.
    void MeasureRows();
    std::int32_t FontRowHeight() const;
    std::int32_t InnerHeight() const { return m_height - m_borders.top - m_borders.bottom; }
    bool IsValidIndex(std::int32_t index) const { return index >= 0 && index < GetItemCount(); }
    void KillAutoScrollTimer();

    bool m_dragging = false;
    std::int32_t m_rowHeight = 0;
    BaseLib::CRect m_borders;
    std::int32_t m_rowOffset = 0;
    std::int32_t m_topIndex = 0;
    std::int32_t m_visibleRows = 0;
    std::int32_t m_iconWidth = 0;
    bool m_scrollBarEnabled = true;
    bool m_multiSelect = false;
    std::int32_t m_selected = -1;
    std::int32_t m_caret = -1;
    std::int32_t m_anchor = -1;
    std::int32_t m_selectedCount = 0;
    Handle m_autoScrollTimer = 0; // 0: none
    Handle m_scrollBar = 0;
    CListBoxCallback m_onChange;
    CListBoxCallback m_onDoubleClick;
    std::vector<Item> m_items;
};

} // namespace UILib
