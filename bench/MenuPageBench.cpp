// The book menus with the committed layouts over memory canvases (no display needed): loading the book
// with one page (layouts and their pictures) with the bitmap cache empty and warm, and one frame of the
// book turning from the main menu to the game menu ("1to3"): the animation step, the paint pass and the
// composition of the layer and the pages' own canvas.

#include "tests/ui/support/MemoryCanvas.h"

#include "foundation/PathAliases.h"
#include "platform/os/DebugOutput.h"
#include "ui/BitmapFactory.h"
#include "ui/Clock.h"
#include "ui/Panel.h"
#include "ui/UILibSystem.h"
#include "ui/WindowFactory.h"
#include "ui/WindowManager.h"
#include "ui/controls/Controls.h"

#include <benchmark/benchmark.h>

#include <memory>

#include <string>
#include <vector>

namespace
{

constexpr int Width = 1024;
constexpr int Height = 768;

const char* const Pages[] = {"mainmenuscreen.xml",     "gamemenuscreen.xml",     "freeplaymenuscreen.xml",
                             "levelselectscreen.xml",  "gameresultscreen.xml",   "optionsscreen.xml",
                             "languageselectionscreen.xml"};

// The window system as the game starts it at 1024 x 768 over memory canvases, its pictures found in
// the committed interface folder.
class MenuWindows
{
public:
    MenuWindows()
    {
        UILib::RegisterControls();
        UILib::CUILibSystem::CreateInstance();
        system = UILib::CUILibSystem::GetInstance();
        aliases.RegisterPathAlias("media", QUARROW_MEDIA_DIR);
        aliases.RegisterPathAlias("interface", "media>interface");
        system->SetPathAliases(&aliases);
        system->GetBitmapFactory()->AddSearchPath(aliases.ResolvePath("interface>standard").c_str());
        system->GetBitmapFactory()->AddSearchPath(aliases.ResolvePath("interface>").c_str());
        manager = system->GetWindowManager();
        manager->SetCanvasFactory(&UiTestSupport::CMemoryTextureCanvas::Make);
        root = UILib::CPanel::Create();
        root->SetSize(Width, Height);
        manager->AddLayer(root);
        root->SetOwnCanvas(true);
    }
    ~MenuWindows() { UILib::CUILibSystem::DestroyInstance(); }

    // The book, and the page in a clear root-sized panel in the book's first frame, as the book screens
    // put it there.
    UILib::CWindow* LoadBookWithPage(const std::string& page, int frame = 1)
    {
        UILib::CWindow* book = system->GetWindowFactory()->LoadLayout("interface>bigbook.xml", root);
        AddPage(book, page, frame);
        return book;
    }

    void AddPage(UILib::CWindow* book, const std::string& page, int frame)
    {
        auto* panel = static_cast<UILib::CPanel*>(UILib::CPanel::Create());
        panel->SetColor(BaseLib::CColor(0, 0, 0, 0));
        panel->SetPosition(0, 0);
        panel->SetSize(Width, Height);
        system->GetWindowFactory()->LoadLayout("interface>" + page, panel);
        if (UILib::CWindow* target = book->FindChildByName(("frame" + std::to_string(frame)).c_str(), true))
        {
            target->AddChild(panel->GetHandle());
        }
    }

    BaseLib::CPathAliases aliases;
    UILib::CUILibSystem* system = nullptr;
    UILib::CWindowManager* manager = nullptr;
    UILib::CWindow* root = nullptr;
};

// Arg: the page; arg 2: 0 cold (a new window system, so no bitmap is cached), 1 warm.
void MenuPageLoad(benchmark::State& state)
{
    const std::string page = Pages[state.range(0)];
    const bool warm = state.range(1) != 0;
    Platform::SetDebugOutputSink([](const char*) {});
    UILib::SetTimeOverride(0.0);
    std::unique_ptr<MenuWindows> windows = std::make_unique<MenuWindows>();
    if (warm)
    {
        windows->LoadBookWithPage(page)->Delete();
    }
    for (auto _ : state)
    {
        if (!warm)
        {
            state.PauseTiming();
            windows.reset();
            windows = std::make_unique<MenuWindows>();
            state.ResumeTiming();
        }
        UILib::CWindow* book = windows->LoadBookWithPage(page);
        benchmark::DoNotOptimize(book);
        state.PauseTiming();
        book->Delete();
        state.ResumeTiming();
    }
    state.SetLabel(page + (warm ? " warm" : " cold"));
    windows.reset();
    UILib::SetTimeOverride(-1.0);
    Platform::SetDebugOutputSink(nullptr);
}
BENCHMARK(MenuPageLoad)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// One frame of the turn from the main menu to the game menu at 60 frames a second: the animation time
// set, the paint pass into the layer's and the pages' canvases, and their composition on a screen.
void MenuPageTurn(benchmark::State& state)
{
    Platform::SetDebugOutputSink([](const char*) {});
    UILib::SetTimeOverride(0.0);
    {
        MenuWindows windows;
        UiTestSupport::CSoftwarePresenter presenter(Width, Height, BaseLib::CColor(0, 0, 0, 255));
        UILib::CWindow* book = windows.LoadBookWithPage("mainmenuscreen.xml", 1);
        windows.AddPage(book, "gamemenuscreen.xml", 3);
        windows.manager->Update();
        windows.manager->PaintLayers();
        const float length = 0.7f;
        float time = 0.0f;
        for (auto _ : state)
        {
            time += 1.0f / 60.0f;
            if (time > length)
            {
                time = 0.0f;
            }
            book->SetAnimationTime("1to3", time, true);
            windows.manager->Update();
            windows.manager->PaintLayers();
            presenter.Clear();
            windows.manager->CompositeLayers(-1);
        }
        state.SetItemsProcessed(state.iterations());
        state.SetLabel("frames of \"1to3\"");
    }
    UILib::SetTimeOverride(-1.0);
    Platform::SetDebugOutputSink(nullptr);
}
BENCHMARK(MenuPageTurn)->Unit(benchmark::kMillisecond);

} // namespace
