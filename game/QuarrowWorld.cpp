#include "game/QuarrowWorld.h"

#include "engine/EngineController.h"
#include "foundation/Debug.h"
#include "foundation/PathAliases.h"
#include "foundation/Paths.h"
#include "foundation/Timer.h"
#include "foundation/Helpers.h"
#include "framework/CommandQueue.h"
#include "engine/Camera.h"
#include "framework/GameEntityNode.h"
#include "framework/LightSourceNode.h"
#include "framework/ModelNode.h"
#include "framework/SceneManager.h"
#include "framework/SimulationClock.h"
#include "game/BatchArguments.h"
#include "game/GameContext.h"
#include "game/LevelList.h"
#include "game/QuarrowInputChannel.h"
#include "game/PuzzleResourceDefaults.h"
#include "game/WorkerThread.h"
#include "game/map/EditableMap.h"
#include "game/puzzle/ArrowMarkerEntityNode.h"
#include "game/puzzle/PuzzleEntityNode.h"
#include "platform/os/Files.h"
#include "platform/os/Handle.h"
#include "platform/os/Thread.h"
#include "puzzle/EditablePuzzle.h"
#include "puzzle/PuzzleRefiner.h"
#include "puzzle/PuzzleSolver.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <typeinfo>
#include <utility>

// One name of the world's vocabulary: whether a pass takes every pending command of it or only one, and
// its handler.
struct CQuarrowWorld::CommandHandler
{
    const char* name;
    bool takesAll;
    void (CQuarrowWorld::*handle)(const GameLib::TCommand& command);
};

// In the order a pass takes them.
const CQuarrowWorld::CommandHandler CQuarrowWorld::kCommandHandlers[] = {
    {"SetPause", true, &CQuarrowWorld::OnSetPause},
    {"SetEditorMode", true, &CQuarrowWorld::OnSetEditorMode},
    {"SetSimTimeFactor", true, &CQuarrowWorld::OnSetSimTimeFactor},
    {"SetUserControlEnabled", true, &CQuarrowWorld::OnSetUserControlEnabled},
    {"StartGame", false, &CQuarrowWorld::OnStartGame},
    {"ShutGame", false, &CQuarrowWorld::OnShutGame},
    {"SwitchToLevel", false, &CQuarrowWorld::OnSwitchToLevel},
    {"ShutMap", false, &CQuarrowWorld::OnShutMap},
    {"SetMap", false, &CQuarrowWorld::OnSetMap},
    {"StartMap", false, &CQuarrowWorld::OnStartMap},
    {"StartLevel", false, &CQuarrowWorld::OnStartLevel},
    {"ShutLevel", false, &CQuarrowWorld::OnShutLevel},
    {"SetSolved", false, &CQuarrowWorld::OnSetSolved},
    {"Solve", true, &CQuarrowWorld::OnSolve},
    {"StopSolver", true, &CQuarrowWorld::OnStopSolver},
    {"Refine", true, &CQuarrowWorld::OnRefine},
    {"StopRefiner", true, &CQuarrowWorld::OnStopRefiner},
    {"StartBatchProcessing", true, &CQuarrowWorld::OnStartBatchProcessing},
    {"SetStressTestMode", true, &CQuarrowWorld::OnSetStressTestMode},
};

namespace
{

// The puzzle screen's developer action: the level started afresh.
constexpr const char* kReload = "Reload";

bool IsTrue(const std::string& argument)
{
    return argument == "true";
}

// The thread of the record has not ended yet.
bool IsStillRunning(const BaseLib::CThread& thread)
{
    std::uint32_t code = 0;
    return thread.GetHandle() != nullptr && Platform::GetThreadExitCode(thread.GetHandle(), code) &&
           code == Platform::ThreadStillActive;
}

// Stops the search when its thread still runs and waits for its end; closes the record and deletes the
// search. The puzzle (when given) gets its time freeze back: the main thread owns it again.
template <class Search>
void EndWorker(BaseLib::CThread& thread, Search*& search, CEditablePuzzle* puzzle, bool timeFrozen)
{
    if (IsStillRunning(thread) && search != nullptr)
    {
        search->Stop();
        Platform::WaitFor(thread.GetHandle(), Platform::WaitForever);
    }
    thread.Close();
    if (search != nullptr)
    {
        delete std::exchange(search, nullptr);
        if (puzzle != nullptr)
        {
            puzzle->SetTimeFrozen(timeFrozen);
        }
    }
}

} // namespace

BatchProcessorCreator CQuarrowWorld::s_batchProcessorCreator = nullptr;
StressTesterCreator CQuarrowWorld::s_stressTesterCreator = nullptr;

