#pragma once

#include "puzzle/BoardExplorer.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

class CEditablePuzzle;
class PuzzleSolver;

// Looks for a harder variant of a solvable puzzle: searches breadth-first the start positions reachable
// from its start by moving blocks, solves each new one, and makes the one with the longest optimal
// solution the puzzle's start, with that length as its min solve moves.
//
// Refine runs on one thread (usually a worker); Stop and the getters may be called from any other thread
// while it runs. The puzzle (owned by the caller) must not be played or drawn meanwhile.
class PuzzleRefiner final : private SearchClient
{
public:
    enum Status : int32_t
    {
        StatusIdle = 0,
        StatusRunning = 1,
        StatusImproved = 2,
        StatusNotImproved = 3
    };

    PuzzleRefiner();
    ~PuzzleRefiner();
    PuzzleRefiner(const PuzzleRefiner&) = delete;
    PuzzleRefiner& operator=(const PuzzleRefiner&) = delete;

    // Takes the puzzle; the original and highest move counts become -1 and no best position is known.
    void SetPuzzle(CEditablePuzzle* puzzle);
    // How much shorter than its parent's a position's solution may be for the search to go on from it
    // (0 unless set).
    void SetAllowedDecrease(int32_t moves) { m_allowedDecrease = moves; }
    // The node memory the search may hold, its own positions and those of the solve inside it alike
    // (DefaultSearchMemoryBudget, taken when the search begins, unless set). A search that would pass it, or
    // in which an allocation fails, ends as a stop does, with one trace line.
    void SetMemoryBudget(size_t bytes) { m_memoryBudget = bytes; }
    // The last run ended for lack of memory.
    bool RanOutOfMemory() const { return m_outOfMemory.load(); }

    // The search; answers 2 when a position with a longer solution became the start, 3 when none was
    // found (the start stays) or the puzzle cannot be solved (nothing changes).
    int32_t Refine();
    // Ends the search within a few trial moves, and the solve running inside it at once. A search that
    // has its original length installs the best position found so far; a stop during the first solve
    // leaves the puzzle at its start with status 3.
    void Stop();

    int32_t GetStatus() const { return m_status.load(); }
    // The optimal move count of the puzzle as handed over; -1 until known.
    int32_t GetOriginalMoves() const { return m_initialMoves.load(); }
    // The highest optimal move count found; -1 until known.
    int32_t GetHighestMoves() const { return m_bestMoves.load(); }
    int32_t GetOpenCount() const { return m_openCount.load(); }
    // The positions kept that are no longer open.
    int32_t GetClosedCount() const { return m_closedCount.load() - m_openCount.load(); }
    // Positions taken from the open list and searched from in the last run (for measurements).
    int64_t GetExpandedCount() const { return m_expanded; }

private:
    SearchInterrupt CheckInterrupt() override;
    bool HandleChild(SolverNode* child) override;

    void PublishListSizes();
    int32_t Finish();
    // The search from the start's first solve on; Refine's body.
    int32_t Search();
    // Notes the end for lack of memory and traces it once.
    void NoteOutOfMemory(size_t states, size_t bytes);

    CEditablePuzzle* m_puzzle = nullptr;
    BoardExplorer m_explorer;
    SolverNode* m_best = nullptr;
    SolverNode* m_expanding = nullptr;
    int32_t m_allowedDecrease = 0;
    std::optional<size_t> m_memoryBudget;
    // The budget of the search going on.
    size_t m_runBudget = 0;
    std::atomic<bool> m_outOfMemory{false};
    int64_t m_expanded = 0;

    // The solver of the running search; Stop reaches it from another thread.
    std::mutex m_solverMutex;
    std::unique_ptr<PuzzleSolver> m_solver;

    std::atomic<bool> m_stop{false};
    std::atomic<int32_t> m_status{StatusIdle};
    std::atomic<int32_t> m_initialMoves{-1};
    std::atomic<int32_t> m_bestMoves{-1};
    std::atomic<int32_t> m_openCount{0};
    std::atomic<int32_t> m_closedCount{0};
};
