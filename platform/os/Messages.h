#pragma once

#include "platform/os/Window.h"

#include <cstdint>

// The message loop: one queue per program, filled from SDL's events, read with PeekMessageA and
// delivered with DispatchMessageA to the procedure of the window's class. Message numbers and the
// packing of their parameters are the usual ones, so the engine's handlers read them unchanged.
namespace Platform
{

struct Message
{
    WindowHandle window = nullptr;
    std::uint32_t message = 0;
    MessageFirst first = 0;
    MessageSecond second = 0;
    std::uint32_t time = 0; // milliseconds since SDL started
    Point point;            // the pointer in screen coordinates when the message was made
};

constexpr std::uint32_t WM_NULL = 0x0000;
constexpr std::uint32_t WM_DESTROY = 0x0002;
constexpr std::uint32_t WM_ACTIVATE = 0x0006;
constexpr std::uint32_t WM_PAINT = 0x000F;
constexpr std::uint32_t WM_CLOSE = 0x0010;
constexpr std::uint32_t WM_QUIT = 0x0012;
constexpr std::uint32_t WM_KEYDOWN = 0x0100;
constexpr std::uint32_t WM_KEYUP = 0x0101;
constexpr std::uint32_t WM_CHAR = 0x0102;
constexpr std::uint32_t WM_SYSKEYDOWN = 0x0104;
constexpr std::uint32_t WM_SYSKEYUP = 0x0105;
constexpr std::uint32_t WM_MOUSEMOVE = 0x0200;
constexpr std::uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr std::uint32_t WM_LBUTTONUP = 0x0202;
constexpr std::uint32_t WM_LBUTTONDBLCLK = 0x0203;
constexpr std::uint32_t WM_RBUTTONDOWN = 0x0204;
constexpr std::uint32_t WM_RBUTTONUP = 0x0205;
constexpr std::uint32_t WM_RBUTTONDBLCLK = 0x0206;
constexpr std::uint32_t WM_MBUTTONDOWN = 0x0207;
constexpr std::uint32_t WM_MBUTTONUP = 0x0208;
constexpr std::uint32_t WM_MBUTTONDBLCLK = 0x0209;
constexpr std::uint32_t WM_MOUSEWHEEL = 0x020A;

// WM_ACTIVATE: the code in the low word of the first parameter, the high word non-zero when minimised.
constexpr std::uint32_t WA_INACTIVE = 0;
constexpr std::uint32_t WA_ACTIVE = 1;
constexpr std::uint32_t WA_CLICKACTIVE = 2;

// Button and modifier bits of the first parameter of mouse messages (low word for the wheel).
constexpr std::uint32_t MK_LBUTTON = 0x01;
constexpr std::uint32_t MK_RBUTTON = 0x02;
constexpr std::uint32_t MK_SHIFT = 0x04;
constexpr std::uint32_t MK_CONTROL = 0x08;
constexpr std::uint32_t MK_MBUTTON = 0x10;

// One wheel notch.
constexpr std::int32_t WHEEL_DELTA = 120;

constexpr std::uint32_t PM_NOREMOVE = 0;
constexpr std::uint32_t PM_REMOVE = 1;

// Takes SDL's pending events into the queue, then gives the first message for the window (null: any)
// whose number lies in [first, last] (0, 0: any), removing it with PM_REMOVE. With nothing queued, an
// invalid visible window gives WM_PAINT (it stays invalid until validated). False when no message came.
// Key state (GetKeyState) follows the key messages as they are taken.
bool PeekMessageA(Message* message, WindowHandle window, std::uint32_t first, std::uint32_t last,
                  std::uint32_t remove);

// Posts WM_CHAR for a key-down of Backspace, Tab, Return, Escape or Control+letter (Control without
// Alt), and one WM_CHAR per typed code point up to U+FFFF of text input (higher ones are dropped with a
// trace). The characters come before any other queued message. Returns whether it posted anything.
bool TranslateMessage(const Message* message);

// Calls the procedure of the message's window and returns its result; a message without a live window
// (a posted quit) calls nothing and gives 0.
MessageResult DispatchMessageA(const Message* message);

// Calls the window's procedure directly; 0 for a handle that is not a live window.
MessageResult SendMessageA(WindowHandle window, std::uint32_t message, MessageFirst first,
                           MessageSecond second);

// Queues a message after the ones waiting; false for a handle that is not a live window (null posts a
// message without a window).
bool PostMessageA(WindowHandle window, std::uint32_t message, MessageFirst first, MessageSecond second);

// Queues WM_QUIT (no window, the exit code as first parameter).
void PostQuitMessage(std::int32_t exitCode);

// Default handling: WM_CLOSE destroys the window (its procedure then sees WM_DESTROY); everything
// else gives 0.
MessageResult DefWindowProcA(WindowHandle window, std::uint32_t message, MessageFirst first,
                             MessageSecond second);

// The bits as the engine reads them from a message.
constexpr std::uint16_t LowWord(std::uintptr_t value)
{
    return static_cast<std::uint16_t>(value & 0xFFFF);
}
constexpr std::uint16_t HighWord(std::uintptr_t value)
{
    return static_cast<std::uint16_t>((value >> 16) & 0xFFFF);
}

} // namespace Platform