CQuarrowWorld::CQuarrowWorld(Qen::CEngineController* owner) : CWorld(owner)
{
}

void CQuarrowWorld::SetToolCreators(BatchProcessorCreator batchProcessorCreator,
                                    StressTesterCreator stressTesterCreator)
{
    s_batchProcessorCreator = batchProcessorCreator;
    s_stressTesterCreator = stressTesterCreator;
}

CQuarrowWorld::~CQuarrowWorld()
{
    EndWorkers();
    delete m_map;
    delete m_stressTester;
    delete m_batchProcessor;
}

const BaseLib::CPathAliases& CQuarrowWorld::Aliases() const
{
    static const BaseLib::CPathAliases none;
    return GetOwner() != nullptr ? GetOwner()->GetPathAliases() : none;
}

void CQuarrowWorld::Initialize()
{
    CWorld::Initialize();
    m_context = new GameContext(Aliases());
    m_levelTimer = new BaseLib::CTimer();
    ListGfxSets();
}

void CQuarrowWorld::Shutdown()
{
    // A worker would go on with a puzzle that is about to be deleted.
    EndWorkers();
    // A level left open by a state change ("StartGame" or "ShutGame" while it runs, or a worker's state)
    // is shut as well, so its puzzle is never left behind.
    if (m_puzzle != nullptr)
    {
        ShutLevel();
    }
    // Likewise a map, whatever the state: its figure's place goes into the record before the context goes.
    if (m_map != nullptr)
    {
        ShutMap();
    }
    delete std::exchange(m_levelTimer, nullptr);
    delete std::exchange(m_context, nullptr);
    delete std::exchange(m_stressTester, nullptr);
    delete std::exchange(m_batchProcessor, nullptr);
    CWorld::Shutdown();
}

void CQuarrowWorld::ListGfxSets()
{
    m_gfxSets.clear();
    std::vector<std::string> entries;
    BaseLib::ListFiles(Aliases().ResolvePath("model>*.*"), entries);
    for (const std::string& entry : entries)
    {
        const std::string name = BaseLib::GetFileName(entry);
        if (!name.empty() && name[0] != '.' && Platform::IsFolder(entry))
        {
            m_gfxSets.push_back(name);
        }
    }
}

GameLib::CInputChannel* CQuarrowWorld::CreateInputChannel()
{
    return new CQuarrowInputChannel();
}

void CQuarrowWorld::DestroyInputChannel(GameLib::CInputChannel* channel)
{
    delete channel;
}

CQuarrowInputChannel* CQuarrowWorld::GetGameInputChannel() const
{
    // Every channel this world makes is the game's.
    return static_cast<CQuarrowInputChannel*>(GetInputChannel());
}

void CQuarrowWorld::Step(double stepLength)
{
    if (m_context == nullptr)
    {
        return;
    }
    const std::int32_t state = m_context->GetState();
    if (state == GameContext::LevelRunning && m_puzzle != nullptr)
    {
        StepLevel(stepLength);
    }
    else if (state >= GameContext::MapRunning && state <= GameContext::SequencePending && m_map != nullptr &&
             !m_editorMode)
    {
        StepMap(stepLength);
    }
}

void CQuarrowWorld::StepMap(double stepLength)
{
    m_map->SetActive(m_context->GetState() == GameContext::SequencePending);
    if (GameLib::CInputChannel* channel = GetInputChannel())
    {
        channel->OnStep();
    }
    ProcessMapCommands();
    m_map->Update(stepLength);
    std::string sequence;
    if (m_map->TakePendingSequence(sequence))
    {
        m_context->SetState(GameContext::SequencePending);
        m_context->SetLevelName(sequence);
    }
    else if (m_map->GetChangeNumber() != m_mapChangeSeen)
    {
        m_map->SaveProgress(m_context->GetProgress());
        m_mapChangeSeen = m_map->GetChangeNumber();
    }
}

void CQuarrowWorld::StepLevel(double stepLength)
{
    if (m_stressTester != nullptr)
    {
        m_stressTester->Update(stepLength);
    }
    if (m_batchProcessor != nullptr)
    {
        m_batchProcessor->Update(stepLength);
    }
    // A tool may have replaced or deleted the level.
    if (m_puzzle == nullptr)
    {
        return;
    }
    if (GameLib::CInputChannel* channel = GetInputChannel())
    {
        channel->OnStep();
    }
    ProcessGameCommands();
    RebuildChangedScene();
    m_levelTimer->Advance(static_cast<float>(stepLength));
    m_puzzle->Update(stepLength);
    UpdateEntities(static_cast<float>(stepLength));
    if (m_puzzle->IsSolved() && !m_editorMode)
    {
        m_context->SetState(GameContext::LevelSolved);
    }
}

