#pragma once

#include "framework/StateMachine.h"
#include "framework/UIScreen.h"

#include <cstdint>
#include <string>

namespace UILib
{
class CBasicButton;
class CPanel;
} // namespace UILib

namespace GameLib
{

class CUserInterface;
class CWorld;

// The framework's three ready-made screens, kept by a program that does not replace the controller's
// screen list. Each owns one full-size panel in window layer 0 (kept and deleted by the window system;
// none while there is no layer 0), fades the picture in when it starts and out before it leaves, and leaves
// only once the fade has ended and the world has taken every command posted to it. Controller and world
// are not owned.

// "ingame": user control in the world while current; "quit" fades out and goes back to "menu".
class CIngameScreen : public CUIScreen
{
public:
    CIngameScreen(CUserInterface* userInterface, CWorld* world);
    static CUIScreen* Create(CUserInterface* userInterface, CWorld* world);

    void Update() override;
    // Panel shown, "SetUserControlEnabled" "true" posted, state "Start".
    void OnActivate() override;
    // "SetUserControlEnabled" "false" posted, panel hidden.
    void OnDeactivate() override;
    void Release() override;

    UILib::CPanel* GetPanel() const { return m_panel; }
    const std::string& GetStateName() const { return m_states.GetCurrentStateName(); }

protected:
    ~CIngameScreen() override = default;

private:
    void CreateWindows();
    void SetupStates();
    void StartUpdate();
    void FadeInEnter();
    void FadeInUpdate();
    void GameEnter();
    void GameUpdate();
    void GameLeave();
    void FadeOutEnter();
    void FadeOutUpdate();
    void LeaveFor(const std::string& name);

    CUserInterface* m_userInterface;
    CWorld* m_world;
    CStateMachine m_states;
    UILib::CPanel* m_panel = nullptr;
    std::string m_nextScreen;
};

// "menu": "press start"; any key, a controller button or "startbutton" goes to "ingame", "quit" (Escape)
// or "quitbutton" to "shutdown". The mouse cursor shows only while the menu is current.
class CMenuScreen : public CUIScreen
{
public:
    CMenuScreen(CUserInterface* userInterface, CWorld* world);
    static CUIScreen* Create(CUserInterface* userInterface, CWorld* world);

    void Update() override;
    // Panel shown, cursor shown, state "Start".
    void OnActivate() override;
    // Panel hidden, cursor hidden, layer 0's canvas opaque again.
    void OnDeactivate() override;
    void Release() override;

    UILib::CPanel* GetPanel() const { return m_panel; }
    const std::string& GetStateName() const { return m_states.GetCurrentStateName(); }

protected:
    ~CMenuScreen() override = default;

private:
    void CreateWindows();
    void SetupStates();
    void OnStartButton(UILib::CBasicButton* button);
    void OnQuitButton(UILib::CBasicButton* button);
    void StartUpdate();
    void FadeInEnter();
    void FadeInUpdate();
    void MainMenuEnter();
    void MainMenuUpdate();
    void MainMenuLeave();
    void FadeOutEnter();
    void FadeOutUpdate();
    void LeaveFor(const std::string& name);

    CUserInterface* m_userInterface;
    CWorld* m_world;
    std::string m_nextScreen;
    UILib::CPanel* m_panel = nullptr;
    CStateMachine m_states;
};

// "loading": on a black panel that hides the scene, fades in, asks the world to load "startup/level",
// fades out, waits for the world, then goes to "ingame" when "startup/mode" is "single_level", else to
// "menu".
class CLoadingScreen : public CUIScreen
{
public:
    CLoadingScreen(CUserInterface* userInterface, CWorld* world);
    static CUIScreen* Create(CUserInterface* userInterface, CWorld* world);

    // Phase 0 fades in; 1 waits for the fade; 2 loads and fades out; 3 waits for the world and the
    // fade, then switches and starts over at 0.
    void Update() override;
    void OnActivate() override;
    void OnDeactivate() override;
    bool HidesScene() const override { return true; }
    void Release() override;
    // Posts "LoadLevel" with "startup/level"; the next frame's time step is 0.
    virtual void StartLoading();

    UILib::CPanel* GetPanel() const { return m_panel; }
    std::int32_t GetPhase() const { return m_phase; }

protected:
    ~CLoadingScreen() override = default;

private:
    void CreateWindows();

    UILib::CPanel* m_panel = nullptr;
    CUserInterface* m_userInterface;
    CWorld* m_world;
    std::int32_t m_phase = 0;
    std::string m_nextScreen;
};

} // namespace GameLib
