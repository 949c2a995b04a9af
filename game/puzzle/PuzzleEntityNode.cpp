#include "game/puzzle/PuzzleEntityNode.h"

#include "framework/ModelNode.h"
#include "game/QuarrowWorld.h"
#include "game/puzzle/BlockEntityNode.h"
#include "game/puzzle/FloatingParticleSourceNode.h"
#include "game/puzzle/MetaBlockEntityNode.h"
#include "puzzle/Block.h"
#include "puzzle/Puzzle.h"

#include <cstdint>
#include <unordered_map>

CPuzzleEntityNode::CPuzzleEntityNode(CQuarrowWorld* world) : CGameEntityNode(world) {}

CPuzzleEntityNode* CreatePuzzleEntityNode(CQuarrowWorld* world)
{
    return new CPuzzleEntityNode(world);
}

bool CPuzzleEntityNode::IsKindOf(const std::type_info& type) const
{
    return type == typeid(CPuzzleEntityNode) || CGameEntityNode::IsKindOf(type);
}

void CPuzzleEntityNode::SetPuzzle(CPuzzle* puzzle)
{
    m_puzzle = puzzle;
    CreateFieldModel();
    CreateBlockNodes();
    CreateParticles();
}

void CPuzzleEntityNode::Rebuild()
{
    m_particleSource = nullptr;
    DeleteChildren();
    CreateFieldModel();
    CreateBlockNodes();
    CreateParticles();
}

void CPuzzleEntityNode::Update(float dt)
{
    m_particleTime += dt;
    if (m_particleSource != nullptr)
    {
        m_particleSource->SetEffect("", m_particleTime, true);
    }
    if (m_particleTime > 100.0f)
    {
        m_particleTime = 0.0f;
    }
}

void CPuzzleEntityNode::CreateFieldModel()
{
    auto* world = static_cast<CQuarrowWorld*>(GetEntity());
    GameLib::CModelNode* field = GameLib::CModelNode::Create(world->GetOwner());
    field->SetModel("model>" + m_puzzle->GetGfxSetName() + "/" + m_puzzle->GetBoardName() + ".x", nullptr);
    AddChild(field);
}

void CPuzzleEntityNode::CreateBlockNodes()
{
    auto* world = static_cast<CQuarrowWorld*>(GetEntity());
    GameLib::CTransformNode* pieces = GameLib::CTransformNode::Create();
    AddChild(pieces);
    // A block joins the first group (in creation order) whose first part is linked to it. Each group's
    // first part's links are entered once, the earliest group keeping an id, so the search is one look-up.
    std::unordered_map<std::int32_t, CMetaBlockEntityNode*> groupOfLinkedId;
    int nextIndex = 0;
    for (CBlock* block : m_puzzle->GetBlocks())
    {
        if (!block->IsShown() && block->GetKind() != KindLevelSolvedTrigger)
        {
            continue;
        }
        CBlockEntityNode* node = CreateBlockEntityNode(world);
        node->SetBlock(block);
        const auto found = groupOfLinkedId.find(block->GetId());
        CMetaBlockEntityNode* group = found != groupOfLinkedId.end() ? found->second : nullptr;
        if (group == nullptr)
        {
            group = CreateMetaBlockEntityNode(world);
            group->SetIndex(nextIndex++);
            pieces->AddChild(group);
            for (const CBlock* linked : block->GetLinkSet())
            {
                groupOfLinkedId.emplace(linked->GetId(), group);
            }
        }
        group->AddChild(node);
    }
    const float width = static_cast<float>(m_puzzle->GetWidth());
    const float height = static_cast<float>(m_puzzle->GetHeight());
    SetPosition(BaseLib::CVector3(-(width - 6.0f) * 0.5f, (height - 6.0f) * 0.5f, 0.0f));
}

void CPuzzleEntityNode::CreateParticles()
{
    const float width = static_cast<float>(m_puzzle->GetWidth());
    const float height = static_cast<float>(m_puzzle->GetHeight());
    GameLib::CTransformNode* particles = GameLib::CTransformNode::Create();
    particles->SetPosition(BaseLib::CVector3(width * 0.5f - 0.5f, -(height * 0.5f - 0.5f), 1.5f));
    AddChild(particles);
    auto* world = static_cast<CQuarrowWorld*>(GetEntity());
    m_particleSource = CreateFloatingParticleSourceNode(world->GetOwner());
    // A rebuilt source starts its clock at the running particle time: otherwise its first advance would
    // span the whole time run so far in one step and throw the motes across the scene.
    m_particleSource->SetEffect("", m_particleTime, false);
    particles->AddChild(m_particleSource);
}
