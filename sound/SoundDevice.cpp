#include "sound/SoundDevice.h"

#include "sound/SoundDeviceRegistry.h"
#include "sound/Units.h"
#include "sound/Voice.h"

namespace SoundLib
{

bool CSoundDevice::SetFirstListener(const BaseLib::CVector3& position, const BaseLib::CVector3& front,
                                    const BaseLib::CVector3& top, const BaseLib::CVector3& velocity)
{
    return SetListener(0, position, front, top, velocity);
}

void CSoundDevice::StopAllVoices()
{
    for (int i = 0; i < GetVoiceCount(); ++i)
    {
        GetVoice(i)->Stop();
    }
}

void CSoundDevice::FadeOutAllVoices(float seconds)
{
    const int milliseconds = MillisecondsFromSeconds(seconds);
    for (int i = 0; i < GetVoiceCount(); ++i)
    {
        GetVoice(i)->FadeOut(milliseconds);
    }
}

CSoundDevice::~CSoundDevice()
{
    // The registry may be gone already (a device outliving it is unregistered by nobody).
    CSoundDeviceRegistry* registry = CSoundDeviceRegistry::GetExistingInstance();
    if (registry != nullptr && registry->Contains(this))
    {
        registry->Unregister(this);
    }
}

int CSoundDevice::PlayOneShot(const char* fileName, float volume, float priority, bool looping)
{
    const int index = AllocateVoice(priority);
    if (index < 0)
    {
        return index;
    }
    CVoice* voice = GetVoice(index);
    if (!voice->Load(fileName != nullptr ? fileName : "", false))
    {
        return -1;
    }
    voice->SetVolume(volume);
    voice->SetLooping(looping);
    voice->Play();
    return index;
}

} // namespace SoundLib
