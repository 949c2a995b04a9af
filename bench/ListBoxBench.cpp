// The list box in a 1280 × 1024 memory canvas with 10 and with 10,000 text items: filling it, one wheel
// notch with the repaint that follows, and selecting the last (or first) item with its repaint. Only the
// rows that show are drawn, so a frame costs the same for every count that fills the view (100 and
// 10,000 items: 60 rows); 10 items draw only 10 rows. The file browser list's refill of a folder of 10
// and of 10,000 files (scan, sort, fill).
#include "bench/BenchScreen.h"
#include "ui/WindowMessage.h"
#include "ui/controls/FileBrowserList.h"
#include "ui/controls/ListBox.h"
#include "ui/controls/ScrollBar.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace
{

constexpr std::int32_t Width = 1280;
constexpr std::int32_t Height = 1024;

struct Screen : Bench::CBenchScreen
{
    Screen() : CBenchScreen(Width, Height)
    {
        list = new UILib::CListBox();
        list->SetPosition(100, 50);
        list->SetSize(400, 900);
        root->AddChild(list->GetHandle());
    }

    void Fill(std::int64_t count)
    {
        list->RemoveAllItems();
        for (std::int64_t i = 0; i < count; ++i)
        {
            list->AddItem(BaseLib::CString::FromFormat("Level file %05lld.map", static_cast<long long>(i)));
        }
    }
    // The scroll bar's notice arrives posted; the frame drains it, then repaints.
    void Repaint()
    {
        list->ProcessPostedMessages();
        manager->PaintLayers();
    }

    UILib::CListBox* list = nullptr;
};

Screen& TheScreen()
{
    static Screen screen;
    return screen;
}

void BM_ListBoxFill(benchmark::State& state)
{
    Screen& screen = TheScreen();
    for (auto _ : state)
    {
        state.PauseTiming();
        screen.list->RemoveAllItems();
        state.ResumeTiming();
        screen.Fill(state.range(0));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_ListBoxFill)->Arg(10)->Arg(10000)->Unit(benchmark::kMicrosecond);

// One notch of the wheel, alternately down and up, and the repaint of the list.
void BM_ListBoxWheelAndRepaint(benchmark::State& state)
{
    Screen& screen = TheScreen();
    screen.Fill(state.range(0));
    if (UILib::CScrollBar* bar = screen.list->GetScrollBar())
    {
        bar->SetScrollPos(static_cast<std::int32_t>(state.range(0) / 2));
    }
    screen.Repaint();
    std::int32_t delta = -120;
    for (auto _ : state)
    {
        const auto second = static_cast<std::uint32_t>(static_cast<std::uint16_t>(delta)) << 16;
        screen.list->OnMessage(UILib::CWindowMessage(
            "MWheel", UILib::CWindowMessage::Positional | UILib::CWindowMessage::Input, 0, second));
        screen.list->Invalidate(false);
        screen.Repaint();
        delta = -delta;
    }
    state.counters["rows drawn"] =
        static_cast<double>(std::min<std::int64_t>(screen.list->GetVisibleRows() + 1, state.range(0)));
}
BENCHMARK(BM_ListBoxWheelAndRepaint)->Arg(10)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

// The last item selected (scrolled into view), then the first, each with its repaint.
void BM_ListBoxSelectLastAndRepaint(benchmark::State& state)
{
    Screen& screen = TheScreen();
    screen.Fill(state.range(0));
    screen.Repaint();
    const auto last = static_cast<std::int32_t>(state.range(0) - 1);
    bool toLast = true;
    for (auto _ : state)
    {
        screen.list->Select(toLast ? last : 0);
        screen.Repaint();
        toLast = !toLast;
    }
}
BENCHMARK(BM_ListBoxSelectLastAndRepaint)->Arg(10)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

// A folder of files "level NNNNN.map" (and one sub-folder) under the temporary folder, removed again.
struct FileFolder
{
    explicit FileFolder(std::int64_t count)
        : path(std::filesystem::temp_directory_path() /
               ("quarrow-bench-browser-" + std::to_string(::getpid()) + "-" + std::to_string(count)))
    {
        std::filesystem::create_directories(path / "sub");
        char name[32];
        for (std::int64_t i = 0; i < count; ++i)
        {
            std::snprintf(name, sizeof(name), "level %05lld.map", static_cast<long long>(i));
            std::ofstream(path / name) << "x";
        }
    }
    ~FileFolder()
    {
        std::error_code error;
        std::filesystem::remove_all(path, error);
    }
    std::filesystem::path path;
};

void BM_FileBrowserRefresh(benchmark::State& state)
{
    Screen& screen = TheScreen();
    const FileFolder folder(state.range(0));
    auto* browser = new UILib::CFileBrowserList();
    browser->SetPosition(600, 50);
    browser->SetSize(400, 900);
    screen.root->AddChild(browser->GetHandle());
    browser->SetDirectory(folder.path.string().c_str());
    for (auto _ : state)
    {
        browser->Refresh();
    }
    state.counters["files"] = static_cast<double>(browser->GetFileCount());
    UILib::CWindow::Delete(browser);
}
BENCHMARK(BM_FileBrowserRefresh)->Arg(10)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
