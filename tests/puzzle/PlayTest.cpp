#include "Boards.h"

#include "puzzle/LevelSolvedTriggerBlock.h"
#include "puzzle/PlayerBlock.h"
#include "puzzle/WallBlock.h"

#include <gtest/gtest.h>

using BaseLib::CRectF;
using Boards::Place;

namespace
{

// A puzzle whose par and shortest solution a test sets, as the loaders and editors do.
class TestPuzzle : public CPuzzle
{
public:
    void SetCounts(int32_t par, int32_t min)
    {
        m_parSolveMoves = par;
        m_minSolveMoves = min;
    }
    void SetMoveCount(int32_t count) { m_moveCount = count; }
};

// A 5 by 3 board with two plain blocks.
struct PlayBoard
{
    TestPuzzle puzzle;
    CBlock* a;
    CBlock* b;

    PlayBoard()
    {
        puzzle.ResizeBoard(5, 3);
        a = Place<CBlock>(puzzle, 0, 0);
        b = Place<CBlock>(puzzle, 4, 2);
        puzzle.TakeStartSnapshot();
    }

    void Rest() { EXPECT_TRUE(Boards::StepUntilRest(puzzle, 100, 0.02)) << "the board did not come to rest"; }

    // A whole move as the game makes it: select, drag, steps while held, release, steps until rest.
    void Play(CBlock* block, float x, float y)
    {
        puzzle.SelectBlock(block->GetId());
        puzzle.DragBlock(block->GetId(), x, y);
        puzzle.Update(0.02);
        puzzle.ReleaseBlock(block->GetId());
        Rest();
    }
};

} // namespace

TEST(Play, ADragMovesAlongXFirstThenAlongYByTheDifferenceMeasuredBefore)
{
    PlayBoard board;
    Place<CWallBlock>(board.puzzle, 0, 2); // would stop a move along y first
    board.puzzle.SelectBlock(board.a->GetId());
    board.puzzle.DragBlock(board.a->GetId(), 2, 2);
    EXPECT_EQ(board.a->GetRect(), CRectF(2, 2, 3, 3));

    // Only the held block is dragged.
    board.puzzle.DragBlock(board.b->GetId(), 0, 0);
    EXPECT_EQ(board.b->GetRect(), CRectF(4, 2, 5, 3));
    // Select while a block is held is ignored.
    board.puzzle.SelectBlock(board.b->GetId());
    EXPECT_EQ(board.puzzle.GetSelectedBlockId(), board.a->GetId());
}

TEST(Play, AMoveIsCountedWhenTheBoardRestsWithNothingHeld)
{
    PlayBoard board;
    board.puzzle.SelectBlock(board.a->GetId());
    board.puzzle.DragBlock(board.a->GetId(), 2, 0);
    board.puzzle.Update(0.02);
    EXPECT_EQ(board.puzzle.GetMoveCount(), 0);
    board.puzzle.ReleaseBlock(board.a->GetId());
    board.puzzle.Update(0.02);
    EXPECT_EQ(board.puzzle.GetMoveCount(), 1);
    ASSERT_EQ(board.puzzle.GetUndoHistory().size(), 1u);
    EXPECT_EQ(board.puzzle.GetUndoHistory().back().states[0].rect, CRectF(0, 0, 1, 1));
    EXPECT_EQ(board.puzzle.GetUndoHistory().back().moveCount, 0);
}

TEST(Play, MovingABlockBackTakesTheMoveBack)
{
    PlayBoard board;
    board.Play(board.b, 2, 2);
    board.Play(board.a, 2, 0);
    EXPECT_EQ(board.puzzle.GetMoveCount(), 2);
    board.Play(board.a, 0, 0);
    EXPECT_EQ(board.puzzle.GetMoveCount(), 1);
    EXPECT_EQ(board.puzzle.GetUndoHistory().size(), 1u);
    EXPECT_TRUE(board.puzzle.GetRedoHistory().empty());
}

TEST(Play, TheSameBlockDraggedTwiceInARowIsOneMove)
{
    PlayBoard board;
    board.Play(board.a, 2, 0);
    board.Play(board.a, 2, 1);
    EXPECT_EQ(board.puzzle.GetMoveCount(), 1);
    EXPECT_EQ(board.puzzle.GetUndoHistory().size(), 1u);
    board.puzzle.Undo();
    EXPECT_EQ(board.a->GetRect(), CRectF(0, 0, 1, 1));
}

