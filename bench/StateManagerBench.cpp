// The device state manager's filtered calls that find their value cached: a render state, a texture and
// a block of 16 float registers. Each counts the heap allocations made inside the timed loop, which
// must stay 0. Needs a display (run under xvfb-run).
#include "bench/BenchEngine.h"
#include "bench/HeapCounter.h"
#include "engine/DeviceStateMgr.h"
#include "platform/gfx/Texture.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdlib>

namespace
{

using namespace Platform::Gfx;

// One windowed 64 x 48 head and the engine over it, for the whole run.
struct Engine : BenchSupport::Engine
{
    Engine() : BenchSupport::Engine("StateBench", 64, 48)
    {
        device->CreateTexture(4, 4, 1, 0, Format::A8R8G8B8, Pool::Managed, &texture, nullptr);
    }

    Texture* texture = nullptr;
};

Engine& TheEngine()
{
    static Engine* engine = new Engine(); // lives until the process ends
    return *engine;
}

template <typename Call> void RunCached(benchmark::State& state, Call call)
{
    call(); // the first call fills the cache
    const std::int64_t before = BenchHeap::Allocations();
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(call());
    }
    state.counters["allocations"] = static_cast<double>(BenchHeap::Allocations() - before);
}

void BM_CachedRenderState(benchmark::State& state)
{
    Qen::CDeviceStateMgr* states = TheEngine().controller.GetStateManager();
    RunCached(state, [&] { return states->SetRenderState(RenderState::ZEnable, 1); });
}
BENCHMARK(BM_CachedRenderState)->Iterations(1000000);

void BM_CachedTexture(benchmark::State& state)
{
    Qen::CDeviceStateMgr* states = TheEngine().controller.GetStateManager();
    Texture* texture = TheEngine().texture;
    RunCached(state, [&] { return states->SetTexture(0, texture); });
}
BENCHMARK(BM_CachedTexture)->Iterations(1000000);

void BM_CachedConstantBlock16(benchmark::State& state)
{
    Qen::CDeviceStateMgr* states = TheEngine().controller.GetStateManager();
    std::array<float, 64> block{};
    for (std::size_t i = 0; i < block.size(); ++i)
    {
        block[i] = static_cast<float>(i);
    }
    RunCached(state, [&] { return states->SetVertexShaderConstantF(32, block.data(), 16); });
}
BENCHMARK(BM_CachedConstantBlock16)->Iterations(1000000);

} // namespace
