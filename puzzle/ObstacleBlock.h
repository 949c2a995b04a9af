#pragma once

#include "puzzle/Block.h"

// Never moves and stops pushers like a wall, but counts as movable (the solver keeps its state).
class CObstacleBlock : public CBlock
{
public:
    explicit CObstacleBlock(CPuzzle* puzzle);

    int32_t GetKind() const override { return KindObstacle; }
    const char* GetTypeName() const override { return "obstacle"; }
    bool IsGrabbable() const override { return false; }
    // The distance when the set already holds the obstacle, else 0.
    float ComputeMove(BlockDirection d, float distance, int32_t limit, MoveSet& set) override;
};
