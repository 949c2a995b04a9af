#pragma once

#include "sound/SoundDevice.h"

#include "platform/os/Sync.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// A device that plays nothing and records what the registry does to it: the times of its Update calls,
// and its destruction in a log shared by several devices (so the order can be checked after they are gone).
class FakeDevice final : public SoundLib::CSoundDevice
{
public:
    FakeDevice(std::string name, std::vector<std::string>* destroyLog = nullptr, bool valid = true)
        : m_name(std::move(name)), m_destroyLog(destroyLog), m_valid(valid)
    {
    }

    // Set on every Update when not null (an event the test waits on).
    Platform::Handle updateEvent = nullptr;

    std::vector<std::int64_t> Updates() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_updates;
    }

    const char* GetName() override { return m_name.c_str(); }
    bool IsValid() override { return m_valid; }
    void Update(std::int64_t timeMs) override
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_updates.push_back(timeMs);
        }
        if (updateEvent != nullptr)
        {
            Platform::SetEvent(updateEvent);
        }
    }
    SoundLib::CVoice* GetVoice(int) override { return nullptr; }
    int GetVoiceCount() override { return 0; }
    int AllocateVoice(float) override { return -1; }
    bool SetListenerCount(int) override { return false; }
    int GetListenerCount() override { return 0; }
    bool SetListener(int, const BaseLib::CVector3&, const BaseLib::CVector3&, const BaseLib::CVector3&,
                     const BaseLib::CVector3&) override
    {
        return false;
    }
    BaseLib::CVector3 GetListenerPosition(int) override { return {}; }
    BaseLib::CVector3 GetListenerFront(int) override { return {}; }
    bool SetDistanceFactor(float) override { return false; }
    bool SetRolloffFactor(float) override { return false; }
    void SetSpeakerMode(int) override {}
    int GetSpeakerMode() override { return 0; }
    int GetSpeakerCount() override { return 0; }
    bool SetEnvironment(int) override { return false; }
    void ResetEnvironment() override {}
    void SetEnabled(bool) override {}
    bool IsEnabled() override { return true; }
    void Reserved(int, int) override {}
    float GetMaxVolume() override { return 100.0f; }
    const SoundLib::SoundDeviceCaps* GetCaps() override { return &m_caps; }
    void Destroy() override
    {
        if (m_destroyLog != nullptr)
        {
            m_destroyLog->push_back(m_name);
        }
        delete this;
    }

private:
    std::string m_name;
    std::vector<std::string>* m_destroyLog;
    bool m_valid;
    SoundLib::SoundDeviceCaps m_caps;
    mutable std::mutex m_mutex;
    std::vector<std::int64_t> m_updates;
};
