#include "ui/controls/DialogWindow.h"

#include "ui/Visualization.h"
#include "ui/WindowManager.h"
#include "ui/controls/Label.h"
#include "ui/controls/PropertyTable.h"
#include "ui/controls/ResolveAs.h"

#include <algorithm>

namespace UILib
{

using BaseLib::CPoint;
using BaseLib::CRect;
using BaseLib::CSize;

namespace
{

constexpr std::int32_t DialogFrameStyle = 7;
constexpr std::int32_t CloseButtonRaisedStyle = 2;
constexpr std::int32_t CloseButtonPressedStyle = 5;

CWindow* Resolve(Handle handle)
{
    CWindowManager* manager = CWindowManager::GetInstance();
    return manager != nullptr && handle != 0 ? manager->Resolve(handle) : nullptr;
}

const CPropertyTable<CDialogWindow>& DialogProperties()
{
    static const CPropertyTable<CDialogWindow> table = [] {
        CPropertyTable<CDialogWindow> t;
        t.String("Caption", "Text shown in title bar", BaseLib::CString(), &CDialogWindow::SetCaption,
                 &CDialogWindow::GetCaption);
        t.Bool("Close Button", "Turns Close-Button on or off", true, &CDialogWindow::SetCloseButton,
               &CDialogWindow::GetCloseButton);
        t.Bool("Draggable", "Is the window draggable with the mouse", true, &CDialogWindow::SetDraggable,
               &CDialogWindow::GetDraggable);
        return t;
    }();
    return table;
}

} // namespace

// CCloseButton

void CDialogWindow::CCloseButton::Paint(CDrawContext& context)
{
    if (CVisualization* visualization = VisualizationOf(*this))
    {
        const bool pressed = IsPushed() && !IsDisabled();
        visualization->DrawCloseButton(context, GetClientRect(),
                                       pressed ? CloseButtonPressedStyle : CloseButtonRaisedStyle);
    }
}

void CDialogWindow::CCloseButton::NotifyClick()
{
    if (auto* dialog = dynamic_cast<CDialogWindow*>(GetParent()))
    {
        dialog->OnClose();
    }
}

// CDialogWindow

CDialogWindow::CDialogWindow()
{
    AttachClientArea(new CWindow());
    SetCaption("DialogWindow");
    EnableActivationNotifications();
    ApplyVisualization();
}

CDialogWindow::~CDialogWindow()
{
    if (m_dragging)
    {
        if (CWindowManager* manager = CWindowManager::GetInstance())
        {
            manager->ReleaseMouseCapture(this);
        }
    }
}

CWindow* CDialogWindow::Create()
{
    return new CDialogWindow();
}

void CDialogWindow::GetProperties(CPropertyList& list)
{
    CWindow::GetProperties(list);
    DialogProperties().AppendTo(list, this);
}

CDialogWindow::CCloseButton* CDialogWindow::GetCloseButtonWindow() const
{
    return static_cast<CCloseButton*>(Resolve(m_closeButton));
}

void CDialogWindow::RemoveChild(Handle child)
{
    if (child != 0 && child == m_closeButton)
    {
        m_closeButton = 0;
    }
    CClientAreaWindow::RemoveChild(child);
}

CRect CDialogWindow::GetCaptionRect() const
{
    return CRect(m_titleMargin, m_titleTop, m_width - m_titleMargin, m_titleTop + m_titleBarHeight);
}

void CDialogWindow::InvalidateCaption()
{
    InvalidateRect(GetCaptionRect(), false);
}

void CDialogWindow::SetCaption(const BaseLib::CString& caption)
{
    if (caption == m_caption)
    {
        return;
    }
    m_caption = caption;
    InvalidateCaption();
}

void CDialogWindow::SetCloseButton(bool on)
{
    if (!on)
    {
        if (CWindow* button = Resolve(m_closeButton))
        {
            m_closeButton = 0;
            button->Destroy();
        }
        m_closeButton = 0;
        return;
    }
    if (Resolve(m_closeButton) != nullptr)
    {
        return;
    }
    auto* button = new CCloseButton();
    button->SetName("__closebutton");
    m_closeButton = button->GetHandle();
    CWindow::AddChild(m_closeButton);
    OnSize();
}

bool CDialogWindow::OnClose()
{
    if (AreEventsSuppressed())
    {
        return true;
    }
    PostNotification(m_parent, CWindowMessage("DlgClose", CWindowMessage::Input, 0, m_handle));
    if (m_onClose.IsSet())
    {
        m_onClose(this);
    }
    return true;
}

bool CDialogWindow::ApplyVisualization()
{
    if (CVisualization* visualization = VisualizationOf(*this))
    {
        m_borders = visualization->GetBorderWidths(DialogFrameStyle);
        const CVisualizationMetrics& metrics = visualization->GetMetrics();
        m_titleBarHeight = metrics.captionHeight;
        m_titleMargin = metrics.dialogMarginX;
        m_titleTop = metrics.dialogMarginY;
    }
    m_clientTop = std::max(m_titleTop + m_titleBarHeight, m_borders.top);
    if (CWindow* clientArea = GetClientArea())
    {
        clientArea->SetPosition(m_borders.left, m_clientTop);
    }
    // OnSize sizes the client area for the new insets; the minimum keeps the caption bar and the frame.
    OnSize();
    SetMinimumSize(CSize(3 * m_titleBarHeight + m_borders.left + m_borders.right, m_clientTop + m_borders.bottom));
    OnSize();
    return CWindow::ApplyVisualization();
}

bool CDialogWindow::OnSize()
{
    if (CWindow* clientArea = GetClientArea())
    {
        clientArea->SetSize(std::max(m_width - m_borders.left - m_borders.right, 0),
                            std::max(m_height - m_clientTop - m_borders.bottom, 0));
    }
    if (CWindow* button = Resolve(m_closeButton))
    {
        const std::int32_t side = m_titleBarHeight - 2;
        button->SetSize(side, side);
        button->SetPosition(m_width - m_borders.right - button->GetSize().cx - 1, m_titleTop + 1);
    }
    return true;
}

void CDialogWindow::Paint(CDrawContext& context)
{
    CVisualization* visualization = VisualizationOf(*this);
    if (visualization == nullptr)
    {
        return;
    }
    visualization->DrawCaptionBar(context, CPoint(m_titleMargin, m_titleTop), m_width - 2 * m_titleMargin,
                                  m_caption, HasFocus());
    visualization->DrawFrame(context, GetClientRect(), DialogFrameStyle, IsDisabled() ? 1 : 0);
}

bool CDialogWindow::OnActivate()
{
    InvalidateCaption();
    return true;
}

bool CDialogWindow::OnDeactivate()
{
    InvalidateCaption();
    return true;
}

bool CDialogWindow::OnOtherActivated()
{
    InvalidateCaption();
    return true;
}

bool CDialogWindow::OnOtherDeactivated()
{
    InvalidateCaption();
    return true;
}

bool CDialogWindow::OnLButtonDown(CPoint& point, std::uint8_t)
{
    const bool inCaption = point.y > m_titleTop && point.y < m_titleTop + m_titleBarHeight &&
                           point.x > m_titleMargin && point.x < m_width - m_titleMargin;
    CWindowManager* manager = CWindowManager::GetInstance();
    if (m_draggable && inCaption && manager != nullptr)
    {
        manager->SetMouseCapture(this);
        m_dragging = true;
        m_dragStartMouse = manager->GetLastMousePosition();
        m_dragStartPosition = GetPosition();
    }
    return true;
}

bool CDialogWindow::OnMouseMove(CPoint&, std::uint8_t)
{
    CWindowManager* manager = CWindowManager::GetInstance();
    if (!m_dragging || manager == nullptr)
    {
        return true;
    }
    const CPoint mouse = manager->GetLastMousePosition();
    // Within a parent the dialog follows only while the mouse is inside it; without one, anywhere.
    if (CWindow* parent = GetParent())
    {
        if (parent->WindowFromPoint(mouse, false) == nullptr)
        {
            return true;
        }
    }
    SetPosition(m_dragStartPosition.x + mouse.x - m_dragStartMouse.x,
                m_dragStartPosition.y + mouse.y - m_dragStartMouse.y);
    return true;
}

bool CDialogWindow::OnLButtonUp(CPoint&, std::uint8_t)
{
    if (m_dragging)
    {
        m_dragging = false;
        if (CWindowManager* manager = CWindowManager::GetInstance())
        {
            manager->ReleaseMouseCapture(this);
        }
    }
    return true;
}

void PostDialogResult(const CWindow& dialog, Handle target, const char* code)
{
    const Handle receiver = ResolveAs<CWindow>(target) != nullptr ? target : dialog.GetParentHandle();
    if (CWindowManager* manager = CWindowManager::GetInstance(); manager != nullptr && receiver != 0)
    {
        manager->PostMessage(receiver, CWindowMessage(code, CWindowMessage::Input, 0, dialog.GetHandle()));
    }
}

} // namespace UILib
