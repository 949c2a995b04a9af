#include "ui/controls/ToggleButton.h"

#include "ui/Visualization.h"
#include "ui/WindowManager.h"
#include "ui/controls/Label.h"
#include "ui/controls/PropertyTable.h"

#include <vector>

namespace UILib
{

using BaseLib::CString;

namespace
{

constexpr std::int32_t ToggleFillStyle = 1;
constexpr std::int32_t FrameUp = 2;
constexpr std::int32_t FrameFocused = 3;
constexpr std::int32_t FrameDown = 5;

const CPropertyTable<CToggleButton>& ToggleButtonProperties()
{
    static const CPropertyTable<CToggleButton> table = [] {
        CPropertyTable<CToggleButton> t;
        t.Filename("Bitmap 'down and mouse over'",
                   "Bitmap that appears on button\nwhen it is highlighted (mouse-over) and pushed down",
                   ImageFileFilter, &CToggleButton::SetDownMouseOverBitmapFile,
                   &CToggleButton::GetDownMouseOverBitmapFile);
        t.Bool("Grouped",
               "Grouped toggle buttons will\nbehave like RadioButtons, i.e.\nonly one may be selected", false,
               &CToggleButton::SetGrouped, &CToggleButton::GetGrouped);
        t.Bool("Allow Untoggle", "Allow \"unpushing\" the button", true, &CToggleButton::SetAllowUntoggle,
               &CToggleButton::GetAllowUntoggle);
        t.Bool("State", "On or off", false, &CToggleButton::SetState, &CToggleButton::GetState);
        return t;
    }();
    return table;
}

} // namespace

void SendToSiblings(CWindow& window, const char* code)
{
    CWindowManager* manager = CWindowManager::GetInstance();
    CWindow* parent = window.GetParent();
    if (manager == nullptr || parent == nullptr)
    {
        return;
    }
    // The receivers may change their parent's children; the handles are taken first.
    std::vector<Handle> siblings;
    for (std::int32_t i = 0; i < parent->GetChildCount(); ++i)
    {
        siblings.push_back(parent->GetChildHandle(i));
    }
    for (const Handle sibling : siblings)
    {
        if (sibling != window.GetHandle() && manager->Resolve(sibling) != nullptr)
        {
            manager->SendMessage(CWindowMessage(code), sibling);
        }
    }
}

CWindow* CToggleButton::Create()
{
    return new CToggleButton();
}

CString CToggleButton::GetDebugDescription() const
{
    return CString("CToggleButton Label = ") + GetText();
}

void CToggleButton::GetProperties(CPropertyList& list)
{
    CButton::GetProperties(list);
    ToggleButtonProperties().AppendTo(list, this);
}

void CToggleButton::NotifyChange()
{
    Notify("TBtnChng", m_onChange, this);
}

void CToggleButton::NotifyClick()
{
    if (m_state && !m_allowUntoggle)
    {
        return;
    }
    SetState(!m_state);
    CButton::NotifyClick();
}

void CToggleButton::SetState(bool on)
{
    if (on == m_state)
    {
        return;
    }
    m_state = on;
    UpdateFace();
    UpdateStateAnimation();
    if (m_grouped && on && !AreEventsSuppressed())
    {
        SendToSiblings(*this, "TBtnClr");
    }
    NotifyChange();
    Invalidate(false);
}

void CToggleButton::SetDownMouseOverBitmapFile(const CString& file)
{
    if (!m_downMouseOver.IsDifferentFile(file))
    {
        return;
    }
    m_downMouseOver = CBitmap(file);
    UpdateFace();
}

bool CToggleButton::OnMessage(const CWindowMessage& message)
{
    if (message.Is("TBtnClr"))
    {
        if (m_grouped)
        {
            SetState(false);
        }
        return true;
    }
    return CButton::OnMessage(message);
}

void CToggleButton::UpdateFace()
{
    const bool down = IsShownDown();
    if (IsTextButton())
    {
        ShowFace(CBitmap(), down);
        return;
    }
    const bool disabled = IsDisabled();
    const CBitmap& disabledBitmap = GetStateBitmap(StateDisabled);
    const CBitmap* shown = &GetStateBitmap(StateNormal);
    const CBitmap* disabledFace = nullptr;
    if (down && IsHovered() && m_downMouseOver.IsValid() && !(disabled && disabledBitmap.IsValid()))
    {
        shown = &m_downMouseOver;
    }
    else if (disabled && (disabledFace = DisabledFace()) != nullptr)
    {
        shown = disabledFace;
    }
    else if (down && GetStateBitmap(StateDown).IsValid())
    {
        shown = &GetStateBitmap(StateDown);
    }
    else if (IsHovered() && !disabled && GetStateBitmap(StateMouseOver).IsValid())
    {
        shown = &GetStateBitmap(StateMouseOver);
    }
    ShowFace(*shown, down);
}

void CToggleButton::UpdateStateAnimation()
{
    ChooseStateAnimation(IsShownDown());
}

void CToggleButton::Paint(CDrawContext& context)
{
    CVisualization* visualization = VisualizationOf(*this);
    if (visualization == nullptr)
    {
        return;
    }
    const BaseLib::CRect client = GetClientRect();
    if (GetBackground())
    {
        visualization->FillBackground(context, client, ToggleFillStyle);
    }
    if (GetFrame())
    {
        const bool disabled = IsDisabled();
        std::int32_t style = FrameUp;
        if (IsShownDown())
        {
            style = FrameDown;
        }
        else if (HasFocus() && !disabled)
        {
            style = FrameFocused;
        }
        visualization->DrawFrame(context, client, style, disabled ? 1 : 0);
    }
}

} // namespace UILib
