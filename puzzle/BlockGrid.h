#pragma once

#include "foundation/Rect.h"
#include "puzzle/BlockDirection.h"

#include <cstdint>
#include <memory>
#include <vector>

class CBlock;
class MoveSet;

// The occupancy grid: for every cell of the board, of a one-cell ring around it, and of four catch-all
// cells beyond the ring (one per direction), the blocks whose rectangles cover that cell.
//
// The cell range of a rectangle runs from floor(left) to floor(right) and floor(top) to floor(bottom),
// both inclusive, except that an edge on a whole cell that closes a positive extent excludes its cell.
// Scans clamp the range to the ring [-1, width + 1) x [-1, height + 1); a range reaching beyond the ring
// also lists the block in the outside cell of that side. Cells are visited x-major (x outer, y inner) and
// the outside cells in the order west, north, east, south. Blocks are not owned.
class BlockGrid
{
public:
    BlockGrid();
    ~BlockGrid();
    BlockGrid(const BlockGrid&) = delete;
    BlockGrid& operator=(const BlockGrid&) = delete;

    // Drops and reallocates every cell empty when the size changes (the caller re-enters the blocks);
    // negative sizes count as 0.
    void Resize(int32_t width, int32_t height);
    void Clear();

    int32_t GetWidth() const { return m_width; }
    int32_t GetHeight() const { return m_height; }

    // Enters the block in every cell of the rect's range that does not list it yet.
    void AddBlock(CBlock* block);
    void AddBlock(CBlock* block, const BaseLib::CRectF& rect);
    // Takes the block out of the cells of the rect's range; a cell that does not list it is left alone.
    void RemoveBlock(CBlock* block);
    void RemoveBlock(CBlock* block, const BaseLib::CRectF& rect);
    // RemoveBlock(oldRect), then AddBlock(newRect). A block calls it right after its rect changed from
    // oldRect to newRect.
    void MoveBlock(CBlock* block, const BaseLib::CRectF& oldRect, const BaseLib::CRectF& newRect);

    // MoveBlock for a block of this grid's puzzle whose rect just changed from oldRect to newRect, in
    // fewer steps while every entry lies in its block's range: taken out of the old range it is listed
    // nowhere, so the new cells need no look-up before it is entered.
    void Relocate(CBlock* block, const BaseLib::CRectF& oldRect, const BaseLib::CRectF& newRect);

    // The number of cells (outside cells included) the rect's range covers: the entries a block with that
    // rect takes.
    int64_t CountCells(const BaseLib::CRectF& rect) const;

    // Cells outside the ring count as empty.
    bool IsCellEmpty(int32_t x, int32_t y) const;

    // Every block (every solid block when asked) whose rect strictly overlaps the rect, appended once per
    // cell that lists it, cells in array order. The list is emptied first.
    void CollectBlocksInRect(const BaseLib::CRectF& rect, std::vector<CBlock*>& list, bool solidOnly) const;

    // Every solid block touching the rect's edge on side d from outside; returns the list's length.
    int32_t CollectBlocksInDirection(const BaseLib::CRectF& rect, BlockDirection d,
                                     std::vector<CBlock*>& list) const;

    // The nearest solid block overlapping the strip, measured from the strip's edge on side `side` (the
    // side facing the mover); `gap` receives its distance, or the largest float when none is found.
    // Among equal gaps the first visited wins. A block whose neighbour on `side` has no width or height
    // is passed through to that neighbour. Returns null when no block is found.
    CBlock* FindNearestInStrip(const BaseLib::CRectF& strip, BlockDirection side, float& gap) const;
    // The same, passing over the blocks of `set` and of `piece`'s link set (either may be null): the
    // push rule's repeated strip test looks past the blocks it has already handled.
    CBlock* FindNearestInStrip(const BaseLib::CRectF& strip, BlockDirection side, float& gap,
                               const MoveSet* set, const CBlock* piece) const;

    // False when some listed block stands where its cell says it cannot. Answers at once while every
    // entry is known to lie in a cell of its block's own range (such an entry always passes): that holds
    // from an empty grid on as long as only blocks of the grid's own puzzle are entered, each with its
    // current rect (their moves update this grid). Any other entry makes every later check a full scan
    // until the grid is emptied.
    bool CheckConsistency() const;

    // ---- the journal, for searches ----

