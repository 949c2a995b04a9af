// Opens and shows a window, acquires the keyboard device, and presses and releases Return through the X
// server (xdotool): the keyboard device's byte for Return must be set once the press's messages are
// taken, and clear again after the release. Exits 0 when it was.
#include "platform/input/InputDevices.h"
#include "platform/input/KeyCodes.h"
#include "platform/os/Messages.h"
#include "platform/os/Sleep.h"
#include "platform/os/Window.h"

#include <cstdio>
#include <cstdlib>

namespace
{

using namespace Platform;

MessageResult Procedure(WindowHandle window, std::uint32_t message, MessageFirst first, MessageSecond second)
{
    if (message == WM_PAINT)
    {
        ValidateRect(window, nullptr);
        return 0;
    }
    return DefWindowProcA(window, message, first, second);
}

void TakeMessages()
{
    Message message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Takes messages until the Return byte reads as wanted, for at most about two seconds.
bool WaitForReturn(Input::Device* keyboard, bool down)
{
    for (int i = 0; i < 200; ++i)
    {
        TakeMessages();
        std::uint8_t keys[256] = {};
        if (keyboard->GetDeviceState(256, keys) == Input::Ok && ((keys[Input::KeyReturn] & 0x80) != 0) == down)
        {
            return true;
        }
        Sleep(10);
    }
    return false;
}

int Fail(const char* what)
{
    std::fprintf(stderr, "keyboard through X: %s\n", what);
    std::system("xdotool keyup Return");
    return 1;
}

} // namespace

int main()
{
    if (std::getenv("DISPLAY") == nullptr)
    {
        std::fprintf(stderr, "keyboard through X: needs an X server (run under xvfb-run)\n");
        return 1;
    }
    WindowClass record;
    record.procedure = &Procedure;
    record.className = "KeyboardThroughX";
    RegisterClassExA(&record);
    WindowHandle window = CreateWindowExA(0, record.className, "keyboard", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240,
                                          GetDesktopWindow(), nullptr, nullptr, nullptr);
    if (window == nullptr)
    {
        return Fail("no window");
    }
    ShowWindow(window, SW_SHOW);
    // Let the X server's focus arrive before anything is typed.
    for (int i = 0; i < 20; ++i)
    {
        TakeMessages();
        Sleep(10);
    }

    Input::InputObject* input = nullptr;
    Input::Device* keyboard = nullptr;
    if (Input::CreateInput(nullptr, Input::InputVersion, &input) != Input::Ok ||
        input->CreateDevice(Input::SystemKeyboard, &keyboard) != Input::Ok ||
        keyboard->SetDataFormat(Input::DataFormat::Keyboard) != Input::Ok ||
        keyboard->SetCooperativeLevel(window, Input::CooperativeNonExclusive | Input::CooperativeForeground) !=
            Input::Ok ||
        keyboard->Acquire() != Input::Ok)
    {
        return Fail("the keyboard device could not be acquired");
    }
    if (!WaitForReturn(keyboard, false))
    {
        return Fail("Return reads down before it was pressed");
    }
    if (std::system("xdotool keydown Return") != 0)
    {
        return Fail("xdotool keydown failed");
    }
    if (!WaitForReturn(keyboard, true))
    {
        return Fail("the press of Return was not seen");
    }
    if (std::system("xdotool keyup Return") != 0)
    {
        return Fail("xdotool keyup failed");
    }
    if (!WaitForReturn(keyboard, false))
    {
        return Fail("the release of Return was not seen");
    }
    keyboard->Release();
    input->Release();
    DestroyWindow(window);
    UnregisterClassA(record.className, nullptr);
    std::puts("keyboard through X: Return seen down and up");
    return 0;
}
