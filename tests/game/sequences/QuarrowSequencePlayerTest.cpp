// The game's cut-scene player inside the running game (the headless harness): the world's real input
// channel and puzzle, a cut-scene window with both buttons clicked at its window pixels, fixture scripts
// in the run's folder.
#include "SequenceBench.h"
#include "tests/game/harness/GameHarness.h"
#include "tests/game/harness/RecordingSoundDevice.h"

#include "game/FileTranslator.h"
#include "game/QuarrowInputChannel.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "game/map/AtmoPlayer.h"
#include "game/sequences/DialogBox.h"
#include "game/sequences/QuarrowSequencePlayer.h"
#include "game/sequences/SequenceDialog.h"
#include "puzzle/Block.h"
#include "puzzle/EditablePuzzle.h"
#include "ui/BitmapFactory.h"
#include "ui/Panel.h"
#include "ui/TextureCanvas.h"
#include "ui/UILibSystem.h"
#include "ui/WindowManager.h"
#include "ui/controls/Button.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

using BaseLib::CColor;
using BaseLib::CPoint;
using GameTesting::GameHarness;
using GameTesting::GameSettings;

namespace
{

constexpr double FrameSeconds = 0.02;
const CColor CanvasColour(40, 60, 200, 255);
// A 6 × 3 board with an exit east of the middle row: two linked "A" cells at (0, 0) and (1, 0), a "B" at
// (0, 2) and the player "P" at (5, 1), one cell short of the exit.
const char* const Grid = "AA----\n-----PE\nB-----\n";

// The host of the tests: a cut-scene window over the whole screen (continue and skip buttons at the
// bottom, the canvas a coloured panel over its top 400 rows) and a player on it with the world's
// channel, the user interface and a show-sequence callback that records what it is told.
class CutScene
{
public:
    CutScene(GameHarness& game, bool withDialog) : m_game(game)
    {
        UILib::CUILibSystem::GetInstance()->GetBitmapFactory()->AddSearchPath(
            (SequenceTesting::MediaFolder() + "/").c_str());
        window = new UILib::CWindow();
        window->SetName("cutscenewindow");
        window->SetSize(640, 480);
        window->SetPosition(0, 0);
        window->SetAlwaysOnTop(true);
        canvas = new UILib::CPanel();
        canvas->SetName("cutscenecanvas");
        canvas->SetColor(CanvasColour);
        canvas->SetSize(640, 400);
        canvas->SetPosition(0, 0);
        window->AddChild(canvas->GetHandle());
        for (const auto& [name, x] : {std::pair("continuebutton", 500), std::pair("skipbutton", 40)})
        {
            auto* button = new UILib::CButton();
            button->SetName(name);
            button->SetSize(100, 40);
            button->SetPosition(x, 430);
            window->AddChild(button->GetHandle());
        }
        UILib::CWindowManager::GetInstance()->AddToLayer(window, 0);
        if (withDialog)
        {
            dialog = std::make_unique<CSequenceDialog>(window);
        }
        player = std::make_unique<CQuarrowSequencePlayer>();
        player->SetCanvas(canvas);
        player->SetUserInterface(&game.UI());
        player->SetSequenceDialog(dialog.get());
        player->SetInputChannel(&game.GameCommands());
        player->SetPuzzle(game.World().GetPuzzle());
        player->SetCallbacks(this, &CutScene::Shown, nullptr);
        player->RegisterCommands();
    }
    ~CutScene()
    {
        m_game.SetFrameHook({});
        player->Shutdown();
        player.reset();
        dialog.reset();
        window->Destroy();
    }

