#include "game/puzzle/PuzzleScreen.h"

#include "foundation/ConfigFile.h"
#include "foundation/Debug.h"
#include "foundation/String.h"
#include "foundation/Timer.h"
#include "framework/CommandQueue.h"
#include "framework/GameLibApplication.h"
#include "framework/InputManager.h"
#include "framework/UIScreen.h"
#include "game/FileTranslator.h"
#include "game/GameContext.h"
#include "game/QuarrowInputChannel.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "game/ScreenFader.h"
#include "game/savegame/SaveGameManager.h"
#include "game/sequences/QuarrowSequencePlayer.h"
#include "game/sequences/SequenceDialog.h"
#include "puzzle/EditablePuzzle.h"
#include "puzzle/PuzzleRefiner.h"
#include "puzzle/PuzzleSolver.h"
#include "ui/UILibSystem.h"
#include "ui/Window.h"
#include "ui/WindowFactory.h"
#include "ui/WindowManager.h"
#include "ui/controls/Button.h"
#include "ui/controls/Label.h"
#include "ui/controls/ProgressBar.h"

#include <cmath>
#include <cstdio>

namespace
{

constexpr const char* kCutsceneLayout = "interface>ingamescreen_cutscenewindow.xml";
constexpr const char* kMenuLayout = "interface>ingamescreen_menu.xml";
constexpr const char* kSolverLayout = "interface>solver.xml";
constexpr const char* kRefinerLayout = "interface>refiner.xml";
constexpr float kFadeSeconds = 0.5f;
constexpr int kMapPlayMode = 1;

UILib::CWindowManager* WindowManager()
{
    const UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
    return system != nullptr ? system->GetWindowManager() : nullptr;
}

UILib::CWindowFactory* WindowFactory()
{
    const UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
    return system != nullptr ? system->GetWindowFactory() : nullptr;
}

template <typename T> T* FindControl(UILib::CWindow* parent, const char* name, const char* className)
{
    return parent != nullptr ? static_cast<T*>(parent->FindChildByName(name, true, className)) : nullptr;
}

void SetLabel(UILib::CLabel* label, const char* text)
{
    if (label != nullptr)
    {
        label->SetText(text);
    }
}

void SetNumber(UILib::CLabel* label, long long value)
{
    if (label != nullptr)
    {
        char text[32];
        std::snprintf(text, sizeof(text), "%lld", value);
        label->SetText(text);
    }
}

void RemoveFromModalStack(UILib::CWindow* window)
{
    UILib::CWindowManager* windows = WindowManager();
    if (windows != nullptr && window != nullptr)
    {
        windows->RemoveModalWindow(window);
    }
}

bool IsOneOf(const std::string& name, std::initializer_list<const char*> names)
{
    for (const char* candidate : names)
    {
        if (name == candidate)
        {
            return true;
        }
    }
    return false;
}

} // namespace

CPuzzleScreen::CPuzzleScreen(CQuarrowUI* userInterface, CQuarrowWorld* world)
    : CQuarrowUIScreen(userInterface, world)
{
    RegisterStates();
}

CPuzzleScreen::~CPuzzleScreen()
{
    // The screen's windows may already be gone with the window system: the ending sequence is kept
    // away from them.
    if (m_sequencePlayer != nullptr)
    {
        m_sequencePlayer->SetCallbacks(nullptr, nullptr, nullptr);
        m_sequencePlayer->SetSequenceDialog(nullptr);
    }
    EndIntroSequence();
}

void CPuzzleScreen::RegisterStates()
{
    m_states.AddState("WaitForPuzzle", this, &CPuzzleScreen::EnterWaitForPuzzle,
                      &CPuzzleScreen::UpdateWaitForPuzzle, &CPuzzleScreen::LeaveWaitForPuzzle);
    m_states.AddState("Intro", this, &CPuzzleScreen::EnterIntro, &CPuzzleScreen::UpdateIntro,
                      &CPuzzleScreen::LeaveIntro);
    m_states.AddState("Playing", this, &CPuzzleScreen::EnterPlaying, &CPuzzleScreen::UpdatePlaying,
                      &CPuzzleScreen::LeavePlaying);
    m_states.AddState("Outro", this, &CPuzzleScreen::EnterOutro, &CPuzzleScreen::UpdateOutro);
    m_states.AddState("ShutLevel", this, &CPuzzleScreen::EnterShutLevel, &CPuzzleScreen::UpdateShutLevel);
}

