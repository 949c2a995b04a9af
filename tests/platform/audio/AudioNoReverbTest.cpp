// With the reverb effects excluded in OpenAL Soft's configuration (set by ctest), the probe reports no
// support for the listener's reverb, while 3D buffers still get their property set.

#include "AudioTestSupport.h"

#include <gtest/gtest.h>

TEST(AudioNoReverb, ProbeReportsNoSupport)
{
    std::unique_ptr<Platform::IAudioDevice> device;
    ASSERT_EQ(Platform::CreateAudioDevice(device), Platform::AudioOk);
    std::unique_ptr<Platform::IAudioPropertySet> set;
    const Platform::AudioResult result = device->QueryListenerPropertySet(set);
    if (result == Platform::AudioOk)
    {
        std::uint32_t support = 0xFF;
        ASSERT_EQ(set->QuerySupport(Platform::AudioReverbAllParameters, support), Platform::AudioOk);
        EXPECT_EQ(support, 0u);
        EXPECT_NE(set->Set(Platform::AudioReverbEnvironment, 7), Platform::AudioOk);
    }
    else
    {
        EXPECT_EQ(result, Platform::AudioErrNoInterface);
    }
    auto buffer = AudioTest::MakeBuffer(*device, AudioTest::Pcm(1, 44100, 16), std::vector<std::uint8_t>(600, 0),
                                        Platform::AudioBufferCtrl3D);
    ASSERT_TRUE(buffer);
    std::unique_ptr<Platform::IAudioPropertySet> bufferSet;
    EXPECT_EQ(buffer->QueryPropertySet(bufferSet), Platform::AudioOk);
}
