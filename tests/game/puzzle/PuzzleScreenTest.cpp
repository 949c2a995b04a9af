// The puzzle screen base in the running game: its level states, HUD, in-game menu, buttons, developer
// actions and progress dialogs, through a small screen derived from it.
#include "tests/game/puzzle/PuzzleScreenTesting.h"

#include "foundation/PathAliases.h"
#include "foundation/Timer.h"
#include "framework/ScreenWindows.h"
#include "game/QuarrowApplication.h"
#include "game/ScreenFader.h"
#include "game/savegame/SaveGameManager.h"
#include "puzzle/PuzzleRefiner.h"
#include "puzzle/PuzzleSolver.h"
#include "ui/Panel.h"
#include "ui/controls/Button.h"
#include "ui/controls/Label.h"
#include "ui/controls/ProgressBar.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unistd.h>

namespace
{

using GameTesting::GameHarness;
using GameTesting::GameSettings;
using namespace PuzzleScreenTesting;

// A puzzle screen of the test's own: a clear root panel on layer 0, with the 2D screen's layout for the
// playing field and the HUD or without any, then the base's windows.
class TestPuzzleScreen : public CPuzzleScreen
{
public:
    TestPuzzleScreen(CQuarrowUI* ui, CQuarrowWorld* world, bool withHud)
        : CPuzzleScreen(ui, world), m_withHud(withHud)
    {
    }

protected:
    void CreateWindows() override
    {
        UILib::CPanel* root = GameLib::CreateScreenPanel(BaseLib::CColor(255, 255, 255, 0));
        ASSERT_NE(root, nullptr);
        GameLib::AddToFirstLayer(root);
        if (m_withHud)
        {
            GameLib::LoadLayoutInto("interface>ingamescreen.xml", root);
        }
        SetRootPanel(root, m_withHud ? "interface>ingamescreen.xml" : "(none)");
        CPuzzleScreen::CreateWindows();
    }

private:
    bool m_withHud;
};

constexpr const char* kLevel = "basic/01.xml";

UILib::CWindow& Child(CPuzzleScreen& screen, const char* name)
{
    UILib::CWindow* window = screen.GetRootPanel() != nullptr ? screen.GetRootPanel()->FindChildByName(name, true)
                                                              : nullptr;
    EXPECT_NE(window, nullptr) << name;
    return *window;
}

UILib::CButton& Button(CPuzzleScreen& screen, const char* name)
{
    return static_cast<UILib::CButton&>(Child(screen, name));
}

std::string LabelText(UILib::CWindow& parent, const char* name)
{
    auto* label = static_cast<UILib::CLabel*>(parent.FindChildByName(name, true, "CLabel"));
    return label != nullptr ? std::string(label->GetText()) : "(missing)";
}

// A game with the test screen as "puzzle" and stand-ins for where levels lead.
class PuzzleScreenTest : public ::testing::Test
{
protected:
    void Start(GameSettings settings = {}, bool withHud = true)
    {
        WithoutTutorials(settings);
        game = std::make_unique<GameHarness>(settings);
        ASSERT_TRUE(game->Start());
        NameStates(*game);
        screen = new TestPuzzleScreen(&game->UI(), &game->World(), withHud);
        game->AddScreen("puzzle", screen);
        for (const char* name : {"levelselection", "map", "gameresult", "devmenu", "editor2d"})
        {
            standIns[name] = new StandInScreen(&game->UI());
            game->AddScreen(name, standIns[name]);
        }
    }
    void TearDown() override { game.reset(); }

    std::unique_ptr<GameHarness> game;
    TestPuzzleScreen* screen = nullptr;
    std::map<std::string, StandInScreen*> standIns;
};

TEST_F(PuzzleScreenTest, EnteringStartsTheLevelUnlessItStaysLoadedForTheDeveloperMenuOrAnEditor)
{
    Start();
    const struct
    {
        const char* previous;
        const char* current;
        const char* posted;
    } cases[] = {
        {"levelselection", "puzzle", "StartLevel() SetUserControlEnabled(true) SetPause(false)"},
        {"devmenu", "puzzle", "SetUserControlEnabled(true) SetPause(false)"},
        {"editor2d", "puzzle", "SetUserControlEnabled(true) SetPause(false)"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.previous) + " -> " + c.current);
        ASSERT_TRUE(game->SwitchTo(c.previous));
        ASSERT_TRUE(game->RunFrames(1));
        game->UI().SetCursorVisible(false);
        ASSERT_TRUE(game->SwitchTo(c.current));
        EXPECT_EQ(PendingCommands(*game), c.posted);
        EXPECT_EQ(screen->GetStateName(), "WaitForPuzzle");
        EXPECT_TRUE(game->UI().IsCursorShown());
        ASSERT_TRUE(game->RunUntil([&] { return screen->GetStateName() == "Playing"; }, "playing"));
    }
    // Leaving hides the root panel and the cursor.
    ASSERT_TRUE(game->SwitchTo("levelselection"));
    EXPECT_FALSE(screen->GetRootPanel()->IsVisible());
    EXPECT_FALSE(game->UI().IsCursorShown());
}