void CPuzzleScreen::SetRootPanel(UILib::CWindow* rootPanel, const std::string& layoutFile)
{
    m_rootPanel = rootPanel;
    m_layoutFile = layoutFile;
}

int CPuzzleScreen::GetGameState() const
{
    const GameContext* context = GetWorld() != nullptr ? GetWorld()->GetGameContext() : nullptr;
    return context != nullptr ? context->GetState() : 0;
}

UILib::CWindow* CPuzzleScreen::FindRequiredWindow(const char* name, const std::string& file)
{
    UILib::CWindow* window = m_rootPanel->FindChildByName(name, true);
    if (window == nullptr)
    {
        BaseLib::DebugOutput("Puzzle screen: layout \"%s\" gave no window \"%s\"; that part is left out\n",
                             file.c_str(), name);
    }
    return window;
}

void CPuzzleScreen::CreateWindows()
{
    if (m_rootPanel == nullptr)
    {
        BaseLib::DebugOutput("Puzzle screen: no root panel; the screen has no windows\n");
        return;
    }
    UILib::CWindowFactory* factory = WindowFactory();
    if (factory != nullptr)
    {
        factory->LoadLayoutWindows(kCutsceneLayout, m_rootPanel, nullptr);
        const CFileTranslator* translator =
            GetUserInterface() != nullptr ? GetUserInterface()->GetFileTranslator() : nullptr;
        factory->LoadLayoutWindows(translator != nullptr ? translator->Translate(kMenuLayout) : kMenuLayout,
                                   m_rootPanel, nullptr);
    }
    m_cutsceneWindow = FindRequiredWindow("cutscenewindow", kCutsceneLayout);
    m_menu = FindRequiredWindow("ingamemenu", kMenuLayout);
    m_playingField = FindRequiredWindow("playingfield", m_layoutFile);

    const struct
    {
        const char* name;
        void (CPuzzleScreen::*onClick)(UILib::CBasicButton*);
        UILib::CButton** keep;
    } buttons[] = {
        {"menubutton", &CPuzzleScreen::OnMenuButton, nullptr},
        {"resetbutton", &CPuzzleScreen::OnResetButton, nullptr},
        {"closemenubutton", &CPuzzleScreen::OnCloseMenuButton, nullptr},
        {"quitbutton", &CPuzzleScreen::OnQuitButton, nullptr},
        {"undobutton", &CPuzzleScreen::OnUndoButton, &m_undoButton},
        {"redobutton", &CPuzzleScreen::OnRedoButton, &m_redoButton},
    };
    for (const auto& entry : buttons)
    {
        auto* button = FindControl<UILib::CButton>(m_rootPanel, entry.name, "CButton");
        if (button != nullptr)
        {
            button->SetOnClick(UILib::CButtonCallback::Bind(this, entry.onClick));
        }
        if (entry.keep != nullptr)
        {
            *entry.keep = button;
        }
    }
    m_levelNumberLabel = FindControl<UILib::CLabel>(m_rootPanel, "levelnumberlabel", "CLabel");
    m_movesLabel = FindControl<UILib::CLabel>(m_rootPanel, "moveslabel", "CLabel");
    m_timeLabel = FindControl<UILib::CLabel>(m_rootPanel, "timelabel", "CLabel");
    if (GetUserInterface() != nullptr)
    {
        GetUserInterface()->ResetTimeStep();
    }
}

