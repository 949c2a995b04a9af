#pragma once

// The window system's clock, in seconds. The framework stores its frame time in the override each
// frame, so timers, the last mouse-input time and animations all run on frame time; without an override
// the clock is the high-resolution counter.
namespace UILib
{

// The override when it is 0 or more, else the counter in seconds.
double GetTime();
// A negative value hands the clock back to the counter.
void SetTimeOverride(double seconds);

} // namespace UILib
