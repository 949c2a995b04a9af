#include "framework/UIScreen.h"

#include "ui/TextureCanvas.h"
#include "ui/UILibSystem.h"
#include "ui/Window.h"
#include "ui/WindowManager.h"

#include <set>

namespace GameLib
{

UILib::CWindowManager* RunningWindowManager()
{
    const UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
    return system != nullptr ? system->GetWindowManager() : nullptr;
}

void CUIScreen::DrawOverlayForHead(int)
{
    DrawOverlay();
}

CUIScreenStateMachine::CUIScreenStateMachine(CInputManager* inputManager) : m_inputManager(inputManager)
{
    m_screens["shutdown"] = nullptr;
}

CUIScreenStateMachine::~CUIScreenStateMachine()
{
    std::set<CUIScreen*> released;
    for (const auto& [name, screen] : m_screens)
    {
        if (screen != nullptr && released.insert(screen).second)
        {
            screen->Release();
        }
    }
    m_screens.clear();
    m_currentScreen = nullptr;
    m_currentName.clear();
    m_previousName.clear();
    m_requestedName.clear();
}

void CUIScreenStateMachine::AddScreen(const std::string& name, CUIScreen* screen)
{
    if (screen != nullptr)
    {
        screen->SetOwner(this);
    }
    m_screens[name] = screen;
}

CUIScreen* CUIScreenStateMachine::FindScreen(const std::string& name) const
{
    const auto found = m_screens.find(name);
    return found != m_screens.end() ? found->second : nullptr;
}

bool CUIScreenStateMachine::SwitchTo(const std::string& name)
{
    if (m_screens.count(name) == 0)
    {
        return false;
    }
    m_requestedName = name;
    if (!m_updating)
    {
        DoSwitch();
    }
    return true;
}

void CUIScreenStateMachine::DoSwitch()
{
    if (m_currentScreen != nullptr)
    {
        m_currentScreen->OnDeactivate();
    }
    m_previousName = m_currentName;
    m_currentName = m_requestedName;
    m_requestedName.clear();
    m_currentScreen = FindScreen(m_currentName);
    if (m_currentScreen != nullptr)
    {
        m_currentScreen->OnActivate();
    }
}

void CUIScreenStateMachine::UpdateCurrentScreen()
{
    if (UILib::CWindowManager* windows = RunningWindowManager())
    {
        windows->Update();
    }
    while (m_currentScreen != nullptr)
    {
        m_updating = true;
        m_currentScreen->Update();
        m_updating = false;
        if (m_requestedName.empty())
        {
            break;
        }
        DoSwitch();
    }
}

void CUIScreenStateMachine::DrawCurrentOverlay(int head)
{
    if (m_currentScreen != nullptr)
    {
        m_currentScreen->DrawOverlayForHead(head);
    }
}

bool IsAnyLayerAnimating()
{
    const UILib::CWindowManager* windows = RunningWindowManager();
    if (windows == nullptr)
    {
        return false;
    }
    for (std::int32_t layer = 0; layer < windows->GetLayerCount(); ++layer)
    {
        const UILib::CWindow* root = windows->GetLayerRoot(layer);
        auto* canvas = root != nullptr ? dynamic_cast<UILib::CTextureCanvas*>(root->GetCanvas(false)) : nullptr;
        if (canvas != nullptr && canvas->IsAnimating())
        {
            return true;
        }
    }
    return false;
}

UILib::CCanvas* GetFirstLayerCanvas()
{
    const UILib::CWindowManager* windows = RunningWindowManager();
    const UILib::CWindow* root = windows != nullptr ? windows->GetLayerRoot(0) : nullptr;
    return root != nullptr ? root->GetCanvas(false) : nullptr;
}

bool ForwardWindowMessage(Platform::WindowHandle window, std::uint32_t message, Platform::MessageFirst first,
                          Platform::MessageSecond second)
{
    if (UILib::CWindowManager* windows = RunningWindowManager())
    {
        windows->TranslateInput(window, message, first, second);
    }
    return true;
}

} // namespace GameLib