void CPuzzleScreen::OnActivate()
{
    CQuarrowUIScreen::OnActivate();
    const GameLib::CUIScreenStateMachine* owner = GetOwner();
    const std::string previous = owner != nullptr ? owner->GetPreviousScreenName() : std::string();
    const std::string current = owner != nullptr ? owner->GetCurrentScreenName() : std::string();
    // From the developer menu or an editor the level that is loaded is played.
    if (!IsOneOf(previous, {"editor2d", "editor3d", "devmenu"}) && !IsOneOf(current, {"editor2d", "editor3d"}))
    {
        PostWorldCommand("StartLevel", "");
    }
    PostWorldCommand("SetUserControlEnabled", "true");
    PostWorldCommand("SetPause", "false");
    if (GetUserInterface() != nullptr)
    {
        GetUserInterface()->SetCursorVisible(true);
    }
    m_states.SetState("WaitForPuzzle");
}

void CPuzzleScreen::OnDeactivate()
{
    EndIntroSequence();
    SetCutsceneWindowVisible(false);
    // Whatever way the screen is left, nothing of it may stay on the modal stack: only the top modal
    // window takes the mouse, and the next screen would be deaf to it.
    RemoveFromModalStack(m_menu);
    if (m_rootPanel != nullptr)
    {
        m_rootPanel->SetAnimationTime("menu", 0.0f, true);
    }
    CloseSolverDialog();
    CloseRefinerDialog();
    if (m_rootPanel != nullptr)
    {
        m_rootPanel->SetVisible(false);
    }
    if (GetUserInterface() != nullptr)
    {
        GetUserInterface()->SetCursorVisible(false);
    }
    CQuarrowUIScreen::OnDeactivate();
}

void CPuzzleScreen::Update()
{
    const int state = GetGameState();
    if (state == kStateSolverRunning)
    {
        if (m_solverDialog.window == nullptr && !m_solverDialog.failed)
        {
            ShowSolverDialog();
        }
        UpdateSolverDialog();
        return;
    }
    m_solverDialog.failed = false;
    if (state == kStateRefinerRunning)
    {
        if (m_refinerDialog.window == nullptr && !m_refinerDialog.failed)
        {
            ShowRefinerDialog();
        }
        UpdateRefinerDialog();
        return;
    }
    m_refinerDialog.failed = false;
    UpdateSolverDialog();
    UpdateRefinerDialog();
    m_states.UpdateState();
    RefreshHud();
    UpdateIntroSequence();
}

void CPuzzleScreen::RefreshHud()
{
    const CQuarrowWorld* world = GetWorld();
    const CEditablePuzzle* puzzle = world != nullptr ? world->GetPuzzle() : nullptr;
    if (puzzle == nullptr)
    {
        return;
    }
    if (const GameContext* context = world->GetGameContext())
    {
        SetNumber(m_levelNumberLabel, static_cast<long long>(context->GetLevelIndex()) + 1);
    }
    SetNumber(m_movesLabel, puzzle->GetMoveCount());
    if (m_timeLabel != nullptr && world->GetLevelTimer() != nullptr)
    {
        m_timeLabel->SetText(FormatLevelTime(world->GetLevelTimer()->GetTime()).c_str());
    }
    if (m_undoButton != nullptr)
    {
        m_undoButton->SetDisabled(!puzzle->CanUndo());
    }
    if (m_redoButton != nullptr)
    {
        m_redoButton->SetDisabled(!puzzle->CanRedo());
    }
}

std::string CPuzzleScreen::FormatLevelTime(double seconds)
{
    constexpr double kLastShown = 6000.0; // 100 minutes
    int minutes = 99;
    int rest = 59;
    // The comparison in double keeps huge and non-finite times away from the integer conversion.
    if (!(seconds >= kLastShown))
    {
        const int whole = seconds > 0.0 ? static_cast<int>(seconds) : 0;
        minutes = whole / 60;
        rest = whole % 60;
    }
    char text[16];
    std::snprintf(text, sizeof(text), "%2d:%02d", minutes, rest);
    return text;
}

