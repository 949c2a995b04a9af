#include "game/puzzle/BlockEntityNode.h"

#include "foundation/Debug.h"
#include "foundation/Geometry.h"
#include "framework/CollisionNode.h"
#include "framework/ModelNode.h"
#include "game/QuarrowWorld.h"
#include "puzzle/Block.h"
#include "puzzle/BlockGrid.h"
#include "puzzle/FlexBlock.h"
#include "puzzle/Puzzle.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace
{

// The sounds run at the display's pace, whatever the world's step.
constexpr float kSoundStep = 1.0f / 60.0f;
// Moves shorter than this in one update start no sound.
constexpr float kStartThreshold = 0.1f;
constexpr float kHeldLoopFadeOut = 0.1f;
constexpr float kSpringFade = 0.05f;
// How long a flex block may rest at its full or flat size before the spring fades out.
constexpr float kSpringRestIdle = 0.035f;
// How long any other pause may last.
constexpr float kSpringIdle = 0.1f;

// Drawn in the lit passes and into the shadow map.
constexpr std::uint32_t kCastsShadow = 3;

constexpr BlockDirection kNeighbourOrder[4] = {DirectionNorth, DirectionSouth, DirectionWest, DirectionEast};

BaseLib::CMatrix RotationAboutZ(float angle)
{
    return BaseLib::QuaternionToMatrix(BaseLib::QuaternionFromAxisAngle(BaseLib::CVector3(0.0f, 0.0f, 1.0f), angle));
}

// How the part is turned: exits by the side of the board they stand on, other parts by their links.
float PartAngle(const CBlock& block)
{
    constexpr float pi = std::numbers::pi_v<float>;
    if (block.GetKind() == KindLevelSolvedTrigger)
    {
        const BaseLib::CRectF& rect = block.GetRect();
        if (rect.left < 0.0f)
        {
            return pi / 2.0f;
        }
        if (rect.top < 0.0f)
        {
            return 0.0f;
        }
        return rect.top < rect.left ? -pi / 2.0f : pi;
    }
    if (block.GetNeighbour(DirectionEast) != nullptr)
    {
        return pi / 2.0f;
    }
    if (block.GetNeighbour(DirectionWest) != nullptr)
    {
        return -pi / 2.0f;
    }
    return block.GetNeighbour(DirectionSouth) != nullptr ? 0.0f : pi;
}

bool IsFlex(const CBlock* block)
{
    return block != nullptr && block->GetKind() == KindFlex;
}

} // namespace

CBlockEntityNode::CBlockEntityNode(CQuarrowWorld* world) : CGameEntityNode(world)
{
}

CBlockEntityNode* CreateBlockEntityNode(CQuarrowWorld* world)
{
    return new CBlockEntityNode(world);
}

bool CBlockEntityNode::IsKindOf(const std::type_info& type) const
{
    return type == typeid(CBlockEntityNode) || CGameEntityNode::IsKindOf(type);
}

void CBlockEntityNode::SetBlock(CBlock* block)
{
    m_block = block;
    InitMotionState();
    CreateModel();
    CreatePickMesh();
    LoadSounds();
    SyncTransform();
}

void CBlockEntityNode::InitMotionState()
{
    int neighbours = 0;
    BlockDirection first = DirectionNone;
    for (BlockDirection d : kNeighbourOrder)
    {
        if (m_block->GetNeighbour(d) != nullptr)
        {
            first = neighbours == 0 ? d : first;
            ++neighbours;
        }
    }
    m_endPiece = neighbours == 1;
    m_freeDirection = m_endPiece ? OppositeDirection(first) : DirectionNone;
    m_touching = m_endPiece && IsFreeEndTouching();
    m_lastLeft = m_block->GetRect().left;
    m_lastTop = m_block->GetRect().top;
    m_lastMovement = 0.0f;
    m_restExtent = IsFlex(m_block) ? std::min(m_block->GetWidth(), m_block->GetHeight()) : 1.0f;
}

