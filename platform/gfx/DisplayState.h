#pragma once

#include "platform/gfx/Records.h"
#include "platform/gfx/Results.h"

#include <cstdint>
#include <vector>

// What the device has done to the display, as tests and diagnostics read it.
namespace Platform::Gfx
{

// True while the window is shown full screen (a real mode or the desktop's size).
bool IsWindowFullScreen(WindowHandle window);

// Gives a window a new client size, as a user dragging its frame would (the device's picture keeps its
// size and is scaled into the window). For tests of windows whose size changed.
void ResizeWindowClient(WindowHandle window, int width, int height);

// Reads what the display shows of the window's client area (what the presents into it put there) as
// 0xAARRGGBB pixels, top row first, width × height of them. The window must be shown and not covered.
// NotAvailable where the display cannot be read back (a video driver other than X11); InvalidCall for
// an unknown window.
Result ReadWindowPixels(WindowHandle window, std::vector<std::uint32_t>& pixels, int& width, int& height);

// True while anything (a window, the graphics object) keeps SDL video started.
bool IsVideoStarted();

} // namespace Platform::Gfx
