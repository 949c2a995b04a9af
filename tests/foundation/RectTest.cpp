#include "foundation/Rect.h"

#include <gtest/gtest.h>

using BaseLib::CRect;
using BaseLib::CRectF;
using BaseLib::CVector2;

TEST(RectF, ContainsPointIsHalfOpen)
{
    const CRectF rect(0.0f, 0.0f, 10.0f, 10.0f);
    struct Case
    {
        CVector2 point;
        bool inside;
    };
    const Case cases[] = {
        {{0.0f, 0.0f}, true},   {{9.99f, 9.99f}, true},  {{10.0f, 5.0f}, false},
        {{5.0f, 10.0f}, false}, {{-0.01f, 5.0f}, false},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(rect.ContainsPoint(c.point), c.inside) << c.point.x << ", " << c.point.y;
    }
}

TEST(RectF, TouchingRectanglesAreAdjacentButDoNotIntersect)
{
    struct Case
    {
        CRectF other;
        bool intersects;
        bool adjacent;
        CRectF intersection;
    };
    const CRectF rect(0.0f, 0.0f, 10.0f, 10.0f);
    const Case cases[] = {
        {{10.0f, 0.0f, 20.0f, 10.0f}, false, true, {}},   // right edge
        {{-5.0f, 9.0f, 0.0f, 30.0f}, false, true, {}},    // left edge, spans overlap by 1
        {{2.0f, 10.0f, 3.0f, 11.0f}, false, true, {}},    // bottom edge
        {{10.0f, 10.0f, 20.0f, 20.0f}, false, false, {}}, // corner only
        {{10.0f, -5.0f, 20.0f, 0.0f}, false, false, {}},  // corner, spans touch
        {{10.5f, 0.0f, 20.0f, 10.0f}, false, false, {}},  // gap
        {{5.0f, 5.0f, 15.0f, 15.0f}, true, false, {5.0f, 5.0f, 10.0f, 10.0f}},
        {{2.0f, 2.0f, 3.0f, 3.0f}, true, false, {2.0f, 2.0f, 3.0f, 3.0f}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.other.left << ", " << c.other.top);
        EXPECT_EQ(rect.Intersects(c.other), c.intersects);
        EXPECT_EQ(c.other.Intersects(rect), c.intersects);
        EXPECT_EQ(rect.IsAdjacent(c.other), c.adjacent);
        EXPECT_EQ(c.other.IsAdjacent(rect), c.adjacent);
        EXPECT_EQ(rect.Intersect(c.other), c.intersection);
    }
}

TEST(RectF, UnionTakesTheBoundingRectangle)
{
    CRectF rect(0.0f, 5.0f, 10.0f, 10.0f);
    rect.Union(CRectF(-2.0f, 6.0f, 4.0f, 12.0f));
    EXPECT_EQ(rect, CRectF(-2.0f, 5.0f, 10.0f, 12.0f));
}

TEST(Rect, IntersectionIsZeroUnlessTheyShareArea)
{
    const CRect rect(0, 0, 10, 10);
    EXPECT_EQ(rect.Intersection(CRect(5, -5, 20, 5)), CRect(5, 0, 10, 5));
    EXPECT_EQ(rect.Intersection(CRect(10, 0, 20, 10)), CRect());
    EXPECT_EQ(rect.Intersection(CRect(3, 3, 3, 8)), CRect());
    EXPECT_TRUE(CRect(5, 5, 5, 10).IsEmpty());
    EXPECT_TRUE(CRect(5, 5, 6, 4).IsEmpty());
    EXPECT_FALSE(CRect(5, 5, 6, 6).IsEmpty());
}
