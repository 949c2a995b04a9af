// The map editor screen in the running game (developer mode, the test map as every map): selection and
// the right click's walk bits, the toolbar's new, load and save, and, driven by real keys, leaving by
// Escape and F1 with the world's editor mode, Escape in the load picker, and a picture.
#include "tools/mapeditor/MapEditorScreen.h"

#include "framework/UIScreen.h"
#include "game/GameContext.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowUIScreen.h"
#include "game/ScreenFader.h"
#include "game/savegame/ProgressRecord.h"
#include "tests/tools/mapeditor/MapEditorTestSupport.h"
#include "tools/DeveloperTools.h"
#include "tools/mapeditor/MapCellPropertiesWindow.h"
#include "tools/mapeditor/MapWalkabilityDisplay.h"
#include "ui/controls/Label.h"
#include "ui/WindowManager.h"
#include "ui/controls/Button.h"
#include "ui/controls/CheckBox.h"
#include "ui/controls/EditControl.h"
#include "ui/controls/FilePicker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <tuple>

#include <string>
#include <utility>
#include <vector>

namespace
{

using BaseLib::CPoint;
using MapEditorTesting::MapEditorGameTest;

// Where the editor leads: it does nothing.
class StandInScreen : public CQuarrowUIScreen
{
public:
    StandInScreen(CQuarrowUI* ui, CQuarrowWorld* world) : CQuarrowUIScreen(ui, world) {}
    void Update() override {}
    void OnActivate() override {}
    void OnDeactivate() override {}
};

class MapEditorScreenTest : public MapEditorGameTest
{
protected:
    void Enter(const std::string& mapFile = "testland.map.xml")
    {
        RegisterDeveloperTools();
        ASSERT_NO_FATAL_FAILURE(StartGame(true, mapFile));
        game->AddScreen("mainmenu", new StandInScreen(&game->UI(), &game->World()));
        game->AddProfile("Ann");
        ProgressRecord& progress = game->World().GetGameContext()->GetProgress();
        progress.SetCurrentMap(1);
        progress.GetMapProgress(1).SetOpen(true);
        ASSERT_TRUE(game->SwitchTo("mapeditor"));
        ASSERT_TRUE(WaitForState("Walking"));
    }
    ::testing::AssertionResult WaitForState(const std::string& state)
    {
        return game->RunUntil(
            [&] { return game->Screens().GetCurrentScreenName() == "mapeditor" && Screen().GetStates().GetCurrentStateName() == state; },
            "the map editor's state " + state);
    }
    CMapEditorScreen& Screen() const
    {
        return *static_cast<CMapEditorScreen*>(game->Screens().FindScreen("mapeditor"));
    }
    CEditableMap& Map() const { return *game->World().GetMap(); }
    void Press(const char* button)
    {
        auto* found = static_cast<UILib::CButton*>(Screen().GetPanel()->FindChildByName(button, true, "CButton"));
        ASSERT_NE(found, nullptr) << button;
        found->NotifyClick();
    }
    std::vector<MapCell> Cells() const
    {
        std::vector<MapCell> cells;
        for (int y = 0; y < Map().GetSize().cy; ++y)
        {
            for (int x = 0; x < Map().GetSize().cx; ++x)
            {
                cells.push_back(Map().GetCell(x, y));
            }
        }
        return cells;
    }
};

// The runs with real keys, alone.
using MapEditorScreenInputTest = MapEditorScreenTest;

TEST_F(MapEditorScreenTest, StartsOnTheWorldsMapWithTheEditorsRendererAndTheCellWindow)
{
    ASSERT_NO_FATAL_FAILURE(Enter());
    EXPECT_TRUE(game->World().IsEditorMode());
    EXPECT_NE(dynamic_cast<CMapEditorRenderer2D*>(Screen().GetRenderer()), nullptr);
    EXPECT_EQ(Screen().GetSelectedCell(), CPoint(0, 0));
    ASSERT_NE(Screen().GetCellWindow(), nullptr);
    EXPECT_EQ(Screen().GetCellWindow()->GetPosition(), CPoint(0, 70));
    EXPECT_EQ(Screen().GetCellWindow()->GetCell(), CPoint(0, 0));
    EXPECT_TRUE(Screen().GetPanel()->IsVisible());
}

TEST_F(MapEditorScreenTest, SelectsOnlyInnerCellsOfTheMap)
{
    // The wide map: 8 x 6 inside, 10 x 8 with the border.
    ASSERT_NO_FATAL_FAILURE(Enter("wide.map.xml"));
    ASSERT_EQ(Map().GetSize(), BaseLib::CSize(10, 8));
    const std::vector<MapCell> before = Cells();
    for (const auto& [x, y] : {std::pair{0, 3}, {9, 3}, {4, 0}, {4, 7}})
    {
        Screen().OnPointerCell(x, y);
        Screen().OnCellRightClicked(x, y);
        EXPECT_EQ(Screen().GetSelectedCell(), CPoint(0, 0)) << x << ", " << y;
    }
    EXPECT_EQ(Cells(), before);
    EXPECT_FALSE(Screen().HasUnsavedEdits());
    for (const auto& [x, y] : {std::pair{1, 1}, {8, 6}})
    {
        Screen().OnPointerCell(x, y);
        EXPECT_EQ(Screen().GetSelectedCell(), CPoint(x, y));
        EXPECT_EQ(Screen().GetCellWindow()->GetCell(), CPoint(x, y));
        auto* renderer = static_cast<CMapEditorRenderer2D*>(Screen().GetRenderer());
        EXPECT_EQ(renderer->GetSelectionMarker()->GetPosition(), CPoint(64 * x, 64 * y));
    }
}

TEST_F(MapEditorScreenTest, SixtyFourRightClicksRunThroughEveryWalkBitCombinationAndBack)
{
    ASSERT_NO_FATAL_FAILURE(Enter());
    Map().GetCell(2, 2).walkBits = 0x80 | 5;
    auto& north = static_cast<UILib::CCheckBox&>(
        *Screen().GetCellWindow()->FindChildByName("canwalknorth", true, "CCheckBox"));
    Screen().OnCellRightClicked(2, 2);
    EXPECT_EQ(Map().GetCell(2, 2).walkBits, 6);
    EXPECT_EQ(Screen().GetSelectedCell(), CPoint(2, 2));
    EXPECT_EQ(north.GetState(), 0);
    std::vector<int> seen = {6};
    for (int click = 1; click < 64; ++click)
    {
        Screen().OnCellRightClicked(2, 2);
        seen.push_back(Map().GetCell(2, 2).walkBits);
        EXPECT_EQ(north.GetState(), Map().GetCell(2, 2).walkBits & 1);
    }
    EXPECT_EQ(Map().GetCell(2, 2).walkBits, 5);
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(std::unique(seen.begin(), seen.end()), seen.end());
    EXPECT_TRUE(Screen().HasUnsavedEdits());
}

TEST_F(MapEditorScreenTest, NewClearsEveryCellAndKeepsTheSize)
{
    ASSERT_NO_FATAL_FAILURE(Enter());
    Press("newbutton");
    ASSERT_EQ(Map().GetSize(), BaseLib::CSize(6, 5));
    for (const MapCell& cell : Cells())
    {
        EXPECT_EQ(cell, MapCell());
    }
    // The overlays follow: no passage and no number remain.
    auto* renderer = static_cast<CMapEditorRenderer2D*>(Screen().GetRenderer());
    for (const auto& overlay : renderer->GetOverlays())
    {
        EXPECT_FALSE(overlay.display->HasConnection(0));
        EXPECT_FALSE(overlay.label->IsVisible());
    }
}

TEST_F(MapEditorScreenTest, SavesUnderTheChosenNameWithXmlAddedAndTheFileReadsBackEqual)
{
    EXPECT_EQ(CMapEditorScreen::SaveFileName("m"), "m.xml");
    EXPECT_EQ(CMapEditorScreen::SaveFileName("m.xml"), "m.xml");
    EXPECT_EQ(CMapEditorScreen::SaveFileName("m.xm"), "m.xm.xml");
    EXPECT_EQ(CMapEditorScreen::SaveFileName(""), ".xml");

    ASSERT_NO_FATAL_FAILURE(Enter());
    Screen().OnCellRightClicked(3, 2);
    Press("savebutton");
    UILib::CFilePicker* picker = Screen().GetPicker();
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->GetMode(), UILib::CFilePicker::SaveMode);
    EXPECT_EQ(UILib::CWindowManager::GetInstance()->GetTopModalWindow(), picker);
    EXPECT_EQ(std::string(static_cast<const char*>(picker->GetFilters().back().first)), "Level Files");
    picker->GetFileNameEdit()->SetText("m");
    picker->Accept();
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_EQ(Screen().GetPicker(), nullptr);
    EXPECT_EQ(UILib::CWindowManager::GetInstance()->GetTopModalWindow(), nullptr);
    const std::string written = (Root() / "levels" / "m.xml").string();
    ASSERT_TRUE(std::filesystem::exists(written));
    EXPECT_FALSE(Screen().HasUnsavedEdits());
    CEditableMap reread;
    ASSERT_TRUE(reread.LoadXml(0, written));
    ASSERT_EQ(reread.GetSize(), Map().GetSize());
    for (int y = 0; y < Map().GetSize().cy; ++y)
    {
        for (int x = 0; x < Map().GetSize().cx; ++x)
        {
            const MapCell& a = reread.GetCell(x, y);
            const MapCell& b = Map().GetCell(x, y);
            EXPECT_EQ(std::tie(a.walkBits, a.flags, a.puzzle, a.goldreq, a.tile, a.moodimg, a.cutscene, a.cutscene2),
                      std::tie(b.walkBits, b.flags, b.puzzle, b.goldreq, b.tile, b.moodimg, b.cutscene, b.cutscene2))
                << x << ", " << y;
        }
    }
}

