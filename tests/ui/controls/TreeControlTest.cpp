#include "ControlBench.h"
#include "PropertyAccess.h"
#include "platform/os/DebugOutput.h"
#include "platform/os/KeyState.h"
#include "ui/Bitmap.h"
#include "ui/Panel.h"
#include "ui/Visualization.h"
#include "ui/controls/Label.h"
#include "ui/controls/ScrollBar.h"
#include "ui/controls/ScrollWindow.h"
#include "ui/controls/TreeControl.h"
#include "ui/controls/TreeView.h"

#include <algorithm>
#include <map>

using namespace ControlBench;
using BaseLib::CColor;
using BaseLib::CPoint;
using BaseLib::CRect;
using BaseLib::CSize;
using UILib::CBasicTreeControl;
using UILib::CBitmap;
using UILib::CTreeControl;
using UILib::CTreeNode;
using UILib::Handle;

namespace
{

const CColor White(255, 255, 255, 255);
const CColor Grey(200, 200, 200, 255);
const CColor Black(0, 0, 0, 255);
const CColor Highlight(50, 50, 160, 255);

CBitmap Icon(std::int32_t width, std::int32_t height, CColor colour)
{
    CBitmap icon(width, height, false);
    CColor* pixels = icon.GetWritablePixels();
    for (std::int32_t i = 0; i < width * height; ++i)
    {
        pixels[i] = colour;
    }
    return icon;
}

// A data object that counts its releases.
class CCountedData : public UILib::CTreeNodeData
{
public:
    explicit CCountedData(int& releases) : m_releases(releases) {}
    void Release() override
    {
        ++m_releases;
        delete this;
    }

private:
    int& m_releases;
};

// The tree view alone in a recording parent, which hears its messages at once.
class TreeViewTest : public ControlTest
{
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        parent = Make<CRecordingWindow>(0, 0, 640, 480);
        tree = Make<CBasicTreeControl>(0, 0, 300, 400, parent);
    }

    // A node under parent (the root when null), named for lookups; with a 16 × 16 icon unless told.
    CTreeNode* Add(CTreeNode* under, const char* text, bool expanded = false, bool withIcon = true)
    {
        auto* node = new CTreeNode();
        node->text = text;
        node->expanded = expanded;
        if (withIcon)
        {
            node->icon = Icon(16, 16, CColor(0, 160, 0, 255));
        }
        tree->AddNode(under, node);
        nodes[text] = node;
        return node;
    }
    std::string SelectedText() const
    {
        const CTreeNode* selected = tree->GetSelectedNode();
        return selected != nullptr ? std::string(static_cast<const char*>(selected->text)) : std::string("-");
    }
    std::size_t Selects() const { return parent->Of("TCSelect").size(); }

    CRecordingWindow* parent = nullptr;
    CBasicTreeControl* tree = nullptr;
    std::map<std::string, CTreeNode*> nodes;
};

TEST_F(TreeViewTest, LayoutOfRowsButtonsIconsAndTexts)
{
    EXPECT_STREQ(tree->GetClassName(), "CBasicTreeControl");
    EXPECT_EQ(std::string(tree->GetDebugDescription()), "CBasicTreeControl");
    const std::int32_t bw = tree->GetButtonWidth();
    EXPECT_EQ(bw, 9);
    EXPECT_EQ(tree->GetButtonHeight(), 9);
    EXPECT_GE(tree->GetRowHeight(), 9);
    EXPECT_EQ(tree->GetRequiredSize(), CSize(0, 0)) << "no rows, no layout";

    CTreeNode* a = Add(nullptr, "A");
    Add(a, "A1");
    Add(a, "A2", false, false);
    Add(nullptr, "B");
    const std::int32_t r0 = tree->GetRowHeight();
    const std::int32_t rh = std::max(r0, 16);
    EXPECT_EQ(a->rowY, 5);
    EXPECT_EQ(nodes["B"]->rowY, 5 + rh) << "collapsed children take no row";
    EXPECT_EQ(parent->Codes({"TCReqSiz", "TCExpand"}), std::vector<std::string>(2, "TCReqSiz"))
        << "only the rows that show change the required size";

    parent->log.clear();
    tree->SetExpanded(a, true);
    EXPECT_EQ(parent->Codes({"TCReqSiz", "TCExpand"}), (std::vector<std::string>{"TCReqSiz", "TCExpand"}));
    EXPECT_EQ(tree->GetLastToggledNode(), a);

    struct Row
    {
        const char* name;
        std::int32_t rowY, buttonX, iconWidth;
    };
    const Row rows[] = {
        {"A", 5, 5, 16},
        {"A1", 5 + rh, 25, 16},
        {"A2", 5 + 2 * rh, 25, 0}, // no icon: a 0 × 0 one
        {"B", 5 + 2 * rh + r0, 5, 16},
    };
    std::int32_t right = 0;
    for (const Row& row : rows)
    {
        const CTreeNode& node = *nodes[row.name];
        SCOPED_TRACE(row.name);
        EXPECT_EQ(node.rowY, row.rowY);
        EXPECT_EQ(node.buttonX, row.buttonX);
        EXPECT_EQ(node.iconX, row.buttonX + bw + bw / 2);
        EXPECT_EQ(node.textX, node.iconX + bw / 2 + row.iconWidth);
        EXPECT_EQ(node.rowHeight, row.iconWidth == 0 ? r0 : rh);
        EXPECT_GT(node.textWidth, 0);
        right = std::max(right, node.textX + node.textWidth);
    }
    EXPECT_EQ(tree->GetRequiredSize(), CSize(right + 5, 5 + 3 * rh + r0 + 5));

    // Unchanged required size: no message.
    parent->log.clear();
    tree->UpdateLayout();
    EXPECT_TRUE(parent->log.empty());

    // Hits: buttons, icons, texts, the gap between, above the first row and below the last.
    struct HitCase
    {
        const char* what;
        CPoint point;
        const char* node;
        std::int32_t part;
    };
    const CTreeNode& a1 = *nodes["A1"];
    const HitCase hits[] = {
        {"A's button", {5, 6}, "A", 1},
        {"above the first row hits it", {5, 0}, "A", 1},
        {"A1's icon", {a1.iconX, a1.rowY + 1}, "A1", 2},
        {"A1's text", {a1.textX + 1, a1.rowY + rh - 1}, "A1", 3},
        {"between button and icon", {25 + bw, a1.rowY + 1}, "A1", 0},
        {"after the text", {a1.textX + a1.textWidth, a1.rowY + 1}, "A1", 0},
        {"A2's text right after its button gap", {nodes["A2"]->textX, nodes["A2"]->rowY + 1}, "A2", 3},
        {"below the last row", {10, 5 + 3 * rh + r0}, nullptr, 0},
    };
    for (const HitCase& hit : hits)
    {
        const CBasicTreeControl::CHit result = tree->HitTest(hit.point);
        EXPECT_EQ(result.node, hit.node != nullptr ? nodes[hit.node] : nullptr) << hit.what;
        EXPECT_EQ(result.part, hit.part) << hit.what;
    }
}

