// The path file and the sub-cell conversions.

#include "tests/game/map/MapTestSupport.h"

#include "foundation/PathAliases.h"

#include <gtest/gtest.h>

namespace
{

using PathFile = MapFileTest;

TEST_F(PathFile, ExactSizeReadsTrueShortFileLeavesTheRestBlocked)
{
    CMap map;
    CPathfindingMap grid(map);
    // A 5 x 4 grid of cells: 55 x 44 sub-cells.
    WriteFile("exact.raw", std::string(55 * 44, '\0'));
    ASSERT_TRUE(grid.LoadPaths(PathOf("exact.raw"), 5, 4));
    EXPECT_EQ(grid.GetWidth(), 55);
    EXPECT_EQ(grid.GetHeight(), 44);
    ASSERT_NE(grid.GetGrid(), nullptr);
    EXPECT_EQ(std::count(grid.GetGrid(), grid.GetGrid() + 55 * 44, 0), 55 * 44);

    std::string shortBytes(100, '\0');
    shortBytes[7] = 3;
    WriteFile("short.raw", shortBytes);
    EXPECT_FALSE(grid.LoadPaths(PathOf("short.raw"), 5, 4));
    ASSERT_NE(grid.GetGrid(), nullptr);
    EXPECT_EQ(grid.GetGrid()[7], 3);
    EXPECT_EQ(std::count(grid.GetGrid(), grid.GetGrid() + 100, 0), 99);
    EXPECT_EQ(std::count(grid.GetGrid() + 100, grid.GetGrid() + 55 * 44, 0), 0);

    // A file that cannot be opened leaves the grid as it was.
    EXPECT_FALSE(grid.LoadPaths(PathOf("missing.raw"), 2, 2));
    EXPECT_EQ(grid.GetWidth(), 55);
    EXPECT_EQ(grid.GetGrid()[7], 3);
    // So does a size no map has.
    EXPECT_FALSE(grid.LoadPaths(PathOf("exact.raw"), 129, 1));
    EXPECT_FALSE(grid.LoadPaths(PathOf("exact.raw"), 1, -1));
    EXPECT_EQ(grid.GetWidth(), 55);
}

TEST_F(PathFile, MapReadsItsSettingsPathFileThroughTheAliases)
{
    BaseLib::CPathAliases aliases;
    aliases.RegisterPathAlias("interface", PathOf("interface"));
    WriteFile("interface/map/jungle/junglepaths.raw", std::string(44 * 33, '\0'));
    TestMap map;
    map.SetPathAliases(&aliases);
    ASSERT_TRUE(Load(map, MapFileText("sizex=\"2\" sizey=\"1\"", "", "jungle")));
    ASSERT_NE(map.GetPathfindingMap().GetGrid(), nullptr);
    EXPECT_EQ(map.GetPathfindingMap().GetWidth(), 44);
    EXPECT_EQ(map.GetPathfindingMap().GetHeight(), 33);
    EXPECT_EQ(&map.GetPathfindingMap().GetMap(), &map);

    // A smaller map without a path file drops the old grid and the walk.
    map.AddWaypoint(3.5f, 1.5f);
    map.AddWaypoint(2.5f, 1.5f);
    map.SetForcedWalk();
    ASSERT_TRUE(Load(map, MapFileText("sizex=\"1\" sizey=\"1\"", "", "swamp"), "swamp.map.xml"));
    EXPECT_EQ(map.GetPathfindingMap().GetGrid(), nullptr);
    EXPECT_EQ(map.GetWaypointCount(), 0u);
    EXPECT_FALSE(map.IsForcedWalk());
}

TEST_F(PathFile, MapWithoutAliasesReadsNoPathFile)
{
    WriteFile("interface/map/jungle/junglepaths.raw", std::string(44 * 33, '\0'));
    CMap map;
    ASSERT_TRUE(Load(map, MapFileText("sizex=\"2\" sizey=\"1\"", "", "jungle")));
    EXPECT_EQ(map.GetPathfindingMap().GetGrid(), nullptr);
}

TEST(PathfindingConversions, CellsPositionsAndSubCells)
{
    int i = -1;
    int j = -1;
    CPathfindingMap::CellToGrid(0, 0, i, j);
    EXPECT_EQ(i, 5);
    EXPECT_EQ(j, 5);
    CPathfindingMap::CellToGrid(3, 2, i, j);
    EXPECT_EQ(i, 38);
    EXPECT_EQ(j, 27);

    CPathfindingMap::PositionToGrid(0.0f, 0.0f, i, j);
    EXPECT_EQ(i, 0);
    EXPECT_EQ(j, 0);
    CPathfindingMap::PositionToGrid(3.0f, 2.0f, i, j);
    EXPECT_EQ(i, 33);
    EXPECT_EQ(j, 22);
    CPathfindingMap::PositionToGrid(3.5f, 2.5f, i, j); // 38.5 and 27.5 truncated
    EXPECT_EQ(i, 38);
    EXPECT_EQ(j, 27);
    CPathfindingMap::PositionToGrid(3.99f, 2.999f, i, j); // still in cell (3, 2)
    EXPECT_EQ(i, 43);
    EXPECT_EQ(j, 32);

    EXPECT_EQ(CPathfindingMap::GridToPosition(0, 0), BaseLib::CVector2(0.0454545468f, 0.0454545468f));
    const BaseLib::CVector2 centre = CPathfindingMap::GridToPosition(38, 27);
    EXPECT_NEAR(centre.x, 3.5f, 1e-6);
    EXPECT_NEAR(centre.y, 2.5f, 1e-6);
    const BaseLib::CVector2 corner = CPathfindingMap::GridToPosition(33, 22);
    EXPECT_NEAR(corner.x, 3.0f + 1.0f / 22.0f, 1e-6);
    EXPECT_NEAR(corner.y, 2.0f + 1.0f / 22.0f, 1e-6);
}

TEST_F(PathFile, GridIndexIsRowMajorOverTheWidth)
{
    CMap map;
    CPathfindingMap grid(map);
    WriteFile("exact.raw", std::string(55 * 44, '\0'));
    ASSERT_TRUE(grid.LoadPaths(PathOf("exact.raw"), 5, 4));
    EXPECT_EQ(grid.GridIndexToPosition(0), CPathfindingMap::GridToPosition(0, 0));
    EXPECT_EQ(grid.GridIndexToPosition(27 * 55 + 38), CPathfindingMap::GridToPosition(38, 27));
    EXPECT_EQ(grid.GridIndexToPosition(22 * 55 + 33), CPathfindingMap::GridToPosition(33, 22));
}

} // namespace