TEST_F(PuzzleScreenTest, ALevelRunsFromItsStartThroughTheFadeToItsSolutionAndTheResultScreen)
{
    Start();
    // "WaitForPuzzle" waits for every pending world command, whoever posted it.
    ASSERT_TRUE(game->SwitchTo("levelselection"));
    game->PostWorldCommand("StartGame");
    game->PostWorldCommand("SetMap", "0");
    ASSERT_TRUE(game->RunFrames(1));
    ASSERT_TRUE(game->SwitchTo("puzzle"));
    game->World().GetCommandQueue()->PostCommand("Unhandled", "");
    EXPECT_EQ(screen->GetStateName(), "WaitForPuzzle");
    ASSERT_TRUE(game->RunFrames(1));
    // The windows exist and the menu is rewound; the queue was emptied in this frame's world update,
    // after the screen's update of the frame before.
    ASSERT_NE(screen->GetRootPanel(), nullptr);
    ASSERT_TRUE(game->RunUntil([&] { return screen->GetStateName() == "Intro"; }, "the intro"));
    ASSERT_NE(screen->GetCutsceneWindow(), nullptr);
    EXPECT_FALSE(screen->GetCutsceneWindow()->IsVisible());
    EXPECT_TRUE(screen->GetCutsceneWindow()->IsNotHitable());
    EXPECT_EQ(game->UI().GetFader()->GetTarget(), 1.0f);

    ASSERT_TRUE(game->RunUntil([&] { return screen->GetStateName() == "Playing"; }, "playing"));
    EXPECT_FALSE(game->UI().GetFader()->IsFading());
    EXPECT_FALSE(screen->GetCutsceneWindow()->IsNotHitable());
    EXPECT_FALSE(screen->GetRootPanel()->IsDisabled());
    EXPECT_EQ(std::string(game->World().GetPuzzle()->GetFileName()).find("basic/01.xml") != std::string::npos, true);
    EXPECT_EQ(LabelText(*screen->GetRootPanel(), "levelnumberlabel"), "1");
    EXPECT_EQ(LabelText(*screen->GetRootPanel(), "moveslabel"), "0");

    const std::vector<ReplayMove> moves = ReadReplay(kLevel);
    ASSERT_EQ(moves.size(), 2u);
    ASSERT_TRUE(PushMove(*game, moves[0]));
    EXPECT_EQ(LabelText(*screen->GetRootPanel(), "moveslabel"), "1");
    ASSERT_TRUE(PushMove(*game, moves[1]));
    ASSERT_TRUE(game->RunUntil([&] { return screen->GetStateName() == "Outro"; }, "the outro"));
    EXPECT_EQ(screen->GetPendingScreenName(), "gameresult");
    EXPECT_TRUE(screen->GetRootPanel()->IsDisabled());
    EXPECT_EQ(PendingCommands(*game), "SetUserControlEnabled(false) SetPause(true)");
    EXPECT_EQ(game->UI().GetFader()->GetTarget(), 0.0f);

    ASSERT_TRUE(game->RunUntil([&] { return screen->GetStateName() == "ShutLevel"; }, "the level's shut-down"));
    EXPECT_EQ(PendingCommands(*game), "ShutLevel()");
    EXPECT_EQ(game->UI().GetFader()->GetValue(), 0.0f);
    ASSERT_TRUE(game->RunUntil([&] { return game->Screens().GetCurrentScreenName() == "gameresult"; },
                               "the result screen"));
    EXPECT_EQ(game->World().GetPuzzle(), nullptr);
    EXPECT_EQ(game->World().GetGameContext()->GetLastResult().moves, 2);
    EXPECT_TRUE(screen->GetPendingScreenName().empty());
}