TEST_F(MapEditorScreenTest, LoadingAMapOfAnotherSizeRebuildsTheOverlaysAndDropsASelectionOutsideIt)
{
    ASSERT_NO_FATAL_FAILURE(Enter("wide.map.xml"));
    Screen().OnPointerCell(8, 6);
    auto* renderer = static_cast<CMapEditorRenderer2D*>(Screen().GetRenderer());
    ASSERT_EQ(renderer->GetOverlays().size(), 80u);
    const UILib::Handle oldDisplay = renderer->GetOverlays().front().display->GetHandle();
    Press("loadbutton");
    UILib::CFilePicker* picker = Screen().GetPicker();
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->GetMode(), UILib::CFilePicker::OpenMode);
    EXPECT_EQ(std::string(static_cast<const char*>(picker->GetFilters().back().first)), "Map Files");
    EXPECT_EQ(picker->GetPickableKinds(), UILib::CFilePicker::PickFiles);
    picker->SetFileName((Root() / "levels" / "testland.map.xml").string().c_str());
    picker->Accept();
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_EQ(Screen().GetPicker(), nullptr);
    ASSERT_EQ(Map().GetSize(), BaseLib::CSize(6, 5));
    EXPECT_EQ(renderer->GetOverlays().size(), 30u);
    EXPECT_EQ(UILib::CWindowManager::GetInstance()->Resolve(oldDisplay), nullptr);
    EXPECT_EQ(Screen().GetSelectedCell(), CPoint(0, 0));
    EXPECT_EQ(Screen().GetCellWindow()->GetCell(), CPoint(0, 0));

    // A file that is no map: the reader's empty map is shown as such.
    std::ofstream(Root() / "levels" / "broken.xml") << "<map><layout sizex=\"3\"/></map>";
    Press("loadbutton");
    Screen().GetPicker()->SetFileName((Root() / "levels" / "broken.xml").string().c_str());
    Screen().GetPicker()->Accept();
    ASSERT_TRUE(game->RunFrames(2));
    EXPECT_EQ(Map().GetSize(), BaseLib::CSize(0, 0));
    EXPECT_TRUE(renderer->GetOverlays().empty());
    EXPECT_EQ(Screen().GetPicker(), nullptr);
}

