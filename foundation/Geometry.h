#pragma once

#include "foundation/Matrix.h"
#include "foundation/Ray.h"
#include "foundation/Vector.h"

// Plane, line and ray intersections, quaternion helpers and 3x3 products for the camera, picking and
// canvases.
namespace BaseLib
{

// A plane by its normal and distance. Which equation it follows (n·x = d or n·x + d = 0) is the
// caller's: each function below says which it takes.
struct CPlane
{
    CVector3 normal;
    float d = 0.0f;
};

// A line through a point along a direction.
struct CLine
{
    CVector3 point;
    CVector3 direction;
};

// Where the line meets the plane n·x = d. No parallel test: parallel lines must not be given.
CVector3 IntersectLinePlane(const CPlane& plane, const CLine& line);
// The line common to two planes n·x = d: direction normalize(nB × nA), its point reached from nA·dA
// along normalize(direction × nA) on plane B.
CLine IntersectPlanes(const CPlane& planeA, const CPlane& planeB);
// For the plane n·x + d = 0: false when the normalised direction is (nearly) parallel to it
// (|n·dir| < 0.0001); else the hit point.
bool IntersectRayPlane(const CPlane& plane, const CRay& ray, CVector3& point);

// The unit quaternion (x, y, z, w) of a rotation about an axis; a zero-length axis gives the identity
// (0, 0, 0, 1).
CVector4 QuaternionFromAxisAngle(const CVector3& axis, float angle);
// The rotation matrix of a unit quaternion for row vectors.
CMatrix QuaternionToMatrix(const CVector4& quaternion);
// a × b.
CMatrix3x3 Multiply3x3(const CMatrix3x3& a, const CMatrix3x3& b);

} // namespace BaseLib
