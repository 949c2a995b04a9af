#include "game/menus/OptionsScreen.h"

#include "framework/UIScreen.h"
#include "game/QuarrowUI.h"
#include "game/menus/LayoutWindows.h"
#include "game/savegame/SaveGameList.h"
#include "game/savegame/SaveGameManager.h"

COptionsScreen::COptionsScreen(CQuarrowUI* userInterface, CQuarrowWorld* world)
    : CBookMenuScreen(userInterface, world, "options", PageOptions, LayoutFile)
{}

void COptionsScreen::BindControls(UILib::CWindow& panel)
{
    BindButton(panel, "backbutton", &COptionsScreen::OnBack);
    BindButton(panel, "musicbutton", &COptionsScreen::OnMusic);
    BindButton(panel, "freecamerabutton", &COptionsScreen::OnFreeCamera);
    UILib::CWindow* musicCheck = FindControl(panel, "musiccheck", nullptr);
    UILib::CWindow* freeCameraCheck = FindControl(panel, "freecameracheck", nullptr);
    m_musicCheck = musicCheck != nullptr ? musicCheck->GetHandle() : 0;
    m_freeCameraCheck = freeCameraCheck != nullptr ? freeCameraCheck->GetHandle() : 0;
}

void COptionsScreen::OnActivate()
{
    CBookMenuScreen::OnActivate();
    CreateWindows();
    if (const SaveGameOptions* options = CurrentOptions())
    {
        m_musicOn = options->music != 0;
        m_freeCameraOn = options->cameraFlag == 0;
    }
    ShowChecks();
}

void COptionsScreen::OnDeactivate()
{
    StoreOptions();
    SaveGameManager* saveGames =
        GetUserInterface() != nullptr ? GetUserInterface()->GetSaveGameManager() : nullptr;
    // Without a current profile the choices went to the defaults and there is nothing of the player's to
    // write; a failed write is traced by the list.
    if (saveGames != nullptr && saveGames->GetSaveGameList().GetCurrent() != nullptr)
    {
        saveGames->GetSaveGameList().Save();
    }
    CBookMenuScreen::OnDeactivate();
}

void COptionsScreen::OnQuitAction()
{
    SetNextScreen("mainmenu");
}

SaveGameOptions* COptionsScreen::CurrentOptions() const
{
    SaveGameManager* saveGames =
        GetUserInterface() != nullptr ? GetUserInterface()->GetSaveGameManager() : nullptr;
    return saveGames != nullptr ? &saveGames->GetCurrentOptions() : nullptr;
}

void COptionsScreen::StoreOptions()
{
    if (SaveGameOptions* options = CurrentOptions())
    {
        options->music = m_musicOn ? 1 : 0;
        options->cameraFlag = m_freeCameraOn ? 0 : 1;
    }
}

void COptionsScreen::ShowChecks()
{
    if (UILib::CWindow* check = ResolveLayoutWindow(m_musicCheck))
    {
        check->SetVisible(m_musicOn);
    }
    if (UILib::CWindow* check = ResolveLayoutWindow(m_freeCameraCheck))
    {
        check->SetVisible(m_freeCameraOn);
    }
}

void COptionsScreen::OnBack(UILib::CBasicButton*)
{
    PlayMenuSound(true);
    SetNextScreen("mainmenu");
}

void COptionsScreen::OnMusic(UILib::CBasicButton*)
{
    m_musicOn = !m_musicOn;
    ShowChecks();
    // The title music asks the options whether to start, so they change first.
    StoreOptions();
    if (m_musicOn)
    {
        if (GetOwner() != nullptr && IsMenuMusicScreen(GetOwner()->GetCurrentScreenName()))
        {
            StartMenuMusic();
        }
    }
    else
    {
        StopMenuMusic();
    }
}

void COptionsScreen::OnFreeCamera(UILib::CBasicButton*)
{
    m_freeCameraOn = !m_freeCameraOn;
    ShowChecks();
}
