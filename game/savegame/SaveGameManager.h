#pragma once

#include "game/savegame/SaveGameList.h"

#include <cstdint>
#include <memory>

// The user interface's holder of the saved games: the profile list and three values the menus share.
class SaveGameManager
{
public:
    // Language 0, play mode 2, selected level 0, an empty list.
    SaveGameManager();
    // Clears and deletes the list.
    ~SaveGameManager();
    SaveGameManager(const SaveGameManager&) = delete;
    SaveGameManager& operator=(const SaveGameManager&) = delete;

    // 0 english, 1 german, 2 french, 3 spanish, 4 italian.
    std::int32_t GetLanguageIndex() const { return m_LanguageIndex; }
    void SetLanguageIndex(std::int32_t index) { m_LanguageIndex = index; }
    // 1 from the map; 2 to 6 free play in the regions basic, jungle, swamp, cave, temple.
    std::int32_t GetPlayMode() const { return m_PlayMode; }
    void SetPlayMode(std::int32_t mode) { m_PlayMode = mode; }
    std::int32_t GetSelectedLevel() const { return m_SelectedLevel; }
    void SetSelectedLevel(std::int32_t level) { m_SelectedLevel = level; }

    CSaveGameList& GetSaveGameList() { return *m_List; }

    // The current profile's options. With no current profile: the default options, in a scratch value
    // set to the defaults again at each such call, so what a caller writes there reaches no profile.
    SaveGameOptions& GetCurrentOptions();

private:
    std::int32_t m_LanguageIndex = 0;
    std::int32_t m_PlayMode = 2;
    std::int32_t m_SelectedLevel = 0;
    std::unique_ptr<CSaveGameList> m_List;
    SaveGameOptions m_NoProfileOptions;
};
