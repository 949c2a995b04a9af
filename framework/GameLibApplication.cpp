#include "framework/GameLibApplication.h"

#include "engine/AdapterRecord.h"
#include "foundation/ConfigFile.h"
#include "foundation/Debug.h"
#include "foundation/Helpers.h"
#include "framework/DebugStatistics.h"
#include "framework/UserInterface.h"
#include "framework/World.h"
#include "platform/os/MessageBox.h"
#include "platform/os/NamedMutex.h"
#include "platform/os/Thread.h"
#include "sound/DirectSound8Device.h"
#include "sound/NullSoundDevice.h"
#include "sound/SoundDeviceRegistry.h"
#include "ui/UILibSystem.h"
#include "ui/controls/Controls.h"

#include <filesystem>
#include <system_error>
#include <utility>

namespace GameLib
{

namespace
{

constexpr std::uint32_t kMultithreadedFlag = 4;

} // namespace

CGameLibApplication::CGameLibApplication(Platform::InstanceHandle instance, bool allowSeveralInstances,
                                         const std::string& commandLine)
    : CQenApplication(instance), m_allowSeveralInstances(allowSeveralInstances), m_commandLine(commandLine)
{
}

CGameLibApplication::~CGameLibApplication()
{
    // What a run that never reached its clean-up left behind.
    delete std::exchange(m_userInterface, nullptr);
    delete std::exchange(m_world, nullptr);
    delete std::exchange(m_configuration, nullptr);
    if (m_instanceMutex != nullptr)
    {
        Platform::CloseHandle(std::exchange(m_instanceMutex, nullptr));
    }
}

bool CGameLibApplication::Init()
{
    if (!m_allowSeveralInstances && IsAlreadyRunning())
    {
        ReportAlreadyRunning();
        return false;
    }
    const bool started = CQenApplication::Init();
    // Sound and the window system start whatever the engine answered, on a main thread already bound,
    // so that what they start from here is checked against that binding.
    if (!Platform::SetCurrentThreadProcessors(1))
    {
        BaseLib::DebugOutput("Warning: the main thread could not be bound to the first processor\n");
    }
    StartSound();
    StartUILib();
    return started;
}

void CGameLibApplication::Shutdown()
{
    StopSound();
    StopUILib();
    CQenApplication::Shutdown();
    DeleteConfiguration();
    DebugStatistics::Clear();
    if (m_instanceMutex != nullptr)
    {
        Platform::CloseHandle(std::exchange(m_instanceMutex, nullptr));
    }
}

void CGameLibApplication::SelectAdapter()
{
    m_displaySettings.SetAdapter(m_adapters.empty() ? nullptr : m_adapters.front());
    LoadConfiguration();
    ParseCommandLine();
    ApplyConfig();
}

void CGameLibApplication::CreateGameObjects()
{
    RegisterPathAliases();
    m_world = new CWorld(this);
    m_world->Initialize();
    m_userInterface = new CUserInterface(this);
    m_userInterface->Initialize();
}

void CGameLibApplication::DestroyGameObjects()
{
    if (m_userInterface != nullptr)
    {
        m_userInterface->Shutdown();
        delete std::exchange(m_userInterface, nullptr);
    }
    if (m_world != nullptr)
    {
        m_world->Shutdown();
        delete std::exchange(m_world, nullptr);
    }
}

void CGameLibApplication::OnDeviceLost()
{
    if (m_userInterface != nullptr)
    {
        m_userInterface->OnDeviceLost();
    }
    CQenApplication::OnDeviceLost();
}

void CGameLibApplication::OnDeviceReset()
{
    CQenApplication::OnDeviceReset();
    if (m_userInterface != nullptr)
    {
        m_userInterface->OnDeviceReset();
    }
}

bool CGameLibApplication::OnKeyDown(std::uint32_t virtualKey)
{
    return m_userInterface != nullptr ? m_userInterface->OnKeyDown(virtualKey) : true;
}

bool CGameLibApplication::HandleMessage(Platform::WindowHandle window, std::uint32_t message,
                                        Platform::MessageFirst first, Platform::MessageSecond second)
{
    return m_userInterface != nullptr ? m_userInterface->HandleMessage(window, message, first, second) : true;
}

void CGameLibApplication::Tick()
{
    UpdateUserInterface();
    UpdateWorld();
    RenderFrame();
}

void CGameLibApplication::FillPair(std::uint32_t pair[2])
{
    pair[0] = 1;
    pair[1] = 0;
}

void CGameLibApplication::StartSound()
{
    SoundLib::CSoundDeviceRegistry* registry = SoundLib::CSoundDeviceRegistry::GetInstance();
    registry->SetPathAliases(&GetPathAliases());
    Platform::WindowHandle window = m_displaySettings.records[0].hDeviceWindow;
    // Without a configuration the engine's start-up ended before its windows: nothing can play until the
    // clean-up, so the silent device stands in.
    bool real = window != nullptr;
    bool eax = false;
    if (m_configuration != nullptr)
    {
        real = m_configuration->GetBool("sound/soundenabled");
        eax = m_configuration->GetBool("sound/eaxenabled");
    }
    if (real && SoundLib::CDirectSound8Device::Create(window, eax) < 0)
    {
        real = false;
    }
    if (!real)
    {
        SoundLib::CNullSoundDevice::Create();
        return;
    }
    registry->StartUpdateThread();
}

void CGameLibApplication::StopSound()
{
    SoundLib::CSoundDeviceRegistry::DestroyInstance();
}

void CGameLibApplication::StartUILib()
{
    UILib::RegisterControls();
    UILib::CUILibSystem::CreateInstance();
    if (UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance())
    {
        system->SetPathAliases(&GetPathAliases());
    }
}

void CGameLibApplication::StopUILib()
{
    UILib::CUILibSystem::DestroyInstance();
}

std::string CGameLibApplication::GetInstanceName() const
{
    return "Harwen - GameLibApplication";
}

bool CGameLibApplication::IsAlreadyRunning()
{
    const std::string name = GetInstanceName();
    if (Platform::Handle existing = Platform::OpenNamedMutex(name))
    {
        m_instanceMutex = existing;
        return true;
    }
    m_instanceMutex = Platform::CreateNamedMutex(name);
    return false;
}

void CGameLibApplication::ReportAlreadyRunning()
{
    Platform::MessageBoxA(nullptr, "another Instance of this application is already running!", "Error",
                          Platform::MessageBoxIconError | Platform::MessageBoxOk);
}

std::string CGameLibApplication::GetConfigFileName() const
{
    return "config.xml";
}

void CGameLibApplication::LoadConfiguration()
{
    delete m_configuration;
    m_configuration = new BaseLib::CConfigFile();
    RegisterConfigKeys();
    const std::string fileName = GetConfigFileName();
    std::error_code error;
    const bool exists = std::filesystem::exists(fileName, error);
    if (!m_configuration->Load(fileName) && exists)
    {
        // A file the player may have edited by hand is kept aside rather than replaced by defaults.
        const std::string kept = fileName + ".bad";
        BaseLib::DebugOutput("Warning: %s could not be read; defaults used, the old file is kept as %s\n",
                             fileName.c_str(), kept.c_str());
        std::filesystem::rename(fileName, kept, error);
        if (error)
        {
            BaseLib::DebugOutput("Error: %s could not be renamed to %s (%s); it is left as it is\n",
                                 fileName.c_str(), kept.c_str(), error.message().c_str());
            return;
        }
    }
    m_configuration->Save(fileName, true, true);
}

void CGameLibApplication::RegisterConfigKeys()
{
    BaseLib::CConfigFile& config = *m_configuration;
    config.AddStringEntry("application/mediadir", "path to folder that contains content files", "../media", "");
    config.AddSizeEntry("application/windowsize", "Screen or window resolution in pixels", 1024, 768, 320, 200,
                        2048, 2048);
    config.AddBoolEntry("application/fullscreen",
                        "determines whether the application runs in fullscreen or in windowed mode", true);
    config.AddBoolEntry("application/tripplebuffering", "enables/disables tripple buffering", true);
    config.AddStringEntry("application/monitoraspect", "sets the physical aspect ratio of the monitor",
                          "autodetect", "4:3 16:10 16:9 autodetect");
    config.AddStringEntry("graphic/antialiasing", "sets the anti-aliasing quality level", "2", "off 0 1 2 3");
    config.AddBoolEntry("sound/soundenabled",
                        "Determines whether sound AND music is enabled (false = complete silence!)", true);
    config.AddBoolEntry("sound/eaxenabled", "Determines whether EAX 2.0 Extensions will be used if available",
                        false);
}

void CGameLibApplication::ApplyConfig()
{
    if (m_configuration == nullptr)
    {
        return;
    }
    const BaseLib::CConfigFile& config = *m_configuration;
    const std::string aspect = config.GetString("application/monitoraspect");
    int physicalWidth = 0;
    int physicalHeight = 0;
    if (aspect == "4:3")
    {
        physicalWidth = 40, physicalHeight = 30;
    }
    else if (aspect == "16:10")
    {
        physicalWidth = 160, physicalHeight = 100;
    }
    else if (aspect == "16:9")
    {
        physicalWidth = 160, physicalHeight = 90;
    }
    if (physicalWidth != 0)
    {
        for (Qen::CAdapterRecord* adapter : m_adapters)
        {
            for (Qen::CMonitorEntry& monitor : adapter->monitors)
            {
                monitor.widthMillimetres = physicalWidth;
                monitor.heightMillimetres = physicalHeight;
            }
        }
    }
    if (m_displaySettings.chosenAdapter == nullptr && !m_adapters.empty())
    {
        m_displaySettings.SetAdapter(m_adapters.front());
    }
    m_displaySettings.SetWindowSize(config.GetSize("application/windowsize"), -1);
    const std::int32_t windowed = config.GetBool("application/fullscreen") ? 0 : 1;
    const std::uint32_t backBuffers = config.GetBool("application/tripplebuffering") ? 2 : 1;
    for (Platform::Gfx::PresentParameters& record : m_displaySettings.records)
    {
        record.Windowed = windowed;
        record.BackBufferCount = backBuffers;
    }
    const std::string antialiasing = config.GetString("graphic/antialiasing");
    if (antialiasing != "off")
    {
        const std::int32_t quality = BaseLib::ParseDecimalInt(antialiasing.c_str());
        m_displaySettings.SetMultiSampling(true, static_cast<std::uint32_t>(quality), -1);
    }
    m_displaySettings.behaviorFlags |= kMultithreadedFlag;
}

void CGameLibApplication::DeleteConfiguration()
{
    delete std::exchange(m_configuration, nullptr);
}

void CGameLibApplication::ParseCommandLine()
{
    if (m_configuration == nullptr)
    {
        return;
    }
    bool value = false;
    if (BaseLib::GetCommandLineBool(m_commandLine, "-devmode", value))
    {
        m_developerMode = value;
        m_configuration->SetBool("application/fullscreen", !value);
    }
    if (BaseLib::GetCommandLineBool(m_commandLine, "-fullscreen", value))
    {
        m_configuration->SetBool("application/fullscreen", value);
    }
    if (BaseLib::GetCommandLineBool(m_commandLine, "-perfhud", value))
    {
        m_preferSpecialAdapter = value;
    }
}

void CGameLibApplication::RegisterPathAliases()
{
}

void CGameLibApplication::UpdateUserInterface()
{
    if (m_userInterface != nullptr)
    {
        m_userInterface->Update();
    }
}

void CGameLibApplication::UpdateWorld()
{
    if (m_world != nullptr)
    {
        m_world->Update(m_userInterface != nullptr ? m_userInterface->GetTimeStep() : 0.0);
    }
}

void CGameLibApplication::RenderFrame()
{
    if (m_userInterface != nullptr)
    {
        m_userInterface->Frame();
    }
}

} // namespace GameLib
