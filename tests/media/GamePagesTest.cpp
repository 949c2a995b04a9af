// The map screen and the treasury in the running game with the committed layouts and pictures, written
// as pictures for a person to look at: the jungle map on arrival with its cut-scene page typed out, then
// the map with the HUD, the map selection open, and the treasury of a fresh game, at 600 and at 1252 gold.
// Each picture is checked where the layouts put their art: the screen shows the committed picture's own
// pixels there.
#include "framework/UIScreen.h"
#include "game/GameContext.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowUIScreen.h"
#include "game/QuarrowWorld.h"
#include "game/ScreenFader.h"
#include "game/map/MapScreen.h"
#include "game/menus/TreasuryScreen.h"
#include "game/savegame/ProgressRecord.h"
#include "game/sequences/DialogBox.h"
#include "game/sequences/QuarrowSequencePlayer.h"
#include "tests/game/harness/GameHarness.h"
#include "ui/Bitmap.h"
#include "ui/Window.h"
#include "ui/controls/Label.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <unistd.h>

namespace
{

namespace fs = std::filesystem;
using BaseLib::CPoint;
using GameTesting::GameHarness;
using GameTesting::GameSettings;

// A screen the pages lead to that does nothing.
class StandInScreen : public CQuarrowUIScreen
{
public:
    StandInScreen(CQuarrowUI* ui, CQuarrowWorld* world) : CQuarrowUIScreen(ui, world) {}
    void Update() override {}
    void OnActivate() override {}
    void OnDeactivate() override {}
};

// The arrival scene of the jungle: one page in the map screen's speech box.
const char* const kArrivalScript = R"(<?xml version="1.0" encoding="UTF-8"?>
<sequence>
  <scene id="arrival">
    <resources><dialogbox/></resources>
    <script>
      <dialogtextsequence characterdelay="0.01">THE JUNGLE AT LAST!<br/>SOMEWHERE BEYOND THE RIVER LIES THE IDOL.</dialogtextsequence>
      <waitforever/>
    </script>
  </scene>
</sequence>
)";

class GamePagesTest : public ::testing::Test
{
protected:
    void StartGame(const std::vector<std::pair<std::string, std::string>>& aliases)
    {
        GameSettings settings;
        settings.renderer = "2d";
        settings.aliases = aliases;
        game = std::make_unique<GameHarness>(settings);
        ASSERT_TRUE(game->Start());
        game->AddScreen("gamemenu", new StandInScreen(&game->UI(), &game->World()));
        game->AddProfile("Ann");
        game->FocusWindow();
        ASSERT_TRUE(game->SwitchTo("gamemenu"));
        ASSERT_TRUE(game->RunFrames(1));
    }

    GameContext& Context() const { return *game->World().GetGameContext(); }
    ProgressRecord& Progress() const { return Context().GetProgress(); }
    CMapScreen& Map() const { return *static_cast<CMapScreen*>(game->Screens().FindScreen("map")); }
    CTreasuryScreen& Treasury() const
    {
        return *static_cast<CTreasuryScreen*>(game->Screens().FindScreen("treasury"));
    }

    ::testing::AssertionResult WaitFor(const std::string& screen, const std::string& state)
    {
        return game->RunUntil(
            [&] {
                GameLib::CUIScreen* current = game->Screens().GetCurrentScreen();
                if (game->Screens().GetCurrentScreenName() != screen || current == nullptr ||
                    game->UI().GetFader()->IsFading())
                {
                    return false;
                }
                const GameLib::CStateMachine& states = screen == "map" ? Map().GetStates() : Treasury().GetStates();
                return states.GetCurrentStateName() == state;
            },
            screen + " in " + state, 1500);
    }

    UILib::CWindow& Window(UILib::CWindow* panel, const char* name) const
    {
        UILib::CWindow* window = panel != nullptr ? panel->FindChildByName(BaseLib::CString(name), true) : nullptr;
        EXPECT_NE(nullptr, window) << name;
        return *window;
    }

    // Takes the picture, then checks that the screen shows the label's own bitmap pixel at (x, y) of it.
    void Picture(const std::string& name, const std::vector<std::tuple<UILib::CWindow*, int, int>>& probes)
    {
        ASSERT_TRUE(game->Screenshot(QUARROW_TEST_OUTPUT_DIR, name));
        int width = 0;
        int height = 0;
        const GameTesting::Pixels frame = game->ReadFrame(width, height);
        ASSERT_FALSE(frame.empty());
        for (const auto& [window, x, y] : probes)
        {
            ASSERT_NE(nullptr, window);
            const UILib::CBitmap& bitmap = static_cast<UILib::CLabel*>(window)->GetBitmap();
            ASSERT_TRUE(bitmap.IsValid() && !bitmap.IsPlaceholder()) << name;
            const BaseLib::CColor expected = bitmap.GetPixels()[y * bitmap.GetWidth() + x];
            const CPoint origin = window->GetScreenPosition();
            const CPoint at = game->WindowPoint(CPoint(origin.x + x, origin.y + y));
            const std::uint32_t shown = frame[static_cast<std::size_t>(at.y) * width + at.x];
            const auto channel = [&](int shift) { return static_cast<int>(shown >> shift & 0xFF); };
            EXPECT_LE(std::abs(channel(16) - expected.GetRed()) + std::abs(channel(8) - expected.GetGreen()) +
                          std::abs(channel(0) - expected.GetBlue()),
                      12)
                << name << ": " << static_cast<const char*>(window->GetName()) << " at " << x << ", " << y;
        }
    }

