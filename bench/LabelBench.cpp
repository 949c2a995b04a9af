// A screen of 100 labels (one-line, word-wrapped multi-line and bitmap labels) on a 1280 × 1024 memory
// canvas: the whole screen repainted, and the text layout of every label on its own, so that the
// layout's share of a repaint can be read off.
#include "foundation/TypeTag.h"
#include "ui/BitmapFactory.h"
#include "ui/PixelBufferCanvas.h"
#include "ui/UILibSystem.h"
#include "ui/WindowManager.h"
#include "ui/controls/Label.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace
{

constexpr std::int32_t Width = 1280;
constexpr std::int32_t Height = 1024;

class CMemoryScreen : public UILib::CPixelBufferCanvas
{
public:
    CMemoryScreen(std::int32_t width, std::int32_t height) : CPixelBufferCanvas(width, height) { Resize(width, height); }
    void Destroy() override { delete this; }
    std::uint32_t GetTypeTag() const override { return BaseLib::MakeTypeTag("BNCH"); }
    void Resize(std::int32_t width, std::int32_t height) override
    {
        m_block.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), BaseLib::CColor());
        SetPixels(m_block.data(), width);
    }
    void SetPosition(std::int32_t, std::int32_t) override {}
    BaseLib::CPoint GetPosition() const override { return {}; }
    void Render(void*) override {}
    void BeginDraw() override {}
    void EndDraw(bool clearDirtyList) override
    {
        if (clearDirtyList)
        {
            ClearDirtyRects();
        }
    }

private:
    std::vector<BaseLib::CColor> m_block;
};

const char* const Wrapped = "A wrapped label breaks its words at the window's width, line after line.";

struct Screen
{
    Screen()
    {
        UILib::CUILibSystem::CreateInstance();
        UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
        // The theme's images come from the repository's media folder.
        system->GetBitmapFactory()->AddSearchPath(QUARROW_MEDIA_DIR "/interface/standard");
        manager = system->GetWindowManager();
        manager->SetCanvasFactory([](std::int32_t w, std::int32_t h) { return new CMemoryScreen(w, h); });
        root = new UILib::CWindow();
        root->SetSize(Width, Height);
        root->SetOwnCanvas(true);
        manager->AddLayer(root);
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
    ~Screen() { UILib::CUILibSystem::DestroyInstance(); }

    UILib::CWindowManager* manager = nullptr;
    UILib::CWindow* root = nullptr;
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