bool CBlockEntityNode::IsFreeEndTouching() const
{
    std::vector<CBlock*> found;
    return m_block->GetPuzzle()->GetGrid().CollectBlocksInDirection(m_block->GetRect(), m_freeDirection, found) > 0;
}

void CBlockEntityNode::CreateModel()
{
    GameLib::CTransformNode* turned = GameLib::CTransformNode::Create();
    AddChild(turned);
    turned->SetLocalTransform(RotationAboutZ(PartAngle(*m_block)));

    const bool exit = m_block->GetKind() == KindLevelSolvedTrigger;
    if (!exit && m_block->GetModelName().empty())
    {
        return;
    }
    auto* world = static_cast<CQuarrowWorld*>(GetEntity());
    m_modelNode = GameLib::CModelNode::Create(world->GetOwner());
    m_modelNode->SetVisible(kCastsShadow);
    const std::string folder = "model>" + m_block->GetPuzzle()->GetGfxSetName() + "/";
    m_modelNode->SetModel(folder + (exit ? std::string("exit") : m_block->GetModelName()) + ".x", nullptr);
    turned->AddChild(m_modelNode);
}

void CBlockEntityNode::CreatePickMesh()
{
    if (!m_block->IsGrabbable())
    {
        return;
    }
    GameLib::CCollisionMeshNode* pick = GameLib::CCollisionMeshNode::Create();
    pick->SetMesh("model>plastic_cube.x");
    AddChild(pick);
}

void CBlockEntityNode::LoadSounds()
{
    if (m_block->IsSolid())
    {
        if (m_block->GetKind() == KindMagnet)
        {
            m_startSound.SetFile("sound>magnetblockstarttomove.wav");
            m_collideSound.SetFile("sound>magnetblockcollide.wav");
            m_heldLoopSound.SetFile("sound>magnet_loop.wav");
        }
        else
        {
            m_startSound.SetFile("sound>blockstarttomove.wav");
            m_collideSound.SetFile("sound>blockcollide.wav");
        }
    }
    if (IsFlex(m_block))
    {
        m_springSound.SetFile("sound>spring.wav");
    }
}

void CBlockEntityNode::Update(float /*dt*/)
{
    if (m_block == nullptr)
    {
        return;
    }
    SyncTransform();
    UpdateSounds(kSoundStep);
}

void CBlockEntityNode::SyncTransform()
{
    if (IsFlex(m_block))
    {
        SyncFlexTransform();
        return;
    }
    const BaseLib::CRectF& rect = m_block->GetRect();
    SetPosition(BaseLib::CVector3(rect.left, -rect.top, 0.0f));
}

// The chain of flex blocks this one belongs to keeps its whole extent, shared evenly by its members,
// each scaled along the chain.
void CBlockEntityNode::SyncFlexTransform()
{
    const bool horizontal =
        m_block->GetNeighbour(DirectionEast) != nullptr || m_block->GetNeighbour(DirectionWest) != nullptr;
    const auto walk = [this](BlockDirection d, int& count) {
        const CBlock* last = m_block;
        count = 0;
        while (IsFlex(last->GetNeighbour(d)))
        {
            last = last->GetNeighbour(d);
            ++count;
        }
        return last;
    };
    int c1 = 0;
    int c2 = 0;
    const CBlock* eastOrNorth = walk(horizontal ? DirectionEast : DirectionNorth, c1);
    const CBlock* westOrSouth = walk(horizontal ? DirectionWest : DirectionSouth, c2);
    BaseLib::CVector3 a;
    BaseLib::CVector3 b;
    if (horizontal)
    {
        a = BaseLib::CVector3(eastOrNorth->GetRect().right - 0.5f, -m_block->GetRect().top, 0.0f);
        b = BaseLib::CVector3(westOrSouth->GetRect().left - 0.5f, -m_block->GetRect().top, 0.0f);
    }
    else
    {
        a = BaseLib::CVector3(m_block->GetRect().left, -(eastOrNorth->GetRect().top - 0.5f), 0.0f);
        b = BaseLib::CVector3(m_block->GetRect().left, -(westOrSouth->GetRect().bottom - 0.5f), 0.0f);
    }
    const float total = static_cast<float>(c1 + c2 + 1);
    const float r = (static_cast<float>(c1) + 0.5f) / total;
    const BaseLib::CVector3 p = a * (1.0f - r) + b * r;
    const BaseLib::CVector3 d = a - b;
    const float length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z) / total;
    BaseLib::CMatrix m = BaseLib::CMatrix::Identity;
    m.m[horizontal ? 0 : 1][horizontal ? 0 : 1] = length;
    m.m[3][0] = p.x;
    m.m[3][1] = p.y;
    m.m[3][2] = p.z;
    SetLocalTransform(m);
}

