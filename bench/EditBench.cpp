// The edit control's keystroke: one character typed into the middle of a 10,000-character word-wrapped
// multi-line text, with the re-layout that follows every change, then taken back with Backspace.
#include "foundation/ResourceRegistry.h"
#include "ui/AlphaBitmapFont.h"
#include "ui/FontFactory.h"
#include "ui/controls/EditControl.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace
{

void BM_EditTypeIntoLongWrappedText(benchmark::State& state)
{
    BaseLib::CResourceRegistry registry;
    registry.SetMemoryLimit(3 * 1024 * 1024);
    auto factory = std::make_unique<UILib::CFontFactory>(&registry);
    {
        const auto font = UILib::CreateAlphaBitmapFont(factory.get(), 14, "DejaVu Sans", 0, 0, 5, 0);
        UILib::CEditControl edit;
        edit.SetFont(font);
        edit.SetMultiline(true);
        edit.SetSize(400, 300);
        std::string text;
        while (text.size() < 10000)
        {
            text += "lorem ipsum dolor sit amet ";
        }
        text.resize(10000);
        edit.SetText(text.c_str());
        edit.SetCursorPosition(5000);
        constexpr std::uint32_t Backspace = 257;
        for (auto _ : state)
        {
            edit.OnCharKey('x', 0);
            edit.OnKeyDown(Backspace, 0);
        }
        state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 2);
        state.counters["lines"] = edit.GetLines().GetLineCount();
    }
    factory.reset();
}
BENCHMARK(BM_EditTypeIntoLongWrappedText)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
