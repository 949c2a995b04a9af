#pragma once

#include "foundation/Point.h"
#include "foundation/Rect.h"

// Cohen-Sutherland clipping of integer segments. The rectangle's right and bottom edges are
// exclusive: the last column inside is right - 1, the last row bottom - 1.
namespace BaseLib
{

// 1 when y < top, 2 when y >= bottom, 4 when x < left, 8 when x >= right; bits combine.
int ComputeOutCode(const CRect& rect, const CPoint& point);

// Clips the segment first-second to rect. Returns true when some part lies inside; the points are
// then replaced by the clipped end points. Returns false, the points unchanged, when nothing is
// left. Intersections are truncated toward zero; the arithmetic is 64-bit, so any 32-bit
// coordinates are safe.
bool ClipLineToRect(const CRect& rect, CPoint& first, CPoint& second);

} // namespace BaseLib
