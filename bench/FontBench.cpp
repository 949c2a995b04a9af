// Alpha bitmap fonts over the platform font layer: making a font of height 14 (face match, metrics and
// kerning pairs) and rasterising glyphs into an empty cache.
#include "ui/AlphaBitmapFont.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace
{

void BM_ConstructAlphaFont14(benchmark::State& state)
{
    for (auto _ : state)
    {
        UILib::CAlphaBitmapFont font(nullptr, 14, "DejaVu Sans", 0, 0, 5, 0);
        benchmark::DoNotOptimize(font.GetKerningPairCount());
    }
}
BENCHMARK(BM_ConstructAlphaFont14)->Unit(benchmark::kMillisecond);

// Every printable ASCII character and the Latin-1 letters, each rasterised once into a fresh cache.
void BM_RasteriseColdCache(benchmark::State& state)
{
    const auto height = static_cast<std::int32_t>(state.range(0));
    std::int64_t glyphs = 0;
    for (auto _ : state)
    {
        state.PauseTiming();
        auto font = std::make_unique<UILib::CAlphaBitmapFont>(nullptr, height, "DejaVu Sans", 0, 0, 5, 0);
        state.ResumeTiming();
        for (char16_t c = 33; c < 256; ++c)
        {
            if (c < 127 || c >= 192)
            {
                benchmark::DoNotOptimize(font->GetGlyph(c));
                ++glyphs;
            }
        }
        state.PauseTiming();
        font.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(glyphs);
}
BENCHMARK(BM_RasteriseColdCache)->Arg(14)->Arg(32);

// The same characters again from a warm cache.
void BM_GlyphWarmCache(benchmark::State& state)
{
    UILib::CAlphaBitmapFont font(nullptr, 14, "DejaVu Sans", 0, 0, 5, 0);
    std::int64_t glyphs = 0;
    for (auto _ : state)
    {
        for (char16_t c = 33; c < 127; ++c)
        {
            benchmark::DoNotOptimize(font.GetGlyph(c));
            ++glyphs;
        }
    }
    state.SetItemsProcessed(glyphs);
}
BENCHMARK(BM_GlyphWarmCache);

} // namespace
