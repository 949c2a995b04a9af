#pragma once

#include "engine/AdapterRecord.h"
#include "engine/DisplaySettings.h"
#include "engine/EngineController.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/Graphics.h"
#include "platform/os/Messages.h"
#include "platform/os/Window.h"

#include <cstdlib>
#include <vector>

// An initialised engine over one windowed head of the given size, for benchmarks that draw (run them
// under a display: xvfb-run -a). Aborts when no device can be made. Meant to live until the process
// ends.
namespace BenchSupport
{

class NoReport : public Qen::CDeviceFailureReporter
{
public:
    void ReportCreateDeviceFailed(Platform::Gfx::Result) override {}
};

struct Engine
{
    Engine(const char* className, int width, int height)
    {
        graphics = Platform::Gfx::CreateGraphics(32);
        adapters = Qen::EnumerateAdapters(graphics, Platform::Gfx::DeviceType::Hal, nullptr);
        Platform::WindowClass record;
        record.procedure = &Platform::DefWindowProcA;
        record.className = className;
        Platform::RegisterClassExA(&record);
        window = Platform::CreateWindowExA(0, className, className, Platform::WS_OVERLAPPEDWINDOW, 0, 0, width,
                                           height, Platform::GetDesktopWindow(), nullptr, nullptr, nullptr);
        settings.SetAdapter(adapters[0]);
        settings.SetWindowSize(BaseLib::CSize(width, height));
        settings.records[0].hDeviceWindow = window;
        NoReport reporter;
        if (!settings.CreateDevice(controller, reporter, graphics, &device))
        {
            std::abort();
        }
        controller.InitEngine(device, graphics);
    }

    Platform::Gfx::Graphics* graphics = nullptr;
    std::vector<Qen::CAdapterRecord*> adapters;
    Platform::WindowHandle window = nullptr;
    Qen::CDisplaySettings settings;
    Qen::CEngineController controller;
    Platform::Gfx::Device* device = nullptr;
};

} // namespace BenchSupport