    // The script "<sequence>" + scenes + "</sequence>" as a file of the run's folder; its path.
    std::string Script(const std::string& name, const std::string& scenes) const
    {
        const std::filesystem::path path = m_game.Folder() / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path) << "<sequence>" << scenes << "</sequence>";
        return path.string();
    }
    // One scene of that script.
    static std::string Scene(const std::string& script, const std::string& resources = "")
    {
        return "<scene id=\"a\"><resources>" + resources + "</resources><script>" + script +
               "</script></scene>";
    }
    void Play(const std::string& path)
    {
        ASSERT_TRUE(player->Load(path)) << path;
        player->Start();
    }
    // Every frame the harness runs ends with one update of the player.
    void UpdateEveryFrame()
    {
        m_game.SetFrameHook([this] { player->Update(FrameSeconds); });
    }
    std::string Typed() const
    {
        CDialogBox* box = player->GetDialogBox();
        return box != nullptr ? std::string(static_cast<const char*>(box->GetTextLabel()->GetText()))
                              : "<no box>";
    }

    UILib::CWindow* window = nullptr;
    UILib::CPanel* canvas = nullptr;
    std::unique_ptr<CSequenceDialog> dialog;
    std::unique_ptr<CQuarrowSequencePlayer> player;
    std::vector<bool> shown;

private:
    static void Shown(void* object, bool flag) { static_cast<CutScene*>(object)->shown.push_back(flag); }

    GameHarness& m_game;
};

// The window as large as the window system's layout, so that layout points are window pixels.
GameSettings Small()
{
    GameSettings settings;
    settings.width = 640;
    settings.height = 480;
    return settings;
}

// A game started with the fixture board as its level.
::testing::AssertionResult StartWithLevel(GameHarness& game)
{
    std::ofstream(game.Folder() / "grid.txt") << Grid;
    if (::testing::AssertionResult started = game.Start(); !started)
    {
        return started;
    }
    game.PostWorldCommand("StartLevel", "grid.txt");
    if (::testing::AssertionResult ran = game.RunFrames(2); !ran)
    {
        return ran;
    }
    if (game.World().GetPuzzle() == nullptr)
    {
        return ::testing::AssertionFailure() << "no puzzle after StartLevel: " << game.Trace();
    }
    return ::testing::AssertionSuccess();
}

std::vector<GameCommand> TakeCommands(CQuarrowInputChannel& channel)
{
    std::vector<GameCommand> commands;
    for (; channel.HasCommands(); channel.Pop())
    {
        commands.push_back(channel.Front());
    }
    return commands;
}

const std::string SevenLines = "one<br/>two<br/>three<br/>four<br/>five<br/>six<br/>seven";

class QuarrowSequencePlayerTest : public ::testing::Test
{
};

