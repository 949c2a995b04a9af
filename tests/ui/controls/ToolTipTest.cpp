#include "ControlBench.h"

#include "ui/Visualization.h"
#include "ui/controls/Label.h"
#include "ui/controls/ToolTip.h"

using namespace ControlBench;
using BaseLib::CColor;
using BaseLib::CPoint;
using BaseLib::CSize;
using UILib::CToolTip;

namespace
{

const CColor TooltipFill = StandardPalette(6);

TEST(ToolTipPlacement, TriesThreeCornersThenFallsBackBelowRight)
{
    const CSize size(50, 20);
    const CSize parent(640, 480);
    struct Case
    {
        const char* what;
        CPoint mouse;
        CPoint expected;
    };
    const Case cases[] = {
        {"free space: right of the cursor, above it", CPoint(100, 100), CPoint(102, 82)},
        {"near the right edge: left of the cursor", CPoint(620, 100), CPoint(568, 78)},
        {"near the top edge: left and below", CPoint(100, 10), CPoint(48, 12)},
        {"near the top-left corner: right and below, untested", CPoint(10, 10), CPoint(12, 12)},
        {"bottom-right corner: the fallback runs off the parent", CPoint(630, 470), CPoint(578, 448)},
        {"the fit is strict: touching the right edge does not fit", CPoint(588, 100), CPoint(536, 78)},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CToolTip::Placement(c.mouse, size, parent), c.expected);
    }
    // Nothing fits at all: right and below.
    EXPECT_EQ(CToolTip::Placement(CPoint(5, 5), CSize(700, 500), parent), CPoint(7, 7));
}

class ToolTipTest : public ControlTest
{
protected:
    CToolTip* Shown() const { return dynamic_cast<CToolTip*>(Manager()->Resolve(Manager()->GetTooltip())); }

    // Rests the mouse at the point for a little over a second.
    CToolTip* RestAt(std::int32_t x, std::int32_t y)
    {
        MouseMove(x, y);
        Advance(1010);
        return Shown();
    }
};

TEST_F(ToolTipTest, AppearsAfterOneSecondWithTheOwnersTextAndLooks)
{
    auto* owner = Make<CRecordingWindow>(100, 100, 200, 100);
    owner->SetTooltipText("Helpful words");
    MouseMove(150, 150);
    Advance(900);
    EXPECT_EQ(Shown(), nullptr) << "not before a second of rest";
    Advance(110);
    CToolTip* tip = Shown();
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(std::string(tip->GetText()), "Helpful words");
    EXPECT_EQ(tip->GetOwner(), owner->GetHandle());
    EXPECT_STREQ(tip->GetClassName(), "CToolTip");
    EXPECT_EQ(tip->GetDebugDescription(), "CToolTip");
    EXPECT_FALSE(tip->CanTakeFocus());
    EXPECT_EQ(Manager()->GetMouseCapture(), tip);
    // Right of the cursor, above it; as wide as the text and two blanks of font 5.
    EXPECT_EQ(tip->GetPosition(), CPoint(152, 152 - tip->GetSize().cy));
    UILib::CVisualization* theme = UILib::VisualizationOf(*tip);
    EXPECT_EQ(tip->GetSize().cx, tip->GetContentSize().cx + 2 * theme->GetTextWidth(5, " "));
    EXPECT_EQ(tip->GetSize().cy, tip->GetContentSize().cy);

    Compose();
    const CPoint at = tip->GetScreenPosition();
    EXPECT_EQ(Pixel(at.x + 2, at.y + 2), TooltipFill);
    EXPECT_EQ(Pixel(at.x, at.y), CColor(0, 0, 0, 255)) << "the outline of frame style 0";
    EXPECT_FALSE(SavePicture("tooltip").empty());
}

TEST_F(ToolTipTest, AChildWithoutTextShowsItsAncestorsText)
{
    auto* parent = Make<CRecordingWindow>(100, 100, 200, 100);
    parent->SetTooltipText("From the parent");
    Make<CRecordingWindow>(20, 20, 50, 50, parent);
    CToolTip* tip = RestAt(130, 130);
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(std::string(tip->GetText()), "From the parent");
    EXPECT_EQ(tip->GetOwner(), parent->GetHandle());

    // Without any text nothing appears.
    auto* bare = Make<CRecordingWindow>(400, 300, 50, 50);
    Click(420, 320); // dismisses the first
    Frame();
    EXPECT_EQ(RestAt(410, 310), nullptr);
    static_cast<void>(bare);
}

