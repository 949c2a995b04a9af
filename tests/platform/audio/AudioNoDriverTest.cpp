// Without any usable backend (ALSOFT_DRIVERS=bogus, set by ctest) the device cannot be made.

#include "platform/audio/Audio.h"

#include <gtest/gtest.h>

TEST(AudioNoDriver, CreationFailsWithNoDriver)
{
    std::unique_ptr<Platform::IAudioDevice> device;
    EXPECT_EQ(Platform::CreateAudioDevice(device), Platform::AudioErrNoDriver);
    EXPECT_EQ(device, nullptr);
}
