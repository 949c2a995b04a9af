#include "ui/controls/TreeView.h"

#include "ui/DrawContext.h"
#include "ui/Visualization.h"
#include "ui/WindowManager.h"
#include "ui/controls/Label.h"

#include <algorithm>
#include <limits>

namespace UILib
{

using BaseLib::CColor;
using BaseLib::CPoint;
using BaseLib::CRect;
using BaseLib::CString;

namespace
{

constexpr std::int32_t TextFont = 3;
constexpr std::int32_t FillNormal = 2;
constexpr std::int32_t FillDisabled = 3;
constexpr std::int32_t Margin = 5;
constexpr std::int32_t Indent = 20;
constexpr std::uint8_t ModifierShift = 1;
constexpr std::uint8_t ModifierControl = 2;

// The window system's key codes of "sKeyDown".
enum : std::uint32_t
{
    KeyEnd = 270,
    KeyHome = 271,
    KeyLeft = 272,
    KeyUp = 273,
    KeyRight = 274,
    KeyDown = 275,
};

// Visits every node below start depth-first in pre-order (a node before its children, children in
// order), keeping the path on an explicit stack so that any depth works. depth is 1 for start's
// children. visibleOnly skips the children of collapsed nodes. visit returns false to stop the walk.
template <typename Node, typename Visit> void WalkBelow(Node& start, bool visibleOnly, Visit&& visit)
{
    if (visibleOnly && !start.expanded)
    {
        return;
    }
    struct Frame
    {
        Node* node;
        std::size_t next;
    };
    std::vector<Frame> stack{{&start, 0}};
    while (!stack.empty())
    {
        Frame& top = stack.back();
        if (top.next == top.node->children.size())
        {
            stack.pop_back();
            continue;
        }
        Node* child = top.node->children[top.next++];
        if (!visit(*child, static_cast<std::int32_t>(stack.size())))
        {
            return;
        }
        if (!child->children.empty() && (!visibleOnly || child->expanded))
        {
            stack.push_back(Frame{child, 0});
        }
    }
}

// Gives the node's data object back (once) through its release operation.
bool ReleaseData(CTreeNode& node, std::int32_t = 0)
{
    if (node.data != nullptr)
    {
        node.data->Release();
        node.data = nullptr;
    }
    return true;
}

std::int32_t ClampToInt(std::int64_t value)
{
    return static_cast<std::int32_t>(std::min<std::int64_t>(value, std::numeric_limits<std::int32_t>::max()));
}

} // namespace

CBasicTreeControl::CBasicTreeControl()
{
    m_root.expanded = true;
    ApplyVisualization();
}

CBasicTreeControl::~CBasicTreeControl()
{
    if (m_dragging)
    {
        if (CWindowManager* manager = CWindowManager::GetInstance())
        {
            manager->ReleaseMouseCapture(this);
        }
    }
    WalkBelow(m_root, false, ReleaseData);
    for (CTreeNode* child : m_root.children)
    {
        DeleteSubtree(child);
    }
    m_root.children.clear();
}

void CBasicTreeControl::DeleteSubtree(CTreeNode* node)
{
    std::vector<CTreeNode*> pending{node};
    while (!pending.empty())
    {
        CTreeNode* next = pending.back();
        pending.pop_back();
        pending.insert(pending.end(), next->children.begin(), next->children.end());
        delete next;
    }
}

void CBasicTreeControl::SendToParent(const char* code)
{
    if (m_parent != 0)
    {
        SendNotification(CWindowMessage(code, CWindowMessage::Input, 0, m_handle), m_parent);
    }
}

bool CBasicTreeControl::NotifySelect()
{
    SendToParent("TCSelect");
    return true;
}

bool CBasicTreeControl::NotifyExpand()
{
    SendToParent("TCExpand");
    return true;
}

std::int32_t CBasicTreeControl::MeasureText(const CString& text) const
{
    CVisualization* visualization = VisualizationOf(*this);
    return visualization != nullptr ? visualization->GetTextWidth(TextFont, text) : 0;
}

// Nodes

void CBasicTreeControl::AddNode(CTreeNode* parent, CTreeNode* node)
{
    if (parent == nullptr)
    {
        parent = &m_root;
    }
    node->parent = parent;
    node->textWidth = MeasureText(node->text);
    parent->children.push_back(node);
    UpdateLayout();
    Invalidate(false);
}

void CBasicTreeControl::RemoveNode(CTreeNode* node, const std::function<void(CTreeNode&)>& beforeDelete)
{
    if (node == nullptr || node == &m_root || node->parent == nullptr)
    {
        return;
    }

    // The subtree leaves the selection and the last toggled node first, so nothing points into it.
    std::int32_t deselected = 0;
    bool selectedInside = false;
    const auto leaveSelection = [&](CTreeNode& n, std::int32_t) {
        if (n.selected)
        {
            n.selected = false;
            ++deselected;
        }
        selectedInside = selectedInside || &n == m_selected;
        if (&n == m_lastToggled)
        {
            m_lastToggled = nullptr;
        }
        return true;
    };
    leaveSelection(*node, 0);
    WalkBelow(*node, false, leaveSelection);
    if (deselected > 0)
    {
        m_selectedCount = std::max(m_selectedCount - deselected, 0);
        if (selectedInside)
        {
            m_selected = FirstSelectedNode();
        }
        Invalidate(false);
        NotifySelect();
    }

    const auto letGo = [&](CTreeNode& n, std::int32_t) {
        ReleaseData(n);
        if (beforeDelete)
        {
            beforeDelete(n);
        }
        return true;
    };
    letGo(*node, 0);
    WalkBelow(*node, false, letGo);

    std::vector<CTreeNode*>& siblings = node->parent->children;
    siblings.erase(std::find(siblings.begin(), siblings.end(), node));
    DeleteSubtree(node);
    UpdateLayout();
    Invalidate(false);
}

void CBasicTreeControl::RemoveAllNodes()
{
    ClearSelection();
    ReleaseData(m_root);
    WalkBelow(m_root, false, ReleaseData);
    while (!m_root.children.empty())
    {
        CTreeNode* last = m_root.children.back();
        m_root.children.pop_back();
        DeleteSubtree(last);
    }
    m_selected = nullptr;
    m_selectedCount = 0;
    m_lastToggled = nullptr;
    UpdateLayout();
    Invalidate(false);
}

// Selection and expansion

CTreeNode* CBasicTreeControl::FirstSelectedNode()
{
    CTreeNode* found = nullptr;
    if (m_selectedCount > 0)
    {
        WalkBelow(m_root, false, [&found](CTreeNode& node, std::int32_t) {
            found = node.selected ? &node : nullptr;
            return found == nullptr;
        });
    }
    return found;
}

void CBasicTreeControl::SelectNode(CTreeNode* node)
{
    if (node == &m_root)
    {
        return;
    }
    if (node == nullptr)
    {
        ClearSelection();
        return;
    }
    if (node == m_selected && m_selectedCount == 1)
    {
        return;
    }
    SuppressEvents();
    ClearSelection();
    ResumeEvents();
    m_selected = node;
    node->selected = true;
    m_selectedCount = 1;
    Invalidate(false);
    NotifySelect();
}

void CBasicTreeControl::AddNodeToSelection(CTreeNode* node)
{
    if (!m_multiSelect || node == nullptr || node == &m_root)
    {
        SelectNode(node);
        return;
    }
    if (node->selected)
    {
        return;
    }
    node->selected = true;
    ++m_selectedCount;
    m_selected = node;
    Invalidate(false);
    NotifySelect();
}

std::int32_t CBasicTreeControl::DeselectNode(CTreeNode* node)
{
    if (node == nullptr)
    {
        return m_selectedCount;
    }
    if (!m_multiSelect)
    {
        if (node == m_selected)
        {
            ClearSelection();
        }
        return m_selectedCount;
    }
    if (!node->selected)
    {
        return m_selectedCount;
    }
    node->selected = false;
    --m_selectedCount;
    if (node == m_selected)
    {
        m_selected = FirstSelectedNode();
    }
    Invalidate(false);
    NotifySelect();
    return m_selectedCount;
}

void CBasicTreeControl::ClearSelection()
{
    if (m_selectedCount <= 0)
    {
        return;
    }
    // Several flags may be set also after multi-select was switched off: then every node is cleared.
    if (m_multiSelect || m_selectedCount > 1)
    {
        WalkBelow(m_root, false, [](CTreeNode& node, std::int32_t) {
            node.selected = false;
            return true;
        });
    }
    else if (m_selected != nullptr)
    {
        m_selected->selected = false;
    }
    m_selected = nullptr;
    m_selectedCount = 0;
    Invalidate(false);
    NotifySelect();
}

void CBasicTreeControl::SetExpanded(CTreeNode* node, bool expanded)
{
    if (node == nullptr || node == &m_root || node->children.empty() || node->expanded == expanded)
    {
        return;
    }
    node->expanded = expanded;
    m_lastToggled = node;
    UpdateLayout();
    Invalidate(false);
    NotifyExpand();
}

// Flags

void CBasicTreeControl::SetDrawLines(bool on)
{
    if (on != m_drawLines)
    {
        m_drawLines = on;
        Invalidate(false);
    }
}

void CBasicTreeControl::SetMultiselection(bool on)
{
    if (on != m_multiSelect)
    {
        m_multiSelect = on;
        Invalidate(false);
    }
}

void CBasicTreeControl::SetShowSubtreeSizes(bool on)
{
    if (on != m_showSubtreeSizes)
    {
        m_showSubtreeSizes = on;
        Invalidate(false);
    }
}

// Layout

std::int32_t CBasicTreeControl::CountLeaves(const CTreeNode& node)
{
    if (node.children.empty())
    {
        return 1;
    }
    std::int64_t leaves = 0;
    WalkBelow(node, false, [&leaves](const CTreeNode& n, std::int32_t) {
        leaves += n.children.empty() ? 1 : 0;
        return true;
    });
    return ClampToInt(leaves);
}

CString CBasicTreeControl::GetRowText(const CTreeNode& node) const
{
    if (!m_showSubtreeSizes || node.children.empty())
    {
        return node.text;
    }
    return node.text + CString::FromFormat(" (%d)", CountLeaves(node));
}

bool CBasicTreeControl::ApplyVisualization()
{
    if (CVisualization* visualization = VisualizationOf(*this))
    {
        m_fontHeight = visualization->GetFontMetrics(TextFont).height;
        m_buttonWidth = visualization->GetMetrics().treeButtonWidth;
        m_buttonHeight = visualization->GetMetrics().treeButtonHeight;
        m_rowHeight = std::max(m_fontHeight, m_buttonHeight);
        WalkBelow(m_root, false, [visualization](CTreeNode& node, std::int32_t) {
            node.textWidth = visualization->GetTextWidth(TextFont, node.text);
            return true;
        });
    }
    OnSize();
    UpdateLayout();
    return CWindow::ApplyVisualization();
}

void CBasicTreeControl::UpdateLayout()
{
    if (m_root.children.empty())
    {
        return;
    }
    std::int64_t y = Margin;
    std::int64_t right = 0;
    WalkBelow(m_root, true, [&](CTreeNode& node, std::int32_t depth) {
        node.rowHeight = std::max(m_rowHeight, node.icon.GetHeight());
        node.buttonX = ClampToInt(static_cast<std::int64_t>(Indent) * depth - (Indent - Margin));
        node.iconX = node.buttonX + m_buttonWidth + m_buttonWidth / 2;
        node.textX = node.iconX + m_buttonWidth / 2 + node.icon.GetWidth();
        node.rowY = ClampToInt(y);
        y += node.rowHeight;
        right = std::max(right, static_cast<std::int64_t>(node.textX) + node.textWidth);
        return true;
    });
    const std::int32_t width = ClampToInt(right + Margin);
    const std::int32_t height = ClampToInt(y + Margin);
    if (width != m_requiredWidth || height != m_requiredHeight)
    {
        m_requiredWidth = width;
        m_requiredHeight = height;
        SendToParent("TCReqSiz");
    }
}

CBasicTreeControl::CHit CBasicTreeControl::HitTest(const CPoint& point) const
{
    CHit hit;
    WalkBelow(m_root, true, [&](const CTreeNode& node, std::int32_t) {
        if (node.rowY + node.rowHeight > point.y)
        {
            hit.node = const_cast<CTreeNode*>(&node);
            return false;
        }
        return true;
    });
    if (hit.node == nullptr)
    {
        return hit;
    }
    const CTreeNode& node = *hit.node;
    const auto inside = [&point](std::int32_t left, std::int32_t width) {
        return point.x >= left && point.x < left + width;
    };
    if (inside(node.buttonX, m_buttonWidth))
    {
        hit.part = PartButton;
    }
    else if (inside(node.iconX, node.icon.GetWidth()))
    {
        hit.part = PartIcon;
    }
    else if (inside(node.textX, node.textWidth))
    {
        hit.part = PartText;
    }
    return hit;
}

CRect CBasicTreeControl::GetSelectedRowRect() const
{
    if (m_selected == nullptr)
    {
        return CRect(0, 0, 0, 0);
    }
    return CRect(0, m_selected->rowY, m_width, m_selected->rowY + m_selected->rowHeight);
}

// Painting

void CBasicTreeControl::Paint(CDrawContext& context)
{
    CVisualization* visualization = VisualizationOf(*this);
    if (visualization == nullptr)
    {
        return;
    }
    const bool disabled = IsDisabled();
    const CRect clip = context.GetLocalClipRect();
    visualization->FillBackground(context, clip, disabled ? FillDisabled : FillNormal);

    const CColor black(0, 0, 0, 255);
    const std::int32_t halfButton = m_buttonWidth / 2;
    const auto middle = [](const CTreeNode& node) { return node.rowY + node.rowHeight / 2; };
    const auto drawLines = [&](const CTreeNode& node) {
        if (!m_drawLines || !node.expanded || node.children.empty())
        {
            return;
        }
        for (const CTreeNode* child : node.children)
        {
            const CPoint from(child->buttonX + halfButton, middle(*child));
            context.DrawLine(from, CPoint(from.x + m_buttonWidth, from.y), black);
        }
        const CTreeNode& last = *node.children.back();
        const std::int32_t x = last.buttonX + halfButton;
        const std::int32_t top = node.parent == nullptr ? middle(*node.children.front()) : middle(node);
        context.DrawLine(CPoint(x, top), CPoint(x, middle(last)), black);
    };

    drawLines(m_root);
    WalkBelow(m_root, true, [&](const CTreeNode& node, std::int32_t) {
        drawLines(node);
        if (node.rowY >= clip.bottom)
        {
            return false;
        }
        if (node.rowY + node.rowHeight < clip.top)
        {
            return true;
        }
        if (!node.children.empty())
        {
            visualization->DrawTreeButton(
                context, CPoint(node.buttonX, node.rowY + (node.rowHeight - m_buttonHeight) / 2), !node.expanded);
        }
        if (node.icon.IsValid())
        {
            context.DrawBitmap(CPoint(node.iconX, node.rowY + (node.rowHeight - node.icon.GetHeight()) / 2),
                               node.icon, true);
        }
        const std::uint32_t flags = node.selected ? TextHighlighted : disabled ? TextDisabled : 0u;
        // The measured width leaves the subtree size out; the rectangle still spans it, so a selected
        // row's highlight lies under the whole text instead of leaving the count in highlight colour on
        // the plain background.
        const CString text = GetRowText(node);
        const std::int32_t width =
            text.GetLength() == node.text.GetLength() ? node.textWidth : visualization->GetTextWidth(TextFont, text);
        visualization->DrawIndexedText(context, TextFont,
                                       CRect(node.textX, node.rowY, node.textX + width, node.rowY + node.rowHeight),
                                       1, 0, text, flags);
        return true;
    });
}

// Keys

bool CBasicTreeControl::OnKeyDown(std::uint32_t key, std::uint8_t modifiers)
{
    switch (key)
    {
    case KeyEnd:
        if (!m_root.children.empty())
        {
            CTreeNode* node = m_root.children.back();
            while (node->expanded && !node->children.empty())
            {
                node = node->children.back();
            }
            SelectNode(node);
        }
        break;
    case KeyHome:
        if (!m_root.children.empty())
        {
            SelectNode(m_root.children.front());
        }
        break;
    case KeyLeft:
        if (m_selected != nullptr)
        {
            // A node showing children folds; any other row (also a leaf flagged expanded) goes to its parent.
            if (m_selected->expanded && !m_selected->children.empty())
            {
                SetExpanded(m_selected, false);
            }
            else
            {
                SelectNode(m_selected->parent);
            }
        }
        break;
    case KeyRight:
        if (m_selected != nullptr)
        {
            if (!m_selected->expanded)
            {
                SetExpanded(m_selected, true);
            }
            else if (!m_selected->children.empty())
            {
                SelectNode(m_selected->children.front());
            }
        }
        break;
    case KeyUp:
    case KeyDown:
        if (m_selected != nullptr)
        {
            // A selected node inside a collapsed one is on no row: neither key finds a neighbour then.
            CTreeNode* previous = &m_root;
            CTreeNode* target = nullptr;
            bool found = false;
            WalkBelow(m_root, true, [&](CTreeNode& node, std::int32_t) {
                if (found)
                {
                    target = &node;
                    return false;
                }
                if (&node == m_selected)
                {
                    found = true;
                    target = key == KeyUp ? previous : nullptr;
                    return key == KeyDown;
                }
                previous = &node;
                return true;
            });
            if (target != nullptr)
            {
                SelectNode(target);
            }
        }
        break;
    default:
        return CWindow::OnKeyDown(key, modifiers);
    }
    Invalidate(false);
    return true;
}

bool CBasicTreeControl::OnCharKey(std::uint32_t code, std::uint8_t)
{
    if (code > 0x7F)
    {
        return true;
    }
    const auto upper = [](unsigned char c) { return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 32) : c; };
    const unsigned char wanted = upper(static_cast<unsigned char>(code));
    CTreeNode* first = nullptr;
    CTreeNode* next = nullptr;
    bool passedSelected = false;
    WalkBelow(m_root, true, [&](CTreeNode& node, std::int32_t) {
        if (&node == m_selected)
        {
            passedSelected = true;
            return true;
        }
        const char* text = node.text;
        if (text[0] == '\0' || upper(static_cast<unsigned char>(text[0])) != wanted)
        {
            return true;
        }
        if (first == nullptr)
        {
            first = &node;
        }
        if (passedSelected)
        {
            next = &node;
            return false;
        }
        return true;
    });
    if (CTreeNode* target = next != nullptr ? next : first)
    {
        SelectNode(target);
        Invalidate(false);
    }
    return true;
}

