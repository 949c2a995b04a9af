// How fast the breadth-first solver expands states and how much memory one solve needs, on puzzles made
// for the project, on one the project generates and on the hardest shipped level of each list.
//
// Peak heap bytes come from the counting operator new and delete of HeapCounter.cpp; the process's peak
// resident size is given for reference.

#include "bench/HeapCounter.h"
#include "foundation/Xml.h"
#include "platform/os/DebugOutput.h"
#include "puzzle/EditablePuzzle.h"
#include "puzzle/PuzzleSolver.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace
{

// ---- the puzzles ----

std::string DataFile(const char* name)
{
    return std::string(QUARROW_PUZZLE_DATA_DIR) + "/" + name;
}

// A board of cars as in the generator below: a two-cell player car in row 2 that has to leave by the
// east exit of that row, and up to `cars` cars of two or three cells, each confined to its own axis by
// its links. The same seed gives the same board.
void BuildCarPuzzle(CEditablePuzzle& puzzle, uint32_t seed, int32_t width, int32_t height, int32_t cars)
{
    std::mt19937 random(seed);
    std::vector<PuzzleCell> cells(static_cast<size_t>(width * height));
    const auto cell = [&](int32_t x, int32_t y) -> PuzzleCell& {
        return cells[static_cast<size_t>(y * width + x)];
    };
    const int32_t exitRow = 2;
    const int32_t playerX = static_cast<int32_t>(random() % 3);
    cell(playerX, exitRow) = {'P', 1};
    cell(playerX + 1, exitRow) = {'P', 1};
    int32_t group = 2;
    for (int32_t i = 0; i < cars; ++i)
    {
        const bool vertical = random() % 2 != 0;
        const int32_t length = random() % 4 == 0 ? 3 : 2;
        const int32_t x =
            static_cast<int32_t>(random() % static_cast<uint32_t>(vertical ? width : width - length + 1));
        const int32_t y =
            static_cast<int32_t>(random() % static_cast<uint32_t>(vertical ? height - length + 1 : height));
        bool free = !(!vertical && y == exitRow);
        for (int32_t k = 0; k < length && free; ++k)
        {
            free = cell(x + (vertical ? 0 : k), y + (vertical ? k : 0)).type == '-';
        }
        if (!free)
        {
            continue;
        }
        for (int32_t k = 0; k < length; ++k)
        {
            cell(x + (vertical ? 0 : k), y + (vertical ? k : 0)) = {'A', group};
        }
        ++group;
    }
    puzzle.CreateFromCellGrid(cells, width, height, {{DirectionEast, exitRow}});
}

// The generated puzzle: the first seed from the fixed one whose board the solver solves in at least
// 10 moves.
uint32_t FindGeneratedSeed()
{
    for (uint32_t seed = 1613;; ++seed)
    {
        CEditablePuzzle puzzle;
        BuildCarPuzzle(puzzle, seed, 6, 6, 14);
        PuzzleSolver solver;
        solver.SetPuzzle(&puzzle);
        if (solver.Solve() == PuzzleSolver::StatusSolved && solver.GetCurrentMove() >= 10)
        {
            return seed;
        }
    }
}

std::unique_ptr<CEditablePuzzle> LoadPuzzle(const char* name)
{
    auto puzzle = std::make_unique<CEditablePuzzle>();
    if (!puzzle->LoadXml(DataFile(name)))
    {
        std::fprintf(stderr, "cannot load %s\n", DataFile(name).c_str());
        std::exit(1);
    }
    return puzzle;
}

std::unique_ptr<CEditablePuzzle> GeneratedPuzzle()
{
    static const uint32_t seed = FindGeneratedSeed();
    auto puzzle = std::make_unique<CEditablePuzzle>();
    BuildCarPuzzle(*puzzle, seed, 6, 6, 14);
    return puzzle;
}

// A puzzle of the project's random generator (6 x 6, the developer menu's defaults without the
// refiner, seeds 1, 2, 3, ...): the longest it saved in the cycle of seed 3, 12 moves with 11 blocks.
std::unique_ptr<CEditablePuzzle> GeneratorPuzzle()
{
    return LoadPuzzle("solver_generator.xml");
}

// The shipped level of a list that makes the solver expand the most states: every level the map file
// lists is solved once to find it.
std::unique_ptr<CEditablePuzzle> HardestLevel(const std::string& region)
{
    const std::string levels = std::string(QUARROW_MEDIA_DIR) + "/levels/";
    TiXmlDocument map;
    if (!BaseLib::XmlLoadFile(map, levels + region + ".map.xml") || map.RootElement() == nullptr ||
        map.RootElement()->FirstChildElement("levellist") == nullptr)
    {
        std::fprintf(stderr, "cannot read the level list of %s\n", region.c_str());
        std::exit(1);
    }
    std::unique_ptr<CEditablePuzzle> hardest;
    int64_t most = -1;
    for (const TiXmlElement* level = map.RootElement()->FirstChildElement("levellist")->FirstChildElement("level");
         level != nullptr; level = level->NextSiblingElement("level"))
    {
        const std::string file = levels + BaseLib::XmlGetStringAttribute(level, "file", "");
        auto puzzle = std::make_unique<CEditablePuzzle>();
        const bool binary = file.size() > 5 && file.compare(file.size() - 5, 5, ".blvl") == 0;
        if (!(binary ? puzzle->LoadBinary(file) : puzzle->LoadXml(file)))
        {
            std::fprintf(stderr, "cannot load %s\n", file.c_str());
            std::exit(1);
        }
        PuzzleSolver solver;
        solver.SetPuzzle(puzzle.get());
        solver.Solve();
        solver.SetPuzzle(nullptr);
        if (solver.GetExpandedCount() > most)
        {
            most = solver.GetExpandedCount();
            hardest = std::move(puzzle);
        }
    }
    return hardest;
}

// ---- the benchmark ----

void SolvePuzzle(benchmark::State& state, std::unique_ptr<CEditablePuzzle> (*make)())
{
    Platform::SetDebugOutputSink([](const char*) {});
    const std::unique_ptr<CEditablePuzzle> puzzle = make();
    int32_t length = -1;
    int64_t expanded = 0;
    int64_t constructed = 0;
    int64_t peakHeap = 0;
    int64_t allocations = 0;
    for (auto _ : state)
    {
        const int64_t allocationsBefore = BenchHeap::Allocations();
        const int64_t before = BenchHeap::InUse();
        BenchHeap::ResetPeak();
        {
            PuzzleSolver solver;
            solver.SetPuzzle(puzzle.get());
            if (solver.Solve() != PuzzleSolver::StatusSolved)
            {
                state.SkipWithError("not solved");
                break;
            }
            length = solver.GetCurrentMove();
            expanded += solver.GetExpandedCount();
            constructed += solver.GetTotalConstructed();
        }
        peakHeap = std::max(peakHeap, BenchHeap::Peak() - before);
        allocations += BenchHeap::Allocations() - allocationsBefore;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["moves"] = length;
    state.counters["expanded/s"] =
        benchmark::Counter(static_cast<double>(expanded), benchmark::Counter::kIsRate);
    state.counters["constructed/s"] =
        benchmark::Counter(static_cast<double>(constructed), benchmark::Counter::kIsRate);
    state.counters["peak_heap_bytes"] = static_cast<double>(peakHeap);
    // Heap allocations of a solve per state constructed: the nodes come from chunks, so this stays far
    // below one.
    state.counters["allocs/constructed"] =
        constructed > 0 ? static_cast<double>(allocations) / static_cast<double>(constructed) : 0.0;
    state.counters["peak_rss_kib"] = static_cast<double>(usage.ru_maxrss);
    Platform::SetDebugOutputSink(nullptr);
}

std::unique_ptr<CEditablePuzzle> SmallPuzzle()
{
    return LoadPuzzle("solver_small.xml");
}

std::unique_ptr<CEditablePuzzle> MediumPuzzle()
{
    return LoadPuzzle("solver_medium.xml");
}

std::unique_ptr<CEditablePuzzle> LargePuzzle()
{
    return LoadPuzzle("solver_large.xml");
}

// The generated puzzle after PuzzleRefiner made its start harder (from 10 to 12 moves); saved, since
// refining takes about 20 seconds.
std::unique_ptr<CEditablePuzzle> RefinedPuzzle()
{
    return LoadPuzzle("solver_generated_refined.xml");
}

} // namespace

BENCHMARK_CAPTURE(SolvePuzzle, small, SmallPuzzle)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SolvePuzzle, medium, MediumPuzzle)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SolvePuzzle, large, LargePuzzle)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SolvePuzzle, generated, GeneratedPuzzle)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SolvePuzzle, generated_refined, RefinedPuzzle)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SolvePuzzle, generator, GeneratorPuzzle)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SolvePuzzle, hardest_basic, +[] { return HardestLevel("basic"); })->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SolvePuzzle, hardest_jungle, +[] { return HardestLevel("jungle"); })->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SolvePuzzle, hardest_swamp, +[] { return HardestLevel("swamp"); })->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SolvePuzzle, hardest_cave, +[] { return HardestLevel("cave"); })->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SolvePuzzle, hardest_temple, +[] { return HardestLevel("temple"); })->Unit(benchmark::kMillisecond);
