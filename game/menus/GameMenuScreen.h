#pragma once

#include "game/menus/BookMenuScreen.h"

// The game menu ("gamemenu", page 2 of the book): the adventure on the map, free play, the treasury, and
// back to the main menu, which shuts the game. Escape goes back.
class CGameMenuScreen : public CBookMenuScreen
{
public:
    CGameMenuScreen(CQuarrowUI* userInterface, CQuarrowWorld* world);

protected:
    ~CGameMenuScreen() override = default;

    // "adventurebutton", "freeplaybutton", "treasurebutton", "backbutton".
    void BindControls(UILib::CWindow& panel) override;
    // As "backbutton".
    void OnQuitAction() override;

private:
    void OnAdventure(UILib::CBasicButton* button);
    void OnFreePlay(UILib::CBasicButton* button);
    void OnTreasury(UILib::CBasicButton* button);
    // The cancel sound, "ShutGame", then the main menu.
    void OnBack(UILib::CBasicButton* button);
};