void CQuarrowWorld::RebuildChangedScene()
{
    const auto change = static_cast<std::int32_t>(m_puzzle->GetChangeNumber());
    if (change == m_puzzleChangeSeen)
    {
        return;
    }
    // The block nodes read their blocks in this very step: they must not outlive a deleted block.
    if (m_puzzleNode != nullptr)
    {
        m_puzzleNode->Rebuild();
    }
    if (m_editorMode && m_environmentNode != nullptr)
    {
        m_environmentNode->SetModel("model>" + m_puzzle->GetGfxSetName() + "/environment.x", nullptr);
    }
    m_puzzleChangeSeen = change;
}

void CQuarrowWorld::UpdateEntities(float dt)
{
    GameLib::CSceneManager* scene = GetSceneManager();
    if (scene == nullptr)
    {
        return;
    }
    // The list keeps its room from step to step, so a step allocates nothing for it.
    m_entityNodes.clear();
    scene->GetNodesOfType(typeid(GameLib::CGameEntityNode), m_entityNodes);
    for (GameLib::CSceneGraphNode* node : m_entityNodes)
    {
        static_cast<GameLib::CGameEntityNode*>(node)->Update(dt);
    }
}

void CQuarrowWorld::ProcessGameCommands()
{
    CQuarrowInputChannel* channel = GetGameInputChannel();
    if (channel == nullptr)
    {
        return;
    }
    for (; channel->HasCommands(); channel->Pop())
    {
        const GameCommand& command = channel->Front();
        if (m_puzzle == nullptr)
        {
            continue;
        }
        switch (command.kind)
        {
        case GameCommandKind::GrabBlock:
            m_puzzle->SelectBlock(command.param);
            break;
        case GameCommandKind::MoveBlock:
            m_puzzle->DragBlock(command.param, command.x, command.y);
            break;
        case GameCommandKind::ReleaseBlock:
            m_puzzle->ReleaseBlock(command.param);
            break;
        case GameCommandKind::RestartPuzzle:
            m_puzzle->Restart(false);
            break;
        case GameCommandKind::UndoMove:
            m_puzzle->Undo();
            break;
        case GameCommandKind::RedoMove:
            m_puzzle->Redo();
            break;
        case GameCommandKind::ShowDirectionArrow:
            ShowArrowMarker(0, command.x, command.y, command.param);
            break;
        case GameCommandKind::HideDirectionArrow:
            HideArrowMarker(0);
            break;
        case GameCommandKind::ShowPointer:
            ShowArrowMarker(1, command.x, command.y, -1);
            break;
        case GameCommandKind::HidePointer:
            HideArrowMarker(1);
            break;
        default:
            // The map's commands belong to a running map.
            break;
        }
    }
}

void CQuarrowWorld::ProcessCommands()
{
    GameLib::CCommandQueue* queue = GetCommandQueue();
    if (queue == nullptr)
    {
        return;
    }
    while (!queue->IsEmpty())
    {
        for (const CommandHandler& handler : kCommandHandlers)
        {
            GameLib::TCommand command;
            while (queue->TakeCommand(handler.name, &command))
            {
                (this->*handler.handle)(command);
                if (!handler.takesAll)
                {
                    break;
                }
            }
        }
        bool reload = false;
        while (queue->TakeCommand(kReload, nullptr))
        {
            reload = true;
        }
        if (reload)
        {
            ReloadLevel();
        }
        // Names nobody handles would keep the queue from ever emptying.
        const auto unknown = [](const std::string& name) {
            return name != kReload && std::none_of(std::begin(kCommandHandlers), std::end(kCommandHandlers),
                                                   [&name](const CommandHandler& h) { return name == h.name; });
        };
        for (const GameLib::TCommand& command : queue->TakeCommandsWhere(unknown))
        {
            BaseLib::DebugOutput("World: no handler for the command \"%s\" (\"%s\"); dropped\n", command.name.c_str(),
                                 command.argument.c_str());
        }
    }
}

void CQuarrowWorld::OnSetPause(const GameLib::TCommand& command)
{
    if (GameLib::CSimulationClock* clock = GetSimulationClock())
    {
        clock->SetPaused(IsTrue(command.argument));
    }
}

void CQuarrowWorld::OnSetEditorMode(const GameLib::TCommand& command)
{
    m_editorMode = IsTrue(command.argument);
}

