#include "ui/controls/ColorPickArea.h"

#include "ui/DrawContext.h"
#include "ui/Visualization.h"
#include "ui/WindowManager.h"

#include <algorithm>

namespace UILib
{

using BaseLib::CPoint;
using BaseLib::CRect;

CColorPickArea::CColorPickArea()
{
    ApplyVisualization();
}

CColorPickArea* CColorPickArea::Create()
{
    return new CColorPickArea();
}

bool CColorPickArea::ApplyVisualization()
{
    // Without a visualization no frame is drawn, so the bitmap starts at the client area's corner.
    CRect borders(0, 0, 0, 0);
    if (CVisualization* visualization = GetVisualization())
    {
        borders = visualization->GetBorderWidths(FrameStyle);
    }
    m_borderLeft = borders.left;
    m_borderTop = borders.top;
    m_borderRight = borders.right;
    m_borderBottom = borders.bottom;
    const CBitmap& bitmap = GetBitmap();
    if (bitmap.IsValid())
    {
        SetSize(bitmap.GetWidth() + m_borderLeft + m_borderRight,
                bitmap.GetHeight() + m_borderTop + m_borderBottom);
    }
    return CLabel::ApplyVisualization();
}

bool CColorPickArea::OnLButtonDown(CPoint& point, std::uint8_t)
{
    m_dragging = true;
    if (CWindowManager* manager = CWindowManager::GetInstance())
    {
        manager->SetMouseCapture(this);
    }
    PickAt(point);
    return true;
}

bool CColorPickArea::OnMouseMove(CPoint& point, std::uint8_t)
{
    if (m_dragging)
    {
        PickAt(point);
    }
    return true;
}

bool CColorPickArea::OnLButtonUp(CPoint&, std::uint8_t)
{
    if (m_dragging)
    {
        if (CWindowManager* manager = CWindowManager::GetInstance())
        {
            manager->ReleaseMouseCapture(this);
        }
        m_dragging = false;
    }
    return true;
}

void CColorPickArea::PickAt(const CPoint& point)
{
    CPoint picked(point.x - m_borderLeft, point.y - m_borderTop);
    const CBitmap& bitmap = GetBitmap();
    if (bitmap.IsValid())
    {
        picked.x = std::clamp(picked.x, 0, bitmap.GetWidth() - 1);
        picked.y = std::clamp(picked.y, 0, bitmap.GetHeight() - 1);
    }
    if (!AreEventsSuppressed() && m_callback.IsSet())
    {
        m_callback(this, picked);
    }
    InvalidateMarker();
    m_markerX = m_borderLeft + picked.x;
    m_markerY = m_borderTop + picked.y;
    InvalidateMarker();
}

void CColorPickArea::InvalidateMarker()
{
    InvalidateRect(CRect(m_markerX - MarkerReach, m_markerY - MarkerReach, m_markerX + MarkerReach + 1,
                         m_markerY + MarkerReach + 1),
                   false);
}

void CColorPickArea::Paint(CDrawContext& context)
{
    CLabel::Paint(context);
    context.DrawRectFrame(CRect(m_markerX - MarkerReach, m_markerY - MarkerReach, m_markerX + MarkerReach + 1,
                                m_markerY + MarkerReach + 1),
                          BaseLib::CColor(0, 0, 0, 255));
    if (CVisualization* visualization = GetVisualization())
    {
        visualization->DrawFrame(context, GetClientRect(), FrameStyle, IsDisabled() ? 1 : 0);
    }
}

} // namespace UILib
