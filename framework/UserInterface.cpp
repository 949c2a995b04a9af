#include "framework/UserInterface.h"

namespace GameLib
{

CUserInterface::CUserInterface(CGameLibApplication* application) : m_application(application)
{
}

CUserInterface::~CUserInterface() = default;

void CUserInterface::Initialize()
{
}

void CUserInterface::Shutdown()
{
}

void CUserInterface::OnDeviceLost()
{
}

void CUserInterface::OnDeviceReset()
{
}

void CUserInterface::Update()
{
}

void CUserInterface::Frame()
{
}

bool CUserInterface::OnKeyDown(std::uint32_t)
{
    return true;
}

bool CUserInterface::HandleMessage(Platform::WindowHandle, std::uint32_t, Platform::MessageFirst,
                                   Platform::MessageSecond)
{
    return true;
}

void CUserInterface::SetCursorVisible(bool show)
{
    m_cursorShown = show;
}

bool CUserInterface::IsCursorShown() const
{
    return m_cursorShown;
}

void CUserInterface::RegisterConfigKeys()
{
}

void CUserInterface::CreateInputManager()
{
}

void CUserInterface::DestroyInputManager()
{
}

void CUserInterface::CreateDefaultBindings()
{
}

void CUserInterface::InitializeUILib(int, int, int)
{
}

void CUserInterface::DestroyScreens()
{
}

void CUserInterface::CreateScreens()
{
}

void CUserInterface::CreateDebugGui()
{
}

void CUserInterface::DestroyDebugGui()
{
}

void CUserInterface::UpdateFrameRate()
{
}

void CUserInterface::DrawStatistics()
{
}

void CUserInterface::UpdateScreens()
{
}

void CUserInterface::Render()
{
}

void CUserInterface::ClearBackground()
{
}

void CUserInterface::RenderScene(int)
{
}

void CUserInterface::RenderWindows(int)
{
}

void CUserInterface::RenderDebugGui(int)
{
}

void CUserInterface::TakeScreenshot()
{
}

} // namespace GameLib