    // The most cell changes one journal holds; past it the journal overflows and cannot roll back.
    static constexpr size_t MaxJournalEntries = 4096;
    // From now on every change of a cell is journaled, until the next start; resizing or clearing the
    // grid spoils the journal.
    void StartJournal()
    {
        if (m_journal.capacity() == 0)
        {
            m_journal.reserve(MaxJournalEntries);
        }
        m_journal.clear();
        m_journalOn = true;
        m_journalSpoilt = false;
    }
    // Journals no more changes until the next start; the journal cannot roll back meanwhile. For a caller
    // that moves blocks it will never roll back.
    void StopJournal() { SpoilJournal(); }
    // Takes every cell back to what it held when the journal started, in the same order, newest change
    // first, and empties the journal. False, changing nothing, when the journal overflowed, was spoilt or
    // never started. The blocks' own rects are the caller's to put back.
    bool RollBack();

    // Number of entries of the cell (x, y) inside the ring; -1 outside. For tests and tools.
    int32_t GetCellCount(int32_t x, int32_t y) const;
    bool CellContains(int32_t x, int32_t y, const CBlock* block) const;
    // The catch-all cell beyond the ring on side d.
    bool OutsideCellContains(BlockDirection d, const CBlock* block) const;

private:
    // A cell keeps ten entries inline and grows onto the heap beyond that, so adding and removing never
    // allocates in play while no cell ever overflows.
    class Cell
    {
    public:
        static constexpr int32_t InlineCapacity = 10;

        int32_t Count() const { return m_count; }
        CBlock* At(int32_t i) const { return m_data[i]; }
        bool Contains(const CBlock* block) const;
        void Append(CBlock* block);
        // The index the block stood at, or -1 when the cell does not list it.
        int32_t Remove(const CBlock* block);
        // Undoes Remove(block) that returned `index`, then Append.
        void Reinsert(CBlock* block, int32_t index);
        void DropLast() { --m_count; }
        void Clear() { m_count = 0; }

    private:
        CBlock* m_inline[InlineCapacity] = {};
        std::unique_ptr<CBlock*[]> m_heap;
        CBlock** m_data = m_inline;
        int32_t m_count = 0;
        int32_t m_capacity = InlineCapacity;

    public:
        Cell() = default;
        Cell(const Cell&) = delete;
        Cell& operator=(const Cell&) = delete;
    };

    struct CellRange
    {
        int32_t firstX, lastX, firstY, lastY; // unclamped, inclusive
    };

    static CellRange RangeOf(const BaseLib::CRectF& rect);
    // RangeOf expanded where it is used, for Relocate: a search puts blocks back thousands of times a
    // second.
    [[gnu::always_inline]] static inline CellRange RangeInPlace(const BaseLib::CRectF& rect);
    const Cell* InnerCell(int32_t x, int32_t y) const;
    Cell* InnerCell(int32_t x, int32_t y);

    template <class Grid, class Visit>
    static void ForEachCell(Grid& grid, const CellRange& range, const Visit& visit);

    // A cell change: `index` is where a removed block stood, -1 for an append.
    struct JournalEntry
    {
        Cell* cell;
        CBlock* block;
        int32_t index;
    };
    void Journal(Cell& cell, CBlock* block, int32_t index)
    {
        if (!m_journalOn)
        {
            return;
        }
        if (m_journal.size() < MaxJournalEntries)
        {
            m_journal.push_back({&cell, block, index});
        }
        else
        {
            m_journalOn = false;
            m_journalSpoilt = true;
        }
    }
    void SpoilJournal()
    {
        m_journalOn = false;
        m_journalSpoilt = true;
    }

    // The check itself: every entry of every cell.
    bool ScanConsistency() const;
    // An empty grid has every entry in range; so small that cell coordinates convert to float exactly.
    bool IsSmall() const { return m_width < (1 << 20) && m_height < (1 << 20); }

    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_x0 = -1;
    int32_t m_y0 = -1;
    int32_t m_x1 = 1;
    int32_t m_y1 = 1;
    int32_t m_innerCount = 4;
    int32_t m_totalCount = 8;
    std::unique_ptr<Cell[]> m_cells;
    // Every entry lies in a cell of the range of its block's current rect, and its block reports its
    // moves to this grid.
    bool m_entriesInRange = true;
    std::vector<JournalEntry> m_journal;
    bool m_journalOn = false;
    bool m_journalSpoilt = true;
};
