#include "sound/Sound.h"

#include "foundation/Xml.h"
#include "sound/SoundDevice.h"
#include "sound/SoundDeviceRegistry.h"
#include "sound/Units.h"
#include "sound/Voice.h"

namespace SoundLib
{

CMultiChannelSound::~CMultiChannelSound()
{
    if (CVoice* voice = HeldVoice())
    {
        voice->SetOwnerCallback(nullptr);
    }
}

CVoice* CMultiChannelSound::HeldVoice()
{
    if (m_voiceIndex < 0)
    {
        return nullptr;
    }
    // The registry may be gone at program exit: then there is no voice to reach, and none is made.
    CSoundDeviceRegistry* registry = CSoundDeviceRegistry::GetExistingInstance();
    CSoundDevice* device = registry != nullptr ? registry->GetDevice(m_deviceIndex) : nullptr;
    CVoice* voice = device != nullptr ? device->GetVoice(m_voiceIndex) : nullptr;
    if (voice == nullptr)
    {
        m_voiceIndex = -1;
    }
    return voice;
}

CVoice* CMultiChannelSound::Acquire(bool is3D)
{
    CSoundDeviceRegistry* registry = CSoundDeviceRegistry::GetExistingInstance();
    CSoundDevice* device = registry != nullptr ? registry->GetDevice(m_deviceIndex) : nullptr;
    if (device == nullptr)
    {
        m_voiceIndex = -1;
        return nullptr;
    }
    m_voiceIndex = device->AllocateVoice(m_priority);
    if (m_voiceIndex < 0)
    {
        return nullptr;
    }
    CVoice* voice = device->GetVoice(m_voiceIndex);
    if (voice == nullptr || !voice->Load(m_fileName, is3D))
    {
        m_voiceIndex = -1;
        return nullptr;
    }
    voice->SetOwnerCallback(this, &CMultiChannelSound::DetachVoice);
    voice->SetPriority(m_priority);
    if (m_pan != 0.0f)
    {
        voice->SetPan(m_pan);
    }
    if (m_volume != 100.0f)
    {
        voice->SetVolume(m_volume);
    }
    if (m_pitch != 1.0f)
    {
        voice->SetPitch(m_pitch);
    }
    if (m_looping)
    {
        voice->SetLooping(true);
    }
    return voice;
}

int CMultiChannelSound::AcquireVoice()
{
    Acquire(false);
    return m_voiceIndex;
}

bool CMultiChannelSound::Play()
{
    CVoice* voice = HeldVoice();
    if (voice == nullptr && AcquireVoice() >= 0)
    {
        voice = HeldVoice();
    }
    if (voice == nullptr)
    {
        return false;
    }
    const bool playing = voice->Play();
    voice->SetVolume(m_volume);
    return playing;
}

void CMultiChannelSound::Stop()
{
    if (CVoice* voice = HeldVoice())
    {
        voice->Stop();
    }
}

void CMultiChannelSound::FadeIn(float seconds, float targetVolume)
{
    CVoice* voice = HeldVoice();
    if (voice == nullptr && AcquireVoice() >= 0)
    {
        voice = HeldVoice();
    }
    if (voice == nullptr)
    {
        return;
    }
    voice->SetVolume(0.0f);
    if (!voice->IsPlaying())
    {
        voice->Play();
    }
    voice->FadeIn(MillisecondsFromSeconds(seconds), targetVolume);
}

void CMultiChannelSound::FadeOut(float seconds)
{
    if (CVoice* voice = HeldVoice())
    {
        voice->FadeOut(MillisecondsFromSeconds(seconds));
    }
}

void CMultiChannelSound::FadeTo(float targetVolume, float seconds)
{
    if (CVoice* voice = HeldVoice())
    {
        voice->FadeTo(targetVolume, MillisecondsFromSeconds(seconds));
    }
}

bool CMultiChannelSound::IsPlaying()
{
    CVoice* voice = HeldVoice();
    return voice != nullptr && voice->IsPlaying();
}

void CMultiChannelSound::SetPaused(bool paused)
{
    if (CVoice* voice = HeldVoice())
    {
        if (paused)
        {
            voice->Pause();
        }
        else
        {
            voice->Play();
        }
    }
}

bool CMultiChannelSound::IsPaused()
{
    CVoice* voice = HeldVoice();
    return voice != nullptr && voice->IsPaused();
}

void CMultiChannelSound::SetVolume(float percent)
{
    CVoice* voice = HeldVoice();
    if (voice != nullptr && percent != m_volume)
    {
        voice->SetVolume(percent);
    }
    m_volume = percent;
}

void CMultiChannelSound::SetPan(float pan)
{
    CVoice* voice = HeldVoice();
    if (voice != nullptr && pan != m_pan)
    {
        voice->SetPan(pan);
    }
    m_pan = pan;
}

void CMultiChannelSound::SetPitch(float factor)
{
    CVoice* voice = HeldVoice();
    if (voice != nullptr && factor != m_pitch)
    {
        voice->SetPitch(factor);
    }
    m_pitch = factor;
}

void CMultiChannelSound::SetLooping(bool looping)
{
    m_looping = looping;
    if (CVoice* voice = HeldVoice())
    {
        voice->SetLooping(looping);
    }
}

void CMultiChannelSound::SetPriority(float priority)
{
    m_priority = priority;
    if (CVoice* voice = HeldVoice())
    {
        voice->SetPriority(priority);
    }
}

void CMultiChannelSound::SetFile(const std::string& fileName)
{
    m_fileName = fileName;
    if (CVoice* voice = HeldVoice())
    {
        voice->Load(fileName, false);
    }
}

void CMultiChannelSound::Load(const TiXmlElement* element)
{
    if (element == nullptr)
    {
        return;
    }
    m_fileName = BaseLib::XmlGetElementText(element, "file", "");
    m_volume = BaseLib::XmlGetFloatElement(element, "volume", 0.0f);
    m_pitch = BaseLib::XmlGetFloatElement(element, "pitch", 0.0f);
    m_priority = BaseLib::XmlGetFloatElement(element, "priority", 0.0f);
}

void CMultiChannelSound::Save(TiXmlElement* element)
{
    if (element == nullptr)
    {
        return;
    }
    BaseLib::XmlAddTextElement(element, "file", m_fileName);
    BaseLib::XmlAddFloatElement(element, "volume", m_volume);
    BaseLib::XmlAddFloatElement(element, "pitch", m_pitch);
    BaseLib::XmlAddFloatElement(element, "priority", m_priority);
}

void C3DSound::SetFile(const std::string& fileName)
{
    m_fileName = fileName;
    if (CVoice* voice = HeldVoice())
    {
        voice->Load(fileName, true);
    }
}

void C3DSound::Load(const TiXmlElement* element)
{
    CMultiChannelSound::Load(element);
    if (element == nullptr)
    {
        return;
    }
    m_minFadeDistance = BaseLib::XmlGetFloatElement(element, "minfadedistance", 0.0f);
    m_maxFadeDistance = BaseLib::XmlGetFloatElement(element, "maxfadedistance", 0.0f);
    m_maxHearingDistance = BaseLib::XmlGetFloatElement(element, "maxhearingdistance", 0.0f);
}

void C3DSound::Save(TiXmlElement* element)
{
    CMultiChannelSound::Save(element);
    if (element == nullptr)
    {
        return;
    }
    BaseLib::XmlAddFloatElement(element, "minfadedistance", m_minFadeDistance);
    BaseLib::XmlAddFloatElement(element, "maxfadedistance", m_maxFadeDistance);
    BaseLib::XmlAddFloatElement(element, "maxhearingdistance", m_maxHearingDistance);
}

int C3DSound::AcquireVoice()
{
    if (CVoice* voice = Acquire(true))
    {
        voice->SetMinDistance(m_minFadeDistance);
        voice->SetMaxDistance(m_maxFadeDistance);
        voice->SetPosition(m_position);
    }
    return m_voiceIndex;
}

void C3DSound::SetPosition(const BaseLib::CVector3& position)
{
    if (CVoice* voice = HeldVoice())
    {
        voice->SetPosition(position);
    }
    m_position = position;
}

void C3DSound::SetMinFadeDistance(float distance)
{
    if (CVoice* voice = HeldVoice())
    {
        voice->SetMinDistance(distance);
    }
    m_minFadeDistance = distance;
}

void C3DSound::SetMaxFadeDistance(float distance)
{
    if (CVoice* voice = HeldVoice())
    {
        voice->SetMaxDistance(distance);
    }
    m_maxFadeDistance = distance;
}

} // namespace SoundLib
