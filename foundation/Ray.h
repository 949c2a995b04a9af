#pragma once

#include "foundation/Vector.h"

#include <type_traits>

namespace BaseLib
{

// A ray from origin along direction; the direction is not normalised.
struct CRay
{
    CVector3 origin;
    CVector3 direction;

    constexpr CRay() = default;
    constexpr CRay(const CVector3& from, const CVector3& along) : origin(from), direction(along) {}
};

static_assert(sizeof(CRay) == 24 && std::is_trivially_copyable_v<CRay>);

} // namespace BaseLib
