#pragma once

#include "engine/QenApplication.h"
#include "platform/os/CommandLine.h"
#include "platform/os/Handle.h"

#include <cstdint>
#include <string>

namespace BaseLib
{
class CConfigFile;
}

namespace GameLib
{

class CUserInterface;
class CWorld;

// The application every program of the framework derives from. Over the engine's application it adds a
// single-instance guard, the configuration file with its registered keys, the command-line switches
// "-devmode", "-fullscreen" and "-perfhud", the start and stop of sound and of the window system, the
// world and the user-interface controller, and the per-frame tick that drives both.
//
// The engine's run loop reaches it through the engine's slots: Init is the framework's start-up
// (single-instance check, the engine's start-up, the main thread bound to the first processor, sound,
// the window system), Shutdown its final clean-up, and SelectAdapter, which the engine's start-up calls
// once the adapters are known, reads the configuration and the command line into the display settings.
class CGameLibApplication : public Qen::CQenApplication
{
public:
    // commandLine is the process's command line (as the program entry stored it) unless a caller passes
    // its own. Without allowSeveralInstances a second running copy is refused at start-up.
    CGameLibApplication(Platform::InstanceHandle instance, bool allowSeveralInstances,
                        const std::string& commandLine = Platform::ProcessCommandLine());
    ~CGameLibApplication() override;

    // The engine's slots taken over.
    bool Init() override;
    void Shutdown() override;
    void SelectAdapter() override;
    // RegisterPathAliases; the world (for this engine controller), then the user interface, each stored
    // and initialised.
    void CreateGameObjects() override;
    // The user interface's Shutdown and deletion, then the world's.
    void DestroyGameObjects() override;
    // The user interface's first, then the engine's.
    void OnDeviceLost() override;
    // The engine's first, then the user interface's.
    void OnDeviceReset() override;
    // The user interface's answer; true without one. The engine's full-screen toggle is not used.
    bool OnKeyDown(std::uint32_t virtualKey) override;
    bool HandleMessage(Platform::WindowHandle window, std::uint32_t message, Platform::MessageFirst first,
                       Platform::MessageSecond second) override;
    // UpdateUserInterface, UpdateWorld, RenderFrame.
    void Tick() override;

    // The framework's own slots, in order.
    // Writes 1 into the first and 0 into the second word.
    virtual void FillPair(std::uint32_t pair[2]);
    // The sound-device registry with the engine's path aliases and one device: the real one on head 0's
    // window (EAX as configured) unless sound is switched off or it cannot open, else the silent device.
    // The update thread runs only for the real device.
    virtual void StartSound();
    virtual void StopSound();
    // The controls' registration, the window system, and the engine's path aliases stored there.
    virtual void StartUILib();
    virtual void StopUILib();
    virtual std::string GetInstanceName() const;
    // True when another copy (or another application object) holds the instance mutex; otherwise this
    // one takes it. Either way the handle is kept until Shutdown.
    virtual bool IsAlreadyRunning();
    virtual void ReportAlreadyRunning();
    virtual std::string GetConfigFileName() const;
    // A fresh configuration with every key registered, read from the file, and written back at once.
    virtual void LoadConfiguration();
    virtual void RegisterConfigKeys();
    // The configuration into the display settings of every adapter and head.
    virtual void ApplyConfig();
    virtual void DeleteConfiguration();
    virtual void ParseCommandLine();
    // Nothing here; a game registers its media aliases.
    virtual void RegisterPathAliases();
    virtual void UpdateUserInterface();
    virtual void UpdateWorld();
    virtual void RenderFrame();

    bool IsDeveloperMode() const { return m_developerMode; }
    BaseLib::CConfigFile* GetConfiguration() const { return m_configuration; }
    CUserInterface* GetUserInterface() const { return m_userInterface; }
    CWorld* GetWorld() const { return m_world; }
    Platform::Handle GetInstanceMutex() const { return m_instanceMutex; }
    const std::string& GetCommandLine() const { return m_commandLine; }
    bool GetPreferSpecialAdapter() const { return m_preferSpecialAdapter; }

protected:
    Platform::Handle m_instanceMutex = nullptr;
    bool m_allowSeveralInstances;
    bool m_developerMode = false;
    BaseLib::CConfigFile* m_configuration = nullptr;
    CUserInterface* m_userInterface = nullptr;
    CWorld* m_world = nullptr;
    std::string m_commandLine;
};

} // namespace GameLib
