#pragma once

#include "puzzle/Puzzle.h"

// The puzzle as the endless-play mode and the editors know it; it plays exactly like CPuzzle.
class CEndlessPlayPuzzle : public CPuzzle
{
public:
    void Update(double dt) override { CPuzzle::Update(dt); }
};
