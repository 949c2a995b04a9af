#pragma once

// The control test bench: every control test drives its controls through the running window system,
// headless, and looks at what they paint.
//
// - The window system runs once per test binary (started before the first test, stopped after the last)
//   with the path aliases "media" (the repository's media folder) and "interface", the theme folder
//   "interface>standard" among the bitmap folders, the controls registered (RegisterControls), memory
//   canvases from the canvas factory and one layer whose root (RootWindow(), RootWidth × RootHeight) has
//   its own
//   memory canvas. Each test's windows are children of the root; they are deleted after the test.
// - The window-system clock is a whole number of milliseconds (Now()), set as ms / 1000.0 each frame and
//   never summed in floating point. Frame() advances it (10 ms unless told otherwise) and runs the
//   manager's per-frame passes in the framework's order. A timer fires at the first frame at or after its
//   due time, so tests state timer expectations in frames.
// - Input goes through TranslateInput with the platform's message numbers and packings, so capture,
//   modal windows, focus and bubbling take part; held modifiers come from a key-state double
//   (HoldModifiers). For end-to-end cases OpenPlatformWindow() opens a real platform window whose
//   procedure hands every message to TranslateInput; Inject* then drive it through the platform's event
//   injection and Pump() runs the platform message loop, with the platform's own key state.
// - Compose() runs the paint pass and composes every layer into the software presenter; Pixel() reads
//   the picture, SavePicture() writes it as PNG under the label's test-output folder.
// - Test bitmaps and layout files are written at run time into the test's temporary folder.

#include "foundation/Color.h"
#include "foundation/Point.h"
#include "platform/os/EventInjection.h"
#include "platform/os/Messages.h"
#include "platform/os/Window.h"
#include "tests/platform/TempFolder.h"
#include "tests/ui/support/MemoryCanvas.h"
#include "ui/Callback.h"
#include "ui/Window.h"
#include "ui/WindowFactory.h"
#include "ui/WindowManager.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

namespace ControlBench
{

constexpr std::int32_t RootWidth = 640;
constexpr std::int32_t RootHeight = 480;
// The colour of the screen where no canvas covers it.
const BaseLib::CColor ScreenBackground(40, 40, 40, 255);

// The standard theme's ("STND") palette, index 0 … 17, as tests expect it: 0 the face colour (200, 200,
// 200), 1 white, 3 the text highlight (50, 50, 160), 6 the tool tip background, 8 normal text, 9
// disabled text, 11 and 12 the active and inactive caption bars, 14 … 17 the edges of 3D frames from
// the outer light one to the outer shadow one. Black outside the range.
BaseLib::CColor StandardPalette(std::int32_t index);

UILib::CWindowManager* Manager();
UILib::CWindowFactory* Factory();
// The root of the bench's layer: a plain window with its own memory canvas, at (0, 0) on the screen.
UILib::CWindow* RootWindow();

// One message as a recording window received it.
struct RecordedMessage
{
    std::string code;
    UILib::Handle sender = 0;     // the second parameter of a notification: the sending window's handle
    std::uint32_t first = 0;
    std::uint32_t second = 0;
    std::uint32_t flags = 0;
    BaseLib::CPoint point;        // positional messages: the point in this window's client coordinates
};

// A window that records every message it receives, in order, then lets the window base handle it
// (callbacks fire) and answers handled, so nothing passes it on the way up.
class CRecordingWindow : public UILib::CWindow
{
public:
    bool OnMessage(const UILib::CWindowMessage& message) override;

    // The codes received, in order; with a filter only those codes.
    std::vector<std::string> Codes(std::initializer_list<const char*> only = {}) const;
    // The messages of one code, in order.
    std::vector<RecordedMessage> Of(const char* code) const;