TEST_F(PuzzleScreenTest, TheQuitButtonLeavesForTheMapOnlyWhenTheLevelCameFromIt)
{
    Start();
    const struct
    {
        int playMode;
        const char* leadsTo;
    } cases[] = {{1, "map"}, {2, "levelselection"}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.playMode);
        ASSERT_TRUE(game->SwitchTo("levelselection"));
        game->UI().GetSaveGameManager()->SetPlayMode(c.playMode);
        ASSERT_TRUE(EnterLevel(*game, "puzzle"));
        screen->OpenMenu();
        Button(*screen, "quitbutton").NotifyClick();
        EXPECT_EQ(screen->GetStateName(), "Outro");
        EXPECT_EQ(screen->GetPendingScreenName(), c.leadsTo);
        EXPECT_TRUE(screen->GetRootPanel()->IsDisabled());
        EXPECT_NE(UILib::CWindowManager::GetInstance()->GetTopModalWindow(), screen->GetInGameMenu());
        ASSERT_TRUE(game->RunUntil([&] { return game->Screens().GetCurrentScreenName() == c.leadsTo; },
                                   c.leadsTo));
        EXPECT_EQ(game->World().GetPuzzle(), nullptr);
    }
}

TEST_F(PuzzleScreenTest, TheHudShowsTheLevelTimeAndOffersUndoAndRedoOnlyWhenThePuzzleTakesThem)
{
    Start();
    ASSERT_TRUE(EnterLevel(*game, "puzzle", 0, 2));
    EXPECT_EQ(LabelText(*screen->GetRootPanel(), "levelnumberlabel"), "3");
    UILib::CButton& undo = Button(*screen, "undobutton");
    UILib::CButton& redo = Button(*screen, "redobutton");
    EXPECT_TRUE(undo.IsDisabled());
    EXPECT_TRUE(redo.IsDisabled());

    // A committed move offers undo, a held block refuses it; the move taken back offers redo.
    const std::vector<ReplayMove> moves = ReadReplay("basic/03.xml");
    ASSERT_GE(moves.size(), 2u);
    ASSERT_TRUE(PushMove(*game, moves[0]));
    ASSERT_TRUE(game->RunFrames(1));
    ASSERT_EQ(game->World().GetPuzzle()->GetMoveCount(), 1);
    EXPECT_FALSE(undo.IsDisabled());
    EXPECT_TRUE(redo.IsDisabled());
    game->GameCommands().PushGrabBlock(moves[1].id);
    ASSERT_TRUE(game->RunFrames(2));
    EXPECT_TRUE(undo.IsDisabled());
    game->GameCommands().PushReleaseBlock(moves[1].id);
    ASSERT_TRUE(game->RunFrames(2));
    EXPECT_FALSE(undo.IsDisabled());

    undo.NotifyClick();
    ASSERT_TRUE(SettleBlocks(*game));
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_EQ(game->World().GetPuzzle()->GetMoveCount(), 0);
    EXPECT_TRUE(undo.IsDisabled());
    EXPECT_FALSE(redo.IsDisabled());

    // The level timer's whole seconds, with the world paused so the timer stands.
    game->PostWorldCommand("SetPause", "true");
    ASSERT_TRUE(game->RunFrames(1));
    const struct
    {
        double seconds;
        const char* shown;
    } times[] = {{0.0, " 0:00"},     {59.9, " 0:59"},   {61.0, " 1:01"}, {600.5, "10:00"},
                 {5999.0, "99:59"}, {6000.0, "99:59"}, {7000.0, "99:59"}, {1e12, "99:59"}};
    for (const auto& t : times)
    {
        game->World().GetLevelTimer()->SetTime(t.seconds);
        ASSERT_TRUE(game->RunFrames(1));
        EXPECT_EQ(LabelText(*screen->GetRootPanel(), "timelabel"), t.shown) << t.seconds;
        EXPECT_EQ(CPuzzleScreen::FormatLevelTime(t.seconds), t.shown);
    }
}

