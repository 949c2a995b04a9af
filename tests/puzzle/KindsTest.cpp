#include "Boards.h"

#include "puzzle/BridgeBlock.h"
#include "puzzle/LevelSolvedTriggerBlock.h"
#include "puzzle/MagnetBlock.h"
#include "puzzle/ObstacleBlock.h"
#include "puzzle/PlayerBlock.h"
#include "puzzle/WallBlock.h"

#include <gtest/gtest.h>

#include <memory>

using BaseLib::CRectF;
using Boards::Drag;
using Boards::Place;
using Boards::StepUntilRest;

TEST(Kinds, TableOfKinds)
{
    CPuzzle puzzle;
    struct Case
    {
        std::unique_ptr<CBlock> block;
        int32_t kind;
        const char* name;
        bool solid, moveX, moveY, movable, grabbable;
    };
    Case cases[] = {
        {std::make_unique<CBlock>(&puzzle), 0, "normal", true, true, true, true, true},
        {std::make_unique<CPlayerBlock>(&puzzle), 1, "player", true, true, true, true, true},
        {std::make_unique<CWallBlock>(&puzzle), 2, "wall", true, false, false, false, false},
        {std::make_unique<CLevelSolvedTriggerBlock>(&puzzle), 3, "levelsolvedtrigger", false, true, true,
         false, false},
        {std::make_unique<CObstacleBlock>(&puzzle), 4, "obstacle", true, false, false, true, false},
        {std::make_unique<CMagnetBlock>(&puzzle, 0), 6, "magnet_pulling", true, true, true, true, true},
        {std::make_unique<CMagnetBlock>(&puzzle, 1), 6, "magnet_pushing", true, true, true, true, true},
        {std::make_unique<CMagnetBlock>(&puzzle, 7), 6, "magnet_pulling", true, true, true, true, true},
        {std::make_unique<CBridgeBlock>(&puzzle), 8, "bridge", false, true, true, true, false},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.block->GetKind(), c.kind) << c.name;
        EXPECT_STREQ(c.block->GetTypeName(), c.name);
        EXPECT_EQ(c.block->IsSolid(), c.solid) << c.name;
        EXPECT_EQ(c.block->CanMoveX(), c.moveX) << c.name;
        EXPECT_EQ(c.block->CanMoveY(), c.moveY) << c.name;
        EXPECT_EQ(c.block->IsMovable(), c.movable) << c.name;
        EXPECT_EQ(c.block->IsShown(), c.movable) << c.name;
        EXPECT_EQ(c.block->IsGrabbable(), c.grabbable) << c.name;
    }
}

TEST(Kinds, WallAndObstacleStopADragAtTheirFace)
{
    for (bool obstacle : {false, true})
    {
        CPuzzle puzzle;
        puzzle.ResizeBoard(6, 3);
        CBlock* block = Place<CBlock>(puzzle, 0, 1);
        CBlock* plain = Place<CBlock>(puzzle, 2, 1);
        CBlock* stop = obstacle ? static_cast<CBlock*>(Place<CObstacleBlock>(puzzle, 4, 1))
                                : static_cast<CBlock*>(Place<CWallBlock>(puzzle, 4, 1));
        puzzle.TakeStartSnapshot();
        Drag(puzzle, block, 5, 1);
        EXPECT_EQ(block->GetRect().left, 2.0f) << obstacle;
        EXPECT_EQ(plain->GetRect().left, 3.0f) << obstacle;
        EXPECT_EQ(stop->GetRect(), CRectF(4, 1, 5, 2)) << obstacle;
        // Pushed directly, neither moves.
        EXPECT_EQ(stop->Move(DirectionWest, 1.0f, 1000), 0.0f);
    }
}

