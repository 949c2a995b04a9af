#include "SolverBoards.h"

#include "platform/os/DebugOutput.h"
#include "puzzle/PuzzleRefiner.h"
#include "puzzle/PuzzleSolver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

using SolverBoards::BoardRects;
using SolverBoards::Build;
using SolverBoards::Rects;

namespace
{

int32_t SolveLength(CEditablePuzzle& puzzle)
{
    PuzzleSolver solver;
    solver.SetPuzzle(&puzzle);
    return solver.Solve() == PuzzleSolver::StatusSolved ? solver.GetCurrentMove() : -1;
}

// Runs the refiner on a thread of its own, stops it once `ready` answers true and answers the seconds
// from the stop to the end of Refine.
double RefineAndStop(PuzzleRefiner& refiner, const std::function<bool()>& ready)
{
    std::thread worker([&] { refiner.Refine(); });
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    // Refine clears the stop flag as it begins: a stop sent before the worker runs would be lost and the
    // whole search would run, so the stop waits until the refiner reports that it is running.
    while (refiner.GetStatus() == PuzzleRefiner::StatusIdle && std::chrono::steady_clock::now() < giveUp)
    {
        std::this_thread::yield();
    }
    while (!ready() && std::chrono::steady_clock::now() < giveUp)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const auto stopped = std::chrono::steady_clock::now();
    refiner.Stop();
    worker.join();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - stopped).count();
}

// Eight free blocks around the player on an open board: the solver needs a long search for most of its
// positions.
const std::vector<std::string> CrowdedRows = {"P.B...", ".B..B.", "...B..", "B..B..", "..B...", "....B."};

} // namespace

class RefinerTest : public ::testing::Test
{
protected:
    Platform::DebugOutputCapture m_trace;
};

TEST_F(RefinerTest, AnUnsolvablePuzzleIsLeftAsItIs)
{
    CEditablePuzzle puzzle;
    Build(puzzle, {"....", "P.F.", "...."}, {{DirectionEast, 1}});
    const Rects start = BoardRects(puzzle);
    PuzzleRefiner refiner;
    refiner.SetPuzzle(&puzzle);
    EXPECT_EQ(refiner.Refine(), PuzzleRefiner::StatusNotImproved);
    EXPECT_EQ(refiner.GetStatus(), PuzzleRefiner::StatusNotImproved);
    EXPECT_EQ(refiner.GetOriginalMoves(), -1);
    EXPECT_NE(m_trace.Text().find("PuzzleRefiner: not solvable..."), std::string::npos);
    EXPECT_EQ(BoardRects(puzzle), start);
}

TEST_F(RefinerTest, InACorridorNoPositionIsHarderAndShorterOnesAreNotSearchedFrom)
{
    // The player alone in a one-row corridor: from every position one move east solves it, except on the
    // exit itself (0 moves). The start, x 1 and x 2 are searched from; the solved position only when a
    // decrease of 1 is allowed.
    for (const auto& [decrease, expanded] : {std::pair{0, 3}, std::pair{1, 4}})
    {
        SCOPED_TRACE(decrease);
        m_trace.Clear();
        CEditablePuzzle puzzle;
        Build(puzzle, {"P.."}, {{DirectionEast, 0}});
        const Rects start = BoardRects(puzzle);
        PuzzleRefiner refiner;
        refiner.SetPuzzle(&puzzle);
        refiner.SetAllowedDecrease(decrease);
        EXPECT_EQ(refiner.Refine(), PuzzleRefiner::StatusNotImproved);
        EXPECT_EQ(refiner.GetExpandedCount(), expanded);
        EXPECT_EQ(refiner.GetOriginalMoves(), 1);
        EXPECT_EQ(refiner.GetHighestMoves(), 1);
        EXPECT_EQ(puzzle.GetMinSolveMoves(), 1);
        EXPECT_EQ(BoardRects(puzzle), start);
        EXPECT_EQ(refiner.GetOpenCount(), 0);
        EXPECT_EQ(refiner.GetClosedCount(), 4);
        const std::string trace = m_trace.Text();
        EXPECT_EQ(trace.substr(trace.size() - 40), "Refiner finished - no improvement found.");
    }
}

