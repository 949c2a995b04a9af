#include "platform/gfx/DisplayState.h"

#include "platform/gfx/GlContext.h"

namespace Platform::Gfx
{

bool IsWindowFullScreen(WindowHandle window)
{
    SDL_Window* sdlWindow = SdlWindowOf(window);
    return sdlWindow && (SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_FULLSCREEN) != 0;
}

bool IsVideoStarted()
{
    return SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

} // namespace Platform::Gfx
