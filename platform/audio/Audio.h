#pragma once

#include "platform/audio/WaveFormat.h"

#include <cstdint>
#include <functional>
#include <memory>

// The audio layer: an output device with software-mixed secondary buffers (static or played as a
// looping ring), a 3D listener, per-buffer 3D settings applied at once or deferred until the listener
// commits them, reverb environments, the speaker configuration and numeric result codes. Coordinates are
// left-handed (x right, y up, z forward; a listener faces (0,0,1) with its top (0,1,0)). Volumes and pans
// are in hundredths of a decibel. Objects are used under their owner's lock: the layer takes none of its
// own. Buffers must be released before their device.
namespace Platform
{

using AudioResult = std::uint32_t;

constexpr AudioResult AudioOk = 0x00000000;
constexpr AudioResult AudioErrBadFormat = 0x88780064;
constexpr AudioResult AudioErrInvalidParam = 0x80070057;
constexpr AudioResult AudioErrInvalidCall = 0x88780032;
constexpr AudioResult AudioErrOutOfMemory = 0x8007000E;
constexpr AudioResult AudioErrNoDriver = 0x88780078;
constexpr AudioResult AudioErrControlUnavail = 0x8878001E;
constexpr AudioResult AudioErrNoInterface = 0x80004002;

inline bool AudioSucceeded(AudioResult result)
{
    return (result & 0x80000000u) == 0;
}

// Buffer creation flags.
constexpr std::uint32_t AudioBufferPrimary = 0x1;
constexpr std::uint32_t AudioBufferCtrl3D = 0x10;
constexpr std::uint32_t AudioBufferCtrlFrequency = 0x20;
constexpr std::uint32_t AudioBufferCtrlPan = 0x40;
constexpr std::uint32_t AudioBufferCtrlVolume = 0x80;
constexpr std::uint32_t AudioBufferGetCurrentPosition2 = 0x10000;

// Buffer status bits.
constexpr std::uint32_t AudioStatusPlaying = 0x1;
constexpr std::uint32_t AudioStatusBufferLost = 0x2;
constexpr std::uint32_t AudioStatusLooping = 0x4;

// Play flag.
constexpr std::uint32_t AudioPlayLooping = 0x1;

// When a 3D setting takes effect.
constexpr std::uint32_t AudioApplyImmediate = 0;
constexpr std::uint32_t AudioApplyDeferred = 1;

// Cooperative level that the device stores.
constexpr std::uint32_t AudioCooperativePriority = 2;

// Speaker configuration values, and the geometry of a wide stereo layout in degrees.
constexpr std::uint32_t AudioSpeakerDirectOut = 0;
constexpr std::uint32_t AudioSpeakerHeadphones = 1;
constexpr std::uint32_t AudioSpeakerMono = 2;
constexpr std::uint32_t AudioSpeakerQuad = 3;
constexpr std::uint32_t AudioSpeakerStereo = 4;
constexpr std::uint32_t AudioSpeakerSurround = 5;
constexpr std::uint32_t AudioSpeaker51 = 6;
constexpr std::uint32_t AudioSpeaker71 = 7;
constexpr std::uint32_t AudioSpeakerGeometryWide = 20;
// The value of a configuration and its stereo geometry, packed as one number.
constexpr std::uint32_t AudioSpeakerCombined(std::uint32_t config, std::uint32_t geometry)
{
    return (geometry << 16) | (config & 0xFF);
}
constexpr std::uint32_t AudioSpeakerConfig(std::uint32_t combined)
{
    return combined & 0xFF;
}

// Reverb property support bits.
constexpr std::uint32_t AudioSupportGet = 0x1;
constexpr std::uint32_t AudioSupportSet = 0x2;
// Properties of the listener's reverb set.
constexpr std::uint32_t AudioReverbAllParameters = 1;
constexpr std::uint32_t AudioReverbEnvironment = 11;
constexpr int AudioReverbEnvironmentCount = 26;

struct AudioVector
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

struct AudioDeviceCaps
{
    std::uint32_t maxHwMixingAllBuffers = 0;
    std::uint32_t maxHwMixingStaticBuffers = 0;
    std::uint32_t maxHwMixingStreamingBuffers = 0;
    std::uint32_t maxHw3DAllBuffers = 0;
    std::uint32_t maxHw3DStaticBuffers = 0;
    std::uint32_t maxHw3DStreamingBuffers = 0;
    std::uint32_t totalHwMemBytes = 0;
};

struct AudioListenerParameters
{
    AudioVector position;
    AudioVector velocity;
    AudioVector front{0.0f, 0.0f, 1.0f};
    AudioVector top{0.0f, 1.0f, 0.0f};
    float distanceFactor = 1.0f;
    float rolloffFactor = 1.0f;
    float dopplerFactor = 1.0f;
};

// Up to two pieces of a buffer's bytes: the second when the locked range wraps past the end.
struct AudioLockedRange
{
    void* part1 = nullptr;
    std::uint32_t size1 = 0;
    void* part2 = nullptr;
    std::uint32_t size2 = 0;
};

// A reverb property set: of the listener (through a device's probe buffer) or of one 3D buffer.
class IAudioPropertySet
{
public:
    virtual ~IAudioPropertySet() = default;
    // The support bits (AudioSupportGet | AudioSupportSet) of a listener reverb property.
    virtual AudioResult QuerySupport(std::uint32_t property, std::uint32_t& support) = 0;
    // AudioReverbEnvironment: loads environment `value` (0..25); AudioErrInvalidParam otherwise.
    virtual AudioResult Set(std::uint32_t property, std::int32_t value) = 0;
};

// A secondary buffer: a byte copy of sound data in one format that plays once from a position, or in a
// loop as a ring that its owner refills behind the play cursor.
class IAudioBuffer
{
public:
    virtual ~IAudioBuffer() = default;

