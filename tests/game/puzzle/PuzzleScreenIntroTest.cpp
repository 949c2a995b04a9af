// A level's intro sequence in the 2D puzzle screen of the running game: fixture environments (each
// standing in for the first basic level's own, "tutorial_basic01") name fixture scripts of
// tests/game/data/intro/sequences.
// "tutorial.xml" waits for the screen's intro to end, shows one page waiting for continue, puts the
// arrow on a cell, then waits for the solution before it sets "ended"; "controls.xml" switches the
// controls off for one page.
#include "tests/game/puzzle/PuzzleScreenTesting.h"

#include "game/ScreenFader.h"
#include "game/puzzle/ArrowMarkerEntityNode.h"
#include "game/sequences/DialogBox.h"
#include "game/sequences/QuarrowSequencePlayer.h"
#include "game/sequences/SequenceDialog.h"
#include "ui/controls/Button.h"
#include "ui/controls/Label.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <string>

namespace
{

using GameTesting::GameHarness;
using GameTesting::GameSettings;
using namespace PuzzleScreenTesting;

constexpr const char* kLevel = "basic/01.xml";

std::string IntroData(const std::string& folder)
{
    return std::string(QUARROW_TEST_DATA_DIR) + "/intro/" + folder;
}

std::size_t Count(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
    {
        ++count;
    }
    return count;
}

// The game with the real 2D puzzle screen and stand-ins for where levels lead. environment names the
// fixture folder that replaces the game's environments; empty keeps the game's own.
class PuzzleScreenIntroTest : public ::testing::Test
{
protected:
    void Start(const std::string& environment, bool developer = false)
    {
        GameSettings settings;
        settings.developer = developer;
        if (!environment.empty())
        {
            settings.aliases = {{"environment", IntroData(environment)},
                                {"sequence", IntroData("sequences")}};
        }
        game = std::make_unique<GameHarness>(settings);
        ASSERT_TRUE(game->Start());
        NameStates(*game);
        for (const char* name : {"levelselection", "map", "gameresult"})
        {
            game->AddScreen(name, new StandInScreen(&game->UI()));
        }
        ASSERT_TRUE(game->SwitchTo("levelselection"));
    }
    void TearDown() override { game.reset(); }

    // The first basic level chosen as the map chooses it, and the 2D screen entered.
    void Enter()
    {
        // The screen before left the picture faded out, as a real one does.
        game->UI().GetFader()->SetTarget(0.0f, 0.0f);
        game->PostWorldCommand("StartGame");
        game->PostWorldCommand("SetMap", "0");
        ASSERT_TRUE(game->RunFrames(1));
        game->PostWorldCommand("SwitchToLevel", "0");
        ASSERT_TRUE(game->RunFrames(1));
        ASSERT_TRUE(game->SwitchTo("ingame2d"));
        screen = CurrentPuzzleScreen(*game);
        ASSERT_NE(screen, nullptr);
    }
    // Entered, playing, and the script's page offering continue.
    void EnterUntilThePageWaits()
    {
        ASSERT_NO_FATAL_FAILURE(Enter());
        ASSERT_TRUE(game->RunUntil(
            [&] {
                return screen->GetStateName() == "Playing" && screen->GetSequenceDialog() != nullptr &&
                       screen->GetSequenceDialog()->IsContinueOffered();
            },
            "the page waiting for continue while playing"));
    }
    CQuarrowSequencePlayer& Player()
    {
        EXPECT_NE(screen->GetSequencePlayer(), nullptr);
        return *screen->GetSequencePlayer();
    }
    UILib::CButton& ContinueButton() { return *screen->GetSequenceDialog()->GetContinueButton(); }
    ::testing::AssertionResult Solve()
    {
        for (const ReplayMove& move : ReadReplay(kLevel))
        {
            if (auto moved = PushMove(*game, move); !moved)
            {
                return moved;
            }
        }
        return game->RunUntil(
            [&] { return game->World().GetGameContext()->GetState() == CPuzzleScreen::kStateLevelSolved; },
            "the level solved", 60);
    }
    ::testing::AssertionResult RunToTheResultScreen()
    {
        return game->RunUntil([&] { return game->Screens().GetCurrentScreenName() == "gameresult"; },
                              "the result screen");
    }
    // Nothing of the sequence is left: no player, no dialog, the cut-scene window hidden and empty.
    void ExpectNothingLeft(CPuzzleScreen& left)
    {
        EXPECT_EQ(left.GetSequencePlayer(), nullptr);
        EXPECT_EQ(left.GetSequenceDialog(), nullptr);
        EXPECT_FALSE(left.IsCutsceneWindowVisible());
        ASSERT_NE(left.GetCutsceneWindow(), nullptr);
        EXPECT_FALSE(left.GetCutsceneWindow()->IsVisible());
        UILib::CWindow* canvas = left.GetRootPanel()->FindChildByName("cutscenecanvas", true);
        ASSERT_NE(canvas, nullptr);
        // The brightness panel and the dialog box went with the sequence (the window manager frees
        // destroyed windows in its next pass).
        ASSERT_TRUE(game->RunFrames(1));
        EXPECT_EQ(canvas->GetChildCount(), 0);
    }