// Script element → the commands pushed, in order, on a board with a held block.
TEST_F(QuarrowSequencePlayerTest, CommandsPushTheirGameCommandsAndSwitchTheControls)
{
    GameHarness game(Small());
    ASSERT_TRUE(StartWithLevel(game));
    CutScene scene(game, true);
    CQuarrowInputChannel& channel = game.GameCommands();
    using K = GameCommandKind;
    const struct
    {
        const char* element;
        std::vector<GameCommand> pushed;
    } rows[] = {
        {"<blockmarker x=\"2\" y=\"1\"/>", {{K::ShowDirectionArrow, 0, 2, 1}}},
        {"<blockmarker x=\"2\" y=\"1\" direction=\"south\"/>", {{K::ShowDirectionArrow, 1, 2, 1}}},
        {"<blockmarker x=\"2\" y=\"1\" direction=\"west\"/>", {{K::ShowDirectionArrow, 2, 2, 1}}},
        {"<blockmarker type=\"direction\" x=\"4\" y=\"0\" direction=\"east\"/>",
         {{K::ShowDirectionArrow, 3, 4, 0}}},
        {"<blockmarker x=\"2\" y=\"1\" direction=\"up\"/>", {{K::ShowDirectionArrow, 0, 2, 1}}},
        {"<blockmarker type=\"pointer\" x=\"3\" y=\"2\" direction=\"east\"/>", {{K::ShowPointer, -1, 3, 2}}},
        {"<blockmarker show=\"false\"/>", {{K::HideDirectionArrow, -1, 0, 0}}},
        {"<blockmarker show=\"false\" type=\"pointer\" direction=\"east\"/>", {{K::HidePointer, -1, 0, 0}}},
        {"<mapcellmarker x=\"3\" y=\"4\"/>", {{K::ShowMapHighlight, -1, 3.5f, 4.5f}}},
        {"<mapcellmarker show=\"false\" x=\"3\" y=\"4\"/>", {{K::HideMapHighlight, -1, 0, 0}}},
        {"<rumbleeffect/>", {}},
    };
    channel.SetUserControlEnabled(true);
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.element);
        channel.Clear();
        scene.Play(scene.Script("row.xml",
                                CutScene::Scene(std::string(row.element) +
                                                "<setvariable key=\"done\" value=\"yes\"/><waitforever/>")));
        scene.player->Update(FrameSeconds);
        EXPECT_EQ("yes", scene.player->GetVariable("done")) << "the command finished at once";
        const std::vector<GameCommand> pushed = TakeCommands(channel);
        ASSERT_EQ(row.pushed.size(), pushed.size());
        for (std::size_t i = 0; i < pushed.size(); ++i)
        {
            EXPECT_EQ(row.pushed[i].kind, pushed[i].kind);
            EXPECT_EQ(row.pushed[i].param, pushed[i].param);
            EXPECT_EQ(row.pushed[i].x, pushed[i].x);
            EXPECT_EQ(row.pushed[i].y, pushed[i].y);
        }
        EXPECT_TRUE(channel.IsUserControlEnabled());
        EXPECT_TRUE(scene.shown.empty());
    }

    // The player holds the "A" block: switching the controls off lets go of it first, then the channel
    // drops what would play.
    CEditablePuzzle& puzzle = *game.World().GetPuzzle();
    for (CBlock* block : puzzle.GetBlocks())
    {
        if (block->GetRect().left == 0.0f && block->GetRect().top == 0.0f)
        {
            puzzle.SelectBlock(block->GetId());
        }
    }
    ASSERT_NE(-1, puzzle.GetSelectedBlockId());
    channel.Clear();
    scene.Play(scene.Script("controls.xml",
                            CutScene::Scene("<disablegamecontrols/><setvariable key=\"off\" value=\"yes\"/>"
                                            "<waitforall><timerelapsed time=\"0.01\"/></waitforall>"
                                            "<enablegamecontrols/><waitforever/>")));
    scene.shown.clear();
    scene.player->Update(FrameSeconds);
    EXPECT_EQ("yes", scene.player->GetVariable("off"));
    std::vector<GameCommand> pushed = TakeCommands(channel);
    ASSERT_EQ(1u, pushed.size());
    EXPECT_EQ(K::ReleaseBlock, pushed[0].kind);
    EXPECT_EQ(puzzle.GetSelectedBlockId(), pushed[0].param);
    EXPECT_FALSE(channel.IsUserControlEnabled());
    EXPECT_EQ(std::vector<bool>{true}, scene.shown);
    channel.PushGrabBlock(pushed[0].param);
    EXPECT_FALSE(channel.HasCommands());

    scene.player->Update(FrameSeconds);
    EXPECT_TRUE(channel.IsUserControlEnabled());
    EXPECT_EQ((std::vector<bool>{true, false}), scene.shown);

    // Nothing held: nothing released. Without a channel nothing is pushed and one trace says so.
    puzzle.ReleaseBlock(puzzle.GetSelectedBlockId());
    scene.Play(
        scene.Script("controls.xml",
                     CutScene::Scene("<disablegamecontrols/><hidesequence/><showsequence/><waitforever/>")));
    scene.shown.clear();
    scene.player->Update(FrameSeconds);
    EXPECT_FALSE(channel.HasCommands());
    EXPECT_EQ((std::vector<bool>{true, false, true}), scene.shown);
    channel.SetUserControlEnabled(true);

    scene.player->SetInputChannel(nullptr);
    const std::size_t traced = game.Trace().size();
    scene.Play(
        scene.Script("markers.xml",
                     CutScene::Scene("<blockmarker/><mapcellmarker/><disablegamecontrols/><waitforever/>")));
    scene.player->Update(FrameSeconds);
    EXPECT_FALSE(channel.HasCommands());
    EXPECT_TRUE(channel.IsUserControlEnabled());
    const std::string trace = game.Trace().substr(traced);
    EXPECT_NE(std::string::npos, trace.find("no game input channel")) << trace;
}

