// How many layouts the generator judges and how many puzzles it saves per minute, with and without the
// refiner, on the developer menu's default set-up (6 x 6, min moves 7, max blocks 30, one player, the
// menu's ten shapes of which only "###" and "##" carry weight). Each case runs the generator on a worker
// for a fixed time with a fixed seed source.

#include "foundation/PathAliases.h"
#include "platform/os/DebugOutput.h"
#include "tools/batch/PuzzleGenerator.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace
{

constexpr std::chrono::seconds RunTime(20);

void GeneratePuzzles(benchmark::State& state, bool useRefiner)
{
    Platform::SetDebugOutputSink([](const char*) {});
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("quarrow-generator-bench-" + std::to_string(::getpid()));
    BaseLib::CPathAliases aliases;
    aliases.RegisterPathAlias("level", folder.string());
    double seconds = 0.0;
    double layouts = 0.0;
    double solved = 0.0;
    double saved = 0.0;
    double refining = 0.0;
    for (auto _ : state)
    {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        PuzzleGenerator generator(6, 6, 30, 7, 1, 1, useRefiner);
        generator.UpdateTotalWeight({{"###", 10},
                                     {"##", 10},
                                     {"#B#", 0},
                                     {"O", 0},
                                     {"LL", 0},
                                     {"LLL", 0},
                                     {"NN", 0},
                                     {"N#N", 0},
                                     {"SS", 0},
                                     {"S#S", 0}});
        generator.SetPathAliases(&aliases);
        int32_t seed = 1;
        generator.SetSeedSource([&] { return seed++; });
        const auto start = std::chrono::steady_clock::now();
        std::thread worker([&] { generator.Run(); });
        std::this_thread::sleep_for(RunTime);
        generator.Stop();
        worker.join();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        layouts += static_cast<double>(generator.GetLayoutsTried());
        solved += static_cast<double>(generator.GetLayoutsSolved());
        saved += static_cast<double>(generator.GetPuzzlesSaved());
        refining += generator.GetRefineSeconds();
    }
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    Platform::SetDebugOutputSink(nullptr);
    const double minutes = seconds / 60.0;
    state.counters["layouts/min"] = layouts / minutes;
    state.counters["solved/min"] = solved / minutes;
    state.counters["saved/min"] = saved / minutes;
    state.counters["refiner_share"] = refining / seconds;
}

} // namespace

BENCHMARK_CAPTURE(GeneratePuzzles, refiner, true)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(GeneratePuzzles, no_refiner, false)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
