#pragma once

#include "foundation/Point.h"
#include "foundation/Vector.h"
#include "game/map/MapCell.h"
#include "game/map/PathfindingMap.h"

#include <cstdint>
#include <string>
#include <vector>

class TiXmlElement;

namespace BaseLib
{
class CPathAliases;
}

// A world map: a grid of cells with a border of one cell on every side (row-major, x to the east, y to
// the south), the level files its puzzles refer to by index, its image folder ("setting"), the figure's
// position in cell units (the centre of cell (x, y) is (x + 0.5, y + 0.5)) and the player's counters on
// the map. Read from a ".map.xml" file; CEditableMap writes one.
//
// Queries take cell coordinates; a cell outside the grid (IsInside false) answers as a cell without
// passages, flags or tile would. A map without cells (new, or after a failed or layout-less read) is safe
// to hold and to query.
class CMap
{
public:
    enum Direction : int
    {
        North = 0, // y - 1
        South = 1, // y + 1
        East = 2,  // x + 1
        West = 3   // x - 1
    };

    // Answers of GetNeighbour.
    static constexpr int NoPassage = 0;
    static constexpr int PassageUnrevealed = 1;
    static constexpr int PassageOpen = 2;

    // The most interior cells a map file may declare in either direction ("sizex", "sizey").
    static constexpr int MaxInteriorSize = CPathfindingMap::MaxCells - 2;

    CMap();
    virtual ~CMap();
    CMap(const CMap&) = delete;
    CMap& operator=(const CMap&) = delete;

    // The table the path file's alias path is resolved with; not owned, may be null (then no path file
    // is read). The owner sets it before the first LoadXml.
    void SetPathAliases(const BaseLib::CPathAliases* aliases) { m_PathAliases = aliases; }

    // Reads a map file (path already resolved). False, with one trace line naming the file and the
    // fault, when the file cannot be read or parsed, its root is not "map", it has no "levellist" (the
    // map then has no cells) or its "layout" declares a size outside 0 .. MaxInteriorSize (the map then
    // has no cells and no levels). A file without "layout" gives a map without cells and is true. Cell
    // attributes that hold no number are traced with their line and keep their defaults. The old cells,
    // level list, path grid and walk are replaced; the counters stay.
    bool LoadXml(std::int32_t mapIndex, const std::string& path);

    // Size including the border.
    BaseLib::CSize GetSize() const { return BaseLib::CSize(m_SizeX, m_SizeY); }
    bool IsInside(int x, int y) const { return x >= 0 && y >= 0 && x < m_SizeX && y < m_SizeY; }
    // The cell for reading and writing; (x, y) must lie inside (asserted).
    MapCell& GetCell(int x, int y);
    const MapCell& GetCell(int x, int y) const;

    // NoPassage (also across the grid's edge, from a cell outside, and for any other direction),
    // PassageUnrevealed when this cell or the neighbour is not revealed, else PassageOpen.
    int GetNeighbour(int x, int y, int direction) const;
    // Whether no barrier image is drawn on that edge of the cell.
    bool IsObstacleHidden(int x, int y, int direction) const;
    // A passage leads out of the cell in some direction.
    bool HasAnyPassage(int x, int y) const;
    // Not opened, and needs a key or gold.
    bool IsCellLocked(int x, int y) const;
    // The tile name, with "_solved" for a solved puzzle, else "_opened" for a taken treasure or a
    // passed gold requirement.
    std::string GetTileImageName(int x, int y) const;
    std::string GetMoodImage(int x, int y) const;

    int GetLevelCount() const { return static_cast<int>(m_Levels.size()); }
    // Entry index; empty for an index outside the list (a cell's puzzle index comes from the file
    // unchecked against the list).
    std::string GetLevelFile(int index) const;
    const std::string& GetSetting() const { return m_Setting; }
    // The file the map was last read from or written to.
    const std::string& GetName() const { return m_FileName; }
    std::int32_t GetMapIndex() const { return m_MapIndex; }

    // key 0, 1, 2 for keys A, B, C; 0 for any other.
    int GetKeyCount(int key) const;
    int GetPylonCount() const { return m_Pylons; }

    BaseLib::CVector2 GetPlayerPosition() const { return m_PlayerPosition; }
    // The figure's position floored.
    BaseLib::CPoint GetPlayerCell() const;
    BaseLib::CPoint GetStartCell() const { return BaseLib::CPoint(m_StartX, m_StartY); }

    // The exit cell with the lowest (highest) exit id, the first met row by row among equals; (0, 0)
    // without any exit.
    BaseLib::CPoint FindFirstExit() const;
    BaseLib::CPoint FindLastExit() const;

    // Set while a sequence plays on the map: arriving at a cell then triggers nothing.
    void SetActive(bool active) { m_Active = active ? 1 : 0; }
    // A position in cell units marked by a sequence.
    void SetHighlight(bool on, float x, float y);
    // The highlight flag; position receives the marked position.
    bool GetHighlight(BaseLib::CVector2& position) const;

    const CPathfindingMap& GetPathfindingMap() const { return m_PathfindingMap; }

protected:
    // The centre of cell (x, y) in cell units.
    static BaseLib::CVector2 CellCentre(int x, int y);
    int CellIndex(int x, int y) const { return y * m_SizeX + x; }
    // Cells, level list, path grid and walk dropped; size 0.
    void ClearContent();

    std::uint8_t m_Active = 0;
    std::string m_FileName;
    std::int32_t m_MapIndex = -1;
    std::int32_t m_ChangeNumber = 0;
    std::vector<std::string> m_Levels;
    std::string m_Setting;
    std::string m_PendingSequence;
    std::uint8_t m_SequencePending = 0;
    std::int32_t m_SizeX = 0;
    std::int32_t m_SizeY = 0;
    std::vector<MapCell> m_Cells;
    std::int32_t m_StartX = 0;
    std::int32_t m_StartY = 0;
    BaseLib::CVector2 m_PlayerPosition{0.5f, 0.5f};
    std::int32_t m_Keys[3] = {};
    std::int32_t m_Pylons = 0;
    std::int32_t m_TreasureGold = 0;
    std::int32_t m_Gold = 0;
    // Waypoints stored backwards: the last is the next, the first the destination.
    std::vector<BaseLib::CVector2> m_Path;
    float m_WalkingSpeed = 0.0f;
    std::uint8_t m_ForcedWalk = 0;
    CPathfindingMap m_PathfindingMap;
    std::int32_t m_FogCountdown = 0;
    std::uint8_t m_Highlight = 0;
    BaseLib::CVector2 m_HighlightPosition;

private:
    // The cell when (x, y) lies inside, else null.
    const MapCell* FindCell(int x, int y) const;
    bool ReadLayout(const TiXmlElement* layout);
    // Row by row, the first exit whose id beats the best so far (lower, or higher).
    BaseLib::CPoint FindExit(bool lowest) const;

    const BaseLib::CPathAliases* m_PathAliases = nullptr;
};
