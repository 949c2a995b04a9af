// The four adventure maps as the game reads them, checked with the game's own map classes: their
// structure, that one progress record carried over them in order can reach every level and each map's
// way on, that the play-through route gets there within its budget, and that the path files let the
// figure walk exactly where the passages lead.
#include "foundation/PathAliases.h"
#include "game/LevelList.h"
#include "game/map/Map.h"
#include "game/savegame/ProgressRecord.h"
#include "mediagen/MapSource.h"
#include "platform/os/DebugOutput.h"
#include "puzzle/EditablePuzzle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;

const fs::path kMedia = QUARROW_MEDIA_DIR;
const fs::path kMapSources = QUARROW_MAP_SOURCES_DIR;
const char* const kSettings[] = {"", "jungle", "swamp", "cave", "temple"};
constexpr int kSub = CPathfindingMap::SubCellsPerCell;

const BaseLib::CPathAliases& Aliases()
{
    static const BaseLib::CPathAliases aliases = [] {
        BaseLib::CPathAliases table;
        table.RegisterPathAlias("level", (kMedia / "levels").string());
        table.RegisterPathAlias("interface", (kMedia / "interface").string());
        return table;
    }();
    return aliases;
}

// Map index 1 .. 4 read as the world starts it.
std::unique_ptr<CMap> LoadMap(int index)
{
    auto map = std::make_unique<CMap>();
    map->SetPathAliases(&Aliases());
    EXPECT_TRUE(map->LoadXml(index, Aliases().ResolvePath(GetMapFileName(index)))) << index;
    return map;
}

