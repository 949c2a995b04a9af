#pragma once

#include "platform/gfx/Device.h"
#include "platform/gfx/DisplayState.h"
#include "platform/gfx/Graphics.h"
#include "platform/gfx/Picture.h"
#include "platform/gfx/Surface.h"
#include "platform/gfx/SwapChain.h"
#include "platform/os/DebugOutput.h"
#include "platform/os/Messages.h"
#include "platform/os/Window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace GfxTesting
{

using namespace Platform::Gfx;

// A graphics object, windows and a device over them; everything is released in the order the
// application uses (device, windows, graphics object).
class GfxFixture : public ::testing::Test
{
protected:
    void TearDown() override
    {
        if (device)
        {
            EXPECT_EQ(0u, device->Release());
        }
        for (WindowHandle window : windows)
        {
            Platform::DestroyWindow(window);
        }
        if (classRegistered)
        {
            Platform::UnregisterClassA(kClassName, nullptr);
        }
        if (graphics)
        {
            graphics->Release();
        }
        StopSimulatingAdapters();
    }

    void MakeGraphics()
    {
        graphics = CreateGraphics(32);
        ASSERT_NE(nullptr, graphics);
    }

    // A window of the window layer with that client size (at that place on the screen); made after the
    // graphics object, as the application does.
    WindowHandle OpenWindow(int width, int height, int x = 0, int y = 0)
    {
        if (!classRegistered)
        {
            Platform::WindowClass record;
            record.procedure = &Platform::DefWindowProcA;
            record.className = kClassName;
            classRegistered = Platform::RegisterClassExA(&record) != 0;
            EXPECT_TRUE(classRegistered);
        }
        WindowHandle window =
            Platform::CreateWindowExA(0, kClassName, kClassName, Platform::WS_OVERLAPPEDWINDOW, x, y, width,
                                      height, Platform::GetDesktopWindow(), nullptr, nullptr, nullptr);
        EXPECT_NE(nullptr, window);
        windows.push_back(window);
        return window;
    }

    // Takes every waiting message and hands it to its window.
    static void Pump()
    {
        Platform::Message message;
        for (int i = 0; i < 1000 && Platform::PeekMessageA(&message, nullptr, 0, 0, Platform::PM_REMOVE); ++i)
        {
            Platform::TranslateMessage(&message);
            Platform::DispatchMessageA(&message);
            if (message.message == Platform::WM_PAINT)
            {
                Platform::ValidateRect(message.window, nullptr);
            }
        }
    }

    static PresentParameters Record(WindowHandle window, std::uint32_t width, std::uint32_t height)
    {
        PresentParameters record;
        record.BackBufferWidth = width;
        record.BackBufferHeight = height;
        record.BackBufferFormat = Format::X8R8G8B8;
        record.hDeviceWindow = window;
        record.Windowed = 1;
        record.EnableAutoDepthStencil = 1;
        record.AutoDepthStencilFormat = Format::D24S8;
        record.PresentationInterval = PresentInterval::Immediate;
        return record;
    }

    // Graphics object, one 64 × 48 window and a device drawing into it.
    void MakeDevice(std::uint32_t width = 64, std::uint32_t height = 48)
    {
        MakeGraphics();
        ASSERT_FALSE(HasFatalFailure());
        PresentParameters record =
            Record(OpenWindow(static_cast<int>(width), static_cast<int>(height)), width, height);
        ASSERT_EQ(Ok, graphics->CreateDevice(0, DeviceType::Hal, record.hDeviceWindow,
                                             CreateFlag::HardwareVertexProcessing, &record, &device));
    }

    std::vector<std::uint32_t> Pixels(Surface* surface)
    {
        std::vector<std::uint32_t> pixels;
        EXPECT_EQ(Ok, ReadSurfacePixels(surface, pixels));
        return pixels;
    }

    std::vector<std::uint32_t> BackBufferPixels()
    {
        Surface* backBuffer = nullptr;
        EXPECT_EQ(Ok, device->GetBackBuffer(0, 0, BackBufferTypeMono, &backBuffer));
        std::vector<std::uint32_t> pixels = Pixels(backBuffer);
        backBuffer->Release();
        return pixels;
    }

    static std::string OutputPath(const std::string& name)
    {
        std::filesystem::create_directories(QUARROW_TEST_OUTPUT_DIR);
        return std::string(QUARROW_TEST_OUTPUT_DIR) + "/" + name;
    }

    Graphics* graphics = nullptr;
    Device* device = nullptr;
    static constexpr const char* kClassName = "GfxTest";
    std::vector<WindowHandle> windows;
    bool classRegistered = false;
};

} // namespace GfxTesting
