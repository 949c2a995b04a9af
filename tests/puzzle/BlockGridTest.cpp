#include "Boards.h"

#include "puzzle/BlockGrid.h"
#include "puzzle/MoveSet.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

using BaseLib::CRectF;
using Boards::Place;

TEST(BlockDirection, OppositesAndUnitVectors)
{
    EXPECT_EQ(OppositeDirection(DirectionNorth), DirectionSouth);
    EXPECT_EQ(OppositeDirection(DirectionSouth), DirectionNorth);
    EXPECT_EQ(OppositeDirection(DirectionWest), DirectionEast);
    EXPECT_EQ(OppositeDirection(DirectionEast), DirectionWest);
    EXPECT_EQ(OppositeDirection(DirectionNone), DirectionNone);
    EXPECT_EQ(DirectionVector(DirectionNorth), BaseLib::CVector2(0.0f, -1.0f));
    EXPECT_EQ(DirectionVector(DirectionSouth), BaseLib::CVector2(0.0f, 1.0f));
    EXPECT_EQ(DirectionVector(DirectionWest), BaseLib::CVector2(-1.0f, 0.0f));
    EXPECT_EQ(DirectionVector(DirectionEast), BaseLib::CVector2(1.0f, 0.0f));
    EXPECT_EQ(DirectionVector(DirectionNone), BaseLib::CVector2(0.0f, 0.0f));
}

TEST(BlockDirection, QuantisingRoundsTowardMinusInfinity)
{
    struct Case
    {
        float in, out;
    } cases[] = {{2.3f, 147.0f / 64.0f}, {-0.1f, -7.0f / 64.0f}, {0.01f, 0.0f},
                 {1.0f, 1.0f},           {0.1875f, 0.1875f},     {-1.0f / 64.0f, -1.0f / 64.0f}};
    for (const Case& c : cases)
    {
        EXPECT_EQ(QuantiseDistance(c.in), c.out) << c.in;
    }
}

TEST(BlockDirection, WholeNumbersAsTheCellFractionTellsThem)
{
    const float cases[] = {0.0f,
                           -0.0f,
                           3.0f,
                           -7.0f,
                           0.5f,
                           -1.5f,
                           1.0f / 64.0f,
                           8388607.0f,
                           8388608.5f,
                           16777216.0f,
                           -1.0e30f,
                           3.0e38f,
                           std::numeric_limits<float>::infinity(),
                           -std::numeric_limits<float>::infinity(),
                           std::numeric_limits<float>::quiet_NaN()};
    for (float v : cases)
    {
        EXPECT_EQ(IsWholeNumber(v), CellFraction(v) == 0.0f) << v;
    }
}

TEST(Block, StartValuesAndQuantisedPlacement)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(6, 6);
    CBlock* block = new CBlock(&puzzle);
    puzzle.AddBlock(block);
    EXPECT_EQ(block->GetRect(), CRectF(0, 0, 1, 1));
    EXPECT_TRUE(block->CanMoveX());
    EXPECT_TRUE(block->CanMoveY());
    EXPECT_TRUE(block->IsSolid());
    EXPECT_TRUE(block->MovedThisStep());
    EXPECT_EQ(block->GetPriority(), 0);
    EXPECT_EQ(block->GetModelName(), "");
    EXPECT_STREQ(block->GetTypeName(), "normal");

    block->SetPosition(2.3f, 0.0f);
    EXPECT_EQ(block->GetRect(), CRectF(147.0f / 64, 0, 147.0f / 64 + 1, 1));
    block->SetSize(1.3f, 0.5f);
    EXPECT_EQ(block->GetRect().right, std::floor((147.0f / 64 + 1.3f) * 64) / 64);
    EXPECT_EQ(block->GetRect().bottom, 0.5f);
    EXPECT_TRUE(puzzle.GetGrid().CellContains(3, 0, block));
    EXPECT_TRUE(puzzle.GetGrid().CheckConsistency());
}

