#include "ControlBench.h"
#include "PropertyAccess.h"
#include "ui/Visualization.h"
#include "ui/controls/ScrollBar.h"

#include <cmath>

#include <limits>

using namespace ControlBench;
using BaseLib::CColor;
using BaseLib::CPoint;
using BaseLib::CRect;
using UILib::CScrollBar;

namespace
{

const CColor Track(230, 230, 230, 255);
const CColor Face = StandardPalette(0);
constexpr std::int32_t IntMax = std::numeric_limits<std::int32_t>::max();

class ScrollBarTest : public ControlTest
{
protected:
    // A vertical bar 200 long at (100, 50) in a recording parent at the origin.
    CScrollBar* MakeBar(bool vertical = true, std::int32_t length = 200)
    {
        parent = Make<CRecordingWindow>(0, 0, 600, 400);
        bar = Make<CScrollBar>(100, 50, length, length, parent);
        bar->SetStyle(vertical ? 1 : 0);
        bar->SetSize(length, length);
        bar->SetOnChange(changes.Record());
        t = vertical ? bar->GetSize().cx : bar->GetSize().cy;
        return bar;
    }
    // "BtnClick" notifications the parent received since the last call, after the delivering frame.
    std::size_t TakeClicks()
    {
        Frame();
        const std::size_t count = parent->Of("BtnClick").size();
        parent->log.clear();
        return count;
    }
    CPoint ThumbCentre() const
    {
        const CRect& thumb = bar->GetThumbRect();
        return CPoint(100 + (thumb.left + thumb.right) / 2, 50 + (thumb.top + thumb.bottom) / 2);
    }

