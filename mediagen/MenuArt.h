#pragma once

// Shapes shared by the painters of the menu pictures and the logos (colours come from ShapeSampler.h).
// Coordinates are pixels of the picture being painted, x to the right and y downwards.

#include "foundation/Vector.h"
#include "mediagen/ShapeSampler.h"

#include <utility>
#include <vector>

namespace MediaGen
{

// Where the open book's two pages lie in its 1024 x 768 picture, which the page layouts and the leaves
// of the page turns are placed by, and the colour of their paper.
struct BookPages
{
    static constexpr int Left = 72;
    static constexpr int Spine = 512;
    static constexpr int Right = 952;
    static constexpr int Top = 48;
    static constexpr int Bottom = 720;
    static constexpr int Paper[3] = {238, 226, 198};
};

// a + (b - a) * t, t clamped to 0..1.
BaseLib::CVector3 Blend(const BaseLib::CVector3& a, const BaseLib::CVector3& b, float t);

// Whether the point lies in the rectangle with all four corners rounded by radius.
bool InRoundedRect(float x, float y, float left, float top, float right, float bottom, float radius);

// The distance from the point to the segment from (ax, ay) to (bx, by).
float DistanceToSegment(float x, float y, float ax, float ay, float bx, float by);

// Whether the point lies on the polyline drawn with a pen of the given width (round ends and joints).
bool OnStroke(float x, float y, const std::vector<std::pair<float, float>>& points, float width);

// Whether the point lies inside the polygon (even-odd rule).
bool InPolygon(float x, float y, const std::vector<std::pair<float, float>>& corners);

// Whether the point lies inside the star of `points` tips around (cx, cy), its tips at outer and the
// notches between them at inner, the first tip straight up.
bool InStar(float x, float y, float cx, float cy, float outer, float inner, int points);

} // namespace MediaGen
