#include "puzzle/WallBlock.h"

CWallBlock::CWallBlock(CPuzzle* puzzle) : CBlock(puzzle)
{
    SetCanMoveX(false);
    SetCanMoveY(false);
}

CWallBlock::CWallBlock(CPuzzle* puzzle, float x, float y, float w, float h) : CWallBlock(puzzle)
{
    MoveTo(BaseLib::CRectF(x, y, x + w, y + h));
}

float CWallBlock::ComputeMove(BlockDirection, float, int32_t, MoveSet&)
{
    return 0.0f;
}
