#include "game/menus/LoadSavedGamesScreen.h"

#include "foundation/Debug.h"
#include "framework/UIScreen.h"
#include "game/QuarrowUI.h"
#include "game/savegame/SaveGameList.h"
#include "game/savegame/SaveGameManager.h"
#include "platform/os/ComputerName.h"

CLoadSavedGamesScreen::CLoadSavedGamesScreen(CQuarrowUI* userInterface, CQuarrowWorld* world)
    : CGiantBookUIScreen(userInterface, world)
{}

void CLoadSavedGamesScreen::OnActivate()
{
    CGiantBookUIScreen::OnActivate();
    m_loaded = false;
}

void CLoadSavedGamesScreen::Update()
{
    if (m_loaded)
    {
        return;
    }
    SaveGameManager* saveGames =
        GetUserInterface() != nullptr ? GetUserInterface()->GetSaveGameManager() : nullptr;
    if (saveGames != nullptr)
    {
        CSaveGameList& list = saveGames->GetSaveGameList();
        // A missing file leaves the list as it was; a damaged one is traced and moved aside by Load.
        list.Load();
        if (list.GetCurrent() == nullptr)
        {
            list.Get(list.Add())->SetName(Platform::GetComputerName());
        }
    }
    else
    {
        BaseLib::DebugOutput("LoadSavedGames: no saved-games holder; no profiles are read\n");
    }
    m_loaded = true;
    if (GetOwner() != nullptr)
    {
        GetOwner()->SwitchTo("logo");
    }
}
