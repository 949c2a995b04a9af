#include "Boards.h"
#include "SolverBoards.h"

#include "platform/os/DebugOutput.h"
#include "puzzle/PuzzleSolver.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

using Boards::StepUntilRest;
using SolverBoards::At;
using SolverBoards::BoardRects;
using SolverBoards::Build;
using SolverBoards::Exit;
using SolverBoards::Rects;

namespace
{

bool HasFlexOrMagnet(const CPuzzle& puzzle)
{
    for (const CBlock* block : puzzle.GetBlocks())
    {
        if (block->GetKind() == KindFlex || block->GetKind() == KindMagnet)
        {
            return true;
        }
    }
    return false;
}

// Plays the solution the solver left in `solved`'s redo history on `fresh`, a second copy of the same
// board, through the game's commands only: for each step the block that went to its place is selected,
// dragged there, held until the board rests (as a player holds it), released, and the board is updated
// until at rest. Which block was dragged is found by trying the grabbable blocks that moved. Answers the
// number of moves played; `fresh` is left as the game leaves it.
int PlayRedoHistoryByHand(CEditablePuzzle& solved, CEditablePuzzle& fresh)
{
    const size_t count = solved.GetBlocks().size();
    EXPECT_EQ(fresh.GetBlocks().size(), count);
    EXPECT_TRUE(StepUntilRest(fresh, 2000));
    int played = 0;
    while (solved.CanRedo())
    {
        const Rects before = BoardRects(solved);
        solved.Redo();
        const Rects after = BoardRects(solved);
        bool matched = false;
        for (size_t i = 0; i < count && !matched; ++i)
        {
            CBlock* candidate = fresh.GetBlocks()[i];
            if (before[i] == after[i] || !candidate->IsGrabbable())
            {
                continue;
            }
            fresh.SelectBlock(candidate->GetId());
            fresh.DragBlock(candidate->GetId(), after[i].left, after[i].top);
            if (HasFlexOrMagnet(fresh))
            {
                EXPECT_TRUE(StepUntilRest(fresh, 2000));
            }
            fresh.ReleaseBlock(candidate->GetId());
            EXPECT_TRUE(StepUntilRest(fresh, 2000));
            if (BoardRects(fresh) == after)
            {
                matched = true;
            }
            else if (fresh.CanUndo())
            {
                fresh.Undo();
            }
        }
        EXPECT_TRUE(matched) << "no drag of one block reproduces redo step " << played + 1;
        if (!matched)
        {
            break;
        }
        ++played;
    }
    return played;
}

struct Board
{
    std::vector<std::string> rows;
    std::vector<Exit> exits;
    // Links made after building, or anything else the case needs.
    std::function<void(CEditablePuzzle&)> setUp;
};

void BuildBoard(CEditablePuzzle& puzzle, const Board& board)
{
    Build(puzzle, board.rows, board.exits);
    if (board.setUp)
    {
        board.setUp(puzzle);
    }
}

// Solves a copy of the board and checks what every success must leave: the length as the min solve moves
// (par raised), the board at its start, the solution in the redo history, and a replay through the game's
// commands on a second copy that solves the board in as many moves.
void ExpectSolvedIn(const Board& board, int32_t length, const char* name)
{
    SCOPED_TRACE(name);
    CEditablePuzzle puzzle;
    BuildBoard(puzzle, board);
    const Rects start = BoardRects(puzzle);
    PuzzleSolver solver;
    solver.SetPuzzle(&puzzle);
    ASSERT_EQ(solver.Solve(), PuzzleSolver::StatusSolved);
    EXPECT_EQ(solver.GetStatus(), PuzzleSolver::StatusSolved);
    EXPECT_EQ(solver.GetCurrentMove(), length);
    EXPECT_EQ(puzzle.GetMinSolveMoves(), length);
    EXPECT_EQ(puzzle.GetParSolveMoves(), length);
    EXPECT_EQ(BoardRects(puzzle), start);
    EXPECT_FALSE(puzzle.IsSolved());
    EXPECT_TRUE(puzzle.IsRecording());
    EXPECT_EQ(puzzle.GetSelectedBlockId(), -1);
    EXPECT_EQ(static_cast<int32_t>(puzzle.GetRedoHistory().size()), length);

    CEditablePuzzle fresh;
    BuildBoard(fresh, board);
    EXPECT_EQ(PlayRedoHistoryByHand(puzzle, fresh), length);
    EXPECT_TRUE(fresh.IsSolved());
    EXPECT_EQ(fresh.GetMoveCount(), length);
}

// A test kind that never comes to rest: every step it moves 1/64 cell east or back west (only while a
// block is held, when so made; otherwise it glides back onto its cell).
class RestlessBlock : public CBlock
{
public:
    RestlessBlock(CPuzzle* puzzle, bool onlyWhileHeld) : CBlock(puzzle), m_onlyWhileHeld(onlyWhileHeld) {}

