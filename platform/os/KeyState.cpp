#include "platform/os/KeyState.h"

#include "platform/input/KeyCodes.h"
#include "platform/os/InputState.h"
#include "platform/os/WindowSystem.h"

#include <algorithm>
#include <iterator>

namespace Platform
{

namespace
{

// Keys found by their position, so that a layout's symbols do not change them.
std::uint32_t VirtualKeyOfScancode(SDL_Scancode scancode)
{
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
    {
        return 'A' + (scancode - SDL_SCANCODE_A);
    }
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9)
    {
        return '1' + (scancode - SDL_SCANCODE_1);
    }
    if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F12)
    {
        return VK_F1 + (scancode - SDL_SCANCODE_F1);
    }
    if (scancode >= SDL_SCANCODE_F13 && scancode <= SDL_SCANCODE_F24)
    {
        return VK_F1 + 12 + (scancode - SDL_SCANCODE_F13);
    }
    if (scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_9)
    {
        return VK_NUMPAD0 + 1 + (scancode - SDL_SCANCODE_KP_1);
    }
    switch (scancode)
    {
    case SDL_SCANCODE_0:
        return '0';
    case SDL_SCANCODE_BACKSPACE:
        return VK_BACK;
    case SDL_SCANCODE_TAB:
        return VK_TAB;
    case SDL_SCANCODE_RETURN:
    case SDL_SCANCODE_RETURN2:
    case SDL_SCANCODE_KP_ENTER:
        return VK_RETURN;
    case SDL_SCANCODE_LSHIFT:
    case SDL_SCANCODE_RSHIFT:
        return VK_SHIFT;
    case SDL_SCANCODE_LCTRL:
    case SDL_SCANCODE_RCTRL:
        return VK_CONTROL;
    case SDL_SCANCODE_LALT:
    case SDL_SCANCODE_RALT:
    case SDL_SCANCODE_MODE:
        return VK_MENU;
    case SDL_SCANCODE_PAUSE:
        return VK_PAUSE;
    case SDL_SCANCODE_CAPSLOCK:
        return VK_CAPITAL;
    case SDL_SCANCODE_ESCAPE:
        return VK_ESCAPE;
    case SDL_SCANCODE_SPACE:
        return VK_SPACE;
    case SDL_SCANCODE_PAGEUP:
        return VK_PRIOR;
    case SDL_SCANCODE_PAGEDOWN:
        return VK_NEXT;
    case SDL_SCANCODE_END:
        return VK_END;
    case SDL_SCANCODE_HOME:
        return VK_HOME;
    case SDL_SCANCODE_LEFT:
        return VK_LEFT;
    case SDL_SCANCODE_UP:
        return VK_UP;
    case SDL_SCANCODE_RIGHT:
        return VK_RIGHT;
    case SDL_SCANCODE_DOWN:
        return VK_DOWN;
    case SDL_SCANCODE_PRINTSCREEN:
        return VK_SNAPSHOT;
    case SDL_SCANCODE_INSERT:
        return VK_INSERT;
    case SDL_SCANCODE_DELETE:
        return VK_DELETE;
    case SDL_SCANCODE_LGUI:
        return VK_LWIN;
    case SDL_SCANCODE_RGUI:
        return VK_RWIN;
    case SDL_SCANCODE_APPLICATION:
        return VK_APPS;
    case SDL_SCANCODE_KP_0:
        return VK_NUMPAD0;
    case SDL_SCANCODE_KP_MULTIPLY:
        return VK_MULTIPLY;
    case SDL_SCANCODE_KP_PLUS:
        return VK_ADD;
    case SDL_SCANCODE_KP_MINUS:
        return VK_SUBTRACT;
    case SDL_SCANCODE_KP_PERIOD:
        return VK_DECIMAL;
    case SDL_SCANCODE_KP_DIVIDE:
        return VK_DIVIDE;
    case SDL_SCANCODE_NUMLOCKCLEAR:
        return VK_NUMLOCK;
    case SDL_SCANCODE_SCROLLLOCK:
        return VK_SCROLL;
    case SDL_SCANCODE_SEMICOLON:
        return VK_OEM_1;
    case SDL_SCANCODE_EQUALS:
        return VK_OEM_PLUS;
    case SDL_SCANCODE_COMMA:
        return VK_OEM_COMMA;
    case SDL_SCANCODE_MINUS:
        return VK_OEM_MINUS;
    case SDL_SCANCODE_PERIOD:
        return VK_OEM_PERIOD;
    case SDL_SCANCODE_SLASH:
        return VK_OEM_2;
    case SDL_SCANCODE_GRAVE:
        return VK_OEM_3;
    case SDL_SCANCODE_LEFTBRACKET:
        return VK_OEM_4;
    case SDL_SCANCODE_BACKSLASH:
        return VK_OEM_5;
    case SDL_SCANCODE_RIGHTBRACKET:
        return VK_OEM_6;
    case SDL_SCANCODE_APOSTROPHE:
        return VK_OEM_7;
    default:
        return 0;
    }
}

} // namespace

