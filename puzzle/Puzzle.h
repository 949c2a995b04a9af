#pragma once

#include "puzzle/BlockGrid.h"

#include <cstdint>
#include <vector>

class CBlock;

// One puzzle in memory: the board size in cells, the blocks standing on it (owned, in insertion order)
// and the occupancy grid that tells which blocks cover which cell. A puzzle is used by one thread at a
// time and takes no lock.
class CPuzzle
{
public:
    CPuzzle();
    virtual ~CPuzzle();
    CPuzzle(const CPuzzle&) = delete;
    CPuzzle& operator=(const CPuzzle&) = delete;

    int32_t GetWidth() const { return m_width; }
    int32_t GetHeight() const { return m_height; }
    // Sets the board size in cells and enters every block into the grid again; negative sizes count as 0.
    void ResizeBoard(int32_t width, int32_t height);

    // The first block of the list with the id, or null.
    CBlock* FindBlockById(int32_t id) const;
    // Appends the block (the puzzle takes ownership) and enters it into the grid.
    void AddBlock(CBlock* block);
    const std::vector<CBlock*>& GetBlocks() const { return m_blocks; }

    BlockGrid& GetGrid() { return m_grid; }
    const BlockGrid& GetGrid() const { return m_grid; }

    // Id of the held block, -1 when none.
    int32_t GetSelectedBlockId() const { return m_selectedBlockId; }
    // Holds the block with the id when nothing is held and nothing moved in the last step.
    void SelectBlock(int32_t id);
    // Lets go of the block when it is the held one.
    void ReleaseBlock(int32_t id);

protected:
    std::vector<CBlock*> m_blocks;
    BlockGrid m_grid;
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_selectedBlockId = -1;
    bool m_moving = false;
};
