#include "ControlBench.h"

#include "foundation/TypeTag.h"
#include "platform/os/KeyState.h"
#include "ui/StandardVisualization.h"
#include "ui/Visualization.h"
#include "ui/controls/ListBox.h"
#include "ui/controls/ScrollBar.h"

#include <functional>
#include <string>
#include <vector>

using namespace ControlBench;
using BaseLib::CColor;
using BaseLib::CPoint;
using BaseLib::CRect;
using UILib::CListBox;

namespace
{

const CColor White(255, 255, 255, 255);
const CColor Highlight = StandardPalette(3);
const CColor FrameOuterTopLeft(150, 150, 150, 255);
const CColor IconRed(220, 30, 30, 255);

constexpr std::uint8_t Shift = 1;
constexpr std::uint8_t Control = 2;

// A data object that counts its releases.
class CCountedData : public UILib::CListItemData
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

// The standard theme with a font 3 of no height, as a font that failed to load gives.
class CZeroFontTheme : public UILib::CStandardVisualization
{
public:
    UILib::CVisualizationFontMetrics GetFontMetrics(std::int32_t fontIndex) override
    {
        return fontIndex == 3 ? UILib::CVisualizationFontMetrics{} : CStandardVisualization::GetFontMetrics(fontIndex);
    }
};

class ListBoxTest : public ControlTest
{
protected:
    static constexpr std::int32_t X = 20;
    static constexpr std::int32_t Y = 20;

    // A list of three whole rows plus 5 pixels inside, at (X, Y) in a recording parent, holding the items.
    // The notifications of the filling are cleared.
    void MakeList(bool multi, const std::vector<std::string>& items, std::int32_t width = 150)
    {
        if (parent != nullptr)
        {
            UILib::CWindow::Delete(parent);
        }
        parent = Make<CRecordingWindow>(0, 0, 640, 480);
        list = Make<CListBox>(X, Y, width, 100, parent);
        rh = list->GetRowHeight();
        top = list->GetBorderWidths().top;
        list->SetSize(width, 3 * rh + 5 + top + list->GetBorderWidths().bottom);
        list->SetMultiSelect(multi);
        for (const std::string& item : items)
        {
            list->AddItem(item.c_str());
        }
        Frame();
        parent->log.clear();
    }
    std::vector<std::string> Letters(int count) const
    {
        std::vector<std::string> items;
        for (int i = 0; i < count; ++i)
        {
            items.push_back(std::string(1, static_cast<char>('a' + i)) + std::to_string(i));
        }
        return items;
    }
    // The middle of the visible row (counted from the first row shown, unscrolled), in screen coordinates.
    CPoint Row(std::int32_t row) const { return CPoint(X + 40, Y + top + row * rh + rh / 2); }
    void ClickRow(std::int32_t row, std::uint8_t modifiers = 0)
    {
        HoldModifiers(modifiers);
        Click(Row(row).x, Row(row).y);
        HoldModifiers(0);
    }
    void Press(std::uint32_t key, std::uint8_t modifiers = 0)
    {
        HoldModifiers(modifiers);
        KeyPress(key);
        HoldModifiers(0);
    }
    std::vector<int> Flagged() const
    {
        std::vector<int> flagged;
        for (int i = 0; i < list->GetItemCount(); ++i)
        {
            if (list->IsItemSelected(i))
            {
                flagged.push_back(i);
            }
        }
        return flagged;
    }
    std::size_t Changes() const { return parent->Of("LBoxChng").size(); }
    void ExpectInvariants(const std::string& name) const
    {
        const int count = list->GetItemCount();
        const std::vector<int> flagged = Flagged();
        EXPECT_EQ(list->GetSelectedCount(), static_cast<int>(flagged.size())) << name;
        if (!list->IsMultiSelect())
        {
            EXPECT_LE(flagged.size(), 1u) << name;
            if (!flagged.empty())
            {
                EXPECT_EQ(flagged[0], list->GetSelectedIndex()) << name;
            }
        }
        EXPECT_GE(list->GetRowOffset(), -list->GetRowHeight()) << name;
        EXPECT_LE(list->GetRowOffset(), 0) << name;
        for (int position : {list->GetSelectedIndex(), list->GetCaret(), list->GetAnchor()})
        {
            EXPECT_TRUE(position == -1 || (position >= 0 && position < count)) << name << ": " << position;
        }
    }

