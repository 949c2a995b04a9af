#pragma once

#include "platform/os/Window.h"

#include <cstdint>
#include <string>

// Mouse cursors (the system's shapes and the project's ".cur" files), the cursor's display counter
// and window icons. Handles stay valid for the whole run; the SDL cursor behind one is made when it is
// first shown.
namespace Platform
{

// The display counter starts at 0; the cursor is shown while the count is 0 or more. Showing and
// hiding nest: a show followed by a hide leaves the cursor as it was.
// Adds 1 (show) or subtracts 1 (hide) and returns the new count. While SDL video runs, the SDL
// cursor is shown or hidden to match; call it on the thread that runs the windows then.
int ShowCursor(bool show);

// The current count. The window layer applies it to the cursor when video starts.
int CursorDisplayCount();

constexpr std::uint32_t IDC_ARROW = 32512;
constexpr std::uint32_t IDC_IBEAM = 32513;
constexpr std::uint32_t IDC_WAIT = 32514;
constexpr std::uint32_t IDC_CROSS = 32515;
constexpr std::uint32_t IDC_UPARROW = 32516;
constexpr std::uint32_t IDC_SIZENWSE = 32642;
constexpr std::uint32_t IDC_SIZENESW = 32643;
constexpr std::uint32_t IDC_SIZEWE = 32644;
constexpr std::uint32_t IDC_SIZENS = 32645;
constexpr std::uint32_t IDC_SIZEALL = 32646;
constexpr std::uint32_t IDC_NO = 32648;
constexpr std::uint32_t IDC_HAND = 32649;
constexpr std::uint32_t IDC_APPSTARTING = 32650;
constexpr std::uint32_t IDC_HELP = 32651;

constexpr std::uint32_t IDI_APPLICATION = 32512;

// A system cursor (instance null); shapes without an SDL counterpart (help, up arrow) give the arrow.
// Null for an instance or an unknown number.
CursorHandle LoadCursorA(InstanceHandle instance, std::uint32_t id);

// Reads a ".cur" file: icon-directory layout (reserved 0, type 2, count, then 16-byte entries:
// width, height, colour count, reserved, hot spot x, hot spot y, byte size, offset; little-endian)
// whose first entry holds a 32-bit BGRA bitmap with its AND mask, or a PNG image. Null and a trace
// naming the file when it does not parse.
CursorHandle LoadCursorFromFileA(const char* path);

// Frees a cursor read from a file. False for null, a system cursor, the current cursor or a handle
// that is not (or no longer) a file cursor; the caller makes sure no window class still uses it.
bool DestroyCursor(CursorHandle cursor);

// Makes the cursor current over the program's windows until the pointer enters a window, which shows
// that window's class cursor again. Null leaves the shown shape as it is (ShowCursor hides the cursor).
// Returns the previous current cursor.
CursorHandle SetCursor(CursorHandle cursor);
CursorHandle GetCursor();

// The hot spot and size of a file cursor in pixels; (0, 0) for system cursors and null.
Point CursorHotSpot(CursorHandle cursor);
Point CursorSize(CursorHandle cursor);

// The default application icon (instance null, IDI_APPLICATION), or the program's icon of that number
// (any instance; its image file may be registered later, up to the creation of the window). Null for
// instance null with another number.
IconHandle LoadIconA(InstanceHandle instance, std::uint32_t id);

// Gives an icon number its image file (PNG or BMP); a window whose class has that icon shows it.
// A file that cannot be read is traced when a window first uses it, and the window keeps SDL's icon.
void RegisterIconFile(std::uint32_t id, const std::string& path);

// Reads an icon file as a window would when it first shows it: true with its size, else false with the
// trace a window would give.
bool ReadIconFile(const std::string& path, Point& size);

} // namespace Platform
