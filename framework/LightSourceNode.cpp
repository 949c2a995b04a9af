#include "framework/LightSourceNode.h"

#include "engine/Camera.h"

#include <new>

namespace GameLib
{

using BaseLib::CVector3;

CLightSourceNode::CLightSourceNode() : m_light(std::make_unique<Qen::CLightDescription>())
{
    Qen::CLightDescription& light = *m_light;
    light.type = 1;
    light.colour = CVector3(1.0f, 1.0f, 1.0f);
    light.position = CVector3(0.0f, 0.0f, 0.0f);
    light.direction = CVector3(0.0f, 1.0f, 0.0f);
    light.range = 3.4028235e38f;
    light.attenuation[0] = 0.0f;
    light.attenuation[1] = 0.0f;
    light.attenuation[2] = 1.0f;
    light.cone[0] = 0.3926991f;
    light.cone[1] = 0.4926991f;
    light.falloff = 1.0f;
    light.castsShadows = false;
}

CLightSourceNode::~CLightSourceNode() = default;

CLightSourceNode* CLightSourceNode::Create()
{
    return new (std::nothrow) CLightSourceNode();
}

void CLightSourceNode::Release(bool)
{
    delete this;
}

bool CLightSourceNode::IsKindOf(const std::type_info& type) const
{
    return type == typeid(CLightSourceNode) || CSceneGraphNode::IsKindOf(type);
}

Qen::CLightDescription* CLightSourceNode::GetLight()
{
    const BaseLib::CMatrix& world = GetWorldTransform();
    m_light->position = CVector3(world.m[3][0], world.m[3][1], world.m[3][2]);
    m_light->direction = CVector3(world.m[2][0], world.m[2][1], world.m[2][2]);
    return m_light.get();
}

} // namespace GameLib
