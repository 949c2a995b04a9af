// The framework's window-system canvas: Render of a 1280 × 1024 canvas (80 tiles) with no dirty tile,
// with 8 dirty tiles and with every tile dirty. Each case counts the tiles uploaded and the heap blocks
// allocated per Render (which must stay 0). Needs a display (run under xvfb-run -a).
#include "bench/BenchEngine.h"
#include "bench/HeapCounter.h"
#include "framework/QenUILibCanvas.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace
{

using namespace Platform::Gfx;

// One windowed 1280 × 1024 head, the engine over it and a painted canvas of the same size.
struct Engine : BenchSupport::Engine
{
    Engine() : BenchSupport::Engine("CanvasBench", 1280, 1024)
    {
        canvas = GameLib::CQenUILibCanvas::Make(&controller, 1280, 1024);
        canvas->BeginDraw();
        canvas->Clear(BaseLib::CColor(40, 80, 160, 200));
        canvas->EndDraw(true);
    }

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
