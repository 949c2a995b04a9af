#include "mediagen/GameLevels.h"

#include "mediagen/GameMedia.h"
#include "mediagen/GameModels.h"
#include "mediagen/LevelSource.h"
#include "mediagen/MapFiles.h"

#include "foundation/Xml.h"
#include "puzzle/Block.h"
#include "puzzle/BlocksLibrary.h"
#include "puzzle/EditablePuzzle.h"
#include "puzzle/PuzzleSolver.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <unistd.h>

namespace MediaGen
{

namespace fs = std::filesystem;

namespace
{

struct Level
{
    LevelSource source;
    std::unique_ptr<CEditablePuzzle> puzzle;
    // "<region>/NN.xml" or ".blvl", relative to the level folder.
    std::string relativePath;
};

std::string ReadWhole(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string TwoDigits(size_t number)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02zu", number);
    return text;
}

// The pieces of the puzzle, each as the chain BlocksLibrary::BuildFromPuzzle walks: from the north-west
// end, south where it can, else east.
std::vector<std::vector<CBlock*>> Pieces(CPuzzle& puzzle)
{
    std::vector<std::vector<CBlock*>> pieces;
    std::vector<const CBlock*> done;
    for (CBlock* block : puzzle.GetBlocks())
    {
        if (!block->IsMovable() || std::find(done.begin(), done.end(), block) != done.end())
        {
            continue;
        }
        CBlock* first = block;
        for (bool moved = true; moved;)
        {
            moved = false;
            for (BlockDirection d : {DirectionNorth, DirectionWest})
            {
                if (CBlock* next = first->GetNeighbour(d))
                {
                    first = next;
                    moved = true;
                }
            }
        }
        std::vector<CBlock*> chain;
        for (CBlock* part = first; part != nullptr;)
        {
            chain.push_back(part);
            CBlock* south = part->GetNeighbour(DirectionSouth);
            part = south != nullptr ? south : part->GetNeighbour(DirectionEast);
        }
        done.insert(done.end(), block->GetLinkSet().begin(), block->GetLinkSet().end());
        done.push_back(block);
        pieces.push_back(chain);
    }
    return pieces;
}

// One description per piece shape (its type names in chain order): the default part models, except that
// a coloured part shows its colour's model.
void AddShapes(CPuzzle& puzzle, std::map<std::string, CMetaBlockDescription>& shapes)
{
    for (const std::vector<CBlock*>& chain : Pieces(puzzle))
    {
        MetaBlockPartNames(chain.front());
        CMetaBlockDescription description;
        std::string name;
        for (const CBlock* part : chain)
        {
            const std::string type = part->GetTypeName();
            std::string model = part->GetModelName();
            if (part->GetKind() == KindColored)
            {
                model = "blkcol_" + type.substr(type.find('_') + 1);
            }
            description.GetParts().push_back({type, model});
            name += (name.empty() ? "" : "+") + type;
        }
        description.SetName(name);
        shapes.emplace(name, description);
    }
}

// The sources of a region in list order: "100.txt" follows "99.txt".
std::vector<fs::path> RegionSourceFiles(const std::string& sources, const std::string& region)
{
    std::vector<fs::path> files;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(sources) / region, error))
    {
        if (entry.is_regular_file() && entry.path().extension() == ".txt")
        {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end(), [](const fs::path& a, const fs::path& b) {
        const std::string x = a.stem().string();
        const std::string y = b.stem().string();
        return x.size() != y.size() ? x.size() < y.size() : x < y;
    });
    return files;
}

// "<region>/NN.xml" or ".blvl" for the level at the list position (from 0).
std::string LevelFileName(const std::string& region, size_t position, bool binary)
{
    return region + "/" + TwoDigits(position + 1) + (binary ? ".blvl" : ".xml");
}

bool ReadSources(const std::string& sources, std::map<std::string, std::vector<Level>>& regions)
{
    bool usable = true;
    for (const std::string& region : GameRegions())
    {
        std::vector<Level>& levels = regions[region];
        for (const fs::path& file : RegionSourceFiles(sources, region))
        {
            Level level;
            std::string fault;
            if (!ParseLevelSource(file.string(), ReadWhole(file), level.source, fault))
            {
                std::fprintf(stderr, "%s\n", fault.c_str());
                usable = false;
                continue;
            }
            level.relativePath = LevelFileName(region, levels.size(), level.source.binary);
            level.puzzle = std::make_unique<CEditablePuzzle>();
            BuildLevelPuzzle(level.source, *level.puzzle);
            levels.push_back(std::move(level));
        }
    }
    return usable;
}

// Every shown block's model, in the level's gfx set, must be a file the media hold.
bool ModelsExist(const Level& level, const std::string& media)
{
    bool exist = true;
    for (const CBlock* block : level.puzzle->GetBlocks())
    {
        if (!block->IsShown())
        {
            continue;
        }
        const fs::path model =
            fs::path(media) / "models" / level.source.gfxSet / (block->GetModelName() + ".x");
        if (block->GetModelName().empty() || !fs::is_regular_file(model))
        {
            std::fprintf(stderr, "%s: block %d has no model file \"%s\"\n", level.source.file.c_str(),
                         block->GetId(), model.string().c_str());
            exist = false;
        }
    }
    return exist;
}

// A level starts at rest: blocks that moved on their own (magnets apart from their partners) would make
// the player's first move before the player does anything.
bool StartsAtRest(Level& level)
{
    level.puzzle->Update(0.0);
    if (level.puzzle->IsMoving())
    {
        std::fprintf(stderr, "%s: blocks move on their own at the start\n", level.source.file.c_str());
        return false;
    }
    return true;
}

// The solver's limits for one level, a property of the content: the checks solve every level once, so
// these keep a pass over all of them within minutes of one core and each solve within a small machine's
// memory.
constexpr int64_t kMaxExpandedPerLevel = 200000;
constexpr int64_t kMaxExpandedInAll = 10000000;
constexpr size_t kSolverMemoryBudget = size_t{512} << 20;

bool Solve(Level& level, int64_t& expandedInAll)
{
    PuzzleSolver solver;
    solver.SetMemoryBudget(kSolverMemoryBudget);
    solver.SetPuzzle(level.puzzle.get());
    const int32_t status = solver.Solve();
    const std::string where = level.source.file + ":" + std::to_string(level.source.gridLine);
    if (status != PuzzleSolver::StatusSolved)
    {
        std::fprintf(stderr, "%s: the solver ended with status %d%s\n", where.c_str(), status,
                     status == PuzzleSolver::StatusNoSolution ? " (no solution)"
                     : solver.RanOutOfMemory()                ? " (it ran out of memory)"
                                                              : "");
        return false;
    }
    if (solver.GetExpandedCount() > kMaxExpandedPerLevel)
    {
        std::fprintf(stderr, "%s: the solver expanded %lld states, more than the %lld a level may take\n",
                     where.c_str(), static_cast<long long>(solver.GetExpandedCount()),
                     static_cast<long long>(kMaxExpandedPerLevel));
        return false;
    }
    if (solver.GetCurrentMove() < 2)
    {
        std::fprintf(stderr, "%s: solved in %d moves, a level takes at least 2\n", where.c_str(),
                     solver.GetCurrentMove());
        return false;
    }
    expandedInAll += solver.GetExpandedCount();
    level.puzzle->SetMinSolveMoves(solver.GetCurrentMove());
    level.puzzle->SetParSolveMoves(solver.GetCurrentMove());
    std::printf("%s: %d moves, %lld states, solved in %.3f s\n", level.relativePath.c_str(),
                solver.GetCurrentMove(), static_cast<long long>(solver.GetExpandedCount()),
                solver.GetElapsedSeconds());
    return true;
}

// The puzzle's file, written through a scratch file so that the media file is replaced whole.
bool WriteLevel(Level& level, const std::string& media, const fs::path& scratch)
{
    const fs::path file = scratch / (level.source.binary ? "level.blvl" : "level.xml");
    const bool saved =
        level.source.binary ? level.puzzle->SaveBinary(file.string()) : level.puzzle->SaveXml(file.string());
    if (!saved)
    {
        std::fprintf(stderr, "cannot write %s\n", file.string().c_str());
        return false;
    }
    return WriteMediaFile(media, "levels/" + level.relativePath, ReadWhole(file));
}

} // namespace

