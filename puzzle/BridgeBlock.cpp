#include "puzzle/BridgeBlock.h"

#include "puzzle/Puzzle.h"

#include <algorithm>

CBridgeBlock::CBridgeBlock(CPuzzle* puzzle) : CBlock(puzzle)
{
    SetSolid(false);
}

float CBridgeBlock::ComputeMove(BlockDirection d, float distance, int32_t limit, MoveSet& set)
{
    float r = BaseComputeMove(d, distance, limit, set);
    if (!(r > 0.0f))
    {
        return r;
    }
    const BaseLib::CRectF& rect = GetRect();
    const BaseLib::CRectF strip = SweptStrip(rect, d, r);
    thread_local std::vector<CBlock*> found;
    GetPuzzle()->GetGrid().CollectBlocksInRect(strip, found, false);
    for (const CBlock* other : found)
    {
        if (other->GetKind() != KindBridge)
        {
            continue;
        }
        const BaseLib::CRectF& o = other->GetRect();
        float gap;
        switch (d)
        {
        case DirectionNorth:
            gap = rect.top - o.bottom;
            break;
        case DirectionSouth:
            gap = o.top - rect.bottom;
            break;
        case DirectionWest:
            gap = rect.left - o.right;
            break;
        default:
            gap = o.left - rect.right;
            break;
        }
        r = std::min(r, gap);
    }
    return r;
}
