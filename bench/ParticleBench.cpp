// The particle source's Advance (emission and update, no device) with 1,000 and 16,384 live particles:
// a pool kept full by a rate of capacity / lifetime, stepped at 60 frames a second. Reports particles
// updated per second and the heap blocks allocated per frame (the pool's steps allocate none).
#include "bench/HeapCounter.h"
#include "framework/ParticleSourceNode.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>

namespace
{

// A source without buffers: its buffer steps do nothing, so no device is needed.
class SimulationOnlySource : public GameLib::CParticleSourceNode
{
public:
    SimulationOnlySource() : CParticleSourceNode(nullptr) {}
    void CreateIndexBuffer() override {}
    void CreateVertexBuffer() override {}
};

void BM_ParticleAdvance(benchmark::State& state)
{
    const auto capacity = static_cast<int>(state.range(0));
    constexpr float kLifetime = 4.0f;
    constexpr float kStep = 1.0f / 60.0f;
    auto* source = new SimulationOnlySource();
    source->SetMaxParticles(capacity);
    source->SetLifetime(kLifetime);
    source->SetEmissionRate(float(capacity) / kLifetime * 1.05f);
    source->SetBoxSize(BaseLib::CVector3(2.0f, 1.0f, 2.0f));
    source->SetSpin(1.0f);
    float t = 0.0f;
    while (t < 2.0f * kLifetime)
    {
        source->Advance(t, t + kStep);
        t += kStep;
    }
    std::int64_t particles = 0;
    const std::int64_t blocksBefore = BenchHeap::Allocations();
    for (auto _ : state)
    {
        source->Advance(t, t + kStep);
        t += kStep;
        particles += source->GetParticleCount();
        if (t > 1000.0f)
        {
            t = 0.0f; // keeps the steps exact enough; the source only sees the differences
        }
    }
    state.counters["heap_blocks_per_frame"] =
        double(BenchHeap::Allocations() - blocksBefore) / double(std::max<std::int64_t>(state.iterations(), 1));
    state.counters["live"] = source->GetParticleCount();
    state.SetItemsProcessed(particles);
    source->Release(false);
}
BENCHMARK(BM_ParticleAdvance)->Arg(1000)->Arg(GameLib::CParticleSourceNode::kMaxParticles);

} // namespace
