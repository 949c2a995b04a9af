#pragma once

#include "game/savegame/MapProgress.h"

#include <cstdint>

namespace BaseLib
{
class CArchive;
}

// Everything a saved game remembers of play: five map blocks (0 basic, 1 jungle, 2 swamp, 3 cave,
// 4 temple), then twelve 32-bit fields for the player's place in the world and the map counters. The
// game context holds one by value and changes it; each saved game holds another, copied in and out.
class ProgressRecord
{
public:
    static constexpr int MapCount = 5;
    // Bit 8 of a CountStars/MaxStars mask selects the treasure gold.
    static constexpr std::uint32_t TreasureMask = 256;
    static constexpr std::int32_t NoPreviousMap = 6;

    // What a record read from data held that no record can hold.
    enum class ReadFault
    {
        None,
        NegativeLevelCount,
        MapIndexOutOfRange
    };

    // A reset record (ResetProgress).
    ProgressRecord();

    // Every block reset; level counts 200 for map 0 and 36 for maps 1 to 4; maps 0 and 1 open; the
    // figure nowhere (-1, -1), current map 1, no previous map (6), no last solved level (-1, -1), no
    // keys, pylons or treasure gold, a treasure gold maximum of 220.
    void ResetProgress();
    // A copy of every word of other.
    void CopyProgress(const ProgressRecord& other) { *this = other; }

    // map 0 to 4; a map outside asserts.
    MapProgress& GetMapProgress(int map);
    const MapProgress& GetMapProgress(int map) const;

    // The sum of the ratings of the records in use of every map whose bit is set in mask (bit i for map
    // i), plus the treasure gold when bit 8 is set.
    int CountStars(std::uint32_t mask) const;
    // 3 x the records in use of every selected map, plus the treasure gold maximum when bit 8 is set.
    int MaxStars(std::uint32_t mask) const;

    std::int32_t GetTreasureGoldMax() const { return m_TreasureGoldMax; }
    void SetTreasureGoldMax(std::int32_t gold) { m_TreasureGoldMax = gold; }
    // The figure's place on the current map; -1.0 for none.
    float GetFigureX() const { return m_FigureX; }
    float GetFigureY() const { return m_FigureY; }
    void SetFigurePosition(float x, float y);
    std::int32_t GetCurrentMap() const { return m_CurrentMap; }
    void SetCurrentMap(std::int32_t map) { m_CurrentMap = map; }
    // 6 for none.
    std::int32_t GetPreviousMap() const { return m_PreviousMap; }
    void SetPreviousMap(std::int32_t map) { m_PreviousMap = map; }
    // The level solved for the first time last; -1 for none.
    std::int32_t GetLastSolvedMap() const { return m_LastSolvedMap; }
    std::int32_t GetLastSolvedLevel() const { return m_LastSolvedLevel; }
    void SetLastCell(std::int32_t map, std::int32_t level);
    // kind 0, 1, 2 for the keys A, B, C; a kind outside asserts.
    std::int32_t GetKeyCount(int kind) const;
    void SetKeyCount(int kind, std::int32_t count);
    std::int32_t GetPylonCount() const { return m_PylonCount; }
    void SetPylonCount(std::int32_t count) { m_PylonCount = count; }
    std::int32_t GetTreasureGold() const { return m_TreasureGold; }
    void SetTreasureGold(std::int32_t gold) { m_TreasureGold = gold; }

    // Writes or reads the record by the archive's mode: the current map index (integer), the figure
    // position (two little-endian floats), the five blocks (cell states for maps 1 to 4 only), pylons and
    // treasure gold (integers), the three key counts (little-endian words). The treasure gold maximum,
    // the previous map and the last solved level are neither written nor read: a record read keeps its
    // own. Writing writes a current map outside 0..4 as the nearest of them and a negative level count
    // as 0. Reading stops at the first value no record can hold (a current map outside 0..4, a negative
    // level count) and answers what it was, the record then partly read; a figure coordinate that is not
    // a finite number reads as -1.0. Data that ends early shows in the archive's failure flag.
    ReadFault SerializeProgress(BaseLib::CArchive& archive);

    bool operator==(const ProgressRecord&) const = default;

private:
    MapProgress m_Maps[MapCount];
    std::int32_t m_TreasureGoldMax;
    float m_FigureX;
    float m_FigureY;
    std::int32_t m_CurrentMap;
    std::int32_t m_PreviousMap;
    std::int32_t m_LastSolvedMap;
    std::int32_t m_LastSolvedLevel;
    std::int32_t m_KeyCounts[3];
    std::int32_t m_PylonCount;
    std::int32_t m_TreasureGold;
};

static_assert(sizeof(ProgressRecord) == (5 * 642 + 12) * 4, "five map blocks and twelve 32-bit fields");

// A line of text for a read fault ("a negative level count").
const char* DescribeReadFault(ProgressRecord::ReadFault fault);
