#pragma once

#include <cstdint>

// The high-resolution counter: a monotonic tick count and the number of ticks per second.
// Thread-safe; the count never goes backwards.
namespace Platform
{

// Current tick count of the monotonic clock.
std::uint64_t ReadCounter();

// Ticks per second of ReadCounter; always positive.
std::uint64_t CounterFrequency();

}
