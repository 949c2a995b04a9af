#pragma once

#include "game/DeveloperTools.h"

#include <cstdint>
#include <vector>

class CEditablePuzzle;
class CQuarrowWorld;

// Plays the current level by itself to exercise the move rules: every grabbable block is dragged through
// a fixed sweep of distances along both axes, first in a shuffled order and then systematically, one
// move per step through the game input channel as the mouse would; with no moves left it posts
// "SetSolved" every step. A new level (a new change number) gets a new plan; a restart keeps it.
class CStressTester : public StressTesterInterface
{
public:
    // A planned move: the block, the drag from where it stands, and the order key (-1 for the
    // systematic sweep, 0 to 32767 for the shuffled moves).
    struct Move
    {
        std::int32_t blockId = 0;
        float dx = 0.0f;
        float dy = 0.0f;
        std::int32_t key = -1;
    };

    explicit CStressTester(CQuarrowWorld* world);

    void Update(double dt) override;

    // The moves still to play; the last one goes next.
    const std::vector<Move>& GetPlan() const { return m_plan; }

    // The sweep's distances: from -4 by 0.2, summed in single precision, while at most 4 (40 values).
    static std::vector<float> SweepDistances();

private:
    void BuildPlan(const CEditablePuzzle& puzzle);
    void Step(CEditablePuzzle& puzzle);

    CQuarrowWorld* m_world;
    // The change number the plan was made for; -1 when none (wider than any change number).
    std::int64_t m_seenPuzzle = -1;
    std::vector<Move> m_plan;
};
