#pragma once

#include "puzzle/Block.h"

// A flexible block: squeezed when pushed harder than its strength against something that does not give
// way, stretched when the block in front of it moves away, and springing back to one cell on its own by
// up to 0.1875 cells per side per step. "flex" has strength 5, "weakflex" strength 1.
class CFlexBlock : public CBlock
{
public:
    enum Axis
    {
        AxisVertical,
        AxisHorizontal
    };

    // weak: 0 for "flex", 1 for "weakflex".
    CFlexBlock(CPuzzle* puzzle, int32_t weak);

    int32_t GetKind() const override { return KindFlex; }
    const char* GetTypeName() const override { return m_weak != 0 ? "weakflex" : "flex"; }
    bool IsGrabbable() const override { return false; }
    // The glide, then the spring-back toward one cell on each axis where the block is not one cell long.
    void Update(double dt) override;
    float ComputeMove(BlockDirection d, float distance, int32_t limit, MoveSet& set) override;
    float ComputeMoveAlt(BlockDirection d, float distance, int32_t limit, MoveSet& set) override;

    int32_t IsWeak() const { return m_weak; }
    int32_t GetStrength() const { return m_strength; }
    bool IsSpringing() const { return m_springing; }
    // How much the block can give way along d under the limit: 0 unless the limit is above its strength.
    float GetGivableExtent(BlockDirection d, int32_t limit) const;
    // How far the block is squeezed along d's axis: 1 minus its extent there.
    float GetCompression(BlockDirection d) const;
    // Grows the block by up to g along the axis, split between its two sides, pushing with its strength
    // what stands in front of each side.
    void SpringBack(Axis axis, float g);

private:
    // The base push rule toward d with the neighbour on the other side pinned in the set.
    float ComputePinned(BlockDirection d, float distance, CBlock* pinned, MoveSet& set);

    int32_t m_weak;
    bool m_springing = false;
    int32_t m_strength;
};
