// The free-play menu and the level selection in the running game, on the test layouts.
#include "game/menus/FreePlayMenuScreen.h"
#include "game/menus/LevelSelectionScreen.h"
#include "tests/game/menus/MenuPageTest.h"

#include "foundation/ConfigFile.h"
#include "game/FileTranslator.h"
#include "game/QuarrowApplication.h"
#include "ui/controls/BasicButton.h"
#include "ui/controls/Label.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace
{

using GameTesting::SoundEvent;
using MenuPageTesting::MenuPageTest;

class FreePlayTest : public MenuPageTest
{
protected:
    CLevelSelectionScreen& Selection()
    {
        return *static_cast<CLevelSelectionScreen*>(game->Screens().FindScreen("levelselection"));
    }
    // The level selection opened on a map of count levels in a play mode.
    ::testing::AssertionResult OpenLevels(int map, int playMode, int count)
    {
        if (game->Screens().GetCurrentScreenName() == "levelselection" && !Open("freeplay"))
        {
            return ::testing::AssertionFailure() << "the free-play menu";
        }
        Context().SetMap(map);
        Map(map).SetLevelCount(count);
        SaveGames().SetPlayMode(playMode);
        return Open("levelselection");
    }
    UILib::CWindow* Slot(int slot)
    {
        return Find("levelselection", ("levelnumberbutton" + std::to_string(slot)).c_str());
    }
    UILib::CLabel* Label(const std::string& name)
    {
        return static_cast<UILib::CLabel*>(Find("levelselection", name.c_str()));
    }
    UILib::CWindow* NumberLabel(int slot)
    {
        return Slot(slot)->FindChildByName(BaseLib::CString("numberlabel"), true);
    }
    // A button-down of the scroll button, as a press or a repeat sends it.
    void ScrollDown(bool repeat = false)
    {
        static_cast<UILib::CBasicButton*>(Find("levelselection", "downbutton"))->NotifyDown(repeat);
    }
    std::string Text(const std::string& label) { return static_cast<const char*>(Label(label)->GetText()); }
};

TEST_F(FreePlayTest, TheScreensAreRegisteredOnTheirPages)
{
    auto* freePlay = dynamic_cast<CFreePlayMenuScreen*>(game->Screens().FindScreen("freeplay"));
    auto* selection = dynamic_cast<CLevelSelectionScreen*>(game->Screens().FindScreen("levelselection"));
    ASSERT_NE(nullptr, freePlay);
    ASSERT_NE(nullptr, selection);
    EXPECT_EQ(3, freePlay->GetPage());
    EXPECT_EQ(1, selection->GetPage());
}

// A fresh game offers basic alone; a solved jungle level opens the jungle; a region's button sets its
// map and play mode, and the level selection comes only after the world took "SetMap".
TEST_F(FreePlayTest, TheRegionsOpenBySolvedLevelsAndLeadToTheLevelSelection)
{
    game->AddProfile("Ann");
    ASSERT_TRUE(Open("freeplay"));
    EXPECT_TRUE(Find("freeplay", "basicbutton")->IsVisible());
    for (const char* region : {"jungle", "swamp", "cave", "temple"})
    {
        SCOPED_TRACE(region);
        EXPECT_FALSE(Find("freeplay", (std::string(region) + "button").c_str())->IsVisible());
        EXPECT_TRUE(Find("freeplay", (std::string(region) + "_hidden").c_str())->IsVisible());
    }

    // A solved level of a closed map does not count; of an open one it does.
    Map(1).GetLevelRecord(3).SetSolved(12);
    Map(2).GetLevelRecord(0).SetSolved(12);
    Map(1).SetOpen(true);
    ASSERT_TRUE(Open("levelselection"));
    ASSERT_TRUE(Open("freeplay"));
    EXPECT_TRUE(Find("freeplay", "junglebutton")->IsVisible());
    EXPECT_FALSE(Find("freeplay", "jungle_hidden")->IsVisible());
    EXPECT_FALSE(Find("freeplay", "swampbutton")->IsVisible());
    EXPECT_TRUE(Find("freeplay", "swamp_hidden")->IsVisible());

    Solve(3, 0);
    ASSERT_TRUE(Open("levelselection"));
    ASSERT_TRUE(Open("freeplay"));
    sound->ClearLog();
    std::vector<bool> takenOnArrival;
    game->SetFrameHook([&] {
        if (game->IsRunning() && game->Screens().GetCurrentScreenName() == "levelselection" &&
            takenOnArrival.empty())
        {
            takenOnArrival.push_back(Context().GetMapIndex() == 3 &&
                                     game->World().GetCommandQueue()->IsEmpty());
        }
    });
    ASSERT_TRUE(ClickOn("freeplay", "cavebutton"));
    ASSERT_TRUE(WaitFor("levelselection"));
    EXPECT_EQ(std::vector<bool>{true}, takenOnArrival);
    EXPECT_EQ(5, SaveGames().GetPlayMode());
    EXPECT_EQ(1u, sound->Count(SoundEvent::Play, "sound>menuactivate.wav"));

    // Back and Escape lead to the game menu, only the button with a sound.
    for (const bool escape : {false, true})
    {
        ASSERT_TRUE(Open("freeplay"));
        sound->ClearLog();
        ASSERT_TRUE(escape ? game->PressKey("Escape") : ClickOn("freeplay", "backbutton"));
        ASSERT_TRUE(WaitFor("gamemenu"));
        EXPECT_EQ(escape ? 0u : 1u, sound->Count(SoundEvent::Play, "sound>menucancel.wav"));
    }
}

// The slots by region, progress and scroll position.
TEST_F(FreePlayTest, TheSlotsShowTheLevelsThatCanBePlayed)
{
    struct Case
    {
        const char* what;
        int map;
        int playMode;
        int count;
        std::vector<int> solved; // levels
        int scrolls;             // rows down
        int first;               // expected after the scrolls
        std::vector<int> enabled;
        std::vector<int> shown; // slots with a visible button; empty: all 20
        const char* range;
        bool upDisabled;
        bool downDisabled;
    };
    const Case cases[] = {
        {"a fresh basic region", 0, 2, 200, {}, 0, 0, {1}, {}, "1 - 20 / 200", true, false},
        {"basic level 3 solved opens level 4 only",
         0,
         2,
         200,
         {2},
         0,
         0,
         {1, 4},
         {},
         "1 - 20 / 200",
         true,
         false},
        {"jungle: the level after a solved one stays closed",
         1,
         3,
         36,
         {0, 1, 5},
         0,
         0,
         {1, 2, 6},
         {},
         "1 - 20 / 36",
         true,
         false},
        {"36 levels on the last page",
         1,
         3,
         36,
         {21},
         4,
         20,
         {2},
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16},
         "21 - 36 / 36",
         false,
         true},
        {"scrolling past 36 levels stops at the last page",
         1,
         3,
         36,
         {},
         9,
         20,
         {},
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16},
         "21 - 36 / 36",
         false,
         true},
        {"fewer than 20 levels", 4, 6, 7, {6}, 2, 0, {7}, {1, 2, 3, 4, 5, 6, 7}, "1 - 7 / 7", true, true},
        {"no levels", 2, 4, 0, {}, 1, 0, {}, {0}, "1 - 0 / 0", true, true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        Context().GetProgress().ResetProgress();
        for (const int level : c.solved)
        {
            Solve(c.map, level);
        }
        ASSERT_TRUE(OpenLevels(c.map, c.playMode, c.count));
        for (int i = 0; i < c.scrolls; ++i)
        {
            ScrollDown();
        }
        EXPECT_EQ(c.first, Selection().GetFirstLevel());
        for (int slot = 1; slot <= 20; ++slot)
        {
            SCOPED_TRACE("slot " + std::to_string(slot));
            const bool enabled = std::find(c.enabled.begin(), c.enabled.end(), slot) != c.enabled.end();
            const bool shown =
                c.shown.empty() || std::find(c.shown.begin(), c.shown.end(), slot) != c.shown.end();
            EXPECT_EQ(shown, Slot(slot)->IsVisible());
            EXPECT_EQ(!enabled, Slot(slot)->IsDisabled());
            EXPECT_EQ(enabled && shown, NumberLabel(slot)->IsVisible());
            if (enabled)
            {
                EXPECT_EQ(
                    std::to_string(c.first + slot),
                    static_cast<const char*>(static_cast<UILib::CLabel*>(NumberLabel(slot))->GetText()));
            }
        }
        EXPECT_EQ(c.range, Text("levelrangelabel"));
        EXPECT_EQ(c.upDisabled, Find("levelselection", "upbutton")->IsDisabled());
        EXPECT_EQ(c.downDisabled, Find("levelselection", "downbutton")->IsDisabled());
    }
}

