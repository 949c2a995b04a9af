#include "game/QuarrowInputChannel.h"
#include "game/WorkerThread.h"
#include "platform/os/Handle.h"
#include "platform/os/Thread.h"
#include "platform/os/DebugOutput.h"
#include "puzzle/PuzzleRefiner.h"
#include "puzzle/PuzzleSolver.h"
#include "tests/game/WorldFixture.h"
#include "tests/puzzle/SolverBoards.h"

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace
{

using namespace GameTesting;
using SolverBoards::BoardRects;
using SolverBoards::Rects;

// Eight free blocks and the player on an open board whose only exit an obstacle closes: the search keeps
// tens of thousands of states.
const std::vector<std::string> kLongSearch = {"P.B...", ".B..B.", "...B.O", "B..B..", "..B...", "....B."};
const std::vector<SolverBoards::Exit> kLongSearchExits = {{DirectionEast, 2}};

class WorkersTest : public WorldFixture
{
protected:
    // An empty level whose puzzle becomes the board.
    CEditablePuzzle& StartBoard(const std::vector<std::string>& rows, const std::vector<SolverBoards::Exit>& exits)
    {
        world.LoadLevel("");
        SolverBoards::Build(*world.GetPuzzle(), rows, exits);
        return *world.GetPuzzle();
    }

    // Waits for the worker's end; the limit only guards against a hang.
    void AwaitEnd(bool refiner = false)
    {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while ((refiner ? world.IsRefinerRunning() : world.IsSolverRunning()) &&
               std::chrono::steady_clock::now() < giveUp)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        ASSERT_FALSE(refiner ? world.IsRefinerRunning() : world.IsSolverRunning());
    }

    // Waits until the running solver has constructed some states.
    void AwaitSearching()
    {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (world.GetSolver()->GetTotalConstructed() < 100 && std::chrono::steady_clock::now() < giveUp)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    // Steps until no block moves.
    void Settle(CPuzzle& puzzle)
    {
        world.Step(0.02);
        for (int i = 0; i < 200 && puzzle.IsMoving(); ++i)
        {
            world.Step(0.02);
        }
    }

    bool UserControl() { return world.GetInputChannel()->IsUserControlEnabled(); }

    Platform::DebugOutputCapture trace;
};

TEST_F(WorkersTest, ASolvedLevelIsHandedBackWithItsSolutionToRedo)
{
    CEditablePuzzle& puzzle = StartBoard({"....", "P...", "..B."}, {{DirectionEast, 1}});
    const Rects start = BoardRects(puzzle);
    world.GetInputChannel()->SetUserControlEnabled(true);
    Frame({{"Solve", ""}});
    ASSERT_NE(nullptr, world.GetSolver());
    AwaitEnd();
    EXPECT_EQ(PuzzleSolver::StatusSolved, world.GetSolver()->GetStatus());
    EXPECT_TRUE(UserControl());
    EXPECT_EQ(GameContext::SolverRunning, context->GetState());
    EXPECT_EQ(start, BoardRects(puzzle));
    EXPECT_TRUE(puzzle.CanRedo());
    const int length = world.GetSolver()->GetCurrentMove();
    ASSERT_GT(length, 0);
    EXPECT_EQ(length, puzzle.GetMinSolveMoves());

    Frame({{"StopSolver", ""}});
    EXPECT_EQ(GameContext::LevelRunning, context->GetState());
    EXPECT_EQ(nullptr, world.GetSolver());
    for (int i = 0; i < length; ++i)
    {
        world.GetGameInputChannel()->PushRedo();
        Settle(puzzle);
    }
    for (int i = 0; i < 50 && context->GetState() == GameContext::LevelRunning; ++i)
    {
        world.Step(0.02);
    }
    EXPECT_EQ(GameContext::LevelSolved, context->GetState());
}

TEST_F(WorkersTest, InTheEditorTheFrozenPuzzleIsSolvedAndFrozenAgainAfterwards)
{
    CEditablePuzzle& puzzle = StartBoard({"....", "P...", "..B."}, {{DirectionEast, 1}});
    world.SetEditorMode(true);
    puzzle.SetTimeFrozen(true);
    Frame({{"Solve", ""}});
    AwaitEnd();
    EXPECT_EQ(PuzzleSolver::StatusSolved, world.GetSolver()->GetStatus());
    EXPECT_EQ(world.GetSolver()->GetCurrentMove(), puzzle.GetMinSolveMoves());
    EXPECT_GT(puzzle.GetMinSolveMoves(), 0);
    Frame({{"StopSolver", ""}});
    EXPECT_TRUE(puzzle.IsTimeFrozen());
}

TEST_F(WorkersTest, ARunWithoutASolutionLeavesTheBoardAtItsStart)
{
    CEditablePuzzle& puzzle = StartBoard({"....", "..B."}, {{DirectionEast, 1}});
    const Rects start = BoardRects(puzzle);
    Frame({{"Solve", ""}});
    AwaitEnd();
    EXPECT_EQ(PuzzleSolver::StatusNoSolution, world.GetSolver()->GetStatus());
    EXPECT_EQ(start, BoardRects(puzzle));
}

TEST_F(WorkersTest, OneWorkerAtATimeAndANewSolverForEveryRun)
{
    StartBoard(kLongSearch, kLongSearchExits);
    Frame({{"Solve", ""}});
    // The search is far from its end: the player has no control meanwhile.
    EXPECT_EQ(GameContext::SolverRunning, context->GetState());
    EXPECT_FALSE(UserControl());
    PuzzleSolver* running = world.GetSolver();
    Frame({{"Solve", ""}, {"Refine", ""}, {"StopRefiner", ""}});
    EXPECT_EQ(running, world.GetSolver());
    EXPECT_EQ(nullptr, world.GetRefiner());
    EXPECT_TRUE(world.IsSolverRunning());
    EXPECT_EQ(GameContext::SolverRunning, context->GetState());
    EXPECT_NE(std::string::npos, trace.Text().find("Solve ignored"));
    EXPECT_NE(std::string::npos, trace.Text().find("Refine ignored"));

    AwaitSearching();
    Frame({{"StopSolver", ""}});
    EXPECT_FALSE(world.IsSolverRunning());
    EXPECT_EQ(GameContext::LevelRunning, context->GetState());

    // A finished solver that was stopped answers "stopped" to every later run: a new run needs a new one.
    StartBoard({"....", "P...", "..B."}, {{DirectionEast, 1}});
    Frame({{"Solve", ""}});
    AwaitEnd();
    world.GetSolver()->Stop();
    Frame({{"Solve", ""}});
    AwaitEnd();
    EXPECT_EQ(PuzzleSolver::StatusSolved, world.GetSolver()->GetStatus());
}

TEST_F(WorkersTest, ASearchPastItsMemoryBudgetEndsByItself)
{
    world.SetSearchMemoryBudget(std::size_t{1} << 20);
    CEditablePuzzle& puzzle = StartBoard(kLongSearch, kLongSearchExits);
    const Rects start = BoardRects(puzzle);
    Frame({{"Solve", ""}});
    AwaitEnd();
    EXPECT_EQ(PuzzleSolver::StatusStopped, world.GetSolver()->GetStatus());
    EXPECT_TRUE(world.GetSolver()->RanOutOfMemory());
    EXPECT_TRUE(UserControl());
    Frame({{"StopSolver", ""}});
    EXPECT_EQ(GameContext::LevelRunning, context->GetState());
    EXPECT_EQ(start, BoardRects(puzzle));
}

TEST_F(WorkersTest, AStopLeavesAStateThatPromisesNoPuzzleItCannotHave)
{
    context->SetState(GameContext::GameOpen);
    Frame({{"StopSolver", ""}, {"StopRefiner", ""}});
    EXPECT_EQ(GameContext::GameOpen, context->GetState());

    // With a level and no worker at all, the level runs again.
    StartBoard({"....", "P...", "..B."}, {{DirectionEast, 1}});
    context->SetState(GameContext::LevelSolved);
    Frame({{"StopSolver", ""}});
    EXPECT_EQ(GameContext::LevelRunning, context->GetState());
}

TEST_F(WorkersTest, TheRefinerInstallsAHarderStart)
{
    CEditablePuzzle& puzzle = StartBoard({"..P", "B.."}, {{DirectionEast, 0}});
    Frame({{"Refine", ""}});
    EXPECT_EQ(GameContext::RefinerRunning, context->GetState());
    AwaitEnd(true);
    ASSERT_NE(nullptr, world.GetRefiner());
    EXPECT_EQ(PuzzleRefiner::StatusImproved, world.GetRefiner()->GetStatus());
    EXPECT_GT(world.GetRefiner()->GetHighestMoves(), world.GetRefiner()->GetOriginalMoves());
    EXPECT_EQ(world.GetRefiner()->GetHighestMoves(), puzzle.GetMinSolveMoves());
    EXPECT_TRUE(UserControl());
    Frame({{"StopRefiner", ""}});
    EXPECT_EQ(GameContext::LevelRunning, context->GetState());
    EXPECT_EQ(nullptr, world.GetRefiner());
}

// Whatever ends or replaces the level, or writes into the puzzle, while the solver runs: the worker is
// stopped before anything is deleted or written (the sanitizer run sees any access after the fact).
TEST_F(WorkersTest, WhatEndsTheLevelStopsTheWorkerFirst)
{
    const char* const actions[] = {"ShutLevel", "StartLevel", "SetSolved", "Reload", "shut-down"};
    for (const char* action : actions)
    {
        SCOPED_TRACE(action);
        StartBoard(kLongSearch, kLongSearchExits);
        Frame({{"Solve", ""}});
        AwaitSearching();
        ASSERT_TRUE(world.IsSolverRunning());
        const std::string what = action;
        if (what == "shut-down")
        {
            world.Shutdown();
            EXPECT_FALSE(world.IsSolverRunning());
            EXPECT_EQ(nullptr, world.GetSolver());
            EXPECT_EQ(nullptr, world.GetPuzzle());
            world.Initialize();
            context = world.GetGameContext();
            continue;
        }
        Frame({{action, what == "StartLevel" ? PathOf("grid.txt") : ""}});
        if (what == "SetSolved")
        {
            EXPECT_EQ(GameContext::SolverRunning, context->GetState());
            Frame({{"StopSolver", ""}});
            EXPECT_NE(10000, world.GetPuzzle()->GetMoveCount());
            EXPECT_FALSE(world.GetPuzzle()->IsSolved());
            continue;
        }
        EXPECT_FALSE(world.IsSolverRunning());
        EXPECT_EQ(nullptr, world.GetSolver());
        EXPECT_EQ(what == "ShutLevel" ? GameContext::GameOpen : GameContext::LevelRunning, context->GetState());
        EXPECT_TRUE(UserControl() || what != "ShutLevel");
    }
}

} // namespace

namespace
{

struct Counter
{
    std::atomic<int> runs{0};
    std::uint32_t Run(std::uint32_t argument)
    {
        ++runs;
        return 7 + argument;
    }
};

TEST(CreateWorkerThread, StartsAtOnceOrWhenResumed)
{
    Counter counter;
    BaseLib::CThread running = CreateWorkerThread(&counter, &Counter::Run, 0, false);
    ASSERT_NE(nullptr, running.GetHandle());
    Platform::WaitFor(running.GetHandle(), Platform::WaitForever);
    std::uint32_t code = 0;
    ASSERT_TRUE(Platform::GetThreadExitCode(running.GetHandle(), code));
    EXPECT_EQ(7u, code);
    EXPECT_EQ(1, counter.runs.load());

    BaseLib::CThread suspended = CreateWorkerThread(&counter, &Counter::Run, 0, true);
    ASSERT_NE(nullptr, suspended.GetHandle());
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(1, counter.runs.load());
    Platform::ResumeThread(suspended.GetHandle());
    Platform::WaitFor(suspended.GetHandle(), Platform::WaitForever);
    EXPECT_EQ(2, counter.runs.load());
}

} // namespace
