#include "platform/os/EventInjection.h"

#include "platform/os/WindowAccess.h"
#include "platform/os/WindowSystem.h"

#include <cstring>

namespace Platform
{

namespace
{

bool Push(SDL_Event& event)
{
    event.common.timestamp = SDL_GetTicks();
    return SDL_PushEvent(&event) == 1;
}

bool PushWindowEvent(WindowHandle window, SDL_WindowEventID id)
{
    SDL_Window* sdl = SdlWindowOf(window);
    if (sdl == nullptr)
    {
        return false;
    }
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = SDL_GetWindowID(sdl);
    event.window.event = static_cast<Uint8>(id);
    return Push(event);
}

} // namespace

bool InjectKey(WindowHandle window, const char* positionName, bool down, bool repeat, const char* keyName)
{
    SDL_Window* sdl = SdlWindowOf(window);
    const SDL_Scancode scancode = SDL_GetScancodeFromName(positionName);
    if (sdl == nullptr || scancode == SDL_SCANCODE_UNKNOWN)
    {
        return false;
    }
    const SDL_Keycode key =
        keyName != nullptr ? SDL_GetKeyFromName(keyName) : SDL_GetKeyFromScancode(scancode);
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.windowID = SDL_GetWindowID(sdl);
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat ? 1 : 0;
    event.key.keysym.scancode = scancode;
    event.key.keysym.sym = key;
    return Push(event);
}

bool InjectText(WindowHandle window, const char* utf8)
{
    SDL_Window* sdl = SdlWindowOf(window);
    if (sdl == nullptr || utf8 == nullptr || std::strlen(utf8) >= SDL_TEXTINPUTEVENT_TEXT_SIZE)
    {
        return false;
    }
    SDL_Event event{};
    event.type = SDL_TEXTINPUT;
    event.text.windowID = SDL_GetWindowID(sdl);
    std::strcpy(event.text.text, utf8);
    return Push(event);
}

bool InjectMouseMove(WindowHandle window, std::int32_t x, std::int32_t y, std::int32_t relativeX,
                     std::int32_t relativeY)
{
    SDL_Window* sdl = SdlWindowOf(window);
    if (sdl == nullptr)
    {
        return false;
    }
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.windowID = SDL_GetWindowID(sdl);
    event.motion.x = x;
    event.motion.y = y;
    event.motion.xrel = relativeX;
    event.motion.yrel = relativeY;
    return Push(event);
}

bool InjectMouseButton(WindowHandle window, InjectedButton button, bool down, std::int32_t x, std::int32_t y,
                       std::uint8_t clicks)
{
    SDL_Window* sdl = SdlWindowOf(window);
    if (sdl == nullptr)
    {
        return false;
    }
    SDL_Event event{};
    event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    event.button.windowID = SDL_GetWindowID(sdl);
    event.button.button = button == InjectedButton::Left     ? SDL_BUTTON_LEFT
                          : button == InjectedButton::Middle ? SDL_BUTTON_MIDDLE
                                                             : SDL_BUTTON_RIGHT;
    event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.button.clicks = clicks;
    event.button.x = x;
    event.button.y = y;
    return Push(event);
}

bool InjectMouseWheel(WindowHandle window, std::int32_t notches, std::int32_t x, std::int32_t y)
{
    SDL_Window* sdl = SdlWindowOf(window);
    if (sdl == nullptr)
    {
        return false;
    }
    SDL_Event event{};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.windowID = SDL_GetWindowID(sdl);
    event.wheel.y = notches;
    event.wheel.preciseY = static_cast<float>(notches);
    event.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    event.wheel.mouseX = x;
    event.wheel.mouseY = y;
    return Push(event);
}

bool InjectFocus(WindowHandle window, bool gained, bool asSystem)
{
    if (!asSystem)
    {
        Windows().focusRequested = nullptr;
    }
    return PushWindowEvent(window, gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST);
}

bool InjectExpose(WindowHandle window)
{
    return PushWindowEvent(window, SDL_WINDOWEVENT_EXPOSED);
}

bool InjectMinimise(WindowHandle window)
{
    return PushWindowEvent(window, SDL_WINDOWEVENT_MINIMIZED);
}

bool InjectClose(WindowHandle window)
{
    return PushWindowEvent(window, SDL_WINDOWEVENT_CLOSE);
}

bool InjectLockState(bool capsLock, bool numLock, bool scrollLock)
{
    if (!Windows().videoHeld)
    {
        return false;
    }
    const int others = SDL_GetModState() & ~(KMOD_CAPS | KMOD_NUM | KMOD_SCROLL);
    SDL_SetModState(static_cast<SDL_Keymod>(others | (capsLock ? KMOD_CAPS : 0) | (numLock ? KMOD_NUM : 0) |
                                            (scrollLock ? KMOD_SCROLL : 0)));
    return true;
}

bool InjectQuit()
{
    if (!Windows().videoHeld)
    {
        return false;
    }
    SDL_Event event{};
    event.type = SDL_QUIT;
    return Push(event);
}

} // namespace Platform
