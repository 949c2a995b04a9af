#include "platform/gfx/DisplayState.h"

#include "platform/gfx/GlContext.h"

namespace Platform::Gfx
{

bool IsWindowFullScreen(WindowHandle window)
{
    SDL_Window* sdlWindow = SdlWindowOf(window);
    return sdlWindow && (SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_FULLSCREEN) != 0;
}

void ResizeWindowClient(WindowHandle window, int width, int height)
{
    if (SDL_Window* sdlWindow = SdlWindowOf(window))
    {
        SDL_SetWindowSize(sdlWindow, width, height);
    }
}

bool IsVideoStarted()
{
    return SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

} // namespace Platform::Gfx
