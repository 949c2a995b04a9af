#pragma once

#include "puzzle/Block.h"

// A wall: never moves and stops every pusher at its face.
class CWallBlock : public CBlock
{
public:
    explicit CWallBlock(CPuzzle* puzzle);
    // Placed at {x, y, x + w, y + h} as given (not quantised).
    CWallBlock(CPuzzle* puzzle, float x, float y, float w, float h);

    int32_t GetKind() const override { return KindWall; }
    const char* GetTypeName() const override { return "wall"; }
    bool IsMovable() const override { return false; }
    bool IsGrabbable() const override { return false; }
    float ComputeMove(BlockDirection d, float distance, int32_t limit, MoveSet& set) override;
};
