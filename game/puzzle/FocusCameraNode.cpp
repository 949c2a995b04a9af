#include "game/puzzle/FocusCameraNode.h"

#include "foundation/Geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace
{

using BaseLib::CMatrix;
using BaseLib::CVector3;
using BaseLib::CVector4;

constexpr float kHalfPi = std::numbers::pi_v<float> / 2.0f;

CVector3 Row(const CMatrix& matrix, int row)
{
    return CVector3(matrix.m[row][0], matrix.m[row][1], matrix.m[row][2]);
}

CVector3 Normalised(const CVector3& v)
{
    const float length = v.Length();
    return length > 0.0f ? v / length : v;
}

// Rounding can put the dot product of two unit vectors just outside [-1, 1].
float SafeArcCosine(float cosine)
{
    return std::acos(std::clamp(cosine, -1.0f, 1.0f));
}

CMatrix Rotation(const CVector3& axis, float angle)
{
    return BaseLib::QuaternionToMatrix(BaseLib::QuaternionFromAxisAngle(axis, angle));
}

} // namespace

CFocusCameraNode::CFocusCameraNode() : m_minPitch(-kHalfPi), m_maxPitch(kHalfPi)
{
    SetUseNodeUpVector(true);
}

bool CFocusCameraNode::IsKindOf(const std::type_info& type) const
{
    return type == typeid(CFocusCameraNode) || CCameraNode::IsKindOf(type);
}

void CFocusCameraNode::SetUpAxis(const CVector3& axis)
{
    if (!(axis.LengthSquared() > 0.0f))
    {
        return;
    }
    m_upAxis = Normalised(axis);
    const CVector3 yAxis(0.0f, 1.0f, 0.0f);
    CVector3 turnAxis = m_upAxis.Cross(yAxis);
    if (turnAxis.LengthSquared() == 0.0f)
    {
        turnAxis = CVector3(1.0f, 0.0f, 0.0f);
    }
    m_alignment = Rotation(turnAxis, -SafeArcCosine(m_upAxis.Dot(yAxis)));
}

void CFocusCameraNode::SetPitchLimits(float minimum, float maximum)
{
    m_minPitch = minimum;
    m_maxPitch = maximum;
}

void CFocusCameraNode::SetFocusPoint(const CVector3& point)
{
    const CMatrix& pose = GetLocalTransform();
    const CVector3 position = point - Row(pose, 2) * m_distance;
    CMatrix moved = pose;
    moved.m[3][0] = position.x;
    moved.m[3][1] = position.y;
    moved.m[3][2] = position.z;
    SetLocalTransform(moved);
}

CVector3 CFocusCameraNode::GetFocusPoint() const
{
    const CMatrix& pose = GetLocalTransform();
    return Row(pose, 3) + Row(pose, 2) * m_distance;
}

float CFocusCameraNode::GetPitch() const
{
    const CMatrix& pose = GetLocalTransform();
    const CVector3 up = Normalised(Row(pose, 1));
    const float pitch = SafeArcCosine(m_upAxis.Dot(up));
    return Row(pose, 0).Dot(m_upAxis.Cross(up)) < 0.0f ? -pitch : pitch;
}

float CFocusCameraNode::GetYaw() const
{
    const CVector3 across = m_upAxis.Cross(Row(GetLocalTransform(), 2));
    if (across.LengthSquared() == 0.0f)
    {
        return 0.0f;
    }
    const CVector3 side = Row(m_alignment, 0);
    const CVector3 w = Normalised(across);
    const float yaw = SafeArcCosine(side.Dot(w));
    return m_upAxis.Dot(side.Cross(w)) >= 0.0f ? yaw : -yaw;
}

CMatrix CFocusCameraNode::BuildOrientation(float yaw, float pitch) const
{
    return m_alignment * Rotation(Row(m_alignment, 0), pitch) * Rotation(m_upAxis, yaw);
}

void CFocusCameraNode::SetYaw(float yaw)
{
    SetPose(BuildOrientation(yaw, GetPitch()), GetFocusPoint());
}

void CFocusCameraNode::SetPitch(float pitch)
{
    const float clamped = std::max(m_minPitch, std::min(pitch, m_maxPitch));
    SetPose(BuildOrientation(GetYaw(), clamped), GetFocusPoint());
}

void CFocusCameraNode::SetPose(const CMatrix& orientation, const CVector3& focus)
{
    const CVector3 position = focus - Row(orientation, 2) * m_distance;
    SetLocalTransform(CMatrix(CVector4(Row(orientation, 0), 0.0f), CVector4(Row(orientation, 1), 0.0f),
                              CVector4(Row(orientation, 2), 0.0f), CVector4(position, 1.0f)));
}
