#pragma once

#include "puzzle/Block.h"

// The blocks that solve the level: the exits wait for them. They move by the base rules.
class CPlayerBlock : public CBlock
{
public:
    explicit CPlayerBlock(CPuzzle* puzzle) : CBlock(puzzle) {}

    int32_t GetKind() const override { return KindPlayer; }
    const char* GetTypeName() const override { return "player"; }
};
