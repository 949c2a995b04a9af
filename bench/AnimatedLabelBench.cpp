// A map full of markers: 200 playing simple animated labels (a strip of four 24 × 24 frames, no
// background, always on top) on a 1280 × 1024 memory canvas. One frame of the window manager is its
// per-frame passes (timers first) at a clock 10 ms on, then the paint of what changed. The map's markers
// play 100 ms per frame with a loop delay of 3000 ms, started in ten groups one frame apart; the worst
// case plays every marker at 10 ms per frame, so that all 200 step in every frame; markers that never
// step show the paint pass's own cost.
#include "BenchCanvas.h"

#include "ui/BitmapFactory.h"
#include "ui/BitmapPng.h"
#include "ui/Clock.h"
#include "ui/UILibSystem.h"
#include "ui/WindowManager.h"
#include "ui/controls/SimpleAnimatedLabel.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

constexpr std::int32_t Width = 1280;
constexpr std::int32_t Height = 1024;
constexpr int Markers = 200;

std::string WriteMarkerStrip()
{
    const std::string path =
        (std::filesystem::temp_directory_path() / ("quarrow-bench-marker-" + std::to_string(::getpid()) + ".png"))
            .string();
    std::vector<BaseLib::CColor> pixels;
    for (std::int32_t y = 0; y < 24; ++y)
    {
        for (std::int32_t x = 0; x < 96; ++x)
        {
            const std::uint8_t shade = static_cast<std::uint8_t>(60 + (x / 24) * 50);
            pixels.emplace_back(shade, 200, 40, (x + y) % 24 < 4 ? 0 : 255);
        }
    }
    UILib::WritePixelsPng(path, 96, 24, pixels.data(), 96);
    return path;
}

// The bench canvas, with the dirty list emptied by each paint pass as a presenting canvas does.
class CMapScreen : public Bench::CBenchCanvas
{
public:
    using CBenchCanvas::CBenchCanvas;
    void EndDraw(bool clearDirtyList) override
    {
        if (clearDirtyList)
        {
            ClearDirtyRects();
        }
    }
};

struct MarkerMap
{
    MarkerMap(int speedMs, int loopDelayMs)
    {
        UILib::SetTimeOverride(0.0);
        UILib::CUILibSystem::CreateInstance();
        UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
        // The theme's images come from the repository's media folder.
        system->GetBitmapFactory()->AddSearchPath(QUARROW_MEDIA_DIR "/interface/standard");
        manager = system->GetWindowManager();
        root = new UILib::CWindow();
        root->SetSize(Width, Height);
        manager->AddLayer(root);
        root->SetCanvas(&screen);
        const std::string strip = WriteMarkerStrip();
        for (int i = 0; i < Markers; ++i)
        {
            auto* marker = new UILib::CSimpleAnimatedLabel();
            marker->SetBitmapFile(strip.c_str());
            marker->SetFrameCount(4);
            marker->SetSpeed(speedMs);
            marker->SetLoopDelay(loopDelayMs);
            marker->SetBackground(false);
            marker->SetAlwaysOnTop(true);
            marker->FitToContent(true);
            marker->SetPosition(20 + (i % 20) * 60, 20 + (i / 20) * 90);
            root->AddChild(marker->GetHandle());
            // Spread over the strip, so that frames change on every tick of the clock.
            marker->SetCurrentFrame(i % 4);
            markers.push_back(marker);
        }
        for (std::size_t i = 0; i < markers.size(); ++i)
        {
            if (i % 20 == 0)
            {
                Frame(false);
            }
            markers[i]->SetPlaying(true);
        }
        std::filesystem::remove(strip);
        manager->PaintLayers();
    }
    ~MarkerMap()
    {
        UILib::CUILibSystem::DestroyInstance();
        UILib::SetTimeOverride(-1.0);
    }

    // One window-system frame: the clock 10 ms on, the per-frame passes; with paint, the paint pass.
    void Frame(bool paint)
    {
        nowMs += 10;
        UILib::SetTimeOverride(static_cast<double>(nowMs) / 1000.0);
        manager->Update();
        if (paint)
        {
            manager->PaintLayers();
        }
    }

    CMapScreen screen{Width, Height};
    UILib::CWindowManager* manager = nullptr;
    UILib::CWindow* root = nullptr;
    std::vector<UILib::CSimpleAnimatedLabel*> markers;
    std::int64_t nowMs = 0;
};

// Arguments: speed and loop delay in ms; paint (0 or 1).
void BM_MarkerMapFrame(benchmark::State& state)
{
    MarkerMap map(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const bool paint = state.range(2) != 0;
    for (auto _ : state)
    {
        map.Frame(paint);
    }
}
BENCHMARK(BM_MarkerMapFrame)
    ->ArgNames({"speed", "delay", "paint"})
    ->Args({100, 3000, 0})
    ->Args({100, 3000, 1})
    ->Args({10, 0, 0})
    ->Args({10, 0, 1})
    ->Args({1000000000, 0, 1})
    ->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