TEST(Kinds, BlocksPassOverBridgesAndBridgesStopAtEachOther)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(8, 3);
    CBlock* block = Place<CBlock>(puzzle, 0, 0);
    CBridgeBlock* bridge = Place<CBridgeBlock>(puzzle, 2, 0);
    CBridgeBlock* pushed = Place<CBridgeBlock>(puzzle, 0, 2);
    CBridgeBlock* other = Place<CBridgeBlock>(puzzle, 4.5f, 2);
    CBlock* plain = Place<CBlock>(puzzle, 2, 2);
    puzzle.TakeStartSnapshot();
    Drag(puzzle, block, 2, 0);
    EXPECT_EQ(block->GetRect(), bridge->GetRect());
    // A bridge moved toward another stops touching it, passing over the plain block on its way.
    EXPECT_EQ(pushed->Move(DirectionEast, 5.0f, 1000), 3.5f);
    EXPECT_EQ(pushed->GetRect().right, other->GetRect().left);
    EXPECT_EQ(plain->GetRect().left, 2.0f);
    EXPECT_TRUE(puzzle.GetGrid().CheckConsistency());
}

TEST(Kinds, PullingMagnetsInOneColumnMeetInStepsOfAQuarterLessASixteenth)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(6, 6);
    CMagnetBlock* upper = Place<CMagnetBlock>(puzzle, 2, 0, 1, 1, 0);
    CMagnetBlock* lower = Place<CMagnetBlock>(puzzle, 2, 3, 1, 1, 0);
    puzzle.TakeStartSnapshot();
    float upperTop = 0.0f;
    float lowerTop = 3.0f;
    for (int step = 0; step < 10; ++step)
    {
        puzzle.Update(0.0);
        EXPECT_LE(upper->GetRect().top - upperTop, 0.1875f);
        EXPECT_LE(lowerTop - lower->GetRect().top, 0.1875f);
        EXPECT_GE(upper->GetRect().top, upperTop);
        EXPECT_LE(lower->GetRect().top, lowerTop);
        upperTop = upper->GetRect().top;
        lowerTop = lower->GetRect().top;
    }
    EXPECT_FALSE(puzzle.IsMoving());
    EXPECT_EQ(upper->GetRect().top, 1.0625f);
    EXPECT_EQ(lower->GetRect().top, 2.0625f);
    EXPECT_EQ(upper->GetRect().bottom, lower->GetRect().top);
}

TEST(Kinds, FreePullingMagnetsInOneRowDoNotMove)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(6, 6);
    CMagnetBlock* west = Place<CMagnetBlock>(puzzle, 0, 2, 1, 1, 0);
    CMagnetBlock* east = Place<CMagnetBlock>(puzzle, 3, 2, 1, 1, 0);
    puzzle.TakeStartSnapshot();
    for (int step = 0; step < 20; ++step)
    {
        puzzle.Update(0.0);
    }
    EXPECT_EQ(west->GetRect(), CRectF(0, 2, 1, 3));
    EXPECT_EQ(east->GetRect(), CRectF(3, 2, 4, 3));
}

TEST(Kinds, MagnetsConfinedToTheirRowPullAlongIt)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(8, 6);
    CMagnetBlock* west = Place<CMagnetBlock>(puzzle, 0, 2, 1, 1, 0);
    CMagnetBlock* east = Place<CMagnetBlock>(puzzle, 4, 2, 1, 1, 0);
    // A west-east link to a bridge keeps each magnet on its row.
    west->SetNeighbour(DirectionWest, Place<CBridgeBlock>(puzzle, -1, 2));
    east->SetNeighbour(DirectionEast, Place<CBridgeBlock>(puzzle, 5, 2));
    puzzle.TakeStartSnapshot();
    EXPECT_TRUE(StepUntilRest(puzzle, 200, 0.02)) << "the board did not come to rest";
    EXPECT_EQ(west->GetRect().right, east->GetRect().left);
}

TEST(Kinds, PushingMagnetsInOneColumnPartUntilStopped)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(6, 6);
    Place<CWallBlock>(puzzle, 2, 0);
    CMagnetBlock* upper = Place<CMagnetBlock>(puzzle, 2, 2, 1, 1, 1);
    CMagnetBlock* lower = Place<CMagnetBlock>(puzzle, 2, 3, 1, 1, 1);
    Place<CWallBlock>(puzzle, 2, 5);
    puzzle.TakeStartSnapshot();
    puzzle.Update(0.0);
    EXPECT_EQ(upper->GetRect().top, 2.0f - 0.1875f);
    EXPECT_EQ(lower->GetRect().top, 3.0f + 0.1875f);
    EXPECT_TRUE(StepUntilRest(puzzle, 200, 0.02)) << "the board did not come to rest";
    EXPECT_EQ(upper->GetRect().top, 1.0f);
    EXPECT_EQ(lower->GetRect().top, 4.0f);
}

