// Sounds on device 0: the real device over the scripted stand-in for priorities and fades, the silent
// device for the rest; descriptions as XML elements.

#include "sound/Sound.h"

#include "WaveBytes.h"
#include "platform/Counter.h"
#include "platform/audio/ScriptedAudio.h"
#include "platform/os/DebugOutput.h"
#include "sound/DirectSound8Device.h"
#include "sound/NullSoundDevice.h"
#include "sound/SoundDeviceRegistry.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

using SoundLib::C3DSound;
using SoundLib::CMultiChannelSound;
using SoundLib::CSoundDeviceRegistry;

namespace
{

// Counts how often its voice was taken from it.
class CountingSound : public CMultiChannelSound
{
public:
    int detached = 0;
    void DetachVoice() override
    {
        ++detached;
        CMultiChannelSound::DetachVoice();
    }
};

class Sounds : public TempFolderTest
{
protected:
    void SetUp() override
    {
        TempFolderTest::SetUp();
        CSoundDeviceRegistry::DestroyInstance();
        Platform::SetCounterOverride(1000 * Platform::CounterFrequency());
        WriteFile("mono.wav", WaveBytes::Pcm(1, 22050, 16, WaveBytes::Ramp(44100)));
        WriteFile("other.wav", WaveBytes::Pcm(1, 22050, 16, WaveBytes::Ramp(4410)));
        WriteFile("stereo.wav", WaveBytes::Pcm(2, 22050, 16, WaveBytes::Ramp(4400)));
        mono = PathOf("mono.wav");
    }
    void TearDown() override
    {
        CSoundDeviceRegistry::DestroyInstance();
        Platform::ClearCounterOverride();
        Platform::SetAudioDeviceFactory(previous);
        TempFolderTest::TearDown();
    }
    // The real device over the scripted layer as device 0.
    SoundLib::CDirectSound8Device& RealDevice()
    {
        previous = Platform::SetAudioDeviceFactory(Platform::ScriptedAudioDevice::Factory(&scripted));
        EXPECT_EQ(SoundLib::CDirectSound8Device::Create(nullptr, false), 0);
        CSoundDeviceRegistry::GetInstance()->Tick();
        return *static_cast<SoundLib::CDirectSound8Device*>(CSoundDeviceRegistry::GetInstance()->GetDevice(0));
    }
    SoundLib::CSoundDevice& SilentDevice()
    {
        EXPECT_EQ(SoundLib::CNullSoundDevice::Create(), 0);
        return *CSoundDeviceRegistry::GetInstance()->GetDevice(0);
    }
    void Tick(std::uint64_t milliseconds)
    {
        Platform::AdvanceCounterOverride(milliseconds * Platform::CounterFrequency() / 1000);
        CSoundDeviceRegistry::GetInstance()->Tick();
    }

    std::string mono;
    Platform::AudioDeviceFactory previous;
    Platform::ScriptedAudioDevice* scripted = nullptr;
};

}

TEST_F(Sounds, PriorityDecidesWhoGetsAVoiceAndTheLoserForgetsIt)
{
    auto& device = RealDevice();
    CountingSound a, b, c, d;
    for (CountingSound* sound : {&a, &b, &c, &d})
    {
        sound->SetFile(mono);
    }
    d.SetPriority(1.0f);
    ASSERT_TRUE(a.Play());
    EXPECT_EQ(a.GetVoiceIndex(), 0);
    for (int i = 1; i < 15; ++i)
    {
        ASSERT_TRUE(device.GetVoice(i)->Load(mono, false));
        ASSERT_TRUE(device.GetVoice(i)->Play());
    }
    EXPECT_TRUE(b.Play());
    EXPECT_EQ(b.GetVoiceIndex(), 15);
    EXPECT_FALSE(c.Play());
    EXPECT_EQ(c.GetVoiceIndex(), -1);
    EXPECT_TRUE(d.Play());
    EXPECT_EQ(d.GetVoiceIndex(), 0);
    EXPECT_FALSE(a.IsPlaying());
    EXPECT_EQ(a.GetVoiceIndex(), -1);
    EXPECT_EQ(a.detached, 1);
}

