// Models through the whole engine chain on a real device (run under a display: xvfb-run -a).
//
// Two models are written at start by the project's X-file writer into a temporary folder: a static one
// of 20,000 triangles in 10 frames with a textured and a plain material, and a skinned one of 10,000
// triangles on 30 bones with a 2-second animation. Both draw with the standard effects of media/shader.
//
// Loading: GetModel with the default options, cold (the model, its material clones and its texture
// destroyed between runs; the two standard effects stay compiled, as they do in the game), with the
// peak heap of one load (operator new and delete counted by HeapCounter.cpp); a clone of a registered
// model. Drawing: one 1024 × 768 frame of 50 static and 10 skinned instances, each skinned one animated
// at its own time; the processor time the draws take on this thread before Present, and frames per
// second with Present.

#include "bench/BenchModels.h"
#include "bench/HeapCounter.h"

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace
{

using namespace BenchModels;

ModelScene& TheScene()
{
    static auto* scene = new ModelScene("ModelBench"); // lives until the process ends
    return *scene;
}

CResourcePtr<Qen::CModel> Load(const char* file, bool clone)
{
    return TheScene().Load(file, clone);
}

void LoadCold(benchmark::State& state, const char* file)
{
    ModelScene& scene = TheScene();
    std::int64_t peak = 0;
    for (auto _ : state)
    {
        const std::int64_t before = BenchHeap::InUse();
        BenchHeap::ResetPeak();
        {
            CResourcePtr<Qen::CModel> model = Load(file, false);
            peak = std::max(peak, BenchHeap::Peak() - before);
        }
        state.PauseTiming();
        scene.DestroyCached();
        state.ResumeTiming();
    }
    state.counters["peak_heap_MB"] = static_cast<double>(peak) / (1024.0 * 1024.0);
}

void BM_LoadStaticModel(benchmark::State& state)
{
    LoadCold(state, "static.x");
}

void BM_LoadSkinnedModel(benchmark::State& state)
{
    LoadCold(state, "skinned.x");
}

void BM_CloneSkinnedModel(benchmark::State& state)
{
    const CResourcePtr<Qen::CModel> registered = Load("skinned.x", false);
    for (auto _ : state)
    {
        CResourcePtr<Qen::CModel> clone = Load("skinned.x", true);
        benchmark::DoNotOptimize(clone.Get());
    }
    TheScene().DestroyCached();
}

double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// 50 static instances in a 10 × 5 grid and 10 skinned ones in a row in front of them, seen from above.
void BM_DrawFrame(benchmark::State& state)
{
    ModelFrame frame(TheScene());
    Platform::Gfx::Device* device = TheScene().engine.device;
    // The first frames compile the driver's programs and upload the meshes and textures.
    for (int i = 0; i < 3; ++i)
    {
        frame.Draw();
        frame.Present();
    }

    double drawSeconds = 0.0;
    const std::uint64_t drawsBefore = device->Counters().drawCalls;
    for (auto _ : state)
    {
        const double start = ThreadSeconds();
        frame.Draw();
        drawSeconds += ThreadSeconds() - start;
        frame.Present();
    }
    const double frames = static_cast<double>(state.iterations());
    state.counters["engine_cpu_ms_per_frame"] = drawSeconds * 1000.0 / frames;
    state.counters["frames_per_second"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
    state.counters["draws_per_frame"] = static_cast<double>(device->Counters().drawCalls - drawsBefore) / frames;
    state.counters["triangles_per_frame"] = 50.0 * 20000.0 + 10.0 * 10000.0;
}

BENCHMARK(BM_LoadStaticModel)->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(BM_LoadSkinnedModel)->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(BM_CloneSkinnedModel)->Unit(benchmark::kMicrosecond)->Iterations(200);
BENCHMARK(BM_DrawFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

} // namespace
