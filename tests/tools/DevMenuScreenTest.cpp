// The developer menu in the running game (developer mode, the committed layouts, the "level" alias on a
// folder of the test): its fade, its requests and the world commands they post, the shape weights, the
// generator behind its dialog, the keys that belong to the folder picker, a missing layout, and a picture.
#include "tools/DevMenuScreen.h"

#include "foundation/ConfigFile.h"
#include "framework/CommandQueue.h"
#include "framework/GameLibApplication.h"
#include "framework/UIScreen.h"
#include "game/QuarrowApplication.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "game/ScreenFader.h"
#include "platform/os/EventInjection.h"
#include "tests/game/harness/GameHarness.h"
#include "tools/DeveloperTools.h"
#include "ui/Panel.h"
#include "ui/WindowManager.h"
#include "ui/controls/Button.h"
#include "ui/controls/CheckBox.h"
#include "ui/controls/EditControl.h"
#include "ui/controls/FileBrowserList.h"
#include "ui/controls/FileEditCombo.h"
#include "ui/controls/FilePicker.h"
#include "ui/controls/ListBox.h"
#include "ui/controls/SpinControlNumber.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>

namespace
{

namespace fs = std::filesystem;
using GameTesting::GameHarness;
using GameTesting::GameSettings;

// A screen the menu leaves for; it counts its activations.
class StandInScreen : public GameLib::CUIScreen
{
public:
    explicit StandInScreen(std::map<std::string, int>& activations, std::string name)
        : m_activations(activations), m_name(std::move(name))
    {}
    void Update() override {}
    void OnActivate() override { ++m_activations[m_name]; }
    void Release() override { delete this; }

private:
    std::map<std::string, int>& m_activations;
    std::string m_name;
};

struct Posted
{
    std::string name;
    std::string argument;
    bool operator==(const Posted&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Posted& command)
{
    return out << command.name << "(\"" << command.argument << "\")";
}

// What the menu posts; the world's own commands (the stress tester's "SetSolved") are left out.
const std::set<std::string>& MenuCommands()
{
    static const std::set<std::string> names = {"StartGame", "StartLevel", "SetStressTestMode",
                                                "StartBatchProcessing"};
    return names;
}

class DevMenuScreenTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterDeveloperTools();
        // No blank in the folder's name: the batch folder starts there and must be one word.
        m_levels =
            fs::temp_directory_path() / ("quarrow-devmenu-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_levels);
        fs::create_directories(m_levels / "sub");
        std::ofstream(m_levels / "a.xml") << "<puzzle/>\n";
        std::ofstream(m_levels / "sub" / "b.xml") << "<puzzle/>\n";
    }

    void TearDown() override
    {
        game.reset();
        CQuarrowUI::SetScreenCreator("devmenu", nullptr);
        CQuarrowWorld::SetToolCreators(nullptr, nullptr);
        std::error_code error;
        fs::remove_all(m_levels, error);
    }

    // The game in developer mode with the level alias on the test's folder; the menu's targets stand in.
    void Start(std::vector<std::pair<std::string, std::string>> aliases = {})
    {
        GameSettings settings;
        settings.developer = true;
        settings.aliases = {{"level", m_levels.string() + "/"}};
        settings.aliases.insert(settings.aliases.end(), aliases.begin(), aliases.end());
        game = std::make_unique<GameHarness>(settings);
        m_lastId = -1;
        ASSERT_TRUE(game->Start());
        ASSERT_EQ("devmenu", game->Screens().GetCurrentScreenName());
        for (const char* name : {"languageselection", "ingame2d", "ingame3d", "editor2d"})
        {
            game->AddScreen(name, new StandInScreen(activations, name));
        }
        game->SetScreenStateReader([](GameLib::CUIScreen& screen) {
            const auto* menu = dynamic_cast<CDevMenuScreen*>(&screen);
            return menu != nullptr ? "phase " + std::to_string(menu->GetPhase()) : std::string("-");
        });
        // Every world command the moment it is posted (the world takes it in the next frame).
        game->SetFrameHook([this] {
            for (const GameLib::TCommand& command : game->World().GetCommandQueue()->GetPending())
            {
                if (command.id > m_lastId && MenuCommands().count(command.name) != 0)
                {
                    posted.push_back({command.name, command.argument});
                    m_lastId = command.id;
                }
            }
        });
        game->FocusWindow();
    }

