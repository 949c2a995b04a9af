#pragma once

#include "game/savegame/QuarrowSaveGame.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The player profiles, one of them current, and their file "savedgames.bin": the current index and the
// count (32-bit big-endian, -1 for no current profile), then the profiles in list order.
//
// The file is never left half-written: a save replaces it whole or not at all. A file that does not
// parse is refused whole and moved aside, and a list that never read the player's file does not write
// over it.
class CSaveGameList
{
public:
    static constexpr const char* FileName = "savedgames.bin";
    // Bounds of what a file may hold; anything beyond is damage.
    static constexpr std::int32_t MaxCount = 1024;
    static constexpr std::size_t MaxFileSize = 16u << 20;

    // What a parse found wrong: where, and what.
    struct ParseFault
    {
        std::size_t offset = 0;
        std::string reason;
    };

    // Empty, no current profile.
    CSaveGameList();
    ~CSaveGameList();
    CSaveGameList(const CSaveGameList&) = delete;
    CSaveGameList& operator=(const CSaveGameList&) = delete;

    std::int32_t GetCount() const { return static_cast<std::int32_t>(m_SaveGames.size()); }
    // -1 for none; valid whenever the list is not empty.
    std::int32_t GetCurrentIndex() const { return m_CurrentIndex; }
    // Null, with a trace, for an index outside the list.
    CQuarrowSaveGame* Get(std::int32_t index) const;
    // Null while the list is empty, whatever the index says.
    CQuarrowSaveGame* GetCurrent() const;

    // Makes profile index current; an index outside the list changes nothing, traces and answers false.
    bool SetCurrentIndex(std::int32_t index);
    // Appends a profile with defaults and makes it current; answers its index.
    std::int32_t Add();
    // Appends a copy of profile index and makes it current; answers its index, or -1 with a trace for
    // an index outside the list (nothing changes).
    std::int32_t AddCopy(std::int32_t index);
    // Deletes profile index; when the current index is then not below the count it moves down by one
    // (deleting the only profile leaves -1). An index outside the list changes nothing and traces.
    void Delete(std::int32_t index);
    // Deletes every profile; no current profile.
    void Clear();

    // Replaces the player's "savedgames.bin" (Platform::UserFilePath) with the list. True only when the
    // file now holds exactly the list. False, with one trace line, when the write failed (the file keeps
    // what it held), when the file exists and this list has not read it (Load) nor written it before, or
    // when the list's bytes would not read back (more than MaxCount profiles): nothing is written that
    // Load would refuse.
    bool Save();
    // Reads the player's "savedgames.bin" (Platform::UserFileReadPath) into the list. False, leaving the
    // list as it was, when the file is missing, cannot be read, or does not parse; a file that does not
    // parse (or is above MaxFileSize) is traced with the offset and reason and renamed in its folder to
    // "savedgames.bin.damaged" (or ".damaged1", ".damaged2", ... when taken).
    bool Load();

    // The list as the file's bytes.
    std::string WriteToBytes() const;
    // Parses the file's bytes and on success replaces the list with what they hold. On failure answers
    // false, fills fault and leaves the list as it was. Parsing fails where the data ends inside a field,
    // bytes remain after the last profile, the count lies outside 0..1024, a name length outside 0..1024,
    // a level count is negative or a current map index lies outside 0..4. A current index outside the
    // profiles of a non-empty list becomes 0, traced under sourceName.
    bool ParseBytes(std::string_view bytes, const std::string& sourceName, ParseFault& fault);

private:
    // Renames the refused file at path aside; the new name, or empty when it stays where it is.
    static std::string MoveAside(const std::string& path);

    std::vector<std::unique_ptr<CQuarrowSaveGame>> m_SaveGames;
    std::int32_t m_CurrentIndex = -1;
    // The file this list may replace: the one it read, found missing, or wrote. Empty before any.
    std::string m_OwnedPath;
};
