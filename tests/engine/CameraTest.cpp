#include "engine/Camera.h"

#include <gtest/gtest.h>

#include <cfloat>

namespace
{

using BaseLib::CVector3;
using Qen::CCamera;
using Qen::CFrustum;

bool Outside(const CFrustum& frustum, const CVector3& centre, float radius)
{
    for (const BaseLib::CPlane& plane : frustum.planes)
    {
        if (plane.normal.Dot(centre) - radius > plane.d)
        {
            return true;
        }
    }
    return false;
}

TEST(CameraTest, TheDefaultCameraLooksAlongZFromMinusTen)
{
    const CCamera camera;
    EXPECT_FLOAT_EQ(1.7320508f, camera.projection.m[1][1]);
    EXPECT_FLOAT_EQ(1.2990381f, camera.projection.m[0][0]);
    EXPECT_FLOAT_EQ(1.0f, camera.projection.m[2][3]);
    EXPECT_FLOAT_EQ(100.0f / 99.9f, camera.projection.m[2][2]);
    // The view moves the camera's position to the origin.
    EXPECT_FLOAT_EQ(10.0f, camera.view.m[3][2]);
    EXPECT_FLOAT_EQ(1.0f, camera.cameraToWorld.m[0][0]);
    EXPECT_FLOAT_EQ(-10.0f, camera.cameraToWorld.m[3][2]);

    EXPECT_FALSE(Outside(camera.frustum, CVector3(0, 0, 0), 0.0f));
    EXPECT_TRUE(Outside(camera.frustum, CVector3(0, 0, -20), 0.0f));
    EXPECT_TRUE(Outside(camera.frustum, CVector3(1000, 0, 0), 0.0f));
    EXPECT_TRUE(Outside(camera.frustum, CVector3(0, 0, 95), 0.0f));
    EXPECT_FALSE(Outside(camera.frustum, CVector3(0, 0, 95), 10.0f));
    // The apex is the camera's position.
    EXPECT_NEAR(0.0f, camera.frustum.apex.x, 1e-3f);
    EXPECT_NEAR(-10.0f, camera.frustum.apex.z, 1e-3f);
    EXPECT_NEAR(-1.0f, camera.frustum.planes[CFrustum::Near].normal.z, 1e-6f);

    // A right-handed frustum of the same matrix has every normal turned inward.
    CFrustum inward;
    inward.SetFromMatrix(camera.inverseViewProjection, false);
    EXPECT_NEAR(1.0f, inward.planes[CFrustum::Near].normal.z, 1e-6f);
    EXPECT_NEAR(-camera.frustum.planes[CFrustum::Left].d, inward.planes[CFrustum::Left].d, 1e-4f);
}

TEST(CameraTest, AFreshFrustumAcceptsEverySphere)
{
    const CFrustum frustum;
    const auto* floats = reinterpret_cast<const float*>(&frustum);
    int largest = 0;
    for (int i = 0; i < 27; ++i)
    {
        if (floats[i] == FLT_MAX)
        {
            ++largest;
        }
        else
        {
            EXPECT_EQ(0.0f, floats[i]) << i;
        }
    }
    EXPECT_EQ(6, largest);
    EXPECT_FALSE(Outside(frustum, CVector3(1e30f, -1e30f, 5), 1.0f));
}

TEST(CameraTest, AnUpVectorAlongTheViewFallsBackToMinusXBeforeTheFlip)
{
    CCamera camera;
    camera.up = CVector3(0, 0, 2);
    camera.Update();
    // Left-handed: (-1, 0, 0) negated.
    EXPECT_EQ(1.0f, camera.cameraToWorld.m[0][0]);
    EXPECT_EQ(0.0f, camera.cameraToWorld.m[0][1]);
    camera.SetUpVector(CVector3(0, 3, 0));
    EXPECT_EQ(CVector3(0, 1, 0), camera.up);
}

TEST(CameraTest, TheInfiniteProjectionPutsTheFarPlaneAtInfinity)
{
    CCamera camera;
    camera.projectionType = CCamera::InfinitePerspective;
    camera.Update();
    EXPECT_FLOAT_EQ(1.0f - 3.0517578e-5f, camera.projection.m[2][2]);
    camera.UpdateFrustum();
    EXPECT_EQ(FLT_MAX, camera.frustum.planes[CFrustum::Far].d);
    EXPECT_FALSE(Outside(camera.frustum, CVector3(0, 0, 1e6f), 0.0f));
    EXPECT_TRUE(Outside(camera.frustum, CVector3(0, 0, -20), 0.0f));

    // The orthographic camera: field of view is half the height; the apex falls between the near corners.
    CCamera orthographic;
    orthographic.projectionType = CCamera::Orthographic;
    orthographic.fieldOfView = 5.0f;
    orthographic.Update();
    orthographic.UpdateFrustum();
    EXPECT_FLOAT_EQ(0.2f, orthographic.projection.m[1][1]);
    EXPECT_NEAR(0.0f, orthographic.frustum.apex.y, 1e-4f);
    EXPECT_NEAR(-9.9f, orthographic.frustum.apex.z, 1e-4f);
    EXPECT_FALSE(Outside(orthographic.frustum, CVector3(0, 4.9f, 0), 0.0f));
    EXPECT_TRUE(Outside(orthographic.frustum, CVector3(0, 5.1f, 0), 0.0f));

    // Another type leaves the projection as it was.
    CCamera other;
    other.projectionType = 7;
    other.projection.m[0][1] = 42.0f;
    other.Update();
    EXPECT_EQ(42.0f, other.projection.m[0][1]);
}

// Counts its destructions.
int s_destroyed = 0;

TEST(RenderContextTest, TwoHoldersDestroyTheContextOnceWhenTheSecondGoes)
{
    s_destroyed = 0;
    struct CountedContext : Qen::CRenderContext
    {
        ~CountedContext() override { ++s_destroyed; }
    };
    auto* context = new CountedContext();
    EXPECT_EQ(0, context->GetRefCount());
    EXPECT_EQ(CVector3(0, -1, 0), context->lightDirection);
    EXPECT_EQ(nullptr, context->engine);
    {
        BaseLib::CSmartPointer<Qen::CRenderContext> first(context);
        {
            const BaseLib::CSmartPointer<Qen::CRenderContext> second(
                first); // NOLINT(performance-unnecessary-copy-initialization)
            EXPECT_EQ(2, context->GetRefCount());
        }
        EXPECT_EQ(0, s_destroyed);
        EXPECT_EQ(1, context->GetRefCount());
        BaseLib::CSmartPointer<Qen::CRenderContext> third;
        third = first;
        third = first;
        EXPECT_EQ(2, context->GetRefCount());
    }
    EXPECT_EQ(1, s_destroyed);
    Qen::CRenderContext* made = Qen::CRenderContext::Create();
    BaseLib::CSmartPointer<Qen::CRenderContext> holder(made);
    EXPECT_EQ(1, made->GetRefCount());
}

} // namespace