    // Parts of the byte copy for [offset, offset + bytes), wrapping at the end. Unlock hands the written
    // bytes on (a buffer that is not playing uploads them at once).
    virtual AudioResult Lock(std::uint32_t offset, std::uint32_t bytes, AudioLockedRange& range) = 0;
    virtual AudioResult Unlock(const AudioLockedRange& range) = 0;
    // Starts (or, when playing, only changes the looping flag). Without AudioPlayLooping a playing ring
    // stops at the buffer's end; a buffer that played to its end starts again from 0.
    virtual AudioResult Play(std::uint32_t flags) = 0;
    // Stops, keeping the position for the next Play.
    virtual AudioResult Stop() = 0;
    virtual AudioResult GetStatus(std::uint32_t& status) = 0;
    // Byte offsets of the play cursor and of the first byte that may be written.
    virtual AudioResult GetCurrentPosition(std::uint32_t* play, std::uint32_t* write) = 0;
    virtual AudioResult SetCurrentPosition(std::uint32_t offset) = 0;
    // -10000..0.
    virtual AudioResult SetVolume(std::int32_t millibels) = 0;
    virtual AudioResult GetVolume(std::int32_t& millibels) = 0;
    // -10000 (left) .. 10000 (right).
    virtual AudioResult SetPan(std::int32_t millibels) = 0;
    virtual AudioResult GetPan(std::int32_t& millibels) = 0;
    // Hz, 100..200000; 0 means the format's own rate.
    virtual AudioResult SetFrequency(std::uint32_t hertz) = 0;
    virtual AudioResult GetFrequency(std::uint32_t& hertz) = 0;