TEST_F(RefinerTest, AHarderStartIsInstalledWithItsLength)
{
    // The player next to the exit, one free block: the hardest start is found among every placement of
    // the two blocks the board allows (the exit cell included for the block), each solved on its own.
    const std::vector<std::string> rows = {"..P", "B.."};
    int32_t hardest = 0;
    for (int32_t p = 0; p < 6; ++p)
    {
        for (int32_t b = 0; b < 7; ++b)
        {
            if (b == p)
            {
                continue;
            }
            CEditablePuzzle placed;
            Build(placed, {"...", "..."}, {{DirectionEast, 0}});
            auto* player = new CPlayerBlock(&placed);
            player->MoveTo(BaseLib::CRectF(p % 3, p / 3, p % 3 + 1, p / 3 + 1));
            placed.AddBlock(player);
            auto* block = new CBlock(&placed);
            const float bx = b == 6 ? 3.0f : static_cast<float>(b % 3);
            const float by = b == 6 ? 0.0f : static_cast<float>(b / 3);
            block->MoveTo(BaseLib::CRectF(bx, by, bx + 1, by + 1));
            placed.AddBlock(block);
            placed.TakeStartSnapshot();
            hardest = std::max(hardest, SolveLength(placed));
        }
    }

    CEditablePuzzle puzzle;
    Build(puzzle, rows, {{DirectionEast, 0}});
    PuzzleRefiner refiner;
    refiner.SetPuzzle(&puzzle);
    EXPECT_EQ(refiner.Refine(), PuzzleRefiner::StatusImproved);
    EXPECT_EQ(refiner.GetOriginalMoves(), 1);
    EXPECT_EQ(refiner.GetHighestMoves(), hardest);
    EXPECT_GT(hardest, 1);
    EXPECT_EQ(puzzle.GetMinSolveMoves(), hardest);
    EXPECT_GE(puzzle.GetParSolveMoves(), hardest);
    EXPECT_NE(
        m_trace.Text().find("Refiner finished, improved from 1 to " + std::to_string(hardest) + " moves."),
        std::string::npos);
    EXPECT_TRUE(puzzle.IsRecording());
    EXPECT_FALSE(puzzle.CanUndo());
    // The trials' moves are not counted against the player.
    EXPECT_EQ(puzzle.GetMoveCount(), 0);
    // The installed position is the start.
    const Rects installed = BoardRects(puzzle);
    puzzle.Restart(false);
    EXPECT_EQ(BoardRects(puzzle), installed);
    EXPECT_EQ(SolveLength(puzzle), hardest);
}

TEST_F(RefinerTest, TheInstalledStartIsNotLeftFlaggedAsSolved)
{
    // Trials that carry the player onto the exit set the puzzle's solved flag; the installed start keeps
    // the player off the exit, and its solve finds the length the refiner reports.
    CEditablePuzzle puzzle;
    Build(puzzle, {"....", "..P.", "...B"}, {{DirectionEast, 1}});
    PuzzleRefiner refiner;
    refiner.SetPuzzle(&puzzle);
    EXPECT_EQ(refiner.Refine(), PuzzleRefiner::StatusImproved);
    EXPECT_FALSE(puzzle.IsSolved());
    EXPECT_GT(refiner.GetHighestMoves(), 1);
    EXPECT_EQ(SolveLength(puzzle), refiner.GetHighestMoves());
}

