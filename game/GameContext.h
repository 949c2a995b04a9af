#pragma once

#include "game/savegame/ProgressRecord.h"

#include <cstdint>
#include <string>
#include <vector>

namespace BaseLib
{
class CPathAliases;
}

// How the last level ended, for the result screen.
struct LevelResult
{
    bool solved = false;
    std::int32_t moves = 0;
    std::int32_t seconds = 0; // whole seconds, the level timer truncated
    std::int32_t stars = 0;
};

// Where the game stands: the game state, the current map and level with the map's level file list, the
// result of the last level and the progress record of the current saved game. The world owns it; world
// commands, the world's step and the game commands change it, the screens read it.
class GameContext
{
public:
    // The game state codes.
    enum State : std::int32_t
    {
        NoGame = 0,
        GameOpen = 1, // neither level nor map running
        LevelRunning = 2,
        LevelSolved = 3,
        SolverRunning = 4,
        RefinerRunning = 5,
        MapRunning = 6,
        MapExitTaken = 7,
        MapLevelChosen = 8,
        SequencePending = 9 // a cut-scene is pending on the map; its name is the level name
    };

    // aliases resolve the map files; not owned, must outlive the context. State 0, no map (-1), level 0,
    // no level files, a reset progress record.
    explicit GameContext(const BaseLib::CPathAliases& aliases);

    std::int32_t GetState() const { return m_state; }
    void SetState(std::int32_t state) { m_state = state; }

    // -1 until the first SetMap.
    std::int32_t GetMapIndex() const { return m_mapIndex; }
    // Map 0 to 4: the map index, level index 0, the map file's level list, and the list's length as that
    // map's level count in the progress record (at most the 256 records a map holds, traced when the
    // list is longer). Another index is refused with a trace and changes nothing.
    void SetMap(std::int32_t mapIndex);

    std::int32_t GetLevelIndex() const { return m_levelIndex; }
    void SetLevelIndex(std::int32_t index) { m_levelIndex = index; }
    const std::string& GetLevelName() const { return m_levelName; }
    void SetLevelName(const std::string& name) { m_levelName = name; }

    // The current map's level files, resolved, in list order.
    const std::vector<std::string>& GetLevelFiles() const { return m_levelFiles; }
    // The level file at the level index; empty (an empty level) and traced when the index is outside the
    // list.
    std::string GetCurrentLevelFile() const;

    ProgressRecord& GetProgress() { return m_progress; }
    const ProgressRecord& GetProgress() const { return m_progress; }
    // The current map's block, or its level record at the level index; null while the map index is not
    // 0 to 4 (or the level index not 0 to 255).
    MapProgress* GetCurrentMapProgress();
    LevelRecord* GetCurrentLevelRecord();
    // Level i of the current map: false and 0 outside the five maps and the 256 records.
    bool IsLevelSolved(std::int32_t level) const;
    std::int32_t GetLevelRating(std::int32_t level) const;

    // A new game: the level counts 200, 36, 36, 36, 36 and a treasure gold maximum of 220; nothing else
    // of the progress changes.
    void ResetLevelCounts();

    // Keeps the result as the last one (seconds truncated). A solve also goes into the current level's
    // record: the best moves and time kept, one more solution, the rating raised, and the level becomes
    // the last one solved when it was not solved before. The record is left alone outside the five maps
    // and the 256 levels.
    void RecordLevelResult(bool solved, std::int32_t moves, double seconds, std::int32_t stars);
    const LevelResult& GetLastResult() const { return m_lastResult; }

    // The move limits for 1, 2 and 3 stars of the level shut last.
    void SetStarMoveLimits(std::int32_t oneStar, std::int32_t twoStars, std::int32_t threeStars);
    // n 1 to 3; 0 for another n.
    std::int32_t GetStarMoveLimit(std::int32_t stars) const;

private:
    const MapProgress* FindMapProgress() const;

    const BaseLib::CPathAliases& m_aliases;
    LevelResult m_lastResult;
    std::vector<std::string> m_levelFiles;
    std::int32_t m_state = NoGame;
    std::int32_t m_mapIndex = -1;
    std::int32_t m_levelIndex = 0;
    std::string m_levelName;
    std::int32_t m_starMoveLimits[3] = {};
    ProgressRecord m_progress;
};
