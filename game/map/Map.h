#pragma once

#include "foundation/Point.h"
#include "foundation/Vector.h"
#include "game/map/MapCell.h"
#include "game/map/PathfindingMap.h"

#include <cstdint>
#include <string>
#include <vector>

class ProgressRecord;
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
    CPathfindingMap& GetPathfindingMap() { return m_PathfindingMap; }

    // Gold the player can show: stars of maps 1 to 4 plus the treasure gold.
    int GetGold() const { return m_Gold; }
    int GetTreasureGold() const { return m_TreasureGold; }
    // Goes up with every change that the saved game should keep.
    int GetChangeNumber() const { return m_ChangeNumber; }

    // --- Progress: the cells' state and the counters, copied from and into a progress record. ---

    // The record's current map block gives the solved bits (from its level records), the saved cell
    // states and, with the record's counters, keys, pylons, treasure gold and gold; reveals from the
    // start cell, lifts the fog and places the figure. Only the first MaxProgressCells cells that have a
    // passage keep a state. A record whose current map lies outside its blocks changes nothing (traced).
    void LoadProgress(const ProgressRecord& record);
    // Counters and the saved state bits into the record's current map block; the other bits of each cell
    // word and the level records stay.
    void SaveProgress(ProgressRecord& record) const;

    // --- Cell rules; a cell outside the grid does nothing. ---

    // The player tries to open the cell: keys of every needed kind and gold of at least the requirement
    // open it (one key of each needed kind taken, gold only compared); the cell's sequence or a "need
    // key" or "need gold" sequence may become pending. True when a lock opened in this call. An opened
    // cell does nothing and answers false.
    bool EnterCell(int x, int y);
    // The figure has reached the middle of the cell: keys, treasure and pylon taken once; a due sequence
    // becomes pending, or the cell's action sends the figure on.
    void VisitCell(int x, int y);
    // Flood fill of the revealed bit from the cell over passages; it does not pass unsolved puzzles, the
    // stop puzzle (a level index, -1 none) or closed locks, which are revealed themselves.
    void Reveal(int x, int y, int stopPuzzle);
    // The cell loses its fog and its eight neighbours the corners that touch it.
    void RemoveFog(int x, int y);
    // Lifts the fog from every revealed cell, and from every "fogremover" cell when a revealed cell has
    // the "remove fog" action.
    void UpdateFog();
    // The pending sequence's name into name (a change step): true; false when none is pending.
    bool TakePendingSequence(std::string& name);
    // Developer cheat: a pylon (modulo 9), 100 gold, one key of each kind; with six keys of each kind,
    // every cell with a passage is solved, revealed and cleared of fog.
    void Cheat();

    // --- Walking ---

    // Plans a walk of the figure to the centre of cell (x, y). False when refused (outside the grid, a
    // forced walk under way, or no route of cells); true otherwise. Asking again for the running walk's
    // destination hurries the figure. With a path file, the walk follows the sub-cell centres of a fine
    // path when one is found from the figure's sub-cell to the cell's centre sub-cell; else the cell route.
    bool WalkTo(int x, int y);
    // Breadth-first route over revealed passages from the figure's cell to (x, y) into the path
    // (backwards: target first). False, path empty, when there is none.
    bool FindCellRoute(int x, int y);
    // One step of walking and of the fog countdown.
    void Update(double dt);
    bool IsWalking() const { return !m_Path.empty(); }

    // Progress words per map block: cells with a passage after this many keep no state.
    static constexpr int MaxProgressCells = 128;
    // Steps the fog behind a puzzle just solved stays.
    static constexpr int FogCountdownSteps = 90;

protected:
    // The centre of cell (x, y) in cell units.
    static BaseLib::CVector2 CellCentre(int x, int y);
    int CellIndex(int x, int y) const { return y * m_SizeX + x; }
    // Cells, level list, path grid and walk dropped; size 0.
    void ClearContent();
    // The change number goes up.
    void Changed() { ++m_ChangeNumber; }
    void SetPendingSequence(const std::string& name);
    // Sends the figure to (x, y) as a forced walk.
    void ForceWalkTo(int x, int y);
    // The figure is in the middle band of its cell (fractional parts within 0.3 .. 0.7).
    bool IsInCellMiddle() const;

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