TEST_F(Sounds, FadeInRisesOnTheRegistryClock)
{
    auto& device = RealDevice();
    CMultiChannelSound sound;
    sound.SetFile(mono);
    sound.FadeIn(2.0f, 80.0f);
    ASSERT_EQ(sound.GetVoiceIndex(), 0);
    SoundLib::CVoice& voice = *device.GetVoice(0);
    EXPECT_TRUE(voice.IsPlaying());
    EXPECT_NEAR(voice.GetVolume(), 0.0f, 0.01f);
    Tick(1000);
    EXPECT_NEAR(voice.GetVolume(), 40.0f, 0.5f);
    Tick(1000);
    EXPECT_NEAR(voice.GetVolume(), 80.0f, 0.1f);
    EXPECT_EQ(sound.GetVolume(), 100.0f);
}

TEST_F(Sounds, SetFileLoadsIntoTheHeldVoiceWhichThenLeavesTheSound)
{
    auto& device = SilentDevice();
    CMultiChannelSound sound;
    sound.SetFile(mono);
    ASSERT_TRUE(sound.Play());
    ASSERT_EQ(sound.GetVoiceIndex(), 0);
    sound.SetFile(PathOf("other.wav"));
    EXPECT_EQ(device.GetVoice(0)->GetFileName(), PathOf("other.wav"));
    EXPECT_EQ(sound.GetVoiceIndex(), -1);
    EXPECT_EQ(sound.GetFile(), PathOf("other.wav"));
}

TEST_F(Sounds, ValuesReachTheVoiceOnlyWhenTheyDifferFromTheDefaults)
{
    auto& device = SilentDevice();
    CMultiChannelSound sound;
    sound.SetFile("any.ogg");
    sound.SetPan(-0.5f);
    sound.SetPitch(1.5f);
    sound.SetLooping(true);
    sound.SetVolume(30.0f);
    ASSERT_TRUE(sound.Play());
    SoundLib::CVoice& voice = *device.GetVoice(0);
    EXPECT_EQ(voice.GetPan(), -0.5f);
    EXPECT_EQ(voice.GetPitch(), 1.5f);
    EXPECT_TRUE(voice.GetLooping());
    EXPECT_EQ(voice.GetVolume(), 30.0f);
    sound.SetVolume(60.0f);
    EXPECT_EQ(voice.GetVolume(), 60.0f);
    // Played again while it still holds the voice: no new load.
    voice.SetPitch(2.0f);
    ASSERT_TRUE(sound.Play());
    EXPECT_EQ(voice.GetPitch(), 2.0f);
}

TEST_F(Sounds, DescriptionsKeepFileLevelsAndDistancesButNotPanOrLooping)
{
    C3DSound saved;
    saved.SetFile("sound>steps.wav");
    saved.SetVolume(0.5f);
    saved.SetPitch(1.25f);
    saved.SetPriority(3.0f);
    saved.SetMinFadeDistance(2.0f);
    saved.SetMaxFadeDistance(40.0f);
    saved.SetMaxHearingDistance(60.0f);
    saved.SetPan(0.75f);
    saved.SetLooping(true);
    TiXmlElement element("sound");
    saved.Save(&element);
    EXPECT_STREQ(element.FirstChildElement("volume")->GetText(), "0.5");

    C3DSound loaded;
    loaded.Load(&element);
    EXPECT_EQ(loaded.GetFile(), "sound>steps.wav");
    EXPECT_EQ(loaded.GetVolume(), 0.5f);
    EXPECT_EQ(loaded.GetPitch(), 1.25f);
    EXPECT_EQ(loaded.GetPriority(), 3.0f);
    EXPECT_EQ(loaded.GetMinFadeDistance(), 2.0f);
    EXPECT_EQ(loaded.GetMaxFadeDistance(), 40.0f);
    EXPECT_EQ(loaded.GetMaxHearingDistance(), 60.0f);
    EXPECT_EQ(loaded.GetPan(), 0.0f);
    EXPECT_FALSE(loaded.GetLooping());

    TiXmlElement partial("sound");
    partial.LinkEndChild(new TiXmlElement("file"));
    CMultiChannelSound silent;
    silent.Load(&partial);
    EXPECT_EQ(silent.GetVolume(), 0.0f);
    EXPECT_EQ(silent.GetPitch(), 0.0f);
    CMultiChannelSound untouched;
    untouched.Load(nullptr);
    untouched.Save(nullptr);
    EXPECT_EQ(untouched.GetVolume(), 100.0f);
}

