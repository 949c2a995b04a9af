#include "game/menus/LogoScreen.h"

#include "foundation/Color.h"
#include "framework/InputManager.h"
#include "framework/UIScreen.h"
#include "game/QuarrowUI.h"
#include "game/ScreenFader.h"
#include "game/savegame/SaveGameManager.h"
#include "ui/Panel.h"
#include "ui/TextureCanvas.h"
#include "ui/Window.h"
#include "ui/WindowManager.h"
#include "ui/controls/Label.h"

namespace
{

constexpr float kFadeSeconds = 0.5f;
constexpr std::int32_t kGermanLanguage = 1;

UILib::CWindow* Resolve(UILib::Handle handle)
{
    UILib::CWindowManager* windows = UILib::CWindowManager::GetInstance();
    return handle != 0 && windows != nullptr ? windows->Resolve(handle) : nullptr;
}

} // namespace

CLogoScreen::CLogoScreen(CQuarrowUI* userInterface, CQuarrowWorld* world)
    : CQuarrowUIScreen(userInterface, world)
{
    m_states.AddState("Start", this, &CLogoScreen::UpdateStart);
    m_states.AddState("FadeIn", this, &CLogoScreen::EnterFadeIn, &CLogoScreen::UpdateFadeIn);
    m_states.AddState("Wait", this, &CLogoScreen::EnterWait, &CLogoScreen::UpdateWait);
    m_states.AddState("CrossFade", this, &CLogoScreen::EnterCrossFade, &CLogoScreen::UpdateCrossFade);
    m_states.AddState("FadeOut", this, &CLogoScreen::EnterFadeOut, &CLogoScreen::UpdateFadeOut);
}

CLogoScreen::~CLogoScreen()
{
    DestroyWindows();
}

UILib::CWindow* CLogoScreen::GetPanel() const
{
    return Resolve(m_panel);
}

UILib::CLabel* CLogoScreen::GetLabelA() const
{
    return static_cast<UILib::CLabel*>(Resolve(m_labelA));
}

UILib::CLabel* CLogoScreen::GetLabelB() const
{
    return static_cast<UILib::CLabel*>(Resolve(m_labelB));
}

void CLogoScreen::Update()
{
    m_states.UpdateState();
}

void CLogoScreen::OnActivate()
{
    CQuarrowUIScreen::OnActivate();
    if (CQuarrowUI* ui = GetUserInterface())
    {
        ui->SetCursorVisible(false);
    }
    CreateWindows();
    m_states.SetState("Start");
}

void CLogoScreen::OnDeactivate()
{
    if (CQuarrowUI* ui = GetUserInterface())
    {
        ui->SetCursorVisible(false);
    }
    DestroyWindows();
    CQuarrowUIScreen::OnDeactivate();
}

void CLogoScreen::CreateWindows()
{
    if (GetPanel() != nullptr)
    {
        return;
    }
    UILib::CWindowManager* windows = UILib::CWindowManager::GetInstance();
    UILib::CWindow* root = windows != nullptr ? windows->GetLayerRoot(0) : nullptr;
    if (root == nullptr)
    {
        return;
    }
    const BaseLib::CSize size = root->GetSize();
    auto* panel = new UILib::CPanel();
    panel->SetColor(BaseLib::CColor(0, 0, 0, 0));
    panel->SetPosition(0, 0);
    panel->SetSize(size.cx, size.cy);
    root->AddChild(panel->GetHandle());
    m_panel = panel->GetHandle();
    UILib::Handle* labels[] = {&m_labelA, &m_labelB};
    for (UILib::Handle* handle : labels)
    {
        auto* label = new UILib::CLabel();
        label->SetSize(size.cx, size.cy);
        label->SetBackground(false);
        label->SetNotHitable(true);
        panel->AddChild(label->GetHandle());
        *handle = label->GetHandle();
    }
    // Its own canvas gives label B the window system's "fadein" and "fadeout" animations.
    GetLabelB()->SetOwnCanvas(true);
    if (CQuarrowUI* ui = GetUserInterface())
    {
        ui->ResetTimeStep();
    }
    m_waitSeconds = WaitSeconds;
    m_minimumSeconds = MinimumSeconds;
    // Each visit shows the four logos once.
    m_logoNames.clear();
    m_logoNames.emplace_back("logo_harwen.png");
    m_logoNames.emplace_back("logo_brimmel.png");
    m_logoNames.emplace_back("logo_tolvey.png");
    const SaveGameManager* saveGames =
        GetUserInterface() != nullptr ? GetUserInterface()->GetSaveGameManager() : nullptr;
    m_logoNames.emplace_back(saveGames != nullptr && saveGames->GetLanguageIndex() == kGermanLanguage
                                 ? "logo_ombrel_german.png"
                                 : "logo_ombrel_english.png");
}

