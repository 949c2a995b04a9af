#pragma once

#include "sound/SoundDevice.h"
#include "sound/Voice.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace SoundLib
{

// A voice of the silent device: accepts every call, keeps the values set and never plays.
class CNullVoice final : public CVoice
{
public:
    CNullVoice() { Reset(); }

    bool Play() override { return true; }
    // Store the sound's file and values through the voice's own setters; true.
    bool Play3D(C3DSound& sound, const BaseLib::CVector3& position, bool looping) override;
    bool Play2D(CMultiChannelSound& sound, bool looping) override;
    // Resets the voice (which releases its owner), then stores the name and the 3D flag; any name loads.
    bool Load(const std::string& fileName, bool is3D) override;
    std::string GetFileName() const override { return m_fileName; }
    void Pause() override {}
    void Stop() override {}
    bool IsPlaying() override { return false; }
    bool IsPaused() override { return false; }
    void SetLooping(bool looping) override { m_looping = looping; }
    bool GetLooping() override { return m_looping; }
    bool IsStreaming() override { return false; }
    void SetPlayPosition(double) override {}
    bool Is3D() override { return m_is3D; }
    double GetPlayPosition() override { return 0.0; }
    double GetLength() override { return 0.0; }
    void SetVolume(float percent) override { m_volume = percent; }
    float GetVolume() override { return m_volume; }
    void SetPan(float pan) override { m_pan = pan; }
    float GetPan() override { return m_pan; }
    void SetMinDistance(float distance) override { m_minDistance = distance; }
    float GetMinDistance() override { return m_minDistance; }
    void SetMaxDistance(float distance) override { m_maxDistance = distance; }
    float GetMaxDistance() override { return m_maxDistance; }
    void SetPitch(float factor) override { m_pitch = factor; }
    float GetPitch() override { return m_pitch; }
    void Set3DMode(int mode) override { m_3DMode = mode; }
    int Get3DMode() override { return m_3DMode; }
    bool SetPosition(const BaseLib::CVector3& position) override;
    BaseLib::CVector3 GetPosition() override { return m_position; }
    BaseLib::CVector3 GetAppliedPosition() override { return m_position; }
    bool SetVelocity(const BaseLib::CVector3& velocity) override;
    BaseLib::CVector3 GetVelocity() override { return m_velocity; }
    bool SetOrientation(const BaseLib::CVector3& orientation) override;
    BaseLib::CVector3 GetOrientation() override { return m_orientation; }
    // True only for a 3D voice in 3D mode 1; stores nothing.
    bool SetCone(float insideAngle, float outsideAngle, float outsideVolume) override;
    // The volume becomes the target at once.
    void FadeTo(float targetVolume, int durationMs) override;
    bool IsFading() override { return false; }

private:
    void Reset();

    std::string m_fileName;
    float m_volume = 100.0f;
    float m_pitch = 1.0f;
    float m_pan = 0.0f;
    float m_minDistance = 1.0f;
    float m_maxDistance = 10000.0f;
    bool m_is3D = false;
    bool m_looping = false;
    BaseLib::CVector3 m_position;
    BaseLib::CVector3 m_velocity;
    BaseLib::CVector3 m_orientation{0.0f, 0.0f, 1.0f};
    int m_3DMode = 0;
};

// The silent device, used when sound is switched off or no output opens: 8 voices that never play,
// listeners that are stored, and every setting accepted. Only the main thread reaches it; it takes
// no lock and its Update does nothing.
class CNullSoundDevice final : public CSoundDevice
{
public:
    static constexpr int VoiceCount = 8;

    // Constructs a silent device and registers it; answers its index.
    static int Create();

    CNullSoundDevice();
    ~CNullSoundDevice() override;

    const char* GetName() override { return "Null Sound Device"; }
    bool IsValid() override { return true; }
    void Update(std::int64_t) override {}
    CVoice* GetVoice(int index) override;
    int GetVoiceCount() override { return VoiceCount; }
    // The first voice that is not reserved, whatever the priority; -1 when all are.
    int AllocateVoice(float priority) override;
    // count < 1: false and nothing changes.
    bool SetListenerCount(int count) override;
    int GetListenerCount() override { return static_cast<int>(m_listeners.size()); }
    bool SetListener(int index, const BaseLib::CVector3& position, const BaseLib::CVector3& front,
                     const BaseLib::CVector3& top, const BaseLib::CVector3& velocity) override;
    // (0,0,0) and (0,0,1) whatever was set.
    BaseLib::CVector3 GetListenerPosition(int) override { return BaseLib::CVector3(0.0f, 0.0f, 0.0f); }
    BaseLib::CVector3 GetListenerFront(int) override { return BaseLib::CVector3(0.0f, 0.0f, 1.0f); }
    bool SetDistanceFactor(float) override { return true; }
    bool SetRolloffFactor(float) override { return true; }
    void SetSpeakerMode(int) override {}
    int GetSpeakerMode() override { return SpeakerModeStereo; }
    int GetSpeakerCount() override { return 2; }
    bool SetEnvironment(int) override { return true; }
    void ResetEnvironment() override {}
    void SetEnabled(bool enabled) override { m_enabled = enabled; }
    bool IsEnabled() override { return m_enabled; }
    void Reserved(int, int) override {}
    float GetMaxVolume() override { return 100.0f; }
    const SoundDeviceCaps* GetCaps() override { return &m_caps; }
    void Destroy() override { delete this; }

    // One listener as stored by SetListener.
    struct Listener
    {
        BaseLib::CVector3 position;
        BaseLib::CVector3 front{0.0f, 0.0f, 1.0f};
        BaseLib::CVector3 top{0.0f, 1.0f, 0.0f};
        BaseLib::CVector3 velocity;
    };
    const Listener& GetStoredListener(int index) const { return m_listeners.at(static_cast<std::size_t>(index)); }

private:
    bool m_enabled = true;
    SoundDeviceCaps m_caps{0, 8, 8, 8, 8, 8, 8, 0};
    std::array<std::unique_ptr<CNullVoice>, VoiceCount> m_voices;
    std::vector<Listener> m_listeners;
};

} // namespace SoundLib
