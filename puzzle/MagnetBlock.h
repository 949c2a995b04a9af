#pragma once

#include "puzzle/Block.h"

#include <vector>

// A magnet acts on the other magnets of its mode within its search band (its row or column when it moves
// along one axis only, the whole board when it moves along both): a pulling magnet (mode 0) moves toward
// the nearest one by up to 0.1875 cells per step, a pushing magnet (mode 1) away from it.
class CMagnetBlock : public CBlock
{
public:
    static constexpr int32_t ModePulling = 0;
    static constexpr int32_t ModePushing = 1;
    // The strength of a magnet's own move; a magnet is held by its partner against moves up to it.
    static constexpr int32_t Strength = 10;

    CMagnetBlock(CPuzzle* puzzle, int32_t mode);

    int32_t GetKind() const override { return KindMagnet; }
    // "magnet_pushing" for mode 1, "magnet_pulling" otherwise.
    const char* GetTypeName() const override;
    // The base rebuild, then the partners: every magnet of the same mode outside this block's piece.
    void RebuildLinks() override;
    // Moves toward (or away from) the pull; glides only when nothing pulls and it did not move.
    void Update(double dt) override;
    // Up to limit 10 a magnet is not moved away from the partner that pulls it.
    float ComputeMove(BlockDirection d, float distance, int32_t limit, MoveSet& set) override;

    int32_t GetMode() const { return m_mode; }
    const std::vector<CMagnetBlock*>& GetPartners() const { return m_partners; }

    // The nearest partner in the band. Returns false when none is found or partners stand on opposite
    // sides (the magnet is held in balance). For a pulling magnet `direction` points to the partner and
    // `distance` is the gap; for a pushing magnet it points away and the distance is 100.
    bool FindPull(BlockDirection& direction, float& distance) const;

private:
    int32_t m_mode;
    std::vector<CMagnetBlock*> m_partners;
};
