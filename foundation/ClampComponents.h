#pragma once

#include "foundation/Color.h"
#include "foundation/Point.h"
#include "foundation/Vector.h"

#include <type_traits>

// Limits a value to [minimum, maximum]: a number as a whole, a point, size, vector or colour component by
// component against the same components of the bounds. A NaN stays NaN (it compares neither below nor
// above a bound); bounds given the wrong way round answer the minimum for values below it.
namespace BaseLib
{

template <typename N, typename = std::enable_if_t<std::is_arithmetic_v<N>>>
constexpr N ClampComponents(N value, N minimum, N maximum)
{
    return value < minimum ? minimum : maximum < value ? maximum : value;
}

inline CPoint ClampComponents(const CPoint& v, const CPoint& lo, const CPoint& hi)
{
    return {ClampComponents(v.x, lo.x, hi.x), ClampComponents(v.y, lo.y, hi.y)};
}

inline CSize ClampComponents(const CSize& v, const CSize& lo, const CSize& hi)
{
    return {ClampComponents(v.cx, lo.cx, hi.cx), ClampComponents(v.cy, lo.cy, hi.cy)};
}

inline CVector2 ClampComponents(const CVector2& v, const CVector2& lo, const CVector2& hi)
{
    return {ClampComponents(v.x, lo.x, hi.x), ClampComponents(v.y, lo.y, hi.y)};
}

inline CVector3 ClampComponents(const CVector3& v, const CVector3& lo, const CVector3& hi)
{
    return {ClampComponents(v.x, lo.x, hi.x), ClampComponents(v.y, lo.y, hi.y),
            ClampComponents(v.z, lo.z, hi.z)};
}

inline CVector4 ClampComponents(const CVector4& v, const CVector4& lo, const CVector4& hi)
{
    return {ClampComponents(v.x, lo.x, hi.x), ClampComponents(v.y, lo.y, hi.y),
            ClampComponents(v.z, lo.z, hi.z), ClampComponents(v.w, lo.w, hi.w)};
}

inline CColor ClampComponents(const CColor& v, const CColor& lo, const CColor& hi)
{
    return CColor(ClampComponents(v.GetRed(), lo.GetRed(), hi.GetRed()),
                  ClampComponents(v.GetGreen(), lo.GetGreen(), hi.GetGreen()),
                  ClampComponents(v.GetBlue(), lo.GetBlue(), hi.GetBlue()),
                  ClampComponents(v.GetAlpha(), lo.GetAlpha(), hi.GetAlpha()));
}

} // namespace BaseLib