std::vector<MediaGen::RouteStep> Route(int index)
{
    const fs::path file = kMapSources / (std::string(kSettings[index]) + ".route");
    std::ifstream stream(file, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
    std::vector<MediaGen::RouteStep> steps;
    std::string error;
    EXPECT_TRUE(MediaGen::ParseMapRoute(file.string(), text, steps, error)) << error;
    return steps;
}

// Row by row; visit gets x, y and the cell (writable when the map is).
template <typename Map, typename Visit>
void ForEachCell(Map& map, Visit visit)
{
    for (int y = 0; y < map.GetSize().cy; ++y)
    {
        for (int x = 0; x < map.GetSize().cx; ++x)
        {
            visit(x, y, map.GetCell(x, y));
        }
    }
}

int PassageCells(const CMap& map)
{
    int count = 0;
    ForEachCell(map, [&](int x, int y, const MapCell&) { count += map.HasAnyPassage(x, y) ? 1 : 0; });
    return count;
}

// The cell whose reaching finishes the map: the forward exit, or on the temple the route's last cell
// (the ending).
BaseLib::CPoint FinishCell(const CMap& map, int index)
{
    if (index < 4)
    {
        return map.FindLastExit();
    }
    const auto route = Route(index);
    return route.empty() ? BaseLib::CPoint(0, 0) : BaseLib::CPoint(route.back().x, route.back().y);
}

class WorldMapTest : public ::testing::TestWithParam<int>
{
};

TEST_P(WorldMapTest, HasItsSettingSizeLevelsExitsKeysTriggersAndFog)
{
    const int index = GetParam();
    const auto map = LoadMap(index);
    const std::string setting = kSettings[index];
    EXPECT_EQ(setting, map->GetSetting());
    const int sizeX = map->GetSize().cx;
    const int sizeY = map->GetSize().cy;
    EXPECT_GE(sizeX, 3);
    EXPECT_LE(sizeX, 32);
    EXPECT_GE(sizeY, 3);
    EXPECT_LE(sizeY, 32);
    EXPECT_LE(PassageCells(*map), CMap::MaxProgressCells);
    std::printf("%s: %d x %d cells inside the border, %d cells with a passage\n", setting.c_str(), sizeX - 2,
                sizeY - 2, PassageCells(*map));

    ASSERT_EQ(36, map->GetLevelCount());
    std::vector<int> levelCells(36, 0);
    int provided[3] = {};
    int locks[3] = {};
    int removeFog = 0;
    int fogRemovers = 0;
    std::vector<int> exitIds;
    ForEachCell(*map, [&](int x, int y, const MapCell& cell) {
        const bool border = x == 0 || y == 0 || x == sizeX - 1 || y == sizeY - 1;
        EXPECT_FALSE(border && map->HasAnyPassage(x, y)) << "a passage into the border at " << x << ", " << y;
        if (!map->HasAnyPassage(x, y))
        {
            EXPECT_EQ(MapCell(), cell) << "a cell without passage has content at " << x << ", " << y;
            return;
        }
        if (cell.HasPuzzle())
        {
            ASSERT_LT(cell.puzzle, 36) << x << ", " << y;
            ++levelCells[static_cast<size_t>(cell.puzzle)];
        }
        if (cell.IsExit())
        {
            exitIds.push_back(cell.GetExitId());
        }
        for (int kind = 0; kind < 3; ++kind)
        {
            provided[kind] += (cell.flags & (MapCell::ProvidesKeyA << kind)) != 0 ? 1 : 0;
            locks[kind] += (cell.flags & (MapCell::NeedsKeyA << kind)) != 0 ? 1 : 0;
        }
        removeFog += cell.GetAction() == MapCell::ActionRemoveFog ? 1 : 0;
        fogRemovers += (cell.flags & MapCell::FogRemover) != 0 ? 1 : 0;
        EXPECT_LE(cell.GetAction(), MapCell::ActionWalkWest);
        const std::string sequences[] = {cell.cutscene, cell.cutscene2};
        const int triggers[] = {cell.GetSequence1Trigger(), cell.GetSequence2Trigger()};
        for (int s = 0; s < 2; ++s)
        {
            if (sequences[s].empty())
            {
                continue;
            }
            EXPECT_LE(triggers[s], MapCell::TriggerAlwaysEntered) << sequences[s];
            EXPECT_TRUE(triggers[s] != MapCell::TriggerPuzzleSolved || cell.HasPuzzle()) << sequences[s];
            EXPECT_TRUE(triggers[s] != MapCell::TriggerLockOpened ||
                        (cell.flags & MapCell::NeedsAnyKey) != 0 || cell.goldreq > 0)
                << sequences[s];
            EXPECT_TRUE(triggers[s] != MapCell::TriggerKeyMissing || (cell.flags & MapCell::NeedsAnyKey) != 0)
                << sequences[s];
            EXPECT_EQ(0u, sequences[s].find(setting + "/")) << sequences[s];
        }
        for (const std::string& name : {cell.tile, cell.moodimg, cell.cutscene, cell.cutscene2})
        {
            EXPECT_TRUE(std::none_of(name.begin(), name.end(), [](char c) { return c >= 'A' && c <= 'Z'; }))
                << name;
        }
        EXPECT_NE("empty", cell.tile) << x << ", " << y;
        EXPECT_FALSE(cell.moodimg.empty()) << x << ", " << y;
    });
    for (int level = 0; level < 36; ++level)
    {
        EXPECT_EQ(1, levelCells[static_cast<size_t>(level)]) << "level " << level + 1 << " on that many cells";
        EXPECT_TRUE(fs::is_regular_file(kMedia / "levels" / map->GetLevelFile(level))) << map->GetLevelFile(level);
    }
    for (int kind = 0; kind < 3; ++kind)
    {
        EXPECT_GE(provided[kind], locks[kind]) << "keys of kind " << "ABC"[kind];
    }
    EXPECT_GE(removeFog, 1);
    EXPECT_GE(fogRemovers, 1);

    // Exit 0 is the start and the lowest; jungle, swamp and cave have one forward exit above it, the
    // temple none.
    std::sort(exitIds.begin(), exitIds.end());
    ASSERT_FALSE(exitIds.empty());
    EXPECT_EQ(0, exitIds.front());
    EXPECT_EQ(1, std::count(exitIds.begin(), exitIds.end(), 0));
    EXPECT_EQ(map->FindFirstExit(), map->GetStartCell());
    if (index < 4)
    {
        EXPECT_GT(exitIds.back(), 0);
        EXPECT_EQ(1, std::count(exitIds.begin(), exitIds.end(), exitIds.back()));
    }
    else
    {
        EXPECT_EQ(0, exitIds.back());
    }
}

INSTANTIATE_TEST_SUITE_P(Maps, WorldMapTest, ::testing::Values(1, 2, 3, 4),
                         [](const ::testing::TestParamInfo<int>& info) { return std::string(kSettings[info.param]); });

TEST(WorldMapsTest, TreasuresSumTo220AndThereAreTwoPylonsAMap)
{
    int treasure = 0;
    for (int index = 1; index <= 4; ++index)
    {
        const auto map = LoadMap(index);
        int pylons = 0;
        ForEachCell(*map, [&](int, int, const MapCell& cell) {
            pylons += (cell.flags & MapCell::Pylon) != 0 ? 1 : 0;
            if (cell.GetTreasure() > 0)
            {
                treasure += cell.GetTreasure();
            }
        });
        EXPECT_EQ(2, pylons) << kSettings[index];
    }
    EXPECT_EQ(ProgressRecord().GetTreasureGoldMax(), treasure);
}

// The world's map start: the figure where the record puts it, the progress loaded, the last solved
// level forgotten.
std::unique_ptr<CMap> StartMap(ProgressRecord& record, int index, bool active)
{
    auto map = LoadMap(index);
    map->SetActive(active);
    map->LoadProgress(record);
    record.SetLastCell(-1, -1);
    return map;
}

// Takes the map over to the next one as game commands 9 and 10 do.
void LeaveMap(ProgressRecord& record, CMap& map, int index)
{
    map.SaveProgress(record);
    if (index < 4)
    {
        record.GetMapProgress(index + 1).SetOpen(true);
    }
    record.SetFigurePosition(-1.0f, -1.0f);
    record.SetPreviousMap(index);
    record.SetCurrentMap(index + 1);
}

bool IsHint(const std::string& sequence)
{
    return sequence.rfind("needkey_", 0) == 0 || sequence.rfind("needgold_", 0) == 0;
}

// Every map completed by trying everything: visiting every revealed cell, earning two gold on every
// revealed puzzle, opening every revealed lock (in row order or the reverse), until nothing changes.
void CompleteEveryMap(bool reverseLocks)
{
    Platform::DebugOutputCapture quiet;
    ProgressRecord record;
    for (int index = 1; index <= 4; ++index)
    {
        std::unique_ptr<CMap> map = StartMap(record, index, true);
        std::vector<std::string> margins;
        for (bool changed = true; changed;)
        {
            const ProgressRecord before = record;
            std::vector<std::uint32_t> states;
            ForEachCell(*map, [&](int, int, const MapCell& cell) { states.push_back(cell.state); });

            ForEachCell(*map, [&](int x, int y, const MapCell& cell) {
                if (cell.IsRevealed())
                {
                    map->VisitCell(x, y);
                }
            });
            map->SaveProgress(record);
            ForEachCell(*map, [&](int, int, const MapCell& cell) {
                if (cell.IsRevealed() && cell.HasPuzzle() && !cell.IsSolved())
                {
                    LevelRecord& level = record.GetMapProgress(index).GetLevelRecord(cell.puzzle);
                    level.SetSolved(10);
                    level.RaiseRating(2);
                }
            });
            map->LoadProgress(record);
            std::vector<BaseLib::CPoint> locked;
            ForEachCell(*map, [&](int x, int y, const MapCell& cell) {
                if (cell.IsRevealed() && map->IsCellLocked(x, y))
                {
                    locked.emplace_back(x, y);
                }
                // A cell's walk action sends the figure only to a neighbour it can reach then.
                const int action = cell.GetAction();
                if (cell.IsRevealed() && (!cell.HasPuzzle() || cell.IsSolved()) && action != 0 &&
                    action != MapCell::ActionStartPuzzle && action != MapCell::ActionRemoveFog)
                {
                    const int direction = action == MapCell::ActionWalkSouth  ? CMap::South
                                          : action == MapCell::ActionWalkEast ? CMap::East
                                          : action == MapCell::ActionWalkWest ? CMap::West
                                                                               : CMap::North;
                    const int dx = direction == CMap::East ? 1 : direction == CMap::West ? -1 : 0;
                    const int dy = direction == CMap::South ? 1 : direction == CMap::North ? -1 : 0;
                    EXPECT_EQ(CMap::PassageOpen, map->GetNeighbour(x, y, direction)) << x << ", " << y;
                    if (action == MapCell::ActionWalkNorth2)
                    {
                        EXPECT_EQ(CMap::PassageOpen, map->GetNeighbour(x + dx, y + dy, direction)) << x << ", " << y;
                    }
                }
            });
            if (reverseLocks)
            {
                std::reverse(locked.begin(), locked.end());
            }
            for (const BaseLib::CPoint& cell : locked)
            {
                const int gold = map->GetGold();
                const int required = map->GetCell(cell.x, cell.y).goldreq;
                if (map->EnterCell(cell.x, cell.y) && required > 0)
                {
                    margins.push_back(std::to_string(gold - required) + " (" + std::to_string(gold) + " for " +
                                      std::to_string(required) + ")");
                }
                std::string sequence;
                map->TakePendingSequence(sequence);
            }
            std::vector<std::uint32_t> after;
            ForEachCell(*map, [&](int, int, const MapCell& cell) { after.push_back(cell.state); });
            changed = !(before == record) || states != after;
        }
        map->SaveProgress(record);

        int reached = 0;
        ForEachCell(*map, [&](int, int, const MapCell& cell) { reached += cell.HasPuzzle() && cell.IsRevealed() ? 1 : 0; });
        const BaseLib::CPoint finish = FinishCell(*map, index);
        EXPECT_TRUE(map->GetCell(finish.x, finish.y).IsRevealed()) << kSettings[index] << ": the way on is not reached";
        EXPECT_EQ(36, reached) << kSettings[index];
        std::string printed;
        for (const std::string& margin : margins)
        {
            printed += (printed.empty() ? "" : ", ") + margin;
        }
        std::printf("%s (locks in %s order): %d cells with a passage, gold margins %s, %d levels reached\n",
                    kSettings[index], reverseLocks ? "reverse row" : "row", PassageCells(*map),
                    printed.empty() ? "none" : printed.c_str(), reached);
        LeaveMap(record, *map, index);
    }
}

TEST(WorldMapsTest, OneProgressRecordCompletesEveryMapOpeningLocksInRowOrder)
{
    CompleteEveryMap(false);
}

TEST(WorldMapsTest, OneProgressRecordCompletesEveryMapOpeningLocksInReverseRowOrder)
{
    CompleteEveryMap(true);
}

// The route played as the map screen plays it: the figure walks (fine paths, sequences cutting walks
// short, cell actions), each played level earns three gold and restarts the map, locks open with the
// keys and gold gathered on the way.
TEST(WorldMapsTest, TheRouteOfEachMapReachesItsEndWithinItsBudget)
{
    Platform::DebugOutputCapture quiet;
    ProgressRecord record;
    for (int index = 1; index <= 4; ++index)
    {
        SCOPED_TRACE(kSettings[index]);
        const std::vector<MediaGen::RouteStep> route = Route(index);
        ASSERT_FALSE(route.empty());
        std::unique_ptr<CMap> map = StartMap(record, index, false);
        std::set<std::string> stories;
        int puzzles = 0;
        int lastPlayed = -1;
        auto takeSequences = [&] {
            std::string sequence;
            while (map->TakePendingSequence(sequence))
            {
                if (!IsHint(sequence))
                {
                    stories.insert(sequence);
                }
            }
        };
        for (const MediaGen::RouteStep& step : route)
        {
            SCOPED_TRACE(std::string(MediaGen::RouteActName(step.act)) + " " + std::to_string(step.x) + " " +
                         std::to_string(step.y) + " (line " + std::to_string(step.line) + ")");
            // Walk there: a sequence on the way stops the figure, then the walk is asked for again.
            for (int attempt = 0; attempt < 20 && (map->GetPlayerCell() != BaseLib::CPoint(step.x, step.y) ||
                                                   map->IsWalking());
                 ++attempt)
            {
                ASSERT_TRUE(map->IsWalking() || map->WalkTo(step.x, step.y)) << "no way to the cell";
                for (int frame = 0; frame < 20000 && map->IsWalking(); ++frame)
                {
                    map->Update(0.02);
                    takeSequences();
                }
                map->Update(0.02);
                takeSequences();
            }
            ASSERT_EQ(BaseLib::CPoint(step.x, step.y), map->GetPlayerCell());
            const MapCell& cell = map->GetCell(step.x, step.y);
            switch (step.act)
            {
            case MediaGen::RouteStep::Play:
            {
                ASSERT_TRUE(cell.HasPuzzle());
                ASSERT_FALSE(map->IsCellLocked(step.x, step.y));
                // The level labels count up along the way.
                EXPECT_GT(cell.puzzle, lastPlayed);
                lastPlayed = cell.puzzle;
                ++puzzles;
                CEditablePuzzle puzzle;
                const std::string file = Aliases().ResolvePath("level>" + map->GetLevelFile(cell.puzzle));
                ASSERT_TRUE(file.ends_with(".blvl") ? puzzle.LoadBinary(file) : puzzle.LoadXml(file)) << file;
                EXPECT_LE(puzzle.GetMinSolveMoves(), 12) << file;
                // The level is played and solved with three stars; the world shuts the map, records the
                // result and starts the map again.
                map->SaveProgress(record);
                record.SetFigurePosition(map->GetPlayerPosition().x, map->GetPlayerPosition().y);
                LevelRecord& level = record.GetMapProgress(index).GetLevelRecord(cell.puzzle);
                if (!level.IsSolved())
                {
                    record.SetLastCell(index, cell.puzzle);
                }
                level.SetSolved(static_cast<std::uint32_t>(puzzle.GetMinSolveMoves()));
                level.RaiseRating(3);
                map = StartMap(record, index, false);
                break;
            }
            case MediaGen::RouteStep::Open:
                ASSERT_TRUE(map->IsCellLocked(step.x, step.y));
                EXPECT_TRUE(map->EnterCell(step.x, step.y)) << "the lock stays shut, gold " << map->GetGold();
                takeSequences();
                break;
            case MediaGen::RouteStep::Leave:
                ASSERT_TRUE(cell.IsExit());
                EXPECT_EQ(map->FindLastExit(), BaseLib::CPoint(step.x, step.y));
                EXPECT_GT(cell.GetExitId(), 0);
                break;
            case MediaGen::RouteStep::Walk:
                break;
            }
        }
        const MediaGen::RouteStep& last = route.back();
        if (index < 4)
        {
            EXPECT_EQ(MediaGen::RouteStep::Leave, last.act);
        }
        else
        {
            EXPECT_EQ(MediaGen::RouteStep::Walk, last.act);
            const std::string ending = map->GetCell(last.x, last.y).cutscene;
            EXPECT_FALSE(ending.empty());
            EXPECT_EQ(1u, stories.count(ending)) << "the ending did not play";
        }
        EXPECT_LE(puzzles, 6);
        EXPECT_LE(stories.size(), 3u);
        std::string names;
        for (const std::string& story : stories)
        {
            names += " " + story;
        }
        std::printf("%s route: %zu steps, %d puzzles, gold %d, story scenes:%s\n", kSettings[index], route.size(),
                    puzzles, map->GetGold(), names.c_str());
        LeaveMap(record, *map, index);
    }
}

bool InCell(int i, int j, int x, int y)
{
    return i / kSub == x && j / kSub == y;
}

// The path file: its size, walkable centres and corridors exactly where passages lead, every way into a
// cell across its row or column 3 or 8; fine paths from the start to every puzzle within the search's
// records, and none through a cell that is still closed.
TEST_P(WorldMapTest, PathFileLetsTheFigureWalkWhereThePassagesLeadAndNowhereElse)
{
    const int index = GetParam();
    const auto map = LoadMap(index);
    CPathfindingMap& paths = map->GetPathfindingMap();
    ASSERT_NE(nullptr, paths.GetGrid()) << "no path file";
    const int sizeX = map->GetSize().cx;
    const int sizeY = map->GetSize().cy;
    const fs::path file =
        kMedia / "interface" / "map" / kSettings[index] / (std::string(kSettings[index]) + "paths.raw");
    EXPECT_EQ(static_cast<std::uintmax_t>(sizeX * kSub * sizeY * kSub), fs::file_size(file));

    auto walkable = [&](int i, int j) { return paths.IsWalkable(i, j); };
    for (int y = 0; y < sizeY; ++y)
    {
        for (int x = 0; x < sizeX; ++x)
        {
            int open = 0;
            for (int j = y * kSub; j < (y + 1) * kSub; ++j)
            {
                for (int i = x * kSub; i < (x + 1) * kSub; ++i)
                {
                    open += walkable(i, j) ? 1 : 0;
                }
            }
            if (!map->HasAnyPassage(x, y))
            {
                EXPECT_EQ(0, open) << "walkable sub-cells in a cell without passage at " << x << ", " << y;
                continue;
            }
            EXPECT_TRUE(walkable(x * kSub + 5, y * kSub + 5)) << x << ", " << y;
            // Within the cell, leaving out its rows and columns 3 and 8, the centre reaches no edge.
            std::vector<std::pair<int, int>> todo = {{5, 5}};
            std::set<std::pair<int, int>> seen = {{5, 5}};
            while (!todo.empty())
            {
                const auto [a, b] = todo.back();
                todo.pop_back();
                EXPECT_FALSE(a == 0 || b == 0 || a == kSub - 1 || b == kSub - 1)
                    << "a way into " << x << ", " << y << " crosses neither row nor column 3 or 8";
                for (int da = -1; da <= 1; ++da)
                {
                    for (int db = -1; db <= 1; ++db)
                    {
                        const int na = a + da;
                        const int nb = b + db;
                        if (na < 0 || nb < 0 || na >= kSub || nb >= kSub || na == 3 || na == 8 || nb == 3 || nb == 8 ||
                            !walkable(x * kSub + na, y * kSub + nb) || !seen.insert({na, nb}).second)
                        {
                            continue;
                        }
                        todo.emplace_back(na, nb);
                    }
                }
            }
            // Across the eastern and southern edges (and the two corners below), walkable sub-cells touch
            // exactly when a passage leads there.
            for (int direction : {CMap::East, CMap::South})
            {
                const bool passage = map->GetNeighbour(x, y, direction) != CMap::NoPassage;
                bool touch = false;
                for (int k = 0; k < kSub; ++k)
                {
                    const int i = direction == CMap::East ? (x + 1) * kSub - 1 : x * kSub + k;
                    const int j = direction == CMap::East ? y * kSub + k : (y + 1) * kSub - 1;
                    for (int d = -1; d <= 1; ++d)
                    {
                        const int ni = direction == CMap::East ? i + 1 : i + d;
                        const int nj = direction == CMap::East ? j + d : j + 1;
                        const bool sameNeighbour =
                            direction == CMap::East ? InCell(ni, nj, x + 1, y) : InCell(ni, nj, x, y + 1);
                        touch = touch || (sameNeighbour && walkable(i, j) && walkable(ni, nj));
                    }
                }
                EXPECT_EQ(passage, touch) << x << ", " << y << " direction " << direction;
            }
            const int i = (x + 1) * kSub - 1;
            const int j = (y + 1) * kSub - 1;
            EXPECT_FALSE(walkable(i, j) && walkable(i + 1, j + 1)) << "corner south-east of " << x << ", " << y;
            EXPECT_FALSE(walkable(i, j - kSub + 1) && walkable(i + 1, j - kSub)) << "corner north-east of " << x << ", " << y;
        }
    }

    // Everything revealed: a fine path from the start to every puzzle, within the search's records.
    ForEachCell(*map, [&](int, int, MapCell& cell) { cell.state |= MapCell::StateRevealed; });
    const BaseLib::CPoint start = map->GetStartCell();
    int startI = 0;
    int startJ = 0;
    CPathfindingMap::CellToGrid(start.x, start.y, startI, startJ);
    // The map's traces of every search stay out of the log.
    Platform::DebugOutputCapture quiet;
    std::vector<BaseLib::CPoint> goals;
    const BaseLib::CPoint finish = FinishCell(*map, index);
    ForEachCell(*map, [&](int x, int y, const MapCell& cell) {
        if (cell.HasPuzzle() || BaseLib::CPoint(x, y) == finish)
        {
            goals.emplace_back(x, y);
        }
    });
    int mostRecords = 0;
    for (const BaseLib::CPoint& goal : goals)
    {
        int goalI = 0;
        int goalJ = 0;
        CPathfindingMap::CellToGrid(goal.x, goal.y, goalI, goalJ);
        std::vector<std::int32_t> path;
        EXPECT_TRUE(paths.FindPath(startI, startJ, goalI, goalJ, path)) << goal.x << ", " << goal.y;
        EXPECT_FALSE(paths.GetLastSearchUse().poolExhausted);
        mostRecords = std::max(mostRecords, paths.GetLastSearchUse().records);
    }
    std::printf("%s: %zu fine searches from the start, at most %d of %d records\n", kSettings[index], goals.size(),
                mostRecords, CPathfindingMap::RecordPoolSize);

    // One passage cell at a time left closed: no path found from the start passes through it.
    ForEachCell(*map, [&](int x, int y, MapCell& closed) {
        if (!map->HasAnyPassage(x, y) || BaseLib::CPoint(x, y) == start)
        {
            return;
        }
        closed.state &= ~MapCell::StateRevealed;
        for (const BaseLib::CPoint& goal : goals)
        {
            if (goal == BaseLib::CPoint(x, y))
            {
                continue;
            }
            int goalI = 0;
            int goalJ = 0;
            CPathfindingMap::CellToGrid(goal.x, goal.y, goalI, goalJ);
            std::vector<std::int32_t> path;
            if (paths.FindPath(startI, startJ, goalI, goalJ, path))
            {
                for (const std::int32_t sub : path)
                {
                    ASSERT_FALSE(InCell(sub % paths.GetWidth(), sub / paths.GetWidth(), x, y))
                        << "a path to " << goal.x << ", " << goal.y << " passes the closed cell " << x << ", " << y;
                }
            }
        }
        closed.state |= MapCell::StateRevealed;
        quiet.Clear();
    });
}

} // namespace