std::string CPuzzleScreen::FormatSearchTime(double seconds)
{
    const double t = std::isfinite(seconds) && seconds > 0.0 ? seconds : 0.0;
    const long long minutes = static_cast<long long>(t / 60.0);
    const long long rest = static_cast<long long>(t - 60.0 * static_cast<double>(minutes));
    char text[48];
    if (minutes > 0)
    {
        std::snprintf(text, sizeof(text), "%lld:%02lld min", minutes, rest);
    }
    else
    {
        std::snprintf(text, sizeof(text), "%lld s", rest);
    }
    return text;
}

// Dialogs

UILib::CWindow* CPuzzleScreen::LoadDialog(const char* file, UILib::CButton** ok)
{
    UILib::CWindowFactory* factory = WindowFactory();
    UILib::CWindow* dialog = factory != nullptr ? factory->LoadLayout(file, m_rootPanel) : nullptr;
    if (dialog != nullptr && dialog->GetParent() != m_rootPanel)
    {
        // A layout that failed half way hands back what it built, unattached: not a dialog to show.
        dialog->Delete();
        dialog = nullptr;
    }
    if (dialog == nullptr)
    {
        BaseLib::DebugOutput("Puzzle screen: layout \"%s\" gave no dialog window; no dialog is shown\n", file);
        return nullptr;
    }
    dialog->CenterInParent();
    *ok = FindControl<UILib::CButton>(dialog, "okbutton", "CButton");
    if (*ok == nullptr)
    {
        BaseLib::DebugOutput("Puzzle screen: layout \"%s\" gave no window \"okbutton\"; the dialog has no OK\n",
                             file);
    }
    if (UILib::CWindowManager* windows = WindowManager())
    {
        windows->PushModalWindow(dialog);
    }
    return dialog;
}

void CPuzzleScreen::ShowSolverDialog()
{
    if (m_rootPanel == nullptr)
    {
        return;
    }
    SolverDialog dialog;
    dialog.window = LoadDialog(kSolverLayout, &dialog.ok);
    if (dialog.window == nullptr)
    {
        m_solverDialog.failed = true;
        return;
    }
    if (dialog.ok != nullptr)
    {
        dialog.ok->SetOnClick(UILib::CButtonCallback::Bind(this, &CPuzzleScreen::OnSolverOk));
    }
    dialog.move = FindControl<UILib::CLabel>(dialog.window, "movelabel", "CLabel");
    dialog.open = FindControl<UILib::CLabel>(dialog.window, "openlabel", "CLabel");
    dialog.closed = FindControl<UILib::CLabel>(dialog.window, "closedlabel", "CLabel");
    dialog.total = FindControl<UILib::CLabel>(dialog.window, "totallabel", "CLabel");
    dialog.statesLeft = FindControl<UILib::CLabel>(dialog.window, "statesleftuntilnextmove", "CLabel");
    dialog.time = FindControl<UILib::CLabel>(dialog.window, "timelabel", "CLabel");
    dialog.result = FindControl<UILib::CLabel>(dialog.window, "resultlabel", "CLabel");
    dialog.progress = FindControl<UILib::CProgressBar>(dialog.window, "statesleftprogressbar", "CProgressBar");
    m_solverDialog = dialog;
}

void CPuzzleScreen::ShowRefinerDialog()
{
    if (m_rootPanel == nullptr)
    {
        return;
    }
    RefinerDialog dialog;
    dialog.window = LoadDialog(kRefinerLayout, &dialog.ok);
    if (dialog.window == nullptr)
    {
        m_refinerDialog.failed = true;
        return;
    }
    if (dialog.ok != nullptr)
    {
        dialog.ok->SetOnClick(UILib::CButtonCallback::Bind(this, &CPuzzleScreen::OnRefinerOk));
    }
    dialog.open = FindControl<UILib::CLabel>(dialog.window, "openlabel", "CLabel");
    dialog.closed = FindControl<UILib::CLabel>(dialog.window, "closedlabel", "CLabel");
    dialog.original = FindControl<UILib::CLabel>(dialog.window, "originallabel", "CLabel");
    dialog.highest = FindControl<UILib::CLabel>(dialog.window, "highestlabel", "CLabel");
    dialog.result = FindControl<UILib::CLabel>(dialog.window, "resultlabel", "CLabel");
    m_refinerDialog = dialog;
}