// Held down, the scroll button walks 200 basic levels row by row to the last page and stops there, also
// for a repeat that comes after it was disabled; up walks back to the first row.
TEST_F(FreePlayTest, AHeldScrollButtonStopsAtTheLastRow)
{
    ASSERT_TRUE(OpenLevels(0, 2, 200));
    std::vector<int> firsts{Selection().GetFirstLevel()};
    game->SetFrameHook([&] {
        if (game->IsRunning() && Selection().GetFirstLevel() != firsts.back())
        {
            firsts.push_back(Selection().GetFirstLevel());
        }
    });
    UILib::CWindow* down = Find("levelselection", "downbutton");
    ASSERT_TRUE(game->MouseMove(game->CentreOf(*down)));
    ASSERT_TRUE(game->RunFrames(1));
    ASSERT_TRUE(game->MouseButton(game->CentreOf(*down), true));
    ASSERT_TRUE(game->RunUntil([&] { return Selection().GetFirstLevel() == 180; }, "the last page", 400));
    ASSERT_TRUE(game->RunFrames(30));
    EXPECT_TRUE(down->IsDisabled());
    ScrollDown(true);
    ScrollDown(true);
    ASSERT_TRUE(game->MouseButton(game->CentreOf(*down), false));
    ASSERT_TRUE(game->RunFrames(2));
    std::vector<int> expected;
    for (int first = 0; first <= 180; first += 5)
    {
        expected.push_back(first);
    }
    EXPECT_EQ(expected, firsts);
    EXPECT_EQ(180, Selection().GetFirstLevel());
    EXPECT_EQ("181 - 200 / 200", Text("levelrangelabel"));
    EXPECT_TRUE(Slot(20)->IsVisible());

    UILib::CWindow* up = Find("levelselection", "upbutton");
    ASSERT_TRUE(game->MouseMove(game->CentreOf(*up)));
    ASSERT_TRUE(game->RunFrames(1));
    ASSERT_TRUE(game->MouseButton(game->CentreOf(*up), true));
    ASSERT_TRUE(game->RunUntil([&] { return Selection().GetFirstLevel() == 0; }, "the first page", 400));
    static_cast<UILib::CBasicButton*>(up)->NotifyDown(true);
    ASSERT_TRUE(game->MouseButton(game->CentreOf(*up), false));
    ASSERT_TRUE(game->RunFrames(2));
    EXPECT_EQ(0, Selection().GetFirstLevel());
    EXPECT_EQ("1 - 20 / 200", Text("levelrangelabel"));

    // Opening again starts at the first row.
    ScrollDown();
    ASSERT_EQ(5, Selection().GetFirstLevel());
    ASSERT_TRUE(Open("freeplay"));
    ASSERT_TRUE(Open("levelselection"));
    EXPECT_EQ(0, Selection().GetFirstLevel());
}

