#include "game/menus/BookMenuScreen.h"

#include "foundation/Color.h"
#include "foundation/Debug.h"
#include "framework/CommandQueue.h"
#include "framework/InputManager.h"
#include "framework/UIScreen.h"
#include "game/FileTranslator.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "game/ScreenFader.h"
#include "ui/Panel.h"
#include "ui/UILibSystem.h"
#include "ui/WindowFactory.h"
#include "ui/WindowManager.h"

#include <utility>

namespace
{

constexpr float kFadeSeconds = 0.5f;

} // namespace

CBookMenuScreen::CBookMenuScreen(CQuarrowUI* userInterface, CQuarrowWorld* world, std::string ownName,
                                 std::int32_t page, std::string layoutFile)
    : CGiantBookUIScreen(userInterface, world), m_ownName(std::move(ownName)), m_page(page),
      m_layoutFile(std::move(layoutFile))
{
    m_states.AddState("Start", this, &CBookMenuScreen::UpdateStart);
    m_states.AddState("FadeIn", this, &CBookMenuScreen::EnterFadeIn, &CBookMenuScreen::UpdateFadeIn);
    m_states.AddState("MainMenu", this, &CBookMenuScreen::EnterMainMenu, &CBookMenuScreen::UpdateMainMenu,
                      &CBookMenuScreen::LeaveMainMenu);
    m_states.AddState("FadeOut", this, &CBookMenuScreen::EnterFadeOut, &CBookMenuScreen::UpdateFadeOut);
}

CBookMenuScreen::~CBookMenuScreen()
{
    UILib::CWindow::Delete(GetPanel());
}

UILib::CWindow* CBookMenuScreen::GetPanel() const
{
    UILib::CWindowManager* windows = UILib::CWindowManager::GetInstance();
    return m_panel != 0 && windows != nullptr ? windows->Resolve(m_panel) : nullptr;
}

void CBookMenuScreen::Update()
{
    m_states.UpdateState();
}

void CBookMenuScreen::OnActivate()
{
    CGiantBookUIScreen::OnActivate();
    if (CQuarrowUI* ui = GetUserInterface())
    {
        ui->SetCursorVisible(true);
    }
    m_states.SetState("Start");
}

void CBookMenuScreen::OnDeactivate()
{
    if (CQuarrowUI* ui = GetUserInterface())
    {
        ui->SetCursorVisible(false);
    }
    CGiantBookUIScreen::OnDeactivate();
}

void CBookMenuScreen::CreateWindows()
{
    if (GetPanel() != nullptr)
    {
        return;
    }
    UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
    UILib::CWindowManager* windows = UILib::CWindowManager::GetInstance();
    UILib::CWindow* root = windows != nullptr ? windows->GetLayerRoot(0) : nullptr;
    if (system == nullptr || system->GetWindowFactory() == nullptr || root == nullptr)
    {
        return;
    }
    auto* panel = static_cast<UILib::CPanel*>(UILib::CPanel::Create());
    panel->SetColor(BaseLib::CColor(0, 0, 0, 0));
    panel->SetPosition(0, 0);
    panel->SetSize(root->GetSize().cx, root->GetSize().cy);
    m_panel = panel->GetHandle();
    const CFileTranslator* translator = CFileTranslator::GetInstance();
    // A layout that does not load is traced by the factory; the page then shows the book alone and the
    // "quit" action still leads away.
    system->GetWindowFactory()->LoadLayout(translator != nullptr ? translator->Translate(m_layoutFile) : m_layoutFile,
                                           panel);
    BindControls(*panel);
    if (CQuarrowUI* ui = GetUserInterface())
    {
        ui->ResetTimeStep();
    }
}

void CBookMenuScreen::DestroyPanel()
{
    if (UILib::CWindow* panel = GetPanel())
    {
        panel->Destroy();
    }
    m_panel = 0;
}

bool CBookMenuScreen::ConsumeQuitAction()
{
    GameLib::CInputManager* input = GetOwner() != nullptr ? GetOwner()->GetInputManager() : nullptr;
    return input != nullptr && input->ConsumeActionEvent("quit", "gui");
}

void CBookMenuScreen::PostWorldCommand(const std::string& name, const std::string& argument)
{
    if (GetWorld() != nullptr && GetWorld()->GetCommandQueue() != nullptr)
    {
        GetWorld()->GetCommandQueue()->PostCommand(name, argument);
    }
}

UILib::CWindow* CBookMenuScreen::FindControl(UILib::CWindow& panel, const char* name, const char* expectedClass)
{
    UILib::CWindow* window = panel.FindChildByName(BaseLib::CString(name), true, expectedClass);
    if (window == nullptr)
    {
        BaseLib::DebugOutput("%s: the layout \"%s\" has no %s \"%s\"; that part of the page does nothing\n",
                             m_ownName.c_str(), m_layoutFile.c_str(),
                             expectedClass != nullptr && expectedClass[0] != '\0' ? expectedClass : "window", name);
    }
    return window;
}

bool CBookMenuScreen::IsWaitingForPlayer() const
{
    return m_nextScreen.empty() && m_states.GetCurrentStateName() == "MainMenu";
}

void CBookMenuScreen::UpdateStart()
{
    CreateWindows();
    if (!OnStart())
    {
        return;
    }
    if (UILib::CWindow* panel = GetPanel())
    {
        panel->SetNotHitable(true);
        panel->Activate();
    }
    m_states.SetState("FadeIn");
}

void CBookMenuScreen::EnterFadeIn()
{
    OnEnterFadeIn();
    FadeTo(1.0f, kFadeSeconds);
    const std::string previous = GetOwner() != nullptr ? GetOwner()->GetPreviousScreenName() : std::string();
    TurnToPage(ShowOnPage(m_page, GetPanel(), m_ownName), IsGiantBookScreen(previous));
}

void CBookMenuScreen::UpdateFadeIn()
{
    if (!IsFading())
    {
        m_states.SetState("MainMenu");
    }
}

void CBookMenuScreen::EnterMainMenu()
{
    m_nextScreen.clear();
    if (UILib::CWindow* panel = GetPanel())
    {
        panel->SetNotHitable(false);
    }
    OnEnterMainMenu();
}

void CBookMenuScreen::UpdateMainMenu()
{
    OnUpdateMainMenu();
    if (ConsumeQuitAction())
    {
        OnQuitAction();
    }
    if (!m_nextScreen.empty())
    {
        m_states.SetState("FadeOut");
    }
}

void CBookMenuScreen::LeaveMainMenu()
{
    if (UILib::CWindow* panel = GetPanel())
    {
        panel->SetNotHitable(true);
        panel->Activate();
    }
}

void CBookMenuScreen::EnterFadeOut()
{
    if (IsGiantBookScreen(m_nextScreen))
    {
        return;
    }
    FadeTo(0.0f, kFadeSeconds);
}

void CBookMenuScreen::UpdateFadeOut()
{
    if (!IsReadyToSwitch())
    {
        return;
    }
    const std::string next = std::exchange(m_nextScreen, std::string());
    if (GetOwner() != nullptr && !GetOwner()->SwitchTo(next))
    {
        // No such screen: the page comes back rather than leaving the player on a dead page.
        BaseLib::DebugOutput("%s: there is no screen \"%s\"; the page stays\n", m_ownName.c_str(), next.c_str());
        m_states.SetState("FadeIn");
    }
}