void CPuzzleScreen::UpdateSolverDialog()
{
    PuzzleSolver* solver = GetWorld() != nullptr ? GetWorld()->GetSolver() : nullptr;
    const SolverDialog& dialog = m_solverDialog;
    if (dialog.window == nullptr || solver == nullptr)
    {
        return;
    }
    // The worker changes its counters meanwhile: each is read once, so the texts and the bar agree.
    const int statesInMove = solver->GetStatesInCurrentMove();
    const int statesLeft = solver->GetStatesLeftUntilNextMove();
    SetNumber(dialog.move, solver->GetCurrentMove());
    SetNumber(dialog.open, solver->GetOpenCount());
    SetNumber(dialog.closed, solver->GetClosedCount());
    SetNumber(dialog.total, solver->GetTotalConstructed());
    SetNumber(dialog.statesLeft, statesLeft);
    if (dialog.progress != nullptr)
    {
        // The bar clamps a progress to the range it holds: the range comes first.
        dialog.progress->SetRange(static_cast<float>(statesInMove));
        dialog.progress->SetProgress(static_cast<float>(statesInMove - statesLeft));
    }
    SetLabel(dialog.time, FormatSearchTime(solver->GetElapsedSeconds()).c_str());
    const int status = solver->GetStatus();
    if (status != PuzzleSolver::StatusNotRun && status != PuzzleSolver::StatusRunning)
    {
        const char* result = status == PuzzleSolver::StatusNoSolution ? "Failed; no solution exists for this puzzle."
                             : status == PuzzleSolver::StatusTimeout
                                 ? "Failed; Timeout! (Puzzle may be too difficult for solver)"
                                 : "Succeeded!";
        SetLabel(dialog.result, result);
        if (dialog.ok != nullptr)
        {
            dialog.ok->SetText("OK");
        }
    }
}

void CPuzzleScreen::UpdateRefinerDialog()
{
    const PuzzleRefiner* refiner = GetWorld() != nullptr ? GetWorld()->GetRefiner() : nullptr;
    const RefinerDialog& dialog = m_refinerDialog;
    if (dialog.window == nullptr || refiner == nullptr)
    {
        return;
    }
    SetNumber(dialog.open, refiner->GetOpenCount());
    SetNumber(dialog.closed, refiner->GetClosedCount());
    SetNumber(dialog.original, refiner->GetOriginalMoves());
    SetNumber(dialog.highest, refiner->GetHighestMoves());
    const int status = refiner->GetStatus();
    if (status != PuzzleRefiner::StatusIdle && status != PuzzleRefiner::StatusRunning)
    {
        SetLabel(dialog.result, status == PuzzleRefiner::StatusNotImproved ? "Finished; no improvement was made."
                                                                           : "Finished and Improved!");
        if (dialog.ok != nullptr)
        {
            dialog.ok->SetText("OK");
        }
    }
}

void CPuzzleScreen::CloseSolverDialog()
{
    RemoveFromModalStack(m_solverDialog.window);
    if (m_solverDialog.window != nullptr)
    {
        m_solverDialog.window->Destroy();
    }
    m_solverDialog = SolverDialog{};
}

void CPuzzleScreen::CloseRefinerDialog()
{
    RemoveFromModalStack(m_refinerDialog.window);
    if (m_refinerDialog.window != nullptr)
    {
        m_refinerDialog.window->Destroy();
    }
    m_refinerDialog = RefinerDialog{};
}

void CPuzzleScreen::OnSolverOk(UILib::CBasicButton*)
{
    PostWorldCommand("StopSolver", "");
    CloseSolverDialog();
}

void CPuzzleScreen::OnRefinerOk(UILib::CBasicButton*)
{
    PostWorldCommand("StopRefiner", "");
    CloseRefinerDialog();
}

