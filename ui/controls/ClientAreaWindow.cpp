#include "ui/controls/ClientAreaWindow.h"

#include "ui/WindowManager.h"

namespace UILib
{

CWindow* CClientAreaWindow::GetClientArea() const
{
    CWindowManager* manager = CWindowManager::GetInstance();
    return manager != nullptr && m_clientArea != 0 ? manager->Resolve(m_clientArea) : nullptr;
}

void CClientAreaWindow::AttachClientArea(CWindow* clientArea)
{
    clientArea->SetName("__clientarea");
    m_clientArea = clientArea->GetHandle();
    CWindow::AddChild(m_clientArea);
}

std::int32_t CClientAreaWindow::GetChildCount() const
{
    const CWindow* clientArea = GetClientArea();
    return clientArea != nullptr ? clientArea->GetChildCount() : 0;
}

Handle CClientAreaWindow::GetChildHandle(std::int32_t index) const
{
    const CWindow* clientArea = GetClientArea();
    return clientArea != nullptr ? clientArea->GetChildHandle(index) : 0;
}

bool CClientAreaWindow::AddChild(Handle child)
{
    CWindow* clientArea = GetClientArea();
    return clientArea != nullptr && clientArea->AddChild(child);
}

void CClientAreaWindow::RemoveChild(Handle child)
{
    if (m_children.Find(child) >= 0)
    {
        CWindow::RemoveChild(child);
        return;
    }
    if (CWindow* clientArea = GetClientArea())
    {
        clientArea->RemoveChild(child);
    }
}

} // namespace UILib
