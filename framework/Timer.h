#pragma once

#include "platform/Counter.h"

#include <cstdint>

namespace GameLib
{

// A high-resolution stopwatch over the platform counter that answers the time between two readings.
// Header-only, so that libraries below the framework (the puzzle solver) use it without linking it.
// One thread at a time.
class CTimer
{
public:
    // Not started.
    CTimer() = default;

    // Seconds since the previous call, and the current counter value is kept for the next one. The first
    // call on a timer that is not started starts it and answers 0. Never fails; never negative.
    double GetElapsedSeconds()
    {
        const std::uint64_t now = Platform::ReadCounter();
        const std::uint64_t last = m_lastCount;
        m_lastCount = now;
        if (last == 0)
        {
            return 0.0;
        }
        return static_cast<double>(now - last) / static_cast<double>(Platform::CounterFrequency());
    }

private:
    // The counter value of the last reading; 0 while not started.
    std::uint64_t m_lastCount = 0;
};

} // namespace GameLib
