#include "game/map/MapScreen.h"

#include "foundation/Color.h"
#include "foundation/Debug.h"
#include "foundation/String.h"
#include "framework/CommandQueue.h"
#include "framework/InputManager.h"
#include "framework/UIScreen.h"
#include "game/FileTranslator.h"
#include "game/GameCommand.h"
#include "game/GameContext.h"
#include "game/QuarrowInputChannel.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "game/ScreenFader.h"
#include "game/map/EditableMap.h"
#include "game/savegame/QuarrowSaveGame.h"
#include "game/savegame/SaveGameManager.h"
#include "game/sequences/QuarrowSequencePlayer.h"
#include "game/sequences/SequenceDialog.h"
#include "ui/Bitmap.h"
#include "ui/Panel.h"
#include "ui/TextureCanvas.h"
#include "ui/UILibSystem.h"
#include "ui/Window.h"
#include "ui/WindowFactory.h"
#include "ui/WindowManager.h"
#include "ui/controls/Button.h"
#include "ui/controls/Label.h"
#include "ui/controls/ScrollWindow.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>

namespace
{

constexpr const char* kMainLayout = "interface>mapscreen.xml";
constexpr const char* kCutsceneLayout = "interface>mapscreen_cutscenewindow.xml";
constexpr const char* kSelectionLayout = "interface>mapscreen_mapselection.xml";
constexpr float kFadeSeconds = 0.5f;
constexpr std::int32_t kMapPlayMode = 1;
// Maps 1 to 4 and the treasure gold.
constexpr std::uint32_t kGoldMask = 286;
// Figure and click each within 0.4 of the cell's centre.
constexpr float kNearCentreSquared = 0.16f;

UILib::CWindowManager* WindowManager()
{
    return UILib::CWindowManager::GetInstance();
}

void Show(UILib::CWindow* window, bool shown)
{
    if (window != nullptr)
    {
        window->SetVisible(shown);
    }
}

void SetNumber(UILib::CLabel* label, int value)
{
    if (label != nullptr)
    {
        char text[16];
        std::snprintf(text, sizeof(text), "%d", value);
        label->SetText(text);
    }
}

bool NearCentre(float x, float y)
{
    const float fx = x - std::floor(x) - 0.5f;
    const float fy = y - std::floor(y) - 0.5f;
    return fx * fx + fy * fy <= kNearCentreSquared;
}

// Raises the window above its siblings, and only there: activating it would raise its ancestors too,
// lifting the whole HUD layout over an open dialog or cut-scene window.
void BringToFrontOfSiblings(UILib::CWindow* window)
{
    if (UILib::CWindow* parent = window->GetParent())
    {
        const UILib::Handle handle = window->GetHandle();
        parent->RemoveChild(handle);
        parent->AddChild(handle);
    }
}

// Raises the window and its ancestors below the top one above their siblings. A dialog opened over the
// HUD needs it: a click on a HUD button activated the HUD's layout, which then stands in front, and a
// window manager's activation does nothing for a window that already has the focus.
void BringToFrontBelow(UILib::CWindow* window, const UILib::CWindow* top)
{
    for (UILib::CWindow* raised = window; raised != nullptr && raised != top; raised = raised->GetParent())
    {
        BringToFrontOfSiblings(raised);
    }
}

// A mood window with its own canvas (a layout may give it one) is drawn at the opacity; one without is
// drawn whole while shown, the picture coming in front at the start of the cross-fade.
void SetOpacity(UILib::CWindow* window, float opacity)
{
    if (auto* canvas = dynamic_cast<UILib::CTextureCanvas*>(window->GetCanvas(false)))
    {
        canvas->SetTransparency(opacity);
    }
}

} // namespace

GameLib::CUIScreen* CreateMapScreen(CQuarrowUI* userInterface, CQuarrowWorld* world)
{
    return new CMapScreen(userInterface, world);
}

