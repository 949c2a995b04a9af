#pragma once

#include <climits>
#include <cmath>

namespace SoundLib
{

// Seconds as whole milliseconds, truncated toward zero. Not-a-number gives 0 and values beyond the
// int range the nearest end, so no conversion is ever out of range.
inline int MillisecondsFromSeconds(double seconds)
{
    const double milliseconds = seconds * 1000.0;
    if (std::isnan(milliseconds))
    {
        return 0;
    }
    if (milliseconds >= static_cast<double>(INT_MAX))
    {
        return INT_MAX;
    }
    if (milliseconds <= static_cast<double>(INT_MIN))
    {
        return INT_MIN;
    }
    return static_cast<int>(milliseconds);
}

} // namespace SoundLib
