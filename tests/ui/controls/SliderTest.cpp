#include "ControlBench.h"
#include "PropertyAccess.h"

#include "ui/controls/Slider.h"

#include <limits>

using namespace ControlBench;
using BaseLib::CColor;
using BaseLib::CRect;
using UILib::CSlider;
using UILib::CWindow;

namespace
{

using Codes = std::vector<std::string>;
constexpr std::int32_t Largest = std::numeric_limits<std::int32_t>::max();

class SliderTest : public ControlTest
{
protected:
    // A recording parent at (0, 0) holding a slider at (10, 10).
    CSlider* MakeSlider(std::int32_t width, std::int32_t height, std::int32_t range, bool vertical = false)
    {
        parent = Make<CRecordingWindow>(0, 0, 400, 300);
        CSlider* slider = Make<CSlider>(10, 10, width, height, parent);
        slider->SetStyle(vertical ? CSlider::Vertical : CSlider::Horizontal);
        slider->SetSliderRange(range);
        slider->SetOnChange(changes.Record());
        return slider;
    }
    std::size_t Posted()
    {
        Frame();
        return parent->Of("SliderCh").size();
    }

    CRecordingWindow* parent = nullptr;
    CCallbackRecorder<CSlider*> changes;
};

TEST_F(SliderTest, PositionIsClampedAndTheKnobSpansTheTrack)
{
    CSlider* slider = MakeSlider(100, 17, 10);
    SetProperty(*slider, "Slider Pos", "15");
    EXPECT_EQ(slider->GetSliderPos(), 10);
    EXPECT_EQ(slider->GetKnobRect().left, 100 - 10);
    EXPECT_EQ(slider->GetKnobRect().right, 100);
    slider->SetSliderPos(-3);
    EXPECT_EQ(slider->GetSliderPos(), 0);
    EXPECT_EQ(slider->GetKnobRect().left, 0);
    slider->SetSliderPos(5);
    EXPECT_EQ(slider->GetKnobRect().left, 45);
    EXPECT_EQ(Posted(), 3u);
    EXPECT_EQ(parent->Of("SliderCh")[0].second, slider->GetHandle());
    EXPECT_EQ(changes.calls.size(), 3u);

    // Lowering the range below the position lowers it without a notification.
    slider->SetSliderRange(3);
    EXPECT_EQ(slider->GetSliderPos(), 3);
    EXPECT_EQ(slider->GetKnobRect().left, 90);
    SetProperty(*slider, "Slider Range", "-4");
    EXPECT_EQ(slider->GetSliderRange(), 0);
    EXPECT_EQ(slider->GetSliderPos(), 0);
    EXPECT_EQ(Posted(), 3u);

    // Suppressed events neither post nor call back; a knob that does not fit is all zeros.
    slider->SetSliderRange(10);
    slider->SuppressEvents();
    slider->SetSliderPos(7);
    slider->ResumeEvents();
    EXPECT_EQ(Posted(), 3u);
    EXPECT_EQ(changes.calls.size(), 3u);
    slider->SetSize(8, 17);
    EXPECT_EQ(slider->GetKnobRect(), CRect(0, 0, 0, 0));
}

TEST_F(SliderTest, RangeZeroKeepsTheKnobAtTheStartAndClicksChangeNothing)
{
    CSlider* slider = MakeSlider(100, 17, 0);
    EXPECT_EQ(slider->GetKnobRect(), CRect(0, 0, 10, 17));
    Click(10 + 60, 18);
    Click(10 + 5, 18);
    EXPECT_EQ(slider->GetSliderPos(), 0);
    EXPECT_EQ(Posted(), 0u);
}

TEST_F(SliderTest, EachClickBesideTheKnobMovesByExactlyOne)
{
    struct Case
    {
        const char* what;
        bool vertical;
        std::int32_t width, height, x, y; // the click in client coordinates
        std::int32_t expected;            // from position 5 of 10
    };
    // The knob of a 100 × 100 horizontal slider at position 5 is (45, 41)–(55, 58); the vertical one's
    // (41, 45)–(58, 55).
    const Case cases[] = {
        {"horizontal, right of the knob", false, 100, 17, 80, 8, 6},
        {"horizontal, left of the knob", false, 100, 17, 10, 8, 4},
        {"horizontal, left of the knob and below it", false, 100, 100, 10, 90, 4},
        {"horizontal, right of the knob and above it", false, 100, 100, 90, 5, 6},
        {"vertical, below the knob", true, 17, 100, 8, 80, 6},
        {"vertical, above the knob", true, 17, 100, 8, 10, 4},
        {"vertical, above the knob and right of it", true, 100, 100, 90, 10, 4},
        {"vertical, below the knob and left of it", true, 100, 100, 5, 90, 6},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        CSlider* slider = MakeSlider(c.width, c.height, 10, c.vertical);
        slider->SetSliderPos(5);
        Frame();
        parent->log.clear();
        Click(10 + c.x, 10 + c.y);
        EXPECT_EQ(slider->GetSliderPos(), c.expected);
        EXPECT_EQ(Posted(), 1u);
        // A held press does not repeat.
        MouseDown(Button::Left, 10 + c.x, 10 + c.y);
        Frames(100);
        MouseUp(Button::Left, 10 + c.x, 10 + c.y);
        EXPECT_EQ(slider->GetSliderPos(), 2 * c.expected - 5);
        CWindow::Delete(parent);
    }
}

TEST_F(SliderTest, DraggingRoundsToTheNearestPositionAndSnapsOnRelease)
{
    CSlider* slider = MakeSlider(100, 17, 10);
    // Grab the knob at its left edge + 2 and move by 42 pixels: 42 × 10 / 90 = 4.67 → 5.
    MouseDown(Button::Left, 10 + 2, 18);
    EXPECT_TRUE(slider->IsDragging());
    MouseMove(10 + 2 + 42, 18);
    EXPECT_EQ(slider->GetSliderPos(), 5);
    EXPECT_EQ(slider->GetKnobRect().left, 42); // the knob follows the mouse
    // Outside the slider the capture keeps the drag: far left gives 0.
    MouseMove(10 + 2 + 20, 200);
    EXPECT_EQ(slider->GetSliderPos(), 2); // 20 × 10 / 90 = 2.2
    MouseMove(10 + 2 + 47, 18);
    EXPECT_EQ(slider->GetSliderPos(), 5); // 5.2
    MouseUp(Button::Left, 10 + 2 + 47, 18);
    EXPECT_FALSE(slider->IsDragging());
    EXPECT_EQ(slider->GetKnobRect().left, 45); // snapped to the position's place
    EXPECT_EQ(Posted(), 3u);
}

TEST_F(SliderTest, DragsWithoutRoomAndAtTheLargestRangeStayDefined)
{
    // A vertical slider as long as its knob has no room: drags leave the position.
    CSlider* shortSlider = MakeSlider(17, 10, 10, true);
    EXPECT_EQ(shortSlider->GetKnobRect(), CRect(0, 0, 17, 10));
    MouseDown(Button::Left, 15, 15);
    MouseMove(15, 250);
    MouseMove(15, 0);
    MouseUp(Button::Left, 15, 0);
    EXPECT_EQ(shortSlider->GetSliderPos(), 0);
    CWindow::Delete(parent);

    CSlider* slider = MakeSlider(100, 17, Largest);
    SetProperty(*slider, "Slider Pos", "2147483647");
    EXPECT_EQ(slider->GetSliderPos(), Largest);
    EXPECT_EQ(slider->GetKnobRect().left, 90);
    slider->SetSliderPos(Largest / 2);
    EXPECT_EQ(slider->GetKnobRect().left, 44);
    slider->SetSliderPos(0);
    MouseDown(Button::Left, 12, 18);
    MouseMove(5000, 18);
    EXPECT_EQ(slider->GetSliderPos(), Largest);
    MouseMove(-5000, 18);
    EXPECT_EQ(slider->GetSliderPos(), 0);
    MouseUp(Button::Left, -5000, 18);
}

TEST_F(SliderTest, PaintsTrackAndKnob)
{
    RootWindow()->SetSize(640, 480);
    const std::int32_t positions[] = {0, 5, 10};
    std::vector<CSlider*> sliders;
    for (int i = 0; i < 3; ++i)
    {
        CSlider* slider = Make<CSlider>(10, 10 + 30 * i, 100, 17);
        slider->SetSliderRange(10);
        slider->SetSliderPos(positions[i]);
        sliders.push_back(slider);
    }
    CSlider* disabled = Make<CSlider>(10, 100, 100, 17);
    disabled->SetSliderRange(10);
    disabled->SetSliderPos(5);
    disabled->SetDisabled(true);
    Compose();
    const std::int32_t knobX[] = {0, 45, 90};
    for (int i = 0; i < 3; ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_EQ(Pixel(10 + knobX[i], 10 + 30 * i), CColor(240, 240, 240, 255));
        EXPECT_EQ(Pixel(10 + knobX[i] + 9, 10 + 30 * i + 16), CColor(70, 70, 70, 255));
    }
    // With the knob at the end the groove's left end shows.
    EXPECT_EQ(Pixel(10 + 0, 70 + 6), CColor(150, 150, 150, 255));
    EXPECT_EQ(Pixel(10 + 45 + 4, 100 + 8), CColor(230, 230, 230, 255));
    SavePicture("slider_pixels");
}

} // namespace
