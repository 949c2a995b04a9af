#pragma once

#include "engine/DisplaySettings.h"
#include "engine/EngineController.h"
#include "platform/os/Messages.h"
#include "platform/os/Window.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace Platform::Input
{
class Device;
class InputObject;
} // namespace Platform::Input

namespace Qen
{

class CAdapterRecord;

// The engine's application: the window class and one window per display head, the device with its
// loss and reset, the input devices and the message and frame loop. The framework and the game derive
// from it and override its slots; what is described here is what runs when a slot is not overridden.
// One application exists at a time; the window procedure reaches it through the process-wide pointer.
class CQenApplication : public CEngineController, public CDeviceFailureReporter
{
public:
    // Prepares the class record ("QenApplication", also every window's title), the default display
    // settings and the engine controller. Sets the process-wide application.
    explicit CQenApplication(Platform::InstanceHandle instance);

    // Slots, in order.
    virtual void Quit();
    // The run loop resets the device at its next idle pass.
    virtual void RequestDeviceReset();
    // Clears the process-wide application; frees what Shutdown did not.
    ~CQenApplication() override;
    // Start-up: graphics object, adapters, SelectAdapter, the special adapter when preferred, the windows,
    // the device, the engine, the input devices. False at the first failure (after its box).
    virtual bool Init();
    // Clean-up in reverse; passes over whatever Init did not make, so it may follow a failed Init.
    virtual void Shutdown();
    // Chooses the adapter: the first record.
    virtual void SelectAdapter();
    virtual void CreateGameObjects() {}
    virtual void DestroyGameObjects() {}
    // Acquire / unacquire the mouse, the keyboard and every controller; priority normal / idle.
    virtual void OnActivate();
    virtual void OnDeactivate();
    virtual void ReportDirectXMissing();
    void ReportCreateDeviceFailed(Platform::Gfx::Result result) override;
    // Releases the heads' swap chains, sends "devicelost" to the registries, invalidates the state cache.
    virtual void OnDeviceLost();
    // Gives every head its swap chain again and sends "devicereset" to the registries.
    virtual void OnDeviceReset();
    // Escape toggles all eight records between windowed and full screen and asks for a reset (true).
    // Other keys: false.
    virtual bool OnKeyDown(std::uint32_t virtualKey);
    // The close hook's answer; true without one.
    virtual bool OnClose();
    // Asked first for every message while not quitting; false consumes it.
    virtual bool HandleMessage(Platform::WindowHandle window, std::uint32_t message, Platform::MessageFirst first,
                               Platform::MessageSecond second);
    // Tick, unless called for a paint message.
    virtual void Frame(bool fromPaint);
    virtual void Tick() {}
    // Shows the windows and runs the message and frame loop until the quit flag is set.
    virtual void Run();

    // The application the window procedure reaches; null when none exists.
    static CQenApplication* GetApplication();
    // The procedure of the class: DefWindowProcA while no application exists.
    static Platform::MessageResult WindowProc(Platform::WindowHandle window, std::uint32_t message,
                                              Platform::MessageFirst first, Platform::MessageSecond second);

    bool IsQuitting() const { return m_quit; }
    bool IsRunning() const { return m_running; }
    bool IsLost() const { return m_lost; }
    CDisplaySettings& GetDisplaySettings() { return m_displaySettings; }
    const std::vector<CAdapterRecord*>& GetAdapters() const { return m_adapters; }
    CAdapterRecord* GetSpecialAdapter() const { return m_specialAdapter; }
    Platform::InstanceHandle GetInstance() const { return m_instance; }
    Platform::Input::Device* GetMouse() const { return m_mouse; }
    Platform::Input::Device* GetKeyboard() const { return m_keyboard; }
    // One entry per controller attached at start-up; null for one that could not be opened.
    const std::vector<Platform::Input::Device*>& GetControllers() const { return m_controllers; }
    // Asked by OnClose before a window may close.
    void SetCloseHook(std::function<bool()> hook) { m_closeHook = std::move(hook); }

protected:
    // Registers the class and makes one window per head, stored as the heads' device windows.
    bool CreateWindows();
    bool SetUpInput();
    void ReleaseInput();
    Platform::MessageResult HandleWindowMessage(Platform::WindowHandle window, std::uint32_t message,
                                                Platform::MessageFirst first, Platform::MessageSecond second);

    std::uint32_t m_deviceType = 1;
    bool m_version31 = false;              // the graphics object is made for version 31, else 32
    bool m_preferSpecialAdapter = false;   // the special adapter is chosen when it exists
    std::uint32_t m_mouseFlags = 6;        // non-exclusive | foreground
    std::uint32_t m_keyboardFlags = 6;
    std::uint32_t m_controllerFlags = 6;
    Platform::WindowClass m_windowClass;
    std::uint32_t m_windowStyle = Platform::WS_OVERLAPPEDWINDOW;
    std::vector<CAdapterRecord*> m_adapters;
    CAdapterRecord* m_specialAdapter = nullptr;
    CDisplaySettings m_displaySettings;
    Platform::InstanceHandle m_instance = nullptr;
    Platform::Input::InputObject* m_input = nullptr;
    Platform::Input::Device* m_mouse = nullptr;
    Platform::Input::Device* m_keyboard = nullptr;
    std::vector<Platform::Input::Device*> m_controllers;
    std::function<bool()> m_closeHook;
    bool m_running = false;
    bool m_quit = false;
    bool m_lost = false;

private:
    // The references Init took: the graphics object and the device creation's device (the controller's
    // copies are cleared by ShutdownEngine).
    Platform::Gfx::Graphics* m_graphicsObject = nullptr;
    Platform::Gfx::Device* m_createdDevice = nullptr;
    bool m_classRegistered = false;
};

// Runs the application: nothing when it is already quitting; else Init, and only when that succeeded
// and no quit was asked, CreateGameObjects, Run (unless quitting) and DestroyGameObjects; Shutdown in
// every case. Returns 0.
int RunApplication(CQenApplication* application);

} // namespace Qen
