#pragma once

#include "puzzle/Block.h"

#include <vector>

// An exit: not solid, never moved, not grabbable. The level is solved when every exit holds a player
// block that covers it exactly and no block is held.
class CLevelSolvedTriggerBlock : public CBlock
{
public:
    explicit CLevelSolvedTriggerBlock(CPuzzle* puzzle);

    int32_t GetKind() const override { return KindLevelSolvedTrigger; }
    const char* GetTypeName() const override { return "levelsolvedtrigger"; }
    bool IsMovable() const override { return false; }
    bool IsGrabbable() const override { return false; }
    // The base rebuild, then the candidates (the player blocks) and the group (every other exit).
    void RebuildLinks() override;
    // Sets the puzzle's solved flag when this exit and its whole group are reached. Never glides.
    void Update(double dt) override;

    // False while a block is held; true when some player block's rect equals this rect in all four floats.
    bool IsReached() const;

private:
    std::vector<CBlock*> m_candidates;
    std::vector<CLevelSolvedTriggerBlock*> m_group;
};
