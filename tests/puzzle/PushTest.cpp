#include "Boards.h"

#include "puzzle/WallBlock.h"

#include <gtest/gtest.h>

using BaseLib::CRectF;
using Boards::Place;

namespace
{

// A block that others pass over (what bridges and exits are to the push rule).
class PassableBlock : public CBlock
{
public:
    explicit PassableBlock(CPuzzle* puzzle) : CBlock(puzzle) { SetSolid(false); }
};

// One row: a mover at 0-1, a plain block at 2-3 and a wall at 4-5.
struct RowBoard
{
    CPuzzle puzzle;
    CBlock* mover;
    CBlock* plain;
    CWallBlock* wall;

    RowBoard()
    {
        puzzle.ResizeBoard(8, 3);
        mover = Place<CBlock>(puzzle, 0, 1);
        plain = Place<CBlock>(puzzle, 2, 1);
        wall = Place<CWallBlock>(puzzle, 4, 1);
        Boards::RebuildAllLinks(puzzle);
    }
};

} // namespace

TEST(Push, ChainsStopAtTheWallAndEveryBlockMovesTheSameDistance)
{
    struct Case
    {
        const char* name;
        float distance;
        int32_t limit;
        float moved, moverLeft, plainLeft;
    } cases[] = {
        {"drag pushes the plain block to the wall", 2.5f, 1000, 2.0f, 2.0f, 3.0f},
        {"a glide pushes nothing", 2.5f, 1, 1.0f, 1.0f, 2.0f},
        {"limit 2 pushes", 2.5f, 2, 2.0f, 2.0f, 3.0f},
        {"limit 0 moves nothing", 2.5f, 0, 0.0f, 0.0f, 2.0f},
        {"a distance of 0.01 quantises to 0", 0.01f, 1000, 0.0f, 0.0f, 2.0f},
        {"a negative distance moves nothing", -1.0f, 1000, 0.0f, 0.0f, 2.0f},
        {"a short push on 1/64", 1.3f, 1000, 1.296875f, 1.296875f, 2.296875f},
    };
    for (const Case& c : cases)
    {
        RowBoard board;
        EXPECT_EQ(board.mover->Move(DirectionEast, c.distance, c.limit), c.moved) << c.name;
        EXPECT_EQ(board.mover->GetRect().left, c.moverLeft) << c.name;
        EXPECT_EQ(board.plain->GetRect().left, c.plainLeft) << c.name;
        EXPECT_EQ(board.wall->GetRect(), CRectF(4, 1, 5, 2)) << c.name;
        EXPECT_TRUE(board.puzzle.GetGrid().CheckConsistency()) << c.name;
    }
}

TEST(Push, TheHeldPieceIsNeverPushed)
{
    RowBoard board;
    board.puzzle.SelectBlock(board.plain->GetId());
    EXPECT_EQ(board.mover->Move(DirectionEast, 2.5f, 1000), 1.0f);
    EXPECT_EQ(board.plain->GetRect().left, 2.0f);

    // The held block itself moves with 1000 but not below.
    EXPECT_EQ(board.plain->Move(DirectionEast, 1.0f, 999), 0.0f);
    EXPECT_EQ(board.plain->Move(DirectionEast, 1.0f, 1000), 1.0f);
}

TEST(Push, AHeldPiecesPartnerIsNotPushedEither)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(8, 3);
    CBlock* mover = Place<CBlock>(puzzle, 0, 1);
    CBlock* front = Place<CBlock>(puzzle, 2, 1);
    CBlock* held = Place<CBlock>(puzzle, 3, 1);
    front->SetNeighbour(DirectionEast, held);
    Boards::RebuildAllLinks(puzzle);
    puzzle.SelectBlock(held->GetId());
    EXPECT_EQ(mover->Move(DirectionEast, 3.0f, 1000), 1.0f);
    EXPECT_EQ(front->GetRect().left, 2.0f);
}

