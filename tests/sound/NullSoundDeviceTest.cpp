#include "sound/NullSoundDevice.h"

#include "sound/SoundDeviceRegistry.h"

#include <gtest/gtest.h>

using SoundLib::CNullSoundDevice;
using SoundLib::CSoundDeviceRegistry;
using SoundLib::CVoice;

namespace
{

class NullSoundDevice : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CSoundDeviceRegistry::DestroyInstance();
        index = CNullSoundDevice::Create();
        device = CSoundDeviceRegistry::GetInstance()->GetDevice(index);
    }
    void TearDown() override { CSoundDeviceRegistry::DestroyInstance(); }

    int index = -1;
    SoundLib::CSoundDevice* device = nullptr;
};

// Counts the calls of its DetachVoice, as a sound holding a voice would.
struct Owner
{
    int detached = 0;
    void DetachVoice() { ++detached; }
};

}

TEST_F(NullSoundDevice, DescribesItselfAsTheSilentDevice)
{
    ASSERT_EQ(index, 0);
    ASSERT_NE(device, nullptr);
    EXPECT_STREQ(device->GetName(), "Null Sound Device");
    EXPECT_TRUE(device->IsValid());
    EXPECT_EQ(device->GetVoiceCount(), 8);
    EXPECT_EQ(device->GetVoice(8), nullptr);
    EXPECT_EQ(device->GetSpeakerMode(), SoundLib::SpeakerModeStereo);
    EXPECT_EQ(device->GetSpeakerCount(), 2);
    EXPECT_EQ(device->GetMaxVolume(), 100.0f);
    const SoundLib::SoundDeviceCaps& caps = *device->GetCaps();
    EXPECT_EQ(caps.eaxVersion, 0u);
    EXPECT_EQ(caps.maxHwMixingAllBuffers, 8u);
    EXPECT_EQ(caps.maxHw3DStreamingBuffers, 8u);
    EXPECT_EQ(caps.totalHwMemBytes, 0u);
    EXPECT_TRUE(device->SetEnvironment(7));
    EXPECT_TRUE(device->SetDistanceFactor(2.0f));
    device->SetEnabled(false);
    EXPECT_FALSE(device->IsEnabled());
}

TEST_F(NullSoundDevice, PlayOneShotTakesTheFirstUnreservedVoiceAndNeverPlays)
{
    EXPECT_EQ(device->PlayOneShot("anything.wav", 100.0f, 0.0f, false), 0);
    EXPECT_FALSE(device->GetVoice(0)->IsPlaying());
    EXPECT_EQ(device->GetVoice(0)->GetFileName(), "anything.wav");
    EXPECT_EQ(device->AllocateVoice(0.0f), 0);

    device->GetVoice(0)->Reserve();
    device->GetVoice(1)->Reserve();
    EXPECT_EQ(device->PlayOneShot("x.mp3", 50.0f, 0.0f, true), 2);
    EXPECT_EQ(device->GetVoice(2)->GetVolume(), 50.0f);
    EXPECT_TRUE(device->GetVoice(2)->GetLooping());
    for (int i = 0; i < 8; ++i)
    {
        device->GetVoice(i)->Reserve();
    }
    EXPECT_EQ(device->AllocateVoice(1000.0f), -1);
    EXPECT_EQ(device->PlayOneShot("anything.wav", 100.0f, 1000.0f, false), -1);
}

TEST_F(NullSoundDevice, ListenersAreStoredWhileTheQueriesAnswerFixedValues)
{
    EXPECT_EQ(device->GetListenerCount(), 1);
    EXPECT_FALSE(device->SetListenerCount(0));
    EXPECT_EQ(device->GetListenerCount(), 1);
    EXPECT_TRUE(device->SetListenerCount(3));
    EXPECT_EQ(device->GetListenerCount(), 3);

    const BaseLib::CVector3 position(1, 2, 3), front(1, 0, 0), top(0, 1, 0), velocity(0, 0, 4);
    EXPECT_TRUE(device->SetListener(2, position, front, top, velocity));
    EXPECT_FALSE(device->SetListener(3, position, front, top, velocity));
    EXPECT_FALSE(device->SetListener(-1, position, front, top, velocity));
    EXPECT_TRUE(device->SetFirstListener(position, front, top, velocity));
    const auto& stored = static_cast<CNullSoundDevice*>(device)->GetStoredListener(2);
    EXPECT_EQ(stored.position, position);
    EXPECT_EQ(stored.velocity, velocity);
    EXPECT_EQ(static_cast<CNullSoundDevice*>(device)->GetStoredListener(0).front, front);

    EXPECT_EQ(device->GetListenerPosition(2), BaseLib::CVector3(0, 0, 0));
    EXPECT_EQ(device->GetListenerFront(2), BaseLib::CVector3(0, 0, 1));
}

