// The puzzle's scene on the benchmark boards (8 × 6 and 64 × 64, every cell but one a block), on a real
// device with the committed models (run under a display: xvfb-run -a):
// (a) BlockNodesBuild: the puzzle node built (board model, a block node with its part model, pick mesh
//     and sounds per block, the groups) and taken down; reports the heap held per block node;
// (b) BlockNodesWorldStep: one world step of a running level (commands, the puzzle's own update and
//     every entity node's update);
// (c) BlockNodesEntityUpdate: the entity nodes' part of that step alone;
// (d) LevelLoad: "StartLevel" through the first world step and "ShutLevel", on the committed level with
//     the most blocks (swamp/06, 8 × 6) and on the 64 × 64 board, cold (models, materials and textures
//     destroyed between runs, outside the timing) and warm; reports the heap a loaded level holds;
// (e) LevelLoadHeapRounds: the heap after 200 start-and-shut rounds against the heap after the first;
// (f) FloatingParticles: one 0.02 s advance of the floating particles with the pool full (64 live), and
//     the heap blocks each advance allocates (no device needed).
// (g) CursorPick: one pick of the 3D cursor through the orbit camera, against every block's pick mesh,
//     over a spread of points on the board; reports the allocations per pick;
// (h) CameraOrbit: one orbit update of the game camera that turns it (yaw and pitch held) with the
//     camera's matrices recomputed.
#include "bench/BenchEngine.h"
#include "bench/GameBenchBoards.h"
#include "bench/HeapCounter.h"
#include "engine/Camera.h"
#include "engine/EngineController.h"
#include "engine/MaterialFactory.h"
#include "engine/ModelFactory.h"
#include "engine/TextureFactory.h"
#include "foundation/PathAliases.h"
#include "foundation/ResourceRegistry.h"
#include "framework/CommandQueue.h"
#include "framework/InputManager.h"
#include "framework/SceneManager.h"
#include "game/QuarrowWorld.h"
#include "game/puzzle/FloatingParticleSourceNode.h"
#include "game/puzzle/3DCursor.h"
#include "game/puzzle/GameCameraNode.h"
#include "game/puzzle/PuzzleEntityNode.h"
#include "sound/NullSoundDevice.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

BenchSupport::Engine& SharedEngine()
{
    static BenchSupport::Engine* engine = [] {
        auto* made = new BenchSupport::Engine("QuarrowBenchGame", 320, 240);
        BaseLib::CPathAliases& aliases = made->controller.GetPathAliases();
        const std::string media = QUARROW_MEDIA_DIR;
        for (const auto& [alias, folder] : {std::pair{"texture", "textures"}, std::pair{"xfl-texture", "textures"},
                                           std::pair{"shader", "shader"}, std::pair{"xfl-shader", "shader"},
                                           std::pair{"model", "models"}, std::pair{"animation", "animations"},
                                           std::pair{"environment", "environments"}})
        {
            aliases.RegisterPathAlias(alias, media + "/" + folder);
        }
        // The silent device stands in for the sound output, as when sound cannot start.
        SoundLib::CNullSoundDevice::Create();
        return made;
    }();
    return *engine;
}

// A world with the benchmark board loaded as a level (saved to a temporary file first).
struct RunningLevel
{
    explicit RunningLevel(std::int32_t side)
    {
        CEditablePuzzle board;
        const bool large = side == BenchBoards::LargeSide;
        if (!BenchBoards::MakeFullBoard(board, large ? side : BenchBoards::LevelWidth,
                                        large ? side : BenchBoards::LevelHeight))
        {
            std::abort();
        }
        file = std::filesystem::temp_directory_path() /
               ("quarrow-bench-game-" + std::to_string(::getpid()) + "-" + std::to_string(side) + ".xml");
        board.SaveXml(file.string());
        world.Initialize();
        world.LoadLevel(file.string());
    }
    ~RunningLevel()
    {
        world.Shutdown();
        std::filesystem::remove(file);
    }

    CQuarrowWorld world{&SharedEngine().controller};
    std::filesystem::path file;
};

std::int32_t SideOf(const benchmark::State& state)
{
    return static_cast<std::int32_t>(state.range(0));
}

void BM_BlockNodesBuild(benchmark::State& state)
{
    RunningLevel level(SideOf(state));
    CEditablePuzzle& puzzle = *level.world.GetPuzzle();
    int blockNodes = 0;
    for (const CBlock* block : puzzle.GetBlocks())
    {
        blockNodes += block->IsShown() || block->GetKind() == KindLevelSolvedTrigger;
    }
    std::int64_t held = 0;
    for (auto _ : state)
    {
        const std::int64_t before = BenchHeap::InUse();
        CPuzzleEntityNode* node = CreatePuzzleEntityNode(&level.world);
        node->SetPuzzle(&puzzle);
        level.world.GetSceneManager()->GetRootNode()->AddChild(node);
        held = BenchHeap::InUse() - before;
        node->Release(true);
    }
    state.counters["blockNodes"] = blockNodes;
    state.counters["bytes/blockNode"] = double(held) / double(blockNodes);
}
BENCHMARK(BM_BlockNodesBuild)->Arg(8)->Arg(BenchBoards::LargeSide)->Unit(benchmark::kMillisecond);

