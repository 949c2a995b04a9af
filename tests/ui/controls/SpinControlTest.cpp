#include "ControlBench.h"
#include "PropertyAccess.h"

#include "platform/os/KeyState.h"
#include "ui/Panel.h"
#include "ui/Visualization.h"
#include "ui/controls/Label.h"
#include "ui/controls/EditControl.h"
#include "ui/controls/Slider.h"
#include "ui/controls/SliderSpinControlCombo.h"
#include "ui/controls/SpinControl.h"
#include "ui/controls/SpinControlNumber.h"

#include <cmath>
#include <limits>

using namespace ControlBench;
using BaseLib::CColor;
using BaseLib::CRect;
using UILib::CBasicSpinControl;
using UILib::CEditControl;
using UILib::CSlider;
using UILib::CSliderSpinControlCombo;
using UILib::CSpinControlNumber;
using UILib::CSpinControlText;
using UILib::CWindow;

namespace
{

// Borders of frame style 1 and the arrow sizes of the standard theme, read from the theme itself.
struct Geometry
{
    CRect borders;
    std::int32_t upDownWidth, upDownHeight, leftRightWidth, leftRightHeight;
};

class SpinControlTest : public ControlTest
{
protected:
    template <typename W> W* MakeSpin(std::int32_t x = 10, std::int32_t y = 10, std::int32_t width = 120)
    {
        if (parent == nullptr)
        {
            parent = Make<CRecordingWindow>(0, 0, 600, 400);
        }
        return Make<W>(x, y, width, 50, parent);
    }
    Geometry Theme(CBasicSpinControl* spin)
    {
        UILib::CVisualization* visualization = UILib::VisualizationOf(*spin);
        const UILib::CVisualizationMetrics& m = visualization->GetMetrics();
        return {visualization->GetBorderWidths(1), m.verticalSpinButtonWidth, m.verticalSpinButtonHeight,
                m.horizontalSpinButtonWidth, m.horizontalSpinButtonHeight};
    }
    // The centre of an arrow button on the screen.
    BaseLib::CPoint ArrowCentre(CBasicSpinControl* spin, int index)
    {
        CWindow* arrow = spin->GetButton(index);
        const BaseLib::CPoint at = arrow->GetScreenPosition();
        return BaseLib::CPoint(at.x + arrow->GetSize().cx / 2, at.y + arrow->GetSize().cy / 2);
    }
    std::size_t SpinChanges() const { return parent->Of("SpinChng").size(); }