void CQuarrowWorld::OnSetSimTimeFactor(const GameLib::TCommand& command)
{
    GameLib::CSimulationClock* clock = GetSimulationClock();
    if (clock == nullptr)
    {
        return;
    }
    // A negative factor or one that is not a number would stop the clock's steps for good; an infinite
    // one would never end a frame's steps.
    const double factor = std::atof(command.argument.c_str());
    if (!std::isfinite(factor) || factor < 0.0)
    {
        BaseLib::DebugOutput("World: SetSimTimeFactor \"%s\" is not a finite number of 0 or more; the time "
                             "factor stays %g\n",
                             command.argument.c_str(), clock->GetTimeFactor());
        return;
    }
    clock->SetTimeFactor(factor);
}

void CQuarrowWorld::OnSetUserControlEnabled(const GameLib::TCommand& command)
{
    if (GameLib::CInputChannel* channel = GetInputChannel())
    {
        channel->SetUserControlEnabled(IsTrue(command.argument));
    }
}

void CQuarrowWorld::OnStartGame(const GameLib::TCommand&)
{
    m_context->SetState(GameContext::GameOpen);
    m_context->ResetLevelCounts();
}

void CQuarrowWorld::OnShutGame(const GameLib::TCommand&)
{
    m_context->SetState(GameContext::NoGame);
}

void CQuarrowWorld::OnSwitchToLevel(const GameLib::TCommand& command)
{
    m_context->SetLevelIndex(BaseLib::ParseDecimalInt(command.argument.c_str()));
}

void CQuarrowWorld::OnShutMap(const GameLib::TCommand&)
{
    ShutMap();
}

void CQuarrowWorld::OnSetMap(const GameLib::TCommand& command)
{
    m_context->SetMap(BaseLib::ParseDecimalInt(command.argument.c_str()));
}

void CQuarrowWorld::OnStartMap(const GameLib::TCommand&)
{
    const std::int32_t index = m_context->GetMapIndex();
    const std::string file = GetMapFileName(index);
    if (file.empty())
    {
        BaseLib::DebugOutput("World: \"StartMap\" refused: map %d has no file (\"SetMap\" first)\n", index);
        return;
    }
    StartMap(file, index);
}

void CQuarrowWorld::OnStartLevel(const GameLib::TCommand& command)
{
    LoadLevel(command.argument.empty() ? m_context->GetCurrentLevelFile() : command.argument);
}

void CQuarrowWorld::OnShutLevel(const GameLib::TCommand&)
{
    ShutLevel();
}

void CQuarrowWorld::OnSetSolved(const GameLib::TCommand&)
{
    const std::int32_t state = m_context->GetState();
    if (state == GameContext::SolverRunning || state == GameContext::RefinerRunning || IsSolverRunning() ||
        IsRefinerRunning())
    {
        BaseLib::DebugOutput("World: SetSolved ignored while a worker has the puzzle (state %d)\n", state);
        return;
    }
    if (m_puzzle != nullptr)
    {
        m_puzzle->SetMoveCount(10000);
        m_puzzle->SetSolved();
    }
}

void CQuarrowWorld::OnSolve(const GameLib::TCommand&)
{
    StartSolverThread();
}

void CQuarrowWorld::OnStopSolver(const GameLib::TCommand&)
{
    StopSolver();
}

void CQuarrowWorld::OnRefine(const GameLib::TCommand&)
{
    StartRefinerThread();
}

void CQuarrowWorld::OnStopRefiner(const GameLib::TCommand&)
{
    StopRefiner();
}

bool CQuarrowWorld::IsSolverRunning() const
{
    return IsStillRunning(m_solverThread);
}

bool CQuarrowWorld::IsRefinerRunning() const
{
    return IsStillRunning(m_refinerThread);
}

void CQuarrowWorld::StartSolverThread()
{
    if (m_puzzle == nullptr)
    {
        return;
    }
    // Two searches on one puzzle would corrupt it.
    if (IsSolverRunning() || IsRefinerRunning())
    {
        BaseLib::DebugOutput("World: Solve ignored, a worker is still running\n");
        return;
    }
    m_solverThread.Close();
    m_context->SetState(GameContext::SolverRunning);
    GetInputChannel()->SetUserControlEnabled(false);
    if (m_editorMode)
    {
        m_puzzle->ResetHistory();
    }
    // Frozen time moves no block and reports no exit reached: the search would find nothing.
    m_solverTimeFrozen = m_puzzle->IsTimeFrozen();
    m_puzzle->SetTimeFrozen(false);
    delete m_solver;
    m_solver = new PuzzleSolver();
    m_solver->SetPuzzle(m_puzzle);
    if (m_searchMemoryBudget != 0)
    {
        m_solver->SetMemoryBudget(m_searchMemoryBudget);
    }
    m_solverThread = CreateWorkerThread(this, &CQuarrowWorld::SolverThreadMain, 0, false);
    if (m_solverThread.GetHandle() == nullptr)
    {
        BaseLib::DebugOutput("World: the solver's thread could not be started\n");
        EndWorker(m_solverThread, m_solver, m_puzzle, m_solverTimeFrozen);
        GetInputChannel()->SetUserControlEnabled(true);
        m_context->SetState(GameContext::LevelRunning);
    }
}