TEST_F(TreeViewTest, KeyboardTable)
{
    struct Case
    {
        const char* what;
        const char* start; // selected before the key, "-" for none
        bool isChar;
        std::uint32_t key; // a virtual key, or the character
        const char* expected;
        bool empty = false;        // the tree has no nodes
        bool collapseCherry = false; // after selecting the start
        bool disabled = false;
    };
    const Case cases[] = {
        {"Home on an empty tree does nothing", "-", false, Platform::VK_HOME, "-", true},
        {"Home selects the first row", "-", false, Platform::VK_HOME, "Alpha"},
        {"End goes down the last expanded branch", "Alpha", false, Platform::VK_END, "bolt"},
        {"keys work when disabled", "Alpha", false, Platform::VK_END, "bolt", false, false, true},
        {"Left on a collapsed top-level node does nothing", "Banana", false, Platform::VK_LEFT, "Banana"},
        {"Left on a child selects its parent", "blue", false, Platform::VK_LEFT, "Cherry"},
        {"Left on an expanded leaf selects its parent", "bolt", false, Platform::VK_LEFT, "Black"},
        {"Right on an expanded node selects its first child", "Cherry", false, Platform::VK_RIGHT, "blue"},
        {"Right on an expanded leaf does nothing", "bolt", false, Platform::VK_RIGHT, "bolt"},
        {"Up from the first child selects the parent", "blue", false, Platform::VK_UP, "Cherry"},
        {"Up from a row below a collapsed branch", "Banana", false, Platform::VK_UP, "Alpha"},
        {"Up on the first row does nothing", "Alpha", false, Platform::VK_UP, "Alpha"},
        {"Down skips collapsed children", "Alpha", false, Platform::VK_DOWN, "Banana"},
        {"Down enters an expanded node", "Cherry", false, Platform::VK_DOWN, "blue"},
        {"Down after the last row does nothing", "bolt", false, Platform::VK_DOWN, "bolt"},
        {"inside a collapsed node Up finds no row", "Black", false, Platform::VK_UP, "Black", false, true},
        {"inside a collapsed node Down finds no row", "blue", false, Platform::VK_DOWN, "blue", false, true},
        {"inside a collapsed node Left selects the parent", "blue", false, Platform::VK_LEFT, "Cherry", false, true},
        {"b finds the next visible b", "Banana", true, 'b', "blue"},
        {"B finds it too", "blue", true, 'B', "Black"},
        {"b wraps to the first visible b", "bolt", true, 'b', "Banana"},
        {"b without a selection takes the first", "-", true, 'b', "Banana"},
        {"a letter without a match does nothing", "Cherry", true, 'z', "Cherry"},
        {"a match inside a collapsed node is not found", "Cherry", true, 'a', "Alpha"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        nodes.clear();
        tree->RemoveAllNodes();
        tree->SetDisabled(c.disabled);
        if (!c.empty)
        {
            CTreeNode* alpha = Add(nullptr, "Alpha");
            Add(alpha, "apple");
            Add(nullptr, "Banana");
            CTreeNode* cherry = Add(nullptr, "Cherry", true);
            Add(cherry, "blue");
            CTreeNode* black = Add(cherry, "Black", true);
            Add(black, "bolt", true);
            tree->SelectNode(c.start[0] == '-' ? nullptr : nodes[c.start]);
            if (c.collapseCherry)
            {
                tree->SetExpanded(cherry, false);
            }
        }
        Manager()->ActivateWindow(tree->GetHandle(), true);
        parent->log.clear();
        if (c.isChar)
        {
            Char(c.key);
        }
        else
        {
            KeyPress(c.key);
        }
        EXPECT_EQ(SelectedText(), c.expected);
        EXPECT_EQ(Selects(), std::string(c.start) == c.expected ? 0u : 1u);
        EXPECT_TRUE(parent->Of("sKeyDown").empty()) << "tree keys stay in the tree";
    }

    // Expanding and collapsing with Right and Left.
    tree->SetDisabled(false);
    tree->SelectNode(nodes["Alpha"]);
    KeyPress(Platform::VK_RIGHT);
    EXPECT_TRUE(nodes["Alpha"]->expanded);
    KeyPress(Platform::VK_LEFT);
    EXPECT_FALSE(nodes["Alpha"]->expanded);
    EXPECT_EQ(SelectedText(), "Alpha");

    // Any other key: the key-down callback when set, else on to the parent.
    parent->log.clear();
    KeyPress('Q');
    ASSERT_EQ(parent->Of("sKeyDown").size(), 1u);
    EXPECT_EQ(parent->Of("sKeyDown")[0].first, static_cast<std::uint32_t>('Q'));
    CCallbackRecorder<UILib::CWindow*, std::uint32_t, std::uint8_t> keys;
    tree->SetOnKeyDown(keys.Record());
    parent->log.clear();
    KeyPress('Q');
    EXPECT_TRUE(parent->Of("sKeyDown").empty());
    ASSERT_EQ(keys.calls.size(), 1u);
    EXPECT_EQ(std::get<0>(keys.calls[0]), tree);
    EXPECT_EQ(std::get<1>(keys.calls[0]), static_cast<std::uint32_t>('Q'));
}

TEST_F(TreeViewTest, SelectionRulesAndNotifications)
{
    CTreeNode* a = Add(nullptr, "A", true);
    CTreeNode* a1 = Add(a, "A1");
    CTreeNode* b = Add(nullptr, "B");
    parent->log.clear();

    tree->SelectNode(tree->GetRoot());
    EXPECT_EQ(Selects(), 0u) << "the root is never selected";
    tree->SelectNode(a1);
    tree->SelectNode(a1);
    EXPECT_EQ(Selects(), 1u) << "selecting the selected node sends nothing";
    tree->SelectNode(b);
    EXPECT_EQ(Selects(), 2u) << "a move is one notification";
    EXPECT_FALSE(a1->selected);
    tree->ClearSelection();
    tree->ClearSelection();
    EXPECT_EQ(Selects(), 3u) << "one for the clear, none for clearing nothing";
    tree->SelectNode(a);
    tree->SelectNode(nullptr);
    EXPECT_EQ(tree->GetSelectedCount(), 0);
    EXPECT_EQ(Selects(), 5u);
    EXPECT_EQ(tree->GetSelectedRowRect(), CRect(0, 0, 0, 0));
    tree->SelectNode(a1);
    EXPECT_EQ(tree->GetSelectedRowRect(), CRect(0, a1->rowY, 300, a1->rowY + a1->rowHeight));

    // A collapsed node keeps a selection inside it.
    tree->SetExpanded(a, false);
    EXPECT_EQ(tree->GetSelectedNode(), a1);
    EXPECT_TRUE(a1->selected);

    // Multi-select: adding, deselecting the most recent moves it to the first selected of the tree.
    tree->SetMultiselection(true);
    tree->SetExpanded(a, true);
    tree->AddNodeToSelection(b);
    tree->AddNodeToSelection(a);
    EXPECT_EQ(tree->GetSelectedCount(), 3);
    EXPECT_EQ(tree->GetSelectedNode(), a);
    parent->log.clear();
    EXPECT_EQ(tree->DeselectNode(a), 2);
    EXPECT_EQ(tree->GetSelectedNode(), a1) << "the first selected node in tree order";
    EXPECT_EQ(Selects(), 1u);
    tree->ClearSelection();
    EXPECT_EQ(Selects(), 2u);
    EXPECT_FALSE(a1->selected || b->selected);
}

TEST_F(TreeViewTest, MouseSelectsTogglesAndCaptures)
{
    CTreeNode* a = Add(nullptr, "A");
    Add(a, "A1");
    CTreeNode* b = Add(nullptr, "B");
    CTreeNode* c = Add(nullptr, "C");
    const auto textPoint = [](const CTreeNode* n) { return CPoint(n->textX + 2, n->rowY + n->rowHeight / 2); };

    // A press on the button toggles; every press captures until the release.
    MouseDown(Button::Left, a->buttonX + 4, a->rowY + a->rowHeight / 2);
    EXPECT_TRUE(a->expanded);
    EXPECT_EQ(Manager()->GetMouseCapture(), tree);
    MouseUp(Button::Left, 0, 0);
    EXPECT_EQ(Manager()->GetMouseCapture(), nullptr);
    MouseDown(Button::Left, 290, 390);
    EXPECT_EQ(Manager()->GetMouseCapture(), tree) << "also a press on nothing";
    MouseUp(Button::Left, 290, 390);
    EXPECT_EQ(tree->GetSelectedNode(), nullptr);

    // Single select: any click selects only the node.
    HoldModifiers(UILib::CWindowMessage::Control);
    Click(textPoint(b).x, textPoint(b).y);
    Click(a->iconX + 1, a->rowY + 1);
    EXPECT_EQ(tree->GetSelectedCount(), 1);
    EXPECT_EQ(tree->GetSelectedNode(), a);

    // Multi-select: Control toggles, Shift adds, a plain click selects one.
    tree->SetMultiselection(true);
    parent->log.clear();
    struct Step
    {
        std::uint8_t modifiers;
        CTreeNode* node;
        std::int32_t count;
        CTreeNode* selected;
    };
    const Step steps[] = {
        {UILib::CWindowMessage::Control, b, 2, b},
        {UILib::CWindowMessage::Control, a, 1, b},
        {UILib::CWindowMessage::Shift, c, 2, c},
        {UILib::CWindowMessage::Shift, c, 2, c},
        {0, a, 1, a},
    };
    for (const Step& step : steps)
    {
        HoldModifiers(step.modifiers);
        Click(textPoint(step.node).x, textPoint(step.node).y);
        EXPECT_EQ(tree->GetSelectedCount(), step.count);
        EXPECT_EQ(tree->GetSelectedNode(), step.selected);
    }
    EXPECT_EQ(Selects(), 4u) << "the repeated Shift-click changes nothing";
    HoldModifiers(0);

    // A double click toggles a parent and reports a leaf; it selects nothing itself.
    parent->log.clear();
    Click(textPoint(a).x, textPoint(a).y);
    DoubleClick(Button::Left, textPoint(a).x, textPoint(a).y);
    MouseUp(Button::Left, textPoint(a).x, textPoint(a).y);
    EXPECT_FALSE(a->expanded);
    Click(textPoint(b).x, textPoint(b).y);
    DoubleClick(Button::Left, textPoint(b).x, textPoint(b).y);
    MouseUp(Button::Left, textPoint(b).x, textPoint(b).y);
    EXPECT_EQ(parent->Codes({"TCExpand", "TCDblClk"}), (std::vector<std::string>{"TCExpand", "TCDblClk"}));
    ASSERT_EQ(parent->Of("TCDblClk").size(), 1u);
    EXPECT_EQ(parent->Of("TCDblClk")[0].second, tree->GetHandle()) << "the sender";

    // Disabled: presses and double clicks are ignored.
    tree->SetDisabled(true);
    Click(a->buttonX + 4, a->rowY + a->rowHeight / 2);
    EXPECT_FALSE(a->expanded);
    EXPECT_EQ(tree->GetSelectedNode(), b);
}

TEST_F(TreeViewTest, SubtreeSizesCountLeaves)
{
    CTreeNode* p = Add(nullptr, "Parts", true);
    Add(p, "one");
    Add(p, "two");
    CTreeNode* c = Add(p, "three");
    Add(c, "x");
    Add(c, "y");
    Add(c, "z");
    const std::int32_t width = p->textWidth;
    EXPECT_EQ(std::string(tree->GetRowText(*p)), "Parts") << "off by default";
    tree->SetShowSubtreeSizes(true);
    EXPECT_EQ(std::string(tree->GetRowText(*p)), "Parts (5)");
    EXPECT_EQ(std::string(tree->GetRowText(*c)), "three (3)");
    EXPECT_EQ(std::string(tree->GetRowText(*nodes["one"])), "one") << "a leaf has no suffix";
    tree->ApplyVisualization();
    EXPECT_EQ(p->textWidth, width) << "the measured width leaves the suffix out";
}

TEST_F(TreeViewTest, DestroyingTheViewReleasesTheDataItStillHolds)
{
    int releases = 0;
    CTreeNode* a = Add(nullptr, "A");
    a->data = new CCountedData(releases);
    Add(a, "A1")->data = new CCountedData(releases);
    UILib::CWindow::Delete(tree);
    EXPECT_EQ(releases, 2);
}

// The tree control

class TreeControlTest : public ControlTest
{
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        parent = Make<CRecordingWindow>(0, 0, 640, 480);
    }
    CTreeControl* MakeTree(std::int32_t width, std::int32_t height, UILib::CWindow* under = nullptr)
    {
        tc = Make<CTreeControl>(X, Y, width, height, under != nullptr ? under : parent);
        view = tc->GetTreeView();
        return tc;
    }
    // The screen point of a node's text (its first pixels), given the current scroll offset.
    CPoint TextPoint(Handle handle) const
    {
        const CTreeNode* node = tc->GetNode(handle);
        const CPoint origin = view->GetScreenPosition();
        return CPoint(origin.x + node->textX + 2, origin.y + node->rowY + node->rowHeight / 2);
    }
    std::int32_t VisibleHeight() const
    {
        const UILib::CScrollWindow* scroll = tc->GetScrollWindow();
        const UILib::CScrollBar* bar = scroll->GetHorizontalBar();
        return scroll->GetSize().cy - (bar->GetVisible() ? bar->GetSize().cy : 0);
    }

    static constexpr std::int32_t X = 20;
    static constexpr std::int32_t Y = 30;
    CRecordingWindow* parent = nullptr;
    CTreeControl* tc = nullptr;
    CBasicTreeControl* view = nullptr;
};

