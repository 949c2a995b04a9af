// The treasury in the running game over progress records put into the game context, on the test layout
// and hoard pictures of data/options (which has no "treasure3.xml"), with a stand-in game menu. Escape
// and clicks are real input events, so these tests run alone.
#include "game/menus/TreasuryScreen.h"
#include "game/FileTranslator.h"
#include "game/GameContext.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "game/ScreenFader.h"
#include "game/savegame/ProgressRecord.h"
#include "tests/game/harness/GameHarness.h"
#include "tests/game/harness/RecordingSoundDevice.h"
#include "tests/game/menus/MenuTestSupport.h"
#include "ui/controls/Label.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace
{

using GameTesting::GameHarness;
using GameTesting::RecordingSoundDevice;
using GameTesting::SoundEvent;
using MenuTesting::ColourAt;

TEST(TreasureLayoutTest, TheTotalGoldChoosesTheHoard)
{
    const struct
    {
        int gold;
        int picture;
    } rows[] = {{0, 0},    {49, 0},   {50, 1},   {99, 1},   {100, 2},   {199, 2},  {200, 3},  {399, 3},
                {400, 4},  {599, 4},  {600, 5},  {799, 5},  {800, 6},   {999, 6},  {1000, 7}, {1099, 7},
                {1100, 8}, {1199, 8}, {1200, 9}, {1251, 9}, {1252, 10}, {5000, 10}};
    for (const auto& row : rows)
    {
        EXPECT_EQ("interface>treasure" + std::to_string(row.picture) + ".xml",
                  CTreasuryScreen::GetTreasureLayout(row.gold))
            << row.gold;
    }
}

class TreasuryScreenTest : public ::testing::Test
{
protected:
    void SetUp() override { StartGame(0.02); }
    // The game with frames of that many seconds, at the game menu's stand-in, on a fresh progress.
    void StartGame(double frameSeconds)
    {
        game.reset();
        RecordingSoundDevice::Uninstall();
        GameTesting::GameSettings settings = MenuTesting::OptionsSettings();
        settings.frameSeconds = frameSeconds;
        game = std::make_unique<GameHarness>(settings);
        ASSERT_TRUE(game->Start());
        sound = &RecordingSoundDevice::Install();
        MenuTesting::AddStandIns(*game, {"gamemenu", "loadsavedgames"});
        game->FocusWindow();
        ASSERT_TRUE(game->RunFrames(1));
        Progress().ResetProgress();
    }
    void TearDown() override
    {
        game.reset();
        RecordingSoundDevice::Uninstall();
    }

    CTreasuryScreen& Treasury()
    {
        return *static_cast<CTreasuryScreen*>(game->Screens().FindScreen("treasury"));
    }
    ProgressRecord& Progress() { return game->World().GetGameContext()->GetProgress(); }
    // From the game menu into the treasury, waiting for the player.
    ::testing::AssertionResult Open()
    {
        if (game->Screens().GetCurrentScreenName() != "gamemenu" && !game->SwitchTo("gamemenu"))
        {
            return ::testing::AssertionFailure() << "no game menu";
        }
        if (!game->SwitchTo("treasury"))
        {
            return ::testing::AssertionFailure() << "no treasury";
        }
        return game->RunUntil(
            [&] {
                return game->Screens().GetCurrentScreenName() == "treasury" &&
                       Treasury().GetStates().GetCurrentStateName() == "MainMenu";
            },
            "the treasury");
    }
    ::testing::AssertionResult LeaveByEscape()
    {
        if (!game->PressKey("Escape"))
        {
            return ::testing::AssertionFailure() << "Escape";
        }
        return game->RunUntil([&] { return game->Screens().GetCurrentScreenName() == "gamemenu"; },
                              "the game menu");
    }
    UILib::CWindow* Window(const std::string& name)
    {
        UILib::CWindow* panel = Treasury().GetPanel();
        return panel != nullptr ? panel->FindChildByName(BaseLib::CString(name.c_str()), true) : nullptr;
    }
    std::string Text(const std::string& name)
    {
        auto* label = dynamic_cast<UILib::CLabel*>(Window(name));
        return label != nullptr ? std::string(static_cast<const char*>(label->GetText()))
                                : "<no label " + name + ">";
    }
    bool Visible(const std::string& name)
    {
        UILib::CWindow* window = Window(name);
        return window != nullptr && window->IsVisible();
    }
    std::string Picture()
    {
        UILib::CWindow* picture = Treasury().GetPictureWindow();
        return picture != nullptr ? std::string(picture->GetName()) : "";
    }
    // A row as gold, maximum and whether it is shown (gold, maximum, name and icon visible, the placeholder
    // hidden) or hidden (the reverse); anything in between is a fault.
    void ExpectRegionRow(const std::string& row, const std::string& gold, const std::string& maximum,
                         bool shown)
    {
        SCOPED_TRACE(row);
        EXPECT_EQ(gold, Text(row));
        EXPECT_EQ(maximum, Text(row + "all"));
        for (const std::string& name : {row, row + "all", row + "label", row + "gold"})
        {
            EXPECT_EQ(shown, Visible(name)) << name;
        }
        EXPECT_EQ(!shown, Visible(row + "label_hidden"));
    }
    void SolveEveryLevelWithThreeGold()
    {
        for (int map = 0; map < ProgressRecord::MapCount; ++map)
        {
            MapProgress& block = Progress().GetMapProgress(map);
            for (int level = 0; level < block.GetUsedRecordCount(); ++level)
            {
                block.GetLevelRecord(level).SetSolved(10);
                block.GetLevelRecord(level).RaiseRating(3);
            }
        }
    }

    std::unique_ptr<GameHarness> game;
    RecordingSoundDevice* sound = nullptr;
};

TEST_F(TreasuryScreenTest, AFreshGameShowsTheOpenRegionsAndTheFirstHoard)
{
    ASSERT_TRUE(Open());
    EXPECT_EQ("0/", Text("basic"));
    EXPECT_EQ("600", Text("basicall"));
    EXPECT_TRUE(Visible("basic") && Visible("basicall"));
    ExpectRegionRow("jungle", "0/", "108", true);
    for (const char* row : {"swamp", "cave", "temple"})
    {
        ExpectRegionRow(row, "0/", "108", false);
    }
    ExpectRegionRow("treasure", "0/", "220", false);
    EXPECT_EQ("0/", Text("total"));
    EXPECT_EQ("1252", Text("totalall"));
    EXPECT_TRUE(Visible("total") && Visible("totalall"));
    EXPECT_EQ("hoard0", Picture());
    EXPECT_EQ(Window("picturelabel")->GetHandle(), Treasury().GetPictureWindow()->GetParentHandle());

    // The page as drawn: the hoard's colour, a shown row's gold icon, a hidden row's placeholder.
    ASSERT_TRUE(game->Screenshot(QUARROW_TEST_OUTPUT_DIR, "treasury_fresh"));
    int width = 0;
    int height = 0;
    const GameTesting::Pixels picture = game->ReadFrame(width, height);
    ASSERT_FALSE(picture.empty());
    EXPECT_EQ(0x14DC3Cu, ColourAt(picture, width, game->CentreOf(*Treasury().GetPictureWindow())));
    EXPECT_EQ(0xE6BE28u, ColourAt(picture, width, game->CentreOf(*Window("junglegold"))));
    EXPECT_EQ(0x5A5A5Au, ColourAt(picture, width, game->CentreOf(*Window("swamplabel_hidden"))));
    EXPECT_TRUE(GameHarness::WritePicture(QUARROW_TEST_OUTPUT_DIR, "treasury_fresh_read_back", width, height,
                                          picture));
}

// Each visit reads the progress anew: the swamp opened without a solved level, then gold up to the whole
// hoard; the back button leaves with the cancel sound, Escape without.
TEST_F(TreasuryScreenTest, EachVisitShowsTheProgressAsItIsThen)
{
    Progress().GetMapProgress(2).SetOpen(true);
    ASSERT_TRUE(Open());
    ExpectRegionRow("swamp", "0/", "108", true);
    ExpectRegionRow("cave", "0/", "108", false);
    sound->ClearLog();
    ASSERT_TRUE(game->Click(game->CentreOf(*Window("backbutton"))));
    ASSERT_TRUE(game->RunUntil([&] { return game->Screens().GetCurrentScreenName() == "gamemenu"; },
                               "the game menu"));
    EXPECT_EQ(1u, sound->Count(SoundEvent::Play, "sound>menucancel.wav"));
    EXPECT_EQ(nullptr, Treasury().GetPanel());

    const struct
    {
        int treasureGold;
        bool everyLevel;
        const char* total;
        const char* hoard;
    } visits[] = {{49, false, "49/", "hoard0"},
                  {50, false, "50/", "hoard1"},
                  {219, true, "1251/", "hoard9"},
                  {220, true, "1252/", "hoard10"}};
    UILib::Handle previousPicture = 0;
    for (const auto& visit : visits)
    {
        SCOPED_TRACE(visit.total);
        Progress().SetTreasureGold(visit.treasureGold);
        if (visit.everyLevel)
        {
            SolveEveryLevelWithThreeGold();
        }
        ASSERT_TRUE(Open());
        EXPECT_EQ(visit.total, Text("total"));
        EXPECT_EQ(visit.hoard, Picture());
        ASSERT_NE(nullptr, Treasury().GetPictureWindow());
        EXPECT_NE(previousPicture, Treasury().GetPictureWindow()->GetHandle());
        previousPicture = Treasury().GetPictureWindow()->GetHandle();
        ExpectRegionRow("treasure", std::to_string(visit.treasureGold) + "/", "220", true);
        sound->ClearLog();
        ASSERT_TRUE(LeaveByEscape());
        EXPECT_EQ(0u, sound->Count(SoundEvent::Play, "sound>menucancel.wav"));
    }
    ASSERT_TRUE(Open());
    EXPECT_EQ("600/", Text("basic"));
    ExpectRegionRow("jungle", "108/", "108", true);
    ExpectRegionRow("temple", "108/", "108", false);
}

TEST_F(TreasuryScreenTest, TwentyVisitsKeepTheWindowCountSteady)
{
    // Frames of 0.1 s: each fade takes five of them.
    StartGame(0.1);
    ASSERT_TRUE(Open());
    ASSERT_TRUE(LeaveByEscape());
    ASSERT_TRUE(game->RunFrames(1));
    const std::uint32_t afterFirst = MenuTesting::LiveWindows();
    for (int visit = 0; visit < 20; ++visit)
    {
        Progress().SetTreasureGold(visit * 60);
        ASSERT_TRUE(Open());
        ASSERT_TRUE(LeaveByEscape());
    }
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_EQ(afterFirst, MenuTesting::LiveWindows());
}

// A missing hoard and a layout without one of its windows: a trace line each, the rest of the page works.
TEST_F(TreasuryScreenTest, AMissingHoardOrWindowIsTracedAndTheNumbersStillShow)
{
    Progress().SetTreasureGold(200);
    ASSERT_TRUE(Open());
    EXPECT_EQ(1u, MenuTesting::TraceLinesWith(game->Trace(), "treasure3.xml"));
    EXPECT_EQ(nullptr, Treasury().GetPictureWindow());
    EXPECT_EQ("200/", Text("total"));
    ExpectRegionRow("treasure", "200/", "220", true);
    ASSERT_TRUE(LeaveByEscape());

    game->UI().GetFileTranslator()->SetLanguageFolder("nocave/");
    Progress().GetMapProgress(3).SetOpen(true);
    ASSERT_TRUE(Open());
    EXPECT_EQ(1u, MenuTesting::TraceLinesWith(game->Trace(),
                                              "interface>nocave/treasurescreen.xml: no window \"cavegold\""));
    EXPECT_EQ("0/", Text("cave"));
    EXPECT_TRUE(Visible("cave") && Visible("cavelabel"));
    EXPECT_FALSE(Visible("cavelabel_hidden"));
    ASSERT_TRUE(LeaveByEscape());
}

} // namespace
