// A screen of 100 labels (one-line, word-wrapped multi-line and bitmap labels) on a 1280 × 1024 memory
// canvas: the whole screen repainted, and the text layout of every label on its own, so that the
// layout's share of a repaint can be read off.
#include "bench/BenchScreen.h"
#include "ui/controls/Label.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace
{

constexpr std::int32_t Width = 1280;
constexpr std::int32_t Height = 1024;

const char* const Wrapped = "A wrapped label breaks its words at the window's width, line after line.";

struct Screen : Bench::CBenchScreen
{
    Screen() : CBenchScreen(Width, Height)
    {
        UILib::CBitmap bitmap(48, 32, false);
        for (std::int32_t i = 0; i < bitmap.GetPixelCount(); ++i)
        {
            bitmap.GetWritablePixels()[i] = BaseLib::CColor(40, 80, 220, i % 3 == 0 ? 128 : 255);
        }
        for (std::int32_t i = 0; i < 100; ++i)
        {
            auto* label = new UILib::CLabel();
            label->SetPosition(10 + (i % 5) * 250, 10 + (i / 5) * 50);
            switch (i % 3)
            {
            case 0:
                label->SetText(BaseLib::CString::FromFormat("Label number %d", i));
                break;
            case 1:
                label->SetWordWrap(true);
                label->SetSize(230, 48);
                label->SetText(Wrapped);
                break;
            default:
                label->SetBitmap(bitmap);
                break;
            }
            root->AddChild(label->GetHandle());
            labels.push_back(label);
        }
    }
    std::vector<UILib::CLabel*> labels;
};

Screen& TheScreen()
{
    static Screen screen;
    return screen;
}

// The whole screen invalidated and repainted, with every label's text laid out again first, as a
// change of visualization does.
void BM_LabelScreenLayoutAndPaint(benchmark::State& state)
{
    Screen& screen = TheScreen();
    for (auto _ : state)
    {
        for (UILib::CLabel* label : screen.labels)
        {
            label->LayoutText();
        }
        screen.root->Invalidate(true);
        screen.manager->PaintLayers();
    }
    state.counters["paints/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LabelScreenLayoutAndPaint)->Unit(benchmark::kMillisecond);

// The text layout alone: the layout part of the benchmark above.
void BM_LabelScreenLayoutOnly(benchmark::State& state)
{
    Screen& screen = TheScreen();
    for (auto _ : state)
    {
        for (UILib::CLabel* label : screen.labels)
        {
            label->LayoutText();
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_LabelScreenLayoutOnly)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