CMapScreen::CMapScreen(CQuarrowUI* userInterface, CQuarrowWorld* world)
    : CQuarrowUIScreen(userInterface, world)
{
    m_states.AddState("Start", this, &CMapScreen::OnStart);
    m_states.AddState("FadeIn", this, &CMapScreen::EnterFadeIn, &CMapScreen::UpdateFadeIn);
    m_states.AddState("SelectMap", this, &CMapScreen::EnterSelectMap, &CMapScreen::UpdateSelectMap,
                      &CMapScreen::LeaveSelectMap);
    m_states.AddState("Walking", this, &CMapScreen::EnterWalking, &CMapScreen::OnCommand,
                      &CMapScreen::LeaveWalking);
    m_states.AddState("SequenceStart", this, &CMapScreen::EnterSequenceStart,
                      &CMapScreen::UpdateSequenceStart, &CMapScreen::LeaveSequenceStart);
    m_states.AddState("Sequence", this, &CMapScreen::EnterSequence, &CMapScreen::UpdateSequence,
                      &CMapScreen::LeaveSequence);
    m_states.AddState("SequenceEnd", this, &CMapScreen::EnterSequenceEnd, &CMapScreen::UpdateSequenceEnd,
                      &CMapScreen::EndSequence);
    m_states.AddState("FadeOut", this, &CMapScreen::EnterFadeOut, &CMapScreen::UpdateFadeOut);
    m_states.SetState("Start");
}

CMapScreen::~CMapScreen()
{
    if (m_sequencePlayer != nullptr)
    {
        m_sequencePlayer->Shutdown();
        delete std::exchange(m_sequencePlayer, nullptr);
    }
    delete std::exchange(m_renderer, nullptr);
    delete std::exchange(m_sequenceDialog, nullptr);
    UILib::CWindow::Delete(GetPanel());
}

UILib::CWindow* CMapScreen::GetPanel() const
{
    UILib::CWindowManager* windows = WindowManager();
    return m_panel != 0 && windows != nullptr ? windows->Resolve(m_panel) : nullptr;
}

CEditableMap* CMapScreen::GetPlayableMap() const
{
    CEditableMap* map = GetWorld() != nullptr ? GetWorld()->GetMap() : nullptr;
    return map != nullptr && map->GetSize().cx > 0 && map->GetSize().cy > 0 ? map : nullptr;
}

std::int32_t CMapScreen::GetGameState() const
{
    const GameContext* context = GetWorld() != nullptr ? GetWorld()->GetGameContext() : nullptr;
    return context != nullptr ? context->GetState() : GameContext::NoGame;
}

void CMapScreen::PostWorldCommand(const std::string& name, const std::string& argument)
{
    if (GetWorld() != nullptr && GetWorld()->GetCommandQueue() != nullptr)
    {
        GetWorld()->GetCommandQueue()->PostCommand(name, argument);
    }
}

void CMapScreen::Update()
{
    m_states.UpdateState();
    const double dt = GetUserInterface() != nullptr ? GetUserInterface()->GetTimeStep() : 0.0;
    m_ambience.Update(dt);
    UpdateMoodImage(dt);
    if (m_renderer != nullptr)
    {
        m_renderer->Update(dt);
    }
}

void CMapScreen::OnActivate()
{
    CQuarrowUI* ui = GetUserInterface();
    SaveGameManager* saveGames = ui != nullptr ? ui->GetSaveGameManager() : nullptr;
    if (saveGames != nullptr)
    {
        saveGames->SetPlayMode(kMapPlayMode);
    }
    const GameContext* context = GetWorld() != nullptr ? GetWorld()->GetGameContext() : nullptr;
    const std::int32_t region = context != nullptr ? context->GetProgress().GetCurrentMap() : 0;
    PostWorldCommand("SetMap", std::to_string(region));
    PostWorldCommand("StartMap", "");
    PostWorldCommand("SetUserControlEnabled", "true");
    PostWorldCommand("SetPause", "false");
    if (ui != nullptr)
    {
        ui->SetCursorVisible(true);
    }
    m_ambience.Clear();
    if (saveGames != nullptr && saveGames->GetCurrentOptions().music != 0)
    {
        SetUpAmbience(region);
    }
    m_states.SetState("Start");
}

void CMapScreen::SetUpAmbience(std::int32_t region)
{
    const auto numbered = [this](const char* format, int count) {
        for (int i = 0; i < count; ++i)
        {
            char file[64];
            std::snprintf(file, sizeof(file), format, i);
            m_ambience.AddOneShot(file);
        }
    };
    switch (region)
    {
    case 2:
        m_ambience.SetLoop("sound>swamp/swamploop.wav");
        m_ambience.AddOneShot("sound>swamp/duck.wav");
        numbered("sound>swamp/frogs%02d.wav", 5);
        break;
    case 3:
        numbered("sound>cave/drop%02d.wav", 3);
        break;
    case 4:
        m_ambience.SetLoop("sound>temple/temple01.wav");
        return;
    default:
        m_ambience.SetLoop("sound>jungle/jungleloop.wav");
        numbered("sound>jungle/jbird%02d.wav", 5);
        break;
    }
    m_ambience.SetPauseRange(1.0f, 2.5f);
    m_ambience.SetPitchRange(0.9f, 1.1f);
}

