#pragma once

#include "foundation/Thread.h"
#include "framework/World.h"
#include "game/DeveloperTools.h"
#include "game/EnvironmentDescription.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace BaseLib
{
class CPathAliases;
class CTimer;
} // namespace BaseLib

namespace GameLib
{
class CModelNode;
class CSceneGraphNode;
class CTransformNode;
struct TCommand;
}

class CArrowMarkerEntityNode;
class CEditableMap;
class CEditablePuzzle;
class CPuzzleEntityNode;
class CQuarrowInputChannel;
class GameContext;
class ProgressRecord;
class PuzzleRefiner;
class PuzzleSolver;

// The game's world: over the framework's clock, scene, input channel and command queue it keeps what is
// played: the current puzzle, the game context with the game state and the progress, the level timer,
// the editor mode and the names of the model sets.
//
// A map exists from StartMap (state 6) to ShutMap (state 1). Each fixed step of a running map (states 6
// to 9, not in editor mode) hands the map's game commands to it, walks the figure, hands out a pending
// cut-scene (state 9) and otherwise saves the map's progress into the game context when it changed.
//
// A level exists from LoadLevel (state 2) to ShutLevel (state 1); its scene holds the puzzle entity node
// (board and blocks) and the environment model node under the scene root. Each fixed step of 0.02 s
// advances a running level: the game commands pushed into the input channel reach the puzzle, the scene
// is rebuilt when the puzzle changed, then the level timer, the puzzle, the scene's game entities and
// the solved state advance. Screens and tools drive the world by world commands, carried out once per
// frame before the steps.
//
// The solver and the refiner run on worker threads of their own, in states 4 and 5. Meanwhile the
// worker owns the puzzle: the world's step leaves it alone and the channel drops play commands. Only the
// main thread starts, stops and closes the worker threads; every operation that ends or replaces the
// level stops a running worker first.
class CQuarrowWorld : public GameLib::CWorld
{
public:
    // owner holds the path aliases the world resolves through; not owned, may be null (no aliases).
    explicit CQuarrowWorld(Qen::CEngineController* owner);
    // Stops a worker that still runs.
    ~CQuarrowWorld() override;

    // The makers of the two developer tools, kept for the process; set before Initialize. Without one,
    // the command that would make that tool is dropped with a trace.
    static void SetToolCreators(BatchProcessorCreator batchProcessorCreator,
                                StressTesterCreator stressTesterCreator);

    // The framework's objects, then the game context, the level timer and the model-set list.
    void Initialize() override;
    // The level when a puzzle exists and the map when one exists (whatever the state), the level timer,
    // the game context, the stress tester and the batch processor, then the framework's objects.
    void Shutdown() override;
    // One step of a running level (state 2): the stress tester's and the batch processor's steps, the
    // channel's poll, the pending game commands into the
    // puzzle, the block nodes rebuilt when the puzzle's change number moved (and in editor mode the
    // environment model taken from the puzzle's model set), the level timer, the puzzle's update, every
    // game entity node's update, then state 3 once the puzzle is solved (not in editor mode).
    // One step of a running map (states 6 to 9 with a map, not in editor mode): the map's active flag
    // (set in state 9 only), the channel's poll, the map's game commands, the map's update, then a
    // pending cut-scene handed out (state 9, its name the level name) or else, when the map's change
    // number moved, its progress written into the game context's record. Other states do nothing.
    void Step(double stepLength) override;
    // Every pending world command, grouped by name: each pass takes the game's names in their fixed
    // order (some every pending command of the name, some one per pass), then every "Reload" (one reload
    // of the level for all of them), then every command of another name, dropped with a trace. Passes
    // repeat until the queue is empty, so what a handler posts runs in the same frame.
    void ProcessCommands() override;
    // A new game input channel; deleted by DestroyInputChannel (null ignored).
    GameLib::CInputChannel* CreateInputChannel() override;
    void DestroyInputChannel(GameLib::CInputChannel* channel) override;

