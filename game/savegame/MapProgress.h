#pragma once

#include "game/savegame/LevelRecord.h"

#include <cstdint>

namespace BaseLib
{
class CArchive;
}

// What a saved game remembers of one map: 642 32-bit words. Word 0 the open flag (only its first byte
// is used, 1 open); words 1-128 the cell states, whose bits belong to the map model; words 129-640 the
// 256 level records; word 641 the number of levels in use.
class MapProgress
{
public:
    static constexpr int CellCount = 128;
    static constexpr int RecordCount = 256;

    // A reset block (ResetMapProgress).
    MapProgress();

    // Closed, every cell state 0, every level record reset, level count 0.
    void ResetMapProgress();

    bool IsOpen() const { return (m_Open & 0xFFu) != 0; }
    void SetOpen(bool open);

    // The number of levels in use as stored, which may lie outside 0..256 (see GetUsedRecordCount).
    std::int32_t GetLevelCount() const { return m_LevelCount; }
    void SetLevelCount(std::int32_t count) { m_LevelCount = count; }
    // The level count clamped into 0..256: how many records are in use.
    int GetUsedRecordCount() const;

    // index 0 to 255; an index outside asserts.
    LevelRecord& GetLevelRecord(int index);
    const LevelRecord& GetLevelRecord(int index) const;

    // cell 0 to 127; a cell outside asserts.
    std::uint32_t GetCellState(int cell) const;
    void SetCellState(int cell, std::uint32_t state);

    // True when the map is open and one of its records in use is solved.
    bool HasSolvedLevel() const;
    // The sum of the ratings of the records in use.
    int CountStars() const;

    // Writes or reads the block by the archive's mode: the level count (32-bit integer; a count above
    // 256 governs 256 records, a negative one is written as 0), that many records as two little-endian
    // words each, the cell states as 128 little-endian words when withCellStates, the open flag as one
    // byte. Reading answers false, having read nothing after it, when the stored level count is negative;
    // a count above 256 is kept as 256. Data that ends early shows in the archive's failure flag.
    bool SerializeMapProgress(BaseLib::CArchive& archive, bool withCellStates);

    bool operator==(const MapProgress&) const = default;

private:
    std::uint32_t m_Open = 0;
    std::uint32_t m_CellStates[CellCount] = {};
    LevelRecord m_Records[RecordCount];
    std::int32_t m_LevelCount = 0;
};

static_assert(sizeof(MapProgress) == 642 * 4, "a map's progress is 642 32-bit words");