// The board conditions on the fixture board, before and after a solve, and on the map (no puzzle).
TEST_F(QuarrowSequencePlayerTest, BoardConditionsReadTheRunningPuzzleAndNeverHoldWithoutOne)
{
    GameHarness game(Small());
    ASSERT_TRUE(StartWithLevel(game));
    CutScene scene(game, true);
    const struct
    {
        const char* condition;
        bool holds;
        bool holdsWhenSolved;
    } rows[] = {
        {"<blockat x=\"1\" y=\"0\"/>", true, true},
        {"<noblockat x=\"1\" y=\"0\"/>", false, false},
        {"<blockat x=\"3\" y=\"0\"/>", false, false},
        {"<noblockat x=\"3\" y=\"0\"/>", true, true},
        // The wall west of the board stands in the grid's ring; cells beyond the ring count as empty.
        {"<blockat x=\"-1\" y=\"1\"/>", true, true},
        {"<noblockat x=\"-1\" y=\"1\"/>", false, false},
        {"<blockat x=\"9\" y=\"9\"/>", false, false},
        {"<noblockat x=\"9\" y=\"9\"/>", true, true},
        {"<puzzlesolved/>", false, true},
    };
    const auto holds = [&](const char* condition) {
        scene.Play(
            scene.Script("condition.xml", "<scene id=\"a\"><script><switchtosceneifall id=\"yes\">" +
                                              std::string(condition) +
                                              "</switchtosceneifall><waitforever/></script></scene>"
                                              "<scene id=\"yes\"><script><waitforever/></script></scene>"));
        scene.player->Update(FrameSeconds);
        return scene.player->GetSceneId() == "yes";
    };
    for (const auto& row : rows)
    {
        EXPECT_EQ(row.holds, holds(row.condition)) << row.condition;
    }

    // The player walks out through the exit.
    CEditablePuzzle& puzzle = *game.World().GetPuzzle();
    CBlock* player = nullptr;
    for (CBlock* block : puzzle.GetBlocks())
    {
        if (std::string(block->GetTypeName()) == "player")
        {
            player = block;
        }
    }
    ASSERT_NE(nullptr, player);
    puzzle.SelectBlock(player->GetId());
    puzzle.DragBlock(player->GetId(), 9, 1);
    puzzle.ReleaseBlock(player->GetId());
    ASSERT_TRUE(game.RunUntil([&] { return puzzle.IsSolved(); }, "the solve", 100));
    for (const auto& row : rows)
    {
        EXPECT_EQ(row.holdsWhenSolved, holds(row.condition)) << row.condition << " when solved";
    }

    scene.player->SetPuzzle(nullptr);
    for (const auto& row : rows)
    {
        EXPECT_FALSE(holds(row.condition)) << row.condition << " without a puzzle";
    }
}

// The host's ambience fades over the script's duration like the script's own sounds, and stops with them.
TEST_F(QuarrowSequencePlayerTest, TheAmbienceFadesAndStopsWithTheScriptsSounds)
{
    GameHarness game(Small());
    ASSERT_TRUE(game.Start());
    ASSERT_TRUE(game.RunFrames(1));
    GameTesting::RecordingSoundDevice& device = GameTesting::RecordingSoundDevice::Install();
    {
        CutScene scene(game, true);
        const std::string loop = "sound>fixture_wind.wav";
        const std::string own = "sound>fixture_bell.wav";
        CAtmoPlayer ambience;
        ambience.SetLoop(loop);
        scene.player->SetAmbience(&ambience);
        const std::string sounds = "<sounds><sound id=\"bell\" file=\"" + own + "\" loop=\"true\"/></sounds>";
        for (const char* command : {"<fadeoutallsound duration=\"2\"/>", "<stopallsound/>"})
        {
            SCOPED_TRACE(command);
            ASSERT_TRUE(ambience.Play());
            device.ClearLog();
            scene.Play(scene.Script("sounds.xml", CutScene::Scene(std::string("<startsound id=\"bell\"/>") +
                                                                      command + "<waitforever/>",
                                                                  sounds)));
            scene.player->Update(FrameSeconds);
            EXPECT_FALSE(device.IsPlaying(loop));
            EXPECT_FALSE(device.IsPlaying(own));
            if (std::string(command).find("fade") != std::string::npos)
            {
                for (const std::string& file : {loop, own})
                {
                    const auto fades = device.Records(GameTesting::SoundEvent::Fade, file);
                    ASSERT_EQ(1u, fades.size()) << file;
                    EXPECT_EQ(0.0f, fades[0].value) << file;
                    EXPECT_EQ(2000, fades[0].durationMs) << file;
                }
            }
            else
            {
                EXPECT_EQ(1u, device.Count(GameTesting::SoundEvent::Stop, loop));
                EXPECT_EQ(0u, device.Count(GameTesting::SoundEvent::Fade, loop));
            }
            scene.player->Stop();
        }
        scene.player->SetAmbience(nullptr);
    }
    GameTesting::RecordingSoundDevice::Uninstall();
}