TEST_F(Sounds, Play2DAndPlay3DHandTheSoundsValuesToTheVoice)
{
    C3DSound positional;
    positional.SetFile(mono);
    positional.SetVolume(50.0f);
    positional.SetPitch(2.0f);
    positional.SetPriority(4.0f);
    positional.SetMinFadeDistance(3.0f);
    positional.SetMaxFadeDistance(30.0f);
    CMultiChannelSound plain;
    plain.SetFile(mono);
    plain.SetVolume(25.0f);
    plain.SetPriority(2.0f);

    for (bool real : {false, true})
    {
        SCOPED_TRACE(real ? "real voice" : "silent voice");
        SoundLib::CSoundDevice& device = real ? static_cast<SoundLib::CSoundDevice&>(RealDevice()) : SilentDevice();
        SoundLib::CVoice& voice = *device.GetVoice(1);
        ASSERT_TRUE(voice.Play3D(positional, {4, 0, 2}, true));
        EXPECT_TRUE(voice.Is3D());
        EXPECT_NEAR(voice.GetVolume(), 50.0f, 0.1f); // the sound's volume reaches a 3D voice too
        EXPECT_EQ(voice.GetPitch(), 2.0f);
        EXPECT_EQ(voice.GetPriority(), 4.0f);
        EXPECT_EQ(voice.GetMinDistance(), 3.0f);
        EXPECT_EQ(voice.GetMaxDistance(), 30.0f);
        EXPECT_EQ(voice.GetPosition(), BaseLib::CVector3(4, 0, 2));
        EXPECT_TRUE(voice.GetLooping());

        ASSERT_TRUE(voice.Play2D(plain, false));
        EXPECT_FALSE(voice.Is3D());
        EXPECT_NEAR(voice.GetVolume(), 25.0f, 0.1f);
        EXPECT_EQ(voice.GetPriority(), 2.0f);
        EXPECT_FALSE(voice.GetLooping());

        if (real)
        {
            EXPECT_TRUE(voice.IsPlaying());
            Platform::DebugOutputCapture capture;
            C3DSound stereo;
            stereo.SetFile(PathOf("stereo.wav"));
            EXPECT_FALSE(voice.Play3D(stereo, {0, 0, 0}, false));
            EXPECT_EQ(capture.Text(), "Error: sample cannot be a 3D-Sound; it has more than one cannel!\n");
            device.SetEnabled(false);
            EXPECT_TRUE(voice.Play2D(plain, false));
            EXPECT_TRUE(voice.Play3D(positional, {0, 0, 0}, false));
            EXPECT_FALSE(voice.IsPlaying());
        }
        CSoundDeviceRegistry::DestroyInstance();
        Platform::SetAudioDeviceFactory(previous);
    }
}

TEST_F(Sounds, ASoundOutlivingItsVoiceOrTheRegistryIsHarmless)
{
    auto& device = RealDevice();
    {
        CMultiChannelSound sound;
        sound.SetFile(mono);
        ASSERT_TRUE(sound.Play());
        EXPECT_TRUE(device.GetVoice(0)->HasOwnerCallback());
    }
    EXPECT_FALSE(device.GetVoice(0)->HasOwnerCallback()); // cleared without being called
    EXPECT_TRUE(device.GetVoice(0)->IsPlaying());          // and the voice plays on

    auto* late = new CountingSound();
    late->SetFile(mono);
    ASSERT_TRUE(late->Play());
    CSoundDeviceRegistry::DestroyInstance();
    EXPECT_EQ(late->GetVoiceIndex(), -1);
    EXPECT_EQ(late->detached, 1);
    late->Stop();
    EXPECT_FALSE(late->Play());
    delete late;
    EXPECT_EQ(CSoundDeviceRegistry::GetExistingInstance(), nullptr);
}
