// The developer overlay per frame: the frame-time graph's AddFrame plus its Draw, and the overlay's Draw
// of four statistics lines with a warm glyph atlas. Each counts the heap blocks allocated per frame
// (which must stay 0). Needs a display (run under xvfb-run -a).
#include "bench/BenchEngine.h"
#include "bench/HeapCounter.h"
#include "framework/DebugOverlay.h"
#include "framework/DebugStatistics.h"
#include "framework/FramerateGraph.h"

#include <benchmark/benchmark.h>

namespace
{

BenchSupport::Engine& TheEngine()
{
    static auto* engine = new BenchSupport::Engine("OverlayBench", 640, 480); // lives until the process ends
    return *engine;
}

template <typename Frame> void RunFrames(benchmark::State& state, Frame frame)
{
    Platform::Gfx::Device* device = TheEngine().device;
    const auto run = [&] {
        device->BeginScene();
        frame();
        device->EndScene();
    };
    run(); // warm: glyphs rasterised, programs compiled
    const std::int64_t before = BenchHeap::Allocations();
    for (auto _ : state)
    {
        run();
    }
    state.counters["allocations/frame"] =
        static_cast<double>(BenchHeap::Allocations() - before) / static_cast<double>(state.iterations());
}

void GraphFrame(benchmark::State& state)
{
    GameLib::CFramerateGraph graph(&TheEngine().controller);
    graph.CreateDeviceObjects(512, 128);
    float seconds = 0.0f;
    RunFrames(state, [&] {
        seconds = seconds > 0.1f ? 0.0f : seconds + 0.007f;
        graph.AddFrame(seconds);
        graph.Draw();
    });
}
BENCHMARK(GraphFrame)->Unit(benchmark::kMicrosecond);

void OverlayFrame(benchmark::State& state)
{
    static const char fps[] = "f fps: %.1f";
    static const char polygons[] = "i polycount = %d";
    static const char meshes[] = "i meshcount = %d";
    static const char groups[] = "i vertexgroups = %d";
    float rate = 59.9f;
    std::int32_t counts[3] = {123456, 78, 9};
    GameLib::DebugStatistics::GetSlot(fps) = &rate;
    GameLib::DebugStatistics::GetSlot(polygons) = &counts[0];
    GameLib::DebugStatistics::GetSlot(meshes) = &counts[1];
    GameLib::DebugStatistics::GetSlot(groups) = &counts[2];
    GameLib::CDebugOverlay overlay(&TheEngine().controller, BaseLib::CSize(640, 480));
    RunFrames(state, [&] {
        counts[0] = (counts[0] + 1) % 1000000; // the same glyphs, other text
        overlay.Draw();
    });
    GameLib::DebugStatistics::Clear();
}
BENCHMARK(OverlayFrame)->Unit(benchmark::kMicrosecond);

} // namespace
