#include "game/puzzle/Block2DControl.h"

#include "game/QuarrowInputChannel.h"
#include "game/QuarrowWorld.h"
#include "game/puzzle/PuzzleRenderer2D.h"
#include "puzzle/Block.h"
#include "puzzle/BlockImageNames.h"
#include "ui/Bitmap.h"
#include "ui/WindowManager.h"

namespace
{

CQuarrowInputChannel* ChannelOf(const CPuzzleRenderer2D* view)
{
    return view != nullptr && view->GetWorld() != nullptr ? view->GetWorld()->GetGameInputChannel() : nullptr;
}

} // namespace

CBlock2DControl::CBlock2DControl(CPuzzleRenderer2D* boardView, CBlock* block)
    : m_boardView(boardView), m_block(block), m_blockId(block->GetId())
{
}

CBlock2DControl* CBlock2DControl::Create(CPuzzleRenderer2D* boardView, CBlock* block)
{
    auto* control = new CBlock2DControl(boardView, block);
    control->SetupImage();
    return control;
}

void CBlock2DControl::SetupImage()
{
    const std::int32_t cell = m_boardView != nullptr ? m_boardView->GetCellSize() : 1;
    if (m_block->GetKind() == KindBridge)
    {
        SetAlwaysOnTop(true);
    }
    SetBitmap(UILib::CBitmap(Block2DImageNameForBlock(*m_block).c_str(), cell, cell));
    SetBackground(false);
}

void CBlock2DControl::SyncToBlock()
{
    if (!MayAct())
    {
        return;
    }
    if (m_releaseOwed)
    {
        m_releaseOwed = false;
        PushRelease();
    }
    const BaseLib::CRectF& rect = m_block->GetRect();
    const BaseLib::CPoint position = m_boardView->CellToScreen(rect.left, rect.top);
    const BaseLib::CSize size = m_boardView->ScaleToScreen(rect.right - rect.left, rect.bottom - rect.top);
    if (position.x != GetPosition().x || position.y != GetPosition().y)
    {
        SetPosition(position.x, position.y);
    }
    if (size.cx != GetSize().cx || size.cy != GetSize().cy)
    {
        SetSize(size.cx, size.cy);
    }
}

void CBlock2DControl::Detach()
{
    if (m_dragging)
    {
        m_dragging = false;
        if (UILib::CWindowManager* windows = UILib::CWindowManager::GetInstance())
        {
            windows->ReleaseMouseCapture(this);
        }
        PushRelease();
    }
    else if (m_releaseOwed)
    {
        PushRelease();
    }
    m_releaseOwed = false;
    m_boardView = nullptr;
}

bool CBlock2DControl::MayAct() const
{
    return m_boardView != nullptr && m_boardView->AcceptsInput();
}

void CBlock2DControl::PushRelease()
{
    // Only the stored id is sent: the puzzle ignores a release for a block it does not hold.
    if (CQuarrowInputChannel* channel = ChannelOf(m_boardView))
    {
        channel->PushReleaseBlock(m_blockId);
    }
}

bool CBlock2DControl::OnLButtonDown(BaseLib::CPoint& point, std::uint8_t)
{
    if (m_dragging || !MayAct() || !m_block->IsGrabbable())
    {
        return true;
    }
    if (UILib::CWindowManager* windows = UILib::CWindowManager::GetInstance())
    {
        windows->SetMouseCapture(this);
    }
    m_pressPoint = point;
    m_dragging = true;
    m_releaseOwed = false;
    if (CQuarrowInputChannel* channel = ChannelOf(m_boardView))
    {
        channel->PushGrabBlock(m_blockId);
    }
    return true;
}

bool CBlock2DControl::OnMouseMove(BaseLib::CPoint& point, std::uint8_t)
{
    if (!m_dragging || !MayAct())
    {
        return true;
    }
    const BaseLib::CVector2 delta = m_boardView->PixelsToCells(point.x - m_pressPoint.x, point.y - m_pressPoint.y);
    const BaseLib::CRectF& rect = m_block->GetRect();
    if (CQuarrowInputChannel* channel = ChannelOf(m_boardView))
    {
        channel->PushMoveBlock(m_blockId, rect.left + delta.x, rect.top + delta.y);
    }
    return true;
}

bool CBlock2DControl::OnLButtonUp(BaseLib::CPoint&, std::uint8_t)
{
    if (!m_dragging)
    {
        return true;
    }
    m_dragging = false;
    if (UILib::CWindowManager* windows = UILib::CWindowManager::GetInstance())
    {
        windows->ReleaseMouseCapture(this);
    }
    // While a search owns the puzzle nothing is sent; the release follows once the view syncs again.
    if (MayAct())
    {
        PushRelease();
    }
    else
    {
        m_releaseOwed = m_boardView != nullptr;
    }
    return true;
}
