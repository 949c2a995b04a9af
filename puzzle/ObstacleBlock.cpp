#include "puzzle/ObstacleBlock.h"

#include "puzzle/MoveSet.h"

CObstacleBlock::CObstacleBlock(CPuzzle* puzzle) : CBlock(puzzle)
{
    SetCanMoveX(false);
    SetCanMoveY(false);
}

float CObstacleBlock::ComputeMove(BlockDirection, float distance, int32_t, MoveSet& set)
{
    return set.Contains(this) ? distance : 0.0f;
}
