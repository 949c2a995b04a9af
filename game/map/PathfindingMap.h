#pragma once

#include "foundation/Vector.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CMap;

// The fine walking grid of a map: 11 x 11 sub-cells per cell, one byte each (0 walkable, anything else
// blocked), read from the map's path file. Owned by its map, which it refers back to.
class CPathfindingMap
{
public:
    static constexpr int SubCellsPerCell = 11;
    // The most cells a map grid has in either direction.
    static constexpr int MaxCells = 128;

    explicit CPathfindingMap(CMap& map);
    virtual ~CPathfindingMap();
    CPathfindingMap(const CPathfindingMap&) = delete;
    CPathfindingMap& operator=(const CPathfindingMap&) = delete;

    // Reads the path file: no header, width * height bytes row by row from j = 0, where width and height
    // are size x * 11 and size y * 11 (sizes of the map grid including its border, each 0 to MaxCells).
    // False, the grid untouched, when the file cannot be opened or a size lies outside. Otherwise the grid is replaced and the
    // result is true only when every byte was read; sub-cells a short file did not supply are blocked.
    bool LoadPaths(const std::string& path, int sizeX, int sizeY);
    // Drops the grid: no fine walking until a path file is read again.
    void Clear();

    // The owning map.
    const CMap& GetMap() const { return m_Map; }
    // Null until a path file was read.
    const std::uint8_t* GetGrid() const { return m_Grid.get(); }
    int GetWidth() const { return m_Width; }
    int GetHeight() const { return m_Height; }

    // The records one FindPath may make, the start's included.
    static constexpr int RecordPoolSize = 4096;
    // The farthest ring (Manhattan distance) FindNearestFree searches.
    static constexpr int NearestFreeReach = 10;

    // A sub-cell is walkable when it lies inside the grid and its byte is 0.
    bool IsWalkable(int i, int j) const;

    // Moves (i, j) to the nearest walkable sub-cell: it stays when walkable; else rings of Manhattan
    // distance 1 .. NearestFreeReach are searched, each for k = 0 .. r - 1 in the order (i - k, j - r + k),
    // (i - r + k, j + k), (i + k, j + r - k), (i + r - k, j - k). False, (i, j) untouched, without a grid
    // or with no walkable sub-cell within reach.
    bool FindNearestFree(int& i, int& j) const;

    // A* from the start to the goal sub-cell over walkable sub-cells, eight neighbours (diagonals cost
    // 1.41419995), an octile estimate. A sub-cell in row or column 3 or 8 of a cell that has a passage but
    // is not revealed is not entered. On success path holds the sub-cell indices (j * width + i) from the
    // goal back to the start, and "found path, checked total of %d states" is traced; on failure
    // "no path found" is traced and path is left empty. The search makes at most RecordPoolSize records;
    // one that needs more fails the same way.
    bool FindPath(int startI, int startJ, int goalI, int goalJ, std::vector<std::int32_t>& path);

    // What the last FindPath used: the records made (the start's included) and whether it stopped for
    // want of records.
    struct SearchUse
    {
        int records = 0;
        bool poolExhausted = false;
    };
    SearchUse GetLastSearchUse() const { return m_LastSearch; }

    // The centre sub-cell of cell (x, y), which covers i = 11x .. 11x + 10 and j = 11y .. 11y + 10.
    static void CellToGrid(int x, int y, int& i, int& j);
    // The sub-cell of a position in cell units, each coordinate * 11 truncated.
    static void PositionToGrid(float px, float py, int& i, int& j);
    // The centre of sub-cell (i, j) in cell units.
    static BaseLib::CVector2 GridToPosition(int i, int j);
    // The centre of the sub-cell with the path index j * width + i.
    BaseLib::CVector2 GridIndexToPosition(int index) const;

private:
    std::unique_ptr<std::uint8_t[]> m_Grid;
    std::int32_t m_Width = 0;
    std::int32_t m_Height = 0;
    CMap& m_Map;
    SearchUse m_LastSearch;
};