TEST_F(TreeControlTest, ChildrenPropertiesAndLayout)
{
    auto* panel = Make<UILib::CPanel>(0, 0, 640, 480, parent);
    const CColor panelColour(90, 90, 110, 255);
    panel->SetColor(panelColour);
    MakeTree(200, 100, panel);
    EXPECT_EQ(std::string(tc->GetDebugDescription()), "CTreeControl");
    ASSERT_EQ(tc->GetChildCount(), 1);
    UILib::CScrollWindow* scroll = tc->GetScrollWindow();
    EXPECT_EQ(tc->FindChildByName("__scroller", false, "CScrollWindow"), scroll);
    EXPECT_EQ(scroll->GetView()->GetClientArea(), view);
    EXPECT_EQ(std::string(view->GetName()), "__treectrl");
    EXPECT_EQ(tc->GetBorderWidths(), CRect(2, 2, 2, 2));
    EXPECT_EQ(scroll->GetSize(), CSize(196, 96));
    EXPECT_EQ(scroll->GetPosition(), CPoint(2, 2));
    const std::int32_t lineHeight = UILib::VisualizationOf(*tc)->GetFontMetrics(0).height;
    ASSERT_GE(lineHeight, 2);
    EXPECT_EQ(scroll->GetVScrollSpeed(), lineHeight) << "a line of font 0";
    EXPECT_EQ(scroll->GetHScrollSpeed(), scroll->GetVScrollSpeed());

    UILib::CPropertyList list;
    tc->GetProperties(list);
    EXPECT_EQ(list.size(), 15u);
    const std::pair<const char*, const char*> defaults[] = {
        {"Frame", "true"}, {"Draw Lines", "true"}, {"Multiselection", "false"}, {"Show Subtree Sizes", "false"}};
    for (const auto& [name, value] : defaults)
    {
        EXPECT_EQ(Property(*tc, name), value) << name;
    }
    SetProperty(*tc, "Draw Lines", "false");
    SetProperty(*tc, "Multiselection", "true");
    SetProperty(*tc, "Show Subtree Sizes", "true");
    EXPECT_FALSE(view->GetDrawLines());
    EXPECT_TRUE(view->GetMultiselection());
    EXPECT_TRUE(view->GetShowSubtreeSizes());
    view->SetMultiselection(false);
    EXPECT_EQ(Property(*tc, "Multiselection"), "false") << "read from the tree view";

    // A tree taller than the view: the tree view keeps the view's width and takes its rows' height; the
    // vertical bar narrows the view, so the horizontal bar shows as well.
    Handle last = 0;
    for (int i = 0; i < 20; ++i)
    {
        last = tc->AddNode(0, BaseLib::CString::FromFormat("Row %d", i));
        ASSERT_NE(last, 0u);
    }
    const CSize required = view->GetRequiredSize();
    EXPECT_LT(required.cx, 196);
    EXPECT_GT(required.cy, 96);
    EXPECT_EQ(view->GetSize(), CSize(196, required.cy));
    EXPECT_TRUE(scroll->GetVerticalBar()->GetVisible());
    EXPECT_TRUE(scroll->GetHorizontalBar()->GetVisible());
    EXPECT_EQ(std::string(tc->GetNode(last)->text), "Row 19");

    // "Frame" off draws no frame but keeps the inset, which takes the tree's background.
    Compose();
    EXPECT_EQ(Pixel(X, Y + 50), StandardPalette(16)) << "the sunken frame's outer edge";
    SetProperty(*tc, "Frame", "false");
    EXPECT_FALSE(tc->GetFrame());
    tc->SetSize(200, 101);
    tc->SetSize(200, 100);
    EXPECT_EQ(scroll->GetPosition(), CPoint(2, 2));
    EXPECT_EQ(scroll->GetSize(), CSize(196, 96));
    Compose();
    EXPECT_EQ(Pixel(X, Y + 50), White);
    EXPECT_EQ(Pixel(X + 1, Y + 50), White);
    EXPECT_EQ(Pixel(X + 2, Y + 50), White) << "the tree starts inside the inset";
}