std::string LevelSourceFolder()
{
    return QUARROW_LEVEL_SOURCES;
}

bool WriteGameLevels(const std::string& media)
{
    return WriteLevels(LevelSourceFolder(), MapSourceFolder(), media);
}

bool ListRegionLevels(const std::string& levelSources, const std::string& region, std::vector<std::string>& files)
{
    files.clear();
    bool usable = true;
    for (const fs::path& file : RegionSourceFiles(levelSources, region))
    {
        LevelSource source;
        std::string fault;
        if (!ParseLevelSource(file.string(), ReadWhole(file), source, fault))
        {
            std::fprintf(stderr, "%s\n", fault.c_str());
            usable = false;
        }
        files.push_back(LevelFileName(region, files.size(), source.binary));
    }
    return usable;
}

bool WriteLevels(const std::string& sources, const std::string& mapSources, const std::string& media)
{
    std::map<std::string, std::vector<Level>> regions;
    bool usable = ReadSources(sources, regions);
    if (!usable)
    {
        return false;
    }

    std::map<std::string, CMetaBlockDescription> shapes;
    for (auto& [region, levels] : regions)
    {
        for (Level& level : levels)
        {
            AddShapes(*level.puzzle, shapes);
        }
    }
    BlocksLibrary library;
    for (const auto& [name, description] : shapes)
    {
        library.Add(description);
    }
    int64_t expandedInAll = 0;
    for (auto& [region, levels] : regions)
    {
        for (Level& level : levels)
        {
            library.BuildFromPuzzle(nullptr, *level.puzzle);
            usable = ModelsExist(level, media) && StartsAtRest(level) && Solve(level, expandedInAll) && usable;
        }
    }
    if (expandedInAll > kMaxExpandedInAll)
    {
        std::fprintf(stderr, "the solver expanded %lld states over all levels, more than %lld\n",
                     static_cast<long long>(expandedInAll), static_cast<long long>(kMaxExpandedInAll));
        usable = false;
    }
    // The map files take their lists from these levels and their layouts from the map sources; a map
    // source that cannot be used stops the step like a level that cannot.
    std::map<std::string, std::unique_ptr<CEditableMap>> maps;
    for (const std::string& region : GameRegions())
    {
        std::vector<std::string> files;
        for (const Level& level : regions[region])
        {
            files.push_back(level.relativePath);
        }
        maps[region] = BuildMapFile(region, files, mapSources);
        usable = maps[region] != nullptr && usable;
    }
    if (!usable)
    {
        return false;
    }

    const fs::path scratch =
        fs::temp_directory_path() / ("quarrow-mediagen-levels-" + std::to_string(::getpid()));
    std::error_code error;
    fs::create_directories(scratch, error);
    bool written = !error;
    for (const std::string& region : GameRegions())
    {
        std::error_code made;
        fs::create_directories(fs::path(media) / "levels" / region, made);
        for (Level& level : regions[region])
        {
            written = WriteLevel(level, media, scratch) && written;
        }
        written = SaveMapFile(media, region, *maps[region]) && written;
    }
    const fs::path libraryFile = scratch / "blockslibrary.xml";
    written = library.Save(libraryFile.string()) &&
              WriteMediaFile(media, "levels/blockslibrary.xml", ReadWhole(libraryFile)) && written;
    fs::remove_all(scratch, error);
    return written;
}

} // namespace MediaGen
