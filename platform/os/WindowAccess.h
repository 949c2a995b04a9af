#pragma once

#include "platform/os/Window.h"

#include <SDL.h>

// What the platform's own device layer needs of the windows; only code inside platform/ includes this.
namespace Platform
{

// The SDL window behind a window handle (created with SDL_WINDOW_OPENGL when SDL could make one), or
// null for null, the desktop handle or a destroyed window. The window layer owns it: never destroy it.
// A window gets SDL's OpenGL attributes as they stand when it is created, so a device layer that
// needs particular ones sets them before the windows are made (the engine makes its graphics object
// first) and keeps SDL video running in between.
SDL_Window* SdlWindowOf(WindowHandle window);

// The window whose SDL window this is, or null.
WindowHandle WindowOfSdlWindow(SDL_Window* sdlWindow);

// Whether the window's SDL window accepts an OpenGL context (false when SDL could only make a plain
// window, for example a video driver without OpenGL).
bool WindowHasOpenGl(WindowHandle window);

// PeekMessageA takes every SDL event from SDL's queue; the ones it does not turn into messages (game
// controllers, audio devices and the like) go to this listener, if one is set. Null removes it.
using OtherEventListener = void (*)(const SDL_Event& event);
void SetOtherEventListener(OtherEventListener listener);

} // namespace Platform