TEST_F(TreeControlTest, SelectionScrollsIntoView)
{
    MakeTree(200, 100);
    std::vector<Handle> rows;
    for (int i = 0; i < 30; ++i)
    {
        rows.push_back(tc->AddNode(0, BaseLib::CString::FromFormat("Row %d", i)));
    }
    UILib::CScrollWindow* scroll = tc->GetScrollWindow();
    Manager()->ActivateWindow(view->GetHandle(), true);
    KeyPress(Platform::VK_HOME);
    EXPECT_EQ(scroll->GetVScrollPos(), 0);
    // Down until the selected row leaves the view at the bottom.
    std::size_t index = 0;
    while (index + 1 < rows.size())
    {
        const std::int32_t before = scroll->GetVScrollPos();
        KeyPress(Platform::VK_DOWN);
        ++index;
        const CTreeNode* node = tc->GetNode(rows[index]);
        ASSERT_EQ(tc->GetSelectedNode(), rows[index]);
        const std::int32_t bottom = node->rowY + node->rowHeight;
        if (bottom > before + VisibleHeight())
        {
            EXPECT_EQ(scroll->GetVScrollPos(), bottom - VisibleHeight()) << "the row's bottom at the view's bottom";
            break;
        }
        EXPECT_EQ(scroll->GetVScrollPos(), before) << "a row in view does not scroll";
    }
    ASSERT_GT(scroll->GetVScrollPos(), 0);

    KeyPress(Platform::VK_END);
    const std::int32_t bottomOffset = scroll->GetVScrollPos();
    // Up until the selected row leaves the view at the top.
    index = rows.size() - 1;
    while (index > 0)
    {
        KeyPress(Platform::VK_UP);
        --index;
        const CTreeNode* node = tc->GetNode(rows[index]);
        if (node->rowY < bottomOffset)
        {
            EXPECT_EQ(scroll->GetVScrollPos(), node->rowY) << "the row's top at the view's top";
            break;
        }
        EXPECT_EQ(scroll->GetVScrollPos(), bottomOffset);
    }
    ASSERT_GT(index, 0u);

    // No selection: the rectangle is all zeros, so the tree goes back to the top.
    tc->ClearSelection();
    EXPECT_EQ(scroll->GetVScrollPos(), 0);
}

