#include "foundation/Point.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace BaseLib
{

namespace
{

// floor(value * factor + 0.5) in double, rounded to float, then to an integer with saturation.
std::int32_t ScaleComponent(std::int32_t value, float factor)
{
    const float rounded = static_cast<float>(std::floor(static_cast<double>(value) * factor + 0.5));
    if (std::isnan(rounded))
    {
        return 0;
    }
    if (rounded <= static_cast<float>(std::numeric_limits<std::int32_t>::min()))
    {
        return std::numeric_limits<std::int32_t>::min();
    }
    // 2^31 is the smallest float above the range.
    if (rounded >= 2147483648.0f)
    {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(rounded);
}

std::string FormatPair(std::int32_t a, std::int32_t b)
{
    char buffer[32];
    std::snprintf(buffer, sizeof(buffer), "(%d, %d)", a, b);
    return buffer;
}

void ParsePair(const char* text, std::int32_t& a, std::int32_t& b)
{
    int first = 0;
    int second = 0;
    if (text != nullptr)
    {
        std::sscanf(text, "(%d, %d)", &first, &second);
    }
    a = first;
    b = second;
}

} // namespace

CPoint CPoint::Scale(float factor) const
{
    return {ScaleComponent(x, factor), ScaleComponent(y, factor)};
}

std::string CPoint::ToString() const
{
    return FormatPair(x, y);
}

CPoint CPoint::FromString(const char* text)
{
    CPoint point;
    ParsePair(text, point.x, point.y);
    return point;
}

CSize CSize::Scale(float factor) const
{
    return {ScaleComponent(cx, factor), ScaleComponent(cy, factor)};
}

std::string CSize::ToString() const
{
    return FormatPair(cx, cy);
}

CSize CSize::FromString(const char* text)
{
    CSize size;
    ParsePair(text, size.cx, size.cy);
    return size;
}

} // namespace BaseLib
