#include "ui/controls/TreeControl.h"

#include "ui/DrawContext.h"
#include "ui/Visualization.h"
#include "ui/WindowManager.h"
#include "ui/controls/Label.h"
#include "ui/controls/PropertyTable.h"
#include "ui/controls/ScrollBar.h"
#include "ui/controls/ScrollWindow.h"
#include "ui/controls/TreeView.h"

#include <algorithm>
#include <memory>

namespace UILib
{

using BaseLib::CRect;
using BaseLib::CString;

namespace
{

constexpr std::int32_t FrameStyle = 1;
constexpr std::int32_t FillNormal = 2;
constexpr std::int32_t FillDisabled = 3;

CWindow* Resolve(Handle handle)
{
    CWindowManager* manager = CWindowManager::GetInstance();
    return manager != nullptr && handle != 0 ? manager->Resolve(handle) : nullptr;
}

const CPropertyTable<CTreeControl>& TreeControlProperties()
{
    static const CPropertyTable<CTreeControl> table = [] {
        CPropertyTable<CTreeControl> t;
        t.Bool("Frame", "Draw frame around control?", true, &CTreeControl::SetFrame, &CTreeControl::GetFrame);
        t.Bool("Draw Lines", "Draw tree structure with lines?", true, &CTreeControl::SetDrawLines,
               &CTreeControl::GetDrawLines);
        t.Bool("Multiselection", "Allow Multiselection?", false, &CTreeControl::SetMultiselection,
               &CTreeControl::GetMultiselection);
        t.Bool("Show Subtree Sizes", "Show number of children for every node", false,
               &CTreeControl::SetShowSubtreeSizes, &CTreeControl::GetShowSubtreeSizes);
        return t;
    }();
    return table;
}

} // namespace

CTreeControl::CTreeControl()
{
    auto* treeView = new CBasicTreeControl();
    treeView->SetName("__treectrl");
    m_treeView = treeView->GetHandle();
    auto* scrollWindow = new CScrollWindow();
    scrollWindow->SetName("__scroller");
    m_scrollWindow = scrollWindow->GetHandle();
    scrollWindow->GetView()->SetClientArea(treeView);
    CWindow::AddChild(m_scrollWindow);
    ApplyVisualization();
}

CTreeControl::~CTreeControl()
{
    SuppressEvents();
    ReleaseAllHandles();
    if (CBasicTreeControl* treeView = GetTreeView())
    {
        treeView->RemoveAllNodes();
    }
    m_nodes.Clear();
}

CWindow* CTreeControl::Create()
{
    return new CTreeControl();
}

void CTreeControl::GetProperties(CPropertyList& list)
{
    CWindow::GetProperties(list);
    TreeControlProperties().AppendTo(list, this);
}

CBasicTreeControl* CTreeControl::GetTreeView() const
{
    return static_cast<CBasicTreeControl*>(Resolve(m_treeView));
}

CScrollWindow* CTreeControl::GetScrollWindow() const
{
    return static_cast<CScrollWindow*>(Resolve(m_scrollWindow));
}

// Notifications

void CTreeControl::Post(const char* code)
{
    if (m_parent != 0)
    {
        PostNotification(m_parent, CWindowMessage(code, CWindowMessage::Input, 0, m_handle));
    }
}

bool CTreeControl::NotifySelect()
{
    if (AreEventsSuppressed())
    {
        return true;
    }
    Post("TCSelect");
    if (m_onSelect.IsSet())
    {
        m_onSelect(this);
    }
    return true;
}

bool CTreeControl::NotifyExpand(Handle node)
{
    if (AreEventsSuppressed())
    {
        return true;
    }
    Post("TCExpand");
    if (m_onExpand.IsSet())
    {
        m_onExpand(this, node);
    }
    return true;
}

bool CTreeControl::NotifyDoubleClick(Handle node)
{
    if (AreEventsSuppressed())
    {
        return true;
    }
    Post("TCDblClk");
    if (m_onDoubleClick.IsSet())
    {
        m_onDoubleClick(this, node);
    }
    return true;
}

// Nodes

Handle CTreeControl::AddNode(Handle parent, const CString& text, const CBitmap& icon, CUserData* data,
                             bool expanded)
{
    CBasicTreeControl* treeView = GetTreeView();
    CTreeNode* parentNode = parent != 0 ? GetNode(parent) : nullptr;
    if (treeView == nullptr || (parent != 0 && parentNode == nullptr))
    {
        return 0;
    }
    auto node = std::make_unique<CTreeNode>();
    const Handle handle = m_nodes.Create(node.get());
    if (handle == 0)
    {
        return 0;
    }
    node->handle = handle;
    node->text = text;
    node->icon = icon;
    node->data = data;
    node->expanded = expanded;
    treeView->AddNode(parentNode, node.release());
    return handle;
}

template <typename Operation> bool CTreeControl::WithNode(Handle node, Operation&& operation)
{
    CTreeNode* found = GetNode(node);
    CBasicTreeControl* treeView = GetTreeView();
    if (found == nullptr || treeView == nullptr)
    {
        return false;
    }
    operation(*treeView, *found);
    return true;
}

bool CTreeControl::RemoveNode(Handle node)
{
    return WithNode(node, [this](CBasicTreeControl& treeView, CTreeNode& found) {
        treeView.RemoveNode(&found, [this](CTreeNode& removed) { m_nodes.Release(removed.handle); });
    });
}

void CTreeControl::ReleaseAllHandles()
{
    // Releasing (not clearing) moves every slot's serial on, so no old handle resolves again after
    // the slots are reused.
    for (std::uint32_t index = 0; index < m_nodes.GetEntryCount(); ++index)
    {
        if (const Handle handle = m_nodes.HandleAt(index))
        {
            m_nodes.Release(handle);
        }
    }
}

void CTreeControl::RemoveAllNodes()
{
    ReleaseAllHandles();
    if (CBasicTreeControl* treeView = GetTreeView())
    {
        treeView->RemoveAllNodes();
    }
}

CTreeNode* CTreeControl::GetNode(Handle node) const
{
    return static_cast<CTreeNode*>(m_nodes.Resolve(node));
}

bool CTreeControl::SelectNode(Handle node)
{
    return WithNode(node, [](CBasicTreeControl& treeView, CTreeNode& found) { treeView.SelectNode(&found); });
}

bool CTreeControl::AddNodeToSelection(Handle node)
{
    return WithNode(node, [](CBasicTreeControl& treeView, CTreeNode& found) { treeView.AddNodeToSelection(&found); });
}

bool CTreeControl::DeselectNode(Handle node)
{
    return WithNode(node, [](CBasicTreeControl& treeView, CTreeNode& found) { treeView.DeselectNode(&found); });
}

bool CTreeControl::SetExpanded(Handle node, bool expanded)
{
    return WithNode(node, [expanded](CBasicTreeControl& treeView, CTreeNode& found) {
        treeView.SetExpanded(&found, expanded);
    });
}

void CTreeControl::ClearSelection()
{
    if (CBasicTreeControl* treeView = GetTreeView())
    {
        treeView->ClearSelection();
    }
}

Handle CTreeControl::GetSelectedNode() const
{
    const CBasicTreeControl* treeView = GetTreeView();
    const CTreeNode* selected = treeView != nullptr ? treeView->GetSelectedNode() : nullptr;
    return selected != nullptr ? selected->handle : 0;
}

// Properties

void CTreeControl::SetFrame(bool on)
{
    if (on != m_frame)
    {
        m_frame = on;
        Invalidate(false);
    }
}

void CTreeControl::SetDrawLines(bool on)
{
    if (CBasicTreeControl* treeView = GetTreeView())
    {
        treeView->SetDrawLines(on);
    }
}

bool CTreeControl::GetDrawLines() const
{
    const CBasicTreeControl* treeView = GetTreeView();
    return treeView != nullptr && treeView->GetDrawLines();
}

void CTreeControl::SetMultiselection(bool on)
{
    if (CBasicTreeControl* treeView = GetTreeView())
    {
        treeView->SetMultiselection(on);
    }
}

bool CTreeControl::GetMultiselection() const
{
    const CBasicTreeControl* treeView = GetTreeView();
    return treeView != nullptr && treeView->GetMultiselection();
}

void CTreeControl::SetShowSubtreeSizes(bool on)
{
    if (CBasicTreeControl* treeView = GetTreeView())
    {
        treeView->SetShowSubtreeSizes(on);
    }
}

bool CTreeControl::GetShowSubtreeSizes() const
{
    const CBasicTreeControl* treeView = GetTreeView();
    return treeView != nullptr && treeView->GetShowSubtreeSizes();
}

// Layout, painting and messages

bool CTreeControl::ApplyVisualization()
{
    if (CVisualization* visualization = VisualizationOf(*this))
    {
        m_borders = visualization->GetBorderWidths(FrameStyle);
        const std::int32_t lineHeight = visualization->GetFontMetrics(0).height;
        if (CScrollWindow* scrollWindow = GetScrollWindow())
        {
            const std::int32_t speed = lineHeight < 2 ? 1 : lineHeight;
            scrollWindow->SetHScrollSpeed(speed);
            scrollWindow->SetVScrollSpeed(speed);
        }
    }
    OnSize();
    return CWindow::ApplyVisualization();
}

bool CTreeControl::OnSize()
{
    const std::int32_t innerWidth = std::max(m_width - m_borders.left - m_borders.right, 0);
    const std::int32_t innerHeight = std::max(m_height - m_borders.top - m_borders.bottom, 0);
    if (CScrollWindow* scrollWindow = GetScrollWindow())
    {
        scrollWindow->SetSize(innerWidth, innerHeight);
        scrollWindow->SetPosition(m_borders.left, m_borders.top);
    }
    if (CBasicTreeControl* treeView = GetTreeView())
    {
        const BaseLib::CSize required = treeView->GetRequiredSize();
        treeView->SetSize(std::max(innerWidth, required.cx), std::max(innerHeight, required.cy));
    }
    return true;
}

void CTreeControl::Paint(CDrawContext& context)
{
    CVisualization* visualization = VisualizationOf(*this);
    if (visualization == nullptr)
    {
        return;
    }
    if (m_frame)
    {
        visualization->DrawFrame(context, GetClientRect(), FrameStyle, IsDisabled() ? 1 : 0);
        return;
    }
    // Without the frame the inset strip still belongs to this opaque window: it takes the tree's
    // background, or it would keep whatever was drawn there before.
    visualization->FillBackground(context, context.GetLocalClipRect(), IsDisabled() ? FillDisabled : FillNormal);
}

void CTreeControl::ScrollSelectionIntoView()
{
    CScrollWindow* scrollWindow = GetScrollWindow();
    const CBasicTreeControl* treeView = GetTreeView();
    if (scrollWindow == nullptr || treeView == nullptr)
    {
        return;
    }
    const CRect row = treeView->GetSelectedRowRect();
    const std::int32_t offset = scrollWindow->GetVScrollPos();
    std::int32_t visibleHeight = scrollWindow->GetSize().cy;
    if (const CScrollBar* bar = scrollWindow->GetHorizontalBar(); bar != nullptr && bar->GetVisible())
    {
        visibleHeight = std::max(visibleHeight - bar->GetSize().cy, 0);
    }
    if (offset > row.top)
    {
        scrollWindow->SetVScrollPos(row.top);
    }
    else if (static_cast<std::int64_t>(offset) + visibleHeight < row.bottom)
    {
        scrollWindow->SetVScrollPos(row.bottom - visibleHeight);
    }
}

bool CTreeControl::OnMessage(const CWindowMessage& message)
{
    // Only the tree view's own messages, which bubble up through the scroll window.
    if (message.second == m_treeView)
    {
        const CBasicTreeControl* treeView = GetTreeView();
        if (message.Is("TCSelect"))
        {
            NotifySelect();
            ScrollSelectionIntoView();
            return true;
        }
        if (message.Is("TCExpand"))
        {
            if (const CTreeNode* node = treeView != nullptr ? treeView->GetLastToggledNode() : nullptr)
            {
                NotifyExpand(node->handle);
            }
            return true;
        }
        if (message.Is("TCDblClk"))
        {
            if (const CTreeNode* node = treeView != nullptr ? treeView->GetSelectedNode() : nullptr)
            {
                NotifyDoubleClick(node->handle);
            }
            return true;
        }
        if (message.Is("TCReqSiz"))
        {
            OnSize();
            return true;
        }
    }
    return CWindow::OnMessage(message);
}

} // namespace UILib