    CDevMenuScreen& Menu() const
    {
        return *dynamic_cast<CDevMenuScreen*>(game->Screens().FindScreen("devmenu"));
    }
    ScreenFader& Fader() const { return *game->UI().GetFader(); }

    // Until the menu has faded in through its own fade (0.5 s) and takes requests.
    ::testing::AssertionResult WaitUntilFadedIn()
    {
        return game->RunUntil(
            [&] {
                return game->Screens().GetCurrentScreenName() == "devmenu" &&
                       Menu().GetPhase() == CDevMenuScreen::PhaseRunning && Fader().GetValue() == 1.0f;
            },
            "the faded-in menu");
    }
    // The menu (entered again when another screen is current) taking requests, its fade-in cut short:
    // the fader's overlay keeps the mouse from the menu while it shows. Nothing posted yet.
    ::testing::AssertionResult Ready()
    {
        if (game->Screens().GetCurrentScreenName() != "devmenu" && !game->SwitchTo("devmenu"))
        {
            return ::testing::AssertionFailure() << "no menu";
        }
        if (::testing::AssertionResult ran = game->RunFrames(1); !ran)
        {
            return ran;
        }
        Fader().SetTarget(1.0f, 0.0f);
        posted.clear();
        if (::testing::AssertionResult ran = game->RunFrames(1); !ran)
        {
            return ran;
        }
        if (Menu().GetPhase() != CDevMenuScreen::PhaseRunning)
        {
            return ::testing::AssertionFailure() << "the menu is in phase " << Menu().GetPhase();
        }
        return ::testing::AssertionSuccess();
    }
    // The menu's fade-out cut short, then the screen it leaves for.
    ::testing::AssertionResult WaitForScreen(const std::string& name)
    {
        Fader().SetTarget(Fader().GetTarget(), 0.0f);
        return game->RunUntil([&] { return game->Screens().GetCurrentScreenName() == name; },
                              "the screen " + name);
    }
    // Until the game has ended by itself; the screen machine then stands on "shutdown".
    ::testing::AssertionResult WaitForShutdown(bool wholeFade = false)
    {
        if (!wholeFade)
        {
            Fader().SetTarget(Fader().GetTarget(), 0.0f);
        }
        for (int frame = 0; frame < 200 && game->IsRunning(); ++frame)
        {
            (void)game->RunFrames(1);
        }
        if (game->IsRunning())
        {
            return ::testing::AssertionFailure() << "still running: " << game->Describe();
        }
        if (game->Screens().GetCurrentScreenName() != "shutdown")
        {
            return ::testing::AssertionFailure() << "ended on " << game->Screens().GetCurrentScreenName();
        }
        return ::testing::AssertionSuccess();
    }

    template <class Control> Control& Find(const char* name) const
    {
        auto* control = dynamic_cast<Control*>(Menu().GetPanel()->FindChildByName(name, true));
        EXPECT_NE(nullptr, control) << name;
        return *control;
    }
    void Check(const char* name, int state) { Find<UILib::CCheckBox>(name).SetState(state); }
    std::string Renderer() const { return game->Game().GetConfiguration()->GetString("startup/renderer"); }
    // The window pixel of the middle of the list's row.
    BaseLib::CPoint RowPoint(const UILib::CListBox& list, std::int32_t row) const
    {
        const BaseLib::CPoint origin = list.GetScreenPosition();
        const int y = list.GetBorderWidths().top + (row - list.GetTopIndex()) * list.GetRowHeight() +
                      list.GetRowHeight() / 2;
        return game->WindowPoint(BaseLib::CPoint(origin.x + 40, origin.y + y));
    }
    ::testing::AssertionResult DoubleClick(const BaseLib::CPoint& at)
    {
        const Platform::WindowHandle window = game->Window();
        game->MouseMove(at);
        for (const std::uint8_t clicks : {1, 2})
        {
            if (!Platform::InjectMouseButton(window, Platform::InjectedButton::Left, true, at.x, at.y,
                                             clicks) ||
                !Platform::InjectMouseButton(window, Platform::InjectedButton::Left, false, at.x, at.y,
                                             clicks))
            {
                return ::testing::AssertionFailure() << "no click";
            }
        }
        return game->RunFrames(2);
    }

