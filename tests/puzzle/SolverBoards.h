#pragma once

#include "puzzle/Block.h"
#include "puzzle/BridgeBlock.h"
#include "puzzle/ColoredBlock.h"
#include "puzzle/EditablePuzzle.h"
#include "puzzle/FlexBlock.h"
#include "puzzle/LevelSolvedTriggerBlock.h"
#include "puzzle/LinkedBlock.h"
#include "puzzle/MagnetBlock.h"
#include "puzzle/ObstacleBlock.h"
#include "puzzle/PlayerBlock.h"
#include "puzzle/WallBlock.h"

#include <string>
#include <vector>

// Boards for the solver tests, drawn as rows of characters and built in code.
namespace SolverBoards
{

using Exit = PuzzleExit;

inline CBlock* BlockFor(CPuzzle& puzzle, char c)
{
    switch (c)
    {
    case 'P':
        return new CPlayerBlock(&puzzle);
    case 'B':
        return new CBlock(&puzzle);
    case 'O':
        return new CObstacleBlock(&puzzle);
    case 'M':
        return new CMagnetBlock(&puzzle, CMagnetBlock::ModePulling);
    case 'F':
        return new CFlexBlock(&puzzle, 0);
    case 'W':
        return new CFlexBlock(&puzzle, 1);
    case 'L':
        return new CLinkedBlock(&puzzle);
    case 'R':
        return new CBridgeBlock(&puzzle);
    case 'C':
        return new CColoredBlock(&puzzle, 0);
    case '#':
        return new CWallBlock(&puzzle);
    default:
        return nullptr;
    }
}

// Builds the board from its rows (row 0 first; '.' empty, 'P' player, 'B' plain, 'O' obstacle,
// 'M' pulling magnet, 'F' flex, 'W' weak flex, 'L' linked, 'R' bridge, 'C' coloured, '#' wall) inside
// a border with the exits, and takes the start snapshot. Blocks are added after the border, in row order.
inline void Build(CEditablePuzzle& puzzle, const std::vector<std::string>& rows,
                  const std::vector<Exit>& exits)
{
    const int32_t h = static_cast<int32_t>(rows.size());
    const int32_t w = h > 0 ? static_cast<int32_t>(rows[0].size()) : 0;
    puzzle.ResizeBoard(w, h);
    puzzle.SetExits(exits);
    for (int32_t y = 0; y < h; ++y)
    {
        for (int32_t x = 0; x < static_cast<int32_t>(rows[y].size()); ++x)
        {
            CBlock* block = BlockFor(puzzle, rows[y][x]);
            if (block != nullptr)
            {
                block->MoveTo(BaseLib::CRectF(static_cast<float>(x), static_cast<float>(y),
                                              static_cast<float>(x + 1), static_cast<float>(y + 1)));
                puzzle.AddBlock(block);
            }
        }
    }
    puzzle.TakeStartSnapshot();
}

// The block whose top-left corner stands at (x, y), walls and exits left out; null when none.
inline CBlock* At(const CPuzzle& puzzle, float x, float y)
{
    for (CBlock* block : puzzle.GetBlocks())
    {
        if (block->IsMovable() && block->GetRect().left == x && block->GetRect().top == y)
        {
            return block;
        }
    }
    return nullptr;
}

// Links the blocks at (x, y) and the cell east of it (or south of it) into one rigid piece and takes the
// start snapshot again.
inline void LinkEast(CEditablePuzzle& puzzle, float x, float y)
{
    At(puzzle, x, y)->SetNeighbour(DirectionEast, At(puzzle, x + 1, y));
    puzzle.TakeStartSnapshot();
}

inline void LinkSouth(CEditablePuzzle& puzzle, float x, float y)
{
    At(puzzle, x, y)->SetNeighbour(DirectionSouth, At(puzzle, x, y + 1));
    puzzle.TakeStartSnapshot();
}

using Rects = std::vector<BaseLib::CRectF>;

// Every block's rect, in list order.
inline Rects BoardRects(const CPuzzle& puzzle)
{
    Rects rects;
    for (const CBlock* block : puzzle.GetBlocks())
    {
        rects.push_back(block->GetRect());
    }
    return rects;
}

} // namespace SolverBoards
