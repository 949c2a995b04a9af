#include "sound/NullSoundDevice.h"

#include "sound/Sound.h"
#include "sound/SoundDeviceRegistry.h"

namespace SoundLib
{

void CNullVoice::Reset()
{
    m_fileName.clear();
    m_volume = 100.0f;
    m_is3D = false;
    m_looping = false;
    m_pitch = 1.0f;
    m_pan = 0.0f;
    m_minDistance = 1.0f;
    m_maxDistance = 10000.0f;
    m_position = BaseLib::CVector3(0.0f, 0.0f, 0.0f);
    m_velocity = BaseLib::CVector3(0.0f, 0.0f, 0.0f);
    m_orientation = BaseLib::CVector3(0.0f, 0.0f, 1.0f);
    m_3DMode = 0;
    ReleaseOwner();
}

bool CNullVoice::Load(const std::string& fileName, bool is3D)
{
    Reset();
    m_fileName = fileName;
    m_is3D = is3D;
    return true;
}

bool CNullVoice::Play3D(C3DSound& sound, const BaseLib::CVector3& position, bool looping)
{
    Load(sound.GetFile(), true);
    SetVolume(sound.GetVolume());
    SetPitch(sound.GetPitch());
    SetPriority(sound.GetPriority());
    SetMinDistance(sound.GetMinFadeDistance());
    SetMaxDistance(sound.GetMaxFadeDistance());
    SetPosition(position);
    SetLooping(looping);
    return true;
}

bool CNullVoice::Play2D(CMultiChannelSound& sound, bool looping)
{
    Load(sound.GetFile(), false);
    SetVolume(sound.GetVolume());
    SetPitch(sound.GetPitch());
    SetPriority(sound.GetPriority());
    SetLooping(looping);
    return true;
}

bool CNullVoice::SetPosition(const BaseLib::CVector3& position)
{
    m_position = position;
    return true;
}

bool CNullVoice::SetVelocity(const BaseLib::CVector3& velocity)
{
    m_velocity = velocity;
    return true;
}

bool CNullVoice::SetOrientation(const BaseLib::CVector3& orientation)
{
    m_orientation = orientation;
    return true;
}

bool CNullVoice::SetCone(float, float, float)
{
    return m_is3D && m_3DMode == 1;
}

void CNullVoice::FadeTo(float targetVolume, int)
{
    m_volume = targetVolume;
}

int CNullSoundDevice::Create()
{
    auto* device = new CNullSoundDevice();
    const int index = CSoundDeviceRegistry::GetInstance()->Register(device);
    if (index < 0)
    {
        delete device;
    }
    return index;
}

CNullSoundDevice::CNullSoundDevice() : m_listeners(1)
{
    for (auto& voice : m_voices)
    {
        voice = std::make_unique<CNullVoice>();
    }
}

CNullSoundDevice::~CNullSoundDevice() = default;

CVoice* CNullSoundDevice::GetVoice(int index)
{
    if (index < 0 || index >= VoiceCount)
    {
        return nullptr;
    }
    return m_voices[static_cast<std::size_t>(index)].get();
}

int CNullSoundDevice::AllocateVoice(float)
{
    for (int i = 0; i < VoiceCount; ++i)
    {
        if (!m_voices[static_cast<std::size_t>(i)]->IsReserved())
        {
            return i;
        }
    }
    return -1;
}

bool CNullSoundDevice::SetListenerCount(int count)
{
    if (count < 1)
    {
        return false;
    }
    m_listeners.resize(static_cast<std::size_t>(count));
    return true;
}

bool CNullSoundDevice::SetListener(int index, const BaseLib::CVector3& position, const BaseLib::CVector3& front,
                                   const BaseLib::CVector3& top, const BaseLib::CVector3& velocity)
{
    if (index < 0 || index >= GetListenerCount())
    {
        return false;
    }
    m_listeners[static_cast<std::size_t>(index)] = Listener{position, front, top, velocity};
    return true;
}

} // namespace SoundLib
