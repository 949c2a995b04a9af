// The read-only cell queries.

#include "tests/game/map/MapTestSupport.h"

#include <gtest/gtest.h>

namespace
{

constexpr std::uint32_t Revealed = MapCell::StateRevealed;

// A 3 x 2 interior (grid 5 x 4):
//   (1,1) east to (2,1); (2,1) north into the border, hides its northern barrier; (3,1) hides its eastern one;
//   (1,2) north to (1,1); (2,2) north to (2,1) and east to (3,2).
// Every interior cell but (3,2) is revealed; the border cells (0,0) and (4,1) carry passages out of the grid.
class MapQueries : public MapFileTest
{
protected:
    void SetUp() override
    {
        MapFileTest::SetUp();
        ASSERT_TRUE(Load(m_Map, MapFileText("sizex=\"3\" sizey=\"2\"",
                                            "<cell wb=\"2\"/><cell wb=\"5\"/><cell wb=\"8\"/>"
                                            "<cell wb=\"1\"/><cell wb=\"3\"/><cell/>")));
        for (const BaseLib::CPoint cell : {BaseLib::CPoint(1, 1), BaseLib::CPoint(2, 1), BaseLib::CPoint(3, 1),
                                           BaseLib::CPoint(1, 2), BaseLib::CPoint(2, 2)})
        {
            m_Map.GetCell(cell.x, cell.y).state = Revealed;
        }
        m_Map.GetCell(0, 0).walkBits = MapCell::CanWalkNorth | MapCell::CanWalkEast;
        m_Map.GetCell(0, 0).state = Revealed;
        m_Map.GetCell(4, 1).walkBits = MapCell::CanWalkEast;
        m_Map.GetCell(4, 1).state = Revealed;
    }

