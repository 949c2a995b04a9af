#pragma once

#include "foundation/Rect.h"

class CBlock;

// One block's place: the block (not owned) and its rectangle in cells. Moves, the puzzle's snapshots and
// the solver's search nodes are lists of it.
struct BlockState
{
    CBlock* block = nullptr;
    BaseLib::CRectF rect;
};
