#include "platform/Counter.h"

#include <chrono>

namespace Platform
{

using CounterClock = std::chrono::steady_clock;

std::uint64_t ReadCounter()
{
    return static_cast<std::uint64_t>(CounterClock::now().time_since_epoch().count());
}

std::uint64_t CounterFrequency()
{
    return static_cast<std::uint64_t>(CounterClock::period::den / CounterClock::period::num);
}

}
