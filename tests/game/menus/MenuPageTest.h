#pragma once

// A fixture for the book pages after the game menu, in the running game with the small test book and the
// test layouts beside it (data/book). Stand-in screens take the places the pages lead to; clicks are real
// input events, so the suites built on it run alone.
#include "framework/CommandQueue.h"
#include "framework/UIScreen.h"
#include "game/GameContext.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "game/menus/BookMenuScreen.h"
#include "game/savegame/SaveGameList.h"
#include "game/savegame/SaveGameManager.h"
#include "tests/game/harness/GameHarness.h"
#include "tests/game/harness/RecordingSoundDevice.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace MenuPageTesting
{

// Stands in for a screen the pages lead to; shows no book.
class StandInScreen : public CQuarrowUIScreen
{
public:
    StandInScreen(CQuarrowUI* ui, CQuarrowWorld* world) : CQuarrowUIScreen(ui, world) {}
    void Update() override {}
};

class MenuPageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GameTesting::GameSettings settings;
        settings.aliases = {{"interface", std::string(QUARROW_TEST_DATA_DIR) + "/book"}};
        game = std::make_unique<GameTesting::GameHarness>(settings);
        ASSERT_TRUE(game->Start());
        sound = &GameTesting::RecordingSoundDevice::Install();
        for (const char* name : {"gamemenu", "map", "ingame2d", "ingame3d"})
        {
            game->AddScreen(name, new StandInScreen(&game->UI(), &game->World()));
        }
        game->PostWorldCommand("StartGame");
        ASSERT_TRUE(game->RunFrames(1));
        game->FocusWindow();
    }
    void TearDown() override
    {
        game.reset();
        GameTesting::RecordingSoundDevice::Uninstall();
    }

    CBookMenuScreen& Page(const char* name)
    {
        return *static_cast<CBookMenuScreen*>(game->Screens().FindScreen(name));
    }
    // Switches to a page and waits until it takes the player's input.
    ::testing::AssertionResult Open(const char* name)
    {
        if (!game->SwitchTo(name))
        {
            return ::testing::AssertionFailure() << "no screen " << name;
        }
        return WaitFor(name);
    }
    ::testing::AssertionResult WaitFor(const char* name)
    {
        return game->RunUntil(
            [&] {
                if (game->Screens().GetCurrentScreenName() != name)
                {
                    return false;
                }
                auto* page = dynamic_cast<CBookMenuScreen*>(game->Screens().FindScreen(name));
                return page == nullptr || page->GetStates().GetCurrentStateName() == "MainMenu";
            },
            std::string("the screen ") + name);
    }
    // A window of the page's layout; null (with a failure) when missing.
    UILib::CWindow* Find(const char* page, const char* name)
    {
        UILib::CWindow* panel = Page(page).GetPanel();
        UILib::CWindow* window =
            panel != nullptr ? panel->FindChildByName(BaseLib::CString(name), true) : nullptr;
        EXPECT_NE(nullptr, window) << name;
        return window;
    }
    ::testing::AssertionResult ClickOn(const char* page, const char* name)
    {
        UILib::CWindow* window = Find(page, name);
        if (window == nullptr)
        {
            return ::testing::AssertionFailure() << "no window " << name;
        }
        return game->Click(game->CentreOf(*window));
    }
    GameContext& Context() { return *game->World().GetGameContext(); }
    MapProgress& Map(int map) { return Context().GetProgress().GetMapProgress(map); }
    SaveGameManager& SaveGames() { return *game->UI().GetSaveGameManager(); }
    // Marks a level of a map solved with a rating, best moves and best time, the map open.
    void Solve(int map, int level, std::uint32_t rating = 1, std::uint32_t moves = 10,
               std::int32_t seconds = 30)
    {
        Map(map).SetOpen(true);
        LevelRecord& record = Map(map).GetLevelRecord(level);
        record.SetSolved(moves);
        record.RaiseRating(rating);
        record.SetBestValue(seconds);
    }

    std::unique_ptr<GameTesting::GameHarness> game;
    GameTesting::RecordingSoundDevice* sound = nullptr;
};

} // namespace MenuPageTesting
