#include "foundation/PathAliases.h"
#include "game/GameContext.h"
#include "game/LevelList.h"
#include "platform/os/DebugOutput.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

int CountOf(const std::string& text, const std::string& part)
{
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    {
        ++count;
    }
    return count;
}

// The map files under "level>" are the fixtures of data/maps.
class GameContextTest : public TempFolderTest
{
protected:
    void SetUp() override
    {
        TempFolderTest::SetUp();
        aliases.RegisterPathAlias("level", QUARROW_TEST_DATA_DIR "/maps");
    }

    std::string Resolved(const std::string& path) const { return aliases.ResolvePath(path); }

    BaseLib::CPathAliases aliases;
    GameContext context{aliases};
};

TEST_F(GameContextTest, ANewContextHasNoGameNoMapAndAResetProgress)
{
    EXPECT_EQ(GameContext::NoGame, context.GetState());
    EXPECT_EQ(-1, context.GetMapIndex());
    EXPECT_EQ(0, context.GetLevelIndex());
    EXPECT_TRUE(context.GetLevelFiles().empty());
    EXPECT_EQ(ProgressRecord(), context.GetProgress());
    // No map yet: the readers of the current block answer nothing rather than index outside.
    EXPECT_EQ(nullptr, context.GetCurrentMapProgress());
    EXPECT_EQ(nullptr, context.GetCurrentLevelRecord());
    EXPECT_FALSE(context.IsLevelSolved(0));
    EXPECT_EQ(0, context.GetLevelRating(0));
}

TEST_F(GameContextTest, MapFilesByIndex)
{
    const char* const expected[] = {"level>basic.map.xml", "level>jungle.map.xml", "level>swamp.map.xml",
                                    "level>cave.map.xml", "level>temple.map.xml"};
    for (int i = 0; i < 5; ++i)
    {
        EXPECT_EQ(expected[i], GetMapFileName(i));
    }
    EXPECT_EQ("", GetMapFileName(-1));
    EXPECT_EQ("", GetMapFileName(5));
}

TEST_F(GameContextTest, SetMapReadsTheLevelListInDocumentOrder)
{
    context.SetLevelIndex(2);
    context.SetMap(0);
    EXPECT_EQ(0, context.GetMapIndex());
    EXPECT_EQ(0, context.GetLevelIndex());
    EXPECT_EQ((std::vector<std::string>{Resolved("level>five.xml"), Resolved("level>two.xml"),
                                        Resolved("level>nine.xml")}),
              context.GetLevelFiles());
    EXPECT_EQ(3, context.GetProgress().GetMapProgress(0).GetLevelCount());
    EXPECT_EQ(Resolved("level>five.xml"), context.GetCurrentLevelFile());
}

TEST_F(GameContextTest, DamagedMapFilesAreTracedAndKeepTheIndexesOfTheOtherEntries)
{
    Platform::DebugOutputCapture trace;
    context.SetMap(1); // no "levellist"
    EXPECT_EQ(1, context.GetMapIndex());
    EXPECT_TRUE(context.GetLevelFiles().empty());
    EXPECT_EQ(0, context.GetProgress().GetMapProgress(1).GetLevelCount());
    EXPECT_EQ(1, CountOf(trace.Text(), "jungle.map.xml"));

    context.SetMap(2); // the second entry has no "file"
    EXPECT_EQ((std::vector<std::string>{Resolved("level>first.xml"), Resolved("level>"),
                                        Resolved("level>third.xml")}),
              context.GetLevelFiles());
    EXPECT_EQ(1, CountOf(trace.Text(), "entry 1 of"));
    EXPECT_EQ(1, CountOf(trace.Text(), "swamp.map.xml"));

    context.SetMap(3); // no such file
    EXPECT_TRUE(context.GetLevelFiles().empty());
    EXPECT_EQ(1, CountOf(trace.Text(), "cave.map.xml"));
}

TEST_F(GameContextTest, AMapIndexOutsideTheFiveMapsIsRefused)
{
    context.SetMap(0);
    context.SetLevelIndex(2);
    const ProgressRecord before = context.GetProgress();
    for (int index : {7, 5, -1})
    {
        Platform::DebugOutputCapture trace;
        context.SetMap(index);
        EXPECT_NE(std::string::npos, trace.Text().find(std::to_string(index))) << index;
        EXPECT_EQ(0, context.GetMapIndex());
        EXPECT_EQ(2, context.GetLevelIndex());
        EXPECT_EQ(3u, context.GetLevelFiles().size());
        EXPECT_EQ(before, context.GetProgress());
    }
}

TEST_F(GameContextTest, AListLongerThanAMapBlockCountsOnly256Levels)
{
    std::string map = "<map><levellist>";
    for (int i = 0; i < 300; ++i)
    {
        map += "<level id=\"" + std::to_string(i) + "\" file=\"l" + std::to_string(i) + ".xml\"/>";
    }
    WriteFile("cave.map.xml", map + "</levellist></map>");
    aliases.RegisterPathAlias("level", Root().string());
    Platform::DebugOutputCapture trace;
    context.SetMap(3);
    EXPECT_EQ(300u, context.GetLevelFiles().size());
    EXPECT_EQ(256, context.GetProgress().GetMapProgress(3).GetLevelCount());
    EXPECT_NE(std::string::npos, trace.Text().find("300"));
}

