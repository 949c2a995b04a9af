// Walking over the cell route: routes, refusals, hurrying and the largest map.

#include "tests/game/map/MapTestSupport.h"

#include <gtest/gtest.h>

namespace
{

// a - b - c
// |       |
// d - e - f
void BuildRing(TestMap& map)
{
    map.Build({"a-b-c", "|   |", "d-e-f"});
    map.Reveal(1, 1, -1);
}

TEST(MapWalk, CellRoutes)
{
    struct Case
    {
        float fx, fy;
        int tx, ty;
        std::vector<BaseLib::CPoint> hidden; // not revealed
        bool walks;
        std::vector<BaseLib::CPoint> path; // backwards, as cell centres
    };
    using P = BaseLib::CPoint;
    const Case cases[] = {
        {1.5f, 1.5f, 3, 2, {}, true, {P(3, 2), P(3, 1), P(2, 1), P(1, 1)}},
        {3.5f, 2.5f, 1, 1, {}, true, {P(1, 1), P(1, 2), P(2, 2), P(3, 2)}},
        {1.5f, 1.5f, 3, 2, {P(3, 1)}, true, {P(3, 2), P(2, 2), P(1, 2), P(1, 1)}},
        {1.5f, 1.5f, 3, 1, {}, true, {P(3, 1), P(2, 1), P(1, 1)}},
        // Halfway towards b: no way back to a's centre first.
        {1.8f, 1.5f, 3, 1, {}, true, {P(3, 1), P(2, 1)}},
        {1.5f, 1.7f, 1, 2, {}, true, {P(1, 2)}},
        // Halfway, but away from the next waypoint.
        {1.2f, 1.5f, 3, 1, {}, true, {P(3, 1), P(2, 1), P(1, 1)}},
        {1.5f, 1.5f, 3, 2, {P(3, 1), P(2, 2)}, false, {}},
        {1.5f, 1.5f, 3, 2, {P(3, 2)}, false, {}},
        {1.5f, 1.5f, 4, 1, {}, false, {}}, // the border
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << c.fx << "," << c.fy << " to " << c.tx << "," << c.ty);
        TestMap map;
        BuildRing(map);
        for (const P cell : c.hidden)
        {
            map.GetCell(cell.x, cell.y).state &= ~MapCell::StateRevealed;
        }
        map.SetPlayerPosition(c.fx, c.fy);
        // A running walk elsewhere: a refused route stops it.
        map.AddWaypoint(2.5f, 2.5f);
        EXPECT_EQ(map.WalkTo(c.tx, c.ty), c.walks);
        ASSERT_EQ(map.GetWaypointCount(), c.path.size());
        for (std::size_t i = 0; i < c.path.size(); ++i)
        {
            EXPECT_EQ(map.GetPath()[i].x, c.path[i].x + 0.5f) << i;
            EXPECT_EQ(map.GetPath()[i].y, c.path[i].y + 0.5f) << i;
        }
        EXPECT_EQ(map.GetPlayerPosition().x, c.fx);
    }
}

// Two routes of equal length around a hole: the way back from the target tries north, south, east, west.
TEST(MapWalk, EqualRoutesFollowTheDirectionOrder)
{
    using P = BaseLib::CPoint;
    struct Case
    {
        P from, to;
        std::vector<P> path;
    };
    const Case cases[] = {
        {P(1, 2), P(3, 2), {P(3, 2), P(3, 1), P(2, 1), P(1, 1), P(1, 2)}}, // north before south
        {P(3, 2), P(1, 2), {P(1, 2), P(1, 1), P(2, 1), P(3, 1), P(3, 2)}},
        {P(2, 1), P(2, 3), {P(2, 3), P(3, 3), P(3, 2), P(3, 1), P(2, 1)}}, // east before west
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(::testing::Message()
                     << c.from.x << "," << c.from.y << " to " << c.to.x << "," << c.to.y);
        TestMap map;
        map.Build({"a-b-c", "|   |", "d   e", "|   |", "f-g-h"});
        map.Reveal(1, 1, -1);
        map.SetPlayerPosition(c.from.x + 0.5f, c.from.y + 0.5f);
        ASSERT_TRUE(map.WalkTo(c.to.x, c.to.y));
        ASSERT_EQ(map.GetWaypointCount(), c.path.size());
        for (std::size_t i = 0; i < c.path.size(); ++i)
        {
            EXPECT_EQ(map.GetPath()[i].x, c.path[i].x + 0.5f) << i;
            EXPECT_EQ(map.GetPath()[i].y, c.path[i].y + 0.5f) << i;
        }
    }
}

