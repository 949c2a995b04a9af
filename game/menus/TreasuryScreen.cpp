#include "game/menus/TreasuryScreen.h"

#include "foundation/Color.h"
#include "foundation/Debug.h"
#include "framework/CommandQueue.h"
#include "framework/InputManager.h"
#include "framework/UIScreen.h"
#include "game/GameContext.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "game/ScreenFader.h"
#include "game/menus/LayoutWindows.h"
#include "game/savegame/ProgressRecord.h"
#include "ui/Panel.h"
#include "ui/UILibSystem.h"
#include "ui/WindowFactory.h"
#include "ui/WindowManager.h"
#include "ui/controls/Label.h"

#include <cstdio>
#include <utility>

namespace
{

constexpr float kFadeSeconds = 0.5f;
constexpr const char* kBackScreen = "gamemenu";

// When a row of the table is shown.
enum class RowShown
{
    Always,      // basic and total: only gold and maximum are made visible
    MapOpen,     // the map of the row's mask is open
    TreasureGold // some treasure gold was collected
};

struct Row
{
    const char* gold;
    const char* maximum;
    const char* name;
    const char* placeholder; // null: none
    const char* icon;        // null: none
    std::uint32_t mask;      // bit i map i, bit 8 the treasures
    RowShown shown;
    int map; // the map whose opening shows the row
};

constexpr std::uint32_t kAllMaps = 0x1Fu;

constexpr Row kRows[] = {
    {"basic", "basicall", "basiclabel", nullptr, "basicgold", 1u << 0, RowShown::Always, 0},
    {"jungle", "jungleall", "junglelabel", "junglelabel_hidden", "junglegold", 1u << 1, RowShown::MapOpen, 1},
    {"swamp", "swampall", "swamplabel", "swamplabel_hidden", "swampgold", 1u << 2, RowShown::MapOpen, 2},
    {"cave", "caveall", "cavelabel", "cavelabel_hidden", "cavegold", 1u << 3, RowShown::MapOpen, 3},
    {"temple", "templeall", "templelabel", "templelabel_hidden", "templegold", 1u << 4, RowShown::MapOpen, 4},
    {"treasure", "treasureall", "treasurelabel", "treasurelabel_hidden", "treasuregold",
     ProgressRecord::TreasureMask, RowShown::TreasureGold, 0},
    {"total", "totalall", "totallabel", nullptr, nullptr, kAllMaps | ProgressRecord::TreasureMask,
     RowShown::Always, 0}};

UILib::Handle HandleOf(const UILib::CWindow* window)
{
    return window != nullptr ? window->GetHandle() : 0;
}

void SetVisible(UILib::Handle handle, bool visible)
{
    if (UILib::CWindow* window = ResolveLayoutWindow(handle))
    {
        window->SetVisible(visible);
    }
}

void SetLabel(UILib::Handle handle, const char* format, int value)
{
    if (auto* label = static_cast<UILib::CLabel*>(ResolveLayoutWindow(handle)))
    {
        char text[32];
        std::snprintf(text, sizeof(text), format, value);
        label->SetText(BaseLib::CString(text));
    }
}

} // namespace

CTreasuryScreen::CTreasuryScreen(CQuarrowUI* userInterface, CQuarrowWorld* world)
    : CQuarrowUIScreen(userInterface, world)
{
    static_assert(std::size(kRows) == RowCount);
    m_states.AddState("Start", this, &CTreasuryScreen::UpdateStart);
    m_states.AddState("FadeIn", this, &CTreasuryScreen::EnterFadeIn, &CTreasuryScreen::UpdateFadeIn);
    m_states.AddState("MainMenu", this, &CTreasuryScreen::EnterMainMenu, &CTreasuryScreen::UpdateMainMenu,
                      &CTreasuryScreen::LeaveMainMenu);
    m_states.AddState("FadeOut", this, &CTreasuryScreen::EnterFadeOut, &CTreasuryScreen::UpdateFadeOut);
}

