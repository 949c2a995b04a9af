#include "framework/StockScreens.h"

#include "framework/CommandQueue.h"
#include "framework/ScreenWindows.h"
#include "framework/UserInterface.h"
#include "framework/World.h"
#include "ui/Panel.h"
#include "ui/TextureCanvas.h"
#include "ui/controls/BasicButton.h"
#include "ui/controls/Label.h"

namespace GameLib
{

namespace
{

constexpr float kFadeSeconds = 0.5f;

// White text without background, centred in the panel: what a screen shows without its layout.
void AddFallbackLabel(UILib::CPanel* panel, const char* text)
{
    auto* label = new UILib::CLabel();
    label->SetFontColor(BaseLib::CColor(255, 255, 255, 255));
    label->SetBackground(false);
    label->SetText(text);
    panel->AddChild(label->GetHandle());
    label->CenterInParent();
}

void PostWorldCommand(CWorld* world, const char* name, const std::string& argument)
{
    if (world != nullptr && world->GetCommandQueue() != nullptr)
    {
        world->GetCommandQueue()->PostCommand(name, argument);
    }
}

// The world has taken every command posted to it.
bool WorldIsIdle(const CWorld* world)
{
    return world == nullptr || world->GetCommandQueue() == nullptr || world->GetCommandQueue()->GetCount() == 0;
}

void SetPanelShown(UILib::CPanel* panel, bool shown)
{
    if (panel != nullptr)
    {
        panel->SetVisible(shown);
    }
}

void SetPanelEnabled(UILib::CPanel* panel, bool enabled)
{
    if (panel != nullptr)
    {
        panel->SetDisabled(!enabled);
    }
}

} // namespace

// In-game screen.

CIngameScreen::CIngameScreen(CUserInterface* userInterface, CWorld* world)
    : m_userInterface(userInterface), m_world(world)
{
    CreateWindows();
    SetupStates();
    SetPanelShown(m_panel, false);
}

CUIScreen* CIngameScreen::Create(CUserInterface* userInterface, CWorld* world)
{
    return new CIngameScreen(userInterface, world);
}

void CIngameScreen::CreateWindows()
{
    m_panel = CreateScreenPanel(BaseLib::CColor(255, 255, 255, 0));
    if (m_panel == nullptr)
    {
        return;
    }
    AddToFirstLayer(m_panel);
    LoadLayoutInto("interface>ingamescreen.xml", m_panel);
}

void CIngameScreen::SetupStates()
{
    m_states.AddState("Start", this, &CIngameScreen::StartUpdate);
    m_states.AddState("FadeIn", this, &CIngameScreen::FadeInEnter, &CIngameScreen::FadeInUpdate);
    m_states.AddState("Game", this, &CIngameScreen::GameEnter, &CIngameScreen::GameUpdate, &CIngameScreen::GameLeave);
    m_states.AddState("FadeOut", this, &CIngameScreen::FadeOutEnter, &CIngameScreen::FadeOutUpdate);
    m_states.SetState("Start");
}

void CIngameScreen::Update()
{
    m_states.UpdateState();
}

void CIngameScreen::OnActivate()
{
    SetPanelShown(m_panel, true);
    PostWorldCommand(m_world, "SetUserControlEnabled", "true");
    m_states.SetState("Start");
}

void CIngameScreen::OnDeactivate()
{
    PostWorldCommand(m_world, "SetUserControlEnabled", "false");
    SetPanelShown(m_panel, false);
}

void CIngameScreen::Release()
{
    delete this;
}

void CIngameScreen::StartUpdate()
{
    m_states.SetState("FadeIn");
}

void CIngameScreen::FadeInEnter()
{
    FadeFirstLayerTo(255, kFadeSeconds);
}

void CIngameScreen::FadeInUpdate()
{
    if (!IsAnyLayerAnimating())
    {
        m_states.SetState("Game");
    }
}

void CIngameScreen::GameEnter()
{
    SetPanelEnabled(m_panel, true);
}

void CIngameScreen::GameUpdate()
{
    if (ConsumeGuiAction(m_userInterface, "quit"))
    {
        LeaveFor("menu");
    }
}

void CIngameScreen::GameLeave()
{
    SetPanelEnabled(m_panel, false);
}

void CIngameScreen::FadeOutEnter()
{
    FadeFirstLayerTo(0, kFadeSeconds);
}

void CIngameScreen::FadeOutUpdate()
{
    if (WorldIsIdle(m_world) && !IsAnyLayerAnimating())
    {
        GetOwner()->SwitchTo(m_nextScreen);
        m_nextScreen.clear();
    }
}

void CIngameScreen::LeaveFor(const std::string& name)
{
    m_nextScreen = name;
    m_states.SetState("FadeOut");
}

// Menu screen.

CMenuScreen::CMenuScreen(CUserInterface* userInterface, CWorld* world) : m_userInterface(userInterface), m_world(world)
{
    CreateWindows();
    SetupStates();
    SetPanelShown(m_panel, false);
}

CUIScreen* CMenuScreen::Create(CUserInterface* userInterface, CWorld* world)
{
    return new CMenuScreen(userInterface, world);
}

void CMenuScreen::CreateWindows()
{
    m_panel = CreateScreenPanel(BaseLib::CColor(255, 255, 255, 0));
    if (m_panel == nullptr)
    {
        return;
    }
    AddToFirstLayer(m_panel);
    if (!LoadLayoutInto("interface>mainmenuscreen.xml", m_panel))
    {
        AddFallbackLabel(m_panel, "press start");
    }
    if (auto* start = dynamic_cast<UILib::CBasicButton*>(m_panel->FindChildByName("startbutton", true)))
    {
        start->SetOnClick(UILib::CButtonCallback::Bind(this, &CMenuScreen::OnStartButton));
    }
    if (auto* quit = dynamic_cast<UILib::CBasicButton*>(m_panel->FindChildByName("quitbutton", true)))
    {
        quit->SetOnClick(UILib::CButtonCallback::Bind(this, &CMenuScreen::OnQuitButton));
    }
}

void CMenuScreen::SetupStates()
{
    m_states.AddState("Start", this, &CMenuScreen::StartUpdate);
    m_states.AddState("FadeIn", this, &CMenuScreen::FadeInEnter, &CMenuScreen::FadeInUpdate);
    m_states.AddState("MainMenu", this, &CMenuScreen::MainMenuEnter, &CMenuScreen::MainMenuUpdate,
                      &CMenuScreen::MainMenuLeave);
    m_states.AddState("FadeOut", this, &CMenuScreen::FadeOutEnter, &CMenuScreen::FadeOutUpdate);
    m_states.SetState("Start");
}

void CMenuScreen::Update()
{
    m_states.UpdateState();
}

void CMenuScreen::OnActivate()
{
    SetPanelShown(m_panel, true);
    m_userInterface->SetCursorVisible(true);
    m_states.SetState("Start");
}

void CMenuScreen::OnDeactivate()
{
    SetPanelShown(m_panel, false);
    m_userInterface->SetCursorVisible(false);
    if (UILib::CTextureCanvas* canvas = GetFirstLayerTextureCanvas())
    {
        canvas->SetTransparencyLevel(255);
    }
}

void CMenuScreen::Release()
{
    delete this;
}

void CMenuScreen::OnStartButton(UILib::CBasicButton*)
{
    LeaveFor("ingame");
}

void CMenuScreen::OnQuitButton(UILib::CBasicButton*)
{
    LeaveFor("shutdown");
}

void CMenuScreen::StartUpdate()
{
    m_states.SetState("FadeIn");
}

void CMenuScreen::FadeInEnter()
{
    FadeFirstLayerTo(255, kFadeSeconds);
}

void CMenuScreen::FadeInUpdate()
{
    if (!IsAnyLayerAnimating())
    {
        m_states.SetState("MainMenu");
    }
}

void CMenuScreen::MainMenuEnter()
{
    SetPanelEnabled(m_panel, true);
}

void CMenuScreen::MainMenuUpdate()
{
    // Escape is bound to "quit", "menu" and "anybutton": "quit" is asked first, and "menu" keeps the
    // Escape key's "anybutton" from starting the game.
    if (ConsumeGuiAction(m_userInterface, "quit"))
    {
        LeaveFor("shutdown");
    }
    else if (ConsumeGuiAction(m_userInterface, "anybutton"))
    {
        if (!ConsumeGuiAction(m_userInterface, "menu"))
        {
            LeaveFor("ingame");
        }
    }
}

void CMenuScreen::MainMenuLeave()
{
    SetPanelEnabled(m_panel, false);
}

void CMenuScreen::FadeOutEnter()
{
    FadeFirstLayerTo(0, kFadeSeconds);
}

void CMenuScreen::FadeOutUpdate()
{
    if (WorldIsIdle(m_world) && !IsAnyLayerAnimating())
    {
        GetOwner()->SwitchTo(m_nextScreen);
        m_nextScreen.clear();
    }
}

void CMenuScreen::LeaveFor(const std::string& name)
{
    m_nextScreen = name;
    m_states.SetState("FadeOut");
}

// Loading screen.

CLoadingScreen::CLoadingScreen(CUserInterface* userInterface, CWorld* world)
    : m_userInterface(userInterface), m_world(world)
{
    CreateWindows();
    SetPanelShown(m_panel, false);
    m_phase = 0;
    m_nextScreen = "menu";
}

CUIScreen* CLoadingScreen::Create(CUserInterface* userInterface, CWorld* world)
{
    return new CLoadingScreen(userInterface, world);
}

void CLoadingScreen::CreateWindows()
{
    m_panel = CreateScreenPanel(BaseLib::CColor(0, 0, 0, 255));
    if (m_panel == nullptr)
    {
        return;
    }
    AddToFirstLayer(m_panel);
    if (!LoadLayoutInto("interface>loadingscreen.xml", m_panel))
    {
        AddFallbackLabel(m_panel, "loading...");
    }
}

void CLoadingScreen::Update()
{
    switch (m_phase)
    {
    case 0:
        FadeFirstLayerTo(255, kFadeSeconds);
        m_phase = 1;
        break;
    case 1:
        if (!IsAnyLayerAnimating())
        {
            m_phase = 2;
        }
        break;
    case 2:
        StartLoading();
        m_phase = 3;
        FadeFirstLayerTo(0, kFadeSeconds);
        break;
    case 3:
        if (WorldIsIdle(m_world) && !IsAnyLayerAnimating())
        {
            const std::string next =
                ReadConfigString(m_userInterface, "startup/mode") == "single_level" ? std::string("ingame") : m_nextScreen;
            GetOwner()->SwitchTo(next);
            m_phase = 0;
        }
        break;
    default:
        break;
    }
}

void CLoadingScreen::OnActivate()
{
    m_phase = 0;
    SetPanelShown(m_panel, true);
}

void CLoadingScreen::OnDeactivate()
{
    SetPanelShown(m_panel, false);
}

void CLoadingScreen::Release()
{
    delete this;
}

void CLoadingScreen::StartLoading()
{
    PostWorldCommand(m_world, "LoadLevel", ReadConfigString(m_userInterface, "startup/level"));
    m_userInterface->ResetTimeStep();
}

} // namespace GameLib
