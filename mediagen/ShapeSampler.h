#pragma once

#include "mediagen/Picture.h"

#include "foundation/Vector.h"

#include <functional>
#include <vector>

namespace MediaGen
{

// Shapes as signed distances in pixels from their edge: negative inside, positive outside. Painters
// turn a distance into a sample, so an outline is a band just outside the edge and every edge is smoothed
// by the picture's 4 × 4 samples.

float CircleDistance(float x, float y, float cx, float cy, float radius);
// Approximate away from the edge (exact on the axes), which is all an outline of a few pixels needs.
float EllipseDistance(float x, float y, float cx, float cy, float rx, float ry);
float RoundedBoxDistance(float x, float y, float left, float top, float right, float bottom, float radius);
// A segment from a to b thickened by radius.
float CapsuleDistance(float x, float y, float ax, float ay, float bx, float by, float radius);
// A convex polygon, its corners in either turning order; exact inside and along the edges, smaller than
// the true distance beyond a corner.
float PolygonDistance(float x, float y, const std::vector<BaseLib::CVector2>& corners);
// A five-pointed star round (cx, cy), one point straight up, its points at `outer` and the notches between
// them at `inner` from the centre.
float StarDistance(float x, float y, float cx, float cy, float outer, float inner);

// The fill inside the shape, the outline colour in a band of `width` outside it, nothing beyond.
Sample Outlined(float distance, const BaseLib::CVector3& fill, const BaseLib::CVector3& outline, float width);

BaseLib::CVector3 Mix(const BaseLib::CVector3& a, const BaseLib::CVector3& b, float t);
BaseLib::CVector3 Rgb(int r, int g, int b);

// Paints over what the picture holds within [left, right) × [top, bottom) (clipped to the picture): each
// pixel's 4 × 4 samples averaged as PaintSamples does, then laid over the pixel by their coverage. Only the
// rectangle is sampled, so a picture of many small things costs their area, not the picture's.
void PaintOver(Picture& picture, int left, int top, int right, int bottom,
               const std::function<Sample(float x, float y)>& painter);

} // namespace MediaGen
