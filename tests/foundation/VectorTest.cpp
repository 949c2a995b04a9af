#include "foundation/Vector.h"
#include "foundation/FloatMath.h"
#include "foundation/Point.h"
#include "foundation/Ray.h"
#include "foundation/Timer.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using BaseLib::CPoint;
using BaseLib::CSize;
using BaseLib::CVector2;
using BaseLib::CVector3;
using BaseLib::CVector4;

TEST(Point, ScaleRoundsHalfUp)
{
    struct Case
    {
        CPoint point;
        float factor;
        CPoint expected;
    };
    const Case cases[] = {
        {{1, 1}, 0.5f, {1, 1}},   // 0.5 rounds up
        {{3, -3}, 0.5f, {2, -1}}, // 1.5 -> 2, -1.5 -> -1
        {{4, 7}, 0.25f, {1, 2}},  // 1.75 -> 2
        {{10, 0}, 1.0f, {10, 0}},
        {{2000000000, -2000000000}, 4.0f, {2147483647, -2147483647 - 1}}, // saturates
        {{5, 5}, std::numeric_limits<float>::quiet_NaN(), {0, 0}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.factor);
        EXPECT_EQ(c.point.Scale(c.factor), c.expected);
        EXPECT_EQ(CSize(c.point.x, c.point.y).Scale(c.factor), CSize(c.expected.x, c.expected.y));
    }
}

TEST(Point, TextFormsAndMissingComponentsAreZero)
{
    EXPECT_EQ(CPoint(-3, 12).ToString(), "(-3, 12)");
    EXPECT_EQ(CSize(640, 480).ToString(), "(640, 480)");
    EXPECT_EQ(CPoint::FromString("(4, -5)"), CPoint(4, -5));
    EXPECT_EQ(CPoint::FromString("(7"), CPoint(7, 0));
    EXPECT_EQ(CSize::FromString("nothing"), CSize(0, 0));
    EXPECT_EQ(CSize::FromString(nullptr), CSize(0, 0));
}

TEST(Vector, TextFormsReadAndWriteEveryComponent)
{
    EXPECT_EQ(CVector2(1.5f, -2.0f).ToString(), "(1.5, -2)");
    EXPECT_EQ(CVector3(1.5f, -2.0f, 3.0f).ToString(), "(1.5, -2, 3)");
    EXPECT_EQ(CVector4(1.0f, 2.0f, 3.0f, 0.25f).ToString(), "(1, 2, 3, 0.25)");
    EXPECT_EQ(CVector2::FromString("(0.5, 7)"), CVector2(0.5f, 7.0f));
    EXPECT_EQ(CVector3::FromString("(1.5, -2, 3)"), CVector3(1.5f, -2.0f, 3.0f));
    EXPECT_EQ(CVector4::FromString("(1, 2, 3, 4)"), CVector4(1.0f, 2.0f, 3.0f, 4.0f));
    EXPECT_EQ(CVector4::FromString("(1, 2"), CVector4(1.0f, 2.0f, 0.0f, 0.0f));
    EXPECT_EQ(CVector2::FromString("x"), CVector2::Zero);
}

