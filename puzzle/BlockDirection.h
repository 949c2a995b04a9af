#pragma once

#include "foundation/Vector.h"

#include <cmath>
#include <cstdint>

// The four move directions. The same numbers index a block's neighbours and the grid's outside cells and
// are written to files and game commands, so they never change. Board y grows to the south.
enum BlockDirection : int32_t
{
    DirectionNorth = 0, // y decreasing
    DirectionSouth = 1, // y increasing
    DirectionWest = 2,  // x decreasing
    DirectionEast = 3,  // x increasing
    DirectionNone = 4
};

// North and south swap, west and east swap; any other value comes back unchanged.
constexpr BlockDirection OppositeDirection(BlockDirection d)
{
    switch (d)
    {
    case DirectionNorth:
        return DirectionSouth;
    case DirectionSouth:
        return DirectionNorth;
    case DirectionWest:
        return DirectionEast;
    case DirectionEast:
        return DirectionWest;
    default:
        return d;
    }
}

constexpr bool IsHorizontal(BlockDirection d)
{
    return d == DirectionWest || d == DirectionEast;
}

constexpr bool IsVertical(BlockDirection d)
{
    return d == DirectionNorth || d == DirectionSouth;
}

// Unit vector components of a direction: (0, -1), (0, 1), (-1, 0), (1, 0); (0, 0) for any other value.
constexpr float DirectionX(BlockDirection d)
{
    return d == DirectionWest ? -1.0f : (d == DirectionEast ? 1.0f : 0.0f);
}

constexpr float DirectionY(BlockDirection d)
{
    return d == DirectionNorth ? -1.0f : (d == DirectionSouth ? 1.0f : 0.0f);
}

inline BaseLib::CVector2 DirectionVector(BlockDirection d)
{
    return BaseLib::CVector2(DirectionX(d), DirectionY(d));
}

// Every displacement is a whole number of 1/64 cells: floor(d * 64) / 64 in float, rounded toward minus
// infinity (so -0.1 becomes -7/64).
inline float QuantiseDistance(float d)
{
    return std::floor(d * 64.0f) * (1.0f / 64.0f);
}

// The fraction of a coordinate past its whole cell, in [0, 1) for every coordinate, negative ones too
// (where the C library remainder would be negative).
inline float CellFraction(float v)
{
    return v - std::floor(v);
}

// CellFraction(v) == 0, without a call to floor where v is small enough to convert to an integer (every
// float of 2^23 and more is whole; infinities and NaN are not).
inline bool IsWholeNumber(float v)
{
    if (v > -8388608.0f && v < 8388608.0f)
    {
        return static_cast<float>(static_cast<int32_t>(v)) == v;
    }
    return CellFraction(v) == 0.0f;
}

// The glide speed to whole cells, 0.2 cells per step quantised down: 12/64.
constexpr float SnapSpeed = 12.0f / 64.0f;
