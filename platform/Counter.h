#pragma once

#include <cstdint>

// The high-resolution counter: a monotonic tick count and the number of ticks per second.
// Thread-safe; the count never goes backwards.
namespace Platform
{

// Current tick count of the monotonic clock, or the override's count while a test has one on.
std::uint64_t ReadCounter();

// Ticks per second of ReadCounter; always positive. The override does not change it.
std::uint64_t CounterFrequency();

// Test override of ReadCounter, off unless a test switches it on. While on, ReadCounter answers a count
// that the test fixes and advances by hand, so clocks built on the counter (fades, ticks, world steps)
// move exactly as far as the test says. Thread-safe. Switching on starts that count at the value given,
// which may lie below the clock's; while on it only goes forward (a smaller value is ignored). Switching
// off resumes the clock no lower than the last count answered, so no reader ever sees it go back.

// Switches the override on at `count`, or, while it is on, moves it forward to `count`.
void SetCounterOverride(std::uint64_t count);

// Moves the override's count forward by `ticks`; does nothing while the override is off.
void AdvanceCounterOverride(std::uint64_t ticks);

// Switches the override off; does nothing while it is off.
void ClearCounterOverride();

bool IsCounterOverridden();

// Holds the override on from construction (at `count`) to destruction.
class CounterOverrideScope
{
public:
    explicit CounterOverrideScope(std::uint64_t count) { SetCounterOverride(count); }
    ~CounterOverrideScope() { ClearCounterOverride(); }
    CounterOverrideScope(const CounterOverrideScope&) = delete;
    CounterOverrideScope& operator=(const CounterOverrideScope&) = delete;

    // Moves the count forward by whole milliseconds of the counter's frequency.
    void AdvanceMilliseconds(std::uint64_t milliseconds)
    {
        AdvanceCounterOverride(milliseconds * CounterFrequency() / 1000);
    }
};

}
