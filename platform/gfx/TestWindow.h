#pragma once

#include "platform/gfx/Records.h"

namespace Platform::Gfx
{

// Plain windows for tests of the device on its own: hidden, OpenGL-capable, of the given client
// size. They start SDL video for as long as they exist. Null when no window can be made.
WindowHandle OpenTestWindow(int width, int height);
void CloseTestWindow(WindowHandle window);

// The state of any window the device shows pictures in.
bool IsWindowFullScreen(WindowHandle window);
void GetWindowClientSize(WindowHandle window, int* width, int* height);

// True while anything (a window, the graphics object) keeps SDL video started.
bool IsVideoStarted();

} // namespace Platform::Gfx