std::int32_t KeyCodeOf(SDL_Scancode scancode)
{
    using namespace Platform::Input;
    // Letters in alphabetical order, digits 1..9 then 0, keypad digits 1..9: their codes follow the rows of
    // the keyboard, not the alphabet.
    static constexpr KeyCode kLetters[26] = {KeyA, KeyB, KeyC, KeyD, KeyE, KeyF, KeyG, KeyH, KeyI,
                                             KeyJ, KeyK, KeyL, KeyM, KeyN, KeyO, KeyP, KeyQ, KeyR,
                                             KeyS, KeyT, KeyU, KeyV, KeyW, KeyX, KeyY, KeyZ};
    static constexpr KeyCode kPad[9] = {KeyNumpad1, KeyNumpad2, KeyNumpad3, KeyNumpad4, KeyNumpad5,
                                        KeyNumpad6, KeyNumpad7, KeyNumpad8, KeyNumpad9};
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
    {
        return kLetters[scancode - SDL_SCANCODE_A];
    }
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9)
    {
        return Key1 + (scancode - SDL_SCANCODE_1);
    }
    if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F10)
    {
        return KeyF1 + (scancode - SDL_SCANCODE_F1);
    }
    if (scancode >= SDL_SCANCODE_F13 && scancode <= SDL_SCANCODE_F15)
    {
        return KeyF13 + (scancode - SDL_SCANCODE_F13);
    }
    if (scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_9)
    {
        return kPad[scancode - SDL_SCANCODE_KP_1];
    }
    switch (scancode)
    {
    case SDL_SCANCODE_ESCAPE:
        return KeyEscape;
    case SDL_SCANCODE_0:
        return Key0;
    case SDL_SCANCODE_MINUS:
        return KeyMinus;
    case SDL_SCANCODE_EQUALS:
        return KeyEquals;
    case SDL_SCANCODE_BACKSPACE:
        return KeyBackspace;
    case SDL_SCANCODE_TAB:
        return KeyTab;
    case SDL_SCANCODE_LEFTBRACKET:
        return KeyLeftBracket;
    case SDL_SCANCODE_RIGHTBRACKET:
        return KeyRightBracket;
    case SDL_SCANCODE_RETURN:
    case SDL_SCANCODE_RETURN2:
        return KeyReturn;
    case SDL_SCANCODE_LCTRL:
        return KeyLeftControl;
    case SDL_SCANCODE_SEMICOLON:
        return KeySemicolon;
    case SDL_SCANCODE_APOSTROPHE:
        return KeyApostrophe;
    case SDL_SCANCODE_GRAVE:
        return KeyGrave;
    case SDL_SCANCODE_LSHIFT:
        return KeyLeftShift;
    case SDL_SCANCODE_BACKSLASH:
        return KeyBackslash;
    case SDL_SCANCODE_COMMA:
        return KeyComma;
    case SDL_SCANCODE_PERIOD:
        return KeyPeriod;
    case SDL_SCANCODE_SLASH:
        return KeySlash;
    case SDL_SCANCODE_RSHIFT:
        return KeyRightShift;
    case SDL_SCANCODE_KP_MULTIPLY:
        return KeyNumpadStar;
    case SDL_SCANCODE_LALT:
        return KeyLeftAlt;
    case SDL_SCANCODE_SPACE:
        return KeySpace;
    case SDL_SCANCODE_CAPSLOCK:
        return KeyCapsLock;
    case SDL_SCANCODE_NUMLOCKCLEAR:
        return KeyNumLock;
    case SDL_SCANCODE_SCROLLLOCK:
        return KeyScrollLock;
    case SDL_SCANCODE_KP_MINUS:
        return KeyNumpadMinus;
    case SDL_SCANCODE_KP_PLUS:
        return KeyNumpadPlus;
    case SDL_SCANCODE_KP_0:
        return KeyNumpad0;
    case SDL_SCANCODE_KP_PERIOD:
        return KeyNumpadPeriod;
    case SDL_SCANCODE_F11:
        return KeyF11;
    case SDL_SCANCODE_F12:
        return KeyF12;
    case SDL_SCANCODE_KP_ENTER:
        return KeyNumpadEnter;
    case SDL_SCANCODE_RCTRL:
        return KeyRightControl;
    case SDL_SCANCODE_KP_DIVIDE:
        return KeyNumpadSlash;
    case SDL_SCANCODE_PRINTSCREEN:
        return KeyPrintScreen;
    case SDL_SCANCODE_RALT:
    case SDL_SCANCODE_MODE:
        return KeyRightAlt;
    case SDL_SCANCODE_PAUSE:
        return KeyPause;
    case SDL_SCANCODE_HOME:
        return KeyHome;
    case SDL_SCANCODE_UP:
        return KeyUp;
    case SDL_SCANCODE_PAGEUP:
        return KeyPageUp;
    case SDL_SCANCODE_LEFT:
        return KeyLeft;
    case SDL_SCANCODE_RIGHT:
        return KeyRight;
    case SDL_SCANCODE_END:
        return KeyEnd;
    case SDL_SCANCODE_DOWN:
        return KeyDown;
    case SDL_SCANCODE_PAGEDOWN:
        return KeyPageDown;
    case SDL_SCANCODE_INSERT:
        return KeyInsert;
    case SDL_SCANCODE_DELETE:
        return KeyDelete;
    case SDL_SCANCODE_LGUI:
        return KeyLeftWin;
    case SDL_SCANCODE_RGUI:
        return KeyRightWin;
    case SDL_SCANCODE_APPLICATION:
        return KeyApps;
    default:
        return -1;
    }
}