// The language copy of a script wins when it exists.
TEST_F(QuarrowSequencePlayerTest, ScriptsLoadInTheChosenLanguageWhenACopyExists)
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("Quarrow sequence language-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    GameSettings settings = Small();
    settings.aliases = {{"sequence", folder.string()}};
    GameHarness game(settings);
    ASSERT_TRUE(game.Start());
    CutScene scene(game, true);
    for (const char* language : {"base", "german"})
    {
        const std::filesystem::path path =
            folder / "map" / (std::string(language) == "base" ? "" : "german/") / "intro.xml";
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path) << "<sequence>"
                            << CutScene::Scene(std::string("<setvariable key=\"file\" value=\"") + language +
                                               "\"/><waitforever/>")
                            << "</sequence>";
    }
    ASSERT_NE(nullptr, CFileTranslator::GetInstance());
    CFileTranslator::GetInstance()->SetLanguageFolder("german/");
    for (const char* expected : {"german", "base"})
    {
        SCOPED_TRACE(expected);
        ASSERT_TRUE(scene.player->Load("sequence>map/intro.xml"));
        scene.player->Start();
        scene.player->Update(FrameSeconds);
        EXPECT_EQ(expected, scene.player->GetVariable("file"));
        std::filesystem::remove_all(folder / "map" / "german");
    }
    std::filesystem::remove_all(folder);
}

// A host without the cut-scene window's dialog (and perhaps without a box) never waits for a button.
TEST_F(QuarrowSequencePlayerTest, WithoutADialogTheTextRunsToItsEndWithoutInput)
{
    GameHarness game(Small());
    ASSERT_TRUE(game.Start());
    for (const bool withBox : {true, false})
    {
        SCOPED_TRACE(withBox ? "with a box" : "without a box");
        CutScene scene(game, false);
        scene.Play(scene.Script(
            "plain.xml",
            CutScene::Scene(
                "<dialogtextsequence characterdelay=\"0.01\">" + SevenLines +
                    "</dialogtextsequence><setvariable key=\"done\" value=\"yes\"/><waitforever/>",
                withBox ? "<dialogbox mode=\"tutorial\"/>" : "")));
        EXPECT_EQ(withBox, scene.player->GetDialogBox() != nullptr);
        int updates = 0;
        for (; updates < 200 && scene.player->GetVariable("done").empty(); ++updates)
        {
            scene.player->Update(FrameSeconds);
        }
        EXPECT_EQ("yes", scene.player->GetVariable("done"));
        if (withBox)
        {
            EXPECT_EQ("seven", scene.Typed());
        }
        EXPECT_FALSE(scene.player->IsTextSequenceRunning());
    }
}

