#pragma once

#include "puzzle/Block.h"

#include <vector>

// Not solid: other blocks pass over a bridge. Bridges stop at each other and at nothing else that is not
// solid.
class CBridgeBlock : public CBlock
{
public:
    explicit CBridgeBlock(CPuzzle* puzzle);

    int32_t GetKind() const override { return KindBridge; }
    const char* GetTypeName() const override { return "bridge"; }
    bool IsGrabbable() const override { return false; }
    float ComputeMove(BlockDirection d, float distance, int32_t limit, MoveSet& set) override;
};