CTreasuryScreen::~CTreasuryScreen()
{
    UILib::CWindow::Delete(GetPanel());
}

std::string CTreasuryScreen::GetTreasureLayout(int totalGold)
{
    // The lowest total gold of each picture after the first.
    static constexpr int kThresholds[] = {50, 100, 200, 400, 600, 800, 1000, 1100, 1200, 1252};
    int picture = 0;
    for (const int threshold : kThresholds)
    {
        picture += totalGold >= threshold ? 1 : 0;
    }
    return "interface>treasure" + std::to_string(picture) + ".xml";
}

UILib::CWindow* CTreasuryScreen::GetPanel() const
{
    return ResolveLayoutWindow(m_panel);
}

UILib::CWindow* CTreasuryScreen::GetPictureWindow() const
{
    return ResolveLayoutWindow(m_picture);
}

const ProgressRecord* CTreasuryScreen::GetProgress() const
{
    const GameContext* context = GetWorld() != nullptr ? GetWorld()->GetGameContext() : nullptr;
    return context != nullptr ? &context->GetProgress() : nullptr;
}

void CTreasuryScreen::Update()
{
    m_states.UpdateState();
}

void CTreasuryScreen::OnActivate()
{
    // The music is left alone: the game menu's plays on.
    if (CQuarrowUI* ui = GetUserInterface())
    {
        ui->SetCursorVisible(true);
    }
    m_states.SetState("Start");
}

void CTreasuryScreen::OnDeactivate()
{
    if (UILib::CWindow* panel = GetPanel())
    {
        panel->SetVisible(false);
    }
    if (CQuarrowUI* ui = GetUserInterface())
    {
        ui->SetCursorVisible(false);
    }
    DestroyWindows();
}

void CTreasuryScreen::CreateWindows()
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
    const std::string file = TranslatedLayout(LayoutFile);
    // A layout that does not load is traced by the factory; the page then shows nothing but the way back
    // by Escape.
    system->GetWindowFactory()->LoadLayout(file, panel);
    root->AddChild(panel->GetHandle());

    for (int i = 0; i < RowCount; ++i)
    {
        const Row& row = kRows[i];
        RowWindows& windowsOfRow = m_rows[i];
        windowsOfRow = RowWindows{};
        windowsOfRow.gold = HandleOf(FindLayoutWindow(*panel, file, row.gold, "CLabel"));
        windowsOfRow.maximum = HandleOf(FindLayoutWindow(*panel, file, row.maximum, "CLabel"));
        windowsOfRow.name = HandleOf(FindLayoutWindow(*panel, file, row.name));
        if (row.placeholder != nullptr)
        {
            windowsOfRow.placeholder = HandleOf(FindLayoutWindow(*panel, file, row.placeholder));
        }
        if (row.icon != nullptr)
        {
            windowsOfRow.icon = HandleOf(FindLayoutWindow(*panel, file, row.icon));
        }
    }
    m_pictureLabel = HandleOf(FindLayoutWindow(*panel, file, "picturelabel", "CLabel"));
    // The way back takes any window class that clicks.
    if (auto* back = dynamic_cast<UILib::CBasicButton*>(FindLayoutWindow(*panel, file, "backbutton")))
    {
        back->SetOnClick(UILib::CButtonCallback::Bind(this, &CTreasuryScreen::OnBack));
    }
    if (CQuarrowUI* ui = GetUserInterface())
    {
        ui->ResetTimeStep();
    }
}

void CTreasuryScreen::DestroyWindows()
{
    if (UILib::CWindow* picture = GetPictureWindow())
    {
        picture->Destroy();
    }
    if (UILib::CWindow* panel = GetPanel())
    {
        panel->Destroy();
    }
    m_picture = 0;
    m_panel = 0;
    m_pictureLabel = 0;
    for (RowWindows& row : m_rows)
    {
        row = RowWindows{};
    }
}

