// Text on a 1024 × 768 pixel-buffer canvas: alpha-font glyphs drawn from a warm and a cold cache,
// bitmap-font glyphs, and wrapped layout of a 4 KB text.
#include "bench/BenchCanvas.h"
#include "foundation/ResourceRegistry.h"
#include "ui/AlphaBitmapFont.h"
#include "ui/BitmapFactory.h"
#include "ui/BitmapPng.h"
#include "ui/FontFactory.h"
#include "ui/TextLines.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

constexpr std::int32_t Width = 1024;
constexpr std::int32_t Height = 768;
const char* const Sentence = "The quick brown fox jumps over the lazy dog while Quarrow moves its blocks. ";

// Draws the sentence line after line down the screen; answers the glyphs drawn.
std::int64_t DrawScreen(Bench::CBenchCanvas& screen, const BaseLib::CResourcePtr<UILib::CFont>& font)
{
    std::int64_t glyphs = 0;
    const auto length = static_cast<std::int64_t>(std::string(Sentence).size());
    for (std::int32_t y = 14; y < Height; y += 16)
    {
        screen.DrawText(font, 0, y, Sentence, BaseLib::CColor(0, 0, 0, 255), 0);
        glyphs += length;
    }
    return glyphs;
}

struct Fonts
{
    Fonts()
    {
        registry.SetMemoryLimit(3 * 1024 * 1024);
        factory = std::make_unique<UILib::CFontFactory>(&registry);
    }
    ~Fonts() { factory.reset(); }
    BaseLib::CResourceRegistry registry;
    std::unique_ptr<UILib::CFontFactory> factory;
};

void BM_DrawTextAlphaWarm(benchmark::State& state)
{
    Fonts fonts;
    Bench::CBenchCanvas screen(Width, Height);
    const auto font = UILib::CreateAlphaBitmapFont(fonts.factory.get(), 14, "DejaVu Sans", 0, 0, 5, 0);
    DrawScreen(screen, font);
    std::int64_t glyphs = 0;
    for (auto _ : state)
    {
        glyphs += DrawScreen(screen, font);
    }
    state.SetItemsProcessed(glyphs);
}
BENCHMARK(BM_DrawTextAlphaWarm)->Unit(benchmark::kMillisecond);

// A registry that caches nothing: the font, released after each pass, is destroyed, so each pass
// rasterises every character it draws once.
void BM_DrawTextAlphaCold(benchmark::State& state)
{
    BaseLib::CResourceRegistry registry;
    auto factory = std::make_unique<UILib::CFontFactory>(&registry);
    Bench::CBenchCanvas screen(Width, Height);
    std::int64_t glyphs = 0;
    for (auto _ : state)
    {
        state.PauseTiming();
        auto font = UILib::CreateAlphaBitmapFont(factory.get(), 14, "DejaVu Sans", 0, 0, 5, 0);
        state.ResumeTiming();
        screen.DrawText(font, 0, 14, Sentence, BaseLib::CColor(0, 0, 0, 255), 0);
        glyphs += static_cast<std::int64_t>(std::string(Sentence).size());
        state.PauseTiming();
        font.Clear();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(glyphs);
    factory.reset();
}
BENCHMARK(BM_DrawTextAlphaCold);

void BM_DrawTextBitmapFont(benchmark::State& state)
{
    const std::string strip = (std::filesystem::temp_directory_path() /
                               ("quarrow_bench_strip_" + std::to_string(getpid()) + ".png")).string();
    // 27 solid glyphs (the letters find their capitals by case) of 6 × 12 pixels with a gap of 2.
    const std::string letters = "abcdefghijklmnopqrstuvwxyz.";
    const std::int32_t stripWidth = static_cast<std::int32_t>(letters.size()) * 8;
    std::vector<BaseLib::CColor> pixels(static_cast<std::size_t>(stripWidth) * 12, BaseLib::CColor(0, 0, 0, 0));
    for (std::int32_t y = 0; y < 12; ++y)
    {
        for (std::int32_t x = 0; x < stripWidth; ++x)
        {
            if (x % 8 < 6)
            {
                pixels[static_cast<std::size_t>(y) * stripWidth + x] = BaseLib::CColor(20, 40, 200, 255);
            }
        }
    }
    UILib::WritePixelsPng(strip, stripWidth, 12, pixels.data(), stripWidth);
    BaseLib::CResourceRegistry bitmapRegistry;
    {
        UILib::CBitmapFactory bitmaps(&bitmapRegistry, nullptr);
        Fonts fonts;
        Bench::CBenchCanvas screen(Width, Height);
        const auto font = UILib::CreateBitmapFont(fonts.factory.get(), strip.c_str(), letters.c_str(), 4, 11, 1, 0, 1.0f);
        std::int64_t glyphs = 0;
        for (auto _ : state)
        {
            glyphs += DrawScreen(screen, font);
        }
        state.SetItemsProcessed(glyphs);
    }
    std::filesystem::remove(strip);
}
BENCHMARK(BM_DrawTextBitmapFont)->Unit(benchmark::kMillisecond);

void BM_LayoutWrapped4K(benchmark::State& state)
{
    Fonts fonts;
    const auto font = UILib::CreateAlphaBitmapFont(fonts.factory.get(), 14, "DejaVu Sans", 0, 0, 5, 0);
    std::string text;
    while (text.size() < 4096)
    {
        text += Sentence;
    }
    text.resize(4096);
    const BaseLib::CString content(text.c_str());
    UILib::CTextLines lines;
    for (auto _ : state)
    {
        lines.Layout(content, 300, font.Get(), true);
        benchmark::DoNotOptimize(lines.GetLineCount());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 4096);
}
BENCHMARK(BM_LayoutWrapped4K)->Unit(benchmark::kMillisecond);

} // namespace