TEST_F(RefinerTest, AStopDuringASolveInstallsTheBestPositionFoundWithNoBlockHeld)
{
    CEditablePuzzle puzzle;
    Build(puzzle, CrowdedRows, {{DirectionEast, 0}});
    PuzzleRefiner refiner;
    refiner.SetPuzzle(&puzzle);
    const auto firstSolved = std::chrono::steady_clock::time_point::max();
    auto solvedAt = firstSolved;
    const double latency = RefineAndStop(refiner, [&] {
        if (refiner.GetOriginalMoves() < 0)
        {
            return false;
        }
        if (solvedAt == firstSolved)
        {
            solvedAt = std::chrono::steady_clock::now();
        }
        // Solves of the positions take nearly all the time from here on.
        return std::chrono::steady_clock::now() - solvedAt > std::chrono::milliseconds(100);
    });
    EXPECT_LT(latency, 2.0);
    const int32_t status = refiner.GetStatus();
    EXPECT_TRUE(status == PuzzleRefiner::StatusImproved || status == PuzzleRefiner::StatusNotImproved);
    EXPECT_GT(refiner.GetOriginalMoves(), 0);
    EXPECT_EQ(puzzle.GetMinSolveMoves(), refiner.GetHighestMoves());
    EXPECT_EQ(puzzle.GetSelectedBlockId(), -1);
    EXPECT_TRUE(puzzle.IsRecording());
    EXPECT_NE(m_trace.Text().find("Refiner finished"), std::string::npos);
}

TEST_F(RefinerTest, AStopDuringTheFirstSolveLeavesThePuzzleAtItsStart)
{
    CEditablePuzzle puzzle;
    // With the exit in the far corner the first solve alone takes many seconds.
    Build(puzzle, CrowdedRows, {{DirectionEast, 5}});
    const Rects start = BoardRects(puzzle);
    PuzzleRefiner refiner;
    refiner.SetPuzzle(&puzzle);
    const auto begun = std::chrono::steady_clock::now();
    const double latency = RefineAndStop(
        refiner, [&] { return std::chrono::steady_clock::now() - begun > std::chrono::milliseconds(30); });
    EXPECT_LT(latency, 2.0);
    EXPECT_EQ(refiner.GetStatus(), PuzzleRefiner::StatusNotImproved);
    EXPECT_EQ(refiner.GetOriginalMoves(), -1);
    EXPECT_EQ(BoardRects(puzzle), start);
    EXPECT_EQ(puzzle.GetSelectedBlockId(), -1);
    EXPECT_TRUE(puzzle.IsRecording());
}

TEST_F(RefinerTest, ASearchPastItsMemoryBudgetEndsAsAStop)
{
    const struct
    {
        const char* name;
        size_t budget;
        bool firstSolved;
    } cases[] = {{"in the first solve", 64 << 10, false}, {"in the search", 3 << 20, true}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        CEditablePuzzle puzzle;
        Build(puzzle, CrowdedRows, {{DirectionEast, 0}});
        const Rects start = BoardRects(puzzle);
        PuzzleRefiner refiner;
        refiner.SetPuzzle(&puzzle);
        refiner.SetMemoryBudget(c.budget);
        m_trace.Clear();
        const int32_t status = refiner.Refine();
        EXPECT_TRUE(refiner.RanOutOfMemory());
        EXPECT_NE(m_trace.Text().find("out of memory with "), std::string::npos);
        EXPECT_EQ(puzzle.GetSelectedBlockId(), -1);
        EXPECT_TRUE(puzzle.IsRecording());
        if (c.firstSolved)
        {
            // The best position found so far is installed with its length, as after a stop.
            EXPECT_GT(refiner.GetOriginalMoves(), 0);
            EXPECT_EQ(puzzle.GetMinSolveMoves(), refiner.GetHighestMoves());
            EXPECT_EQ(SolveLength(puzzle), refiner.GetHighestMoves());
        }
        else
        {
            EXPECT_EQ(status, PuzzleRefiner::StatusNotImproved);
            EXPECT_EQ(refiner.GetOriginalMoves(), -1);
            EXPECT_EQ(BoardRects(puzzle), start);
        }
    }
}
