#pragma once

#include "platform/os/Messages.h"

#include <cstdint>
#include <map>
#include <string>

namespace UILib
{
class CCanvas;
class CWindowManager;
} // namespace UILib

namespace GameLib
{

class CInputManager;
class CUIScreenStateMachine;

// A full-screen screen of the user interface (a menu, the loading screen, the in-game screen, ...),
// registered under a name with a CUIScreenStateMachine and run once per frame while it is current.
// Screens are destroyed only through Release.
class CUIScreen
{
public:
    CUIScreen() = default;
    CUIScreen(const CUIScreen&) = delete;
    CUIScreen& operator=(const CUIScreen&) = delete;

    // Once per frame while the screen is current.
    virtual void Update() = 0;
    // DrawOverlay; the head is not used here.
    virtual void DrawOverlayForHead(int head);
    // Drawing after the frame's scene; nothing here.
    virtual void DrawOverlay() {}
    // The screen became current.
    virtual void OnActivate() {}
    // The screen stops being current (the machine's GetNextScreenName says which screen follows).
    virtual void OnDeactivate() {}
    // While the current screen answers true the world's scene is not drawn.
    virtual bool HidesScene() const { return false; }
    // Destroys the screen (the stock screens delete themselves).
    virtual void Release() = 0;

    // The machine that registered the screen; null before.
    CUIScreenStateMachine* GetOwner() const { return m_owner; }
    void SetOwner(CUIScreenStateMachine* owner) { m_owner = owner; }

protected:
    virtual ~CUIScreen() = default;

private:
    CUIScreenStateMachine* m_owner = nullptr;
};

// The screens by name, the current and the previous one, and the switches between them. A switch asked
// for while the current screen updates waits until that update has returned; the screen switched to is
// then updated in the same frame. The name "shutdown" is always registered, with no screen: switching to
// it leaves the current screen and makes none current (the user-interface controller then ends the
// program).
class CUIScreenStateMachine
{
public:
    // inputManager is not owned; screens reach it through their owner.
    explicit CUIScreenStateMachine(CInputManager* inputManager);
    // Releases every distinct registered screen once (a screen under two names is released once).
    virtual ~CUIScreenStateMachine();
    CUIScreenStateMachine(const CUIScreenStateMachine&) = delete;
    CUIScreenStateMachine& operator=(const CUIScreenStateMachine&) = delete;

    // Registers the screen (null allowed) under the name and makes this machine its owner. A screen
    // registered earlier under the name is replaced, not released: it stays its creator's.
    void AddScreen(const std::string& name, CUIScreen* screen);
    // Null for an unregistered name and for a name without a screen ("shutdown").
    CUIScreen* FindScreen(const std::string& name) const;
    // False, nothing changed, for an unregistered name. Otherwise the switch happens at once, or after the
    // running screen update; a later request in the same update replaces the earlier one.
    bool SwitchTo(const std::string& name);
    // Performs the requested switch: the old screen's OnDeactivate (the requested name is still set),
    // the names move on, the new screen's OnActivate.
    void DoSwitch();
    // The window manager's per-frame passes, then the current screen's Update, and the screens switched
    // to from there, until an update requests no switch.
    void UpdateCurrentScreen();
    // The current screen's DrawOverlayForHead.
    void DrawCurrentOverlay(int head);

    CUIScreen* GetCurrentScreen() const { return m_currentScreen; }
    std::string GetCurrentScreenName() const { return m_currentName; }
    std::string GetPreviousScreenName() const { return m_previousName; }
    // The screen being switched to; set while the old screen runs OnDeactivate, empty between frames.
    std::string GetNextScreenName() const { return m_requestedName; }
    CInputManager* GetInputManager() const { return m_inputManager; }
    bool IsUpdating() const { return m_updating; }

private:
    std::map<std::string, CUIScreen*> m_screens; // byte-wise name order
    CUIScreen* m_currentScreen = nullptr;
    std::string m_currentName;
    std::string m_previousName;
    std::string m_requestedName;
    bool m_updating = false;
    CInputManager* m_inputManager;
};

// The window manager of the running window system; null while the system does not run.
UILib::CWindowManager* RunningWindowManager();
// Whether a layer of the window system still moves: each layer in order whose root window has an own
// canvas advances that canvas's ramps to the window-system time; the first that is still animating
// answers true (later layers are not advanced in that call). False without a window system.
bool IsAnyLayerAnimating();
// The own canvas of layer 0's root window; null when there is none.
UILib::CCanvas* GetFirstLayerCanvas();
// Hands a message of the host window to the window system's input translation; always true.
bool ForwardWindowMessage(Platform::WindowHandle window, std::uint32_t message, Platform::MessageFirst first,
                          Platform::MessageSecond second);

} // namespace GameLib
