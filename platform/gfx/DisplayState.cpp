#include "platform/gfx/DisplayState.h"

#include "platform/gfx/GlContext.h"

#include <SDL_syswm.h>
#include <X11/Xutil.h>

#include <bit>

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

Result ReadWindowPixels(WindowHandle window, std::vector<std::uint32_t>& pixels, int& width, int& height)
{
    SDL_Window* sdlWindow = SdlWindowOf(window);
    if (!sdlWindow)
    {
        return InvalidCall;
    }
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(sdlWindow, &info) || info.subsystem != SDL_SYSWM_X11)
    {
        return NotAvailable;
    }
    if ((SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_SHOWN) == 0)
    {
        return NotAvailable;
    }
    SDL_GetWindowSize(sdlWindow, &width, &height);
    // The display's own copy: what the swaps into the window left on the screen. A window partly off
    // the screen answers an error, which must not end the process as Xlib's own handler would.
    XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    XImage* image = XGetImage(info.info.x11.display, info.info.x11.window, 0, 0, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    XSync(info.info.x11.display, False);
    XSetErrorHandler(previous);
    if (!image)
    {
        return NotAvailable;
    }
    pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            const unsigned long pixel = XGetPixel(image, x, y);
            const auto channel = [pixel](unsigned long mask) {
                const int shift = std::countr_zero(mask);
                return static_cast<std::uint32_t>(((pixel & mask) >> shift) * 255 / (mask >> shift));
            };
            pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] =
                0xFF000000u | channel(image->red_mask) << 16 | channel(image->green_mask) << 8 |
                channel(image->blue_mask);
        }
    }
    XDestroyImage(image);
    return Ok;
}

bool IsVideoStarted()
{
    return SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

} // namespace Platform::Gfx