TEST_F(NullSoundDevice, VoiceKeepsWhatIsSetUntilTheNextLoad)
{
    CVoice& voice = *device->GetVoice(3);
    voice.SetVolume(40.0f);
    voice.SetPitch(1.5f);
    voice.SetPan(-0.25f);
    voice.SetMinDistance(2.0f);
    voice.Set3DMode(1);
    EXPECT_TRUE(voice.SetPosition({1, 2, 3}));
    EXPECT_EQ(voice.GetVolume(), 40.0f);
    EXPECT_EQ(voice.GetPitch(), 1.5f);
    EXPECT_EQ(voice.GetPan(), -0.25f);
    EXPECT_EQ(voice.GetAppliedPosition(), BaseLib::CVector3(1, 2, 3));

    ASSERT_TRUE(voice.Load("music.ogg", true));
    EXPECT_EQ(voice.GetFileName(), "music.ogg");
    EXPECT_TRUE(voice.Is3D());
    EXPECT_EQ(voice.GetVolume(), 100.0f);
    EXPECT_EQ(voice.GetPitch(), 1.0f);
    EXPECT_EQ(voice.GetPan(), 0.0f);
    EXPECT_EQ(voice.GetMinDistance(), 1.0f);
    EXPECT_EQ(voice.GetMaxDistance(), 10000.0f);
    EXPECT_EQ(voice.Get3DMode(), 0);
    EXPECT_EQ(voice.GetPosition(), BaseLib::CVector3(0, 0, 0));
    EXPECT_EQ(voice.GetOrientation(), BaseLib::CVector3(0, 0, 1));
    EXPECT_EQ(voice.GetPlayPosition(), 0.0);
    EXPECT_EQ(voice.GetTimeLeft(), 0.0);
    EXPECT_FALSE(voice.IsFading());
}

TEST_F(NullSoundDevice, ConeIsAcceptedOnlyByA3DVoiceInMode1)
{
    struct Case
    {
        bool is3D;
        int mode;
        bool accepted;
    };
    for (const Case& c : {Case{true, 1, true}, Case{true, 0, false}, Case{false, 1, false}, Case{true, 2, false}})
    {
        CVoice& voice = *device->GetVoice(0);
        voice.Load("a.wav", c.is3D);
        voice.Set3DMode(c.mode);
        EXPECT_EQ(voice.SetCone(90, 180, 50), c.accepted) << c.is3D << " mode " << c.mode;
    }
}

TEST_F(NullSoundDevice, FadesSetTheVolumeAtOnce)
{
    for (int i = 0; i < 8; ++i)
    {
        device->GetVoice(i)->SetVolume(70.0f);
    }
    device->FadeOutAllVoices(1.5f);
    for (int i = 0; i < 8; ++i)
    {
        EXPECT_EQ(device->GetVoice(i)->GetVolume(), 0.0f) << i;
    }
    device->GetVoice(0)->FadeIn(1000, 80.0f);
    EXPECT_EQ(device->GetVoice(0)->GetVolume(), 80.0f);
}

TEST_F(NullSoundDevice, OwnerIsToldOnceWhenTheVoiceIsLoadedAgainOrDeleted)
{
    Owner first;
    device->GetVoice(0)->SetOwnerCallback(&first, &Owner::DetachVoice);
    device->GetVoice(0)->Load("b.wav", false);
    device->GetVoice(0)->Load("c.wav", false);
    EXPECT_EQ(first.detached, 1);

    Owner second;
    device->GetVoice(5)->SetOwnerCallback(&second, &Owner::DetachVoice);
    CSoundDeviceRegistry::DestroyInstance();
    EXPECT_EQ(second.detached, 1);
}

TEST_F(NullSoundDevice, ReleaseOwnerWithoutCallbackDoesNothingAndClearedCallbackIsNotCalled)
{
    Owner owner;
    CVoice& voice = *device->GetVoice(0);
    voice.ReleaseOwner();
    voice.SetOwnerCallback(&owner, &Owner::DetachVoice);
    EXPECT_TRUE(voice.HasOwnerCallback());
    voice.SetOwnerCallback(nullptr);
    voice.Load("a.wav", false);
    EXPECT_EQ(owner.detached, 0);
}

TEST_F(NullSoundDevice, PriorityAndReservationBelongToTheVoice)
{
    CVoice& voice = *device->GetVoice(0);
    EXPECT_EQ(voice.GetPriority(), 0.0f);
    voice.SetPriority(3.5f);
    EXPECT_EQ(voice.GetPriority(), 3.5f);
    EXPECT_TRUE(voice.IsFree());
    voice.Reserve();
    EXPECT_TRUE(voice.IsReserved());
    EXPECT_FALSE(voice.IsFree());
    voice.Unreserve();
    EXPECT_TRUE(voice.IsFree());
}
