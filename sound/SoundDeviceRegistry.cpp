#include "sound/SoundDeviceRegistry.h"

#include "foundation/ResourceRegistry.h"
#include "platform/Counter.h"
#include "platform/os/Sleep.h"
#include "sound/SoundDevice.h"
#include "sound/WaveResource.h"

#include <algorithm>

namespace SoundLib
{

namespace
{

CSoundDeviceRegistry* g_instance = nullptr;

// Counter ticks per millisecond, computed by the registry's constructor.
std::int64_t g_ticksPerMillisecond = 1;

constexpr std::uint32_t UpdatePeriodMs = 33;
constexpr std::uint32_t WaveMemoryLimit = 0x1000000;

}

CSoundDeviceRegistry* CSoundDeviceRegistry::GetInstance()
{
    if (g_instance == nullptr)
    {
        g_instance = new CSoundDeviceRegistry();
    }
    return g_instance;
}

CSoundDeviceRegistry* CSoundDeviceRegistry::GetExistingInstance()
{
    return g_instance;
}

void CSoundDeviceRegistry::DestroyInstance()
{
    if (g_instance != nullptr)
    {
        delete g_instance;
        g_instance = nullptr;
    }
}

CSoundDeviceRegistry::CSoundDeviceRegistry()
{
    g_ticksPerMillisecond = std::max<std::int64_t>(1, static_cast<std::int64_t>(Platform::CounterFrequency() / 1000));
    m_currentTime = ReadClock();
    m_waveRegistry = std::make_unique<BaseLib::CResourceRegistry>();
    m_waveRegistry->SetMemoryLimit(WaveMemoryLimit);
    m_waveFactory = std::make_unique<CWaveResourceFactory>(m_waveRegistry.get());
}

CSoundDeviceRegistry::~CSoundDeviceRegistry()
{
    m_shuttingDown = true;
    StopUpdateThread();
    // The devices' destructors call Unregister, which does nothing now: the slots stay as they are.
    for (CSoundDevice* device : m_slots)
    {
        if (device != nullptr)
        {
            device->Destroy();
        }
    }
    // The factory empties the registry's cache of waves before the registry goes.
    m_waveFactory.reset();
    m_waveRegistry.reset();
}

std::int64_t CSoundDeviceRegistry::ReadClock() const
{
    return static_cast<std::int64_t>(Platform::ReadCounter()) / g_ticksPerMillisecond;
}

int CSoundDeviceRegistry::Register(CSoundDevice* device)
{
    if (device == nullptr || !device->IsValid())
    {
        return -1;
    }
    Platform::CriticalSectionLock lock(m_lock);
    const auto empty = std::find(m_slots.begin(), m_slots.end(), nullptr);
    if (empty != m_slots.end())
    {
        *empty = device;
        return static_cast<int>(empty - m_slots.begin());
    }
    m_slots.push_back(device);
    return static_cast<int>(m_slots.size()) - 1;
}

void CSoundDeviceRegistry::Unregister(CSoundDevice* device)
{
    if (m_shuttingDown || device == nullptr)
    {
        return;
    }
    Platform::CriticalSectionLock lock(m_lock);
    const auto slot = std::find(m_slots.begin(), m_slots.end(), device);
    if (slot != m_slots.end())
    {
        *slot = nullptr;
    }
}

bool CSoundDeviceRegistry::Contains(const CSoundDevice* device) const
{
    return device != nullptr && std::find(m_slots.begin(), m_slots.end(), device) != m_slots.end();
}

CSoundDevice* CSoundDeviceRegistry::GetDevice(int index) const
{
    if (index < 0 || index >= static_cast<int>(m_slots.size()))
    {
        return nullptr;
    }
    return m_slots[static_cast<std::size_t>(index)];
}

int CSoundDeviceRegistry::GetDeviceCount() const
{
    return static_cast<int>(m_slots.size());
}

void CSoundDeviceRegistry::Tick()
{
    Platform::CriticalSectionLock lock(m_lock);
    const std::int64_t now = ReadClock();
    m_currentTime = now;
    for (CSoundDevice* device : m_slots)
    {
        if (device != nullptr)
        {
            device->Update(now);
        }
    }
}

std::uint32_t CSoundDeviceRegistry::RunUpdateThread()
{
    while (!m_stop)
    {
        Tick();
        Platform::Sleep(UpdatePeriodMs);
    }
    return 0;
}

void CSoundDeviceRegistry::StartUpdateThread()
{
    if (m_updateThread.GetHandle() != nullptr)
    {
        return;
    }
    m_stop = false;
    BaseLib::CThread created;
    if (!created.Create(this, &CSoundDeviceRegistry::RunUpdateThread, Platform::ThreadStartSuspended))
    {
        m_stop = true;
        return;
    }
    m_updateThread = created;
    if (m_updateThread.GetHandle() == nullptr)
    {
        // Without a handle of its own the thread could never be stopped: let it end at once.
        m_stop = true;
        Platform::ResumeThread(created.GetHandle());
        Platform::WaitFor(created.GetHandle());
        return;
    }
    created.Close();
    // An unprivileged process may not raise a thread's priority; the refusal is ignored.
    Platform::SetThreadPriority(m_updateThread.GetHandle(), Platform::ThreadPriorityAboveNormal);
    Platform::ResumeThread(m_updateThread.GetHandle());
}

void CSoundDeviceRegistry::StopUpdateThread()
{
    if (m_updateThread.GetHandle() == nullptr)
    {
        return;
    }
    m_stop = true;
    Platform::WaitFor(m_updateThread.GetHandle());
    m_updateThread = BaseLib::CThread();
}

} // namespace SoundLib
