#pragma once

#include "puzzle/Block.h"
#include "puzzle/Puzzle.h"

#include <cmath>

// Small boards built in code for the puzzle tests.
namespace Boards
{

// Places a new block (owned by the puzzle from here on) at {x, y, x + w, y + h} and adds it.
template <class Block, class... Args>
Block* Place(CPuzzle& puzzle, float x, float y, float w = 1.0f, float h = 1.0f, Args... args)
{
    Block* block = new Block(&puzzle, args...);
    block->MoveTo(BaseLib::CRectF(x, y, x + w, y + h));
    puzzle.AddBlock(block);
    return block;
}

// Selects the block, drags it to (x, y) and releases it.
inline void Drag(CPuzzle& puzzle, CBlock* block, float x, float y)
{
    puzzle.SelectBlock(block->GetId());
    puzzle.DragBlock(block->GetId(), x, y);
    puzzle.ReleaseBlock(block->GetId());
}

// Updates the puzzle by dt until no block moves; false when it still moves after maxSteps updates.
inline bool StepUntilRest(CPuzzle& puzzle, int maxSteps, double dt = 0.0)
{
    for (int i = 0; i < maxSteps; ++i)
    {
        puzzle.Update(dt);
        if (!puzzle.IsMoving())
        {
            return true;
        }
    }
    return false;
}

inline bool OnSixtyFourths(float v)
{
    return std::floor(v * 64.0f) == v * 64.0f;
}

inline void RebuildAllLinks(CPuzzle& puzzle)
{
    for (CBlock* block : puzzle.GetBlocks())
    {
        block->RebuildLinks();
    }
}

} // namespace Boards