TEST_F(MapEditorScreenInputTest, EscapeFadesOutToTheMainMenuAndTheEditorModeEnds)
{
    ASSERT_NO_FATAL_FAILURE(Enter());
    game->FocusWindow();
    ASSERT_TRUE(game->PressKey("Escape"));
    EXPECT_EQ(Screen().GetStates().GetCurrentStateName(), "FadeOut");
    ASSERT_TRUE(game->RunUntil([&] { return game->Screens().GetCurrentScreenName() == "mainmenu"; }, "the main menu"));
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_FALSE(game->World().IsEditorMode());
}

TEST_F(MapEditorScreenInputTest, EscapeInTheLoadPickerClosesOnlyThePicker)
{
    ASSERT_NO_FATAL_FAILURE(Enter());
    game->FocusWindow();
    Press("loadbutton");
    ASSERT_NE(Screen().GetPicker(), nullptr);
    ASSERT_TRUE(game->PressKey("Escape"));
    ASSERT_TRUE(game->RunFrames(5));
    EXPECT_EQ(Screen().GetPicker(), nullptr);
    EXPECT_EQ(game->Screens().GetCurrentScreenName(), "mapeditor");
    EXPECT_EQ(Screen().GetStates().GetCurrentStateName(), "Walking");
    EXPECT_EQ(UILib::CWindowManager::GetInstance()->GetTopModalWindow(), nullptr);
}