    CRecordingWindow* parent = nullptr;
    CScrollBar* bar = nullptr;
    std::int32_t t = 0;
    CCallbackRecorder<CScrollBar*> changes;
};

TEST_F(ScrollBarTest, ConstructionFollowsTheThemeAndTheProperties)
{
    CScrollBar* fresh = Make<CScrollBar>(0, 0, 100, 100);
    ASSERT_GT(fresh->GetSize().cx, 0);
    EXPECT_EQ(fresh->GetSize().cy, 100);
    EXPECT_EQ(fresh->GetArrowLength(), fresh->GetSize().cx) << "buttons on: the arrow is as long as the bar is wide";
    ASSERT_NE(fresh->GetButton(0), nullptr);
    EXPECT_EQ(fresh->GetButton(0)->GetName(), "__button1");
    EXPECT_EQ(fresh->GetButton(1)->GetName(), "__button2");
    EXPECT_EQ(fresh->GetButton(0)->GetDirection(), UILib::DirectionUp);
    EXPECT_EQ(fresh->GetButton(1)->GetDirection(), UILib::DirectionDown);
    EXPECT_EQ(fresh->GetButton(1)->GetPosition(), CPoint(0, 100 - fresh->GetButton(1)->GetSize().cy));

    SetProperty(*fresh, "Style", "Horizontal");
    fresh->SetSize(120, 300);
    EXPECT_EQ(fresh->GetSize(), BaseLib::CSize(120, fresh->GetSize().cy));
    EXPECT_LT(fresh->GetSize().cy, 300) << "a horizontal bar's height is the theme's";
    EXPECT_EQ(fresh->GetButton(0)->GetDirection(), UILib::DirectionLeft);
    EXPECT_EQ(fresh->GetButton(1)->GetDirection(), UILib::DirectionRight);

    SetProperty(*fresh, "Scroll Speed", "0");
    EXPECT_EQ(Property(*fresh, "Scroll Speed"), "1");
    SetProperty(*fresh, "Scroll Speed", "7");
    EXPECT_EQ(Property(*fresh, "Scroll Speed"), "7");
    SetProperty(*fresh, "Buttons", "false");
    EXPECT_EQ(fresh->GetButton(0), nullptr);
    EXPECT_EQ(fresh->GetButton(1), nullptr);
    EXPECT_EQ(fresh->GetArrowLength(), 0);
    EXPECT_EQ(fresh->FindChildByName("__button1", false), nullptr);
}

TEST_F(ScrollBarTest, PositionRangeAndPageRules)
{
    MakeBar();
    bar->SetRange(100);
    bar->SetPageSize(10);
    EXPECT_EQ(TakeClicks(), 0u);
    SetProperty(*bar, "Scroll Pos", "200");
    EXPECT_EQ(bar->GetScrollPos(), 91);
    EXPECT_EQ(TakeClicks(), 1u);
    EXPECT_EQ(changes.calls.size(), 1u);
    bar->SetScrollPos(91);
    bar->SetScrollPos(-5);
    EXPECT_EQ(bar->GetScrollPos(), 0);
    EXPECT_EQ(TakeClicks(), 1u) << "the same position twice sends nothing";

    bar->SetScrollPos(50);
    TakeClicks();
    bar->SetRange(40); // largest 40 − 10 + 1 = 31
    EXPECT_EQ(bar->GetScrollPos(), 31);
    EXPECT_EQ(TakeClicks(), 0u) << "lowering the range moves the position silently";

    bar->SetPageSize(0);
    EXPECT_EQ(bar->GetPageSize(), 1);
    bar->SetPageSize(500);
    EXPECT_EQ(bar->GetPageSize(), 41);
    EXPECT_EQ(bar->GetScrollPos(), 0);
    EXPECT_EQ(TakeClicks(), 1u) << "re-applying the position after a page change notifies";
    const CRect& thumb = bar->GetThumbRect();
    EXPECT_EQ(thumb, CRect(0, t, t, 200 - t)) << "a page of the whole range fills the track";

    bar->SetRange(999);
    bar->SetPageSize(1000);
    bar->SetRange(500);
    EXPECT_EQ(bar->GetPageSize(), 501);
    EXPECT_EQ(bar->GetScrollPos(), 0);
    SetProperty(*bar, "Scroll Pos", "7");
    EXPECT_EQ(Property(*bar, "Scroll Pos"), "0") << "the largest position is never negative";
}

TEST_F(ScrollBarTest, ThumbGeometry)
{
    MakeBar();
    const std::int32_t track = 200 - 2 * t;
    struct Case
    {
        std::int32_t range, page, position;
        std::int32_t thumb, offset;
    };
    const Case cases[] = {
        {99, 50, 0, 50 * track / 100, 0},
        {99, 50, 50, 50 * track / 100, track - 50 * track / 100},
        {99, 10, 45, std::max(10 * track / 100, t), (track - std::max(10 * track / 100, t)) * 45 / 90},
        {IntMax, 1, IntMax, t, track - t},
        {IntMax, 1, IntMax / 2, t, static_cast<std::int32_t>(static_cast<std::int64_t>(track - t) * (IntMax / 2) / IntMax)},
        {0, 1, 0, track, 0},
    };
    for (const Case& c : cases)
    {
        bar->SetRange(c.range);
        bar->SetPageSize(c.page);
        bar->SetScrollPos(c.position);
        EXPECT_EQ(bar->GetThumbRect(), CRect(0, t + c.offset, t, t + c.offset + c.thumb))
            << c.range << " " << c.page << " " << c.position;
    }
    // A track shorter than the minimum thumb shows no thumb.
    bar->SetSize(t, 2 * t + t / 2);
    EXPECT_TRUE(bar->GetThumbRect().IsEmpty());
    EXPECT_EQ(bar->GetThumbRect(), CRect());
}

TEST_F(ScrollBarTest, HoldingTheSecondArrowRepeatsUntilTheLimit)
{
    MakeBar();
    bar->SetRange(100);
    bar->SetPageSize(10);
    bar->SetScrollSpeed(5);
    std::vector<std::int64_t> times;
    MouseDown(Button::Left, 100 + t / 2, 50 + 200 - t / 2);
    const std::int64_t start = Now();
    for (int frame = 0; frame < 150; ++frame)
    {
        for (std::size_t i = times.size(); i < changes.calls.size(); ++i)
        {
            times.push_back(Now() - start);
        }
        Frame();
    }
    MouseUp(Button::Left, 100 + t / 2, 50 + 200 - t / 2);
    ASSERT_EQ(times.size(), 19u) << "5, 10 … 90, then 91 at the limit, then no change";
    EXPECT_EQ(bar->GetScrollPos(), 91);
    // The bar hears each "BtnDown" at the frame that delivers posted messages.
    EXPECT_LE(times[0], 10);
    EXPECT_GE(times[1] - times[0], 690);
    EXPECT_LE(times[1] - times[0], 710);
    for (std::size_t i = 2; i < times.size(); ++i)
    {
        EXPECT_GE(times[i] - times[i - 1], 30) << i;
        EXPECT_LE(times[i] - times[i - 1], 40) << i;
    }
    EXPECT_EQ(parent->Of("BtnClick").size(), 19u);
}

TEST_F(ScrollBarTest, TrackClicksMoveOnePageWithoutRepeat)
{
    MakeBar();
    bar->SetRange(100);
    bar->SetPageSize(10);
    const CRect thumb = bar->GetThumbRect();
    MouseDown(Button::Left, 100 + t / 2, 50 + thumb.bottom + 20);
    Advance(1000);
    MouseUp(Button::Left, 100 + t / 2, 50 + thumb.bottom + 20);
    EXPECT_EQ(bar->GetScrollPos(), 10);
    Click(100 + t / 2, 50 + t + 1);
    EXPECT_EQ(bar->GetScrollPos(), 0);
    bar->SetDisabled(true);
    Click(100 + t / 2, 50 + 150);
    EXPECT_EQ(bar->GetScrollPos(), 0) << "a disabled bar ignores presses";
}

TEST_F(ScrollBarTest, DraggingTheThumb)
{
    MakeBar(false, 216); // horizontal: track 216 − 2t
    const std::int32_t track = 216 - 2 * t;
    bar->SetRange(99);
    bar->SetPageSize(10);
    const std::int32_t thumb = std::max(10 * track / 100, t);
    const std::int32_t room = track - thumb;
    const std::int32_t grab = 3;
    const std::int32_t along = room / 2 + 2;
    MouseDown(Button::Left, 100 + t + grab, 50 + t / 2);
    MouseMove(100 + t + grab + along, 50 + t / 2);
    const auto expected = static_cast<std::int32_t>(std::floor(90.0f * static_cast<float>(along) / room + 0.5f));
    EXPECT_EQ(bar->GetScrollPos(), expected);
    EXPECT_EQ(bar->GetThumbRect().left, t + along) << "the free thumb follows the mouse";
    MouseUp(Button::Left, 100 + t + grab + along, 50 + t / 2);
    EXPECT_EQ(bar->GetThumbRect().left, t + room * expected / 90) << "and snaps to the position on release";

    // Far outside with a huge range: the largest position, and back far before: 0.
    bar->SetRange(IntMax);
    bar->SetPageSize(1);
    bar->SetScrollPos(0);
    MouseDown(Button::Left, 100 + t + 1, 50 + t / 2);
    MouseMove(30000, 50 + t / 2);
    EXPECT_EQ(bar->GetScrollPos(), IntMax);
    MouseMove(-30000, 50 + t / 2);
    EXPECT_EQ(bar->GetScrollPos(), 0);
    MouseUp(Button::Left, -30000, 50 + t / 2);

    // A thumb filling the track cannot move.
    bar->SetRange(9);
    bar->SetPageSize(10);
    TakeClicks();
    MouseDown(Button::Left, 100 + t + 5, 50 + t / 2);
    MouseMove(100 + t + 60, 50 + t / 2);
    MouseUp(Button::Left, 100 + t + 60, 50 + t / 2);
    EXPECT_EQ(bar->GetScrollPos(), 0);
    EXPECT_EQ(TakeClicks(), 0u);
}

TEST_F(ScrollBarTest, PaintsTrackAndThumb)
{
    MakeBar();
    bar->SetRange(99);
    bar->SetPageSize(20);
    for (const std::int32_t position : {0, 40, 80})
    {
        bar->SetScrollPos(position);
        Compose();
        const CRect thumb = bar->GetThumbRect();
        const CPoint centre = ThumbCentre();
        EXPECT_EQ(Pixel(centre.x, centre.y), Face) << position;
        // Track just before and after the thumb (where it lies away from the arrows).
        if (thumb.top - 2 > t)
        {
            EXPECT_EQ(Pixel(centre.x, 50 + thumb.top - 2), Track) << position;
        }
        if (thumb.bottom + 2 < 200 - t)
        {
            EXPECT_EQ(Pixel(centre.x, 50 + thumb.bottom + 2), Track) << position;
        }
    }
    const CPoint centre = ThumbCentre();
    bar->SetDisabled(true);
    Compose();
    EXPECT_EQ(Pixel(centre.x, centre.y), Track) << "a disabled bar shows an empty track";
}

TEST_F(ScrollBarTest, Picture)
{
    const auto make = [&](std::int32_t x, std::int32_t y, bool vertical, bool disabled, bool buttons) {
        CScrollBar* b = Make<CScrollBar>(x, y, 150, 150);
        b->SetStyle(vertical ? 1 : 0);
        b->SetSize(150, 150);
        b->SetButtons(buttons);
        b->SetRange(99);
        b->SetPageSize(25);
        b->SetScrollPos(30);
        b->SetDisabled(disabled);
        return b;
    };
    make(20, 20, true, false, true);
    make(60, 20, true, true, true);
    make(100, 20, true, false, false);
    make(150, 20, false, false, true);
    make(150, 60, false, true, true);
    make(150, 100, false, false, false);
    Compose();
    EXPECT_FALSE(SavePicture("scrollbars").empty());
}

} // namespace