    CRecordingWindow* parent = nullptr;
};

TEST_F(SpinControlTest, HeightFollowsTheStyleAndTheArrowsSitWhereTheStyleSays)
{
    CSpinControlNumber* upDown = MakeSpin<CSpinControlNumber>();
    const Geometry g = Theme(upDown);
    const std::int32_t vertical = g.borders.top + g.borders.bottom;
    for (std::int32_t asked : {1, 50, 300})
    {
        upDown->SetSize(120, asked);
        EXPECT_EQ(upDown->GetSize().cy, vertical + 2 * g.upDownHeight);
        EXPECT_EQ(upDown->GetSize().cx, 120);
    }
    EXPECT_EQ(upDown->GetButton(0)->GetPosition().x, 120 - g.borders.right - g.upDownWidth);
    EXPECT_EQ(upDown->GetButton(1)->GetPosition().y, g.borders.top + g.upDownHeight);
    // Without the frame the insets go, the height stays.
    upDown->SetFrame(false);
    EXPECT_EQ(upDown->GetEdit()->GetPosition().x, 0);
    EXPECT_EQ(upDown->GetButton(0)->GetPosition().x, 120 - g.upDownWidth);
    EXPECT_EQ(upDown->GetSize().cy, vertical + 2 * g.upDownHeight);

    CSpinControlNumber* leftRight = MakeSpin<CSpinControlNumber>(10, 100);
    SetProperty(*leftRight, "Style", "Left-Right");
    leftRight->SetSize(120, 77);
    EXPECT_EQ(leftRight->GetSize().cy, vertical + g.leftRightHeight);
    EXPECT_EQ(leftRight->GetButton(0)->GetDirection(), 3);
    EXPECT_EQ(leftRight->GetButton(1)->GetDirection(), 2);
    EXPECT_EQ(leftRight->GetButton(1)->GetPosition().x, g.borders.left);
    EXPECT_EQ(leftRight->GetButton(0)->GetPosition().x, 120 - g.borders.right - g.leftRightWidth);
    // The right-hand button steps up, the left-hand one down.
    leftRight->SetRange(0, 10, 1);
    const BaseLib::CPoint right = ArrowCentre(leftRight, 0);
    Click(right.x, right.y);
    Frame();
    EXPECT_EQ(leftRight->GetValue(), 1.0);
    const BaseLib::CPoint left = ArrowCentre(leftRight, 1);
    Click(left.x, left.y);
    Frame();
    EXPECT_EQ(leftRight->GetValue(), 0.0);
}

TEST_F(SpinControlTest, HoldingAnArrowRepeatsAndTheArrowShowsItIsHeld)
{
    CSpinControlNumber* spin = MakeSpin<CSpinControlNumber>();
    spin->SetRange(0, 1000, 1);
    const BaseLib::CPoint up = ArrowCentre(spin, 0);
    MouseDown(Button::Left, up.x, up.y);
    Frame();
    EXPECT_EQ(spin->GetValue(), 1.0); // at the press
    Compose();
    const BaseLib::CPoint corner = spin->GetButton(0)->GetScreenPosition();
    EXPECT_EQ(Pixel(corner.x, corner.y), CColor(0, 0, 0, 255));
    Advance(680);
    EXPECT_EQ(spin->GetValue(), 1.0);
    Advance(20); // the first frame at or after 700 ms, with one frame of slack
    EXPECT_EQ(spin->GetValue(), 2.0);
    Advance(300); // then every 30 ms (a frame late at most)
    EXPECT_GE(spin->GetValue(), 2.0 + 300 / 40);
    EXPECT_LE(spin->GetValue(), 2.0 + 300 / 30 + 1);
    MouseUp(Button::Left, up.x, up.y);
    const double released = spin->GetValue();
    Advance(200);
    EXPECT_EQ(spin->GetValue(), released);
    Compose();
    EXPECT_EQ(Pixel(corner.x, corner.y), CColor(240, 240, 240, 255));
    EXPECT_EQ(SpinChanges(), static_cast<std::size_t>(released));
}

TEST_F(SpinControlTest, ArrowKeysInTheFocusedEditStepAndCursorKeysStayWithTheEdit)
{
    CSpinControlNumber* spin = MakeSpin<CSpinControlNumber>();
    spin->SetRange(0, 10, 1);
    spin->Activate();
    Frame();
    ASSERT_TRUE(spin->GetEdit()->HasFocus());
    KeyPress(Platform::VK_UP);
    EXPECT_EQ(spin->GetValue(), 1.0);
    KeyPress(Platform::VK_UP);
    KeyPress(Platform::VK_DOWN);
    EXPECT_EQ(spin->GetValue(), 1.0);
    // Left moves the edit's cursor and reaches nobody else.
    spin->SetValue(10);
    spin->GetEdit()->SetCursorPosition(2);
    Frame();
    parent->log.clear();
    KeyPress(Platform::VK_LEFT);
    Frame();
    EXPECT_EQ(spin->GetEdit()->GetModel().GetCursor(), 1);
    EXPECT_TRUE(parent->Of("sKeyDown").empty());
    // Sent to the spin control itself, Left is not handled and goes on to the parent.
    Post(spin, UILib::CWindowMessage("sKeyDown", UILib::CWindowMessage::Input, 274));
    Frame();
    EXPECT_EQ(parent->Of("sKeyDown").size(), 1u);
    // A disabled spin control takes the arrow keys and does nothing.
    spin->SetDisabled(true);
    Send(spin, UILib::CWindowMessage("sKeyDown", UILib::CWindowMessage::Input, 273));
    EXPECT_EQ(spin->GetValue(), 10.0);
}

TEST_F(SpinControlTest, TextSpinStepsThroughItsEntries)
{
    CSpinControlText* spin = MakeSpin<CSpinControlText>();
    EXPECT_EQ(Property(*spin, "Editable"), "false");
    SetProperty(*spin, "Editable", "true");
    for (const char* entry : {"A", "B", "C"})
    {
        spin->AddString(entry);
    }
    EXPECT_EQ(spin->GetCurrentIndex(), 0); // the first entry of an empty field is selected
    spin->SetCurrentIndex(-1);
    EXPECT_EQ(spin->GetCurrentIndex(), 0);
    // Typed text that matches nothing: −1, silently; the next down selects the last entry.
    parent->log.clear();
    spin->GetEdit()->SetText("X");
    EXPECT_EQ(spin->GetCurrentIndex(), -1);
    EXPECT_EQ(SpinChanges(), 0u);
    spin->StepDown();
    EXPECT_EQ(spin->GetCurrentIndex(), 2);
    EXPECT_EQ(spin->GetText(), BaseLib::CString("C"));
    spin->StepDown();
    EXPECT_EQ(spin->GetCurrentIndex(), 2);
    spin->SetCurrentIndex(0);
    spin->StepUp();
    EXPECT_EQ(spin->GetCurrentIndex(), 0);
    EXPECT_EQ(SpinChanges(), 2u);
    // Removing the current last entry leaves the index at the count; the next up selects the new last.
    spin->SetCurrentIndex(2);
    EXPECT_EQ(spin->RemoveString(2), 2);
    EXPECT_EQ(spin->GetCurrentIndex(), 2);
    spin->StepUp();
    EXPECT_EQ(spin->GetCurrentIndex(), 1);
    EXPECT_EQ(spin->FindString("b"), -1);
    EXPECT_EQ(spin->GetString(7), BaseLib::CString());

    CSpinControlText* names = MakeSpin<CSpinControlText>(10, 100);
    for (const char* entry : {"apple", "Banana", "blue"})
    {
        names->AddString(entry);
    }
    names->SetCurrentIndex(1);
    EXPECT_TRUE(names->SelectByInitial('b'));
    EXPECT_EQ(names->GetCurrentIndex(), 2);
    EXPECT_TRUE(names->SelectByInitial('B'));
    EXPECT_EQ(names->GetCurrentIndex(), 1);
    EXPECT_FALSE(names->SelectByInitial('z'));
    EXPECT_FALSE(names->SelectByInitial(0));
}

TEST_F(SpinControlTest, NumberClampsFormatsAndReadsTypedText)
{
    CSpinControlNumber* spin = MakeSpin<CSpinControlNumber>();
    EXPECT_EQ(spin->GetEdit()->GetText(), BaseLib::CString("0"));
    EXPECT_EQ(Property(*spin, "Max Value"), "1");
    UILib::CPropertyList list;
    spin->GetProperties(list);
    EXPECT_EQ(list.size(), 19u);

    spin->SetRange(0, 5, 2);
    spin->SetValue(5);
    parent->log.clear();
    spin->StepUp(); // at max: stays, nothing sent
    spin->SetValue(5); // the same value: nothing sent
    EXPECT_EQ(SpinChanges(), 0u);
    spin->SetValue(4);
    spin->StepUp(); // past max: stops at max
    EXPECT_EQ(spin->GetValue(), 5.0);
    EXPECT_EQ(SpinChanges(), 2u);
    EXPECT_EQ(parent->Of("SpinChng")[0].second, spin->GetHandle());

    spin->SetRange(3, 1, 1); // max below min
    EXPECT_EQ(spin->GetMaxValue(), 3.0);
    EXPECT_EQ(spin->GetValue(), 3.0);

    struct Typed
    {
        const char* text;
        double min, max, value;
        const char* shown;
    };
    const Typed cases[] = {
        {"abc", -5, 5, 0, "0"},   {"abc", 3, 5, 3, "3"},   {"nan", -5, 5, 0, "0"},
        {"4.5xyz", 0, 9, 4.5, "4"}, {"1e999", 0, 9, 9, "9"}, {"2.5", 0, 9, 2.5, "2"},
    };
    for (const Typed& c : cases)
    {
        SCOPED_TRACE(c.text);
        spin->SetRange(c.min, c.max, 1);
        spin->GetEdit()->SetText(c.text);
        Send(spin, UILib::CWindowMessage("EditUpdt", UILib::CWindowMessage::Input, 0, spin->GetEdit()->GetHandle()));
        EXPECT_EQ(spin->GetValue(), c.value);
        EXPECT_EQ(spin->GetEdit()->GetText(), BaseLib::CString(c.shown));
    }
    spin->SetDecimals(2);
    EXPECT_EQ(spin->GetEdit()->GetText(), BaseLib::CString("2.50"));
    EXPECT_EQ(spin->GetDebugDescription(), BaseLib::CString("CSpinControlNumber Contents = 2.500000"));

    // Right click on an arrow: 0 clamped.
    spin->SetRange(3, 5, 1);
    const BaseLib::CPoint down = ArrowCentre(spin, 1);
    MouseDown(Button::Right, down.x, down.y);
    MouseUp(Button::Right, down.x, down.y);
    EXPECT_EQ(spin->GetValue(), 3.0);
    spin->SetValue(4);
    const BaseLib::CPoint up = ArrowCentre(spin, 0);
    MouseDown(Button::Right, up.x, up.y);
    EXPECT_EQ(spin->GetValue(), 3.0);
    MouseUp(Button::Right, up.x, up.y);
}

TEST_F(SpinControlTest, NumberPropertiesAndBadValues)
{
    CSpinControlNumber* spin = MakeSpin<CSpinControlNumber>();
    spin->SetDecimals(9);
    EXPECT_EQ(spin->GetDecimals(), 6);
    spin->SetDecimals(-4);
    EXPECT_EQ(spin->GetDecimals(), 0);
    SetProperty(*spin, "Decimals", "9");
    EXPECT_EQ(spin->GetDecimals(), 6);
    SetProperty(*spin, "Step", "-1");
    EXPECT_EQ(spin->GetStep(), 0.0);
    SetProperty(*spin, "Min Value", "-5");
    EXPECT_EQ(spin->GetMinValue(), -5.0);
    SetProperty(*spin, "Value", "-2");
    EXPECT_EQ(spin->GetValue(), -2.0);
    SetProperty(*spin, "Value", "nan");
    EXPECT_EQ(spin->GetValue(), 0.0);
    EXPECT_EQ(spin->GetEdit()->GetText(), BaseLib::CString("0.000000"));
    SetProperty(*spin, "Max Value", "nan");
    SetProperty(*spin, "Step", "nan");
    spin->SetRange(NAN, NAN, NAN);
    EXPECT_EQ(spin->GetMinValue(), -5.0);
    EXPECT_EQ(spin->GetMaxValue(), 1.0);
    EXPECT_EQ(spin->GetStep(), 0.0);
    float minimum = 0, maximum = 0, step = 0;
    spin->SetRange(0.1, 0.7, 0.3);
    spin->GetRange(minimum, maximum, step);
    EXPECT_EQ(minimum, 0.1f);
    EXPECT_EQ(step, 0.3f);
}

class ComboTest : public SpinControlTest
{
protected:
    // A combination read from a layout: "Max Value" 10, its slider given "Slider Range" 10 by name.
    CSliderSpinControlCombo* LoadCombo(const char* step)
    {
        parent = Make<CRecordingWindow>(0, 0, 600, 400);
        const std::string path = WriteLayout(
            "combo.xml", std::string("<window type=\"CSliderSpinControlCombo\">\n"
                                     "  <property name=\"Size\" value=\"(200, 30)\"/>\n"
                                     "  <property name=\"Max Value\" value=\"10\"/>\n"
                                     "  <property name=\"Step\" value=\"") +
                             step +
                             "\"/>\n"
                             "  <window type=\"CSlider\" name=\"__slider\">\n"
                             "    <property name=\"Slider Range\" value=\"10\"/>\n"
                             "  </window>\n"
                             "</window>\n");
        auto* combo = dynamic_cast<CSliderSpinControlCombo*>(Factory()->LoadLayout(path, parent));
        EXPECT_NE(combo, nullptr);
        EXPECT_EQ(combo->GetSlider()->GetSliderRange(), 10);
        combo->SetOnChange(changes.Record());
        return combo;
    }
    // "SliSpiCh" follows a posted "SliderCh", so it arrives two frames later.
    std::size_t Changes()
    {
        Frames(2);
        return parent->Of("SliSpiCh").size();
    }
    CCallbackRecorder<CSliderSpinControlCombo*> changes;
};

TEST_F(ComboTest, SliderAndNumberStayInStep)
{
    CSliderSpinControlCombo* combo = LoadCombo("1");
    EXPECT_EQ(combo->GetLabel()->GetSize().cx, 80);
    EXPECT_EQ(combo->GetSlider()->GetSize().cx, 80);
    EXPECT_EQ(combo->GetNumber()->GetSize().cx, 40);
    combo->SetSize(100, 30);
    EXPECT_EQ(combo->GetNumber()->GetPosition().x, 80);
    EXPECT_EQ(combo->GetNumber()->GetSize().cx, 20);

    // One slider step changes the number by one step.
    // The number's "SpinChng" and the slider's "SliderCh" each give one "SliSpiCh".
    combo->GetSlider()->SetSliderPos(1);
    ASSERT_EQ(Changes(), 2u);
    EXPECT_EQ(combo->GetValue(), 1.0);
    EXPECT_EQ(parent->Of("SliSpiCh")[0].second, combo->GetHandle());
    // Stepping the number moves the slider.
    combo->GetNumber()->StepUp();
    EXPECT_EQ(combo->GetSlider()->GetSliderPos(), 2);
    EXPECT_EQ(Property(*combo, "Value"), "2");
    Frames(2);
    EXPECT_GE(changes.calls.size(), 2u);

    UILib::CPropertyList list;
    combo->GetProperties(list);
    ASSERT_EQ(list.size(), 21u);
    EXPECT_EQ(list[11].GetDescription()->GetName(), std::string("Color"));
    EXPECT_EQ(list[12].GetDescription()->GetName(), std::string("Min Value"));
    EXPECT_EQ(list[17].GetDescription()->GetName(), std::string("Text"));
}

TEST_F(ComboTest, TheSliderGridWinsAFrameLaterAndAZeroStepKeepsTheSliderAtZero)
{
    CSliderSpinControlCombo* combo = LoadCombo("0.1");
    SetProperty(*combo, "Value", "0.37");
    EXPECT_EQ(combo->GetSlider()->GetSliderPos(), 3);
    Frame();
    EXPECT_NEAR(combo->GetValue(), 0.3, 1e-6);

    SetProperty(*combo, "Step", "0");
    SetProperty(*combo, "Value", "7");
    EXPECT_EQ(combo->GetValue(), 7.0);
    EXPECT_EQ(combo->GetSlider()->GetSliderPos(), 0);
    // A tiny step gives a quotient beyond the integer range: clamped (then to the slider's range).
    SetProperty(*combo, "Step", "1e-30");
    SetProperty(*combo, "Value", "9");
    EXPECT_EQ(combo->SliderPositionFromNumber(), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(combo->GetSlider()->GetSliderPos(), 10);

    SetProperty(*combo, "Background", "false");
    EXPECT_TRUE(combo->IsTransparent());
    EXPECT_FALSE(combo->GetSlider()->GetBackground());
    EXPECT_FALSE(combo->GetLabel()->GetBackground());
}

TEST_F(ComboTest, PictureOfSlidersAndSpins)
{
    CWindow* board = Make<UILib::CPanel>(0, 0, 400, 300);
    auto slider = [&](std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, bool vertical, bool disabled) {
        CSlider* s = Make<CSlider>(x, y, w, h, board);
        s->SetStyle(vertical ? CSlider::Vertical : CSlider::Horizontal);
        s->SetSliderRange(10);
        s->SetSliderPos(4);
        s->SetDisabled(disabled);
    };
    slider(10, 10, 150, 17, false, false);
    slider(10, 35, 150, 17, false, true);
    slider(180, 10, 17, 120, true, false);
    slider(210, 10, 17, 120, true, true);
    auto* upDown = Make<CSpinControlNumber>(10, 60, 100, 40, board);
    upDown->SetRange(0, 100, 1);
    upDown->SetValue(42);
    auto* leftRight = Make<CSpinControlNumber>(10, 110, 120, 40, board);
    leftRight->SetStyle(CBasicSpinControl::LeftRight);
    leftRight->SetRange(-10, 10, 0.25);
    leftRight->SetDecimals(2);
    leftRight->SetValue(-3.75);
    auto* text = Make<CSpinControlText>(10, 150, 120, 40, board);
    for (const char* entry : {"Easy", "Normal", "Hard"})
    {
        text->AddString(entry);
    }
    text->SetCurrentIndex(1);
    auto* combo = Make<CSliderSpinControlCombo>(10, 200, 300, 30, board);
    combo->SetText("Volume");
    SetProperty(*combo->GetSlider(), "Slider Range", "10");
    combo->SetMaxValue(10);
    combo->SetValue(6);
    Frame();
    Compose();
    const BaseLib::CPoint knob = combo->GetSlider()->GetScreenPosition();
    EXPECT_EQ(combo->GetSlider()->GetSliderPos(), 6);
    EXPECT_NE(Pixel(knob.x + combo->GetSlider()->GetKnobRect().left + 4, knob.y + combo->GetSlider()->GetKnobRect().top + 4),
              Pixel(10, 295));
    EXPECT_FALSE(SavePicture("sliders_spins").empty());
}

} // namespace
