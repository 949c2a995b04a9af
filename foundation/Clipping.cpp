#include "foundation/Clipping.h"

#include <cstdint>

namespace BaseLib
{

namespace
{

struct ClipPoint
{
    std::int64_t x;
    std::int64_t y;
};

int OutCode(const CRect& rect, const ClipPoint& p)
{
    int code = 0;
    if (p.y < rect.top)
    {
        code |= 1;
    }
    if (p.y >= rect.bottom)
    {
        code |= 2;
    }
    if (p.x < rect.left)
    {
        code |= 4;
    }
    if (p.x >= rect.right)
    {
        code |= 8;
    }
    return code;
}

// start + span * part / whole, truncated toward zero. Coordinates stay within 32 bits, so each factor
// fits 33 bits and the product needs up to 66: it is taken in 128 bits. The quotient lies between 0 and
// span because part lies between 0 and whole.
std::int64_t Interpolate(std::int64_t start, std::int64_t span, std::int64_t part, std::int64_t whole)
{
    return start + static_cast<std::int64_t>(static_cast<__int128>(span) * part / whole);
}

// The coordinate at 'at' along the other axis of the line a-b; b.y != a.y (resp. x) is guaranteed
// because the two points lie on different sides of the edge.
std::int64_t AtY(const ClipPoint& a, const ClipPoint& b, std::int64_t y)
{
    return Interpolate(a.x, b.x - a.x, y - a.y, b.y - a.y);
}

std::int64_t AtX(const ClipPoint& a, const ClipPoint& b, std::int64_t x)
{
    return Interpolate(a.y, b.y - a.y, x - a.x, b.x - a.x);
}

} // namespace

int ComputeOutCode(const CRect& rect, const CPoint& point)
{
    return OutCode(rect, ClipPoint{point.x, point.y});
}

bool ClipLineToRect(const CRect& rect, CPoint& first, CPoint& second)
{
    ClipPoint p0{first.x, first.y};
    ClipPoint p1{second.x, second.y};
    int code0 = OutCode(rect, p0);
    int code1 = OutCode(rect, p1);
    while ((code0 | code1) != 0)
    {
        if ((code0 & code1) != 0)
        {
            return false;
        }
        const bool moveFirst = code0 != 0;
        const int code = moveFirst ? code0 : code1;
        ClipPoint moved;
        if (code & 1)
        {
            moved = {AtY(p0, p1, rect.top), rect.top};
        }
        else if (code & 2)
        {
            const std::int64_t y = std::int64_t{rect.bottom} - 1;
            moved = {AtY(p0, p1, y), y};
        }
        else if (code & 4)
        {
            moved = {rect.left, AtX(p0, p1, rect.left)};
        }
        else
        {
            const std::int64_t x = std::int64_t{rect.right} - 1;
            moved = {x, AtX(p0, p1, x)};
        }
        if (moveFirst)
        {
            p0 = moved;
            code0 = OutCode(rect, p0);
        }
        else
        {
            p1 = moved;
            code1 = OutCode(rect, p1);
        }
    }
    // Both points lie inside a rectangle of 32-bit edges, so they fit back into 32 bits.
    first = CPoint(static_cast<std::int32_t>(p0.x), static_cast<std::int32_t>(p0.y));
    second = CPoint(static_cast<std::int32_t>(p1.x), static_cast<std::int32_t>(p1.y));
    return true;
}

} // namespace BaseLib
