#include "game/menus/MainMenuScreen.h"

#include "foundation/Debug.h"
#include "game/GameContext.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "game/savegame/SaveGameList.h"
#include "game/savegame/SaveGameManager.h"

CMainMenuScreen::CMainMenuScreen(CQuarrowUI* userInterface, CQuarrowWorld* world)
    : CBookMenuScreen(userInterface, world, "mainmenu", PageMainMenu, "interface>mainmenuscreen.xml")
{
}

void CMainMenuScreen::BindControls(UILib::CWindow& panel)
{
    BindButton(panel, "playbutton", &CMainMenuScreen::OnPlay);
    BindButton(panel, "optionsbutton", &CMainMenuScreen::OnOptions);
    BindButton(panel, "savegamebutton", &CMainMenuScreen::OnSaveGames);
    BindButton(panel, "quitbutton", &CMainMenuScreen::OnQuit);
}

void CMainMenuScreen::OnQuitAction()
{
    SetNextScreen("shutdown");
}

void CMainMenuScreen::OnPlay(UILib::CBasicButton*)
{
    PlayMenuSound(false);
    CQuarrowWorld* world = GetWorld();
    const GameContext* context = world != nullptr ? world->GetGameContext() : nullptr;
    if (context != nullptr && context->GetState() == 0)
    {
        SaveGameManager* saveGames = GetUserInterface() != nullptr ? GetUserInterface()->GetSaveGameManager() : nullptr;
        const CQuarrowSaveGame* profile = saveGames != nullptr ? saveGames->GetSaveGameList().GetCurrent() : nullptr;
        if (profile != nullptr)
        {
            world->SetProgress(profile->GetProgress());
        }
        else
        {
            BaseLib::DebugOutput("MainMenu: no current profile; the game starts on the progress it holds\n");
        }
        PostWorldCommand("StartGame", "");
    }
    SetNextScreen("gamemenu");
}

void CMainMenuScreen::OnOptions(UILib::CBasicButton*)
{
    PlayMenuSound(false);
    SetNextScreen("options");
}

void CMainMenuScreen::OnSaveGames(UILib::CBasicButton*)
{
    PlayMenuSound(false);
    SetNextScreen("filemenu");
}

void CMainMenuScreen::OnQuit(UILib::CBasicButton*)
{
    PlayMenuSound(true);
    SetNextScreen("shutdown");
}
