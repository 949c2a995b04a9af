#pragma once

#include "platform/os/Window.h"

#include <cstdint>

// Pushes input events into SDL's queue as if they came from the system, so that tests and test programs
// drive PeekMessageA, TranslateMessage and DispatchMessageA end to end. Each returns false when the
// window is not live or SDL refuses the event.
namespace Platform
{

// A key by SDL's key name ("A", "Return", "Left Ctrl", "Right Alt", "F4", "CapsLock", "Keypad Enter").
// keyName, when given, overrides the symbol the layout gives that position (for example "ModeSwitch"
// for the AltGr key of a layout with third-level characters).
bool InjectKey(WindowHandle window, const char* positionName, bool down, bool repeat = false,
               const char* keyName = nullptr);

// Typed text (UTF-8, at most 31 bytes per event), as the system's text input sends it.
bool InjectText(WindowHandle window, const char* utf8);

enum class InjectedButton
{
    Left,
    Middle,
    Right
};

// Mouse events at a client point in window pixels (before any scaling to the picture size). A move
// carries the relative movement the mouse device collects.
bool InjectMouseMove(WindowHandle window, std::int32_t x, std::int32_t y, std::int32_t relativeX = 0,
                     std::int32_t relativeY = 0);
bool InjectMouseButton(WindowHandle window, InjectedButton button, bool down, std::int32_t x, std::int32_t y,
                       std::uint8_t clicks = 1);
bool InjectMouseWheel(WindowHandle window, std::int32_t notches, std::int32_t x, std::int32_t y);

// Window events. A focus event is taken as it comes even right after ShowWindow asked for focus,
// unless asSystem is set: then it is treated as the system's own (a late answer to an earlier request
// is ignored until the last shown window's focus arrives).
bool InjectFocus(WindowHandle window, bool gained, bool asSystem = false);
bool InjectExpose(WindowHandle window);
bool InjectMinimise(WindowHandle window);
bool InjectClose(WindowHandle window);

// Sets the system's lock toggles (SDL's modifier state), as they would stand when a window of the program
// next gains the focus. False while the window layer is not running.
bool InjectLockState(bool capsLock, bool numLock, bool scrollLock);

// The system's request to end the program (every window is asked to close).
bool InjectQuit();

} // namespace Platform