TEST(Kinds, AMagnetHeldInBalanceGlidesToTheNearestCell)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(6, 7);
    CMagnetBlock* middle = Place<CMagnetBlock>(puzzle, 2, 2.5f, 1, 1, 0);
    // The partners are fixed to their rows by west-east links to walls, so only the middle one moves.
    CMagnetBlock* above = Place<CMagnetBlock>(puzzle, 2, 0, 1, 1, 0);
    above->SetNeighbour(DirectionWest, Place<CWallBlock>(puzzle, 1, 0));
    CMagnetBlock* below = Place<CMagnetBlock>(puzzle, 2, 5, 1, 1, 0);
    below->SetNeighbour(DirectionWest, Place<CWallBlock>(puzzle, 1, 5));
    puzzle.TakeStartSnapshot();
    BlockDirection direction = DirectionNone;
    float distance = 0;
    EXPECT_FALSE(middle->FindPull(direction, distance));
    puzzle.Update(0.0);
    EXPECT_EQ(middle->GetRect().top, 2.6875f);
    EXPECT_TRUE(StepUntilRest(puzzle, 200, 0.02)) << "the board did not come to rest";
    EXPECT_EQ(middle->GetRect().top, 3.0f);
    EXPECT_EQ(above->GetRect().top, 0.0f);
    EXPECT_EQ(below->GetRect().top, 5.0f);
}

TEST(Kinds, APulledMagnetIsNotPushedAwayFromItsPartnerByWeakMoves)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(6, 6);
    CMagnetBlock* upper = Place<CMagnetBlock>(puzzle, 2, 0, 1, 1, 0);
    CMagnetBlock* lower = Place<CMagnetBlock>(puzzle, 2, 1, 1, 1, 0);
    puzzle.TakeStartSnapshot();
    // The lower magnet is pulled north (gap 0): moves south of limit 10 or less are refused.
    EXPECT_EQ(lower->Move(DirectionSouth, 1.0f, 10), 0.0f);
    EXPECT_EQ(lower->Move(DirectionSouth, 1.0f, 11), 1.0f);
    EXPECT_EQ(upper->Move(DirectionNorth, 1.0f, 10), 0.0f);
    EXPECT_EQ(upper->Move(DirectionEast, 1.0f, 10), 1.0f);
}

TEST(Kinds, ExitsAreReachedOnlyExactlyAndWithNothingHeld)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(4, 4);
    CLevelSolvedTriggerBlock* east = Place<CLevelSolvedTriggerBlock>(puzzle, 4, 1);
    CLevelSolvedTriggerBlock* west = Place<CLevelSolvedTriggerBlock>(puzzle, -1, 2);
    CPlayerBlock* first = Place<CPlayerBlock>(puzzle, 4, 1);
    CPlayerBlock* second = Place<CPlayerBlock>(puzzle, -1 + 1.0f / 64, 2);
    CBlock* plain = Place<CBlock>(puzzle, 0, 0);
    puzzle.TakeStartSnapshot();
    EXPECT_TRUE(east->IsReached());
    EXPECT_FALSE(west->IsReached()); // 1/64 off
    east->Update(0.0);
    EXPECT_FALSE(puzzle.IsSolved());

    second->MoveTo(CRectF(-1, 2, 0, 3));
    puzzle.Update(0.0);
    EXPECT_TRUE(puzzle.IsSolved());

    puzzle.SelectBlock(plain->GetId());
    EXPECT_FALSE(east->IsReached());
    puzzle.ReleaseBlock(plain->GetId());
    // A block of another kind does not count.
    first->MoveTo(CRectF(0, 1, 1, 2));
    plain->MoveTo(CRectF(4, 1, 5, 2));
    EXPECT_FALSE(east->IsReached());
}
