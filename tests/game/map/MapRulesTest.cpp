// The cell rules: locks, collecting, sequence triggers, actions, fog and the cheat.

#include "tests/game/harness/RecordingSoundDevice.h"
#include "tests/game/map/MapTestSupport.h"

#include <gtest/gtest.h>

namespace
{

using GameTesting::RecordingSoundDevice;
using GameTesting::SoundEvent;

constexpr std::uint32_t Seq1(int trigger)
{
    return static_cast<std::uint32_t>(trigger) << MapCell::Sequence1TriggerShift;
}
constexpr std::uint32_t Seq2(int trigger)
{
    return static_cast<std::uint32_t>(trigger) << MapCell::Sequence2TriggerShift;
}
constexpr std::uint32_t Action(int action)
{
    return static_cast<std::uint32_t>(action) << MapCell::ActionShift;
}
constexpr std::uint32_t Treasure(int gold)
{
    return static_cast<std::uint32_t>(gold) << MapCell::TreasureShift;
}

// Runs the walk to its end (bounded).
void WalkUntilStill(CMap& map)
{
    for (int step = 0; step < 10000 && map.IsWalking(); ++step)
    {
        map.Update(0.02);
    }
    ASSERT_FALSE(map.IsWalking());
}

std::string TakePending(CMap& map)
{
    std::string name;
    return map.TakePendingSequence(name) ? name : std::string("(none)");
}

class MapRules : public ::testing::Test
{
protected:
    void SetUp() override { m_Sound = &RecordingSoundDevice::Install(); }
    void TearDown() override { RecordingSoundDevice::Uninstall(); }

    int Played(const std::string& file) const
    {
        return static_cast<int>(m_Sound->Count(SoundEvent::Play, file));
    }