    std::unique_ptr<GameHarness> game;
};

TEST_F(GamePagesTest, TheJungleMapOnArrivalItsCutsceneAndTheMapSelection)
{
    const fs::path sequences = fs::temp_directory_path() / ("quarrow_pages_" + std::to_string(::getpid()));
    fs::create_directories(sequences / "jungle");
    std::ofstream(sequences / "jungle" / "arrival.xml") << kArrivalScript;
    ASSERT_NO_FATAL_FAILURE(StartGame({{"sequence", sequences.string()}}));
    Progress().SetCurrentMap(1);
    ASSERT_TRUE(game->SwitchTo("map"));

    // The arrival scene opens over the map as soon as the map has faded in; its page types out.
    ASSERT_TRUE(WaitFor("map", "Sequence"));
    ASSERT_TRUE(game->RunUntil(
        [&] {
            CQuarrowSequencePlayer* player = Map().GetSequencePlayer();
            CDialogBox* box = player != nullptr ? player->GetDialogBox() : nullptr;
            return box != nullptr && box->IsFinished() && box->GetTextLabel()->GetText().GetLength() > 20 &&
                   !Map().GetPanel()->IsAnimationPlaying("cutscene", true);
        },
        "the page typed out"));
    UILib::CWindow* panel = Map().GetPanel();
    ASSERT_NE(nullptr, panel);
    Picture("map_cutscene", {{&Window(panel, "cutsceneframe"), 1, 300}, {&Window(panel, "cutsceneframe"), 14, 14}});

    // Skipped: the window goes and the map with its HUD stays, the figure on the start cell.
    ASSERT_TRUE(game->Click(game->CentreOf(Window(panel, "skipbutton"))));
    ASSERT_TRUE(WaitFor("map", "Walking"));
    ASSERT_TRUE(game->RunUntil([&] { return !panel->IsAnyAnimationPlaying(true); }, "the window gone"));
    EXPECT_FALSE(Window(panel, "cutscenewindow").IsVisible());
    Picture("map_arrival", {{&Window(panel, "goldicon"), 29, 25}});

    // An exit taken: the map selection comes down over the map.
    Context().SetState(GameContext::MapExitTaken);
    ASSERT_TRUE(WaitFor("map", "SelectMap"));
    ASSERT_TRUE(game->RunUntil([&] { return !panel->IsAnyAnimationPlaying(true); }, "the dialog in place"));
    UILib::CWindow& dialog = Window(panel, "mapselectiondialog");
    EXPECT_TRUE(dialog.IsVisible());
    Picture("map_selection", {{&dialog, 1, 220}, {&dialog, 14, 14}, {&Window(panel, "templeplaceholder"), 120, 80}});

    // The jungle again: back to walking, the dialog out of sight.
    ASSERT_TRUE(game->Click(game->CentreOf(Window(panel, "junglebutton"))));
    ASSERT_TRUE(WaitFor("map", "Walking"));
    ASSERT_TRUE(game->RunUntil([&] { return !panel->IsAnyAnimationPlaying(true); }, "the dialog gone"));
    EXPECT_FALSE(dialog.IsVisible());
    game.reset();
    fs::remove_all(sequences);
}

TEST_F(GamePagesTest, TheTreasuryOfAFreshGameAndAtSixHundredAndAllTheGold)
{
    ASSERT_NO_FATAL_FAILURE(StartGame({}));
    struct Visit
    {
        const char* picture;
        int gold;
        const char* hoard;
    };
    for (const Visit& visit : {Visit{"treasury_fresh", 0, "treasure0"}, Visit{"treasury_600", 600, "treasure5"},
                               Visit{"treasury_1252", 1252, "treasure10"}})
    {
        SCOPED_TRACE(visit.picture);
        Progress().ResetProgress();
        // 600: every basic level with three gold; 1252: every level and every treasure, every map open.
        for (int map = 0; map < ProgressRecord::MapCount; ++map)
        {
            if (visit.gold == 0 || (visit.gold == 600 && map != 0))
            {
                continue;
            }
            MapProgress& block = Progress().GetMapProgress(map);
            block.SetOpen(true);
            for (int level = 0; level < block.GetUsedRecordCount(); ++level)
            {
                block.GetLevelRecord(level).SetSolved(10);
                block.GetLevelRecord(level).RaiseRating(3);
            }
        }
        if (visit.gold == 1252)
        {
            Progress().SetTreasureGold(Progress().GetTreasureGoldMax());
        }
        ASSERT_EQ(visit.gold, Progress().CountStars(0x1F | ProgressRecord::TreasureMask));
        ASSERT_TRUE(game->SwitchTo("treasury"));
        ASSERT_TRUE(WaitFor("treasury", "MainMenu"));
        UILib::CWindow* picture = Treasury().GetPictureWindow();
        ASSERT_NE(nullptr, picture);
        EXPECT_NE(std::string::npos,
                  std::string(static_cast<UILib::CLabel*>(picture)->GetBitmapFile()).find(visit.hoard));
        UILib::CWindow* panel = Treasury().GetPanel();
        Picture(visit.picture, {{picture, 220, 240}, {picture, 60, 300}, {picture, 220, 160},
                                {&Window(panel, "treasury"), 300, 20}});
        ASSERT_TRUE(game->SwitchTo("gamemenu"));
        ASSERT_TRUE(game->RunFrames(1));
    }
}

} // namespace