    void Update(double dt) override
    {
        const bool held = GetPuzzle()->GetSelectedBlockId() != -1;
        if (m_onlyWhileHeld && !held)
        {
            CBlock::Update(dt);
            return;
        }
        if (held)
        {
            heldSteps.fetch_add(1);
        }
        const BaseLib::CRectF& r = GetRect();
        const float dx = m_east ? 1.0f / 64.0f : -1.0f / 64.0f;
        m_east = !m_east;
        MoveTo(BaseLib::CRectF(r.left + dx, r.top, r.right + dx, r.bottom));
    }

    // Steps made while a block was held; read by the thread that stops the solver.
    std::atomic<int> heldSteps{0};

private:
    bool m_onlyWhileHeld;
    bool m_east = true;
};

RestlessBlock* AddRestless(CEditablePuzzle& puzzle, float x, float y, bool onlyWhileHeld)
{
    auto* block = new RestlessBlock(&puzzle, onlyWhileHeld);
    block->MoveTo(BaseLib::CRectF(x, y, x + 1, y + 1));
    puzzle.AddBlock(block);
    puzzle.TakeStartSnapshot();
    return block;
}

// Runs the solver on a thread of its own, stops it once `ready` answers true, and answers the seconds
// from the stop to the end of Solve.
double SolveAndStop(PuzzleSolver& solver, const std::function<bool()>& ready)
{
    int32_t status = -1;
    std::thread worker([&] { status = solver.Solve(); });
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!ready() && solver.GetStatus() <= PuzzleSolver::StatusRunning &&
           std::chrono::steady_clock::now() < give_up)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const auto stopped = std::chrono::steady_clock::now();
    solver.Stop();
    worker.join();
    EXPECT_EQ(status, solver.GetStatus());
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - stopped).count();
}

const Board PushBoard = {{"....", "P.B.", "...."}, {{DirectionEast, 1}}, nullptr};

} // namespace

class SolverTest : public ::testing::Test
{
protected:
    Platform::DebugOutputCapture m_trace;
};

