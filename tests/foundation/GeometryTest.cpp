#include "foundation/Geometry.h"
#include "foundation/RefCounted.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

using namespace BaseLib;

TEST(GeometryTest, PlanesAndRaysMeetWhereTheyShould)
{
    // x = 1 and y = 2 meet in the line through (1, 2, 0) along (0, 0, -1).
    const CLine line = IntersectPlanes(CPlane{CVector3(1, 0, 0), 1.0f}, CPlane{CVector3(0, 1, 0), 2.0f});
    EXPECT_EQ(CVector3(0, 0, -1), line.direction);
    EXPECT_FLOAT_EQ(1.0f, line.point.x);
    EXPECT_FLOAT_EQ(2.0f, line.point.y);
    EXPECT_FLOAT_EQ(0.0f, line.point.z);

    EXPECT_EQ(CVector3(3, 5, 4), IntersectLinePlane(CPlane{CVector3(0, 0, 1), 4.0f},
                                                    CLine{CVector3(3, 5, 0), CVector3(0, 0, 2)}));

    // n·x + d = 0: the plane z = 4 has d = -4.
    CVector3 hit(9, 9, 9);
    EXPECT_TRUE(
        IntersectRayPlane(CPlane{CVector3(0, 0, 1), -4.0f}, CRay(CVector3(1, 1, 0), CVector3(0, 0, 5)), hit));
    EXPECT_EQ(CVector3(1, 1, 4), hit);
    hit = CVector3(9, 9, 9);
    EXPECT_FALSE(IntersectRayPlane(CPlane{CVector3(0, 0, 1), -4.0f},
                                   CRay(CVector3(1, 1, 0), CVector3(3, 0, 0.0001f)), hit));
    EXPECT_EQ(CVector3(9, 9, 9), hit);

    const CRay ray;
    EXPECT_EQ(CVector3(1, 0, 0), ray.direction);
    EXPECT_EQ(CVector3(0, 0, 0), ray.origin);
}

TEST(GeometryTest, QuaternionsAndProducts)
{
    EXPECT_EQ(CVector4(0, 0, 0, 1), QuaternionFromAxisAngle(CVector3(0, 0, 0), 1.0f));
    const CVector4 quarter = QuaternionFromAxisAngle(CVector3(0, 0, 3), 1.5707964f);
    EXPECT_FLOAT_EQ(std::sqrt(0.5f), quarter.z);
    EXPECT_FLOAT_EQ(std::sqrt(0.5f), quarter.w);
    // A quarter turn about z takes x to y for row vectors.
    const CMatrix rotation = QuaternionToMatrix(quarter);
    EXPECT_NEAR(1.0f, rotation.m[0][1], 1e-6f);
    EXPECT_NEAR(-1.0f, rotation.m[1][0], 1e-6f);

    const CMatrix3x3 a(CVector3(1, 2, 0), CVector3(0, 1, 0), CVector3(0, 0, 2));
    const CMatrix3x3 b(CVector3(0, 1, 0), CVector3(1, 0, 0), CVector3(0, 0, 1));
    EXPECT_EQ(CMatrix3x3(CVector3(2, 1, 0), CVector3(1, 0, 0), CVector3(0, 0, 2)), Multiply3x3(a, b));

    CVector3 v(3, 6, 9);
    CVector3 copy;
    v.DivideInPlace(3.0f, copy);
    EXPECT_EQ(CVector3(1, 2, 3), v);
    EXPECT_EQ(v, copy);
    EXPECT_EQ(CVector3(1, 2, 3), CVector4(2, 4, 6, 2).HomogeneousDivide());
}

// Counts its destructions through the destroying operation.
struct Counted : CRefCountedObject
{
    explicit Counted(int* destroyed) : m_destroyed(destroyed) {}
    void Destroy() override
    {
        ++*m_destroyed;
        CRefCountedObject::Destroy();
    }
    int* m_destroyed;
};

TEST(RefCountedTest, HoldersDropOnlyTheCountsTheyTook)
{
    int destroyed = 0;
    auto* object = new Counted(&destroyed);
    object->AddRef(); // the test's own count
    {
        CSmartPointer<Counted> first(object);
        CSmartPointer<Counted> second(first);
        CSmartPointer<Counted> third;
        third = object;
        third = object;
        EXPECT_EQ(4, object->GetRefCount());
        CSmartPointerBase& base = second;
        base = first;
        EXPECT_EQ(4, object->GetRefCount());
    }
    EXPECT_EQ(0, destroyed);
    EXPECT_EQ(0, object->ReleaseRef());
    EXPECT_EQ(1, destroyed);
}

} // namespace
