#pragma once

#include "puzzle/Block.h"
#include "puzzle/EditablePuzzle.h"

#include <cstdint>
#include <vector>

// The game benchmarks' boards: the largest level board (8 × 6) and a 64 × 64 board, each with every cell
// but the last holding a single-cell normal block showing the model set's default part, on the "jungle"
// set with the 8 × 6 board model, and one exit east of the first row.
namespace BenchBoards
{

inline constexpr std::int32_t LevelWidth = 8, LevelHeight = 6;
inline constexpr std::int32_t LargeSide = 64;

// False when the puzzle refused the size.
inline bool MakeFullBoard(CEditablePuzzle& puzzle, std::int32_t width, std::int32_t height)
{
    std::vector<PuzzleCell> cells(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (std::size_t i = 0; i + 1 < cells.size(); ++i)
    {
        // A group of its own per cell: no two blocks link.
        cells[i] = {'A', static_cast<std::int32_t>(i)};
    }
    if (!puzzle.CreateFromCellGrid(cells, width, height, {{DirectionEast, 0}}))
    {
        return false;
    }
    puzzle.SetGfxSetName("jungle");
    puzzle.SetBoardName("field_8x6");
    for (CBlock* block : puzzle.GetBlocks())
    {
        if (block->IsShown())
        {
            block->SetModelName("blk_default");
        }
    }
    return true;
}

} // namespace BenchBoards