std::int32_t SystemLocks()
{
    const SDL_Keymod modifiers = SDL_GetModState();
    return ((modifiers & KMOD_CAPS) != 0 ? kLockCaps : 0) | ((modifiers & KMOD_NUM) != 0 ? kLockNum : 0) |
           ((modifiers & KMOD_SCROLL) != 0 ? kLockScroll : 0);
}

std::uint32_t VirtualKeyOf(SDL_Keycode key, SDL_Scancode scancode)
{
    if (key >= 'a' && key <= 'z')
    {
        return static_cast<std::uint32_t>(key - 'a' + 'A');
    }
    if (key >= '0' && key <= '9')
    {
        return static_cast<std::uint32_t>(key);
    }
    if (key == SDLK_MODE)
    {
        return VK_MENU;
    }
    return VirtualKeyOfScancode(scancode);
}

bool IsAltGr(SDL_Keycode key, SDL_Scancode scancode)
{
    // SDL reports a layout's AltGr as right Alt (or its mode key) and cannot tell it from a plain right
    // Alt, so right Alt always counts as AltGr: characters of the third level then arrive as they do
    // with Control and Alt held.
    return key == SDLK_MODE || scancode == SDL_SCANCODE_MODE || scancode == SDL_SCANCODE_RALT;
}

