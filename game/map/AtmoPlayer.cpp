#include "game/map/AtmoPlayer.h"

#include "foundation/Random.h"

#include <algorithm>

CAtmoPlayer::~CAtmoPlayer()
{
    Clear();
}

bool CAtmoPlayer::Play()
{
    FadeIn(0.0f, 100.0f);
    return IsPlaying();
}

void CAtmoPlayer::Stop()
{
    for (const auto& oneShot : m_oneShots)
    {
        oneShot->Stop();
    }
    if (m_loop)
    {
        m_loop->Stop();
    }
    m_playing = false;
}

void CAtmoPlayer::FadeIn(float seconds, float targetVolume)
{
    if (m_loop)
    {
        m_loop->FadeIn(seconds, targetVolume);
    }
    m_countdown = std::max(seconds, RandomInRange(m_pauseLow, m_pauseHigh));
    m_playing = true;
}

void CAtmoPlayer::FadeOut(float seconds)
{
    for (const auto& oneShot : m_oneShots)
    {
        oneShot->FadeOut(seconds);
    }
    if (m_loop)
    {
        m_loop->FadeOut(seconds);
    }
    m_playing = false;
}

void CAtmoPlayer::Update(double dt)
{
    if (!m_playing || m_oneShots.empty())
    {
        return;
    }
    m_countdown -= static_cast<float>(dt);
    if (m_countdown > 0.0f)
    {
        return;
    }
    const auto index = static_cast<std::size_t>(BaseLib::Random()) % m_oneShots.size();
    SoundLib::CMultiChannelSound& oneShot = *m_oneShots[index];
    oneShot.SetPitch(RandomInRange(m_pitchLow, m_pitchHigh));
    oneShot.Play();
    m_countdown += RandomInRange(m_pauseLow, m_pauseHigh);
}

void CAtmoPlayer::SetLoop(const std::string& fileName)
{
    // A deleted sound leaves its voice playing unowned: a replaced loop would sound for good.
    if (m_loop)
    {
        m_loop->Stop();
    }
    m_loop = std::make_unique<SoundLib::CMultiChannelSound>();
    m_loop->SetFile(fileName);
    m_loop->SetLooping(true);
}

void CAtmoPlayer::AddOneShot(const std::string& fileName)
{
    auto oneShot = std::make_unique<SoundLib::CMultiChannelSound>();
    oneShot->SetFile(fileName);
    m_oneShots.push_back(std::move(oneShot));
}

void CAtmoPlayer::SetPitchRange(float low, float high)
{
    m_pitchLow = low;
    m_pitchHigh = high;
}

void CAtmoPlayer::SetPauseRange(float low, float high)
{
    m_pauseLow = low;
    m_pauseHigh = high;
}

void CAtmoPlayer::Clear()
{
    // Stopped first: a deleted sound leaves its voice playing unowned.
    if (m_loop)
    {
        m_loop->Stop();
        m_loop.reset();
    }
    for (const auto& oneShot : m_oneShots)
    {
        oneShot->Stop();
    }
    m_oneShots.clear();
}

float CAtmoPlayer::RandomInRange(float low, float high)
{
    const int n = BaseLib::Random();
    return low + (high - low) * static_cast<float>((n % 1001) / 1000.0);
}
