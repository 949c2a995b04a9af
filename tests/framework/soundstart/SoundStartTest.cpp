// Sound start-up where no real device can be had; built once per case, each case in a process of its own
// (the audio library reads its configuration once per process).
#include "sound/SoundDevice.h"
#include "sound/SoundDeviceRegistry.h"
#include "tests/framework/ApplicationFixture.h"

#include <string>

namespace FrameworkTesting
{
namespace
{

TEST_F(ApplicationTest, WithoutARealDeviceTheSilentOneStandsInWithoutAThread)
{
    const std::string expect = QUARROW_EXPECT;
    WriteConfig(true);
    TestApplication application;
    application.quitAfter = 1;
    std::string name;
    bool thread = true;
    application.afterStartup = [&](TestApplication&) {
        SoundLib::CSoundDeviceRegistry* registry = SoundLib::CSoundDeviceRegistry::GetExistingInstance();
        ASSERT_NE(nullptr, registry);
        ASSERT_EQ(1, registry->GetDeviceCount());
        name = registry->GetDevice(0)->GetName();
        thread = registry->HasUpdateThread();
    };
    Qen::RunApplication(&application);
    EXPECT_EQ("Null Sound Device", name);
    EXPECT_FALSE(thread);
    if (expect == "nowindow")
    {
        // The engine made no graphics object: no configuration, no window.
        EXPECT_FALSE(application.startupResult);
        EXPECT_EQ(1u, boxes.size());
        EXPECT_EQ((std::vector<std::string>{"StartSound no device bound", "StartUILib", "Startup false", "Cleanup",
                                            "StopSound", "StopUILib", "DeleteConfiguration, engine down",
                                            "no mutex"}),
                  application.calls);
    }
    else
    {
        EXPECT_TRUE(application.startupResult);
        EXPECT_EQ(1, application.ticks);
    }
    EXPECT_EQ(nullptr, SoundLib::CSoundDeviceRegistry::GetExistingInstance());
}

} // namespace
} // namespace FrameworkTesting
