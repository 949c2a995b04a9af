#pragma once

#include "framework/Timer.h"
#include "platform/os/Messages.h"
#include "platform/os/Window.h"

#include <cstdint>
#include <string>

namespace GameLib
{

class CDebugOverlay;
class CFramerateGraph;
class CGameLibApplication;
class CInputManager;
class CUIScreenStateMachine;

// The frame's conductor on the presentation side: it owns the input manager with the contexts "game" and
// "gui", the screen state machine, and in developer mode the debug overlay and the frame-rate graph.
// Each frame the application calls Update (time step and input), lets the world run, then calls Frame
// (screens, sound tick, drawing). The game derives its own controller and replaces slots of it.
class CUserInterface
{
public:
    // application is not owned.
    explicit CUserInterface(CGameLibApplication* application);
    virtual ~CUserInterface();
    CUserInterface(const CUserInterface&) = delete;
    CUserInterface& operator=(const CUserInterface&) = delete;

    // Slots, in order.
    virtual void Initialize();
    virtual void Shutdown();
    virtual void OnDeviceLost();
    virtual void OnDeviceReset();
    virtual void Update();
    virtual void Frame();
    // False when the key was used.
    virtual bool OnKeyDown(std::uint32_t virtualKey);
    // Always true: the engine goes on with its own handling.
    virtual bool HandleMessage(Platform::WindowHandle window, std::uint32_t message, Platform::MessageFirst first,
                               Platform::MessageSecond second);
    virtual void SetCursorVisible(bool show);
    virtual bool IsCursorShown() const;
    virtual void RegisterConfigKeys();
    virtual void CreateInputManager();
    virtual void DestroyInputManager();
    virtual void CreateDefaultBindings();
    virtual void InitializeUILib(int layerCount, int width, int height);
    virtual void DestroyScreens();
    virtual void CreateScreens();
    virtual void CreateDebugGui();
    virtual void DestroyDebugGui();
    virtual void UpdateFrameRate();
    virtual void DrawStatistics();
    virtual void UpdateScreens();
    virtual void Render();
    virtual void ClearBackground();
    virtual void RenderScene(int head);
    virtual void RenderWindows(int head);
    virtual void RenderDebugGui(int head);
    virtual void TakeScreenshot();

    CInputManager* GetInputManager() const { return m_inputManager; }
    // The current frame's time step in seconds.
    double GetTimeStep() const { return m_timeStep; }
    // The next frame's time step is 0.
    void ResetTimeStep() { m_resetTimeStep = true; }
    CGameLibApplication* GetApplication() const { return m_application; }
    CUIScreenStateMachine* GetScreenStateMachine() const { return m_screenStateMachine; }
    float GetFrameRate() const { return m_frameRate; }

protected:
    std::uint32_t m_clearColor = 0x00204080; // alpha 0, red 32, green 64, blue 128
    int m_layerCount = 1;
    std::string m_gameContextName = "game";
    std::string m_guiContextName = "gui";
    CInputManager* m_inputManager = nullptr;
    CUIScreenStateMachine* m_screenStateMachine = nullptr;
    CFramerateGraph* m_framerateGraph = nullptr;
    CDebugOverlay* m_debugOverlay = nullptr;
    CGameLibApplication* m_application;
    CTimer m_frameTimer;
    bool m_drawingSuspended = false;
    bool m_cursorShown = false;
    double m_timeStep = 0.0;
    bool m_resetTimeStep = false;
    float m_frameRate = 30.0f;
};

} // namespace GameLib
