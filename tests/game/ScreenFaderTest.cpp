// The fader's overlay drawn over the running game's window.
#include "game/ScreenFader.h"
#include "game/QuarrowUI.h"
#include "tests/game/harness/GameHarness.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

namespace
{

using GameTesting::GameHarness;
using GameTesting::GameSettings;
using GameTesting::Pixels;

// Every pixel's channels are the scene's times the fader's value (the overlay is black with
// transparency 1 − value), within 2 steps of rounding.
::testing::AssertionResult SceneTimes(const Pixels& frame, const Pixels& scene, int width, float value)
{
    if (frame.size() != scene.size() || frame.empty())
    {
        return ::testing::AssertionFailure() << frame.size() << " pixels against " << scene.size();
    }
    for (std::size_t i = 0; i < frame.size(); ++i)
    {
        for (int shift : {0, 8, 16})
        {
            const int expected =
                static_cast<int>(static_cast<float>((scene[i] >> shift) & 0xFF) * value + 0.5f);
            const int actual = static_cast<int>((frame[i] >> shift) & 0xFF);
            if (std::abs(actual - expected) > 2)
            {
                char text[64];
                std::snprintf(text, sizeof text, "is %06X, the scene's %06X", frame[i] & 0xFFFFFF,
                              scene[i] & 0xFFFFFF);
                return ::testing::AssertionFailure()
                       << "pixel (" << i % width << ", " << i / width << ") " << text << " times " << value;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// Black over the whole window at 0, half the scene at 0.5, the scene untouched at 1; the overlay
// follows a window of another size.
TEST(ScreenFaderTest, TheOverlayCoversTheWholeWindowAtEveryValue)
{
    for (const auto& [width, height] : {std::pair{1024, 768}, std::pair{640, 480}})
    {
        SCOPED_TRACE(std::to_string(width) + " × " + std::to_string(height));
        GameSettings settings;
        settings.width = width;
        settings.height = height;
        GameHarness game(settings);
        ASSERT_TRUE(game.Start());
        ASSERT_TRUE(game.RunFrames(2));
        int w = 0;
        int h = 0;
        const Pixels scene = game.ReadFrame(w, h);
        ASSERT_EQ(width, w);
        ASSERT_EQ(height, h);

        ScreenFader& fader = *game.UI().GetFader();
        for (const float value : {0.0f, 0.5f, 1.0f})
        {
            fader.SetTarget(value, 0.0f);
            ASSERT_TRUE(game.RunFrames(1));
            const Pixels frame = game.ReadFrame(w, h);
            const std::string name =
                "fader_" + std::to_string(width) + "_" + std::to_string(static_cast<int>(value * 100));
            EXPECT_TRUE(GameHarness::WritePicture(QUARROW_TEST_OUTPUT_DIR, name, w, h, frame));
            EXPECT_TRUE(SceneTimes(frame, scene, w, value)) << "value " << value;
        }
    }
}

} // namespace
