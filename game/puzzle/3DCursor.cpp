#include "game/puzzle/3DCursor.h"

#include "engine/Camera.h"
#include "game/GameContext.h"
#include "game/QuarrowInputChannel.h"
#include "game/QuarrowWorld.h"
#include "game/puzzle/BlockEntityNode.h"
#include "puzzle/Block.h"
#include "puzzle/EditablePuzzle.h"

#include <cfloat>
#include <cmath>

namespace
{

using BaseLib::CMatrix;
using BaseLib::CVector3;
using BaseLib::CVector4;

CVector3 TransformPoint(const CVector3& point, const CMatrix& matrix)
{
    CVector4 out;
    BaseLib::TransformVector4(out, CVector4(point, 1.0f), matrix);
    return CVector3(out.x, out.y, out.z);
}

bool IsFinite(const CVector3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

} // namespace

C3DCursor::C3DCursor(CQuarrowWorld* world, CQuarrowInputChannel* channel) : m_world(world), m_channel(channel)
{}

std::int64_t C3DCursor::CurrentSceneChange() const
{
    const CEditablePuzzle* puzzle = m_world != nullptr ? m_world->GetPuzzle() : nullptr;
    if (puzzle == nullptr)
    {
        return -1;
    }
    const std::uint32_t change = puzzle->GetChangeNumber();
    // An edit the world has not rebuilt its block nodes for yet: the nodes are about to go.
    if (static_cast<std::int32_t>(change) != m_world->GetSceneChangeNumber())
    {
        return -1;
    }
    return change;
}

bool C3DCursor::IsPickValid() const
{
    return m_pickedNode != nullptr && m_changeNumber >= 0 && CurrentSceneChange() == m_changeNumber;
}

CBlockEntityNode* C3DCursor::GetPickedNode() const
{
    return IsPickValid() ? m_pickedNode : nullptr;
}

bool C3DCursor::IsPuzzleBusy() const
{
    const GameContext* context = m_world != nullptr ? m_world->GetGameContext() : nullptr;
    return context != nullptr && (context->GetState() == GameContext::SolverRunning ||
                                  context->GetState() == GameContext::RefinerRunning);
}

void C3DCursor::ForgetPick()
{
    m_pickedNode = nullptr;
    m_hit = false;
    m_changeNumber = -1;
}

GameLib::TCollisionRay C3DCursor::ComputePickRay(float x, float y) const
{
    const float t = std::tan(m_camera->fieldOfView / 2.0f);
    const CVector4 local(t * m_camera->aspectRatio * x, t * y, 1.0f, 0.0f);
    CVector4 world;
    BaseLib::TransformVector4(world, local, m_camera->cameraToWorld);
    CVector3 direction(world.x, world.y, world.z);
    direction = direction / direction.Length();
    return GameLib::TCollisionRay{m_camera->position, direction};
}

bool C3DCursor::Pick(const GameLib::TCollisionRay& ray)
{
    ForgetPick();
    const std::int64_t change = CurrentSceneChange();
    if (m_scene == nullptr || change < 0)
    {
        return false;
    }
    m_nodes.clear();
    m_scene->GetNodesOfType(typeid(GameLib::CCollisionNode), m_nodes);
    float nearest = FLT_MAX;
    GameLib::CSceneGraphNode* nearestNode = nullptr;
    for (GameLib::CSceneGraphNode* node : m_nodes)
    {
        CVector3 point;
        if (!static_cast<GameLib::CCollisionNode*>(node)->IntersectRay(ray, &point, nullptr))
        {
            continue;
        }
        const float distance = (point - ray.origin).Length();
        if (distance < nearest)
        {
            nearest = distance;
            nearestNode = node;
            m_hitPoint = point;
        }
    }
    for (GameLib::CSceneGraphNode* node = nearestNode; node != nullptr; node = node->GetParent())
    {
        if (node->IsKindOf(typeid(CBlockEntityNode)))
        {
            m_pickedNode = static_cast<CBlockEntityNode*>(node);
            break;
        }
    }
    m_hit = m_pickedNode != nullptr;
    m_changeNumber = m_hit ? change : -1;
    return m_hit;
}

void C3DCursor::Update()
{
    if (m_scene == nullptr)
    {
        return;
    }
    if (m_pickedNode != nullptr && !IsPickValid())
    {
        // A new level or an edit: the node may be gone. The release names the block held at the grab.
        if (m_dragging && m_channel != nullptr)
        {
            m_channel->PushReleaseBlock(m_grabbedId);
        }
        m_dragging = false;
        ForgetPick();
    }
    while (!m_events.empty())
    {
        const TMouseEvent event = m_events.front();
        m_events.pop_front();
        switch (event.kind)
        {
        case ButtonDown:
            OnButtonDown(event.x, event.y);
            break;
        case ButtonUp:
            OnButtonUp();
            break;
        default:
            OnMouseMove(event.x, event.y);
            break;
        }
    }
}

void C3DCursor::OnButtonDown(float x, float y)
{
    // A press while a block is held (its release was lost) lets that block go first.
    OnButtonUp();
    if (m_camera == nullptr || !Pick(ComputePickRay(x, y)) || !m_pickedNode->GetBlock()->IsGrabbable())
    {
        return;
    }
    m_grabbedId = m_pickedNode->GetBlock()->GetId();
    if (m_channel != nullptr)
    {
        m_channel->PushGrabBlock(m_grabbedId);
    }
    m_dragging = true;
    m_dragPlane.normal = CVector3(0.0f, 0.0f, 1.0f);
    m_dragPlane.d = m_dragPlane.normal.Dot(m_hitPoint);
    CMatrix toNode;
    m_pickedNode->GetWorldTransform().GetInverse(toNode);
    m_grabPoint = TransformPoint(m_hitPoint, toNode);
}

void C3DCursor::OnButtonUp()
{
    if (!m_dragging)
    {
        return;
    }
    m_dragging = false;
    if (m_pickedNode != nullptr && m_channel != nullptr)
    {
        m_channel->PushReleaseBlock(m_grabbedId);
    }
}

void C3DCursor::OnMouseMove(float x, float y)
{
    if (m_camera == nullptr)
    {
        return;
    }
    const GameLib::TCollisionRay ray = ComputePickRay(x, y);
    if (!m_dragging)
    {
        Pick(ray);
        return;
    }
    if (IsPuzzleBusy() || m_pickedNode == nullptr)
    {
        return;
    }
    const CVector3 onPlane =
        BaseLib::IntersectLinePlane(m_dragPlane, BaseLib::CLine{ray.origin, ray.direction});
    // A ray parallel to the plane, or one meeting it behind the camera, gives no place to drag to.
    if (!IsFinite(onPlane) || (onPlane - ray.origin).Dot(ray.direction) <= 0.0f)
    {
        return;
    }
    const CVector3 grabbed = TransformPoint(m_grabPoint, m_pickedNode->GetWorldTransform());
    const BaseLib::CRectF& place = m_pickedNode->GetBlock()->GetRect();
    if (m_channel != nullptr)
    {
        m_channel->PushMoveBlock(m_grabbedId, place.left + (onPlane.x - grabbed.x),
                                 place.top - (onPlane.y - grabbed.y));
    }
}
