#pragma once

#include <cstdint>

// Virtual-key codes (the first parameter of key messages) and the program's key state. Letters are
// their capital ASCII codes 'A'..'Z' and digits '0'..'9'.
namespace Platform
{

constexpr std::uint32_t VK_BACK = 0x08;
constexpr std::uint32_t VK_TAB = 0x09;
constexpr std::uint32_t VK_RETURN = 0x0D;
constexpr std::uint32_t VK_SHIFT = 0x10;
constexpr std::uint32_t VK_CONTROL = 0x11;
constexpr std::uint32_t VK_MENU = 0x12; // Alt
constexpr std::uint32_t VK_PAUSE = 0x13;
constexpr std::uint32_t VK_CAPITAL = 0x14;
constexpr std::uint32_t VK_ESCAPE = 0x1B;
constexpr std::uint32_t VK_SPACE = 0x20;
constexpr std::uint32_t VK_PRIOR = 0x21;
constexpr std::uint32_t VK_NEXT = 0x22;
constexpr std::uint32_t VK_END = 0x23;
constexpr std::uint32_t VK_HOME = 0x24;
constexpr std::uint32_t VK_LEFT = 0x25;
constexpr std::uint32_t VK_UP = 0x26;
constexpr std::uint32_t VK_RIGHT = 0x27;
constexpr std::uint32_t VK_DOWN = 0x28;
constexpr std::uint32_t VK_SNAPSHOT = 0x2C;
constexpr std::uint32_t VK_INSERT = 0x2D;
constexpr std::uint32_t VK_DELETE = 0x2E;
constexpr std::uint32_t VK_LWIN = 0x5B;
constexpr std::uint32_t VK_RWIN = 0x5C;
constexpr std::uint32_t VK_APPS = 0x5D;
constexpr std::uint32_t VK_NUMPAD0 = 0x60; // through VK_NUMPAD0 + 9
constexpr std::uint32_t VK_MULTIPLY = 0x6A;
constexpr std::uint32_t VK_ADD = 0x6B;
constexpr std::uint32_t VK_SUBTRACT = 0x6D;
constexpr std::uint32_t VK_DECIMAL = 0x6E;
constexpr std::uint32_t VK_DIVIDE = 0x6F;
constexpr std::uint32_t VK_F1 = 0x70; // through VK_F1 + 23 (F24)
constexpr std::uint32_t VK_F4 = 0x73;
constexpr std::uint32_t VK_F10 = 0x79;
constexpr std::uint32_t VK_NUMLOCK = 0x90;
constexpr std::uint32_t VK_SCROLL = 0x91;
constexpr std::uint32_t VK_OEM_1 = 0xBA;      // ;
constexpr std::uint32_t VK_OEM_PLUS = 0xBB;   // =
constexpr std::uint32_t VK_OEM_COMMA = 0xBC;  // ,
constexpr std::uint32_t VK_OEM_MINUS = 0xBD;  // -
constexpr std::uint32_t VK_OEM_PERIOD = 0xBE; // .
constexpr std::uint32_t VK_OEM_2 = 0xBF;      // /
constexpr std::uint32_t VK_OEM_3 = 0xC0;      // `
constexpr std::uint32_t VK_OEM_4 = 0xDB;      // [
constexpr std::uint32_t VK_OEM_5 = 0xDC;      // backslash
constexpr std::uint32_t VK_OEM_6 = 0xDD;      // ]
constexpr std::uint32_t VK_OEM_7 = 0xDE;      // '

// The state of a key as of the last message taken from the queue: bit 15 (the value is negative) while
// the key is down; bit 0 the toggle state of Caps Lock, Num Lock and Scroll Lock. Shift, Control and Alt
// are down while either side is; AltGr holds both Control and Alt. This is the one source of key state
// for the program: nothing else reads SDL's keyboard state.
std::int16_t GetKeyState(std::uint32_t virtualKey);

} // namespace Platform
