#include "engine/Camera.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace Qen
{

using BaseLib::CMatrix;
using BaseLib::CPlane;
using BaseLib::CVector3;
using BaseLib::CVector4;

namespace
{

CVector3 Normalized(const CVector3& v)
{
    return v / v.Length();
}

CVector4 Transform(const CVector4& v, const CMatrix& m)
{
    CVector4 out;
    return BaseLib::TransformVector4(out, v, m);
}

CPlane PlaneThrough(const CVector3& normal, const CVector3& point)
{
    const CVector3 n = Normalized(normal);
    return CPlane{n, n.Dot(point)};
}

} // namespace

CFrustum::CFrustum()
{
    for (CPlane& plane : planes)
    {
        plane.d = FLT_MAX;
    }
}

void CFrustum::SetFromMatrix(const CMatrix& m, bool leftHanded)
{
    float t = 1.0f;
    if (m.m[2][3] != 0.0f)
    {
        t = std::min(1.0f, -m.m[3][3] / m.m[2][3]);
    }
    const float xs[4] = {-1.0f, 1.0f, -1.0f, 1.0f};
    const float ys[4] = {1.0f, 1.0f, -1.0f, -1.0f};
    CVector3 nearCorner[4];
    CVector3 farCorner[4];
    float farW[4];
    for (int i = 0; i < 4; ++i)
    {
        nearCorner[i] = Transform(CVector4(xs[i], ys[i], 0.0f, 1.0f), m).HomogeneousDivide();
        CVector4 far = Transform(CVector4(xs[i], ys[i], t, 1.0f), m);
        if (std::fabs(far.w) < 1e-5f)
        {
            far.w = 0.0f;
            farCorner[i] = CVector3(far.x, far.y, far.z);
        }
        else
        {
            farCorner[i] = far.HomogeneousDivide();
        }
        farW[i] = far.w;
    }
    const CVector3& p0 = nearCorner[0];
    const CVector3& p1 = nearCorner[1];
    const CVector3& p3 = nearCorner[3];
    const CVector3 e1 = p1 - p0;
    const CVector3 e2 = nearCorner[2] - p0;
    const CVector3 d1 = farW[0] == 0.0f ? farCorner[0] : farCorner[0] - p0;
    const CVector3 d2 = farW[3] == 0.0f ? farCorner[3] : farCorner[3] - p3;

    planes[Near] = PlaneThrough(e1.Cross(e2), p0);
    planes[Far].normal = -planes[Near].normal;
    const bool farFinite = farW[0] > 0.0f;
    planes[Far].d = farFinite ? planes[Far].normal.Dot(farCorner[0]) : FLT_MAX;
    planes[Left] = PlaneThrough(e2.Cross(d1), p0);
    planes[Right] = PlaneThrough(d2.Cross(e2), p1);
    planes[Top] = PlaneThrough(d1.Cross(e1), p0);
    planes[Bottom] = PlaneThrough(e1.Cross(d2), p3);

    if (!leftHanded)
    {
        for (int i = 0; i < PlaneCount; ++i)
        {
            planes[i].normal = -planes[i].normal;
            if (i != Far || farFinite)
            {
                planes[i].d = -planes[i].d;
            }
        }
    }

    const BaseLib::CLine line = BaseLib::IntersectPlanes(planes[Left], planes[Top]);
    if (std::fabs(planes[Right].normal.Dot(line.direction)) <= 0.0001f)
    {
        apex = (p0 + p3) * 0.5f;
    }
    else
    {
        apex = BaseLib::IntersectLinePlane(planes[Right], line);
    }
}

CCamera::CCamera()
{
    Update();
    CCamera::UpdateFrustum();
}

void CCamera::UpdateFrustum()
{
    frustum.SetFromMatrix(inverseViewProjection, leftHanded);
}

void CCamera::SetUpVector(const CVector3& v)
{
    up = v / v.Length();
}

void CCamera::Update()
{
    CVector3 right = forward.Cross(up);
    const float lengthSquared = right.LengthSquared();
    if (!(lengthSquared >= 1e-6f))
    {
        right = CVector3(-1.0f, 0.0f, 0.0f);
    }
    right = Normalized(right);
    if (leftHanded)
    {
        right = -right;
    }
    CVector3 trueUp = Normalized(right.Cross(forward));
    if (leftHanded)
    {
        trueUp = -trueUp;
    }
    const CMatrix toWorld(CVector4(right, 0.0f), CVector4(trueUp, 0.0f), CVector4(forward, 0.0f),
                          CVector4(position, 1.0f));
    toWorld.GetInverse(view);

    if (projectionType >= Perspective && projectionType <= InfinitePerspective)
    {
        projection = CMatrix::Zero;
        const float y = 1.0f / std::tan(fieldOfView / 2.0f);
        const float x = y / aspectRatio;
        switch (projectionType)
        {
        case Perspective:
            projection.m[0][0] = x;
            projection.m[1][1] = y;
            projection.m[2][2] = farDistance / (farDistance - nearDistance);
            projection.m[3][2] = -projection.m[2][2] * nearDistance;
            projection.m[2][3] = 1.0f;
            break;
        case Orthographic:
            projection.m[1][1] = 1.0f / fieldOfView;
            projection.m[0][0] = projection.m[1][1] / aspectRatio;
            projection.m[2][2] = 1.0f / (farDistance - nearDistance);
            projection.m[3][2] = -nearDistance / (farDistance - nearDistance);
            projection.m[3][3] = 1.0f;
            break;
        default:
            projection.m[0][0] = x;
            projection.m[1][1] = y;
            projection.m[2][2] = 1.0f - depthEpsilon;
            projection.m[3][2] = (depthEpsilon - 1.0f) * nearDistance;
            projection.m[2][3] = 1.0f;
            break;
        }
    }

    view.GetInverse(cameraToWorld);
    projection.GetInverse(inverseProjection);
    viewProjection = view * projection;
    inverseViewProjection = inverseProjection * cameraToWorld;
}

} // namespace Qen