TEST(Play, HistoriesKeepTheNewestThousandEntries)
{
    PlayBoard board;
    // Two blocks moving in turns, each between two cells: every move is a new one.
    for (int i = 0; i < 1001; ++i)
    {
        if (i % 2 == 0)
        {
            board.Play(board.a, 0, board.a->GetRect().top == 0.0f ? 1.0f : 0.0f);
        }
        else
        {
            board.Play(board.b, 4, board.b->GetRect().top == 2.0f ? 1.0f : 2.0f);
        }
    }
    EXPECT_EQ(board.puzzle.GetMoveCount(), 1001);
    EXPECT_EQ(board.puzzle.GetUndoHistory().size(), 1000u);
    int undos = 0;
    while (board.puzzle.CanUndo())
    {
        board.puzzle.Undo();
        ++undos;
    }
    EXPECT_EQ(undos, 1000);
    // The oldest entry (the first move) was dropped: the board stands as after it.
    EXPECT_EQ(board.puzzle.GetMoveCount(), 1);
    EXPECT_EQ(board.a->GetRect(), CRectF(0, 1, 1, 2));
    EXPECT_EQ(board.b->GetRect(), CRectF(4, 2, 5, 3));
    EXPECT_EQ(board.puzzle.GetRedoHistory().size(), 1000u);
}

TEST(Play, UndoAndRedoRestoreTheBoardAndTheCount)
{
    PlayBoard board;
    board.Play(board.a, 3, 0);
    board.Play(board.b, 4, 0);
    board.puzzle.Undo();
    EXPECT_EQ(board.b->GetRect(), CRectF(4, 2, 5, 3));
    EXPECT_EQ(board.puzzle.GetMoveCount(), 1);
    board.puzzle.Undo();
    EXPECT_EQ(board.a->GetRect(), CRectF(0, 0, 1, 1));
    EXPECT_EQ(board.puzzle.GetMoveCount(), 0);
    EXPECT_FALSE(board.puzzle.CanUndo());
    board.puzzle.Undo(); // ignored
    board.puzzle.Redo();
    board.puzzle.Redo();
    EXPECT_EQ(board.a->GetRect(), CRectF(3, 0, 4, 1));
    EXPECT_EQ(board.b->GetRect(), CRectF(4, 0, 5, 1));
    EXPECT_EQ(board.puzzle.GetMoveCount(), 2);
    EXPECT_EQ(board.puzzle.GetUndoHistory().size(), 2u);
    EXPECT_FALSE(board.puzzle.CanRedo());
    // A redone board is at rest: the next step commits nothing more.
    board.Rest();
    EXPECT_EQ(board.puzzle.GetMoveCount(), 2);
    EXPECT_TRUE(board.puzzle.GetGrid().CheckConsistency());
}

TEST(Play, RestartWithoutKeepingUndoEmptiesTheHistory)
{
    PlayBoard board;
    board.Play(board.a, 3, 0);
    board.Play(board.b, 4, 0);
    board.puzzle.Restart(false);
    EXPECT_EQ(board.a->GetRect(), CRectF(0, 0, 1, 1));
    EXPECT_EQ(board.b->GetRect(), CRectF(4, 2, 5, 3));
    EXPECT_EQ(board.puzzle.GetMoveCount(), 0);
    EXPECT_TRUE(board.puzzle.GetUndoHistory().empty());
    board.Rest();
    EXPECT_EQ(board.puzzle.GetMoveCount(), 0);

    // Keeping undo records the way back as one move.
    board.Play(board.a, 3, 0);
    board.puzzle.Restart(true);
    EXPECT_EQ(board.puzzle.GetMoveCount(), 0);
    EXPECT_EQ(board.puzzle.GetUndoHistory().size(), 2u);
    board.puzzle.Undo();
    EXPECT_EQ(board.a->GetRect(), CRectF(3, 0, 4, 1));
    EXPECT_EQ(board.puzzle.GetMoveCount(), 1);
}

TEST(Play, NothingCanBeUndoneOrSelectedWhileBlocksGlide)
{
    PlayBoard board;
    board.Play(board.b, 4, 0);
    board.puzzle.SelectBlock(board.a->GetId());
    board.puzzle.DragBlock(board.a->GetId(), 1.5f, 0);
    board.puzzle.ReleaseBlock(board.a->GetId());
    board.puzzle.Update(0.02);
    EXPECT_TRUE(board.puzzle.IsMoving());
    EXPECT_FALSE(board.puzzle.CanUndo());
    board.puzzle.SelectBlock(board.b->GetId());
    EXPECT_EQ(board.puzzle.GetSelectedBlockId(), -1);
    board.Rest();
    EXPECT_TRUE(board.puzzle.CanUndo());
    EXPECT_EQ(board.a->GetRect(), CRectF(2, 0, 3, 1));
}

