// A level's scene drawn from where the 6 × 6 camera flight ends: surroundings, board, a three-cell
// block turned as the game turns it, the player, a spring, an exit and a marker. The picture goes to
// test-output/media for a person to look at; the pixels show that the models face the camera the way
// the engine culls (a block's top is seen, not the inside of its foot).
#include "tests/media/MediaFixture.h"

#include "engine/Camera.h"
#include "engine/ModelFactory.h"
#include "framework/AnimationController.h"
#include "platform/gfxkit/Math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numbers>
#include <string>
#include <vector>

namespace
{

using namespace Platform::Gfx;

class ScenePreviewTest : public MediaTesting::MediaFixture
{
protected:
    ScenePreviewTest()
    {
        headWidth = 320;
        headHeight = 240;
    }

    struct Placed
    {
        std::string file;
        float x, y, angle;
    };

    // Draws the models (each turned about z, then moved) and answers the pixels.
    std::vector<std::uint32_t> Draw(const std::vector<Placed>& scene, const char* picture)
    {
        BaseLib::CSmartPointer<Qen::CRenderContext> context(Qen::CRenderContext::Create());
        context->engine = &controller;
        context->view = camera.view;
        context->inverseView = camera.cameraToWorld;
        context->projection = camera.projection;
        context->viewProjection = camera.viewProjection;
        context->lightDirection = {-0.3f, 0.45f, -0.84f};
        controller.GetHeads()[0]->BeginFrame();
        EXPECT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target | ClearFlag::ZBuffer, kClear, 1.0f, 0));
        EXPECT_EQ(Ok, device->BeginScene());
        for (const Placed& placed : scene)
        {
            BaseLib::CResourcePtr<Qen::CModel> model = controller.GetModelFactory()->GetModel(nullptr, placed.file, false);
            EXPECT_TRUE(model) << placed.file;
            if (!model)
            {
                continue;
            }
            Matrix turn, move, world;
            Platform::GfxKit::MatrixRotationZ(&turn, placed.angle);
            Platform::GfxKit::MatrixTranslation(&move, placed.x, placed.y, 0.0f);
            Platform::GfxKit::MatrixMultiply(&world, &turn, &move);
            model->Render(context.Get(), world);
        }
        return EndDrawing(picture);
    }

    // The pixel where a world point appears.
    std::uint32_t At(const std::vector<std::uint32_t>& pixels, float x, float y, float z) const
    {
        BaseLib::CVector4 clip;
        BaseLib::TransformVector4(clip, BaseLib::CVector4(x, y, z, 1.0f), camera.viewProjection);
        const auto px = static_cast<int>((clip.x / clip.w * 0.5f + 0.5f) * static_cast<float>(headWidth));
        const auto py = static_cast<int>((0.5f - clip.y / clip.w * 0.5f) * static_cast<float>(headHeight));
        EXPECT_TRUE(px >= 0 && px < headWidth && py >= 0 && py < headHeight) << x << ", " << y;
        return pixels[static_cast<std::size_t>(std::clamp(py, 0, headHeight - 1) * headWidth + std::clamp(px, 0, headWidth - 1))];
    }

    void FlyTo(const std::string& flight, bool end);

    static constexpr std::uint32_t kClear = 0xFF204060;
    Qen::CCamera camera;
};

int Difference(std::uint32_t a, std::uint32_t b)
{
    int sum = 0;
    for (const int shift : {0, 8, 16})
    {
        sum += std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
    }
    return sum;
}

// Puts the camera where the game camera is at that time of the flight (the frame turned half-way back).
void ScenePreviewTest::FlyTo(const std::string& flight, bool end)
{
    GameLib::CTransformAnimator animator(&controller);
    animator.LoadAnimation(flight);
    ASSERT_NE(nullptr, animator.AttachToFrame("CameraNode"));
    animator.ApplyAnimation(".default", end ? animator.GetAnimationLength(".default") : 0.0f);
    const BaseLib::CMatrix& pose = animator.GetTransform();
    camera.position = {pose.m[3][0], pose.m[3][1], pose.m[3][2]};
    camera.forward = {-pose.m[2][0], -pose.m[2][1], -pose.m[2][2]};
    camera.SetUpVector({pose.m[1][0], pose.m[1][1], pose.m[1][2]});
    camera.fieldOfView = std::numbers::pi_v<float> / 4.0f;
    camera.farDistance = 200.0f;
    camera.aspectRatio = static_cast<float>(headWidth) / static_cast<float>(headHeight);
    camera.Update();
}