    std::unique_ptr<GameHarness> game;
    CPuzzleScreen* screen = nullptr;
};

// The share of pixels inside rect that differ between two frames.
double ChangedShare(const GameTesting::Pixels& a, const GameTesting::Pixels& b, int width,
                    const BaseLib::CRect& rect)
{
    int changed = 0;
    int total = 0;
    for (int y = rect.top; y < rect.bottom; ++y)
    {
        for (int x = rect.left; x < rect.right; ++x)
        {
            ++total;
            changed +=
                a[static_cast<std::size_t>(y * width + x)] != b[static_cast<std::size_t>(y * width + x)] ? 1
                                                                                                         : 0;
        }
    }
    return total > 0 ? static_cast<double>(changed) / total : 0.0;
}

TEST_F(PuzzleScreenIntroTest, TheScriptStartsWithTheLevelShowsItsPageAfterTheIntroAndPutsTheArrowOnTheCell)
{
    Start("tutorial");
    ASSERT_NO_FATAL_FAILURE(Enter());
    ASSERT_TRUE(game->RunUntil([&] { return screen->GetStateName() == "Intro"; }, "the intro"));
    ASSERT_NE(screen->GetSequencePlayer(), nullptr);
    EXPECT_EQ(Player().GetVariable("introplaying"), "true");
    EXPECT_EQ(Player().GetPuzzle(), game->World().GetPuzzle());
    EXPECT_TRUE(screen->GetCutsceneWindow()->IsNotHitable());
    // The script waits for the intro's end before it shows anything.
    ASSERT_TRUE(game->RunFrames(3));
    ASSERT_EQ(screen->GetStateName(), "Intro");
    EXPECT_FALSE(screen->GetCutsceneWindow()->IsVisible());

    ASSERT_TRUE(game->RunUntil([&] { return screen->GetStateName() == "Playing"; }, "playing"));
    EXPECT_EQ(Player().GetVariable("introplaying"), "false");
    EXPECT_FALSE(screen->GetCutsceneWindow()->IsNotHitable());
    ASSERT_TRUE(game->RunUntil([&] { return screen->GetSequenceDialog()->IsContinueOffered(); }, "the page"));
    EXPECT_TRUE(screen->IsCutsceneWindowVisible());
    EXPECT_TRUE(screen->GetCutsceneWindow()->IsVisible());
    ASSERT_NE(Player().GetDialogBox(), nullptr);
    EXPECT_EQ(std::string(Player().GetDialogBox()->GetTextLabel()->GetText()),
              "Drag the blocks until one\nstands on the exit.");

    int width = 0;
    int height = 0;
    const GameTesting::Pixels shown = game->ReadFrame(width, height);
    ASSERT_FALSE(shown.empty());
    EXPECT_TRUE(GameHarness::WritePicture(QUARROW_TEST_OUTPUT_DIR, "intro_page", width, height, shown));
    const BaseLib::CRect buttons = game->WindowPixels(ContinueButton());

    // Continue: the window goes, the arrow points east from the cell left of the exit (the 4 × 4 board
    // stands centred on the 6 × 6 board's place), and the script waits for the solution.
    ContinueButton().NotifyClick();
    CArrowMarkerEntityNode* arrow = game->World().GetArrowMarker(0);
    ASSERT_NE(arrow, nullptr);
    ASSERT_TRUE(game->RunUntil([&] { return arrow->GetParent() != nullptr; }, "the arrow", 5));
    EXPECT_FALSE(screen->GetCutsceneWindow()->IsVisible());
    EXPECT_NEAR(arrow->GetPosition().x, 4.0f, 1e-5f);
    EXPECT_NEAR(arrow->GetPosition().y, -2.0f, 1e-5f);
    EXPECT_EQ(Player().GetVariable("ended"), "");
    ASSERT_TRUE(game->RunFrames(20));
    const GameTesting::Pixels hidden = game->ReadFrame(width, height);
    ASSERT_EQ(hidden.size(), shown.size());
    EXPECT_TRUE(
        GameHarness::WritePicture(QUARROW_TEST_OUTPUT_DIR, "intro_page_continued", width, height, hidden));
    // The cut-scene's buttons were drawn over the board and are gone with the window; the board in the
    // middle shows through the sequence's panel (brought to full brightness by the script).
    EXPECT_GT(ChangedShare(shown, hidden, width, buttons), 0.3);
    EXPECT_NE(shown[static_cast<std::size_t>(height / 2 * width + width / 2)] & 0xFFFFFFu, 0u);

    ASSERT_TRUE(Solve());
    ASSERT_TRUE(game->RunUntil([&] { return screen->GetStateName() == "Outro"; }, "the outro", 5));
    EXPECT_EQ(screen->GetPendingScreenName(), "gameresult");
    CPuzzleScreen& left = *screen;
    ASSERT_TRUE(RunToTheResultScreen());
    ExpectNothingLeft(left);
}

TEST_F(PuzzleScreenIntroTest, SkippingWhileTheControlsAreOffGivesThemBackAndTheSolvedLevelEnds)
{
    Start("controls");
    ASSERT_NO_FATAL_FAILURE(EnterUntilThePageWaits());
    EXPECT_TRUE(screen->GetCutsceneWindow()->IsVisible());
    EXPECT_FALSE(game->GameCommands().IsUserControlEnabled());

    screen->GetSequenceDialog()->GetSkipButton()->NotifyClick();
    ASSERT_TRUE(game->RunUntil([&] { return Player().IsFinished(); }, "the skip's end"));
    EXPECT_FALSE(screen->GetCutsceneWindow()->IsVisible());
    // The screen gives the controls back once.
    EXPECT_EQ(PendingCommands(*game), "SetUserControlEnabled(true)");
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_TRUE(game->GameCommands().IsUserControlEnabled());
    EXPECT_EQ(PendingCommands(*game), "");

    // The script never set "ended": its finished sequence lets the solved level end.
    EXPECT_EQ(Player().GetVariable("ended"), "");
    ASSERT_TRUE(Solve());
    ASSERT_TRUE(RunToTheResultScreen());
}

TEST_F(PuzzleScreenIntroTest, ALevelWithoutAPlayableScriptEndsAsSoonAsItIsSolved)
{
    const struct
    {
        const char* environment; // "plain" names no sequence
        bool player;
        std::size_t failedLoads;
    } cases[] = {{"plain", false, 0}, {"missing", true, 1}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.environment);
        Start(c.environment);
        ASSERT_NO_FATAL_FAILURE(Enter());
        ASSERT_TRUE(game->RunUntil([&] { return screen->GetStateName() == "Playing"; }, "playing"));
        EXPECT_EQ(screen->GetSequencePlayer() != nullptr, c.player);
        EXPECT_FALSE(screen->GetCutsceneWindow()->IsVisible());
        EXPECT_EQ(Count(game->Trace(), "failed to load xml file!"), c.failedLoads);
        EXPECT_EQ(Count(game->Trace(), "nosuchscript.xml"), c.failedLoads);
        ASSERT_TRUE(Solve());
        ASSERT_TRUE(game->RunUntil([&] { return screen->GetStateName() == "Outro"; }, "the outro", 2));
        ASSERT_TRUE(RunToTheResultScreen());
        game.reset();
    }
}