TEST_F(TreeControlTest, NotificationsAndDelegates)
{
    MakeTree(300, 200);
    CCallbackRecorder<CTreeControl*> selects;
    CCallbackRecorder<CTreeControl*, Handle> expands;
    CCallbackRecorder<CTreeControl*, Handle> doubleClicks;
    tc->SetOnSelect(selects.Record());
    tc->SetOnExpand(expands.Record());
    tc->SetOnDoubleClick(doubleClicks.Record());
    const Handle folder = tc->AddNode(0, "Folder");
    const Handle leaf = tc->AddNode(folder, "Leaf");
    EXPECT_EQ(tc->AddNode(0x12345678u, "orphan"), 0u) << "an unknown parent";
    Frame();
    parent->log.clear();

    Click(TextPoint(folder).x, TextPoint(folder).y);
    DoubleClick(Button::Left, TextPoint(folder).x, TextPoint(folder).y);
    MouseUp(Button::Left, TextPoint(folder).x, TextPoint(folder).y);
    EXPECT_TRUE(tc->GetNode(folder)->expanded);
    Click(TextPoint(leaf).x, TextPoint(leaf).y);
    DoubleClick(Button::Left, TextPoint(leaf).x, TextPoint(leaf).y);
    MouseUp(Button::Left, TextPoint(leaf).x, TextPoint(leaf).y);
    EXPECT_TRUE(parent->Codes({"TCSelect", "TCExpand", "TCDblClk"}).empty()) << "notifications are posted";
    Frame();
    EXPECT_EQ(parent->Codes({"TCSelect", "TCExpand", "TCDblClk"}),
              (std::vector<std::string>{"TCSelect", "TCExpand", "TCSelect", "TCDblClk"}));
    for (const char* code : {"TCSelect", "TCExpand", "TCDblClk"})
    {
        for (const RecordedMessage& message : parent->Of(code))
        {
            EXPECT_EQ(message.second, tc->GetHandle()) << code << ": the sender";
        }
    }
    EXPECT_EQ(selects.calls.size(), 2u);
    ASSERT_EQ(expands.calls.size(), 1u);
    EXPECT_EQ(expands.calls[0], std::make_tuple(tc, folder));
    ASSERT_EQ(doubleClicks.calls.size(), 1u);
    EXPECT_EQ(doubleClicks.calls[0], std::make_tuple(tc, leaf));

    // Suppressed: neither message nor delegate.
    tc->SuppressEvents();
    tc->SelectNode(folder);
    tc->ResumeEvents();
    Frame();
    EXPECT_EQ(selects.calls.size(), 2u);
    EXPECT_EQ(parent->Of("TCSelect").size(), 2u);

    // RemoveAllNodes: no old handle resolves, not even once the slots are reused.
    tc->RemoveAllNodes();
    EXPECT_EQ(tc->GetNode(folder), nullptr);
    EXPECT_EQ(tc->GetNode(leaf), nullptr);
    const Handle fresh = tc->AddNode(0, "Fresh");
    const Handle fresh2 = tc->AddNode(0, "Fresh 2");
    EXPECT_EQ(fresh & 0xFFFF, leaf & 0xFFFF) << "the slot freed last is reused";
    EXPECT_EQ(tc->GetNode(folder), nullptr);
    EXPECT_EQ(tc->GetNode(leaf), nullptr);
    EXPECT_NE(tc->GetNode(fresh), nullptr);
    EXPECT_NE(tc->GetNode(fresh2), nullptr);
    EXPECT_FALSE(tc->SelectNode(leaf));
    EXPECT_FALSE(tc->SetExpanded(folder, false));
}

