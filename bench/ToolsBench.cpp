// The developer tools: the batch processor's work on one file (load, models, binary twin), without and
// with the solver, over a folder of puzzles the generator made once at the start; files per second.

#include "engine/EngineController.h"
#include "foundation/PathAliases.h"
#include "game/QuarrowWorld.h"
#include "platform/os/DebugOutput.h"
#include "tools/batch/BatchProcessor.h"
#include "tools/batch/PuzzleGenerator.h"

#include <benchmark/benchmark.h>

#include <chrono>
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

} // namespace

BENCHMARK_CAPTURE(ProcessFolder, BatchProcessorModelsAndBinary, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ProcessFolder, BatchProcessorWithSolver, true)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
