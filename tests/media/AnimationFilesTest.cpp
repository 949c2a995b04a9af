// The animated media as the game plays it: camera flights through the transform animator the game
// camera uses, the arrow markers' ".default" loops.
#include "tests/media/MediaFixture.h"

#include "framework/AnimationController.h"
#include "platform/os/MessageBox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace
{

using BaseLib::CMatrix;
using GameLib::CTransformAnimator;

const std::vector<std::string> kGfxSets = {"gs_plastic", "jungle"};
const std::vector<std::pair<int, int>> kBoards = {{4, 4}, {5, 5}, {6, 6}, {7, 7}, {8, 6}};
// Every board's middle in the world, where the orbit that follows the flight settles.
constexpr float kFocus[3] = {2.5f, -2.5f, 0.0f};

class AnimationFilesTest : public MediaTesting::MediaFixture
{
protected:
    // The pose the game camera takes from the animated frame: rows 0 and 2 negated.
    static CMatrix CameraPose(const CMatrix& frame)
    {
        CMatrix pose = frame;
        for (const int row : {0, 2})
        {
            for (int c = 0; c < 3; ++c)
            {
                pose.m[row][c] = -pose.m[row][c];
            }
        }
        return pose;
    }
};

TEST_F(AnimationFilesTest, EveryCameraFlightEndsLookingAtTheBoardFromTheOrbitDistance)
{
    for (const std::string& set : kGfxSets)
    {
        for (const auto& [width, height] : kBoards)
        {
            const std::string file =
                "animation>camera_" + set + "_field_" + std::to_string(width) + "x" + std::to_string(height) + ".x";
            CTransformAnimator animator(&controller);
            animator.LoadAnimation(file);
            ASSERT_NE(nullptr, animator.AttachToFrame("CameraNode")) << file;
            const float length = animator.GetAnimationLength(".default");
            EXPECT_GE(length, 2.0f) << file;
            EXPECT_LE(length, 4.0f) << file;
            // Every pose on the way stays well within the far plane.
            for (float t = 0.0f; t <= length; t += 0.1f)
            {
                animator.ApplyAnimation(".default", t);
                const CMatrix& m = animator.GetTransform();
                const float distance =
                    std::hypot(m.m[3][0] - kFocus[0], m.m[3][1] - kFocus[1], m.m[3][2] - kFocus[2]);
                EXPECT_LT(distance, 150.0f) << file << " at " << t;
            }
            animator.ApplyAnimation(".default", length);
            const CMatrix pose = CameraPose(animator.GetTransform());
            const float toFocus[3] = {kFocus[0] - pose.m[3][0], kFocus[1] - pose.m[3][1], kFocus[2] - pose.m[3][2]};
            const float distance = std::hypot(toFocus[0], toFocus[1], toFocus[2]);
            const float forwardLength = std::hypot(pose.m[2][0], pose.m[2][1], pose.m[2][2]);
            const float cosine =
                (toFocus[0] * pose.m[2][0] + toFocus[1] * pose.m[2][1] + toFocus[2] * pose.m[2][2]) / (distance * forwardLength);
            const float degrees = std::acos(std::min(1.0f, cosine)) * 180.0f / std::numbers::pi_v<float>;
            EXPECT_LE(degrees, 2.0f) << file << " looks past the board's middle";
            const float orbit = static_cast<float>(std::min(width, height)) * 1.5f;
            EXPECT_NEAR(orbit, distance, 0.2f * orbit) << file;
            // The pitch the orbit turns to from there is short: the view falls at about 1.1 radians.
            const float pitch = std::asin(-pose.m[2][2] / forwardLength);
            EXPECT_NEAR(1.1f, pitch, 0.15f) << file;
        }
    }
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    EXPECT_EQ("", Platform::LastMessageBoxCaption()) << Platform::LastMessageBoxText();
}

TEST_F(AnimationFilesTest, MarkersLoopWithoutAJump)
{
    for (const char* name : {"pointer", "pointer_down"})
    {
        const std::string file = std::string("model>jungle/") + name + ".x";
        CTransformAnimator animator(&controller);
        animator.LoadAnimation(file);
        ASSERT_NE(nullptr, animator.AttachToFrame(std::string(name) + "_bob")) << file;
        const float length = animator.GetAnimationLength(".default");
        EXPECT_GT(length, 0.0f) << file;
        animator.ApplyAnimation(".default", 0.0f);
        const CMatrix first = animator.GetTransform();
        animator.ApplyAnimation(".default", 0.5f * length);
        const CMatrix middle = animator.GetTransform();
        animator.ApplyAnimation(".default", length);
        const CMatrix last = animator.GetTransform();
        float moved = 0.0f;
        for (int r = 0; r < 4; ++r)
        {
            for (int c = 0; c < 4; ++c)
            {
                EXPECT_NEAR(first.m[r][c], last.m[r][c], 1e-4f) << file << " row " << r << " column " << c;
                moved = std::max(moved, std::fabs(middle.m[r][c] - first.m[r][c]));
            }
        }
        EXPECT_GT(moved, 0.01f) << file << " does not move";
    }
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

} // namespace
