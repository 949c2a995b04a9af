#include "tests/engine/EngineFixture.h"

#include "engine/DeviceStateMgr.h"
#include "foundation/ResourceRegistry.h"

#include <memory>

namespace EngineTesting
{
namespace
{

using EngineControllerTest = EngineFixture;

TEST_F(EngineControllerTest, InitEngineMakesEightLimitedRegistriesAndShutdownEngineClearsThem)
{
    MakeGraphics();
    UseHeads(1, 64, 48, true);
    ASSERT_TRUE(settings.CreateDevice(controller, reporter, graphics, &device));
    controller.InitEngine(device, graphics);
    EXPECT_EQ(device, controller.GetDevice());
    EXPECT_EQ(graphics, controller.GetGraphics());
    EXPECT_EQ(0.0, controller.GetEngineTime());
    ASSERT_NE(nullptr, controller.GetDeviceAdapter());
    EXPECT_EQ(0, controller.GetDeviceAdapter()->ordinal);
    EXPECT_EQ(controller.GetDeviceAdapter(), controller.GetDeviceSettings()->chosenAdapter);
    EXPECT_EQ(1u, controller.GetStateManager()->RefCount());
    for (std::uint32_t counter : controller.GetStatistics().counters)
    {
        EXPECT_EQ(0u, counter);
    }
    std::vector<BaseLib::CResourceRegistry*> seen;
    for (int i = 0; i < Qen::EngineRegistryCount; ++i)
    {
        BaseLib::CResourceRegistry* registry = controller.GetRegistry(static_cast<Qen::EngineRegistry>(i));
        ASSERT_NE(nullptr, registry);
        EXPECT_EQ(0x10000000u, registry->GetMemoryLimit());
        EXPECT_EQ(seen.end(), std::find(seen.begin(), seen.end(), registry));
        seen.push_back(registry);
    }

    controller.ShutdownEngine();
    EXPECT_EQ(nullptr, controller.GetDevice());
    EXPECT_EQ(nullptr, controller.GetGraphics());
    EXPECT_EQ(nullptr, controller.GetStateManager());
    EXPECT_EQ(nullptr, controller.GetDeviceSettings());
    EXPECT_EQ(nullptr, controller.GetRegistry(Qen::TextureRegistry));
    // The heads still hold their swap chains; the device goes after them.
    EXPECT_EQ(1u, controller.GetHeads().size());
    controller.ReleaseHeadsAndDevice(device);
    EXPECT_TRUE(controller.GetHeads().empty());
    EXPECT_EQ(nullptr, device);
}

TEST_F(EngineControllerTest, TheProcessWideEngineIsTheFirstControllerUntilItGoes)
{
    // The fixture's controller is the first one alive in this test.
    ASSERT_EQ(&controller, Qen::CEngineController::GetEngine());
    {
        auto second = std::make_unique<Qen::CEngineController>();
        EXPECT_EQ(&controller, Qen::CEngineController::GetEngine());
    }
    EXPECT_EQ(&controller, Qen::CEngineController::GetEngine());
}

TEST(EngineControllerAloneTest, TheProcessWideEngineIsClearedWhenTheLastControllerGoes)
{
    ASSERT_EQ(nullptr, Qen::CEngineController::GetEngine());
    auto first = std::make_unique<Qen::CEngineController>();
    auto second = std::make_unique<Qen::CEngineController>();
    EXPECT_EQ(first.get(), Qen::CEngineController::GetEngine());
    second.reset();
    EXPECT_EQ(first.get(), Qen::CEngineController::GetEngine());
    first.reset();
    EXPECT_EQ(nullptr, Qen::CEngineController::GetEngine());
    // A new first controller becomes the engine again.
    auto third = std::make_unique<Qen::CEngineController>();
    EXPECT_EQ(third.get(), Qen::CEngineController::GetEngine());
}

} // namespace
} // namespace EngineTesting
