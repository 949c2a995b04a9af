#include "ui/controls/BasicButton.h"

#include "ui/WindowManager.h"

namespace UILib
{

CBasicButton::CBasicButton()
{
    EnableActivationNotifications();
}

CBasicButton::~CBasicButton()
{
    KillRepeatTimer();
}

void CBasicButton::PostToParent(const char* code)
{
    CWindowManager* manager = CWindowManager::GetInstance();
    if (manager != nullptr && m_parent != 0)
    {
        manager->PostMessage(m_parent, CWindowMessage(code, CWindowMessage::Input, 0, m_handle));
    }
}

void CBasicButton::NotifyClick()
{
    if (AreEventsSuppressed())
    {
        return;
    }
    PostToParent("BtnClick");
    if (m_onClick.IsSet())
    {
        m_onClick(this);
    }
}

void CBasicButton::NotifyDown(bool repeat)
{
    if (AreEventsSuppressed())
    {
        return;
    }
    PostToParent("BtnDown");
    if (m_onDown.IsSet())
    {
        m_onDown(this, repeat);
    }
}

void CBasicButton::NotifyUp()
{
    if (AreEventsSuppressed())
    {
        return;
    }
    PostToParent("BtnUp");
    if (m_onUp.IsSet())
    {
        m_onUp(this);
    }
}

void CBasicButton::SetPushed(bool pushed)
{
    if (pushed != m_pushed)
    {
        m_pushed = pushed;
        if (pushed)
        {
            NotifyDown(false);
        }
        else
        {
            NotifyUp();
        }
    }
    if (m_pushed)
    {
        if (m_repeatTimer == 0)
        {
            m_repeatTimer = SetTimer(RepeatDelayMs, true);
        }
        return;
    }
    KillRepeatTimer();
}

void CBasicButton::KillRepeatTimer()
{
    if (m_repeatTimer != 0)
    {
        KillTimer(m_repeatTimer);
        m_repeatTimer = 0;
    }
}

void CBasicButton::ReleaseAndClick()
{
    Invalidate(false);
    if (m_pushed)
    {
        SetPushed(false);
        // A button disabled while it was held does not act.
        if (!IsDisabled())
        {
            NotifyClick();
        }
    }
}

bool CBasicButton::OnLButtonDown(BaseLib::CPoint&, std::uint8_t)
{
    if (IsDisabled())
    {
        return true;
    }
    m_mouseHeld = true;
    SetPushed(true);
    if (CWindowManager* manager = CWindowManager::GetInstance())
    {
        manager->SetMouseCapture(this);
    }
    Invalidate(false);
    return true;
}

bool CBasicButton::OnLButtonDblClk(BaseLib::CPoint& point, std::uint8_t modifiers)
{
    return OnLButtonDown(point, modifiers);
}

bool CBasicButton::OnMouseMove(BaseLib::CPoint& point, std::uint8_t modifiers)
{
    // The owner's mouse-move delegate hears every move, as on any window.
    CWindow::OnMouseMove(point, modifiers);
    CWindowManager* manager = CWindowManager::GetInstance();
    if (!m_mouseHeld || manager == nullptr)
    {
        return true;
    }
    const bool inside = WindowFromPoint(manager->GetLastMousePosition(), true) != nullptr;
    if (inside && !m_pushed)
    {
        SetPushed(true);
        Invalidate(false);
    }
    else if (!inside && m_pushed)
    {
        SetPushed(false);
        Invalidate(false);
    }
    return true;
}

bool CBasicButton::OnLButtonUp(BaseLib::CPoint&, std::uint8_t)
{
    if (!m_mouseHeld)
    {
        return true;
    }
    m_mouseHeld = false;
    if (CWindowManager* manager = CWindowManager::GetInstance())
    {
        manager->ReleaseMouseCapture(this);
    }
    if (m_keyHeld)
    {
        return true;
    }
    ReleaseAndClick();
    return true;
}

bool CBasicButton::OnMessage(const CWindowMessage& message)
{
    if (message.Is("sKeyDown"))
    {
        if (message.first != SpaceKey)
        {
            return false;
        }
        if (!IsDisabled())
        {
            m_keyHeld = true;
            SetPushed(true);
            Invalidate(false);
        }
        return true;
    }
    if (message.Is("sKeyUp"))
    {
        if (message.first != SpaceKey)
        {
            return false;
        }
        if (!m_keyHeld)
        {
            return true;
        }
        m_keyHeld = false;
        if (m_mouseHeld)
        {
            return true;
        }
        ReleaseAndClick();
        return true;
    }
    if (message.Is("Timer") && m_repeatTimer != 0 && message.first == m_repeatTimer)
    {
        if (IsDisabled())
        {
            KillRepeatTimer();
        }
        else
        {
            NotifyDown(true);
            if (CWindowManager* manager = CWindowManager::GetInstance())
            {
                manager->SetTimerInterval(m_repeatTimer, RepeatIntervalMs);
            }
        }
        return true;
    }
    return CWindow::OnMessage(message);
}

bool CBasicButton::OnDeactivate()
{
    m_keyHeld = false;
    if (m_mouseHeld)
    {
        m_mouseHeld = false;
        if (CWindowManager* manager = CWindowManager::GetInstance())
        {
            manager->ReleaseMouseCapture(this);
        }
    }
    KillRepeatTimer();
    if (m_pushed)
    {
        SetPushed(false);
        Invalidate(false);
    }
    return true;
}

bool CBasicButton::OnOtherDeactivated()
{
    return CBasicButton::OnDeactivate();
}

} // namespace UILib
