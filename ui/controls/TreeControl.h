#pragma once

#include "foundation/Rect.h"
#include "foundation/String.h"
#include "ui/Bitmap.h"
#include "ui/Callback.h"
#include "ui/HandleTable.h"
#include "ui/Window.h"
#include "ui/controls/UserData.h"

#include <cstdint>

namespace UILib
{

class CBasicTreeControl;
class CScrollWindow;
class CTreeControl;
struct CTreeNode;

using CTreeSelectCallback = CCallback<CTreeControl*>;
using CTreeNodeCallback = CCallback<CTreeControl*, Handle>;

// The tree widget: a framed scroll window ("__scroller", its only direct child) whose client area is the
// tree view ("__treectrl"). It owns the node handles (slot index in bits 0–15, serial in bits 16–31),
// keeps the selected row in view, resizes the tree view when it asks, and turns the tree view's messages
// into its own notifications "TCSelect", "TCExpand" and "TCDblClk", posted to the parent (the tree
// control as sender) and given to the matching callback, the last two with the node's handle.
class CTreeControl : public CWindow
{
public:
    CTreeControl();
    // Events are suppressed first: the teardown posts and fires nothing. Every data object is released.
    ~CTreeControl() override;
    static CWindow* Create();

    const char* GetClassName() const override { return "CTreeControl"; }
    BaseLib::CString GetDebugDescription() const override { return "CTreeControl"; }
    // The window's list, then "Frame", "Draw Lines", "Multiselection", "Show Subtree Sizes".
    void GetProperties(CPropertyList& list) override;

    // Post the notification to the parent and fire the callback, both skipped while events are
    // suppressed; true.
    virtual bool NotifySelect();
    virtual bool NotifyExpand(Handle node);
    virtual bool NotifyDoubleClick(Handle node);

    // Adds a node as the last child of parent (0: a top-level node); the tree takes the data object.
    // Returns the node's handle, or 0 when the parent handle does not resolve or the node table is full
    // (65,536 live nodes; traced): then nothing is added and the data object stays the caller's.
    Handle AddNode(Handle parent, const BaseLib::CString& text, const CBitmap& icon = CBitmap(),
                   CUserData* data = nullptr, bool expanded = false);
    // Removes the node with its subtree: it leaves the selection, its data objects are released and its
    // handles stop resolving. False when the handle does not resolve.
    bool RemoveNode(Handle node);
    // Empties the node table (every handle made so far stops resolving), then the tree view.
    void RemoveAllNodes();
    // The node of a handle; null when it does not resolve.
    CTreeNode* GetNode(Handle node) const;
    // Through the look-up to the tree view; false when the handle does not resolve.
    bool SelectNode(Handle node);
    bool AddNodeToSelection(Handle node);
    bool DeselectNode(Handle node);
    bool SetExpanded(Handle node, bool expanded);
    void ClearSelection();
    // The selected node's handle (in multi-select mode the most recent), 0 without one.
    Handle GetSelectedNode() const;

    CBasicTreeControl* GetTreeView() const;
    CScrollWindow* GetScrollWindow() const;
    // Left, top, right and bottom widths of the theme's frame style 1.
    const BaseLib::CRect& GetBorderWidths() const { return m_borders; }

    void SetFrame(bool on);
    bool GetFrame() const { return m_frame; }
    // Read and write the tree view's flags.
    void SetDrawLines(bool on);
    bool GetDrawLines() const;
    void SetMultiselection(bool on);
    bool GetMultiselection() const;
    void SetShowSubtreeSizes(bool on);
    bool GetShowSubtreeSizes() const;

    void SetOnSelect(const CTreeSelectCallback& callback) { m_onSelect = callback; }
    void SetOnExpand(const CTreeNodeCallback& callback) { m_onExpand = callback; }
    void SetOnDoubleClick(const CTreeNodeCallback& callback) { m_onDoubleClick = callback; }

    bool OnMessage(const CWindowMessage& message) override;
    void Paint(CDrawContext& context) override;
    bool OnSize() override;
    bool ApplyVisualization() override;

private:
    void Post(const char* code);
    // Runs operation(tree view, node) when the handle resolves; false when it does not.
    template <typename Operation> bool WithNode(Handle node, Operation&& operation);
    // Scrolls the scroll window so that the tree view's selected row is in view.
    void ScrollSelectionIntoView();
    void ReleaseAllHandles();

    Handle m_treeView = 0;
    Handle m_scrollWindow = 0;
    bool m_frame = true;
    BaseLib::CRect m_borders{0, 0, 0, 0};
    CHandleTable m_nodes{"CTreeControl nodes"};
    CTreeSelectCallback m_onSelect;
    CTreeNodeCallback m_onExpand;
    CTreeNodeCallback m_onDoubleClick;
};

} // namespace UILib
