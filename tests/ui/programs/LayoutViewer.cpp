// Renders an interface layout file to a PNG picture without a display, for layout authors:
//
//   layout_viewer <layout file> <output PNG> <width> <height> [seconds]
//
// The window system starts as the game starts it (the controls registered, the aliases "media" and
// "interface", the theme folder among the bitmap folders), with memory canvases and a software presenter
// in place of the screen. The layout is read into one layer root of the given size; every animation of
// every window (except "fadeout", which would undo "fadein") is started at time 0 and the frames run on
// the window-system clock up to the given time, so a fade or a slide can be seen at a chosen moment.
// Exit status: 0 after writing the picture, 1 when the layout does not load (the window factory's
// trace says why) or the picture cannot be written, 2 with the usage text for bad arguments.

#include "foundation/PathAliases.h"
#include "tests/ui/support/MemoryCanvas.h"
#include "ui/BitmapFactory.h"
#include "ui/Clock.h"
#include "ui/UILibSystem.h"
#include "ui/Window.h"
#include "ui/WindowFactory.h"
#include "ui/WindowManager.h"
#include "ui/controls/Controls.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{

constexpr double FrameStep = 1.0 / 60.0;
constexpr int MaxSide = 16384;

int Usage()
{
    std::fprintf(stderr, "usage: layout_viewer <layout file> <output PNG> <width> <height> [seconds]\n"
                         "  width and height 1 ... %d pixels; seconds 0 or more (default 0)\n",
                 MaxSide);
    return 2;
}

bool ReadNumber(const char* text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(value);
}

bool ReadSide(const char* text, int& side)
{
    double value = 0.0;
    if (!ReadNumber(text, value) || value != std::floor(value) || value < 1.0 || value > MaxSide)
    {
        return false;
    }
    side = static_cast<int>(value);
    return true;
}

// Starts every animation of the window and its descendants.
void PlayAll(UILib::CWindow* window, UILib::CWindowManager* manager)
{
    if (window == nullptr)
    {
        return;
    }
    if (const UILib::CWindowAnimationSet* animations = window->GetAnimations())
    {
        for (const auto& animation : animations->GetAnimations())
        {
            if (animation->GetName() != "fadeout")
            {
                window->PlayAnimation(animation->GetName(), false, 1.0f, false);
            }
        }
    }
    for (std::int32_t i = 0; i < window->GetChildCount(); ++i)
    {
        if (UILib::CWindow* child = manager->Resolve(window->GetChildHandle(i)))
        {
            PlayAll(child, manager);
        }
    }
}

void ComposeFrame(UILib::CWindowManager* manager, UiTestSupport::CSoftwarePresenter& presenter)
{
    manager->PaintLayers();
    presenter.Clear();
    manager->CompositeLayers(-1);
}

} // namespace

int main(int argc, char** argv)
{
    int width = 0;
    int height = 0;
    double seconds = 0.0;
    if (argc < 5 || argc > 6 || !ReadSide(argv[3], width) || !ReadSide(argv[4], height) ||
        (argc == 6 && (!ReadNumber(argv[5], seconds) || seconds < 0.0)))
    {
        return Usage();
    }
    const std::string layout = argv[1];
    const std::string output = argv[2];

    UILib::SetTimeOverride(0.0);
    UILib::RegisterControls(); // the layout may use any control class
    const auto started = std::chrono::steady_clock::now();
    UILib::CUILibSystem::CreateInstance();
    const double startUp =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
    if (system == nullptr || system->GetWindowManager() == nullptr || system->GetWindowFactory() == nullptr)
    {
        std::fprintf(stderr, "layout_viewer: the window system did not start\n");
        UILib::CUILibSystem::DestroyInstance();
        return 1;
    }
    BaseLib::CPathAliases aliases;
    aliases.RegisterPathAlias("media", QUARROW_MEDIA_DIR);
    aliases.RegisterPathAlias("interface", "media>interface");
    system->SetPathAliases(&aliases);
    if (system->GetBitmapFactory() != nullptr)
    {
        system->GetBitmapFactory()->AddSearchPath(aliases.ResolvePath("interface>standard").c_str());
    }
    UILib::CWindowManager* manager = system->GetWindowManager();
    manager->SetCanvasFactory(&UiTestSupport::CMemoryTextureCanvas::Make);
    UiTestSupport::CSoftwarePresenter presenter(width, height, BaseLib::CColor(40, 40, 40, 255));

    UILib::CWindow* root = UILib::CWindow::Create();
    root->SetSize(width, height);
    manager->AddLayer(root);
    root->SetOwnCanvas(true);

    int status = 0;
    if (!system->GetWindowFactory()->LoadLayoutWindows(layout, root, nullptr))
    {
        std::fprintf(stderr, "layout_viewer: %s does not load\n", layout.c_str());
        status = 1;
    }
    else
    {
        manager->Update(); // the animation clock starts here
        // The root's own fades stay still: only the layout's windows play.
        for (std::int32_t i = 0; i < root->GetChildCount(); ++i)
        {
            PlayAll(manager->Resolve(root->GetChildHandle(i)), manager);
        }
        manager->Update();
        ComposeFrame(manager, presenter);
        const double firstFrame =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
        std::printf("layout_viewer: window system started in %.1f ms, first frame composed %.1f ms after the "
                    "start of start-up\n",
                    startUp, firstFrame);

        for (double now = FrameStep; now < seconds; now += FrameStep)
        {
            UILib::SetTimeOverride(now);
            manager->Update();
        }
        UILib::SetTimeOverride(seconds);
        manager->Update();
        ComposeFrame(manager, presenter);
        if (!presenter.WritePng(output))
        {
            std::fprintf(stderr, "layout_viewer: %s cannot be written\n", output.c_str());
            status = 1;
        }
    }
    UILib::CUILibSystem::DestroyInstance();
    return status;
}