TEST(Push, LinkedBlocksMoveTogetherAndPushTogether)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(8, 3);
    CBlock* west = Place<CBlock>(puzzle, 0, 1);
    CBlock* east = Place<CBlock>(puzzle, 1, 1);
    CBlock* plain = Place<CBlock>(puzzle, 3, 1);
    Place<CWallBlock>(puzzle, 6, 1);
    west->SetNeighbour(DirectionEast, east);
    Boards::RebuildAllLinks(puzzle);

    EXPECT_EQ(west->Move(DirectionEast, 1.0f, 1000), 1.0f);
    EXPECT_EQ(west->GetRect().left, 1.0f);
    EXPECT_EQ(east->GetRect().left, 2.0f);
    // Asked from the east block, the west one comes along as its back neighbour.
    EXPECT_EQ(east->Move(DirectionEast, 5.0f, 1000), 2.0f);
    EXPECT_EQ(west->GetRect().left, 3.0f);
    EXPECT_EQ(east->GetRect().left, 4.0f);
    EXPECT_EQ(plain->GetRect().left, 5.0f);
    // Linked west-east, neither may move along y.
    EXPECT_EQ(west->Move(DirectionSouth, 1.0f, 1000), 0.0f);
    EXPECT_TRUE(puzzle.GetGrid().CheckConsistency());
}

TEST(Push, BlocksThatAreNotSolidArePassedOver)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(8, 3);
    CBlock* mover = Place<CBlock>(puzzle, 0, 1);
    CBlock* passable = Place<PassableBlock>(puzzle, 2, 1);
    CBlock* plain = Place<CBlock>(puzzle, 4, 1);
    Boards::RebuildAllLinks(puzzle);
    EXPECT_EQ(mover->Move(DirectionEast, 3.0f, 1000), 3.0f);
    EXPECT_EQ(mover->GetRect().left, 3.0f);
    EXPECT_EQ(passable->GetRect().left, 2.0f);
    EXPECT_EQ(plain->GetRect().left, 4.0f);
    // A passable block makes no strip test of its own: it goes over the plain block.
    EXPECT_EQ(passable->Move(DirectionEast, 3.0f, 1000), 3.0f);
    EXPECT_EQ(plain->GetRect().left, 4.0f);
}

TEST(Push, AStripReachingBeyondTheRingFindsBlocksInTheOutsideCell)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(4, 1);
    CBlock* mover = Place<CBlock>(puzzle, 2, 0);
    CWallBlock* far = Place<CWallBlock>(puzzle, 6, 0);
    ASSERT_TRUE(puzzle.GetGrid().OutsideCellContains(DirectionEast, far));
    Boards::RebuildAllLinks(puzzle);
    EXPECT_EQ(mover->Move(DirectionEast, 10.0f, 1000), 3.0f);
    EXPECT_EQ(mover->GetRect().left, 5.0f);
    EXPECT_TRUE(puzzle.GetGrid().OutsideCellContains(DirectionEast, mover));
    EXPECT_TRUE(puzzle.GetGrid().CheckConsistency());
}

TEST(Push, ABlockBetweenRowsPushesWhatItMeetsInBothRows)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(8, 5);
    CBlock* mover = Place<CBlock>(puzzle, 0, 1.5f);
    CBlock* upper = Place<CBlock>(puzzle, 1.5f, 1); // gap 0.5 in row 1
    CBlock* lower = Place<CBlock>(puzzle, 2, 2);    // gap 1.0 in row 2
    Boards::RebuildAllLinks(puzzle);
    EXPECT_EQ(mover->Move(DirectionEast, 2.0f, 1000), 2.0f);
    EXPECT_EQ(mover->GetRect(), CRectF(2, 1.5f, 3, 2.5f));
    EXPECT_EQ(upper->GetRect(), CRectF(3, 1, 4, 2));
    EXPECT_EQ(lower->GetRect(), CRectF(3, 2, 4, 3));
    EXPECT_FALSE(mover->GetRect().Intersects(lower->GetRect()));
    EXPECT_TRUE(puzzle.GetGrid().CheckConsistency());
}

