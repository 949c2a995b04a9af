// The audio layer over OpenAL Soft: one context made current for the whole process, one source per
// buffer, EFX reverb for the environments, AL_SOFT_deferred_updates for committed 3D settings.

#include "platform/audio/Audio.h"
#include "platform/audio/AudioCommon.h"
#include "platform/os/Thread.h"

// The extension functions (deferred updates) are linked directly.
#define AL_ALEXT_PROTOTYPES
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <AL/efx-presets.h>
#include <AL/efx.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace Platform
{

namespace
{

constexpr float Pi = 3.14159265358979f;

AudioResult ResultOfAlError()
{
    switch (alGetError())
    {
    case AL_NO_ERROR:
        return AudioOk;
    case AL_INVALID_VALUE:
    case AL_INVALID_ENUM:
        return AudioErrInvalidParam;
    case AL_OUT_OF_MEMORY:
        return AudioErrOutOfMemory;
    default:
        return AudioErrInvalidCall;
    }
}

// Left-handed (the layer's) to right-handed (OpenAL's) and back: z changes sign.
void ToAl(const AudioVector& v, ALfloat out[3])
{
    out[0] = v.x;
    out[1] = v.y;
    out[2] = -v.z;
}

const EFXEAXREVERBPROPERTIES ReverbPresets[AudioReverbEnvironmentCount] = {
    EFX_REVERB_PRESET_GENERIC,     EFX_REVERB_PRESET_PADDEDCELL,     EFX_REVERB_PRESET_ROOM,
    EFX_REVERB_PRESET_BATHROOM,    EFX_REVERB_PRESET_LIVINGROOM,     EFX_REVERB_PRESET_STONEROOM,
    EFX_REVERB_PRESET_AUDITORIUM,  EFX_REVERB_PRESET_CONCERTHALL,    EFX_REVERB_PRESET_CAVE,
    EFX_REVERB_PRESET_ARENA,       EFX_REVERB_PRESET_HANGAR,         EFX_REVERB_PRESET_CARPETEDHALLWAY,
    EFX_REVERB_PRESET_HALLWAY,     EFX_REVERB_PRESET_STONECORRIDOR,  EFX_REVERB_PRESET_ALLEY,
    EFX_REVERB_PRESET_FOREST,      EFX_REVERB_PRESET_CITY,           EFX_REVERB_PRESET_MOUNTAINS,
    EFX_REVERB_PRESET_QUARRY,      EFX_REVERB_PRESET_PLAIN,          EFX_REVERB_PRESET_PARKINGLOT,
    EFX_REVERB_PRESET_SEWERPIPE,   EFX_REVERB_PRESET_UNDERWATER,     EFX_REVERB_PRESET_DRUGGED,
    EFX_REVERB_PRESET_DIZZY,       EFX_REVERB_PRESET_PSYCHOTIC,
};

// The EFX entry points, looked up once the context exists.
struct Efx
{
    LPALGENEFFECTS genEffects = nullptr;
    LPALDELETEEFFECTS deleteEffects = nullptr;
    LPALEFFECTI effecti = nullptr;
    LPALEFFECTF effectf = nullptr;
    LPALEFFECTFV effectfv = nullptr;
    LPALGENAUXILIARYEFFECTSLOTS genSlots = nullptr;
    LPALDELETEAUXILIARYEFFECTSLOTS deleteSlots = nullptr;
    LPALAUXILIARYEFFECTSLOTI sloti = nullptr;

    bool Load()
    {
        genEffects = reinterpret_cast<LPALGENEFFECTS>(alGetProcAddress("alGenEffects"));
        deleteEffects = reinterpret_cast<LPALDELETEEFFECTS>(alGetProcAddress("alDeleteEffects"));
        effecti = reinterpret_cast<LPALEFFECTI>(alGetProcAddress("alEffecti"));
        effectf = reinterpret_cast<LPALEFFECTF>(alGetProcAddress("alEffectf"));
        effectfv = reinterpret_cast<LPALEFFECTFV>(alGetProcAddress("alEffectfv"));
        genSlots = reinterpret_cast<LPALGENAUXILIARYEFFECTSLOTS>(alGetProcAddress("alGenAuxiliaryEffectSlots"));
        deleteSlots = reinterpret_cast<LPALDELETEAUXILIARYEFFECTSLOTS>(alGetProcAddress("alDeleteAuxiliaryEffectSlots"));
        sloti = reinterpret_cast<LPALAUXILIARYEFFECTSLOTI>(alGetProcAddress("alAuxiliaryEffectSloti"));
        return genEffects && deleteEffects && effecti && effectf && effectfv && genSlots && deleteSlots && sloti;
    }
};

class AlDevice;

// 3D values waiting for the listener's commit.
struct Pending3D
{
    std::optional<AudioVector> position, velocity, coneOrientation;
    std::optional<float> minDistance, maxDistance;
    std::optional<std::uint32_t> coneInside, coneOutside;
    std::optional<std::int32_t> coneOutsideVolume;
};

class AlBuffer final : public IAudioBuffer
{
public:
    AlBuffer(AlDevice& device, const WaveFormat& format, std::uint32_t bytes, std::uint32_t flags);
    ~AlBuffer() override;

    AudioResult Lock(std::uint32_t offset, std::uint32_t bytes, AudioLockedRange& range) override;
    AudioResult Unlock(const AudioLockedRange& range) override;
    AudioResult Play(std::uint32_t flags) override;
    AudioResult Stop() override;
    AudioResult GetStatus(std::uint32_t& status) override;
    AudioResult GetCurrentPosition(std::uint32_t* play, std::uint32_t* write) override;
    AudioResult SetCurrentPosition(std::uint32_t offset) override;
    AudioResult SetVolume(std::int32_t millibels) override;
    AudioResult GetVolume(std::int32_t& millibels) override
    {
        millibels = m_volume;
        return AudioOk;
    }
    AudioResult SetPan(std::int32_t millibels) override;
    AudioResult GetPan(std::int32_t& millibels) override
    {
        millibels = m_pan;
        return AudioOk;
    }
    AudioResult SetFrequency(std::uint32_t hertz) override;
    AudioResult GetFrequency(std::uint32_t& hertz) override
    {
        hertz = m_frequency == 0 ? m_format.samplesPerSec : m_frequency;
        return AudioOk;
    }
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

    // Applies what waits for the commit (inside the device's deferred block).
    void ApplyPending();
    void ApplyRolloff(float rolloff);
    bool Is3D() const { return m_is3D; }

private:
    enum class Mode
    {
        Stopped,
        Static,
        Ring,
    };
    struct Chunk
    {
        ALuint name;
        std::uint32_t offset;
        std::uint32_t size;
    };

    // Bytes of whole frames of the copy.
    std::uint32_t PlayableSize() const { return m_size - m_size % m_format.blockAlign; }
    ALenum AlFormat() const;
    void StartStatic(std::uint32_t from);
    void StartRing(std::uint32_t from);
    void QueueChunks();
    // Unqueues what played, queues more, notices the end; keeps the logical state in step.
    void Pump();
    std::uint32_t PlayCursor();
    void DetachAll();
    void ApplyPan();
    void Apply3D(const Pending3D& values);

    AlDevice& m_device;
    WaveFormat m_format;
    std::uint32_t m_size;
    bool m_is3D;
    std::vector<std::uint8_t> m_bytes;
    ALuint m_source = 0;
    ALuint m_staticName = 0;
    bool m_staticDirty = true;
    std::deque<Chunk> m_queue;
    std::vector<ALuint> m_freeNames;
    Mode m_mode = Mode::Stopped;
    bool m_ringEnding = false;
    std::uint32_t m_position = 0;
    std::uint32_t m_ringRead = 0;
    // Ring cursor bookkeeping: where the ring started, the bytes of chunks played and unqueued since, and
    // the last position reported (the cursor never goes back: a source that ran dry between two queries
    // reports offset 0, which must not read as a wrap).
    std::uint32_t m_ringOrigin = 0;
    std::uint64_t m_consumed = 0;
    std::uint64_t m_lastReported = 0;
    std::int32_t m_volume = 0;
    std::int32_t m_pan = 0;
    std::uint32_t m_frequency = 0;
    // Last values set (deferred ones included) and those waiting for the commit.
    AudioVector m_position3D, m_velocity3D, m_coneOrientation{0.0f, 0.0f, 1.0f};
    float m_minDistance = 1.0f, m_maxDistance = 1e9f;
    Pending3D m_pending;
};

class AlPropertySet final : public IAudioPropertySet
{
public:
    explicit AlPropertySet(AlDevice& device) : m_device(device) {}
    AudioResult QuerySupport(std::uint32_t property, std::uint32_t& support) override;
    AudioResult Set(std::uint32_t property, std::int32_t value) override;

private:
    AlDevice& m_device;
};

// A 3D buffer's reverb send: bound when it was queried; nothing further to set.
class AlBufferPropertySet final : public IAudioPropertySet
{
public:
    AudioResult QuerySupport(std::uint32_t, std::uint32_t& support) override
    {
        support = 0;
        return AudioOk;
    }
    AudioResult Set(std::uint32_t, std::int32_t) override { return AudioErrInvalidCall; }
};

class AlListener final : public IAudioListener
{
public:
    explicit AlListener(AlDevice& device) : m_device(device) {}
    AudioResult GetAllParameters(AudioListenerParameters& parameters) override
    {
        parameters = m_values;
        return AudioOk;
    }
    AudioResult SetAllParameters(const AudioListenerParameters& parameters, std::uint32_t apply) override;
    AudioResult SetPosition(const AudioVector& position, std::uint32_t apply) override;
    AudioResult GetPosition(AudioVector& position) override
    {
        position = m_values.position;
        return AudioOk;
    }
    AudioResult SetOrientation(const AudioVector& front, const AudioVector& top, std::uint32_t apply) override;
    AudioResult GetOrientation(AudioVector& front, AudioVector& top) override
    {
        front = m_values.front;
        top = m_values.top;
        return AudioOk;
    }
    AudioResult SetVelocity(const AudioVector& velocity, std::uint32_t apply) override;
    AudioResult SetDistanceFactor(float metresPerUnit, std::uint32_t apply) override;
    AudioResult SetRolloffFactor(float factor, std::uint32_t apply) override;
    AudioResult SetDopplerFactor(float factor, std::uint32_t apply) override;
    AudioResult CommitDeferredSettings() override;

    void ApplyPending();
    float Rolloff() const { return m_values.rolloffFactor; }

private:
    void Apply(const AudioListenerParameters& values);
    AudioResult Store(std::uint32_t apply);

    AlDevice& m_device;
    AudioListenerParameters m_values;  // last set
    AudioListenerParameters m_applied; // in effect
    bool m_pending = false;
};

class AlPrimary final : public IAudioPrimaryBuffer
{
public:
    explicit AlPrimary(AlListener& listener) : m_listener(listener) {}
    AudioResult SetFormat(const WaveFormat&) override { return AudioOk; }
    AudioResult QueryListener(IAudioListener*& listener) override
    {
        listener = &m_listener;
        return AudioOk;
    }

private:
    AlListener& m_listener;
};

class AlDevice final : public IAudioDevice
{
public:
    AlDevice(ALCdevice* device, ALCcontext* context) : m_alcDevice(device), m_context(context), m_listener(*this), m_primary(m_listener)
    {
        alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
        alGetError();
    }
    ~AlDevice() override
    {
        if (m_slot != 0)
        {
            m_efx.deleteSlots(1, &m_slot);
            m_efx.deleteEffects(1, &m_effect);
        }
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(m_context);
        alcCloseDevice(m_alcDevice);
    }

    AudioResult GetCaps(AudioDeviceCaps& caps) override
    {
        caps = AudioDeviceCaps{};
        return AudioOk;
    }
    AudioResult SetCooperativeLevel(void* window, std::uint32_t level) override
    {
        m_window = window;
        m_level = level;
        return AudioOk;
    }
    AudioResult CreatePrimaryBuffer(IAudioPrimaryBuffer*& primary) override
    {
        primary = &m_primary;
        return AudioOk;
    }
    AudioResult CreateBuffer(const WaveFormat& format, std::uint32_t bytes, std::uint32_t flags,
                             std::unique_ptr<IAudioBuffer>& buffer) override
    {
        const AudioResult check = CheckBufferRequest(format, bytes);
        if (check != AudioOk)
        {
            return check;
        }
        alGetError();
        auto created = std::make_unique<AlBuffer>(*this, format, bytes, flags);
        const AudioResult result = ResultOfAlError();
        if (result != AudioOk)
        {
            return result;
        }
        buffer = std::move(created);
        return AudioOk;
    }
    AudioResult QueryListenerPropertySet(std::unique_ptr<IAudioPropertySet>& set) override
    {
        if (m_slot == 0)
        {
            if (!alcIsExtensionPresent(m_alcDevice, "ALC_EXT_EFX") || !m_efx.Load())
            {
                return AudioErrNoInterface;
            }
            alGetError();
            m_efx.genSlots(1, &m_slot);
            if (alGetError() != AL_NO_ERROR)
            {
                m_slot = 0;
                return AudioErrNoInterface;
            }
            m_efx.genEffects(1, &m_effect);
            m_efx.effecti(m_effect, AL_EFFECT_TYPE, AL_EFFECT_EAXREVERB);
            if (alGetError() == AL_NO_ERROR)
            {
                m_reverbType = AL_EFFECT_EAXREVERB;
            }
            else
            {
                m_efx.effecti(m_effect, AL_EFFECT_TYPE, AL_EFFECT_REVERB);
                m_reverbType = alGetError() == AL_NO_ERROR ? AL_EFFECT_REVERB : 0;
            }
            if (m_reverbType != 0)
            {
                LoadEnvironment(0);
            }
        }
        set = std::make_unique<AlPropertySet>(*this);
        return AudioOk;
    }
    AudioResult GetSpeakerConfig(std::uint32_t& combined) override
    {
        combined = m_speakers;
        return AudioOk;
    }
    AudioResult SetSpeakerConfig(std::uint32_t combined) override
    {
        m_speakers = combined;
        return AudioOk;
    }
    int GetCurrentEnvironment() override { return m_environment; }

    bool HasReverb() const { return m_reverbType != 0; }
    ALuint Slot() const { return m_slot; }
    AudioResult LoadEnvironment(int environment)
    {
        if (m_reverbType == 0 || environment < 0 || environment >= AudioReverbEnvironmentCount)
        {
            return AudioErrInvalidParam;
        }
        const EFXEAXREVERBPROPERTIES& p = ReverbPresets[environment];
        alGetError();
        if (m_reverbType == AL_EFFECT_EAXREVERB)
        {
            m_efx.effectf(m_effect, AL_EAXREVERB_DENSITY, p.flDensity);
            m_efx.effectf(m_effect, AL_EAXREVERB_DIFFUSION, p.flDiffusion);
            m_efx.effectf(m_effect, AL_EAXREVERB_GAIN, p.flGain);
            m_efx.effectf(m_effect, AL_EAXREVERB_GAINHF, p.flGainHF);
            m_efx.effectf(m_effect, AL_EAXREVERB_GAINLF, p.flGainLF);
            m_efx.effectf(m_effect, AL_EAXREVERB_DECAY_TIME, p.flDecayTime);
            m_efx.effectf(m_effect, AL_EAXREVERB_DECAY_HFRATIO, p.flDecayHFRatio);
            m_efx.effectf(m_effect, AL_EAXREVERB_DECAY_LFRATIO, p.flDecayLFRatio);
            m_efx.effectf(m_effect, AL_EAXREVERB_REFLECTIONS_GAIN, p.flReflectionsGain);
            m_efx.effectf(m_effect, AL_EAXREVERB_REFLECTIONS_DELAY, p.flReflectionsDelay);
            m_efx.effectfv(m_effect, AL_EAXREVERB_REFLECTIONS_PAN, p.flReflectionsPan);
            m_efx.effectf(m_effect, AL_EAXREVERB_LATE_REVERB_GAIN, p.flLateReverbGain);
            m_efx.effectf(m_effect, AL_EAXREVERB_LATE_REVERB_DELAY, p.flLateReverbDelay);
            m_efx.effectfv(m_effect, AL_EAXREVERB_LATE_REVERB_PAN, p.flLateReverbPan);
            m_efx.effectf(m_effect, AL_EAXREVERB_ECHO_TIME, p.flEchoTime);
            m_efx.effectf(m_effect, AL_EAXREVERB_ECHO_DEPTH, p.flEchoDepth);
            m_efx.effectf(m_effect, AL_EAXREVERB_MODULATION_TIME, p.flModulationTime);
            m_efx.effectf(m_effect, AL_EAXREVERB_MODULATION_DEPTH, p.flModulationDepth);
            m_efx.effectf(m_effect, AL_EAXREVERB_AIR_ABSORPTION_GAINHF, p.flAirAbsorptionGainHF);
            m_efx.effectf(m_effect, AL_EAXREVERB_HFREFERENCE, p.flHFReference);
            m_efx.effectf(m_effect, AL_EAXREVERB_LFREFERENCE, p.flLFReference);
            m_efx.effectf(m_effect, AL_EAXREVERB_ROOM_ROLLOFF_FACTOR, p.flRoomRolloffFactor);
            m_efx.effecti(m_effect, AL_EAXREVERB_DECAY_HFLIMIT, p.iDecayHFLimit);
        }
        else
        {
            m_efx.effectf(m_effect, AL_REVERB_DENSITY, p.flDensity);
            m_efx.effectf(m_effect, AL_REVERB_DIFFUSION, p.flDiffusion);
            m_efx.effectf(m_effect, AL_REVERB_GAIN, p.flGain);
            m_efx.effectf(m_effect, AL_REVERB_GAINHF, p.flGainHF);
            m_efx.effectf(m_effect, AL_REVERB_DECAY_TIME, p.flDecayTime);
            m_efx.effectf(m_effect, AL_REVERB_DECAY_HFRATIO, p.flDecayHFRatio);
            m_efx.effectf(m_effect, AL_REVERB_REFLECTIONS_GAIN, p.flReflectionsGain);
            m_efx.effectf(m_effect, AL_REVERB_REFLECTIONS_DELAY, p.flReflectionsDelay);
            m_efx.effectf(m_effect, AL_REVERB_LATE_REVERB_GAIN, p.flLateReverbGain);
            m_efx.effectf(m_effect, AL_REVERB_LATE_REVERB_DELAY, p.flLateReverbDelay);
            m_efx.effectf(m_effect, AL_REVERB_AIR_ABSORPTION_GAINHF, p.flAirAbsorptionGainHF);
            m_efx.effectf(m_effect, AL_REVERB_ROOM_ROLLOFF_FACTOR, p.flRoomRolloffFactor);
            m_efx.effecti(m_effect, AL_REVERB_DECAY_HFLIMIT, p.iDecayHFLimit);
        }
        m_efx.sloti(m_slot, AL_EFFECTSLOT_EFFECT, static_cast<ALint>(m_effect));
        const AudioResult result = ResultOfAlError();
        if (result == AudioOk)
        {
            m_environment = environment;
        }
        return result;
    }

    void Add(AlBuffer* buffer) { m_buffers.push_back(buffer); }
    void Remove(AlBuffer* buffer) { m_buffers.erase(std::remove(m_buffers.begin(), m_buffers.end(), buffer), m_buffers.end()); }
    const std::vector<AlBuffer*>& Buffers() const { return m_buffers; }
    AlListener& Listener() { return m_listener; }

private:
    ALCdevice* m_alcDevice;
    ALCcontext* m_context;
    AlListener m_listener;
    AlPrimary m_primary;
    Efx m_efx;
    ALuint m_slot = 0;
    ALuint m_effect = 0;
    ALenum m_reverbType = 0;
    int m_environment = 0;
    void* m_window = nullptr;
    std::uint32_t m_level = 0;
    std::uint32_t m_speakers = AudioSpeakerCombined(AudioSpeakerStereo, AudioSpeakerGeometryWide);
    std::vector<AlBuffer*> m_buffers;
};

// ---- property sets ----

AudioResult AlPropertySet::QuerySupport(std::uint32_t property, std::uint32_t& support)
{
    support = 0;
    if (m_device.HasReverb() && (property == AudioReverbAllParameters || property == AudioReverbEnvironment))
    {
        support = AudioSupportGet | AudioSupportSet;
    }
    return AudioOk;
}

AudioResult AlPropertySet::Set(std::uint32_t property, std::int32_t value)
{
    if (property != AudioReverbEnvironment)
    {
        return AudioErrInvalidParam;
    }
    return m_device.LoadEnvironment(value);
}

// ---- listener ----

void AlListener::Apply(const AudioListenerParameters& v)
{
    ALfloat position[3];
    ALfloat velocity[3];
    ALfloat orientation[6];
    ToAl(v.position, position);
    ToAl(v.velocity, velocity);
    ToAl(v.front, orientation);
    ToAl(v.top, orientation + 3);
    alListenerfv(AL_POSITION, position);
    alListenerfv(AL_VELOCITY, velocity);
    alListenerfv(AL_ORIENTATION, orientation);
    if (v.distanceFactor > 0.0f)
    {
        alSpeedOfSound(343.3f / v.distanceFactor);
    }
    alDopplerFactor(v.dopplerFactor);
    if (v.rolloffFactor != m_applied.rolloffFactor)
    {
        for (AlBuffer* buffer : m_device.Buffers())
        {
            buffer->ApplyRolloff(v.rolloffFactor);
        }
    }
    m_applied = v;
}

AudioResult AlListener::Store(std::uint32_t apply)
{
    if (apply == AudioApplyDeferred)
    {
        m_pending = true;
        return AudioOk;
    }
    alGetError();
    Apply(m_values);
    return ResultOfAlError();
}

void AlListener::ApplyPending()
{
    if (m_pending)
    {
        Apply(m_values);
        m_pending = false;
    }
}

AudioResult AlListener::SetAllParameters(const AudioListenerParameters& parameters, std::uint32_t apply)
{
    m_values = parameters;
    return Store(apply);
}

AudioResult AlListener::SetPosition(const AudioVector& position, std::uint32_t apply)
{
    m_values.position = position;
    return Store(apply);
}

AudioResult AlListener::SetOrientation(const AudioVector& front, const AudioVector& top, std::uint32_t apply)
{
    m_values.front = front;
    m_values.top = top;
    return Store(apply);
}

AudioResult AlListener::SetVelocity(const AudioVector& velocity, std::uint32_t apply)
{
    m_values.velocity = velocity;
    return Store(apply);
}

AudioResult AlListener::SetDistanceFactor(float metresPerUnit, std::uint32_t apply)
{
    if (!(metresPerUnit > 0.0f))
    {
        return AudioErrInvalidParam;
    }
    m_values.distanceFactor = metresPerUnit;
    return Store(apply);
}

AudioResult AlListener::SetRolloffFactor(float factor, std::uint32_t apply)
{
    if (!(factor >= 0.0f))
    {
        return AudioErrInvalidParam;
    }
    m_values.rolloffFactor = factor;
    return Store(apply);
}

AudioResult AlListener::SetDopplerFactor(float factor, std::uint32_t apply)
{
    if (!(factor >= 0.0f))
    {
        return AudioErrInvalidParam;
    }
    m_values.dopplerFactor = factor;
    return Store(apply);
}

AudioResult AlListener::CommitDeferredSettings()
{
    alGetError();
    alDeferUpdatesSOFT();
    ApplyPending();
    for (AlBuffer* buffer : m_device.Buffers())
    {
        buffer->ApplyPending();
    }
    alProcessUpdatesSOFT();
    return ResultOfAlError();
}

// ---- buffers ----

AlBuffer::AlBuffer(AlDevice& device, const WaveFormat& format, std::uint32_t bytes, std::uint32_t flags)
    : m_device(device), m_format(format), m_size(bytes), m_is3D((flags & AudioBufferCtrl3D) != 0), m_bytes(bytes, 0)
{
    alGenSources(1, &m_source);
    alGenBuffers(1, &m_staticName);
    if (m_is3D)
    {
        alSourcei(m_source, AL_SOURCE_RELATIVE, AL_FALSE);
        alSourcef(m_source, AL_REFERENCE_DISTANCE, m_minDistance);
        alSourcef(m_source, AL_MAX_DISTANCE, m_maxDistance);
        alSourcef(m_source, AL_ROLLOFF_FACTOR, device.Listener().Rolloff());
    }
    else
    {
        alSourcei(m_source, AL_SOURCE_RELATIVE, AL_TRUE);
        alSourcef(m_source, AL_ROLLOFF_FACTOR, 0.0f);
        ApplyPan();
    }
    m_device.Add(this);
}

AlBuffer::~AlBuffer()
{
    m_device.Remove(this);
    alSourceStop(m_source);
    alSourcei(m_source, AL_BUFFER, 0);
    alDeleteSources(1, &m_source);
    for (const Chunk& chunk : m_queue)
    {
        m_freeNames.push_back(chunk.name);
    }
    m_freeNames.push_back(m_staticName);
    alDeleteBuffers(static_cast<ALsizei>(m_freeNames.size()), m_freeNames.data());
    alGetError();
}

ALenum AlBuffer::AlFormat() const
{
    if (m_format.channels == 1)
    {
        return m_format.bitsPerSample == 8 ? AL_FORMAT_MONO8 : AL_FORMAT_MONO16;
    }
    return m_format.bitsPerSample == 8 ? AL_FORMAT_STEREO8 : AL_FORMAT_STEREO16;
}

AudioResult AlBuffer::Lock(std::uint32_t offset, std::uint32_t bytes, AudioLockedRange& range)
{
    range = AudioLockedRange{};
    if (offset >= m_size || bytes > m_size || bytes == 0)
    {
        return AudioErrInvalidParam;
    }
    range.part1 = m_bytes.data() + offset;
    range.size1 = std::min(bytes, m_size - offset);
    if (range.size1 < bytes)
    {
        range.part2 = m_bytes.data();
        range.size2 = bytes - range.size1;
    }
    return AudioOk;
}

AudioResult AlBuffer::Unlock(const AudioLockedRange&)
{
    m_staticDirty = true;
    return AudioOk;
}

void AlBuffer::DetachAll()
{
    alSourceStop(m_source);
    alSourcei(m_source, AL_BUFFER, 0);
    for (const Chunk& chunk : m_queue)
    {
        m_freeNames.push_back(chunk.name);
    }
    m_queue.clear();
}

void AlBuffer::StartStatic(std::uint32_t from)
{
    DetachAll();
    const std::uint32_t playable = PlayableSize();
    if (m_staticDirty)
    {
        alBufferData(m_staticName, AlFormat(), m_bytes.data(), static_cast<ALsizei>(playable),
                     static_cast<ALsizei>(m_format.samplesPerSec));
        m_staticDirty = false;
    }
    alSourcei(m_source, AL_LOOPING, AL_FALSE);
    alSourcei(m_source, AL_BUFFER, static_cast<ALint>(m_staticName));
    const std::uint32_t start = from < playable ? from - from % m_format.blockAlign : 0;
    alSourcei(m_source, AL_BYTE_OFFSET, static_cast<ALint>(start));
    alSourcePlay(m_source);
    m_mode = Mode::Static;
}

void AlBuffer::StartRing(std::uint32_t from)
{
    DetachAll();
    alSourcei(m_source, AL_LOOPING, AL_FALSE);
    const std::uint32_t playable = PlayableSize();
    m_ringRead = from < playable ? from - from % m_format.blockAlign : 0;
    m_ringOrigin = m_ringRead;
    m_consumed = 0;
    m_lastReported = 0;
    m_ringEnding = false;
    m_mode = Mode::Ring;
    QueueChunks();
    alSourcePlay(m_source);
}

void AlBuffer::QueueChunks()
{
    const std::uint32_t playable = PlayableSize();
    const std::uint32_t frame = m_format.blockAlign;
    const std::uint32_t chunkBytes = std::max(frame, m_format.samplesPerSec / 10 * frame);
    const std::uint32_t aheadBytes = 3 * chunkBytes;
    std::uint32_t queued = 0;
    bool crossedRingEnd = false;
    for (std::size_t i = 0; i < m_queue.size(); ++i)
    {
        queued += m_queue[i].size;
        crossedRingEnd = crossedRingEnd || (i > 0 && m_queue[i].offset < m_queue[i - 1].offset);
    }
    // A last pass asked for after the queue already went past the ring's end can no longer stop exactly
    // there (queued chunks cannot be taken back from a playing source): it ends with what is queued
    // rather than playing a whole further lap.
    if (m_ringEnding && crossedRingEnd)
    {
        return;
    }
    while (queued < aheadBytes)
    {
        if (m_ringRead >= playable)
        {
            if (m_ringEnding)
            {
                return;
            }
            m_ringRead = 0;
        }
        const std::uint32_t size = std::min(chunkBytes, playable - m_ringRead);
        ALuint name = 0;
        if (!m_freeNames.empty())
        {
            name = m_freeNames.back();
            m_freeNames.pop_back();
        }
        else
        {
            alGenBuffers(1, &name);
        }
        alBufferData(name, AlFormat(), m_bytes.data() + m_ringRead, static_cast<ALsizei>(size),
                     static_cast<ALsizei>(m_format.samplesPerSec));
        alSourceQueueBuffers(m_source, 1, &name);
        m_queue.push_back(Chunk{name, m_ringRead, size});
        m_ringRead += size;
        queued += size;
    }
}

void AlBuffer::Pump()
{
    ALint state = AL_STOPPED;
    if (m_mode == Mode::Static)
    {
        alGetSourcei(m_source, AL_SOURCE_STATE, &state);
        if (state == AL_STOPPED)
        {
            // Played to its end: the next Play starts from the beginning.
            m_mode = Mode::Stopped;
            m_position = 0;
        }
        return;
    }
    if (m_mode != Mode::Ring)
    {
        return;
    }
    ALint processed = 0;
    alGetSourcei(m_source, AL_BUFFERS_PROCESSED, &processed);
    for (ALint i = 0; i < processed && !m_queue.empty(); ++i)
    {
        ALuint name = m_queue.front().name;
        alSourceUnqueueBuffers(m_source, 1, &name);
        m_freeNames.push_back(name);
        m_consumed += m_queue.front().size;
        m_queue.pop_front();
    }
    QueueChunks();
    if (m_queue.empty())
    {
        // The last pass has played out.
        DetachAll();
        m_mode = Mode::Stopped;
        m_position = 0;
        return;
    }
    // Read after queueing: a source that ran dry before the new chunks came stopped, and every buffer of
    // a stopped source counts as processed, so it must play again now or the new chunks would be dropped
    // unheard at the next pump.
    alGetSourcei(m_source, AL_SOURCE_STATE, &state);
    if (state != AL_PLAYING)
    {
        alSourcePlay(m_source);
    }
}

std::uint32_t AlBuffer::PlayCursor()
{
    ALint offset = 0;
    alGetSourcei(m_source, AL_BYTE_OFFSET, &offset);
    if (m_mode == Mode::Static)
    {
        return static_cast<std::uint32_t>(std::max(offset, 0));
    }
    if (m_mode == Mode::Ring && !m_queue.empty())
    {
        const std::uint64_t played = std::max(m_consumed + static_cast<std::uint64_t>(std::max(offset, 0)), m_lastReported);
        m_lastReported = played;
        return static_cast<std::uint32_t>((m_ringOrigin + played) % PlayableSize());
    }
    return m_position;
}

AudioResult AlBuffer::Play(std::uint32_t flags)
{
    const bool looping = (flags & AudioPlayLooping) != 0;
    alGetError();
    Pump();
    if (m_mode == Mode::Ring)
    {
        m_ringEnding = !looping;
        return AudioOk;
    }
    if (m_mode == Mode::Static)
    {
        if (looping)
        {
            StartRing(PlayCursor());
        }
        return ResultOfAlError();
    }
    if (looping)
    {
        StartRing(m_position);
    }
    else
    {
        StartStatic(m_position);
    }
    return ResultOfAlError();
}

AudioResult AlBuffer::Stop()
{
    Pump();
    if (m_mode != Mode::Stopped)
    {
        m_position = PlayCursor();
        DetachAll();
        m_mode = Mode::Stopped;
    }
    alGetError();
    return AudioOk;
}

AudioResult AlBuffer::GetStatus(std::uint32_t& status)
{
    Pump();
    status = 0;
    if (m_mode != Mode::Stopped)
    {
        status |= AudioStatusPlaying;
        if (m_mode == Mode::Ring && !m_ringEnding)
        {
            status |= AudioStatusLooping;
        }
    }
    return AudioOk;
}

AudioResult AlBuffer::GetCurrentPosition(std::uint32_t* play, std::uint32_t* write)
{
    Pump();
    const std::uint32_t cursor = PlayCursor();
    if (play != nullptr)
    {
        *play = cursor;
    }
    if (write != nullptr)
    {
        *write = m_mode == Mode::Ring ? m_ringRead % m_size : cursor;
    }
    return AudioOk;
}

AudioResult AlBuffer::SetCurrentPosition(std::uint32_t offset)
{
    if (offset >= m_size)
    {
        return AudioErrInvalidParam;
    }
    Pump();
    if (m_mode == Mode::Ring)
    {
        const bool ending = m_ringEnding;
        StartRing(offset);
        m_ringEnding = ending;
    }
    else if (m_mode == Mode::Static)
    {
        StartStatic(offset);
    }
    else
    {
        m_position = offset;
    }
    return ResultOfAlError();
}

AudioResult AlBuffer::SetVolume(std::int32_t millibels)
{
    if (millibels < -10000 || millibels > 0)
    {
        return AudioErrInvalidParam;
    }
    m_volume = millibels;
    alSourcef(m_source, AL_GAIN, GainOfMillibels(millibels));
    return ResultOfAlError();
}

void AlBuffer::ApplyPan()
{
    const float t = static_cast<float>(m_pan) / 10000.0f; // -1 left .. +1 right
    if (m_format.channels == 1)
    {
        // On the listener's horizontal circle: straight ahead at 0, fully at one side at the ends.
        const float angle = t * Pi / 2.0f;
        alSource3f(m_source, AL_POSITION, std::sin(angle), 0.0f, -std::cos(angle));
        return;
    }
    // A centred stereo buffer reaches the output channels unchanged; a panned one turns both channel
    // angles (counter-clockwise positive) toward the side.
    alSourcei(m_source, AL_DIRECT_CHANNELS_SOFT, m_pan == 0 ? AL_TRUE : AL_FALSE);
    const float side = t > 0.0f ? -Pi / 2.0f : Pi / 2.0f;
    const float amount = std::fabs(t);
    const ALfloat angles[2] = {Pi / 6.0f + (side - Pi / 6.0f) * amount, -Pi / 6.0f + (side + Pi / 6.0f) * amount};
    alSourcefv(m_source, AL_STEREO_ANGLES, angles);
}

AudioResult AlBuffer::SetPan(std::int32_t millibels)
{
    if (millibels < -10000 || millibels > 10000)
    {
        return AudioErrInvalidParam;
    }
    m_pan = millibels;
    alGetError();
    if (!m_is3D)
    {
        ApplyPan();
    }
    return ResultOfAlError();
}

AudioResult AlBuffer::SetFrequency(std::uint32_t hertz)
{
    if (!FrequencyInRange(hertz))
    {
        return AudioErrInvalidParam;
    }
    m_frequency = hertz;
    const float pitch = hertz == 0 ? 1.0f : static_cast<float>(hertz) / static_cast<float>(m_format.samplesPerSec);
    alSourcef(m_source, AL_PITCH, pitch);
    return ResultOfAlError();
}

void AlBuffer::Apply3D(const Pending3D& v)
{
    ALfloat value[3];
    if (v.position)
    {
        ToAl(*v.position, value);
        alSourcefv(m_source, AL_POSITION, value);
    }
    if (v.velocity)
    {
        ToAl(*v.velocity, value);
        alSourcefv(m_source, AL_VELOCITY, value);
    }
    if (v.coneOrientation)
    {
        ToAl(*v.coneOrientation, value);
        alSourcefv(m_source, AL_DIRECTION, value);
    }
    if (v.minDistance)
    {
        alSourcef(m_source, AL_REFERENCE_DISTANCE, *v.minDistance);
    }
    if (v.maxDistance)
    {
        alSourcef(m_source, AL_MAX_DISTANCE, *v.maxDistance);
    }
    if (v.coneInside)
    {
        alSourcef(m_source, AL_CONE_INNER_ANGLE, static_cast<float>(*v.coneInside));
    }
    if (v.coneOutside)
    {
        alSourcef(m_source, AL_CONE_OUTER_ANGLE, static_cast<float>(*v.coneOutside));
    }
    if (v.coneOutsideVolume)
    {
        alSourcef(m_source, AL_CONE_OUTER_GAIN, GainOfMillibels(*v.coneOutsideVolume));
    }
}

void AlBuffer::ApplyPending()
{
    Apply3D(m_pending);
    m_pending = Pending3D{};
}

void AlBuffer::ApplyRolloff(float rolloff)
{
    if (m_is3D)
    {
        alSourcef(m_source, AL_ROLLOFF_FACTOR, rolloff);
    }
}

#define QUARROW_AUDIO_3D_SETTER(Name, Field, Member, Type)                                                          \
    AudioResult AlBuffer::Set##Name(Type value, std::uint32_t apply)                                                 \
    {                                                                                                                \
        if (!m_is3D)                                                                                                 \
        {                                                                                                            \
            return AudioErrControlUnavail;                                                                           \
        }                                                                                                            \
        Member = value;                                                                                              \
        Pending3D change;                                                                                            \
        change.Field = value;                                                                                        \
        if (apply == AudioApplyDeferred)                                                                             \
        {                                                                                                            \
            m_pending.Field = value;                                                                                 \
            return AudioOk;                                                                                          \
        }                                                                                                            \
        m_pending.Field.reset();                                                                                     \
        alGetError();                                                                                                \
        Apply3D(change);                                                                                             \
        return ResultOfAlError();                                                                                    \
    }

QUARROW_AUDIO_3D_SETTER(Position, position, m_position3D, const AudioVector&)
QUARROW_AUDIO_3D_SETTER(Velocity, velocity, m_velocity3D, const AudioVector&)
QUARROW_AUDIO_3D_SETTER(ConeOrientation, coneOrientation, m_coneOrientation, const AudioVector&)
QUARROW_AUDIO_3D_SETTER(MinDistance, minDistance, m_minDistance, float)
QUARROW_AUDIO_3D_SETTER(MaxDistance, maxDistance, m_maxDistance, float)
#undef QUARROW_AUDIO_3D_SETTER

AudioResult AlBuffer::SetConeAngles(std::uint32_t inside, std::uint32_t outside, std::uint32_t apply)
{
    if (!m_is3D)
    {
        return AudioErrControlUnavail;
    }
    if (inside > 360 || outside > 360 || inside > outside)
    {
        return AudioErrInvalidParam;
    }
    Pending3D change;
    change.coneInside = inside;
    change.coneOutside = outside;
    if (apply == AudioApplyDeferred)
    {
        m_pending.coneInside = inside;
        m_pending.coneOutside = outside;
        return AudioOk;
    }
    alGetError();
    Apply3D(change);
    return ResultOfAlError();
}

AudioResult AlBuffer::SetConeOutsideVolume(std::int32_t millibels, std::uint32_t apply)
{
    if (!m_is3D)
    {
        return AudioErrControlUnavail;
    }
    if (millibels < -10000 || millibels > 0)
    {
        return AudioErrInvalidParam;
    }
    Pending3D change;
    change.coneOutsideVolume = millibels;
    if (apply == AudioApplyDeferred)
    {
        m_pending.coneOutsideVolume = millibels;
        return AudioOk;
    }
    alGetError();
    Apply3D(change);
    return ResultOfAlError();
}

AudioResult AlBuffer::GetPosition(AudioVector& position)
{
    position = m_position3D;
    return m_is3D ? AudioOk : AudioErrControlUnavail;
}

AudioResult AlBuffer::GetPositionInEffect(AudioVector& position)
{
    if (!m_is3D)
    {
        return AudioErrControlUnavail;
    }
    ALfloat value[3] = {0.0f, 0.0f, 0.0f};
    alGetSourcefv(m_source, AL_POSITION, value);
    position = AudioVector{value[0], value[1], -value[2]};
    return ResultOfAlError();
}

AudioResult AlBuffer::GetVelocity(AudioVector& velocity)
{
    velocity = m_velocity3D;
    return m_is3D ? AudioOk : AudioErrControlUnavail;
}

AudioResult AlBuffer::GetMinDistance(float& distance)
{
    distance = m_minDistance;
    return m_is3D ? AudioOk : AudioErrControlUnavail;
}

AudioResult AlBuffer::GetMaxDistance(float& distance)
{
    distance = m_maxDistance;
    return m_is3D ? AudioOk : AudioErrControlUnavail;
}

AudioResult AlBuffer::GetConeOrientation(AudioVector& direction)
{
    direction = m_coneOrientation;
    return m_is3D ? AudioOk : AudioErrControlUnavail;
}

AudioResult AlBuffer::QueryPropertySet(std::unique_ptr<IAudioPropertySet>& set)
{
    if (!m_is3D)
    {
        return AudioErrNoInterface;
    }
    if (m_device.Slot() != 0)
    {
        alSource3i(m_source, AL_AUXILIARY_SEND_FILTER, static_cast<ALint>(m_device.Slot()), 0, AL_FILTER_NULL);
        alGetError();
    }
    set = std::make_unique<AlBufferPropertySet>();
    return AudioOk;
}

// ---- opening ----

struct OpenRequest
{
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
};

// Runs on a thread that may use every processor the process started with, so that the mixer threads
// OpenAL starts inside alcCreateContext inherit all of them, not the caller's binding.
std::uint32_t OpenOutput(void* argument)
{
    auto& request = *static_cast<OpenRequest*>(argument);
    request.device = alcOpenDevice(nullptr);
    if (request.device == nullptr)
    {
        return 1;
    }
    const ALCint attributes[] = {ALC_FREQUENCY, 44100, 0};
    request.context = alcCreateContext(request.device, attributes);
    if (request.context == nullptr || alcMakeContextCurrent(request.context) == ALC_FALSE)
    {
        if (request.context != nullptr)
        {
            alcDestroyContext(request.context);
        }
        alcCloseDevice(request.device);
        request = OpenRequest{};
        return 1;
    }
    return 0;
}

AudioResult OpenAlDevice(std::unique_ptr<IAudioDevice>& device)
{
    OpenRequest request;
    Handle thread = StartThread(OpenOutput, &request, 0, nullptr);
    if (thread != nullptr)
    {
        WaitFor(thread);
        CloseHandle(thread);
    }
    else
    {
        OpenOutput(&request);
    }
    if (request.context == nullptr)
    {
        return AudioErrNoDriver;
    }
    device = std::make_unique<AlDevice>(request.device, request.context);
    return AudioOk;
}

std::mutex g_factoryMutex;
AudioDeviceFactory g_factory;

} // namespace

AudioResult CreateAudioDevice(std::unique_ptr<IAudioDevice>& device)
{
    AudioDeviceFactory factory;
    {
        std::lock_guard<std::mutex> lock(g_factoryMutex);
        factory = g_factory;
    }
    device.reset();
    return factory ? factory(device) : OpenAlDevice(device);
}

AudioDeviceFactory SetAudioDeviceFactory(AudioDeviceFactory factory)
{
    std::lock_guard<std::mutex> lock(g_factoryMutex);
    return std::exchange(g_factory, std::move(factory));
}

} // namespace Platform