TEST_F(TreeControlTest, RemovingASubtreeReleasesItsDataAndHandles)
{
    MakeTree(300, 200);
    CCallbackRecorder<CTreeControl*, Handle> expands;
    tc->SetOnExpand(expands.Record());
    int releases = 0;
    const auto data = [&releases] { return new CCountedData(releases); };
    const Handle p = tc->AddNode(0, "P", CBitmap(), data(), true);
    const Handle c1 = tc->AddNode(p, "C1", CBitmap(), data());
    const Handle g = tc->AddNode(c1, "G", CBitmap(), data());
    const Handle c2 = tc->AddNode(p, "C2", CBitmap(), data());
    const Handle q = tc->AddNode(0, "Q", CBitmap(), data());
    tc->SetExpanded(c1, true);
    tc->SelectNode(p);
    Frame();
    expands.calls.clear();
    parent->log.clear();

    EXPECT_TRUE(tc->RemoveNode(p));
    EXPECT_EQ(releases, 4) << "P, C1, G and C2";
    for (const Handle gone : {p, c1, g, c2})
    {
        EXPECT_EQ(tc->GetNode(gone), nullptr);
    }
    EXPECT_NE(tc->GetNode(q), nullptr);
    EXPECT_EQ(tc->GetSelectedNode(), 0u);
    EXPECT_EQ(view->GetLastToggledNode(), nullptr);
    EXPECT_EQ(tc->GetNode(q)->rowY, 5) << "laid out again";
    Frame();
    EXPECT_EQ(parent->Codes({"TCSelect"}).size(), 1u);
    EXPECT_FALSE(tc->RemoveNode(p));

    // A "TCExpand" of the tree view now has no node to report.
    Send(view, UILib::CWindowMessage("TCExpand", UILib::CWindowMessage::Input, 0, view->GetHandle()));
    Frame();
    EXPECT_TRUE(expands.calls.empty());
    EXPECT_TRUE(parent->Of("TCExpand").empty());

    // Multi-select: the removed subtree held the most recent selection, which moves to the first left.
    tc->SetMultiselection(true);
    const Handle r = tc->AddNode(0, "R", CBitmap(), data());
    const Handle s = tc->AddNode(r, "S", CBitmap(), data());
    tc->SetExpanded(r, true);
    tc->AddNodeToSelection(q);
    tc->AddNodeToSelection(s);
    EXPECT_EQ(tc->GetSelectedNode(), s);
    tc->RemoveNode(r);
    EXPECT_EQ(releases, 6);
    EXPECT_EQ(tc->GetSelectedNode(), q);
    EXPECT_EQ(view->GetSelectedCount(), 1);

    // Destroying the control releases what is left once.
    UILib::CWindow::Delete(tc);
    EXPECT_EQ(releases, 7);
}

