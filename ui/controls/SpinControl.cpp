#include "ui/controls/SpinControl.h"

#include "ui/Visualization.h"
#include "ui/WindowManager.h"
#include "ui/controls/EditControl.h"
#include "ui/controls/Label.h"
#include "ui/controls/PropertyTable.h"

#include <cctype>

namespace UILib
{

using BaseLib::CPoint;
using BaseLib::CRect;
using BaseLib::CString;

namespace
{

constexpr std::int32_t SpinFrameStyle = 1;
constexpr std::int32_t ArrowFrameStyle = 2;
constexpr std::int32_t ArrowPushedFrameStyle = 5;

const CPropertyTable<CBasicSpinControl>& SpinProperties()
{
    static const CPropertyTable<CBasicSpinControl> table = [] {
        CPropertyTable<CBasicSpinControl> t;
        t.Enum("Style", "Button Style", "Up-Down", "Up-Down Left-Right", &CBasicSpinControl::SetStyle,
               &CBasicSpinControl::GetStyle);
        t.Bool("Editable", "May the user type text?", true, &CBasicSpinControl::SetEditable,
               &CBasicSpinControl::GetEditable);
        t.Bool("Frame", "Draw frame around button?", true, &CBasicSpinControl::SetFrame,
               &CBasicSpinControl::GetFrame);
        return t;
    }();
    return table;
}

} // namespace

// Arrow buttons

void CBasicSpinControl::CBasicSpinControlButton::SetDirection(std::int32_t direction)
{
    if (direction != m_direction)
    {
        m_direction = direction;
        Invalidate(false);
    }
}

void CBasicSpinControl::CBasicSpinControlButton::Paint(CDrawContext& context)
{
    if (CVisualization* visualization = VisualizationOf(*this))
    {
        const bool held = !IsDisabled() && (IsMouseHeld() || IsPushed());
        visualization->DrawSpinButton(context, CPoint(0, 0), m_direction,
                                      held ? ArrowPushedFrameStyle : ArrowFrameStyle);
    }
}

// Basic spin control

CBasicSpinControl::CBasicSpinControl()
{
    CEditControl* edit = new CEditControl();
    edit->SetName("__edit");
    edit->SetFrame(false);
    m_edit = edit->GetHandle();
    CBasicSpinControlButton* first = new CBasicSpinControlButton();
    first->SetName("__button1");
    m_buttons[0] = first->GetHandle();
    CBasicSpinControlButton* second = new CBasicSpinControlButton();
    second->SetName("__button2");
    m_buttons[1] = second->GetHandle();
    AddChild(m_edit);
    AddChild(m_buttons[0]);
    AddChild(m_buttons[1]);
    m_style = -1;
    SetStyle(UpDown);
    SetSize(100, 100);
    ApplyVisualization();
}

CBasicSpinControl::~CBasicSpinControl() = default;

CEditControl* CBasicSpinControl::GetEdit() const
{
    CWindowManager* manager = CWindowManager::GetInstance();
    return manager != nullptr ? static_cast<CEditControl*>(manager->Resolve(m_edit)) : nullptr;
}

CBasicSpinControl::CBasicSpinControlButton* CBasicSpinControl::GetButton(int index) const
{
    CWindowManager* manager = CWindowManager::GetInstance();
    return manager != nullptr ? static_cast<CBasicSpinControlButton*>(manager->Resolve(m_buttons[index])) : nullptr;
}

void CBasicSpinControl::GetProperties(CPropertyList& list)
{
    CWindow::GetProperties(list);
    SpinProperties().AppendTo(list, this);
}

void CBasicSpinControl::NotifyChange()
{
    if (AreEventsSuppressed())
    {
        return;
    }
    SendNotification(CWindowMessage("SpinChng", CWindowMessage::Input, 0, m_handle), m_parent);
    if (!AreEventsSuppressed() && m_onChange.IsSet())
    {
        m_onChange(this);
    }
}

bool CBasicSpinControl::OnMessage(const CWindowMessage& message)
{
    if (message.Is("BtnDown"))
    {
        if (message.second == m_buttons[0])
        {
            StepUp();
            return true;
        }
        if (message.second == m_buttons[1])
        {
            StepDown();
            return true;
        }
    }
    return CWindow::OnMessage(message);
}

bool CBasicSpinControl::OnKeyDown(std::uint32_t key, std::uint8_t)
{
    if (IsDisabled())
    {
        return true;
    }
    if (key == ArrowUpKey)
    {
        StepUp();
        return true;
    }
    if (key == ArrowDownKey)
    {
        StepDown();
        return true;
    }
    return false;
}

bool CBasicSpinControl::OnActivate()
{
    if (CWindowManager* manager = CWindowManager::GetInstance())
    {
        manager->ActivateWindow(m_edit, true);
    }
    return true;
}

void CBasicSpinControl::SetStyle(std::int32_t style)
{
    m_style = style;
    CBasicSpinControlButton* first = GetButton(0);
    CBasicSpinControlButton* second = GetButton(1);
    if (first != nullptr && second != nullptr)
    {
        first->SetDirection(style == LeftRight ? 3 : 0);
        second->SetDirection(style == LeftRight ? 2 : 1);
    }
    ApplyVisualization();
}

void CBasicSpinControl::SetEditable(bool editable)
{
    if (CEditControl* edit = GetEdit())
    {
        edit->SetReadOnly(!editable);
    }
}

bool CBasicSpinControl::GetEditable() const
{
    const CEditControl* edit = GetEdit();
    return edit != nullptr && !edit->GetReadOnly();
}

void CBasicSpinControl::SetFrame(bool frame)
{
    if (frame != m_frame)
    {
        m_frame = frame;
        OnSize();
        Invalidate(false);
    }
}

void CBasicSpinControl::SetEditText(const CString& text)
{
    if (CEditControl* edit = GetEdit())
    {
        edit->SetText(text);
    }
}

CString CBasicSpinControl::GetEditText() const
{
    const CEditControl* edit = GetEdit();
    return edit != nullptr ? edit->GetText() : CString();
}

bool CBasicSpinControl::OnSize()
{
    CEditControl* edit = GetEdit();
    CBasicSpinControlButton* first = GetButton(0);
    CBasicSpinControlButton* second = GetButton(1);
    if (edit == nullptr || first == nullptr || second == nullptr)
    {
        return true;
    }
    const CRect inset = m_frame ? m_borders : CRect();
    if (m_style == LeftRight)
    {
        const std::int32_t editWidth = m_width - 2 * m_buttonWidth - inset.left - inset.right;
        edit->SetSize(editWidth, m_height - inset.top - inset.bottom);
        edit->SetPosition(inset.left + m_buttonWidth, inset.top);
        second->SetPosition(inset.left, inset.top);
        first->SetPosition(inset.left + m_buttonWidth + editWidth, inset.top);
    }
    else
    {
        const std::int32_t editWidth = m_width - m_buttonWidth - inset.left - inset.right;
        edit->SetSize(editWidth, m_height - inset.top - inset.bottom);
        edit->SetPosition(inset.left, inset.top);
        first->SetPosition(inset.left + editWidth, inset.top);
        second->SetPosition(inset.left + editWidth, inset.top + m_buttonHeight);
    }
    return true;
}

void CBasicSpinControl::SetSize(std::int32_t width, std::int32_t)
{
    const std::int32_t buttons = m_style == LeftRight ? 1 : 2;
    CWindow::SetSize(width, m_borders.top + m_borders.bottom + buttons * m_buttonHeight);
}

bool CBasicSpinControl::ApplyVisualization()
{
    if (CVisualization* visualization = VisualizationOf(*this))
    {
        const CVisualizationMetrics& metrics = visualization->GetMetrics();
        m_buttonWidth = m_style == LeftRight ? metrics.horizontalSpinButtonWidth : metrics.verticalSpinButtonWidth;
        m_buttonHeight = m_style == LeftRight ? metrics.horizontalSpinButtonHeight : metrics.verticalSpinButtonHeight;
        for (int i = 0; i < 2; ++i)
        {
            if (CBasicSpinControlButton* button = GetButton(i))
            {
                button->SetSize(m_buttonWidth, m_buttonHeight);
            }
        }
        m_borders = visualization->GetBorderWidths(SpinFrameStyle);
    }
    SetSize(m_width, m_height);
    OnSize();
    return CWindow::ApplyVisualization();
}

void CBasicSpinControl::Paint(CDrawContext& context)
{
    if (!m_frame)
    {
        return;
    }
    if (CVisualization* visualization = VisualizationOf(*this))
    {
        visualization->DrawFrame(context, GetClientRect(), SpinFrameStyle, IsDisabled() ? 1 : 0);
    }
}

// Text spin control

CSpinControlText::CSpinControlText()
{
    SetEditText(CString());
    if (CEditControl* edit = GetEdit())
    {
        edit->SetReadOnly(true);
    }
}

CWindow* CSpinControlText::Create()
{
    return new CSpinControlText();
}

CString CSpinControlText::GetDebugDescription() const
{
    return CString("CSpinControlText Contents = ") + GetText();
}

void CSpinControlText::StepUp()
{
    SetCurrentIndex(m_current <= 0 ? 0 : m_current - 1);
}

void CSpinControlText::StepDown()
{
    SetCurrentIndex(m_current < 0 ? GetCount() - 1 : m_current + 1);
}

std::int32_t CSpinControlText::SetCurrentIndex(std::int32_t index)
{
    if (m_entries.empty())
    {
        if (m_current != -1)
        {
            NotifyChange();
        }
        m_current = -1;
        return m_current;
    }
    if (index > GetCount() - 1)
    {
        index = GetCount() - 1;
    }
    if (index < 0)
    {
        index = 0;
    }
    if (index == m_current)
    {
        return m_current;
    }
    m_current = index;
    SetEditText(m_entries[static_cast<std::size_t>(index)]);
    Invalidate(false);
    NotifyChange();
    return m_current;
}

std::int32_t CSpinControlText::AddString(const CString& text)
{
    m_entries.push_back(text);
    const std::int32_t index = GetCount() - 1;
    if (index == 0 && GetEditText().GetLength() == 0)
    {
        SetCurrentIndex(0);
    }
    OnSize();
    return index;
}

CString CSpinControlText::GetString(std::int32_t index) const
{
    return index >= 0 && index < GetCount() ? m_entries[static_cast<std::size_t>(index)] : CString();
}

std::int32_t CSpinControlText::FindString(const CString& text) const
{
    for (std::size_t i = 0; i < m_entries.size(); ++i)
    {
        if (m_entries[i] == text)
        {
            return static_cast<std::int32_t>(i);
        }
    }
    return -1;
}

std::int32_t CSpinControlText::RemoveString(std::int32_t index)
{
    if (index >= 0 && index < GetCount())
    {
        m_entries.erase(m_entries.begin() + index);
        OnSize();
    }
    return GetCount();
}

bool CSpinControlText::SelectByInitial(char character)
{
    if (character == 0)
    {
        return false;
    }
    const int wanted = std::toupper(static_cast<unsigned char>(character));
    const auto matches = [&](std::int32_t i) {
        const CString& entry = m_entries[static_cast<std::size_t>(i)];
        return entry.GetLength() > 0 && std::toupper(static_cast<unsigned char>(static_cast<const char*>(entry)[0])) == wanted;
    };
    for (std::int32_t i = m_current + 1; i < GetCount(); ++i)
    {
        if (matches(i))
        {
            SetCurrentIndex(i);
            return true;
        }
    }
    for (std::int32_t i = 0; i < m_current && i < GetCount(); ++i)
    {
        if (matches(i))
        {
            SetCurrentIndex(i);
            return true;
        }
    }
    return false;
}

bool CSpinControlText::OnMessage(const CWindowMessage& message)
{
    if (message.Is("EditChng") && message.second == GetEdit()->GetHandle())
    {
        m_current = FindString(GetEditText());
        return true;
    }
    return CBasicSpinControl::OnMessage(message);
}

} // namespace UILib