TEST(MapWalk, TargetsOutsideTheGridAndFiguresOffThePassages)
{
    TestMap map;
    BuildRing(map);
    map.AddWaypoint(2.5f, 2.5f);
    for (const BaseLib::CPoint target :
         {BaseLib::CPoint(-1, 1), BaseLib::CPoint(5, 1), BaseLib::CPoint(1, 4)})
    {
        EXPECT_FALSE(map.WalkTo(target.x, target.y));
    }
    // A figure in a cell without passage is put back on the start.
    map.SetPlayerPosition(0.5f, 3.5f);
    EXPECT_FALSE(map.FindCellRoute(3, 2));
    EXPECT_EQ(map.GetPlayerCell(), BaseLib::CPoint(1, 1));
    EXPECT_FALSE(map.IsWalking());

    // A figure on a cell not revealed: the route starts from the first exit, the figure stays.
    map.GetCell(2, 1).flags = MapCell::Exit;
    map.GetCell(3, 2).state &= ~MapCell::StateRevealed;
    map.SetPlayerPosition(3.5f, 2.5f);
    ASSERT_TRUE(map.WalkTo(1, 1));
    ASSERT_EQ(map.GetWaypointCount(), 2u);
    EXPECT_EQ(map.GetPath()[1].x, 2.5f);
    EXPECT_EQ(map.GetPlayerPosition().x, 3.5f);
}

TEST(MapWalk, AskingTwiceHurriesAndTheWalkEndsOnTheCentre)
{
    TestMap map;
    BuildRing(map);
    EXPECT_TRUE(map.WalkTo(1, 1)); // where it stands
    EXPECT_FALSE(map.IsWalking());

    ASSERT_TRUE(map.WalkTo(3, 2));
    EXPECT_EQ(map.GetWalkingSpeed(), 2.0f);
    map.Update(0.1);
    EXPECT_NEAR(map.GetPlayerPosition().x, 1.7f, 1e-5f);
    const std::size_t waypoints = map.GetWaypointCount();
    EXPECT_TRUE(map.WalkTo(3, 2));
    EXPECT_EQ(map.GetWalkingSpeed(), 8.0f);
    EXPECT_EQ(map.GetWaypointCount(), waypoints);
    map.Update(0.1);
    EXPECT_NEAR(map.GetPlayerPosition().x, 2.5f, 1e-5f);

    // Another target replaces the walk at the normal speed.
    EXPECT_TRUE(map.WalkTo(1, 2));
    EXPECT_EQ(map.GetWalkingSpeed(), 2.0f);
    for (int step = 0; step < 1000 && map.IsWalking(); ++step)
    {
        map.Update(0.02);
    }
    EXPECT_FALSE(map.IsWalking());
    EXPECT_EQ(map.GetPlayerPosition().x, 1.5f);
    EXPECT_EQ(map.GetPlayerPosition().y, 2.5f);
}

// The largest grid, its interior one snake: rows linked east, joined at alternate ends.
TEST(MapWalk, LargestMapSnakesWithoutExhaustingTheStack)
{
    TestMap map;
    constexpr int size = CMap::MaxInteriorSize;
    map.Build(size, size);
    for (int y = 1; y <= size; ++y)
    {
        for (int x = 1; x < size; ++x)
        {
            map.GetCell(x, y).walkBits |= MapCell::CanWalkEast;
        }
        if (y > 1)
        {
            map.GetCell(y % 2 == 0 ? size : 1, y).walkBits |= MapCell::CanWalkNorth;
        }
    }
    map.Reveal(1, 1, -1);
    int revealed = 0;
    for (int y = 0; y < size + 2; ++y)
    {
        for (int x = 0; x < size + 2; ++x)
        {
            revealed += map.GetCell(x, y).IsRevealed() ? 1 : 0;
        }
    }
    EXPECT_EQ(revealed, size * size);

    for (int use = 0; use < 6; ++use)
    {
        map.Cheat();
    }
    EXPECT_TRUE(map.GetCell(size, size).IsSolved());
    EXPECT_EQ(map.GetCell(size, size).fogMask, 0);

    // The snake ends at (1, size): size is even, so the last row runs west.
    ASSERT_TRUE(map.WalkTo(1, size));
    EXPECT_EQ(map.GetWaypointCount(), static_cast<std::size_t>(size * size));
    EXPECT_EQ(map.GetPath().front().y, size + 0.5f);
    EXPECT_EQ(map.GetPath()[static_cast<std::size_t>(size * size - 1 - size)].x, size + 0.5f);
}

} // namespace