void CTreasuryScreen::UpdateStatistics()
{
    const ProgressRecord* progress = GetProgress();
    if (progress == nullptr)
    {
        return;
    }
    for (int i = 0; i < RowCount; ++i)
    {
        const Row& row = kRows[i];
        const RowWindows& windows = m_rows[i];
        SetLabel(windows.gold, "%d/", progress->CountStars(row.mask));
        SetLabel(windows.maximum, "%d", progress->MaxStars(row.mask));
        if (row.shown == RowShown::Always)
        {
            SetVisible(windows.gold, true);
            SetVisible(windows.maximum, true);
            continue;
        }
        const bool shown = row.shown == RowShown::MapOpen ? progress->GetMapProgress(row.map).IsOpen()
                                                          : progress->GetTreasureGold() > 0;
        SetVisible(windows.gold, shown);
        SetVisible(windows.maximum, shown);
        SetVisible(windows.name, shown);
        SetVisible(windows.icon, shown);
        SetVisible(windows.placeholder, !shown);
    }
    ShowPicture(progress->CountStars(kAllMaps | ProgressRecord::TreasureMask));
}

void CTreasuryScreen::ShowPicture(int totalGold)
{
    if (UILib::CWindow* old = GetPictureWindow())
    {
        old->Destroy();
    }
    m_picture = 0;
    UILib::CWindow* label = ResolveLayoutWindow(m_pictureLabel);
    UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
    if (label == nullptr || system == nullptr || system->GetWindowFactory() == nullptr)
    {
        return;
    }
    // A hoard that does not load is traced by the factory; the numbers show without a picture.
    UILib::CWindow* picture = system->GetWindowFactory()->LoadLayout(GetTreasureLayout(totalGold), label);
    if (picture != nullptr && picture->GetParentHandle() != label->GetHandle())
    {
        // Built only in part: the factory handed it over without a parent.
        picture->Delete();
        picture = nullptr;
    }
    m_picture = HandleOf(picture);
}

void CTreasuryScreen::UpdateStart()
{
    CreateWindows();
    if (UILib::CWindow* panel = GetPanel())
    {
        panel->SetVisible(true);
    }
    UpdateStatistics();
    m_states.SetState("FadeIn");
}

void CTreasuryScreen::EnterFadeIn()
{
    FadeTo(1.0f, kFadeSeconds);
}

void CTreasuryScreen::UpdateFadeIn()
{
    if (!IsFading())
    {
        m_states.SetState("MainMenu");
    }
}

void CTreasuryScreen::EnterMainMenu()
{
    if (UILib::CWindow* panel = GetPanel())
    {
        panel->SetNotHitable(false);
    }
    m_nextScreen.clear();
}

void CTreasuryScreen::UpdateMainMenu()
{
    GameLib::CInputManager* input = GetOwner() != nullptr ? GetOwner()->GetInputManager() : nullptr;
    if (input != nullptr && input->ConsumeActionEvent("quit", "gui"))
    {
        m_nextScreen = kBackScreen;
    }
    if (!m_nextScreen.empty())
    {
        m_states.SetState("FadeOut");
    }
}

void CTreasuryScreen::LeaveMainMenu()
{
    if (UILib::CWindow* panel = GetPanel())
    {
        panel->SetNotHitable(true);
        panel->Activate();
    }
}

void CTreasuryScreen::EnterFadeOut()
{
    FadeTo(0.0f, kFadeSeconds);
}

void CTreasuryScreen::UpdateFadeOut()
{
    if (!IsReadyToSwitch())
    {
        return;
    }
    const std::string next = std::exchange(m_nextScreen, std::string());
    if (GetOwner() != nullptr && !GetOwner()->SwitchTo(next))
    {
        // No such screen: the page comes back rather than leaving the player in the dark.
        BaseLib::DebugOutput("Treasury: there is no screen \"%s\"; the page stays\n", next.c_str());
        m_states.SetState("FadeIn");
    }
}

void CTreasuryScreen::OnBack(UILib::CBasicButton*)
{
    PlayMenuSound(true);
    m_nextScreen = kBackScreen;
}