// Menu and buttons

void CPuzzleScreen::OpenMenu()
{
    if (m_rootPanel != nullptr)
    {
        m_rootPanel->PlayAnimation("menu", true, 1.0f, false);
    }
    UILib::CWindowManager* windows = WindowManager();
    if (windows != nullptr && m_menu != nullptr)
    {
        windows->PushModalWindow(m_menu);
    }
}

void CPuzzleScreen::CloseMenu(bool animate)
{
    if (m_rootPanel != nullptr)
    {
        if (animate)
        {
            m_rootPanel->PlayAnimation("menu_out", true, 1.0f, false);
        }
        else
        {
            m_rootPanel->SetAnimationTime("menu", 0.0f, true);
        }
    }
    UILib::CWindowManager* windows = WindowManager();
    if (windows != nullptr && m_menu != nullptr && windows->GetTopModalWindow() == m_menu)
    {
        windows->RemoveModalWindow(m_menu);
    }
}

void CPuzzleScreen::OnMenuButton(UILib::CBasicButton*)
{
    PlayMenuSound(false);
    OpenMenu();
}

void CPuzzleScreen::OnCloseMenuButton(UILib::CBasicButton*)
{
    PlayMenuSound(false);
    CloseMenu(true);
}

void CPuzzleScreen::OnResetButton(UILib::CBasicButton*)
{
    PlayMenuSound(false);
    CloseMenu(true);
    if (CQuarrowInputChannel* channel = GetWorld() != nullptr ? GetWorld()->GetGameInputChannel() : nullptr)
    {
        channel->PushRestart();
    }
}

void CPuzzleScreen::OnQuitButton(UILib::CBasicButton*)
{
    PlayMenuSound(false);
    CloseMenu(true);
    m_pendingScreen = QuitScreenName();
    m_states.SetState("Outro");
    if (m_rootPanel != nullptr)
    {
        m_rootPanel->SetDisabled(true);
    }
}

void CPuzzleScreen::OnUndoButton(UILib::CBasicButton*)
{
    PlayMenuSound(false);
    if (CQuarrowInputChannel* channel = GetWorld() != nullptr ? GetWorld()->GetGameInputChannel() : nullptr)
    {
        channel->PushUndo();
    }
}

void CPuzzleScreen::OnRedoButton(UILib::CBasicButton*)
{
    PlayMenuSound(false);
    if (CQuarrowInputChannel* channel = GetWorld() != nullptr ? GetWorld()->GetGameInputChannel() : nullptr)
    {
        channel->PushRedo();
    }
}

std::string CPuzzleScreen::QuitScreenName() const
{
    const SaveGameManager* saves = GetUserInterface() != nullptr ? GetUserInterface()->GetSaveGameManager() : nullptr;
    return saves != nullptr && saves->GetPlayMode() == kMapPlayMode ? "map" : "levelselection";
}

void CPuzzleScreen::PostWorldCommand(const char* name, const char* argument)
{
    GameLib::CCommandQueue* queue = GetWorld() != nullptr ? GetWorld()->GetCommandQueue() : nullptr;
    if (queue != nullptr)
    {
        queue->PostCommand(name, argument);
    }
}

// States

void CPuzzleScreen::EnterWaitForPuzzle()
{
}

void CPuzzleScreen::UpdateWaitForPuzzle()
{
    if (m_rootPanel == nullptr)
    {
        CreateWindows();
    }
    CloseMenu(false);
    if (m_rootPanel != nullptr)
    {
        m_rootPanel->SetVisible(true);
    }
    const GameLib::CCommandQueue* queue = GetWorld() != nullptr ? GetWorld()->GetCommandQueue() : nullptr;
    if (queue == nullptr || queue->IsEmpty())
    {
        if (GetUserInterface() != nullptr)
        {
            GetUserInterface()->ResetTimeStep();
        }
        m_states.SetState("Intro");
    }
}

void CPuzzleScreen::LeaveWaitForPuzzle()
{
}