void CMapScreen::DeleteSequencePlayer()
{
    if (m_sequencePlayer != nullptr)
    {
        m_sequencePlayer->Shutdown();
        delete std::exchange(m_sequencePlayer, nullptr);
    }
    if (UILib::CWindowManager* windows = WindowManager(); windows != nullptr && m_cutsceneWindow != nullptr)
    {
        windows->RemoveModalWindow(m_cutsceneWindow);
    }
    m_cutsceneShown = false;
}

void CMapScreen::OnDeactivate()
{
    // Windows the window system took down meanwhile (at shut-down) are no longer touched.
    const bool windowsAlive = GetPanel() != nullptr;
    if (!windowsAlive)
    {
        m_cutsceneWindow = nullptr;
        m_mapSelectionDialog = nullptr;
    }
    DeleteSequencePlayer();
    if (m_renderer != nullptr)
    {
        m_renderer->Release();
        delete std::exchange(m_renderer, nullptr);
    }
    delete std::exchange(m_sequenceDialog, nullptr);
    // A dialog left open (the screen left during the map selection) must not keep the mouse from the
    // next screen.
    if (UILib::CWindowManager* windows = WindowManager();
        windows != nullptr && m_mapSelectionDialog != nullptr)
    {
        windows->RemoveModalWindow(m_mapSelectionDialog);
    }
    Show(GetPanel(), false);
    if (CQuarrowUI* ui = GetUserInterface())
    {
        ui->SetCursorVisible(false);
    }
    PostWorldCommand("ShutMap", "");
    PostWorldCommand("SetPause", "true");
    PostWorldCommand("SetUserControlEnabled", "false");
    m_ambience.Stop();
}

void CMapScreen::CreateWindows()
{
    UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
    UILib::CWindowManager* windows = WindowManager();
    UILib::CWindow* root = windows != nullptr ? windows->GetLayerRoot(0) : nullptr;
    if (system == nullptr || system->GetWindowFactory() == nullptr || root == nullptr)
    {
        BaseLib::DebugOutput("Map screen: no window system; the screen has no windows\n");
        return;
    }
    auto* panel = static_cast<UILib::CPanel*>(UILib::CPanel::Create());
    panel->SetColor(BaseLib::CColor(255, 255, 255, 0));
    panel->SetPosition(0, 0);
    panel->SetSize(root->GetSize().cx, root->GetSize().cy);
    root->AddChild(panel->GetHandle());
    m_panel = panel->GetHandle();
    const CFileTranslator* translator =
        GetUserInterface() != nullptr ? GetUserInterface()->GetFileTranslator() : nullptr;
    for (const char* layout : {kMainLayout, kCutsceneLayout, kSelectionLayout})
    {
        // A layout that does not load is traced by the factory; the windows it should hold are then
        // traced one by one below.
        system->GetWindowFactory()->LoadLayout(translator != nullptr ? translator->Translate(layout) : layout,
                                               panel);
    }

    const auto find = [panel](const char* name, const char* className, const char* layout,
                              bool optional = false) -> UILib::CWindow* {
        UILib::CWindow* window = panel->FindChildByName(BaseLib::CString(name), true, className);
        if (window == nullptr && !optional)
        {
            BaseLib::DebugOutput(
                "Map screen: layout \"%s\" has no window \"%s\"%s%s; that part is left out\n", layout, name,
                className != nullptr ? " of the class " : "", className != nullptr ? className : "");
        }
        return window;
    };
    const auto button = [&](const char* name, const char* layout,
                            void (CMapScreen::*handler)(UILib::CBasicButton*)) {
        auto* found = static_cast<UILib::CButton*>(find(name, "CButton", layout));
        if (found != nullptr)
        {
            found->SetOnClick(UILib::CButtonCallback::Bind(this, handler));
        }
        return found;
    };
    const auto label = [&](const char* name, const char* layout, bool optional = false) {
        return static_cast<UILib::CLabel*>(find(name, "CLabel", layout, optional));
    };

    m_menuButton = button("menubutton", kMainLayout, &CMapScreen::OnMenuButton);
    m_playButton = button("playbutton", kMainLayout, &CMapScreen::OnPlayButton);
    m_openButton = button("openbutton", kMainLayout, &CMapScreen::OnOpenButton);
    m_leaveButton = button("leavebutton", kMainLayout, &CMapScreen::OnLeaveButton);
    const char* const keyNames[3][2] = {
        {"yellowkeylabel", "yellowkey"}, {"redkeylabel", "redkey"}, {"bluekeylabel", "bluekey"}};
    for (int key = 0; key < 3; ++key)
    {
        m_keyLabels[key] = label(keyNames[key][0], kMainLayout);
        m_keyIcons[key] = find(keyNames[key][1], nullptr, kMainLayout);
    }
    m_goldLabel = label("goldlabel", kMainLayout);
    m_goldIcon = find("goldicon", nullptr, kMainLayout);
    m_mapSelectionDialog = find("mapselectiondialog", nullptr, kSelectionLayout);
    m_regionButtons[0] = button("junglebutton", kSelectionLayout, &CMapScreen::OnJungleButton);
    m_regionButtons[1] = button("swampbutton", kSelectionLayout, &CMapScreen::OnSwampButton);
    m_regionButtons[2] = button("cavebutton", kSelectionLayout, &CMapScreen::OnCaveButton);
    m_regionButtons[3] = button("templebutton", kSelectionLayout, &CMapScreen::OnTempleButton);
    m_placeholders[0] = find("swampplaceholder", nullptr, kSelectionLayout);
    m_placeholders[1] = find("caveplaceholder", nullptr, kSelectionLayout);
    m_placeholders[2] = find("templeplaceholder", nullptr, kSelectionLayout);
    m_cutsceneWindow = find("cutscenewindow", nullptr, kCutsceneLayout, true);
    m_cutsceneCanvas = find("cutscenecanvas", nullptr, kCutsceneLayout, m_cutsceneWindow == nullptr);
    m_moodWindows[0] = label("mood1", kMainLayout, true);
    m_moodWindows[1] = label("mood2", kMainLayout, true);
    for (int i = 0; i < 8; ++i)
    {
        const std::string name = "pylon" + std::to_string(i + 1);
        m_pylons[i] = find(name.c_str(), nullptr, kMainLayout);
        Show(m_pylons[i], false);
    }
    for (int i = 0; i < 3; ++i)
    {
        const std::string name = "coin" + std::to_string(i + 1);
        m_coins[i] = find(name.c_str(), nullptr, kMainLayout);
        Show(m_coins[i], false);
    }
    m_levelLabel = label("levellabel", kMainLayout);
    m_playingField = find("playingfield", nullptr, kMainLayout);
    panel->SetVisible(false);
    if (GetUserInterface() != nullptr)
    {
        GetUserInterface()->ResetTimeStep();
    }
}

