#include "ui/Clock.h"

#include "platform/Counter.h"

namespace UILib
{

namespace
{

double timeOverride = -1.0;

} // namespace

double GetTime()
{
    if (timeOverride >= 0.0)
    {
        return timeOverride;
    }
    static const double frequency = static_cast<double>(Platform::CounterFrequency());
    return static_cast<double>(Platform::ReadCounter()) / frequency;
}

void SetTimeOverride(double seconds)
{
    timeOverride = seconds;
}

} // namespace UILib