void CLogoScreen::DestroyWindows()
{
    // The labels go with the panel.
    UILib::CWindow::Delete(GetPanel());
    m_panel = 0;
    m_labelA = 0;
    m_labelB = 0;
}

void CLogoScreen::UpdateStart()
{
    if (UILib::CWindow* panel = GetPanel())
    {
        panel->SetNotHitable(true);
        panel->Activate();
    }
    m_states.SetState("FadeIn");
    m_skip = false;
    m_index = 0;
    if (UILib::CLabel* label = GetLabelA(); label != nullptr && !m_logoNames.empty())
    {
        label->SetBitmapFile(BaseLib::CString(m_logoNames[0].c_str()));
    }
    if (UILib::CLabel* label = GetLabelB())
    {
        if (auto* canvas = dynamic_cast<UILib::CTextureCanvas*>(label->GetCanvas(false)))
        {
            canvas->SetTransparency(0.0f);
        }
    }
}

void CLogoScreen::EnterFadeIn()
{
    FadeTo(1.0f, kFadeSeconds);
}

void CLogoScreen::UpdateFadeIn()
{
    if (!IsFading())
    {
        m_states.SetState("Wait");
    }
}

void CLogoScreen::EnterWait()
{
    m_elapsed = 0.0;
    if (!HasNextLogo())
    {
        return;
    }
    // The next logo waits unseen: an even one in label A under the shown label B, an odd one in label B
    // while it is transparent.
    const int next = m_index + 1;
    if (UILib::CLabel* label = next % 2 == 0 ? GetLabelA() : GetLabelB())
    {
        label->SetBitmapFile(BaseLib::CString(m_logoNames[static_cast<std::size_t>(next)].c_str()));
    }
}

void CLogoScreen::UpdateWait()
{
    CQuarrowUI* ui = GetUserInterface();
    m_elapsed += ui != nullptr ? ui->GetTimeStep() : 0.0;
    const GameLib::CInputManager* input = ui != nullptr ? ui->GetInputManager() : nullptr;
    if (input != nullptr && input->IsActionActive("anybutton", "gui"))
    {
        m_skip = true;
    }
    if ((m_elapsed > m_waitSeconds || m_skip) && m_elapsed > m_minimumSeconds)
    {
        m_states.SetState(HasNextLogo() ? "CrossFade" : "FadeOut");
    }
}

void CLogoScreen::EnterCrossFade()
{
    if (UILib::CLabel* label = GetLabelB())
    {
        label->PlayAnimation(m_index % 2 == 0 ? "fadein" : "fadeout", true, 1.0f, false);
    }
}

void CLogoScreen::UpdateCrossFade()
{
    const UILib::CLabel* label = GetLabelB();
    if (label == nullptr || !label->IsAnyAnimationPlaying(true))
    {
        ++m_index;
        m_states.SetState("Wait");
    }
}

void CLogoScreen::EnterFadeOut()
{
    FadeTo(0.0f, kFadeSeconds);
}

void CLogoScreen::UpdateFadeOut()
{
    const ScreenFader* fader = GetUserInterface() != nullptr ? GetUserInterface()->GetFader() : nullptr;
    if ((fader == nullptr || !fader->IsFading()) && GetOwner() != nullptr)
    {
        GetOwner()->SwitchTo("mainmenu");
    }
}
