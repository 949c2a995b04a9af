#pragma once

#include <cstdint>

// Application windows: class records, top-level windows (one SDL window each), showing, painting state,
// activation, mouse capture and the process priority class. The numbers of styles, commands and messages
// are the ones files and tables of the engine use, so they keep their usual values here.
//
// Every function runs on the thread that created the first window. SDL video is started when the first
// class is registered or window created and stopped once the last window is destroyed and every class
// is unregistered (other users of SDL video hold their own count).
namespace Platform
{

struct WindowRecord;
struct CursorRecord;
struct IconRecord;
struct InstanceRecord;
struct MenuRecord;

// Opaque handles; null means none.
using WindowHandle = WindowRecord*;
using CursorHandle = CursorRecord*;
using IconHandle = IconRecord*;
using InstanceHandle = InstanceRecord*;
using MenuHandle = MenuRecord*;

// The two message parameters: the first unsigned, the second signed, both pointer-sized.
using MessageFirst = std::uintptr_t;
using MessageSecond = std::intptr_t;
using MessageResult = std::intptr_t;

using WindowProcedure = MessageResult (*)(WindowHandle window, std::uint32_t message, MessageFirst first,
                                          MessageSecond second);

struct Point
{
    std::int32_t x = 0;
    std::int32_t y = 0;
};

// Left/top inclusive, right/bottom exclusive.
struct WindowRect
{
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

// The class record. The class name is copied on registration; it is also the title the engine gives
// its windows.
struct WindowClass
{
    std::uint32_t size = sizeof(WindowClass);
    std::uint32_t style = 0;
    WindowProcedure procedure = nullptr;
    InstanceHandle instance = nullptr;
    IconHandle icon = nullptr;
    CursorHandle cursor = nullptr;
    const char* className = nullptr;
};

// The program's own instance handle for null (never null); null for any other module name.
InstanceHandle GetModuleHandleA(const char* moduleName);

// Class styles.
constexpr std::uint32_t CS_DBLCLKS = 0x0008;
constexpr std::uint32_t CS_OWNDC = 0x0020;
constexpr std::uint32_t CS_CLASSDC = 0x0040;

// Window styles.
constexpr std::uint32_t WS_POPUP = 0x80000000;
constexpr std::uint32_t WS_VISIBLE = 0x10000000;
constexpr std::uint32_t WS_CAPTION = 0x00C00000;
constexpr std::uint32_t WS_SYSMENU = 0x00080000;
constexpr std::uint32_t WS_THICKFRAME = 0x00040000;
constexpr std::uint32_t WS_MINIMIZEBOX = 0x00020000;
constexpr std::uint32_t WS_MAXIMIZEBOX = 0x00010000;
constexpr std::uint32_t WS_OVERLAPPEDWINDOW = 0x00CF0000;
constexpr std::uint32_t WS_EX_APPWINDOW = 0x00040000;

// SetWindowLongA indices.
constexpr std::int32_t GWL_STYLE = -16;

// ShowWindow commands.
constexpr std::int32_t SW_HIDE = 0;
constexpr std::int32_t SW_SHOWNORMAL = 1;
constexpr std::int32_t SW_SHOW = 5;
constexpr std::int32_t SW_SHOWDEFAULT = 10;

// Registers a class; returns a non-zero class number, or 0 when the record is incomplete (no name or no
// procedure) or a class of that name exists.
std::uint16_t RegisterClassExA(const WindowClass* windowClass);

// Unregisters a class; false when it is unknown or a window of it still exists.
bool UnregisterClassA(const char* className, InstanceHandle instance);

// In this layer a window's size is its client size and the decorations lie outside it, so the
// rectangle is left unchanged. Returns true.
bool AdjustWindowRectEx(WindowRect* rect, std::uint32_t style, bool menu, std::uint32_t extendedStyle);

// Creates a hidden top-level window with an OpenGL-capable surface whose client area is width x height
// at (x, y). The parent (GetDesktopWindow or null), menu and parameter are ignored. Returns null for an
// unknown class or when SDL cannot make the window (traced). No message is sent.
WindowHandle CreateWindowExA(std::uint32_t extendedStyle, const char* className, const char* title,
                             std::uint32_t style, std::int32_t x, std::int32_t y, std::int32_t width,
                             std::int32_t height, WindowHandle parent, MenuHandle menu,
                             InstanceHandle instance, void* parameter);

// Destroys the window: WM_DESTROY reaches its procedure first, then the SDL window goes and the
// window's queued messages are dropped. False for a handle that is not a live window.
bool DestroyWindow(WindowHandle window);

// True while the handle names a live window.
bool IsWindow(WindowHandle window);

// GWL_STYLE only: WS_POPUP makes the window borderless; the visible bit is recorded but does not map
// the window. Sends no message and does not activate. Returns the previous style (0 for a bad call).
std::int32_t SetWindowLongA(WindowHandle window, std::int32_t index, std::int32_t value);
std::int32_t GetWindowLongA(WindowHandle window, std::int32_t index);

// SW_HIDE hides; any other command shows, raises and activates the window: WM_ACTIVATE (WA_INACTIVE) is
// sent to the program's previously active window, then WM_ACTIVATE (WA_ACTIVE) to this one. Returns
// whether the window was visible before.
bool ShowWindow(WindowHandle window, std::int32_t command);

// Sends WM_PAINT to the procedure at once when the window is invalid. False for a bad handle.
bool UpdateWindow(WindowHandle window);

// Marks the whole window valid (the rectangle is ignored: the layer keeps no update region).
bool ValidateRect(WindowHandle window, const WindowRect* rect);

// Marks the whole window invalid, so WM_PAINT comes once no other message waits.
bool InvalidateRect(WindowHandle window, const WindowRect* rect, bool erase);

// A handle accepted as the parent of top-level windows; it names no real window.
WindowHandle GetDesktopWindow();

// The client rectangle: (0, 0, width, height) of the window's current size.
bool GetClientRect(WindowHandle window, WindowRect* rect);

// The size of the picture (back buffer) the device shows in the window. Mouse points are scaled by
// picture size / client size; width or height 0 (the start) means no scaling.
void SetWindowPictureSize(WindowHandle window, int width, int height);

// The program's active window, or null.
WindowHandle GetActiveWindow();

// Mouse capture: while set, mouse messages go to that window, also with the pointer outside it.
// SetCapture returns the previous capture window.
WindowHandle SetCapture(WindowHandle window);
bool ReleaseCapture();
WindowHandle GetCapture();

// The process priority class: normal and idle are the ones the engine uses.
using ProcessHandle = std::intptr_t;
constexpr std::uint32_t NORMAL_PRIORITY_CLASS = 0x20;
constexpr std::uint32_t IDLE_PRIORITY_CLASS = 0x40;

ProcessHandle GetCurrentProcess();

// Remembers the class. The operating-system priority is lowered for the idle class only when the
// process may raise it again afterwards; otherwise the class is only remembered. False for an
// unknown class.
bool SetPriorityClass(ProcessHandle process, std::uint32_t priorityClass);

// The class last set (NORMAL_PRIORITY_CLASS at start).
std::uint32_t GetPriorityClass(ProcessHandle process);

} // namespace Platform
