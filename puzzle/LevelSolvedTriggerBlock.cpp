#include "puzzle/LevelSolvedTriggerBlock.h"

#include "puzzle/Puzzle.h"

CLevelSolvedTriggerBlock::CLevelSolvedTriggerBlock(CPuzzle* puzzle) : CBlock(puzzle)
{
    SetSolid(false);
}

void CLevelSolvedTriggerBlock::RebuildLinks()
{
    CBlock::RebuildLinks();
    m_candidates.clear();
    m_group.clear();
    for (CBlock* block : GetPuzzle()->GetBlocks())
    {
        if (block->GetKind() == KindPlayer)
        {
            m_candidates.push_back(block);
        }
        else if (block->GetKind() == KindLevelSolvedTrigger && block != this)
        {
            m_group.push_back(static_cast<CLevelSolvedTriggerBlock*>(block));
        }
    }
}

bool CLevelSolvedTriggerBlock::IsReached() const
{
    if (GetPuzzle()->GetSelectedBlockId() >= 0)
    {
        return false;
    }
    const BaseLib::CRectF& rect = GetRect();
    for (const CBlock* candidate : m_candidates)
    {
        const BaseLib::CRectF& c = candidate->GetRect();
        if (c.left == rect.left && c.top == rect.top && c.right == rect.right && c.bottom == rect.bottom)
        {
            return true;
        }
    }
    return false;
}

void CLevelSolvedTriggerBlock::Update(double)
{
    if (!IsReached())
    {
        return;
    }
    for (const CLevelSolvedTriggerBlock* other : m_group)
    {
        if (!other->IsReached())
        {
            return;
        }
    }
    GetPuzzle()->SetSolved();
}