    CEditableMap m_Map;
};

TEST_F(MapQueries, GetNeighbour)
{
    struct Case
    {
        int x, y, direction, expected;
    };
    const Case cases[] = {
        {1, 1, CMap::East, 2},  {2, 1, CMap::West, 2},  {1, 1, CMap::South, 2}, {1, 2, CMap::North, 2},
        {2, 1, CMap::South, 2}, {2, 2, CMap::North, 2},
        {2, 2, CMap::East, 1},  {3, 2, CMap::West, 1},  // (3,2) not revealed
        {2, 1, CMap::North, 1}, {2, 0, CMap::South, 1}, // the border cell (2,0) not revealed
        {0, 0, CMap::East, 1},
        {1, 1, CMap::North, 0}, {3, 1, CMap::East, 0},  {3, 2, CMap::South, 0}, {1, 2, CMap::West, 0},
        {1, 1, 7, 0},           {1, 1, -1, 0},
        // The grid's edges, whatever the bits say.
        {0, 0, CMap::North, 0}, {4, 1, CMap::East, 0},  {2, 3, CMap::South, 0}, {0, 1, CMap::West, 0},
        // Cells outside the grid.
        {-1, 1, CMap::East, 0}, {5, 1, CMap::West, 0},  {2, 4, CMap::North, 0}, {2, -1, CMap::South, 0},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(m_Map.GetNeighbour(c.x, c.y, c.direction), c.expected)
            << "(" << c.x << ", " << c.y << ") direction " << c.direction;
    }
    m_Map.GetCell(3, 2).state = Revealed;
    EXPECT_EQ(m_Map.GetNeighbour(2, 2, CMap::East), 2);
}

TEST_F(MapQueries, IsObstacleHiddenReadsNeighbourForSouthAndWest)
{
    struct Case
    {
        int x, y, direction;
        bool expected;
    };
    const Case cases[] = {
        {2, 1, CMap::North, true}, {2, 0, CMap::South, true}, {3, 1, CMap::East, true},  {4, 1, CMap::West, true},
        {1, 1, CMap::North, false}, {2, 1, CMap::South, false}, {2, 1, CMap::East, false}, {3, 1, CMap::West, false},
        {2, 3, CMap::South, false}, {0, 1, CMap::West, false},  {2, 1, 4, false},
        {-1, 1, CMap::East, false}, {5, 1, CMap::West, false},  {2, -1, CMap::South, false},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(m_Map.IsObstacleHidden(c.x, c.y, c.direction), c.expected)
            << "(" << c.x << ", " << c.y << ") direction " << c.direction;
    }
}

TEST_F(MapQueries, HasAnyPassage)
{
    EXPECT_TRUE(m_Map.HasAnyPassage(1, 1));
    EXPECT_TRUE(m_Map.HasAnyPassage(3, 2)); // only from the west, unrevealed
    EXPECT_TRUE(m_Map.HasAnyPassage(2, 0)); // only from the south
    EXPECT_FALSE(m_Map.HasAnyPassage(3, 1));
    EXPECT_FALSE(m_Map.HasAnyPassage(4, 1)); // its eastern bit leads out of the grid
    EXPECT_FALSE(m_Map.HasAnyPassage(5, 1));
}

TEST_F(MapQueries, LocksAndTileImageNames)
{
    constexpr std::uint32_t Solved = MapCell::StateSolved;
    constexpr std::uint32_t Opened = MapCell::StateOpened;
    constexpr std::uint32_t TreasureTaken = MapCell::StateTreasureTaken;
    constexpr std::uint32_t Treasure = 5u << MapCell::TreasureShift;
    struct Case
    {
        int puzzle;
        std::uint32_t flags;
        int goldreq;
        std::uint32_t state;
        bool locked;
        const char* tile;
    };
    const Case cases[] = {
        {-1, 0, 0, 0, false, "t"},
        {-1, MapCell::NeedsKeyA, 0, 0, true, "t"},
        {-1, MapCell::NeedsKeyB, 0, 0, true, "t"},
        {-1, MapCell::NeedsKeyC, 0, 0, true, "t"},
        {-1, MapCell::NeedsKeyC, 0, Opened, false, "t"}, // a key lock opened shows no other tile
        {-1, MapCell::ProvidesKeyA | MapCell::Exit, 0, 0, false, "t"},
        {-1, 0, 1, 0, true, "t"},
        {-1, 0, -4, 0, false, "t"},
        {-1, 0, 5, Opened, false, "t_opened"},
        {-1, Treasure, 0, 0, false, "t"},
        {-1, Treasure, 0, TreasureTaken, false, "t_opened"},
        {-1, 0, 0, Solved, false, "t"}, // no puzzle: the solved bit shows nothing
        {0, 0, 0, 0, false, "t"},
        {0, 0, 0, Solved, false, "t_solved"},
        {2, MapCell::NeedsKeyA, 5, Solved | Opened, false, "t_solved"},
        {2, 0, 5, Opened, false, "t_opened"},
    };
    for (const Case& c : cases)
    {
        MapCell& cell = m_Map.GetCell(1, 1);
        cell.puzzle = c.puzzle;
        cell.flags = c.flags;
        cell.goldreq = c.goldreq;
        cell.state = c.state;
        cell.tile = "t";
        EXPECT_EQ(m_Map.IsCellLocked(1, 1), c.locked) << "flags " << c.flags << " gold " << c.goldreq;
        EXPECT_EQ(m_Map.GetTileImageName(1, 1), c.tile) << "puzzle " << c.puzzle << " state " << c.state;
    }
}

TEST_F(MapQueries, ExitsFirstMetAmongEqualIds)
{
    const auto exitWithId = [](std::uint32_t id) { return MapCell::Exit | (id << MapCell::ExitIdShift); };
    EXPECT_EQ(m_Map.FindFirstExit(), BaseLib::CPoint(0, 0));
    EXPECT_EQ(m_Map.FindLastExit(), BaseLib::CPoint(0, 0));
    m_Map.GetCell(2, 2).flags = exitWithId(4);
    m_Map.GetCell(3, 1).flags = exitWithId(2);
    m_Map.GetCell(1, 2).flags = exitWithId(2);
    m_Map.GetCell(2, 1).flags = exitWithId(4);
    m_Map.GetCell(1, 1).flags = 2u << MapCell::ExitIdShift; // an id without the exit flag
    EXPECT_EQ(m_Map.FindFirstExit(), BaseLib::CPoint(3, 1));
    EXPECT_EQ(m_Map.FindLastExit(), BaseLib::CPoint(2, 1));
    m_Map.GetCell(3, 3).flags = exitWithId(0);
    EXPECT_EQ(m_Map.FindFirstExit(), BaseLib::CPoint(3, 3));
}

TEST(MapWithoutCells, AnswersEveryQuery)
{
    CMap map;
    EXPECT_EQ(map.GetSize(), BaseLib::CSize(0, 0));
    EXPECT_FALSE(map.IsInside(0, 0));
    for (int direction = -1; direction <= 4; ++direction)
    {
        EXPECT_EQ(map.GetNeighbour(0, 0, direction), 0);
        EXPECT_FALSE(map.IsObstacleHidden(0, 0, direction));
    }
    EXPECT_FALSE(map.HasAnyPassage(0, 0));
    EXPECT_FALSE(map.IsCellLocked(0, 0));
    EXPECT_EQ(map.GetTileImageName(0, 0), "empty");
    EXPECT_EQ(map.GetMoodImage(0, 0), "");
    EXPECT_EQ(map.GetLevelCount(), 0);
    EXPECT_EQ(map.GetSetting(), "");
    EXPECT_EQ(map.GetName(), "");
    for (int key = -1; key <= 3; ++key)
    {
        EXPECT_EQ(map.GetKeyCount(key), 0);
    }
    EXPECT_EQ(map.GetPylonCount(), 0);
    EXPECT_EQ(map.FindFirstExit(), BaseLib::CPoint(0, 0));
    EXPECT_EQ(map.FindLastExit(), BaseLib::CPoint(0, 0));
    EXPECT_EQ(map.GetPlayerCell(), BaseLib::CPoint(0, 0));
    EXPECT_EQ(map.GetPathfindingMap().GetGrid(), nullptr);
    BaseLib::CVector2 position(9.0f, 9.0f);
    EXPECT_FALSE(map.GetHighlight(position));
    map.SetHighlight(true, 2.25f, -1.5f);
    EXPECT_TRUE(map.GetHighlight(position));
    EXPECT_EQ(position, BaseLib::CVector2(2.25f, -1.5f));
    map.SetHighlight(false, 0.0f, 0.0f);
    EXPECT_FALSE(map.GetHighlight(position));
}

TEST_F(MapQueries, CellsOutsideAnswerAsEmptyCells)
{
    m_Map.GetCell(1, 1).moodimg = "dawn";
    EXPECT_EQ(m_Map.GetMoodImage(1, 1), "dawn");
    for (const BaseLib::CPoint outside : {BaseLib::CPoint(-1, 0), BaseLib::CPoint(0, -1), BaseLib::CPoint(5, 0),
                                          BaseLib::CPoint(0, 4), BaseLib::CPoint(5, 4)})
    {
        EXPECT_FALSE(m_Map.IsInside(outside.x, outside.y));
        EXPECT_FALSE(m_Map.HasAnyPassage(outside.x, outside.y));
        EXPECT_FALSE(m_Map.IsCellLocked(outside.x, outside.y));
        EXPECT_EQ(m_Map.GetTileImageName(outside.x, outside.y), "empty");
        EXPECT_EQ(m_Map.GetMoodImage(outside.x, outside.y), "");
    }
    EXPECT_TRUE(m_Map.IsInside(4, 3));
}

} // namespace
