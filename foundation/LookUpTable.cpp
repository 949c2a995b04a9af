#include "foundation/LookUpTable.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace BaseLib
{

namespace
{

// Truncates toward zero, saturating at the int range; NaN gives 0.
int TruncateToInt(double value)
{
    if (std::isnan(value))
    {
        return 0;
    }
    if (value <= std::numeric_limits<int>::min())
    {
        return std::numeric_limits<int>::min();
    }
    if (value >= std::numeric_limits<int>::max())
    {
        return std::numeric_limits<int>::max();
    }
    return static_cast<int>(value);
}

std::int32_t SaturatingSum(std::int32_t a, std::int32_t b)
{
    const std::int64_t sum = std::int64_t{a} + b;
    if (sum > std::numeric_limits<std::int32_t>::max())
    {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (sum < std::numeric_limits<std::int32_t>::min())
    {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(sum);
}

// (b * f) + (a * (1 - f)) with each product rounded to float, then the sum.
float Blend(float a, float b, float f)
{
    const float upper = static_cast<float>(double{b} * f);
    const float lower = static_cast<float>(double{a} * (1.0 - f));
    return static_cast<float>(double{upper} + lower);
}

} // namespace

int LookUpInterpolation<int>::Interpolate(int a, int b, float f)
{
    return TruncateToInt((1.0 - f) * a + double{f} * b);
}

float LookUpInterpolation<float>::Interpolate(float a, float b, float f)
{
    return static_cast<float>((1.0 - f) * a + double{f} * b);
}

double LookUpInterpolation<double>::Interpolate(double a, double b, float f)
{
    return (1.0 - f) * a + double{f} * b;
}

CPoint LookUpInterpolation<CPoint>::Interpolate(const CPoint& a, const CPoint& b, float f)
{
    const CPoint upper = b.Scale(f);
    const CPoint lower = a.Scale(static_cast<float>(1.0 - f));
    return {SaturatingSum(upper.x, lower.x), SaturatingSum(upper.y, lower.y)};
}

CSize LookUpInterpolation<CSize>::Interpolate(const CSize& a, const CSize& b, float f)
{
    const CSize upper = b.Scale(f);
    const CSize lower = a.Scale(static_cast<float>(1.0 - f));
    return {SaturatingSum(upper.cx, lower.cx), SaturatingSum(upper.cy, lower.cy)};
}

CVector2 LookUpInterpolation<CVector2>::Interpolate(const CVector2& a, const CVector2& b, float f)
{
    return {Blend(a.x, b.x, f), Blend(a.y, b.y, f)};
}

CVector3 LookUpInterpolation<CVector3>::Interpolate(const CVector3& a, const CVector3& b, float f)
{
    return {Blend(a.x, b.x, f), Blend(a.y, b.y, f), Blend(a.z, b.z, f)};
}

CVector4 LookUpInterpolation<CVector4>::Interpolate(const CVector4& a, const CVector4& b, float f)
{
    return {Blend(a.x, b.x, f), Blend(a.y, b.y, f), Blend(a.z, b.z, f), Blend(a.w, b.w, f)};
}

CColor LookUpInterpolation<CColor>::Interpolate(const CColor& a, const CColor& b, float f)
{
    return b.Scale(f).Add(a.Scale(static_cast<float>(1.0 - f)));
}

} // namespace BaseLib
