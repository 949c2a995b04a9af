#pragma once

#include "puzzle/EditablePuzzle.h"
#include "puzzle/PuzzleRefiner.h"
#include "puzzle/PuzzleSolver.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace BaseLib
{
class CPathAliases;
}

// A shape the generator may lay: a row of cell characters (see CEditablePuzzle::BlockFromChar) and how
// often it is drawn relative to the other entries.
struct GeneratorEntry
{
    std::string pattern;
    int32_t weight = 0;
};

// Makes new puzzles by a random walk over block layouts: lays player blocks and weighted random shapes
// on an empty grid, has the solver judge every layout, saves each solvable layout whose optimal solution
// is long enough as "level>_<w>x<h>_<moves>m_<blocks>b_<seed>.xml", and keeps adding, swapping and
// removing shapes. Run loops on a worker thread until Stop; the main thread only calls Stop and deletes
// the generator after joining the worker.
//
// A run is repeatable: each cycle seeds this thread's random source (BaseLib::Random) from the seed
// source, and nothing else in a run depends on time, so the same seeds give the same layouts and files.
class PuzzleGenerator
{
public:
    // A cell of the layout grid; an empty cell is {'-', -1}.
    using Cell = PuzzleCell;
    // Gives the seed of each cycle; called on the worker at the start of the cycle and may call Stop.
    using SeedSource = std::function<int32_t()>;
    // Gives the next random number, 0 to 32767, in place of the seeded random source.
    using RandomSource = std::function<int32_t()>;

    // Any values are taken; a side outside 1 to CPuzzle::MaxBoardSide makes no grid (Run refuses it).
    // The player range is swapped when given the wrong way round. The shape list starts as "###" and
    // "##", weight 10 each.
    PuzzleGenerator(int32_t width, int32_t height, int32_t maxBlocks, int32_t minMoves, int32_t minPlayers,
                    int32_t maxPlayers, bool useRefiner);
    PuzzleGenerator(const PuzzleGenerator&) = delete;
    PuzzleGenerator& operator=(const PuzzleGenerator&) = delete;

    // The shape list becomes a copy of entries; the total weight their sum.
    void UpdateTotalWeight(const std::vector<GeneratorEntry>& entries);
    void AddEntry(const std::string& pattern, int32_t weight);
    // The table that resolves "level>"; not owned, and must outlive Run.
    void SetPathAliases(const BaseLib::CPathAliases* aliases) { m_aliases = aliases; }
    // By default each cycle's seed is the calendar time in whole seconds.
    void SetSeedSource(SeedSource source) { m_seedSource = std::move(source); }
    // Empty: the seeded per-thread random source (the default).
    void SetRandomSource(RandomSource source) { m_randomSource = std::move(source); }

    // The generator loop; returns once stopped. Without path aliases ("Generator: no path aliases") or
    // with a side outside 1 to CPuzzle::MaxBoardSide ("Generator: bad grid size WxH") it traces and
    // returns at once.
    void Run();
    // Safe from any thread: ends the run, the solve and the refine in progress soon. Final.
    void Stop();

    // ---- the layout steps, used by Run and open to tests ----

    // Lays the pattern downwards (vertical) or rightwards in the first run of free cells found from a
    // random start cell, cycling through the column or row (position 0 or more) or the whole grid
    // (position -1). Fails, drawing nothing, when the pattern is empty or longer than the side it runs
    // along, and fails when the search comes back to its start cell.
    bool PlaceShape(const std::string& pattern, bool vertical, int32_t position);
    // True when the n cells from (x, y) downwards or rightwards lie on the grid and are all empty.
    bool CanPlace(int32_t x, int32_t y, int32_t n, bool vertical) const;
    // Places a shape drawn by weight, in a random direction, anywhere. Fails, drawing nothing, when the
    // total weight is 0 or less.
    bool AddRandomShape();
    // Removes the first shape found from a random cell on (wrapping round); player shapes stay.
    void RemoveRandomShape();
    // Empties every cell of the group; the block count drops once when a cell changed. g < 0: nothing.
    void RemoveGroup(int32_t group);
    // Swaps the shape placed last for a new random one; when none can be added, a random shape goes.
    // A player shape placed last stays: the new shape is only added then.
    void SwapLastShape();
    // Traces the grid, one line per row.
    void DumpGrid() const;
    // Saves the puzzle under its generated name; a name already taken gets a counter from 2.
    void SavePuzzle(CEditablePuzzle& puzzle, int32_t moves, int32_t blocks, int32_t seed);
    // Empties the grid: every cell {'-', -1}, block count 0.
    void ClearGrid();

    // ---- state, for tests and measurements ----

    int32_t GetWidth() const { return m_width; }
    int32_t GetHeight() const { return m_height; }
    int32_t GetMinPlayers() const { return m_minPlayers; }
    int32_t GetMaxPlayers() const { return m_maxPlayers; }
    int32_t GetTotalWeight() const { return m_totalWeight; }
    // Row by row, index y * width + x; empty for a refused size.
    const std::vector<Cell>& GetCells() const { return m_cells; }
    int32_t GetBlockCount() const { return m_blockCount; }
    int32_t GetNextGroup() const { return m_nextGroup; }
    int32_t GetLastGroup() const { return m_lastGroup; }

    // Counters of the run; they only count.
    int64_t GetCycles() const { return m_cycles.load(); }
    int64_t GetLayoutsTried() const { return m_layoutsTried.load(); }
    int64_t GetLayoutsSolved() const { return m_layoutsSolved.load(); }
    int64_t GetPuzzlesSaved() const { return m_puzzlesSaved.load(); }
    // Seconds spent inside the refiner.
    double GetRefineSeconds() const { return m_refineSeconds.load(); }

private:
    int32_t Draw();
    bool IsValidSize() const;
    // Lays the cycle's player blocks and their exits; ends early only when stopped.
    void PlacePlayers(std::vector<PuzzleExit>& exits);
    // One cycle of at most MaxTries layouts.
    void RunCycle(CEditablePuzzle& puzzle, int32_t seed, const std::vector<PuzzleExit>& exits);
    // The solved layout's moves after the refiner, when it is used and improves them.
    int32_t Refine(CEditablePuzzle& puzzle, int32_t moves);

    static constexpr int32_t MaxTries = 200;

    std::vector<GeneratorEntry> m_entries;
    int32_t m_totalWeight = 0;
    int32_t m_width;
    int32_t m_height;
    int32_t m_maxBlocks;
    int32_t m_minMoves;
    int32_t m_minPlayers;
    int32_t m_maxPlayers;
    bool m_useRefiner;

    PuzzleSolver m_solver;
    PuzzleRefiner m_refiner;

    std::vector<Cell> m_cells;
    int32_t m_blockCount = 0;
    int32_t m_nextGroup = 0;
    int32_t m_lastGroup = -1;

    const BaseLib::CPathAliases* m_aliases = nullptr;
    SeedSource m_seedSource;
    RandomSource m_randomSource;

    std::atomic<bool> m_stop{false};
    // Set while the worker is inside the refiner, whose run clears its own stop flag as it begins.
    std::atomic<bool> m_refining{false};

    std::atomic<int64_t> m_cycles{0};
    std::atomic<int64_t> m_layoutsTried{0};
    std::atomic<int64_t> m_layoutsSolved{0};
    std::atomic<int64_t> m_puzzlesSaved{0};
    std::atomic<double> m_refineSeconds{0.0};
};
