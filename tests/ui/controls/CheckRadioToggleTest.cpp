#include "ControlBench.h"
#include "PropertyAccess.h"

#include "platform/os/KeyState.h"
#include "ui/Visualization.h"
#include "ui/controls/CheckBox.h"
#include "ui/controls/Label.h"
#include "ui/controls/ToggleButton.h"

#include <functional>

using namespace ControlBench;
using BaseLib::CColor;
using BaseLib::CRect;
using UILib::CCheckBox;
using UILib::CRadioButton;
using UILib::CToggleButton;
using Codes = std::vector<std::string>;

namespace
{

const CColor White(255, 255, 255, 255);
const CColor Face = StandardPalette(0);

class CheckRadioToggle : public ControlTest
{
protected:
    // Frames until the posted notifications arrived, then the parent's codes and senders of one kind.
    std::vector<UILib::Handle> Senders(CRecordingWindow* parent, const char* code)
    {
        Frame();
        std::vector<UILib::Handle> senders;
        for (const RecordedMessage& m : parent->Of(code))
        {
            senders.push_back(m.second);
        }
        return senders;
    }
    const UILib::CVisualizationMetrics& Metrics()
    {
        return UILib::VisualizationOf(*RootWindow())->GetMetrics();
    }
    // Pixels of the rectangle that are not colour.
    int CountOther(const CRect& rect, CColor colour)
    {
        int count = 0;
        for (std::int32_t y = rect.top; y < rect.bottom; ++y)
        {
            for (std::int32_t x = rect.left; x < rect.right; ++x)
            {
                count += Pixel(x, y) == colour ? 0 : 1;
            }
        }
        return count;
    }
};

TEST_F(CheckRadioToggle, CheckBoxCyclesByClickSpaceAndDoubleClick)
{
    struct Case
    {
        const char* what;
        bool triState;
        std::function<void(CCheckBox*)> act;
        std::vector<int> states; // after each act
    };
    const auto click = [this](CCheckBox*) { Click(55, 60); };
    const auto textClick = [this](CCheckBox* box) {
        // A click on the text lands on the label, which takes the focus; the space then bubbles up.
        const UILib::CLabel* label = box->GetLabel();
        const BaseLib::CPoint at = label->GetScreenPosition();
        Click(at.x + 2, at.y + 2);
    };
    const auto space = [this](CCheckBox*) { KeyPress(Platform::VK_SPACE); };
    const Case cases[] = {
        {"two-state by clicks", false, click, {1, 0, 1}},
        {"tri-state by clicks", true, click, {1, 2, 0, 1}},
        {"tri-state by space on the focused box",
         true,
         [this, space](CCheckBox* box) {
             Manager()->ActivateWindow(box->GetHandle(), true);
             space(box);
         },
         {1, 2, 0}},
        {"two-state by space after a click on the text", false,
         [textClick, space](CCheckBox* box) {
             if (box->GetState() == 0)
             {
                 textClick(box); // 0 → 1 with the focus left on the label
             }
             else
             {
                 space(box);
             }
         },
         {1, 0, 1}},
        {"tri-state by double clicks: two steps each", true, [this](CCheckBox*) {
             // The first press and release, then the second press arriving as a double click.
             Click(55, 60);
             DoubleClick(Button::Left, 55, 60);
             MouseUp(Button::Left, 55, 60);
         },
         {2, 1, 0}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        CRecordingWindow* parent = Make<CRecordingWindow>(0, 0, 300, 200);
        CCheckBox* box = Make<CCheckBox>(50, 50, 120, 20, parent);
        box->SetText("Check");
        box->SetTriState(c.triState);
        CCallbackRecorder<CCheckBox*> changes;
        box->SetOnChange(changes.Record());
        std::vector<int> seen;
        for (std::size_t i = 0; i < c.states.size(); ++i)
        {
            c.act(box);
            seen.push_back(box->GetState());
        }
        EXPECT_EQ(seen, c.states);
        Frame();
        EXPECT_TRUE(parent->Of("BtnClick").empty());
        EXPECT_EQ(parent->Of("CBoxChng").size(), changes.calls.size());
        EXPECT_GE(changes.calls.size(), c.states.size());
        UILib::CWindow::Delete(parent);
        Frame();
    }
}

TEST_F(CheckRadioToggle, CheckBoxStateRulesAreSilent)
{
    CRecordingWindow* parent = Make<CRecordingWindow>(0, 0, 300, 200);
    CCheckBox* box = Make<CCheckBox>(10, 10, 100, 20, parent);
    SetProperty(*box, "State", "Default");
    EXPECT_EQ(box->GetState(), 0) << "undecided needs tri-state";
    SetProperty(*box, "Tri-State", "true");
    SetProperty(*box, "State", "Default");
    EXPECT_EQ(box->GetState(), 2);
    EXPECT_EQ(Property(*box, "State"), "Default");
    box->SetTriState(false);
    EXPECT_EQ(box->GetState(), 0) << "switching tri-state off while undecided unchecks";
    box->SetState(3);
    box->SetState(-1);
    EXPECT_EQ(box->GetState(), 0) << "values outside 0 … 2 are ignored";
    box->SetState(1);
    SetProperty(*box, "State", "Undecided");
    EXPECT_EQ(Property(*box, "State"), "Unchecked");
    Frame();
    EXPECT_TRUE(parent->Of("CBoxChng").empty());
    EXPECT_EQ(box->GetDebugDescription(), BaseLib::CString("CCheckBox Label = "));
}

TEST_F(CheckRadioToggle, RadioButtonsClearTheirSiblingsOnly)
{
    CRecordingWindow* parent = Make<CRecordingWindow>(0, 0, 300, 200);
    CRadioButton* radios[3];
    for (int i = 0; i < 3; ++i)
    {
        radios[i] = Make<CRadioButton>(10, 10 + 30 * i, 100, 20, parent);
        EXPECT_FALSE(radios[i]->GetSelected()) << "a new radio button is not selected";
    }
    CRecordingWindow* other = Make<CRecordingWindow>(320, 0, 300, 200);
    CRadioButton* elsewhere = Make<CRadioButton>(10, 10, 100, 20, other);
    elsewhere->SetSelected(true);
    radios[0]->SetSelected(true);
    Frame();
    parent->log.clear();
    other->log.clear();

    Click(15, 50); // the second's mark
    EXPECT_TRUE(radios[1]->GetSelected());
    EXPECT_FALSE(radios[0]->GetSelected());
    EXPECT_EQ(Senders(parent, "RBtnChng"),
              (std::vector<UILib::Handle>{radios[1]->GetHandle(), radios[0]->GetHandle()}));
    EXPECT_TRUE(parent->Of("BtnClick").empty());
    EXPECT_TRUE(elsewhere->GetSelected());
    EXPECT_TRUE(other->Of("RBtnChng").empty());

    // Suppressed: the clicked one changes silently and leaves its siblings alone.
    parent->log.clear();
    radios[2]->SuppressEvents();
    Click(15, 80);
    radios[2]->ResumeEvents();
    EXPECT_TRUE(radios[2]->GetSelected());
    EXPECT_TRUE(radios[1]->GetSelected());
    EXPECT_TRUE(Senders(parent, "RBtnChng").empty());
}

TEST_F(CheckRadioToggle, GroupedToggleButtonsAndUntoggling)
{
    CRecordingWindow* parent = Make<CRecordingWindow>(0, 0, 400, 200);
    CToggleButton* a = Make<CToggleButton>(10, 10, 80, 30, parent);
    CToggleButton* b = Make<CToggleButton>(100, 10, 80, 30, parent);
    CToggleButton* loose = Make<CToggleButton>(190, 10, 80, 30, parent);
    a->SetGrouped(true);
    b->SetGrouped(true);
    loose->SetState(true);
    a->SetState(true);
    Frame();
    parent->log.clear();

    Click(140, 25); // b on: a off, the ungrouped one stays on
    EXPECT_TRUE(b->GetState());
    EXPECT_FALSE(a->GetState());
    EXPECT_TRUE(loose->GetState());
    Frame();
    EXPECT_EQ(parent->Codes({"TBtnChng", "BtnClick"}), (Codes{"TBtnChng", "TBtnChng", "BtnClick"}));
    EXPECT_EQ(parent->Of("TBtnChng")[0].second, a->GetHandle()) << "the siblings change before the clicked one";
    EXPECT_EQ(parent->Of("TBtnChng")[1].second, b->GetHandle());

    // Untoggling forbidden: clicks on an "on" button do nothing at all.
    SetProperty(*b, "Allow Untoggle", "false");
    parent->log.clear();
    Click(140, 25);
    EXPECT_TRUE(b->GetState());
    Frame();
    EXPECT_TRUE(parent->Codes({"TBtnChng", "BtnClick"}).empty());

    // Allowed: a click turns it off and clicks.
    Click(230, 25);
    EXPECT_FALSE(loose->GetState());
    Frame();
    EXPECT_EQ(parent->Codes({"TBtnChng", "BtnClick"}), (Codes{"TBtnChng", "BtnClick"}));
}

TEST_F(CheckRadioToggle, PropertyChangesNotifyExceptTheCheckBoxState)
{
    CRecordingWindow* parent = Make<CRecordingWindow>(0, 0, 400, 200);
    CRadioButton* radio = Make<CRadioButton>(10, 10, 80, 20, parent);
    CToggleButton* toggle = Make<CToggleButton>(10, 40, 80, 30, parent);
    CCheckBox* box = Make<CCheckBox>(10, 80, 80, 20, parent);
    SetProperty(*radio, "Selected", "true");
    SetProperty(*toggle, "State", "true");
    SetProperty(*box, "State", "Checked");
    Frame();
    EXPECT_EQ(parent->Codes({"RBtnChng", "TBtnChng", "CBoxChng"}), (Codes{"RBtnChng", "TBtnChng"}));
    EXPECT_EQ(box->GetState(), 1);
}

TEST_F(CheckRadioToggle, ToggleFaceShowsDownAndDownHoverBitmaps)
{
    CToggleButton* toggle = Make<CToggleButton>(10, 10, 40, 40);
    toggle->SetNormalBitmapFile(WriteBitmap("n.png", 20, 20, CColor(0, 0, 255, 255)).c_str());
    toggle->SetDownBitmapFile(WriteBitmap("d.png", 20, 20, CColor(0, 255, 0, 255)).c_str());
    SetProperty(*toggle, "Bitmap 'down and mouse over'", WriteBitmap("dm.png", 20, 20, CColor(255, 0, 0, 255)));
    const auto centre = [this] {
        Compose();
        return Pixel(30, 30);
    };
    MouseMove(300, 300);
    EXPECT_EQ(centre(), CColor(0, 0, 255, 255));
    toggle->SetState(true);
    EXPECT_EQ(centre(), CColor(0, 255, 0, 255));
    MouseMove(30, 30);
    EXPECT_EQ(centre(), CColor(255, 0, 0, 255));
    toggle->SetState(false);
    EXPECT_EQ(centre(), CColor(0, 0, 255, 255));
}

TEST_F(CheckRadioToggle, PixelsOfMarksAndFramesAndThePicture)
{
    const UILib::CVisualizationMetrics& m = Metrics();
    UILib::CWindow* panel = Make<UILib::CWindow>(0, 0, 400, 300);
    CCheckBox* boxes[3];
    const char* texts[3] = {"Unchecked", "Checked", "Undecided"};
    for (int i = 0; i < 3; ++i)
    {
        boxes[i] = Make<CCheckBox>(10, 10 + 25 * i, 120, 20, panel);
        boxes[i]->SetTriState(true);
        boxes[i]->SetText(texts[i]);
        boxes[i]->SetState(i);
    }
    CRadioButton* radios[3];
    for (int i = 0; i < 3; ++i)
    {
        radios[i] = Make<CRadioButton>(150, 10 + 25 * i, 120, 20, panel);
        radios[i]->SetText(i == 0 ? "Selected" : "Clear");
    }
    radios[0]->SetSelected(true);
    CToggleButton* toggles[4];
    const char* toggleTexts[4] = {"Off", "On", "Hovered", "Disabled"};
    for (int i = 0; i < 4; ++i)
    {
        toggles[i] = Make<CToggleButton>(10 + 90 * i, 100, 80, 30, panel);
        toggles[i]->SetText(toggleTexts[i]);
    }
    toggles[1]->SetState(true);
    toggles[3]->SetDisabled(true);
    MouseMove(230, 115);
    Compose();

    // Check box interiors (inside the 2-pixel frame): white, the mark at the inner corner in states 1 and 2.
    for (int i = 0; i < 3; ++i)
    {
        SCOPED_TRACE(i);
        const std::int32_t top = 10 + 25 * i + (20 - m.checkBoxHeight) / 2;
        const CRect inner(12, top + 2, 10 + m.checkBoxWidth - 2, top + m.checkBoxHeight - 2);
        EXPECT_EQ(Pixel(inner.right - 1, inner.bottom - 1), White);
        const int marked = CountOther(inner, White);
        EXPECT_EQ(marked > 0, i > 0);
    }
    // Radio marks: the selected one differs from a clear one.
    const std::int32_t radioTop = 10 + (20 - m.radioButtonHeight) / 2;
    int differing = 0;
    for (std::int32_t y = 0; y < m.radioButtonHeight; ++y)
    {
        for (std::int32_t x = 0; x < m.radioButtonWidth; ++x)
        {
            differing += Pixel(150 + x, radioTop + y) == Pixel(150 + x, radioTop + 25 + y) ? 0 : 1;
        }
    }
    EXPECT_GT(differing, 0);
    // Toggle frames: on has the black outline of frame 5, off (unfocused) the light edge of frame 2.
    EXPECT_EQ(Pixel(100, 100), CColor(0, 0, 0, 255));
    EXPECT_EQ(Pixel(10, 100), StandardPalette(14));
    EXPECT_EQ(Pixel(50, 115 + 12), Face);
    EXPECT_FALSE(SavePicture("check_radio_toggle").empty());

    // A pushed check box draws its interior grey.
    MouseDown(Button::Left, 15, 20);
    Compose();
    const std::int32_t top = 10 + (20 - m.checkBoxHeight) / 2;
    EXPECT_EQ(Pixel(10 + m.checkBoxWidth - 3, top + m.checkBoxHeight - 3), Face);
    MouseUp(Button::Left, 15, 20);
}

TEST_F(CheckRadioToggle, LayoutLoadsAndReadsBack)
{
    const std::string path = WriteLayout("controls.xml", R"xml(
  <window type="CPanel"><property name="Name" value="panel"/>
    <property name="Size" value="(400, 300)"/>
    <window type="CCheckBox"><property name="Name" value="box"/>
      <property name="Text" value="Sound"/>
      <property name="Tri-State" value="true"/>
      <property name="State" value="Default"/>
    </window>
    <window type="CRadioButton"><property name="Name" value="r1"/><property name="Selected" value="true"/></window>
    <window type="CRadioButton"><property name="Name" value="r2"/><property name="Text" value="Two"/></window>
    <window type="CRadioButton"><property name="Name" value="r3"/></window>
    <window type="CToggleButton"><property name="Name" value="t1"/>
      <property name="Grouped" value="true"/>
      <property name="State" value="true"/>
    </window>
    <window type="CToggleButton"><property name="Name" value="t2"/>
      <property name="Grouped" value="true"/>
      <property name="Allow Untoggle" value="false"/>
    </window>
  </window>)xml");
    std::vector<UILib::CWindow*> windows;
    ASSERT_TRUE(Factory()->LoadLayoutWindows(path, RootWindow(), &windows));
    ASSERT_EQ(windows.size(), 1u);
    UILib::CWindow* panel = windows[0];
    const auto find = [panel](const char* name) {
        UILib::CWindow* window = panel->FindChildByName(name, false);
        EXPECT_NE(window, nullptr) << name;
        return window != nullptr ? window : panel;
    };
    EXPECT_EQ(Property(*find("box"), "State"), "Default");
    EXPECT_EQ(Property(*find("box"), "Text"), "Sound");
    EXPECT_EQ(Property(*find("r1"), "Selected"), "true");
    EXPECT_EQ(Property(*find("r3"), "Selected"), "false");
    EXPECT_EQ(Property(*find("r2"), "Text"), "Two");
    EXPECT_EQ(Property(*find("t1"), "State"), "true");
    EXPECT_EQ(Property(*find("t2"), "Allow Untoggle"), "false");
    EXPECT_EQ(Property(*find("t2"), "Grouped"), "true");
    EXPECT_STREQ(find("t1")->GetClassName(), "CToggleButton");
}

} // namespace
