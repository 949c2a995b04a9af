// The "Map Cell Properties" window on the test map in the running game: what each control writes into the
// cell, the level list with its icons, the tile and mood lists, and that showing a cell never writes it.
#include "tools/mapeditor/MapCellPropertiesWindow.h"

#include "tests/tools/mapeditor/MapEditorTestSupport.h"
#include "ui/WindowManager.h"
#include "ui/controls/CheckBox.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/FileEditCombo.h"
#include "ui/controls/FilePicker.h"
#include "ui/controls/Label.h"
#include "ui/controls/ListBox.h"
#include "ui/controls/SpinControlNumber.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace
{

using MapEditorTesting::MapEditorGameTest;

std::string Text(const BaseLib::CString& text)
{
    return static_cast<const char*>(text);
}

class MapCellPropertiesWindowTest : public MapEditorGameTest
{
protected:
    void SetUp() override
    {
        MapEditorGameTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(StartGame());
        map = &StartTestMap();
        window = CMapCellPropertiesWindow::Create(&game->World());
        UILib::CWindowManager::GetInstance()->GetLayerRoot(0)->AddChild(window->GetHandle());
        window->SetChangeCallback(UILib::CCallback<>::Bind(this, &MapCellPropertiesWindowTest::OnChange));
    }

    void OnChange() { ++changes; }

    template <typename W> W& Control(const char* name, const char* className)
    {
        auto* control = static_cast<W*>(window->FindChildByName(name, true, className));
        EXPECT_NE(control, nullptr) << name;
        return *control;
    }
    UILib::CCheckBox& Box(const char* name) { return Control<UILib::CCheckBox>(name, "CCheckBox"); }
    UILib::CSpinControlNumber& Spin(const char* name) { return Control<UILib::CSpinControlNumber>(name, "CSpinControlNumber"); }
    UILib::CComboBox& Combo(const char* name) { return Control<UILib::CComboBox>(name, "CComboBox"); }
    UILib::CListBox& List(const char* name) { return Control<UILib::CListBox>(name, "CListBox"); }
    static std::vector<std::string> Items(const UILib::CListBox& list)
    {
        std::vector<std::string> items;
        for (std::int32_t i = 0; i < list.GetItemCount(); ++i)
        {
            items.push_back(Text(list.GetItemText(i)));
        }
        return items;
    }
    // A click on the box as the player makes it: the state moves on and the box tells its change.
    static void Toggle(UILib::CCheckBox& box) { box.NotifyClick(); }

    CEditableMap* map = nullptr;
    CMapCellPropertiesWindow* window = nullptr;
    int changes = 0;
};

TEST_F(MapCellPropertiesWindowTest, BuildsTheDialogWithTheTriggerAndActionItemsInOrder)
{
    EXPECT_EQ(Text(window->GetCaption()), "Map Cell Properties");
    EXPECT_EQ(window->GetSize(), BaseLib::CSize(240, 730));
    EXPECT_TRUE(window->IsAlwaysOnTop());
    const std::vector<std::string> triggers = {"when entered",        "when puzzle is solved", "when lock is opened",
                                               "when key is missing", "always when entered",   "when lacking gold"};
    const std::vector<std::string> actions = {"none",           "walk north", "walk south", "start puzzle",
                                              "walk north x 2", "remove fog", "walk east",  "walk west"};
    EXPECT_EQ(Items(*Combo("seq1trigger").GetList()), triggers);
    EXPECT_EQ(Items(*Combo("seq2trigger").GetList()), triggers);
    EXPECT_EQ(Items(*Combo("action").GetList()), actions);
    // The sequence pickers start in the sequence folder, on sequence files.
    UILib::CFileEditCombo& sequence = Control<UILib::CFileEditCombo>("sequence1", "CFileEditCombo");
    EXPECT_EQ(Text(sequence.GetPicker()->GetDirectory()), (MapEditorTesting::DataFolder() / "sequences").string() + "/");
    ASSERT_FALSE(sequence.GetPicker()->GetFilters().empty());
    EXPECT_EQ(Text(sequence.GetPicker()->GetFilters().back().first), "Sequence Files");
    EXPECT_EQ(Text(sequence.GetPicker()->GetFilters().back().second), "*.xml");
}

TEST_F(MapCellPropertiesWindowTest, EachControlWritesOnlyItsPartOfTheCellAndCallsTheCallbackOnce)
{
    struct Case
    {
        const char* what;
        std::function<void()> edit;
        std::function<void(MapCell&)> expected;
    };
    const std::vector<Case> cases = {
        {"canwalknorth", [&] { Toggle(Box("canwalknorth")); }, [](MapCell& c) { c.walkBits ^= 1; }},
        {"canwalkeast", [&] { Toggle(Box("canwalkeast")); }, [](MapCell& c) { c.walkBits ^= 2; }},
        {"hideobstaclenorth", [&] { Toggle(Box("hideobstaclenorth")); }, [](MapCell& c) { c.walkBits |= 4; }},
        {"hideobstacleeast", [&] { Toggle(Box("hideobstacleeast")); }, [](MapCell& c) { c.walkBits |= 8; }},
        {"provideskeyB", [&] { Toggle(Box("provideskeyB")); }, [](MapCell& c) { c.flags |= 0x2; }},
        {"needskeyA", [&] { Toggle(Box("needskeyA")); }, [](MapCell& c) { c.flags |= 0x8; }},
        {"needskeyC", [&] { Toggle(Box("needskeyC")); }, [](MapCell& c) { c.flags |= 0x20; }},
        {"exit", [&] { Toggle(Box("exit")); }, [](MapCell& c) { c.flags |= 0x40; }},
        {"pylon", [&] { Toggle(Box("pylon")); }, [](MapCell& c) { c.flags |= 0x800; }},
        {"fogremover", [&] { Toggle(Box("fogremover")); }, [](MapCell& c) { c.flags |= 1u << 30; }},
        {"exitid 17", [&] { Spin("exitid").SetValue(17.0); }, [](MapCell& c) { c.flags |= 1u << 7; }},
        {"treasure 300", [&] { Spin("treasure").SetValue(300.0); }, [](MapCell& c) { c.flags |= 44u << 12; }},
        {"goldrequired 7.9", [&] { Spin("goldrequired").SetValue(7.9); }, [](MapCell& c) { c.goldreq = 7; }},
        // One trigger combo writes both fields from both combos (the second one set silently first).
        {"seq1trigger",
         [&] {
             Combo("seq2trigger").SuppressEvents();
             Combo("seq2trigger").SetSelection(3);
             Combo("seq2trigger").ResumeEvents();
             Combo("seq1trigger").SetSelection(5);
         },
         [](MapCell& c) { c.flags |= (5u << 20) | (3u << 23); }},
        {"action", [&] { Combo("action").SetSelection(7); },
         [](MapCell& c) { c.flags |= 7u << 26; }},
        {"levellist item 0", [&] { List("levellist").Select(0); }, [](MapCell& c) { c.puzzle = -1; }},
        {"levellist item 3", [&] { List("levellist").Select(3); }, [](MapCell& c) { c.puzzle = 2; }},
        {"tilelist empty", [&] { List("tilelist").Select(0); }, [](MapCell& c) { c.tile = "empty"; }},
        {"tilelist path.png", [&] { List("tilelist").Select(List("tilelist").FindItem("path.png")); },
         [](MapCell& c) { c.tile = "path"; }},
        {"moodimagelist river", [&] { List("moodimagelist").Select(List("moodimagelist").FindItem("river")); },
         [](MapCell& c) { c.moodimg = "river"; }},
        {"sequence1", [&] {
             Control<UILib::CFileEditCombo>("sequence1", "CFileEditCombo")
                 .SetFileName((MapEditorTesting::DataFolder() / "sequences" / "testland" / "meeting.xml").string().c_str());
         },
         [](MapCell& c) { c.cutscene = "testland/meeting.xml"; }},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.what);
        // (3, 1): level 1, tile "grass", no bits; the trigger combos show 0 and 0.
        window->ShowCell(3, 1);
        MapCell expected = map->GetCell(3, 1);
        const MapCell neighbour = map->GetCell(4, 1);
        changes = 0;
        test.edit();
        test.expected(expected);
        EXPECT_EQ(map->GetCell(3, 1), expected);
        EXPECT_EQ(map->GetCell(4, 1), neighbour);
        EXPECT_EQ(changes, 1);
        // Back to the file's cell for the next case.
        game->World().StartMap((Root() / "levels" / "jungle.map.xml").string(), 0);
        map = game->World().GetMap();
    }
}

