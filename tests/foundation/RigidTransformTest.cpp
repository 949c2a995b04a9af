#include "foundation/Matrix.h"

#include <gtest/gtest.h>

#include <cmath>

using BaseLib::CMatrix;
using BaseLib::CVector4;

namespace
{

void ExpectNear(const CMatrix& actual, const CMatrix& expected)
{
    for (int r = 0; r < 4; ++r)
    {
        for (int c = 0; c < 4; ++c)
        {
            EXPECT_NEAR(actual.m[r][c], expected.m[r][c], 1e-5f) << "row " << r << " column " << c;
        }
    }
}

} // namespace

TEST(InvertRigid, TimesTheOriginalIsIdentity)
{
    // 30 degrees about (1, 2, 2) / 3, then a translation.
    const float half = 0.2617994f;
    const float s = std::sin(half);
    CMatrix rigid = BaseLib::MatrixFromQuaternion(s / 3, 2 * s / 3, 2 * s / 3, std::cos(half));
    rigid.m[3][0] = 4.0f;
    rigid.m[3][1] = -2.5f;
    rigid.m[3][2] = 7.0f;

    ExpectNear(rigid * rigid.GetRigidInverse(), CMatrix::Identity);
    ExpectNear(rigid.GetRigidInverse() * rigid, CMatrix::Identity);

    CMatrix inPlace = rigid;
    inPlace.InvertRigid();
    EXPECT_EQ(inPlace, rigid.GetRigidInverse());
    inPlace.InvertRigid();
    ExpectNear(inPlace, rigid);
}

TEST(MatrixFromQuaternion, NinetyDegreesAboutZ)
{
    const float h = std::sqrt(0.5f);
    const CMatrix rotation = BaseLib::MatrixFromQuaternion(0, 0, h, h);
    ExpectNear(rotation, CMatrix(CVector4(0, 1, 0, 0), CVector4(-1, 0, 0, 0), CVector4(0, 0, 1, 0),
                                 CVector4(0, 0, 0, 1)));
    // The x axis, a row vector, turns into the y axis.
    CVector4 x(1, 0, 0, 1);
    BaseLib::TransformVector4(x, x, rotation);
    EXPECT_NEAR(x.x, 0.0f, 1e-6f);
    EXPECT_NEAR(x.y, 1.0f, 1e-6f);
    ExpectNear(BaseLib::MatrixFromQuaternion(0, 0, 0, 1), CMatrix::Identity);
}
