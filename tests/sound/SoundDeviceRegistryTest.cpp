#include "sound/SoundDeviceRegistry.h"

#include "FakeDevice.h"
#include "foundation/ResourceRegistry.h"
#include "platform/Counter.h"
#include "platform/os/Sleep.h"
#include "platform/os/Sync.h"
#include "sound/Event.h"

#include <gtest/gtest.h>

using SoundLib::CSoundDeviceRegistry;

namespace
{

// Every test starts without a registry and leaves none behind.
class SoundDeviceRegistry : public ::testing::Test
{
protected:
    void SetUp() override { CSoundDeviceRegistry::DestroyInstance(); }
    void TearDown() override { CSoundDeviceRegistry::DestroyInstance(); }

    CSoundDeviceRegistry& Registry() { return *CSoundDeviceRegistry::GetInstance(); }
};

}

TEST_F(SoundDeviceRegistry, StartsEmptyWithTheWaveRegistryAndNoThread)
{
    CSoundDeviceRegistry& registry = Registry();
    EXPECT_EQ(registry.GetDeviceCount(), 0);
    EXPECT_FALSE(registry.HasUpdateThread());
    EXPECT_EQ(registry.GetPathAliases(), nullptr);
    ASSERT_NE(registry.GetWaveRegistry(), nullptr);
    EXPECT_EQ(registry.GetWaveRegistry()->GetMemoryLimit(), 0x1000000u);
}

TEST_F(SoundDeviceRegistry, SlotsKeepTheirIndicesAndEmptySlotsAreReused)
{
    CSoundDeviceRegistry& registry = Registry();
    auto* a = new FakeDevice("a");
    auto* b = new FakeDevice("b");
    auto* c = new FakeDevice("c");
    EXPECT_EQ(registry.Register(a), 0);
    EXPECT_EQ(registry.Register(b), 1);
    EXPECT_EQ(registry.Register(c), 2);

    registry.Unregister(b);
    EXPECT_FALSE(registry.Contains(b));
    EXPECT_EQ(registry.GetDevice(1), nullptr);
    EXPECT_EQ(registry.GetDeviceCount(), 3); // the empty slot counts
    registry.Unregister(b);                  // unknown now: ignored
    delete b;                                // not registered: its destructor leaves the slots alone
    EXPECT_EQ(registry.GetDeviceCount(), 3);

    auto* d = new FakeDevice("d");
    EXPECT_EQ(registry.Register(d), 1);
    EXPECT_EQ(registry.GetDevice(0), a);
    EXPECT_EQ(registry.GetDevice(1), d);
    EXPECT_EQ(registry.GetDevice(2), c);

    FakeDevice invalid("invalid", nullptr, false);
    EXPECT_EQ(registry.Register(&invalid), -1);
    EXPECT_EQ(registry.GetDeviceCount(), 3);
    EXPECT_FALSE(registry.Contains(&invalid));

    EXPECT_EQ(registry.GetDevice(-1), nullptr);
    EXPECT_EQ(registry.GetDevice(3), nullptr);
}

TEST_F(SoundDeviceRegistry, DeletingARegisteredDeviceEmptiesItsSlot)
{
    CSoundDeviceRegistry& registry = Registry();
    auto* a = new FakeDevice("a");
    ASSERT_EQ(registry.Register(a), 0);
    delete a;
    EXPECT_EQ(registry.GetDevice(0), nullptr);
    EXPECT_EQ(registry.GetDeviceCount(), 1);
}

TEST_F(SoundDeviceRegistry, TickUpdatesEveryDeviceWithTheCounterInMilliseconds)
{
    Platform::CounterOverrideScope counter(5 * Platform::CounterFrequency());
    CSoundDeviceRegistry& registry = Registry();
    auto* a = new FakeDevice("a");
    auto* gone = new FakeDevice("gone");
    auto* c = new FakeDevice("c");
    registry.Register(a);
    registry.Register(gone);
    registry.Register(c);
    registry.Unregister(gone);

    registry.Tick();
    EXPECT_EQ(registry.GetTime(), 5000);
    EXPECT_EQ(a->Updates(), std::vector<std::int64_t>{5000});
    EXPECT_EQ(c->Updates(), std::vector<std::int64_t>{5000});
    EXPECT_TRUE(gone->Updates().empty());
    delete gone;

    counter.AdvanceMilliseconds(33);
    registry.Tick();
    EXPECT_EQ(a->Updates(), (std::vector<std::int64_t>{5000, 5033}));
}

