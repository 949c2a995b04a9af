#include "platform/os/Messages.h"

#include "platform/os/KeyState.h"
#include "platform/os/WindowAccess.h"
#include "platform/os/WindowSystem.h"

#include <algorithm>
#include <cstdio>

namespace Platform
{

namespace
{

// A typed code point waiting for TranslateMessage; outside the 16-bit message numbers, never dispatched.
constexpr std::uint32_t kTypedCodePoint = 0xFFFF0102;

// Focus events older than this after ShowWindow asked for focus are taken as they come.
constexpr std::uint32_t kFocusRequestMilliseconds = 1000;

OtherEventListener otherEventListener = nullptr;

WindowRecord* LiveRecord(WindowHandle window)
{
    for (const auto& record : Windows().windows)
    {
        if (record.get() == window && !record->destroying)
        {
            return record.get();
        }
    }
    return nullptr;
}

MessageSecond PackPoint(std::int32_t x, std::int32_t y)
{
    const std::uint32_t packed =
        static_cast<std::uint16_t>(x) | (static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16);
    return static_cast<MessageSecond>(packed);
}

QueuedMessage& Queue(std::deque<QueuedMessage>& queue, WindowHandle window, std::uint32_t number,
                     MessageFirst first, MessageSecond second, std::uint32_t time, std::int32_t keySlot = -1,
                     bool keyDown = false)
{
    QueuedMessage queued;
    queued.message.window = window;
    queued.message.message = number;
    queued.message.first = first;
    queued.message.second = second;
    queued.message.time = time;
    queued.message.point = Windows().lastScreenPoint;
    queued.keyIndex = keySlot;
    queued.keyDown = keyDown;
    queue.push_back(queued);
    return queue.back();
}

// The window that gets keyboard input: the event's own window, else the active one.
WindowRecord* KeyboardTarget(std::uint32_t sdlId)
{
    if (WindowRecord* record = FindWindowBySdlId(sdlId))
    {
        return record;
    }
    return LiveRecord(Windows().active);
}

void ConvertKey(const SDL_KeyboardEvent& event)
{
    WindowRecord* target = KeyboardTarget(event.windowID);
    const SDL_Keycode key = event.keysym.sym;
    const SDL_Scancode scancode = event.keysym.scancode;
    const std::uint32_t virtualKey = VirtualKeyOf(key, scancode);
    if (target == nullptr || virtualKey == 0)
    {
        return;
    }
    const bool down = event.type == SDL_KEYDOWN;
    const std::int32_t slot = KeySlotOf(key, scancode, virtualKey);
    KeyStates& keys = Windows().convertedKeys;
    keys.Apply(slot, down);
    const bool system = (keys.AltDown() && !keys.ControlDown()) || virtualKey == VK_F10;
    const std::uint32_t number =
        down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    std::uint32_t second = 1 | ((static_cast<std::uint32_t>(scancode) & 0xFF) << 16);
    if (down && event.repeat != 0)
    {
        second |= 1u << 30;
    }
    if (!down)
    {
        second |= 1u << 31;
    }
    auto& input = Windows().input;
    if (slot == kSlotAltGr)
    {
        // AltGr stands for Control and Alt pressed together; for the keyboard device it stays right Alt.
        Queue(input, target, number, VK_CONTROL, static_cast<MessageSecond>(second), event.timestamp, slot,
              down)
            .keyCode = KeyCodeOf(scancode);
        Queue(input, target, number, VK_MENU, static_cast<MessageSecond>(second), event.timestamp);
        return;
    }
    Queue(input, target, number, virtualKey, static_cast<MessageSecond>(second), event.timestamp, slot, down)
        .keyCode = KeyCodeOf(scancode);
}

void ConvertText(const SDL_TextInputEvent& event)
{
    WindowRecord* target = KeyboardTarget(event.windowID);
    if (target == nullptr)
    {
        return;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(event.text);
    for (std::size_t i = 0; i < sizeof(event.text) && bytes[i] != 0;)
    {
        std::uint32_t codePoint = bytes[i];
        int extra = 0;
        if (codePoint >= 0xF0)
        {
            codePoint &= 0x07;
            extra = 3;
        }
        else if (codePoint >= 0xE0)
        {
            codePoint &= 0x0F;
            extra = 2;
        }
        else if (codePoint >= 0xC0)
        {
            codePoint &= 0x1F;
            extra = 1;
        }
        else if (codePoint >= 0x80)
        {
            ++i; // a stray continuation byte
            continue;
        }
        ++i;
        bool complete = true;
        for (int k = 0; k < extra; ++k, ++i)
        {
            if (i >= sizeof(event.text) || (bytes[i] & 0xC0) != 0x80)
            {
                complete = false;
                break;
            }
            codePoint = (codePoint << 6) | (bytes[i] & 0x3F);
        }
        if (complete)
        {
            Queue(Windows().input, target, kTypedCodePoint, codePoint, 1, event.timestamp);
        }
    }
}

// The client point in picture pixels: scaled by picture size / client size when the device told one.
Point ScaledClientPoint(const WindowRecord& record, std::int32_t x, std::int32_t y)
{
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(record.sdl, &width, &height);
    if (record.pictureWidth > 0 && record.pictureHeight > 0 && width > 0 && height > 0)
    {
        x = static_cast<std::int32_t>(static_cast<std::int64_t>(x) * record.pictureWidth / width);
        y = static_cast<std::int32_t>(static_cast<std::int64_t>(y) * record.pictureHeight / height);
    }
    return Point{x, y};
}

// The window that gets a mouse event and the point in its client coordinates: the capture window when
// one is set (the point moved from the event's window into it), else the event's window.
WindowRecord* MouseTarget(std::uint32_t sdlId, std::int32_t& x, std::int32_t& y)
{
    WindowRecord* source = FindWindowBySdlId(sdlId);
    WindowRecord* capture = LiveRecord(Windows().capture);
    if (capture == nullptr)
    {
        return source;
    }
    if (source != nullptr && source != capture)
    {
        int sx = 0;
        int sy = 0;
        int cx = 0;
        int cy = 0;
        SDL_GetWindowPosition(source->sdl, &sx, &sy);
        SDL_GetWindowPosition(capture->sdl, &cx, &cy);
        x += sx - cx;
        y += sy - cy;
    }
    return capture;
}

MessageFirst MouseBits()
{
    const WindowSystem& system = Windows();
    MessageFirst bits = system.buttons;
    if (system.convertedKeys.ShiftDown())
    {
        bits |= MK_SHIFT;
    }
    if (system.convertedKeys.ControlDown())
    {
        bits |= MK_CONTROL;
    }
    return bits;
}

void RememberScreenPoint(const WindowRecord& record, std::int32_t x, std::int32_t y)
{
    int wx = 0;
    int wy = 0;
    SDL_GetWindowPosition(record.sdl, &wx, &wy);
    Windows().lastScreenPoint = Point{wx + x, wy + y};
}

// Whether the mouse device collects movement now.
bool CollectingMouse()
{
    const WindowSystem& system = Windows();
    return system.mouseCollector != nullptr && system.mouseCollector == system.active;
}

void ConvertMotion(const SDL_MouseMotionEvent& event)
{
    if (CollectingMouse())
    {
        Windows().mouseX += event.xrel;
        Windows().mouseY += event.yrel;
    }
    std::int32_t x = event.x;
    std::int32_t y = event.y;
    WindowRecord* target = MouseTarget(event.windowID, x, y);
    if (target == nullptr)
    {
        return;
    }
    RememberScreenPoint(*target, x, y);
    const Point point = ScaledClientPoint(*target, x, y);
    Queue(Windows().input, target, WM_MOUSEMOVE, MouseBits(), PackPoint(point.x, point.y), event.timestamp);
}

// The mouse device's button bit: left 0, right 1, middle 2, X1 3, X2 4.
std::uint32_t DeviceButtonBit(std::uint8_t button)
{
    switch (button)
    {
    case SDL_BUTTON_LEFT:
        return 1u << 0;
    case SDL_BUTTON_RIGHT:
        return 1u << 1;
    case SDL_BUTTON_MIDDLE:
        return 1u << 2;
    case SDL_BUTTON_X1:
        return 1u << 3;
    case SDL_BUTTON_X2:
        return 1u << 4;
    default:
        return 0;
    }
}

void ConvertButton(const SDL_MouseButtonEvent& event)
{
    const std::uint32_t deviceBit = DeviceButtonBit(event.button);
    std::uint32_t& deviceButtons = Windows().mouseButtons;
    deviceButtons =
        event.type == SDL_MOUSEBUTTONDOWN ? (deviceButtons | deviceBit) : (deviceButtons & ~deviceBit);
    std::uint32_t bit = 0;
    std::uint32_t downNumber = 0;
    switch (event.button)
    {
    case SDL_BUTTON_LEFT:
        bit = MK_LBUTTON;
        downNumber = WM_LBUTTONDOWN;
        break;
    case SDL_BUTTON_RIGHT:
        bit = MK_RBUTTON;
        downNumber = WM_RBUTTONDOWN;
        break;
    case SDL_BUTTON_MIDDLE:
        bit = MK_MBUTTON;
        downNumber = WM_MBUTTONDOWN;
        break;
    default:
        return;
    }
    std::int32_t x = event.x;
    std::int32_t y = event.y;
    WindowRecord* target = MouseTarget(event.windowID, x, y);
    const bool down = event.type == SDL_MOUSEBUTTONDOWN;
    WindowSystem& system = Windows();
    system.buttons = down ? (system.buttons | bit) : (system.buttons & ~bit);
    if (target == nullptr)
    {
        return;
    }
    std::uint32_t number = downNumber;
    if (!down)
    {
        number = downNumber + 1;
    }
    else if (event.clicks >= 2 && event.clicks % 2 == 0 && (target->windowClass->style & CS_DBLCLKS) != 0)
    {
        number = downNumber + 2;
    }
    RememberScreenPoint(*target, x, y);
    const Point point = ScaledClientPoint(*target, x, y);
    Queue(system.input, target, number, MouseBits(), PackPoint(point.x, point.y), event.timestamp);
}

void ConvertWheel(const SDL_MouseWheelEvent& event)
{
    const std::int32_t notches = event.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.y : event.y;
    if (CollectingMouse())
    {
        Windows().mouseWheel += notches * WHEEL_DELTA;
    }
    std::int32_t x = event.mouseX;
    std::int32_t y = event.mouseY;
    WindowRecord* target = MouseTarget(event.windowID, x, y);
    if (target == nullptr || event.y == 0)
    {
        return;
    }
    const std::int32_t delta = notches * WHEEL_DELTA;
    const Point point = ScaledClientPoint(*target, x, y);
    int wx = 0;
    int wy = 0;
    SDL_GetWindowPosition(target->sdl, &wx, &wy);
    const MessageFirst first =
        (MouseBits() & 0xFFFF) | (static_cast<MessageFirst>(static_cast<std::uint16_t>(delta)) << 16);
    Queue(Windows().input, target, WM_MOUSEWHEEL, first, PackPoint(wx + point.x, wy + point.y),
          event.timestamp);
}

// Whether a focus event still describes an earlier request than the last ShowWindow.
bool IsStaleFocusEvent(WindowRecord* record, std::uint32_t time)
{
    WindowSystem& system = Windows();
    if (system.focusRequested == nullptr)
    {
        return false;
    }
    if (system.focusRequested == record)
    {
        system.focusRequested = nullptr;
        return false;
    }
    if (time - system.focusRequestTime > kFocusRequestMilliseconds)
    {
        system.focusRequested = nullptr;
        return false;
    }
    return true;
}

void ConvertWindowEvent(const SDL_WindowEvent& event)
{
    WindowRecord* record = FindWindowBySdlId(event.windowID);
    if (record == nullptr)
    {
        return;
    }
    WindowSystem& system = Windows();
    switch (event.event)
    {
    case SDL_WINDOWEVENT_EXPOSED:
        record->invalid = true;
        break;
    case SDL_WINDOWEVENT_CLOSE:
        Queue(system.input, record, WM_CLOSE, 0, 0, event.timestamp);
        break;
    case SDL_WINDOWEVENT_ENTER:
        system.pointerWindow = record;
        ApplyWindowCursor(record);
        break;
    case SDL_WINDOWEVENT_LEAVE:
        if (system.pointerWindow == record)
        {
            system.pointerWindow = nullptr;
        }
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        if (!IsStaleFocusEvent(record, event.timestamp) && system.active != record)
        {
            if (WindowRecord* previous = LiveRecord(system.active))
            {
                Queue(system.input, previous, WM_ACTIVATE, WA_INACTIVE, 0, event.timestamp);
            }
            system.active = record;
            // The lock toggles start from the system's: they change while no window of the program has the
            // focus, and GetKeyState reads them from the moment this activation is taken.
            const std::int32_t locks = SystemLocks();
            system.convertedKeys.ApplyLocks(locks);
            Queue(system.input, record, WM_ACTIVATE, WA_ACTIVE, 0, event.timestamp).locks = locks;
        }
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        if (!IsStaleFocusEvent(record, event.timestamp) && system.active == record)
        {
            system.active = nullptr;
            Queue(system.input, record, WM_ACTIVATE, WA_INACTIVE, 0, event.timestamp);
        }
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        if (system.active == record)
        {
            system.active = nullptr;
        }
        Queue(system.input, record, WM_ACTIVATE, WA_INACTIVE | 0x10000u, 0, event.timestamp);
        break;
    default:
        break;
    }
}

void ConvertEvent(const SDL_Event& event)
{
    switch (event.type)
    {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        ConvertKey(event.key);
        break;
    case SDL_TEXTINPUT:
        ConvertText(event.text);
        break;
    case SDL_MOUSEMOTION:
        ConvertMotion(event.motion);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        ConvertButton(event.button);
        break;
    case SDL_MOUSEWHEEL:
        ConvertWheel(event.wheel);
        break;
    case SDL_WINDOWEVENT:
        ConvertWindowEvent(event.window);
        break;
    case SDL_QUIT:
        for (const auto& record : Windows().windows)
        {
            if (!record->destroying)
            {
                Queue(Windows().input, record.get(), WM_CLOSE, 0, 0, event.quit.timestamp);
            }
        }
        break;
    case SDL_TEXTEDITING:
    case SDL_KEYMAPCHANGED:
        break;
    default:
        if (otherEventListener != nullptr)
        {
            otherEventListener(event);
        }
        break;
    }
}

bool Matches(const Message& message, WindowHandle window, std::uint32_t first, std::uint32_t last)
{
    if (window != nullptr && message.window != window)
    {
        return false;
    }
    if (first == 0 && last == 0)
    {
        return true;
    }
    return message.message >= first && message.message <= last;
}

bool Take(std::deque<QueuedMessage>& queue, Message* out, WindowHandle window, std::uint32_t first,
          std::uint32_t last, bool remove)
{
    for (auto it = queue.begin(); it != queue.end(); ++it)
    {
        if (!Matches(it->message, window, first, last))
        {
            continue;
        }
        *out = it->message;
        if (remove)
        {
            KeyStates& taken = Windows().takenKeys;
            taken.Apply(it->keyIndex, it->keyDown);
            taken.ApplyKeyCode(it->keyCode, it->keyDown);
            taken.ApplyLocks(it->locks);
            queue.erase(it);
        }
        return true;
    }
    return false;
}

bool TakePaint(Message* out, WindowHandle window, std::uint32_t first, std::uint32_t last)
{
    if (!(first == 0 && last == 0) && !(WM_PAINT >= first && WM_PAINT <= last))
    {
        return false;
    }
    WindowSystem& system = Windows();
    const std::size_t count = system.windows.size();
    for (std::size_t i = 0; i < count; ++i)
    {
        // Windows take turns, so one that is never validated does not starve the others.
        WindowRecord* record = system.windows[(system.paintTurn + i) % count].get();
        if (record->destroying || !record->invalid || (record->style & WS_VISIBLE) == 0 ||
            (window != nullptr && window != record))
        {
            continue;
        }
        system.paintTurn = (system.paintTurn + i + 1) % count;
        *out = Message{};
        out->window = record;
        out->message = WM_PAINT;
        out->time = SDL_GetTicks();
        out->point = system.lastScreenPoint;
        return true;
    }
    return false;
}

} // namespace

void SetOtherEventListener(OtherEventListener listener)
{
    otherEventListener = listener;
}

void ConvertPendingEvents()
{
    if (!Windows().videoHeld)
    {
        return;
    }
    SDL_PumpEvents();
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0)
    {
        ConvertEvent(event);
    }
}

void DropMessagesOf(WindowHandle window)
{
    WindowSystem& system = Windows();
    for (auto* queue : {&system.posted, &system.input})
    {
        queue->erase(
            std::remove_if(queue->begin(), queue->end(),
                           [&](const QueuedMessage& queued) { return queued.message.window == window; }),
            queue->end());
    }
}

bool PeekMessageA(Message* message, WindowHandle window, std::uint32_t first, std::uint32_t last,
                  std::uint32_t remove)
{
    if (message == nullptr)
    {
        return false;
    }
    ConvertPendingEvents();
    WindowSystem& system = Windows();
    const bool removing = (remove & PM_REMOVE) != 0;
    return Take(system.posted, message, window, first, last, removing) ||
           Take(system.input, message, window, first, last, removing) ||
           TakePaint(message, window, first, last);
}

bool TranslateMessage(const Message* message)
{
    if (message == nullptr || LiveRecord(message->window) == nullptr)
    {
        return false;
    }
    WindowSystem& system = Windows();
    if (message->message == kTypedCodePoint)
    {
        if (message->first > 0xFFFF)
        {
            char text[96];
            std::snprintf(text, sizeof(text), "typed character U+%04lX dropped: window characters are 16-bit",
                          static_cast<unsigned long>(message->first));
            TraceWindowing(text);
            return false;
        }
        Queue(system.posted, message->window, WM_CHAR, message->first, message->second, message->time);
        return true;
    }
    if (message->message != WM_KEYDOWN)
    {
        return false;
    }
    MessageFirst character = 0;
    const MessageFirst key = message->first;
    if (key == VK_BACK || key == VK_TAB || key == VK_RETURN || key == VK_ESCAPE)
    {
        character = key;
    }
    else if (key >= 'A' && key <= 'Z' && system.takenKeys.ControlDown() && !system.takenKeys.AltDown())
    {
        character = key - 'A' + 1;
    }
    if (character == 0)
    {
        return false;
    }
    Queue(system.posted, message->window, WM_CHAR, character, message->second, message->time);
    return true;
}

MessageResult DispatchMessageA(const Message* message)
{
    if (message == nullptr || message->message == kTypedCodePoint)
    {
        return 0;
    }
    return SendMessageA(message->window, message->message, message->first, message->second);
}

MessageResult SendMessageA(WindowHandle window, std::uint32_t message, MessageFirst first,
                           MessageSecond second)
{
    WindowRecord* record = LiveRecord(window);
    if (record == nullptr)
    {
        return 0;
    }
    return record->windowClass->procedure(window, message, first, second);
}

bool PostMessageA(WindowHandle window, std::uint32_t message, MessageFirst first, MessageSecond second)
{
    if (window != nullptr && LiveRecord(window) == nullptr)
    {
        return false;
    }
    Queue(Windows().posted, window, message, first, second, SDL_GetTicks());
    return true;
}

void PostQuitMessage(std::int32_t exitCode)
{
    Queue(Windows().posted, nullptr, WM_QUIT, static_cast<MessageFirst>(exitCode), 0, SDL_GetTicks());
}

MessageResult DefWindowProcA(WindowHandle window, std::uint32_t message, MessageFirst, MessageSecond)
{
    if (message == WM_CLOSE)
    {
        DestroyWindow(window);
    }
    return 0;
}

} // namespace Platform
