// The game's screen registry in the running game: the eighteen screens in their order (the developer ones
// only in developer mode, handed over by the developer tools), each of its class, each switched to and
// run; the first screen in each mode and the start's own way on; a developer screen without a maker; and
// no window left behind at shut-down.
#include "framework/UIScreen.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "game/map/MapScreen.h"
#include "game/menus/FileMenuScreen.h"
#include "game/menus/FreePlayMenuScreen.h"
#include "game/menus/GameMenuScreen.h"
#include "game/menus/GameResultScreen.h"
#include "game/menus/LanguageSelectionScreen.h"
#include "game/menus/LevelSelectionScreen.h"
#include "game/menus/LoadSavedGamesScreen.h"
#include "game/menus/LogoScreen.h"
#include "game/menus/MainMenuScreen.h"
#include "game/menus/OptionsScreen.h"
#include "game/menus/TreasuryScreen.h"
#include "game/puzzle/PuzzleScreen2D.h"
#include "game/puzzle/PuzzleScreen3D.h"
#include "tests/game/harness/GameHarness.h"
#include "tools/DevMenuScreen.h"
#include "tools/DeveloperTools.h"
#include "tools/editor/PuzzleEditorScreen.h"
#include "tools/mapeditor/MapEditorScreen.h"

#include <gtest/gtest.h>

#include <string>
#include <typeinfo>
#include <vector>

namespace
{

using GameTesting::GameHarness;
using GameTesting::GameSettings;

struct Row
{
    const char* name;
    const std::type_info& type;
    bool developer;
};

// The registry's table, in its order.
const std::vector<Row>& Table()
{
    static const std::vector<Row> rows = {
        {"devmenu", typeid(CDevMenuScreen), true},
        {"editor2d", typeid(CPuzzleEditorScreen2D), true},
        {"editor3d", typeid(CPuzzleEditorScreen3D), true},
        {"mapeditor", typeid(CMapEditorScreen), true},
        {"mainmenu", typeid(CMainMenuScreen), false},
        {"filemenu", typeid(CFileMenuScreen), false},
        {"ingame3d", typeid(CPuzzleScreen3D), false},
        {"ingame2d", typeid(CPuzzleScreen2D), false},
        {"map", typeid(CMapScreen), false},
        {"gamemenu", typeid(CGameMenuScreen), false},
        {"gameresult", typeid(CGameResultScreen), false},
        {"levelselection", typeid(CLevelSelectionScreen), false},
        {"freeplay", typeid(CFreePlayMenuScreen), false},
        {"options", typeid(COptionsScreen), false},
        {"treasury", typeid(CTreasuryScreen), false},
        {"languageselection", typeid(CLanguageSelectionScreen), false},
        {"loadsavedgames", typeid(CLoadSavedGamesScreen), false},
        {"logo", typeid(CLogoScreen), false},
    };
    return rows;
}

const char* const kDeveloperNames[] = {"devmenu", "editor2d", "editor3d", "mapeditor"};
constexpr const char* kLeftWindows = "windows still present at shutdown";

class ScreenRegistryTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        for (const char* name : kDeveloperNames)
        {
            CQuarrowUI::SetScreenCreator(name, nullptr);
        }
        CQuarrowWorld::SetToolCreators(nullptr, nullptr);
    }

    // The game as a player starts it (the saved games read), held on its first page.
    static GameSettings Mode(bool developer)
    {
        GameSettings settings;
        settings.developer = developer;
        settings.language = "ask";
        settings.startFlow = true;
        // Small, so the software renderer draws the many frames quickly.
        settings.width = 640;
        settings.height = 480;
        return settings;
    }

    static std::vector<std::string> ExpectedNames(bool developer)
    {
        std::vector<std::string> names;
        for (const Row& row : Table())
        {
            if (developer || !row.developer)
            {
                names.emplace_back(row.name);
            }
        }
        return names;
    }

    // Every registered name switched to in the table's order, each run for 60 frames.
    void SwitchThroughTheTable(GameHarness& game, bool developer)
    {
        game.AddProfile("registry");
        EXPECT_EQ(game.UI().GetScreenNames(), ExpectedNames(developer));
        for (const Row& row : Table())
        {
            const std::string before = game.Screens().GetCurrentScreenName();
            if (row.developer && !developer)
            {
                EXPECT_FALSE(game.SwitchTo(row.name)) << row.name;
                EXPECT_EQ(game.Screens().GetCurrentScreenName(), before) << row.name;
                continue;
            }
            GameLib::CUIScreen* screen = game.Screens().FindScreen(row.name);
            ASSERT_NE(screen, nullptr) << row.name;
            EXPECT_TRUE(typeid(*screen) == row.type) << row.name << " is a " << typeid(*screen).name();
            ASSERT_TRUE(game.SwitchTo(row.name)) << row.name;
            EXPECT_EQ(game.Screens().GetCurrentScreenName(), row.name);
            EXPECT_EQ(game.Screens().GetPreviousScreenName(), before) << row.name;
            ASSERT_TRUE(game.RunFrames(60)) << row.name;
            EXPECT_TRUE(game.MessageBoxes().empty()) << row.name << ": " << game.MessageBoxes().front();
        }
    }
};

