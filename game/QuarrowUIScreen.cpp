#include "game/QuarrowUIScreen.h"

#include "framework/CommandQueue.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "game/ScreenFader.h"
#include "game/savegame/SaveGameManager.h"
#include "sound/Sound.h"
#include "sound/SoundDevice.h"
#include "sound/SoundDeviceRegistry.h"

#include <memory>

namespace
{

constexpr const char* kTitleMusicFile = "sound>music/titel01_var01.wav";
constexpr const char* kMenuMusicScreens[] = {"mainmenu", "gamemenu", "levelselection", "options", "freeplay",
                                             "treasury"};
constexpr float kMusicFadeSeconds = 0.5f;
constexpr float kMusicVolume = 100.0f;

std::unique_ptr<SoundLib::CMultiChannelSound>& TitleMusic()
{
    static std::unique_ptr<SoundLib::CMultiChannelSound> music;
    return music;
}

} // namespace

CQuarrowUIScreen::CQuarrowUIScreen(CQuarrowUI* userInterface, CQuarrowWorld* world)
    : m_userInterface(userInterface), m_world(world)
{
    std::unique_ptr<SoundLib::CMultiChannelSound>& music = TitleMusic();
    if (!music)
    {
        music = std::make_unique<SoundLib::CMultiChannelSound>();
    }
    if (music->GetFile().empty())
    {
        music->SetFile(kTitleMusicFile);
        music->SetLooping(true);
    }
}

void CQuarrowUIScreen::OnActivate()
{
    if (GetOwner() != nullptr && IsMenuMusicScreen(GetOwner()->GetCurrentScreenName()))
    {
        StartMenuMusic();
    }
}

void CQuarrowUIScreen::OnDeactivate()
{
    if (GetOwner() == nullptr || !IsMenuMusicScreen(GetOwner()->GetNextScreenName()))
    {
        StopMenuMusic();
    }
}

void CQuarrowUIScreen::StartMenuMusic()
{
    SoundLib::CMultiChannelSound* music = GetTitleMusic();
    if (music == nullptr || music->IsPlaying())
    {
        return;
    }
    SaveGameManager* saves = m_userInterface != nullptr ? m_userInterface->GetSaveGameManager() : nullptr;
    // Without the holder the options are the defaults, which have music on.
    if (saves == nullptr || saves->GetCurrentOptions().music != 0)
    {
        music->FadeIn(kMusicFadeSeconds, kMusicVolume);
    }
}

void CQuarrowUIScreen::StopMenuMusic()
{
    if (SoundLib::CMultiChannelSound* music = GetTitleMusic())
    {
        music->FadeOut(kMusicFadeSeconds);
    }
}

void CQuarrowUIScreen::PlayMenuSound(bool cancel)
{
    SoundLib::CSoundDeviceRegistry* sound = SoundLib::CSoundDeviceRegistry::GetExistingInstance();
    if (SoundLib::CSoundDevice* device = sound != nullptr ? sound->GetDevice(0) : nullptr)
    {
        device->PlayOneShot(cancel ? "sound>menucancel.wav" : "sound>menuactivate.wav", 100, 0, false);
    }
}

bool CQuarrowUIScreen::IsMenuMusicScreen(const std::string& name)
{
    for (const char* screen : kMenuMusicScreens)
    {
        if (name == screen)
        {
            return true;
        }
    }
    return false;
}

SoundLib::CMultiChannelSound* CQuarrowUIScreen::GetTitleMusic()
{
    return TitleMusic().get();
}

void CQuarrowUIScreen::ReleaseTitleMusic()
{
    TitleMusic().reset();
}

void CQuarrowUIScreen::FadeTo(float target, float seconds) const
{
    if (ScreenFader* fader = m_userInterface != nullptr ? m_userInterface->GetFader() : nullptr)
    {
        fader->SetTarget(target, seconds);
    }
}

bool CQuarrowUIScreen::IsFading() const
{
    const ScreenFader* fader = m_userInterface != nullptr ? m_userInterface->GetFader() : nullptr;
    return fader != nullptr && fader->IsFading();
}

bool CQuarrowUIScreen::IsReadyToSwitch() const
{
    const GameLib::CCommandQueue* commands = m_world != nullptr ? m_world->GetCommandQueue() : nullptr;
    return (commands == nullptr || commands->IsEmpty()) && !IsFading();
}
