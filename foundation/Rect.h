#pragma once

#include "foundation/Vector.h"

#include <cstdint>
#include <type_traits>

// Integer and float rectangles. Plain values, copied bytewise.
namespace BaseLib
{

// Left and top inclusive, right and bottom exclusive. Empty unless right > left and bottom > top.
struct CRect
{
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    constexpr CRect() = default;
    constexpr CRect(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b)
        : left(l), top(t), right(r), bottom(b)
    {}

    constexpr bool IsEmpty() const { return !(right > left && bottom > top); }
    // Strict overlap test of the spans (edges that only touch do not count). A zero-width rectangle
    // lying inside the other passes it; callers that care test IsEmpty first.
    constexpr bool Intersects(const CRect& other) const
    {
        return other.left < right && left < other.right && other.top < bottom && top < other.bottom;
    }
    // The shared area: larger left and top, smaller right and bottom; all zeros when they share none
    // (an empty rectangle shares no area with anything).
    constexpr CRect Intersection(const CRect& other) const
    {
        const CRect shared(left > other.left ? left : other.left, top > other.top ? top : other.top,
                           right < other.right ? right : other.right,
                           bottom < other.bottom ? bottom : other.bottom);
        return shared.IsEmpty() ? CRect() : shared;
    }

    friend constexpr bool operator==(const CRect&, const CRect&) = default;
};

struct CRectF
{
    float left = 0.0f;
    float top = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;

    constexpr CRectF() = default;
    constexpr CRectF(float l, float t, float r, float b) : left(l), top(t), right(r), bottom(b) {}

    // Strict: rectangles that only touch do not intersect.
    constexpr bool Intersects(const CRectF& other) const
    {
        return other.left < right && left < other.right && other.top < bottom && top < other.bottom;
    }
    // Half-open: the right and bottom edges are outside.
    constexpr bool ContainsPoint(const CVector2& p) const
    {
        return left <= p.x && p.x < right && top <= p.y && p.y < bottom;
    }
    // This becomes the bounding rectangle of both.
    constexpr void Union(const CRectF& other)
    {
        left = other.left < left ? other.left : left;
        top = other.top < top ? other.top : top;
        right = other.right > right ? other.right : right;
        bottom = other.bottom > bottom ? other.bottom : bottom;
    }
    // The shared area when the two intersect (strictly), else all zeros.
    constexpr CRectF Intersect(const CRectF& other) const
    {
        if (!Intersects(other))
        {
            return {};
        }
        return {left > other.left ? left : other.left, top > other.top ? top : other.top,
                right < other.right ? right : other.right, bottom < other.bottom ? bottom : other.bottom};
    }
    // True when the two touch along a vertical edge (exactly equal x) with strictly overlapping vertical
    // spans, or along a horizontal edge (exactly equal y) with strictly overlapping horizontal spans.
    constexpr bool IsAdjacent(const CRectF& other) const
    {
        const bool verticalEdge =
            (other.right == left || other.left == right) && other.top < bottom && top < other.bottom;
        const bool horizontalEdge =
            (other.bottom == top || other.top == bottom) && other.left < right && left < other.right;
        return verticalEdge || horizontalEdge;
    }

    friend constexpr bool operator==(const CRectF&, const CRectF&) = default;
};

static_assert(sizeof(CRect) == 16 && std::is_trivially_copyable_v<CRect>);
static_assert(sizeof(CRectF) == 16 && std::is_trivially_copyable_v<CRectF>);

} // namespace BaseLib