TEST_F(SoundDeviceRegistry, UpdateThreadTicksUntilStopped)
{
    CSoundDeviceRegistry& registry = Registry();
    auto* device = new FakeDevice("a");
    device->updateEvent = Platform::CreateEvent(false, false);
    registry.Register(device);

    registry.StopUpdateThread(); // none runs: nothing happens
    EXPECT_FALSE(registry.HasUpdateThread());

    registry.StartUpdateThread();
    ASSERT_TRUE(registry.HasUpdateThread());
    const std::uint32_t id = registry.GetUpdateThreadId();
    EXPECT_NE(id, 0u);
    registry.StartUpdateThread();
    EXPECT_EQ(registry.GetUpdateThreadId(), id);

    // Two updates: the thread goes on ticking after its first one.
    for (int i = 0; i < 2; ++i)
    {
        ASSERT_EQ(Platform::WaitFor(device->updateEvent, 5000), Platform::WaitResult::Signalled);
    }

    registry.StopUpdateThread();
    EXPECT_FALSE(registry.HasUpdateThread());
    EXPECT_EQ(registry.GetUpdateThreadId(), 0u);
    const std::size_t count = device->Updates().size();
    Platform::Sleep(100);
    EXPECT_EQ(device->Updates().size(), count);

    Platform::CloseHandle(device->updateEvent);
    device->updateEvent = nullptr;
}

TEST_F(SoundDeviceRegistry, DestroyInstanceDestroysEveryDeviceInIndexOrder)
{
    std::vector<std::string> log;
    CSoundDeviceRegistry& registry = Registry();
    registry.Register(new FakeDevice("first", &log));
    auto* emptied = new FakeDevice("emptied", &log);
    registry.Register(emptied);
    registry.Register(new FakeDevice("third", &log));
    registry.Unregister(emptied);
    delete emptied;
    registry.StartUpdateThread();

    CSoundDeviceRegistry::DestroyInstance();
    EXPECT_EQ(log, (std::vector<std::string>{"first", "third"}));
    EXPECT_EQ(CSoundDeviceRegistry::GetExistingInstance(), nullptr);

    CSoundDeviceRegistry* fresh = CSoundDeviceRegistry::GetInstance();
    EXPECT_EQ(CSoundDeviceRegistry::GetExistingInstance(), fresh);
    EXPECT_EQ(fresh->GetDeviceCount(), 0);
    EXPECT_EQ(fresh->GetDevice(0), nullptr);
    EXPECT_FALSE(fresh->HasUpdateThread());
}

TEST_F(SoundDeviceRegistry, ADeviceOutlivingTheRegistryDoesNotMakeANewOne)
{
    auto* device = new FakeDevice("late");
    Registry().Register(device);
    Registry().Unregister(device);
    CSoundDeviceRegistry::DestroyInstance();
    delete device;
    EXPECT_EQ(CSoundDeviceRegistry::GetExistingInstance(), nullptr);
}

TEST(SoundEvent, ManualResetStaysSetAutomaticResetReleasesOneWait)
{
    SoundLib::CEvent manual;
    ASSERT_TRUE(manual.Create(false));
    EXPECT_EQ(Platform::WaitFor(manual.GetHandle(), 0), Platform::WaitResult::TimedOut); // not set at first
    manual.Set();
    EXPECT_TRUE(manual.Wait());
    EXPECT_EQ(Platform::WaitFor(manual.GetHandle(), 0), Platform::WaitResult::Signalled);
    manual.Close();
    EXPECT_EQ(manual.GetHandle(), nullptr);

    SoundLib::CEvent automatic;
    ASSERT_TRUE(automatic.Create(true));
    automatic.Set();
    EXPECT_TRUE(automatic.Wait());
    EXPECT_EQ(Platform::WaitFor(automatic.GetHandle(), 0), Platform::WaitResult::TimedOut);
    automatic.Close();
}