bool CBlockEntityNode::IsFlexStrained() const
{
    if (!IsFlex(m_block))
    {
        return false;
    }
    const auto* flex = static_cast<const CFlexBlock*>(m_block);
    return flex->GetCompression(DirectionNorth) != 0.0f || flex->GetCompression(DirectionEast) != 0.0f;
}

void CBlockEntityNode::UpdateSounds(float step)
{
    const float left = m_block->GetRect().left;
    const float top = m_block->GetRect().top;
    float movement = 0.0f;
    if (left != m_lastLeft || top != m_lastTop)
    {
        movement = std::hypot(left - m_lastLeft, top - m_lastTop);
        if (movement > 0.0f && m_lastMovement == 0.0f)
        {
            PlayStartSound(movement);
        }
    }

    if (m_endPiece && movement > 0.0f)
    {
        const bool touching = IsFreeEndTouching();
        if (touching && !m_touching)
        {
            BaseLib::DebugOutput("movement this frame = %.3f, last = %.3f\n", movement, m_lastMovement);
            PlayCollideSound(std::max(movement, m_lastMovement));
        }
        m_touching = touching;
    }

    if (m_block->GetId() == m_block->GetPuzzle()->GetSelectedBlockId())
    {
        if (!m_heldLoopSound.GetFile().empty() && !m_heldLoopSound.IsPlaying())
        {
            m_heldLoopSound.Play();
        }
    }
    else
    {
        m_heldLoopSound.FadeOut(kHeldLoopFadeOut);
    }

    if (IsFlex(m_block))
    {
        const float extent = std::min(m_block->GetWidth(), m_block->GetHeight());
        if (extent != m_restExtent && extent > 0.0f && extent < 1.0f)
        {
            if (!m_springSound.IsPlaying())
            {
                m_springSound.FadeIn(kSpringFade, 100.0f);
            }
            m_springSound.SetPitch(2.0f - extent);
            m_restExtent = extent;
            m_springIdleTime = 0.0f;
        }
        else if ((extent == 0.0f || extent == 1.0f) && m_springIdleTime > kSpringRestIdle)
        {
            m_springSound.FadeOut(kSpringFade);
            m_springIdleTime = 0.0f;
        }
        else
        {
            m_springIdleTime += step;
            if (m_springIdleTime > kSpringIdle)
            {
                m_springSound.FadeOut(kSpringFade);
            }
        }
    }

    m_lastLeft = left;
    m_lastTop = top;
    m_lastMovement = movement;
}

void CBlockEntityNode::PlayStartSound(float movement)
{
    if (m_startSound.GetFile().empty() || movement <= kStartThreshold)
    {
        return;
    }
    m_startSound.Play();
    m_startSound.SetVolume(std::min(std::trunc(movement * 2.0f * 100.0f), 100.0f));
}

void CBlockEntityNode::PlayCollideSound(float movement)
{
    if (m_collideSound.GetFile().empty())
    {
        return;
    }
    m_collideSound.Play();
    const float volume = std::min(std::trunc(movement * 100.0f), 100.0f);
    BaseLib::DebugOutput("playing hit sound! volume = %.2f\n", static_cast<double>(volume));
    m_collideSound.SetVolume(volume);
}