// The box's style follows "mode", its picture "orientation"; a second box resource replaces the first.
TEST_F(QuarrowSequencePlayerTest, DialogBoxResourcesMakeOneBoxOfTheirStyle)
{
    GameHarness game(Small());
    ASSERT_TRUE(game.Start());
    CutScene scene(game, true);
    const auto boxesOnCanvas = [&] {
        int count = 0;
        for (std::int32_t i = 0; i < scene.canvas->GetChildCount(); ++i)
        {
            const UILib::CWindow* child =
                UILib::CWindowManager::GetInstance()->Resolve(scene.canvas->GetChildHandle(i));
            count += child != nullptr && std::string(child->GetClassName()) == "CDialogBox";
        }
        return count;
    };
    for (const auto& [mode, style] : {std::pair("tutorial", 1), std::pair("extro", 2), std::pair("map", 0)})
    {
        scene.Play(scene.Script(
            "box.xml", CutScene::Scene("<waitforever/>", "<dialogbox mode=\"extro\"/><dialogbox mode=\"" +
                                                             std::string(mode) + "\"/>")));
        ASSERT_NE(nullptr, scene.player->GetDialogBox()) << mode;
        EXPECT_EQ(style, scene.player->GetDialogBox()->GetStyle()) << mode;
        EXPECT_FALSE(scene.player->GetDialogBox()->IsVisible()) << mode;
        ASSERT_TRUE(game.RunFrames(1));
        EXPECT_EQ(1, boxesOnCanvas()) << mode;
    }
    for (const auto& [word, orientation] : {std::pair("neutral", 1), std::pair("left", 2),
                                            std::pair("right", 3), std::pair("up", 0), std::pair("", 0)})
    {
        const std::string attribute = *word != '\0' ? std::string(" orientation=\"") + word + "\"" : "";
        scene.Play(scene.Script("box.xml", CutScene::Scene("<dialogtextsequence" + attribute +
                                                               ">x</dialogtextsequence><waitforever/>",
                                                           "<dialogbox mode=\"tutorial\"/>")));
        scene.player->Update(FrameSeconds);
        ASSERT_NE(nullptr, scene.player->GetDialogBox());
        EXPECT_EQ(orientation, scene.player->GetDialogBox()->GetOrientation()) << word;
        EXPECT_TRUE(scene.player->GetDialogBox()->IsVisible()) << word;
    }
    scene.player->Stop();
    EXPECT_EQ(nullptr, scene.player->GetDialogBox());
    ASSERT_TRUE(game.RunFrames(1));
    EXPECT_EQ(0, boxesOnCanvas());
}

// Injected input needs the display's focus to itself: these run alone.
class QuarrowSequencePlayerInputTest : public ::testing::Test
{
};

TEST_F(QuarrowSequencePlayerInputTest, SevenLinesComeInPagesOfThreeEachWaitingForContinue)
{
    GameHarness game(Small());
    ASSERT_TRUE(game.Start());
    CutScene scene(game, true);
    game.FocusWindow();
    scene.Play(scene.Script("pages.xml",
                            CutScene::Scene("<setbrightness value=\"1\"/>"
                                            "<dialogtextsequence characterdelay=\"0.04\">" +
                                                SevenLines +
                                                "</dialogtextsequence>"
                                                "<setvariable key=\"done\" value=\"yes\"/><waitforever/>",
                                            "<dialogbox/>")));
    scene.UpdateEveryFrame();
    ASSERT_TRUE(game.RunFrames(2));
    UILib::CButton& continueButton = *scene.dialog->GetContinueButton();
    const CPoint freeArea = game.WindowPoint(CPoint(300, 415));
    const char* const pages[] = {"one\ntwo\nthree", "four\nfive\nsix", "seven"};
    for (int page = 0; page < 3; ++page)
    {
        SCOPED_TRACE(page);
        EXPECT_TRUE(continueButton.IsDisabled()) << "offered while typing";
        EXPECT_NE(pages[page], scene.Typed());
        // A click on the window while the page types: faster typing, no confirmation.
        ASSERT_TRUE(game.Click(freeArea));
        EXPECT_FLOAT_EQ(0.004f, scene.player->GetDialogBox()->GetCurrentDelay());
        ASSERT_TRUE(game.RunUntil([&] { return !continueButton.IsDisabled(); }, "the continue button"));
        EXPECT_EQ(pages[page], scene.Typed());
        EXPECT_EQ("", scene.player->GetVariable("done"));
        ASSERT_TRUE(game.Click(game.CentreOf(continueButton)));
        ASSERT_TRUE(game.RunFrames(1));
    }
    EXPECT_EQ("yes", scene.player->GetVariable("done"));
    EXPECT_TRUE(continueButton.IsDisabled());
}

