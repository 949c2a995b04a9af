#include "game/menus/GameMenuScreen.h"

CGameMenuScreen::CGameMenuScreen(CQuarrowUI* userInterface, CQuarrowWorld* world)
    : CBookMenuScreen(userInterface, world, "gamemenu", PageGameMenu, "interface>gamemenuscreen.xml")
{
}

void CGameMenuScreen::BindControls(UILib::CWindow& panel)
{
    BindButton(panel, "adventurebutton", &CGameMenuScreen::OnAdventure);
    BindButton(panel, "freeplaybutton", &CGameMenuScreen::OnFreePlay);
    BindButton(panel, "treasurebutton", &CGameMenuScreen::OnTreasury);
    BindButton(panel, "backbutton", &CGameMenuScreen::OnBack);
}

void CGameMenuScreen::OnQuitAction()
{
    OnBack(nullptr);
}

void CGameMenuScreen::OnAdventure(UILib::CBasicButton*)
{
    PlayMenuSound(false);
    SetNextScreen("map");
}

void CGameMenuScreen::OnFreePlay(UILib::CBasicButton*)
{
    PlayMenuSound(false);
    SetNextScreen("freeplay");
}

void CGameMenuScreen::OnTreasury(UILib::CBasicButton*)
{
    PlayMenuSound(false);
    SetNextScreen("treasury");
}

void CGameMenuScreen::OnBack(UILib::CBasicButton*)
{
    PlayMenuSound(true);
    SetNextScreen("mainmenu");
    PostWorldCommand("ShutGame", "");
}
