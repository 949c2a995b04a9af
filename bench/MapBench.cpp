// The world map on a generated stand-in for the largest map a map may be (128 passage cells winding over
// a 22 x 18 interior, corridors three sub-cells wide along the passages), and on the shipped maps.
// (a) MapPath: the fine path search (arg 0) and the cell route (arg 1) from the start cell to every
//     passage cell, every cell revealed; reports the time per search, the records a fine search used and
//     the share of fine searches that ran out of records. MapPathShipped: the same fine searches on each
//     shipped adventure map (arg: its map index), from the start cell to each puzzle cell;
// (b) MapLoad: reading the map file with its path file, with the bytes of the path grid it holds;
// (c) MapDraw: the map renderer in the window system over memory canvases (no display), the map revealed
//     from its start cell: one full Draw (arg 0), one Update without a change (arg 1), and the paint pass
//     of the frame after a Draw (arg 2), the Draw itself untimed. The stand-in's images are the renderer
//     tests' flat-colour fixtures; images a map names that do not exist show the factory's placeholder.
//     MapDrawShipped: the shipped jungle map with its own art in a 1280 x 1024 view, every cell revealed
//     and the fog lifted from its western half, the figure walking between the map's two ends: one frame
//     (the map's world step, the renderer's Update and the window system's update and paint passes) per
//     iteration, with frames per second and the process's resident memory with the map screen built.
#include "BenchCanvas.h"
#include "tests/game/map/LargeMapStandIn.h"
#include "tests/ui/support/MemoryCanvas.h"

#include "foundation/PathAliases.h"
#include "game/map/Map.h"
#include "game/map/MapRenderer2D.h"
#include "platform/os/DebugOutput.h"
#include "ui/BitmapFactory.h"
#include "ui/Clock.h"
#include "ui/UILibSystem.h"
#include "ui/WindowManager.h"
#include "ui/controls/ScrollWindow.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

// The map file the cases read and the alias table its path file is found through: the stand-in, written
// into a temporary folder.
struct LargestMap
{
    LargestMap()
    {
        folder = std::filesystem::temp_directory_path() / ("quarrow-bench-map-" + std::to_string(::getpid()));
        file = LargeMapStandIn::Write(folder);
        aliases.RegisterPathAlias("interface", (folder / "interface").string());
        imageAliases.RegisterPathAlias("interface", QUARROW_MAP_FIXTURE_DIR "/interface");
        imageFolder = QUARROW_MAP_FIXTURE_DIR;
    }
    ~LargestMap()
    {
        if (!folder.empty())
        {
            std::filesystem::remove_all(folder);
        }
    }

    // A fresh map read from the file, every cell revealed.
    std::unique_ptr<CMap> Load() const { return LoadRevealed(file, aliases); }

    static std::unique_ptr<CMap> LoadRevealed(const std::string& file, const BaseLib::CPathAliases& aliases)
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
    // Where the renderer's images are found: the alias "interface" and the folder of the others.
    BaseLib::CPathAliases imageAliases;
    std::string imageFolder;
};

LargestMap& GetLargestMap()
{
    static LargestMap map;
    return map;
}