void BM_BlockNodesWorldStep(benchmark::State& state)
{
    RunningLevel level(SideOf(state));
    for (auto _ : state)
    {
        level.world.Step(0.02);
    }
}
BENCHMARK(BM_BlockNodesWorldStep)->Arg(8)->Arg(BenchBoards::LargeSide)->Unit(benchmark::kMicrosecond);

void BM_BlockNodesEntityUpdate(benchmark::State& state)
{
    RunningLevel level(SideOf(state));
    const std::int64_t allocations = BenchHeap::Allocations();
    for (auto _ : state)
    {
        level.world.UpdateEntities(0.02f);
    }
    state.counters["allocs/iter"] = double(BenchHeap::Allocations() - allocations) / double(state.iterations());
}
BENCHMARK(BM_BlockNodesEntityUpdate)->Arg(8)->Arg(BenchBoards::LargeSide)->Unit(benchmark::kMicrosecond);

// The level file a LevelLoad benchmark starts: 0 the committed level with the most blocks, else the
// 64 × 64 board saved to a temporary file.
struct LevelToLoad
{
    explicit LevelToLoad(std::int64_t which)
    {
        if (which == 0)
        {
            file = std::filesystem::path(QUARROW_MEDIA_DIR) / "levels" / "swamp" / "06.xml";
            return;
        }
        CEditablePuzzle board;
        if (!BenchBoards::MakeFullBoard(board, BenchBoards::LargeSide, BenchBoards::LargeSide))
        {
            std::abort();
        }
        file = std::filesystem::temp_directory_path() /
               ("quarrow-bench-level-" + std::to_string(::getpid()) + ".xml");
        board.SaveXml(file.string());
        temporary = true;
    }
    ~LevelToLoad()
    {
        if (temporary)
        {
            std::filesystem::remove(file);
        }
    }

    std::filesystem::path file;
    bool temporary = false;
};

// One level's start, first step and end, as the screens drive them through world commands.
void StartStepShut(CQuarrowWorld& world, const std::string& file, std::int64_t* held = nullptr)
{
    const std::int64_t before = BenchHeap::InUse();
    world.GetCommandQueue()->PostCommand("StartLevel", file);
    world.ProcessCommands();
    world.Step(0.02);
    if (held != nullptr)
    {
        *held = BenchHeap::InUse() - before;
    }
    world.GetCommandQueue()->PostCommand("ShutLevel", "");
    world.ProcessCommands();
}

// Models, materials and textures nobody holds, destroyed: the next level loads them from their files.
void EmptyModelCache()
{
    Qen::CEngineController& controller = SharedEngine().controller;
    controller.GetRegistry(Qen::ModelRegistry)->DestroyResourcesOf(controller.GetModelFactory());
    controller.GetRegistry(Qen::MaterialRegistry)->DestroyResourcesOf(controller.GetMaterialFactory());
    controller.GetRegistry(Qen::TextureRegistry)->DestroyResourcesOf(controller.GetTextureFactory());
}

// Arguments: the level (0 committed, 1 the 64 × 64 board), cold (1) or warm (0).
void BM_LevelLoad(benchmark::State& state)
{
    const LevelToLoad level(state.range(0));
    const bool cold = state.range(1) != 0;
    CQuarrowWorld world{&SharedEngine().controller};
    world.Initialize();
    StartStepShut(world, level.file.string());
    std::int64_t held = 0;
    for (auto _ : state)
    {
        if (cold)
        {
            state.PauseTiming();
            EmptyModelCache();
            state.ResumeTiming();
        }
        StartStepShut(world, level.file.string(), &held);
    }
    world.Shutdown();
    state.counters["level_MB"] = static_cast<double>(held) / (1024.0 * 1024.0);
}
BENCHMARK(BM_LevelLoad)
    ->ArgNames({"board64", "cold"})
    ->Args({0, 1})
    ->Args({0, 0})
    ->Args({1, 1})
    ->Args({1, 0})
    ->Unit(benchmark::kMillisecond);

void BM_LevelLoadHeapRounds(benchmark::State& state)
{
    const LevelToLoad level(state.range(0));
    CQuarrowWorld world{&SharedEngine().controller};
    world.Initialize();
    std::int64_t afterFirst = 0;
    std::int64_t afterLast = 0;
    for (auto _ : state)
    {
        StartStepShut(world, level.file.string());
        afterFirst = BenchHeap::InUse();
        for (int round = 1; round < 200; ++round)
        {
            StartStepShut(world, level.file.string());
        }
        afterLast = BenchHeap::InUse();
    }
    world.Shutdown();
    state.counters["heap_after_1"] = static_cast<double>(afterFirst);
    state.counters["heap_growth_bytes"] = static_cast<double>(afterLast - afterFirst);
}
BENCHMARK(BM_LevelLoadHeapRounds)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond);

