#include "ui/controls/ComboBox.h"

#include "ui/DrawContext.h"
#include "ui/Visualization.h"
#include "ui/WindowManager.h"
#include "ui/controls/Label.h"
#include "ui/controls/PropertyTable.h"

#include <algorithm>

namespace UILib
{

using BaseLib::CPoint;
using BaseLib::CRect;
using BaseLib::CSize;
using BaseLib::CString;

namespace
{

// The window system's key codes of "sKeyDown" used here.
enum : std::uint32_t
{
    KeyEnter = 260,
    KeyEscape = 266,
    KeyDown = 275,
};

constexpr std::int32_t FrameStyle = 1;
constexpr std::int32_t ButtonNormal = 2;
constexpr std::int32_t ButtonPushed = 5;
constexpr float FadeInSpeed = 3.0f;

const CPropertyTable<CComboBox>& ComboBoxProperties()
{
    static const CPropertyTable<CComboBox> table = [] {
        CPropertyTable<CComboBox> t;
        t.String("Text", "Text shown in the box", CString(), &CComboBox::SetText, &CComboBox::GetText);
        t.Bool("Allow Any Text", "Allow user to type any text in the box?", true, &CComboBox::SetAllowAnyText,
               &CComboBox::GetAllowAnyText);
        t.Bool("Frame", "Draw a frame around this control?", true, &CComboBox::SetFrame, &CComboBox::GetFrame);
        t.Scalar<std::int32_t>("Max List Height", "Maximum height of pop-up list", 300, 0, 10000,
                               &CComboBox::SetMaxListHeight, &CComboBox::GetMaxListHeight);
        return t;
    }();
    return table;
}

CWindow* Resolve(Handle handle)
{
    CWindowManager* manager = CWindowManager::GetInstance();
    return manager != nullptr && handle != 0 ? manager->Resolve(handle) : nullptr;
}

} // namespace

// The text part

bool CComboBox::CComboBoxEdit::OnMessage(const CWindowMessage& message)
{
    if (message.Is("MLBDwn") && !IsDisabled() && GetReadOnly())
    {
        if (m_combo->IsListOpen())
        {
            m_combo->CloseList();
        }
        else
        {
            m_combo->OpenList();
        }
    }
    return CEditControl::OnMessage(message);
}

void CComboBox::CComboBoxEdit::FixSize(const CSize& size)
{
    // Set directly: SetMinimumSize and SetMaximumSize never lower a minimum nor raise a maximum.
    m_minWidth = size.cx;
    m_minHeight = size.cy;
    m_maxWidth = size.cx;
    m_maxHeight = size.cy;
    EnsureMinimumSize(size);
    LimitSize(size);
}

// The button

void CComboBox::CComboBoxButton::Paint(CDrawContext& context)
{
    if (CVisualization* visualization = VisualizationOf(*this))
    {
        visualization->DrawComboButton(context, GetClientRect(),
                                       IsPushed() && !IsDisabled() ? ButtonPushed : ButtonNormal);
    }
}

// The list

CComboBox::CComboBoxList::CComboBoxList(CComboBox* combo) : m_combo(combo)
{
    // Open, the list lies outside any modal dialog holding the combo box; the bar it makes later
    // inherits the bit.
    SetExemptFromModal(true);
    CreateOwnCanvas();
}

void CComboBox::CComboBoxList::EndDrag()
{
    CPoint point;
    CListBox::OnLButtonUp(point, 0);
}

bool CComboBox::CComboBoxList::OnDeactivate()
{
    if (!m_open)
    {
        return true;
    }
    CWindowManager* manager = CWindowManager::GetInstance();
    const CWindow* focus = manager != nullptr ? manager->Resolve(manager->GetFocus()) : nullptr;
    const CWindow* button = m_combo->GetButton();
    if (focus != nullptr && (focus == this || focus->IsDescendantOf(m_handle)))
    {
        Activate();
    }
    else if (focus != nullptr && focus == button)
    {
        // Back to the front, the focus left with the button: its "BtnClick" closes the list.
        manager->ActivateWindow(m_handle, false);
    }
    else if (!m_combo->GetAllowAnyText() && m_combo->HasFocus())
    {
        Activate();
    }
    else
    {
        m_combo->CloseList();
    }
    return true;
}

bool CComboBox::CComboBoxList::OnKeyDown(std::uint32_t key, std::uint8_t modifiers)
{
    if (key == KeyEscape || key == KeyEnter)
    {
        m_combo->ActivateEdit();
        if (key == KeyEnter)
        {
            m_combo->SetText(GetSelectedText());
        }
        m_combo->CloseList();
        m_combo->ActivateEdit();
        CListBox::OnKeyDown(key, modifiers);
        return true;
    }
    // The arrows move on from the entry shown selected, wherever the mouse put it.
    if (IsValidIndex(m_selected))
    {
        m_caret = m_selected;
    }
    return CListBox::OnKeyDown(key, modifiers);
}

bool CComboBox::CComboBoxList::OnMouseMove(CPoint& point, std::uint8_t modifiers)
{
    if (!m_dragging)
    {
        // The selection follows the mouse; the shown text stays until the list is left with a choice.
        SelectItemAtPoint(point);
    }
    else if (point.y < 0)
    {
        if (m_selected > 0)
        {
            Select(m_selected - 1);
        }
    }
    else if (point.y >= m_height)
    {
        Select(m_selected + 1);
    }
    else
    {
        CListBox::OnMouseMove(point, modifiers);
    }
    return true;
}

bool CComboBox::CComboBoxList::OnLButtonUp(CPoint& point, std::uint8_t modifiers)
{
    if (!m_dragging)
    {
        return true;
    }
    CListBox::OnLButtonUp(point, modifiers);
    const std::int32_t chosen = m_selected;
    m_combo->CloseList();
    if (chosen >= 0)
    {
        m_combo->SetSelection(chosen);
    }
    m_combo->ActivateEdit();
    return true;
}

// The combo box

CComboBox::CComboBox()
{
    auto* edit = new CComboBoxEdit(this);
    edit->SetName("__editcontrol");
    edit->SetText(CString()); // before it has a parent: nothing to tell
    edit->SetFrame(false);
    edit->SetReadOnly(true);
    m_edit = edit->GetHandle();
    AddChild(m_edit);

    auto* button = new CComboBoxButton();
    button->SetName("__button");
    m_button = button->GetHandle();
    AddChild(m_button);

    auto* list = new CComboBoxList(this);
    list->SetName("__list");
    m_list = list->GetHandle();

    ApplyVisualization();
}

CComboBox::~CComboBox()
{
    if (CWindow* list = Resolve(m_list))
    {
        list->Delete();
    }
}

CWindow* CComboBox::Create()
{
    return new CComboBox();
}

CComboBox::CComboBoxEdit* CComboBox::GetEdit() const
{
    return static_cast<CComboBoxEdit*>(Resolve(m_edit));
}

CComboBox::CComboBoxButton* CComboBox::GetButton() const
{
    return static_cast<CComboBoxButton*>(Resolve(m_button));
}

CComboBox::CComboBoxList* CComboBox::GetList() const
{
    return static_cast<CComboBoxList*>(Resolve(m_list));
}

void CComboBox::GetProperties(CPropertyList& list)
{
    CWindow::GetProperties(list);
    ComboBoxProperties().AppendTo(list, this);
}

bool CComboBox::HasFocus() const
{
    const CComboBoxList* list = GetList();
    return CWindow::HasFocus() || (list != nullptr && list->HasFocus());
}

CString CComboBox::GetDebugDescription() const
{
    return CString("CComboBox Content = ") + GetText();
}

// Text and selection

CString CComboBox::GetText() const
{
    const CComboBoxEdit* edit = GetEdit();
    return edit != nullptr ? edit->GetText() : CString();
}

void CComboBox::SetText(const CString& text)
{
    CComboBoxList* list = GetList();
    const std::int32_t index = list != nullptr ? list->FindItem(text) : -1;
    if (index >= 0)
    {
        SetSelection(index);
    }
    else if (m_allowAnyText)
    {
        if (CComboBoxEdit* edit = GetEdit())
        {
            edit->SetText(text);
        }
    }
}

std::int32_t CComboBox::SetSelection(std::int32_t index)
{
    CComboBoxList* list = GetList();
    if (list == nullptr)
    {
        return -1;
    }
    const std::int32_t result = list->Select(index);
    if (CComboBoxEdit* edit = GetEdit())
    {
        edit->SetText(list->GetSelectedText());
    }
    return result;
}

std::int32_t CComboBox::GetSelection() const
{
    const CComboBoxList* list = GetList();
    return list != nullptr ? list->GetSelectedIndex() : -1;
}

std::int32_t CComboBox::AddItem(const CString& text)
{
    CComboBoxList* list = GetList();
    if (list == nullptr)
    {
        return -1;
    }
    const std::int32_t index = list->AddItem(text);
    if (list->GetItemCount() == 1)
    {
        SetSelection(0);
    }
    return index;
}

void CComboBox::SetAllowAnyText(bool allow)
{
    if (allow == m_allowAnyText)
    {
        return;
    }
    m_allowAnyText = allow;
    if (CComboBoxEdit* edit = GetEdit())
    {
        edit->SetReadOnly(!allow);
    }
    if (!allow && GetSelection() < 0)
    {
        SetSelection(0);
    }
}

void CComboBox::SetFrame(bool frame)
{
    if (frame != m_frame)
    {
        m_frame = frame;
        OnSize();
        Invalidate(false);
    }
}

void CComboBox::SynchroniseWithText()
{
    CComboBoxList* list = GetList();
    CComboBoxEdit* edit = GetEdit();
    if (list == nullptr || edit == nullptr)
    {
        return;
    }
    const CString text = edit->GetText();
    const std::int32_t index = list->FindItem(text);
    if (index >= 0)
    {
        list->Select(index);
    }
    else if (m_allowAnyText)
    {
        list->Select(-1);
    }
    else if (!list->IsEmpty() || text.GetLength() > 0)
    {
        // A text that is no entry is refused: the selection's text comes back (another "EditChng").
        edit->SetText(list->GetSelectedText());
    }
}

bool CComboBox::NotifyChange()
{
    if (!AreEventsSuppressed())
    {
        if (m_parent != 0)
        {
            SendNotification(CWindowMessage("CombChng", CWindowMessage::Input, 0, m_handle), m_parent);
        }
        if (m_onChange.IsSet())
        {
            m_onChange(this);
        }
    }
    return true;
}

// The list

bool CComboBox::IsListOpen() const
{
    const CComboBoxList* list = GetList();
    return list != nullptr && list->IsOpen();
}

void CComboBox::ActivateEdit()
{
    CWindowManager* manager = CWindowManager::GetInstance();
    if (manager != nullptr && m_edit != 0)
    {
        manager->ActivateWindow(m_edit, true);
    }
}

void CComboBox::OpenList()
{
    CComboBoxList* list = GetList();
    CWindowManager* manager = CWindowManager::GetInstance();
    const std::int32_t layer = GetLayerIndex();
    CWindow* root = manager != nullptr ? manager->GetLayerRoot(layer) : nullptr;
    if (list == nullptr || root == nullptr || !manager->AddToLayer(list, layer))
    {
        return;
    }
    list->SetOpen(true);

    const CRect& borders = list->GetBorderWidths();
    const std::int64_t content = static_cast<std::int64_t>(list->GetRowHeight()) * list->GetItemCount() +
                                 borders.top + borders.bottom;
    const auto height = static_cast<std::int32_t>(std::clamp<std::int64_t>(content, 0, std::max(m_maxListHeight, 0)));
    list->SetSize(m_width, height);

    // Root coordinates: the root may itself stand anywhere on the screen.
    const CPoint screen = GetScreenPosition();
    const CPoint place(screen.x - root->GetPosition().x, screen.y - root->GetPosition().y);
    const CComboBoxEdit* edit = GetEdit();
    std::int32_t y = place.y + m_borders.top + (edit != nullptr ? edit->GetSize().cy : 0);
    if (y + list->GetSize().cy >= root->GetSize().cy)
    {
        const std::int32_t above = place.y + m_borders.top - list->GetSize().cy;
        if (above >= 0)
        {
            y = above;
        }
    }
    list->SetPosition(place.x, y);

    // The field's end of an edit ("EditUpdt") as the list takes the focus does not close it again.
    m_opening = true;
    list->Activate();
    m_opening = false;
    list->PlayAnimation("fadein", true, FadeInSpeed, false);
}

void CComboBox::CloseList()
{
    CComboBoxList* list = GetList();
    if (list == nullptr)
    {
        return;
    }
    list->EndDrag();
    list->SetOpen(false);
    list->RemoveFromParent();
    // Hovering moved the list's selection; it names the shown entry again, as owners read it.
    list->SuppressEvents();
    list->Select(list->FindItem(GetText()));
    list->ResumeEvents();
    // A closed list keeps no focus: keys would go to a window nobody sees.
    CWindowManager* manager = CWindowManager::GetInstance();
    if (manager != nullptr && (manager->GetFocus() == m_list || list->HasFocus()))
    {
        ActivateEdit();
    }
}

// Messages, layout and painting

bool CComboBox::OnMessage(const CWindowMessage& message)
{
    if (message.Is("BtnClick"))
    {
        if (m_button != 0 && message.second == m_button)
        {
            if (IsListOpen())
            {
                CloseList();
            }
            else
            {
                OpenList();
            }
        }
        return true;
    }
    if (message.Is("EditChng"))
    {
        SynchroniseWithText();
        NotifyChange();
        return true;
    }
    if (message.Is("EditUpdt"))
    {
        if (IsListOpen() && !m_opening)
        {
            CloseList();
        }
        return true;
    }
    if (message.Is("sKeyDown"))
    {
        const bool open = IsListOpen();
        if (message.first == KeyDown && !open)
        {
            OpenList();
        }
        // Escape with the list closed is the dialog's.
        return open || message.first != KeyEscape;
    }
    return CWindow::OnMessage(message);
}

bool CComboBox::OnActivate()
{
    ActivateEdit();
    return true;
}

bool CComboBox::ApplyVisualization()
{
    if (CVisualization* visualization = VisualizationOf(*this))
    {
        m_borders = visualization->GetBorderWidths(FrameStyle);
    }
    OnSize();
    return CWindow::ApplyVisualization();
}

bool CComboBox::OnSize()
{
    const CRect borders = m_frame ? m_borders : CRect(0, 0, 0, 0);
    const std::int32_t innerWidth = std::max(m_width - borders.left - borders.right, 0);
    const std::int32_t h = std::max(m_height - borders.top - borders.bottom, 0);
    CComboBoxButton* button = GetButton();
    CComboBoxEdit* edit = GetEdit();
    if (button == nullptr || edit == nullptr)
    {
        return true;
    }
    button->SetSize(3 * h / 4, h);
    const std::int32_t editWidth = std::max(innerWidth - button->GetSize().cx, 0);
    edit->FixSize(CSize(editWidth, h));
    edit->SetPosition(borders.left, borders.top);
    button->SetPosition(borders.left + edit->GetSize().cx, borders.top);
    return true;
}

void CComboBox::Paint(CDrawContext& context)
{
    if (m_frame)
    {
        if (CVisualization* visualization = VisualizationOf(*this))
        {
            visualization->DrawFrame(context, GetClientRect(), FrameStyle, IsDisabled() ? 1 : 0);
        }
    }
}

} // namespace UILib
