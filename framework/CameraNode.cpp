#include "framework/CameraNode.h"

#include "engine/Camera.h"
#include "foundation/FloatMath.h"

namespace GameLib
{

using BaseLib::CVector3;

namespace
{

CVector3 NormalisedRow(const BaseLib::CMatrix& matrix, int row)
{
    const CVector3 v(matrix.m[row][0], matrix.m[row][1], matrix.m[row][2]);
    return v / BaseLib::Sqrt(v.LengthSquared());
}

} // namespace

CCameraNode::CCameraNode() : m_camera(std::make_unique<Qen::CCamera>())
{
}

CCameraNode::~CCameraNode() = default;

void CCameraNode::Release(bool)
{
    delete this;
}

bool CCameraNode::IsKindOf(const std::type_info& type) const
{
    return type == typeid(CCameraNode) || CTransformNode::IsKindOf(type);
}

void CCameraNode::SyncCamera()
{
    const BaseLib::CMatrix& world = GetWorldTransform();
    if (m_useNodeUpVector)
    {
        m_camera->up = NormalisedRow(world, 1);
    }
    m_camera->forward = NormalisedRow(world, 2);
    m_camera->position = CVector3(world.m[3][0], world.m[3][1], world.m[3][2]);
}

Qen::CCamera* CCameraNode::GetCamera()
{
    SyncCamera();
    return m_camera.get();
}

} // namespace GameLib
