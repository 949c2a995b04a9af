// The result page in the running game, on fixture results written into the game context.
#include "game/menus/GameResultScreen.h"
#include "tests/game/menus/MenuPageTest.h"

#include "foundation/ConfigFile.h"
#include "game/FileTranslator.h"
#include "game/QuarrowApplication.h"
#include "game/savegame/QuarrowSaveGame.h"
#include "platform/os/UserFiles.h"
#include "ui/controls/Label.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace
{

using GameTesting::SoundEvent;
using MenuPageTesting::MenuPageTest;

// One frame of the page as the frame hook saw it.
struct ResultFrame
{
    std::string state;
    double elapsed;
    bool gold[3];
};

class GameResultTest : public MenuPageTest
{
protected:
    CGameResultScreen& Result()
    {
        return *static_cast<CGameResultScreen*>(game->Screens().FindScreen("gameresult"));
    }
    // A run of level `level` of `map` (of count levels) that ended with moves, seconds and gold, in a
    // play mode with a selected level; the move limits 10, 20 and 30 for three, two and one gold.
    void FinishLevel(int map, int level, int count, int moves, double seconds, int gold, int playMode,
                     int selected)
    {
        Context().SetMap(map);
        Map(map).SetLevelCount(count);
        Context().SetLevelIndex(level);
        Context().SetStarMoveLimits(30, 20, 10);
        Context().RecordLevelResult(gold > 0, moves, seconds, gold);
        SaveGames().SetPlayMode(playMode);
        SaveGames().SetSelectedLevel(selected);
    }
    std::string Text(const char* label)
    {
        return static_cast<const char*>(static_cast<UILib::CLabel*>(Find("gameresult", label))->GetText());
    }
    bool Visible(const char* window) { return Find("gameresult", window)->IsVisible(); }
    bool Enabled(const char* window) { return !Find("gameresult", window)->IsDisabled(); }
};

TEST_F(GameResultTest, TheScreenIsRegisteredOnPage3)
{
    auto* result = dynamic_cast<CGameResultScreen*>(game->Screens().FindScreen("gameresult"));
    ASSERT_NE(nullptr, result);
    EXPECT_EQ(3, result->GetPage());
}

// The labels of a run: the level, this run against the best, the move limits.
TEST_F(GameResultTest, TheLabelsShowTheRunTheBestAndTheLimits)
{
    game->AddProfile("Ann");
    Solve(2, 6, 3, 14, 61);
    FinishLevel(2, 6, 36, 23, 125.7, 1, 4, 6);
    ASSERT_TRUE(Open("gameresult"));
    EXPECT_EQ("2-07", Text("levellabel"));
    EXPECT_EQ("23", Text("moveslabel"));
    EXPECT_EQ("14", Text("bestmoveslabel"));
    EXPECT_EQ(" 2:05", Text("timelabel"));
    EXPECT_EQ(" 1:01", Text("besttimelabel"));
    EXPECT_EQ("10", Text("3goldmoveslabel"));
    EXPECT_EQ("20", Text("2goldmoveslabel"));
    EXPECT_EQ("30", Text("1goldmoveslabel"));

    // A run that did not solve a level never solved: no best values to show.
    FinishLevel(0, 0, 200, 4, 9, 0, 2, 0);
    ASSERT_TRUE(Open("gameresult"));
    EXPECT_EQ("0-01", Text("levellabel"));
    EXPECT_EQ(" 0:09", Text("timelabel"));
    EXPECT_EQ("---", Text("bestmoveslabel"));
    EXPECT_EQ("---", Text("besttimelabel"));
}

// The gold shows one piece after another in "MainMenu" with its sound once; none without gold.
TEST_F(GameResultTest, TheGoldAppearsOneAfterAnotherWithItsSound)
{
    struct Case
    {
        int gold;
        const char* sound;
    };
    const Case cases[] = {
        {3, "sound>3stars.wav"}, {2, "sound>2stars.wav"}, {1, "sound>1star.wav"}, {0, nullptr}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE("gold " + std::to_string(c.gold));
        FinishLevel(0, 4, 200, 12, 40, c.gold, 2, 4);
        ASSERT_TRUE(Open("freeplay"));
        sound->ClearLog();
        std::vector<ResultFrame> frames;
        game->SetFrameHook([&] {
            if (game->IsRunning() && game->Screens().GetCurrentScreenName() == "gameresult" &&
                Page("gameresult").GetPanel() != nullptr)
            {
                frames.push_back({Page("gameresult").GetStates().GetCurrentStateName(),
                                  Result().GetElapsed(),
                                  {Visible("goldlabel1"), Visible("goldlabel2"), Visible("goldlabel3")}});
            }
        });
        ASSERT_TRUE(Open("gameresult"));
        ASSERT_TRUE(game->RunFrames(50));
        game->SetFrameHook(nullptr);
        ASSERT_FALSE(frames.empty());
        bool sawFadeIn = false;
        for (const ResultFrame& frame : frames)
        {
            if (frame.state != "MainMenu" || frame.elapsed == 0.0)
            {
                // Up to the frame that enters "MainMenu", before its first update.
                sawFadeIn = sawFadeIn || frame.state == "FadeIn";
                EXPECT_FALSE(frame.gold[0] || frame.gold[1] || frame.gold[2]) << frame.state;
                continue;
            }
            EXPECT_EQ(c.gold >= 1, frame.gold[0]) << frame.elapsed;
            EXPECT_EQ(c.gold >= 2 && frame.elapsed > 0.3, frame.gold[1]) << frame.elapsed;
            EXPECT_EQ(c.gold >= 3 && frame.elapsed > 0.6, frame.gold[2]) << frame.elapsed;
        }
        EXPECT_TRUE(sawFadeIn);
        EXPECT_GT(frames.back().elapsed, 0.9);
        for (const char* file : {"sound>1star.wav", "sound>2stars.wav", "sound>3stars.wav"})
        {
            EXPECT_EQ(c.sound != nullptr && std::string(file) == c.sound ? 1u : 0u,
                      sound->Count(SoundEvent::Play, file))
                << file;
        }
    }
}

// The page's picture while the gold comes: the first piece alone at first, all three at the end.
TEST_F(GameResultTest, ThePictureShowsTheGoldEarned)
{
    FinishLevel(0, 4, 200, 9, 40, 3, 2, 4);
    ASSERT_TRUE(Open("gameresult"));
    const std::string folder = QUARROW_TEST_OUTPUT_DIR;
    const std::uint32_t gold[] = {0xC82828u, 0x28A028u, 0x283CC8u};
    for (const bool all : {false, true})
    {
        SCOPED_TRACE(all ? "all gold" : "first gold");
        if (all)
        {
            ASSERT_TRUE(game->RunUntil([&] { return Result().GetElapsed() > 0.7; }, "the third gold"));
        }
        const std::string name = all ? "game_result_3_gold" : "game_result_1_gold";
        ASSERT_TRUE(game->Screenshot(folder, name));
        int width = 0;
        int height = 0;
        const GameTesting::Pixels picture = game->ReadFrame(width, height);
        ASSERT_FALSE(picture.empty());
        EXPECT_TRUE(
            GameTesting::GameHarness::WritePicture(folder, name + "_read_back", width, height, picture));
        ASSERT_LT(Result().GetElapsed(), all ? 10.0 : 0.3);
        for (int i = 0; i < 3; ++i)
        {
            const BaseLib::CPoint p =
                game->CentreOf(*Find("gameresult", ("goldlabel" + std::to_string(i + 1)).c_str()));
            const std::uint32_t pixel =
                picture[static_cast<std::size_t>(p.y) * static_cast<std::size_t>(width) +
                        static_cast<std::size_t>(p.x)] &
                0xFFFFFFu;
            if (all || i == 0)
            {
                EXPECT_EQ(gold[i], pixel) << i;
            }
            else
            {
                EXPECT_NE(gold[i], pixel) << i;
            }
        }
    }
}

// Which buttons the play mode offers and where they lead.
TEST_F(GameResultTest, TheButtonsFollowThePlayMode)
{
    struct Case
    {
        const char* what;
        int map;
        int playMode;
        int selected;
        std::vector<int> solved; // levels of the map solved before
        bool fromMap;
        bool nextEnabled;
    };
    const Case cases[] = {
        {"adventure", 1, 1, 3, {}, true, false},
        {"basic, a later level", 0, 2, 10, {}, false, true},
        {"basic after its last level", 0, 2, 199, {}, false, false},
        {"jungle, next level solved before", 1, 3, 4, {5}, false, true},
        {"jungle, next level never solved", 1, 3, 4, {3}, false, false},
        {"jungle after its last level", 1, 3, 35, {}, false, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        Context().GetProgress().ResetProgress();
        for (const int level : c.solved)
        {
            Solve(c.map, level);
        }
        FinishLevel(c.map, c.selected, c.map == 0 ? 200 : 36, 12, 40, 2, c.playMode, c.selected);
        ASSERT_TRUE(Open("gameresult"));
        EXPECT_EQ(c.fromMap, Visible("continuebutton"));
        EXPECT_EQ(!c.fromMap, Visible("nextbutton"));
        EXPECT_EQ(!c.fromMap, Visible("backtomenubutton"));
        EXPECT_TRUE(Visible("retrybutton"));
        if (!c.fromMap)
        {
            EXPECT_EQ(c.nextEnabled, Enabled("nextbutton"));
        }
        // Escape leads back as "backtomenubutton" does, with the cancel sound.
        sound->ClearLog();
        ASSERT_TRUE(game->PressKey("Escape"));
        ASSERT_TRUE(WaitFor(c.fromMap ? "map" : "levelselection"));
        EXPECT_EQ(1u, sound->Count(SoundEvent::Play, "sound>menucancel.wav"));
    }

    FinishLevel(1, 3, 36, 12, 40, 2, 1, 3);
    ASSERT_TRUE(Open("gameresult"));
    ASSERT_TRUE(ClickOn("gameresult", "continuebutton"));
    ASSERT_TRUE(WaitFor("map"));
    FinishLevel(0, 3, 200, 12, 40, 2, 2, 3);
    ASSERT_TRUE(Open("gameresult"));
    ASSERT_TRUE(ClickOn("gameresult", "backtomenubutton"));
    ASSERT_TRUE(WaitFor("levelselection"));
}

// "nextbutton" goes on from the selected level, so a second result page goes on from there; "retrybutton"
// plays the level again without a command; both open the puzzle screen "startup/renderer" names.
TEST_F(GameResultTest, NextGoesOnFromTheSelectedLevelAndRetryPlaysItAgain)
{
    ASSERT_TRUE(game->Game().GetConfiguration()->SetString("startup/renderer", "2d"));
    FinishLevel(0, 5, 200, 12, 40, 2, 2, 5);
    ASSERT_TRUE(Open("gameresult"));
    ASSERT_TRUE(ClickOn("gameresult", "nextbutton"));
    ASSERT_TRUE(WaitFor("ingame2d"));
    EXPECT_EQ(6, SaveGames().GetSelectedLevel());
    EXPECT_EQ(6, Context().GetLevelIndex());

    Context().RecordLevelResult(true, 8, 20, 3);
    ASSERT_TRUE(Open("gameresult"));
    EXPECT_EQ("0-07", Text("levellabel"));
    ASSERT_TRUE(ClickOn("gameresult", "nextbutton"));
    ASSERT_TRUE(WaitFor("ingame2d"));
    EXPECT_EQ(7, SaveGames().GetSelectedLevel());
    EXPECT_EQ(7, Context().GetLevelIndex());

    ASSERT_TRUE(game->Game().GetConfiguration()->SetString("startup/renderer", "3d"));
    ASSERT_TRUE(Open("gameresult"));
    // A level index that a "SwitchToLevel" would change.
    Context().SetLevelIndex(3);
    sound->ClearLog();
    ASSERT_TRUE(ClickOn("gameresult", "retrybutton"));
    ASSERT_TRUE(WaitFor("ingame3d"));
    EXPECT_EQ(7, SaveGames().GetSelectedLevel());
    EXPECT_EQ(3, Context().GetLevelIndex());
    EXPECT_EQ(1u, sound->Count(SoundEvent::Play, "sound>menuactivate.wav"));
}

// On arrival the progress reaches the current profile and its file; without a profile nothing is written.
TEST_F(GameResultTest, ArrivingSavesTheProgressIntoTheProfilesFile)
{
    game->AddProfile("Ann");
    FinishLevel(3, 8, 36, 15, 77, 2, 1, 8);
    // The page waits for the commands of the level's end.
    game->PostWorldCommand("SetPause", "false");
    ASSERT_TRUE(game->SwitchTo("gameresult"));
    ASSERT_TRUE(WaitFor("gameresult"));
    CSaveGameList readBack;
    ASSERT_TRUE(readBack.Load());
    ASSERT_NE(nullptr, readBack.GetCurrent());
    const LevelRecord& record = readBack.GetCurrent()->GetProgress().GetMapProgress(3).GetLevelRecord(8);
    EXPECT_TRUE(record.IsSolved());
    EXPECT_EQ(15u, record.GetBestMoves());
    EXPECT_EQ(77, record.GetBestValue());
    EXPECT_EQ(2u, record.GetRating());

    game.reset();
    MenuPageTest::SetUp();
    const std::string file = Platform::UserFilePath(Platform::UserFileKind::Data, CSaveGameList::FileName);
    FinishLevel(3, 8, 36, 15, 77, 2, 1, 8);
    ASSERT_TRUE(Open("gameresult"));
    EXPECT_FALSE(std::filesystem::exists(file));
    const std::string trace = game->Trace();
    const std::string line = "GameResult: no current profile";
    EXPECT_NE(std::string::npos, trace.find(line));
    EXPECT_EQ(trace.find(line), trace.rfind(line));
    EXPECT_EQ(" 1:17", Text("timelabel"));
    ASSERT_TRUE(ClickOn("gameresult", "continuebutton"));
    ASSERT_TRUE(WaitFor("map"));
}

// A layout without "nextbutton": one trace line names the file and the window; the page works.
TEST_F(GameResultTest, ALayoutWithoutTheNextButtonStillWorks)
{
    game->UI().GetFileTranslator()->SetLanguageFolder("missing/");
    FinishLevel(0, 5, 200, 12, 40, 2, 2, 5);
    ASSERT_TRUE(Open("gameresult"));
    const std::string trace = game->Trace();
    const std::size_t at = trace.find("\"nextbutton\"");
    ASSERT_NE(std::string::npos, at);
    EXPECT_EQ(at, trace.rfind("\"nextbutton\""));
    const std::size_t begin = trace.rfind('\n', at) + 1;
    EXPECT_NE(std::string::npos,
              trace.substr(begin, trace.find('\n', at) - begin).find("gameresultscreen.xml"));
    EXPECT_TRUE(Visible("backtomenubutton"));
    ASSERT_TRUE(ClickOn("gameresult", "retrybutton"));
    ASSERT_TRUE(WaitFor("ingame3d"));
}

} // namespace
