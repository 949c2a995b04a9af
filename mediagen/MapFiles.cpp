#include "mediagen/MapFiles.h"

#include "mediagen/GameLevels.h"
#include "mediagen/GameMedia.h"
#include "mediagen/GameModels.h"
#include "mediagen/MapSource.h"

#include "platform/os/FileReplace.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace MediaGen
{

namespace fs = std::filesystem;

namespace
{

std::string ReadWhole(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Every route step names a cell inside the map's border ring.
bool RouteInsideMap(const std::string& file, const std::vector<RouteStep>& steps, const CMap& map)
{
    for (const RouteStep& step : steps)
    {
        if (step.x < 1 || step.y < 1 || step.x >= map.GetSize().cx - 1 || step.y >= map.GetSize().cy - 1)
        {
            std::fprintf(stderr, "%s:%d: the cell (%d, %d) lies outside the map's interior\n", file.c_str(),
                         step.line, step.x, step.y);
            return false;
        }
    }
    return true;
}

} // namespace

std::string MapSourceFolder()
{
    return QUARROW_MAP_SOURCES;
}

std::unique_ptr<CEditableMap> BuildMapFile(const std::string& region, const std::vector<std::string>& levels,
                                           const std::string& mapSources)
{
    auto map = std::make_unique<CEditableMap>();
    const fs::path source = fs::path(mapSources) / (region + ".txt");
    if (fs::is_regular_file(source))
    {
        std::string error;
        if (!ParseMapSource(source.string(), ReadWhole(source), static_cast<int>(levels.size()), *map, error) ||
            !CheckMapContent(source.string(), *map, error))
        {
            std::fprintf(stderr, "%s\n", error.c_str());
            return nullptr;
        }
        const fs::path routeFile = fs::path(mapSources) / (region + ".route");
        std::vector<RouteStep> route;
        if (!fs::is_regular_file(routeFile))
        {
            std::fprintf(stderr, "%s:0: the map has no route file\n", routeFile.string().c_str());
            return nullptr;
        }
        if (!ParseMapRoute(routeFile.string(), ReadWhole(routeFile), route, error))
        {
            std::fprintf(stderr, "%s\n", error.c_str());
            return nullptr;
        }
        if (!RouteInsideMap(routeFile.string(), route, *map))
        {
            return nullptr;
        }
    }
    map->SetLevelList(levels);
    return map;
}

bool SaveMapFile(const std::string& media, const std::string& region, CEditableMap& map)
{
    const std::string path = (fs::path(media) / "levels" / (region + ".map.xml")).string();
    if (!map.SaveXml(path))
    {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

std::string BuildPathGrid(const CMap& map)
{
    constexpr int n = CPathfindingMap::SubCellsPerCell;
    constexpr int centre = n / 2;
    const int width = map.GetSize().cx * n;
    const int height = map.GetSize().cy * n;
    std::string grid(static_cast<size_t>(width * height), '\1');
    auto open = [&](int i, int j) { grid[static_cast<size_t>(j * width + i)] = '\0'; };
    for (int y = 0; y < map.GetSize().cy; ++y)
    {
        for (int x = 0; x < map.GetSize().cx; ++x)
        {
            if (!map.HasAnyPassage(x, y))
            {
                continue;
            }
            const int i0 = x * n;
            const int j0 = y * n;
            open(i0 + centre, j0 + centre);
            // A straight corridor from the centre to the middle of each edge with a passage; the edge's
            // sub-cell meets the neighbour's corridor and nothing else.
            for (int direction = 0; direction < 4; ++direction)
            {
                if (map.GetNeighbour(x, y, direction) == CMap::NoPassage)
                {
                    continue;
                }
                for (int step = 1; step <= centre; ++step)
                {
                    switch (direction)
                    {
                    case CMap::North:
                        open(i0 + centre, j0 + centre - step);
                        break;
                    case CMap::South:
                        open(i0 + centre, j0 + centre + step);
                        break;
                    case CMap::East:
                        open(i0 + centre + step, j0 + centre);
                        break;
                    default:
                        open(i0 + centre - step, j0 + centre);
                        break;
                    }
                }
            }
        }
    }
    return grid;
}

bool WriteGameMaps(const std::string& media)
{
    return WriteMaps(LevelSourceFolder(), MapSourceFolder(), media);
}

bool WriteMaps(const std::string& levelSources, const std::string& mapSources, const std::string& media)
{
    bool written = true;
    for (const std::string& region : GameRegions())
    {
        if (!fs::is_regular_file(fs::path(mapSources) / (region + ".txt")))
        {
            continue;
        }
        std::vector<std::string> levels;
        if (!ListRegionLevels(levelSources, region, levels))
        {
            written = false;
            continue;
        }
        const std::unique_ptr<CEditableMap> map = BuildMapFile(region, levels, mapSources);
        if (map == nullptr)
        {
            written = false;
            continue;
        }
        const std::string pathFolder = "interface/map/" + map->GetSetting();
        std::error_code error;
        fs::create_directories(fs::path(media) / "levels", error);
        fs::create_directories(fs::path(media) / pathFolder, error);
        if (error)
        {
            std::fprintf(stderr, "cannot make the folder %s: %s\n", (fs::path(media) / pathFolder).c_str(),
                         error.message().c_str());
            written = false;
            continue;
        }
        written = SaveMapFile(media, region, *map) && written;
        written = WriteMediaFile(media, pathFolder + "/" + map->GetSetting() + "paths.raw", BuildPathGrid(*map)) &&
                  written;
    }
    return written;
}

} // namespace MediaGen