TEST_F(ToolTipTest, MovesOverTheOwnerKeepItAMoveOffRemovesItAndReachesTheOtherWindow)
{
    auto* owner = Make<CRecordingWindow>(100, 100, 200, 100);
    owner->SetTooltipText("Owner");
    auto* child = Make<CRecordingWindow>(150, 20, 40, 40, owner);
    auto* sibling = Make<CRecordingWindow>(320, 100, 100, 100);
    ASSERT_NE(RestAt(120, 150), nullptr);

    MouseMove(260, 140); // onto the owner's child
    Frame();
    CToolTip* tip = Shown();
    ASSERT_NE(tip, nullptr) << "a move onto the owner's child keeps it";
    EXPECT_EQ(tip->GetPosition(), CPoint(262, 142 - tip->GetSize().cy)) << "it follows the mouse";
    EXPECT_TRUE(child->Of("MMove").empty()) << "the tool tip holds the capture";

    MouseMove(350, 150); // onto a sibling
    EXPECT_TRUE(tip->IsDismissed());
    Frame();
    EXPECT_EQ(Shown(), nullptr);
    EXPECT_EQ(Manager()->GetMouseCapture(), nullptr);
    const auto moves = sibling->Of("MMove");
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].point, CPoint(30, 50));
}

TEST_F(ToolTipTest, AClickRemovesItAndReachesTheOwnerWhileKeysLeaveIt)
{
    auto* owner = Make<CRecordingWindow>(100, 100, 200, 100);
    owner->SetTooltipText("Owner");
    ASSERT_NE(RestAt(150, 150), nullptr);
    KeyPress('A');
    Frame();
    ASSERT_NE(Shown(), nullptr) << "keys never dismiss it";

    MouseDown(Button::Left, 150, 150);
    const auto presses = owner->Of("MLBDwn");
    ASSERT_EQ(presses.size(), 1u);
    EXPECT_EQ(presses[0].point, CPoint(50, 50));
    MouseUp(Button::Left, 150, 150);
    Frame();
    EXPECT_EQ(Shown(), nullptr);
    EXPECT_EQ(owner->Of("MLBUp").size(), 1u) << "the release goes to the owner directly";
    EXPECT_EQ(Manager()->GetFocus(), owner->GetHandle()) << "the click moved the focus as any click does";
}

TEST_F(ToolTipTest, MovingOffTheOwnerLeavesTheFocusWhereItIs)
{
    // An edit-like window holds the focus while the user types.
    auto* editor = Make<CRecordingWindow>(10, 10, 80, 30);
    Manager()->ActivateWindow(editor->GetHandle(), true);
    ASSERT_EQ(Manager()->GetFocus(), editor->GetHandle());
    auto* owner = Make<CRecordingWindow>(100, 100, 200, 100);
    owner->SetTooltipText("Owner");
    ASSERT_NE(RestAt(150, 150), nullptr);

    MouseMove(400, 400);
    Frame();
    EXPECT_EQ(Shown(), nullptr);
    EXPECT_EQ(Manager()->GetFocus(), editor->GetHandle());
    EXPECT_TRUE(editor->Of("WndDeact").empty());
    EXPECT_TRUE(owner->Of("WndAct").empty());
}

TEST_F(ToolTipTest, ItsPropertyListIsTheLabels)
{
    UILib::CLabel label;
    std::unique_ptr<CToolTip> tip(CToolTip::Create(0));
    Manager()->ReleaseMouseCapture(tip.get());
    UILib::CPropertyList labelList;
    UILib::CPropertyList tipList;
    label.GetProperties(labelList);
    tip->GetProperties(tipList);
    ASSERT_EQ(tipList.size(), 20u);
    ASSERT_EQ(labelList.size(), tipList.size());
    for (std::size_t i = 0; i < tipList.size(); ++i)
    {
        EXPECT_EQ(tipList[i].GetDescription(), labelList[i].GetDescription());
    }
    EXPECT_EQ(labelList[18].GetDescription()->GetName(), "Font");
    EXPECT_EQ(labelList[18].GetDescription()->GetExtraText(), "font");
}

} // namespace
