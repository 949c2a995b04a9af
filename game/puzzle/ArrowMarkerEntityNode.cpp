#include "game/puzzle/ArrowMarkerEntityNode.h"

#include "foundation/Geometry.h"
#include "framework/ModelNode.h"
#include "game/QuarrowWorld.h"

#include <numbers>

namespace
{

constexpr const char* kAnimation = ".default";
// Drawn in the lit passes and into the shadow map.
constexpr std::uint32_t kCastsShadow = 3;

} // namespace

CArrowMarkerEntityNode::CArrowMarkerEntityNode(CQuarrowWorld* world, bool pointingDown)
    : CGameEntityNode(world), m_modelNode(GameLib::CModelNode::Create(world->GetOwner()))
{
    m_modelNode->SetVisible(kCastsShadow);
    m_modelNode->SetModel(pointingDown ? "model>jungle/pointer_down.x" : "model>jungle/pointer.x", nullptr);
    AddChild(m_modelNode);
    // A model that did not load declares no animation: asking it for one would report the name on every
    // step, so such a marker stands still.
    const BaseLib::CResourcePtr<Qen::CModel> model = m_modelNode->GetAnimationHandle();
    if (model)
    {
        model->CreateAnimationController();
        if (model->FindAnimation(kAnimation))
        {
            m_animation.AddAnimation(
                GameLib::CAnimationController::ApplyDelegate(m_modelNode, &GameLib::CModelNode::ApplyAnimation),
                GameLib::CAnimationController::LengthDelegate(m_modelNode,
                                                              &GameLib::CModelNode::GetAnimationLength));
        }
    }
    m_animation.Play(kAnimation, 0.0, true);
}

CArrowMarkerEntityNode* CreateArrowMarkerEntityNode(CQuarrowWorld* world, bool pointingDown)
{
    return new CArrowMarkerEntityNode(world, pointingDown);
}

bool CArrowMarkerEntityNode::IsKindOf(const std::type_info& type) const
{
    return type == typeid(CArrowMarkerEntityNode) || CGameEntityNode::IsKindOf(type);
}

void CArrowMarkerEntityNode::SetDirection(int direction)
{
    constexpr float pi = std::numbers::pi_v<float>;
    float angle = 0.0f;
    switch (direction)
    {
    case 0:
        angle = pi;
        break;
    case 1:
        // The unturned pose: one marker serves a whole level, so south must undo an earlier turn.
        angle = 0.0f;
        break;
    case 2:
        angle = -pi / 2.0f;
        break;
    case 3:
        angle = pi / 2.0f;
        break;
    default:
        return;
    }
    SetLocalTransform(
        BaseLib::QuaternionToMatrix(BaseLib::QuaternionFromAxisAngle(BaseLib::CVector3(0.0f, 0.0f, 1.0f), angle)));
}

void CArrowMarkerEntityNode::Update(float dt)
{
    m_animation.Advance(dt);
}