    CRecordingWindow* parent = nullptr;
    CListBox* list = nullptr;
    std::int32_t rh = 0;
    std::int32_t top = 0;
};

TEST_F(ListBoxTest, NewListMeasuresItsRowsFromTheTheme)
{
    auto* fresh = Make<CListBox>(0, 0, 100, 150);
    EXPECT_EQ(fresh->GetSize(), BaseLib::CSize(100, 150));
    EXPECT_EQ(fresh->GetRowHeight(), 15) << "trunc(14 × 1.1f)";
    EXPECT_EQ(fresh->GetBorderWidths(), CRect(2, 2, 2, 2));
    EXPECT_EQ(fresh->GetVisibleRows(), (150 - 4) / 15);
    EXPECT_EQ(fresh->GetSelectedIndex(), -1);
    EXPECT_STREQ(fresh->GetClassName(), "CListBox");
    EXPECT_EQ(fresh->GetDebugDescription(), "CListBox");

    // Bitmaps raise the row height; removing the tall item measures from scratch again.
    fresh->AddItem("plain");
    fresh->AddItem("tall", UILib::CBitmap(24, 30, true));
    EXPECT_EQ(fresh->GetRowHeight(), 30);
    EXPECT_EQ(fresh->GetIconWidth(), 24);
    // The theme applied again (as when the visualization is set) keeps the rows as tall as their icons.
    fresh->SetVisualization(fresh->GetVisualizationId());
    EXPECT_EQ(fresh->GetRowHeight(), 30);
    EXPECT_EQ(fresh->GetIconWidth(), 24);
    fresh->RemoveItem(1);
    EXPECT_EQ(fresh->GetRowHeight(), 15);
    EXPECT_EQ(fresh->GetIconWidth(), 0);
}

TEST_F(ListBoxTest, SelectionTable)
{
    struct Case
    {
        const char* name;
        bool multi;
        std::vector<std::string> items;
        std::function<void()> act;
        std::vector<int> flagged;   // the selected items afterwards
        int selectedIndex;
        std::size_t changes;        // "LBoxChng" sent by the act
    };
    const std::vector<std::string> ten = Letters(10);
    const Case cases[] = {
        {"the first item added selects and notifies, later ones do not", false, {},
         [&] {
             list->AddItem("first");
             EXPECT_EQ(Changes(), 1u);
             list->AddItem("second");
             list->AddItem("third");
         },
         {0}, 0, 1},
        {"the bar appears with the 4th item", false, {"a", "b", "c"},
         [&] {
             EXPECT_EQ(list->GetScrollBar(), nullptr);
             list->AddItem("d");
             ASSERT_NE(list->GetScrollBar(), nullptr);
             EXPECT_EQ(list->GetScrollBar()->GetName(), "__scrollbar");
         },
         {0}, 0, 0},
        {"selecting the last of 10 puts it at the inner bottom; clearing removes the bar", false, ten,
         [&] {
             list->Select(9);
             EXPECT_EQ(list->GetTopIndex(), 6);
             EXPECT_EQ(list->GetRowOffset(), -10);
             ASSERT_NE(list->GetScrollBar(), nullptr);
             EXPECT_EQ(list->GetScrollBar()->GetScrollPos(), 6);
             list->RemoveAllItems();
             EXPECT_EQ(list->GetScrollBar(), nullptr);
         },
         {}, -1, 2},
        {"Select of the selected item and Select (-1) on no selection send nothing", false, {"a", "b"},
         [&] {
             list->Select(0);
             list->ResetSelection();
             list->Select(-1);
         },
         {}, -1, 0},
        {"Select clamps above the last item", false, {"a", "b", "c"}, [&] { list->Select(50); }, {2}, 2, 1},
        {"Shift+Down from anchor 2", true, ten,
         [&] {
             ClickRow(2);
             Press(Platform::VK_DOWN, Shift);
         },
         {2, 3}, 3, 2},
        {"Shift+Up from anchor 5 keeps the higher end selected", true, ten,
         [&] {
             list->Select(5);
             Frame();
             // Row 5 is the third row shown once 5 scrolled to the inner bottom.
             EXPECT_EQ(list->GetTopIndex(), 2);
             HoldModifiers(0);
             Click(X + 40, Y + top + list->GetRowOffset() + 3 * rh + rh / 2);
             EXPECT_EQ(list->GetAnchor(), 5);
             Press(Platform::VK_UP, Shift);
         },
         {4, 5}, 5, 2},
        {"Shift+Down before any click acts as Down", true, {"a", "b", "c"},
         [&] {
             Manager()->ActivateWindow(list->GetHandle(), true);
             Press(Platform::VK_DOWN, Shift);
         },
         {1}, 1, 1},
        {"Shift+Up on an empty list does nothing", true, {},
         [&] {
             Manager()->ActivateWindow(list->GetHandle(), true);
             Press(Platform::VK_UP, Shift);
             Press(Platform::VK_DOWN);
             EXPECT_EQ(list->GetCaret(), -1);
         },
         {}, -1, 0},
        {"Control-click on the selected index moves it to the highest remaining", true, ten,
         [&] {
             ClickRow(0);
             ClickRow(2, Control);
             ClickRow(1, Control);
             EXPECT_EQ(list->GetSelectedIndex(), 1);
             ClickRow(1, Control);
         },
         {0, 2}, 2, 3},
        {"Control-click in single-select selects only that item", false, ten,
         [&] { ClickRow(2, Control); }, {2}, 2, 1},
        {"typing b cycles through the b items, never the selected one", false, {"apple", "Banana", "blue"},
         [&] {
             list->Select(1);
             Manager()->ActivateWindow(list->GetHandle(), true);
             Char('b');
             EXPECT_EQ(list->GetSelectedIndex(), 2);
             EXPECT_EQ(list->GetCaret(), 2);
             Char('b');
         },
         {1}, 1, 3},
        {"sorting orders unsigned bytes and clears the selection once", false, {"a1", "_x", "Z9"},
         [&] {
             list->SortItems();
             EXPECT_EQ(list->GetItemText(0), "Z9");
             EXPECT_EQ(list->GetItemText(1), "_x");
             EXPECT_EQ(list->GetItemText(2), "a1");
         },
         {}, -1, 1},
        {"removing an item before the selected one keeps the same item selected", false, {"a", "b", "c", "d"},
         [&] {
             list->Select(2);
             list->RemoveItem(0);
             EXPECT_EQ(list->GetSelectedText(), "c");
         },
         {1}, 1, 1},
        {"removing the selected last item leaves no selection", false, {"a", "b", "c"},
         [&] {
             ClickRow(2);
             list->RemoveItem(2);
             EXPECT_EQ(list->GetSelectedText(), "");
             EXPECT_EQ(list->GetCaret(), 1);
         },
         {}, -1, 2},
        {"multi-select: removing an item moves the selected index and anchor with their items", true, ten,
         [&] {
             ClickRow(1);
             ClickRow(2, Shift);
             list->RemoveItem(0);
             EXPECT_EQ(list->GetAnchor(), 0);
             EXPECT_EQ(list->GetCaret(), 1);
         },
         {0, 1}, 1, 2},
        {"removing items from a list scrolled to its end until all fit shows item 0 first", false, ten,
         [&] {
             list->Select(9);
             Frame();
             while (list->GetItemCount() > 2)
             {
                 list->RemoveItem(0);
             }
             EXPECT_EQ(list->GetScrollBar(), nullptr);
             EXPECT_EQ(list->GetTopIndex(), 0);
             EXPECT_EQ(list->GetRowOffset(), 0);
             EXPECT_EQ(list->HitTest(CPoint(10, top + 1)), 0);
         },
         {1}, 1, 1},
        {"a scrolled list that grows keeps its top index within the bar's last page", false, ten,
         [&] {
             list->Select(9);
             list->SetSize(list->GetSize().cx, list->GetSize().cy + 3 * rh);
             EXPECT_EQ(list->GetTopIndex(), 10 - list->GetVisibleRows());
         },
         {9}, 9, 1},
        {"rows that grow shorter under a scrolled list keep the row offset within one row", false, Letters(20),
         [&] {
             // A 40 high icon makes one row visible; the selected row then ends at the inner bottom with
             // 30 pixels of the row above it cut off. Without the icon the rows are 15 high again.
             list->SetItemBitmap(19, UILib::CBitmap(12, 40, true));
             list->Select(10);
             EXPECT_EQ(list->GetRowOffset(), (3 * rh + 5) % 40 - 40);
             list->SetItemBitmap(19, UILib::CBitmap());
             EXPECT_EQ(list->GetRowHeight(), rh);
             EXPECT_EQ(list->HitTest(CPoint(10, top + 1)), 10) << "the selected row is the first one shown";
         },
         {10}, 10, 1},
        {"AddToSelection out of range changes nothing", true, {"a", "b", "c"},
         [&] { EXPECT_EQ(list->AddToSelection(50, false), 1); }, {0}, 0, 0},
        {"SelectRange clamps both ends", true, {"a", "b", "c"}, [&] { list->SelectRange(-1, 7); }, {0, 1, 2}, 2, 1},
        {"turning multi-select off keeps the selected index alone", true, ten,
         [&] {
             list->SelectRange(2, 4);
             list->SetMultiSelect(false);
         },
         {4}, 4, 3},
        {"SelectByPrefix ignores case when told", false, {"alpha", "Beta", "beta2"},
         [&] {
             EXPECT_FALSE(list->SelectByPrefix("BETA", false));
             EXPECT_TRUE(list->SelectByPrefix("BETA", true));
             EXPECT_FALSE(list->SelectByPrefix("", true));
         },
         {1}, 1, 1},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        MakeList(c.multi, c.items);
        c.act();
        EXPECT_EQ(Flagged(), c.flagged);
        EXPECT_EQ(list->GetSelectedIndex(), c.selectedIndex);
        EXPECT_EQ(Changes(), c.changes);
        ExpectInvariants(c.name);
        HoldModifiers(0);
    }
}

TEST_F(ListBoxTest, DataObjectsAreReleasedUnlessKept)
{
    MakeList(false, {});
    int releases = 0;
    list->AddItem("one", new CCountedData(releases));
    list->AddItem("two", new CCountedData(releases));
    auto* kept = new CCountedData(releases);
    list->AddItem("three", kept);
    list->AddItem("four", new CCountedData(releases));
    list->RemoveItem(0);
    EXPECT_EQ(releases, 1);
    list->SetKeepItemData(1, true);
    EXPECT_EQ(list->GetItemData(1), kept);
    list->RemoveAllItems();
    EXPECT_EQ(releases, 3) << "the kept object stays with its owner";
    kept->Release();
    list->AddItem("five", new CCountedData(releases));
    UILib::CWindow::Delete(parent);
    parent = nullptr;
    EXPECT_EQ(releases, 5) << "the list box's destruction releases the rest";
}

TEST_F(ListBoxTest, AFontWithoutHeightLeavesClicksWithoutEffect)
{
    const std::uint32_t tag = BaseLib::MakeTypeTag("ZFNT");
    UILib::CVisualizationRegistry::GetInstance()->Register(tag, [] { return new CZeroFontTheme(); });
    MakeList(false, {"a", "b", "c"});
    list->SetVisualization(tag);
    EXPECT_EQ(list->GetRowHeight(), 0);
    EXPECT_EQ(list->HitTest(CPoint(10, 30)), -1);
    ClickRow(1);
    Frames(12);
    EXPECT_EQ(list->GetSelectedIndex(), 0);
    EXPECT_EQ(Changes(), 0u);
    Compose();
    EXPECT_EQ(Pixel(X + 40, Y + 20), White);
}

TEST_F(ListBoxTest, ClickDragAndDoubleClick)
{
    MakeList(false, Letters(10));
    ClickRow(1);
    EXPECT_EQ(list->GetSelectedIndex(), 1);
    EXPECT_EQ(Manager()->GetFocus(), list->GetHandle()) << "a click gives the list the focus";
    EXPECT_FALSE(list->IsDragging());
    EXPECT_EQ(list->GetAutoScrollTimer(), 0u);

    // Held below the list, the selection moves one item per 100 ms tick (10 frames of 10 ms; the clock's
    // rounding may make a tick one frame late).
    const CPoint row0 = Row(0);
    MouseMove(row0.x, row0.y);
    MouseDown(Button::Left, row0.x, row0.y);
    EXPECT_TRUE(list->IsDragging());
    EXPECT_EQ(Manager()->GetMouseCapture(), list);
    const std::int32_t below = Y + list->GetSize().cy + 30;
    MouseMove(row0.x, below);
    const std::int32_t start = list->GetSelectedIndex();
    EXPECT_GE(start, 0);
    Frames(9);
    EXPECT_EQ(list->GetSelectedIndex(), start) << "no tick before 100 ms";
    Frames(2);
    EXPECT_EQ(list->GetSelectedIndex(), start + 1);
    Frames(11);
    EXPECT_EQ(list->GetSelectedIndex(), start + 2);
    MouseUp(Button::Left, row0.x, below);
    EXPECT_FALSE(list->IsDragging());
    EXPECT_EQ(Manager()->GetMouseCapture(), nullptr);
    Frames(20);
    EXPECT_EQ(list->GetSelectedIndex(), start + 2) << "the release ends the auto-scroll";

    // A double click on a selected item tells the parent once.
    MakeList(false, Letters(3));
    ClickRow(1);
    DoubleClick(Button::Left, Row(1).x, Row(1).y);
    MouseUp(Button::Left, Row(1).x, Row(1).y);
    EXPECT_EQ(parent->Of("LBoxDClk").size(), 1u);
    EXPECT_EQ(parent->Of("LBoxDClk")[0].second, list->GetHandle()) << "the sender";
    list->RemoveAllItems();
    DoubleClick(Button::Left, Row(1).x, Row(1).y);
    MouseUp(Button::Left, Row(1).x, Row(1).y);
    EXPECT_EQ(parent->Of("LBoxDClk").size(), 1u) << "nothing selected, nothing told";
}

TEST_F(ListBoxTest, WheelScrollsByNotchesWhileFocused)
{
    MakeList(false, Letters(10));
    ClickRow(0);
    list->GetScrollBar()->SetScrollPos(3);
    Frame();
    EXPECT_EQ(list->GetTopIndex(), 3);
    const struct
    {
        std::int32_t delta;
        std::int32_t top;
    } steps[] = {{120, 2}, {60, 2}, {-240, 4}, {-119, 4}};
    for (const auto& step : steps)
    {
        Wheel(step.delta, Row(1).x, Row(1).y);
        Frame();
        EXPECT_EQ(list->GetTopIndex(), step.top) << step.delta;
    }
    Manager()->KillFocus();
    Wheel(120, Row(1).x, Row(1).y);
    Frame();
    EXPECT_EQ(list->GetTopIndex(), 4) << "without the focus the wheel goes elsewhere";
}

TEST_F(ListBoxTest, KeysStayWithTheListExceptEscape)
{
    MakeList(false, Letters(10));
    ClickRow(0);
    for (std::uint32_t key : {Platform::VK_DOWN, Platform::VK_UP, Platform::VK_END, Platform::VK_HOME,
                              Platform::VK_PRIOR, Platform::VK_NEXT, Platform::VK_LEFT, Platform::VK_RETURN,
                              static_cast<std::uint32_t>('A')})
    {
        KeyPress(key);
    }
    EXPECT_TRUE(parent->Codes({"sKeyDown", "sKeyUp"}).empty());
    EXPECT_EQ(list->GetSelectedIndex(), 0) << "Home selects the first item";
    EXPECT_EQ(list->GetCaret(), 0) << "Home and End leave the caret";

    KeyDown(Platform::VK_ESCAPE);
    const auto escapes = parent->Of("sKeyDown");
    ASSERT_EQ(escapes.size(), 1u);
    EXPECT_EQ(escapes[0].first, 266u);

    // A disabled list (which the focus leaves) takes keys and does nothing.
    list->SetDisabled(true);
    EXPECT_TRUE(list->OnKeyDown(275, 0));
    EXPECT_TRUE(list->OnCharKey('b', 0));
    EXPECT_EQ(list->GetSelectedIndex(), 0);
}

TEST_F(ListBoxTest, PaintsRowsIconsSelectionFrameAndBar)
{
    const std::string icon = WriteBitmap("icon.png", 12, 12, IconRed);
    MakeList(false, {}, 200);
    for (int i = 0; i < 10; ++i)
    {
        list->AddItem(("Item " + std::to_string(i)).c_str(), i % 2 == 0 ? UILib::CBitmap(icon.c_str()) : UILib::CBitmap());
    }
    list->Select(1);
    auto* disabled = Make<CListBox>(260, 20, 200, list->GetSize().cy, parent);
    for (const char* text : {"First", "Second", "Third"})
    {
        disabled->AddItem(text);
    }
    disabled->Select(1);
    disabled->SetDisabled(true);
    Frame();
    Compose();
    EXPECT_FALSE(SavePicture("listbox").empty());

    const std::int32_t rowY = [&](std::int32_t row) { return Y + top + row * rh + rh / 2; }(1);
    EXPECT_EQ(list->GetIconWidth(), 12);
    EXPECT_EQ(Pixel(X + 150, Row(0).y), White) << "inside, beside the text";
    EXPECT_EQ(Pixel(X + 150, rowY), Highlight) << "the selected row";
    EXPECT_EQ(Pixel(X + 4, rowY), Highlight) << "the highlight starts at the inner left";
    EXPECT_EQ(Pixel(X + 6, Row(0).y), IconRed) << "the icon column starts at the window's left edge";
    EXPECT_EQ(Pixel(X, Y), FrameOuterTopLeft);
    EXPECT_EQ(Pixel(260 + 150, rowY), White) << "a disabled list shows no selection";
    EXPECT_EQ(Pixel(260, 20), FrameOuterTopLeft);

    // The bar paints over the right end of the rows.
    const UILib::CScrollBar* bar = list->GetScrollBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->GetPosition().x + bar->GetSize().cx, 200 - 2);
    EXPECT_NE(Pixel(X + bar->GetPosition().x + bar->GetSize().cx / 2, rowY), Highlight);
}

} // namespace