TEST_F(MapCellPropertiesWindowTest, ListsTheLevelsWithIconsForUnusedUsedAndTwiceUsedLevels)
{
    // Level 0 is started by (2, 1), level 1 by (3, 1) and (4, 1), level 2 by none; (3, 2)'s 50 lies
    // outside the list and is not counted.
    window->ShowCell(1, 1);
    UILib::CListBox& levels = List("levellist");
    EXPECT_EQ(Items(levels), (std::vector<std::string>{"-1 : none", "01 : testland/a.xml", "02 : testland/b.xml",
                                                       "03 : testland/c.xml"}));
    EXPECT_EQ(levels.GetSelectedIndex(), 0);
    const std::vector<std::string> files = {"", "editor_assigned.png", "editor_error.png", "editor_unassigned.png"};
    const auto icon = [&](std::int32_t item) { return Text(levels.GetItemBitmap(item).GetFileName()); };
    for (std::int32_t item = 1; item < 4; ++item)
    {
        EXPECT_NE(icon(item).find(files[static_cast<std::size_t>(item)]), std::string::npos)
            << "item " << item << ": " << icon(item);
    }
    // Level 2 given to (1, 1): its icon turns to assigned at once.
    levels.Select(3);
    EXPECT_NE(icon(3).find("editor_assigned.png"), std::string::npos);
}

