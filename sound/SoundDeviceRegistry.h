#pragma once

#include "foundation/Thread.h"
#include "platform/os/Sync.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace BaseLib
{
class CPathAliases;
class CResourceRegistry;
}

namespace SoundLib
{

class CSoundDevice;
class CWaveResourceFactory;

// The process-wide singleton through which the program reaches sound: it numbers the devices in slots
// (the slot index is the device index everywhere), keeps the millisecond clock that drives fades, owns
// the wave registry and its factory, and runs the update thread that ticks every device about 30 times
// a second. Lock order: the registry's lock before a device's lock, never the reverse.
class CSoundDeviceRegistry
{
public:
    // The registry, created on first use (first called by the main thread before other threads exist).
    static CSoundDeviceRegistry* GetInstance();
    // The registry when it exists, else null; never creates one. For code that may run after the
    // registry was destroyed (device and sound destructors at program exit).
    static CSoundDeviceRegistry* GetExistingInstance();
    // Destroys the registry when it exists: stops the thread, destroys every device in index order, then
    // the wave factory and registry. A later GetInstance makes a fresh, empty registry.
    static void DestroyInstance();

    // The device's index, or -1 when the device is invalid (then nothing is stored and the caller keeps
    // the object). The first empty slot is reused; otherwise the device is appended.
    int Register(CSoundDevice* device);
    // Empties the first slot holding the device; other indices never move. Ignored for an unknown device
    // and once destruction has begun.
    void Unregister(CSoundDevice* device);
    // Whether a slot holds exactly this device. Takes no lock.
    bool Contains(const CSoundDevice* device) const;
    // The device in that slot; null for an emptied slot and for an index outside the slots.
    CSoundDevice* GetDevice(int index) const;
    // Slots, empty ones included.
    int GetDeviceCount() const;

    // Under the lock: the clock := counter / ticks per millisecond, then Update(time) on every device in
    // index order.
    void Tick();
    // Starts the update thread (Tick every 33 ms, above normal priority); nothing when one runs.
    void StartUpdateThread();
    // Stops the update thread and waits for it; nothing when none runs. Never call it while holding the
    // registry's or a device's lock: the thread's Tick would wait for that lock forever.
    void StopUpdateThread();
    bool HasUpdateThread() const { return m_updateThread.GetHandle() != nullptr; }
    std::uint32_t GetUpdateThreadId() const { return m_updateThread.GetId(); }

    // Not owned; null until the application sets it. Resolves wave and Ogg file names.
    void SetPathAliases(BaseLib::CPathAliases* aliases) { m_pathAliases = aliases; }
    BaseLib::CPathAliases* GetPathAliases() const { return m_pathAliases; }
    BaseLib::CResourceRegistry* GetWaveRegistry() const { return m_waveRegistry.get(); }
    CWaveResourceFactory* GetWaveFactory() const { return m_waveFactory.get(); }
    // Milliseconds as of the last Tick (or construction). Safe from any thread.
    std::int64_t GetTime() const { return m_currentTime.load(); }

private:
    CSoundDeviceRegistry();
    ~CSoundDeviceRegistry();
    CSoundDeviceRegistry(const CSoundDeviceRegistry&) = delete;
    CSoundDeviceRegistry& operator=(const CSoundDeviceRegistry&) = delete;

    std::int64_t ReadClock() const;
    // The update thread's body: Tick and sleep 33 ms until the stop flag is set; returns 0.
    std::uint32_t RunUpdateThread();

    std::vector<CSoundDevice*> m_slots;
    BaseLib::CPathAliases* m_pathAliases = nullptr;
    std::unique_ptr<BaseLib::CResourceRegistry> m_waveRegistry;
    std::unique_ptr<CWaveResourceFactory> m_waveFactory; // bound to m_waveRegistry
    BaseLib::CThread m_updateThread;
    std::atomic<std::int64_t> m_currentTime{0};
    std::atomic<bool> m_stop{true};
    std::atomic<bool> m_shuttingDown{false};
    mutable Platform::CriticalSection m_lock;
};

} // namespace SoundLib
