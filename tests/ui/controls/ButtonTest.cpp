#include "ControlBench.h"
#include "PropertyAccess.h"

#include "platform/os/KeyState.h"
#include "ui/Panel.h"
#include "ui/controls/Button.h"
#include "ui/controls/Label.h"

#include <algorithm>
#include <functional>

using namespace ControlBench;
using BaseLib::CColor;
using BaseLib::CPoint;
using BaseLib::CRect;
using UILib::CBasicButton;
using UILib::CButton;
using UILib::CWindowMessage;

namespace
{

const CColor Face = StandardPalette(0);
using Codes = std::vector<std::string>;

class ButtonTest : public ControlTest
{
protected:
    // A recording parent at (50, 50) holding a 100 × 40 text button at (20, 20): the button's centre is
    // (120, 90) on the screen.
    void MakeButton()
    {
        parent = Make<CRecordingWindow>(50, 50, 300, 200);
        button = Make<CButton>(20, 20, 100, 40, parent);
        button->SetText("Push");
        button->SetOnDown(downs.Record());
        button->SetOnUp(ups.Record());
        button->SetOnClick(clicks.Record());
    }
    // The notifications the parent received, after the frame that delivers posted messages.
    Codes Notifications()
    {
        Frame();
        return parent->Codes({"BtnDown", "BtnUp", "BtnClick"});
    }

