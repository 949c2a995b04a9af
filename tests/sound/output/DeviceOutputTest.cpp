// The real device over OpenAL Soft, pinned by ctest to a backend and configuration: QUARROW_EXPECT names
// what this executable's configuration must give ("output", "noreverb" or "nodriver").

#include "sound/DirectSound8Device.h"

#include "platform/audio/Audio.h"
#include "sound/SoundDeviceRegistry.h"

#include <gtest/gtest.h>

#include <string>

using SoundLib::CDirectSound8Device;
using SoundLib::CSoundDeviceRegistry;

namespace
{

class DeviceOutput : public testing::Test
{
protected:
    void SetUp() override { CSoundDeviceRegistry::DestroyInstance(); }
    void TearDown() override { CSoundDeviceRegistry::DestroyInstance(); }
};

}

TEST_F(DeviceOutput, OpensWithItsVoicesReverbAndSpeakers)
{
    const std::string expect = QUARROW_EXPECT;
    const int index = CDirectSound8Device::Create(nullptr, true);
    if (expect == "nodriver")
    {
        EXPECT_EQ(index, -1);
        EXPECT_EQ(CSoundDeviceRegistry::GetInstance()->GetDeviceCount(), 0);
        return;
    }
    ASSERT_EQ(index, 0);
    auto* device = static_cast<CDirectSound8Device*>(CSoundDeviceRegistry::GetInstance()->GetDevice(0));
    EXPECT_STREQ(device->GetName(), "DirectSound8 Default Device");
    EXPECT_EQ(device->GetVoiceCount(), 16);
    EXPECT_NE(device->GetVoice(15), nullptr);
    if (expect == "noreverb")
    {
        EXPECT_EQ(device->GetCaps()->eaxVersion, 0u);
        EXPECT_FALSE(device->SetEnvironment(7));
        return;
    }
    EXPECT_EQ(device->GetCaps()->eaxVersion, 2u);
    EXPECT_TRUE(device->SetEnvironment(26));
    EXPECT_EQ(device->GetLayer()->GetCurrentEnvironment(), 0);
    EXPECT_TRUE(device->SetEnvironment(7));
    EXPECT_EQ(device->GetLayer()->GetCurrentEnvironment(), 7);
    device->SetSpeakerMode(SoundLib::SpeakerModeSurround);
    EXPECT_EQ(device->GetSpeakerCount(), 2);
    CSoundDeviceRegistry::GetInstance()->StartUpdateThread();
    EXPECT_TRUE(CSoundDeviceRegistry::GetInstance()->HasUpdateThread());
}