    RecordingSoundDevice* m_Sound = nullptr;
    TestMap m_Map;
};

// a - b - c with b locked: the fill stops on b.
TEST_F(MapRules, KeyLockOpensOnlyWithEveryNeededKey)
{
    m_Map.Build({"a-b-c"});
    m_Map.GetCell(2, 1).flags = MapCell::NeedsKeyA | MapCell::NeedsKeyB;
    m_Map.Reveal(1, 1, -1);
    ASSERT_TRUE(m_Map.GetCell(2, 1).IsRevealed());
    ASSERT_FALSE(m_Map.GetCell(3, 1).IsRevealed());

    m_Map.SetKeys(1, 0, 0);
    EXPECT_FALSE(m_Map.EnterCell(2, 1));
    EXPECT_EQ(m_Map.GetKeyCount(0), 1);
    EXPECT_FALSE(m_Map.GetCell(2, 1).IsOpened());
    EXPECT_EQ(TakePending(m_Map), "needkey_jungle.xml");

    // A "key missing" sequence takes the place of the default one, and stays due.
    m_Map.GetCell(2, 1).cutscene = "door.xml";
    m_Map.GetCell(2, 1).flags |= Seq1(MapCell::TriggerKeyMissing);
    for (int attempt = 0; attempt < 2; ++attempt)
    {
        EXPECT_FALSE(m_Map.EnterCell(2, 1));
        EXPECT_EQ(TakePending(m_Map), "door.xml");
    }

    const int changes = m_Map.GetChangeNumber();
    m_Map.SetKeys(1, 1, 4);
    EXPECT_TRUE(m_Map.EnterCell(2, 1));
    EXPECT_EQ(m_Map.GetKeyCount(0), 0);
    EXPECT_EQ(m_Map.GetKeyCount(1), 0);
    EXPECT_EQ(m_Map.GetKeyCount(2), 4);
    EXPECT_TRUE(m_Map.GetCell(2, 1).IsOpened());
    EXPECT_TRUE(m_Map.GetCell(3, 1).IsRevealed());
    EXPECT_EQ(m_Map.GetCell(3, 1).fogMask, 0);
    EXPECT_EQ(Played("sound>openlock.wav"), 1);
    EXPECT_EQ(Played("sound>treasure.wav"), 0);
    EXPECT_EQ(m_Map.GetChangeNumber(), changes + 1);
    EXPECT_EQ(TakePending(m_Map), "(none)");
}

TEST_F(MapRules, GoldLockComparesGoldAndOpensOnce)
{
    m_Map.Build({"a-b-c"}, "swamp");
    MapCell& lock = m_Map.GetCell(2, 1);
    lock.goldreq = 30;
    lock.cutscene2 = "gate.xml";
    lock.flags = Seq2(MapCell::TriggerLockOpened);
    m_Map.Reveal(1, 1, -1);

    m_Map.SetGold(29);
    EXPECT_FALSE(m_Map.EnterCell(2, 1));
    EXPECT_EQ(TakePending(m_Map), "needgold_swamp.xml");

    m_Map.SetGold(30);
    const int changes = m_Map.GetChangeNumber();
    EXPECT_TRUE(m_Map.EnterCell(2, 1));
    EXPECT_EQ(m_Map.GetGold(), 30);
    EXPECT_EQ(Played("sound>treasure.wav"), 1);
    EXPECT_EQ(m_Map.GetChangeNumber(), changes + 1);
    EXPECT_TRUE((lock.state & MapCell::StateSequence2Played) != 0);

    // A second request for the same lock in the same step leaves the pending sequence alone.
    EXPECT_FALSE(m_Map.EnterCell(2, 1));
    EXPECT_EQ(Played("sound>treasure.wav"), 1);
    EXPECT_EQ(TakePending(m_Map), "gate.xml");
    EXPECT_EQ(TakePending(m_Map), "(none)");
}

TEST(MapRulesWithoutSound, LocksOpenAndNothingPlays)
{
    RecordingSoundDevice::Uninstall();
    TestMap map;
    map.Build({"a-b"});
    map.GetCell(2, 1).flags = MapCell::NeedsKeyC;
    map.SetKeys(0, 0, 1);
    EXPECT_TRUE(map.EnterCell(2, 1));
    EXPECT_TRUE(map.GetCell(2, 1).IsOpened());
}

TEST_F(MapRules, CollectsKeysTreasureAndPylonsOnce)
{
    m_Map.Build({"a-b-c"});
    MapCell& puzzle = m_Map.GetCell(2, 1);
    puzzle.puzzle = 0;
    puzzle.flags = MapCell::ProvidesKeyB;
    m_Map.GetCell(3, 1).flags = Treasure(25);
    m_Map.GetCell(1, 1).flags = MapCell::Pylon;

    m_Map.VisitCell(2, 1);
    EXPECT_EQ(m_Map.GetKeyCount(1), 0);
    puzzle.state |= MapCell::StateSolved;
    int changes = m_Map.GetChangeNumber();
    for (int visit = 0; visit < 2; ++visit)
    {
        m_Map.VisitCell(2, 1);
        EXPECT_EQ(m_Map.GetKeyCount(1), 1);
        EXPECT_EQ(Played("sound>key_pickup.wav"), 1);
        EXPECT_EQ(m_Map.GetChangeNumber(), changes + 1);
    }

    changes = m_Map.GetChangeNumber();
    m_Map.SetGold(10);
    for (int visit = 0; visit < 2; ++visit)
    {
        m_Map.VisitCell(3, 1);
        EXPECT_EQ(m_Map.GetTreasureGold(), 25);
        EXPECT_EQ(m_Map.GetGold(), 35);
        EXPECT_EQ(Played("sound>treasure.wav"), 1);
        EXPECT_EQ(m_Map.GetChangeNumber(), changes + 1);
    }

    changes = m_Map.GetChangeNumber();
    for (int visit = 0; visit < 2; ++visit)
    {
        m_Map.VisitCell(1, 1);
        EXPECT_EQ(m_Map.GetPylonCount(), 1);
        EXPECT_EQ(Played("sound>pylon.wav"), 1);
        EXPECT_EQ(m_Map.GetChangeNumber(), changes);
    }
}

// a - b - c, all revealed, b holds the sequence.
TEST_F(MapRules, SequenceTriggersOnEntering)
{
    struct Case
    {
        int trigger;
        bool solved;
        // Pending after the first walk through b, and after walking back through it.
        bool first, again;
    };
    const Case cases[] = {
        {MapCell::TriggerEntered, false, true, false},
        {MapCell::TriggerAlwaysEntered, false, true, true},
        {MapCell::TriggerPuzzleSolved, false, false, false},
        {MapCell::TriggerPuzzleSolved, true, true, false},
        {MapCell::TriggerLockOpened, false, false, false},
        {5, false, false, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << "trigger " << c.trigger << " solved " << c.solved);
        m_Map.Build({"a-b-c"});
        MapCell& cell = m_Map.GetCell(2, 1);
        // An unsolved puzzle would stop the walk: the unsolved case has none.
        cell.puzzle = c.solved ? 0 : -1;
        cell.state = c.solved ? MapCell::StateSolved : 0;
        cell.cutscene = "scene.xml";
        cell.flags = Seq1(c.trigger);
        m_Map.Reveal(1, 1, -1);

        ASSERT_TRUE(m_Map.WalkTo(3, 1));
        WalkUntilStill(m_Map);
        EXPECT_EQ(TakePending(m_Map), c.first ? "scene.xml" : "(none)");
        // A due sequence cuts the walk short on its cell.
        EXPECT_EQ(m_Map.GetPlayerCell(), c.first ? BaseLib::CPoint(2, 1) : BaseLib::CPoint(3, 1));

        ASSERT_TRUE(m_Map.WalkTo(3, 1));
        WalkUntilStill(m_Map);
        ASSERT_TRUE(m_Map.WalkTo(1, 1));
        WalkUntilStill(m_Map);
        EXPECT_EQ(TakePending(m_Map), c.again ? "scene.xml" : "(none)");
    }
}

TEST_F(MapRules, NothingBecomesPendingWhileActiveOrPending)
{
    m_Map.Build({"a-b"});
    MapCell& cell = m_Map.GetCell(2, 1);
    cell.cutscene = "one.xml";
    cell.cutscene2 = "two.xml";
    cell.flags = Seq1(MapCell::TriggerEntered) | Seq2(MapCell::TriggerEntered) | MapCell::ProvidesKeyA;
    m_Map.SetActive(true);
    m_Map.VisitCell(2, 1);
    EXPECT_EQ(m_Map.GetKeyCount(0), 1); // collecting goes on
    EXPECT_FALSE(m_Map.IsSequencePending());
    EXPECT_EQ(cell.state & (MapCell::StateSequence1Played | MapCell::StateSequence2Played), 0u);

    m_Map.SetActive(false);
    m_Map.VisitCell(2, 1);
    m_Map.VisitCell(2, 1); // the first is still pending: the second waits
    EXPECT_EQ(TakePending(m_Map), "one.xml");
    m_Map.VisitCell(2, 1);
    EXPECT_EQ(TakePending(m_Map), "two.xml");
}

TEST_F(MapRules, ActionsSendTheFigureOnce)
{
    struct Case
    {
        int action;
        bool walks;
        int tx, ty;
    };
    const Case cases[] = {
        {MapCell::ActionWalkNorth, true, 2, 2},
        {MapCell::ActionWalkSouth, true, 2, 4},
        {MapCell::ActionWalkNorth2, true, 2, 1},
        {MapCell::ActionWalkEast, true, 3, 3},
        {MapCell::ActionWalkWest, true, 1, 3},
        {MapCell::ActionStartPuzzle, false, 0, 0},
        {MapCell::ActionRemoveFog, false, 0, 0},
        {8, false, 0, 0},
        {15, false, 0, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.action);
        // A column of five cells with arms east and west from the middle one, (2, 3).
        m_Map.Build({"  a", "  |", "  b", "  |", "c-d-e", "  |", "  f", "  |", "  g"});
        m_Map.Reveal(2, 1, -1);
        m_Map.SetPlayerPosition(2.5f, 3.5f);
        MapCell& cell = m_Map.GetCell(2, 3);
        cell.flags = Action(c.action);
        m_Map.VisitCell(2, 3);
        EXPECT_EQ(m_Map.IsWalking(), c.walks);
        EXPECT_EQ(m_Map.IsForcedWalk(), c.walks);
        EXPECT_EQ((cell.state & MapCell::StateActionDone) != 0, c.walks);
        if (c.walks)
        {
            EXPECT_EQ(m_Map.GetPath().front().x, c.tx + 0.5f);
            EXPECT_EQ(m_Map.GetPath().front().y, c.ty + 0.5f);
            // A forced walk refuses other targets until it ends.
            EXPECT_FALSE(m_Map.WalkTo(2, 5));
            WalkUntilStill(m_Map);
            EXPECT_FALSE(m_Map.IsForcedWalk());
            EXPECT_EQ(m_Map.GetPlayerCell(), BaseLib::CPoint(c.tx, c.ty));
            m_Map.VisitCell(2, 3);
            EXPECT_FALSE(m_Map.IsWalking());
        }
    }
}

TEST_F(MapRules, RemoveFogClearsTheTouchingCorners)
{
    m_Map.Build(3, 3);
    m_Map.RemoveFog(2, 2);
    const std::uint8_t expected[5][5] = {
        {15, 15, 15, 15, 15}, {15, 14, 12, 13, 15}, {15, 10, 0, 5, 15},
        {15, 11, 3, 7, 15},   {15, 15, 15, 15, 15},
    };
    for (int y = 0; y < 5; ++y)
    {
        for (int x = 0; x < 5; ++x)
        {
            EXPECT_EQ(m_Map.GetCell(x, y).fogMask, expected[y][x]) << x << "," << y;
        }
    }
    // The grid's corners skip the neighbours outside; cells outside do nothing.
    m_Map.RemoveFog(4, 4);
    m_Map.RemoveFog(-1, -1);
    m_Map.RemoveFog(5, 2);
    EXPECT_EQ(m_Map.GetCell(4, 4).fogMask, 0);
    EXPECT_EQ(m_Map.GetCell(3, 3).fogMask, 7 & ~1);
    EXPECT_EQ(m_Map.GetCell(0, 0).fogMask, 15);
    EXPECT_EQ(m_Map.GetCell(4, 2).fogMask, 15);
}

TEST_F(MapRules, RemoveFogActionLiftsFogRemovers)
{
    // a - b - c and d apart: b is locked, c removes fog, d is a fog remover.
    m_Map.Build({"a-b-c d"});
    m_Map.GetCell(2, 1).flags = MapCell::NeedsKeyA;
    m_Map.GetCell(3, 1).flags = Action(MapCell::ActionRemoveFog);
    m_Map.GetCell(4, 1).flags = MapCell::FogRemover;
    m_Map.Reveal(1, 1, -1);
    m_Map.UpdateFog();
    EXPECT_EQ(m_Map.GetCell(4, 1).fogMask, 15);

    m_Map.SetKeys(1, 0, 0);
    ASSERT_TRUE(m_Map.EnterCell(2, 1));
    EXPECT_TRUE(m_Map.GetCell(3, 1).IsRevealed());
    EXPECT_FALSE(m_Map.GetCell(4, 1).IsRevealed());
    EXPECT_EQ(m_Map.GetCell(4, 1).fogMask, 0);
}

TEST_F(MapRules, CheatSolvesEverythingOnTheSixthUse)
{
    // a - b(unsolved puzzle) - c, d apart without passage.
    m_Map.Build({"a-b-c d"});
    m_Map.GetCell(2, 1).puzzle = 0;
    m_Map.Reveal(1, 1, -1);
    for (int use = 1; use <= 6; ++use)
    {
        m_Map.Cheat();
        EXPECT_EQ(m_Map.GetChangeNumber(), use);
        EXPECT_EQ(m_Map.GetGold(), 100 * use);
        EXPECT_EQ(m_Map.GetKeyCount(2), use);
        EXPECT_EQ(m_Map.GetCell(2, 1).IsSolved(), use == 6);
        EXPECT_EQ(m_Map.GetCell(3, 1).IsRevealed(), use == 6);
    }
    for (int x = 1; x <= 3; ++x)
    {
        EXPECT_EQ(m_Map.GetCell(x, 1).fogMask, 0);
        EXPECT_TRUE(m_Map.GetCell(x, 1).IsSolved());
    }
    EXPECT_FALSE(m_Map.GetCell(4, 1).IsSolved());

    m_Map.SetPylons(8);
    m_Map.Cheat();
    EXPECT_EQ(m_Map.GetPylonCount(), 0);
}

TEST(MapRulesEmpty, AMapWithoutCellsRunsEveryOperation)
{
    TestMap map;
    map.Reveal(0, 0, -1);
    map.UpdateFog();
    map.RemoveFog(0, 0);
    EXPECT_FALSE(map.EnterCell(0, 0));
    map.VisitCell(0, 0);
    map.Cheat();
    EXPECT_FALSE(map.WalkTo(0, 0));
    EXPECT_FALSE(map.FindCellRoute(0, 0));
    map.Update(0.02);
    EXPECT_FALSE(map.IsWalking());

    // Cells outside a real grid do nothing either.
    map.Build({"a-b"});
    EXPECT_FALSE(map.EnterCell(-1, 1));
    map.VisitCell(1, -7);
    map.Reveal(9, 9, -1);
    EXPECT_FALSE(map.GetCell(1, 1).IsRevealed());
}

} // namespace