TEST(Block, IdCounterIsRaisedByAnIdReadFromAFile)
{
    CPuzzle puzzle;
    CBlock* first = Place<CBlock>(puzzle, 0, 0);
    CBlock* second = Place<CBlock>(puzzle, 1, 0);
    EXPECT_GT(second->GetId(), first->GetId());

    first->SetIdFromFile(41);
    EXPECT_EQ(first->GetId(), 41);
    EXPECT_GE(CBlock::GetIdCounter(), 42);
    EXPECT_GE(Place<CBlock>(puzzle, 2, 0)->GetId(), 43);
    // A lower id read later does not lower the counter.
    const int32_t counter = CBlock::GetIdCounter();
    second->SetIdFromFile(3);
    EXPECT_EQ(CBlock::GetIdCounter(), counter);
}

// Which cells list a block placed at a rect, on a 6 by 6 board.
TEST(BlockGrid, CellRangesRingAndOutsideCells)
{
    struct Case
    {
        CRectF rect;
        std::vector<std::pair<int, int>> cells; // inner and ring cells listing the block
        std::vector<BlockDirection> outside;
    } cases[] = {
        {{2, 0, 3, 1}, {{2, 0}}, {}},                                     // right edge exactly 3.0
        {{3, 0, 3, 1}, {{3, 0}}, {}},                                     // zero width at 3.0
        {{2.5f, 0.5f, 3.5f, 1.5f}, {{2, 0}, {2, 1}, {3, 0}, {3, 1}}, {}}, // between cells
        {{-1, 2, 0, 3}, {{-1, 2}}, {}},                                   // exit beyond the west edge
        {{-2, 2, -1, 3}, {}, {DirectionWest}},                            // range clamps to no ring cell
        {{-2, 2, 0, 3}, {{-1, 2}}, {DirectionWest}},
        {{6, 2, 7, 3}, {{6, 2}}, {}},
        {{7, 2, 8, 3}, {}, {DirectionEast}},
        {{2, -2, 3, -1}, {}, {DirectionNorth}},
        {{2, 7, 3, 8}, {}, {DirectionSouth}},
        {{-3, -3, -2, -2}, {}, {DirectionWest, DirectionNorth}},
    };
    for (const Case& c : cases)
    {
        CPuzzle puzzle;
        puzzle.ResizeBoard(6, 6);
        CBlock* block = Place<CBlock>(puzzle, c.rect.left, c.rect.top, c.rect.right - c.rect.left,
                                      c.rect.bottom - c.rect.top);
        const BlockGrid& grid = puzzle.GetGrid();
        int listed = 0;
        for (int x = -1; x <= 6; ++x)
        {
            for (int y = -1; y <= 6; ++y)
            {
                const bool expected =
                    std::find(c.cells.begin(), c.cells.end(), std::make_pair(x, y)) != c.cells.end();
                EXPECT_EQ(grid.CellContains(x, y, block), expected)
                    << "rect left " << c.rect.left << " top " << c.rect.top << " cell " << x << "," << y;
                listed += grid.GetCellCount(x, y);
            }
        }
        EXPECT_EQ(listed, static_cast<int>(c.cells.size()));
        for (BlockDirection d : {DirectionNorth, DirectionSouth, DirectionWest, DirectionEast})
        {
            const bool expected = std::find(c.outside.begin(), c.outside.end(), d) != c.outside.end();
            EXPECT_EQ(grid.OutsideCellContains(d, block), expected)
                << "rect left " << c.rect.left << " side " << d;
        }
        EXPECT_TRUE(grid.CheckConsistency());
    }
}

TEST(BlockGrid, AddNeverListsTwiceAndRemoveOfAnUnlistedBlockDoesNothing)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(4, 4);
    CBlock* a = Place<CBlock>(puzzle, 1, 1);
    CBlock* b = Place<CBlock>(puzzle, 1, 1);
    BlockGrid& grid = puzzle.GetGrid();
    grid.AddBlock(a);
    EXPECT_EQ(grid.GetCellCount(1, 1), 2);

    CBlock loose(&puzzle);
    grid.RemoveBlock(&loose, CRectF(1, 1, 2, 2));
    EXPECT_EQ(grid.GetCellCount(1, 1), 2);
    grid.RemoveBlock(a);
    EXPECT_EQ(grid.GetCellCount(1, 1), 1);
    EXPECT_TRUE(grid.CellContains(1, 1, b));
}