void CQuarrowWorld::StartRefinerThread()
{
    if (m_puzzle == nullptr)
    {
        return;
    }
    if (IsSolverRunning() || IsRefinerRunning())
    {
        BaseLib::DebugOutput("World: Refine ignored, a worker is still running\n");
        return;
    }
    m_refinerThread.Close();
    m_context->SetState(GameContext::RefinerRunning);
    GetInputChannel()->SetUserControlEnabled(false);
    if (m_editorMode)
    {
        m_puzzle->ResetHistory();
    }
    m_refinerTimeFrozen = m_puzzle->IsTimeFrozen();
    m_puzzle->SetTimeFrozen(false);
    delete m_refiner;
    m_refiner = new PuzzleRefiner();
    m_refiner->SetPuzzle(m_puzzle);
    if (m_searchMemoryBudget != 0)
    {
        m_refiner->SetMemoryBudget(m_searchMemoryBudget);
    }
    m_refinerThread = CreateWorkerThread(this, &CQuarrowWorld::RefinerThreadMain, 0, false);
    if (m_refinerThread.GetHandle() == nullptr)
    {
        BaseLib::DebugOutput("World: the refiner's thread could not be started\n");
        EndWorker(m_refinerThread, m_refiner, m_puzzle, m_refinerTimeFrozen);
        GetInputChannel()->SetUserControlEnabled(true);
        m_context->SetState(GameContext::LevelRunning);
    }
}

std::uint32_t CQuarrowWorld::SolverThreadMain(std::uint32_t)
{
    if (m_solver->Solve() != PuzzleSolver::StatusSolved)
    {
        m_puzzle->Restart(false);
    }
    GetInputChannel()->SetUserControlEnabled(true);
    return 0;
}

std::uint32_t CQuarrowWorld::RefinerThreadMain(std::uint32_t)
{
    m_refiner->Refine();
    GetInputChannel()->SetUserControlEnabled(true);
    return 0;
}

void CQuarrowWorld::StopSolver()
{
    EndWorker(m_solverThread, m_solver, m_puzzle, m_solverTimeFrozen);
    ResumeLevelAfterWorker("StopSolver", IsRefinerRunning());
}

void CQuarrowWorld::StopRefiner()
{
    EndWorker(m_refinerThread, m_refiner, m_puzzle, m_refinerTimeFrozen);
    ResumeLevelAfterWorker("StopRefiner", IsSolverRunning());
}

void CQuarrowWorld::ResumeLevelAfterWorker(const char* command, bool otherWorkerRuns)
{
    if (m_context == nullptr)
    {
        return;
    }
    // State 2 promises a puzzle the step may play; the other worker may still own it.
    if (m_puzzle == nullptr || otherWorkerRuns)
    {
        BaseLib::DebugOutput("World: %s leaves the game state at %d (%s)\n", command, m_context->GetState(),
                             m_puzzle == nullptr ? "no level" : "the other worker runs");
        return;
    }
    m_context->SetState(GameContext::LevelRunning);
}

void CQuarrowWorld::EndWorkers()
{
    EndWorker(m_solverThread, m_solver, m_puzzle, m_solverTimeFrozen);
    EndWorker(m_refinerThread, m_refiner, m_puzzle, m_refinerTimeFrozen);
}

void CQuarrowWorld::OnStartBatchProcessing(const GameLib::TCommand& command)
{
    StartBatchProcessing(command.argument);
}

void CQuarrowWorld::StartBatchProcessing(const std::string& argument)
{
    if (m_context == nullptr)
    {
        return;
    }
    if (m_batchProcessor == nullptr && s_batchProcessorCreator == nullptr)
    {
        BaseLib::DebugOutput("World: no batch processor in this program; \"StartBatchProcessing\" dropped\n");
        return;
    }
    m_context->SetState(GameContext::GameOpen);
    m_editorMode = true;
    // LoadLevel stops a running worker before it deletes the puzzle.
    LoadLevel("");
    const BatchArguments values = ParseBatchArguments(argument);
    if (m_batchProcessor == nullptr)
    {
        m_batchProcessor = s_batchProcessorCreator(this);
    }
    // A value the argument does not give keeps what the processor had.
    auto flag = [&values](int i, auto&& set) {
        if (values.switches[i])
        {
            set(*values.switches[i] != 0);
        }
    };
    BatchProcessorInterface& processor = *m_batchProcessor;
    flag(0, [&](bool on) { processor.SetCalcSolveMoves(on); });
    flag(1, [&](bool on) { processor.SetRefine(on); });
    flag(2, [&](bool on) { processor.SetDeleteOriginals(on); });
    flag(3, [&](bool on) { processor.SetForceRecalculation(on); });
    flag(4, [&](bool on) { processor.SetConvertToBinary(on); });
    flag(5, [&](bool on) { processor.SetScreenshots(on); });
    flag(6, [&](bool on) { processor.SetAssignModels(on); });
    if (values.solverTimeout)
    {
        m_batchProcessor->SetSolverTimeout(*values.solverTimeout);
    }
    m_batchProcessor->ProcessFolder(values.folder.value_or(std::string()));
}

