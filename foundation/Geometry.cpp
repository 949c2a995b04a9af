#include "foundation/Geometry.h"

#include <cmath>

namespace BaseLib
{

namespace
{

CVector3 Normalized(const CVector3& v)
{
    return v / v.Length();
}

} // namespace

CVector3 IntersectLinePlane(const CPlane& plane, const CLine& line)
{
    const float t = (plane.normal.Dot(line.point) - plane.d) / plane.normal.Dot(line.direction);
    return line.point - line.direction * t;
}

CLine IntersectPlanes(const CPlane& planeA, const CPlane& planeB)
{
    CLine line;
    line.direction = Normalized(planeB.normal.Cross(planeA.normal));
    const CLine towardB{planeA.normal * planeA.d, Normalized(line.direction.Cross(planeA.normal))};
    line.point = IntersectLinePlane(planeB, towardB);
    return line;
}

bool IntersectRayPlane(const CPlane& plane, const CRay& ray, CVector3& point)
{
    const CVector3 direction = Normalized(ray.direction);
    const float along = plane.normal.Dot(direction);
    if (std::fabs(along) < 0.0001f)
    {
        return false;
    }
    point = ray.origin + direction * (-(plane.normal.Dot(ray.origin) + plane.d) / along);
    return true;
}

CVector4 QuaternionFromAxisAngle(const CVector3& axis, float angle)
{
    if (axis.LengthSquared() == 0.0f)
    {
        return CVector4(0.0f, 0.0f, 0.0f, 1.0f);
    }
    const CVector3 v = Normalized(axis) * std::sin(angle / 2.0f);
    return CVector4(v, std::cos(angle / 2.0f));
}

CMatrix QuaternionToMatrix(const CVector4& quaternion)
{
    return MatrixFromQuaternion(quaternion.x, quaternion.y, quaternion.z, quaternion.w);
}

CMatrix3x3 Multiply3x3(const CMatrix3x3& a, const CMatrix3x3& b)
{
    CMatrix3x3 product;
    for (int row = 0; row < 3; ++row)
    {
        for (int column = 0; column < 3; ++column)
        {
            product.m[row][column] =
                a.m[row][0] * b.m[0][column] + a.m[row][1] * b.m[1][column] + a.m[row][2] * b.m[2][column];
        }
    }
    return product;
}

} // namespace BaseLib
