#include "game/savegame/ProgressRecord.h"

#include "foundation/Archive.h"
#include "game/savegame/ArchiveWords.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace
{

constexpr std::int32_t ResetLevelCounts[ProgressRecord::MapCount] = {200, 36, 36, 36, 36};

void SerializeCoordinate(BaseLib::CArchive& archive, float& value)
{
    archive.Serialize(value);
    if (!archive.IsSaving() && !std::isfinite(value))
    {
        value = -1.0f;
    }
}

} // namespace

ProgressRecord::ProgressRecord()
{
    ResetProgress();
}

void ProgressRecord::ResetProgress()
{
    for (int map = 0; map < MapCount; ++map)
    {
        m_Maps[map].ResetMapProgress();
        m_Maps[map].SetLevelCount(ResetLevelCounts[map]);
    }
    m_Maps[0].SetOpen(true);
    m_Maps[1].SetOpen(true);
    m_TreasureGoldMax = 220;
    m_FigureX = -1.0f;
    m_FigureY = -1.0f;
    m_CurrentMap = 1;
    m_PreviousMap = NoPreviousMap;
    m_LastSolvedMap = -1;
    m_LastSolvedLevel = -1;
    m_KeyCounts[0] = m_KeyCounts[1] = m_KeyCounts[2] = 0;
    m_PylonCount = 0;
    m_TreasureGold = 0;
}

MapProgress& ProgressRecord::GetMapProgress(int map)
{
    assert(map >= 0 && map < MapCount);
    return m_Maps[map];
}

const MapProgress& ProgressRecord::GetMapProgress(int map) const
{
    assert(map >= 0 && map < MapCount);
    return m_Maps[map];
}

int ProgressRecord::CountStars(std::uint32_t mask) const
{
    int stars = 0;
    for (int map = 0; map < MapCount; ++map)
    {
        if ((mask & (1u << map)) != 0)
        {
            stars += m_Maps[map].CountStars();
        }
    }
    if ((mask & TreasureMask) != 0)
    {
        stars += m_TreasureGold;
    }
    return stars;
}

int ProgressRecord::MaxStars(std::uint32_t mask) const
{
    int stars = 0;
    for (int map = 0; map < MapCount; ++map)
    {
        if ((mask & (1u << map)) != 0)
        {
            stars += 3 * m_Maps[map].GetUsedRecordCount();
        }
    }
    if ((mask & TreasureMask) != 0)
    {
        stars += m_TreasureGoldMax;
    }
    return stars;
}

void ProgressRecord::SetFigurePosition(float x, float y)
{
    m_FigureX = x;
    m_FigureY = y;
}

void ProgressRecord::SetLastCell(std::int32_t map, std::int32_t level)
{
    m_LastSolvedMap = map;
    m_LastSolvedLevel = level;
}

std::int32_t ProgressRecord::GetKeyCount(int kind) const
{
    assert(kind >= 0 && kind < 3);
    return m_KeyCounts[kind];
}

void ProgressRecord::SetKeyCount(int kind, std::int32_t count)
{
    assert(kind >= 0 && kind < 3);
    m_KeyCounts[kind] = count;
}

ProgressRecord::ReadFault ProgressRecord::SerializeProgress(BaseLib::CArchive& archive)
{
    // A map index outside the five maps is written as the nearest map, so a save never holds what a
    // read refuses.
    std::int32_t currentMap = std::clamp(m_CurrentMap, 0, MapCount - 1);
    archive.Serialize(currentMap);
    if (!archive.IsSaving() && !archive.HasFailed())
    {
        if (currentMap < 0 || currentMap >= MapCount)
        {
            return ReadFault::MapIndexOutOfRange;
        }
        m_CurrentMap = currentMap;
    }
    SerializeCoordinate(archive, m_FigureX);
    SerializeCoordinate(archive, m_FigureY);
    for (int map = 0; map < MapCount; ++map)
    {
        if (!m_Maps[map].SerializeMapProgress(archive, map != 0))
        {
            return ReadFault::NegativeLevelCount;
        }
    }
    archive.Serialize(m_PylonCount);
    archive.Serialize(m_TreasureGold);
    SerializeLittleEndianWords(archive, m_KeyCounts, 3);
    return ReadFault::None;
}

const char* DescribeReadFault(ProgressRecord::ReadFault fault)
{
    switch (fault)
    {
    case ProgressRecord::ReadFault::None:
        return "no fault";
    case ProgressRecord::ReadFault::NegativeLevelCount:
        return "a negative level count";
    case ProgressRecord::ReadFault::MapIndexOutOfRange:
        return "a current map index outside 0..4";
    }
    return "an unknown fault";
}
