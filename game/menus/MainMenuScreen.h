#pragma once

#include "game/menus/BookMenuScreen.h"

// The main menu ("mainmenu", page 0 of the book): play, options, the profiles, quit. Escape quits.
class CMainMenuScreen : public CBookMenuScreen
{
public:
    CMainMenuScreen(CQuarrowUI* userInterface, CQuarrowWorld* world);

protected:
    ~CMainMenuScreen() override = default;

    // "playbutton", "optionsbutton", "savegamebutton", "quitbutton".
    void BindControls(UILib::CWindow& panel) override;
    // "shutdown", without a sound.
    void OnQuitAction() override;

private:
    // With no game running the current profile's progress goes into the game context and the game is
    // started ("StartGame"); without a current profile the game starts on the progress the context holds.
    // Then the game menu.
    void OnPlay(UILib::CBasicButton* button);
    void OnOptions(UILib::CBasicButton* button);
    void OnSaveGames(UILib::CBasicButton* button);
    void OnQuit(UILib::CBasicButton* button);
};