TEST_F(MapEditorScreenInputTest, F1OnTheMapOpensTheEditorAndF1InTheEditorGoesBackAtOnce)
{
    ASSERT_NO_FATAL_FAILURE(Enter());
    game->FocusWindow();
    // Back to the map, then in again from there, as a developer does.
    ASSERT_TRUE(game->KeyDown("F1"));
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_EQ(game->Screens().GetCurrentScreenName(), "map");
    ASSERT_TRUE(game->KeyUp("F1"));
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_FALSE(game->World().IsEditorMode());
    ASSERT_TRUE(game->RunUntil(
        [&] {
            auto* map = dynamic_cast<CMapScreen*>(game->Screens().FindScreen("map"));
            return map != nullptr && map->GetStates().GetCurrentStateName() == "Walking";
        },
        "the map screen walking"));
    ASSERT_TRUE(game->PressKey("F1"));
    ASSERT_TRUE(WaitForState("Walking"));
    EXPECT_TRUE(game->World().IsEditorMode());
    // A right click on a cell right of the cell window steps its walk bits: (4, 1) gains a passage
    // north, into the border, which leads nowhere. A left click selects.
    auto* renderer = static_cast<CMapEditorRenderer2D*>(Screen().GetRenderer());
    const BaseLib::CRect mapPixels = game->WindowPixels(*renderer->GetMapWindow());
    ASSERT_TRUE(game->Click(CPoint(mapPixels.left + 4 * 64 + 32, mapPixels.top + 64 + 32), Platform::InjectedButton::Right));
    EXPECT_EQ(Map().GetCell(4, 1).walkBits, 1);
    EXPECT_EQ(Screen().GetSelectedCell(), CPoint(4, 1));
    ASSERT_TRUE(game->Click(CPoint(mapPixels.left + 4 * 64 + 32, mapPixels.top + 3 * 64 + 32)));
    EXPECT_EQ(Screen().GetSelectedCell(), CPoint(4, 3));
    EXPECT_TRUE(game->Screenshot(QUARROW_TEST_OUTPUT_DIR, "mapeditor"));
    // Leaving drops the edit, with a line naming the map.
    ASSERT_TRUE(game->PressKey("F1"));
    EXPECT_NE(game->Trace().find("Map editor: edits of \""), std::string::npos);
}

} // namespace
