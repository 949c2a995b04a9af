#include "Boards.h"

#include "puzzle/ColoredBlock.h"
#include "puzzle/FlexBlock.h"
#include "puzzle/LinkedBlock.h"
#include "puzzle/MagnetBlock.h"
#include "puzzle/WallBlock.h"

#include <gtest/gtest.h>

using BaseLib::CRectF;
using Boards::Drag;
using Boards::Place;
using Boards::StepUntilRest;

TEST(Flex, KindTable)
{
    CPuzzle puzzle;
    CFlexBlock strong(&puzzle, 0);
    CFlexBlock weak(&puzzle, 1);
    EXPECT_EQ(strong.GetKind(), 5);
    EXPECT_STREQ(strong.GetTypeName(), "flex");
    EXPECT_STREQ(weak.GetTypeName(), "weakflex");
    EXPECT_EQ(strong.GetStrength(), 5);
    EXPECT_EQ(weak.GetStrength(), 1);
    EXPECT_FALSE(strong.IsGrabbable());
    EXPECT_TRUE(strong.IsMovable());
    EXPECT_TRUE(strong.IsSolid());
    EXPECT_EQ(strong.GetGivableExtent(DirectionEast, 5), 0.0f);
    EXPECT_EQ(strong.GetGivableExtent(DirectionEast, 6), 1.0f);
    EXPECT_EQ(weak.GetGivableExtent(DirectionNorth, 2), 1.0f);
    EXPECT_EQ(weak.GetCompression(DirectionNorth), 0.0f);
}

TEST(Flex, ADragSqueezesItAgainstAWallAndItGrowsBackAfterRelease)
{
    for (int32_t weak : {0, 1})
    {
        CPuzzle puzzle;
        puzzle.ResizeBoard(6, 3);
        CBlock* pusher = Place<CBlock>(puzzle, 0, 1);
        CFlexBlock* flex = Place<CFlexBlock>(puzzle, 2, 1, 1, 1, weak);
        Place<CWallBlock>(puzzle, 3, 1);
        puzzle.TakeStartSnapshot();
        puzzle.SelectBlock(pusher->GetId());
        puzzle.DragBlock(pusher->GetId(), 2.5f, 1);
        // The drag goes on by the flexible block's thickness and no further.
        EXPECT_EQ(pusher->GetRect(), CRectF(2, 1, 3, 2)) << weak;
        EXPECT_EQ(flex->GetRect(), CRectF(3, 1, 3, 2)) << weak;
        puzzle.Update(0.0); // the held block is not pushed back
        EXPECT_EQ(flex->GetWidth(), 0.0f) << weak;
        puzzle.ReleaseBlock(pusher->GetId());

        auto springBack = [&] {
            for (int step = 0; step < 20; ++step)
            {
                const float width = flex->GetWidth();
                puzzle.Update(0.0);
                EXPECT_GE(flex->GetWidth(), width) << weak;
                EXPECT_LE(flex->GetWidth() - width, 2 * 0.1875f) << weak;
                EXPECT_LE(flex->GetWidth(), 1.0f) << weak;
            }
        };
        springBack();
        if (weak == 0)
        {
            // It pushes the released block away with its strength of 5.
            EXPECT_EQ(flex->GetRect(), CRectF(2, 1, 3, 2));
            EXPECT_EQ(pusher->GetRect(), CRectF(1, 1, 2, 2));
        }
        else
        {
            // Strength 1 pushes nothing: it grows only into free space.
            EXPECT_EQ(flex->GetRect(), CRectF(3, 1, 3, 2));
            Drag(puzzle, pusher, 1, 1);
            springBack();
            EXPECT_EQ(flex->GetRect(), CRectF(2, 1, 3, 2));
        }
        EXPECT_TRUE(puzzle.GetGrid().CheckConsistency());
    }
}

