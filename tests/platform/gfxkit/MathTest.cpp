#include "platform/gfxkit/Math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace
{

using namespace Platform::GfxKit;

constexpr float kQuarter = std::numbers::pi_v<float> / 2.0f;

void ExpectNear(const Matrix& expected, const Matrix& actual, float tolerance)
{
    for (int r = 0; r < 4; ++r)
    {
        for (int c = 0; c < 4; ++c)
        {
            EXPECT_NEAR(expected.m[r][c], actual.m[r][c], tolerance) << "row " << r << " column " << c;
        }
    }
}

TEST(GfxKitMath, InverseOfRotationTranslationUndoesIt)
{
    const Vector3 axis{1, 2, 3};
    Matrix rotation, translation, m;
    MatrixRotationAxis(&rotation, &axis, 0.7f);
    MatrixTranslation(&translation, 5, -2, 9);
    MatrixMultiply(&m, &rotation, &translation);
    Matrix inverse;
    float determinant = 0;
    ASSERT_EQ(&inverse, MatrixInverse(&inverse, &determinant, &m));
    EXPECT_NEAR(1.0f, determinant, 1e-6f);
    Matrix product;
    ExpectNear(Matrix{}, *MatrixMultiply(&product, &m, &inverse), 1e-6f);
    ExpectNear(Matrix{}, *MatrixMultiply(&product, &inverse, &m), 1e-6f);

    Matrix scaled;
    MatrixScaling(&scaled, 2, 4, 0.5f);
    ASSERT_NE(nullptr, MatrixInverse(&inverse, &determinant, &scaled));
    EXPECT_FLOAT_EQ(4.0f, determinant);
    EXPECT_FLOAT_EQ(0.25f, inverse.m[1][1]);
}

TEST(GfxKitMath, SingularMatrixLeavesTheOutputsAlone)
{
    // Row 2 = row 0 + row 1.
    Matrix rows;
    rows.m[2][0] = 1;
    rows.m[2][1] = 1;
    rows.m[2][2] = 0;
    Matrix out;
    MatrixTranslation(&out, 7, 7, 7);
    const Matrix before = out;
    float determinant = 42.0f;
    EXPECT_EQ(nullptr, MatrixInverse(&out, &determinant, &rows));
    EXPECT_EQ(42.0f, determinant);
    ExpectNear(before, out, 0.0f);
    Matrix zero;
    zero.m[1][1] = 0;
    EXPECT_EQ(nullptr, MatrixInverse(&out, nullptr, &zero));
    ExpectNear(before, out, 0.0f);
}

TEST(GfxKitMath, DecomposeGivesBackScaleRotationAndTranslation)
{
    const Vector3 scale{2, 3, 0.5f};
    const Vector3 axis{-1, 0.5f, 2};
    Quaternion rotation;
    QuaternionRotationAxis(&rotation, &axis, 1.2f);
    const Vector3 move{4, -5, 6};
    Matrix s, r, t, sr, srt;
    MatrixScaling(&s, scale.x, scale.y, scale.z);
    MatrixRotationQuaternion(&r, &rotation);
    MatrixTranslation(&t, move.x, move.y, move.z);
    MatrixMultiply(&srt, MatrixMultiply(&sr, &s, &r), &t);

    Vector3 outScale, outMove;
    Quaternion outRotation;
    ASSERT_EQ(Platform::Gfx::Ok, MatrixDecompose(&outScale, &outRotation, &outMove, &srt));
    EXPECT_NEAR(scale.x, outScale.x, 1e-5f);
    EXPECT_NEAR(scale.y, outScale.y, 1e-5f);
    EXPECT_NEAR(scale.z, outScale.z, 1e-5f);
    EXPECT_NEAR(move.x, outMove.x, 1e-6f);
    EXPECT_NEAR(move.y, outMove.y, 1e-6f);
    EXPECT_NEAR(move.z, outMove.z, 1e-6f);
    const float sign = outRotation.w * rotation.w < 0 ? -1.0f : 1.0f;
    EXPECT_NEAR(rotation.x, sign * outRotation.x, 1e-5f);
    EXPECT_NEAR(rotation.y, sign * outRotation.y, 1e-5f);
    EXPECT_NEAR(rotation.z, sign * outRotation.z, 1e-5f);
    EXPECT_NEAR(rotation.w, sign * outRotation.w, 1e-5f);
    Matrix again;
    ExpectNear(srt, *MatrixTransformation(&again, &outScale, &outRotation, &outMove), 1e-5f);

    Matrix flat;
    MatrixScaling(&flat, 1, 0, 1);
    EXPECT_EQ(Platform::Gfx::Fail, MatrixDecompose(&outScale, &outRotation, &outMove, &flat));
}

TEST(GfxKitMath, ProjectionsAndTransforms)
{
    Matrix ortho;
    MatrixOrthoLH(&ortho, 2, 2, 0, 1);
    const Vector3 corner{1, 1, 1};
    Vector3 out;
    Vec3TransformCoord(&out, &corner, &ortho);
    EXPECT_FLOAT_EQ(1.0f, out.x);
    EXPECT_FLOAT_EQ(1.0f, out.y);
    EXPECT_FLOAT_EQ(1.0f, out.z);

    // A point on the far plane of a perspective projection lands at depth 1 once w is divided out.
    Matrix perspective;
    MatrixPerspectiveFovLH(&perspective, kQuarter, 1.0f, 1.0f, 10.0f);
    const Vector3 far{0, 10, 10};
    Vec3TransformCoord(&out, &far, &perspective);
    EXPECT_NEAR(1.0f, out.y, 1e-6f);
    EXPECT_NEAR(1.0f, out.z, 1e-6f);

    // Looking along +z from (0, 0, -5): the eye's space is the world moved by 5.
    Matrix view;
    const Vector3 eye{0, 0, -5}, at{0, 0, 0}, up{0, 1, 0};
    MatrixLookAtLH(&view, &eye, &at, &up);
    const Vector3 point{1, 2, 3};
    Vec3TransformCoord(&out, &point, &view);
    EXPECT_NEAR(1.0f, out.x, 1e-6f);
    EXPECT_NEAR(2.0f, out.y, 1e-6f);
    EXPECT_NEAR(8.0f, out.z, 1e-6f);

    Matrix move;
    MatrixTranslation(&move, 3, 3, 3);
    Vec3TransformNormal(&out, &point, &move);
    EXPECT_FLOAT_EQ(1.0f, out.x) << "a normal ignores the translation";

    // Rotations about the axes turn x towards y (Z), y towards z (X), z towards x (Y).
    Matrix rz, rx, ry;
    const Vector3 x{1, 0, 0}, y{0, 1, 0}, z{0, 0, 1};
    Vec3TransformNormal(&out, &x, MatrixRotationZ(&rz, kQuarter));
    EXPECT_NEAR(1.0f, out.y, 1e-6f);
    Vec3TransformNormal(&out, &y, MatrixRotationX(&rx, kQuarter));
    EXPECT_NEAR(1.0f, out.z, 1e-6f);
    Vec3TransformNormal(&out, &z, MatrixRotationY(&ry, kQuarter));
    EXPECT_NEAR(1.0f, out.x, 1e-6f);
    Matrix about;
    ExpectNear(rx, *MatrixRotationAxis(&about, &x, kQuarter), 1e-6f);
}

TEST(GfxKitMath, QuaternionProductRotatesByTheFirstThenTheSecond)
{
    const Vector3 x{1, 0, 0}, y{0, 1, 0};
    Quaternion aboutX, aboutY, product;
    QuaternionRotationAxis(&aboutX, &x, kQuarter);
    QuaternionRotationAxis(&aboutY, &y, kQuarter);
    QuaternionMultiply(&product, &aboutX, &aboutY);
    Matrix rx, ry, expected, actual;
    MatrixMultiply(&expected, MatrixRotationX(&rx, kQuarter), MatrixRotationY(&ry, kQuarter));
    ExpectNear(expected, *MatrixRotationQuaternion(&actual, &product), 1e-6f);

    Quaternion back;
    QuaternionRotationMatrix(&back, &actual);
    const float sign = back.w * product.w < 0 ? -1.0f : 1.0f;
    EXPECT_NEAR(product.x, sign * back.x, 1e-6f);
    EXPECT_NEAR(product.w, sign * back.w, 1e-6f);
}

TEST(GfxKitMath, SlerpTakesTheShorterArc)
{
    const Vector3 z{0, 0, 1};
    Quaternion a, b, half;
    QuaternionRotationAxis(&a, &z, 0.0f);
    QuaternionRotationAxis(&b, &z, kQuarter);
    // -b is the same rotation; the halfway point must still be 45 degrees, not the long way round.
    const Quaternion negated{-b.x, -b.y, -b.z, -b.w};
    for (const Quaternion* end : {static_cast<const Quaternion*>(&b), &negated})
    {
        QuaternionSlerp(&half, &a, end, 0.5f);
        Matrix m;
        MatrixRotationQuaternion(&m, &half);
        EXPECT_NEAR(std::cos(kQuarter / 2), std::fabs(m.m[0][0]), 1e-6f);
        EXPECT_NEAR(std::sin(kQuarter / 2), m.m[0][1] * (m.m[0][0] < 0 ? -1.0f : 1.0f), 1e-6f);
    }
    QuaternionSlerp(&half, &a, &a, 0.3f);
    EXPECT_NEAR(1.0f, std::fabs(half.w), 1e-6f);
    Quaternion unit;
    const Quaternion longer{0, 0, 3, 4};
    QuaternionNormalize(&unit, &longer);
    EXPECT_FLOAT_EQ(0.6f, unit.z);
}

TEST(GfxKitMath, BoundingSphereOfTheUnitCube)
{
    struct Vertex
    {
        Vector3 position;
        float u, v; // a stride other than the position's size
    };
    Vertex corners[8];
    for (int i = 0; i < 8; ++i)
    {
        corners[i] = {
            {static_cast<float>(i & 1), static_cast<float>((i >> 1) & 1), static_cast<float>(i >> 2)},
            9.0f,
            9.0f};
    }
    Vector3 centre;
    float radius = 0;
    ASSERT_EQ(Platform::Gfx::Ok,
              ComputeBoundingSphere(&corners[0].position, 8, sizeof(Vertex), &centre, &radius));
    EXPECT_FLOAT_EQ(0.5f, centre.x);
    EXPECT_FLOAT_EQ(0.5f, centre.y);
    EXPECT_FLOAT_EQ(0.5f, centre.z);
    EXPECT_FLOAT_EQ(std::sqrt(3.0f) / 2.0f, radius);
    EXPECT_EQ(Platform::Gfx::InvalidCall, ComputeBoundingSphere(nullptr, 8, 12, &centre, &radius));
}

} // namespace
