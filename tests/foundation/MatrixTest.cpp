#include "foundation/Matrix.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>

using BaseLib::CMatrix;
using BaseLib::CMatrix3x3;
using BaseLib::CVector3;
using BaseLib::CVector4;

namespace
{

CMatrix Translation(float x, float y, float z)
{
    CMatrix m = CMatrix::Identity;
    m.m[3][0] = x;
    m.m[3][1] = y;
    m.m[3][2] = z;
    return m;
}

// Rotation about z by a quarter turn: x goes to y.
CMatrix QuarterTurnZ()
{
    return CMatrix({0.0f, 1.0f, 0.0f, 0.0f}, {-1.0f, 0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f, 0.0f},
                   {0.0f, 0.0f, 0.0f, 1.0f});
}

CVector4 Apply(const CVector4& v, const CMatrix& m)
{
    CVector4 out;
    return BaseLib::TransformVector4(out, v, m);
}

void ExpectNearIdentity(const CMatrix& m)
{
    for (int i = 0; i < 4; ++i)
    {
        for (int j = 0; j < 4; ++j)
        {
            EXPECT_NEAR(m.m[i][j], i == j ? 1.0f : 0.0f, 1e-5f) << i << ", " << j;
        }
    }
}

// Constant initialisation: usable by other static objects whatever the order of initialisers.
constexpr CMatrix IdentityCopy = CMatrix::Identity;
static_assert(IdentityCopy.m[3][3] == 1.0f && IdentityCopy.m[0][1] == 0.0f);
static_assert(CMatrix3x3::Identity.m[1][1] == 1.0f && CMatrix3x3::Zero.m[1][1] == 0.0f);

} // namespace

TEST(Matrix, ProductAppliesThisFirst)
{
    const CVector4 point(1.0f, 0.0f, 0.0f, 1.0f);
    // Rotate then translate: (1, 0) -> (0, 1) -> (10, 1).
    EXPECT_EQ(Apply(point, QuarterTurnZ() * Translation(10.0f, 0.0f, 0.0f)),
              CVector4(10.0f, 1.0f, 0.0f, 1.0f));
    // Translate then rotate: (1, 0) -> (11, 0) -> (0, 11).
    EXPECT_EQ(Apply(point, Translation(10.0f, 0.0f, 0.0f) * QuarterTurnZ()),
              CVector4(0.0f, 11.0f, 0.0f, 1.0f));
    // Directions (w = 0) ignore the translation row.
    EXPECT_EQ(Apply(CVector4(1.0f, 0.0f, 0.0f, 0.0f), Translation(5.0f, 6.0f, 7.0f)), CVector4::UnitX);
}

TEST(Matrix, TransformVector4MayWriteIntoItsInput)
{
    CVector4 v(1.0f, 2.0f, 3.0f, 1.0f);
    BaseLib::TransformVector4(v, v, QuarterTurnZ() * Translation(1.0f, 1.0f, 1.0f));
    EXPECT_EQ(v, CVector4(-1.0f, 2.0f, 4.0f, 1.0f));
}

TEST(Matrix, InverseTimesOriginalIsIdentity)
{
    const CMatrix general({2.0f, 0.5f, -1.0f, 0.25f}, {0.0f, 3.0f, 1.0f, -2.0f}, {1.0f, -1.0f, 4.0f, 0.0f},
                          {0.5f, 2.0f, 0.0f, 1.0f});
    CMatrix inverse;
    ExpectNearIdentity(general.GetInverse(inverse) * general);
    ExpectNearIdentity(general * inverse);

    CMatrix rigid = QuarterTurnZ() * Translation(3.0f, -4.0f, 5.0f);
    const CMatrix original = rigid;
    EXPECT_TRUE(rigid.Invert());
    ExpectNearIdentity(rigid * original);
    const CVector4 origin = Apply(CVector4(3.0f, -4.0f, 5.0f, 1.0f), rigid);
    EXPECT_NEAR(origin.x, 0.0f, 1e-5f);
    EXPECT_NEAR(origin.y, 0.0f, 1e-5f);
    EXPECT_NEAR(origin.z, 0.0f, 1e-5f);
    EXPECT_EQ(origin.w, 1.0f);

    // A zero first pivot needs a row exchange.
    CMatrix swapped({0.0f, 1.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f, 0.0f},
                    {0.0f, 0.0f, 0.0f, 1.0f});
    const CMatrix swappedOriginal = swapped;
    EXPECT_TRUE(swapped.Invert());
    EXPECT_EQ(swapped, swappedOriginal);
}

TEST(Matrix, SingularMatrixIsLeftUnchanged)
{
    const CMatrix singular({1.0f, 2.0f, 3.0f, 4.0f}, {2.0f, 4.0f, 6.0f, 8.0f}, {0.0f, 1.0f, 0.0f, 0.0f},
                           {0.0f, 0.0f, 0.0f, 1.0f});
    CMatrix m = singular;
    EXPECT_FALSE(m.Invert());
    EXPECT_EQ(m, singular);

    CMatrix out = Translation(1.0f, 2.0f, 3.0f);
    EXPECT_EQ(&CMatrix::Zero.GetInverse(out), &out);
    EXPECT_EQ(out, Translation(1.0f, 2.0f, 3.0f));

    CMatrix withNan = CMatrix::Identity;
    withNan.m[0][0] = std::numeric_limits<float>::quiet_NaN();
    const CMatrix before = withNan;
    EXPECT_FALSE(withNan.Invert());
    EXPECT_TRUE(std::isnan(withNan.m[0][0]));
    EXPECT_EQ(std::memcmp(&withNan, &before, sizeof(CMatrix)), 0);
}

TEST(Matrix, ComparisonIsElementWiseAndNanDiffers)
{
    CMatrix a = CMatrix::Identity;
    EXPECT_TRUE(a == CMatrix::Identity);
    EXPECT_FALSE(a != CMatrix::Identity);
    a.m[3][2] = 0.5f;
    EXPECT_TRUE(a != CMatrix::Identity);
    a = CMatrix::Identity;
    a.m[1][1] = std::numeric_limits<float>::quiet_NaN();
    const CMatrix copy = a;
    EXPECT_TRUE(a != copy);
    EXPECT_FALSE(a == copy);

    CMatrix3x3 b = CMatrix3x3::Identity;
    EXPECT_FALSE(b != CMatrix3x3(CVector3::UnitX, CVector3::UnitY, CVector3::UnitZ));
    b.m[2][0] = 1.0f;
    EXPECT_TRUE(b != CMatrix3x3::Identity);
    b = CMatrix3x3::Zero;
    b.m[0][0] = std::numeric_limits<float>::quiet_NaN();
    const CMatrix3x3 nanCopy = b;
    EXPECT_TRUE(b != nanCopy);
}
