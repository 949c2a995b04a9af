#include "ui/controls/CheckBox.h"

#include "ui/Visualization.h"
#include "ui/WindowManager.h"
#include "ui/controls/Label.h"
#include "ui/controls/PropertyTable.h"
#include "ui/controls/ToggleButton.h"

#include <algorithm>

namespace UILib
{

using BaseLib::CPoint;
using BaseLib::CSize;
using BaseLib::CString;

namespace
{

// The fill style of both marks' background.
constexpr std::int32_t MarkFillStyle = 0;

const CPropertyTable<CCheckBox>& CheckBoxProperties()
{
    static const CPropertyTable<CCheckBox> table = [] {
        CPropertyTable<CCheckBox> t;
        t.String("Text", "Text that appears next to CheckBox", CString(),
                 static_cast<void (CCheckBox::*)(const CString&)>(&CCheckBox::SetText),
                 static_cast<CString (CCheckBox::*)() const>(&CCheckBox::GetText));
        t.Bool("Background", "Fill background with color?", true,
               static_cast<void (CCheckBox::*)(bool)>(&CCheckBox::SetBackground),
               static_cast<bool (CCheckBox::*)() const>(&CCheckBox::GetBackground));
        t.Bool("Tri-State", "CheckBox has three states\n(yes / no / undecided)", false,
               &CCheckBox::SetTriState, &CCheckBox::GetTriState);
        t.Enum("State", "Current state", "Unchecked", "Unchecked Checked Default", &CCheckBox::SetState,
               &CCheckBox::GetState);
        return t;
    }();
    return table;
}

const CPropertyTable<CRadioButton>& RadioButtonProperties()
{
    static const CPropertyTable<CRadioButton> table = [] {
        CPropertyTable<CRadioButton> t;
        t.String("Text", "Text that appears on Button", CString(),
                 static_cast<void (CRadioButton::*)(const CString&)>(&CRadioButton::SetText),
                 static_cast<CString (CRadioButton::*)() const>(&CRadioButton::GetText));
        t.Bool("Background", "Fill background with color?", true,
               static_cast<void (CRadioButton::*)(bool)>(&CRadioButton::SetBackground),
               static_cast<bool (CRadioButton::*)() const>(&CRadioButton::GetBackground));
        t.Bool("Selected", "Selected / not selected", true, &CRadioButton::SetSelected,
               &CRadioButton::GetSelected);
        return t;
    }();
    return table;
}

} // namespace

// The shared mark button

CMarkButton::CMarkButton()
{
    CLabel* label = new CLabel();
    label->SetName("__label");
    m_label = label->GetHandle();
    AddChild(m_label);
    label->SetBackground(false);
    // A new label reads "Label"; these controls start without text, and their label as small as that.
    label->SetText(CString());
    label->SizeToContent(true);
}

CLabel* CMarkButton::GetLabel() const
{
    CWindowManager* manager = CWindowManager::GetInstance();
    return manager != nullptr ? static_cast<CLabel*>(manager->Resolve(m_label)) : nullptr;
}

void CMarkButton::SetText(const CString& text)
{
    if (CLabel* label = GetLabel())
    {
        label->SetText(text);
    }
    OnSize();
}

CString CMarkButton::GetText() const
{
    const CLabel* label = GetLabel();
    return label != nullptr ? label->GetText() : CString();
}

void CMarkButton::SetBackground(bool on)
{
    SwitchBackground(*this, m_background, on);
}

bool CMarkButton::OnSize()
{
    if (CLabel* label = GetLabel())
    {
        label->SizeToContent(true);
        label->SetPosition(2 * m_markWidth, (m_height - label->GetSize().cy) / 2);
    }
    return true;
}

bool CMarkButton::ApplyVisualization()
{
    if (CVisualization* visualization = VisualizationOf(*this))
    {
        const CSize mark = MarkSizeOf(visualization->GetMetrics());
        m_markWidth = mark.cx;
        m_markHeight = mark.cy;
    }
    std::int32_t labelHeight = 0;
    if (CLabel* label = GetLabel())
    {
        label->SizeToContent(true);
        labelHeight = label->GetSize().cy;
    }
    SetMinimumSize(CSize(0, std::max(labelHeight, m_markHeight)));
    FitToContent(false);
    OnSize();
    return CBasicButton::ApplyVisualization();
}

CVisualization* CMarkButton::PaintBackground(CDrawContext& context)
{
    CVisualization* visualization = VisualizationOf(*this);
    if (visualization != nullptr && m_background)
    {
        visualization->FillBackground(context, GetClientRect(), MarkFillStyle);
    }
    return visualization;
}

// Check box

CCheckBox::CCheckBox()
{
    ApplyVisualization();
}

CWindow* CCheckBox::Create()
{
    return new CCheckBox();
}

CString CCheckBox::GetDebugDescription() const
{
    return CString("CCheckBox Label = ") + GetText();
}

void CCheckBox::GetProperties(CPropertyList& list)
{
    CWindow::GetProperties(list);
    CheckBoxProperties().AppendTo(list, this);
}

CSize CCheckBox::MarkSizeOf(const CVisualizationMetrics& metrics) const
{
    return CSize(metrics.checkBoxWidth, metrics.checkBoxHeight);
}

void CCheckBox::SetState(int state)
{
    if (state < Unchecked || state > Undecided || (state == Undecided && !m_triState) || state == m_state)
    {
        return;
    }
    m_state = state;
    Invalidate(false);
}

void CCheckBox::SetTriState(bool on)
{
    m_triState = on;
    if (!on && m_state == Undecided)
    {
        SetState(Unchecked);
    }
}

void CCheckBox::NotifyChange()
{
    Notify("CBoxChng", m_onChange, this);
}

void CCheckBox::NotifyClick()
{
    switch (m_state)
    {
    case Unchecked:
        m_state = Checked;
        break;
    case Checked:
        m_state = m_triState ? Undecided : Unchecked;
        break;
    default:
        m_state = Unchecked;
        break;
    }
    NotifyChange();
    Invalidate(false);
}

void CCheckBox::Paint(CDrawContext& context)
{
    if (CVisualization* visualization = PaintBackground(context))
    {
        visualization->DrawCheckBox(context, CPoint(0, (m_height - m_markHeight) / 2), m_state, IsPushed());
    }
}

// Radio button

CRadioButton::CRadioButton()
{
    ApplyVisualization();
}

CWindow* CRadioButton::Create()
{
    return new CRadioButton();
}

CString CRadioButton::GetDebugDescription() const
{
    return CString("CRadioButton Label = ") + GetText();
}

void CRadioButton::GetProperties(CPropertyList& list)
{
    CWindow::GetProperties(list);
    RadioButtonProperties().AppendTo(list, this);
}

CSize CRadioButton::MarkSizeOf(const CVisualizationMetrics& metrics) const
{
    return CSize(metrics.radioButtonWidth, metrics.radioButtonHeight);
}

void CRadioButton::FitToContent(bool exact)
{
    const CLabel* label = GetLabel();
    const CSize wanted((label != nullptr ? label->GetSize().cx : 0) + 2 * m_markWidth, m_height);
    if (exact)
    {
        SetSize(wanted.cx, wanted.cy);
    }
    else
    {
        EnsureMinimumSize(wanted);
    }
}

void CRadioButton::NotifyChange()
{
    Notify("RBtnChng", m_onChange, this);
}

void CRadioButton::NotifyClick()
{
    SetSelected(true);
}

void CRadioButton::SetSelected(bool selected)
{
    if (selected == m_selected)
    {
        return;
    }
    m_selected = selected;
    NotifyChange();
    if (selected && !AreEventsSuppressed())
    {
        SendToSiblings(*this, "RBtnClr");
    }
    Invalidate(false);
}

bool CRadioButton::OnMessage(const CWindowMessage& message)
{
    if (message.Is("RBtnClr"))
    {
        SetSelected(false);
        return true;
    }
    return CMarkButton::OnMessage(message);
}

void CRadioButton::Paint(CDrawContext& context)
{
    if (CVisualization* visualization = PaintBackground(context))
    {
        const std::int32_t markHeight = visualization->GetMetrics().radioButtonHeight;
        visualization->DrawRadioButton(context, CPoint(0, (m_height - markHeight) / 2), m_selected,
                                       IsPushed());
    }
}

} // namespace UILib