TEST_F(TreeControlTest, DeepChainsAndAFullNodeTable)
{
    MakeTree(300, 200);
    // A chain deeper than the node table is long, so below its top it is built on the tree view.
    int releases = 0;
    constexpr int Depth = 100000;
    const auto chain = [&](Handle top) {
        CTreeNode* under = tc->GetNode(top);
        for (int i = 1; i < Depth; ++i)
        {
            auto* node = new CTreeNode();
            node->text = "link";
            node->data = new CCountedData(releases);
            view->AddNode(under, node);
            under = node;
        }
        return under;
    };
    const Handle top = tc->AddNode(0, "top", CBitmap(), new CCountedData(releases));
    CTreeNode* bottom = chain(top);
    tc->SetShowSubtreeSizes(true);
    EXPECT_EQ(std::string(view->GetRowText(*tc->GetNode(top))), "top (1)");
    Compose();
    view->SelectNode(bottom);
    EXPECT_TRUE(tc->RemoveNode(top));
    EXPECT_EQ(releases, Depth);
    EXPECT_EQ(view->GetSelectedNode(), nullptr);
    EXPECT_TRUE(view->GetRoot()->children.empty());

    // Once more, left for the destructor.
    chain(tc->AddNode(0, "again", CBitmap(), new CCountedData(releases)));
    UILib::CWindow::Delete(tc);
    EXPECT_EQ(releases, 2 * Depth);

    // 65,536 live nodes fill the table: the next one is refused with one trace.
    MakeTree(300, 200);
    const Handle holder = tc->AddNode(0, "holder");
    for (std::uint32_t i = 1; i < UILib::CHandleTable::MaxEntries; ++i)
    {
        ASSERT_NE(tc->AddNode(holder, "n"), 0u) << i;
    }
    Platform::DebugOutputCapture trace;
    EXPECT_EQ(tc->AddNode(holder, "one too many"), 0u);
    const std::string text = trace.Text();
    EXPECT_NE(text.find("65536"), std::string::npos) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    EXPECT_EQ(tc->GetNode(holder)->children.size(), UILib::CHandleTable::MaxEntries - 1);
}

