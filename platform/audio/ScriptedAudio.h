#pragma once

#include "platform/audio/Audio.h"

#include <string>
#include <vector>

// A stand-in of the audio layer for tests: nothing is played. Play and write cursors, status and the
// reverb answer are set by hand; every call is recorded with its arguments in the device's call log
// ("b0.Play(1)", "listener.SetPosition(1,2,3,deferred)", "Commit"), buffers being numbered in creation
// order. 3D values set deferred show up in `committed` only after the listener's commit. Install it
// with SetAudioDeviceFactory(ScriptedAudioDevice::Factory(&pointer)).
namespace Platform
{

class ScriptedAudioDevice;

struct Scripted3D
{
    AudioVector position, velocity, coneOrientation{0.0f, 0.0f, 1.0f};
    float minDistance = 1.0f, maxDistance = 1e9f;
    std::uint32_t coneInside = 360, coneOutside = 360;
    std::int32_t coneOutsideVolume = 0;
};

class ScriptedAudioBuffer final : public IAudioBuffer
{
public:
    ScriptedAudioBuffer(ScriptedAudioDevice& device, int id, const WaveFormat& format, std::uint32_t bytes,
                        std::uint32_t flags);
    ~ScriptedAudioBuffer() override;

    // Set by the test.
    std::uint32_t playCursor = 0;
    std::uint32_t writeCursor = 0;
    std::uint32_t status = 0;
    AudioResult lockResult = AudioOk;

    // As the calls left them.
    const int id;
    const WaveFormat format;
    const std::uint32_t size;
    const std::uint32_t flags;
    std::vector<std::uint8_t> bytes;
    std::int32_t volume = 0;
    std::int32_t pan = 0;
    std::uint32_t frequency = 0;
    Scripted3D set;       // last values set
    Scripted3D committed; // values in effect
    bool sendBound = false;

    AudioResult Lock(std::uint32_t offset, std::uint32_t bytes, AudioLockedRange& range) override;
    AudioResult Unlock(const AudioLockedRange& range) override;
    AudioResult Play(std::uint32_t playFlags) override;
    AudioResult Stop() override;
    AudioResult GetStatus(std::uint32_t& value) override;
    AudioResult GetCurrentPosition(std::uint32_t* play, std::uint32_t* write) override;
    AudioResult SetCurrentPosition(std::uint32_t offset) override;
    AudioResult SetVolume(std::int32_t millibels) override;
    AudioResult GetVolume(std::int32_t& millibels) override;
    AudioResult SetPan(std::int32_t millibels) override;
    AudioResult GetPan(std::int32_t& millibels) override;
    AudioResult SetFrequency(std::uint32_t hertz) override;
    AudioResult GetFrequency(std::uint32_t& hertz) override;
    AudioResult SetPosition(const AudioVector& position, std::uint32_t apply) override;
    AudioResult GetPosition(AudioVector& position) override;
    AudioResult GetPositionInEffect(AudioVector& position) override;
    AudioResult SetVelocity(const AudioVector& velocity, std::uint32_t apply) override;
    AudioResult GetVelocity(AudioVector& velocity) override;
    AudioResult SetMinDistance(float distance, std::uint32_t apply) override;
    AudioResult GetMinDistance(float& distance) override;
    AudioResult SetMaxDistance(float distance, std::uint32_t apply) override;
    AudioResult GetMaxDistance(float& distance) override;
    AudioResult SetConeOrientation(const AudioVector& direction, std::uint32_t apply) override;
    AudioResult GetConeOrientation(AudioVector& direction) override;
    AudioResult SetConeAngles(std::uint32_t inside, std::uint32_t outside, std::uint32_t apply) override;
    AudioResult SetConeOutsideVolume(std::int32_t millibels, std::uint32_t apply) override;
    AudioResult QueryPropertySet(std::unique_ptr<IAudioPropertySet>& set) override;

    void Commit() { committed = set; }

private:
    void Record(const std::string& call);
    AudioResult Set3D(const std::string& call, std::uint32_t apply);

    ScriptedAudioDevice& m_device;
};

class ScriptedAudioDevice final : public IAudioDevice, public IAudioPrimaryBuffer, public IAudioListener
{
public:
    // A factory for SetAudioDeviceFactory that makes a scripted device and stores its address in *made
    // (when not null), or fails with `result` when that is not AudioOk.
    static AudioDeviceFactory Factory(ScriptedAudioDevice** made, AudioResult result = AudioOk);

    ScriptedAudioDevice();
    ~ScriptedAudioDevice() override;

    // Set by the test.
    bool reverbAvailable = true;
    AudioResult createBufferResult = AudioOk; // a failure here refuses every CreateBuffer

    // As the calls left them.
    std::vector<std::string> calls;
    std::vector<ScriptedAudioBuffer*> buffers; // living ones
    int buffersMade = 0;
    int environment = 0;
    std::uint32_t speakers = AudioSpeakerCombined(AudioSpeakerStereo, AudioSpeakerGeometryWide);
    AudioListenerParameters listenerSet;
    AudioListenerParameters listenerCommitted;

    // The living buffer of that creation number; null when gone.
    ScriptedAudioBuffer* Buffer(int id) const;
    // Whether the call log holds exactly this entry.
    bool Called(const std::string& call) const;

    // IAudioDevice
    AudioResult GetCaps(AudioDeviceCaps& caps) override;
    AudioResult SetCooperativeLevel(void* window, std::uint32_t level) override;
    AudioResult CreatePrimaryBuffer(IAudioPrimaryBuffer*& primary) override;
    AudioResult CreateBuffer(const WaveFormat& format, std::uint32_t bytes, std::uint32_t flags,
                             std::unique_ptr<IAudioBuffer>& buffer) override;
    AudioResult QueryListenerPropertySet(std::unique_ptr<IAudioPropertySet>& set) override;
    AudioResult GetSpeakerConfig(std::uint32_t& combined) override;
    AudioResult SetSpeakerConfig(std::uint32_t combined) override;
    int GetCurrentEnvironment() override { return environment; }

    // IAudioPrimaryBuffer
    AudioResult SetFormat(const WaveFormat& format) override;
    AudioResult QueryListener(IAudioListener*& listener) override;

    // IAudioListener
    AudioResult GetAllParameters(AudioListenerParameters& parameters) override;
    AudioResult SetAllParameters(const AudioListenerParameters& parameters, std::uint32_t apply) override;
    AudioResult SetPosition(const AudioVector& position, std::uint32_t apply) override;
    AudioResult GetPosition(AudioVector& position) override;
    AudioResult SetOrientation(const AudioVector& front, const AudioVector& top, std::uint32_t apply) override;
    AudioResult GetOrientation(AudioVector& front, AudioVector& top) override;
    AudioResult SetVelocity(const AudioVector& velocity, std::uint32_t apply) override;
    AudioResult SetDistanceFactor(float metresPerUnit, std::uint32_t apply) override;
    AudioResult SetRolloffFactor(float factor, std::uint32_t apply) override;
    AudioResult SetDopplerFactor(float factor, std::uint32_t apply) override;
    AudioResult CommitDeferredSettings() override;

private:
    AudioResult StoreListener(const std::string& call, std::uint32_t apply);
};

} // namespace Platform
