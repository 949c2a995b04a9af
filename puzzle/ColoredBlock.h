#pragma once

#include "puzzle/Block.h"

// A block of one of seven colours (0 red, 1 yellow, 2 blue, 3 green, 4 black, 5 white, 6 orange). Inside
// the board it moves like a plain block; once it sticks out of the board it is held where it is (only a
// push of limit 2000 or more, which no caller makes, moves it back inward).
class CColoredBlock : public CBlock
{
public:
    CColoredBlock(CPuzzle* puzzle, int32_t colour);

    int32_t GetKind() const override { return KindColored; }
    // "colored_red" .. "colored_orange"; any other colour index is written as "colored_black".
    const char* GetTypeName() const override;
    float ComputeMove(BlockDirection d, float distance, int32_t limit, MoveSet& set) override;

    int32_t GetColour() const { return m_colour; }

private:
    int32_t m_colour;
};