// Pixels of the composed picture.
TEST_F(TreeControlTest, PaintedTree)
{
    auto* panel = Make<UILib::CPanel>(0, 0, 640, 480, parent);
    panel->SetColor(CColor(90, 90, 110, 255));
    tc = Make<CTreeControl>(X, Y, 220, 150, panel);
    view = tc->GetTreeView();
    const CBitmap folderIcon = Icon(12, 12, CColor(230, 180, 40, 255));
    const CBitmap fileIcon = Icon(10, 12, CColor(60, 140, 220, 255));
    const Handle docs = tc->AddNode(0, "Documents", folderIcon, nullptr, true);
    const Handle letters = tc->AddNode(docs, "Letters", folderIcon, nullptr, true);
    tc->AddNode(letters, "to Alice.txt", fileIcon);
    tc->AddNode(letters, "to Bob.txt", fileIcon);
    const Handle notes = tc->AddNode(docs, "notes.txt", fileIcon);
    const Handle pictures = tc->AddNode(0, "Pictures", folderIcon);
    tc->AddNode(pictures, "a.png", fileIcon);
    const Handle noIcon = tc->AddNode(0, "No icon here");
    for (int i = 0; i < 8; ++i)
    {
        tc->AddNode(0, BaseLib::CString::FromFormat("A rather long entry number %d", i), fileIcon);
    }
    tc->SetShowSubtreeSizes(true);
    tc->SelectNode(letters);
    Compose();
    const CPoint origin = view->GetScreenPosition();
    const auto at = [&](const CTreeNode* node, std::int32_t dx, std::int32_t dy) {
        return Pixel(origin.x + dx, origin.y + node->rowY + dy);
    };
    const std::int32_t bw = view->GetButtonWidth();

    // Background, the line of the leaf "notes.txt", the highlighted text rectangle.
    EXPECT_EQ(Pixel(origin.x + 150, origin.y + 2), White);
    const CTreeNode* leaf = tc->GetNode(notes);
    EXPECT_EQ(at(leaf, leaf->buttonX + bw / 2 + 1, leaf->rowHeight / 2), Black);
    const CTreeNode* selected = tc->GetNode(letters);
    std::int32_t highlighted = 0;
    for (std::int32_t y = 0; y < selected->rowHeight; ++y)
    {
        for (std::int32_t x = selected->textX; x < selected->textX + selected->textWidth; ++x)
        {
            highlighted += at(selected, x, y) == Highlight ? 1 : 0;
        }
    }
    EXPECT_GT(highlighted, selected->rowHeight * selected->textWidth / 2);
    // The highlight also lies under the subtree size " (2)" after the measured text.
    const std::int32_t fullWidth =
        UILib::VisualizationOf(*view)->GetTextWidth(3, view->GetRowText(*selected));
    ASSERT_GT(fullWidth, selected->textWidth);
    std::int32_t underSuffix = 0;
    for (std::int32_t y = 0; y < selected->rowHeight; ++y)
    {
        for (std::int32_t x = selected->textX + selected->textWidth; x < selected->textX + fullWidth; ++x)
        {
            underSuffix += at(selected, x, y) == Highlight ? 1 : 0;
        }
    }
    EXPECT_GT(underSuffix, selected->rowHeight * (fullWidth - selected->textWidth) / 2);

    // A node without an icon draws none: its text follows half a button after the icon's place.
    const CTreeNode* bare = tc->GetNode(noIcon);
    EXPECT_EQ(bare->textX, bare->iconX + bw / 2);
    EXPECT_EQ(at(bare, bare->iconX + 1, bare->rowHeight / 2), White);

    // The icon, and the tree button image at a parent's button.
    const CTreeNode* docsNode = tc->GetNode(docs);
    EXPECT_EQ(at(docsNode, docsNode->iconX + 3, (docsNode->rowHeight - 12) / 2 + 3), CColor(230, 180, 40, 255));
    const CTreeNode* picturesNode = tc->GetNode(pictures);
    const CBitmap plus("std_treebuttonplus.png");
    ASSERT_EQ(plus.GetSize(), CSize(bw, view->GetButtonHeight()));
    const std::int32_t buttonTop = (picturesNode->rowHeight - plus.GetHeight()) / 2;
    std::int32_t compared = 0;
    for (std::int32_t y = 0; y < plus.GetHeight(); ++y)
    {
        for (std::int32_t x = 0; x < plus.GetWidth(); ++x)
        {
            const CColor expected = plus.GetPixels()[y * plus.GetWidth() + x];
            if (expected.GetAlpha() == 255)
            {
                EXPECT_EQ(at(picturesNode, picturesNode->buttonX + x, buttonTop + y), expected) << x << ", " << y;
                ++compared;
            }
        }
    }
    EXPECT_GT(compared, 0);

    // Both bars shown (the vertical one narrows the view below the long rows).
    EXPECT_TRUE(tc->GetScrollWindow()->GetVerticalBar()->GetVisible());
    EXPECT_TRUE(tc->GetScrollWindow()->GetHorizontalBar()->GetVisible());
    EXPECT_FALSE(SavePicture("tree_control").empty());

    // Lines off leave the background there; disabled fills grey.
    tc->SetDrawLines(false);
    Compose();
    EXPECT_EQ(at(leaf, leaf->buttonX + bw / 2 + 1, leaf->rowHeight / 2), White);
    tc->SetDisabled(true);
    Compose();
    EXPECT_EQ(Pixel(origin.x + 150, origin.y + 2), Grey);
    EXPECT_EQ(at(selected, selected->textX + selected->textWidth - 1, 0), Highlight)
        << "the selection shows when disabled too";
}

} // namespace