    std::vector<RecordedMessage> log;
};

// Records the calls of a callback record: Record() gives a record bound to this recorder; every call
// appends its arguments (by value).
template <typename... Args> class CCallbackRecorder
{
public:
    UILib::CCallback<Args...> Record() { return UILib::CCallback<Args...>::Bind(this, &CCallbackRecorder::OnCall); }
    void OnCall(Args... args) { calls.emplace_back(args...); }

    std::vector<std::tuple<std::decay_t<Args>...>> calls;
};

class ControlTest : public TempFolderTest
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Clock and frames.
    static std::int64_t Now();
    // Advances the clock by ms and runs ProcessTimers, UpdateWindowAnimations, UpdateTooltip and
    // DeleteReleasedWindows.
    void Frame(std::int64_t ms = 10);
    void Frames(int count, std::int64_t ms = 10);
    // Frames of step ms until total ms have passed (the last frame lands exactly on the total).
    void Advance(std::int64_t totalMs, std::int64_t stepMs = 10);

    // Input through TranslateInput. Points are in screen (= root client) coordinates.
    enum class Button
    {
        Left,
        Middle,
        Right
    };
    void MouseMove(std::int32_t x, std::int32_t y);
    void MouseDown(Button button, std::int32_t x, std::int32_t y);
    void MouseUp(Button button, std::int32_t x, std::int32_t y);
    void DoubleClick(Button button, std::int32_t x, std::int32_t y);
    // A move to the point, then a press and a release there.
    void Click(std::int32_t x, std::int32_t y, Button button = Button::Left);
    // delta in wheel units (120 per notch, positive away from the user).
    void Wheel(std::int32_t delta, std::int32_t x, std::int32_t y);
    // Platform virtual-key codes (VK_RETURN, 'A' ...), as the host window receives them.
    void KeyDown(std::uint32_t virtualKey);
    void KeyUp(std::uint32_t virtualKey);
    void KeyPress(std::uint32_t virtualKey);
    // One character unit (WM_CHAR).
    void Char(std::uint32_t unit);
    // The modifiers the translation reads (1 Shift, 2 Control, 4 Alt) until the next call or the test's end.
    void HoldModifiers(std::uint8_t modifiers);

    // Direct delivery for unit cases.
    void Send(UILib::CWindow* window, const UILib::CWindowMessage& message);
    void Post(UILib::CWindow* window, const UILib::CWindowMessage& message);

    // End-to-end input: a real platform window of the root's size whose procedure hands every message to
    // TranslateInput (modifiers then come from the platform's key state). Closed after the test.
    Platform::WindowHandle OpenPlatformWindow();
    Platform::WindowHandle Host() const { return m_host; }
    // Runs the platform's message loop until its queue is empty.
    void Pump();

    // Windows. Make<W>() creates a W, places it and adds it to parent (the root when none).
    template <typename W = UILib::CWindow>
    W* Make(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height, UILib::CWindow* parent = nullptr)
    {
        W* window = new W();
        Place(window, x, y, width, height, parent);
        return window;
    }
    void Place(UILib::CWindow* window, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
               UILib::CWindow* parent);
    // A window of a registered class by name, placed like Make; null when the name is not registered.
    UILib::CWindow* MakeByName(const std::string& className, std::int32_t x, std::int32_t y, std::int32_t width,
                               std::int32_t height, UILib::CWindow* parent = nullptr);

    // Painting: the paint pass, then every layer composed into the presenter.
    void Compose();
    BaseLib::CColor Pixel(std::int32_t x, std::int32_t y) const;
    // True when every pixel of the rectangle (screen coordinates, right and bottom exclusive) is colour.
    bool AreaIs(const BaseLib::CRect& rect, BaseLib::CColor colour) const;
    // Writes the composed picture to <test output>/<name>.png; the path, empty when it cannot be written.
    std::string SavePicture(const std::string& name) const;

    // Files in the test's temporary folder; each returns the full path.
    std::string WriteBitmap(const std::string& name, std::int32_t width, std::int32_t height, BaseLib::CColor fill);
    // Pixels row by row, top row first, width × height of them.
    std::string WriteBitmap(const std::string& name, std::int32_t width, std::int32_t height,
                            const std::vector<BaseLib::CColor>& pixels);
    std::string WriteText(const std::string& name, const std::string& text);
    // A layout file whose "layout" root holds the given windows' XML.
    std::string WriteLayout(const std::string& name, const std::string& windowsXml);

private:
    void Translate(std::uint32_t message, Platform::MessageFirst first, Platform::MessageSecond second);

    Platform::WindowHandle m_host = nullptr;
    std::uint32_t m_buttonsHeld = 0;
};

} // namespace ControlBench