TEST(Flex, SpringBackSplitsTheGrowthBetweenTheSidesAtMostAGlideStepEach)
{
    struct Case
    {
        float left, width;
        CRectF grown;
    } cases[] = {
        {3, 0, {2.8125f, 1, 3.1875f, 2}},   // flattened: 0.1875 on each side
        {3, 0.75f, {2.875f, 1, 3.875f, 2}}, // g 0.25: half on each side
        {1, 0.5f, {1, 1, 1.6875f, 2}},      // west side blocked: the east side grows one step
    };
    for (const Case& c : cases)
    {
        CPuzzle puzzle;
        puzzle.ResizeBoard(6, 3);
        Place<CWallBlock>(puzzle, 0, 1);
        CFlexBlock* flex = Place<CFlexBlock>(puzzle, c.left, 1, c.width, 1, 0);
        puzzle.TakeStartSnapshot();
        flex->SpringBack(CFlexBlock::AxisHorizontal, 1.0f - c.width);
        EXPECT_EQ(flex->GetRect(), c.grown) << c.left << " " << c.width;
        EXPECT_FALSE(flex->IsSpringing());
    }
}

TEST(Flex, SqueezedOnlyByMovesAboveItsStrength)
{
    struct Case
    {
        int32_t weak, limit;
        bool squeezed;
    } cases[] = {{0, 1, false}, {0, 5, false}, {0, 6, true}, {1, 1, false}, {1, 2, true}, {1, 10, true}};
    for (const Case& c : cases)
    {
        CPuzzle puzzle;
        puzzle.ResizeBoard(6, 3);
        CBlock* pusher = Place<CBlock>(puzzle, 1, 1);
        CFlexBlock* flex = Place<CFlexBlock>(puzzle, 2, 1, 1, 1, c.weak);
        Place<CWallBlock>(puzzle, 3, 1);
        puzzle.TakeStartSnapshot();
        EXPECT_EQ(pusher->Move(DirectionEast, 0.5f, c.limit), c.squeezed ? 0.5f : 0.0f)
            << c.weak << " " << c.limit;
        EXPECT_EQ(flex->GetWidth(), c.squeezed ? 0.5f : 1.0f) << c.weak << " " << c.limit;
    }
}

TEST(Flex, PullingMagnetsInAColumnFlattenItButItDoesNotSpringBackAgainstThem)
{
    for (int32_t weak : {0, 1})
    {
        CPuzzle puzzle;
        puzzle.ResizeBoard(6, 6);
        CMagnetBlock* upper = Place<CMagnetBlock>(puzzle, 2, 0, 1, 1, 0);
        CFlexBlock* flex = Place<CFlexBlock>(puzzle, 2, 1, 1, 1, weak);
        CMagnetBlock* lower = Place<CMagnetBlock>(puzzle, 2, 2, 1, 1, 0);
        puzzle.TakeStartSnapshot();
        EXPECT_TRUE(StepUntilRest(puzzle, 300)) << "the board did not come to rest";
        EXPECT_EQ(flex->GetHeight(), 0.0f) << weak;
        EXPECT_EQ(upper->GetRect().bottom, lower->GetRect().top) << weak;
        EXPECT_EQ(flex->GetRect().top, upper->GetRect().bottom) << weak;
    }
}

TEST(Flex, AFlattenedBlockPassesAPushOnToTheBlockBehindIt)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(8, 3);
    CBlock* pusher = Place<CBlock>(puzzle, 0, 1);
    CFlexBlock* flex = Place<CFlexBlock>(puzzle, 2, 1, 0, 1, 0);
    CBlock* behind = Place<CBlock>(puzzle, 2, 1);
    behind->SetNeighbour(DirectionWest, flex);
    puzzle.TakeStartSnapshot();
    EXPECT_EQ(pusher->Move(DirectionEast, 3.0f, 1000), 3.0f);
    EXPECT_EQ(pusher->GetRect().left, 3.0f);
    EXPECT_EQ(flex->GetRect(), CRectF(4, 1, 4, 2));
    EXPECT_EQ(behind->GetRect(), CRectF(4, 1, 5, 2));
}