    std::unique_ptr<GameHarness> game;
    std::map<std::string, int> activations;
    std::vector<Posted> posted;
    fs::path m_levels;

private:
    std::int32_t m_lastId = -1;
};

// The requests and the world commands they post run as a suite of their own (each suite runs alone).
using DevMenuRequestTest = DevMenuScreenTest;

TEST_F(DevMenuScreenTest, FadesInFromBlackShowsTheCursorOnlyAtFullValueAndEscapeEndsTheGame)
{
    Start();
    CDevMenuScreen& menu = Menu();
    EXPECT_TRUE(menu.HidesScene());
    EXPECT_EQ(CDevMenuScreen::PhaseEntering, menu.GetPhase());
    ASSERT_NE(nullptr, menu.GetPanel());
    EXPECT_TRUE(menu.GetPanel()->IsVisible());

    // The screen reads the value the fader had at the end of the frame before (it steps after screens).
    float before = Fader().GetValue();
    int framesWithCursor = 0;
    for (int frame = 0; frame < 40; ++frame)
    {
        ASSERT_TRUE(game->RunFrames(1));
        if (frame == 0)
        {
            EXPECT_EQ(CDevMenuScreen::PhaseRunning, menu.GetPhase());
            EXPECT_LT(Fader().GetValue(), 0.1f) << "from black";
            EXPECT_FALSE(game->UI().IsCursorShown());
        }
        else
        {
            EXPECT_EQ(before == 1.0f, game->UI().IsCursorShown())
                << "frame " << frame << ", value " << before;
        }
        framesWithCursor += game->UI().IsCursorShown();
        before = Fader().GetValue();
    }
    EXPECT_EQ(1.0f, Fader().GetValue());
    EXPECT_GT(framesWithCursor, 5);
    EXPECT_TRUE(posted.empty());

    // The level folder is listed; the batch folder starts on it.
    UILib::CFileBrowserList* levels = menu.GetLevelBox();
    ASSERT_NE(nullptr, levels);
    EXPECT_EQ(m_levels.string() + "/", std::string(levels->GetDirectory()));
    EXPECT_NE(-1, levels->FindItem("a.xml"));
    EXPECT_NE(-1, levels->FindItem("sub"));
    ASSERT_NE(nullptr, menu.GetBatchFolder());
    EXPECT_EQ(m_levels.string() + "/", std::string(menu.GetBatchFolder()->GetFullPath()));
    EXPECT_EQ(UILib::CFilePicker::PickFolders, menu.GetBatchFolder()->GetPicker()->GetPickableKinds());

    ASSERT_TRUE(game->Screenshot(QUARROW_TEST_OUTPUT_DIR, "devmenu"));
    int width = 0;
    int height = 0;
    const GameTesting::Pixels picture = game->ReadFrame(width, height);
    ASSERT_EQ(static_cast<std::size_t>(width * height), picture.size());
    const auto at = [&](const BaseLib::CPoint& layout) {
        const BaseLib::CPoint p = game->WindowPoint(layout);
        return picture[static_cast<std::size_t>(p.y * width + p.x)] & 0xFFFFFFu;
    };
    EXPECT_EQ(0x307090u, at({1012, 40})) << "the menu's own blue";
    // The list shows its rows and the batch options their boxes: neither is plain panel there.
    const BaseLib::CPoint list = levels->GetScreenPosition();
    EXPECT_NE(0x307090u, at({list.x + 100, list.y + 10}));
    const BaseLib::CPoint box = Find<UILib::CCheckBox>("assignmodels").GetScreenPosition();
    int marked = 0;
    for (int dx = 0; dx < 20; ++dx)
    {
        marked += at({box.x + dx, box.y + 10}) != 0x245876u;
    }
    EXPECT_GT(marked, 3) << "the check box's mark";

    ASSERT_TRUE(game->PressKey("Escape"));
    EXPECT_EQ(CDevMenuScreen::PhaseLeaving, menu.GetPhase());
    EXPECT_EQ("shutdown", menu.GetNextScreen());
    ASSERT_TRUE(WaitForShutdown(true));
    EXPECT_EQ(0.0f, Fader().GetValue()) << "ended in black";
    EXPECT_FALSE(menu.GetPanel()->IsVisible());
    EXPECT_FALSE(game->UI().IsCursorShown());
    EXPECT_EQ("3d", Renderer()) << "the layout starts on 3D";
    EXPECT_TRUE(posted.empty());
}

TEST_F(DevMenuRequestTest, ABatchRequestPostsItsSwitchesTimeOutAndFolderOrNothingForAFolderItCannotName)
{
    Start();
    ASSERT_TRUE(Ready());
    const char* boxes[] = {
        "calcsolvemoves", "forcerecalculation", "batchrefinecheckbox", "batchdeleteoriginalscheckbox",
        "convert2binary", "screenshots",        "assignmodels"};
    const std::string folder = m_levels.string() + "/";
    fs::create_directories(m_levels / "with blank");
    fs::path deep = m_levels;
    for (int i = 0; i < 6; ++i)
    {
        deep /= std::string(180, static_cast<char>('k' + i));
    }
    fs::create_directories(deep);
    ASSERT_GT(deep.string().size(), 1100u);

    const struct
    {
        const char* what;
        std::vector<std::pair<const char*, int>> states; // every other box unchecked
        double timeout;
        std::string folder;
        std::string expected; // empty: nothing posted
    } cases[] = {
        {"every box, 30 s",
         {{"calcsolvemoves", 1},
          {"batchrefinecheckbox", 1},
          {"batchdeleteoriginalscheckbox", 1},
          {"forcerecalculation", 1},
          {"convert2binary", 1},
          {"screenshots", 1},
          {"assignmodels", 1}},
         30,
         folder,
         "1 1 1 1 1 1 1 30.000000 " + folder},
        {"refine only", {{"batchrefinecheckbox", 1}}, 120, folder, "0 1 0 0 0 0 0 120.000000 " + folder},
        {"each switch in its place",
         {{"forcerecalculation", 1}, {"assignmodels", 1}},
         7,
         folder,
         "0 0 0 1 0 0 1 7.000000 " + folder},
        {"undecided counts as unchecked",
         {{"calcsolvemoves", 2}, {"screenshots", 1}},
         5,
         folder,
         "0 0 0 0 0 1 0 5.000000 " + folder},
        {"a blank in the folder", {{"convert2binary", 1}}, 30, (m_levels / "with blank").string() + "/", ""},
        {"a folder of 1100 characters", {{"convert2binary", 1}}, 30, deep.string() + "/", ""},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        for (const char* name : boxes)
        {
            auto& box = Find<UILib::CCheckBox>(name);
            box.SetTriState(true);
            box.SetState(0);
        }
        for (const auto& [name, state] : c.states)
        {
            Check(name, state);
        }
        Find<UILib::CSpinControlNumber>("solvertimeout").SetValue(c.timeout);
        Menu().GetBatchFolder()->SetFileName(BaseLib::CString(c.folder.c_str()));
        ASSERT_EQ(c.folder, std::string(Menu().GetBatchFolder()->GetFullPath()));

        ASSERT_TRUE(game->Click(game->CentreOf(Find<UILib::CButton>("batchbutton"))));
        if (c.expected.empty())
        {
            EXPECT_TRUE(posted.empty()) << posted.front();
            EXPECT_EQ(CDevMenuScreen::PhaseRunning, Menu().GetPhase()) << "the menu stays";
            EXPECT_EQ(CDevMenuScreen::NoRequest, Menu().GetRequest());
            ASSERT_TRUE(game->RunFrames(3));
            EXPECT_TRUE(posted.empty()) << "asked once, refused once";
            continue;
        }
        ASSERT_EQ(1u, posted.size());
        EXPECT_EQ((Posted{"StartBatchProcessing", c.expected}), posted[0]);
        ASSERT_TRUE(WaitForScreen("editor2d"));
        ASSERT_TRUE(Ready());
    }
    const std::string trace = game->Trace();
    EXPECT_NE(std::string::npos, trace.find("holds a blank; no batch started")) << trace;
    EXPECT_NE(std::string::npos, trace.find("over 1023; no batch started"));
    EXPECT_EQ(4, activations["editor2d"]);
}

TEST_F(DevMenuRequestTest, ALevelStartsWithItsCommandsInTheChosenViewAndAFolderEntryOnlyOpensTheFolder)
{
    Start();
    ASSERT_TRUE(Ready());
    UILib::CFileBrowserList& levels = *Menu().GetLevelBox();

    // A double click on a folder moves into it and starts nothing.
    const std::int32_t sub = levels.FindItem("sub");
    ASSERT_NE(-1, sub);
    ASSERT_TRUE(DoubleClick(RowPoint(levels, sub)));
    EXPECT_EQ((m_levels / "sub").string() + "/", std::string(levels.GetDirectory()));
    EXPECT_EQ(CDevMenuScreen::NoRequest, Menu().GetRequest());
    EXPECT_EQ(CDevMenuScreen::PhaseRunning, Menu().GetPhase());

    // A double click on a file there starts it in 2D with the stress tester.
    Check("stresstest", 1);
    Find<UILib::CRadioButton>("2dradio").SetSelected(true);
    const std::int32_t b = levels.FindItem("b.xml");
    ASSERT_NE(-1, b);
    ASSERT_TRUE(DoubleClick(RowPoint(levels, b)));
    const std::string path = (m_levels / "sub" / "b.xml").string();
    ASSERT_EQ(3u, posted.size()) << ::testing::PrintToString(posted);
    EXPECT_EQ((Posted{"StartGame", ""}), posted[0]);
    EXPECT_EQ((Posted{"StartLevel", path}), posted[1]);
    EXPECT_EQ((Posted{"SetStressTestMode", "true"}), posted[2]);
    EXPECT_EQ("ingame2d", Menu().GetNextScreen());
    EXPECT_EQ("2d", Renderer());
    ASSERT_TRUE(WaitForScreen("ingame2d"));

    // Nothing selected, no stress test, 3D: the start-level button posts an empty level.
    ASSERT_TRUE(Ready());
    Check("stresstest", 0);
    Find<UILib::CRadioButton>("3dradio").SetSelected(true);
    levels.Select(-1);
    ASSERT_TRUE(game->Click(game->CentreOf(Find<UILib::CButton>("startlevelbutton"))));
    ASSERT_EQ(2u, posted.size());
    EXPECT_EQ((Posted{"StartGame", ""}), posted[0]);
    EXPECT_EQ((Posted{"StartLevel", ""}), posted[1]);
    EXPECT_EQ("3d", Renderer());
    ASSERT_TRUE(WaitForScreen("ingame3d"));

    // Return on a selected file starts that level, not the game.
    ASSERT_TRUE(Ready());
    levels.SetDirectory(BaseLib::CString(m_levels.string().c_str()));
    ASSERT_TRUE(game->Click(RowPoint(levels, levels.FindItem("a.xml"))));
    ASSERT_EQ(levels.FindItem("a.xml"), levels.GetSelectedIndex());
    ASSERT_TRUE(game->PressKey("Return"));
    ASSERT_EQ(2u, posted.size());
    EXPECT_EQ((Posted{"StartLevel", (m_levels / "a.xml").string()}), posted[1]);
    ASSERT_TRUE(WaitForScreen("ingame3d"));

    // Return typed into a number field is the field's.
    UILib::CSpinControlNumber& minMoves = Find<UILib::CSpinControlNumber>("minmoves");
    ASSERT_TRUE(Ready());
    ASSERT_TRUE(game->Click(game->CentreOf(*minMoves.GetEdit())));
    ASSERT_TRUE(game->PressKey("Return"));
    ASSERT_TRUE(game->RunFrames(2));
    EXPECT_EQ(CDevMenuScreen::PhaseRunning, Menu().GetPhase());
    EXPECT_EQ(CDevMenuScreen::NoRequest, Menu().GetRequest());

    // The start-game button.
    ASSERT_TRUE(game->Click(game->CentreOf(Find<UILib::CButton>("startgamebutton"))));
    EXPECT_EQ("languageselection", Menu().GetNextScreen());
    ASSERT_TRUE(WaitForScreen("languageselection"));
    EXPECT_TRUE(posted.empty());
}

// "quit" in the frame of a level or batch request wins; "enter" in the frame of "quit" wins.
TEST_F(DevMenuRequestTest, KeysOfOneFrameFollowTheirOrder)
{
    const struct
    {
        const char* what;
        const char* button; // clicked in the frame of the keys; null: none
        std::vector<const char*> keys;
        const char* next;
        std::vector<std::string> commands;
    } cases[] = {
        {"quit with a level", "startlevelbutton", {"Escape"}, "shutdown", {"StartGame", "StartLevel"}},
        {"quit with a batch", "batchbutton", {"Escape"}, "shutdown", {"StartBatchProcessing"}},
        {"enter with quit", nullptr, {"Return", "Escape"}, "languageselection", {}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        Start();
        ASSERT_TRUE(Ready());
        if (c.button != nullptr)
        {
            const BaseLib::CPoint at = game->CentreOf(Find<UILib::CButton>(c.button));
            game->MouseMove(at);
            ASSERT_TRUE(game->RunFrames(1));
            game->MouseButton(at, true);
            ASSERT_TRUE(game->RunFrames(1));
            game->MouseButton(at, false);
        }
        for (const char* key : c.keys)
        {
            game->KeyDown(key);
        }
        (void)game->RunFrames(1);
        for (const char* key : c.keys)
        {
            game->KeyUp(key);
        }
        EXPECT_EQ(c.next, Menu().GetNextScreen());
        std::vector<std::string> names;
        for (const Posted& command : posted)
        {
            names.push_back(command.name);
        }
        EXPECT_EQ(c.commands, names);
        if (std::string(c.next) == "shutdown")
        {
            EXPECT_TRUE(WaitForShutdown());
        }
        else
        {
            EXPECT_TRUE(WaitForScreen(c.next));
        }
        game.reset();
        posted.clear();
        activations.clear();
    }
}

TEST_F(DevMenuScreenTest, ShapeWeightsShowTheirSharesAndKeepTheSelection)
{
    Start();
    ASSERT_TRUE(Ready());
    UILib::CListBox& list = *Menu().GetShapeList();
    UILib::CSpinControlNumber& weight = *Menu().GetWeightControl();
    const auto lines = [&] {
        std::vector<std::string> texts;
        for (std::int32_t i = 0; i < list.GetItemCount(); ++i)
        {
            texts.emplace_back(list.GetItemText(i));
        }
        return texts;
    };
    const std::vector<std::string> defaults = {
        "### - 10 (50.00%)", "## - 10 (50.00%)", "#B# - 0 (0.00%)", "O - 0 (0.00%)",  "LL - 0 (0.00%)",
        "LLL - 0 (0.00%)",   "NN - 0 (0.00%)",   "N#N - 0 (0.00%)", "SS - 0 (0.00%)", "S#S - 0 (0.00%)"};
    EXPECT_EQ(defaults, lines());

    // Clicking the third line shows its weight; 20 there makes it half of the total.
    ASSERT_TRUE(game->Click(RowPoint(list, 2)));
    ASSERT_EQ(2, list.GetSelectedIndex());
    list.Select(0);
    EXPECT_EQ(10.0, weight.GetValue()) << "the selected shape's weight";
    list.Select(2);
    EXPECT_EQ(0.0, weight.GetValue());
    weight.SetValue(20.7);
    std::vector<std::string> expected = defaults;
    expected[0] = "### - 10 (25.00%)";
    expected[1] = "## - 10 (25.00%)";
    expected[2] = "#B# - 20 (50.00%)";
    EXPECT_EQ(expected, lines());
    EXPECT_EQ(2, list.GetSelectedIndex());
    EXPECT_EQ(20, Menu().GetShapeEntries()[2].weight);

    // No weight at all: every share 0.
    for (const std::int32_t index : {0, 1, 2})
    {
        list.Select(index);
        weight.SetValue(0);
    }
    for (const std::string& line : lines())
    {
        EXPECT_NE(std::string::npos, line.find("- 0 (0.00%)")) << line;
    }
    EXPECT_EQ(2, list.GetSelectedIndex());

    // With nothing selected a weight changes no entry.
    list.Select(-1);
    weight.SetValue(30);
    for (const GeneratorEntry& entry : Menu().GetShapeEntries())
    {
        EXPECT_EQ(0, entry.weight) << entry.pattern;
    }
}

TEST_F(DevMenuScreenTest, TheGeneratorRunsBehindItsDialogWritesPuzzlesAndStopsOnTheButtonOrWithTheMenu)
{
    Start();
    ASSERT_TRUE(Ready());
    for (const auto& [name, value] : std::vector<std::pair<const char*, double>>{
             {"width", 4.9}, {"height", 4}, {"minmoves", 1}, {"maxblocks", 6}})
    {
        Find<UILib::CSpinControlNumber>(name).SetValue(value);
    }
    Check("userefinercheckbox", 0);
    UILib::CButton& start = *Menu().GetStartGeneratorButton();
    ASSERT_TRUE(game->Click(game->CentreOf(start)));
    EXPECT_TRUE(start.IsDisabled());
    ASSERT_NE(nullptr, Menu().GetGenerator());
    EXPECT_EQ(4, Menu().GetGenerator()->GetWidth()) << "truncated";
    EXPECT_EQ(20, Menu().GetGenerator()->GetTotalWeight());
    UILib::CWindow* dialog = Menu().GetGeneratorDialog();
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(dialog, UILib::CWindowManager::GetInstance()->GetTopModalWindow());
    EXPECT_TRUE(Menu().IsGeneratorThreadRunning());
    ASSERT_TRUE(game->Screenshot(QUARROW_TEST_OUTPUT_DIR, "devmenu_generator"));
    int width = 0;
    int height = 0;
    const GameTesting::Pixels picture = game->ReadFrame(width, height);
    ASSERT_EQ(static_cast<std::size_t>(width * height), picture.size());
    const BaseLib::CPoint corner = dialog->GetScreenPosition();
    const BaseLib::CPoint inside = game->WindowPoint(BaseLib::CPoint(corner.x + 6, corner.y + 6));
    const std::uint32_t shown = picture[static_cast<std::size_t>(inside.y * width + inside.x)] & 0xFFFFFFu;
    EXPECT_LT((shown >> 16) & 0xFFu, 40u)
        << std::hex << shown << ": the dialog's dark face, centred over the menu";

    // The generator resolves "level>" through the game's table: its puzzles land in the test's folder.
    const auto puzzles = [&] {
        int count = 0;
        for (const fs::directory_entry& entry : fs::directory_iterator(m_levels))
        {
            count += entry.path().filename().string().rfind("_4x4_", 0) == 0;
        }
        return count;
    };
    ASSERT_TRUE(game->RunUntil([&] { return puzzles() > 0; }, "a generated puzzle", 100000, 60.0));

    // The modal dialog keeps the menu's buttons from the mouse.
    ASSERT_TRUE(game->Click(game->CentreOf(Find<UILib::CButton>("startgamebutton"))));
    EXPECT_EQ(CDevMenuScreen::NoRequest, Menu().GetRequest());

    // Return leaves for the game with the generator running; its dialog then holds no other screen's mouse,
    // and holds the menu's again on the way back.
    ASSERT_TRUE(game->PressKey("Return"));
    ASSERT_TRUE(WaitForScreen("languageselection"));
    EXPECT_EQ(nullptr, UILib::CWindowManager::GetInstance()->GetTopModalWindow());
    EXPECT_NE(nullptr, Menu().GetGenerator());
    ASSERT_TRUE(Ready());
    EXPECT_EQ(dialog, UILib::CWindowManager::GetInstance()->GetTopModalWindow());
    ASSERT_TRUE(dialog->IsVisible());

    ASSERT_TRUE(game->Click(game->CentreOf(Find<UILib::CButton>("stopbutton"))));
    EXPECT_EQ(nullptr, Menu().GetGenerator());
    EXPECT_FALSE(Menu().IsGeneratorThreadRunning());
    EXPECT_FALSE(start.IsDisabled());
    EXPECT_EQ(nullptr, Menu().GetGeneratorDialog());
    EXPECT_EQ(nullptr, UILib::CWindowManager::GetInstance()->GetTopModalWindow());

    // Started again, the generator still runs when Escape ends the game: the menu stops it as it goes.
    ASSERT_TRUE(game->Click(game->CentreOf(start)));
    ASSERT_NE(nullptr, Menu().GetGenerator());
    ASSERT_TRUE(game->PressKey("Escape"));
    ASSERT_TRUE(WaitForShutdown());
    game->Finish();
    EXPECT_EQ(std::string::npos, game->Trace().find("no path aliases"));
}

TEST_F(DevMenuScreenTest, EscapeInTheFolderPickerClosesOnlyThePicker)
{
    Start();
    ASSERT_TRUE(Ready());
    UILib::CFileEditCombo& folder = *Menu().GetBatchFolder();
    ASSERT_NE(nullptr, folder.GetButton());
    ASSERT_TRUE(game->Click(game->CentreOf(*folder.GetButton())));
    UILib::CFilePicker& picker = *folder.GetPicker();
    ASSERT_TRUE(picker.IsVisible());
    EXPECT_EQ(&picker, UILib::CWindowManager::GetInstance()->GetTopModalWindow());

    ASSERT_TRUE(game->PressKey("Escape"));
    EXPECT_FALSE(picker.IsVisible());
    EXPECT_EQ(nullptr, UILib::CWindowManager::GetInstance()->GetTopModalWindow());
    ASSERT_TRUE(game->RunFrames(30));
    EXPECT_EQ("devmenu", game->Screens().GetCurrentScreenName());
    EXPECT_EQ(CDevMenuScreen::PhaseRunning, Menu().GetPhase());

    // Once the picker is shut, Escape is the menu's again.
    ASSERT_TRUE(game->PressKey("Escape"));
    EXPECT_EQ("shutdown", Menu().GetNextScreen());
    ASSERT_TRUE(WaitForShutdown());
}

// Without its layout the menu is an empty panel: Return and Escape still work, and the requests read
// their defaults.
TEST_F(DevMenuScreenTest, WithoutItsLayoutTheMenuStillStartsTheGameAndQuits)
{
    const fs::path empty = m_levels / "no interface";
    fs::create_directories(empty);
    Start({{"interface", empty.string() + "/"}});
    ASSERT_TRUE(Ready());
    CDevMenuScreen& menu = Menu();
    ASSERT_NE(nullptr, menu.GetPanel());
    EXPECT_EQ(0, menu.GetPanel()->GetChildCount());
    EXPECT_EQ(nullptr, menu.GetLevelBox());
    EXPECT_EQ(nullptr, menu.GetShapeList());
    EXPECT_NE(std::string::npos, game->Trace().find("did not load; only Return and Escape work"));

    ASSERT_TRUE(game->PressKey("Return"));
    ASSERT_TRUE(WaitForScreen("languageselection"));
    EXPECT_EQ("2d", Renderer()) << "no 3D button";

    ASSERT_TRUE(Ready());
    menu.RequestStartLevel(nullptr);
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_EQ((std::vector<Posted>{{"StartGame", ""}, {"StartLevel", ""}}), posted);
    ASSERT_TRUE(WaitForScreen("ingame2d"));

    ASSERT_TRUE(Ready());
    menu.RequestBatch(nullptr);
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_EQ((std::vector<Posted>{{"StartBatchProcessing", "0 0 0 0 0 0 0 120.000000 "}}), posted);
    ASSERT_TRUE(WaitForScreen("editor2d"));

    ASSERT_TRUE(Ready());
    menu.OpenGeneratorDialog(nullptr);
    ASSERT_NE(nullptr, menu.GetGenerator());
    EXPECT_EQ(6, menu.GetGenerator()->GetWidth());
    EXPECT_EQ(6, menu.GetGenerator()->GetHeight());
    EXPECT_EQ(nullptr, menu.GetGeneratorDialog());
    menu.StopGenerator(nullptr);
    EXPECT_EQ(nullptr, menu.GetGenerator());

    ASSERT_TRUE(game->PressKey("Escape"));
    ASSERT_TRUE(WaitForShutdown());
}

} // namespace
