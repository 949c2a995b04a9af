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
class CQenUILibCanvas;
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
    // Keys, input manager and bindings, the world's channel on "game", the window-system layers and the
    // screen state machine, the debug overlay in developer mode, the cursor hidden, then CreateScreens.
    virtual void Initialize();
    // The debug overlay (developer mode), the screens, the input manager.
    virtual void Shutdown();
    // The frame-rate graph's device objects released / made again.
    virtual void OnDeviceLost();
    virtual void OnDeviceReset();
    // The time step and the input, before the world's update.
    virtual void Update();
    // The sound tick (without an update thread), the screens, and the drawing unless it is suspended.
    virtual void Frame();
    // False when the key was used.
    virtual bool OnKeyDown(std::uint32_t virtualKey);
    // Always true: the engine goes on with its own handling.
    virtual bool HandleMessage(Platform::WindowHandle window, std::uint32_t message, Platform::MessageFirst first,
                               Platform::MessageSecond second);
    virtual void SetCursorVisible(bool show);
    virtual bool IsCursorShown() const;
    // "startup/level" and "startup/mode"; read from the configuration file and written back with every
    // key when the file reads.
    virtual void RegisterConfigKeys();
    virtual void CreateInputManager();
    virtual void DestroyInputManager();
    virtual void CreateDefaultBindings();
    // Bitmaps searched in "interface>", the canvas factory, layerCount full-size panel layers with own
    // canvases, and the screen state machine. A size that is not positive means head 0's.
    virtual void InitializeUILib(int layerCount, int width, int height);
    virtual void DestroyScreens();
    // The stock screens: "devmenu" (developer mode only), "loading", "menu", "ingame"; the first is
    // "devmenu" in developer mode, else "loading". The game registers its own list instead.
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
    // Developer mode: a "screenshot" event asks head 0 for "screenshot.png" (then numbered ones) with a
    // sound; while "recordvideo" holds, every frame goes to "video/image…png", the folder made first.
    virtual void TakeScreenshot();
    // Where a picture of that name goes: the name itself, relative to the working folder.
    virtual std::string ScreenshotPath(const char* name) const;

    // The window manager's canvas factory: a canvas on the engine in 128 × 128 tiles with the built-in
    // vertex program.
    CQenUILibCanvas* CreateCanvas(int width, int height);
    // When drawing is suspended: OnDeviceReset, then drawing resumes.
    void ResumeDrawing();
    bool IsDrawingSuspended() const { return m_drawingSuspended; }

    CInputManager* GetInputManager() const { return m_inputManager; }
    // The current frame's time step in seconds.
    double GetTimeStep() const { return m_timeStep; }
    // The next frame's time step is 0.
    void ResetTimeStep() { m_resetTimeStep = true; }
    CGameLibApplication* GetApplication() const { return m_application; }
    CUIScreenStateMachine* GetScreenStateMachine() const { return m_screenStateMachine; }
    float GetFrameRate() const { return m_frameRate; }
    CFramerateGraph* GetFramerateGraph() const { return m_framerateGraph; }
    CDebugOverlay* GetDebugOverlay() const { return m_debugOverlay; }

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
    // The video recording of the previous frame, and whether this recording's folder exists.
    bool m_recordingVideo = false;
    bool m_videoFolderReady = false;
    std::string m_videoBaseName;
};

} // namespace GameLib
