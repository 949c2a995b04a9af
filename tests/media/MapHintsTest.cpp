// The hints on the real maps: on each adventure region's committed map, the figure stands on a lock it
// cannot open (a key lock with no key, a gold lock with no gold); the map screen's open button asks the
// world to open it, and the map screen plays the region's "needkey_" or "needgold_" script in its
// cut-scene window to its end, continue pressed whenever offered, and goes back to walking.
#include "game/GameContext.h"
#include "game/QuarrowInputChannel.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowUIScreen.h"
#include "game/QuarrowWorld.h"
#include "game/map/EditableMap.h"
#include "game/map/MapScreen.h"
#include "game/savegame/ProgressRecord.h"
#include "game/sequences/DialogBox.h"
#include "game/sequences/QuarrowSequencePlayer.h"
#include "game/sequences/SequenceDialog.h"
#include "tests/game/harness/GameHarness.h"
#include "ui/Window.h"
#include "ui/controls/BasicButton.h"
#include "ui/controls/Button.h"
#include "ui/controls/Label.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace
{

using GameTesting::GameHarness;

struct MapHint
{
    std::string region;
    int map; // the map index
    bool gold; // a gold lock, else a key lock
};

void PrintTo(const MapHint& hint, std::ostream* out)
{
    *out << hint.region << (hint.gold ? " gold lock" : " key lock");
}

std::vector<MapHint> MapHints()
{
    std::vector<MapHint> hints;
    int map = 1;
    for (const char* region : {"jungle", "swamp", "cave", "temple"})
    {
        for (const bool gold : {false, true})
        {
            hints.push_back({region, map, gold});
        }
        ++map;
    }
    return hints;
}

std::string Name(const ::testing::TestParamInfo<MapHint>& info)
{
    return info.param.region + (info.param.gold ? "_gold" : "_key");
}

// A screen the map leads to: it does nothing.
class StandInScreen : public CQuarrowUIScreen
{
public:
    StandInScreen(CQuarrowUI* ui, CQuarrowWorld* world) : CQuarrowUIScreen(ui, world) {}
    void Update() override {}
    void OnActivate() override {}
    void OnDeactivate() override {}
};

// The first cell of the map that is locked by keys only (or by gold only) and plays no cut-scene of its
// own, so that a figure without keys or gold hears the hint.
std::optional<BaseLib::CPoint> FindLock(const CEditableMap& map, bool gold)
{
    const BaseLib::CSize size = map.GetSize();
    for (int y = 0; y < size.cy; ++y)
    {
        for (int x = 0; x < size.cx; ++x)
        {
            const MapCell& cell = map.GetCell(x, y);
            const bool keys = (cell.flags & MapCell::NeedsAnyKey) != 0;
            if (cell.cutscene.empty() && cell.cutscene2.empty() && keys != gold && (cell.goldreq > 0) == gold)
            {
                return BaseLib::CPoint(x, y);
            }
        }
    }
    return std::nullopt;
}

class MapHintTest : public ::testing::TestWithParam<MapHint>
{
protected:
    void TearDown() override { game.reset(); }

    CMapScreen& Screen() const { return *static_cast<CMapScreen*>(game->Screens().FindScreen("map")); }
    std::string State() const { return Screen().GetStates().GetCurrentStateName(); }
    ProgressRecord& Progress() const { return game->World().GetGameContext()->GetProgress(); }

    // The map screen entered on the map with the figure at the centre of cell (x, y), walking.
    ::testing::AssertionResult Enter(int map, float x, float y)
    {
        if (game->Screens().GetCurrentScreenName() == "map")
        {
            game->SwitchTo("gamemenu");
            if (auto result = game->RunFrames(1); !result)
            {
                return result;
            }
        }
        Progress().SetCurrentMap(map);
        Progress().GetMapProgress(map).SetOpen(true);
        Progress().SetFigurePosition(x, y);
        if (!game->SwitchTo("map"))
        {
            return ::testing::AssertionFailure() << "no screen \"map\"";
        }
        return game->RunUntil(
            [&] { return game->Screens().GetCurrentScreenName() == "map" && State() == "Walking"; }, "walking");
    }

    std::unique_ptr<GameHarness> game;
};

} // namespace

