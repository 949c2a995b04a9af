#include "platform/Counter.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>

namespace Platform
{

namespace
{

using CounterClock = std::chrono::steady_clock;

std::uint64_t ReadClock()
{
    return static_cast<std::uint64_t>(CounterClock::now().time_since_epoch().count());
}

// Switching on and off is serialised by the mutex; readers only load the atomics.
std::mutex g_overrideMutex;
std::atomic<bool> g_overrideOn{false};
std::atomic<std::uint64_t> g_overrideCount{0};
// Added to the clock after an override ended above it, so the count resumes where the override left it.
std::atomic<std::uint64_t> g_clockOffset{0};

void RaiseOverrideCount(std::uint64_t count)
{
    std::uint64_t current = g_overrideCount.load();
    while (count > current && !g_overrideCount.compare_exchange_weak(current, count))
    {
    }
}

}

std::uint64_t ReadCounter()
{
    if (g_overrideOn.load())
    {
        return g_overrideCount.load();
    }
    return ReadClock() + g_clockOffset.load();
}

std::uint64_t CounterFrequency()
{
    return static_cast<std::uint64_t>(CounterClock::period::den / CounterClock::period::num);
}

void SetCounterOverride(std::uint64_t count)
{
    std::lock_guard<std::mutex> lock(g_overrideMutex);
    if (g_overrideOn.load())
    {
        RaiseOverrideCount(count);
        return;
    }
    g_overrideCount.store(count);
    g_overrideOn.store(true);
}

void AdvanceCounterOverride(std::uint64_t ticks)
{
    std::lock_guard<std::mutex> lock(g_overrideMutex);
    if (g_overrideOn.load())
    {
        g_overrideCount.fetch_add(ticks);
    }
}

void ClearCounterOverride()
{
    std::lock_guard<std::mutex> lock(g_overrideMutex);
    if (!g_overrideOn.load())
    {
        return;
    }
    const std::uint64_t last = g_overrideCount.load();
    const std::uint64_t clock = ReadClock() + g_clockOffset.load();
    if (last > clock)
    {
        g_clockOffset.fetch_add(last - clock);
    }
    g_overrideOn.store(false);
}

bool IsCounterOverridden()
{
    return g_overrideOn.load();
}

}