void CMapScreen::CreateRenderer()
{
    CEditableMap* map = GetPlayableMap();
    if (map == nullptr)
    {
        BaseLib::DebugOutput("Map screen: the world has no map with cells; no map is shown\n");
        return;
    }
    m_renderer = new CMapRenderer2D(this, map);
    if (GetUserInterface() != nullptr)
    {
        GetUserInterface()->ResetTimeStep();
    }
}

void CMapScreen::WalkTo(int x, int y)
{
    const CEditableMap* map = GetPlayableMap();
    if (map == nullptr || x <= 0 || y <= 0 || x >= map->GetSize().cx - 1 || y >= map->GetSize().cy - 1)
    {
        return;
    }
    if (CQuarrowInputChannel* channel = GetWorld()->GetGameInputChannel())
    {
        channel->PushMapWalkTo(static_cast<float>(x), static_cast<float>(y));
    }
}

void CMapScreen::OnCellClicked(int x, int y, float px, float py)
{
    const CEditableMap* map = GetPlayableMap();
    if (map == nullptr || x <= 0 || y <= 0 || x >= map->GetSize().cx - 1 || y >= map->GetSize().cy - 1)
    {
        return;
    }
    CQuarrowInputChannel* channel = GetWorld()->GetGameInputChannel();
    if (channel == nullptr)
    {
        return;
    }
    const BaseLib::CPoint figureCell = map->GetPlayerCell();
    const BaseLib::CVector2 figure = map->GetPlayerPosition();
    if (figureCell.x == x && figureCell.y == y && NearCentre(figure.x, figure.y) && NearCentre(px, py))
    {
        const MapCell& cell = map->GetCell(x, y);
        const auto fx = static_cast<float>(x);
        const auto fy = static_cast<float>(y);
        if (map->IsCellLocked(x, y))
        {
            channel->PushMapEnterCell(fx, fy);
        }
        else if (cell.IsExit())
        {
            channel->PushMapExit(fx, fy);
        }
        else if (cell.HasPuzzle())
        {
            channel->PushMapStartLevel(fx, fy);
        }
    }
    channel->PushMapWalkTo(static_cast<float>(x), static_cast<float>(y));
}

