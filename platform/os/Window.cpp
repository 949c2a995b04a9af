#include "platform/os/Window.h"

#include "platform/os/Cursor.h"
#include "platform/os/DebugOutput.h"
#include "platform/os/Messages.h"
#include "platform/os/WindowAccess.h"
#include "platform/os/WindowSystem.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace Platform
{

namespace
{

// Stands for the desktop; only ever compared, never dereferenced.
WindowRecord desktopRecord;

WindowClassEntry* FindClass(const char* name)
{
    if (name == nullptr)
    {
        return nullptr;
    }
    for (const auto& entry : Windows().classes)
    {
        if (entry->name == name)
        {
            return entry.get();
        }
    }
    return nullptr;
}

WindowRecord* Live(WindowHandle window)
{
    if (window == nullptr || window == &desktopRecord)
    {
        return nullptr;
    }
    for (const auto& record : Windows().windows)
    {
        if (record.get() == window)
        {
            return record.get();
        }
    }
    return nullptr;
}

void ApplyBorder(WindowRecord& record)
{
    const bool popup = (record.style & WS_POPUP) != 0;
    SDL_SetWindowBordered(record.sdl, popup ? SDL_FALSE : SDL_TRUE);
    SDL_SetWindowResizable(record.sdl,
                           (!popup && (record.style & WS_THICKFRAME) != 0) ? SDL_TRUE : SDL_FALSE);
}

std::uint32_t priorityClass = NORMAL_PRIORITY_CLASS;
bool priorityLowered = false;
int normalNice = 0;

// Whether this process could go back from the idle nice value to the normal one: raising priority
// needs privilege or a nice limit that allows it.
bool CanRaisePriorityBackTo(int niceValue)
{
    if (geteuid() == 0)
    {
        return true;
    }
    rlimit limit{};
    if (getrlimit(RLIMIT_NICE, &limit) != 0)
    {
        return false;
    }
    const long lowestAllowed = 20 - static_cast<long>(limit.rlim_cur);
    return limit.rlim_cur == RLIM_INFINITY || niceValue >= lowestAllowed;
}

} // namespace

InstanceHandle GetModuleHandleA(const char* moduleName)
{
    // Only compared, never dereferenced.
    static char programInstance;
    return moduleName == nullptr ? reinterpret_cast<InstanceHandle>(&programInstance) : nullptr;
}

WindowSystem& Windows()
{
    static WindowSystem system;
    return system;
}

WindowRecord* FindWindowBySdlId(std::uint32_t id)
{
    for (const auto& record : Windows().windows)
    {
        if (record->sdlId == id && !record->destroying)
        {
            return record.get();
        }
    }
    return nullptr;
}

bool HoldVideo()
{
    WindowSystem& system = Windows();
    if (system.videoHeld)
    {
        return true;
    }
    // Closing the last window must give WM_CLOSE once, not a quit request on top of it.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
    {
        TraceWindowing(std::string("cannot start SDL video: ") + SDL_GetError());
        return false;
    }
    system.videoHeld = true;
    SDL_ShowCursor(CursorDisplayCount() >= 0 ? SDL_ENABLE : SDL_DISABLE);
    const std::int32_t locks = SystemLocks();
    system.takenKeys.ApplyLocks(locks);
    system.convertedKeys.ApplyLocks(locks);
    return true;
}

void ReleaseVideoWhenUnused()
{
    WindowSystem& system = Windows();
    if (!system.videoHeld || !system.classes.empty() || !system.windows.empty())
    {
        return;
    }
    system.posted.clear();
    system.input.clear();
    system.takenKeys = KeyStates{};
    system.convertedKeys = KeyStates{};
    system.buttons = 0;
    system.mouseButtons = 0;
    system.mouseCollector = nullptr;
    FreeSdlCursors();
    system.videoHeld = false;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void TraceWindowing(const std::string& text)
{
    WriteDebugOutput((text + "\n").c_str());
}

std::uint16_t RegisterClassExA(const WindowClass* windowClass)
{
    if (windowClass == nullptr || windowClass->className == nullptr || windowClass->procedure == nullptr ||
        FindClass(windowClass->className) != nullptr)
    {
        return 0;
    }
    if (!HoldVideo())
    {
        return 0;
    }
    auto entry = std::make_unique<WindowClassEntry>();
    entry->name = windowClass->className;
    entry->style = windowClass->style;
    entry->procedure = windowClass->procedure;
    entry->icon = windowClass->icon;
    entry->cursor = windowClass->cursor;
    Windows().classes.push_back(std::move(entry));
    return static_cast<std::uint16_t>(0xC000 + Windows().classes.size());
}

bool UnregisterClassA(const char* className, InstanceHandle)
{
    WindowClassEntry* entry = FindClass(className);
    if (entry == nullptr)
    {
        return false;
    }
    auto& windows = Windows().windows;
    if (std::any_of(windows.begin(), windows.end(), [&](const auto& w) { return w->windowClass == entry; }))
    {
        return false;
    }
    auto& classes = Windows().classes;
    classes.erase(
        std::find_if(classes.begin(), classes.end(), [&](const auto& c) { return c.get() == entry; }));
    ReleaseVideoWhenUnused();
    return true;
}

bool AdjustWindowRectEx(WindowRect* rect, std::uint32_t, bool, std::uint32_t)
{
    return rect != nullptr;
}

WindowHandle CreateWindowExA(std::uint32_t, const char* className, const char* title, std::uint32_t style,
                             std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                             WindowHandle, MenuHandle, InstanceHandle, void*)
{
    WindowClassEntry* entry = FindClass(className);
    if (entry == nullptr)
    {
        TraceWindowing(std::string("CreateWindowExA: unknown window class ") +
                       (className ? className : "(null)"));
        return nullptr;
    }
    if (!HoldVideo())
    {
        return nullptr;
    }
    const std::uint32_t hidden = SDL_WINDOW_HIDDEN;
    const char* text = title != nullptr ? title : "";
    width = std::max(width, 1);
    height = std::max(height, 1);
    auto record = std::make_unique<WindowRecord>();
    record->sdl = SDL_CreateWindow(text, x, y, width, height, hidden | SDL_WINDOW_OPENGL);
    record->hasOpenGl = record->sdl != nullptr;
    if (record->sdl == nullptr)
    {
        // A video driver without OpenGL still gets a window; the device layer sees WindowHasOpenGl false.
        TraceWindowing(std::string("no OpenGL window: ") + SDL_GetError());
        record->sdl = SDL_CreateWindow(text, x, y, width, height, hidden);
    }
    if (record->sdl == nullptr)
    {
        TraceWindowing(std::string("CreateWindowExA: ") + SDL_GetError());
        ReleaseVideoWhenUnused();
        return nullptr;
    }
    record->sdlId = SDL_GetWindowID(record->sdl);
    record->windowClass = entry;
    record->style = style & ~WS_VISIBLE;
    record->cursor = entry->cursor;
    ApplyBorder(*record);
    WindowHandle handle = record.get();
    Windows().windows.push_back(std::move(record));
    ApplyClassIcon(handle);
    return handle;
}

bool IsWindow(WindowHandle window)
{
    return Live(window) != nullptr;
}

bool DestroyWindow(WindowHandle window)
{
    WindowRecord* record = Live(window);
    if (record == nullptr || record->destroying)
    {
        return false;
    }
    record->destroying = true;
    record->windowClass->procedure(window, WM_DESTROY, 0, 0);
    WindowSystem& system = Windows();
    for (WindowHandle* slot :
         {&system.active, &system.capture, &system.pointerWindow, &system.focusRequested})
    {
        if (*slot == window)
        {
            *slot = nullptr;
        }
    }
    if (system.capture == nullptr)
    {
        SDL_CaptureMouse(SDL_FALSE);
    }
    DropMessagesOf(window);
    SDL_DestroyWindow(record->sdl);
    auto& windows = system.windows;
    windows.erase(
        std::find_if(windows.begin(), windows.end(), [&](const auto& w) { return w.get() == record; }));
    ReleaseVideoWhenUnused();
    return true;
}

std::int32_t SetWindowLongA(WindowHandle window, std::int32_t index, std::int32_t value)
{
    WindowRecord* record = Live(window);
    if (record == nullptr || index != GWL_STYLE)
    {
        return 0;
    }
    const std::int32_t previous = GetWindowLongA(window, index);
    record->style = static_cast<std::uint32_t>(value);
    ApplyBorder(*record);
    return previous;
}

std::int32_t GetWindowLongA(WindowHandle window, std::int32_t index)
{
    const WindowRecord* record = Live(window);
    if (record == nullptr || index != GWL_STYLE)
    {
        return 0;
    }
    return static_cast<std::int32_t>(record->style | (record->shown ? WS_VISIBLE : 0));
}

bool ShowWindow(WindowHandle window, std::int32_t command)
{
    WindowRecord* record = Live(window);
    if (record == nullptr)
    {
        return false;
    }
    const bool wasVisible = record->shown || (record->style & WS_VISIBLE) != 0;
    WindowSystem& system = Windows();
    if (command == SW_HIDE)
    {
        SDL_HideWindow(record->sdl);
        record->shown = false;
        record->style &= ~WS_VISIBLE;
        if (system.active == window)
        {
            system.active = nullptr;
            SendActivate(window, WA_INACTIVE);
        }
        return wasVisible;
    }
    SDL_ShowWindow(record->sdl);
    SDL_RaiseWindow(record->sdl);
    SDL_SetWindowInputFocus(record->sdl);
    record->shown = true;
    record->style |= WS_VISIBLE;
    system.focusRequested = window;
    system.focusRequestTime = SDL_GetTicks();
    if (system.active != window)
    {
        WindowHandle previous = system.active;
        system.active = window;
        const std::int32_t locks = SystemLocks();
        system.takenKeys.ApplyLocks(locks);
        system.convertedKeys.ApplyLocks(locks);
        if (previous != nullptr)
        {
            SendActivate(previous, WA_INACTIVE);
        }
        SendActivate(window, WA_ACTIVE);
    }
    return wasVisible;
}

void SendActivate(WindowHandle window, std::uint32_t code)
{
    if (WindowRecord* record = Live(window))
    {
        record->windowClass->procedure(window, WM_ACTIVATE, code, 0);
    }
}

bool UpdateWindow(WindowHandle window)
{
    WindowRecord* record = Live(window);
    if (record == nullptr)
    {
        return false;
    }
    if (record->invalid)
    {
        record->windowClass->procedure(window, WM_PAINT, 0, 0);
    }
    return true;
}

bool ValidateRect(WindowHandle window, const WindowRect*)
{
    WindowRecord* record = Live(window);
    if (record == nullptr)
    {
        return false;
    }
    record->invalid = false;
    return true;
}

bool InvalidateRect(WindowHandle window, const WindowRect*, bool)
{
    WindowRecord* record = Live(window);
    if (record == nullptr)
    {
        return false;
    }
    record->invalid = true;
    return true;
}

WindowHandle GetDesktopWindow()
{
    return &desktopRecord;
}

bool GetClientRect(WindowHandle window, WindowRect* rect)
{
    WindowRecord* record = Live(window);
    if (record == nullptr || rect == nullptr)
    {
        return false;
    }
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(record->sdl, &width, &height);
    *rect = WindowRect{0, 0, width, height};
    return true;
}

WindowHandle GetActiveWindow()
{
    return Windows().active;
}

WindowHandle SetCapture(WindowHandle window)
{
    WindowSystem& system = Windows();
    WindowHandle previous = system.capture;
    if (Live(window) == nullptr)
    {
        return previous;
    }
    system.capture = window;
    // SDL refuses without mouse focus (for example under a test without a pointer); the capture
    // window still gets the mouse messages of the program's windows.
    SDL_CaptureMouse(SDL_TRUE);
    return previous;
}

bool ReleaseCapture()
{
    Windows().capture = nullptr;
    SDL_CaptureMouse(SDL_FALSE);
    return true;
}

WindowHandle GetCapture()
{
    return Windows().capture;
}

SDL_Window* SdlWindowOf(WindowHandle window)
{
    const WindowRecord* record = Live(window);
    return record != nullptr ? record->sdl : nullptr;
}

WindowHandle WindowOfSdlWindow(SDL_Window* sdlWindow)
{
    if (sdlWindow == nullptr)
    {
        return nullptr;
    }
    for (const auto& record : Windows().windows)
    {
        if (record->sdl == sdlWindow)
        {
            return record.get();
        }
    }
    return nullptr;
}

bool WindowHasOpenGl(WindowHandle window)
{
    const WindowRecord* record = Live(window);
    return record != nullptr && record->hasOpenGl;
}

void SetWindowPictureSize(WindowHandle window, int width, int height)
{
    if (WindowRecord* record = Live(window))
    {
        record->pictureWidth = std::max(width, 0);
        record->pictureHeight = std::max(height, 0);
    }
}

ProcessHandle GetCurrentProcess()
{
    return -1;
}

bool SetPriorityClass(ProcessHandle, std::uint32_t newClass)
{
    if (newClass != NORMAL_PRIORITY_CLASS && newClass != IDLE_PRIORITY_CLASS)
    {
        return false;
    }
    if (newClass == IDLE_PRIORITY_CLASS && !priorityLowered)
    {
        errno = 0;
        const int current = getpriority(PRIO_PROCESS, 0);
        if (errno == 0 && CanRaisePriorityBackTo(current) && setpriority(PRIO_PROCESS, 0, 19) == 0)
        {
            normalNice = current;
            priorityLowered = true;
        }
    }
    else if (newClass == NORMAL_PRIORITY_CLASS && priorityLowered)
    {
        setpriority(PRIO_PROCESS, 0, normalNice);
        priorityLowered = false;
    }
    priorityClass = newClass;
    return true;
}

std::uint32_t GetPriorityClass(ProcessHandle)
{
    return priorityClass;
}

} // namespace Platform