// The level under the mouse: its best moves and time when solved, "---" over an unsolved level, its
// number label, the panel, or a slot past the level count.
TEST_F(FreePlayTest, TheInfoFollowsTheMouse)
{
    Solve(1, 0, 2, 17, 75);
    Solve(1, 1, 3, 9, 5);
    ASSERT_TRUE(OpenLevels(1, 3, 36));
    struct Case
    {
        const char* what;
        std::function<UILib::CWindow*()> window;
        const char* moves;
        const char* time;
    };
    const Case cases[] = {
        {"solved level 1", [&] { return Slot(1); }, "17", "1:15"},
        {"panel", [&] { return Page("levelselection").GetPanel(); }, "---", "---"},
        {"number label of solved level 2", [&] { return NumberLabel(2); }, "9", "0:05"},
        {"unsolved level 3", [&] { return Slot(3); }, "---", "---"},
        {"solved level 1 again", [&] { return Slot(1); }, "17", "1:15"},
        {"the range label", [&] { return Label("levelrangelabel"); }, "---", "---"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        UILib::CWindow* window = c.window();
        ASSERT_NE(nullptr, window);
        BaseLib::CPoint at = game->CentreOf(*window);
        if (window == Page("levelselection").GetPanel())
        {
            // An empty spot of the page between the slots.
            const BaseLib::CRect slot = game->WindowPixels(*Slot(1));
            at = BaseLib::CPoint(slot.right + 3, slot.bottom + 1);
        }
        ASSERT_TRUE(game->MouseMove(at));
        ASSERT_TRUE(game->RunFrames(1));
        EXPECT_EQ(c.moves, Text("bestmoveslabel"));
        EXPECT_EQ(c.time, Text("besttimelabel"));
    }
}

// A click on a level: the selected level, one "SwitchToLevel", the puzzle screen by "startup/renderer";
// two clicks in one frame start it once.
TEST_F(FreePlayTest, AClickOnALevelStartsItInThePuzzleScreenTheRendererChooses)
{
    struct Case
    {
        const char* renderer;
        const char* screen;
    };
    const Case cases[] = {{"2d", "ingame2d"}, {"anything", "ingame2d"}, {"3d", "ingame3d"}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.renderer);
        // Written into the entry itself: the file's reader would not let a value outside "2d 3d" in.
        auto* entry = dynamic_cast<BaseLib::CConfigFile::CEntryString*>(
            game->Game().GetConfiguration()->FindEntry("startup/renderer"));
        ASSERT_NE(nullptr, entry);
        entry->value = c.renderer;
        Context().GetProgress().ResetProgress();
        for (int level = 0; level < 30; ++level)
        {
            Solve(0, level);
        }
        ASSERT_TRUE(OpenLevels(0, 2, 200));
        ScrollDown();
        sound->ClearLog();
        ASSERT_TRUE(ClickOn("levelselection", "levelnumberbutton3"));
        ASSERT_TRUE(WaitFor(c.screen));
        EXPECT_EQ(7, SaveGames().GetSelectedLevel());
        EXPECT_EQ(7, Context().GetLevelIndex());
        EXPECT_EQ(1u, sound->Count(SoundEvent::Play, "sound>menuactivate.wav"));
    }

    ASSERT_TRUE(Open("levelselection"));
    sound->ClearLog();
    const BaseLib::CPoint at = game->CentreOf(*Slot(2));
    ASSERT_TRUE(game->MouseMove(at));
    ASSERT_TRUE(game->RunFrames(1));
    for (int i = 0; i < 2; ++i)
    {
        ASSERT_TRUE(game->MouseButton(at, true));
        ASSERT_TRUE(game->MouseButton(at, false));
    }
    ASSERT_TRUE(WaitFor("ingame3d"));
    // One click taken: one sound, one level started.
    EXPECT_EQ(1u, sound->Count(SoundEvent::Play, "sound>menuactivate.wav"));
    EXPECT_EQ(1, Context().GetLevelIndex());

    // A disabled level starts nothing; back leads to the free-play menu.
    Context().GetProgress().ResetProgress();
    ASSERT_TRUE(OpenLevels(0, 2, 200));
    Context().SetLevelIndex(42);
    sound->ClearLog();
    ASSERT_TRUE(ClickOn("levelselection", "levelnumberbutton20"));
    ASSERT_TRUE(game->RunFrames(3));
    EXPECT_EQ("levelselection", game->Screens().GetCurrentScreenName());
    EXPECT_EQ(42, Context().GetLevelIndex());
    EXPECT_EQ(0u, sound->Count(SoundEvent::Play));
    ASSERT_TRUE(ClickOn("levelselection", "backbutton"));
    ASSERT_TRUE(WaitFor("freeplay"));
}

