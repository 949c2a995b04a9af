// The map screen in the running game on the fixture map (data/levels/jungle.map.xml, 4 x 3 cells inside
// the border) with the small test layouts of data/interface, the cut-scene script of data/sequences and
// stand-in screens where the map leads. The fixture map:
//
//   (1, 1) start, exit 0 - (2, 1) key A - (3, 1) lock of key A - (4, 1) exit 1
//     |                      |
//   (1, 2) plain         - (2, 2) puzzle of level 1
//     |
//   (1, 3) cut-scene "jungle/meeting.xml"
//
// The mood is "clearing" in column 1 and on (2, 1), "river" on the others. The copies named after the
// other maps let the tests run it as any map. The mood pictures are flat colours (PNG data under the
// ".jpg" names the screen asks for: the image reader goes by a file's content). Tests that inject real
// mouse and key events run alone.
#include "game/map/MapScreen.h"

#include "foundation/Debug.h"
#include "framework/CommandQueue.h"
#include "framework/UIScreen.h"
#include "game/GameCommand.h"
#include "game/GameContext.h"
#include "game/QuarrowInputChannel.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowUIScreen.h"
#include "game/QuarrowWorld.h"
#include "game/ScreenFader.h"
#include "game/map/EditableMap.h"
#include "game/savegame/QuarrowSaveGame.h"
#include "game/savegame/SaveGameManager.h"
#include "game/sequences/DialogBox.h"
#include "game/sequences/QuarrowSequencePlayer.h"
#include "game/sequences/SequenceDialog.h"
#include "platform/os/EventInjection.h"
#include "tests/game/harness/GameHarness.h"
#include "tests/platform/TempFolder.h"
#include "ui/BitmapFactory.h"
#include "ui/UILibSystem.h"
#include "ui/Window.h"
#include "ui/WindowManager.h"
#include "ui/controls/Button.h"
#include "ui/controls/Label.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace
{

using BaseLib::CPoint;
using GameTesting::GameHarness;
using GameTesting::GameSettings;

// A screen the map leads to: it does nothing.
class StandInScreen : public CQuarrowUIScreen
{
public:
    StandInScreen(CQuarrowUI* ui, CQuarrowWorld* world) : CQuarrowUIScreen(ui, world) {}
    void Update() override {}
    void OnActivate() override {}
    void OnDeactivate() override {}
};

// One frame as the frame hook saw it.
struct FrameRecord
{
    std::string screen;
    std::string state;
    std::int32_t gameState;
    float fader;
    bool moodFading;
};

// Pushes the command again as it was.
void Repush(CQuarrowInputChannel& channel, const GameCommand& c)
{
    switch (c.kind)
    {
    case GameCommandKind::MapWalkTo:
        channel.PushMapWalkTo(c.x, c.y);
        break;
    case GameCommandKind::MapEnterCell:
        channel.PushMapEnterCell(c.x, c.y);
        break;
    case GameCommandKind::MapStartLevel:
        channel.PushMapStartLevel(c.x, c.y);
        break;
    case GameCommandKind::MapExit:
        channel.PushMapExit(c.x, c.y);
        break;
    case GameCommandKind::SelectMap:
        channel.PushSelectMap(c.param);
        break;
    case GameCommandKind::LeaveMap:
        channel.PushLeaveMap();
        break;
    case GameCommandKind::ShowMapHighlight:
        channel.PushShowMapHighlight(c.x, c.y);
        break;
    case GameCommandKind::HideMapHighlight:
        channel.PushHideMapHighlight();
        break;
    case GameCommandKind::CutsceneDone:
        channel.PushCutsceneDone();
        break;
    case GameCommandKind::Cheat:
        channel.PushCheat();
        break;
    default:
        ADD_FAILURE() << "the map screen pushed command kind " << static_cast<int>(c.kind);
        break;
    }
}

class MapScreenTest : public TempFolderTest
{
protected:
    void SetUp() override
    {
        TempFolderTest::SetUp();
        // The fixture map serves as every map but the swamp, which has its own.
        const std::filesystem::path source = std::filesystem::path(QUARROW_TEST_DATA_DIR) / "levels";
        std::filesystem::create_directories(Root() / "levels");
        for (const char* name : {"basic", "jungle", "cave", "temple"})
        {
            std::filesystem::copy_file(source / "jungle.map.xml",
                                       Root() / "levels" / (std::string(name) + ".map.xml"));
        }
        std::filesystem::copy_file(source / "swamp.map.xml", Root() / "levels" / "swamp.map.xml");
    }
    void TearDown() override
    {
        game.reset();
        TempFolderTest::TearDown();
    }

    // The game with the test layouts of interfaceFolder and the maps of levelFolder (default: the
    // copies), a profile, map 1 open and current, and stand-ins for the screens the map leads to.
    void StartGame(const std::string& interfaceFolder = std::string(QUARROW_TEST_DATA_DIR) + "/interface",
                   std::string levelFolder = std::string())
    {
        if (levelFolder.empty())
        {
            levelFolder = (Root() / "levels").string();
        }
        GameSettings settings;
        settings.renderer = "2d";
        settings.aliases = {{"interface", interfaceFolder},
                            {"level", levelFolder},
                            {"sequence", std::string(QUARROW_TEST_DATA_DIR) + "/sequences"}};
        game = std::make_unique<GameHarness>(settings);
        ASSERT_TRUE(game->Start());
        // The figure, markers and fog of data/map, the mood pictures of data/sequences, and the theme.
        UILib::CBitmapFactory* bitmaps = UILib::CUILibSystem::GetInstance()->GetBitmapFactory();
        bitmaps->AddSearchPath(QUARROW_TEST_DATA_DIR);
        bitmaps->AddSearchPath(QUARROW_MEDIA_DIR "/interface/standard");
        for (const char* name : {"gamemenu", "ingame2d", "ingame3d"})
        {
            game->AddScreen(name, new StandInScreen(&game->UI(), &game->World()));
        }
        profile = &game->AddProfile("Ann");
        Progress().SetCurrentMap(1);
        Progress().GetMapProgress(1).SetOpen(true);
        game->SetScreenStateReader([](GameLib::CUIScreen& screen) {
            auto* map = dynamic_cast<CMapScreen*>(&screen);
            return map != nullptr ? map->GetStates().GetCurrentStateName() : std::string();
        });
        game->SetFrameHook([this] { RecordFrame(); });
        game->FocusWindow();
    }

    void RecordFrame()
    {
        if (!game->IsRunning())
        {
            return;
        }
        const bool onMap = game->Screens().GetCurrentScreenName() == "map";
        frames.push_back({game->Screens().GetCurrentScreenName(),
                          onMap ? Screen().GetStates().GetCurrentStateName() : "", Context().GetState(),
                          game->UI().GetFader()->GetValue(), onMap && Screen().IsMoodFading()});
        // What the frame pushed, kept for the world's next step.
        CQuarrowInputChannel& channel = game->GameCommands();
        std::vector<GameCommand> queued;
        for (; channel.HasCommands(); channel.Pop())
        {
            queued.push_back(channel.Front());
        }
        for (const GameCommand& command : queued)
        {
            pushed.push_back(command);
            Repush(channel, command);
        }
    }

    CMapScreen& Screen() const { return *static_cast<CMapScreen*>(game->Screens().FindScreen("map")); }
    GameContext& Context() const { return *game->World().GetGameContext(); }
    ProgressRecord& Progress() const { return Context().GetProgress(); }
    CEditableMap* Map() const { return game->World().GetMap(); }
    std::string State() const { return Screen().GetStates().GetCurrentStateName(); }

    // Leaves any map for the game menu's stand-in (the map shut), then enters the map screen on the map
    // with the figure at the centre of cell (x, y), and waits until the player walks.
    ::testing::AssertionResult Enter(int map, int x = 1, int y = 1)
    {
        if (game->Screens().GetCurrentScreenName() != "gamemenu")
        {
            game->SwitchTo("gamemenu");
            if (auto result = game->RunFrames(1); !result)
            {
                return result;
            }
        }
        Progress().SetCurrentMap(map);
        Progress().GetMapProgress(map).SetOpen(true);
        Progress().SetFigurePosition(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f);
        if (!game->SwitchTo("map"))
        {
            return ::testing::AssertionFailure() << "no screen \"map\"";
        }
        return WaitForState("Walking");
    }
    ::testing::AssertionResult WaitForState(const std::string& state, int frameLimit = 600)
    {
        return game->RunUntil(
            [&] { return game->Screens().GetCurrentScreenName() == "map" && State() == state; },
            "the map screen's state " + state, frameLimit);
    }
    // The map selection in place: shown, and its animations in and out of the last opening done.
    ::testing::AssertionResult WaitForDialog()
    {
        return game->RunUntil(
            [&] {
                const UILib::CWindow* panel = Screen().GetPanel();
                return Window("mapselectiondialog").IsVisible() &&
                       !panel->IsAnimationPlaying("mapchange", true) &&
                       !panel->IsAnimationPlaying("mapchange_out", true);
            },
            "the map selection");
    }
    ::testing::AssertionResult WaitUntilStill()
    {
        return game->RunUntil([&] { return Map() != nullptr && !Map()->IsWalking(); }, "the figure standing");
    }

    UILib::CWindow& Window(const char* name) const
    {
        UILib::CWindow* window = Screen().GetPanel()->FindChildByName(BaseLib::CString(name), true);
        EXPECT_NE(nullptr, window) << name;
        return *window;
    }
    bool Shown(const char* name) const { return Window(name).IsVisible(); }
    std::string Text(const char* name) const
    {
        return static_cast<const char*>(static_cast<UILib::CLabel&>(Window(name)).GetText());
    }
    // The window pixel at the centre of the map's cell.
    CPoint CellPixel(int x, int y, float fx = 0.5f, float fy = 0.5f) const
    {
        const BaseLib::CRect map = game->WindowPixels(*Screen().GetRenderer()->GetMapWindow());
        return CPoint(map.left + static_cast<int>((static_cast<float>(x) + fx) * 64.0f),
                      map.top + static_cast<int>((static_cast<float>(y) + fy) * 64.0f));
    }
    ::testing::AssertionResult ClickCell(int x, int y) { return game->Click(CellPixel(x, y)); }
    ::testing::AssertionResult ClickWindow(const char* name)
    {
        return game->Click(game->CentreOf(Window(name)));
    }
    static std::vector<GameCommandKind> Kinds(const std::vector<GameCommand>& commands)
    {
        std::vector<GameCommandKind> kinds;
        for (const GameCommand& command : commands)
        {
            kinds.push_back(command.kind);
        }
        return kinds;
    }
    // What the screen pushed during its updates.
    std::vector<GameCommandKind> PushedKinds() const { return Kinds(pushed); }
    // Input reaches the windows before the world's step of the same frame, which takes the commands at
    // once: while the world is paused they stay queued for reading.
    ::testing::AssertionResult PauseWorld(bool paused)
    {
        game->PostWorldCommand("SetPause", paused ? "true" : "false");
        return game->RunFrames(1);
    }
    std::vector<GameCommand> Queued() const
    {
        CQuarrowInputChannel& channel = game->GameCommands();
        std::vector<GameCommand> queued;
        for (; channel.HasCommands(); channel.Pop())
        {
            queued.push_back(channel.Front());
        }
        for (const GameCommand& command : queued)
        {
            Repush(channel, command);
        }
        return queued;
    }
    std::size_t FirstFrame(const std::string& screen) const
    {
        for (std::size_t i = 0; i < frames.size(); ++i)
        {
            if (frames[i].screen == screen)
            {
                return i;
            }
        }
        return frames.size();
    }

    std::unique_ptr<GameHarness> game;
    CQuarrowSaveGame* profile = nullptr;
    std::vector<FrameRecord> frames;
    std::vector<GameCommand> pushed;
};

// The runs with real input, in three suites that each run alone.
using MapScreenInputTest = MapScreenTest;
using MapScreenSelectionInputTest = MapScreenTest;
using MapScreenCutSceneInputTest = MapScreenTest;

TEST_F(MapScreenTest, TheGameRegistersTheMapScreenBetweenThePuzzleScreensAndTheGameMenu)
{
    ASSERT_NO_FATAL_FAILURE(StartGame());
    CMapScreen& screen = Screen();
    EXPECT_EQ("Start", screen.GetStates().GetCurrentStateName());
    EXPECT_EQ(nullptr, screen.GetRenderer());
    EXPECT_EQ(nullptr, screen.GetSequencePlayer());
    EXPECT_EQ(nullptr, screen.GetSequenceDialog());
    EXPECT_EQ(nullptr, screen.GetPanel());
    EXPECT_EQ("", screen.GetNextScreen());
    EXPECT_FALSE(screen.IsMoodFading());
    EXPECT_EQ("", screen.GetMoodName(0));
    EXPECT_EQ("", screen.GetMoodName(1));
    for (const char* state :
         {"Start", "FadeIn", "SelectMap", "Walking", "SequenceStart", "Sequence", "SequenceEnd", "FadeOut"})
    {
        EXPECT_NE(nullptr, screen.GetStates().FindState(state)) << state;
    }
}

// Activation: the world's four commands in order, "Start" until the world took them, the fade, then
// walking with the figure on the start cell and the map drawn.
TEST_F(MapScreenTest, ActivationStartsTheMapAndWaitsForTheWorldBeforeFadingIn)
{
    ASSERT_NO_FATAL_FAILURE(StartGame());
    GameLib::CCommandQueue& queue = *game->World().GetCommandQueue();
    ASSERT_TRUE(queue.IsEmpty());
    game->UI().GetSaveGameManager()->SetPlayMode(3);
    ASSERT_TRUE(game->SwitchTo("map"));
    std::vector<std::string> names;
    for (const GameLib::TCommand& command : queue.GetPending())
    {
        names.push_back(command.name + "(" + command.argument + ")");
    }
    EXPECT_EQ((std::vector<std::string>{"SetMap(1)", "StartMap()", "SetUserControlEnabled(true)",
                                        "SetPause(false)"}),
              names);
    EXPECT_EQ(1, game->UI().GetSaveGameManager()->GetPlayMode());
    EXPECT_EQ("Start", State());
    ASSERT_TRUE(WaitForState("Walking"));
    ASSERT_GE(frames.size(), 3u);
    EXPECT_EQ("FadeIn", frames[0].state) << "the world took the commands in the first frame";
    const auto fadeFrames =
        std::count_if(frames.begin(), frames.end(), [](const FrameRecord& f) { return f.state == "FadeIn"; });
    EXPECT_NEAR(25.0, static_cast<double>(fadeFrames), 2.0);
    EXPECT_EQ(GameContext::MapRunning, Context().GetState());
    ASSERT_NE(nullptr, Map());
    EXPECT_EQ(1, Map()->GetMapIndex());
    EXPECT_EQ(CPoint(1, 1), Map()->GetPlayerCell());
    ASSERT_NE(nullptr, Screen().GetRenderer());
    EXPECT_NE(nullptr, Screen().GetRenderer()->GetMapWindow());
    EXPECT_NE(nullptr, Screen().GetSequenceDialog());
    EXPECT_TRUE(Screen().GetPanel()->IsVisible());
    EXPECT_TRUE(Shown("menubutton"));
    EXPECT_FALSE(Shown("mapselectiondialog"));
    EXPECT_FALSE(Shown("cutscenewindow"));
}

// The HUD: keys, gold, pylons, the coins of the figure's level and its label on the maps.
TEST_F(MapScreenTest, TheHudShowsKeysGoldPylonsAndTheFiguresLevel)
{
    ASSERT_NO_FATAL_FAILURE(StartGame());
    Progress().SetKeyCount(0, 0);
    Progress().SetKeyCount(1, 2);
    Progress().SetKeyCount(2, 1);
    Progress().SetPylonCount(2);
    Progress().SetTreasureGold(7);
    Progress().GetMapProgress(1).GetLevelRecord(0).RaiseRating(2);
    Progress().GetMapProgress(2).GetLevelRecord(0).RaiseRating(3);
    Progress().GetMapProgress(0).GetLevelRecord(0).RaiseRating(3);
    ASSERT_TRUE(Enter(1, 2, 2));
    EXPECT_FALSE(Shown("yellowkey"));
    EXPECT_FALSE(Shown("yellowkeylabel"));
    EXPECT_TRUE(Shown("redkey"));
    EXPECT_TRUE(Shown("redkeylabel"));
    EXPECT_EQ("2", Text("redkeylabel"));
    EXPECT_EQ("1", Text("bluekeylabel"));
    // Maps 1 to 4 and the treasure, 2 + 3 + 7: the stars of map 0 do not count.
    EXPECT_EQ("12", Text("goldlabel"));
    for (int i = 1; i <= 8; ++i)
    {
        EXPECT_EQ(i <= 2, Shown(("pylon" + std::to_string(i)).c_str())) << i;
    }
    for (int i = 1; i <= 3; ++i)
    {
        EXPECT_EQ(i <= 2, Shown(("coin" + std::to_string(i)).c_str())) << i;
    }
    EXPECT_TRUE(Shown("levellabel"));
    EXPECT_EQ("1-01", Text("levellabel"));

    // Level 12 of map 3, unrated; the first level of map 0.
    ASSERT_TRUE(Enter(3, 2, 2));
    Map()->GetCell(2, 2).puzzle = 11;
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_EQ("3-12", Text("levellabel"));
    EXPECT_FALSE(Shown("coin1"));
    ASSERT_TRUE(Enter(0, 2, 2));
    EXPECT_EQ("C-01", Text("levellabel"));

    // No puzzle: no label, no coin.
    ASSERT_TRUE(Enter(1, 1, 2));
    EXPECT_FALSE(Shown("levellabel"));
    for (const char* coin : {"coin1", "coin2", "coin3"})
    {
        EXPECT_FALSE(Shown(coin)) << coin;
    }
}

// The buttons for the figure's cell, by map and cell.
TEST_F(MapScreenTest, TheButtonsFollowTheFiguresCell)
{
    ASSERT_NO_FATAL_FAILURE(StartGame());
    const struct
    {
        int map, x, y;
        bool play, open, leave;
        const char* what;
    } cases[] = {
        {1, 2, 2, true, false, false, "a puzzle"},
        {1, 3, 1, false, true, false, "a lock"},
        {1, 4, 1, false, false, true, "the jungle's way on"},
        {1, 1, 1, false, false, false, "the jungle's way back leads nowhere"},
        {1, 1, 2, false, false, false, "a plain cell"},
        {4, 4, 1, false, false, false, "the temple's way on leads nowhere"},
        {4, 1, 1, false, false, true, "the temple's way back"},
        {2, 1, 1, false, false, true, "the swamp's way back"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(Enter(c.map, c.x, c.y));
        EXPECT_EQ(c.play, Shown("playbutton"));
        EXPECT_EQ(c.open, Shown("openbutton"));
        EXPECT_EQ(c.leave, Shown("leavebutton"));
    }
    // While the figure walks, none.
    ASSERT_TRUE(Enter(1, 2, 2));
    game->GameCommands().PushMapWalkTo(1.0f, 2.0f);
    ASSERT_TRUE(game->RunFrames(2));
    ASSERT_TRUE(Map()->IsWalking());
    EXPECT_FALSE(Shown("playbutton"));
}

// The region's ambience, and none with the music option off.
TEST_F(MapScreenTest, TheAmbienceFollowsTheRegionAndTheMusicOption)
{
    ASSERT_NO_FATAL_FAILURE(StartGame());
    const struct
    {
        int map;
        bool loop;
        std::size_t oneShots;
    } regions[] = {{1, true, 5}, {0, true, 5}, {2, true, 6}, {3, false, 3}, {4, true, 0}};
    for (const auto& region : regions)
    {
        SCOPED_TRACE(region.map);
        ASSERT_TRUE(Enter(region.map));
        ASSERT_TRUE(game->RunFrames(1));
        CAtmoPlayer& ambience = Screen().GetAmbience();
        EXPECT_EQ(region.loop, ambience.GetLoop() != nullptr);
        EXPECT_EQ(region.oneShots, ambience.GetOneShotCount());
        EXPECT_TRUE(ambience.IsPlaying()) << "walking fades it in";
    }
    profile->GetOptions().music = 0;
    ASSERT_TRUE(Enter(1));
    EXPECT_EQ(nullptr, Screen().GetAmbience().GetLoop());
    EXPECT_EQ(0u, Screen().GetAmbience().GetOneShotCount());
}

// The mood picture cross-fades for 0.5 s when the figure's cell has another mood, and only then.
TEST_F(MapScreenTest, TheMoodPictureCrossFadesOnlyWhenTheMoodChanges)
{
    ASSERT_NO_FATAL_FAILURE(StartGame());
    ASSERT_TRUE(Enter(1));
    ASSERT_TRUE(game->RunUntil([&] { return !Screen().IsMoodFading(); }, "the first picture"));
    const int first = Screen().GetCurrentMood();
    EXPECT_EQ("clearing", Screen().GetMoodName(first));
    auto* front = static_cast<UILib::CLabel*>(&Window(first == 0 ? "mood1" : "mood2"));
    // The picture at the window's size.
    EXPECT_EQ("sequences/jungle/clearing.jpg_256_192",
              std::string(static_cast<const char*>(front->GetBitmapFile())));
    EXPECT_TRUE(front->IsVisible());

    frames.clear();
    game->GameCommands().PushMapWalkTo(1.0f, 2.0f);
    ASSERT_TRUE(game->RunFrames(2));
    ASSERT_TRUE(WaitUntilStill());
    EXPECT_TRUE(std::none_of(frames.begin(), frames.end(), [](const FrameRecord& f) { return f.moodFading; }))
        << "the same mood shows no new cross-fade";
    EXPECT_EQ(first, Screen().GetCurrentMood());

    frames.clear();
    game->GameCommands().PushMapWalkTo(2.0f, 2.0f);
    ASSERT_TRUE(game->RunUntil([&] { return Screen().IsMoodFading(); }, "the cross-fade"));
    ASSERT_TRUE(game->RunUntil([&] { return !Screen().IsMoodFading(); }, "the end of the cross-fade"));
    const auto fading =
        std::count_if(frames.begin(), frames.end(), [](const FrameRecord& f) { return f.moodFading; });
    EXPECT_NEAR(26.0, static_cast<double>(fading), 1.0)
        << "0.5 s at 0.02 s a frame, and the frame that ends it";
    EXPECT_EQ(1 - first, Screen().GetCurrentMood());
    EXPECT_EQ("river", Screen().GetMoodName(Screen().GetCurrentMood()));
    EXPECT_FALSE(Window(first == 0 ? "mood1" : "mood2").IsVisible()) << "the old picture is hidden at fade 0";
}

// A world without a map file: no field, no crash, and the game menu is still reached.
TEST_F(MapScreenInputTest, WithoutAMapFileTheScreenRunsAndEscapeStillLeads)
{
    std::filesystem::create_directories(Root() / "nolevels");
    ASSERT_NO_FATAL_FAILURE(
        StartGame(std::string(QUARROW_TEST_DATA_DIR) + "/interface", (Root() / "nolevels").string()));
    Progress().SetTreasureGold(12);
    ASSERT_TRUE(game->SwitchTo("map"));
    ASSERT_TRUE(WaitForState("Walking"));
    ASSERT_TRUE(game->RunFrames(60));
    EXPECT_EQ(nullptr, Screen().GetRenderer());
    ASSERT_NE(nullptr, Map());
    EXPECT_EQ(0, Map()->GetSize().cx);
    for (const char* name :
         {"yellowkey", "playbutton", "openbutton", "leavebutton", "pylon1", "coin1", "levellabel"})
    {
        EXPECT_FALSE(Shown(name)) << name;
    }
    EXPECT_EQ("12", Text("goldlabel"));
    EXPECT_NE(std::string::npos, game->Trace().find("Map screen: the world has no map with cells"));
    ASSERT_TRUE(game->PressKey("Escape"));
    ASSERT_TRUE(game->RunUntil([&] { return game->Screens().GetCurrentScreenName() == "gamemenu"; },
                               "the game menu"));
}

// Clicks: one walks at 2 cells a second, a second on the target hurries to 8, a border click pushes
// nothing, and key A is taken at the end of the walk.
TEST_F(MapScreenInputTest, AClickWalksAndASecondClickOnTheTargetHurries)
{
    ASSERT_NO_FATAL_FAILURE(StartGame());
    ASSERT_TRUE(Enter(1));
    ASSERT_TRUE(PauseWorld(true));
    ASSERT_TRUE(game->Click(CellPixel(0, 1)));
    ASSERT_TRUE(game->Click(CellPixel(1, 4)));
    EXPECT_TRUE(Queued().empty()) << "border cells";

    ASSERT_TRUE(ClickCell(2, 1));
    const std::vector<GameCommand> queued = Queued();
    ASSERT_EQ(1u, queued.size());
    EXPECT_EQ(GameCommandKind::MapWalkTo, queued[0].kind);
    EXPECT_EQ(2.0f, queued[0].x);
    EXPECT_EQ(1.0f, queued[0].y);
    ASSERT_TRUE(PauseWorld(false));
    ASSERT_TRUE(game->RunFrames(2));
    ASSERT_TRUE(Map()->IsWalking());
    float before = Map()->GetPlayerPosition().x;
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_NEAR(2.0 * 0.02, Map()->GetPlayerPosition().x - before, 1e-4);

    ASSERT_TRUE(ClickCell(2, 1));
    ASSERT_TRUE(Map()->IsWalking());
    before = Map()->GetPlayerPosition().x;
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_NEAR(8.0 * 0.02, Map()->GetPlayerPosition().x - before, 1e-4);
    ASSERT_TRUE(WaitUntilStill());
    EXPECT_EQ(CPoint(2, 1), Map()->GetPlayerCell());
    EXPECT_EQ(1, Map()->GetKeyCount(0));
}

// A double click near the centre of the figure's own locked cell opens it with the key held.
TEST_F(MapScreenInputTest, ADoubleClickOnTheFiguresLockedCellOpensIt)
{
    ASSERT_NO_FATAL_FAILURE(StartGame());
    Progress().SetKeyCount(0, 1);
    ASSERT_TRUE(Enter(1, 3, 1));
    ASSERT_TRUE(Map()->IsCellLocked(3, 1));
    EXPECT_TRUE(Shown("openbutton"));
    ASSERT_TRUE(PauseWorld(true));
    const CPoint at = CellPixel(3, 1, 0.6f, 0.45f);
    ASSERT_TRUE(game->MouseMove(at));
    ASSERT_TRUE(game->RunFrames(1));
    ASSERT_TRUE(game->MouseButton(at, true));
    ASSERT_TRUE(game->MouseButton(at, false));
    ASSERT_TRUE(game->RunFrames(1));
    ASSERT_TRUE(
        Platform::InjectMouseButton(game->Window(), Platform::InjectedButton::Left, true, at.x, at.y, 2));
    ASSERT_TRUE(game->MouseButton(at, false));
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_EQ((std::vector<GameCommandKind>{GameCommandKind::MapWalkTo, GameCommandKind::MapEnterCell,
                                            GameCommandKind::MapWalkTo}),
              Kinds(Queued()));
    ASSERT_TRUE(PauseWorld(false));
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_FALSE(Map()->IsCellLocked(3, 1));
    EXPECT_EQ(0, Map()->GetKeyCount(0));
    EXPECT_FALSE(Shown("openbutton"));

    // Far from the centre a double click only walks.
    ASSERT_TRUE(Enter(1, 2, 2));
    ASSERT_TRUE(PauseWorld(true));
    const CPoint edge = CellPixel(2, 2, 0.1f, 0.1f);
    ASSERT_TRUE(game->MouseMove(edge));
    ASSERT_TRUE(
        Platform::InjectMouseButton(game->Window(), Platform::InjectedButton::Left, true, edge.x, edge.y, 2));
    ASSERT_TRUE(game->MouseButton(edge, false));
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_EQ((std::vector<GameCommandKind>{GameCommandKind::MapWalkTo}), Kinds(Queued()));
}

// The play, open and leave buttons push their commands for the figure's cell; play leads to the 2D
// puzzle screen after the fade.
TEST_F(MapScreenInputTest, ThePlayButtonLeadsToThePuzzleScreenAfterTheFade)
{
    ASSERT_NO_FATAL_FAILURE(StartGame());
    ASSERT_TRUE(Enter(1, 2, 2));
    ASSERT_TRUE(PauseWorld(true));
    ASSERT_TRUE(ClickWindow("playbutton"));
    std::vector<GameCommand> queued = Queued();
    ASSERT_EQ(1u, queued.size());
    EXPECT_EQ(GameCommandKind::MapStartLevel, queued[0].kind);
    EXPECT_EQ(2.0f, queued[0].x);
    EXPECT_EQ(2.0f, queued[0].y);
    frames.clear();
    ASSERT_TRUE(PauseWorld(false));
    ASSERT_TRUE(game->RunUntil([&] { return game->Screens().GetCurrentScreenName() == "ingame2d"; },
                               "the puzzle screen"));
    EXPECT_EQ(0, Context().GetLevelIndex());
    const std::size_t arrival = FirstFrame("ingame2d");
    ASSERT_GT(arrival, 1u);
    EXPECT_EQ("FadeOut", frames[arrival - 1].state);
    EXPECT_EQ(0.0f, frames[arrival - 1].fader);
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_EQ(GameContext::GameOpen, Context().GetState()) << "the map was shut";
    EXPECT_EQ(nullptr, Map());
    EXPECT_FALSE(Screen().GetPanel()->IsVisible());

    // The open button on the lock (no key: it stays shut) and the leave button on the way on.
    for (const auto& [x, button, kind] : {std::tuple(3, "openbutton", GameCommandKind::MapEnterCell),
                                          std::tuple(4, "leavebutton", GameCommandKind::MapExit)})
    {
        SCOPED_TRACE(button);
        ASSERT_TRUE(Enter(1, x, 1));
        ASSERT_TRUE(PauseWorld(true));
        ASSERT_TRUE(ClickWindow(button));
        queued = Queued();
        ASSERT_EQ(1u, queued.size());
        EXPECT_EQ(kind, queued[0].kind);
        EXPECT_EQ(static_cast<float>(x), queued[0].x);
        EXPECT_EQ(1.0f, queued[0].y);
    }
}

// An exit opens the map selection; the current map returns to walking without a fade, another map fades
// out and enters the map screen again on that map.
TEST_F(MapScreenSelectionInputTest, AnExitOpensTheMapSelection)
{
    ASSERT_NO_FATAL_FAILURE(StartGame());
    ASSERT_TRUE(Enter(1, 4, 1));
    ASSERT_TRUE(ClickWindow("leavebutton"));
    ASSERT_TRUE(WaitForState("SelectMap"));
    ASSERT_TRUE(WaitForDialog());
    UILib::CWindowManager* windows = UILib::CWindowManager::GetInstance();
    EXPECT_EQ(&Window("mapselectiondialog"), windows->GetTopModalWindow());
    EXPECT_FALSE(Shown("menubutton"));
    EXPECT_FALSE(Shown("leavebutton"));
    EXPECT_FALSE(Window("junglebutton").IsDisabled());
    EXPECT_TRUE(Shown("swampbutton")) << "the exit opened map 2";
    EXPECT_FALSE(Shown("swampplaceholder"));
    EXPECT_FALSE(Shown("cavebutton"));
    EXPECT_TRUE(Shown("caveplaceholder"));
    EXPECT_FALSE(Shown("templebutton"));
    EXPECT_TRUE(Shown("templeplaceholder"));

    // The current map: back to walking, no fade.
    frames.clear();
    pushed.clear();
    ASSERT_TRUE(ClickWindow("junglebutton"));
    ASSERT_TRUE(WaitForState("Walking"));
    ASSERT_TRUE(game->RunFrames(2));
    EXPECT_EQ((std::vector<GameCommandKind>{GameCommandKind::LeaveMap}), PushedKinds());
    EXPECT_TRUE(
        std::all_of(frames.begin(), frames.end(), [](const FrameRecord& f) { return f.fader == 1.0f; }));
    EXPECT_EQ(GameContext::MapRunning, Context().GetState());
    EXPECT_EQ(nullptr, windows->GetTopModalWindow());
    EXPECT_TRUE(Shown("menubutton"));

    // Map 2: the switch, the fade, and the map screen again on the swamp.
    ASSERT_TRUE(ClickWindow("leavebutton"));
    ASSERT_TRUE(WaitForState("SelectMap"));
    ASSERT_TRUE(WaitForDialog());
    pushed.clear();
    frames.clear();
    ASSERT_TRUE(ClickWindow("swampbutton"));
    ASSERT_FALSE(pushed.empty());
    EXPECT_EQ(GameCommandKind::SelectMap, pushed[0].kind);
    EXPECT_EQ(2, pushed[0].param);
    ASSERT_TRUE(
        game->RunUntil([&] { return State() == "Walking" && Map() != nullptr && Map()->GetMapIndex() == 2; },
                       "walking on the swamp"));
    EXPECT_TRUE(
        std::any_of(frames.begin(), frames.end(), [](const FrameRecord& f) { return f.state == "FadeOut"; }));
    EXPECT_TRUE(
        std::any_of(frames.begin(), frames.end(), [](const FrameRecord& f) { return f.fader == 0.0f; }));
    EXPECT_EQ(2, Progress().GetCurrentMap());
    EXPECT_EQ(4, Map()->GetSize().cx);
    EXPECT_EQ(nullptr, windows->GetTopModalWindow());
}

// Cut-scenes: the script runs to its end and sees the key taken; a missing script passes with a trace;
// without a cut-scene window the scene is passed over.
TEST_F(MapScreenCutSceneInputTest, ACutSceneOnTheMapRunsAndReturnsToWalking)
{
    ASSERT_NO_FATAL_FAILURE(StartGame());
    ASSERT_TRUE(Enter(1));
    ASSERT_TRUE(ClickCell(2, 1));
    ASSERT_TRUE(WaitUntilStill());
    ASSERT_EQ(1, Map()->GetKeyCount(0));
    frames.clear();
    pushed.clear();
    ASSERT_TRUE(ClickCell(1, 3));
    ASSERT_TRUE(WaitForState("Sequence"));
    EXPECT_EQ(&Window("cutscenewindow"), UILib::CWindowManager::GetInstance()->GetTopModalWindow());
    ASSERT_TRUE(WaitForState("Walking"));
    EXPECT_TRUE(std::any_of(frames.begin(), frames.end(),
                            [](const FrameRecord& f) { return f.state == "SequenceEnd"; }));
    const std::vector<GameCommandKind> kinds = PushedKinds();
    EXPECT_NE(kinds.end(), std::find(kinds.begin(), kinds.end(), GameCommandKind::CutsceneDone));
    BaseLib::CVector2 marked;
    ASSERT_TRUE(Map()->GetHighlight(marked)) << "the script marked a cell";
    EXPECT_EQ(4.5f, marked.x) << "the script saw hasyellowkey true";
    EXPECT_EQ(1.5f, marked.y);
    EXPECT_EQ(GameContext::MapRunning, Context().GetState());
    EXPECT_EQ(nullptr, Screen().GetSequencePlayer());
    EXPECT_EQ(nullptr, UILib::CWindowManager::GetInstance()->GetTopModalWindow());
    EXPECT_TRUE(Shown("menubutton"));

    // A script that does not load.
    ASSERT_TRUE(Enter(1, 1, 2));
    Map()->GetCell(1, 3).cutscene = "jungle/missing.xml";
    Map()->GetCell(1, 3).state &= ~MapCell::StateSequence1Played;
    pushed.clear();
    ASSERT_TRUE(ClickCell(1, 3));
    ASSERT_TRUE(WaitForState("SequenceEnd"));
    ASSERT_TRUE(WaitForState("Walking"));
    EXPECT_NE(std::string::npos, game->Trace().find("missing.xml"));
    EXPECT_EQ(GameContext::MapRunning, Context().GetState());
}

TEST_F(MapScreenCutSceneInputTest, WithoutACutSceneWindowTheCutSceneIsPassedOver)
{
    const std::filesystem::path interface = Root() / "interface";
    std::filesystem::copy(std::filesystem::path(QUARROW_TEST_DATA_DIR) / "interface", interface,
                          std::filesystem::copy_options::recursive);
    std::ofstream(interface / "mapscreen_cutscenewindow.xml", std::ios::trunc)
        << "<layout><window type=\"CPanel\"><property name=\"Name\" value=\"nothing\"/></window></layout>\n";
    ASSERT_NO_FATAL_FAILURE(StartGame(interface.string()));
    ASSERT_TRUE(Enter(1, 1, 2));
    EXPECT_EQ(nullptr, Screen().GetSequenceDialog());
    pushed.clear();
    ASSERT_TRUE(ClickCell(1, 3));
    ASSERT_TRUE(WaitForState("SequenceEnd"));
    ASSERT_TRUE(WaitForState("Walking"));
    const std::string trace = game->Trace();
    const std::string message =
        "Map screen: no cut-scene window; the cut-scene \"jungle/meeting.xml\" is not played";
    ASSERT_NE(std::string::npos, trace.find(message));
    EXPECT_EQ(std::string::npos, trace.find(message, trace.find(message) + 1)) << "traced once";
    const std::vector<GameCommandKind> kinds = PushedKinds();
    EXPECT_EQ(1, std::count(kinds.begin(), kinds.end(), GameCommandKind::CutsceneDone));
    EXPECT_EQ(GameContext::MapRunning, Context().GetState());
    EXPECT_EQ(nullptr, UILib::CWindowManager::GetInstance()->GetTopModalWindow());
}

// Escape leaves for the game menu after the fade; the map is shut in the world.
TEST_F(MapScreenSelectionInputTest, EscapeLeavesForTheGameMenuAndShutsTheMap)
{
    ASSERT_NO_FATAL_FAILURE(StartGame());
    ASSERT_TRUE(Enter(1));
    frames.clear();
    ASSERT_TRUE(game->PressKey("Escape"));
    ASSERT_TRUE(game->RunUntil([&] { return game->Screens().GetCurrentScreenName() == "gamemenu"; },
                               "the game menu"));
    const std::size_t arrival = FirstFrame("gamemenu");
    ASSERT_GT(arrival, 0u);
    EXPECT_EQ(0.0f, frames[arrival - 1].fader);
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_EQ(GameContext::GameOpen, Context().GetState());
    EXPECT_EQ(nullptr, Map());
    EXPECT_EQ(CPoint(1, 1),
              CPoint(static_cast<int>(Progress().GetFigureX()), static_cast<int>(Progress().GetFigureY())))
        << "the figure's place is kept";
    EXPECT_FALSE(Screen().GetAmbience().IsPlaying());
}

// The picture: the fixture map with the figure, the HUD's yellow key, the mood picture and the fog over
// a cell never revealed.
TEST_F(MapScreenSelectionInputTest, TheMapScreenPictureShowsTheFigureTheHudAndTheFog)
{
    ASSERT_NO_FATAL_FAILURE(StartGame());
    Progress().SetKeyCount(0, 1);
    ASSERT_TRUE(Enter(1));
    ASSERT_TRUE(game->RunUntil([&] { return !Screen().IsMoodFading(); }, "the mood picture"));
    ASSERT_TRUE(game->RunFrames(2));
    const std::string folder = QUARROW_TEST_OUTPUT_DIR;
    ASSERT_TRUE(game->Screenshot(folder, "map_screen"));
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(folder) / "map_screen.png"));
    int width = 0;
    int height = 0;
    const GameTesting::Pixels picture = game->ReadFrame(width, height);
    ASSERT_FALSE(picture.empty());
    const auto at = [&](const CPoint& p) {
        return picture[static_cast<std::size_t>(p.y) * static_cast<std::size_t>(width) +
                       static_cast<std::size_t>(p.x)] &
               0xFFFFFFu;
    };
    const auto near = [](std::uint32_t colour, int r, int g, int b) {
        return std::abs(static_cast<int>(colour >> 16 & 0xFF) - r) <= 3 &&
               std::abs(static_cast<int>(colour >> 8 & 0xFF) - g) <= 3 &&
               std::abs(static_cast<int>(colour & 0xFF) - b) <= 3;
    };
    const std::uint32_t figure = at(CellPixel(1, 1));
    EXPECT_TRUE(near(figure, 250, 220, 0)) << std::hex << figure;
    const std::uint32_t key = at(game->CentreOf(Window("yellowkey")));
    EXPECT_TRUE(near(key, 255, 255, 64)) << std::hex << key;
    // The start cell's mood picture, "clearing".
    const std::uint32_t mood = at(game->CentreOf(Window(Screen().GetCurrentMood() == 0 ? "mood1" : "mood2")));
    EXPECT_TRUE(near(mood, 40, 160, 220)) << std::hex << mood;
    // The fog (220, 220, 235) at alpha 200 over the map picture (30, 90, 30).
    const std::uint32_t fog = at(CellPixel(4, 3));
    EXPECT_TRUE(near(fog, 179, 192, 191)) << std::hex << fog;
    EXPECT_TRUE(GameHarness::WritePicture(folder, "map_screen_read_back", width, height, picture));
}

} // namespace

