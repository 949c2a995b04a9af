// The fine path search over the path file: nearest free sub-cells, A* with its order, pool and gates,
// and walks that follow it.

#include "tests/game/map/LargeMapStandIn.h"
#include "tests/game/map/MapTestSupport.h"

#include "foundation/PathAliases.h"
#include "platform/os/DebugOutput.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <list>
#include <map>
#include <queue>
#include <random>

namespace
{

constexpr double Diagonal = 1.41419995;

struct SubCell
{
    int i;
    int j;
    bool operator==(const SubCell&) const = default;
};

class PathSearch : public MapFileTest
{
protected:
    // Gives the built map a path grid drawn by rows from sub-cell (0, 0): '.' walkable, anything else
    // blocked; sub-cells beyond the picture are blocked.
    void LoadGrid(TestMap& map, const std::vector<std::string>& rows)
    {
        const int width = map.GetSize().cx * 11;
        const int height = map.GetSize().cy * 11;
        std::string bytes(static_cast<std::size_t>(width * height), '\1');
        for (int j = 0; j < static_cast<int>(rows.size()) && j < height; ++j)
        {
            for (int i = 0; i < static_cast<int>(rows[static_cast<std::size_t>(j)].size()) && i < width; ++i)
            {
                if (rows[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)] == '.')
                {
                    bytes[static_cast<std::size_t>(j * width + i)] = '\0';
                }
            }
        }
        WriteFile("grid.raw", bytes);
        ASSERT_TRUE(map.GetPathfindingMap().LoadPaths(PathOf("grid.raw"), map.GetSize().cx, map.GetSize().cy));
    }

    // Every sub-cell walkable.
    void LoadOpenGrid(TestMap& map)
    {
        const int width = map.GetSize().cx * 11;
        LoadGrid(map, std::vector<std::string>(static_cast<std::size_t>(map.GetSize().cy * 11),
                                               std::string(static_cast<std::size_t>(width), '.')));
    }
};

std::vector<SubCell> ToSubCells(const CPathfindingMap& grid, const std::vector<std::int32_t>& path)
{
    std::vector<SubCell> cells;
    for (const std::int32_t index : path)
    {
        cells.push_back({index % grid.GetWidth(), index / grid.GetWidth()});
    }
    return cells;
}

// Checks that the path runs from goal to start over walkable 8-connected sub-cells; its cost (NaN when
// it does not).
double CheckedCost(const CPathfindingMap& grid, const std::vector<std::int32_t>& path, SubCell start, SubCell goal)
{
    const std::vector<SubCell> cells = ToSubCells(grid, path);
    EXPECT_FALSE(cells.empty());
    if (cells.empty())
    {
        return std::nan("");
    }
    EXPECT_EQ(cells.front(), goal);
    EXPECT_EQ(cells.back(), start);
    double cost = 0.0;
    for (std::size_t n = 0; n < cells.size(); ++n)
    {
        EXPECT_TRUE(grid.IsWalkable(cells[n].i, cells[n].j)) << cells[n].i << "," << cells[n].j;
        if (n == 0)
        {
            continue;
        }
        const int di = std::abs(cells[n].i - cells[n - 1].i);
        const int dj = std::abs(cells[n].j - cells[n - 1].j);
        if (di > 1 || dj > 1 || di + dj == 0)
        {
            ADD_FAILURE() << "step " << n << " is no neighbour step";
            return std::nan("");
        }
        cost += di + dj == 2 ? Diagonal : 1.0;
    }
    return cost;
}

