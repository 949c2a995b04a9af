// The map's progress copied into and out of a progress record.

#include "game/savegame/ProgressRecord.h"
#include "platform/os/DebugOutput.h"
#include "tests/game/harness/RecordingSoundDevice.h"
#include "tests/game/map/MapTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{

using GameTesting::RecordingSoundDevice;

constexpr std::uint32_t Seq1(int trigger)
{
    return static_cast<std::uint32_t>(trigger) << MapCell::Sequence1TriggerShift;
}
constexpr std::uint32_t Treasure(int gold)
{
    return static_cast<std::uint32_t>(gold) << MapCell::TreasureShift;
}

// a(pylon, exit 0) - b(puzzle 0, key A) - c(treasure 20)
// |                                        |
// d(needs key A, "lock opened" sequence)   e(treasure 5) - f(exit 2)
void BuildScenarioMap(TestMap& map)
{
    map.Build({"a-b-c", "|   |", "d e-f"});
    map.GetCell(1, 1).flags = MapCell::Pylon | MapCell::Exit;
    map.GetCell(2, 1).puzzle = 0;
    map.GetCell(2, 1).flags = MapCell::ProvidesKeyA;
    map.GetCell(3, 1).flags = Treasure(20);
    map.GetCell(1, 2).flags = MapCell::NeedsKeyA | Seq1(MapCell::TriggerLockOpened);
    map.GetCell(1, 2).cutscene = "open.xml";
    map.GetCell(2, 2).flags = Treasure(5);
    map.GetCell(3, 2).flags = MapCell::Exit | (2u << MapCell::ExitIdShift);
}

// Current map 2, whose level 0 is solved with three stars.
ProgressRecord ScenarioRecord()
{
    ProgressRecord record;
    record.SetCurrentMap(2);
    LevelRecord& level = record.GetMapProgress(2).GetLevelRecord(0);
    level.SetSolved(10);
    level.RaiseRating(3);
    return record;
}

class MapProgressTest : public ::testing::Test
{
protected:
    void SetUp() override { RecordingSoundDevice::Install(); }
    void TearDown() override { RecordingSoundDevice::Uninstall(); }
};

TEST_F(MapProgressTest, PlayedScenarioSurvivesSaveAndLoad)
{
    TestMap played;
    BuildScenarioMap(played);
    ProgressRecord record = ScenarioRecord();
    played.LoadProgress(record);
    EXPECT_TRUE(played.GetCell(2, 1).IsSolved());
    EXPECT_TRUE(played.GetCell(3, 2).IsRevealed());
    EXPECT_EQ(played.GetGold(), 3);

    played.VisitCell(1, 1);
    played.VisitCell(2, 1);
    played.VisitCell(3, 1);
    ASSERT_TRUE(played.EnterCell(1, 2));
    std::string name;
    ASSERT_TRUE(played.TakePendingSequence(name));
    played.VisitCell(2, 2);
    played.SetPlayerPosition(2.25f, 2.5f);
    const ProgressRecord before = record;
    played.SaveProgress(record);
    // Counters only; the level records and the figure are the game context's.
    for (int level = 0; level < MapProgress::RecordCount; ++level)
    {
        EXPECT_EQ(record.GetMapProgress(2).GetLevelRecord(level),
                  before.GetMapProgress(2).GetLevelRecord(level));
    }
    EXPECT_EQ(record.GetFigureX(), before.GetFigureX());
    EXPECT_EQ(record.GetTreasureGold(), 25);
    EXPECT_EQ(record.GetPylonCount(), 1);
    EXPECT_EQ(record.GetKeyCount(0), 0);

    TestMap loaded;
    BuildScenarioMap(loaded);
    loaded.LoadProgress(record);
    for (int y = 0; y < 4; ++y)
    {
        for (int x = 0; x < 5; ++x)
        {
            EXPECT_EQ(loaded.GetCell(x, y).state, played.GetCell(x, y).state) << x << "," << y;
        }
    }
    EXPECT_TRUE(loaded.GetCell(1, 2).IsOpened());
    EXPECT_TRUE((loaded.GetCell(1, 2).state & MapCell::StateSequence1Played) != 0);
    for (int kind = 0; kind < 3; ++kind)
    {
        EXPECT_EQ(loaded.GetKeyCount(kind), played.GetKeyCount(kind));
    }
    EXPECT_EQ(loaded.GetPylonCount(), 1);
    EXPECT_EQ(loaded.GetTreasureGold(), 25);
    EXPECT_EQ(loaded.GetGold(), 28);
}

