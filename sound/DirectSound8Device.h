#pragma once

#include "foundation/Matrix.h"
#include "platform/audio/Audio.h"
#include "platform/os/Sync.h"
#include "sound/DirectSound8Voice.h"
#include "sound/SoundDevice.h"

#include <array>
#include <memory>
#include <vector>

namespace SoundLib
{

// The device that plays, over the platform's audio layer (Platform::CreateAudioDevice): 16 voices handed
// out by priority, listeners (several are combined into one placement per 3D voice), reverb environments
// and the speaker configuration. Its lock guards the device and its voices; the update thread's Update and
// every call from the main thread take it (nested calls re-enter it). Lock order: the registry's first.
class CDirectSound8Device final : public CSoundDevice
{
public:
    static constexpr int VoiceCount = 16;

    // Makes the device and registers it; -1 (and the device deleted) when the output could not be opened.
    static int Create(void* window, bool eaxEnabled);
    // The symbolic name and sentence of a result code, or the text for an unknown one.
    static const char* DescribeResult(std::uint32_t result);

    CDirectSound8Device(void* window, bool eaxEnabled);
    ~CDirectSound8Device() override;

    const char* GetName() override { return "DirectSound8 Default Device"; }
    bool IsValid() override { return !m_creationFailed; }
    void Update(std::int64_t timeMs) override;
    CVoice* GetVoice(int index) override;
    int GetVoiceCount() override { return VoiceCount; }
    int AllocateVoice(float priority) override;
    bool SetListenerCount(int count) override;
    int GetListenerCount() override;
    bool SetListener(int index, const BaseLib::CVector3& position, const BaseLib::CVector3& front,
                     const BaseLib::CVector3& top, const BaseLib::CVector3& velocity) override;
    BaseLib::CVector3 GetListenerPosition(int index) override;
    BaseLib::CVector3 GetListenerFront(int index) override;
    bool SetDistanceFactor(float metresPerUnit) override;
    bool SetRolloffFactor(float factor) override;
    void SetSpeakerMode(int mode) override;
    int GetSpeakerMode() override;
    int GetSpeakerCount() override;
    bool SetEnvironment(int preset) override;
    void ResetEnvironment() override { SetEnvironment(0); }
    void SetEnabled(bool enabled) override;
    bool IsEnabled() override { return m_enabled; }
    void Reserved(int, int) override {}
    float GetMaxVolume() override { return 100.0f; }
    const SoundDeviceCaps* GetCaps() override { return &m_caps; }
    void Destroy() override { delete this; }

    // For the voices, under the lock.
    Platform::CriticalSection& GetLock() { return m_lock; }
    Platform::IAudioDevice* GetLayer() const { return m_layer.get(); }
    Platform::IAudioListener* GetLayerListener() const { return m_listener; }
    bool IsEaxRequested() const { return m_eaxRequested; }
    CDirectSound8Voice* GetDSVoice(int index) { return m_voices[static_cast<std::size_t>(index)].get(); }

private:
    struct ListenerRecord
    {
        BaseLib::CVector3 position;
        BaseLib::CVector3 front{0.0f, 0.0f, 1.0f};
        BaseLib::CVector3 top{0.0f, 1.0f, 0.0f};
        BaseLib::CMatrix worldToListener = BaseLib::CMatrix::Identity;
    };
    struct Scratch
    {
        BaseLib::CVector3 relative;
        float squaredDistance = 0.0f;
    };

    void ProbeEax();
    void UpdateMultiListener();

    std::array<std::unique_ptr<CDirectSound8Voice>, VoiceCount> m_voices;
    SoundDeviceCaps m_caps;
    void* m_window;
    bool m_enabled = true;
    bool m_eaxRequested;
    bool m_creationFailed = false;
    std::unique_ptr<Platform::IAudioDevice> m_layer;
    Platform::IAudioListener* m_listener = nullptr;
    std::unique_ptr<Platform::IAudioPropertySet> m_propertySet;
    std::vector<ListenerRecord> m_listeners;
    std::vector<Scratch> m_scratch;
    Platform::CriticalSection m_lock;
};

} // namespace SoundLib
