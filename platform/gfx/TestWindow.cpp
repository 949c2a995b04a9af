#include "platform/gfx/TestWindow.h"

#include "platform/gfx/GlContext.h"

namespace Platform::Gfx
{

WindowHandle OpenTestWindow(int width, int height)
{
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
    {
        return nullptr;
    }
    SetGlAttributes();
    SDL_Window* window = SDL_CreateWindow("test", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width,
                                          height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window)
    {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    return window;
}

void CloseTestWindow(WindowHandle window)
{
    if (SDL_Window* sdlWindow = SdlWindowOf(window))
    {
        SDL_DestroyWindow(sdlWindow);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
}

bool IsWindowFullScreen(WindowHandle window)
{
    SDL_Window* sdlWindow = SdlWindowOf(window);
    return sdlWindow && (SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_FULLSCREEN) != 0;
}

void GetWindowClientSize(WindowHandle window, int* width, int* height)
{
    SDL_GetWindowSize(SdlWindowOf(window), width, height);
}

bool IsVideoStarted()
{
    return SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

} // namespace Platform::Gfx