// A block dragged part of the way rests between cells while held; restoring the other block's recorded
// place then would put it under the held one.
TEST(Play, UndoAndRedoAreIgnoredWhileABlockIsHeld)
{
    for (const bool redo : {false, true})
    {
        SCOPED_TRACE(redo ? "redo" : "undo");
        PlayBoard board;
        board.Play(board.b, 2, 2); // b leaves (4, 2) for (2, 2)
        if (redo)
        {
            board.puzzle.Undo(); // b back at (4, 2); a redo would put it at (2, 2) again
        }
        const CRectF bBefore = board.b->GetRect();
        const int32_t moves = board.puzzle.GetMoveCount();
        const size_t undoSize = board.puzzle.GetUndoHistory().size();
        const size_t redoSize = board.puzzle.GetRedoHistory().size();
        // a goes half over b's other place along row 0, then down, and stays there, held.
        const float x = redo ? 2.5f : 3.5f;
        board.puzzle.SelectBlock(board.a->GetId());
        board.puzzle.DragBlock(board.a->GetId(), x, 2.0f);
        board.puzzle.Update(0.02);
        ASSERT_EQ(board.a->GetRect(), CRectF(x, 2, x + 1.0f, 3));
        EXPECT_FALSE(board.puzzle.CanUndo());
        EXPECT_FALSE(board.puzzle.CanRedo());
        redo ? board.puzzle.Redo() : board.puzzle.Undo();
        EXPECT_EQ(board.b->GetRect(), bBefore);
        EXPECT_EQ(board.puzzle.GetMoveCount(), moves);
        EXPECT_EQ(board.puzzle.GetUndoHistory().size(), undoSize);
        EXPECT_EQ(board.puzzle.GetRedoHistory().size(), redoSize);

        board.puzzle.ReleaseBlock(board.a->GetId());
        board.Rest();
        EXPECT_FALSE(board.a->GetRect().Intersects(board.b->GetRect()));
        EXPECT_TRUE(board.puzzle.GetGrid().CheckConsistency());
        // Once let go, undo works again and takes back a's move.
        ASSERT_TRUE(board.puzzle.CanUndo());
        board.puzzle.Undo();
        EXPECT_EQ(board.a->GetRect(), CRectF(0, 0, 1, 1));
        EXPECT_EQ(board.b->GetRect(), bBefore);
    }
}

TEST(Play, RecordingOffCountsMovesWithoutHistory)
{
    PlayBoard board;
    board.puzzle.SetRecording(false);
    board.Play(board.a, 3, 0);
    board.Play(board.a, 0, 0);
    EXPECT_EQ(board.puzzle.GetMoveCount(), 2);
    EXPECT_TRUE(board.puzzle.GetUndoHistory().empty());
    EXPECT_FALSE(board.puzzle.CanUndo());
}

namespace
{

// Never comes to rest: moves 1/64 east in every step.
class RestlessBlock : public CBlock
{
public:
    using CBlock::CBlock;
    void Update(double) override { Move(DirectionEast, 1.0f / 64, 1000); }
};

} // namespace

TEST(Play, BlocksThatKeepMovingAreRevertedFromStep151OnEveryStep)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(10, 1);
    CBlock* restless = Place<RestlessBlock>(puzzle, 0, 0);
    puzzle.TakeStartSnapshot();
    for (int step = 1; step <= 150; ++step)
    {
        puzzle.Update(0.02);
    }
    EXPECT_EQ(restless->GetRect().left, 150.0f / 64);
    for (int step = 151; step <= 153; ++step)
    {
        puzzle.Update(0.02);
        EXPECT_EQ(restless->GetRect().left, 0.0f) << step;
    }
    EXPECT_EQ(puzzle.GetMoveCount(), 0);
}

TEST(Stars, LimitsAndStarsAgainstParOrShortestSolution)
{
    struct Case
    {
        int32_t par, min;
        int32_t limit3, limit2, limit1;
    } cases[] = {
        {4, -1, 4, 6, 8},     {0, 9, 9, 13, 18},   {16, 3, 18, 27, 36}, {-1, 25, 36, 54, 72},
        {-1, -1, -1, -1, -2}, {0, -3, -3, -4, -6}, {0, 0, 0, 0, 0},     {1, 1, 1, 1, 2},
    };
    for (const Case& c : cases)
    {
        TestPuzzle puzzle;
        puzzle.SetCounts(c.par, c.min);
        EXPECT_EQ(puzzle.GetMoveLimitForStars(3), c.limit3) << c.par << " " << c.min;
        EXPECT_EQ(puzzle.GetMoveLimitForStars(2), c.limit2) << c.par << " " << c.min;
        EXPECT_EQ(puzzle.GetMoveLimitForStars(1), c.limit1) << c.par << " " << c.min;
        EXPECT_EQ(puzzle.GetMoveLimitForStars(0), 2147483647);
        EXPECT_EQ(puzzle.GetMoveLimitForStars(4), 0);
    }

    struct StarCase
    {
        int32_t par, min, moves, stars;
    } stars[] = {{0, 9, 9, 3}, {0, 9, 13, 2}, {0, 9, 18, 1}, {0, 9, 19, 0}, {-1, -1, 1, 0}, {0, -3, 0, 0}};
    for (const StarCase& c : stars)
    {
        TestPuzzle puzzle;
        puzzle.SetCounts(c.par, c.min);
        puzzle.SetMoveCount(c.moves);
        EXPECT_EQ(puzzle.GetStars(), 0) << "unsolved";
        puzzle.SetSolved();
        EXPECT_EQ(puzzle.GetStars(), c.stars) << c.par << " " << c.min << " " << c.moves;
    }
}