    static constexpr std::int32_t CX = 120;
    static constexpr std::int32_t CY = 90;
    CRecordingWindow* parent = nullptr;
    CButton* button = nullptr;
    CCallbackRecorder<CBasicButton*, bool> downs;
    CCallbackRecorder<CBasicButton*> ups;
    CCallbackRecorder<CBasicButton*> clicks;
};

TEST_F(ButtonTest, NotificationSequences)
{
    struct Case
    {
        const char* what;
        std::function<void()> act;
        Codes expected;
    };
    const Codes click = {"BtnDown", "BtnUp", "BtnClick"};
    const Codes noClick = {"BtnDown", "BtnUp"};
    const auto space = [this](bool down) {
        down ? KeyDown(Platform::VK_SPACE) : KeyUp(Platform::VK_SPACE);
    };
    const Case cases[] = {
        {"press and release inside",
         [this] {
             MouseMove(CX, CY);
             MouseDown(Button::Left, CX, CY);
             MouseUp(Button::Left, CX, CY);
         },
         click},
        {"press, drag out, release",
         [this] {
             MouseDown(Button::Left, CX, CY);
             MouseMove(300, 300);
             MouseUp(Button::Left, 300, 300);
         },
         noClick},
        {"press, out, in, release",
         [this] {
             MouseDown(Button::Left, CX, CY);
             MouseMove(310, 300);
             MouseMove(CX + 5, CY);
             MouseUp(Button::Left, CX + 5, CY);
         },
         {"BtnDown", "BtnUp", "BtnDown", "BtnUp", "BtnClick"}},
        {"space on the focused button",
         [this, space] {
             Manager()->ActivateWindow(button->GetHandle(), true);
             space(true);
             space(true); // a key repeat changes nothing
             space(false);
         },
         click},
        {"space while the button's label holds the focus",
         [this, space] {
             Manager()->ActivateWindow(button->GetLabel()->GetHandle(), true);
             space(true);
             space(false);
         },
         click},
        {"mouse then space held; mouse released first: the click comes with the space",
         [this, space] {
             MouseDown(Button::Left, CX, CY);
             space(true);
             MouseUp(Button::Left, CX, CY);
             EXPECT_TRUE(button->IsPushed());
             EXPECT_TRUE(clicks.calls.empty());
             space(false);
         },
         click},
        {"space then mouse held; space released first: the click comes with the mouse",
         [this, space] {
             // The focus lies where an earlier click left it: on the label covering the face.
             Manager()->ActivateWindow(button->GetLabel()->GetHandle(), true);
             space(true);
             MouseDown(Button::Left, CX, CY);
             space(false);
             EXPECT_TRUE(button->IsPushed());
             EXPECT_TRUE(clicks.calls.empty());
             MouseUp(Button::Left, CX, CY);
         },
         click},
        {"events suppressed: the state changes, nothing is told",
         [this] {
             button->SuppressEvents();
             MouseDown(Button::Left, CX, CY);
             EXPECT_TRUE(button->IsPushed());
             MouseUp(Button::Left, CX, CY);
             EXPECT_FALSE(button->IsPushed());
             button->ResumeEvents();
         },
         {}},
        {"deactivation while pushed releases without a click",
         [this] {
             MouseDown(Button::Left, CX, CY);
             Send(button, CWindowMessage("WndDeact"));
             EXPECT_EQ(Manager()->GetMouseCapture(), nullptr);
             MouseUp(Button::Left, CX, CY);
         },
         noClick},
        {"the focus leaving a descendant releases without a click",
         [this] {
             MouseDown(Button::Left, CX, CY);
             Send(button, CWindowMessage("WndDactI"));
             MouseUp(Button::Left, CX, CY);
         },
         noClick},
        {"disabled during the press: released, no click",
         [this] {
             MouseDown(Button::Left, CX, CY);
             button->SetDisabled(true);
             MouseUp(Button::Left, CX, CY);
             EXPECT_FALSE(button->IsPushed());
         },
         noClick},
        {"a disabled button swallows presses",
         [this, space] {
             button->SetDisabled(true);
             MouseDown(Button::Left, CX, CY);
             MouseUp(Button::Left, CX, CY);
             Manager()->ActivateWindow(button->GetHandle(), true);
             space(true);
             space(false);
         },
         {}},
        {"a double click clicks twice",
         [this] {
             Click(CX, CY);
             DoubleClick(Button::Left, CX, CY);
             MouseUp(Button::Left, CX, CY);
         },
         {"BtnDown", "BtnUp", "BtnClick", "BtnDown", "BtnUp", "BtnClick"}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        MakeButton();
        downs.calls.clear();
        ups.calls.clear();
        clicks.calls.clear();
        MouseMove(CX, CY); // the pointer arrives over the button
        c.act();
        EXPECT_EQ(Notifications(), c.expected);
        const auto count = [&](const char* code) {
            return static_cast<std::size_t>(std::count(c.expected.begin(), c.expected.end(), code));
        };
        EXPECT_EQ(downs.calls.size(), count("BtnDown"));
        EXPECT_EQ(ups.calls.size(), count("BtnUp"));
        EXPECT_EQ(clicks.calls.size(), count("BtnClick"));
        for (const auto& record : parent->log)
        {
            if (record.code.rfind("Btn", 0) == 0)
            {
                EXPECT_EQ(record.second, button->GetHandle()) << "the sender";
            }
        }
        if (!downs.calls.empty())
        {
            EXPECT_EQ(std::get<0>(downs.calls[0]), button);
            EXPECT_FALSE(std::get<1>(downs.calls[0]));
        }
        EXPECT_FALSE(button->IsPushed());
        EXPECT_EQ(Manager()->GetMouseCapture(), nullptr);
        delete parent;
        Manager()->KillFocus();
    }
}

// The owner's mouse-move delegate hears the moves over the button, held or not, as on any window; the
// button still follows the pointer while held.
TEST_F(ButtonTest, TheMouseMoveDelegateHearsEveryMoveOverTheButton)
{
    MakeButton();
    CCallbackRecorder<UILib::CWindow*, CPoint&> moves;
    button->SetOnMouseMove(moves.Record());
    MouseMove(CX, CY);
    MouseMove(CX + 3, CY);
    ASSERT_EQ(moves.calls.size(), 2u);
    EXPECT_EQ(std::get<0>(moves.calls[0]), button);
    MouseDown(Button::Left, CX, CY);
    MouseMove(300, 300);
    EXPECT_EQ(moves.calls.size(), 3u);
    EXPECT_FALSE(button->IsPushed());
    MouseMove(CX, CY);
    EXPECT_TRUE(button->IsPushed());
    MouseUp(Button::Left, CX, CY);
    EXPECT_EQ(moves.calls.size(), 4u);
    delete parent;
}

TEST_F(ButtonTest, TheNotificationRecordIsAPostedInputMessageWithThePaddedCode)
{
    MakeButton();
    MouseDown(Button::Left, CX, CY);
    MouseUp(Button::Left, CX, CY);
    EXPECT_TRUE(parent->Of("BtnDown").empty()) << "posted: it waits for the frame";
    Frame();
    const auto up = parent->Of("BtnUp");
    ASSERT_EQ(up.size(), 1u);
    EXPECT_EQ(up[0].flags & CWindowMessage::Positional, 0u);
    EXPECT_NE(up[0].flags & CWindowMessage::Input, 0u);
    EXPECT_EQ(up[0].second, button->GetHandle()) << "the sender";
    EXPECT_TRUE(CWindowMessage("BtnUp").Is("BtnUp\0\0\0"));
}

TEST_F(ButtonTest, HoldingRepeatsAfter700MsEvery30Ms)
{
    MakeButton();
    std::vector<std::int64_t> times;
    std::vector<bool> repeats;
    MouseDown(Button::Left, CX, CY);
    const std::int64_t start = Now();
    const auto collect = [&] {
        for (std::size_t i = times.size(); i < downs.calls.size(); ++i)
        {
            times.push_back(Now() - start);
            repeats.push_back(std::get<1>(downs.calls[i]));
        }
    };
    collect();
    for (int frame = 0; frame < 100; ++frame)
    {
        Frame();
        collect();
    }
    ASSERT_GE(times.size(), 10u) << "the first and at least nine repeats";
    EXPECT_EQ(times[0], 0);
    EXPECT_FALSE(repeats[0]);
    EXPECT_GE(times[1], 700);
    EXPECT_LE(times[1], 710);
    for (std::size_t i = 2; i < times.size(); ++i)
    {
        EXPECT_TRUE(repeats[i]);
        EXPECT_GE(times[i] - times[i - 1], 30) << i;
        EXPECT_LE(times[i] - times[i - 1], 40) << i;
    }
    const UILib::Handle timer = button->GetRepeatTimer();
    ASSERT_NE(timer, 0u);
    MouseUp(Button::Left, CX, CY);
    EXPECT_EQ(button->GetRepeatTimer(), 0u);
    EXPECT_FALSE(Manager()->SetTimerInterval(timer, 30)) << "the timer no longer resolves";
}

TEST_F(ButtonTest, DisablingStopsTheRepeatAtTheNextTick)
{
    MakeButton();
    MouseDown(Button::Left, CX, CY);
    Advance(800);
    const std::size_t before = downs.calls.size();
    EXPECT_GE(before, 2u);
    button->SetDisabled(true);
    Advance(200);
    EXPECT_EQ(downs.calls.size(), before);
    EXPECT_EQ(button->GetRepeatTimer(), 0u) << "the tick while disabled killed the timer";
}

// Four single-colour state bitmaps, 40 × 20, on a 60 × 40 button at (100, 100).
class ButtonFaceTest : public ButtonTest
{
protected:
    void MakeBitmapButton(bool withDisabled)
    {
        button = Make<CButton>(100, 100, 60, 40);
        button->SetNormalBitmapFile(WriteBitmap("normal.png", 40, 20, Normal).c_str());
        button->SetDownBitmapFile(WriteBitmap("down.png", 40, 20, Down).c_str());
        button->SetMouseOverBitmapFile(WriteBitmap("over.png", 40, 20, Over).c_str());
        if (withDisabled)
        {
            button->SetDisabledBitmapFile(WriteBitmap("disabled.png", 40, 20, Disabled).c_str());
        }
    }
    CColor Centre()
    {
        Compose();
        return Pixel(130, 120);
    }

    const CColor Normal{200, 40, 40, 255};
    const CColor Down{40, 200, 40, 255};
    const CColor Over{40, 40, 200, 255};
    const CColor Disabled{90, 90, 20, 255};
};

TEST_F(ButtonFaceTest, ABitmapButtonShowsTheBitmapOfItsState)
{
    MakeBitmapButton(true);
    CCallbackRecorder<CButton*> begins;
    CCallbackRecorder<CButton*> ends;
    button->SetOnHoverBegin(begins.Record());
    button->SetOnHoverEnd(ends.Record());
    EXPECT_EQ(Centre(), Normal);
    MouseMove(130, 120);
    EXPECT_TRUE(button->IsHovered());
    EXPECT_EQ(Centre(), Over);
    MouseDown(Button::Left, 130, 120);
    EXPECT_EQ(Centre(), Down);
    MouseMove(400, 400);
    EXPECT_FALSE(button->IsHovered()) << "dragged off while held";
    EXPECT_EQ(Centre(), Normal);
    MouseMove(130, 120);
    EXPECT_TRUE(button->IsHovered());
    EXPECT_EQ(begins.calls.size(), 2u) << "entering, and dragging back while held";
    EXPECT_EQ(ends.calls.size(), 1u);
    MouseUp(Button::Left, 130, 120);
    button->SetDisabled(true);
    EXPECT_EQ(Centre(), Disabled);
    MouseMove(400, 400);
    EXPECT_EQ(ends.calls.size(), 1u) << "a disabled button tells no hover change";
    EXPECT_FALSE(button->IsHovered());
}

TEST_F(ButtonTest, FitsToItsTextWithTheFrame)
{
    button = Make<CButton>(10, 10, 20, 10);
    button->SetText("A longer caption");
    button->FitToContent(true);
    const BaseLib::CSize text = button->GetLabel()->GetContentSize();
    EXPECT_EQ(button->GetSize(), BaseLib::CSize(text.cx + 4, text.cy + 4)) << "two pixels of frame on each side";
    EXPECT_EQ(button->GetLabel()->GetPosition(), CPoint(2, 2));
    button->SetFrame(false);
    button->FitToContent(true);
    EXPECT_EQ(button->GetSize(), text);
    button->SetText("A");
    button->FitToContent(false);
    EXPECT_EQ(button->GetSize(), text) << "without exact it only grows";
}

TEST_F(ButtonFaceTest, WithoutADisabledBitmapAGreyCopyOrTheNormalOne)
{
    MakeBitmapButton(false);
    button->SetDisabled(true);
    const int grey = (Normal.GetRed() + Normal.GetGreen() + Normal.GetBlue()) / 3;
    EXPECT_EQ(Centre(), CColor(grey, grey, grey, 255));
    button->SetAutoCreateDisabledBitmap(false);
    EXPECT_EQ(Centre(), Normal);

    // A text drops every bitmap: a text button again.
    button->SetDisabled(false);
    button->SetText("Words");
    for (int state = 0; state < CButton::StateCount; ++state)
    {
        EXPECT_FALSE(button->GetStateBitmap(static_cast<CButton::BitmapState>(state)).IsValid());
    }
    EXPECT_FALSE(button->GetLabel()->GetBitmap().IsValid());
    EXPECT_EQ(std::string(button->GetText()), "Words");
    EXPECT_NE(Centre(), Normal);
    EXPECT_EQ(Pixel(104, 104), Face);
}

TEST_F(ButtonFaceTest, ATextButtonShiftsItsTextAndFrameWhilePushed)
{
    button = Make<CButton>(100, 100, 80, 30);
    button->SetText("Press");
    const CRect inside(103, 103, 177, 127);
    const auto textArea = [&] {
        Compose();
        CRect found(inside.right, inside.bottom, inside.left, inside.top);
        for (std::int32_t y = inside.top; y < inside.bottom; ++y)
        {
            for (std::int32_t x = inside.left; x < inside.right; ++x)
            {
                if (Pixel(x, y) != Face)
                {
                    found = CRect(std::min(found.left, x), std::min(found.top, y), std::max(found.right, x + 1),
                                  std::max(found.bottom, y + 1));
                }
            }
        }
        return found;
    };
    const CRect up = textArea();
    ASSERT_LT(up.left, up.right);
    EXPECT_EQ(Pixel(100, 100), CColor(240, 240, 240, 255)) << "raised frame: the outer light";
    button->SetPushed(true);
    const CRect down = textArea();
    EXPECT_EQ(down.left, up.left + 1);
    EXPECT_EQ(down.top, up.top + 1);
    EXPECT_EQ(Pixel(100, 100), CColor(0, 0, 0, 255)) << "pushed frame: the black outline";
    EXPECT_EQ(Pixel(179, 129), CColor(0, 0, 0, 255));
    button->SetPushed(false);
    EXPECT_EQ(textArea().left, up.left);
}

TEST_F(ButtonTest, StateAnimationsStartOnlyWhenTheWantedOneChanges)
{
    button = Make<CButton>(100, 100, 80, 30);
    UILib::CWindowAnimationSet& set = button->EnsureAnimations();
    for (const char* name : {"normal", "down", "hovered", "disabled"})
    {
        set.GetOrCreateAnimation(name)->SetLength(10.0f);
    }
    const auto time = [&](const char* name) { return set.FindAnimation(name)->GetTime(); };

    button->SetAnimNormal("normal");
    EXPECT_TRUE(set.IsPlaying("normal"));
    set.FindAnimation("normal")->SetTime(5.0f);
    MouseMove(120, 110);
    button->SetPushed(true);
    button->SetPushed(false);
    EXPECT_EQ(time("normal"), 5.0f) << "only the normal name: started once, not again";
    EXPECT_FALSE(set.IsPlaying("down"));

    button->SetAnimDown("down");
    button->SetAnimHovered("hovered");
    button->SetAnimDisabled("disabled");
    EXPECT_EQ(std::string(button->GetCurrentAnimation()), "hovered") << "the mouse is over it";
    button->SetPushed(true);
    EXPECT_EQ(std::string(button->GetCurrentAnimation()), "down");
    EXPECT_TRUE(set.IsPlaying("down"));
    button->SetDisabled(true);
    EXPECT_EQ(std::string(button->GetCurrentAnimation()), "disabled");
    button->SetDisabled(false);
    button->SetPushed(false);
    EXPECT_EQ(std::string(button->GetCurrentAnimation()), "hovered");
    MouseMove(400, 400);
    EXPECT_EQ(std::string(button->GetCurrentAnimation()), "normal");
    EXPECT_EQ(time("normal"), 0.0f) << "started again";
}

TEST_F(ButtonTest, BitmapHitTestingLetsClicksThroughTransparentPixels)
{
    // The button lies over a recording window; its bitmap's left half is opaque.
    auto* behind = Make<CRecordingWindow>(100, 100, 40, 20);
    std::vector<CColor> pixels(40 * 20);
    for (std::int32_t y = 0; y < 20; ++y)
    {
        for (std::int32_t x = 0; x < 40; ++x)
        {
            pixels[static_cast<std::size_t>(y * 40 + x)] = x < 20 ? CColor(0, 0, 0, 255) : CColor(0, 0, 0, 0);
        }
    }
    button = Make<CButton>(100, 100, 40, 20);
    button->SetFrame(false);
    button->SetNormalBitmapFile(WriteBitmap("half.png", 40, 20, pixels).c_str());
    button->SetBitmapHitTest(true);
    button->SetOnClick(clicks.Record());
    ASSERT_EQ(button->GetLabel()->GetPosition(), CPoint(0, 0));

    Click(105, 110); // an opaque pixel
    EXPECT_EQ(clicks.calls.size(), 1u);
    button->SetBitmapHitTest(false);
    Click(130, 110);
    EXPECT_EQ(clicks.calls.size(), 2u) << "without the option the whole rectangle hits";
    EXPECT_TRUE(behind->Of("MLBDwn").empty());
    button->SetBitmapHitTest(true);
    Click(130, 110); // a transparent pixel
    EXPECT_EQ(clicks.calls.size(), 2u);
    EXPECT_EQ(behind->Of("MLBDwn").size(), 1u) << "the click passes to the window behind";
}

TEST_F(ButtonTest, ClicksThroughARealPlatformWindowIncludingADoubleClick)
{
    MakeButton();
    const Platform::WindowHandle host = OpenPlatformWindow();
    ASSERT_NE(host, nullptr);
    ASSERT_TRUE(Platform::InjectMouseMove(host, CX, CY));
    ASSERT_TRUE(Platform::InjectMouseButton(host, Platform::InjectedButton::Left, true, CX, CY));
    ASSERT_TRUE(Platform::InjectMouseButton(host, Platform::InjectedButton::Left, false, CX, CY));
    Pump();
    EXPECT_EQ(Notifications(), (Codes{"BtnDown", "BtnUp", "BtnClick"}));
    // The second press within the double-click time arrives as a double click.
    ASSERT_TRUE(Platform::InjectMouseButton(host, Platform::InjectedButton::Left, true, CX, CY, 2));
    ASSERT_TRUE(Platform::InjectMouseButton(host, Platform::InjectedButton::Left, false, CX, CY, 2));
    Pump();
    EXPECT_EQ(parent->Of("MLBDbl").size(), 0u) << "the button takes the double click itself";
    EXPECT_EQ(Notifications(), (Codes{"BtnDown", "BtnUp", "BtnClick", "BtnDown", "BtnUp", "BtnClick"}));
}

TEST_F(ButtonTest, ALayoutButtonInsideAPanel)
{
    const std::string path = WriteLayout("button.xml", "<window type=\"CPanel\">\n"
                                                       "  <window type=\"CButton\">\n"
                                                       "    <property name=\"Name\" value=\"ok\"/>\n"
                                                       "    <property name=\"Text\" value=\"OK\"/>\n"
                                                       "    <property name=\"Frame\" value=\"false\"/>\n"
                                                       "    <property name=\"Background\" value=\"false\"/>\n"
                                                       "    <property name=\"Anim Down\" value=\"press\"/>\n"
                                                       "  </window>\n"
                                                       "</window>\n");
    UILib::CWindow* panel = Factory()->LoadLayout(path, RootWindow());
    ASSERT_NE(panel, nullptr);
    auto* ok = dynamic_cast<CButton*>(panel->FindChildByName("ok", false, "CButton"));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(Property(*ok, "Text"), "OK");
    EXPECT_EQ(Property(*ok, "Frame"), "false");
    EXPECT_EQ(Property(*ok, "Background"), "false");
    EXPECT_EQ(Property(*ok, "Transparent"), "true");
    EXPECT_EQ(Property(*ok, "Anim Down"), "press");
    EXPECT_EQ(ok->GetDebugDescription(), "CButton Label = [OK]");

    UILib::CPropertyList list;
    ok->GetProperties(list);
    const char* const expected[] = {"Name",
                                    "Tooltip Text",
                                    "Size",
                                    "Position",
                                    "Disabled",
                                    "Visible",
                                    "Transparent",
                                    "Always On Top",
                                    "Write Alpha",
                                    "Not Hitable",
                                    "Own Canvas",
                                    "Text",
                                    "Bitmap",
                                    "Bitmap 'down'",
                                    "Bitmap 'mouse over'",
                                    "Bitmap 'disabled'",
                                    "Background",
                                    "Frame",
                                    "Auto-create disabled bitmap",
                                    "Bitmap-based hit testing",
                                    "Anim Normal",
                                    "Anim Down",
                                    "Anim Hovered",
                                    "Anim Disabled"};
    ASSERT_EQ(list.size(), std::size(expected));
    for (std::size_t i = 0; i < list.size(); ++i)
    {
        EXPECT_EQ(list[i].GetDescription()->GetName(), expected[i]);
    }

    // Write Alpha reaches the inner label.
    ok->SetWriteAlpha(true);
    EXPECT_TRUE(ok->GetLabel()->GetWriteAlpha());
    EXPECT_STREQ(ok->GetLabel()->GetName(), "__label");
}

TEST_F(ButtonFaceTest, StatesPicture)
{
    const char* const names[] = {"Normal", "Hovered", "Pressed", "Disabled"};
    for (int i = 0; i < 4; ++i)
    {
        auto* text = Make<CButton>(20 + i * 110, 20, 100, 30);
        text->SetText(names[i]);
        auto* bitmap = Make<CButton>(20 + i * 110, 80, 60, 40);
        bitmap->SetNormalBitmapFile(WriteBitmap("normal.png", 40, 20, Normal).c_str());
        bitmap->SetDownBitmapFile(WriteBitmap("down.png", 40, 20, Down).c_str());
        bitmap->SetMouseOverBitmapFile(WriteBitmap("over.png", 40, 20, Over).c_str());
        for (CButton* b : {text, bitmap})
        {
            if (i == 1)
            {
                Send(b, CWindowMessage("MEnter"));
            }
            if (i == 2)
            {
                b->SetPushed(true);
            }
            if (i == 3)
            {
                b->SetDisabled(true);
            }
        }
    }
    Compose();
    EXPECT_EQ(Pixel(50, 100), Normal);
    EXPECT_EQ(Pixel(160, 100), Over);
    EXPECT_EQ(Pixel(270, 100), Down);
    const int grey = (Normal.GetRed() + Normal.GetGreen() + Normal.GetBlue()) / 3;
    EXPECT_EQ(Pixel(380, 100), CColor(grey, grey, grey, 255));
    EXPECT_EQ(Pixel(240, 20), CColor(0, 0, 0, 255)) << "the pressed text button's outline";
    EXPECT_FALSE(SavePicture("button_states").empty());
}

} // namespace