namespace
{

// The shipped layouts and the shipped jungle map: every window the screen names is there with its class,
// the cut-scene window is gone once the arrival is over, and the picture is written for a person to look
// at.
TEST(MapScreenShippedTest, TheShippedLayoutsHoldEveryWindowTheScreenNames)
{
    GameSettings settings;
    settings.renderer = "2d";
    GameHarness game(settings);
    ASSERT_TRUE(game.Start());
    game.AddProfile("Ann");
    ProgressRecord& progress = game.World().GetGameContext()->GetProgress();
    progress.SetCurrentMap(1);
    progress.GetMapProgress(1).SetOpen(true);
    ASSERT_TRUE(game.SwitchTo("map"));
    auto& screen = *static_cast<CMapScreen*>(game.Screens().FindScreen("map"));
    ASSERT_TRUE(
        game.RunUntil([&] { return screen.GetStates().GetCurrentStateName() == "Walking"; }, "walking"));
    // The arrival's cut-scene plays first: its typing hurried and continue pressed whenever offered.
    game.SetFrameHook([&] {
        if (!game.IsRunning() || game.Screens().GetCurrentScreenName() != "map" ||
            screen.GetStates().GetCurrentStateName() != "Sequence")
        {
            return;
        }
        CSequenceDialog* dialog = screen.GetSequenceDialog();
        if (dialog->IsContinueOffered())
        {
            dialog->GetContinueButton()->NotifyClick();
        }
        else if (CQuarrowSequencePlayer* player = screen.GetSequencePlayer())
        {
            if (CDialogBox* box = player->GetDialogBox())
            {
                box->SetFastForward(true);
            }
        }
    });
    ASSERT_TRUE(game.RunFrames(10));
    ASSERT_TRUE(game.RunUntil(
        [&] {
            return screen.GetStates().GetCurrentStateName() == "Walking" &&
                   game.World().GetGameContext()->GetState() == GameContext::MapRunning &&
                   !screen.GetPanel()->IsAnyAnimationPlaying(true);
        },
        "walking after the arrival", 3000, 200.0));
    game.SetFrameHook(nullptr);
    EXPECT_EQ(std::string::npos, game.Trace().find("Map screen: layout"));
    EXPECT_FALSE(screen.GetPanel()->FindChildByName("cutscenewindow", true)->IsVisible());
    EXPECT_NE(nullptr, screen.GetRenderer());
    EXPECT_NE(nullptr, screen.GetSequenceDialog());
    ASSERT_TRUE(game.Screenshot(QUARROW_TEST_OUTPUT_DIR, "map_screen_shipped"));
}

} // namespace