std::int32_t KeySlotOf(SDL_Keycode key, SDL_Scancode scancode, std::uint32_t virtualKey)
{
    if (IsAltGr(key, scancode))
    {
        return kSlotAltGr;
    }
    switch (scancode)
    {
    case SDL_SCANCODE_LSHIFT:
        return kSlotLeftShift;
    case SDL_SCANCODE_RSHIFT:
        return kSlotRightShift;
    case SDL_SCANCODE_LCTRL:
        return kSlotLeftControl;
    case SDL_SCANCODE_RCTRL:
        return kSlotRightControl;
    case SDL_SCANCODE_LALT:
        return kSlotLeftAlt;
    default:
        return virtualKey != 0 ? static_cast<std::int32_t>(virtualKey) : -1;
    }
}

void KeyStates::Apply(std::int32_t slot, bool isDown)
{
    if (slot < 0 || slot >= kSlotCount)
    {
        return;
    }
    if (isDown && !down[slot])
    {
        capsToggled ^= slot == static_cast<std::int32_t>(VK_CAPITAL);
        numToggled ^= slot == static_cast<std::int32_t>(VK_NUMLOCK);
        scrollToggled ^= slot == static_cast<std::int32_t>(VK_SCROLL);
    }
    down[slot] = isDown;
}

void KeyStates::ApplyKeyCode(std::int32_t code, bool isDown)
{
    if (code >= 0 && code < 256)
    {
        keyCodes[code] = isDown ? 0x80 : 0;
    }
}

void KeyStates::ApplyLocks(std::int32_t locks)
{
    if (locks >= 0)
    {
        capsToggled = (locks & kLockCaps) != 0;
        numToggled = (locks & kLockNum) != 0;
        scrollToggled = (locks & kLockScroll) != 0;
    }
}

bool KeyStates::IsDown(std::uint32_t virtualKey) const
{
    switch (virtualKey)
    {
    case VK_SHIFT:
        return ShiftDown();
    case VK_CONTROL:
        return ControlDown();
    case VK_MENU:
        return AltDown();
    case 0xA0:
        return down[kSlotLeftShift];
    case 0xA1:
        return down[kSlotRightShift];
    case 0xA2:
        return down[kSlotLeftControl] || down[kSlotAltGr];
    case 0xA3:
        return down[kSlotRightControl];
    case 0xA4:
        return down[kSlotLeftAlt];
    case 0xA5:
        return down[kSlotAltGr];
    default:
        return virtualKey < 256 && down[virtualKey];
    }
}

std::int16_t GetKeyState(std::uint32_t virtualKey)
{
    const KeyStates& keys = Windows().takenKeys;
    std::uint16_t state = keys.IsDown(virtualKey) ? 0x8000 : 0;
    if ((virtualKey == VK_CAPITAL && keys.capsToggled) || (virtualKey == VK_NUMLOCK && keys.numToggled) ||
        (virtualKey == VK_SCROLL && keys.scrollToggled))
    {
        state |= 1;
    }
    return static_cast<std::int16_t>(state);
}

void ReadKeyCodeStates(std::uint8_t (&keys)[256])
{
    std::copy(std::begin(Windows().takenKeys.keyCodes), std::end(Windows().takenKeys.keyCodes), keys);
}

void CollectMouseMovement(WindowHandle window)
{
    WindowSystem& system = Windows();
    if (window != system.mouseCollector)
    {
        system.mouseCollector = window;
        system.mouseX = system.mouseY = system.mouseWheel = 0;
    }
}

MouseMovement TakeMouseMovement()
{
    WindowSystem& system = Windows();
    const MouseMovement movement{system.mouseX, system.mouseY, system.mouseWheel};
    system.mouseX = system.mouseY = system.mouseWheel = 0;
    return movement;
}

std::uint32_t MouseButtonsDown()
{
    return Windows().mouseButtons;
}

} // namespace Platform