TEST_F(ScenePreviewTest, TheBoardWithBlocksSeenFromTheFlightsEnd)
{
    FlyTo("animation>camera_jungle_field_6x6.x", true);

    const float quarter = std::numbers::pi_v<float> / 2.0f;
    const std::vector<Placed> ground = {{"model>env_jungle.x", 0, 0, 0}, {"model>jungle/field_6x6.x", 0, 0, 0}};
    std::vector<Placed> scene = ground;
    // A block of three cells along row 1 (links east and west), the player, a spring, a wall, the exit
    // north of column 2 and the pointer on the player.
    scene.insert(scene.end(), {{"model>jungle/blk1_endb.x", 1, -1, quarter},
                               {"model>jungle/blk1_mid.x", 2, -1, quarter},
                               {"model>jungle/blk1_endb.x", 3, -1, -quarter},
                               {"model>jungle/blkplay_end.x", 2, -3, std::numbers::pi_v<float>},
                               {"model>jungle/blkspr.x", 4, -4, 0},
                               {"model>jungle/blkwall.x", 0, -5, 0},
                               {"model>jungle/blkmagn_end.x", 5, -2, std::numbers::pi_v<float>},
                               {"model>jungle/blktwin_endb.x", 1, -4, 0},
                               {"model>jungle/exit.x", 2, 1, 0},
                               {"model>jungle/pointer_down.x", 2, -3, 0}});
    const std::vector<std::uint32_t> empty = Draw(ground, nullptr);
    const std::vector<std::uint32_t> full = Draw(scene, "scene_jungle_6x6.png");
    EXPECT_TRUE(boxes.empty()) << boxes.front();

    // The board fills the middle of the view.
    EXPECT_NE(kClear, At(empty, 2.5f, -2.5f, 0.0f));
    // Each block's top shows where the block stands (and the bare board where it does not).
    for (const auto& [x, y] : {std::pair{1.0f, -1.0f}, std::pair{2.0f, -1.0f}, std::pair{3.0f, -1.0f},
                               std::pair{0.0f, -5.0f}, std::pair{5.0f, -2.0f}})
    {
        EXPECT_GT(Difference(At(empty, x, y, 0.7f), At(full, x, y, 0.7f)), 30) << x << ", " << y;
    }
    EXPECT_EQ(At(empty, 4.0f, -1.0f, 0.0f), At(full, 4.0f, -1.0f, 0.0f)) << "an empty cell";

    // The grey pick cube alone: its top, facing the light, is seen lit. Faces wound the other way would
    // be culled and leave the inside of its foot, turned from the light, in view.
    const std::vector<std::uint32_t> cube = Draw({{"model>plastic_cube.x", 2, -2, 0}}, "pick_cube.png");
    const std::uint32_t top = At(cube, 2.0f, -2.0f, 0.7f);
    EXPECT_GT(static_cast<int>((top >> 8) & 0xFF), 140) << std::hex << top;
}

// Each region's surroundings round the plastic 8 × 6 board, seen from where its flight starts: the
// board in the middle of the view, the surroundings filling the ground round it.
TEST_F(ScenePreviewTest, EveryRegionFromTheFlightsStart)
{
    FlyTo("animation>camera_gs_plastic_field_8x6.x", false);
    for (const char* region : {"basic", "jungle", "swamp", "cave", "temple"})
    {
        // The 8 × 6 board's node stands at (−1, 0): its middle falls on (2.5, −2.5).
        const std::vector<std::uint32_t> pixels =
            Draw({{std::string("model>env_") + region + ".x", 0, 0, 0}, {"model>gs_plastic/field_8x6.x", -1, 0, 0}},
                 (std::string("region_") + region + ".png").c_str());
        EXPECT_NE(kClear, At(pixels, 2.5f, -2.5f, 0.0f)) << region;
        EXPECT_NE(kClear, At(pixels, 2.5f, -14.0f, -0.75f)) << region << ": no ground beyond the board";
    }
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

} // namespace
