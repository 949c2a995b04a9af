#pragma once

#include "foundation/Rect.h"

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

class CBlock;

// One block's place: the block (not owned) and its rectangle in cells. Moves, the puzzle's snapshots and
// the solver's search nodes are lists of it.
struct BlockState
{
    CBlock* block = nullptr;
    BaseLib::CRectF rect;
};

// All four floats of the rects compare equal (as ==: -0 equals 0, NaN equals nothing), in one vector
// comparison where there is one: the solver compares every block's rect in every trial.
inline bool SameRectFloats(const BaseLib::CRectF& a, const BaseLib::CRectF& b)
{
#if defined(__SSE__)
    static_assert(sizeof(BaseLib::CRectF) == 4 * sizeof(float));
    return _mm_movemask_ps(_mm_cmpeq_ps(_mm_loadu_ps(&a.left), _mm_loadu_ps(&b.left))) == 0xf;
#else
    return (a.left == b.left) & (a.top == b.top) & (a.right == b.right) & (a.bottom == b.bottom);
#endif
}