// The level's puzzle is deleted and replaced under a running script: the player must never read the
// old one (the sanitizer build sees it).
TEST_F(PuzzleScreenIntroTest, AReloadOrAShutLevelUnderARunningScriptLeavesItNothingStaleToRead)
{
    Start("tutorial");
    ASSERT_NO_FATAL_FAILURE(EnterUntilThePageWaits());
    game->PostWorldCommand("Reload");
    ASSERT_TRUE(game->RunFrames(1));
    ASSERT_NE(game->World().GetPuzzle(), nullptr);
    EXPECT_EQ(Player().GetPuzzle(), game->World().GetPuzzle());
    ContinueButton().NotifyClick();
    ASSERT_TRUE(game->RunFrames(2));
    ASSERT_TRUE(Solve());
    ASSERT_TRUE(RunToTheResultScreen());

    // The level shut while the script waits for the solution: the script stands still, and leaving
    // ends it cleanly.
    ASSERT_TRUE(game->SwitchTo("levelselection"));
    ASSERT_NO_FATAL_FAILURE(EnterUntilThePageWaits());
    ContinueButton().NotifyClick();
    ASSERT_TRUE(game->RunFrames(2));
    game->PostWorldCommand("ShutLevel");
    ASSERT_TRUE(game->RunFrames(5));
    EXPECT_EQ(game->World().GetPuzzle(), nullptr);
    EXPECT_FALSE(Player().IsFinished());
    EXPECT_EQ(screen->GetStateName(), "Playing");
    CPuzzleScreen& left = *screen;
    ASSERT_TRUE(game->SwitchTo("levelselection"));
    ExpectNothingLeft(left);
}

