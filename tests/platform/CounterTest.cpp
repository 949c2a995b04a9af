#include "platform/Counter.h"

#include <gtest/gtest.h>

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