TEST_F(PuzzleScreenTest, TheMenuAndTheHudButtonsPushRestartUndoAndRedoOnlyWhileThePlayerHasControl)
{
    Start();
    ASSERT_TRUE(EnterLevel(*game, "puzzle"));
    UILib::CWindowManager& windows = *UILib::CWindowManager::GetInstance();
    game->PostWorldCommand("SetPause", "true");
    ASSERT_TRUE(game->RunFrames(1));
    TakeGameCommands(*game);

    Button(*screen, "menubutton").NotifyClick();
    EXPECT_EQ(windows.GetTopModalWindow(), screen->GetInGameMenu());
    EXPECT_TRUE(screen->GetRootPanel()->IsAnyAnimationPlaying(true));
    Button(*screen, "resetbutton").NotifyClick();
    EXPECT_EQ(windows.GetTopModalWindow(), nullptr);
    Button(*screen, "menubutton").NotifyClick();
    Button(*screen, "closemenubutton").NotifyClick();
    EXPECT_EQ(windows.GetTopModalWindow(), nullptr);
    Button(*screen, "undobutton").NotifyClick();
    Button(*screen, "redobutton").NotifyClick();
    EXPECT_EQ(TakeGameCommands(*game), "{3, -1, 0, 0} {4, -1, 0, 0} {5, -1, 0, 0} ");

    game->PostWorldCommand("SetUserControlEnabled", "false");
    ASSERT_TRUE(game->RunFrames(1));
    Button(*screen, "menubutton").NotifyClick();
    Button(*screen, "resetbutton").NotifyClick();
    Button(*screen, "undobutton").NotifyClick();
    Button(*screen, "redobutton").NotifyClick();
    EXPECT_EQ(TakeGameCommands(*game), "");
}

TEST_F(PuzzleScreenTest, AScreenWithoutHudWindowsPlaysAWholeLevel)
{
    Start({}, false);
    ASSERT_TRUE(EnterLevel(*game, "puzzle"));
    EXPECT_EQ(screen->GetPlayingField(), nullptr);
    EXPECT_NE(game->Trace().find("gave no window \"playingfield\""), std::string::npos);
    for (const ReplayMove& move : ReadReplay(kLevel))
    {
        ASSERT_TRUE(PushMove(*game, move));
    }
    ASSERT_TRUE(game->RunUntil([&] { return game->Screens().GetCurrentScreenName() == "gameresult"; },
                               "the result screen"));
}

