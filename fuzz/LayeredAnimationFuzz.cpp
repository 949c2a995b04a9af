// Layered animation files, read by a multi-layer animated label under a layer root of a window manager,
// then played for a few frames of the window-system clock.

#include "fuzz/FuzzSupport.h"
#include "ui/Clock.h"
#include "ui/Window.h"
#include "ui/WindowManager.h"
#include "ui/controls/MultiLayerAnimatedLabel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::MuteTraces();
    const Fuzz::InputFile input(data, size, ".xml");
    UILib::CWindowManager manager;
    UILib::CWindow* root = UILib::CWindow::Create();
    manager.AddLayer(root);
    auto* label = static_cast<UILib::CMultiLayerAnimatedLabel*>(UILib::CMultiLayerAnimatedLabel::Create());
    root->AddChild(label->GetHandle());
    label->SetFile(input.Path().c_str());
    label->SetBackground(false);
    label->SetWriteAlpha(true);
    for (int ms = 0; ms <= 200; ms += 10)
    {
        UILib::SetTimeOverride(ms / 1000.0);
        manager.Update();
    }
    // A second load replaces the layers the first one made.
    label->SetFile(input.Path().c_str());
    manager.Update();
    UILib::SetTimeOverride(-1.0);
    manager.Shutdown();
    return 0;
}
