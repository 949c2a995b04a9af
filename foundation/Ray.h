#pragma once

#include "foundation/Vector.h"

#include <type_traits>

namespace BaseLib
{

// A ray from origin along direction; the direction is not normalised. A new ray points along x.
struct CRay
{
    CVector3 origin;
    CVector3 direction{1.0f, 0.0f, 0.0f};

    constexpr CRay() = default;
    constexpr CRay(const CVector3& from, const CVector3& along) : origin(from), direction(along) {}
};

static_assert(sizeof(CRay) == 24 && std::is_trivially_copyable_v<CRay>);

} // namespace BaseLib
