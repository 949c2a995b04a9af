#pragma once

#include "foundation/Point.h"
#include "foundation/Rect.h"
#include "foundation/String.h"
#include "ui/Bitmap.h"
#include "ui/Window.h"
#include "ui/controls/UserData.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace UILib
{

// A user object carried by a tree node. The tree owns it: Release is called once, when the tree lets go
// of the node (all nodes removed, the node's subtree removed, or the tree destroyed).
using CTreeNodeData = CUserData;

// One row of a tree. Nodes are made, linked and deleted only by CBasicTreeControl, which owns them (the
// children are owned by their parent node, but the node itself never deletes them: deep trees are torn
// down by the tree with an explicit stack). The layout fields are in the tree view's client coordinates.
struct CTreeNode
{
    CTreeNodeData* data = nullptr; // owned, may be null
    Handle handle = 0;             // the node's handle in the tree control's node table (0 for the root)
    CBitmap icon;                  // may be empty: then a 0 × 0 icon that draws nothing
    BaseLib::CString text;         // UTF-8
    std::int32_t textWidth = 0;    // of the text in the theme's font 3, without any suffix
    bool expanded = false;
    std::int32_t rowHeight = 0;
    std::int32_t buttonX = 0;
    std::int32_t iconX = 0;
    std::int32_t textX = 0;
    std::int32_t rowY = 0;
    bool selected = false;
    CTreeNode* parent = nullptr; // null only for the root
    std::vector<CTreeNode*> children;
};

// The rows of a tree control: lays the visible nodes out top to bottom indented by depth, draws lines,
// expand buttons, icons and texts, keeps a single or multiple selection and answers mouse and keys. It
// never scrolls itself; it tells its parent (sent at once, the tree as sender) "TCSelect" on a selection
// change, "TCExpand" on an expansion change, "TCDblClk" on a double click on a leaf and "TCReqSiz" when
// the size its rows need changed. The root node is always expanded, never drawn, never selectable and
// never removed; its children are the top-level rows. No operation recurses, so trees of any depth work.
class CBasicTreeControl : public CWindow
{
public:
    // Parts of a hit.
    enum Part : std::int32_t
    {
        PartNothing = 0,
        PartButton = 1,
        PartIcon = 2,
        PartText = 3,
    };
    struct CHit
    {
        CTreeNode* node = nullptr;
        std::int32_t part = PartNothing;
    };

    CBasicTreeControl();
    // Releases the data objects still held, then deletes every node.
    ~CBasicTreeControl() override;

    const char* GetClassName() const override { return "CBasicTreeControl"; }
    BaseLib::CString GetDebugDescription() const override { return "CBasicTreeControl"; }

    // Send "TCSelect" / "TCExpand" to the parent unless events are suppressed; true.
    virtual bool NotifySelect();
    virtual bool NotifyExpand();

    CTreeNode* GetRoot() { return &m_root; }
    const CTreeNode* GetRoot() const { return &m_root; }
    // In multi-select mode the most recently selected node; null when nothing is selected.
    CTreeNode* GetSelectedNode() const { return m_selected; }
    std::int32_t GetSelectedCount() const { return m_selectedCount; }
    // The node whose expansion changed last; null when none or when it was removed.
    CTreeNode* GetLastToggledNode() const { return m_lastToggled; }

    // Takes a new node without parent or children (made with new, its handle, text, icon, data and
    // expanded flag set) as the last child of parent (the root when null), measures its text and lays
    // the rows out. The node and its data object become the tree's.
    void AddNode(CTreeNode* parent, CTreeNode* node);
    // Removes a node other than the root with its subtree: the subtree leaves the selection first (one
    // "TCSelect" when the selection changed), the last toggled node is forgotten when inside, every data
    // object is released and beforeDelete (when set) sees each node, then the nodes are deleted and the
    // rows laid out again.
    void RemoveNode(CTreeNode* node, const std::function<void(CTreeNode&)>& beforeDelete = {});
    // Clears the selection, releases every data object and removes every node but the root. The
    // required size keeps its last value.
    void RemoveAllNodes();

    // Makes the node the only selection; the root does nothing, null clears.
    void SelectNode(CTreeNode* node);
    // Multi-select: adds the node; otherwise SelectNode.
    void AddNodeToSelection(CTreeNode* node);
    // Returns the selected count afterwards.
    std::int32_t DeselectNode(CTreeNode* node);
    // One "TCSelect" when something was selected; nothing otherwise.
    void ClearSelection();
    // Nothing for a node without children or an unchanged flag.
    void SetExpanded(CTreeNode* node, bool expanded);

    // Lays out every visible row (nothing while the root has no children) and sends "TCReqSiz" when
    // the required size changed and there is a parent.
    void UpdateLayout();
    // A point above the first row hits the first row; below the last row hits nothing.
    CHit HitTest(const BaseLib::CPoint& point) const;
    // (0, row top, own width, row bottom) of the selected node; all zeros without one.
    BaseLib::CRect GetSelectedRowRect() const;
    BaseLib::CSize GetRequiredSize() const { return BaseLib::CSize(m_requiredWidth, m_requiredHeight); }
    std::int32_t GetRowHeight() const { return m_rowHeight; }
    std::int32_t GetButtonWidth() const { return m_buttonWidth; }
    std::int32_t GetButtonHeight() const { return m_buttonHeight; }

    // Store a change and invalidate; no relayout.
    void SetDrawLines(bool on);
    bool GetDrawLines() const { return m_drawLines; }
    void SetMultiselection(bool on);
    bool GetMultiselection() const { return m_multiSelect; }
    void SetShowSubtreeSizes(bool on);
    bool GetShowSubtreeSizes() const { return m_showSubtreeSizes; }

    // Leaves below the node; a node without children counts as one.
    static std::int32_t CountLeaves(const CTreeNode& node);
    // The text a row shows: with subtree sizes on and children present, followed by " (leaves)".
    BaseLib::CString GetRowText(const CTreeNode& node) const;

    void Paint(CDrawContext& context) override;
    bool OnCharKey(std::uint32_t code, std::uint8_t modifiers) override;
    bool OnKeyDown(std::uint32_t key, std::uint8_t modifiers) override;
    bool ApplyVisualization() override;
    bool OnMouseMove(BaseLib::CPoint& point, std::uint8_t modifiers) override;
    bool OnLButtonDown(BaseLib::CPoint& point, std::uint8_t modifiers) override;
    bool OnLButtonUp(BaseLib::CPoint& point, std::uint8_t modifiers) override;
    bool OnLButtonDblClk(BaseLib::CPoint& point, std::uint8_t modifiers) override;

private:
    void SendToParent(const char* code);
    std::int32_t MeasureText(const BaseLib::CString& text) const;
    // The first selected node of a full walk; null when nothing is selected.
    CTreeNode* FirstSelectedNode();
    // Deletes the nodes of a detached subtree (the start node included).
    static void DeleteSubtree(CTreeNode* node);

    CTreeNode m_root;
    CTreeNode* m_selected = nullptr;
    CTreeNode* m_lastToggled = nullptr;
    bool m_drawLines = true;
    bool m_multiSelect = false;
    std::int32_t m_selectedCount = 0;
    bool m_showSubtreeSizes = false;
    bool m_dragging = false;
    std::int32_t m_fontHeight = 0;
    std::int32_t m_rowHeight = 0;
    std::int32_t m_buttonWidth = 0;
    std::int32_t m_buttonHeight = 0;
    std::int32_t m_requiredWidth = 0;
    std::int32_t m_requiredHeight = 0;
};

} // namespace UILib
