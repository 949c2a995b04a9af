#pragma once

#include "framework/UIScreen.h"

#include <string>

class CQuarrowUI;
class CQuarrowWorld;

namespace SoundLib
{
class CMultiChannelSound;
}

// The base of every game screen: its user interface and world (not owned), the title music that plays on
// while the player moves between the menu screens, and the menu click sounds.
class CQuarrowUIScreen : public GameLib::CUIScreen
{
public:
    // The first screen constructed while the title music has no file sets it up, looping.
    CQuarrowUIScreen(CQuarrowUI* userInterface, CQuarrowWorld* world);

    // Entering a menu-music screen starts the title music.
    void OnActivate() override;
    // Leaving for a screen that is not a menu-music screen stops it.
    void OnDeactivate() override;
    // Deletes the screen.
    void Release() override { delete this; }

    // Nothing while the music plays; else a fade-in when the current options have music on.
    void StartMenuMusic();
    // A fade-out over 0.5 s.
    void StopMenuMusic();
    // "sound>menucancel.wav" for cancel, else "sound>menuactivate.wav", once on sound device 0; nothing
    // without that device.
    void PlayMenuSound(bool cancel);

    CQuarrowUI* GetUserInterface() const { return m_userInterface; }
    CQuarrowWorld* GetWorld() const { return m_world; }

    // The game's fader heads for target (0 black, 1 clear) over the seconds; nothing without a fader.
    void FadeTo(float target, float seconds) const;
    // The fader is on its way to its target (false without a fader).
    bool IsFading() const;
    // The world has taken every command posted to it and the fader stands still: a screen may switch on.
    bool IsReadyToSwitch() const;

    // "mainmenu", "gamemenu", "levelselection", "options", "freeplay", "treasury".
    static bool IsMenuMusicScreen(const std::string& name);
    // The title music; null until a screen is constructed and after ReleaseTitleMusic.
    static SoundLib::CMultiChannelSound* GetTitleMusic();
    // Ends the title music object; the user interface calls it when it shuts down, so the next run of
    // the game sets it up afresh.
    static void ReleaseTitleMusic();

protected:
    ~CQuarrowUIScreen() override = default;

private:
    CQuarrowUI* m_userInterface;
    CQuarrowWorld* m_world;
};
