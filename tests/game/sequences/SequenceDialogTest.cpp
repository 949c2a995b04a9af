#include "SequenceBench.h"

#include "game/sequences/SequenceDialog.h"
#include "platform/os/DebugOutput.h"
#include "platform/os/KeyState.h"
#include "ui/controls/Button.h"

#include <string>

using namespace SequenceTesting;

namespace
{

class SequenceDialogTest : public SequenceTest
{
protected:
    // The host's cut-scene window: 400 × 300 at (0, 0), with the buttons asked for at the bottom.
    UILib::CWindow* MakeWindow(bool withContinue, bool withSkip)
    {
        UILib::CWindow* window = Make<UILib::CWindow>(0, 0, 400, 300);
        window->SetName("cutscene");
        if (withContinue)
        {
            Make<UILib::CButton>(300, 260, 80, 30, window)->SetName("continuebutton");
        }
        if (withSkip)
        {
            Make<UILib::CButton>(20, 260, 80, 30, window)->SetName("skipbutton");
        }
        return window;
    }
    static std::pair<std::int32_t, bool> Poll(CSequenceDialog& dialog)
    {
        std::int32_t pressed = -1;
        bool fast = false;
        const bool any = dialog.GetPressed(pressed, fast);
        EXPECT_EQ(any, pressed != CSequenceDialog::PressedNone);
        return {pressed, fast};
    }
};

TEST_F(SequenceDialogTest, ClicksAndKeysTypeFasterUntilContinuingIsOffered)
{
    UILib::CWindow* window = MakeWindow(true, true);
    CSequenceDialog dialog(window);
    ASSERT_NE(dialog.GetContinueButton(), nullptr);
    ASSERT_NE(dialog.GetSkipButton(), nullptr);
    EXPECT_EQ(Poll(dialog), std::make_pair(CSequenceDialog::PressedNone, false));

    Click(200, 100);
    EXPECT_EQ(Poll(dialog), std::make_pair(CSequenceDialog::PressedNone, true)) << "a click while a page types";
    EXPECT_EQ(Poll(dialog), std::make_pair(CSequenceDialog::PressedNone, false)) << "read once";

    window->Activate();
    KeyPress(Platform::VK_SPACE);
    EXPECT_EQ(Poll(dialog), std::make_pair(CSequenceDialog::PressedNone, true)) << "a key while a page types";

    Click(200, 100);
    dialog.ShowContinue(true);
    EXPECT_FALSE(dialog.GetContinueButton()->IsDisabled());
    EXPECT_EQ(Poll(dialog), std::make_pair(CSequenceDialog::PressedNone, false)) << "offering clears the request";

    Click(200, 100);
    EXPECT_EQ(Poll(dialog), std::make_pair(CSequenceDialog::PressedContinue, false));
    EXPECT_TRUE(dialog.GetContinueButton()->IsDisabled());
    EXPECT_FALSE(dialog.IsContinueOffered());

    dialog.ShowContinue(true);
    KeyPress(Platform::VK_RETURN);
    EXPECT_EQ(Poll(dialog), std::make_pair(CSequenceDialog::PressedContinue, false)) << "a key confirms too";

    dialog.ShowContinue(true);
    Click(340, 275);
    Frame();
    EXPECT_EQ(Poll(dialog), std::make_pair(CSequenceDialog::PressedContinue, false)) << "the button itself";
    EXPECT_TRUE(dialog.GetContinueButton()->IsDisabled());

    Click(60, 275);
    Frame();
    EXPECT_EQ(Poll(dialog).first, CSequenceDialog::PressedSkip);
    dialog.ShowContinue(false);
    EXPECT_TRUE(dialog.GetContinueButton()->IsDisabled());
}

TEST_F(SequenceDialogTest, AWindowWithoutAButtonWorksWithoutItAndSaysSoOnce)
{
    UILib::CWindow* window = MakeWindow(true, false);
    std::string traced;
    {
        Platform::DebugOutputCapture trace;
        CSequenceDialog dialog(window);
        traced = trace.Text();
        EXPECT_EQ(dialog.GetSkipButton(), nullptr);
        Click(200, 100);
        EXPECT_EQ(Poll(dialog), std::make_pair(CSequenceDialog::PressedNone, true));
        dialog.ShowContinue(true);
        Click(200, 100);
        EXPECT_EQ(Poll(dialog).first, CSequenceDialog::PressedContinue);
    }
    EXPECT_EQ(std::count(traced.begin(), traced.end(), '\n'), 1) << traced;
    EXPECT_NE(traced.find("cutscene"), std::string::npos) << traced;
    EXPECT_NE(traced.find("skipbutton"), std::string::npos) << traced;

    // A window with no button at all; the dialog is gone before the window, and input no longer reaches it.
    UILib::CWindow* bare = MakeWindow(false, false);
    {
        CSequenceDialog dialog(bare);
        dialog.ShowContinue(true);
        Click(200, 100);
        EXPECT_EQ(Poll(dialog).first, CSequenceDialog::PressedContinue);
    }
    Click(200, 100);
}

} // namespace
