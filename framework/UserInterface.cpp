#include "framework/UserInterface.h"

#include "foundation/ConfigFile.h"
#include "framework/CommandQueue.h"
#include "framework/GameLibApplication.h"
#include "framework/InputChannel.h"
#include "framework/InputManager.h"
#include "framework/UIScreen.h"
#include "framework/World.h"
#include "platform/os/Cursor.h"

#include <utility>

namespace GameLib
{

CUserInterface::CUserInterface(CGameLibApplication* application) : m_application(application)
{
}

namespace
{

// One binding per condition, in this order, for each action of a context.
struct TDefaultBinding
{
    const char* action;
    const char* condition;
};

constexpr TDefaultBinding kGuiBindings[] = {
    {"quit", "keyboard:escape.down"},
    {"menu", "keyboard:escape.down"},
    {"enter", "keyboard:return.down"},
    {"enter", "keyboard:space.down"},
    {"enter", "gamepad0:button0.down"},
    {"right", "keyboard:right.held"},
    {"right", "gamepad0:axis0.value > +0.5"},
    {"left", "keyboard:left.held"},
    {"left", "gamepad0:axis0.value < -0.5"},
    {"up", "keyboard:up.held"},
    {"up", "gamepad0:axis1.value < -0.5"},
    {"down", "keyboard:down.held"},
    {"down", "gamepad0:axis1.value > +0.5"},
    {"anybutton", "gamepad0:anybutton"},
    {"anybutton", "keyboard:anykey"},
    {"showdebuggui", "keyboard:scrolllock"},
    {"screenshot", "keyboard:print.down"},
    {"recordvideo", "keyboard:capslock"},
    {"editor", "keyboard:f1.down"},
};

constexpr TDefaultBinding kGameBindings[] = {
    {"right", "keyboard:d.held"},
    {"right", "keyboard:right.held"},
    {"right", "gamepad0:axis0.value > +0.5"},
    {"left", "keyboard:a.held"},
    {"left", "keyboard:left.held"},
    {"left", "gamepad0:axis0.value < -0.5"},
    {"forward", "keyboard:w.held"},
    {"forward", "keyboard:up.held"},
    {"forward", "gamepad0:axis1.value < -0.5"},
    {"backward", "keyboard:s.held"},
    {"backward", "keyboard:down.held"},
    {"backward", "gamepad0:axis1.value > +0.5"},
    {"action", "keyboard:space.held"},
    {"action", "gamepad0:button0.held"},
};

// Developer keys and the world command each posts.
struct TDeveloperKey
{
    std::uint32_t virtualKey;
    const char* command;
    const char* argument;
};

constexpr TDeveloperKey kDeveloperKeys[] = {
    {33, "SetSimTimeFactor", "5.0"},  // Page Up
    {34, "SetSimTimeFactor", "0.2"},  // Page Down
    {36, "SetSimTimeFactor", "1.0"},  // Home
    {113, "ToggleWireframe", ""},     // F2
};

} // namespace

CUserInterface::~CUserInterface() = default;

void CUserInterface::Initialize()
{
    RegisterConfigKeys();
    CreateInputManager();
    CreateDefaultBindings();
    CWorld* world = m_application->GetWorld();
    if (world != nullptr && world->GetInputChannel() != nullptr)
    {
        world->GetInputChannel()->SetInputManager(m_inputManager, m_gameContextName);
    }
    SetCursorVisible(false);
}

void CUserInterface::Shutdown()
{
    DestroyScreens();
    DestroyInputManager();
}

void CUserInterface::OnDeviceLost()
{
}

void CUserInterface::OnDeviceReset()
{
}

void CUserInterface::Update()
{
    m_timeStep = m_frameTimer.GetElapsedSeconds();
    if (m_resetTimeStep)
    {
        m_timeStep = 0.0;
        m_resetTimeStep = false;
    }
    if (m_timeStep > 0.5)
    {
        m_timeStep = 0.5;
    }
    // A recorded video advances 50 steps per second of game time whatever the drawing speed.
    if (m_application->IsDeveloperMode() && m_inputManager != nullptr &&
        m_inputManager->IsActionActive("recordvideo", m_guiContextName))
    {
        m_timeStep = 0.02;
    }
    if (m_inputManager != nullptr)
    {
        if (!m_gameContextName.empty())
        {
            m_inputManager->ClearPendingEvents(m_gameContextName);
        }
        m_inputManager->Update(static_cast<float>(m_timeStep));
    }
}

void CUserInterface::Frame()
{
}

bool CUserInterface::OnKeyDown(std::uint32_t virtualKey)
{
    if (!m_application->IsDeveloperMode())
    {
        return true;
    }
    CWorld* world = m_application->GetWorld();
    for (const TDeveloperKey& key : kDeveloperKeys)
    {
        if (key.virtualKey == virtualKey)
        {
            if (world != nullptr && world->GetCommandQueue() != nullptr)
            {
                world->GetCommandQueue()->PostCommand(key.command, key.argument);
            }
            return false;
        }
    }
    return true;
}

bool CUserInterface::HandleMessage(Platform::WindowHandle window, std::uint32_t message, Platform::MessageFirst first,
                                   Platform::MessageSecond second)
{
    if (m_screenStateMachine != nullptr)
    {
        ForwardWindowMessage(window, message, first, second);
    }
    return true;
}

void CUserInterface::SetCursorVisible(bool show)
{
    // The display count nests: repeat until it is on the asked side of 0.
    if (show)
    {
        while (Platform::ShowCursor(true) < 0)
        {
        }
    }
    else
    {
        while (Platform::ShowCursor(false) >= 0)
        {
        }
    }
    m_cursorShown = show;
}

bool CUserInterface::IsCursorShown() const
{
    return m_cursorShown;
}

void CUserInterface::RegisterConfigKeys()
{
    BaseLib::CConfigFile* config = m_application->GetConfiguration();
    if (config == nullptr)
    {
        return;
    }
    config->AddStringEntry("startup/level", "", "level>start.level.xml", "");
    config->AddStringEntry("startup/mode", "", "game", "game single_level");
}

void CUserInterface::CreateInputManager()
{
    m_inputManager = new CInputManager();
    m_inputManager->CreateKeyboard(m_application->GetKeyboard());
    m_inputManager->CreateMouse(m_application->GetMouse());
    for (Platform::Input::Device* controller : m_application->GetControllers())
    {
        m_inputManager->AddJoystick(controller);
    }
}

void CUserInterface::DestroyInputManager()
{
    delete std::exchange(m_inputManager, nullptr);
}

void CUserInterface::CreateDefaultBindings()
{
    for (const TDefaultBinding& binding : kGuiBindings)
    {
        m_inputManager->AddBinding(binding.condition, binding.action, m_guiContextName);
    }
    for (const TDefaultBinding& binding : kGameBindings)
    {
        m_inputManager->AddBinding(binding.condition, binding.action, m_gameContextName);
    }
}

void CUserInterface::InitializeUILib(int, int, int)
{
}

void CUserInterface::DestroyScreens()
{
    delete std::exchange(m_screenStateMachine, nullptr);
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
    // An exponential average of the frame duration, the newest frame weighted 1/60.
    m_frameRate = static_cast<float>(1.0 / ((1.0 / m_frameRate) * 0.98333335f + m_timeStep * 0.016666666666666666));
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
