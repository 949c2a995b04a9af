#include "foundation/Matrix.h"

#include <utility>

// Rigid transforms and rotations: the inverse of rotation plus translation, and the rotation of a
// quaternion.
namespace BaseLib
{

void CMatrix::InvertRigid()
{
    std::swap(m[0][1], m[1][0]);
    std::swap(m[0][2], m[2][0]);
    std::swap(m[1][2], m[2][1]);
    const float tx = m[3][0];
    const float ty = m[3][1];
    const float tz = m[3][2];
    for (int j = 0; j < 3; ++j)
    {
        m[3][j] = -(tx * m[0][j] + ty * m[1][j] + tz * m[2][j]);
    }
}

CMatrix CMatrix::GetRigidInverse() const
{
    CMatrix inverse(*this);
    inverse.InvertRigid();
    return inverse;
}

CMatrix MatrixFromQuaternion(float x, float y, float z, float w)
{
    return CMatrix(CVector4(1 - 2 * y * y - 2 * z * z, 2 * (x * y + z * w), 2 * (x * z - y * w), 0),
                   CVector4(2 * (x * y - z * w), 1 - 2 * x * x - 2 * z * z, 2 * (y * z + x * w), 0),
                   CVector4(2 * (x * z + y * w), 2 * (y * z - x * w), 1 - 2 * x * x - 2 * y * y, 0),
                   CVector4(0, 0, 0, 1));
}

} // namespace BaseLib
