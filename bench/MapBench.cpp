// The world map on its largest map: the map file under media/levels with the most passage cells, with its
// path file when present; while no committed map has cells, a generated stand-in of the same size (128
// passage cells winding over a 22 x 18 interior, corridors three sub-cells wide along the passages).
// (a) MapPath: the fine path search (arg 0) and the cell route (arg 1) from the start cell to every
//     passage cell, every cell revealed; reports the time per search, the records a fine search used and
//     the share of fine searches that ran out of records;
// (b) MapLoad: reading the map file with its path file, with the bytes of the path grid it holds.
#include "tests/game/map/LargeMapStandIn.h"

#include "foundation/PathAliases.h"
#include "game/map/Map.h"
#include "platform/os/DebugOutput.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

int CountPassageCells(const CMap& map)
{
    int count = 0;
    for (int y = 0; y < map.GetSize().cy; ++y)
    {
        for (int x = 0; x < map.GetSize().cx; ++x)
        {
            count += map.HasAnyPassage(x, y) ? 1 : 0;
        }
    }
    return count;
}

// The map file the cases read and the alias table its path file is found through.
struct LargestMap
{
    LargestMap()
    {
        Platform::SetDebugOutputSink([](const char*) {});
        aliases.RegisterPathAlias("interface", QUARROW_MEDIA_DIR "/interface");
        int most = 0;
        for (const auto& entry : std::filesystem::directory_iterator(QUARROW_MEDIA_DIR "/levels"))
        {
            const std::string name = entry.path().filename().string();
            if (name.size() < 8 || name.compare(name.size() - 8, 8, ".map.xml") != 0)
            {
                continue;
            }
            CMap map;
            map.SetPathAliases(&aliases);
            if (map.LoadXml(0, entry.path().string()) && CountPassageCells(map) > most)
            {
                most = CountPassageCells(map);
                file = entry.path().string();
            }
        }
        if (most == 0)
        {
            folder = std::filesystem::temp_directory_path() / ("quarrow-bench-map-" + std::to_string(::getpid()));
            file = LargeMapStandIn::Write(folder);
            aliases.RegisterPathAlias("interface", (folder / "interface").string());
        }
        Platform::SetDebugOutputSink(nullptr);
        std::fprintf(stderr, "map: %s\n", file.c_str());
    }
    ~LargestMap()
    {
        if (!folder.empty())
        {
            std::filesystem::remove_all(folder);
        }
    }

    // A fresh map read from the file, every cell revealed.
    std::unique_ptr<CMap> Load() const
    {
        auto map = std::make_unique<CMap>();
        map->SetPathAliases(&aliases);
        map->LoadXml(0, file);
        for (int y = 0; y < map->GetSize().cy; ++y)
        {
            for (int x = 0; x < map->GetSize().cx; ++x)
            {
                map->GetCell(x, y).state |= MapCell::StateRevealed;
            }
        }
        return map;
    }

    BaseLib::CPathAliases aliases;
    std::filesystem::path folder;
    std::string file;
};

const LargestMap& GetLargestMap()
{
    static const LargestMap map;
    return map;
}

// Arg 0: the fine search (FindPath); arg 1: the cell route (FindCellRoute).
void MapPath(benchmark::State& state)
{
    const bool fine = state.range(0) == 0;
    std::unique_ptr<CMap> map = GetLargestMap().Load();
    CPathfindingMap& grid = map->GetPathfindingMap();
    const BaseLib::CPoint start = map->GetStartCell();
    int startI = 0;
    int startJ = 0;
    CPathfindingMap::CellToGrid(start.x, start.y, startI, startJ);
    std::vector<BaseLib::CPoint> targets;
    for (int y = 0; y < map->GetSize().cy; ++y)
    {
        for (int x = 0; x < map->GetSize().cx; ++x)
        {
            if (map->HasAnyPassage(x, y))
            {
                targets.emplace_back(x, y);
            }
        }
    }
    if (fine && grid.GetGrid() == nullptr)
    {
        state.SkipWithError("the map has no path file");
        return;
    }
    Platform::SetDebugOutputSink([](const char*) {});
    std::vector<std::int32_t> path;
    std::int64_t records = 0;
    int mostRecords = 0;
    std::int64_t exhausted = 0;
    std::int64_t searches = 0;
    for (auto _ : state)
    {
        for (const BaseLib::CPoint target : targets)
        {
            if (fine)
            {
                int goalI = 0;
                int goalJ = 0;
                CPathfindingMap::CellToGrid(target.x, target.y, goalI, goalJ);
                benchmark::DoNotOptimize(grid.FindPath(startI, startJ, goalI, goalJ, path));
                const CPathfindingMap::SearchUse use = grid.GetLastSearchUse();
                records += use.records;
                mostRecords = std::max(mostRecords, use.records);
                exhausted += use.poolExhausted ? 1 : 0;
            }
            else
            {
                benchmark::DoNotOptimize(map->FindCellRoute(target.x, target.y));
            }
            ++searches;
        }
    }
    Platform::SetDebugOutputSink(nullptr);
    state.counters["targets"] = static_cast<double>(targets.size());
    state.counters["per_search"] = benchmark::Counter(static_cast<double>(searches),
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    if (fine)
    {
        state.counters["records_mean"] = static_cast<double>(records) / static_cast<double>(searches);
        state.counters["records_max"] = mostRecords;
        state.counters["pool_overflow_share"] = static_cast<double>(exhausted) / static_cast<double>(searches);
    }
}
BENCHMARK(MapPath)->ArgName("cellroute")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void MapLoad(benchmark::State& state)
{
    const LargestMap& largest = GetLargestMap();
    CMap map;
    map.SetPathAliases(&largest.aliases);
    Platform::SetDebugOutputSink([](const char*) {});
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(map.LoadXml(0, largest.file));
    }
    Platform::SetDebugOutputSink(nullptr);
    const CPathfindingMap& grid = map.GetPathfindingMap();
    state.counters["path_grid_bytes"] = static_cast<double>(grid.GetWidth()) * static_cast<double>(grid.GetHeight());
    state.counters["cells"] = static_cast<double>(map.GetSize().cx * map.GetSize().cy);
}
BENCHMARK(MapLoad)->Unit(benchmark::kMicrosecond);

} // namespace