TEST_F(SolverTest, WithoutPlayerOrExitOrWithAConfinedPlayerOffTheExitLineItIsTriviallyUnsolvable)
{
    const struct
    {
        const char* name;
        Board board;
    } cases[] = {
        {"no player", {{"....", "..B.", "...."}, {{DirectionEast, 1}}, nullptr}},
        {"no exit", {{"....", "P.B.", "...."}, {}, nullptr}},
        // A player confined to x by its link stands in row 0, the exit is in row 1.
        {"confined to another row",
         {{"PB..", "....", "...."},
          {{DirectionEast, 1}},
          [](CEditablePuzzle& p) { SolverBoards::LinkEast(p, 0, 0); }}},
        // Confined to its row, with a block that cannot leave the row between it and the exit.
        {"blocked row",
         {{"....", "PBO.", "...."},
          {{DirectionEast, 1}},
          [](CEditablePuzzle& p) { SolverBoards::LinkEast(p, 0, 1); }}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        m_trace.Clear();
        CEditablePuzzle puzzle;
        BuildBoard(puzzle, c.board);
        puzzle.SetMinSolveMoves(7);
        PuzzleSolver solver;
        solver.SetPuzzle(&puzzle);
        EXPECT_TRUE(solver.IsTriviallyUnsolvable());
        EXPECT_EQ(solver.Solve(), PuzzleSolver::StatusNoSolution);
        EXPECT_EQ(m_trace.Text(), "Solver: Trivially not solvable.\n");
        EXPECT_EQ(puzzle.GetMinSolveMoves(), 0);
        EXPECT_TRUE(puzzle.IsRecording());
    }
}

TEST_F(SolverTest, KnownShortestSolutions)
{
    const struct
    {
        const char* name;
        Board board;
        int32_t length;
    } cases[] = {
        // The block in the way goes north or south first: pushing it leaves it on the exit.
        {"push", PushBoard, 2},
        // Pushed onto the exit a coloured block would stick out and stay there.
        {"coloured", {{"....", "P.C.", "...."}, {{DirectionEast, 1}}, nullptr}, 2},
        // Blocks pass over a bridge.
        {"bridge", {{"....", "PR..", "...."}, {{DirectionEast, 1}}, nullptr}, 1},
        // The linked pair moves north together (at most one cell); pushed east it stays in the row.
        {"linked", {{".....", "P.L.L", "....."}, {{DirectionEast, 1}}, nullptr}, 2},
        // A rigid two-cell piece moved as one.
        {"meta-block",
         {{"....", "P.B.", "..B.", "...."},
          {{DirectionEast, 1}},
          [](CEditablePuzzle& p) { SolverBoards::LinkSouth(p, 2, 1); }},
         2},
    };
    for (const auto& c : cases)
    {
        ExpectSolvedIn(c.board, c.length, c.name);
    }
}

TEST_F(SolverTest, MagnetAndFlexibleBoardsReplayThroughTheGameCommands)
{
    // Lengths from the search; the replay on a second copy checks each move and the count.
    ExpectSolvedIn({{"..M.", "P.M.", "...."}, {{DirectionEast, 1}}, nullptr}, 3, "magnets");
    ExpectSolvedIn({{"..B.", "P.F.", "..B.", "....", "...."},
                    {{DirectionEast, 1}},
                    [](CEditablePuzzle& p) {
                        SolverBoards::LinkSouth(p, 2, 0);
                        SolverBoards::LinkSouth(p, 2, 1);
                    }},
                   2, "flexible");
}

TEST_F(SolverTest, AFlexibleBlockAloneInTheRowMakesItUnsolvable)
{
    // The player can only push it east, where it is squeezed and springs back.
    CEditablePuzzle puzzle;
    Build(puzzle, {"....", "P.F.", "...."}, {{DirectionEast, 1}});
    PuzzleSolver solver;
    solver.SetPuzzle(&puzzle);
    EXPECT_EQ(solver.Solve(), PuzzleSolver::StatusNoSolution);
    EXPECT_NE(m_trace.Text().find("Solver: No solution exists for this puzzle.\n"), std::string::npos);
    EXPECT_EQ(puzzle.GetMinSolveMoves(), 0);
    EXPECT_TRUE(puzzle.IsRecording());
}

TEST_F(SolverTest, AFreePlayerInAnotherRowIsSolvedWithTheHelpOfAnotherBlock)
{
    // The player goes south to the exit's row, another block moves (the same block never moves twice in
    // a row), the player goes east.
    ExpectSolvedIn(
        {{"P.....", "......", "......", "......", "...B..", "......"}, {{DirectionEast, 2}}, nullptr}, 3,
        "with another block");

    CEditablePuzzle alone;
    Build(alone, {"P.....", "......", "......", "......", "......", "......"}, {{DirectionEast, 2}});
    PuzzleSolver solver;
    solver.SetPuzzle(&alone);
    EXPECT_FALSE(solver.IsTriviallyUnsolvable());
    EXPECT_EQ(solver.Solve(), PuzzleSolver::StatusNoSolution);
}

TEST_F(SolverTest, NorthAndWestExitsAreReachedByAMoveOfTheirOwn)
{
    ExpectSolvedIn({{".....", ".....", ".....", "..P..", "....."}, {{DirectionNorth, 2}}, nullptr}, 1,
                   "north");
    ExpectSolvedIn({{".....", ".....", "...P.", ".....", "....."}, {{DirectionWest, 2}}, nullptr}, 1, "west");
    ExpectSolvedIn({{".....", ".....", ".P...", ".....", "....."}, {{DirectionSouth, 1}}, nullptr}, 1,
                   "south");
}

TEST_F(SolverTest, AnAlreadySolvedStartIsASolutionOfNoMoves)
{
    CEditablePuzzle puzzle;
    Build(puzzle, {"....", "....", "...."}, {{DirectionEast, 1}});
    auto* player = new CPlayerBlock(&puzzle);
    player->MoveTo(BaseLib::CRectF(4, 1, 5, 2));
    puzzle.AddBlock(player);
    auto* other = new CBlock(&puzzle);
    puzzle.AddBlock(other);
    puzzle.TakeStartSnapshot();
    puzzle.SetMinSolveMoves(-1);

    PuzzleSolver solver;
    solver.SetPuzzle(&puzzle);
    EXPECT_EQ(solver.Solve(), PuzzleSolver::StatusSolved);
    EXPECT_EQ(solver.GetCurrentMove(), 0);
    EXPECT_EQ(puzzle.GetMinSolveMoves(), 0);
    EXPECT_FALSE(puzzle.CanRedo());
    EXPECT_FALSE(puzzle.CanUndo());
    EXPECT_EQ(player->GetRect(), BaseLib::CRectF(4, 1, 5, 2));
}

TEST_F(SolverTest, ASolvedFlagLeftFromPlayIsNotASolvedStart)
{
    // The solution is played to the exit, which leaves the solved flag set; a second run starts from the
    // restart position, which is not solved.
    CEditablePuzzle puzzle;
    BuildBoard(puzzle, PushBoard);
    PuzzleSolver solver;
    solver.SetPuzzle(&puzzle);
    ASSERT_EQ(solver.Solve(), PuzzleSolver::StatusSolved);
    while (puzzle.CanRedo())
    {
        puzzle.Redo();
    }
    ASSERT_TRUE(StepUntilRest(puzzle, 2000));
    ASSERT_TRUE(puzzle.IsSolved());

    EXPECT_EQ(solver.Solve(), PuzzleSolver::StatusSolved);
    EXPECT_EQ(solver.GetCurrentMove(), 2);
    EXPECT_EQ(puzzle.GetMinSolveMoves(), 2);
    EXPECT_EQ(puzzle.GetRedoHistory().size(), 2u);
}

TEST_F(SolverTest, ABlockHeldWhenTheRunBeginsIsLetGo)
{
    // A block is still held when the search starts: no other block could be selected until that one had
    // made its own trials, and the player's single move from the start would be missed.
    CEditablePuzzle puzzle;
    Build(puzzle, {"....", "P...", "..B."}, {{DirectionEast, 1}});
    puzzle.SelectBlock(At(puzzle, 2, 2)->GetId());
    PuzzleSolver solver;
    solver.SetPuzzle(&puzzle);
    EXPECT_EQ(solver.Solve(), PuzzleSolver::StatusSolved);
    EXPECT_EQ(solver.GetCurrentMove(), 1);
    EXPECT_EQ(puzzle.GetSelectedBlockId(), -1);
}

TEST_F(SolverTest, ATimeLimitOfZeroEndsAtTheFirstTrialMove)
{
    CEditablePuzzle puzzle;
    BuildBoard(puzzle, PushBoard);
    const Rects start = BoardRects(puzzle);
    PuzzleSolver solver;
    solver.SetPuzzle(&puzzle);
    solver.SetTimeout(0.0);
    EXPECT_EQ(solver.Solve(), PuzzleSolver::StatusTimeout);
    EXPECT_EQ(solver.GetTotalConstructed(), 1);
    const std::string trace = m_trace.Text();
    EXPECT_EQ(trace.substr(trace.size() - 16), "Solver: Timeout!");
    EXPECT_EQ(BoardRects(puzzle), start);
    EXPECT_TRUE(puzzle.IsRecording());
    EXPECT_EQ(puzzle.GetMinSolveMoves(), -1);
}

TEST_F(SolverTest, ARigidMetaBlockIsOneRelevantBlockAndOneWithAFlexiblePartTwo)
{
    CEditablePuzzle rigid;
    Build(rigid, {"PBB."}, {{DirectionEast, 0}});
    SolverBoards::LinkEast(rigid, 1, 0);
    PuzzleSolver solver;
    solver.SetPuzzle(&rigid);
    m_trace.Clear();
    EXPECT_EQ(solver.CountRelevantBlocks(), 2);
    const int32_t blocks = static_cast<int32_t>(rigid.GetBlocks().size());
    EXPECT_EQ(m_trace.Text(),
              "Solver: only 2 out of " + std::to_string(blocks) + " block are relevant for movement\n");

    CEditablePuzzle flexible;
    Build(flexible, {"PBFB"}, {{DirectionEast, 0}});
    SolverBoards::LinkEast(flexible, 1, 0);
    SolverBoards::LinkEast(flexible, 2, 0);
    solver.SetPuzzle(&flexible);
    EXPECT_EQ(solver.CountRelevantBlocks(), 3);
}

TEST_F(SolverTest, StopFromAnotherThreadEndsALongSearchPromptly)
{
    // Eight free blocks and a player on an open board whose only exit an obstacle closes: the search has to
    // visit a very large number of states.
    CEditablePuzzle puzzle;
    Build(puzzle, {"P.B...", ".B..B.", "...B.O", "B..B..", "..B...", "....B."}, {{DirectionEast, 2}});
    PuzzleSolver solver;
    solver.SetPuzzle(&puzzle);
    double elapsedWhileRunning = 0.0;
    const double latency = SolveAndStop(solver, [&] {
        elapsedWhileRunning = solver.GetElapsedSeconds();
        return solver.GetTotalConstructed() > 2000 && solver.GetCurrentMove() >= 2;
    });
    EXPECT_EQ(solver.GetStatus(), PuzzleSolver::StatusStopped);
    EXPECT_LT(latency, 2.0);
    EXPECT_GT(elapsedWhileRunning, 0.0);
    EXPECT_GE(solver.GetElapsedSeconds(), elapsedWhileRunning);
    EXPECT_GT(solver.GetClosedCount(), 0);
    EXPECT_GT(solver.GetOpenCount(), 0);
    EXPECT_GE(solver.GetStatesInCurrentMove(), solver.GetStatesLeftUntilNextMove());
    EXPECT_TRUE(puzzle.IsRecording());
    EXPECT_EQ(puzzle.GetSelectedBlockId(), -1);
    EXPECT_EQ(puzzle.GetMinSolveMoves(), -1);
    EXPECT_NE(m_trace.Text().find("... calculating move 1 \t\t(Open: "), std::string::npos);
}

TEST_F(SolverTest, ASearchPastItsMemoryBudgetEndsAsAStopWithTheBoardAtItsStart)
{
    CEditablePuzzle puzzle;
    Build(puzzle, {"P.B...", ".B..B.", "...B.O", "B..B..", "..B...", "....B."}, {{DirectionEast, 2}});
    puzzle.SetMinSolveMoves(9);
    const Rects start = BoardRects(puzzle);
    PuzzleSolver solver;
    solver.SetPuzzle(&puzzle);
    solver.SetMemoryBudget(size_t{1} << 20);
    m_trace.Clear();
    EXPECT_EQ(solver.Solve(), PuzzleSolver::StatusStopped);
    EXPECT_TRUE(solver.RanOutOfMemory());
    EXPECT_GT(solver.GetTotalConstructed(), 1000);
    EXPECT_EQ(solver.GetSearchBytes(), 0u); // the nodes are given back
    const std::string trace = m_trace.Text();
    const size_t line = trace.find("Solver: out of memory with ");
    ASSERT_NE(line, std::string::npos);
    EXPECT_EQ(trace.find("Solver: out of memory", line + 1), std::string::npos);
    size_t states = 0;
    size_t bytes = 0;
    ASSERT_EQ(std::sscanf(trace.c_str() + line, "Solver: out of memory with %zu states kept in %zu bytes",
                          &states, &bytes),
              2);
    EXPECT_GT(states, 1000u);
    EXPECT_LE(bytes, size_t{1} << 20);
    EXPECT_EQ(BoardRects(puzzle), start);
    EXPECT_EQ(puzzle.GetSelectedBlockId(), -1);
    EXPECT_TRUE(puzzle.IsRecording());
    EXPECT_EQ(puzzle.GetMinSolveMoves(), 9);

    // The budget ends only the run that passes it: with room, a small board is solved.
    CEditablePuzzle small;
    BuildBoard(small, PushBoard);
    solver.SetPuzzle(&small);
    solver.SetMemoryBudget(1);
    EXPECT_EQ(solver.Solve(), PuzzleSolver::StatusStopped);
    solver.SetMemoryBudget(size_t{1} << 20);
    EXPECT_EQ(solver.Solve(), PuzzleSolver::StatusSolved);
    EXPECT_FALSE(solver.RanOutOfMemory());
}

TEST_F(SolverTest, ABoardThatNeverComesToRestIsEndedByStopAndByTheTimeLimit)
{
    {
        CEditablePuzzle puzzle;
        Build(puzzle, {"P...", "....", "...."}, {{DirectionEast, 0}});
        AddRestless(puzzle, 0, 2, false);
        PuzzleSolver solver;
        solver.SetPuzzle(&puzzle);
        EXPECT_LT(SolveAndStop(solver, [] { return true; }), 2.0);
        EXPECT_EQ(solver.GetStatus(), PuzzleSolver::StatusStopped);
        EXPECT_TRUE(puzzle.IsRecording());
    }
    {
        CEditablePuzzle puzzle;
        Build(puzzle, {"P...", "....", "...."}, {{DirectionEast, 0}});
        AddRestless(puzzle, 0, 2, false);
        PuzzleSolver solver;
        solver.SetPuzzle(&puzzle);
        solver.SetTimeout(0.05);
        EXPECT_EQ(solver.Solve(), PuzzleSolver::StatusTimeout);
        EXPECT_GE(solver.GetElapsedSeconds(), 0.05);
    }
}

TEST_F(SolverTest, AStopInsideTheSettleLoopOfAHeldBlockLetsGoOfIt)
{
    // With a magnet on the board every trial settles while its block is held, and the restless block
    // keeps that board moving.
    const auto build = [](CEditablePuzzle& puzzle) {
        Build(puzzle, {"P...", "...M", "...."}, {{DirectionEast, 1}});
        return AddRestless(puzzle, 0, 2, true);
    };
    {
        CEditablePuzzle puzzle;
        const RestlessBlock* restless = build(puzzle);
        PuzzleSolver solver;
        solver.SetPuzzle(&puzzle);
        // Settle loops take nearly all of this search's time: the stop lands inside one.
        EXPECT_LT(SolveAndStop(solver, [&] { return restless->heldSteps.load() > 100; }), 2.0);
        EXPECT_EQ(solver.GetStatus(), PuzzleSolver::StatusStopped);
        EXPECT_EQ(puzzle.GetSelectedBlockId(), -1);
        EXPECT_TRUE(puzzle.IsRecording());
    }
    {
        CEditablePuzzle puzzle;
        build(puzzle);
        const Rects start = BoardRects(puzzle);
        PuzzleSolver solver;
        solver.SetPuzzle(&puzzle);
        solver.SetTimeout(0.002);
        EXPECT_EQ(solver.Solve(), PuzzleSolver::StatusTimeout);
        EXPECT_EQ(puzzle.GetSelectedBlockId(), -1);
        EXPECT_EQ(BoardRects(puzzle), start);
    }
    {
        // Left alone, every trial is dropped once it has not come to rest within the bound.
        CEditablePuzzle puzzle;
        build(puzzle);
        PuzzleSolver solver;
        solver.SetPuzzle(&puzzle);
        EXPECT_EQ(solver.Solve(), PuzzleSolver::StatusNoSolution);
        EXPECT_EQ(solver.GetTotalConstructed(), 1);
        EXPECT_NE(m_trace.Text().find("did not come to rest"), std::string::npos);
        EXPECT_EQ(puzzle.GetSelectedBlockId(), -1);
    }
}

TEST_F(SolverTest, AStartWithMagnetsStillPullingRecordsAHistoryThatSolvesIt)
{
    // The magnets pull toward each other from rows 0 and 2 and come to rest across the player's row.
    CEditablePuzzle puzzle;
    Build(puzzle, {"...M.", "P....", "...M.", ".....", "....."}, {{DirectionEast, 1}});
    const Rects start = BoardRects(puzzle);
    PuzzleSolver solver;
    solver.SetPuzzle(&puzzle);
    ASSERT_EQ(solver.Solve(), PuzzleSolver::StatusSolved);
    EXPECT_EQ(BoardRects(puzzle), start);
    ASSERT_TRUE(puzzle.CanRedo());
    while (puzzle.CanRedo())
    {
        puzzle.Redo();
    }
    ASSERT_TRUE(StepUntilRest(puzzle, 2000));
    EXPECT_TRUE(puzzle.IsSolved());
}

namespace
{

// FNV-1a over bytes, continued from `hash`.
uint64_t Fnv(uint64_t hash, const void* data, size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i)
    {
        hash = (hash ^ bytes[i]) * 0x100000001b3u;
    }
    return hash;
}

// Every rect of the board after each step of the redo history, replayed and taken back.
uint64_t SolutionFingerprint(CEditablePuzzle& puzzle)
{
    uint64_t hash = 0xcbf29ce484222325u;
    int steps = 0;
    while (puzzle.CanRedo())
    {
        puzzle.Redo();
        ++steps;
        for (const BaseLib::CRectF& r : BoardRects(puzzle))
        {
            const float v[4] = {r.left, r.top, r.right, r.bottom};
            hash = Fnv(hash, v, sizeof v);
        }
    }
    for (int i = 0; i < steps; ++i)
    {
        puzzle.Undo();
    }
    return hash;
}

} // namespace

