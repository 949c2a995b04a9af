#include "tools/editor/PuzzleEditorWorkArea3D.h"

#include "foundation/Geometry.h"
#include "foundation/Ray.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "game/puzzle/3DCursor.h"
#include "game/puzzle/BlockEntityNode.h"
#include "puzzle/Block.h"
#include "puzzle/EditablePuzzle.h"
#include "tools/editor/PuzzleEditor.h"

#include <cmath>

CPuzzleEditorWorkArea3D* CreatePuzzleEditorWorkArea3D(CQuarrowWorld* world, CQuarrowUI* userInterface,
                                                      CPuzzleEditor* editor)
{
    return new CPuzzleEditorWorkArea3D(world, userInterface, editor);
}

CPuzzleEditorWorkArea3D::CPuzzleEditorWorkArea3D(CQuarrowWorld* world, CQuarrowUI* userInterface,
                                                 CPuzzleEditor* editor)
    : CPuzzleEditorWorkArea(world, editor), m_userInterface(userInterface)
{}

BaseLib::CPoint CPuzzleEditorWorkArea3D::CellAt(float hitX, float hitY, std::int32_t width,
                                                std::int32_t height)
{
    const float x = std::floor(hitX + static_cast<float>(width - 6) * 0.5f + 0.5f);
    const float y = std::floor(0.5f - hitY + static_cast<float>(height - 6) * 0.5f);
    return BaseLib::CPoint(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y));
}

void CPuzzleEditorWorkArea3D::PlaceAlongRay(const GameLib::TCollisionRay& ray)
{
    m_placing = false;
    const CEditablePuzzle* puzzle = m_world != nullptr ? m_world->GetPuzzle() : nullptr;
    if (puzzle == nullptr || m_editor == nullptr)
    {
        return;
    }
    BaseLib::CPlane board;
    board.normal = BaseLib::CVector3(0.0f, 0.0f, 1.0f);
    board.d = 0.0f;
    BaseLib::CVector3 hit;
    if (!BaseLib::IntersectRayPlane(board, BaseLib::CRay(ray.origin, ray.direction), hit))
    {
        return;
    }
    const BaseLib::CPoint cell = CellAt(hit.x, hit.y, puzzle->GetWidth(), puzzle->GetHeight());
    m_editor->PlaceMetaBlock(static_cast<float>(cell.x), static_cast<float>(cell.y), m_vertical,
                             m_pendingDescription);
}

bool CPuzzleEditorWorkArea3D::OnMessage(const UILib::CWindowMessage& message)
{
    if (!message.Is("MLBDwn") || m_userInterface == nullptr)
    {
        return CPuzzleEditorWorkArea::OnMessage(message);
    }
    C3DCursor* cursor = m_userInterface->Get3DCursor();
    if (m_placing)
    {
        m_placing = false;
        if (cursor != nullptr)
        {
            const BaseLib::CVector2 view = m_userInterface->PixelToViewport(
                static_cast<float>(message.GetX()), static_cast<float>(message.GetY()));
            PlaceAlongRay(cursor->ComputePickRay(view.x, view.y));
        }
        return true;
    }
    if (const CBlockEntityNode* node = cursor != nullptr ? cursor->GetPickedNode() : nullptr;
        node != nullptr && node->GetBlock() != nullptr && m_editor != nullptr)
    {
        m_editor->SetSelectedBlock(node->GetBlock()->GetId());
    }
    return CPuzzleEditorWorkArea::OnMessage(message);
}