// The first page of a basic region with gold on its first three levels: the gold pictures under their
// slots, nothing under the others.
TEST_F(FreePlayTest, TheGoldOfEachLevelShowsUnderItsSlot)
{
    Solve(0, 0, 1);
    Solve(0, 1, 2);
    Solve(0, 2, 3);
    ASSERT_TRUE(OpenLevels(0, 2, 200));
    ASSERT_TRUE(game->RunUntil([] { return CGiantBookUIScreen::GetCurrentPage() == 1; }, "page 2"));
    ASSERT_TRUE(game->RunFrames(20));
    for (int slot = 1; slot <= 3; ++slot)
    {
        EXPECT_EQ("menu_levelselect_gold" + std::to_string(slot) + ".png",
                  static_cast<const char*>(Label("starslabel" + std::to_string(slot))->GetBitmapFile()));
        EXPECT_TRUE(Label("starslabel" + std::to_string(slot))->IsVisible());
    }
    EXPECT_FALSE(Label("starslabel4")->IsVisible());
    const std::string folder = QUARROW_TEST_OUTPUT_DIR;
    ASSERT_TRUE(game->Screenshot(folder, "level_selection"));
    int width = 0;
    int height = 0;
    const GameTesting::Pixels picture = game->ReadFrame(width, height);
    ASSERT_FALSE(picture.empty());
    EXPECT_TRUE(
        GameTesting::GameHarness::WritePicture(folder, "level_selection_read_back", width, height, picture));
    const auto at = [&](const BaseLib::CPoint& p) {
        return picture[static_cast<std::size_t>(p.y) * static_cast<std::size_t>(width) +
                       static_cast<std::size_t>(p.x)] &
               0xFFFFFFu;
    };
    const std::uint32_t gold[] = {0xC82828u, 0x28A028u, 0x283CC8u};
    for (int slot = 1; slot <= 4; ++slot)
    {
        SCOPED_TRACE("slot " + std::to_string(slot));
        const std::uint32_t pixel = at(game->CentreOf(*Label("starslabel" + std::to_string(slot))));
        if (slot <= 3)
        {
            EXPECT_EQ(gold[slot - 1], pixel);
        }
        else
        {
            for (const std::uint32_t colour : gold)
            {
                EXPECT_NE(colour, pixel);
            }
        }
    }
}

