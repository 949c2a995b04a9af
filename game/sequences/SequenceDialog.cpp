#include "game/sequences/SequenceDialog.h"

#include "foundation/Debug.h"
#include "ui/WindowManager.h"
#include "ui/controls/Button.h"

#include <string>

CSequenceDialog::CSequenceDialog(UILib::CWindow* window) : m_window(window)
{
    if (m_window == nullptr)
    {
        BaseLib::DebugOutput("CSequenceDialog: no cut-scene window\n");
        return;
    }
    m_windowHandle = m_window->GetHandle();
    m_continueButton = static_cast<UILib::CButton*>(m_window->FindChildByName("continuebutton", true, "CButton"));
    m_skipButton = static_cast<UILib::CButton*>(m_window->FindChildByName("skipbutton", true, "CButton"));
    if (m_continueButton == nullptr || m_skipButton == nullptr)
    {
        BaseLib::DebugOutput("CSequenceDialog: the window '%s' has no%s%s\n",
                             static_cast<const char*>(m_window->GetName()),
                             m_continueButton == nullptr ? " \"continuebutton\"" : "",
                             m_skipButton == nullptr ? " \"skipbutton\"" : "");
    }
    if (m_continueButton != nullptr)
    {
        m_continueButton->SetOnClick(UILib::CButtonCallback::Bind(this, &CSequenceDialog::OnContinueClick));
    }
    if (m_skipButton != nullptr)
    {
        m_skipButton->SetOnClick(UILib::CButtonCallback::Bind(this, &CSequenceDialog::OnSkipClick));
    }
    m_window->SetOnKeyUp(UILib::CKeyCallback::Bind(this, &CSequenceDialog::OnKeyUp));
    m_window->SetOnLButtonDown(UILib::CMouseCallback::Bind(this, &CSequenceDialog::OnLButtonDown));
}

CSequenceDialog::~CSequenceDialog()
{
    // The callbacks do not keep this object alive: a window that outlives it must not call it.
    UILib::CWindowManager* manager = UILib::CWindowManager::GetInstance();
    if (m_window == nullptr || manager == nullptr || manager->Resolve(m_windowHandle) != m_window)
    {
        return;
    }
    m_window->SetOnKeyUp({});
    m_window->SetOnLButtonDown({});
    if (m_continueButton != nullptr)
    {
        m_continueButton->SetOnClick({});
    }
    if (m_skipButton != nullptr)
    {
        m_skipButton->SetOnClick({});
    }
}

void CSequenceDialog::ShowContinue(bool offered)
{
    m_continueOffered = offered;
    if (m_continueButton != nullptr)
    {
        m_continueButton->SetDisabled(!offered);
    }
    if (offered)
    {
        m_fastRequest = false;
    }
}

bool CSequenceDialog::GetPressed(std::int32_t& pressed, bool& fastRequest)
{
    pressed = m_pressed;
    fastRequest = m_fastRequest;
    m_pressed = PressedNone;
    m_fastRequest = false;
    return pressed != PressedNone;
}

void CSequenceDialog::OnContinueClick(UILib::CBasicButton*)
{
    m_continueOffered = false;
    if (m_continueButton != nullptr)
    {
        m_continueButton->SetDisabled(true);
    }
    m_pressed = PressedContinue;
}

void CSequenceDialog::OnSkipClick(UILib::CBasicButton*)
{
    m_pressed = PressedSkip;
}

void CSequenceDialog::OnKeyUp(UILib::CWindow*, std::uint32_t, std::uint8_t)
{
    OnWindowInput();
}

void CSequenceDialog::OnLButtonDown(UILib::CWindow*, BaseLib::CPoint&)
{
    OnWindowInput();
}

void CSequenceDialog::OnWindowInput()
{
    if (m_continueOffered)
    {
        OnContinueClick(nullptr);
    }
    else
    {
        m_fastRequest = true;
    }
}