TEST(Flex, ASqueezedLinkedBlockStretchesWhenTheBlockInFrontMovesAway)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(8, 3);
    CWallBlock* wall = Place<CWallBlock>(puzzle, 0, 1);
    CFlexBlock* flex = Place<CFlexBlock>(puzzle, 1, 1, 0.5f, 1, 0);
    CBlock* front = Place<CBlock>(puzzle, 1.5f, 1);
    flex->SetNeighbour(DirectionWest, wall);
    front->SetNeighbour(DirectionWest, flex);
    puzzle.TakeStartSnapshot();
    // The front block goes no further than the flexible block can follow.
    EXPECT_EQ(front->Move(DirectionEast, 2.0f, 1000), 0.5f);
    EXPECT_EQ(flex->GetRect(), CRectF(1, 1, 2, 2));
    EXPECT_EQ(front->GetRect(), CRectF(2, 1, 3, 2));
}

TEST(Linked, AMemberConfinedToXMovesEastWhenTheGroupMovesNorth)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(6, 6);
    CLinkedBlock* free = Place<CLinkedBlock>(puzzle, 1, 3);
    CLinkedBlock* confined = Place<CLinkedBlock>(puzzle, 1, 1);
    CBlock* partner = Place<CBlock>(puzzle, 0, 1);
    confined->SetNeighbour(DirectionWest, partner);
    puzzle.TakeStartSnapshot();
    EXPECT_EQ(CLinkedBlock::MapDirection(confined, DirectionNorth), DirectionEast);
    EXPECT_EQ(CLinkedBlock::MapDirection(confined, DirectionSouth), DirectionWest);
    EXPECT_EQ(CLinkedBlock::MapDirection(free, DirectionNorth), DirectionNorth);
    ASSERT_EQ(free->GetGroup().size(), 2u);
    EXPECT_EQ(free->GetGroup()[0], free);

    Drag(puzzle, free, 1, 2);
    EXPECT_EQ(free->GetRect(), CRectF(1, 2, 2, 3));
    EXPECT_EQ(confined->GetRect(), CRectF(2, 1, 3, 2));
    EXPECT_EQ(partner->GetRect(), CRectF(1, 1, 2, 2));
}

TEST(Linked, AGroupMovesAtMostOneCellPerMove)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(8, 4);
    CLinkedBlock* first = Place<CLinkedBlock>(puzzle, 0, 0);
    CLinkedBlock* second = Place<CLinkedBlock>(puzzle, 2, 2);
    puzzle.TakeStartSnapshot();
    Drag(puzzle, first, 2.5f, 0);
    EXPECT_EQ(first->GetRect().left, 1.0f);
    EXPECT_EQ(second->GetRect().left, 3.0f);
    Drag(puzzle, first, 2.5f, 0);
    EXPECT_EQ(first->GetRect().left, 2.0f);
    EXPECT_EQ(second->GetRect().left, 4.0f);
}

TEST(Linked, AGroupMovesOnlyAsFarAsEveryProbeAccepts)
{
    struct Case
    {
        float wallLeft;
        float firstLeft, secondLeft;
    } cases[] = {
        {4.0f, 1.0f, 3.0f}, // the probe to the next whole cell succeeds
        {3.5f, 0.0f, 2.0f}, // it fails at once: nothing moves
    };
    for (const Case& c : cases)
    {
        CPuzzle puzzle;
        puzzle.ResizeBoard(8, 4);
        CLinkedBlock* first = Place<CLinkedBlock>(puzzle, 0, 0);
        CLinkedBlock* second = Place<CLinkedBlock>(puzzle, 2, 2);
        Place<CWallBlock>(puzzle, c.wallLeft, 2);
        puzzle.TakeStartSnapshot();
        Drag(puzzle, first, 1, 0);
        EXPECT_EQ(first->GetRect().left, c.firstLeft) << c.wallLeft;
        EXPECT_EQ(second->GetRect().left, c.secondLeft) << c.wallLeft;
    }
}