// The runs through the table, each in a suite of its own: they are the longest.
class ScreenRegistryTableTest : public ScreenRegistryTest
{
};

TEST_F(ScreenRegistryTableTest, InNormalModeTheFourteenGameScreensSwitchAndRunAndTheDeveloperNamesAreRefused)
{
    GameHarness game(Mode(false));
    ASSERT_TRUE(game.Start());
    SwitchThroughTheTable(game, false);
    game.Finish();
    EXPECT_EQ(game.Trace().find(kLeftWindows), std::string::npos);
}

class ScreenRegistryDeveloperTest : public ScreenRegistryTest
{
};

TEST_F(ScreenRegistryDeveloperTest, TheDeveloperToolsHandOverTheirScreensFirst)
{
    RegisterDeveloperTools();
    GameHarness game(Mode(true));
    ASSERT_TRUE(game.Start());
    EXPECT_EQ(game.Trace().find("it is left out"), std::string::npos);
    SwitchThroughTheTable(game, true);
    game.Finish();
    EXPECT_EQ(game.Trace().find(kLeftWindows), std::string::npos);
}

TEST_F(ScreenRegistryTest, ADeveloperScreenWithoutAMakerIsLeftOutWithOneLine)
{
    RegisterDeveloperTools();
    CQuarrowUI::SetScreenCreator("editor3d", nullptr);
    GameHarness game(Mode(true));
    ASSERT_TRUE(game.Start());
    ASSERT_TRUE(game.RunFrames(2));
    EXPECT_EQ(game.Screens().GetCurrentScreenName(), "devmenu");
    EXPECT_EQ(game.Screens().FindScreen("editor3d"), nullptr);
    EXPECT_NE(game.Screens().FindScreen("editor2d"), nullptr);
    const std::string trace = game.Trace();
    const std::string line = "no maker for the developer screen \"editor3d\"";
    const std::size_t at = trace.find(line);
    EXPECT_NE(at, std::string::npos);
    EXPECT_EQ(trace.find(line, at + 1), std::string::npos);
    EXPECT_EQ(trace.find("no maker for the developer screen \"editor2d\""), std::string::npos);
    std::vector<std::string> names = ExpectedNames(true);
    std::erase(names, "editor3d");
    EXPECT_EQ(game.UI().GetScreenNames(), names);
    game.Finish();
    EXPECT_EQ(game.Trace().find(kLeftWindows), std::string::npos);
}

TEST_F(ScreenRegistryTest, TheGameOpensOnTheLanguagePageOrOnTheDeveloperMenu)
{
    RegisterDeveloperTools();
    for (const bool developer : {false, true})
    {
        GameHarness game(Mode(developer));
        ASSERT_TRUE(game.Start());
        ASSERT_TRUE(game.RunFrames(10));
        EXPECT_EQ(game.Screens().GetCurrentScreenName(), developer ? "devmenu" : "languageselection");
        game.Finish();
        EXPECT_EQ(game.Trace().find(kLeftWindows), std::string::npos) << developer;
    }
}

TEST_F(ScreenRegistryTest, WithAKnownLanguageTheProfilesAndTheLogoFollowByThemselves)
{
    GameSettings settings;
    settings.language = "english";
    settings.startFlow = true;
    GameHarness game(settings);
    std::vector<std::string> shown;
    game.SetFrameHook([&] {
        const std::string name = game.Screens().GetCurrentScreenName();
        if (shown.empty() || shown.back() != name)
        {
            shown.push_back(name);
        }
    });
    ASSERT_TRUE(game.Start());
    shown.push_back(game.Screens().GetCurrentScreenName());
    ASSERT_TRUE(game.RunUntil([&] { return game.Screens().GetCurrentScreenName() == "logo"; }, "the logo"));
    // The profiles' page reads the saved games and goes on within its first frame.
    EXPECT_EQ(game.Screens().GetPreviousScreenName(), "loadsavedgames");
    EXPECT_EQ(shown.front(), "languageselection");
    EXPECT_EQ(shown.back(), "logo");
}

} // namespace
