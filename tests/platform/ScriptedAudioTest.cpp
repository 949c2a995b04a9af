#include "platform/audio/ScriptedAudio.h"

#include <gtest/gtest.h>

using namespace Platform;

TEST(ScriptedAudio, RecordsCallsHoldsDeferredValuesAndAnswersWhatTheTestSets)
{
    ScriptedAudioDevice* scripted = nullptr;
    const AudioDeviceFactory previous = SetAudioDeviceFactory(ScriptedAudioDevice::Factory(&scripted));
    std::unique_ptr<IAudioDevice> device;
    ASSERT_EQ(CreateAudioDevice(device), AudioOk);
    ASSERT_EQ(scripted, device.get());

    const WaveFormat mono{1, 1, 22050, 44100, 2, 16, 18};
    std::unique_ptr<IAudioBuffer> buffer;
    ASSERT_EQ(device->CreateBuffer(mono, 1000, AudioBufferCtrl3D, buffer), AudioOk);
    EXPECT_EQ(device->CreateBuffer(WaveFormat{1, 2, 44100, 264600, 6, 24, 18}, 600, 0, buffer), AudioErrBadFormat);
    ScriptedAudioBuffer& b0 = *scripted->Buffer(0);

    AudioLockedRange range;
    ASSERT_EQ(b0.Lock(900, 300, range), AudioOk);
    EXPECT_EQ(range.size1, 100u);
    EXPECT_EQ(range.size2, 200u);
    b0.Unlock(range);

    b0.playCursor = 123;
    b0.writeCursor = 456;
    std::uint32_t play = 0, write = 0;
    b0.GetCurrentPosition(&play, &write);
    EXPECT_EQ(play, 123u);
    EXPECT_EQ(write, 456u);
    b0.Play(AudioPlayLooping);
    std::uint32_t status = 0;
    b0.GetStatus(status);
    EXPECT_EQ(status, AudioStatusPlaying | AudioStatusLooping);

    b0.SetPosition({1, 2, 3}, AudioApplyDeferred);
    AudioVector inEffect;
    b0.GetPositionInEffect(inEffect);
    EXPECT_EQ(inEffect.x, 0.0f);
    IAudioPrimaryBuffer* primary = nullptr;
    device->CreatePrimaryBuffer(primary);
    IAudioListener* listener = nullptr;
    primary->QueryListener(listener);
    listener->CommitDeferredSettings();
    b0.GetPositionInEffect(inEffect);
    EXPECT_EQ(inEffect.z, 3.0f);

    EXPECT_TRUE(scripted->Called("b0.Lock(900,300)"));
    EXPECT_TRUE(scripted->Called("b0.Play(1)"));
    EXPECT_TRUE(scripted->Called("b0.SetPosition(1,2,3,deferred)"));
    EXPECT_TRUE(scripted->Called("Commit()"));

    scripted->reverbAvailable = false;
    std::unique_ptr<IAudioPropertySet> set;
    EXPECT_EQ(device->QueryListenerPropertySet(set), AudioErrNoInterface);

    buffer.reset();
    device.reset();
    SetAudioDeviceFactory(previous);
    ScriptedAudioDevice* unused = nullptr;
    SetAudioDeviceFactory(ScriptedAudioDevice::Factory(&unused, AudioErrNoDriver));
    EXPECT_EQ(CreateAudioDevice(device), AudioErrNoDriver);
    SetAudioDeviceFactory(previous);
}