TEST(BlockGrid, CellsGrowPastTenBlocksWithoutLosingAny)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(3, 3);
    std::vector<CBlock*> stack;
    for (int i = 0; i < 25; ++i)
    {
        stack.push_back(Place<CBlock>(puzzle, 1, 1));
    }
    BlockGrid& grid = puzzle.GetGrid();
    EXPECT_EQ(grid.GetCellCount(1, 1), 25);
    for (int i = 0; i < 25; i += 2)
    {
        grid.RemoveBlock(stack[i]);
    }
    EXPECT_EQ(grid.GetCellCount(1, 1), 12);
    for (int i = 0; i < 25; ++i)
    {
        EXPECT_EQ(grid.CellContains(1, 1, stack[i]), i % 2 == 1) << i;
    }
}

namespace
{

// Every entry of the grid in cell order: the order a search's ties depend on.
std::vector<CBlock*> Entries(const BlockGrid& grid)
{
    std::vector<CBlock*> list;
    grid.CollectBlocksInRect(CRectF(-1000, -1000, 1000, 1000), list, false);
    return list;
}

} // namespace

TEST(BlockGrid, RollBackTakesEveryCellBackInItsOrder)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(5, 5);
    std::vector<CBlock*> stack;
    for (int i = 0; i < 12; ++i)
    {
        stack.push_back(Place<CBlock>(puzzle, 2, 2));
    }
    CBlock* wide = Place<CBlock>(puzzle, 0, 0, 3, 1);
    BlockGrid& grid = puzzle.GetGrid();
    const std::vector<CBlock*> before = Entries(grid);

    puzzle.ClearRectChanges();
    stack[3]->SetPosition(4, 4); // out of the middle of a grown cell
    wide->SetPosition(-2, 0);    // partly off the board: the west outside cell
    stack[0]->SetPosition(2, 3);
    stack[0]->SetPosition(2, 2); // back, but now last in its cell
    wide->SetPosition(1, 1);
    ASSERT_NE(Entries(grid), before);

    // Rects first, as a search does; the grid then stands exactly as at the clear.
    stack[3]->RestoreRectOutsideGrid(CRectF(2, 2, 3, 3));
    stack[0]->RestoreRectOutsideGrid(CRectF(2, 2, 3, 3));
    wide->RestoreRectOutsideGrid(CRectF(0, 0, 3, 1));
    ASSERT_TRUE(grid.RollBack());
    EXPECT_EQ(Entries(grid), before);
    EXPECT_TRUE(grid.CheckConsistency());
    EXPECT_FALSE(grid.OutsideCellContains(DirectionWest, wide));
}

