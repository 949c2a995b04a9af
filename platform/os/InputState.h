#pragma once

#include "platform/os/Window.h"

#include <cstdint>

// What the input devices of platform/input read of the window layer's input: the keyboard view of the
// key-state record, and the mouse's movement and buttons as the events are converted.
namespace Platform
{

// The key state as of the last message taken, by keyboard-device key code: 0x80 while down. Changed at
// the moment GetKeyState's record changes, so the two always agree.
void ReadKeyCodeStates(std::uint8_t (&keys)[256]);

struct MouseMovement
{
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t wheel = 0; // 120 per notch, positive away from the user
};

// Collects the mouse's relative movement and wheel while the window is the active one, starting from 0;
// null stops collecting.
void CollectMouseMovement(WindowHandle window);
// The movement collected since the last call, which starts again from 0.
MouseMovement TakeMouseMovement();
// The buttons down as of the last mouse event converted: bit 0 left, 1 right, 2 middle, 3 X1, 4 X2.
std::uint32_t MouseButtonsDown();

} // namespace Platform
