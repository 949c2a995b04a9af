#include "game/GameContext.h"

#include "foundation/Debug.h"
#include "game/LevelList.h"

#include <cmath>
#include <limits>

namespace
{

constexpr std::int32_t kNewGameLevelCounts[ProgressRecord::MapCount] = {200, 36, 36, 36, 36};
constexpr std::int32_t kNewGameTreasureGoldMax = 220;

// The level timer's seconds as whole seconds, truncated; a time beyond the 32-bit range (or not a number)
// is held at its ends rather than converted with undefined behaviour.
std::int32_t WholeSeconds(double seconds)
{
    if (std::isnan(seconds))
    {
        return 0;
    }
    if (seconds >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
    {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (seconds <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
    {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(seconds);
}

bool IsRecordIndex(std::int32_t level)
{
    return level >= 0 && level < MapProgress::RecordCount;
}

} // namespace

GameContext::GameContext(const BaseLib::CPathAliases& aliases) : m_aliases(aliases)
{
}

void GameContext::SetMap(std::int32_t mapIndex)
{
    const std::string mapFile = GetMapFileName(mapIndex);
    if (mapFile.empty())
    {
        BaseLib::DebugOutput("Game context: SetMap %d refused, there is no such map; nothing changes\n", mapIndex);
        return;
    }
    m_mapIndex = mapIndex;
    m_levelIndex = 0;
    m_levelFiles = LoadLevelList(mapFile, m_aliases);
    std::int32_t count = static_cast<std::int32_t>(m_levelFiles.size());
    if (count > MapProgress::RecordCount)
    {
        BaseLib::DebugOutput("Game context: %s lists %d levels; a map keeps records of the first %d\n",
                             mapFile.c_str(), count, MapProgress::RecordCount);
        count = MapProgress::RecordCount;
    }
    m_progress.GetMapProgress(mapIndex).SetLevelCount(count);
}

std::string GameContext::GetCurrentLevelFile() const
{
    if (m_levelIndex < 0 || static_cast<std::size_t>(m_levelIndex) >= m_levelFiles.size())
    {
        BaseLib::DebugOutput("Game context: level index %d is outside the level list of %zu entries; the "
                             "level is empty\n",
                             m_levelIndex, m_levelFiles.size());
        return std::string();
    }
    return m_levelFiles[static_cast<std::size_t>(m_levelIndex)];
}

const MapProgress* GameContext::FindMapProgress() const
{
    if (m_mapIndex < 0 || m_mapIndex >= ProgressRecord::MapCount)
    {
        return nullptr;
    }
    return &m_progress.GetMapProgress(m_mapIndex);
}

MapProgress* GameContext::GetCurrentMapProgress()
{
    return const_cast<MapProgress*>(FindMapProgress());
}

LevelRecord* GameContext::GetCurrentLevelRecord()
{
    MapProgress* map = GetCurrentMapProgress();
    if (map == nullptr || !IsRecordIndex(m_levelIndex))
    {
        return nullptr;
    }
    return &map->GetLevelRecord(m_levelIndex);
}

bool GameContext::IsLevelSolved(std::int32_t level) const
{
    const MapProgress* map = FindMapProgress();
    return map != nullptr && IsRecordIndex(level) && map->GetLevelRecord(level).IsSolved();
}

std::int32_t GameContext::GetLevelRating(std::int32_t level) const
{
    const MapProgress* map = FindMapProgress();
    if (map == nullptr || !IsRecordIndex(level))
    {
        return 0;
    }
    return static_cast<std::int32_t>(map->GetLevelRecord(level).GetRating());
}

void GameContext::ResetLevelCounts()
{
    for (int map = 0; map < ProgressRecord::MapCount; ++map)
    {
        m_progress.GetMapProgress(map).SetLevelCount(kNewGameLevelCounts[map]);
    }
    m_progress.SetTreasureGoldMax(kNewGameTreasureGoldMax);
}

void GameContext::RecordLevelResult(bool solved, std::int32_t moves, double seconds, std::int32_t stars)
{
    m_lastResult = LevelResult{solved, moves, WholeSeconds(seconds), stars};
    if (!solved)
    {
        return;
    }
    LevelRecord* record = GetCurrentLevelRecord();
    if (record == nullptr)
    {
        return;
    }
    if (!record->IsSolved())
    {
        m_progress.SetLastCell(m_mapIndex, m_levelIndex);
    }
    record->SetSolved(moves < 0 ? 0u : static_cast<std::uint32_t>(moves));
    record->SetBestValue(m_lastResult.seconds);
    record->IncrementPlayCount();
    record->RaiseRating(stars < 0 ? 0u : static_cast<std::uint32_t>(stars));
}

void GameContext::SetStarMoveLimits(std::int32_t oneStar, std::int32_t twoStars, std::int32_t threeStars)
{
    m_starMoveLimits[0] = oneStar;
    m_starMoveLimits[1] = twoStars;
    m_starMoveLimits[2] = threeStars;
}

std::int32_t GameContext::GetStarMoveLimit(std::int32_t stars) const
{
    return stars >= 1 && stars <= 3 ? m_starMoveLimits[stars - 1] : 0;
}
