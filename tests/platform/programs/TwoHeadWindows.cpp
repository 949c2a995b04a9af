// Opens one window per display head as the engine's start-up does, shows them last to first, runs the
// message and frame loop for a few frames, then closes head 0 through its close button and ends.
// Exits 0 when every step behaved.
#include "platform/os/Cursor.h"
#include "platform/os/EventInjection.h"
#include "platform/os/Messages.h"
#include "platform/os/Sleep.h"
#include "platform/os/Window.h"

#include <cstdio>
#include <utility>
#include <vector>

namespace
{

using namespace Platform;

bool quit = false;
int paints = 0;
int activations = 0;
std::vector<std::pair<WindowHandle, MessageFirst>> activationLog;

MessageResult Procedure(WindowHandle window, std::uint32_t message, MessageFirst first, MessageSecond second)
{
    switch (message)
    {
    case WM_DESTROY:
        quit = true;
        return 0;
    case WM_PAINT:
        ++paints;
        ValidateRect(window, nullptr);
        return 0;
    case WM_ACTIVATE:
        activations += LowWord(first) != WA_INACTIVE ? 1 : 0;
        activationLog.emplace_back(window, first);
        return 0;
    default:
        return DefWindowProcA(window, message, first, second);
    }
}

int Fail(const char* what)
{
    std::fprintf(stderr, "two-head windows: %s\n", what);
    for (const auto& [window, code] : activationLog)
    {
        std::fprintf(stderr, "  activation %p %lu\n", static_cast<void*>(window),
                     static_cast<unsigned long>(code));
    }
    return 1;
}

} // namespace

int main()
{
    constexpr int kHeads = 2;
    WindowClass record;
    record.style = CS_CLASSDC | CS_DBLCLKS;
    record.procedure = &Procedure;
    record.icon = LoadIconA(nullptr, IDI_APPLICATION);
    record.cursor = LoadCursorA(nullptr, IDC_ARROW);
    record.className = "QenApplication";
    RegisterClassExA(&record);

    WindowHandle heads[kHeads] = {};
    for (int i = 0; i < kHeads; ++i)
    {
        WindowRect rect{0, 0, 640, 480};
        AdjustWindowRectEx(&rect, WS_OVERLAPPEDWINDOW, false, WS_EX_APPWINDOW);
        heads[i] = CreateWindowExA(0, record.className, record.className, WS_OVERLAPPEDWINDOW, 50 * i, 50 * i,
                                   rect.right - rect.left, rect.bottom - rect.top, GetDesktopWindow(),
                                   nullptr, nullptr, nullptr);
        if (heads[i] == nullptr)
        {
            return Fail("a window could not be created");
        }
    }
    for (int i = kHeads - 1; i >= 0; --i)
    {
        ShowWindow(heads[i], SW_SHOWDEFAULT);
        UpdateWindow(heads[i]);
    }
    const std::vector<std::pair<WindowHandle, MessageFirst>> shown = {
        {heads[1], WA_ACTIVE}, {heads[1], WA_INACTIVE}, {heads[0], WA_ACTIVE}};
    if (activationLog != shown)
    {
        return Fail("showing last to first did not activate head 1, then head 0");
    }

    int frames = 0;
    while (!quit)
    {
        Message message;
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&message);
            DispatchMessageA(&message);
            continue;
        }
        ++frames;
        Sleep(10);
        if (frames == 5)
        {
            // The system's answers to both focus requests have come by now (the program runs alone on
            // the display): they must not have moved the activation away from head 0.
            if (GetActiveWindow() != heads[0] || activationLog != shown)
            {
                return Fail("the system's focus events changed the active window");
            }
            InjectClose(heads[0]);
        }
        if (frames > 500)
        {
            return Fail("the close never ended the loop");
        }
    }
    if (IsWindow(heads[0]) || !IsWindow(heads[1]))
    {
        return Fail("closing head 0 destroyed the wrong window");
    }
    DestroyWindow(heads[1]);
    UnregisterClassA(record.className, nullptr);
    if (paints < kHeads || activations < 1)
    {
        return Fail("the windows were never painted or activated");
    }
    std::printf("two-head windows: %d frames, %d paints\n", frames, paints);
    return 0;
}
