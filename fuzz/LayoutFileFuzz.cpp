// Interface layout files, read by a window factory that knows every control class into a layer root of
// a window manager, every window built deleted again with the root.

#include "fuzz/FuzzSupport.h"
#include "ui/Window.h"
#include "ui/WindowFactory.h"
#include "ui/WindowManager.h"
#include "ui/controls/Controls.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::MuteTraces();
    const Fuzz::InputFile input(data, size, ".xml");
    UILib::RegisterControls();
    UILib::CWindowManager manager;
    UILib::CWindowFactory factory;
    UILib::CWindow* root = UILib::CWindow::Create();
    manager.AddLayer(root);
    std::vector<UILib::CWindow*> list;
    factory.LoadLayoutWindows(input.Path(), root, &list);
    // The first window comes back without a parent when one of its descendants failed.
    UILib::CWindow* first = factory.LoadLayout(input.Path(), root);
    if (first != nullptr && first->GetParentHandle() == 0)
    {
        first->Delete();
    }
    manager.Shutdown();
    return 0;
}