void CMapScreen::OnMenuButton(UILib::CBasicButton*)
{
    m_nextScreen = "gamemenu";
}

void CMapScreen::PushForFigureCell(int kind)
{
    const CEditableMap* map = GetPlayableMap();
    CQuarrowInputChannel* channel = GetWorld() != nullptr ? GetWorld()->GetGameInputChannel() : nullptr;
    if (map == nullptr || channel == nullptr || GetGameState() != GameContext::MapRunning)
    {
        return;
    }
    const BaseLib::CPoint cell = map->GetPlayerCell();
    const auto x = static_cast<float>(cell.x);
    const auto y = static_cast<float>(cell.y);
    switch (static_cast<GameCommandKind>(kind))
    {
    case GameCommandKind::MapEnterCell:
        channel->PushMapEnterCell(x, y);
        break;
    case GameCommandKind::MapStartLevel:
        channel->PushMapStartLevel(x, y);
        break;
    case GameCommandKind::MapExit:
        channel->PushMapExit(x, y);
        break;
    default:
        break;
    }
}

void CMapScreen::OnPlayButton(UILib::CBasicButton*)
{
    PushForFigureCell(static_cast<int>(GameCommandKind::MapStartLevel));
}

void CMapScreen::OnOpenButton(UILib::CBasicButton*)
{
    PushForFigureCell(static_cast<int>(GameCommandKind::MapEnterCell));
}

void CMapScreen::OnLeaveButton(UILib::CBasicButton*)
{
    PushForFigureCell(static_cast<int>(GameCommandKind::MapExit));
}

void CMapScreen::HideButtons()
{
    Show(m_playButton, false);
    Show(m_openButton, false);
    Show(m_leaveButton, false);
}

// --- States ---

void CMapScreen::OnStart()
{
    if (GetPanel() == nullptr)
    {
        CreateWindows();
    }
    UILib::CWindow* panel = GetPanel();
    Show(panel, true);
    if (m_sequenceDialog == nullptr && m_cutsceneWindow != nullptr)
    {
        m_sequenceDialog = new CSequenceDialog(m_cutsceneWindow);
    }
    const GameLib::CCommandQueue* commands = GetWorld() != nullptr ? GetWorld()->GetCommandQueue() : nullptr;
    if (commands != nullptr && !commands->IsEmpty())
    {
        return;
    }
    if (m_renderer == nullptr)
    {
        CreateRenderer();
    }
    if (m_renderer != nullptr)
    {
        auto* field = dynamic_cast<UILib::CScrollWindow*>(m_playingField);
        if (field == nullptr)
        {
            BaseLib::DebugOutput("Map screen: \"playingfield\" is no scroll window; no map is shown\n");
            delete std::exchange(m_renderer, nullptr);
        }
        else
        {
            m_renderer->LoadResources(field);
        }
    }
    UpdateHud();
    UpdateCellInfo();
    if (m_mapSelectionDialog != nullptr)
    {
        m_mapSelectionDialog->SetAnimationTime("mapchange", 0.0f, true);
    }
    if (panel != nullptr)
    {
        panel->SetAnimationTime("cutscene", 0.0f, true);
    }
    m_states.SetState("FadeIn");
}

void CMapScreen::EnterFadeIn()
{
    if (ScreenFader* fader = GetUserInterface() != nullptr ? GetUserInterface()->GetFader() : nullptr)
    {
        fader->SetTarget(0.0f, 0.0f);
        fader->SetTarget(1.0f, kFadeSeconds);
    }
}

void CMapScreen::UpdateFadeIn()
{
    if (!IsFading())
    {
        m_states.SetState("Walking");
    }
}

void CMapScreen::EnterSelectMap()
{
    Show(m_menuButton, false);
    if (UILib::CWindow* panel = GetPanel())
    {
        panel->PlayAnimation("mapchange", true, 1.0f, false);
    }
    if (UILib::CWindowManager* windows = WindowManager();
        windows != nullptr && m_mapSelectionDialog != nullptr)
    {
        windows->PushModalWindow(m_mapSelectionDialog);
        // The leave button's click brought the HUD to the front: the dialog must stand above it.
        BringToFrontBelow(m_mapSelectionDialog, GetPanel());
        windows->ActivateWindow(m_mapSelectionDialog->GetHandle(), true);
    }
    HideButtons();
    const GameContext* context = GetWorld() != nullptr ? GetWorld()->GetGameContext() : nullptr;
    const auto isOpen = [context](int map) {
        return context != nullptr && context->GetProgress().GetMapProgress(map).IsOpen();
    };
    if (m_regionButtons[0] != nullptr)
    {
        m_regionButtons[0]->SetDisabled(!isOpen(1));
    }
    for (int region = 1; region < 4; ++region)
    {
        const bool open = isOpen(region + 1);
        Show(m_regionButtons[region], open);
        Show(m_placeholders[region - 1], !open || m_regionButtons[region] == nullptr);
    }
    m_nextScreen.clear();
    m_selectedMap = -1;
    if (m_mapSelectionDialog == nullptr && context != nullptr)
    {
        // Without the dialog nothing could be chosen: the player stays on this map.
        BaseLib::DebugOutput("Map screen: no map-selection dialog; the figure stays on map %d\n",
                             context->GetMapIndex());
        m_selectedMap = context->GetMapIndex();
    }
}