void CQuarrowWorld::OnSetStressTestMode(const GameLib::TCommand& command)
{
    if (!IsTrue(command.argument))
    {
        delete std::exchange(m_stressTester, nullptr);
        return;
    }
    if (m_stressTester != nullptr)
    {
        return;
    }
    if (s_stressTesterCreator == nullptr)
    {
        BaseLib::DebugOutput("World: no stress tester in this program; \"SetStressTestMode\" dropped\n");
        return;
    }
    m_stressTester = s_stressTesterCreator(this);
}

void CQuarrowWorld::ReloadLevel()
{
    if (m_puzzle != nullptr)
    {
        const std::string file = m_puzzle->GetFileName();
        LoadLevel(file);
    }
}

void CQuarrowWorld::LoadLevel(const std::string& name)
{
    if (m_context == nullptr)
    {
        return;
    }
    EndWorkers();
    DeleteLevel();
    m_puzzle = new CEditablePuzzle();
    if (name.ends_with(".blvl"))
    {
        m_puzzle->LoadBinary(name);
    }
    else if (name.ends_with(".xml"))
    {
        m_puzzle->LoadXml(name);
    }
    else if (!name.empty())
    {
        m_puzzle->BuildFromCharGrid(name);
    }
    LoadEnvironmentDescription(
        m_environment, Aliases().ResolvePath("environment>" + m_puzzle->GetEnvironmentName() + ".xml"));
    ApplyPuzzleResourceDefaults(*m_puzzle, m_gfxSets, Aliases());
    if (GameLib::CSceneManager* scene = GetSceneManager())
    {
        CreateEnvironmentModel();
        CreateLights();
        m_puzzleNode = CreatePuzzleEntityNode(this);
        m_puzzleNode->SetPuzzle(m_puzzle);
        scene->GetRootNode()->AddChild(m_puzzleNode);
        m_markers[0] = CreateArrowMarkerEntityNode(this, false);
        m_markers[1] = CreateArrowMarkerEntityNode(this, true);
    }
    m_context->SetState(GameContext::LevelRunning);
    if (GameLib::CInputChannel* channel = GetInputChannel())
    {
        channel->Clear();
    }
    m_levelTimer->Stop();
    m_levelTimer->Resume();
    m_puzzleChangeSeen = static_cast<std::int32_t>(m_puzzle->GetChangeNumber());
}

void CQuarrowWorld::ShutLevel()
{
    if (m_puzzle == nullptr || m_context == nullptr)
    {
        BaseLib::DebugOutput("World: ShutLevel without a level; nothing to shut\n");
        return;
    }
    EndWorkers();
    if (GameLib::CInputChannel* channel = GetInputChannel())
    {
        channel->Clear();
    }
    m_levelTimer->Pause();
    m_context->RecordLevelResult(m_puzzle->IsSolved(), m_puzzle->GetMoveCount(), m_levelTimer->GetTime(),
                                 m_puzzle->GetStars());
    m_context->SetStarMoveLimits(m_puzzle->GetMoveLimitForStars(1), m_puzzle->GetMoveLimitForStars(2),
                                 m_puzzle->GetMoveLimitForStars(3));
    DeleteLevel();
    m_context->SetState(GameContext::GameOpen);
}

void CQuarrowWorld::StartMap(const std::string& file, std::int32_t index)
{
    if (m_context == nullptr)
    {
        return;
    }
    // Two starts without a shut: the held map's figure and changes are kept, as a shut keeps them.
    if (m_map != nullptr)
    {
        ShutMap();
    }
    m_map = new CEditableMap();
    m_mapChangeSeen = m_map->GetChangeNumber();
    // Without the aliases the map finds no path file and the figure cannot walk its fine path.
    m_map->SetPathAliases(&Aliases());
    m_map->LoadXml(index, Aliases().ResolvePath(file));
    ProgressRecord& progress = m_context->GetProgress();
    m_map->LoadProgress(progress);
    progress.SetLastCell(-1, -1);
    if (GameLib::CInputChannel* channel = GetInputChannel())
    {
        channel->Clear();
    }
    m_context->SetState(GameContext::MapRunning);
}

