#pragma once

#include "platform/os/Messages.h"
#include "platform/os/Window.h"

#include <SDL.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

// The state the window, message, cursor and injection code share. Internal to platform/os.
namespace Platform
{

struct WindowClassEntry
{
    std::string name;
    std::uint32_t style = 0;
    WindowProcedure procedure = nullptr;
    IconHandle icon = nullptr;
    CursorHandle cursor = nullptr;
};

struct WindowRecord
{
    SDL_Window* sdl = nullptr;
    std::uint32_t sdlId = 0;
    bool hasOpenGl = false;
    WindowClassEntry* windowClass = nullptr;
    std::uint32_t style = 0;
    bool shown = false;  // mapped with ShowWindow
    bool invalid = true; // WM_PAINT pending
    bool destroying = false;
    int pictureWidth = 0; // 0: no scaling of mouse points
    int pictureHeight = 0;
    CursorHandle cursor = nullptr; // current cursor while the pointer is over the window
};

// A queued message; key messages carry the key-state change they stand for, applied when taken.
struct QueuedMessage
{
    Message message;
    std::int32_t keyIndex = -1; // KeyStateIndex of the key, -1 for none
    bool keyDown = false;
    std::int32_t keyCode = -1; // the keyboard device's code of the key, -1 for none
    std::int32_t locks = -1;   // lock toggles copied from the system on activation (LockBits), -1 for none
};

// The lock toggles as a QueuedMessage carries them.
enum LockBits : std::int32_t
{
    kLockCaps = 1,
    kLockNum = 2,
    kLockScroll = 4
};

// Key-state slots: virtual keys 0..255, then the sides of the modifiers (AltGr holds Control and Alt).
enum KeySlot : std::int32_t
{
    kSlotLeftShift = 256,
    kSlotRightShift,
    kSlotLeftControl,
    kSlotRightControl,
    kSlotLeftAlt,
    kSlotAltGr, // right Alt
    kSlotCount
};

struct KeyStates
{
    bool down[kSlotCount] = {};
    bool capsToggled = false;
    bool numToggled = false;
    bool scrollToggled = false;
    // The keyboard device's view: by key code (Platform::Input::KeyCode), 0x80 while down.
    std::uint8_t keyCodes[256] = {};

    void Apply(std::int32_t slot, bool isDown);
    void ApplyKeyCode(std::int32_t code, bool isDown);
    void ApplyLocks(std::int32_t locks);
    bool ShiftDown() const { return down[kSlotLeftShift] || down[kSlotRightShift]; }
    bool ControlDown() const { return down[kSlotLeftControl] || down[kSlotRightControl] || down[kSlotAltGr]; }
    bool AltDown() const { return down[kSlotLeftAlt] || down[kSlotAltGr]; }
    bool IsDown(std::uint32_t virtualKey) const;
};

struct WindowSystem
{
    std::vector<std::unique_ptr<WindowClassEntry>> classes;
    std::vector<std::unique_ptr<WindowRecord>> windows;
    bool videoHeld = false;

    WindowHandle active = nullptr;
    WindowHandle capture = nullptr;
    WindowHandle pointerWindow = nullptr; // the window the pointer is over
    // After ShowWindow activated a window, the system's focus events that still describe earlier
    // requests are ignored until this window's own focus arrives (or a while has passed).
    WindowHandle focusRequested = nullptr;
    std::uint32_t focusRequestTime = 0;

    std::deque<QueuedMessage> posted; // characters and posted messages, taken before input
    std::deque<QueuedMessage> input;
    std::size_t paintTurn = 0;

    KeyStates takenKeys;       // as of the last message taken: GetKeyState
    KeyStates convertedKeys;   // as of the last event converted: modifiers of new messages
    std::uint32_t buttons = 0; // MK_ button bits as of the last event converted
    Point lastScreenPoint;

    // The mouse device's movement, collected while mouseCollector is the active window.
    WindowHandle mouseCollector = nullptr;
    std::int32_t mouseX = 0;
    std::int32_t mouseY = 0;
    std::int32_t mouseWheel = 0;
    std::uint32_t mouseButtons =
        0; // bit 0 left, 1 right, 2 middle, 3 X1, 4 X2, as of the last event converted
};

WindowSystem& Windows();

// Live window with that SDL id, or null.
WindowRecord* FindWindowBySdlId(std::uint32_t id);

// Holds SDL video for the window layer; ReleaseVideoWhenUnused lets it go once no class or window is left.
bool HoldVideo();
void ReleaseVideoWhenUnused();

// Sends WM_ACTIVATE to the procedure (not queued).
void SendActivate(WindowHandle window, std::uint32_t code);

// Moves SDL's pending events into the queue.
void ConvertPendingEvents();

// Drops the queued messages of a window that goes away.
void DropMessagesOf(WindowHandle window);

// Writes a line to the debugger output.
void TraceWindowing(const std::string& text);

// The virtual key of an SDL key (letters and digits by the key's character, the rest by position), and
// the key-state slot it moves (the side of a modifier, else the virtual key). 0 / -1 for keys the
// program does not know.
std::uint32_t VirtualKeyOf(SDL_Keycode key, SDL_Scancode scancode);
std::int32_t KeySlotOf(SDL_Keycode key, SDL_Scancode scancode, std::uint32_t virtualKey);

// The keyboard device's code of the key at that position, -1 for none.
std::int32_t KeyCodeOf(SDL_Scancode scancode);

// The system's lock toggles now (LockBits), from SDL's modifier state.
std::int32_t SystemLocks();

// Whether the key is AltGr (right Alt or the mode key), which counts as Control and Alt held together.
bool IsAltGr(SDL_Keycode key, SDL_Scancode scancode);

// Makes the class icon the window's icon, and the window's cursor the shown one.
void ApplyClassIcon(WindowHandle window);
void ApplyWindowCursor(WindowHandle window);

// Frees the SDL cursors made so far (they are made again when next shown); called before video stops.
void FreeSdlCursors();

} // namespace Platform