TEST_F(MapCellPropertiesWindowTest, ListsTheSettingsTilesAndMoodPicturesAndShowsTheCellsMood)
{
    window->ShowCell(1, 1);
    EXPECT_EQ(window->GetListedSetting(), "testland");
    UILib::CListBox& tiles = List("tilelist");
    EXPECT_EQ(Items(tiles),
              (std::vector<std::string>{"empty", "broken.png", "grass.png", "map_testland.png", "path.png"}));
    EXPECT_EQ(Text(tiles.GetSelectedText()), "grass.png");
    EXPECT_EQ(Items(List("moodimagelist")), (std::vector<std::string>{"clearing", "river"}));
    EXPECT_EQ(Text(List("moodimagelist").GetSelectedText()), "clearing");
    UILib::CLabel& mood = Control<UILib::CLabel>("moodimage", "CLabel");
    EXPECT_NE(Text(mood.GetBitmap().GetFileName()).find("sequences/testland/clearing.jpg"), std::string::npos);
    EXPECT_EQ(mood.GetBitmap().GetSize(), mood.GetSize());
    // "broken.png" is no picture: its item has none, and the trace says so.
    EXPECT_NE(game->Trace().find("broken.png\" does not load"), std::string::npos);
    // The path tile's cell selects "path.png", not the first name that begins with "path".
    window->ShowCell(2, 1);
    EXPECT_EQ(Text(tiles.GetSelectedText()), "path.png");
}

TEST_F(MapCellPropertiesWindowTest, ShowingACellNeverChangesIt)
{
    // An unknown tile, no mood picture, no puzzle, puzzle 2 (after an edit), a puzzle outside the list.
    map->GetCell(1, 3).puzzle = 2;
    for (const auto& [x, y] : {std::pair{4, 1}, {2, 2}, {1, 2}, {1, 3}, {3, 2}, {2, 3}, {1, 1}})
    {
        SCOPED_TRACE(std::to_string(x) + ", " + std::to_string(y));
        const MapCell before = map->GetCell(x, y);
        changes = 0;
        window->ShowCell(x, y);
        EXPECT_EQ(map->GetCell(x, y), before);
        EXPECT_EQ(changes, 0);
    }
}

TEST_F(MapCellPropertiesWindowTest, WritesNothingWithoutAMapOrOutsideTheGrid)
{
    window->ShowCell(9, 9);
    Toggle(Box("pylon"));
    EXPECT_EQ(changes, 0);
    window->ShowCell(2, 2);
    game->World().ShutMap();
    Toggle(Box("pylon"));
    window->Refresh();
    EXPECT_EQ(changes, 0);
}

} // namespace