// The search dialogs. Each frame while the solver's dialog shows, its bar must hold the states done in the
// current move (range − states left) within the move's range: a progress set before its range is cut to
// the range of the frame before.
TEST_F(PuzzleScreenTest, TheSolverAndRefinerDialogsShowTheSearchLiveAndTheirResultUntilOk)
{
    Start();
    ASSERT_TRUE(EnterLevel(*game, "puzzle"));

    game->PostWorldCommand("Refine");
    ASSERT_TRUE(game->RunUntil([&] { return screen->GetRefinerDialog() != nullptr; }, "the refiner dialog"));
    UILib::CWindow* dialog = screen->GetRefinerDialog();
    EXPECT_EQ(UILib::CWindowManager::GetInstance()->GetTopModalWindow(), dialog);
    ASSERT_TRUE(game->RunUntil(
        [&] { return game->World().GetRefiner() != nullptr && !game->World().IsRefinerRunning(); },
        "the refiner's end", 3000, 120.0));
    ASSERT_TRUE(game->RunFrames(1));
    const PuzzleRefiner& refiner = *game->World().GetRefiner();
    EXPECT_EQ(LabelText(*dialog, "originallabel"), std::to_string(refiner.GetOriginalMoves()));
    EXPECT_EQ(LabelText(*dialog, "highestlabel"), std::to_string(refiner.GetHighestMoves()));
    EXPECT_EQ(LabelText(*dialog, "openlabel"), std::to_string(refiner.GetOpenCount()));
    EXPECT_EQ(LabelText(*dialog, "resultlabel"), refiner.GetStatus() == PuzzleRefiner::StatusNotImproved
                                                     ? "Finished; no improvement was made."
                                                     : "Finished and Improved!");
    EXPECT_EQ(std::string(Button(*screen, "okbutton").GetText()), "OK");
    Button(*screen, "okbutton").NotifyClick();
    EXPECT_EQ(screen->GetRefinerDialog(), nullptr);
    EXPECT_EQ(PendingCommands(*game), "StopRefiner()");
    ASSERT_TRUE(game->RunFrames(2));
    EXPECT_EQ(game->World().GetGameContext()->GetState(), GameContext::LevelRunning);
    EXPECT_EQ(screen->GetStateName(), "Playing");

    // A puzzle of seventeen moves keeps the solver busy for a number of frames.
    const std::string medium =
        (std::filesystem::path(QUARROW_TEST_DATA_DIR).parent_path().parent_path() / "puzzle/data/solver_large.xml")
            .string();
    game->PostWorldCommand("StartLevel", medium);
    ASSERT_TRUE(game->RunFrames(1));
    ASSERT_EQ(game->World().GetPuzzle()->GetMinSolveMoves(), 17);
    int framesChecked = 0;
    std::set<std::string> totals;
    game->SetFrameHook([&] {
        UILib::CWindow* shown = screen->GetSolverDialog();
        if (shown == nullptr)
        {
            return;
        }
        auto* bar = static_cast<UILib::CProgressBar*>(shown->FindChildByName("statesleftprogressbar", true));
        const std::string left = LabelText(*shown, "statesleftuntilnextmove");
        if (bar == nullptr || left.empty() || left.find_first_not_of("0123456789") != std::string::npos)
        {
            ADD_FAILURE() << "states left: " << left;
            return;
        }
        EXPECT_EQ(bar->GetProgress(), bar->GetRange() - std::stof(left)) << "frame " << game->Frames();
        totals.insert(LabelText(*shown, "totallabel"));
        ++framesChecked;
    });
    game->PostWorldCommand("Solve");
    ASSERT_TRUE(game->RunUntil([&] { return screen->GetSolverDialog() != nullptr; }, "the solver dialog"));
    dialog = screen->GetSolverDialog();
    EXPECT_EQ(UILib::CWindowManager::GetInstance()->GetTopModalWindow(), dialog);
    EXPECT_EQ(dialog->GetParent(), screen->GetRootPanel());
    ASSERT_TRUE(game->RunUntil(
        [&] { return game->World().GetSolver() != nullptr && !game->World().IsSolverRunning(); },
        "the search's end", 3000, 120.0));
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_GT(totals.size(), 2u) << "the counts did not change while the search ran";
    const PuzzleSolver& solver = *game->World().GetSolver();
    EXPECT_EQ(solver.GetStatus(), PuzzleSolver::StatusSolved);
    EXPECT_EQ(LabelText(*dialog, "totallabel"), std::to_string(solver.GetTotalConstructed()));
    EXPECT_EQ(LabelText(*dialog, "resultlabel"), "Succeeded!");
    EXPECT_EQ(std::string(Button(*screen, "okbutton").GetText()), "OK");
    // The search is over, the dialog waits for its OK with the world in state 4.
    EXPECT_EQ(game->World().GetGameContext()->GetState(), GameContext::SolverRunning);
    EXPECT_EQ(screen->GetStateName(), "Playing");

    Button(*screen, "okbutton").NotifyClick();
    EXPECT_EQ(screen->GetSolverDialog(), nullptr);
    EXPECT_EQ(PendingCommands(*game), "StopSolver()");
    EXPECT_EQ(UILib::CWindowManager::GetInstance()->GetTopModalWindow(), nullptr);
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_EQ(game->World().GetGameContext()->GetState(), GameContext::LevelRunning);
    game->SetFrameHook(nullptr);
}

TEST_F(PuzzleScreenTest, AMissingDialogLayoutShowsNoDialogTracesOnceAndTheSearchStillStops)
{
    // An interface folder with the menu and the cut-scene window but no dialogs.
    const std::filesystem::path media = QUARROW_MEDIA_DIR "/interface";
    const std::filesystem::path fixture = std::filesystem::temp_directory_path() /
                                          ("quarrow-no-dialogs-" + std::to_string(::getpid()));
    std::filesystem::create_directories(fixture);
    for (const char* file : {"ingamescreen_cutscenewindow.xml", "ingamescreen_menu.xml"})
    {
        std::filesystem::copy_file(media / file, fixture / file, std::filesystem::copy_options::overwrite_existing);
    }
    GameSettings settings;
    settings.aliases = {{"interface", fixture.string()}};
    Start(settings, false);
    ASSERT_TRUE(EnterLevel(*game, "puzzle"));
    ASSERT_NE(screen->GetInGameMenu(), nullptr);

    game->PostWorldCommand("Solve");
    ASSERT_TRUE(game->RunUntil([&] { return !game->World().IsSolverRunning(); }, "the search's end"));
    ASSERT_TRUE(game->RunFrames(5));
    EXPECT_EQ(game->World().GetGameContext()->GetState(), GameContext::SolverRunning);
    EXPECT_EQ(screen->GetSolverDialog(), nullptr);
    const std::string trace = game->Trace();
    const std::size_t first = trace.find("\"interface>solver.xml\" gave no dialog window");
    EXPECT_NE(first, std::string::npos) << trace;
    EXPECT_EQ(trace.find("\"interface>solver.xml\" gave no dialog window", first + 1), std::string::npos);

    game->PostWorldCommand("StopSolver");
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_EQ(game->World().GetGameContext()->GetState(), GameContext::LevelRunning);
    game.reset();
    std::filesystem::remove_all(fixture);
}

