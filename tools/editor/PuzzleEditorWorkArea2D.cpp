#include "tools/editor/PuzzleEditorWorkArea2D.h"

#include "foundation/Color.h"
#include "game/QuarrowWorld.h"
#include "game/puzzle/PuzzleRenderer2D.h"
#include "puzzle/Block.h"
#include "puzzle/EditablePuzzle.h"
#include "tools/editor/PuzzleEditor.h"
#include "ui/DrawContext.h"

#include <cmath>

CPuzzleEditorWorkArea2D* CreatePuzzleEditorWorkArea2D(CQuarrowWorld* world, CPuzzleEditor* editor)
{
    return new CPuzzleEditorWorkArea2D(world, editor);
}

CPuzzleEditorWorkArea2D::CPuzzleEditorWorkArea2D(CQuarrowWorld* world, CPuzzleEditor* editor)
    : CPuzzleEditorWorkArea(world, editor)
{}

bool CPuzzleEditorWorkArea2D::OnMessage(const UILib::CWindowMessage& message)
{
    if (!message.Is("MLBDwn") || m_boardView == nullptr || m_editor == nullptr)
    {
        return CPuzzleEditorWorkArea::OnMessage(message);
    }
    const BaseLib::CPoint point = ScreenToClient(BaseLib::CPoint(message.GetX(), message.GetY()));
    if (m_placing)
    {
        m_placing = false;
        const BaseLib::CVector2 cell = m_boardView->ScreenToCell(point.x, point.y);
        m_editor->PlaceMetaBlock(std::floor(cell.x), std::floor(cell.y), m_vertical, m_pendingDescription);
        return true;
    }
    m_editor->SetSelectedBlock(m_boardView->FindBlockAt(point.x, point.y));
    return CPuzzleEditorWorkArea::OnMessage(message);
}

void CPuzzleEditorWorkArea2D::Paint(UILib::CDrawContext& context)
{
    if (m_shownSelection < 0 || m_boardView == nullptr || m_world == nullptr)
    {
        return;
    }
    const CEditablePuzzle* puzzle = m_world->GetPuzzle();
    const CBlock* selected = puzzle != nullptr ? puzzle->FindBlockById(m_shownSelection) : nullptr;
    if (selected == nullptr)
    {
        return;
    }
    const BaseLib::CColor red(255, 0, 0, 255);
    for (const CBlock* block : selected->GetLinkSet())
    {
        const BaseLib::CRectF& r = block->GetRect();
        const BaseLib::CPoint at = m_boardView->CellToScreen(r.left, r.top);
        const BaseLib::CSize size = m_boardView->ScaleToScreen(r.right - r.left, r.bottom - r.top);
        context.DrawRectFrame(BaseLib::CRect(at.x, at.y, at.x + size.cx, at.y + size.cy), red);
    }
}