TEST_F(QuarrowSequencePlayerInputTest, SkipFadesToBlackUnlessBlackAlreadyAndTheNextSequenceStartsAfresh)
{
    GameHarness game(Small());
    ASSERT_TRUE(game.Start());
    CutScene scene(game, true);
    game.FocusWindow();
    const std::string resources = "<dialogbox mode=\"tutorial\"/>";
    const std::string text =
        "<dialogtextsequence characterdelay=\"0\">first<br/>page</dialogtextsequence><waitforever/>";
    const UILib::CButton& skipButton = *scene.dialog->GetSkipButton();
    // The frames in which the player first saw the skip and the end (the frame hook outlives each round).
    int skipFrame = -1;
    int endFrame = -1;
    for (const bool black : {true, false})
    {
        SCOPED_TRACE(black ? "already black" : "bright");
        scene.Play(scene.Script(
            "skip.xml", CutScene::Scene((black ? "" : "<setbrightness value=\"1\"/>") + text, resources)));
        skipFrame = -1;
        endFrame = -1;
        game.SetFrameHook([&] {
            scene.player->Update(FrameSeconds);
            if (skipFrame < 0 && scene.player->IsSkipRequested())
            {
                skipFrame = game.Frames();
            }
            if (endFrame < 0 && scene.player->IsFinished())
            {
                endFrame = game.Frames();
            }
        });
        ASSERT_TRUE(game.Click(CPoint(600, 100)));
        ASSERT_TRUE(game.RunUntil([&] { return scene.player->IsWaitingForConfirm(); }, "the first page"));
        scene.shown.clear();
        ASSERT_TRUE(game.Click(game.CentreOf(skipButton)));
        ASSERT_TRUE(game.RunUntil([&] { return endFrame >= 0; }, "the end"));
        ASSERT_GE(skipFrame, 0);
        UILib::CPanel* panel = scene.player->GetBrightnessPanel();
        ASSERT_NE(nullptr, panel);
        const auto* canvas = dynamic_cast<UILib::CTextureCanvas*>(panel->GetCanvas(false));
        ASSERT_NE(nullptr, canvas);
        EXPECT_EQ(1.0f, canvas->GetTransparency());
        if (black)
        {
            EXPECT_EQ(skipFrame, endFrame);
        }
        else
        {
            // 0.5 s at 0.02 s a frame.
            EXPECT_NEAR(25, endFrame - skipFrame, 2);
            ASSERT_TRUE(game.RunFrames(1));
            int width = 0;
            int height = 0;
            const GameTesting::Pixels frame = game.ReadFrame(width, height);
            ASSERT_EQ(640, width);
            GameHarness::WritePicture(QUARROW_TEST_OUTPUT_DIR, "cutscene_skipped", width, height, frame);
            for (const CPoint point : {CPoint(5, 5), CPoint(512, 200), CPoint(634, 395)})
            {
                EXPECT_EQ(0xFF000000u, frame[static_cast<std::size_t>(point.y) * width + point.x])
                    << point.x << ", " << point.y;
            }
            // Below the canvas the window itself still shows.
            EXPECT_NE(0xFF000000u, frame[static_cast<std::size_t>(440) * width + 300]);
        }
        EXPECT_EQ(std::vector<bool>{false}, scene.shown);
        EXPECT_FALSE(scene.player->IsTextSequenceRunning());
    }

    // The same player runs the next sequence: its own first page shows.
    scene.Play(scene.Script(
        "next.xml",
        CutScene::Scene("<dialogtextsequence characterdelay=\"0\">second</dialogtextsequence><waitforever/>",
                        resources)));
    ASSERT_TRUE(game.RunUntil([&] { return scene.player->IsWaitingForConfirm(); }, "the next page"));
    EXPECT_EQ("second", scene.Typed());
    EXPECT_FALSE(scene.dialog->GetContinueButton()->IsDisabled());
}

} // namespace
