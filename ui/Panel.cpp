#include "ui/Panel.h"

#include "foundation/PropertyDescription.h"
#include "ui/DrawContext.h"

namespace UILib
{

namespace
{

const BaseLib::CPropertyDescriptionColor<CPanel> s_colour("Color", "Panel Color", BaseLib::CColor(255, 255, 255, 255),
                                                          &CPanel::SetColor, &CPanel::GetColor);

} // namespace

CPanel::CPanel()
{
    Resize(100, 100);
}

CWindow* CPanel::Create()
{
    return new CPanel();
}

void CPanel::GetProperties(CPropertyList& list)
{
    CWindow::GetProperties(list);
    list.emplace_back(this, &s_colour);
}

BaseLib::CString CPanel::GetDebugDescription() const
{
    const BaseLib::CRect rect = GetClientRect();
    return BaseLib::CString::FromFormat("CPanel extends(%d, %d, %d, %d), color(%d, %d, %d, %d)", rect.left, rect.top,
                                        rect.right, rect.bottom, m_colour.GetRed(), m_colour.GetGreen(),
                                        m_colour.GetBlue(), m_colour.GetAlpha());
}

void CPanel::Paint(CDrawContext& context)
{
    context.FillRect(GetClientRect(), m_colour);
}

void CPanel::SetColor(BaseLib::CColor colour)
{
    if (colour.argb != m_colour.argb)
    {
        m_colour = colour;
        Invalidate(false);
    }
}

CTransparentWindow::CTransparentWindow()
{
    SetTransparent(true);
    Invalidate(false);
}

CWindow* CTransparentWindow::Create()
{
    return new CTransparentWindow();
}

} // namespace UILib
