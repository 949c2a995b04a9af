#include "sound/DirectSound8Device.h"

#include "foundation/Debug.h"
#include "sound/SoundDeviceRegistry.h"

#include <cmath>

namespace SoundLib
{

namespace
{

using Platform::AudioVector;

AudioVector ToAudio(const BaseLib::CVector3& v)
{
    return AudioVector{v.x, v.y, v.z};
}

BaseLib::CVector3 FromAudio(const AudioVector& v)
{
    return BaseLib::CVector3(v.x, v.y, v.z);
}

struct ResultText
{
    std::uint32_t code;
    const char* text;
};

const ResultText ResultTexts[] = {
    {0x00000000, "DS_OK: The method succeeded."},
    {0x0878000A, "DS_NO_VIRTUALIZATION: The buffer was created, but another 3-D algorithm was substituted."},
    {0x8878000A, "DSERR_ALLOCATED: The request failed because resources, such as a priority level, were already in use by another caller."},
    {0x8878001E, "DSERR_CONTROLUNAVAIL: The buffer control (volume, pan, and so on) requested by the caller is not available. Controls must be specified when the buffer is created, using the dwFlags member of DSBUFFERDESC."},
    {0x88780032, "DSERR_INVALIDCALL: This function is not valid for the current state of this object."},
    {0x88780046, "DSERR_PRIOLEVELNEEDED: A cooperative level of DSSCL_PRIORITY or higher is required."},
    {0x88780064, "DSERR_BADFORMAT: The specified wave format is not supported."},
    {0x88780078, "DSERR_NODRIVER: No sound driver is available for use, or the given GUID is not a valid DirectSound device ID."},
    {0x88780082, "DSERR_ALREADYINITIALIZED: The object is already initialized."},
    {0x88780096, "DSERR_BUFFERLOST: The buffer memory has been lost and must be restored."},
    {0x887800A0, "DSERR_OTHERAPPHASPRIO: Another application has a higher priority level, preventing this call from succeeding."},
    {0x887800AA, "DSERR_UNINITIALIZED: The IDirectSound8::Initialize method has not been called or has not been called successfully before other methods were called."},
    {0x887800B4, "DSERR_BUFFERTOOSMALL: The buffer size is not great enough to enable effects processing."},
    {0x887800BE, "DSERR_DS8_REQUIRED: A DirectSound object of class CLSID_DirectSound8 or later is required for the requested functionality. For more information, see IDirectSound8 Interface."},
    {0x887800C8, "DSERR_SENDLOOP: A circular loop of send effects was detected."},
    {0x887800D2, "DSERR_BADSENDBUFFERGUID: The GUID specified in an audiopath file does not match a valid mix-in buffer."},
    {0x887800DC, "DSERR_FXUNAVAILABLE: The effects requested could not be found on the system, or they are in the wrong order or in the wrong location; for example, an effect expected in hardware was found in software."},
    {0x88781161, "DSERR_OBJECTNOTFOUND: The requested object was not found."},
    {0x80004001, "DSERR_UNSUPPORTED: The function called is not supported at this time."},
    {0x80004002, "DSERR_NOINTERFACE: The requested COM interface is not available."},
    {0x80004005, "DSERR_GENERIC: An undetermined error occurred inside the DirectSound subsystem."},
    {0x80040110, "DSERR_NOAGGREGATION: The object does not support aggregation."},
    {0x80070005, "DSERR_ACCESSDENIED: The request failed because access was denied."},
    {0x8007000E, "DSERR_OUTOFMEMORY: The DirectSound subsystem could not allocate sufficient memory to complete the caller's request."},
    {0x80070057, "DSERR_INVALIDPARAM: An invalid parameter was passed to the returning function."},
};

// Normalised, or false for a vector without length (or not a number).
bool Normalise(BaseLib::CVector3& v)
{
    const float length = std::sqrt(v.LengthSquared());
    if (!(length > 0.0f) || !std::isfinite(length))
    {
        return false;
    }
    v = v / length;
    return true;
}

}

const char* CDirectSound8Device::DescribeResult(std::uint32_t result)
{
    for (const ResultText& entry : ResultTexts)
    {
        if (entry.code == result)
        {
            return entry.text;
        }
    }
    return "unknown error code - maybe not a directsound error?";
}

int CDirectSound8Device::Create(void* window, bool eaxEnabled)
{
    auto* device = new CDirectSound8Device(window, eaxEnabled);
    if (!device->IsValid())
    {
        delete device;
        return -1;
    }
    const int index = CSoundDeviceRegistry::GetInstance()->Register(device);
    if (index < 0)
    {
        delete device;
    }
    return index;
}

CDirectSound8Device::CDirectSound8Device(void* window, bool eaxEnabled) : m_window(window), m_eaxRequested(eaxEnabled)
{
    Platform::CriticalSectionLock lock(m_lock);
    if (Platform::CreateAudioDevice(m_layer) != Platform::AudioOk || !m_layer)
    {
        m_creationFailed = true;
        return;
    }
    Platform::AudioDeviceCaps caps;
    if (m_layer->GetCaps(caps) == Platform::AudioOk)
    {
        m_caps.maxHwMixingAllBuffers = caps.maxHwMixingAllBuffers;
        m_caps.maxHwMixingStaticBuffers = caps.maxHwMixingStaticBuffers;
        m_caps.maxHwMixingStreamingBuffers = caps.maxHwMixingStreamingBuffers;
        m_caps.maxHw3DAllBuffers = caps.maxHw3DAllBuffers;
        m_caps.maxHw3DStaticBuffers = caps.maxHw3DStaticBuffers;
        m_caps.maxHw3DStreamingBuffers = caps.maxHw3DStreamingBuffers;
        m_caps.totalHwMemBytes = caps.totalHwMemBytes;
    }
    for (int i = 0; i < VoiceCount; ++i)
    {
        m_voices[static_cast<std::size_t>(i)] = std::make_unique<CDirectSound8Voice>(i, this);
    }
    m_layer->SetCooperativeLevel(m_window, Platform::AudioCooperativePriority);

    Platform::IAudioPrimaryBuffer* primary = nullptr;
    if (m_layer->CreatePrimaryBuffer(primary) != Platform::AudioOk || primary == nullptr)
    {
        BaseLib::DebugOutput("Creation of Primary Buffer failed\n");
        return;
    }
    const Platform::WaveFormat output{Platform::WaveFormatPcm, 2, 44100, 176400, 4, 16, 0};
    if (primary->SetFormat(output) != Platform::AudioOk)
    {
        BaseLib::DebugOutput("Could not set primary buffer format\n");
        return;
    }
    Platform::IAudioListener* listener = nullptr;
    if (primary->QueryListener(listener) != Platform::AudioOk || listener == nullptr)
    {
        BaseLib::DebugOutput("InitListener(): QueryInterface() failed\n");
        return;
    }
    m_listener = listener;
    Platform::AudioListenerParameters parameters;
    m_listener->GetAllParameters(parameters);
    parameters.rolloffFactor = 1.0f;
    parameters.dopplerFactor = 1.0f;
    m_listener->SetAllParameters(parameters, Platform::AudioApplyImmediate);

    if (m_eaxRequested)
    {
        ProbeEax();
    }
    SetListenerCount(1);
}

void CDirectSound8Device::ProbeEax()
{
    const Platform::WaveFormat mono{Platform::WaveFormatPcm, 1, 44100, 88200, 2, 16, 18};
    std::unique_ptr<Platform::IAudioBuffer> dummy;
    if (m_layer->CreateBuffer(mono, 100, Platform::AudioBufferCtrl3D | Platform::AudioBufferCtrlFrequency | Platform::AudioBufferCtrlVolume,
                              dummy) != Platform::AudioOk)
    {
        BaseLib::DebugOutput("failed to create dummy sound buffer for property set interface...\n");
        return;
    }
    const Platform::AudioResult result = m_layer->QueryListenerPropertySet(m_propertySet);
    dummy.reset();
    if (!m_propertySet)
    {
        BaseLib::DebugOutput("Error: Query for Propertyset failed!, Reason: %s\n", DescribeResult(result));
        return;
    }
    std::uint32_t support = 0;
    if (m_propertySet->QuerySupport(Platform::AudioReverbAllParameters, support) == Platform::AudioOk &&
        (support & (Platform::AudioSupportGet | Platform::AudioSupportSet)) == (Platform::AudioSupportGet | Platform::AudioSupportSet))
    {
        m_caps.eaxVersion = 2;
    }
}

CDirectSound8Device::~CDirectSound8Device()
{
    {
        Platform::CriticalSectionLock lock(m_lock);
        // Buffers go before the layer's device they belong to.
        for (auto& voice : m_voices)
        {
            voice.reset();
        }
        m_propertySet.reset();
        m_listener = nullptr;
        m_layer.reset();
    }
}

CVoice* CDirectSound8Device::GetVoice(int index)
{
    if (index < 0 || index >= VoiceCount)
    {
        return nullptr;
    }
    return m_voices[static_cast<std::size_t>(index)].get();
}

int CDirectSound8Device::AllocateVoice(float priority)
{
    Platform::CriticalSectionLock lock(m_lock);
    if (!m_enabled)
    {
        return -1;
    }
    int best = -1;
    float threshold = priority;
    for (int i = 0; i < VoiceCount; ++i)
    {
        CDirectSound8Voice& voice = *m_voices[static_cast<std::size_t>(i)];
        if (voice.IsFree())
        {
            return i;
        }
        if (threshold > voice.GetPriority())
        {
            best = i;
            threshold = voice.GetPriority();
        }
    }
    return best;
}

void CDirectSound8Device::SetEnabled(bool enabled)
{
    Platform::CriticalSectionLock lock(m_lock);
    if (enabled == m_enabled)
    {
        return;
    }
    m_enabled = enabled;
    if (!enabled)
    {
        for (auto& voice : m_voices)
        {
            if (voice->IsPlaying())
            {
                voice->Stop();
            }
        }
    }
}

void CDirectSound8Device::Update(std::int64_t timeMs)
{
    Platform::CriticalSectionLock lock(m_lock);
    for (auto& voice : m_voices)
    {
        if (!voice->HasBuffer() || !voice->IsPlaying())
        {
            continue;
        }
        voice->UpdateFade(timeMs);
        if (voice->IsStreaming() && voice->GetStreamState() != 3 && voice->IsPlaying())
        {
            voice->RefillStream();
        }
    }
    if (m_listeners.size() >= 2)
    {
        UpdateMultiListener();
    }
    if (m_listener != nullptr)
    {
        m_listener->CommitDeferredSettings();
    }
}

bool CDirectSound8Device::SetListenerCount(int count)
{
    Platform::CriticalSectionLock lock(m_lock);
    if (count <= 0)
    {
        return false;
    }
    m_listeners.resize(static_cast<std::size_t>(count));
    m_scratch.resize(static_cast<std::size_t>(count));
    if (count == 1)
    {
        return true;
    }
    if (m_listener == nullptr)
    {
        return false;
    }
    // The combined positions are relative to a listener at the origin facing +z.
    const bool placed = m_listener->SetPosition(AudioVector{0, 0, 0}, Platform::AudioApplyDeferred) == Platform::AudioOk;
    const bool turned = m_listener->SetOrientation(AudioVector{0, 0, 1}, AudioVector{0, 1, 0}, Platform::AudioApplyDeferred) ==
                        Platform::AudioOk;
    return placed && turned;
}

int CDirectSound8Device::GetListenerCount()
{
    Platform::CriticalSectionLock lock(m_lock);
    return static_cast<int>(m_listeners.size());
}

bool CDirectSound8Device::SetListener(int index, const BaseLib::CVector3& position, const BaseLib::CVector3& front,
                                      const BaseLib::CVector3& top, const BaseLib::CVector3& velocity)
{
    Platform::CriticalSectionLock lock(m_lock);
    if (index < 0 || index >= static_cast<int>(m_listeners.size()))
    {
        return false;
    }
    ListenerRecord& record = m_listeners[static_cast<std::size_t>(index)];
    if (m_listeners.size() == 1)
    {
        record.position = position;
        record.front = front;
        record.top = top;
        if (m_listener == nullptr)
        {
            return false;
        }
        const bool placed = m_listener->SetPosition(ToAudio(position), Platform::AudioApplyDeferred) == Platform::AudioOk;
        const bool turned =
            m_listener->SetOrientation(ToAudio(front), ToAudio(top), Platform::AudioApplyDeferred) == Platform::AudioOk;
        const bool moving = m_listener->SetVelocity(ToAudio(velocity), Platform::AudioApplyDeferred) == Platform::AudioOk;
        return placed && turned && moving;
    }
    // A zero front or a top along the front has no frame: refused, the record kept.
    BaseLib::CVector3 forward = front;
    BaseLib::CVector3 side;
    BaseLib::CVector3 up;
    if (!Normalise(forward) || !Normalise(side = forward.Cross(top)) || !Normalise(up = side.Cross(forward)))
    {
        return false;
    }
    // front x top points to the listener's left in this left-handed system: the frame's x row is the
    // listener's right, so that a voice on the right stays on the right of the output's listener.
    const BaseLib::CVector3 right = -side;
    BaseLib::CMatrix frame;
    const BaseLib::CVector3 rows[4] = {right, up, forward, position};
    for (int r = 0; r < 4; ++r)
    {
        frame.m[r][0] = rows[r].x;
        frame.m[r][1] = rows[r].y;
        frame.m[r][2] = rows[r].z;
        frame.m[r][3] = r == 3 ? 1.0f : 0.0f;
    }
    if (!frame.Invert())
    {
        return false;
    }
    record.position = position;
    record.front = forward;
    record.top = up;
    record.worldToListener = frame;
    return true;
}

void CDirectSound8Device::UpdateMultiListener()
{
    for (auto& voice : m_voices)
    {
        if (!voice->Is3D())
        {
            continue;
        }
        const BaseLib::CVector3 position = voice->GetPosition();
        float total = 0.0f;
        for (std::size_t j = 0; j < m_listeners.size(); ++j)
        {
            BaseLib::CVector4 relative;
            BaseLib::TransformVector4(relative, BaseLib::CVector4(position, 1.0f), m_listeners[j].worldToListener);
            m_scratch[j].relative = BaseLib::CVector3(relative.x, relative.y, relative.z);
            m_scratch[j].squaredDistance = (position - m_listeners[j].position).LengthSquared();
            total += m_scratch[j].squaredDistance;
        }
        // At every listener's place at once there is nothing to weigh: the voice sits at the centre.
        BaseLib::CVector3 combined(0.0f, 0.0f, 0.0f);
        if (total > 0.0f)
        {
            for (std::size_t j = 0; j < m_listeners.size(); ++j)
            {
                combined = combined + m_scratch[j].relative * (1.0f - m_scratch[j].squaredDistance / total);
            }
        }
        voice->SetOutputPosition(combined);
    }
}

BaseLib::CVector3 CDirectSound8Device::GetListenerPosition(int index)
{
    Platform::CriticalSectionLock lock(m_lock);
    if (m_listeners.size() >= 2)
    {
        return index >= 0 && index < static_cast<int>(m_listeners.size()) ? m_listeners[static_cast<std::size_t>(index)].position
                                                                          : BaseLib::CVector3();
    }
    AudioVector position;
    if (m_listener == nullptr || m_listener->GetPosition(position) != Platform::AudioOk)
    {
        return BaseLib::CVector3(0.0f, 0.0f, 0.0f);
    }
    return FromAudio(position);
}

BaseLib::CVector3 CDirectSound8Device::GetListenerFront(int index)
{
    Platform::CriticalSectionLock lock(m_lock);
    if (m_listeners.size() >= 2)
    {
        return index >= 0 && index < static_cast<int>(m_listeners.size()) ? m_listeners[static_cast<std::size_t>(index)].front
                                                                          : BaseLib::CVector3(0.0f, 0.0f, 1.0f);
    }
    AudioVector front;
    AudioVector top;
    if (m_listener == nullptr || m_listener->GetOrientation(front, top) != Platform::AudioOk)
    {
        return BaseLib::CVector3(0.0f, 0.0f, 1.0f);
    }
    return FromAudio(front);
}

bool CDirectSound8Device::SetDistanceFactor(float metresPerUnit)
{
    Platform::CriticalSectionLock lock(m_lock);
    return m_listener != nullptr && m_listener->SetDistanceFactor(metresPerUnit, Platform::AudioApplyImmediate) == Platform::AudioOk;
}

bool CDirectSound8Device::SetRolloffFactor(float factor)
{
    Platform::CriticalSectionLock lock(m_lock);
    return m_listener != nullptr && m_listener->SetRolloffFactor(factor, Platform::AudioApplyImmediate) == Platform::AudioOk;
}

int CDirectSound8Device::GetSpeakerMode()
{
    Platform::CriticalSectionLock lock(m_lock);
    std::uint32_t combined = 0;
    if (m_layer == nullptr || m_layer->GetSpeakerConfig(combined) != Platform::AudioOk)
    {
        return SpeakerModeStereo;
    }
    switch (Platform::AudioSpeakerConfig(combined))
    {
    case Platform::AudioSpeakerDirectOut:
        return SpeakerModeDirectOut;
    case Platform::AudioSpeakerHeadphones:
        return SpeakerModeHeadphones;
    case Platform::AudioSpeakerMono:
        return SpeakerModeMono;
    case Platform::AudioSpeakerQuad:
        return SpeakerModeQuad;
    case Platform::AudioSpeakerSurround:
        return SpeakerModeSurround;
    case Platform::AudioSpeaker51:
        return SpeakerMode51;
    case Platform::AudioSpeaker71:
        return SpeakerMode71;
    default:
        return SpeakerModeStereo;
    }
}

void CDirectSound8Device::SetSpeakerMode(int mode)
{
    Platform::CriticalSectionLock lock(m_lock);
    std::uint32_t config = Platform::AudioSpeakerStereo;
    switch (mode)
    {
    case SpeakerMode51:
        config = Platform::AudioSpeaker51;
        break;
    case SpeakerModeDirectOut:
        config = Platform::AudioSpeakerDirectOut;
        break;
    case SpeakerModeHeadphones:
        config = Platform::AudioSpeakerHeadphones;
        break;
    case SpeakerModeMono:
        config = Platform::AudioSpeakerMono;
        break;
    case SpeakerModeQuad:
        config = Platform::AudioSpeakerQuad;
        break;
    case SpeakerModeSurround:
        config = Platform::AudioSpeakerSurround;
        break;
    case SpeakerMode71:
        config = Platform::AudioSpeaker71;
        break;
    default:
        break;
    }
    if (m_layer != nullptr)
    {
        m_layer->SetSpeakerConfig(Platform::AudioSpeakerCombined(config, Platform::AudioSpeakerGeometryWide));
    }
}

int CDirectSound8Device::GetSpeakerCount()
{
    switch (GetSpeakerMode())
    {
    case SpeakerMode51:
        return 6;
    case SpeakerModeDirectOut:
    case SpeakerModeMono:
        return 1;
    case SpeakerModeQuad:
        return 4;
    case SpeakerMode71:
        return 8;
    default:
        return 2;
    }
}

bool CDirectSound8Device::SetEnvironment(int preset)
{
    if (m_caps.eaxVersion < 1 || !m_propertySet)
    {
        return false;
    }
    Platform::CriticalSectionLock lock(m_lock);
    const int environment = preset >= 1 && preset <= 25 ? preset : 0;
    m_propertySet->Set(Platform::AudioReverbEnvironment, environment);
    return true;
}

} // namespace SoundLib
