#include "puzzle/MagnetBlock.h"

#include "puzzle/MoveSet.h"
#include "puzzle/Puzzle.h"

#include <algorithm>
#include <limits>

namespace
{

constexpr float MagnetBand = 1000.0f;
constexpr float MagnetSpeed = 0.1875f;

} // namespace

CMagnetBlock::CMagnetBlock(CPuzzle* puzzle, int32_t mode) : CBlock(puzzle), m_mode(mode) {}

const char* CMagnetBlock::GetTypeName() const
{
    return m_mode == ModePushing ? "magnet_pushing" : "magnet_pulling";
}

void CMagnetBlock::RebuildLinks()
{
    CBlock::RebuildLinks();
    m_partners.clear();
    for (CBlock* block : GetPuzzle()->GetBlocks())
    {
        if (block->GetKind() == KindMagnet && static_cast<CMagnetBlock*>(block)->m_mode == m_mode &&
            !LinkSetContains(block))
        {
            m_partners.push_back(static_cast<CMagnetBlock*>(block));
        }
    }
}

bool CMagnetBlock::FindPull(BlockDirection& direction, float& distance) const
{
    const BaseLib::CRectF& rect = GetRect();
    BaseLib::CRectF band = rect;
    if (CanMoveX())
    {
        band.left -= MagnetBand;
        band.right += MagnetBand;
    }
    if (CanMoveY())
    {
        band.top -= MagnetBand;
        band.bottom += MagnetBand;
    }
    float best = std::numeric_limits<float>::max();
    BlockDirection found = DirectionNone;
    for (const CMagnetBlock* partner : m_partners)
    {
        const BaseLib::CRectF& p = partner->GetRect();
        if (!p.Intersects(band))
        {
            continue;
        }
        BlockDirection side = DirectionNone;
        float gap = 0.0f;
        if (CanMoveX())
        {
            if (rect.left <= p.left)
            {
                side = DirectionEast;
                gap = p.left - rect.right;
            }
            else
            {
                side = DirectionWest;
                gap = rect.left - p.right;
            }
        }
        if (CanMoveY())
        {
            if (rect.top <= p.top)
            {
                side = DirectionSouth;
                gap = p.top - rect.bottom;
            }
            else
            {
                side = DirectionNorth;
                gap = rect.top - p.bottom;
            }
        }
        if (side == DirectionNone)
        {
            continue;
        }
        if (found != DirectionNone && side == OppositeDirection(found))
        {
            return false;
        }
        if (gap < best)
        {
            best = gap;
            found = side;
            if (m_mode == ModePushing)
            {
                direction = OppositeDirection(side);
                distance = 100.0f;
            }
            else
            {
                direction = side;
                distance = gap;
            }
        }
    }
    return found != DirectionNone;
}

void CMagnetBlock::Update(double)
{
    BlockDirection direction = DirectionNone;
    float distance = 0.0f;
    if (FindPull(direction, distance))
    {
        if (distance > 0.0f)
        {
            Move(direction, std::min(distance, MagnetSpeed), Strength);
        }
    }
    else if (!MovedThisStep())
    {
        SnapToGrid(1);
    }
}

float CMagnetBlock::ComputeMove(BlockDirection d, float distance, int32_t limit, MoveSet& set)
{
    if (distance == 0.0f || !CanMoveAlong(d))
    {
        return 0.0f;
    }
    if (set.Contains(this))
    {
        return distance;
    }
    if (limit <= Strength)
    {
        BlockDirection pull = DirectionNone;
        float pullDistance = 0.0f;
        if (FindPull(pull, pullDistance) && d == OppositeDirection(pull))
        {
            return 0.0f;
        }
    }
    return BaseComputeMove(d, distance, limit, set);
}