    // 3D settings: AudioErrControlUnavail for a buffer made without AudioBufferCtrl3D.
    virtual AudioResult SetPosition(const AudioVector& position, std::uint32_t apply) = 0;
    virtual AudioResult GetPosition(AudioVector& position) = 0;
    // The position in effect on the output (a deferred one only after the commit).
    virtual AudioResult GetPositionInEffect(AudioVector& position) = 0;
    virtual AudioResult SetVelocity(const AudioVector& velocity, std::uint32_t apply) = 0;
    virtual AudioResult GetVelocity(AudioVector& velocity) = 0;
    virtual AudioResult SetMinDistance(float distance, std::uint32_t apply) = 0;
    virtual AudioResult GetMinDistance(float& distance) = 0;
    virtual AudioResult SetMaxDistance(float distance, std::uint32_t apply) = 0;
    virtual AudioResult GetMaxDistance(float& distance) = 0;
    virtual AudioResult SetConeOrientation(const AudioVector& direction, std::uint32_t apply) = 0;
    virtual AudioResult GetConeOrientation(AudioVector& direction) = 0;
    virtual AudioResult SetConeAngles(std::uint32_t inside, std::uint32_t outside, std::uint32_t apply) = 0;
    virtual AudioResult SetConeOutsideVolume(std::int32_t millibels, std::uint32_t apply) = 0;
    // This 3D buffer's reverb send as a property set; never fails for a 3D buffer.
    virtual AudioResult QueryPropertySet(std::unique_ptr<IAudioPropertySet>& set) = 0;
};

class IAudioListener
{
public:
    virtual ~IAudioListener() = default;
    virtual AudioResult GetAllParameters(AudioListenerParameters& parameters) = 0;
    virtual AudioResult SetAllParameters(const AudioListenerParameters& parameters, std::uint32_t apply) = 0;
    virtual AudioResult SetPosition(const AudioVector& position, std::uint32_t apply) = 0;
    virtual AudioResult GetPosition(AudioVector& position) = 0;
    virtual AudioResult SetOrientation(const AudioVector& front, const AudioVector& top, std::uint32_t apply) = 0;
    virtual AudioResult GetOrientation(AudioVector& front, AudioVector& top) = 0;
    virtual AudioResult SetVelocity(const AudioVector& velocity, std::uint32_t apply) = 0;
    virtual AudioResult SetDistanceFactor(float metresPerUnit, std::uint32_t apply) = 0;
    virtual AudioResult SetRolloffFactor(float factor, std::uint32_t apply) = 0;
    virtual AudioResult SetDopplerFactor(float factor, std::uint32_t apply) = 0;
    // Applies every deferred setting of the listener and of every 3D buffer of its device together.
    virtual AudioResult CommitDeferredSettings() = 0;
};

// The primary buffer: the output format and the listener.
class IAudioPrimaryBuffer
{
public:
    virtual ~IAudioPrimaryBuffer() = default;
    virtual AudioResult SetFormat(const WaveFormat& format) = 0;
    // The listener; owned by the device, valid while it lives.
    virtual AudioResult QueryListener(IAudioListener*& listener) = 0;
};

class IAudioDevice
{
public:
    virtual ~IAudioDevice() = default;
    virtual AudioResult GetCaps(AudioDeviceCaps& caps) = 0;
    // Stored only.
    virtual AudioResult SetCooperativeLevel(void* window, std::uint32_t level) = 0;
    // The primary buffer; owned by the device (the same one on every call).
    virtual AudioResult CreatePrimaryBuffer(IAudioPrimaryBuffer*& primary) = 0;
    // A secondary buffer of `bytes` bytes (4..0x0FFFFFFF) in `format` (PCM, 8 or 16 bits, 1 or 2 channels,
    // block align = channels x bits / 8, 100..200000 Hz), 3D with AudioBufferCtrl3D.
    virtual AudioResult CreateBuffer(const WaveFormat& format, std::uint32_t bytes, std::uint32_t flags,
                                     std::unique_ptr<IAudioBuffer>& buffer) = 0;
    // A probe of the listener's reverb: AudioErrNoInterface when the device has no reverb.
    virtual AudioResult QueryListenerPropertySet(std::unique_ptr<IAudioPropertySet>& set) = 0;
    virtual AudioResult GetSpeakerConfig(std::uint32_t& combined) = 0;
    virtual AudioResult SetSpeakerConfig(std::uint32_t combined) = 0;
    // The reverb environment in effect (0..25), for tests.
    virtual int GetCurrentEnvironment() = 0;
};

// Opens the default output. On failure `device` stays empty and the result is AudioErrNoDriver.
using AudioDeviceFactory = std::function<AudioResult(std::unique_ptr<IAudioDevice>& device)>;
AudioResult CreateAudioDevice(std::unique_ptr<IAudioDevice>& device);
// Points CreateAudioDevice at another maker (a test's scripted device); an empty one restores the real
// output. Returns the one it replaces.
AudioDeviceFactory SetAudioDeviceFactory(AudioDeviceFactory factory);

} // namespace Platform
