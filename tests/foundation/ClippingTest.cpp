#include "foundation/Clipping.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

using BaseLib::ClipLineToRect;
using BaseLib::ComputeOutCode;
using BaseLib::CPoint;
using BaseLib::CRect;

TEST(ComputeOutCode, EdgesRightAndBottomExclusive)
{
    const CRect rect(0, 0, 10, 10);
    const struct
    {
        CPoint point;
        int code;
    } cases[] = {{{0, 0}, 0},  {{9, 9}, 0},  {{5, -1}, 1},  {{5, 10}, 2},
                 {{-1, 5}, 4}, {{10, 5}, 8}, {{-1, -1}, 5}, {{10, 10}, 10}};
    for (const auto& c : cases)
    {
        EXPECT_EQ(ComputeOutCode(rect, c.point), c.code) << c.point.x << "," << c.point.y;
    }
}

TEST(ClipLineToRect, Cases)
{
    const CRect rect(0, 0, 10, 10);
    const struct
    {
        CPoint a, b;
        bool kept;
        CPoint clippedA, clippedB;
    } cases[] = {
        {{-5, -3}, {20, -1}, false, {-5, -3}, {20, -1}}, // above: rejected, points unchanged
        {{2, 5}, {100, 5}, true, {2, 5}, {9, 5}},        // inside to far right ends at right - 1
        {{-5, -5}, {15, 15}, true, {0, 0}, {9, 9}},      // a diagonal through two corners
        {{3, 4}, {6, 7}, true, {3, 4}, {6, 7}},          // inside: unchanged
        {{5, 20}, {5, -20}, true, {5, 9}, {5, 0}},       // bottom edge at bottom - 1
        {{-3, 0}, {4, 3}, true, {0, 1}, {4, 3}},         // 9/7 truncated
        {{-3, 9}, {4, 0}, true, {0, 6}, {4, 0}},         // -27/7 truncated toward zero, not down
        {{-10, 7}, {7, -10}, false, {-10, 7}, {7, -10}}, // passes the corner outside
    };
    for (const auto& c : cases)
    {
        CPoint a = c.a;
        CPoint b = c.b;
        EXPECT_EQ(ClipLineToRect(rect, a, b), c.kept)
            << c.a.x << "," << c.a.y << " " << c.b.x << "," << c.b.y;
        EXPECT_EQ(a, c.clippedA);
        EXPECT_EQ(b, c.clippedB);
    }
}

TEST(ClipLineToRect, LargeCoordinatesDoNotOverflow)
{
    const CRect rect(0, 0, 100, 100);
    CPoint a(-2000000000, -2000000000);
    CPoint b(2000000000, 2000000000);
    EXPECT_TRUE(ClipLineToRect(rect, a, b));
    EXPECT_EQ(a, CPoint(0, 0));
    EXPECT_EQ(b, CPoint(99, 99));

    // Differences of 2^32 - 1 on both axes: their product passes 2^63.
    constexpr std::int32_t lowest = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t highest = std::numeric_limits<std::int32_t>::max();
    const CRect corner(highest - 200, highest - 200, highest, highest);
    CPoint c(lowest, lowest);
    CPoint d(highest, highest);
    EXPECT_TRUE(ClipLineToRect(corner, c, d));
    EXPECT_EQ(c, CPoint(highest - 200, highest - 200));
    EXPECT_EQ(d, CPoint(highest - 1, highest - 1));
}
