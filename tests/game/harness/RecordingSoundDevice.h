#pragma once

#include "sound/SoundDevice.h"
#include "sound/SoundDeviceRegistry.h"
#include "sound/Voice.h"

#include <cstddef>
#include <memory>
#include <set>
#include <string>
#include <vector>

// A sound device that plays nothing and records what the sounds ask of its voices, for tests of the
// game's sounds. Install() makes it device 0 of a fresh registry (the device the game's sounds use);
// the registry owns it from then on, and CSoundDeviceRegistry::DestroyInstance ends it (Uninstall).
//
// Every call that changes a voice is appended to one log in call order, with the file the voice held at
// that moment, so a test can count the plays, volumes, pitches and fades of one file however voices were
// shared. Any file loads, except the names given to RefuseFile. A voice plays from Play until Stop, a new
// Load, or a fade to volume 0. Fades take effect at once: the volume becomes the target, and a fade to 0
// stops the voice, as the real device does when such a fade ends. Main thread only.
namespace GameTesting
{

class RecordingSoundDevice;

enum class SoundEvent
{
    Load,
    Play,
    Stop,
    Volume,
    Pitch,
    Looping,
    Fade // value: the target volume; durationMs: the fade's length
};

struct SoundRecord
{
    SoundEvent event;
    int voice;
    std::string file;
    float value = 0.0f;
    int durationMs = 0;
};

class RecordingVoice final : public SoundLib::CVoice
{
public:
    RecordingVoice(RecordingSoundDevice& device, int index) : m_device(device), m_index(index) {}

    bool Play() override;
    bool Play3D(SoundLib::C3DSound&, const BaseLib::CVector3&, bool) override { return false; }
    bool Play2D(SoundLib::CMultiChannelSound&, bool) override { return false; }
    bool Load(const std::string& fileName, bool is3D) override;
    std::string GetFileName() const override { return m_file; }
    void Pause() override { m_playing = false; }
    void Stop() override;
    bool IsPlaying() override { return m_playing; }
    bool IsPaused() override { return false; }
    void SetLooping(bool looping) override;
    bool GetLooping() override { return m_looping; }
    bool IsStreaming() override { return false; }
    void SetPlayPosition(double) override {}
    bool Is3D() override { return m_is3D; }
    double GetPlayPosition() override { return 0.0; }
    double GetLength() override { return 1.0; }
    void SetVolume(float percent) override;
    float GetVolume() override { return m_volume; }
    void SetPan(float pan) override { m_pan = pan; }
    float GetPan() override { return m_pan; }
    void SetMinDistance(float) override {}
    float GetMinDistance() override { return 1.0f; }
    void SetMaxDistance(float) override {}
    float GetMaxDistance() override { return 10000.0f; }
    void SetPitch(float factor) override;
    float GetPitch() override { return m_pitch; }
    void Set3DMode(int) override {}
    int Get3DMode() override { return 0; }
    bool SetPosition(const BaseLib::CVector3&) override { return false; }
    BaseLib::CVector3 GetPosition() override { return {}; }
    BaseLib::CVector3 GetAppliedPosition() override { return {}; }
    bool SetVelocity(const BaseLib::CVector3&) override { return false; }
    BaseLib::CVector3 GetVelocity() override { return {}; }
    bool SetOrientation(const BaseLib::CVector3&) override { return false; }
    BaseLib::CVector3 GetOrientation() override { return {}; }
    bool SetCone(float, float, float) override { return false; }
    void FadeTo(float targetVolume, int durationMs) override;
    bool IsFading() override { return false; }

private:
    void Record(SoundEvent event, float value = 0.0f, int durationMs = 0);

    RecordingSoundDevice& m_device;
    int m_index;
    std::string m_file;
    bool m_is3D = false;
    bool m_playing = false;
    bool m_looping = false;
    float m_volume = 100.0f;
    float m_pitch = 1.0f;
    float m_pan = 0.0f;
};

class RecordingSoundDevice final : public SoundLib::CSoundDevice
{
public:
    static constexpr int VoiceCount = 64;

    // A fresh registry with this device as device 0; the registry owns the device.
    static RecordingSoundDevice& Install()
    {
        SoundLib::CSoundDeviceRegistry::DestroyInstance();
        auto* device = new RecordingSoundDevice();
        SoundLib::CSoundDeviceRegistry::GetInstance()->Register(device);
        return *device;
    }
    // Ends the registry and with it the device.
    static void Uninstall() { SoundLib::CSoundDeviceRegistry::DestroyInstance(); }

    RecordingSoundDevice()
    {
        for (int i = 0; i < VoiceCount; ++i)
        {
            m_voices.push_back(std::make_unique<RecordingVoice>(*this, i));
        }
    }

    // Load answers false for this file from now on.
    void RefuseFile(const std::string& fileName) { m_refused.insert(fileName); }
    bool IsRefused(const std::string& fileName) const { return m_refused.count(fileName) != 0; }