TEST(Stars, HugeCountsStayDefined)
{
    TestPuzzle puzzle;
    puzzle.SetCounts(2147483647, -1);
    EXPECT_EQ(puzzle.GetMoveLimitForStars(3), 2147483647);
    EXPECT_EQ(puzzle.GetMoveLimitForStars(1), 2147483647);
    puzzle.SetCounts(0, -2147483647 - 1);
    EXPECT_EQ(puzzle.GetMoveLimitForStars(1), -2147483647 - 1);
}

TEST(Play, AHandMadePuzzleSolvedThroughCommands)
{
    TestPuzzle puzzle;
    puzzle.ResizeBoard(4, 3);
    for (int x = -1; x <= 4; ++x)
    {
        Place<CWallBlock>(puzzle, static_cast<float>(x), -1);
        Place<CWallBlock>(puzzle, static_cast<float>(x), 3);
    }
    for (int y = 0; y < 3; ++y)
    {
        Place<CWallBlock>(puzzle, -1, static_cast<float>(y));
        if (y != 1)
        {
            Place<CWallBlock>(puzzle, 4, static_cast<float>(y));
        }
    }
    Place<CLevelSolvedTriggerBlock>(puzzle, 4, 1);
    Place<CWallBlock>(puzzle, 5, 1);
    CPlayerBlock* player = Place<CPlayerBlock>(puzzle, 0, 0);
    CBlock* plain = Place<CBlock>(puzzle, 2, 1);
    puzzle.TakeStartSnapshot();
    puzzle.SetCounts(2, 2);
    const uint32_t change = puzzle.GetChangeNumber();

    auto play = [&](CBlock* block, float x, float y) {
        puzzle.SelectBlock(block->GetId());
        puzzle.DragBlock(block->GetId(), x, y);
        puzzle.Update(0.02);
        puzzle.ReleaseBlock(block->GetId());
        for (int i = 0; i < 50 && (i == 0 || puzzle.IsMoving()); ++i)
        {
            puzzle.Update(0.02);
        }
    };
    play(plain, 2, 2);
    EXPECT_FALSE(puzzle.IsSolved());
    play(player, 0, 1);
    play(player, 9, 1); // stops on the exit, at the wall behind it
    EXPECT_EQ(player->GetRect(), CRectF(4, 1, 5, 2));
    EXPECT_TRUE(puzzle.IsSolved());
    EXPECT_EQ(puzzle.GetMoveCount(), 2);
    EXPECT_EQ(puzzle.GetStars(), 3);
    puzzle.TakeStartSnapshot();
    EXPECT_NE(puzzle.GetChangeNumber(), change);
}

TEST(Play, StartValuesAndDeletingAllBlocks)
{
    PlayBoard board;
    CPuzzle fresh;
    EXPECT_EQ(fresh.GetGfxSetName(), "jungle");
    EXPECT_EQ(fresh.GetEnvironmentName(), "jungle1");
    EXPECT_EQ(fresh.GetBoardName(), "field_6x6");
    EXPECT_EQ(fresh.GetMinSolveMoves(), -1);
    EXPECT_EQ(fresh.GetParSolveMoves(), -1);
    EXPECT_TRUE(fresh.IsRecording());
    EXPECT_FALSE(fresh.IsTimeFrozen());
    EXPECT_EQ(fresh.GetSelectedBlockId(), -1);
    EXPECT_NE(fresh.GetChangeNumber(), board.puzzle.GetChangeNumber());

    board.Play(board.a, 2, 0);
    board.puzzle.DeleteAllBlocks();
    EXPECT_TRUE(board.puzzle.GetBlocks().empty());
    EXPECT_TRUE(board.puzzle.GetUndoHistory().empty());
    EXPECT_TRUE(board.puzzle.GetGrid().IsCellEmpty(2, 0));
    board.Rest();
}