TEST_F(GameContextTest, ALevelIndexOutsideTheListGivesAnEmptyLevelAndATrace)
{
    for (int mapIndex : {-1, 0})
    {
        if (mapIndex == 0)
        {
            context.SetMap(0);
        }
        for (int levelIndex : {3, -1})
        {
            context.SetLevelIndex(levelIndex);
            Platform::DebugOutputCapture trace;
            EXPECT_EQ("", context.GetCurrentLevelFile());
            EXPECT_NE(std::string::npos, trace.Text().find(std::to_string(levelIndex))) << levelIndex;
        }
    }
}

TEST_F(GameContextTest, ResetLevelCountsTouchesOnlyTheCountsAndTheGoldMaximum)
{
    ProgressRecord& progress = context.GetProgress();
    for (int map = 0; map < ProgressRecord::MapCount; ++map)
    {
        progress.GetMapProgress(map).SetLevelCount(3);
    }
    progress.SetTreasureGoldMax(5);
    progress.GetMapProgress(2).GetLevelRecord(4).RaiseRating(2);
    progress.SetTreasureGold(17);
    ProgressRecord expected = progress;
    const int counts[] = {200, 36, 36, 36, 36};
    for (int map = 0; map < ProgressRecord::MapCount; ++map)
    {
        expected.GetMapProgress(map).SetLevelCount(counts[map]);
    }
    expected.SetTreasureGoldMax(220);

    context.ResetLevelCounts();
    EXPECT_EQ(expected, progress);
}

// One result after another on the same context, each with what it must leave behind.
TEST_F(GameContextTest, RecordingResults)
{
    context.SetMap(0);
    context.SetLevelIndex(2);
    const ProgressRecord& progress = context.GetProgress();
    const LevelRecord& record = progress.GetMapProgress(0).GetLevelRecord(2);

    // First solve.
    context.RecordLevelResult(true, 12, 41.9, 2);
    EXPECT_EQ(12, context.GetLastResult().moves);
    EXPECT_EQ(41, context.GetLastResult().seconds);
    EXPECT_TRUE(context.GetLastResult().solved);
    EXPECT_EQ(2, context.GetLastResult().stars);
    EXPECT_TRUE(record.IsSolved());
    EXPECT_EQ(12u, record.GetBestMoves());
    EXPECT_EQ(41, record.GetBestValue());
    EXPECT_EQ(1u, record.GetPlayCount());
    EXPECT_EQ(2u, record.GetRating());
    EXPECT_EQ(0, progress.GetLastSolvedMap());
    EXPECT_EQ(2, progress.GetLastSolvedLevel());
    EXPECT_TRUE(context.IsLevelSolved(2));
    EXPECT_EQ(2, context.GetLevelRating(2));

    // A second solve of the same level, with more moves, a better time and fewer stars; another level
    // was solved first in between, and stays the last solved one.
    context.GetProgress().SetLastCell(0, 7);
    context.RecordLevelResult(true, 20, 30.5, 1);
    EXPECT_EQ(12u, record.GetBestMoves());
    EXPECT_EQ(30, record.GetBestValue());
    EXPECT_EQ(2u, record.GetPlayCount());
    EXPECT_EQ(2u, record.GetRating());
    EXPECT_EQ(7, progress.GetLastSolvedLevel());

    // Unsolved: only the last result.
    ProgressRecord before = progress;
    context.RecordLevelResult(false, 3, 5.0, 0);
    EXPECT_FALSE(context.GetLastResult().solved);
    EXPECT_EQ(3, context.GetLastResult().moves);
    EXPECT_EQ(before, progress);

    // Solves outside the five maps and the 256 records leave the progress alone.
    for (const auto& [map, level] : {std::pair{-1, 0}, std::pair{0, 300}, std::pair{0, -1}})
    {
        GameContext other(aliases);
        if (map >= 0)
        {
            other.SetMap(map);
        }
        other.SetLevelIndex(level);
        const ProgressRecord untouched = other.GetProgress();
        other.RecordLevelResult(true, 9, 8.0, 3);
        EXPECT_EQ(untouched, other.GetProgress()) << map << " " << level;
        EXPECT_EQ(9, other.GetLastResult().moves);
        EXPECT_EQ(nullptr, other.GetCurrentLevelRecord());
        EXPECT_FALSE(other.IsLevelSolved(level));
    }
}

TEST_F(GameContextTest, StarMoveLimitsByStarCount)
{
    context.SetStarMoveLimits(30, 20, 10);
    EXPECT_EQ(30, context.GetStarMoveLimit(1));
    EXPECT_EQ(20, context.GetStarMoveLimit(2));
    EXPECT_EQ(10, context.GetStarMoveLimit(3));
    EXPECT_EQ(0, context.GetStarMoveLimit(0));
    EXPECT_EQ(0, context.GetStarMoveLimit(4));
}

} // namespace
