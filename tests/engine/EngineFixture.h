#pragma once

#include "engine/AdapterRecord.h"
#include "engine/DisplayHead.h"
#include "engine/DisplaySettings.h"
#include "engine/EngineController.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/Graphics.h"
#include "platform/gfx/Picture.h"
#include "platform/gfx/Surface.h"
#include "platform/gfx/SwapChain.h"
#include "platform/os/Messages.h"
#include "platform/os/Window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace EngineTesting
{

using namespace Platform::Gfx;

// Keeps every result device creation reports.
class RecordingReporter : public Qen::CDeviceFailureReporter
{
public:
    void ReportCreateDeviceFailed(Result result) override { reported.push_back(result); }
    std::vector<Result> reported;
};

// A graphics object (simulated adapters when a test asks), windows made through the window layer, the
// adapter records and a controller; torn down in the application's order.
class EngineFixture : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (std::getenv("DISPLAY") == nullptr && std::getenv("SDL_VIDEODRIVER") == nullptr)
        {
            setenv("SDL_VIDEODRIVER", "offscreen", 1);
        }
    }

    void TearDown() override
    {
        controller.ShutdownEngine();
        controller.ReleaseHeadsAndDevice(device);
        for (Platform::WindowHandle window : windows)
        {
            Platform::DestroyWindow(window);
        }
        if (classRegistered)
        {
            Platform::UnregisterClassA(kClassName, nullptr);
        }
        for (Qen::CAdapterRecord* record : adapters)
        {
            delete record;
        }
        if (graphics != nullptr)
        {
            graphics->Release();
        }
        StopSimulatingAdapters();
    }

    // The graphics object over the given adapters (none: the real ones) and the engine's records of them.
    void MakeGraphics(std::vector<SimulatedAdapter> simulated = {})
    {
        if (!simulated.empty())
        {
            SimulateAdapters(std::move(simulated));
        }
        graphics = CreateGraphics(32);
        ASSERT_NE(nullptr, graphics);
        adapters = Qen::EnumerateAdapters(graphics, DeviceType::Hal, &special);
        ASSERT_FALSE(adapters.empty());
        settings.SetAdapter(adapters[0]);
    }

    Platform::WindowHandle OpenWindow(int width, int height)
    {
        if (!classRegistered)
        {
            Platform::WindowClass record;
            record.procedure = &Platform::DefWindowProcA;
            record.className = kClassName;
            classRegistered = Platform::RegisterClassExA(&record) != 0;
            EXPECT_TRUE(classRegistered);
        }
        Platform::WindowHandle window =
            Platform::CreateWindowExA(0, kClassName, kClassName, Platform::WS_OVERLAPPEDWINDOW, 0, 0, width, height,
                                      Platform::GetDesktopWindow(), nullptr, nullptr, nullptr);
        EXPECT_NE(nullptr, window);
        windows.push_back(window);
        return window;
    }

    // `count` heads of the given size, each with a window of its own.
    void UseHeads(int count, int width, int height, bool windowed)
    {
        settings.headCount = count;
        settings.SetWindowSize(BaseLib::CSize(width, height));
        for (int i = 0; i < count; ++i)
        {
            settings.records[i].hDeviceWindow = OpenWindow(width, height);
            settings.records[i].Windowed = windowed ? 1 : 0;
        }
    }

    static std::string OutputPath(const std::string& name)
    {
        std::filesystem::create_directories(QUARROW_TEST_OUTPUT_DIR);
        return std::string(QUARROW_TEST_OUTPUT_DIR) + "/" + name;
    }

    static constexpr const char* kClassName = "EngineTest";
    Graphics* graphics = nullptr;
    Device* device = nullptr;
    std::vector<Qen::CAdapterRecord*> adapters;
    Qen::CAdapterRecord* special = nullptr;
    Qen::CDisplaySettings settings;
    Qen::CEngineController controller;
    RecordingReporter reporter;
    std::vector<Platform::WindowHandle> windows;
    bool classRegistered = false;
};

inline SimulatedAdapter GroupMember(std::uint32_t master, std::uint32_t inGroup, std::uint32_t count)
{
    SimulatedAdapter adapter;
    adapter.masterAdapterOrdinal = master;
    adapter.adapterOrdinalInGroup = inGroup;
    adapter.numberOfAdaptersInGroup = count;
    return adapter;
}

} // namespace EngineTesting
