#pragma once

#include "game/menus/BookMenuScreen.h"

struct SaveGameOptions;

// The options ("options", page 1 of the book): the menu music and the free camera switched on and off,
// kept in the current profile's options. The music takes effect at once; the free camera is written back
// when the page is left, and the profiles are saved then. Without a current profile the page works on
// the default options and writes nothing. Escape goes back to the main menu.
class COptionsScreen : public CBookMenuScreen
{
public:
    static constexpr const char* LayoutFile = "interface>optionsscreen.xml";

    COptionsScreen(CQuarrowUI* userInterface, CQuarrowWorld* world);

    // The book's activation, the windows built, both choices read from the current options and their
    // checks shown accordingly, "Start".
    void OnActivate() override;
    // Both choices into the current options and, with a current profile, "savedgames.bin" written; then
    // the book's deactivation.
    void OnDeactivate() override;

    bool IsMusicOn() const { return m_musicOn; }
    bool IsFreeCameraOn() const { return m_freeCameraOn; }

protected:
    ~COptionsScreen() override = default;

    // "backbutton", "musicbutton", "freecamerabutton", "musiccheck", "freecameracheck".
    void BindControls(UILib::CWindow& panel) override;
    // The main menu, without a sound.
    void OnQuitAction() override;

private:
    // The current profile's options, or the defaults without a profile; null without the saved games.
    SaveGameOptions* CurrentOptions() const;
    // The two choices into the current options.
    void StoreOptions();
    void ShowChecks();

    void OnBack(UILib::CBasicButton* button);
    // The music on or off at once, the title music started or stopped with it.
    void OnMusic(UILib::CBasicButton* button);
    void OnFreeCamera(UILib::CBasicButton* button);

    UILib::Handle m_musicCheck = 0;
    UILib::Handle m_freeCameraCheck = 0;
    bool m_musicOn = true;
    bool m_freeCameraOn = false;
};