void CPuzzleScreen::StartIntroSequence()
{
    EndIntroSequence();
    if (m_cutsceneWindow != nullptr)
    {
        m_cutsceneWindow->SetVisible(false);
    }
    CQuarrowWorld* world = GetWorld();
    const std::string name = world != nullptr ? world->GetEnvironment().sequenceName : std::string();
    if (name.empty())
    {
        m_cutsceneShown = false;
        return;
    }
    if (m_cutsceneWindow != nullptr)
    {
        m_sequenceDialog = std::make_unique<CSequenceDialog>(m_cutsceneWindow);
    }
    m_sequencePlayer = std::make_unique<CQuarrowSequencePlayer>();
    m_sequencePlayer->SetPuzzle(world->GetPuzzle());
    m_sequencePlayer->SetInputChannel(world->GetGameInputChannel());
    m_sequencePlayer->SetSequenceDialog(m_sequenceDialog.get());
    m_sequencePlayer->SetSaveGames(GetUserInterface() != nullptr ? GetUserInterface()->GetSaveGameManager()
                                                                 : nullptr);
    m_sequencePlayer->SetCanvas(m_rootPanel != nullptr ? m_rootPanel->FindChildByName("cutscenecanvas", true)
                                                       : nullptr);
    m_sequencePlayer->SetUserInterface(GetUserInterface());
    m_sequencePlayer->SetCallbacks(this, &CPuzzleScreen::ShowCutsceneCallback,
                                   &CPuzzleScreen::CutsceneShownCallback);
    m_sequencePlayer->RegisterCommands();
    m_sequencePlayer->Load("sequence>" + name);
    m_sequencePlayer->Start();
    m_cutsceneShown = false;
    m_controlsGivenBack = false;
}

void CPuzzleScreen::UpdateIntroSequence()
{
    CQuarrowWorld* world = GetWorld();
    CEditablePuzzle* puzzle = world != nullptr ? world->GetPuzzle() : nullptr;
    if (m_sequencePlayer == nullptr || puzzle == nullptr)
    {
        return;
    }
    if (m_sequencePlayer->GetPuzzle() != puzzle)
    {
        m_sequencePlayer->SetPuzzle(puzzle);
    }
    m_sequencePlayer->Update(GetUserInterface() != nullptr ? GetUserInterface()->GetTimeStep() : 0.0);
    if (m_sequencePlayer->IsFinished() && !m_controlsGivenBack && GetStateName() == "Playing")
    {
        PostWorldCommand("SetUserControlEnabled", "true");
        m_controlsGivenBack = true;
    }
}

void CPuzzleScreen::EndIntroSequence()
{
    if (m_sequencePlayer != nullptr)
    {
        // The puzzle it was given may be gone with the level; ending the sequence must not touch it.
        m_sequencePlayer->SetPuzzle(GetWorld() != nullptr ? GetWorld()->GetPuzzle() : nullptr);
        m_sequencePlayer->Shutdown();
        m_sequencePlayer.reset();
    }
    m_sequenceDialog.reset();
}

bool CPuzzleScreen::IsIntroSequenceEnded() const
{
    return m_sequencePlayer == nullptr || m_sequencePlayer->IsFinished() ||
           m_sequencePlayer->GetVariable("ended") == "true";
}

void CPuzzleScreen::SetSequenceVariable(const char* key, const char* value)
{
    if (m_sequencePlayer != nullptr)
    {
        m_sequencePlayer->SetVariable(key, value);
    }
}

void CPuzzleScreen::SetCutsceneWindowVisible(bool visible)
{
    if (visible != m_cutsceneShown && m_cutsceneWindow != nullptr)
    {
        m_cutsceneWindow->SetVisible(visible);
    }
    m_cutsceneShown = visible;
}

void CPuzzleScreen::ShowCutsceneCallback(void* screen, bool visible)
{
    static_cast<CPuzzleScreen*>(screen)->SetCutsceneWindowVisible(visible);
}