TEST(Linked, AGroupStartedBetweenCellsProbesUpToTheNextWholeCellFirst)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(8, 4);
    CLinkedBlock* first = Place<CLinkedBlock>(puzzle, 0.5f, 0);
    CLinkedBlock* second = Place<CLinkedBlock>(puzzle, 2, 2);
    Place<CWallBlock>(puzzle, 3.5f, 2);
    puzzle.TakeStartSnapshot();
    puzzle.SelectBlock(first->GetId());
    EXPECT_EQ(first->Move(DirectionEast, 1.0f, 1000), 0.5f);
    EXPECT_EQ(second->GetRect().left, 2.5f);
}

TEST(Linked, AGroupStartedWestOrNorthOfTheBoardProbesFromItsNextWholeCell)
{
    // Half a cell outside the board the next whole cell is 0.5 away: the probes run at 0.5, 1.0 and 1.5,
    // and the group moves one cell.
    struct Case
    {
        float left, top;
        BlockDirection d;
        CRectF first, second;
    } cases[] = {
        {-0.5f, 0, DirectionEast, {0.5f, 0, 1.5f, 1}, {3, 2, 4, 3}},
        {0, -0.5f, DirectionSouth, {0, 0.5f, 1, 1.5f}, {2, 3, 3, 4}},
    };
    for (const Case& c : cases)
    {
        CPuzzle puzzle;
        puzzle.ResizeBoard(8, 8);
        CLinkedBlock* first = Place<CLinkedBlock>(puzzle, c.left, c.top);
        CLinkedBlock* second = Place<CLinkedBlock>(puzzle, 2, 2);
        puzzle.TakeStartSnapshot();
        puzzle.SelectBlock(first->GetId());
        EXPECT_EQ(first->Move(c.d, 2.0f, 1000), 1.0f) << c.d;
        EXPECT_EQ(first->GetRect(), c.first) << c.d;
        EXPECT_EQ(second->GetRect(), c.second) << c.d;
    }
}

TEST(Colored, KindAndNames)
{
    CPuzzle puzzle;
    const char* names[] = {"colored_red",   "colored_yellow", "colored_blue",  "colored_green",
                           "colored_black", "colored_white",  "colored_orange"};
    for (int32_t colour = 0; colour < 7; ++colour)
    {
        CColoredBlock block(&puzzle, colour);
        EXPECT_STREQ(block.GetTypeName(), names[colour]);
        EXPECT_EQ(block.GetKind(), 9);
        EXPECT_TRUE(block.IsGrabbable());
    }
    EXPECT_STREQ(CColoredBlock(&puzzle, 7).GetTypeName(), "colored_black");
    EXPECT_STREQ(CColoredBlock(&puzzle, -1).GetTypeName(), "colored_black");
}

TEST(Colored, HeldWhereItSticksOutOfTheBoardAndPlainInside)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(6, 6);
    CColoredBlock* out = Place<CColoredBlock>(puzzle, -0.5f, 2, 1, 1, 2);
    CColoredBlock* inside = Place<CColoredBlock>(puzzle, 2, 4, 1, 1, 0);
    CBlock* pusher = Place<CBlock>(puzzle, 1, 2);
    CBlock* plain = Place<CBlock>(puzzle, 4, 4);
    puzzle.TakeStartSnapshot();
    for (BlockDirection d : {DirectionNorth, DirectionSouth, DirectionWest, DirectionEast})
    {
        EXPECT_EQ(out->Move(d, 1.0f, 1000), 0.0f) << d;
    }
    // A block pushing one that sticks out stops at it.
    EXPECT_EQ(pusher->Move(DirectionWest, 1.0f, 1000), 0.5f);
    EXPECT_EQ(out->GetRect(), CRectF(-0.5f, 2, 0.5f, 3));
    // Only a push of 2000 or more, which no caller makes, moves it inward.
    EXPECT_EQ(out->Move(DirectionEast, 1.0f, 2000), 1.0f);

    Drag(puzzle, inside, 3, 4);
    EXPECT_EQ(inside->GetRect(), CRectF(3, 4, 4, 5));
    EXPECT_EQ(plain->GetRect(), CRectF(4, 4, 5, 5));
    EXPECT_EQ(plain->Move(DirectionWest, 1.0f, 1000), 1.0f);
    EXPECT_EQ(inside->GetRect(), CRectF(2, 4, 3, 5));
}
