#include "puzzle/LinkedBlock.h"

#include "puzzle/MoveSet.h"
#include "puzzle/Puzzle.h"

#include <algorithm>
#include <cmath>

namespace
{

// A group moves at most this far in one computation.
constexpr float MaxGroupDistance = 1.0f;
// The probes grow by half a cell after the first one up to the next whole cell.
constexpr float ProbeStep = 0.5f;

} // namespace

CLinkedBlock::CLinkedBlock(CPuzzle* puzzle) : CBlock(puzzle) {}

BlockDirection CLinkedBlock::MapDirection(const CBlock* member, BlockDirection d)
{
    if (!member->CanMoveY())
    {
        if (d == DirectionNorth)
        {
            d = DirectionEast;
        }
        else if (d == DirectionSouth)
        {
            d = DirectionWest;
        }
    }
    if (!member->CanMoveX())
    {
        if (d == DirectionWest)
        {
            d = DirectionSouth;
        }
        else if (d == DirectionEast)
        {
            d = DirectionNorth;
        }
    }
    return d;
}

void CLinkedBlock::RebuildLinks()
{
    CBlock::RebuildLinks();
    m_group.clear();
    m_group.push_back(this);
    for (CBlock* block : GetPuzzle()->GetBlocks())
    {
        if (block->GetKind() == KindLinked && block != this && !LinkSetContains(block))
        {
            m_group.push_back(static_cast<CLinkedBlock*>(block));
        }
    }
}

void CLinkedBlock::Update(double dt)
{
    const int32_t selected = GetPuzzle()->GetSelectedBlockId();
    if (selected != -1)
    {
        for (const CLinkedBlock* member : m_group)
        {
            if (member->IsConnectedTo(selected))
            {
                return;
            }
        }
    }
    CBlock::Update(dt);
}

float CLinkedBlock::ComputeMove(BlockDirection d, float distance, int32_t limit, MoveSet& set)
{
    distance = std::min(distance, MaxGroupDistance);
    if (distance == 0.0f || !CanMoveAlong(d))
    {
        return 0.0f;
    }
    if (set.Contains(this))
    {
        return distance;
    }

    MoveContext& context = CurrentMoveContext();
    if (context.groupMove)
    {
        // Inside a probe: every member is asked in its own direction; the least answer holds.
        for (CLinkedBlock* member : m_group)
        {
            distance =
                std::min(distance, member->BaseComputeMove(MapDirection(member, d), distance, limit, set));
            if (!(distance > 0.0f))
            {
                break;
            }
        }
        m_groupResult = distance;
        return distance;
    }

    // The whole group moves by the largest distance that every probe accepts: first up to the starting
    // block's next whole cell, then half a cell further each time.
    context.groupMove = true;
    CBlock* starter = context.block != nullptr ? context.block : this;
    const BlockDirection direction = context.block != nullptr ? context.direction : d;
    const int32_t probeLimit = context.block != nullptr ? context.limit : limit;
    const float wanted = context.block != nullptr ? context.distance : distance;
    const BaseLib::CRectF& from = starter->GetRect();
    float t;
    switch (d)
    {
    case DirectionNorth:
        t = CellFraction(from.top);
        break;
    case DirectionSouth:
        t = 1.0f - CellFraction(from.top);
        break;
    case DirectionWest:
        t = CellFraction(from.left);
        break;
    default:
        t = 1.0f - CellFraction(from.left);
        break;
    }
    if (!(t > 0.0f))
    {
        t = ProbeStep;
    }
    t = std::min(t, wanted);

    float accepted = 0.0f;
    for (;;)
    {
        bool succeeded;
        {
            MoveSet probe;
            if (context.springingBlock != nullptr)
            {
                probe.Insert(context.springingBlock, context.springingBlock->GetRect());
            }
            m_groupResult = 0.0f;
            const float r = starter->ComputeMove(direction, t, probeLimit, probe);
            succeeded = !(r < t) && !probe.HasOverlap();
        }
        if (!succeeded)
        {
            break;
        }
        accepted = m_groupResult;
        if (!(wanted > t))
        {
            break;
        }
        t = std::min(t + ProbeStep, wanted);
    }

    if (accepted > 0.0f)
    {
        for (CLinkedBlock* member : m_group)
        {
            member->BaseComputeMove(MapDirection(member, d), accepted, limit, set);
        }
    }
    context.groupMove = false;
    return accepted;
}
