#include "ui/controls/GroupBox.h"

#include "ui/Panel.h"
#include "ui/Visualization.h"
#include "ui/controls/Label.h"
#include "ui/controls/PropertyTable.h"

#include <algorithm>

namespace UILib
{

namespace
{

constexpr std::int32_t GroupBoxFillStyle = 0;

const CPropertyTable<CGroupBox>& GroupBoxProperties()
{
    static const CPropertyTable<CGroupBox> table = [] {
        CPropertyTable<CGroupBox> t;
        t.String("Text", "Caption shown in the frame", BaseLib::CString(), &CGroupBox::SetText, &CGroupBox::GetText);
        t.Bool("Background", "Fill background with color?", true, &CGroupBox::SetBackground,
               &CGroupBox::GetBackground);
        return t;
    }();
    return table;
}

} // namespace

CGroupBox::CGroupBox()
{
    m_text = "GroupBox";
    AttachClientArea(new CTransparentWindow());
    ApplyVisualization();
}

CWindow* CGroupBox::Create()
{
    return new CGroupBox();
}

BaseLib::CString CGroupBox::GetDebugDescription() const
{
    return BaseLib::CString("CGroupBox Label = ") + m_text;
}

void CGroupBox::GetProperties(CPropertyList& list)
{
    CWindow::GetProperties(list);
    GroupBoxProperties().AppendTo(list, this);
}

void CGroupBox::SetText(const BaseLib::CString& text)
{
    if (!(text == m_text))
    {
        m_text = text;
        Invalidate(false);
    }
}

void CGroupBox::SetBackground(bool on)
{
    SwitchBackground(*this, m_background, on);
}

bool CGroupBox::ApplyVisualization()
{
    if (CVisualization* visualization = VisualizationOf(*this))
    {
        const CVisualizationMetrics& metrics = visualization->GetMetrics();
        m_insets = BaseLib::CRect(metrics.groupBoxInsetLeft, metrics.groupBoxInsetTop, metrics.groupBoxInsetRight,
                                  metrics.groupBoxInsetBottom);
    }
    if (CWindow* clientArea = GetClientArea())
    {
        clientArea->SetPosition(m_insets.left, m_insets.top);
    }
    OnSize();
    return CWindow::ApplyVisualization();
}

bool CGroupBox::OnSize()
{
    if (CWindow* clientArea = GetClientArea())
    {
        clientArea->SetSize(std::max(m_width - m_insets.right - m_insets.left, 0),
                            std::max(m_height - m_insets.bottom - m_insets.top, 0));
    }
    return true;
}

void CGroupBox::Paint(CDrawContext& context)
{
    CVisualization* visualization = VisualizationOf(*this);
    if (visualization == nullptr)
    {
        return;
    }
    if (m_background)
    {
        visualization->FillBackground(context, GetClientRect(), GroupBoxFillStyle);
    }
    visualization->DrawGroupFrame(context, GetClientRect(), m_text);
}

} // namespace UILib
