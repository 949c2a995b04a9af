#pragma once

#include "engine/DisplayHead.h"
#include "foundation/ConfigFile.h"
#include "framework/GameLibApplication.h"
#include "framework/UserInterface.h"
#include "framework/World.h"
#include "platform/os/Thread.h"
#include "tests/support/ApplicationTest.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace FrameworkTesting
{

// The fresh working folder per test, shared with the game's tests.
using TestSupport::ApplicationTest;

// A world that writes its calls into the application's log.
class RecordingWorld : public GameLib::CWorld
{
public:
    RecordingWorld(Qen::CEngineController* owner, std::vector<std::string>& log) : CWorld(owner), m_log(log) {}
    ~RecordingWorld() override { m_log.push_back("world deleted"); }
    void Initialize() override
    {
        m_log.push_back("world Initialize");
        CWorld::Initialize();
    }
    void Shutdown() override
    {
        m_log.push_back("world Shutdown");
        CWorld::Shutdown();
    }
    void Update(double frameTime) override
    {
        m_log.push_back("world Update " + std::to_string(frameTime));
        CWorld::Update(frameTime);
    }

private:
    std::vector<std::string>& m_log;
};

// A user interface that writes its calls into the log, answers keys and messages as told and gives a
// fixed time step.
class RecordingUserInterface : public GameLib::CUserInterface
{
public:
    RecordingUserInterface(GameLib::CGameLibApplication* application, std::vector<std::string>& log)
        : CUserInterface(application), m_log(log)
    {}
    ~RecordingUserInterface() override { m_log.push_back("ui deleted"); }
    void Initialize() override { m_log.push_back("ui Initialize"); }
    void Shutdown() override { m_log.push_back("ui Shutdown"); }
    void Update() override
    {
        m_log.push_back("ui Update");
        m_timeStep = 0.25;
    }
    void Frame() override { m_log.push_back("ui Frame"); }
    void OnDeviceLost() override;
    void OnDeviceReset() override;
    bool OnKeyDown(std::uint32_t virtualKey) override
    {
        m_log.push_back("ui OnKeyDown " + std::to_string(virtualKey));
        return keyAnswer;
    }
    bool HandleMessage(Platform::WindowHandle, std::uint32_t, Platform::MessageFirst,
                       Platform::MessageSecond) override
    {
        return messageAnswer;
    }

    bool keyAnswer = true;
    bool messageAnswer = true;

private:
    std::vector<std::string>& m_log;
};

// The framework application with every slot kept, recording the order in which they run; its Tick runs
// the framework's tick and quits after `quitAfter` frames. With `recordGameObjects` it makes recording
// world and user-interface objects the way a game makes its own; otherwise the framework's.
class TestApplication : public GameLib::CGameLibApplication
{
public:
    explicit TestApplication(bool allowSeveralInstances = true, const std::string& commandLine = "")
        : CGameLibApplication(Platform::GetModuleHandleA(nullptr), allowSeveralInstances, commandLine)
    {}

    bool Init() override
    {
        startupResult = CGameLibApplication::Init();
        calls.push_back(startupResult ? "Startup true" : "Startup false");
        if (afterStartup)
        {
            afterStartup(*this);
        }
        return startupResult;
    }
    void Shutdown() override
    {
        calls.push_back("Cleanup");
        CGameLibApplication::Shutdown();
        calls.push_back(GetInstanceMutex() != nullptr ? "mutex kept" : "no mutex");
    }
    bool IsAlreadyRunning() override
    {
        calls.push_back("IsAlreadyRunning");
        return CGameLibApplication::IsAlreadyRunning();
    }
    void SelectAdapter() override
    {
        calls.push_back("Initialize");
        CGameLibApplication::SelectAdapter();
    }
    void StartSound() override
    {
        calls.push_back(std::string("StartSound") + (GetDevice() != nullptr ? " device" : " no device") +
                        (Platform::GetCurrentThreadProcessors() == 1 ? " bound" : " unbound"));
        CGameLibApplication::StartSound();
    }
    void StartUILib() override
    {
        calls.push_back("StartUILib");
        CGameLibApplication::StartUILib();
    }
    void CreateGameObjects() override
    {
        calls.push_back("CreateGameObjects");
        if (!recordGameObjects)
        {
            CGameLibApplication::CreateGameObjects();
            return;
        }
        RegisterPathAliases();
        m_world = new RecordingWorld(this, calls);
        m_world->Initialize();
        m_userInterface = new RecordingUserInterface(this, calls);
        m_userInterface->Initialize();
    }
    void DestroyGameObjects() override
    {
        calls.push_back("DestroyGameObjects");
        CGameLibApplication::DestroyGameObjects();
    }
    void RegisterPathAliases() override { calls.push_back("RegisterPathAliases"); }
    void Tick() override
    {
        ++ticks;
        calls.push_back("Tick");
        CGameLibApplication::Tick();
        if (onTick)
        {
            onTick(*this);
        }
        if (ticks >= quitAfter)
        {
            Quit();
        }
    }
    void StopSound() override
    {
        calls.push_back("StopSound");
        CGameLibApplication::StopSound();
    }
    void StopUILib() override
    {
        calls.push_back("StopUILib");
        CGameLibApplication::StopUILib();
    }
    void DeleteConfiguration() override
    {
        calls.push_back(GetDevice() == nullptr ? "DeleteConfiguration, engine down" : "DeleteConfiguration");
        CGameLibApplication::DeleteConfiguration();
    }

    RecordingUserInterface* RecordingUI() const { return static_cast<RecordingUserInterface*>(m_userInterface); }
    Platform::WindowHandle Window(int head) { return m_displaySettings.records[head].hDeviceWindow; }

    std::vector<std::string> calls;
    bool recordGameObjects = true;
    bool startupResult = false;
    int ticks = 0;
    int quitAfter = 3;
    std::function<void(TestApplication&)> afterStartup;
    std::function<void(TestApplication&)> onTick;
};

inline void RecordingUserInterface::OnDeviceLost()
{
    // The heads still hold their swap chains until the engine's part runs.
    auto& heads = m_application->GetHeads();
    m_log.push_back(std::string("ui OnDeviceLost") + (heads[0]->swapChain != nullptr ? ", heads attached" : ""));
}

inline void RecordingUserInterface::OnDeviceReset()
{
    auto& heads = m_application->GetHeads();
    m_log.push_back(std::string("ui OnDeviceReset") + (heads[0]->swapChain != nullptr ? ", heads attached" : ""));
}

} // namespace FrameworkTesting
