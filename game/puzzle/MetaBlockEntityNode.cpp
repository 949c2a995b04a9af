#include "game/puzzle/MetaBlockEntityNode.h"

#include "foundation/Random.h"
#include "game/QuarrowWorld.h"
#include "game/puzzle/BlockEntityNode.h"
#include "puzzle/Block.h"
#include "puzzle/Puzzle.h"

#include <cmath>

namespace
{

constexpr float kAmplitude = 1.0f / 128.0f;
// How long one shake lasts.
constexpr float kShakeTime = 1.0f;

// Hundredths of a second from the main thread's random sequence: 0 to 0.99.
float RandomFraction()
{
    return static_cast<float>(BaseLib::Random() % 100) / 100.0f;
}

} // namespace

CMetaBlockEntityNode::CMetaBlockEntityNode(CQuarrowWorld* world)
    : CGameEntityNode(world), m_timer(RandomFraction() * 7.0f)
{
}

CMetaBlockEntityNode* CreateMetaBlockEntityNode(CQuarrowWorld* world)
{
    return new CMetaBlockEntityNode(world);
}

bool CMetaBlockEntityNode::IsKindOf(const std::type_info& type) const
{
    return type == typeid(CMetaBlockEntityNode) || CGameEntityNode::IsKindOf(type);
}

void CMetaBlockEntityNode::DetermineAxis()
{
    if (GetChildCount() == 1)
    {
        m_axis = AxisSinglePart;
        return;
    }
    for (std::size_t i = 0; i < GetChildCount(); ++i)
    {
        GameLib::CSceneGraphNode* child = GetChild(i);
        if (child->IsKindOf(typeid(CBlockEntityNode)))
        {
            const CBlock* block = static_cast<CBlockEntityNode*>(child)->GetBlock();
            const bool horizontal = block->GetNeighbour(DirectionEast) != nullptr ||
                                    block->GetNeighbour(DirectionWest) != nullptr;
            m_axis = horizontal ? AxisHorizontal : AxisVertical;
            return;
        }
    }
}

bool CMetaBlockEntityNode::IsStrained() const
{
    bool strained = false;
    for (std::size_t i = 0; i < GetChildCount(); ++i)
    {
        GameLib::CSceneGraphNode* child = GetChild(i);
        if (!child->IsKindOf(typeid(CBlockEntityNode)))
        {
            continue;
        }
        const auto* part = static_cast<const CBlockEntityNode*>(child);
        const CBlock* block = part->GetBlock();
        if (block->GetId() == block->GetPuzzle()->GetSelectedBlockId())
        {
            return false;
        }
        strained = strained || part->IsFlexStrained();
    }
    return strained;
}

void CMetaBlockEntityNode::Update(float dt)
{
    if (m_axis == AxisUnknown)
    {
        DetermineAxis();
    }
    BaseLib::CVector3 offset(0.0f, 0.0f, 0.0f);
    if (!IsStrained())
    {
        m_timer = 0.0f;
        SetPosition(offset);
        return;
    }
    m_timer -= dt;
    if (m_timer <= 0.0f)
    {
        const float a = std::fabs(m_timer);
        const float phase = (static_cast<float>(m_index) + a) * 100.0f;
        if (m_axis == AxisHorizontal)
        {
            offset.x = std::cos(phase) * kAmplitude;
        }
        else if (m_axis == AxisVertical)
        {
            offset.z = std::sin(phase) * kAmplitude;
        }
        if (a > kShakeTime)
        {
            m_timer = RandomFraction() + 2.0f;
        }
    }
    SetPosition(offset);
}
