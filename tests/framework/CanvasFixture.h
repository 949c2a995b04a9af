#pragma once

#include "tests/engine/ResourceFixture.h"

#include "framework/QenUILibCanvas.h"
#include "tests/framework/ColourNear.h"
#include "platform/gfx/Picture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace FrameworkTesting
{

using namespace Platform::Gfx;

// An initialised engine on one 640 × 480 windowed head, with frames drawn into its back buffer and read
// back through the device layer.
class CanvasFixture : public EngineTesting::ResourceFixture
{
protected:
    CanvasFixture()
    {
        headWidth = kWidth;
        headHeight = kHeight;
    }

    void TearDown() override
    {
        for (GameLib::CQenUILibCanvas* canvas : canvases)
        {
            canvas->Destroy();
        }
        canvases.clear();
        ResourceFixture::TearDown();
    }

    // A canvas as the framework's factory makes it; destroyed by the fixture.
    GameLib::CQenUILibCanvas* MakeCanvas(std::int32_t width, std::int32_t height)
    {
        canvases.push_back(GameLib::CQenUILibCanvas::Make(&controller, width, height));
        return canvases.back();
    }

    // Paints between BeginDraw and EndDraw(true), as the window system's paint pass does.
    template <typename Paint> static void PaintCanvas(GameLib::CQenUILibCanvas* canvas, Paint paint)
    {
        canvas->BeginDraw();
        ASSERT_TRUE(canvas->IsLocked());
        paint(*canvas);
        canvas->EndDraw(true);
    }

    // Clears the back buffer to background, renders each canvas (with its clip, if any) in one scene.
    void DrawFrame(std::uint32_t background,
                   const std::vector<std::pair<GameLib::CQenUILibCanvas*, const BaseLib::CRect*>>& draws)
    {
        ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target, background, 1.0f, 0));
        ASSERT_EQ(Ok, device->BeginScene());
        for (const auto& [canvas, clip] : draws)
        {
            canvas->Render(const_cast<BaseLib::CRect*>(clip));
        }
        ASSERT_EQ(Ok, device->EndScene());
    }

    void DrawFrame(std::uint32_t background, GameLib::CQenUILibCanvas* canvas)
    {
        DrawFrame(background, {{canvas, nullptr}});
    }

    // The back buffer as 0xAARRGGBB, top row first.
    std::vector<std::uint32_t> ReadScreen()
    {
        Surface* backBuffer = nullptr;
        EXPECT_EQ(Ok, device->GetBackBuffer(0, 0, BackBufferTypeMono, &backBuffer));
        std::vector<std::uint32_t> pixels;
        EXPECT_EQ(Ok, device->ReadPixels(backBuffer, pixels));
        backBuffer->Release();
        screen = pixels;
        return pixels;
    }

    std::uint32_t At(std::int32_t x, std::int32_t y) const
    {
        return screen[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)];
    }

    static ::testing::AssertionResult Near(std::uint32_t actual, std::uint32_t expected, int tolerance = 2)
    {
        return ColourNear(actual, expected, tolerance);
    }

    ::testing::AssertionResult PixelNear(std::int32_t x, std::int32_t y, std::uint32_t expected, int tolerance = 2) const
    {
        ::testing::AssertionResult result = Near(At(x, y), expected, tolerance);
        if (!result)
        {
            result << " at (" << x << ", " << y << ")";
        }
        return result;
    }

    // Writes the last screen read as an RGB PNG under the framework's test output.
    void WriteScreen(const std::string& name) const
    {
        EXPECT_TRUE(WritePng(OutputPath(name), kWidth, kHeight, screen, false));
    }

    static constexpr std::int32_t kWidth = 640;
    static constexpr std::int32_t kHeight = 480;
    std::vector<GameLib::CQenUILibCanvas*> canvases;
    std::vector<std::uint32_t> screen;
};

} // namespace FrameworkTesting
