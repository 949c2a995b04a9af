#pragma once

#include "puzzle/Block.h"

#include <vector>

// Linked blocks all move together: when one of them moves, every other linked block of the puzzle
// moves by the same distance, in the same direction or, for a member confined to the other axis, in the
// mapped direction. A group moves at most one cell per move.
class CLinkedBlock : public CBlock
{
public:
    explicit CLinkedBlock(CPuzzle* puzzle);

    int32_t GetKind() const override { return KindLinked; }
    const char* GetTypeName() const override { return "linked"; }
    // The base rebuild, then the group: this block first, then every other linked block outside its
    // piece, in list order.
    void RebuildLinks() override;
    // No glide while a block of the group's pieces is held.
    void Update(double dt) override;
    float ComputeMove(BlockDirection d, float distance, int32_t limit, MoveSet& set) override;

    const std::vector<CLinkedBlock*>& GetGroup() const { return m_group; }

    // d as the member moves it: for a member that cannot move along y, north becomes east and south
    // becomes west; then, for one that cannot move along x, west becomes south and east becomes north.
    static BlockDirection MapDirection(const CBlock* member, BlockDirection d);

private:
    std::vector<CLinkedBlock*> m_group;
    float m_groupResult = 0.0f;
};