// Ten rows of thirteen cells linked east: 130 cells with a passage.
void BuildWideMap(TestMap& map)
{
    map.Build(13, 10);
    for (int y = 1; y <= 10; ++y)
    {
        for (int x = 1; x < 13; ++x)
        {
            map.GetCell(x, y).walkBits = MapCell::CanWalkEast;
        }
    }
}

TEST_F(MapProgressTest, OnlyTheFirst128PassageCellsKeepProgress)
{
    TestMap map;
    BuildWideMap(map);
    for (int y = 1; y <= 10; ++y)
    {
        for (int x = 1; x <= 13; ++x)
        {
            map.GetCell(x, y).state = MapCell::SavedStateBits;
        }
    }
    map.GetCell(4, 1).state = 0; // the fourth passage cell: word 3
    ProgressRecord record;
    record.SetCurrentMap(2);
    MapProgress& block = record.GetMapProgress(2);
    for (int word = 0; word < MapProgress::CellCount; ++word)
    {
        block.SetCellState(word, 0xABCD0000u | 0x15u);
    }
    block.GetLevelRecord(0).SetSolved(3);
    const ProgressRecord before = record;

    map.SaveProgress(record);
    for (int word = 0; word < MapProgress::CellCount; ++word)
    {
        EXPECT_EQ(block.GetCellState(word), word == 3 ? 0xABCD0000u : 0xABCD007Fu) << word;
    }
    for (int level = 0; level < MapProgress::RecordCount; ++level)
    {
        EXPECT_EQ(block.GetLevelRecord(level), before.GetMapProgress(2).GetLevelRecord(level));
    }
    EXPECT_EQ(block.GetLevelCount(), before.GetMapProgress(2).GetLevelCount());

    TestMap loaded;
    BuildWideMap(loaded);
    loaded.LoadProgress(record);
    EXPECT_EQ(loaded.GetCell(4, 1).state & MapCell::SavedStateBits, 0u);
    EXPECT_EQ(loaded.GetCell(11, 10).state & MapCell::SavedStateBits, MapCell::SavedStateBits);
    EXPECT_EQ(loaded.GetCell(12, 10).state & MapCell::SavedStateBits, 0u);
    EXPECT_EQ(loaded.GetCell(13, 10).state & MapCell::SavedStateBits, 0u);
}

class MapProgressFile : public MapFileTest
{
};

TEST_F(MapProgressFile, ReadingAMapWithTooManyPassageCellsIsTraced)
{
    struct Case
    {
        int sizeX, sizeY;
    };
    for (const Case c : {Case{16, 8}, Case{13, 10}})
    {
        const int cells = c.sizeX * c.sizeY;
        std::string text;
        for (int i = 0; i < cells; ++i)
        {
            // Rows linked east; the last cell of a row has no passage into the border.
            text += i % c.sizeX == c.sizeX - 1 ? "<cell/>" : "<cell wb=\"2\"/>";
        }
        const std::string layout =
            "sizex=\"" + std::to_string(c.sizeX) + "\" sizey=\"" + std::to_string(c.sizeY) + "\"";
        Platform::DebugOutputCapture capture;
        TestMap map;
        ASSERT_TRUE(Load(map, MapFileText(layout.c_str(), text), "wide.map.xml"));
        const std::string trace = capture.Text();
        if (cells == 128)
        {
            EXPECT_EQ(trace.find("keep progress"), std::string::npos) << trace;
        }
        else
        {
            EXPECT_NE(trace.find("wide.map.xml\" has 130 cells with a passage"), std::string::npos) << trace;
            EXPECT_EQ(trace.find("keep progress"), trace.rfind("keep progress"));
        }
    }
}

TEST_F(MapProgressTest, LoadAndSaveAreTracedWithTheCurrentMap)
{
    TestMap map;
    BuildScenarioMap(map);
    ProgressRecord record = ScenarioRecord();
    Platform::DebugOutputCapture capture;
    map.LoadProgress(record);
    map.SaveProgress(record);
    const std::string trace = capture.Text();
    EXPECT_NE(trace.find("---> loading progress for map 2\n"), std::string::npos) << trace;
    EXPECT_NE(trace.find("---> saving progress for map 2\n"), std::string::npos) << trace;
}

