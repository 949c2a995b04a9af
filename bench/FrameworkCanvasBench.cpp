// The framework's window-system canvas: Render of a 1280 × 1024 canvas (80 tiles) with no dirty tile,
// with 8 dirty tiles and with every tile dirty. Each case counts the tiles uploaded and the heap blocks
// allocated per Render (which must stay 0). Needs a display (run under xvfb-run -a).
#include "bench/HeapCounter.h"
#include "engine/AdapterRecord.h"
#include "engine/DisplaySettings.h"
#include "engine/EngineController.h"
#include "framework/QenUILibCanvas.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/Graphics.h"
#include "platform/os/Messages.h"
#include "platform/os/Window.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace
{

using namespace Platform::Gfx;

class NoReport : public Qen::CDeviceFailureReporter
{
public:
    void ReportCreateDeviceFailed(Result) override {}
};

// One windowed 1280 × 1024 head, the engine over it and a painted canvas of the same size.
struct Engine
{
    Engine()
    {
        graphics = CreateGraphics(32);
        adapters = Qen::EnumerateAdapters(graphics, DeviceType::Hal, nullptr);
        Platform::WindowClass record;
        record.procedure = &Platform::DefWindowProcA;
        record.className = "CanvasBench";
        Platform::RegisterClassExA(&record);
        window = Platform::CreateWindowExA(0, "CanvasBench", "CanvasBench", Platform::WS_OVERLAPPEDWINDOW, 0, 0,
                                           1280, 1024, Platform::GetDesktopWindow(), nullptr, nullptr, nullptr);
        settings.SetAdapter(adapters[0]);
        settings.SetWindowSize(BaseLib::CSize(1280, 1024));
        settings.records[0].hDeviceWindow = window;
        NoReport reporter;
        if (!settings.CreateDevice(controller, reporter, graphics, &device))
        {
            std::abort();
        }
        controller.InitEngine(device, graphics);
        canvas = GameLib::CQenUILibCanvas::Make(&controller, 1280, 1024);
        canvas->BeginDraw();
        canvas->Clear(BaseLib::CColor(40, 80, 160, 200));
        canvas->EndDraw(true);
    }

    Graphics* graphics = nullptr;
    std::vector<Qen::CAdapterRecord*> adapters;
    Platform::WindowHandle window = nullptr;
    Qen::CDisplaySettings settings;
    Qen::CEngineController controller;
    Device* device = nullptr;
    GameLib::CQenUILibCanvas* canvas = nullptr;
};

Engine& TheEngine()
{
    static Engine* engine = new Engine(); // lives until the process ends
    return *engine;
}

// dirtyTiles tiles (spread over the canvas) are marked changed before every Render.
void RenderCanvas(benchmark::State& state)
{
    Engine& engine = TheEngine();
    GameLib::CQenUILibCanvas* canvas = engine.canvas;
    const auto dirtyTiles = static_cast<std::int32_t>(state.range(0));
    const std::int32_t count = canvas->GetColumns() * canvas->GetRows();
    const auto markDirty = [&] {
        for (std::int32_t i = 0; i < dirtyTiles; ++i)
        {
            const std::int32_t tile = i * count / dirtyTiles;
            const std::int32_t x = (tile % canvas->GetColumns()) * 128;
            const std::int32_t y = (tile / canvas->GetColumns()) * 128;
            canvas->OnRectChanged(x + 5, y + 5, x + 15, y + 15, false);
        }
    };
    // One frame first: the tiles uploaded once, the programs the device makes compiled.
    markDirty();
    engine.device->BeginScene();
    canvas->Render(nullptr);
    engine.device->EndScene();

    const std::uint64_t uploads = canvas->GetUploadCount();
    const std::int64_t allocations = BenchHeap::Allocations();
    for (auto _ : state)
    {
        markDirty();
        engine.device->BeginScene();
        canvas->Render(nullptr);
        engine.device->EndScene();
    }
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["uploads/render"] = static_cast<double>(canvas->GetUploadCount() - uploads) / iterations;
    state.counters["allocations/render"] = static_cast<double>(BenchHeap::Allocations() - allocations) / iterations;
}

BENCHMARK(RenderCanvas)->ArgName("dirty tiles")->Arg(0)->Arg(8)->Arg(80)->Unit(benchmark::kMillisecond);

} // namespace