void CMapScreen::UpdateSelectMap()
{
    if (m_selectedMap < 0)
    {
        return;
    }
    const GameContext* context = GetWorld() != nullptr ? GetWorld()->GetGameContext() : nullptr;
    CQuarrowInputChannel* channel = GetWorld() != nullptr ? GetWorld()->GetGameInputChannel() : nullptr;
    if (context != nullptr && m_selectedMap == context->GetMapIndex())
    {
        m_states.SetState("Walking");
        if (channel != nullptr)
        {
            channel->PushLeaveMap();
        }
        return;
    }
    if (channel != nullptr)
    {
        channel->PushSelectMap(m_selectedMap);
    }
    m_nextScreen = "map";
    m_states.SetState("FadeOut");
}

void CMapScreen::LeaveSelectMap()
{
    if (UILib::CWindow* panel = GetPanel())
    {
        panel->PlayAnimation("mapchange_out", true, 1.0f, false);
    }
    if (UILib::CWindowManager* windows = WindowManager();
        windows != nullptr && m_mapSelectionDialog != nullptr)
    {
        windows->RemoveModalWindow(m_mapSelectionDialog);
    }
}

void CMapScreen::EnterWalking()
{
    Show(m_menuButton, true);
    m_nextScreen.clear();
}

void CMapScreen::OnCommand()
{
    UpdateCellInfo();
    UpdateHud();
    GameLib::CInputManager* input = GetOwner() != nullptr ? GetOwner()->GetInputManager() : nullptr;
    if (input != nullptr)
    {
        if (input->ConsumeActionEvent("quit", "gui"))
        {
            m_nextScreen = "gamemenu";
        }
        if (input->ConsumeActionEvent("editor", "gui") && GetOwner() != nullptr)
        {
            // Outside developer mode there is no map editor and the switch does nothing.
            GetOwner()->SwitchTo("mapeditor");
        }
        if (input->ConsumeActionEvent("cheat", "game") && GetWorld()->GetGameInputChannel() != nullptr)
        {
            GetWorld()->GetGameInputChannel()->PushCheat();
        }
    }
    if (!m_nextScreen.empty())
    {
        m_states.SetState("FadeOut");
        return;
    }
    const std::int32_t state = GetGameState();
    const CQuarrowInputChannel* channel = GetWorld() != nullptr ? GetWorld()->GetGameInputChannel() : nullptr;
    if (state == GameContext::MapLevelChosen)
    {
        m_nextScreen = GetUserInterface() != nullptr ? GetUserInterface()->GetPuzzleScreenName() : "ingame2d";
        m_states.SetState("FadeOut");
    }
    else if (state == GameContext::MapExitTaken)
    {
        if (channel == nullptr || !channel->ContainsCommand(GameCommandKind::LeaveMap))
        {
            m_states.SetState("SelectMap");
        }
    }
    else if (state == GameContext::SequencePending)
    {
        m_states.SetState("SequenceStart");
    }
    if (!m_ambience.IsPlaying() && state != GameContext::SequencePending)
    {
        m_ambience.FadeIn(1.0f, 100.0f);
    }
}

void CMapScreen::EnterSequenceStart()
{
    Show(m_menuButton, false);
    HideButtons();
    if (m_sequenceDialog == nullptr || m_cutsceneWindow == nullptr)
    {
        return;
    }
    if (UILib::CWindow* panel = GetPanel())
    {
        panel->PlayAnimation("cutscene", true, 2.0f, false);
    }
    m_cutsceneShown = true;
    m_sequencePlayer = new CQuarrowSequencePlayer();
    m_sequencePlayer->SetSequenceDialog(m_sequenceDialog);
    m_sequencePlayer->SetAmbience(&m_ambience);
    m_sequencePlayer->SetCanvas(m_cutsceneCanvas);
    m_sequencePlayer->SetInputChannel(GetWorld() != nullptr ? GetWorld()->GetGameInputChannel() : nullptr);
    m_sequencePlayer->SetUserInterface(GetUserInterface());
    m_sequencePlayer->RegisterCommands();
    if (UILib::CWindowManager* windows = WindowManager())
    {
        windows->PushModalWindow(m_cutsceneWindow);
        BringToFrontBelow(m_cutsceneWindow, GetPanel());
        windows->ActivateWindow(m_cutsceneWindow->GetHandle(), true);
    }
}