void CQuarrowWorld::ShutMap()
{
    if (m_map == nullptr || m_context == nullptr)
    {
        BaseLib::DebugOutput("World: ShutMap without a map; nothing to shut\n");
        return;
    }
    ProgressRecord& progress = m_context->GetProgress();
    if (progress.GetCurrentMap() != m_context->GetMapIndex())
    {
        progress.SetFigurePosition(-1.0f, -1.0f);
    }
    else
    {
        const BaseLib::CVector2 figure = m_map->GetPlayerPosition();
        progress.SetFigurePosition(figure.x, figure.y);
    }
    if (GameLib::CInputChannel* channel = GetInputChannel())
    {
        channel->Clear();
    }
    delete std::exchange(m_map, nullptr);
    m_mapChangeSeen = -1;
    m_context->SetState(GameContext::GameOpen);
}

namespace
{

// The cell a map command names: the coordinates truncated toward zero. False for a coordinate that is
// no number or beyond any grid, which a cast could not represent.
bool CommandCell(const GameCommand& command, int& x, int& y)
{
    constexpr float kBeyondAnyGrid = 1.0e6f;
    if (!(std::abs(command.x) < kBeyondAnyGrid) || !(std::abs(command.y) < kBeyondAnyGrid))
    {
        return false;
    }
    x = static_cast<int>(command.x);
    y = static_cast<int>(command.y);
    return true;
}

} // namespace

void CQuarrowWorld::ProcessMapCommands()
{
    CQuarrowInputChannel* channel = GetGameInputChannel();
    if (channel == nullptr || m_map == nullptr || m_context == nullptr)
    {
        return;
    }
    ProgressRecord& progress = m_context->GetProgress();
    for (; channel->HasCommands(); channel->Pop())
    {
        const GameCommand& command = channel->Front();
        const auto kind = static_cast<std::int32_t>(command.kind);
        int x = 0;
        int y = 0;
        if (kind >= static_cast<std::int32_t>(GameCommandKind::MapWalkTo) &&
            kind <= static_cast<std::int32_t>(GameCommandKind::MapExit) &&
            (!CommandCell(command, x, y) || !m_map->IsInside(x, y)))
        {
            BaseLib::DebugOutput("World: map command %d names the cell (%g, %g) outside the map's %d x %d "
                                 "grid; dropped\n",
                                 kind, static_cast<double>(command.x), static_cast<double>(command.y),
                                 m_map->GetSize().cx, m_map->GetSize().cy);
            continue;
        }
        switch (command.kind)
        {
        case GameCommandKind::MapWalkTo:
            m_map->WalkTo(x, y);
            break;
        case GameCommandKind::MapEnterCell:
            m_map->EnterCell(x, y);
            break;
        case GameCommandKind::MapStartLevel:
            if (const MapCell& cell = m_map->GetCell(x, y); cell.HasPuzzle())
            {
                m_context->SetLevelIndex(cell.puzzle);
                m_context->SetState(GameContext::MapLevelChosen);
            }
            break;
        case GameCommandKind::MapExit: {
            const MapCell& cell = m_map->GetCell(x, y);
            if (!cell.IsExit())
            {
                break;
            }
            const int exitId = cell.GetExitId();
            const std::int32_t current = progress.GetCurrentMap();
            if (exitId != 0 && current >= 0 && current < ProgressRecord::MapCount - 1)
            {
                progress.GetMapProgress(current + 1).SetOpen(true);
            }
            // The first map's way back and the last map's way on lead nowhere: the map screen's leave
            // button takes them.
            const bool stays = (current == 1 && exitId == 0) || (current == 4 && exitId != 0);
            if (!stays)
            {
                m_context->SetState(GameContext::MapExitTaken);
            }
            break;
        }
        case GameCommandKind::SelectMap:
            if (command.param < 0 || command.param >= ProgressRecord::MapCount)
            {
                BaseLib::DebugOutput("World: map switch to map %d, which does not exist; dropped\n",
                                     command.param);
                break;
            }
            progress.SetFigurePosition(-1.0f, -1.0f);
            m_map->SaveProgress(progress);
            progress.SetPreviousMap(progress.GetCurrentMap());
            progress.SetCurrentMap(command.param);
            break;
        case GameCommandKind::LeaveMap:
        case GameCommandKind::CutsceneDone:
            m_context->SetState(GameContext::MapRunning);
            break;
        case GameCommandKind::ShowMapHighlight:
            m_map->SetHighlight(true, command.x, command.y);
            break;
        case GameCommandKind::HideMapHighlight:
            m_map->SetHighlight(false, 0.0f, 0.0f);
            break;
        case GameCommandKind::Cheat:
            m_map->Cheat();
            break;
        default:
            // The puzzle's and the arrow markers' commands belong to a running level.
            break;
        }
    }
}