bool CPuzzleScreen::CutsceneShownCallback(void* screen)
{
    return static_cast<const CPuzzleScreen*>(screen)->IsCutsceneWindowVisible();
}

void CPuzzleScreen::EnterIntro()
{
    FadeTo(1.0f, kFadeSeconds);
    StartIntroSequence();
    if (m_cutsceneWindow != nullptr)
    {
        m_cutsceneWindow->SetNotHitable(true);
    }
    SetSequenceVariable("introplaying", "true");
}

void CPuzzleScreen::UpdateIntro()
{
    if (!IsFading())
    {
        m_states.SetState("Playing");
    }
}

void CPuzzleScreen::LeaveIntro()
{
    if (m_cutsceneWindow != nullptr)
    {
        m_cutsceneWindow->SetNotHitable(false);
    }
    SetSequenceVariable("introplaying", "false");
}

void CPuzzleScreen::EnterPlaying()
{
    if (m_rootPanel != nullptr)
    {
        m_rootPanel->SetDisabled(false);
    }
}

void CPuzzleScreen::UpdatePlaying()
{
    CQuarrowUI* ui = GetUserInterface();
    GameLib::CInputManager* input = ui != nullptr ? ui->GetInputManager() : nullptr;
    if (input != nullptr)
    {
        if (input->ConsumeActionEvent("quit", "gui"))
        {
            m_pendingScreen = QuitScreenName();
            m_states.SetState("Outro");
            return;
        }
        const GameLib::CGameLibApplication* application = ui->GetApplication();
        if (application != nullptr && application->IsDeveloperMode() && input->ConsumeActionEvent("editor", "gui"))
        {
            const BaseLib::CConfigFile* config = application->GetConfiguration();
            const bool renderer3d = config != nullptr && config->GetString("startup/renderer") == "3d";
            if (GetOwner() != nullptr)
            {
                GetOwner()->SwitchTo(renderer3d ? "editor3d" : "editor2d");
            }
            return;
        }
        const struct
        {
            const char* action;
            const char* command;
        } developerActions[] = {
            {"solve", "Solve"}, {"skiplevel", "SetSolved"}, {"cheat", "SetSolved"},
            {"reload", "Reload"}, {"refine", "Refine"},
        };
        for (const auto& entry : developerActions)
        {
            if (input->ConsumeActionEvent(entry.action, "game"))
            {
                PostWorldCommand(entry.command, "");
                if (std::string(entry.command) == "SetSolved")
                {
                    SetSequenceVariable("ended", "true");
                }
                return;
            }
        }
    }
    if (GetGameState() == kStateLevelSolved && IsIntroSequenceEnded())
    {
        m_pendingScreen = "gameresult";
        m_states.SetState("Outro");
    }
}

void CPuzzleScreen::LeavePlaying()
{
    if (m_rootPanel != nullptr)
    {
        m_rootPanel->SetDisabled(true);
    }
}

void CPuzzleScreen::EnterOutro()
{
    PostWorldCommand("SetUserControlEnabled", "false");
    PostWorldCommand("SetPause", "true");
    FadeTo(0.0f, kFadeSeconds);
}

void CPuzzleScreen::UpdateOutro()
{
    if (!IsFading())
    {
        m_states.SetState("ShutLevel");
    }
}

void CPuzzleScreen::EnterShutLevel()
{
    const std::string requested = GetOwner() != nullptr ? GetOwner()->GetNextScreenName() : std::string();
    if (!IsOneOf(requested, {"editor2d", "editor3d", "ingame2d", "ingame3d"}))
    {
        PostWorldCommand("ShutLevel", "");
    }
}

void CPuzzleScreen::UpdateShutLevel()
{
    const GameLib::CCommandQueue* queue = GetWorld() != nullptr ? GetWorld()->GetCommandQueue() : nullptr;
    if (queue == nullptr || queue->IsEmpty())
    {
        if (GetOwner() != nullptr)
        {
            GetOwner()->SwitchTo(m_pendingScreen);
        }
        m_pendingScreen.clear();
    }
}