TEST(BlockGrid, AnUnnotedRestoreLeavesTheCellsAsANotedOneAndNoNote)
{
    // Two boards side by side: one block moved by RestoreRect, its twin by RestoreRectUnnoted, through
    // the board, a stacked cell, half a cell and off the board (the general path).
    CPuzzle noted;
    CPuzzle unnoted;
    std::vector<CBlock*> a;
    std::vector<CBlock*> b;
    for (CPuzzle* puzzle : {&noted, &unnoted})
    {
        puzzle->ResizeBoard(5, 4);
        std::vector<CBlock*>& blocks = puzzle == &noted ? a : b;
        blocks.push_back(Place<CBlock>(*puzzle, 1, 1, 2, 1));
        blocks.push_back(Place<CBlock>(*puzzle, 3, 2));
        blocks.push_back(Place<CBlock>(*puzzle, 3, 2));
    }
    unnoted.ClearRectChanges();
    const CRectF targets[] = {CRectF(2, 2, 4, 3), CRectF(3, 0, 5, 1), CRectF(-1.5f, 0, 0.5f, 1),
                              CRectF(3, 3, 5, 4), CRectF(1, 1, 3, 2)};
    for (const CRectF& target : targets)
    {
        a[0]->RestoreRect(BlockState{a[0], target});
        b[0]->RestoreRectUnnoted(target);
        EXPECT_EQ(b[0]->GetRect(), target);
        EXPECT_EQ(Entries(unnoted.GetGrid()).size(), Entries(noted.GetGrid()).size());
        for (int x = -1; x <= 5; ++x)
        {
            for (int y = -1; y <= 4; ++y)
            {
                EXPECT_EQ(unnoted.GetGrid().CellContains(x, y, b[0]),
                          noted.GetGrid().CellContains(x, y, a[0]))
                    << x << "," << y;
            }
        }
        EXPECT_EQ(unnoted.GetGrid().OutsideCellContains(DirectionWest, b[0]),
                  noted.GetGrid().OutsideCellContains(DirectionWest, a[0]));
        EXPECT_TRUE(unnoted.GetGrid().CheckConsistency());
    }
    EXPECT_TRUE(unnoted.GetRectChanges().empty());
    // The journal still holds every cell change: rolled back, the grid stands as at the clear.
    for (size_t i = 0; i < b.size(); ++i)
    {
        b[i]->RestoreRectOutsideGrid(i == 0 ? CRectF(1, 1, 3, 2) : CRectF(3, 2, 4, 3));
    }
    ASSERT_TRUE(unnoted.GetGrid().RollBack());
    EXPECT_TRUE(unnoted.GetGrid().CellContains(1, 1, b[0]));
    EXPECT_TRUE(unnoted.GetGrid().CellContains(2, 1, b[0]));
    EXPECT_EQ(unnoted.GetGrid().GetCellCount(3, 2), 2);
}

TEST(BlockGrid, RollBackRefusesAnOverflowedSpoiltOrUnstartedJournal)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(5, 5);
    CBlock* a = Place<CBlock>(puzzle, 0, 0);
    BlockGrid& grid = puzzle.GetGrid();
    EXPECT_FALSE(grid.RollBack()); // never started

    puzzle.ClearRectChanges();
    for (size_t i = 0; i <= BlockGrid::MaxJournalEntries; ++i)
    {
        a->SetPosition(static_cast<float>(i % 2), 0);
    }
    const std::vector<CBlock*> moved = Entries(grid);
    EXPECT_FALSE(grid.RollBack());
    EXPECT_EQ(Entries(grid), moved);
    EXPECT_TRUE(grid.CellContains(a->GetRect().left == 0 ? 0 : 1, 0, a));

    puzzle.ClearRectChanges();
    a->SetPosition(3, 3);
    grid.Clear();
    EXPECT_FALSE(grid.RollBack());

    puzzle.ClearRectChanges();
    grid.Resize(6, 6);
    EXPECT_FALSE(grid.RollBack());

    grid.AddBlock(a);
    puzzle.ClearRectChanges();
    grid.StopJournal();
    a->SetPosition(1, 1);
    EXPECT_FALSE(grid.RollBack());
    EXPECT_TRUE(grid.CellContains(1, 1, a));
}

TEST(BlockGrid, CollectBlocksInRectListsABlockOncePerCell)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(6, 6);
    CBlock* wide = Place<CBlock>(puzzle, 1, 1, 2, 1);
    CBlock* bridge = Place<CBlock>(puzzle, 4, 1);
    std::vector<CBlock*> list{bridge};
    puzzle.GetGrid().CollectBlocksInRect(CRectF(0, 0, 6, 6), list, false);
    EXPECT_EQ(std::count(list.begin(), list.end(), wide), 2);
    EXPECT_EQ(std::count(list.begin(), list.end(), bridge), 1);
    // Touching is no overlap.
    puzzle.GetGrid().CollectBlocksInRect(CRectF(3, 1, 4, 2), list, false);
    EXPECT_TRUE(list.empty());
}

