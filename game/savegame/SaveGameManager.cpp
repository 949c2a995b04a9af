#include "game/savegame/SaveGameManager.h"

SaveGameManager::SaveGameManager() : m_List(std::make_unique<CSaveGameList>()) {}

SaveGameManager::~SaveGameManager()
{
    m_List->Clear();
}

SaveGameOptions& SaveGameManager::GetCurrentOptions()
{
    if (CQuarrowSaveGame* current = m_List->GetCurrent())
    {
        return current->GetOptions();
    }
    m_NoProfileOptions = SaveGameOptions();
    return m_NoProfileOptions;
}