TEST_F(PuzzleScreenIntroTest, LeavingInTheMiddleOfAScriptLeavesNoPlayerDialogOrWindowBehind)
{
    Start("controls");
    ASSERT_NO_FATAL_FAILURE(EnterUntilThePageWaits());
    ASSERT_TRUE(screen->GetCutsceneWindow()->IsVisible());
    // The quit button's way out: the outro, the level shut in the frame before the switch.
    screen->OpenMenu();
    static_cast<UILib::CButton*>(screen->GetRootPanel()->FindChildByName("quitbutton", true))->NotifyClick();
    CPuzzleScreen& left = *screen;
    ASSERT_TRUE(game->RunUntil([&] { return game->Screens().GetCurrentScreenName() == "levelselection"; },
                               "the level selection"));
    ExpectNothingLeft(left);

    // Entered again, the script starts afresh.
    ASSERT_NO_FATAL_FAILURE(EnterUntilThePageWaits());
    EXPECT_EQ(screen, &left);
    EXPECT_TRUE(screen->GetCutsceneWindow()->IsVisible());
}

// Developer keys and clicks at window pixels.
class PuzzleScreenIntroInputTest : public PuzzleScreenIntroTest
{
};

TEST_F(PuzzleScreenIntroInputTest, SolvedWhileThePageWaitsTheLevelStaysUntilContinueLetsTheScriptEndIt)
{
    Start("tutorial");
    game->FocusWindow();
    ASSERT_NO_FATAL_FAILURE(EnterUntilThePageWaits());
    ASSERT_TRUE(Solve());
    ASSERT_TRUE(game->RunFrames(10));
    EXPECT_EQ(screen->GetStateName(), "Playing");
    EXPECT_EQ(screen->GetPendingScreenName(), "");

    ASSERT_TRUE(game->Click(game->CentreOf(ContinueButton())));
    ASSERT_TRUE(game->RunUntil([&] { return screen->GetStateName() == "Outro"; }, "the outro", 5));
    EXPECT_EQ(Player().GetVariable("ended"), "true");
    ASSERT_TRUE(RunToTheResultScreen());
}

TEST_F(PuzzleScreenIntroInputTest, TheCheatKeyEndsALevelWithAScriptAtOnce)
{
    Start("tutorial", true);
    game->FocusWindow();
    ASSERT_NO_FATAL_FAILURE(EnterUntilThePageWaits());
    ASSERT_TRUE(game->KeyDown("Left Ctrl"));
    ASSERT_TRUE(game->PressKey("X"));
    ASSERT_TRUE(game->KeyUp("Left Ctrl"));
    ASSERT_TRUE(game->RunUntil([&] { return screen->GetStateName() == "Outro"; }, "the outro", 5));
    EXPECT_EQ(Player().GetVariable("ended"), "true");
    EXPECT_FALSE(Player().IsFinished());
    ASSERT_TRUE(RunToTheResultScreen());
}

} // namespace