void CMapScreen::UpdateSequenceStart()
{
    const GameContext* context = GetWorld() != nullptr ? GetWorld()->GetGameContext() : nullptr;
    const std::string name = context != nullptr ? context->GetLevelName() : std::string();
    if (m_sequencePlayer == nullptr)
    {
        // Without the cut-scene window the script could be neither read nor confirmed: it is passed over
        // and the map goes on.
        BaseLib::DebugOutput("Map screen: no cut-scene window; the cut-scene \"%s\" is not played\n",
                             name.c_str());
        m_states.SetState("SequenceEnd");
        return;
    }
    const UILib::CWindow* panel = GetPanel();
    if (panel != nullptr && panel->IsAnimationPlaying("cutscene", true))
    {
        return;
    }
    m_sequencePlayer->Load("sequence>" + name);
    if (!m_ambience.IsPlaying())
    {
        m_ambience.FadeIn(3.0f, 100.0f);
    }
    m_sequencePlayer->Start();
    m_states.SetState("Sequence");
}

void CMapScreen::UpdateSequence()
{
    if (m_sequencePlayer == nullptr)
    {
        m_states.SetState("SequenceEnd");
        return;
    }
    if (const CEditableMap* map = GetPlayableMap())
    {
        const char* const keys[3] = {"hasyellowkey", "hasredkey", "hasbluekey"};
        for (int key = 0; key < 3; ++key)
        {
            m_sequencePlayer->SetVariable(keys[key], map->GetKeyCount(key) >= 1 ? "true" : "false");
        }
        m_sequencePlayer->SetVariable("pylons", std::to_string(map->GetPylonCount()));
    }
    m_sequencePlayer->Update(GetUserInterface() != nullptr ? GetUserInterface()->GetTimeStep() : 0.0);
    if (m_sequencePlayer->IsFinished())
    {
        m_states.SetState("SequenceEnd");
    }
}

void CMapScreen::EnterSequenceEnd()
{
    if (CQuarrowInputChannel* channel = GetWorld() != nullptr ? GetWorld()->GetGameInputChannel() : nullptr)
    {
        channel->PushCutsceneDone();
    }
    if (UILib::CWindow* panel = GetPanel(); panel != nullptr && m_cutsceneShown)
    {
        panel->PlayAnimation("cutscene_out", true, 2.0f, false);
    }
    if (!m_ambience.IsPlaying())
    {
        m_ambience.FadeIn(1.0f, 100.0f);
    }
}

void CMapScreen::UpdateSequenceEnd()
{
    const CQuarrowInputChannel* channel = GetWorld() != nullptr ? GetWorld()->GetGameInputChannel() : nullptr;
    const UILib::CWindow* panel = GetPanel();
    if ((channel == nullptr || !channel->HasCommands()) &&
        (panel == nullptr || !panel->IsAnimationPlaying("cutscene_out", true)))
    {
        m_states.SetState("Walking");
    }
}

void CMapScreen::EndSequence()
{
    DeleteSequencePlayer();
}

void CMapScreen::EnterFadeOut()
{
    FadeTo(0.0f, kFadeSeconds);
    m_ambience.FadeOut(kFadeSeconds);
}

void CMapScreen::UpdateFadeOut()
{
    if (!IsReadyToSwitch())
    {
        return;
    }
    const std::string next = std::exchange(m_nextScreen, std::string());
    if (GetOwner() != nullptr && !GetOwner()->SwitchTo(next))
    {
        // No such screen: the map comes back rather than leaving the player before a black picture.
        BaseLib::DebugOutput("Map screen: there is no screen \"%s\"; the map stays\n", next.c_str());
        m_states.SetState("FadeIn");
    }
}

// --- The HUD ---