TEST(BlockGrid, CollectBlocksInDirectionFindsSolidBlocksTouchingTheEdge)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(6, 6);
    CBlock* mover = Place<CBlock>(puzzle, 2, 2);
    CBlock* east = Place<CBlock>(puzzle, 3, 2);
    CBlock* north = Place<CBlock>(puzzle, 2, 1);
    Place<CBlock>(puzzle, 4, 2); // behind the east one, not touching
    std::vector<CBlock*> list;
    EXPECT_EQ(puzzle.GetGrid().CollectBlocksInDirection(mover->GetRect(), DirectionEast, list), 1);
    EXPECT_EQ(list, std::vector<CBlock*>{east});
    EXPECT_EQ(puzzle.GetGrid().CollectBlocksInDirection(mover->GetRect(), DirectionNorth, list), 1);
    EXPECT_EQ(list, std::vector<CBlock*>{north});
    EXPECT_EQ(puzzle.GetGrid().CollectBlocksInDirection(mover->GetRect(), DirectionWest, list), 0);
}

TEST(BlockGrid, CheckConsistencyFindsMisplacedEntries)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(4, 4);
    CBlock* block = Place<CBlock>(puzzle, 1, 1);
    BlockGrid& grid = puzzle.GetGrid();
    EXPECT_TRUE(grid.CheckConsistency());
    grid.AddBlock(block, CRectF(3, 3, 4, 4)); // listed in a cell it does not cover
    EXPECT_FALSE(grid.CheckConsistency());
    grid.RemoveBlock(block, CRectF(3, 3, 4, 4));
    EXPECT_TRUE(grid.CheckConsistency());
    grid.AddBlock(block, CRectF(-5, 1, -4, 2)); // west outside cell, but left >= 0
    EXPECT_FALSE(grid.CheckConsistency());
}

// The check answers at once while every entry came from the grid's own blocks; an entry whose block
// moves without telling this grid must still be found.
TEST(BlockGrid, CheckConsistencySeesBlocksWhoseMovesUpdateAnotherGridOrNone)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(4, 4);
    Place<CBlock>(puzzle, 0, 0);
    CPuzzle other;
    other.ResizeBoard(4, 4);
    CBlock* foreign = Place<CBlock>(other, 1, 1);
    CBlock loose(nullptr);
    loose.SetPosition(2, 2);
    BlockGrid& grid = puzzle.GetGrid();

    grid.AddBlock(foreign);
    grid.AddBlock(&loose);
    EXPECT_TRUE(grid.CheckConsistency());
    foreign->SetPosition(3, 3); // updates the other puzzle's grid only
    EXPECT_FALSE(grid.CheckConsistency());
    grid.RemoveBlock(foreign, CRectF(1, 1, 2, 2));
    EXPECT_TRUE(grid.CheckConsistency());
    loose.SetPosition(0, 3); // updates no grid
    EXPECT_FALSE(grid.CheckConsistency());
    grid.RemoveBlock(&loose, CRectF(2, 2, 3, 3));
    EXPECT_TRUE(grid.CheckConsistency());
    EXPECT_TRUE(other.GetGrid().CheckConsistency());
}

TEST(BlockGrid, FindNearestInStripTakesTheFirstOfEqualGaps)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(6, 6);
    CBlock* upper = Place<CBlock>(puzzle, 3, 1);
    Place<CBlock>(puzzle, 3, 2);
    CBlock* nearer = Place<CBlock>(puzzle, 2.5f, 3);
    float gap = 0;
    // A strip two rows high from x 1 to 5 looking east: both blocks at x 3 have gap 2, upper visited first.
    EXPECT_EQ(puzzle.GetGrid().FindNearestInStrip(CRectF(1, 1, 5, 3), DirectionWest, gap), upper);
    EXPECT_EQ(gap, 2.0f);
    EXPECT_EQ(puzzle.GetGrid().FindNearestInStrip(CRectF(1, 1, 5, 4), DirectionWest, gap), nearer);
    EXPECT_EQ(gap, 1.5f);
    EXPECT_EQ(puzzle.GetGrid().FindNearestInStrip(CRectF(0, 4, 6, 5), DirectionWest, gap), nullptr);
}

