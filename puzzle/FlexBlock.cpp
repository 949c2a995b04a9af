#include "puzzle/FlexBlock.h"

#include "puzzle/MoveSet.h"

#include <algorithm>

namespace
{

// The most a flexible block grows back on one side in one step.
constexpr float SpringSpeed = 12.0f / 64.0f;

} // namespace

CFlexBlock::CFlexBlock(CPuzzle* puzzle, int32_t weak)
    : CBlock(puzzle), m_weak(weak), m_strength(weak != 0 ? 1 : 5)
{}

float CFlexBlock::GetGivableExtent(BlockDirection d, int32_t limit) const
{
    if (!CanMoveAlong(d) || limit <= m_strength)
    {
        return 0.0f;
    }
    return IsHorizontal(d) ? GetWidth() : GetHeight();
}

float CFlexBlock::GetCompression(BlockDirection d) const
{
    if (!CanMoveAlong(d))
    {
        return 0.0f;
    }
    return 1.0f - (IsHorizontal(d) ? GetWidth() : GetHeight());
}

float CFlexBlock::ComputeMove(BlockDirection d, float distance, int32_t limit, MoveSet& set)
{
    if (m_springing)
    {
        return BaseComputeMove(d, distance, limit, set);
    }
    if (distance == 0.0f || !CanMoveAlong(d))
    {
        return 0.0f;
    }
    if (set.Contains(this))
    {
        return distance;
    }
    const float r = BaseComputeMove(d, distance, limit, set);
    if (r == distance)
    {
        return r;
    }
    const float givable = GetGivableExtent(d, limit);
    const float x = distance <= r + givable ? distance : r + givable;
    if (x == r)
    {
        return r;
    }
    // The leading edge (side d) moves by r, the trailing edge by x: the block shrinks by x - r.
    const BaseLib::CRectF& rect = GetRect();
    BaseLib::CRectF target;
    switch (d)
    {
    case DirectionNorth:
        target = BaseLib::CRectF(rect.left, rect.top - r, rect.right, rect.bottom - r);
        target.bottom -= x - r;
        break;
    case DirectionSouth:
        target = BaseLib::CRectF(rect.left, rect.top + x, rect.right, rect.bottom + x);
        target.bottom -= x - r;
        break;
    case DirectionWest:
        target = BaseLib::CRectF(rect.left - r, rect.top, rect.right - r, rect.bottom);
        target.right -= x - r;
        break;
    default:
        target = BaseLib::CRectF(rect.left + x, rect.top, rect.right + x, rect.bottom);
        target.right -= x - r;
        break;
    }
    set.Set(this, target);
    return x;
}

float CFlexBlock::ComputeMoveAlt(BlockDirection d, float distance, int32_t limit, MoveSet& set)
{
    if (m_springing)
    {
        return ComputeMove(d, distance, limit, set);
    }
    if (set.Contains(this))
    {
        return distance;
    }
    if (distance == 0.0f)
    {
        return 0.0f;
    }
    const float e = std::min(distance, GetCompression(d));
    if (!(e > 0.0f))
    {
        return BaseComputeMove(d, distance, limit, set);
    }
    float r = 0.0f;
    if (e < distance)
    {
        r = BaseComputeMove(d, distance - e, limit, set);
    }
    // The leading edge (side d, toward the mover) follows by e + r, the trailing edge by r: the block
    // stretches by e.
    const BaseLib::CRectF& rect = GetRect();
    BaseLib::CRectF target = rect;
    switch (d)
    {
    case DirectionNorth:
        target.top -= e + r;
        target.bottom -= r;
        break;
    case DirectionSouth:
        target.top += r;
        target.bottom += e + r;
        break;
    case DirectionWest:
        target.left -= e + r;
        target.right -= r;
        break;
    default:
        target.left += r;
        target.right += e + r;
        break;
    }
    set.Set(this, target);
    return e + r;
}

void CFlexBlock::Update(double dt)
{
    CBlock::Update(dt);
    if (GetHeight() != 1.0f)
    {
        SpringBack(AxisVertical, 1.0f - GetHeight());
    }
    if (GetWidth() != 1.0f)
    {
        SpringBack(AxisHorizontal, 1.0f - GetWidth());
    }
}

float CFlexBlock::ComputePinned(BlockDirection d, float distance, CBlock* pinned, MoveSet& set)
{
    MoveContext& context = CurrentMoveContext();
    if (pinned != nullptr)
    {
        set.Insert(pinned, pinned->GetRect());
    }
    context.springingBlock = pinned;
    context.block = this;
    context.distance = distance;
    context.direction = d;
    context.limit = m_strength;
    const float moved = BaseComputeMove(d, distance, m_strength, set);
    if (pinned != nullptr)
    {
        set.Remove(pinned);
    }
    context.springingBlock = nullptr;
    return moved;
}

void CFlexBlock::SpringBack(Axis axis, float g)
{
    // A block longer than one cell (only a damaged file makes one) has nothing to grow back to.
    if (!(g > 0.0f))
    {
        return;
    }
    const BlockDirection sideA = axis == AxisVertical ? DirectionNorth : DirectionWest;
    const BlockDirection sideB = axis == AxisVertical ? DirectionSouth : DirectionEast;
    CBlock* neighbourA = GetNeighbour(sideA);
    CBlock* neighbourB = GetNeighbour(sideB);
    const BaseLib::CRectF start = GetRect();

    // Probe how far each side could go, the other side's neighbour pinned in place.
    m_springing = true;
    float a;
    float b;
    {
        MoveSet probe;
        a = ComputePinned(sideA, g, neighbourB, probe);
    }
    {
        MoveSet probe;
        b = ComputePinned(sideB, g, neighbourA, probe);
    }

    // Split the growth between the sides, at most one glide step each.
    const float half = QuantiseDistance(g * 0.5f);
    float moveA = std::min(a, half);
    float moveB = std::min(b, g - moveA);
    if (g - moveA - moveB > 0.0f)
    {
        moveA = std::min(moveA + (g - moveA - moveB), a);
    }
    moveA = std::min(moveA, SpringSpeed);
    moveB = std::min(moveB, SpringSpeed);
    if (moveA == 0.0f && moveB == 0.0f)
    {
        m_springing = false;
        return;
    }

    if (moveA > 0.0f)
    {
        MoveSet set;
        moveA = ComputePinned(sideA, moveA, neighbourB, set);
        set.Apply();
        MoveTo(start);
    }
    if (moveB > 0.0f)
    {
        float x = moveB;
        for (;;)
        {
            MoveSet set;
            const float reached = ComputePinned(sideB, x, neighbourA, set);
            if (reached < x)
            {
                x = reached;
                continue;
            }
            if (reached > 0.0f)
            {
                set.Apply();
            }
            break;
        }
        moveB = x;
    }

    m_springing = false;
    BaseLib::CRectF grown = start;
    if (axis == AxisVertical)
    {
        grown.top -= moveA;
        grown.bottom += moveB;
    }
    else
    {
        grown.left -= moveA;
        grown.right += moveB;
    }
    MoveTo(grown);
}