TEST_P(MapHintTest, ALockThatCannotBeOpenedPlaysTheRegionsHintThroughTheMapScreen)
{
    const MapHint& hint = GetParam();
    GameTesting::GameSettings settings;
    settings.renderer = "2d";
    game = std::make_unique<GameHarness>(settings);
    ASSERT_TRUE(game->Start());
    for (const char* name : {"gamemenu", "ingame2d", "ingame3d"})
    {
        game->AddScreen(name, new StandInScreen(&game->UI(), &game->World()));
    }
    game->AddProfile("Ann");
    ASSERT_TRUE(Enter(hint.map, -1.0f, -1.0f));
    ASSERT_NE(nullptr, game->World().GetMap());
    const std::optional<BaseLib::CPoint> lock = FindLock(*game->World().GetMap(), hint.gold);
    ASSERT_TRUE(lock.has_value()) << "the " << hint.region << " map has no " << (hint.gold ? "gold" : "key")
                                  << " lock without a cut-scene of its own";
    ASSERT_TRUE(Enter(hint.map, static_cast<float>(lock->x) + 0.5f, static_cast<float>(lock->y) + 0.5f));
    CEditableMap& map = *game->World().GetMap();
    ASSERT_EQ(*lock, map.GetPlayerCell());
    for (int key = 0; key < 3; ++key)
    {
        ASSERT_EQ(0, map.GetKeyCount(key));
    }
    ASSERT_EQ(0, map.GetGold());

    std::string played;
    int pages = 0;
    game->SetFrameHook([&] {
        if (game->Screens().GetCurrentScreenName() != "map")
        {
            return;
        }
        if (State() == "Sequence" && played.empty())
        {
            played = game->World().GetGameContext()->GetLevelName();
        }
        CSequenceDialog* dialog = Screen().GetSequenceDialog();
        CQuarrowSequencePlayer* player = Screen().GetSequencePlayer();
        if (State() != "Sequence" || dialog == nullptr || player == nullptr)
        {
            return;
        }
        if (dialog->IsContinueOffered())
        {
            ++pages;
            CDialogBox* box = player->GetDialogBox();
            EXPECT_TRUE(box != nullptr && box->IsVisible() && !std::string(box->GetTextLabel()->GetText()).empty())
                << "page " << pages << " shows no text";
            if (pages == 1 && hint.region == "jungle")
            {
                int width = 0;
                int height = 0;
                const GameTesting::Pixels frame = game->ReadFrame(width, height);
                EXPECT_TRUE(GameHarness::WritePicture(QUARROW_TEST_OUTPUT_DIR,
                                                      std::string("maphint_jungle_") + (hint.gold ? "gold" : "key"),
                                                      width, height, frame));
            }
            dialog->GetContinueButton()->NotifyClick();
        }
        else if (player->GetDialogBox() != nullptr && !player->GetDialogBox()->IsFinished())
        {
            // A click on the cut-scene window while the page types.
            BaseLib::CPoint point(10, 10);
            Screen().GetPanel()->FindChildByName("cutscenewindow", true)->OnLButtonDown(point, 0);
        }
    });

    auto* open = dynamic_cast<UILib::CBasicButton*>(Screen().GetPanel()->FindChildByName("openbutton", true));
    ASSERT_NE(nullptr, open);
    open->NotifyClick();
    ASSERT_TRUE(game->RunUntil([&] { return State() == "Sequence"; }, "the hint playing", 300));
    // Sixty seconds of play at most.
    ASSERT_TRUE(game->RunUntil([&] { return State() == "Walking"; }, "walking again after the hint", 3000));
    EXPECT_EQ(std::string(hint.gold ? "needgold_" : "needkey_") + hint.region + ".xml", played);
    EXPECT_GE(pages, 1);
    EXPECT_EQ(std::string::npos, game->Trace().find("failed to load xml file")) << game->Trace();
    EXPECT_TRUE(map.IsCellLocked(lock->x, lock->y)) << "the lock stays shut";
}

INSTANTIATE_TEST_SUITE_P(Regions, MapHintTest, ::testing::ValuesIn(MapHints()), Name);