// The searches from the start cell to each target of a map, fine (FindPath) or over cells (FindCellRoute).
void SearchFromStart(benchmark::State& state, CMap* map, const std::vector<BaseLib::CPoint>& targets, bool fine)
{
    CPathfindingMap& grid = map->GetPathfindingMap();
    const BaseLib::CPoint start = map->GetStartCell();
    int startI = 0;
    int startJ = 0;
    CPathfindingMap::CellToGrid(start.x, start.y, startI, startJ);
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

// Arg 0: the fine search (FindPath); arg 1: the cell route (FindCellRoute).
void MapPath(benchmark::State& state)
{
    std::unique_ptr<CMap> map = GetLargestMap().Load();
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
    SearchFromStart(state, map.get(), targets, state.range(0) == 0);
}
BENCHMARK(MapPath)->ArgName("cellroute")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Arg: the shipped map's index, 1 (jungle) to 4 (temple); fine searches to every puzzle cell.
void MapPathShipped(benchmark::State& state)
{
    BaseLib::CPathAliases aliases;
    aliases.RegisterPathAlias("interface", QUARROW_MEDIA_DIR "/interface");
    const char* const files[] = {"", "jungle", "swamp", "cave", "temple"};
    Platform::SetDebugOutputSink([](const char*) {});
    std::unique_ptr<CMap> map = LargestMap::LoadRevealed(
        std::string(QUARROW_MEDIA_DIR "/levels/") + files[state.range(0)] + ".map.xml", aliases);
    Platform::SetDebugOutputSink(nullptr);
    std::vector<BaseLib::CPoint> targets;
    for (int y = 0; y < map->GetSize().cy; ++y)
    {
        for (int x = 0; x < map->GetSize().cx; ++x)
        {
            if (map->GetCell(x, y).HasPuzzle())
            {
                targets.emplace_back(x, y);
            }
        }
    }
    SearchFromStart(state, map.get(), targets, true);
}
BENCHMARK(MapPathShipped)->ArgName("map")->DenseRange(1, 4)->Unit(benchmark::kMicrosecond);

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

class COwner : public CMapRendererOwner
{
public:
    void OnPointerCell(int, int) override {}
    void OnPointerPosition(int, int, float, float) override {}
};

// The screen's canvas, with the dirty list emptied by each paint pass as a presenting canvas does.
class CScreenCanvas : public Bench::CBenchCanvas
{
public:
    using CBenchCanvas::CBenchCanvas;
    void EndDraw(bool clearDirtyList) override
    {
        if (clearDirtyList)
        {
            ClearDirtyRects();
        }
    }
};

// Arg 0: Draw; 1: Update without a change; 2: the paint pass after a Draw.
void MapDraw(benchmark::State& state)
{
    LargestMap& largest = GetLargestMap();
    constexpr std::int32_t Width = 1280;
    constexpr std::int32_t Height = 1024;
    Platform::SetDebugOutputSink([](const char*) {});
    UILib::SetTimeOverride(0.0);
    UILib::CUILibSystem::CreateInstance();
    UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
    system->SetPathAliases(&largest.imageAliases);
    system->GetBitmapFactory()->AddSearchPath(largest.imageFolder.c_str());
    system->GetBitmapFactory()->AddSearchPath(QUARROW_MEDIA_DIR "/interface/standard");
    UILib::CWindowManager* manager = system->GetWindowManager();
    manager->SetCanvasFactory(&UiTestSupport::CMemoryTextureCanvas::Make);
    {
        CScreenCanvas screen(Width, Height);
        auto* root = new UILib::CWindow();
        root->SetSize(Width, Height);
        manager->AddLayer(root);
        root->SetCanvas(&screen);
        auto* scroll = new UILib::CScrollWindow();
        scroll->SetSize(Width, Height);
        root->AddChild(scroll->GetHandle());

        std::unique_ptr<CMap> map = largest.Load();
        // Revealed from the start as a new game is: the locks stay closed, with barriers behind them.
        for (int y = 0; y < map->GetSize().cy; ++y)
        {
            for (int x = 0; x < map->GetSize().cx; ++x)
            {
                map->GetCell(x, y).state = 0;
            }
        }
        map->Reveal(map->GetStartCell().x, map->GetStartCell().y, -1);
        map->UpdateFog();
        COwner owner;
        CMapRenderer2D renderer(&owner, map.get());
        renderer.LoadResources(scroll);
        renderer.Update(0.02);
        manager->PaintLayers();

        const int mode = static_cast<int>(state.range(0));
        for (auto _ : state)
        {
            if (mode == 0)
            {
                renderer.Draw();
            }
            else if (mode == 1)
            {
                renderer.Update(0.02);
            }
            else
            {
                state.PauseTiming();
                renderer.Draw();
                state.ResumeTiming();
                manager->PaintLayers();
            }
        }
        state.counters["cells"] = static_cast<double>(renderer.GetCellWindows().size());
        state.counters["markers"] = static_cast<double>(renderer.GetMarkers().size());
        renderer.Release();
        UILib::CWindow::Delete(root);
    }
    UILib::CUILibSystem::DestroyInstance();
    UILib::SetTimeOverride(-1.0);
    Platform::SetDebugOutputSink(nullptr);
}
BENCHMARK(MapDraw)->ArgName("case")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// The process's resident set in MiB, from /proc/self/statm.
double ResidentMiB()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

void MapDrawShipped(benchmark::State& state)
{
    constexpr std::int32_t Width = 1280;
    constexpr std::int32_t Height = 1024;
    BaseLib::CPathAliases aliases;
    aliases.RegisterPathAlias("level", QUARROW_MEDIA_DIR "/levels");
    aliases.RegisterPathAlias("interface", QUARROW_MEDIA_DIR "/interface");
    Platform::SetDebugOutputSink([](const char*) {});
    const double residentBefore = ResidentMiB();
    UILib::SetTimeOverride(0.0);
    UILib::CUILibSystem::CreateInstance();
    UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
    system->SetPathAliases(&aliases);
    // The game's bitmap folders: "./", the theme's and the interface folder (bare names "map/...").
    system->GetBitmapFactory()->AddSearchPath(QUARROW_MEDIA_DIR "/interface/standard");
    system->GetBitmapFactory()->AddSearchPath(QUARROW_MEDIA_DIR "/interface");
    UILib::CWindowManager* manager = system->GetWindowManager();
    manager->SetCanvasFactory(&UiTestSupport::CMemoryTextureCanvas::Make);
    {
        CScreenCanvas screen(Width, Height);
        auto* root = new UILib::CWindow();
        root->SetSize(Width, Height);
        manager->AddLayer(root);
        root->SetCanvas(&screen);
        auto* scroll = new UILib::CScrollWindow();
        scroll->SetSize(Width, Height);
        root->AddChild(scroll->GetHandle());

        std::unique_ptr<CMap> map = LargestMap::LoadRevealed(QUARROW_MEDIA_DIR "/levels/jungle.map.xml", aliases);
        for (int y = 0; y < map->GetSize().cy; ++y)
        {
            for (int x = 0; x < map->GetSize().cx / 2; ++x)
            {
                map->RemoveFog(x, y);
            }
        }
        // The walk runs between the start and the last exit, turning back at each end.
        const BaseLib::CPoint ends[2] = {map->GetStartCell(), map->FindLastExit()};
        int goal = 1;
        map->WalkTo(ends[goal].x, ends[goal].y);
        COwner owner;
        CMapRenderer2D renderer(&owner, map.get());
        renderer.LoadResources(scroll);
        renderer.Update(0.02);
        manager->Update();
        manager->PaintLayers();
        const double residentBuilt = ResidentMiB();

        double now = 0.0;
        for (auto _ : state)
        {
            if (!map->IsWalking())
            {
                goal = 1 - goal;
                map->WalkTo(ends[goal].x, ends[goal].y);
            }
            map->Update(0.02);
            renderer.Update(0.02);
            now += 0.02;
            UILib::SetTimeOverride(now);
            manager->Update();
            manager->PaintLayers();
        }
        state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
        state.counters["rss_mib"] = residentBuilt;
        state.counters["rss_added_mib"] = residentBuilt - residentBefore;
        state.counters["cells"] = static_cast<double>(renderer.GetCellWindows().size());
        renderer.Release();
        UILib::CWindow::Delete(root);
    }
    UILib::CUILibSystem::DestroyInstance();
    UILib::SetTimeOverride(-1.0);
    Platform::SetDebugOutputSink(nullptr);
}
BENCHMARK(MapDrawShipped)->Unit(benchmark::kMicrosecond);

} // namespace