TEST_F(PathSearch, PathsOnSmallGrids)
{
    struct Case
    {
        const char* name;
        std::vector<std::string> rows;
        SubCell start, goal;
        bool found;
        double cost;
        std::vector<SubCell> exact; // when not empty, the whole list
    };
    const Case cases[] = {
        {"straight corridor", {"#######", "#.....#", "#######"}, {1, 1}, {5, 1}, true, 4.0,
         {{5, 1}, {4, 1}, {3, 1}, {2, 1}, {1, 1}}},
        {"wall forces a detour",
         {"#######", "#..#..#", "#..#..#", "#.....#", "#######"}, {1, 1}, {5, 1}, true, 4 * Diagonal, {}},
        {"diagonal steps", {"#####", "#...#", "#...#", "#...#", "#####"}, {1, 1}, {3, 3}, true, 2 * Diagonal,
         {{3, 3}, {2, 2}, {1, 1}}},
        {"start is goal", {"###", "#.#", "###"}, {1, 1}, {1, 1}, true, 0.0, {{1, 1}}},
        {"goal walled off", {"#######", "#..#..#", "#..#..#", "#######"}, {1, 1}, {5, 1}, false, 0.0, {}},
        {"goal blocked", {"#####", "#..##", "#####"}, {1, 1}, {3, 1}, false, 0.0, {}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        TestMap map;
        map.Build(1, 1);
        LoadGrid(map, c.rows);
        Platform::DebugOutputCapture trace;
        std::vector<std::int32_t> path{99};
        ASSERT_EQ(map.GetPathfindingMap().FindPath(c.start.i, c.start.j, c.goal.i, c.goal.j, path), c.found);
        if (!c.found)
        {
            EXPECT_TRUE(path.empty());
            EXPECT_EQ(trace.Text(), "no path found\n");
            continue;
        }
        EXPECT_NEAR(CheckedCost(map.GetPathfindingMap(), path, c.start, c.goal), c.cost, 1e-4);
        if (!c.exact.empty())
        {
            EXPECT_EQ(ToSubCells(map.GetPathfindingMap(), path), c.exact);
        }
        char expected[64];
        std::snprintf(expected, sizeof expected, "found path, checked total of %d states\n",
                      map.GetPathfindingMap().GetLastSearchUse().records - 1);
        EXPECT_EQ(trace.Text(), expected);
    }

    // Without a grid there is no search.
    TestMap bare;
    bare.Build(1, 1);
    std::vector<std::int32_t> path;
    EXPECT_FALSE(bare.GetPathfindingMap().FindPath(5, 5, 6, 6, path));
}

// From (5, 5) to (7, 6) on open ground the records of (6, 5) and (6, 6) tie on f: the newer, (6, 6),
// is taken out first and leads to the goal, whose record ties with (6, 5) again and is newer.
TEST_F(PathSearch, EqualEstimatesTakeTheNewestRecordFirst)
{
    TestMap map;
    map.Build(1, 1);
    LoadOpenGrid(map);
    std::vector<std::int32_t> path;
    ASSERT_TRUE(map.GetPathfindingMap().FindPath(5, 5, 7, 6, path));
    EXPECT_EQ(ToSubCells(map.GetPathfindingMap(), path), (std::vector<SubCell>{{7, 6}, {6, 6}, {5, 5}}));
}

// The search as written with a sorted list: records inserted before the first record whose f is not
// smaller. Answers the index list and the records made.
std::pair<std::vector<std::int32_t>, int> ListSearch(const CPathfindingMap& grid, SubCell start, SubCell goal)
{
    struct Record
    {
        int i, j;
        float g, h;
        Record* predecessor;
    };
    std::list<Record> pool;
    std::list<Record*> open;
    std::map<int, Record*> visited;
    const auto insert = [&open](Record* record) {
        const float f = record->g + record->h;
        auto at = open.begin();
        while (at != open.end() && (*at)->g + (*at)->h < f)
        {
            ++at;
        }
        open.insert(at, record);
    };
    pool.push_back({start.i, start.j, 0.0f, 0.0f, nullptr});
    open.push_back(&pool.back());
    const int steps[8][2] = {{0, -1}, {-1, -1}, {1, -1}, {-1, 0}, {1, 0}, {-1, 1}, {0, 1}, {1, 1}};
    while (!open.empty())
    {
        Record* current = open.front();
        open.pop_front();
        if (current->i == goal.i && current->j == goal.j)
        {
            std::vector<std::int32_t> path;
            for (const Record* r = current; r != nullptr; r = r->predecessor)
            {
                path.push_back(r->j * grid.GetWidth() + r->i);
            }
            return {path, static_cast<int>(pool.size())};
        }
        for (const auto& step : steps)
        {
            const int ni = current->i + step[0];
            const int nj = current->j + step[1];
            if (!grid.IsWalkable(ni, nj))
            {
                continue;
            }
            const float g = current->g + (step[0] != 0 && step[1] != 0 ? 1.41419995f : 1.0f);
            const int dx = std::abs(ni - goal.i);
            const int dy = std::abs(nj - goal.j);
            const double h = (std::max(dx, dy) - std::min(dx, dy)) + std::min(dx, dy) * Diagonal;
            const auto known = visited.find(nj * grid.GetWidth() + ni);
            if (known != visited.end())
            {
                if (known->second->g <= g)
                {
                    continue;
                }
                open.remove(known->second);
                known->second->g = g;
                known->second->predecessor = current;
                insert(known->second);
                continue;
            }
            pool.push_back({ni, nj, g, static_cast<float>(h), current});
            insert(&pool.back());
            visited[nj * grid.GetWidth() + ni] = &pool.back();
        }
    }
    return {{}, static_cast<int>(pool.size())};
}

// On rough ground full of ties and re-opened records the search takes exactly the records, in exactly
// the order, that the sorted open list takes.
TEST_F(PathSearch, TakesRecordsInTheSortedListsOrder)
{
    TestMap map;
    map.Build(1, 1);
    std::mt19937 random(7);
    std::vector<std::string> rows(33, std::string(33, '.'));
    for (std::string& row : rows)
    {
        for (char& c : row)
        {
            c = random() % 100 < 45 ? '#' : '.';
        }
    }
    LoadGrid(map, rows);
    const CPathfindingMap& grid = map.GetPathfindingMap();
    int searches = 0;
    int found = 0;
    while (searches < 60)
    {
        const SubCell start{static_cast<int>(random() % 33), static_cast<int>(random() % 33)};
        const SubCell goal{static_cast<int>(random() % 33), static_cast<int>(random() % 33)};
        if (!grid.IsWalkable(start.i, start.j) || !grid.IsWalkable(goal.i, goal.j))
        {
            continue;
        }
        ++searches;
        SCOPED_TRACE(::testing::Message() << start.i << "," << start.j << " to " << goal.i << "," << goal.j);
        const auto [expected, records] = ListSearch(grid, start, goal);
        std::vector<std::int32_t> path;
        EXPECT_EQ(map.GetPathfindingMap().FindPath(start.i, start.j, goal.i, goal.j, path), !expected.empty());
        EXPECT_EQ(path, expected);
        EXPECT_EQ(map.GetPathfindingMap().GetLastSearchUse().records, records);
        found += expected.empty() ? 0 : 1;
    }
    // Both outcomes were met.
    EXPECT_GT(found, 10);
    EXPECT_LT(found, searches);
}

// A serpentine maze over 12 x 12 cells: rows of sub-cells with an even j are open, the odd rows are
// walls with one gap, at the east end and the west end in turn. Cells (1, 1) .. (1, 10) are linked south.
void BuildSerpentine(TestMap& map, std::vector<std::string>& rows)
{
    map.Build(10, 10);
    for (int y = 2; y <= 10; ++y)
    {
        map.GetCell(1, y).walkBits |= MapCell::CanWalkNorth;
    }
    map.Reveal(1, 1, -1);
    const int side = map.GetSize().cx * 11;
    rows.assign(static_cast<std::size_t>(side), std::string(static_cast<std::size_t>(side), '.'));
    for (int j = 1; j < side; j += 2)
    {
        std::string& row = rows[static_cast<std::size_t>(j)];
        row = std::string(static_cast<std::size_t>(side), '#');
        row[(j / 2) % 2 == 0 ? row.size() - 1 : 0] = '.';
    }
}

TEST_F(PathSearch, SearchThatNeedsMoreRecordsThanThePoolFailsAndTheWalkKeepsItsCellRoute)
{
    TestMap map;
    std::vector<std::string> rows;
    BuildSerpentine(map, rows);
    LoadGrid(map, rows);

    // Rows 16 to 38: eleven turns of 132 sub-cells fit into the pool.
    std::vector<std::int32_t> path;
    ASSERT_TRUE(map.GetPathfindingMap().FindPath(16, 16, 16, 38, path));
    EXPECT_FALSE(map.GetPathfindingMap().GetLastSearchUse().poolExhausted);
    CheckedCost(map.GetPathfindingMap(), path, {16, 16}, {16, 38});

    // Rows 16 to 114, about 6,000 sub-cells of corridor, do not.
    Platform::DebugOutputCapture trace;
    EXPECT_FALSE(map.GetPathfindingMap().FindPath(16, 16, 16, 114, path));
    EXPECT_TRUE(path.empty());
    EXPECT_TRUE(map.GetPathfindingMap().GetLastSearchUse().poolExhausted);
    EXPECT_EQ(map.GetPathfindingMap().GetLastSearchUse().records, CPathfindingMap::RecordPoolSize);
    EXPECT_EQ(trace.Text(), "no path found\n");

    // The walk to cell (1, 10), whose centre sub-cell (16, 115) lies in a wall: the nearest free one is
    // (16, 114), which the pool does not reach; the figure walks the cell route.
    ASSERT_TRUE(map.WalkTo(1, 10));
    ASSERT_EQ(map.GetWaypointCount(), 10u);
    for (int n = 0; n < 10; ++n)
    {
        EXPECT_EQ(map.GetPath()[static_cast<std::size_t>(n)], BaseLib::CVector2(1.5f, 10.5f - static_cast<float>(n)));
    }
}

// Three cells in a row linked east; the middle one has a passage. Rows and columns 3 and 8 of it are
// closed while it is not revealed.
TEST_F(PathSearch, UnrevealedPassageCellsGatesAreNotEntered)
{
    struct Case
    {
        const char* name;
        bool revealed;
        bool detourOpen; // the cells above the row are walkable
        bool found;
    };
    const Case cases[] = {
        {"revealed: straight through", true, false, true},
        {"closed: around through the cells above", false, true, true},
        {"closed without a way around", false, false, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        TestMap map;
        map.Build(3, 2);
        map.GetCell(1, 1).walkBits |= MapCell::CanWalkEast;
        map.GetCell(2, 1).walkBits |= MapCell::CanWalkEast;
        for (int x = 1; x <= 3; ++x)
        {
            map.GetCell(x, 1).state |= MapCell::StateRevealed;
        }
        if (!c.revealed)
        {
            map.GetCell(2, 1).state &= ~MapCell::StateRevealed;
        }
        // Cell row 1 (j 11 .. 21) walkable from cell (1, 1) to (3, 1), and cell row 0 when the detour is open.
        std::vector<std::string> rows(55, std::string(55, '#'));
        for (int j = c.detourOpen ? 0 : 11; j <= 21; ++j)
        {
            for (int i = 11; i <= 43; ++i)
            {
                rows[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)] = '.';
            }
        }
        LoadGrid(map, rows);
        std::vector<std::int32_t> path;
        ASSERT_EQ(map.GetPathfindingMap().FindPath(16, 16, 38, 16, path), c.found);
        if (!c.found)
        {
            continue;
        }
        const double cost = CheckedCost(map.GetPathfindingMap(), path, {16, 16}, {38, 16});
        EXPECT_EQ(cost == 22.0, c.revealed);
        for (const SubCell& s : ToSubCells(map.GetPathfindingMap(), path))
        {
            if (!c.revealed && s.i / 11 == 2 && s.j / 11 == 1)
            {
                EXPECT_TRUE(s.i % 11 != 3 && s.i % 11 != 8 && s.j % 11 != 3 && s.j % 11 != 8)
                    << s.i << "," << s.j;
            }
        }
    }
}

TEST_F(PathSearch, NearestFreeSearchesRingsInOrder)
{
    TestMap map;
    map.Build(3, 3);
    const int ci = 27;
    const int cj = 27;
    // Ring 2 in the order it is searched: k = 0 then k = 1, four candidates each.
    const std::vector<SubCell> ring = {{ci, cj - 2},     {ci - 2, cj},     {ci, cj + 2},     {ci + 2, cj},
                                       {ci - 1, cj - 1}, {ci - 1, cj + 1}, {ci + 1, cj + 1}, {ci + 1, cj - 1}};
    const auto gridWith = [&](const std::vector<SubCell>& free) {
        std::vector<std::string> rows(55, std::string(55, '#'));
        for (const SubCell& s : free)
        {
            rows[static_cast<std::size_t>(s.j)][static_cast<std::size_t>(s.i)] = '.';
        }
        return rows;
    };
    for (std::size_t n = 0; n < ring.size(); ++n)
    {
        SCOPED_TRACE(n);
        // The candidate n and every later one free: n is taken.
        LoadGrid(map, gridWith(std::vector<SubCell>(ring.begin() + static_cast<std::ptrdiff_t>(n), ring.end())));
        int i = ci;
        int j = cj;
        ASSERT_TRUE(map.GetPathfindingMap().FindNearestFree(i, j));
        EXPECT_EQ((SubCell{i, j}), ring[n]);
    }

    struct Case
    {
        const char* name;
        std::vector<SubCell> free;
        SubCell from;
        bool found;
        SubCell result;
    };
    const Case cases[] = {
        {"walkable stays", {{ci, cj}, {ci, cj - 1}}, {ci, cj}, true, {ci, cj}},
        {"ring 1 before ring 2", {{ci, cj - 2}, {ci + 1, cj}}, {ci, cj}, true, {ci + 1, cj}},
        {"distance 10 reached", {{ci + 6, cj + 4}}, {ci, cj}, true, {ci + 6, cj + 4}},
        {"distance 11 is too far", {{ci + 6, cj + 5}}, {ci, cj}, false, {ci, cj}},
        // From the corner sub-cell (0, 0), candidates outside the grid count as blocked.
        {"outside is blocked", {{0, 3}}, {0, 0}, true, {0, 3}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        LoadGrid(map, gridWith(c.free));
        int i = c.from.i;
        int j = c.from.j;
        EXPECT_EQ(map.GetPathfindingMap().FindNearestFree(i, j), c.found);
        EXPECT_EQ((SubCell{i, j}), c.result);
    }

    TestMap bare;
    bare.Build(1, 1);
    int i = 5;
    int j = 5;
    EXPECT_FALSE(bare.GetPathfindingMap().FindNearestFree(i, j));
}

// a - b
//     |
//     c
TEST_F(PathSearch, WalkFollowsTheFinePathWhenThereIsOne)
{
    const auto build = [](TestMap& map) {
        map.Build({"a-b", "  |", "  c"});
        map.Reveal(1, 1, -1);
    };
    TestMap straight;
    build(straight);
    ASSERT_TRUE(straight.WalkTo(2, 2));
    // Without a path file: cell centres.
    EXPECT_EQ(straight.GetPath(),
              (std::vector<BaseLib::CVector2>{{2.5f, 2.5f}, {2.5f, 1.5f}, {1.5f, 1.5f}}));

    TestMap map;
    build(map);
    LoadOpenGrid(map);
    ASSERT_TRUE(map.WalkTo(2, 2));
    EXPECT_EQ(map.GetWalkingSpeed(), 2.0f);
    // The straight diagonal from the figure's sub-cell (16, 16) to c's centre sub-cell (27, 27), goal first.
    ASSERT_EQ(map.GetWaypointCount(), 12u);
    for (std::size_t n = 0; n < 12; ++n)
    {
        const int at = 27 - static_cast<int>(n);
        EXPECT_EQ(map.GetPath()[n], CPathfindingMap::GridToPosition(at, at)) << n;
    }

    // The figure walks it to c's centre.
    for (int step = 0; step < 200 && map.IsWalking(); ++step)
    {
        map.Update(0.02);
    }
    EXPECT_FALSE(map.IsWalking());
    EXPECT_NEAR(map.GetPlayerPosition().x, 2.5f, 1e-5);
    EXPECT_NEAR(map.GetPlayerPosition().y, 2.5f, 1e-5);
}

// Single-source distances over the same grid, neighbours and gate rule.
std::vector<double> Dijkstra(const CMap& map, const CPathfindingMap& grid, SubCell start)
{
    const int width = grid.GetWidth();
    std::vector<double> distance(static_cast<std::size_t>(width * grid.GetHeight()),
                                 std::numeric_limits<double>::infinity());
    using Entry = std::pair<double, int>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<>> queue;
    distance[static_cast<std::size_t>(start.j * width + start.i)] = 0.0;
    queue.emplace(0.0, start.j * width + start.i);
    while (!queue.empty())
    {
        const auto [d, index] = queue.top();
        queue.pop();
        if (d > distance[static_cast<std::size_t>(index)])
        {
            continue;
        }
        for (int dj = -1; dj <= 1; ++dj)
        {
            for (int di = -1; di <= 1; ++di)
            {
                const int ni = index % width + di;
                const int nj = index / width + dj;
                if ((di == 0 && dj == 0) || !grid.IsWalkable(ni, nj))
                {
                    continue;
                }
                const bool gate = ni % 11 == 3 || ni % 11 == 8 || nj % 11 == 3 || nj % 11 == 8;
                if (gate && map.HasAnyPassage(ni / 11, nj / 11) && !map.GetCell(ni / 11, nj / 11).IsRevealed())
                {
                    continue;
                }
                const double next = d + (di != 0 && dj != 0 ? Diagonal : 1.0);
                if (next < distance[static_cast<std::size_t>(nj * width + ni)])
                {
                    distance[static_cast<std::size_t>(nj * width + ni)] = next;
                    queue.emplace(next, nj * width + ni);
                }
            }
        }
    }
    return distance;
}

TEST_F(PathSearch, PathsOnTheLargeMapStandInAreShortest)
{
    BaseLib::CPathAliases aliases;
    aliases.RegisterPathAlias("interface", PathOf("interface"));
    const std::string file = LargeMapStandIn::Write(Root());
    TestMap map;
    map.SetPathAliases(&aliases);
    ASSERT_TRUE(map.LoadXml(0, file));
    ASSERT_NE(map.GetPathfindingMap().GetGrid(), nullptr);
    int passageCells = 0;
    for (int y = 0; y < map.GetSize().cy; ++y)
    {
        for (int x = 0; x < map.GetSize().cx; ++x)
        {
            map.GetCell(x, y).state |= MapCell::StateRevealed;
            passageCells += map.HasAnyPassage(x, y) ? 1 : 0;
        }
    }
    ASSERT_EQ(passageCells, LargeMapStandIn::PassageCells);
    const BaseLib::CPoint startCell = map.GetStartCell();
    SubCell start{};
    CPathfindingMap::CellToGrid(startCell.x, startCell.y, start.i, start.j);
    const std::vector<double> distance = Dijkstra(map, map.GetPathfindingMap(), start);

    int found = 0;
    int exhausted = 0;
    for (int y = 0; y < map.GetSize().cy; ++y)
    {
        for (int x = 0; x < map.GetSize().cx; ++x)
        {
            if (!map.HasAnyPassage(x, y))
            {
                continue;
            }
            SCOPED_TRACE(::testing::Message() << "cell " << x << "," << y);
            SubCell goal{};
            CPathfindingMap::CellToGrid(x, y, goal.i, goal.j);
            std::vector<std::int32_t> path;
            if (!map.GetPathfindingMap().FindPath(start.i, start.j, goal.i, goal.j, path))
            {
                EXPECT_TRUE(map.GetPathfindingMap().GetLastSearchUse().poolExhausted);
                ++exhausted;
                continue;
            }
            ++found;
            const double reference = distance[static_cast<std::size_t>(goal.j * map.GetPathfindingMap().GetWidth() + goal.i)];
            EXPECT_NEAR(CheckedCost(map.GetPathfindingMap(), path, start, goal), reference, 1e-3);
        }
    }
    std::printf("large map stand-in: %d of %d searches found their path, %d ran out of records\n", found,
                passageCells, exhausted);
    EXPECT_GT(found, 0);
}

} // namespace