TEST(Push, ABlockBetweenRowsStopsAtAWallInEitherRow)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(8, 5);
    CBlock* mover = Place<CBlock>(puzzle, 0, 1.5f);
    CBlock* upper = Place<CBlock>(puzzle, 1.5f, 1);
    Place<CWallBlock>(puzzle, 3, 2);
    Boards::RebuildAllLinks(puzzle);
    EXPECT_EQ(mover->Move(DirectionEast, 3.0f, 1000), 2.0f);
    // The upper block was first asked about 2.5; the second run records it with the chain's 1.5.
    EXPECT_EQ(mover->GetRect().left, 2.0f);
    EXPECT_EQ(upper->GetRect().left, 3.0f);
}

TEST(Glide, SnapsTowardTheNearerWholeCell)
{
    struct Case
    {
        const char* name;
        float left, top;
        std::vector<float> lefts; // left after each step
    } cases[] = {
        {"at 0.5 it glides east", 2.5f, 1, {2.6875f, 2.875f, 3.0f, 3.0f}},
        {"at 0.25 it glides west by 0.1875 then 0.0625", 2.25f, 1, {2.0625f, 2.0f, 2.0f}},
        {"at 2.3 as always", 147.0f / 64, 1, {2.109375f, 2.0f}},
        {"west of the board at -0.7 it reaches -1", -0.6875f, 1, {-0.875f, -1.0f, -1.0f}},
    };
    for (const Case& c : cases)
    {
        CPuzzle puzzle;
        puzzle.ResizeBoard(6, 3);
        CBlock* block = Place<CBlock>(puzzle, c.left, c.top);
        Boards::RebuildAllLinks(puzzle);
        for (float expected : c.lefts)
        {
            block->ClearMovedThisStep();
            block->Update(0.02);
            EXPECT_EQ(block->GetRect().left, expected) << c.name;
            EXPECT_EQ(block->GetRect().top, c.top) << c.name;
        }
        EXPECT_TRUE(puzzle.GetGrid().CheckConsistency()) << c.name;
    }
}

TEST(Glide, GlidesOnBothAxesXFirstAndStopsAtTheFirstBlock)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(6, 6);
    CBlock* block = Place<CBlock>(puzzle, 1.75f, 1.5f);
    CBlock* below = Place<CBlock>(puzzle, 2, 3);
    Boards::RebuildAllLinks(puzzle);
    block->ClearMovedThisStep();
    block->SnapToGrid(1);
    EXPECT_EQ(block->GetRect().left, 1.9375f);
    EXPECT_EQ(block->GetRect().top, 1.6875f);
    for (int i = 0; i < 5; ++i)
    {
        block->SnapToGrid(1);
    }
    EXPECT_EQ(block->GetRect(), CRectF(2, 2, 3, 3));
    EXPECT_EQ(below->GetRect(), CRectF(2, 3, 3, 4));
}

TEST(Glide, NoGlideForTheHeldPieceOrAPieceOnAWholeCellOrAMovedBlock)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(6, 6);
    CBlock* held = Place<CBlock>(puzzle, 0.5f, 0);
    CBlock* partner = Place<CBlock>(puzzle, 1.5f, 0);
    held->SetNeighbour(DirectionEast, partner);
    CBlock* whole = Place<CBlock>(puzzle, 3, 2);
    CBlock* between = Place<CBlock>(puzzle, 3, 3.5f, 1, 1);
    whole->SetNeighbour(DirectionSouth, between); // a piece that is partly on a whole cell
    CBlock* moved = Place<CBlock>(puzzle, 0.5f, 4);
    Boards::RebuildAllLinks(puzzle);
    puzzle.SelectBlock(held->GetId());
    for (CBlock* block : puzzle.GetBlocks())
    {
        block->ClearMovedThisStep();
    }
    partner->Update(0.02);
    held->Update(0.02);
    between->Update(0.02);
    moved->SetPosition(0.5f, 4.0f); // no change, flag stays clear
    moved->MoveTo(CRectF(0.5f, 4.5f, 1.5f, 5.5f));
    moved->Update(0.02);
    EXPECT_EQ(partner->GetRect().left, 1.5f);
    EXPECT_EQ(held->GetRect().left, 0.5f);
    EXPECT_EQ(between->GetRect().top, 3.5f);
    EXPECT_EQ(moved->GetRect().top, 4.5f);
}