// A layout without "starslabel7": one trace line names the file and the window; the page works.
TEST_F(FreePlayTest, ALayoutWithoutAStarsLabelStillWorks)
{
    game->UI().GetFileTranslator()->SetLanguageFolder("missing/");
    for (int level = 0; level < 10; ++level)
    {
        Solve(0, level, 3);
    }
    ASSERT_TRUE(OpenLevels(0, 2, 200));
    ScrollDown();
    ASSERT_EQ(5, Selection().GetFirstLevel());
    const std::string trace = game->Trace();
    std::size_t lines = 0;
    for (std::size_t at = trace.find("starslabel7"); at != std::string::npos;
         at = trace.find("starslabel7", at + 1))
    {
        ++lines;
        const std::size_t begin = trace.rfind('\n', at) + 1;
        EXPECT_NE(std::string::npos,
                  trace.substr(begin, trace.find('\n', at) - begin).find("levelselectscreen.xml"));
    }
    EXPECT_EQ(1u, lines);
    EXPECT_TRUE(Label("starslabel5")->IsVisible());
    EXPECT_FALSE(Label("starslabel6")->IsVisible());
    ASSERT_TRUE(ClickOn("levelselection", "levelnumberbutton2"));
    ASSERT_TRUE(WaitFor("ingame3d"));
    EXPECT_EQ(6, Context().GetLevelIndex());
}

} // namespace
