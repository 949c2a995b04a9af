#pragma once

#include "game/menus/GiantBookUIScreen.h"

// The invisible start-up step "loadsavedgames": once per visit it reads the player's saved games, makes
// sure one profile exists and goes on to the logo. A missing or damaged file leaves one fresh profile
// named after the computer (the damaged file is kept aside by the list's Load).
class CLoadSavedGamesScreen : public CGiantBookUIScreen
{
public:
    CLoadSavedGamesScreen(CQuarrowUI* userInterface, CQuarrowWorld* world);

    // The first update of a visit loads and switches to "logo"; later ones do nothing.
    void Update() override;
    // The book's activation; the next update loads again.
    void OnActivate() override;

    bool IsLoaded() const { return m_loaded; }

protected:
    ~CLoadSavedGamesScreen() override = default;

private:
    bool m_loaded = false;
};