// The floating particles pre-run, then filled to the full pool; Refill puts that full pool back, so
// every measured advance moves 64 live particles (at most one or two die between refills).
class FullFloatingParticles : public CFloatingParticleSourceNode
{
public:
    FullFloatingParticles() : CFloatingParticleSourceNode(nullptr)
    {
        PreRun();
        SetEmissionRate(1000.0f);
        Emit(1.0f);
        std::copy(m_particles.get(), m_particles.get() + m_capacity, m_full);
        m_fullCount = m_liveCount;
    }
    void Refill()
    {
        std::copy(m_full, m_full + m_fullCount, m_particles.get());
        m_liveCount = m_fullCount;
    }

private:
    GameLib::CParticle m_full[64];
    int m_fullCount = 0;
};

void BM_FloatingParticles(benchmark::State& state)
{
    auto* source = new FullFloatingParticles();
    std::int64_t steps = 0;
    std::int64_t live = 0;
    const std::int64_t allocations = BenchHeap::Allocations();
    for (auto _ : state)
    {
        if (steps % 10 == 0)
        {
            source->Refill();
        }
        source->Advance(0.0f, 0.02f);
        live += source->GetParticleCount();
        ++steps;
    }
    state.counters["allocs/step"] = double(BenchHeap::Allocations() - allocations) / double(steps);
    state.counters["live"] = double(live) / double(steps);
    source->Release(false);
}
BENCHMARK(BM_FloatingParticles)->Unit(benchmark::kMicrosecond);
// The game camera in orbit over the level's board, as the intro leaves it.
GameLib::CSceneGraphNode* OrbitCamera(CQuarrowWorld& world, GameLib::CInputManager* input)
{
    CGameCameraNode* camera = CGameCameraNode::Create(&SharedEngine().controller, input);
    camera->ResetForIntro();
    camera->SetBoardSize(world.GetPuzzle()->GetWidth(), world.GetPuzzle()->GetHeight());
    camera->SetMode(CGameCameraNode::Orbit);
    camera->SetPitch(1.1f);
    camera->GetCamera()->Update();
    return camera;
}

void BM_CursorPick(benchmark::State& state)
{
    RunningLevel level(SideOf(state));
    auto* camera = static_cast<CGameCameraNode*>(OrbitCamera(level.world, nullptr));
    C3DCursor cursor(&level.world, level.world.GetGameInputChannel());
    cursor.SetSceneManager(level.world.GetSceneManager());
    cursor.SetCamera(camera->GetCamera());
    std::vector<GameLib::TCollisionRay> rays;
    for (int i = 0; i < 64; ++i)
    {
        rays.push_back(cursor.ComputePickRay(-0.6f + 0.16f * static_cast<float>(i % 8),
                                             -0.6f + 0.16f * static_cast<float>(i / 8)));
    }
    GameLib::CSceneManager::NodeArray meshes;
    level.world.GetSceneManager()->GetNodesOfType(typeid(GameLib::CCollisionNode), meshes);
    cursor.Pick(rays[0]); // the node list grows once
    std::size_t next = 0;
    std::int64_t hits = 0;
    const std::int64_t allocations = BenchHeap::Allocations();
    for (auto _ : state)
    {
        hits += cursor.Pick(rays[next]);
        next = (next + 1) % rays.size();
    }
    const double picks = double(state.iterations());
    state.counters["allocs/pick"] = double(BenchHeap::Allocations() - allocations) / picks;
    state.counters["pickMeshes"] = static_cast<double>(meshes.size());
    state.counters["hitRatio"] = double(hits) / picks;
    state.counters["picks/s"] = benchmark::Counter(picks, benchmark::Counter::kIsRate);
    camera->Release(true);
}
BENCHMARK(BM_CursorPick)->Arg(8)->Arg(BenchBoards::LargeSide)->Unit(benchmark::kMicrosecond);

void BM_CameraOrbit(benchmark::State& state)
{
    RunningLevel level(SideOf(state));
    // Bindings that hold while their keys are up: both camera actions stay active.
    GameLib::CInputManager input;
    input.CreateKeyboard(nullptr);
    input.ParseBinding("keyboard:right.notheld", "camera_horizontal", 1.0f, "gui");
    input.ParseBinding("keyboard:up.notheld", "camera_vertical", 1.0f, "gui");
    input.Update(1.0f / 60.0f);
    auto* camera = static_cast<CGameCameraNode*>(OrbitCamera(level.world, &input));
    camera->SetStepRotation(false);
    std::int64_t turned = 0;
    for (auto _ : state)
    {
        turned += camera->Update(1.0f / 60.0f);
    }
    state.counters["turnedRatio"] = double(turned) / double(state.iterations());
    camera->Release(true);
}
BENCHMARK(BM_CameraOrbit)->Arg(8)->Unit(benchmark::kNanosecond);

} // namespace