TEST_F(MapProgressTest, ARecordOfNoMapChangesNothing)
{
    TestMap map;
    BuildScenarioMap(map);
    ProgressRecord good = ScenarioRecord();
    good.SetKeyCount(1, 4);
    map.LoadProgress(good);

    ProgressRecord bad = ScenarioRecord();
    bad.SetCurrentMap(9);
    bad.SetKeyCount(1, 7);
    const ProgressRecord badBefore = bad;
    const MapCell cell = map.GetCell(2, 1);
    map.LoadProgress(bad);
    EXPECT_EQ(map.GetKeyCount(1), 4);
    EXPECT_EQ(map.GetCell(2, 1), cell);
    map.SaveProgress(bad);
    EXPECT_EQ(bad, badBefore);
    bad.SetCurrentMap(-1);
    map.LoadProgress(bad);
    map.SaveProgress(bad);
    EXPECT_EQ(map.GetKeyCount(1), 4);
}

TEST_F(MapProgressTest, FigureGoesToTheRecordedPlaceOrByThePreviousMap)
{
    constexpr float inf = std::numeric_limits<float>::infinity();
    const float nan = std::nanf("");
    struct Case
    {
        float x, y;
        int previous;
        float ex, ey;
    };
    // Grid 5 x 4; start b (2, 1), first exit a (1, 1), last exit f (3, 2); the current map is 2.
    const Case cases[] = {
        {2.25f, 1.75f, 6, 2.25f, 1.75f}, {4.99f, 3.99f, 1, 4.99f, 3.99f}, {0.0f, 0.0f, 6, 0.0f, 0.0f},
        {-1.0f, -1.0f, 6, 2.5f, 1.5f},   {-1.0f, 2.0f, 1, 1.5f, 1.5f},    {-1.0f, 2.0f, 3, 3.5f, 2.5f},
        {1e30f, 2.0f, 6, 2.5f, 1.5f},    {2.0f, 1e30f, 1, 1.5f, 1.5f},    {nan, 1.0f, 3, 3.5f, 2.5f},
        {inf, 1.0f, 6, 2.5f, 1.5f},      {5.0f, 1.0f, 6, 2.5f, 1.5f},     {1.0f, 4.0f, 6, 2.5f, 1.5f},
        {-0.5f, 1.0f, 6, 2.5f, 1.5f},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << c.x << "," << c.y << " previous " << c.previous);
        TestMap map;
        BuildScenarioMap(map);
        map.SetStart(2, 1);
        map.SetPlayerPosition(3.5f, 1.5f);
        ProgressRecord record = ScenarioRecord();
        record.SetFigurePosition(c.x, c.y);
        record.SetPreviousMap(c.previous);
        map.LoadProgress(record);
        EXPECT_EQ(map.GetPlayerPosition().x, c.ex);
        EXPECT_EQ(map.GetPlayerPosition().y, c.ey);
        EXPECT_EQ(map.GetStartCell(), BaseLib::CPoint(2, 1));
    }
}

// a - b(puzzle 0, just solved) - c: the fog behind b stays for 90 steps or until the figure walks.
TEST_F(MapProgressTest, FogBehindAPuzzleJustSolvedWaits)
{
    for (const bool walk : {false, true})
    {
        SCOPED_TRACE(walk);
        TestMap map;
        map.Build({"a-b-c-d"});
        map.GetCell(2, 1).puzzle = 0;
        ProgressRecord record = ScenarioRecord();
        record.SetLastCell(2, 0);
        map.LoadProgress(record);
        EXPECT_EQ(map.GetFogCountdown(), CMap::FogCountdownSteps);
        EXPECT_TRUE(map.GetCell(4, 1).IsRevealed());
        EXPECT_NE(map.GetCell(4, 1).fogMask, 0);
        const int changes = map.GetChangeNumber();
        if (walk)
        {
            ASSERT_TRUE(map.WalkTo(4, 1));
            map.Update(0.02);
        }
        else
        {
            for (int step = 1; step < CMap::FogCountdownSteps; ++step)
            {
                map.Update(0.02);
            }
            EXPECT_NE(map.GetCell(4, 1).fogMask, 0);
            EXPECT_EQ(map.GetChangeNumber(), changes);
            map.Update(0.02);
        }
        EXPECT_EQ(map.GetCell(4, 1).fogMask, 0);
        EXPECT_EQ(map.GetFogCountdown(), 0);
        EXPECT_EQ(map.GetChangeNumber(), changes + 1);
    }

    // Any other last level: no wait.
    TestMap map;
    map.Build({"a-b-c-d"});
    map.GetCell(2, 1).puzzle = 0;
    ProgressRecord record = ScenarioRecord();
    record.SetLastCell(1, 0);
    map.LoadProgress(record);
    EXPECT_EQ(map.GetFogCountdown(), 0);
    EXPECT_EQ(map.GetCell(4, 1).fogMask, 0);
}

} // namespace
