#include "puzzle/ColoredBlock.h"

#include "puzzle/Puzzle.h"

CColoredBlock::CColoredBlock(CPuzzle* puzzle, int32_t colour) : CBlock(puzzle), m_colour(colour) {}

const char* CColoredBlock::GetTypeName() const
{
    static const char* const names[] = {"colored_red",   "colored_yellow", "colored_blue",  "colored_green",
                                        "colored_black", "colored_white",  "colored_orange"};
    return m_colour >= 0 && m_colour < 7 ? names[m_colour] : "colored_black";
}

float CColoredBlock::ComputeMove(BlockDirection d, float distance, int32_t limit, MoveSet& set)
{
    const BaseLib::CRectF& rect = GetRect();
    const float width = static_cast<float>(GetPuzzle()->GetWidth());
    const float height = static_cast<float>(GetPuzzle()->GetHeight());
    const bool outWest = rect.left < 0.0f;
    const bool outNorth = rect.top < 0.0f;
    const bool outEast = rect.right > width;
    const bool outSouth = rect.bottom > height;
    if ((outWest && d == DirectionWest) || (outNorth && d == DirectionNorth) ||
        (outEast && d == DirectionEast) || (outSouth && d == DirectionSouth))
    {
        return 0.0f;
    }
    if (limit < 2000 && (outWest || outNorth || outEast || outSouth))
    {
        return 0.0f;
    }
    return BaseComputeMove(d, distance, limit, set);
}