// Mouse

bool CBasicTreeControl::OnMouseMove(CPoint&, std::uint8_t)
{
    return true;
}

bool CBasicTreeControl::OnLButtonDown(CPoint& point, std::uint8_t modifiers)
{
    if (IsDisabled())
    {
        return true;
    }
    const CHit hit = HitTest(point);
    if (hit.part == PartButton)
    {
        SetExpanded(hit.node, !hit.node->expanded);
    }
    else if (hit.part == PartIcon || hit.part == PartText)
    {
        if (!m_multiSelect)
        {
            SelectNode(hit.node);
        }
        else if ((modifiers & ModifierControl) != 0)
        {
            if (hit.node->selected)
            {
                DeselectNode(hit.node);
            }
            else
            {
                AddNodeToSelection(hit.node);
            }
        }
        else if ((modifiers & ModifierShift) != 0)
        {
            AddNodeToSelection(hit.node);
        }
        else
        {
            SelectNode(hit.node);
        }
    }
    m_dragging = true;
    if (CWindowManager* manager = CWindowManager::GetInstance())
    {
        manager->SetMouseCapture(this);
    }
    return true;
}

bool CBasicTreeControl::OnLButtonUp(CPoint&, std::uint8_t)
{
    if (m_dragging)
    {
        m_dragging = false;
        if (CWindowManager* manager = CWindowManager::GetInstance())
        {
            manager->ReleaseMouseCapture(this);
        }
        Invalidate(false);
    }
    return true;
}

bool CBasicTreeControl::OnLButtonDblClk(CPoint& point, std::uint8_t)
{
    if (IsDisabled())
    {
        return true;
    }
    const CHit hit = HitTest(point);
    if (hit.part != PartIcon && hit.part != PartText)
    {
        return true;
    }
    if (!hit.node->children.empty())
    {
        SetExpanded(hit.node, !hit.node->expanded);
    }
    else
    {
        SendToParent("TCDblClk");
    }
    return true;
}

} // namespace UILib