// Real key and mouse events through the game's own message loop; these need the display's focus alone.
class PuzzleScreenInputTest : public PuzzleScreenTest
{
};

TEST_F(PuzzleScreenInputTest, EscapeAndClicksOnTheMenuReachTheScreenAndTheNextScreenTakesTheMouse)
{
    GameSettings settings;
    settings.developer = true;
    Start(settings);
    game->FocusWindow();
    // Escape while playing starts the outro.
    ASSERT_TRUE(EnterLevel(*game, "puzzle"));
    ASSERT_TRUE(game->PressKey("Escape"));
    EXPECT_EQ(screen->GetStateName(), "Outro");
    ASSERT_TRUE(game->RunUntil([&] { return game->Screens().GetCurrentScreenName() == "levelselection"; },
                               "the level selection"));

    // Ctrl+S asks for the solver.
    ASSERT_TRUE(EnterLevel(*game, "puzzle"));
    ASSERT_TRUE(game->KeyDown("Left Ctrl"));
    ASSERT_TRUE(game->KeyDown("S"));
    ASSERT_TRUE(game->RunUntil([&] { return screen->GetSolverDialog() != nullptr; }, "the solver dialog"));
    ASSERT_TRUE(game->KeyUp("S"));
    ASSERT_TRUE(game->KeyUp("Left Ctrl"));
    ASSERT_TRUE(game->RunUntil([&] { return !game->World().IsSolverRunning(); }, "the search's end"));
    ASSERT_TRUE(game->RunFrames(1));
    ASSERT_TRUE(game->Click(game->CentreOf(Button(*screen, "okbutton"))));
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_EQ(screen->GetSolverDialog(), nullptr);
    EXPECT_EQ(game->World().GetGameContext()->GetState(), GameContext::LevelRunning);

    // After a committed move, the menu's restart puts the level back to its start.
    ASSERT_TRUE(PushMove(*game, ReadReplay(kLevel).front()));
    ASSERT_EQ(game->World().GetPuzzle()->GetMoveCount(), 1);
    ASSERT_TRUE(game->Click(game->CentreOf(Button(*screen, "menubutton"))));
    ASSERT_TRUE(game->RunUntil([&] { return !screen->GetRootPanel()->IsAnyAnimationPlaying(true); }, "the menu in"));
    ASSERT_EQ(UILib::CWindowManager::GetInstance()->GetTopModalWindow(), screen->GetInGameMenu());
    ASSERT_TRUE(game->Click(game->CentreOf(Button(*screen, "resetbutton"))));
    ASSERT_TRUE(SettleBlocks(*game));
    EXPECT_EQ(game->World().GetPuzzle()->GetMoveCount(), 0);

    // Escape with the menu open: the next screen still takes the mouse.
    ASSERT_TRUE(game->Click(game->CentreOf(Button(*screen, "menubutton"))));
    ASSERT_TRUE(game->RunUntil([&] { return !screen->GetRootPanel()->IsAnyAnimationPlaying(true); }, "the menu in"));
    ASSERT_EQ(UILib::CWindowManager::GetInstance()->GetTopModalWindow(), screen->GetInGameMenu());
    ASSERT_TRUE(game->PressKey("Escape"));
    ASSERT_TRUE(game->RunUntil([&] { return game->Screens().GetCurrentScreenName() == "levelselection"; },
                               "the level selection"));
    EXPECT_EQ(UILib::CWindowManager::GetInstance()->GetTopModalWindow(), nullptr);
    // The stand-in does not fade in as a real screen does.
    game->UI().GetFader()->SetTarget(1.0f, 0.0f);
    ASSERT_TRUE(game->RunFrames(1));
    StandInScreen& next = *standIns["levelselection"];
    const int clicks = next.clicks;
    ASSERT_TRUE(game->Click(game->CentreOf(*next.button)));
    EXPECT_EQ(next.clicks, clicks + 1);
}

} // namespace