void CQuarrowWorld::DeleteLevel()
{
    if (m_puzzleNode != nullptr)
    {
        std::exchange(m_puzzleNode, nullptr)->Release(true);
    }
    if (m_environmentNode != nullptr)
    {
        std::exchange(m_environmentNode, nullptr)->Release(true);
    }
    if (m_lightsNode != nullptr)
    {
        std::exchange(m_lightsNode, nullptr)->Release(true);
    }
    // Releasing a node takes it out of its parent first, attached or not.
    for (CArrowMarkerEntityNode*& marker : m_markers)
    {
        if (marker != nullptr)
        {
            std::exchange(marker, nullptr)->Release(true);
        }
    }
    delete std::exchange(m_puzzle, nullptr);
}

void CQuarrowWorld::CreateEnvironmentModel()
{
    m_environmentNode = GameLib::CModelNode::Create(GetOwner());
    const std::string file = EnvironmentModelFile(m_environment.modelName);
    if (!file.empty())
    {
        m_environmentNode->SetModel(file, nullptr);
    }
    GetSceneManager()->GetRootNode()->AddChild(m_environmentNode);
}

void CQuarrowWorld::CreateLights()
{
    m_lightsNode = GameLib::CTransformNode::Create();
    GetSceneManager()->GetRootNode()->AddChild(m_lightsNode);
    for (const LightDescription& light : m_environment.lights)
    {
        const BaseLib::CVector3& d = light.direction;
        // A reference far enough from d that the cross product keeps its length.
        const BaseLib::CVector3 reference = std::fabs(d.Dot(BaseLib::CVector3::UnitX)) < 0.7f
                                                ? BaseLib::CVector3::UnitX
                                                : BaseLib::CVector3::UnitY;
        BaseLib::CVector3 c = d.Cross(reference);
        c = c / c.Length();
        const BaseLib::CVector3 b = c.Cross(d);
        GameLib::CTransformNode* frame = GameLib::CTransformNode::Create();
        frame->SetLocalTransform(BaseLib::CMatrix({c.x, c.y, c.z, 0.0f}, {b.x, b.y, b.z, 0.0f},
                                                  {d.x, d.y, d.z, 0.0f}, {0.0f, 0.0f, 0.0f, 1.0f}));
        GameLib::CLightSourceNode* source = GameLib::CLightSourceNode::Create();
        Qen::CLightDescription* record = source->GetLight();
        record->type = 0;
        record->colour = light.colour;
        record->castsShadows = light.shadow;
        frame->AddChild(source);
        m_lightsNode->AddChild(frame);
    }
}

CArrowMarkerEntityNode* CQuarrowWorld::GetArrowMarker(int marker) const
{
    return marker == 0 || marker == 1 ? m_markers[marker] : nullptr;
}

void CQuarrowWorld::ShowArrowMarker(int marker, float x, float y, int direction)
{
    CArrowMarkerEntityNode* node = GetArrowMarker(marker);
    GameLib::CSceneManager* scene = GetSceneManager();
    if (node == nullptr || m_puzzle == nullptr || scene == nullptr)
    {
        return;
    }
    HideArrowMarker(marker);
    node->SetDirection(direction);
    // The board stands centred on the 6 x 6 board's place: cell (x, y) is where the puzzle node draws it.
    const float width = static_cast<float>(m_puzzle->GetWidth());
    const float height = static_cast<float>(m_puzzle->GetHeight());
    node->SetPosition({x - (width - 6.0f) * 0.5f, -y + (height - 6.0f) * 0.5f, 0.0f});
    scene->GetRootNode()->AddChild(node);
}

void CQuarrowWorld::HideArrowMarker(int marker)
{
    CArrowMarkerEntityNode* node = GetArrowMarker(marker);
    if (node != nullptr && node->GetParent() != nullptr)
    {
        node->GetParent()->RemoveChild(node);
    }
}

std::string CQuarrowWorld::GetCameraAnimationName() const
{
    if (m_puzzle == nullptr)
    {
        return {};
    }
    return "animation>camera_" + m_puzzle->GetGfxSetName() + "_" + m_puzzle->GetBoardName() + ".x";
}

void CQuarrowWorld::SetProgress(const ProgressRecord& progress)
{
    if (m_context != nullptr)
    {
        m_context->GetProgress().CopyProgress(progress);
    }
}
