#include "foundation/FloatMath.h"

#include <cmath>

namespace BaseLib
{

float FAbs(float value)
{
    return static_cast<float>(std::fabs(static_cast<double>(value)));
}

float Abs(float value)
{
    return FAbs(value);
}

float Cos(float radians)
{
    return static_cast<float>(std::cos(static_cast<double>(radians)));
}

float Sqrt(float value)
{
    return static_cast<float>(std::sqrt(static_cast<double>(value)));
}

float Floor(float value)
{
    return static_cast<float>(std::floor(static_cast<double>(value)));
}

} // namespace BaseLib
