#include "platform/Counter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

TEST(Counter, FrequencyIsPositive)
{
    EXPECT_GT(Platform::CounterFrequency(), 0u);
}

TEST(Counter, NeverGoesBackwardsAndGrowsAcrossASleep)
{
    std::uint64_t previous = Platform::ReadCounter();
    for (int i = 0; i < 1000; ++i)
    {
        const std::uint64_t now = Platform::ReadCounter();
        EXPECT_GE(now, previous);
        previous = now;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_GT(Platform::ReadCounter(), previous);
}

TEST(Counter, OverrideAnswersTheCountTheTestSetsAndOnlyMovesForward)
{
    const std::uint64_t frequency = Platform::CounterFrequency();
    {
        Platform::CounterOverrideScope scope(5 * frequency);
        EXPECT_TRUE(Platform::IsCounterOverridden());
        EXPECT_EQ(Platform::ReadCounter(), 5 * frequency);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        EXPECT_EQ(Platform::ReadCounter(), 5 * frequency);

        scope.AdvanceMilliseconds(250);
        EXPECT_EQ(Platform::ReadCounter(), 5 * frequency + frequency / 4);
        Platform::SetCounterOverride(frequency); // backwards: ignored
        EXPECT_EQ(Platform::ReadCounter(), 5 * frequency + frequency / 4);
        Platform::SetCounterOverride(6 * frequency);
        EXPECT_EQ(Platform::ReadCounter(), 6 * frequency);
    }
    EXPECT_FALSE(Platform::IsCounterOverridden());
    Platform::AdvanceCounterOverride(frequency); // off: nothing
    EXPECT_FALSE(Platform::IsCounterOverridden());
}

TEST(Counter, SwitchingTheOverrideOffNeverTakesTheCountBack)
{
    const std::uint64_t ahead = Platform::ReadCounter() + 3600 * Platform::CounterFrequency();
    Platform::SetCounterOverride(ahead);
    Platform::ClearCounterOverride();
    const std::uint64_t first = Platform::ReadCounter();
    EXPECT_GE(first, ahead);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_GT(Platform::ReadCounter(), first);
}

TEST(Counter, OverrideIsReadConsistentlyFromOtherThreads)
{
    Platform::CounterOverrideScope scope(1000);
    std::atomic<bool> backwards{false};
    std::thread reader([&] {
        std::uint64_t previous = 0;
        for (int i = 0; i < 20000; ++i)
        {
            const std::uint64_t now = Platform::ReadCounter();
            backwards = backwards || now < previous;
            previous = now;
        }
    });
    for (int i = 0; i < 20000; ++i)
    {
        Platform::AdvanceCounterOverride(1);
    }
    reader.join();
    EXPECT_FALSE(backwards);
    EXPECT_EQ(Platform::ReadCounter(), 21000u);
}
