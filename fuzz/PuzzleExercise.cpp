#include "fuzz/PuzzleExercise.h"

#include "fuzz/FuzzSupport.h"
#include "puzzle/Block.h"
#include "puzzle/EditablePuzzle.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace Fuzz
{

namespace
{

// Steps the world until nothing moves; a board that keeps moving is left after the bound.
void Settle(CEditablePuzzle& puzzle)
{
    for (int step = 0; step < 400; ++step)
    {
        puzzle.Update(0.0);
        if (!puzzle.IsMoving())
        {
            return;
        }
    }
}

} // namespace

void ExercisePuzzle(CEditablePuzzle& puzzle)
{
    // Ids first: the commands may change the block list.
    std::vector<int32_t> ids;
    for (CBlock* block : puzzle.GetBlocks())
    {
        if (block->IsGrabbable() && ids.size() < 4)
        {
            ids.push_back(block->GetId());
        }
    }
    float offset = 1.5f;
    for (int32_t id : ids)
    {
        const CBlock* block = puzzle.FindBlockById(id);
        if (block == nullptr)
        {
            continue;
        }
        const BaseLib::CRectF rect = block->GetRect();
        puzzle.SelectBlock(id);
        puzzle.DragBlock(id, rect.left + offset, rect.top);
        puzzle.DragBlock(id, rect.left + offset, rect.top - offset);
        puzzle.Update(0.0);
        puzzle.Undo();
        puzzle.ReleaseBlock(id);
        Settle(puzzle);
        offset = -offset * 0.75f;
    }
    puzzle.Undo();
    Settle(puzzle);
    puzzle.Redo();
    Settle(puzzle);
    puzzle.Restart(true);
    Settle(puzzle);
    puzzle.SaveXml(ScratchPath("saved.xml"));
    puzzle.SaveBinary(ScratchPath("saved.blvl"));
}

} // namespace Fuzz