// Saved boards (plain, flexible and linked, a generated one before and after refining): what a search
// finds and how much it does, down to its trace, must not change when the search is made cheaper.
TEST_F(SolverTest, SavedBoardsKeepTheirSearchFingerprints)
{
    const struct
    {
        const char* file;
        int32_t moves;
        int64_t expanded;
        int32_t constructed;
        size_t kept;
        uint64_t solution;
        uint64_t trace;
    } cases[] = {
        {"solver_small.xml", 6, 451, 3654, 667, 0xabfe7a878ded36c5u, 0x1d9b081057398f5eu},
        {"solver_medium.xml", 12, 1245, 13905, 1569, 0xed03de2d087c66e5u, 0x188486b520e39fb6u},
        {"solver_generator.xml", 12, 2054, 17132, 2083, 0xb2cf0ddaa3ee4245u, 0x2be1ae5685d8aee7u},
        {"solver_generated_refined.xml", 12, 4663, 41314, 6046, 0xd5776853506d4925u, 0xd5529fdb4f8eb9e8u},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.file);
        CEditablePuzzle puzzle;
        ASSERT_TRUE(puzzle.LoadXml(std::string(QUARROW_TEST_DATA_DIR) + "/" + c.file));
        const Rects start = BoardRects(puzzle);
        m_trace.Clear();
        PuzzleSolver solver;
        solver.SetPuzzle(&puzzle);
        ASSERT_EQ(solver.Solve(), PuzzleSolver::StatusSolved);
        const std::string trace = m_trace.Text();
        EXPECT_EQ(solver.GetCurrentMove(), c.moves);
        EXPECT_EQ(solver.GetExpandedCount(), c.expanded);
        EXPECT_EQ(solver.GetTotalConstructed(), c.constructed);
        EXPECT_EQ(solver.GetKeptStates(), c.kept);
        EXPECT_EQ(BoardRects(puzzle), start);
        const uint64_t solution = SolutionFingerprint(puzzle);
        const uint64_t traced = Fnv(0xcbf29ce484222325u, trace.data(), trace.size());
        EXPECT_EQ(solution, c.solution);
        EXPECT_EQ(traced, c.trace);
    }
}