    // Starts a level (state 2) from a file: a name ending in ".blvl" loads as a binary puzzle, one ending
    // in ".xml" as an XML puzzle (both tested case-sensitively), any other non-empty name as a character
    // grid; an empty name gives an empty puzzle. A file that fails leaves the puzzle as its loader did
    // (the loaders trace). A level still loaded is taken down first without recording a result. Then the
    // environment description is read for the puzzle's environment name, missing media names are
    // replaced by defaults, and the scene is built: the environment model node, the lights node and the
    // puzzle entity node under the scene root, the two arrow markers made but not attached. The level
    // timer starts from 0.
    void LoadLevel(const std::string& name) override;
    // Ends the level (state 1): a running worker is stopped, the result and the star move limits go into
    // the game context, the level's scene nodes and the puzzle are deleted. Without a puzzle nothing
    // happens (traced).
    void ShutLevel();
    // Starts a map (state 6): a new map, given the path aliases, reads the file (resolved) as map index,
    // takes the progress record's state and places the figure; the record's last solved level becomes
    // none and the input channel is cleared. A map still held is shut first, as ShutMap does.
    void StartMap(const std::string& file, std::int32_t index);
    // Ends the map (state 1): the record keeps the figure's position when the record's current map is the
    // context's map, else none (-1, -1); the input channel is cleared and the map deleted. Without a map
    // nothing happens (traced).
    void ShutMap();
    // Every queued game command, oldest first, for the running map: walk, open a cell, choose a level
    // (state 8), take an exit (state 7, opening the next map), switch maps, leave (state 6), the
    // highlight and the cheat; every other kind is dropped. A command naming a cell outside the grid, or
    // a map index outside 0 to 4, is dropped with a trace.
    void ProcessMapCommands();

    // Marker 0 (the direction arrow) or 1 (the pointer) turned by the direction code and stood on the
    // world point of board cell (x, y), under the scene root. Nothing for another marker or between
    // levels.
    void ShowArrowMarker(int marker, float x, float y, int direction);
    // The marker taken out of the scene (kept for the next show).
    void HideArrowMarker(int marker);
    // "animation>camera_" + the puzzle's gfx set + "_" + its board name + ".x"; empty without a puzzle.
    std::string GetCameraAnimationName() const;
    // The solver (state 4) or the refiner (state 5) on the current puzzle, on a worker thread, with user
    // control off until the worker ends. Nothing without a puzzle or while either worker runs (traced).
    // In editor mode the search starts from the edited position; the editor's time freeze is lifted for
    // the run. The worker object stays after its end, for its status and counters, until stopped.
    void StartSolverThread();
    void StartRefinerThread();
    // Stops the worker when it still runs and waits for its end, deletes it and gives the puzzle its
    // time freeze back; then state 2, but only when a puzzle exists and the other worker does not run
    // (otherwise the state stays, traced).
    void StopSolver();
    void StopRefiner();
    // Whether the worker's thread has not ended yet.
    bool IsSolverRunning() const;
    bool IsRefinerRunning() const;
    // The last worker objects, null when none; read their status and counters.
    PuzzleSolver* GetSolver() const { return m_solver; }
    PuzzleRefiner* GetRefiner() const { return m_refiner; }
    // The node memory every later solver and refiner may hold; 0 keeps the search library's default.
    void SetSearchMemoryBudget(std::size_t bytes) { m_searchMemoryBudget = bytes; }

    // Batch processing of a folder from the command's argument (seven switches, the solver's time limit,
    // the folder): state 1, editor mode, an empty level; the batch processor made on first use gets each
    // value the argument gives (the others keep the processor's) and then the folder.
    void StartBatchProcessing(const std::string& argument);
    // The developer tools; null while none exists.
    BatchProcessorInterface* GetBatchProcessor() const { return m_batchProcessor; }
    StressTesterInterface* GetStressTester() const { return m_stressTester; }

    // A loaded saved game's progress into the game context.
    void SetProgress(const ProgressRecord& progress);

    // The game entity nodes of the scene, each advanced by dt, in the scene manager's order.
    void UpdateEntities(float dt);
    // Every queued game command, oldest first: grab, drag, release, restart, undo and redo reach the
    // puzzle; every other kind is dropped.
    void ProcessGameCommands();

    CEditablePuzzle* GetPuzzle() const { return m_puzzle; }
    // The puzzle change number the scene's block nodes were built for (as 32 bits); -1 before any level.
    // It trails the puzzle's own number from an edit until the next step rebuilds the nodes.
    std::int32_t GetSceneChangeNumber() const { return m_puzzleChangeSeen; }
    // The running map; null before StartMap and after ShutMap. Owned by the world: no caller keeps it
    // past a "ShutMap".
    CEditableMap* GetMap() const { return m_map; }
    GameContext* GetGameContext() const { return m_context; }
    // The world's channel as the game's; null outside Initialize to Shutdown.
    CQuarrowInputChannel* GetGameInputChannel() const;
    BaseLib::CTimer* GetLevelTimer() const { return m_levelTimer; }
    // The level's scene nodes; null between levels.
    CPuzzleEntityNode* GetPuzzleNode() const { return m_puzzleNode; }
    GameLib::CModelNode* GetEnvironmentNode() const { return m_environmentNode; }
    GameLib::CTransformNode* GetLightsNode() const { return m_lightsNode; }
    // Marker 0 or 1; null for another index.
    CArrowMarkerEntityNode* GetArrowMarker(int marker) const;
    // The environment read at the last level start.
    const EnvironmentDescription& GetEnvironment() const { return m_environment; }
    bool IsEditorMode() const { return m_editorMode; }
    void SetEditorMode(bool editorMode) { m_editorMode = editorMode; }
    // The sub-folders of the model folder, sorted by name, those beginning with "." left out.
    const std::vector<std::string>& GetGfxSets() const { return m_gfxSets; }

private:
    struct CommandHandler;
    static const CommandHandler kCommandHandlers[];

