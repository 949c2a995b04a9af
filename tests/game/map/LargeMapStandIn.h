#pragma once

// A stand-in for the largest world map with its path file, shared by the path tests and the map
// benchmarks: MaxProgressCells cells with a passage, carved as one winding tree (a depth-first maze with
// a fixed seed) over a 22 x 18 interior, the start (1, 1) an exit. The passage cells show the tile
// "grass"; in carving order every 16th needs key A, every 16th from the 8th gives key A and every 32nd
// from the 20th needs 30 gold. Its path grid has a 3 x 3 walkable block around every passage cell's
// centre sub-cell and a corridor three sub-cells wide along every passage; everything else is blocked.

#include "game/map/Map.h"
#include "game/map/MapCell.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace LargeMapStandIn
{

constexpr int InteriorX = 22;
constexpr int InteriorY = 18;
constexpr int PassageCells = CMap::MaxProgressCells;
constexpr const char* Setting = "jungle";

struct Files
{
    std::string mapText;
    // Row by row, (InteriorX + 2) * 11 bytes per row.
    std::string pathBytes;
};

inline Files Make()
{
    const int sizeX = InteriorX + 2;
    const int sizeY = InteriorY + 2;
    std::vector<std::uint8_t> walkBits(static_cast<std::size_t>(sizeX * sizeY), 0);
    std::vector<bool> carved(static_cast<std::size_t>(sizeX * sizeY), false);
    std::vector<std::uint32_t> flags(static_cast<std::size_t>(sizeX * sizeY), 0);
    std::vector<int> gold(static_cast<std::size_t>(sizeX * sizeY), 0);
    flags[static_cast<std::size_t>(sizeX + 1)] = MapCell::Exit;
    const auto at = [&](int x, int y) { return static_cast<std::size_t>(y * sizeX + x); };

    std::uint32_t seed = 12345u;
    const auto next = [&seed]() {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 16;
    };
    constexpr int Dx[4] = {0, 0, 1, -1};
    constexpr int Dy[4] = {-1, 1, 0, 0};
    std::vector<std::pair<int, int>> stack{{1, 1}};
    carved[at(1, 1)] = true;
    int count = 1;
    while (!stack.empty() && count < PassageCells)
    {
        const auto [x, y] = stack.back();
        int options[4];
        int optionCount = 0;
        for (int d = 0; d < 4; ++d)
        {
            const int nx = x + Dx[d];
            const int ny = y + Dy[d];
            if (nx >= 1 && ny >= 1 && nx <= InteriorX && ny <= InteriorY && !carved[at(nx, ny)])
            {
                options[optionCount++] = d;
            }
        }
        if (optionCount == 0)
        {
            stack.pop_back();
            continue;
        }
        const int d = options[next() % static_cast<std::uint32_t>(optionCount)];
        const int nx = x + Dx[d];
        const int ny = y + Dy[d];
        switch (d)
        {
        case 0:
            walkBits[at(x, y)] |= MapCell::CanWalkNorth;
            break;
        case 1:
            walkBits[at(nx, ny)] |= MapCell::CanWalkNorth;
            break;
        case 2:
            walkBits[at(x, y)] |= MapCell::CanWalkEast;
            break;
        default:
            walkBits[at(nx, ny)] |= MapCell::CanWalkEast;
            break;
        }
        carved[at(nx, ny)] = true;
        flags[at(nx, ny)] |= count % 16 == 0 ? MapCell::NeedsKeyA : count % 16 == 8 ? MapCell::ProvidesKeyA : 0u;
        gold[at(nx, ny)] = count % 32 == 20 ? 30 : 0;
        ++count;
        stack.emplace_back(nx, ny);
    }

    Files files;
    files.mapText = "<map>\n<levellist>\n<level id=\"1\" file=\"jungle/01.xml\"/>\n</levellist>\n<layout sizex=\"" +
                    std::to_string(InteriorX) + "\" sizey=\"" + std::to_string(InteriorY) + "\">\n<setting name=\"" +
                    Setting + "\"/>\n";
    for (int y = 1; y <= InteriorY; ++y)
    {
        for (int x = 1; x <= InteriorX; ++x)
        {
            files.mapText += "<cell wb=\"" + std::to_string(walkBits[at(x, y)]) + "\"";
            if (carved[at(x, y)])
            {
                files.mapText += " tile=\"grass\" flags=\"" + std::to_string(flags[at(x, y)]) + "\" goldreq=\"" +
                                 std::to_string(gold[at(x, y)]) + "\"";
            }
            files.mapText += "/>\n";
        }
    }
    files.mapText += "</layout>\n</map>\n";

    const int width = sizeX * 11;
    files.pathBytes.assign(static_cast<std::size_t>(width * sizeY * 11), '\1');
    const auto open = [&](int i0, int j0, int i1, int j1) {
        for (int j = j0; j <= j1; ++j)
        {
            for (int i = i0; i <= i1; ++i)
            {
                files.pathBytes[static_cast<std::size_t>(j * width + i)] = '\0';
            }
        }
    };
    for (int y = 1; y <= InteriorY; ++y)
    {
        for (int x = 1; x <= InteriorX; ++x)
        {
            if (!carved[at(x, y)])
            {
                continue;
            }
            open(11 * x + 4, 11 * y + 4, 11 * x + 6, 11 * y + 6);
            if ((walkBits[at(x, y)] & MapCell::CanWalkNorth) != 0)
            {
                open(11 * x + 4, 11 * (y - 1) + 4, 11 * x + 6, 11 * y + 6);
            }
            if ((walkBits[at(x, y)] & MapCell::CanWalkEast) != 0)
            {
                open(11 * x + 4, 11 * y + 4, 11 * (x + 1) + 6, 11 * y + 6);
            }
        }
    }
    return files;
}

// Writes the map file as folder/"standin.map.xml" and the path file where the alias "interface" set to
// folder/"interface" finds it; answers the map file's path.
inline std::string Write(const std::filesystem::path& folder)
{
    const Files files = Make();
    const std::filesystem::path pathFile =
        folder / "interface" / "map" / Setting / (std::string(Setting) + "paths.raw");
    std::filesystem::create_directories(pathFile.parent_path());
    std::ofstream(pathFile, std::ios::binary) << files.pathBytes;
    const std::filesystem::path mapFile = folder / "standin.map.xml";
    std::ofstream(mapFile, std::ios::binary) << files.mapText;
    return mapFile.string();
}

} // namespace LargeMapStandIn
