// The mesh operations of model preparation on a generated grid of 250 × 200 quads (100,000 faces)
// with normals and texture coordinates, each reported in faces per second. Needs a display (Xvfb).

#include "platform/gfx/Device.h"
#include "platform/gfx/Graphics.h"
#include "platform/gfxkit/mesh/MeshPreparation.h"
#include "platform/os/DebugOutput.h"
#include "platform/os/Messages.h"
#include "platform/os/Window.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

using namespace Platform::GfxKit;
namespace Gfx = Platform::Gfx;

namespace
{

constexpr int Columns = 250;
constexpr int Rows = 200;

// One device for every case, made on first use and kept to the end of the program.
Gfx::Device* SharedDevice()
{
    static Gfx::Device* device = [] {
        Gfx::Graphics* graphics = Gfx::CreateGraphics(32);
        Platform::WindowClass record;
        record.procedure = &Platform::DefWindowProcA;
        record.className = "MeshBench";
        Platform::RegisterClassExA(&record);
        Platform::WindowHandle window =
            Platform::CreateWindowExA(0, "MeshBench", "MeshBench", Platform::WS_OVERLAPPEDWINDOW, 0, 0, 64, 64,
                                      Platform::GetDesktopWindow(), nullptr, nullptr, nullptr);
        Gfx::PresentParameters parameters;
        parameters.BackBufferWidth = 64;
        parameters.BackBufferHeight = 64;
        parameters.BackBufferFormat = Gfx::Format::X8R8G8B8;
        parameters.hDeviceWindow = window;
        parameters.Windowed = 1;
        Gfx::Device* made = nullptr;
        if (graphics == nullptr || Gfx::Failed(graphics->CreateDevice(0, Gfx::DeviceType::Hal, window,
                                                                       Gfx::CreateFlag::HardwareVertexProcessing,
                                                                       &parameters, &made)))
        {
            return static_cast<Gfx::Device*>(nullptr);
        }
        return made;
    }();
    return device;
}

// The grid, gently waved so that simplification has errors to weigh; 32-bit indices.
Mesh* MakeGrid()
{
    const Gfx::VertexElement elements[] = {
        {0, 0, Gfx::DeclType::Float3, 0, Gfx::DeclUsage::Position, 0},
        {0, 12, Gfx::DeclType::Float3, 0, Gfx::DeclUsage::Normal, 0},
        {0, 24, Gfx::DeclType::Float2, 0, Gfx::DeclUsage::TexCoord, 0},
        {0, 32, Gfx::DeclType::Float3, 0, Gfx::DeclUsage::Tangent, 0},
        Gfx::DeclarationEnd,
    };
    Mesh* mesh = nullptr;
    const std::uint32_t vertices = (Columns + 1) * (Rows + 1);
    if (Gfx::Failed(CreateMesh(Columns * Rows * 2, vertices, MeshOption::SystemMem | MeshOption::Use32Bit, elements,
                               SharedDevice(), &mesh)))
    {
        return nullptr;
    }
    std::vector<std::uint8_t> bytes(std::size_t(vertices) * 44, 0);
    for (int y = 0; y <= Rows; ++y)
    {
        for (int x = 0; x <= Columns; ++x)
        {
            const float values[8] = {float(x), float(y), 0.2f * std::sin(x * 0.1f) * std::cos(y * 0.13f), 0, 0, 1,
                                     float(x) / Columns, float(y) / Rows};
            std::memcpy(bytes.data() + std::size_t(y * (Columns + 1) + x) * 44, values, sizeof values);
        }
    }
    std::vector<std::uint32_t> indices;
    for (int y = 0; y < Rows; ++y)
    {
        for (int x = 0; x < Columns; ++x)
        {
            const std::uint32_t a = y * (Columns + 1) + x;
            const std::uint32_t b = a + 1;
            const std::uint32_t c = a + Columns + 1;
            indices.insert(indices.end(), {a, b, c, b, c + 1, c});
        }
    }
    mesh->SetVertexBytes(bytes);
    mesh->SetIndices(indices);
    return mesh;
}

// Runs `operation` on a fresh grid per iteration (made outside the timing) and reports faces per second.
template <typename Operation>
void OnGrid(benchmark::State& state, Operation operation)
{
    Platform::SetDebugOutputSink([](const char*) {});
    if (SharedDevice() == nullptr)
    {
        state.SkipWithError("no device (run under Xvfb)");
        return;
    }
    std::int64_t faces = 0;
    for (auto _ : state)
    {
        state.PauseTiming();
        Mesh* grid = MakeGrid();
        state.ResumeTiming();
        if (!operation(grid))
        {
            state.SkipWithError("the operation failed");
        }
        faces += grid->GetNumFaces();
        state.PauseTiming();
        grid->Release();
        state.ResumeTiming();
    }
    state.counters["faces/s"] = benchmark::Counter(static_cast<double>(faces), benchmark::Counter::kIsRate);
    Platform::SetDebugOutputSink(nullptr);
}

void GenerateAdjacency(benchmark::State& state)
{
    std::vector<std::uint32_t> adjacency(Columns * Rows * 6);
    OnGrid(state, [&](Mesh* grid) { return Gfx::Succeeded(grid->GenerateAdjacency(0.0f, adjacency.data())); });
}

void OptimizeInplace(benchmark::State& state)
{
    OnGrid(state, [](Mesh* grid) { return Gfx::Succeeded(grid->OptimizeInplace(0x07000000, nullptr, nullptr, nullptr, nullptr)); });
}

void CleanMesh(benchmark::State& state)
{
    OnGrid(state, [](Mesh* grid) {
        Mesh* cleaned = nullptr;
        const bool done = Gfx::Succeeded(CleanMesh(CleanFlag::BackFacing | CleanFlag::Bowties, grid, nullptr, &cleaned,
                                                   nullptr, nullptr));
        if (cleaned != nullptr)
        {
            cleaned->Release();
        }
        return done;
    });
}

void WeldVertices(benchmark::State& state)
{
    OnGrid(state, [](Mesh* grid) {
        const WeldEpsilons zero{};
        return Gfx::Succeeded(WeldVertices(grid, 0, &zero, nullptr, nullptr, nullptr, nullptr));
    });
}

void SimplifyToHalf(benchmark::State& state)
{
    OnGrid(state, [](Mesh* grid) {
        Mesh* simplified = nullptr;
        const bool done = Gfx::Succeeded(
            SimplifyMesh(grid, nullptr, nullptr, nullptr, grid->GetNumFaces() / 2, SimplifyFlag::Face, &simplified));
        if (simplified != nullptr)
        {
            simplified->Release();
        }
        return done;
    });
}

void ComputeTangents(benchmark::State& state)
{
    OnGrid(state, [](Mesh* grid) {
        Mesh* framed = nullptr;
        const bool done = Gfx::Succeeded(ComputeTangentFrameEx(
            grid, Gfx::DeclUsage::TexCoord, 0, Gfx::DeclUsage::Tangent, 0, NoUsage, 0, NoUsage, 0,
            TangentOption::DontOrthogonalize, nullptr, 0.01f, 0.25f, 0.01f, &framed, nullptr));
        if (framed != nullptr)
        {
            framed->Release();
        }
        return done;
    });
}

BENCHMARK(GenerateAdjacency)->Unit(benchmark::kMillisecond);
BENCHMARK(OptimizeInplace)->Unit(benchmark::kMillisecond);
BENCHMARK(CleanMesh)->Unit(benchmark::kMillisecond);
BENCHMARK(WeldVertices)->Unit(benchmark::kMillisecond);
BENCHMARK(SimplifyToHalf)->Unit(benchmark::kMillisecond);
BENCHMARK(ComputeTangents)->Unit(benchmark::kMillisecond);

} // namespace