TEST(Vector, ArithmeticRoundsEachComponentToFloat)
{
    const CVector3 a(1.0f, 2.0f, 3.0f);
    const CVector3 b(4.0f, -5.0f, 6.0f);
    EXPECT_EQ(a + b, CVector3(5.0f, -3.0f, 9.0f));
    EXPECT_EQ(a - b, CVector3(-3.0f, 7.0f, -3.0f));
    EXPECT_EQ(-a, CVector3(-1.0f, -2.0f, -3.0f));
    EXPECT_EQ(a * 2.0f, CVector3(2.0f, 4.0f, 6.0f));
    EXPECT_FLOAT_EQ(a.Dot(b), 12.0f);
    EXPECT_EQ(CVector3::UnitX.Cross(CVector3::UnitY), CVector3::UnitZ);
    EXPECT_EQ(a.Cross(b), CVector3(27.0f, 6.0f, -13.0f));
    EXPECT_FLOAT_EQ(CVector3(2.0f, 3.0f, 6.0f).Length(), 7.0f);
    EXPECT_FLOAT_EQ(CVector3(2.0f, 3.0f, 6.0f).LengthSquared(), 49.0f);
    EXPECT_FLOAT_EQ(CVector2(3.0f, 4.0f).Length(), 5.0f);
    EXPECT_EQ(CVector2(1.0f, 2.0f) + CVector2(0.5f, 0.5f), CVector2(1.5f, 2.5f));
    EXPECT_EQ(CVector2(1.0f, 2.0f) * 3.0f, CVector2(3.0f, 6.0f));

    // Division divides: 9 / 10 and 9 * (1 / 10) round to different floats.
    const CVector3 divided = CVector3(9.0f, 1.0f, 7.0f) / 10.0f;
    EXPECT_EQ(divided.x, static_cast<float>(9.0 / 10.0));
    EXPECT_NE(divided.x, static_cast<float>(9.0 * double{1.0f / 10.0f}));
    EXPECT_EQ(divided.y, static_cast<float>(1.0 / 10.0));
    EXPECT_EQ(divided.z, static_cast<float>(7.0 / 10.0));
}

TEST(Vector, ConversionsAndConstants)
{
    EXPECT_EQ(CVector3(CVector2(2.0f, 3.0f)), CVector3(2.0f, 3.0f, 1.0f));
    EXPECT_EQ(CVector4(CVector3(1.0f, 2.0f, 3.0f), 4.0f), CVector4(1.0f, 2.0f, 3.0f, 4.0f));
    static_assert(CVector4::UnitW == CVector4(0.0f, 0.0f, 0.0f, 1.0f));
    static_assert(CVector2::UnitY == CVector2(0.0f, 1.0f));
    const BaseLib::CRay ray(CVector3::UnitX, CVector3(0.0f, 2.0f, 0.0f));
    EXPECT_EQ(ray.origin, CVector3::UnitX);
    EXPECT_EQ(ray.direction, CVector3(0.0f, 2.0f, 0.0f));
}

TEST(FloatMath, WrappersRoundTheDoubleResult)
{
    EXPECT_EQ(BaseLib::FAbs(-2.5f), 2.5f);
    EXPECT_EQ(BaseLib::Abs(-0.0f), 0.0f);
    EXPECT_EQ(BaseLib::Sqrt(2.0f), static_cast<float>(std::sqrt(2.0)));
    EXPECT_EQ(BaseLib::Floor(-1.5f), -2.0f);
    EXPECT_EQ(BaseLib::Cos(0.0f), 1.0f);
}

TEST(Timer, StartsPausedAdvancesOnlyWhenRunningAndStopResets)
{
    BaseLib::CTimer timer;
    EXPECT_EQ(timer.GetTime(), 0.0);
    timer.Advance(1.0f);
    EXPECT_EQ(timer.GetTime(), 0.0);
    timer.Resume();
    timer.Advance(0.25f);
    timer.Advance(0.5f);
    EXPECT_EQ(timer.GetTime(), 0.75);
    timer.Pause();
    timer.Advance(10.0f);
    EXPECT_EQ(timer.GetTime(), 0.75);
    timer.Nop();
    EXPECT_EQ(timer.GetTime(), 0.75);
    timer.SetTime(3.0);
    timer.Resume();
    timer.Stop();
    EXPECT_EQ(timer.GetTime(), 0.0);
    timer.Advance(1.0f);
    EXPECT_EQ(timer.GetTime(), 0.0);
}

TEST(Timer, AddsInDouble)
{
    BaseLib::CTimer timer;
    timer.Resume();
    for (int i = 0; i < 1000; ++i)
    {
        timer.Advance(0.1f);
    }
    // In float the sum would drift far more than this.
    EXPECT_NEAR(timer.GetTime(), 1000 * double{0.1f}, 1e-9);
}
