#pragma once

#include "framework/Timer.h"
#include "puzzle/BoardExplorer.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>

class CEditablePuzzle;

// Finds the least number of moves that solves a puzzle by breadth-first search over board states, moving
// the blocks through the puzzle's own rules. On success the puzzle's min solve moves become the solution
// length (the par is raised to it) and the whole solution is left in its redo history with the board at
// its start; when no solution exists they become 0; a stop or time-out leaves them.
//
// Solve runs on one thread (usually a worker); Stop and the getters may be called from any other thread
// while it runs. The puzzle (owned by the caller) must not be played or drawn meanwhile.
class PuzzleSolver final : private SearchClient
{
public:
    enum Status : int32_t
    {
        StatusNotRun = 0,
        StatusRunning = 1,
        StatusSolved = 2,
        StatusNoSolution = 3,
        StatusStopped = 4,
        StatusTimeout = 5
    };

    static constexpr double DefaultTimeLimit = 8400.0;

    PuzzleSolver();
    ~PuzzleSolver();
    PuzzleSolver(const PuzzleSolver&) = delete;
    PuzzleSolver& operator=(const PuzzleSolver&) = delete;

    // Frees the nodes of the last run and takes the puzzle (null: none; Solve then answers 3).
    void SetPuzzle(CEditablePuzzle* puzzle);
    // The time limit in seconds, measured over the whole run; 8400 unless set.
    void SetTimeout(double seconds) { m_timeLimit = seconds; }
    // The node memory a run may hold (DefaultSearchMemoryBudget, taken when the run begins, unless set).
    // A run whose nodes would pass
    // it, or in which an allocation fails, ends as a stop does (status 4, nothing held) with the board
    // back at its start and one trace line; min solve moves stay.
    void SetMemoryBudget(size_t bytes) { m_memoryBudget = bytes; }
    // The last run ended for lack of memory.
    bool RanOutOfMemory() const { return m_outOfMemory; }

    // The search; answers the status it ends with (2 to 5). Frees what a previous run left first.
    int32_t Solve();
    // Makes the running search end with status 4 within a few trial moves or at its next settle step. A stop
    // is final: a stopped solver answers 4 to every later Solve (the world makes a new solver per run).
    void Stop() { m_stop.store(true); }

    int32_t GetStatus() const { return m_status.load(); }
    // The depth being searched; the solution length after a success.
    int32_t GetCurrentMove() const { return m_currentMove.load(); }
    int32_t GetOpenCount() const { return m_openCount.load(); }
    // The nodes kept that are no longer open.
    int32_t GetClosedCount() const { return m_closedCount.load() - m_openCount.load(); }
    int32_t GetTotalConstructed() const { return m_totalConstructed.load(); }
    // Nodes of the current depth when it began (the progress bar's range) and those not yet expanded.
    int32_t GetStatesInCurrentMove() const { return m_statesInCurrentMove.load(); }
    int32_t GetStatesLeftUntilNextMove() const { return m_statesLeft.load(); }
    // Seconds the run has taken (while running, up to now).
    double GetElapsedSeconds();

    // Builds the list of blocks the search moves and traces how many of the blocks it holds.
    int32_t CountRelevantBlocks();
    // True when no player block or no exit trigger exists, or some exit cannot be reached by any player
    // block confined to one axis (its row or column misses the exit, or a block that cannot leave that
    // line stands in the way). A player block free on both axes can reach every exit.
    bool IsTriviallyUnsolvable() const;

    // Nodes taken from the open list and expanded in the last run (for measurements).
    int64_t GetExpandedCount() const { return m_expanded; }
    // Bytes the node store holds now.
    size_t GetNodeBytes() const { return m_explorer.GetStoreBytes(); }
    // States kept (the closed set) and the node memory held now: the store and the closed set's table.
    size_t GetKeptStates() const { return m_explorer.GetClosed().Size(); }
    size_t GetSearchBytes() const { return m_explorer.GetNodeBytes(); }

private:
    SearchInterrupt CheckInterrupt() override;
    bool HandleChild(SolverNode* child) override;
    bool HandleChildLeavesBoard() const override { return true; }

    // Notes whether keeping one more node would pass the budget. Node memory changes only where nodes are
    // made, kept or freed, so the interrupt checks between read the note instead of the store.
    void NoteNodeMemory();
    // Adds the timer's time to the elapsed seconds; answers them.
    double AddElapsed();
    void PublishListSizes();
    int32_t EndStopped();
    // The end of a run that ran out of its memory budget or of memory.
    int32_t EndOutOfMemory();
    // The search from the settled start; Solve's body.
    int32_t Search();
    int32_t EndTimedOut();
    int32_t EndFor(SearchInterrupt interrupt);
    int32_t EndSolved(SolverNode* solution);
    // Plays the moves from the root to the node into the puzzle's history and takes them back, so the
    // redo history holds them with the first on top. Answers the interrupt that ended it early.
    SearchInterrupt RecordSolution(SolverNode* solution);

    CEditablePuzzle* m_puzzle = nullptr;
    BoardExplorer m_explorer;
    double m_timeLimit = DefaultTimeLimit;
    std::optional<size_t> m_memoryBudget;
    // The budget of the run going on.
    size_t m_runBudget = 0;
    bool m_outOfMemory = false;
    // The budget is checked while the search keeps new nodes, not while it replays its solution.
    bool m_checkMemory = false;
    bool m_overBudgetAtNextNode = false;
    SolverNode* m_solution = nullptr;
    int64_t m_expanded = 0;
    // Interrupt checks between two readings of the clock, and those left until the next.
    static constexpr uint32_t ClockCheckInterval = 256;
    uint32_t m_checksUntilClock = 0;

    // The timer and the elapsed seconds are read by the getter's thread too.
    std::mutex m_timeMutex;
    GameLib::CTimer m_timer;
    double m_elapsed = 0.0;

    std::atomic<bool> m_stop{false};
    std::atomic<int32_t> m_status{StatusNotRun};
    std::atomic<int32_t> m_currentMove{0};
    std::atomic<int32_t> m_openCount{0};
    std::atomic<int32_t> m_closedCount{0};
    std::atomic<int32_t> m_totalConstructed{0};
    std::atomic<int32_t> m_statesInCurrentMove{0};
    std::atomic<int32_t> m_statesLeft{0};
};