    const std::vector<SoundRecord>& Log() const { return m_log; }
    void ClearLog() { m_log.clear(); }
    void Append(SoundRecord record) { m_log.push_back(std::move(record)); }

    // The records of one file (every file for an empty name) and event, in call order.
    std::vector<SoundRecord> Records(SoundEvent event, const std::string& file = "") const
    {
        std::vector<SoundRecord> result;
        for (const SoundRecord& record : m_log)
        {
            if (record.event == event && (file.empty() || record.file == file))
            {
                result.push_back(record);
            }
        }
        return result;
    }
    std::size_t Count(SoundEvent event, const std::string& file = "") const { return Records(event, file).size(); }
    // Whether a voice holding the file plays now.
    bool IsPlaying(const std::string& file)
    {
        for (const auto& voice : m_voices)
        {
            if (voice->GetFileName() == file && voice->IsPlaying())
            {
                return true;
            }
        }
        return false;
    }

    const char* GetName() override { return "Recording Sound Device"; }
    bool IsValid() override { return true; }
    void Update(std::int64_t) override {}
    SoundLib::CVoice* GetVoice(int index) override
    {
        return index >= 0 && index < VoiceCount ? m_voices[static_cast<std::size_t>(index)].get() : nullptr;
    }
    int GetVoiceCount() override { return VoiceCount; }
    // The first free voice; none when all play or are reserved.
    int AllocateVoice(float) override
    {
        for (int i = 0; i < VoiceCount; ++i)
        {
            if (m_voices[static_cast<std::size_t>(i)]->IsFree())
            {
                return i;
            }
        }
        return -1;
    }
    bool SetListenerCount(int count) override { return count >= 1; }
    int GetListenerCount() override { return 1; }
    bool SetListener(int, const BaseLib::CVector3&, const BaseLib::CVector3&, const BaseLib::CVector3&,
                     const BaseLib::CVector3&) override
    {
        return true;
    }
    BaseLib::CVector3 GetListenerPosition(int) override { return {}; }
    BaseLib::CVector3 GetListenerFront(int) override { return {0.0f, 0.0f, 1.0f}; }
    bool SetDistanceFactor(float) override { return true; }
    bool SetRolloffFactor(float) override { return true; }
    void SetSpeakerMode(int) override {}
    int GetSpeakerMode() override { return SoundLib::SpeakerModeStereo; }
    int GetSpeakerCount() override { return 2; }
    bool SetEnvironment(int) override { return true; }
    void ResetEnvironment() override {}
    void SetEnabled(bool) override {}
    bool IsEnabled() override { return true; }
    void Reserved(int, int) override {}
    float GetMaxVolume() override { return 100.0f; }
    const SoundLib::SoundDeviceCaps* GetCaps() override { return &m_caps; }
    void Destroy() override { delete this; }

private:
    std::vector<std::unique_ptr<RecordingVoice>> m_voices;
    std::vector<SoundRecord> m_log;
    std::set<std::string> m_refused;
    SoundLib::SoundDeviceCaps m_caps;
};

inline void RecordingVoice::Record(SoundEvent event, float value, int durationMs)
{
    m_device.Append({event, m_index, m_file, value, durationMs});
}

inline bool RecordingVoice::Play()
{
    if (m_file.empty())
    {
        return false;
    }
    m_playing = true;
    Record(SoundEvent::Play);
    return true;
}

inline bool RecordingVoice::Load(const std::string& fileName, bool is3D)
{
    // A new file resets the voice: its old user forgets it.
    ReleaseOwner();
    m_playing = false;
    m_looping = false;
    m_volume = 100.0f;
    m_pitch = 1.0f;
    m_pan = 0.0f;
    m_is3D = is3D;
    if (m_device.IsRefused(fileName))
    {
        m_file.clear();
        return false;
    }
    m_file = fileName;
    Record(SoundEvent::Load);
    return true;
}

inline void RecordingVoice::Stop()
{
    m_playing = false;
    Record(SoundEvent::Stop);
}

inline void RecordingVoice::SetLooping(bool looping)
{
    m_looping = looping;
    Record(SoundEvent::Looping, looping ? 1.0f : 0.0f);
}

inline void RecordingVoice::SetVolume(float percent)
{
    m_volume = percent;
    Record(SoundEvent::Volume, percent);
}

inline void RecordingVoice::SetPitch(float factor)
{
    m_pitch = factor;
    Record(SoundEvent::Pitch, factor);
}

inline void RecordingVoice::FadeTo(float targetVolume, int durationMs)
{
    Record(SoundEvent::Fade, targetVolume, durationMs);
    m_volume = targetVolume;
    if (targetVolume == 0.0f)
    {
        m_playing = false;
    }
}

} // namespace GameTesting
