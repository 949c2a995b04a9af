#pragma once

#include "foundation/Vector.h"

#include <type_traits>

// 4x4 and 3x3 float matrices, row-major. Row vectors are multiplied from the left (v * M), so the
// translation of a 4x4 transform is in the fourth row.
namespace BaseLib
{

struct CMatrix
{
    float m[4][4] = {};

    constexpr CMatrix() = default;
    constexpr CMatrix(const CVector4& row0, const CVector4& row1, const CVector4& row2, const CVector4& row3)
        : m{{row0.x, row0.y, row0.z, row0.w},
            {row1.x, row1.y, row1.z, row1.w},
            {row2.x, row2.y, row2.z, row2.w},
            {row3.x, row3.y, row3.z, row3.w}}
    {}

    // this x other: applying the result to a row vector applies this first, then other. Sums in double.
    CMatrix operator*(const CMatrix& other) const;

    // General inverse, computed in double. A singular matrix (or one whose inverse does not fit in
    // float) is left unchanged and the call returns false.
    bool Invert();
    // Writes the inverse of this into out and returns out; when this is singular, out is left unchanged.
    CMatrix& GetInverse(CMatrix& out) const;
    // Inverse of a rigid transform (rotation plus translation) in place: transposes the rotation and
    // turns the translation back. The fourth column is kept. Wrong for any matrix that scales or shears.
    void InvertRigid();
    // A copy inverted with InvertRigid.
    CMatrix GetRigidInverse() const;

    // Element-wise: != is true when any of the sixteen floats differs, a NaN included.
    friend bool operator!=(const CMatrix& a, const CMatrix& b);
    friend bool operator==(const CMatrix& a, const CMatrix& b) { return !(a != b); }

    static const CMatrix Zero;
    static const CMatrix Identity;
};

// The rotation matrix of the unit quaternion (x, y, z, w).
CMatrix MatrixFromQuaternion(float x, float y, float z, float w);

// out[j] = v.x * M[0][j] + v.y * M[1][j] + v.z * M[2][j] + v.w * M[3][j], summed in double. out may be v.
CVector4& TransformVector4(CVector4& out, const CVector4& v, const CMatrix& matrix);

// 2D transforms of the window system's canvases.
struct CMatrix3x3
{
    float m[3][3] = {};

    constexpr CMatrix3x3() = default;
    constexpr CMatrix3x3(const CVector3& row0, const CVector3& row1, const CVector3& row2)
        : m{{row0.x, row0.y, row0.z}, {row1.x, row1.y, row1.z}, {row2.x, row2.y, row2.z}}
    {}

    // != is true when any of the nine floats differs, a NaN included.
    friend bool operator!=(const CMatrix3x3& a, const CMatrix3x3& b);
    friend bool operator==(const CMatrix3x3& a, const CMatrix3x3& b) { return !(a != b); }

    static const CMatrix3x3 Zero;
    static const CMatrix3x3 Identity;
};

// Constant-initialised: valid before any dynamic initialiser runs.
constexpr CMatrix CMatrix::Zero{};
constexpr CMatrix CMatrix::Identity{CVector4::UnitX, CVector4::UnitY, CVector4::UnitZ, CVector4::UnitW};
constexpr CMatrix3x3 CMatrix3x3::Zero{};
constexpr CMatrix3x3 CMatrix3x3::Identity{CVector3::UnitX, CVector3::UnitY, CVector3::UnitZ};

static_assert(sizeof(CMatrix) == 64 && std::is_trivially_copyable_v<CMatrix>);
static_assert(sizeof(CMatrix3x3) == 36 && std::is_trivially_copyable_v<CMatrix3x3>);

} // namespace BaseLib