    // The world commands' handlers.
    void OnSetPause(const GameLib::TCommand& command);
    void OnSetEditorMode(const GameLib::TCommand& command);
    void OnSetSimTimeFactor(const GameLib::TCommand& command);
    void OnSetUserControlEnabled(const GameLib::TCommand& command);
    void OnStartGame(const GameLib::TCommand& command);
    void OnShutGame(const GameLib::TCommand& command);
    void OnSwitchToLevel(const GameLib::TCommand& command);
    void OnShutMap(const GameLib::TCommand& command);
    void OnSetMap(const GameLib::TCommand& command);
    void OnStartMap(const GameLib::TCommand& command);
    void OnStartLevel(const GameLib::TCommand& command);
    void OnShutLevel(const GameLib::TCommand& command);
    void OnSetSolved(const GameLib::TCommand& command);
    void OnSolve(const GameLib::TCommand& command);
    void OnStopSolver(const GameLib::TCommand& command);
    void OnRefine(const GameLib::TCommand& command);
    void OnStopRefiner(const GameLib::TCommand& command);
    void OnStartBatchProcessing(const GameLib::TCommand& command);
    // Exactly "true" makes the stress tester unless one exists; anything else deletes it.
    void OnSetStressTestMode(const GameLib::TCommand& command);
    // The level started afresh from its file, with no result recorded; nothing without a puzzle.
    void ReloadLevel();

    // The worker threads' bodies: the search, then user control on again. They touch nothing else.
    std::uint32_t SolverThreadMain(std::uint32_t argument);
    std::uint32_t RefinerThreadMain(std::uint32_t argument);
    // Both workers stopped, waited for and deleted, with no change of state.
    void EndWorkers();
    // State 2 after a stop, when the world can take the puzzle back.
    void ResumeLevelAfterWorker(const char* command, bool otherWorkerRuns);

    void ListGfxSets();
    // The environment model node under the scene root, loading the description's model (none for an
    // empty name). It is made even without a model, so editor mode can give it one.
    void CreateEnvironmentModel();
    // The lights node under the scene root: per light a transform turned so that its Z axis is the
    // light's direction, holding a directional light-source node.
    void CreateLights();
    // What a level owns, deleted: its scene nodes first, then the puzzle they show.
    void DeleteLevel();
    // The scene follows edits: a change number other than the one seen rebuilds the block nodes (an edit
    // made in the frame that left editor mode included); the environment model follows the model set in
    // editor mode only.
    void RebuildChangedScene();
    // The step of a running level and of a running map.
    void StepLevel(double stepLength);
    void StepMap(double stepLength);
    const BaseLib::CPathAliases& Aliases() const;

    CEditablePuzzle* m_puzzle = nullptr;
    PuzzleSolver* m_solver = nullptr;
    PuzzleRefiner* m_refiner = nullptr;
    BaseLib::CThread m_solverThread;
    BaseLib::CThread m_refinerThread;
    // The puzzle's time freeze while a worker has it.
    bool m_solverTimeFrozen = false;
    bool m_refinerTimeFrozen = false;
    std::size_t m_searchMemoryBudget = 0;
    std::int32_t m_puzzleChangeSeen = -1;
    CEditableMap* m_map = nullptr;
    std::int32_t m_mapChangeSeen = -1;
    CPuzzleEntityNode* m_puzzleNode = nullptr;
    GameLib::CModelNode* m_environmentNode = nullptr;
    GameLib::CTransformNode* m_lightsNode = nullptr;
    CArrowMarkerEntityNode* m_markers[2] = {};
    EnvironmentDescription m_environment;
    // UpdateEntities' list of the scene's entity nodes, kept for its capacity.
    std::vector<GameLib::CSceneGraphNode*> m_entityNodes;
    GameContext* m_context = nullptr;
    BaseLib::CTimer* m_levelTimer = nullptr;
    bool m_editorMode = false;
    std::vector<std::string> m_gfxSets;
    BatchProcessorInterface* m_batchProcessor = nullptr;
    StressTesterInterface* m_stressTester = nullptr;
    static BatchProcessorCreator s_batchProcessorCreator;
    static StressTesterCreator s_stressTesterCreator;
};
