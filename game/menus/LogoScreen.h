#pragma once

#include "framework/StateMachine.h"
#include "game/QuarrowUIScreen.h"
#include "ui/BlockArray.h"

#include <string>
#include <vector>

namespace UILib
{
class CLabel;
class CWindow;
} // namespace UILib

// The screen "logo" between the saved games and the main menu: it fades in from black, shows four logo
// pictures one after another with a cross-fade between each two, fades to black and opens "mainmenu".
// Each logo stays 3 s; any key or game-controller button held while a logo shows (not while fading)
// hurries that logo and every later one to just over 0.75 s. Its windows are made in code on each
// visit and destroyed when it is left.
//
// Two full-screen labels take turns: label A (below) holds the even logos, label B (above, with its own
// canvas) the odd ones, so a cross-fade is label B's "fadein" or "fadeout" animation.
//
// States: "Start", "FadeIn", "Wait", "CrossFade", "FadeOut".
class CLogoScreen : public CQuarrowUIScreen
{
public:
    static constexpr double WaitSeconds = 3.0;
    static constexpr double MinimumSeconds = 0.75;

    CLogoScreen(CQuarrowUI* userInterface, CQuarrowWorld* world);

    // The current state's update.
    void Update() override;
    // The screen base's activation, the cursor hidden, the windows made, "Start".
    void OnActivate() override;
    // The cursor hidden, the panel destroyed with its labels, the screen base's deactivation.
    void OnDeactivate() override;

    // The logo files of this visit, in the order shown: three makers' logos, then the game's in German
    // when the saved-games holder's language index is 1, else in English.
    const std::vector<std::string>& GetLogoNames() const { return m_logoNames; }
    // The logo now shown.
    int GetIndex() const { return m_index; }
    bool IsSkipping() const { return m_skip; }
    // Null while the screen is not current.
    UILib::CWindow* GetPanel() const;
    UILib::CLabel* GetLabelA() const;
    UILib::CLabel* GetLabelB() const;
    const GameLib::CStateMachine& GetStates() const { return m_states; }

protected:
    ~CLogoScreen() override;

private:
    // Makes the panel and the two labels in layer 0's root, once per visit.
    void CreateWindows();
    void DestroyWindows();
    bool HasNextLogo() const { return m_index + 1 < static_cast<int>(m_logoNames.size()); }

    void UpdateStart();
    void EnterFadeIn();
    void UpdateFadeIn();
    void EnterWait();
    void UpdateWait();
    void EnterCrossFade();
    void UpdateCrossFade();
    void EnterFadeOut();
    void UpdateFadeOut();

    UILib::Handle m_panel = 0;
    UILib::Handle m_labelA = 0;
    UILib::Handle m_labelB = 0;
    std::vector<std::string> m_logoNames;
    int m_index = 0;
    bool m_skip = false;
    double m_elapsed = 0.0;
    double m_waitSeconds = WaitSeconds;
    double m_minimumSeconds = MinimumSeconds;
    GameLib::CStateMachine m_states;
};
