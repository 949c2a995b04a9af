// The pixel-buffer canvas's hot paths on a 1024 x 768 block, in pixels per second, beside a plain
// memory fill and copy of the same bytes as the yardstick.
#include "bench/BenchCanvas.h"
#include "foundation/ResourceRegistry.h"
#include "ui/Bitmap.h"
#include "ui/BitmapFactory.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace
{

using BaseLib::CColor;

constexpr int Width = 1024;
constexpr int Height = 768;

void SetRate(benchmark::State& state, std::int64_t pixelsPerIteration)
{
    state.counters["pixels/s"] =
        benchmark::Counter(static_cast<double>(pixelsPerIteration), benchmark::Counter::kIsIterationInvariantRate);
}

void YardstickFill(benchmark::State& state)
{
    std::vector<std::uint32_t> block(static_cast<std::size_t>(Width) * Height);
    for (auto _ : state)
    {
        std::fill(block.begin(), block.end(), 0xFF336699u);
        benchmark::DoNotOptimize(block.data());
        benchmark::ClobberMemory();
    }
    SetRate(state, Width * Height);
}
BENCHMARK(YardstickFill);

void YardstickCopy(benchmark::State& state)
{
    std::vector<std::uint32_t> source(static_cast<std::size_t>(Width) * Height, 0xFF112233u);
    std::vector<std::uint32_t> target(source.size());
    for (auto _ : state)
    {
        std::memcpy(target.data(), source.data(), source.size() * sizeof(std::uint32_t));
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    SetRate(state, Width * Height);
}
BENCHMARK(YardstickCopy);

void FillWholeCanvas(benchmark::State& state)
{
    Bench::CBenchCanvas canvas(Width, Height);
    for (auto _ : state)
    {
        canvas.FillRect(0, 0, Width, Height, CColor(10, 20, 30, 255));
        benchmark::ClobberMemory();
    }
    SetRate(state, Width * Height);
}
BENCHMARK(FillWholeCanvas);

void FillSmallRects(benchmark::State& state)
{
    Bench::CBenchCanvas canvas(Width, Height);
    for (auto _ : state)
    {
        for (int i = 0; i < 4096; ++i)
        {
            const int x = (i * 37) % (Width - 16);
            const int y = (i * 53) % (Height - 16);
            canvas.FillRect(x, y, x + 16, y + 16, CColor(i & 255, 20, 30, 255));
        }
        benchmark::ClobberMemory();
    }
    SetRate(state, 4096 * 256);
}
BENCHMARK(FillSmallRects);

void AlphaMaskAlongALine(benchmark::State& state)
{
    Bench::CBenchCanvas canvas(Width, Height);
    std::vector<std::uint8_t> glyph(16 * 16);
    for (int i = 0; i < 256; ++i)
    {
        glyph[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((i * 7) % 256); // mixed 0, 255, between
    }
    const UILib::CAlphaMask mask{glyph.data(), 16, 16};
    for (auto _ : state)
    {
        for (int x = 0; x + 16 <= Width; x += 10)
        {
            canvas.DrawAlphaMask(mask, x, 100, CColor(255, 255, 255, 255), canvas.GetBounds());
        }
        benchmark::ClobberMemory();
    }
    SetRate(state, static_cast<std::int64_t>((Width - 16) / 10 + 1) * 256);
}
BENCHMARK(AlphaMaskAlongALine);

// A 256 x 256 bitmap: a quarter alpha 0, a quarter 255, half in between. Drawn 12 times per iteration,
// tiled over the canvas.
void DrawBitmapTiles(benchmark::State& state, bool blend)
{
    BaseLib::CResourceRegistry registry;
    UILib::CBitmapFactory factory(&registry, nullptr);
    UILib::CBitmap bitmap(256, 256, true);
    CColor* pixels = bitmap.GetWritablePixels();
    for (int y = 0; y < 256; ++y)
    {
        for (int x = 0; x < 256; ++x)
        {
            const int alpha = y < 64 ? 0 : y < 128 ? 255 : 1 + (x + y) % 254;
            pixels[y * 256 + x] = CColor(x, y, 128, alpha);
        }
    }
    Bench::CBenchCanvas canvas(Width, Height);
    for (auto _ : state)
    {
        for (int tile = 0; tile < 12; ++tile)
        {
            canvas.DrawBitmap(BaseLib::CPoint(tile % 4 * 256, tile / 4 * 256), bitmap, blend);
        }
        benchmark::ClobberMemory();
    }
    SetRate(state, 12 * 256 * 256);
}

void DrawBitmapCopied(benchmark::State& state)
{
    DrawBitmapTiles(state, false);
}
BENCHMARK(DrawBitmapCopied);

void DrawBitmapBlended(benchmark::State& state)
{
    DrawBitmapTiles(state, true);
}
BENCHMARK(DrawBitmapBlended);

void LongDiagonalLine(benchmark::State& state)
{
    Bench::CBenchCanvas canvas(Width, Height);
    for (auto _ : state)
    {
        canvas.DrawLine(0, 0, Width - 1, Height - 1, CColor(255, 0, 0, 255));
        benchmark::ClobberMemory();
    }
    SetRate(state, Width);
}
BENCHMARK(LongDiagonalLine);

void LongHorizontalLine(benchmark::State& state)
{
    Bench::CBenchCanvas canvas(Width, Height);
    for (auto _ : state)
    {
        canvas.DrawLine(0, 300, Width - 1, 300, CColor(255, 0, 0, 255));
        benchmark::ClobberMemory();
    }
    SetRate(state, Width);
}
BENCHMARK(LongHorizontalLine);

} // namespace
