// The developer tools: the batch processor's work on one file (load, models, binary twin), without and
// with the solver, over a folder of puzzles the generator made once at the start; files per second.
// The map editor's renderer on the largest map of the game's media in the running game (needs a
// display: run under xvfb-run -a): a refresh after one edit, and a whole start.

#include "engine/EngineController.h"
#include "foundation/PathAliases.h"
#include "game/QuarrowWorld.h"
#include "platform/os/DebugOutput.h"
#include "tools/batch/BatchProcessor.h"
#include "tools/batch/PuzzleGenerator.h"
#include "tests/game/harness/GameHarness.h"
#include "tools/mapeditor/MapEditorRenderer2D.h"
#include "game/map/EditableMap.h"
#include "ui/WindowManager.h"
#include "ui/controls/ScrollWindow.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace
{

// Removes the benchmark's folder when the process ends.
struct RemovedAtExit
{
    fs::path folder;
    ~RemovedAtExit()
    {
        std::error_code error;
        fs::remove_all(folder, error);
    }
};

// Puzzles of 6 x 6 with at least 4 moves, from a fixed seed source, made once per process.
const fs::path& GeneratedFolder()
{
    static const RemovedAtExit generated{[] {
        const fs::path made =
            fs::temp_directory_path() / ("quarrow-tools-bench-" + std::to_string(::getpid()));
        fs::remove_all(made);
        fs::create_directories(made / "originals");
        BaseLib::CPathAliases aliases;
        aliases.RegisterPathAlias("level", (made / "originals").string());
        PuzzleGenerator generator(6, 6, 30, 4, 1, 1, false);
        generator.SetPathAliases(&aliases);
        int seed = 1;
        generator.SetSeedSource([&] { return seed++; });
        std::thread worker([&] { generator.Run(); });
        std::this_thread::sleep_for(std::chrono::seconds(3));
        generator.Stop();
        worker.join();
        return made;
    }()};
    return generated.folder;
}

void ProcessFolder(benchmark::State& state, bool solve)
{
    Platform::SetDebugOutputSink([](const char*) {});
    const fs::path root = GeneratedFolder();
    Qen::CEngineController controller;
    CQuarrowWorld world(&controller);
    world.Initialize();
    world.LoadLevel("");
    CBatchProcessor processor(&world);
    processor.SetCalcSolveMoves(solve);
    processor.SetForceRecalculation(solve);
    processor.SetAssignModels(true);
    processor.SetConvertToBinary(true);

    const fs::path work = root / "work";
    double files = 0.0;
    for (auto _ : state)
    {
        state.PauseTiming();
        fs::remove_all(work);
        fs::copy(root / "originals", work);
        processor.ProcessFolder(work.string());
        files += static_cast<double>(processor.GetWorkList().size());
        state.ResumeTiming();
        processor.Update(0.02);
    }
    state.counters["files"] = benchmark::Counter(files / static_cast<double>(state.iterations()));
    state.counters["files/s"] = benchmark::Counter(files, benchmark::Counter::kIsRate);
    world.Shutdown();
    Platform::SetDebugOutputSink(nullptr);
}

// The renderer's owner: the selection stays on (1, 1), clicks go nowhere.
class BenchOwner : public CMapRendererOwner, public CMapEditorRendererOwner
{
public:
    void OnPointerCell(int, int) override {}
    void OnPointerPosition(int, int, float, float) override {}
    void OnCellRightClicked(int, int) override {}
    BaseLib::CPoint GetSelectedCell() const override { return BaseLib::CPoint(1, 1); }
};

// The game's map file with the most cells.
std::string LargestMapFile()
{
    std::string largest;
    int cells = -1;
    for (const fs::directory_entry& entry : fs::directory_iterator(QUARROW_MEDIA_DIR "/levels"))
    {
        const std::string name = entry.path().filename().string();
        if (name.size() < 8 || name.compare(name.size() - 8, 8, ".map.xml") != 0)
        {
            continue;
        }
        CEditableMap map;
        if (map.LoadXml(0, entry.path().string()) && map.GetSize().cx * map.GetSize().cy > cells)
        {
            cells = map.GetSize().cx * map.GetSize().cy;
            largest = entry.path().string();
        }
    }
    return largest;
}

void MapEditorDraw(benchmark::State& state, bool fullStart)
{
    GameTesting::GameHarness game;
    if (const ::testing::AssertionResult started = game.Start(); !started)
    {
        state.SkipWithError(started.message());
        return;
    }
    const std::string file = LargestMapFile();
    game.World().StartMap(file, 0);
    CEditableMap* map = game.World().GetMap();
    if (map == nullptr || map->GetSize().cx < 3 || map->GetSize().cy < 3)
    {
        state.SkipWithError("no map with cells in the game's media");
        return;
    }
    auto* field = new UILib::CScrollWindow();
    field->SetSize(1024, 768);
    UILib::CWindowManager::GetInstance()->GetLayerRoot(0)->AddChild(field->GetHandle());
    BenchOwner owner;
    CMapEditorRenderer2D renderer(&owner, &owner, map);
    renderer.LoadResources(field);
    renderer.Draw();
    MapCell& edited = map->GetCell(1, 1);
    for (auto _ : state)
    {
        if (fullStart)
        {
            renderer.Release();
            renderer.LoadResources(field);
        }
        else
        {
            edited.walkBits ^= MapCell::CanWalkNorth;
        }
        renderer.Draw();
    }
    state.counters["cells"] = benchmark::Counter(static_cast<double>(map->GetSize().cx * map->GetSize().cy));
    state.SetLabel(fs::path(file).filename().string());
    renderer.Release();
}

} // namespace

BENCHMARK_CAPTURE(MapEditorDraw, AfterOneEdit, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MapEditorDraw, FullStart, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ProcessFolder, BatchProcessorModelsAndBinary, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ProcessFolder, BatchProcessorWithSolver, true)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
