#include "sound/Voice.h"

#include <utility>

namespace SoundLib
{

CVoice::~CVoice()
{
    ReleaseOwner();
}

void CVoice::Rewind()
{
    SetPlayPosition(0.0);
}

double CVoice::GetTimeLeft()
{
    return GetLength() - GetPlayPosition();
}

void CVoice::FadeOut(int durationMs)
{
    FadeTo(0.0f, durationMs);
}

void CVoice::FadeIn(int durationMs, float targetVolume)
{
    SetVolume(0.0f);
    FadeTo(targetVolume, durationMs);
}

bool CVoice::IsFree()
{
    return !IsReserved() && !IsPlaying();
}

void CVoice::ReleaseOwner()
{
    // Taken out first: the callback may set a new owner or reach this voice again.
    OwnerCallback owner = std::exchange(m_owner, nullptr);
    if (owner)
    {
        owner();
    }
}

} // namespace SoundLib
