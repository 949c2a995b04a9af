#include "foundation/Matrix.h"

#include <cmath>
#include <utility>

namespace BaseLib
{

CMatrix CMatrix::operator*(const CMatrix& other) const
{
    CMatrix result;
    for (int i = 0; i < 4; ++i)
    {
        for (int j = 0; j < 4; ++j)
        {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k)
            {
                sum += double{m[i][k]} * other.m[k][j];
            }
            result.m[i][j] = static_cast<float>(sum);
        }
    }
    return result;
}

namespace
{

// Gauss-Jordan elimination with partial pivoting in double. Returns false, leaving out untouched, when
// a pivot is zero or the inverse has an entry that is not a finite float.
bool ComputeInverse(const CMatrix& source, CMatrix& out)
{
    double a[4][8];
    for (int i = 0; i < 4; ++i)
    {
        for (int j = 0; j < 4; ++j)
        {
            a[i][j] = source.m[i][j];
            a[i][j + 4] = i == j ? 1.0 : 0.0;
        }
    }
    for (int column = 0; column < 4; ++column)
    {
        int pivot = column;
        for (int row = column + 1; row < 4; ++row)
        {
            if (std::fabs(a[row][column]) > std::fabs(a[pivot][column]))
            {
                pivot = row;
            }
        }
        // A NaN pivot fails this test as well.
        if (!(std::fabs(a[pivot][column]) > 0.0))
        {
            return false;
        }
        if (pivot != column)
        {
            std::swap(a[pivot], a[column]);
        }
        const double scale = 1.0 / a[column][column];
        for (int j = 0; j < 8; ++j)
        {
            a[column][j] *= scale;
        }
        for (int row = 0; row < 4; ++row)
        {
            if (row != column && a[row][column] != 0.0)
            {
                const double factor = a[row][column];
                for (int j = 0; j < 8; ++j)
                {
                    a[row][j] -= factor * a[column][j];
                }
            }
        }
    }
    CMatrix inverse;
    for (int i = 0; i < 4; ++i)
    {
        for (int j = 0; j < 4; ++j)
        {
            inverse.m[i][j] = static_cast<float>(a[i][j + 4]);
            if (!std::isfinite(inverse.m[i][j]))
            {
                return false;
            }
        }
    }
    out = inverse;
    return true;
}

} // namespace

bool CMatrix::Invert()
{
    return ComputeInverse(*this, *this);
}

CMatrix& CMatrix::GetInverse(CMatrix& out) const
{
    ComputeInverse(*this, out);
    return out;
}

bool operator!=(const CMatrix& a, const CMatrix& b)
{
    for (int i = 0; i < 4; ++i)
    {
        for (int j = 0; j < 4; ++j)
        {
            if (!(a.m[i][j] == b.m[i][j]))
            {
                return true;
            }
        }
    }
    return false;
}

CVector4& TransformVector4(CVector4& out, const CVector4& v, const CMatrix& matrix)
{
    double result[4];
    for (int j = 0; j < 4; ++j)
    {
        result[j] = double{v.x} * matrix.m[0][j] + double{v.y} * matrix.m[1][j] +
                    double{v.z} * matrix.m[2][j] + double{v.w} * matrix.m[3][j];
    }
    out = CVector4(static_cast<float>(result[0]), static_cast<float>(result[1]),
                   static_cast<float>(result[2]), static_cast<float>(result[3]));
    return out;
}

bool operator!=(const CMatrix3x3& a, const CMatrix3x3& b)
{
    for (int i = 0; i < 3; ++i)
    {
        for (int j = 0; j < 3; ++j)
        {
            if (!(a.m[i][j] == b.m[i][j]))
            {
                return true;
            }
        }
    }
    return false;
}

} // namespace BaseLib
