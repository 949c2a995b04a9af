// Draws without programs in the window-system canvas's pattern: 48 textured 128 × 128 tiles per frame
// from one vertex and index buffer, the texture changed between draws, the stages doing the work.
// Reports draws per second (real time, presents included) and the heap blocks the draws allocate once
// their programs are cached (counted by the operator new of HeapCounter.cpp). Run under a display (xvfb-run
// -a) from a Release build.

#include "bench/HeapCounter.h"
#include "platform/gfx/Buffer.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/Graphics.h"
#include "platform/gfx/Texture.h"
#include "platform/os/Messages.h"
#include "platform/os/Window.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace
{

using namespace Platform::Gfx;

constexpr std::uint32_t kColumns = 8;
constexpr std::uint32_t kRows = 6;
constexpr std::uint32_t kTile = 128;

struct Vertex
{
    float x, y, z, rhw, u, v;
};

void BM_CanvasTilesWithoutPrograms(benchmark::State& state)
{
    Graphics* graphics = CreateGraphics(32);
    Platform::WindowClass record;
    record.procedure = &Platform::DefWindowProcA;
    record.className = "FixedFunctionDrawBench";
    Platform::RegisterClassExA(&record);
    WindowHandle window =
        Platform::CreateWindowExA(0, record.className, record.className, Platform::WS_OVERLAPPEDWINDOW, 0, 0,
                                  1024, 768, Platform::GetDesktopWindow(), nullptr, nullptr, nullptr);
    PresentParameters present;
    present.BackBufferWidth = kColumns * kTile;
    present.BackBufferHeight = kRows * kTile;
    present.BackBufferFormat = Format::X8R8G8B8;
    present.hDeviceWindow = window;
    present.PresentationInterval = PresentInterval::Immediate;
    Device* device = nullptr;
    if (!graphics || Failed(graphics->CreateDevice(0, DeviceType::Hal, window,
                                                   CreateFlag::HardwareVertexProcessing, &present, &device)))
    {
        state.SkipWithError("no device (run under a display)");
        return;
    }

    const std::uint32_t tiles = kColumns * kRows;
    std::vector<Texture*> textures(tiles);
    for (std::uint32_t i = 0; i < tiles; ++i)
    {
        device->CreateTexture(kTile, kTile, 1, 0, Format::A8R8G8B8, Pool::Managed, &textures[i], nullptr);
        LockedRect locked;
        textures[i]->LockRect(0, &locked, nullptr, 0);
        for (std::uint32_t y = 0; y < kTile; ++y)
        {
            auto* row =
                reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(locked.pBits) + y * locked.Pitch);
            for (std::uint32_t x = 0; x < kTile; ++x)
            {
                row[x] = 0xFF000000u | (i * 5) << 16 | x << 8 | y;
            }
        }
        textures[i]->UnlockRect(0);
    }
    VertexBuffer* vertices = nullptr;
    IndexBuffer* indices = nullptr;
    device->CreateVertexBuffer(tiles * 4 * sizeof(Vertex), Usage::WriteOnly, 0x104, Pool::Managed, &vertices,
                               nullptr);
    device->CreateIndexBuffer(tiles * 6 * 2, Usage::WriteOnly, Format::Index16, Pool::Managed, &indices,
                              nullptr);
    void* data = nullptr;
    vertices->Lock(0, 0, &data, 0);
    auto* vertex = static_cast<Vertex*>(data);
    indices->Lock(0, 0, &data, 0);
    auto* index = static_cast<std::uint16_t*>(data);
    const float half = 0.5f / kTile;
    for (std::uint32_t i = 0; i < tiles; ++i)
    {
        const auto left = static_cast<float>((i % kColumns) * kTile);
        const auto top = static_cast<float>((i / kColumns) * kTile);
        const auto size = static_cast<float>(kTile);
        vertex[4 * i + 0] = {left, top, 0, 1, half, half};
        vertex[4 * i + 1] = {left + size, top, 0, 1, 1 + half, half};
        vertex[4 * i + 2] = {left, top + size, 0, 1, half, 1 + half};
        vertex[4 * i + 3] = {left + size, top + size, 0, 1, 1 + half, 1 + half};
        const std::uint16_t first = static_cast<std::uint16_t>(4 * i);
        const std::uint16_t quad[6] = {first,
                                       static_cast<std::uint16_t>(first + 1),
                                       static_cast<std::uint16_t>(first + 2),
                                       static_cast<std::uint16_t>(first + 2),
                                       static_cast<std::uint16_t>(first + 1),
                                       static_cast<std::uint16_t>(first + 3)};
        std::memcpy(index + 6 * i, quad, sizeof(quad));
    }
    vertices->Unlock();
    indices->Unlock();

    // The canvas's fixed-function states.
    device->SetRenderState(RenderState::AlphaTestEnable, 1);
    device->SetRenderState(RenderState::AlphaFunc, Compare::Greater);
    device->SetRenderState(RenderState::AlphaBlendEnable, 1);
    device->SetRenderState(RenderState::SrcBlend, Blend::SrcAlpha);
    device->SetRenderState(RenderState::DestBlend, Blend::InvSrcAlpha);
    device->SetRenderState(RenderState::ZEnable, 0);
    device->SetRenderState(RenderState::CullMode, Cull::None);
    device->SetTextureStageState(0, TextureStageState::AlphaArg1, TextureArg::Texture);
    device->SetTextureStageState(0, TextureStageState::AlphaArg2, TextureArg::Factor);
    device->SetTextureStageState(0, TextureStageState::AlphaOp, TextureOp::Modulate);
    device->SetTextureStageState(0, TextureStageState::ColorArg1, TextureArg::Texture);
    device->SetTextureStageState(0, TextureStageState::ColorOp, TextureOp::SelectArg1);
    device->SetTextureStageState(1, TextureStageState::ColorOp, TextureOp::Disable);
    device->SetRenderState(RenderState::TextureFactor, 0xC0000000u);
    device->SetIndices(indices);
    device->SetStreamSource(0, vertices, 0, sizeof(Vertex));
    device->SetFVF(0x104);

    std::int64_t drawAllocations = 0;
    auto frame = [&] {
        device->Clear(0, nullptr, ClearFlag::Target, 0xFF000000u, 1.0f, 0);
        device->BeginScene();
        const std::int64_t before = BenchHeap::Allocations();
        for (std::uint32_t i = 0; i < tiles; ++i)
        {
            device->SetTexture(0, textures[i]);
            device->DrawIndexedPrimitive(PrimitiveType::TriangleList, 0, 4 * i, 4, 6 * i, 2);
        }
        drawAllocations += BenchHeap::Allocations() - before;
        device->EndScene();
        device->Present(nullptr, nullptr, nullptr, nullptr);
    };
    frame(); // compiles and caches the programs
    drawAllocations = 0;
    for (auto _ : state)
    {
        frame();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * tiles);
    state.counters["draw_allocations"] = static_cast<double>(drawAllocations);
    state.counters["generated_programs"] = static_cast<double>(device->Counters().generatedPrograms);

    device->SetTexture(0, nullptr);
    device->SetIndices(nullptr);
    device->SetStreamSource(0, nullptr, 0, 0);
    vertices->Release();
    indices->Release();
    for (Texture* texture : textures)
    {
        texture->Release();
    }
    device->Release();
    Platform::DestroyWindow(window);
    graphics->Release();
}
BENCHMARK(BM_CanvasTilesWithoutPrograms)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