TEST(BlockGrid, FindNearestInStripPassesThroughFlattenedNeighbours)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(6, 6);
    CBlock* target = Place<CBlock>(puzzle, 3, 1);
    CBlock* flat = Place<CBlock>(puzzle, 3, 1, 0, 1);
    target->SetNeighbour(DirectionWest, flat);
    float gap = 0;
    EXPECT_EQ(puzzle.GetGrid().FindNearestInStrip(CRectF(1, 1, 5, 2), DirectionWest, gap), flat);
    EXPECT_EQ(gap, 2.0f);
}

TEST(BlockGrid, LinksOfADamagedFileStayMutualSoNoRingOfFlattenedBlocksForms)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(6, 6);
    CBlock* target = Place<CBlock>(puzzle, 3, 1);
    CBlock* flatA = Place<CBlock>(puzzle, 3, 1, 0, 1);
    CBlock* flatB = Place<CBlock>(puzzle, 3, 1, 0, 1);
    // A file that names flatA as the west neighbour of both target and flatB: the later link replaces
    // the earlier one on both sides.
    target->SetNeighbour(DirectionWest, flatA);
    flatA->SetNeighbour(DirectionWest, flatB);
    flatB->SetNeighbour(DirectionWest, flatA);
    for (CBlock* block : puzzle.GetBlocks())
    {
        for (BlockDirection d : {DirectionNorth, DirectionSouth, DirectionWest, DirectionEast})
        {
            if (CBlock* n = block->GetNeighbour(d))
            {
                EXPECT_EQ(n->GetNeighbour(OppositeDirection(d)), block);
            }
        }
    }
    EXPECT_EQ(target->GetNeighbour(DirectionWest), nullptr);
    float gap = 0;
    EXPECT_EQ(puzzle.GetGrid().FindNearestInStrip(CRectF(1, 1, 5, 2), DirectionWest, gap), target);
}

TEST(Block, LinksAreMutualAndFixTheCrossingAxis)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(6, 6);
    CBlock* west = Place<CBlock>(puzzle, 1, 1);
    CBlock* east = Place<CBlock>(puzzle, 2, 1);
    CBlock* south = Place<CBlock>(puzzle, 2, 2);
    CBlock* alone = Place<CBlock>(puzzle, 4, 4);
    west->SetNeighbour(DirectionEast, east);
    EXPECT_EQ(east->GetNeighbour(DirectionWest), west);
    EXPECT_FALSE(west->CanMoveY());
    EXPECT_FALSE(east->CanMoveY());
    EXPECT_TRUE(west->CanMoveX());
    EXPECT_TRUE(east->CanMoveX());

    south->SetNeighbour(DirectionNorth, east);
    EXPECT_EQ(east->GetNeighbour(DirectionSouth), south);
    EXPECT_FALSE(south->CanMoveX());
    EXPECT_FALSE(east->CanMoveX());
    EXPECT_TRUE(south->CanMoveY());

    Boards::RebuildAllLinks(puzzle);
    EXPECT_EQ(west->GetLinkSet().size(), 3u);
    EXPECT_TRUE(west->IsConnectedTo(south->GetId()));
    EXPECT_TRUE(south->IsConnectedTo(west->GetId()));
    EXPECT_FALSE(west->IsConnectedTo(alone->GetId()));
    EXPECT_EQ(alone->GetLinkSet(), std::vector<CBlock*>{alone});

    east->ClearNeighbour(DirectionSouth);
    EXPECT_EQ(south->GetNeighbour(DirectionNorth), nullptr);
    EXPECT_FALSE(south->CanMoveX()); // flags stay as the link left them

    // A block positioned (so listed in the grid) but never added: its destructor unlinks both sides and
    // leaves the grid.
    CBlock* loose = new CBlock(&puzzle);
    loose->MoveTo(CRectF(0, 1, 1, 2));
    loose->SetNeighbour(DirectionEast, west);
    EXPECT_TRUE(puzzle.GetGrid().CellContains(0, 1, loose));
    delete loose;
    EXPECT_EQ(west->GetNeighbour(DirectionWest), nullptr);
    EXPECT_FALSE(puzzle.GetGrid().CellContains(0, 1, loose));
}
