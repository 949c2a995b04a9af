// The puzzle's scene on the benchmark boards (8 × 6 and 64 × 64, every cell but one a block), on a real
// device with the committed models (run under a display: xvfb-run -a):
// (a) BlockNodesBuild: the puzzle node built (board model, a block node with its part model, pick mesh
//     and sounds per block, the groups) and taken down; reports the heap held per block node;
// (b) BlockNodesWorldStep: one world step of a running level (commands, the puzzle's own update and
//     every entity node's update);
// (c) BlockNodesEntityUpdate: the entity nodes' part of that step alone.
#include "bench/BenchEngine.h"
#include "bench/GameBenchBoards.h"
#include "bench/HeapCounter.h"
#include "foundation/PathAliases.h"
#include "framework/SceneManager.h"
#include "game/QuarrowWorld.h"
#include "game/puzzle/PuzzleEntityNode.h"
#include "sound/NullSoundDevice.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

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
                                           std::pair{"model", "models"}, std::pair{"animation", "animations"}})
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

} // namespace