void CMapScreen::UpdateCellInfo()
{
    const CEditableMap* map = GetPlayableMap();
    if (map == nullptr || map->IsWalking())
    {
        HideButtons();
        return;
    }
    const BaseLib::CPoint at = map->GetPlayerCell();
    if (!map->IsInside(at.x, at.y))
    {
        HideButtons();
        return;
    }
    const MapCell& cell = map->GetCell(at.x, at.y);
    const bool locked = map->IsCellLocked(at.x, at.y);
    const GameContext* context = GetWorld()->GetGameContext();
    const std::int32_t current = context != nullptr ? context->GetProgress().GetCurrentMap() : -1;
    // The first map's way back and the last map's way on lead nowhere.
    const bool leadsOn =
        cell.IsExit() && !(current == 1 && cell.GetExitId() == 0) && !(current == 4 && cell.GetExitId() != 0);
    Show(m_openButton, locked);
    Show(m_playButton, !locked && cell.HasPuzzle());
    Show(m_leaveButton, !locked && !cell.HasPuzzle() && leadsOn);
}

void CMapScreen::UpdateHud()
{
    const CEditableMap* map = GetPlayableMap();
    for (int key = 0; key < 3; ++key)
    {
        const int count = map != nullptr ? map->GetKeyCount(key) : 0;
        Show(m_keyLabels[key], count >= 1);
        Show(m_keyIcons[key], count >= 1);
        SetNumber(m_keyLabels[key], count);
    }
    const GameContext* context = GetWorld() != nullptr ? GetWorld()->GetGameContext() : nullptr;
    if (context != nullptr)
    {
        SetNumber(m_goldLabel, context->GetProgress().CountStars(kGoldMask));
    }
    const int pylons = map != nullptr ? map->GetPylonCount() : 0;
    for (int i = 0; i < 8; ++i)
    {
        Show(m_pylons[i], i < pylons);
    }
    const MapCell* cell = nullptr;
    if (map != nullptr)
    {
        const BaseLib::CPoint at = map->GetPlayerCell();
        cell = map->IsInside(at.x, at.y) ? &map->GetCell(at.x, at.y) : nullptr;
    }
    if (cell == nullptr || !cell->HasPuzzle() || context == nullptr)
    {
        for (UILib::CWindow* coin : m_coins)
        {
            Show(coin, false);
        }
        Show(m_levelLabel, false);
        return;
    }
    const std::int32_t rating = context->GetLevelRating(cell->puzzle);
    for (int i = 0; i < 3; ++i)
    {
        Show(m_coins[i], i < rating);
    }
    if (m_levelLabel != nullptr)
    {
        const std::int32_t mapIndex = map->GetMapIndex();
        char text[32];
        std::snprintf(text, sizeof(text), "%c-%02d",
                      mapIndex == 0 ? 'C' : static_cast<char>('0' + mapIndex % 10), cell->puzzle + 1);
        m_levelLabel->SetText(text);
        m_levelLabel->SetVisible(true);
    }
}

void CMapScreen::UpdateMoodImage(double dt)
{
    if (m_moodWindows[0] == nullptr || m_moodWindows[1] == nullptr || GetPanel() == nullptr)
    {
        return;
    }
    const CEditableMap* map = GetPlayableMap();
    if (map == nullptr)
    {
        Show(m_moodWindows[0], false);
        Show(m_moodWindows[1], false);
        return;
    }
    const int other = 1 - m_currentMood;
    if (m_moodFading == 0)
    {
        const BaseLib::CPoint at = map->GetPlayerCell();
        const std::string name = map->GetMoodImage(at.x, at.y);
        if (name != m_moodNames[m_currentMood])
        {
            UILib::CLabel* window = m_moodWindows[other];
            const std::string file = "sequences/" + map->GetSetting() + "/" + name + ".jpg";
            window->SetBitmap(
                UILib::CBitmap(BaseLib::CString(file.c_str()), window->GetSize().cx, window->GetSize().cy));
            m_moodNames[other] = name;
            BringToFrontOfSiblings(window);
            m_moodFade = 0.0f;
            m_moodFading = 1;
        }
    }
    if (m_moodFading != 0)
    {
        if (m_moodFade >= 1.0f)
        {
            m_moodFade = 0.0f;
            m_moodFading = 0;
            m_currentMood = other;
        }
        else
        {
            m_moodFade = std::min(1.0f, m_moodFade + 2.0f * static_cast<float>(dt));
        }
    }
    UILib::CLabel* front = m_moodWindows[m_currentMood];
    UILib::CLabel* back = m_moodWindows[1 - m_currentMood];
    SetOpacity(front, 1.0f);
    front->SetVisible(true);
    SetOpacity(back, m_moodFade);
    back->SetVisible(m_moodFade != 0.0f);
}
