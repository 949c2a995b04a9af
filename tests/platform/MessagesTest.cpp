#include "WindowFixture.h"

#include "platform/os/DebugOutput.h"
#include "platform/os/EventInjection.h"
#include "platform/os/KeyState.h"

#include <functional>

using namespace Platform;
using WindowTest::Pump;
using WindowTest::Seen;
using WindowTest::seen;

namespace
{

constexpr std::uint32_t kScanA = 4, kScanC = 6, kScanQ = 20, kScanReturn = 40, kScanF4 = 61;
constexpr std::uint32_t kScanLeftCtrl = 224, kScanLeftShift = 225, kScanLeftAlt = 226, kScanRightAlt = 230;

MessageSecond KeyBits(std::uint32_t scancode, bool up = false, bool repeat = false)
{
    std::uint32_t bits = 1 | (scancode << 16);
    bits |= repeat ? (1u << 30) : 0;
    bits |= up ? (1u << 31) : 0;
    return static_cast<MessageSecond>(bits);
}

MessageSecond Packed(int x, int y)
{
    return static_cast<MessageSecond>(static_cast<std::uint16_t>(x) |
                                      (static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16));
}

struct InputCase
{
    const char* name;
    std::function<void(WindowHandle)> inject;
    std::vector<std::tuple<std::uint32_t, MessageFirst, MessageSecond>> expected;
};

class Messages : public WindowTest::WindowFixture
{
};

TEST_F(Messages, InjectedInputArrivesAsWindowMessages)
{
    // Hidden window: the system sends it nothing of its own, so only injected events arrive.
    WindowHandle window = Make(50, 60, 320, 240);
    const std::vector<InputCase> cases = {
        {"key A down, repeat, up",
         [](WindowHandle w) {
             InjectKey(w, "A", true);
             InjectKey(w, "A", true, true);
             InjectKey(w, "A", false);
         },
         {{WM_KEYDOWN, 'A', KeyBits(kScanA)},
          {WM_KEYDOWN, 'A', KeyBits(kScanA, false, true)},
          {WM_KEYUP, 'A', KeyBits(kScanA, true)}}},
        {"Alt+F4 gives the system variants",
         [](WindowHandle w) {
             InjectKey(w, "Left Alt", true);
             InjectKey(w, "F4", true);
             InjectKey(w, "F4", false);
             InjectKey(w, "Left Alt", false);
         },
         {{WM_SYSKEYDOWN, VK_MENU, KeyBits(kScanLeftAlt)},
          {WM_SYSKEYDOWN, VK_F4, KeyBits(kScanF4)},
          {WM_SYSKEYUP, VK_F4, KeyBits(kScanF4, true)},
          {WM_KEYUP, VK_MENU, KeyBits(kScanLeftAlt, true)}}},
        {"Return gives its character",
         [](WindowHandle w) {
             InjectKey(w, "Return", true);
             InjectKey(w, "Return", false);
         },
         {{WM_KEYDOWN, VK_RETURN, KeyBits(kScanReturn)},
          {WM_CHAR, 13, KeyBits(kScanReturn)},
          {WM_KEYUP, VK_RETURN, KeyBits(kScanReturn, true)}}},
        {"Control+C gives character 3",
         [](WindowHandle w) {
             InjectKey(w, "Left Ctrl", true);
             InjectKey(w, "C", true);
             InjectKey(w, "C", false);
             InjectKey(w, "Left Ctrl", false);
         },
         {{WM_KEYDOWN, VK_CONTROL, KeyBits(kScanLeftCtrl)},
          {WM_KEYDOWN, 'C', KeyBits(kScanC)},
          {WM_CHAR, 3, KeyBits(kScanC)},
          {WM_KEYUP, 'C', KeyBits(kScanC, true)},
          {WM_KEYUP, VK_CONTROL, KeyBits(kScanLeftCtrl, true)}}},
        {"typed e-acute", [](WindowHandle w) { InjectText(w, "\xC3\xA9"); }, {{WM_CHAR, 0xE9, 1}}},
        {"code points above 16 bits are dropped",
         [](WindowHandle w) {
             InjectText(w, "a\xF0\x9F\x98\x80"
                           "b");
         },
         {{WM_CHAR, 'a', 1}, {WM_CHAR, 'b', 1}}},
        {"move to a negative x",
         [](WindowHandle w) { InjectMouseMove(w, -5, 300); },
         {{WM_MOUSEMOVE, 0, Packed(-5, 300)}}},
        {"left press with Shift",
         [](WindowHandle w) {
             InjectKey(w, "Left Shift", true);
             InjectMouseButton(w, InjectedButton::Left, true, 10, 20);
             InjectMouseButton(w, InjectedButton::Left, false, 10, 20);
             InjectKey(w, "Left Shift", false);
         },
         {{WM_KEYDOWN, VK_SHIFT, KeyBits(kScanLeftShift)},
          {WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, Packed(10, 20)},
          {WM_LBUTTONUP, MK_SHIFT, Packed(10, 20)},
          {WM_KEYUP, VK_SHIFT, KeyBits(kScanLeftShift, true)}}},
        {"right and middle buttons",
         [](WindowHandle w) {
             InjectMouseButton(w, InjectedButton::Right, true, 1, 2);
             InjectMouseButton(w, InjectedButton::Middle, true, 1, 2);
             InjectMouseButton(w, InjectedButton::Middle, false, 1, 2);
             InjectMouseButton(w, InjectedButton::Right, false, 1, 2);
         },
         {{WM_RBUTTONDOWN, MK_RBUTTON, Packed(1, 2)},
          {WM_MBUTTONDOWN, MK_RBUTTON | MK_MBUTTON, Packed(1, 2)},
          {WM_MBUTTONUP, MK_RBUTTON, Packed(1, 2)},
          {WM_RBUTTONUP, 0, Packed(1, 2)}}},
        {"wheel two notches down, point on the screen",
         [](WindowHandle w) { InjectMouseWheel(w, -2, 100, 40); },
         {{WM_MOUSEWHEEL, 0xFF100000u, Packed(150, 100)}}},
        {"second click on a class with double clicks",
         [](WindowHandle w) {
             InjectMouseButton(w, InjectedButton::Left, true, 3, 4, 1);
             InjectMouseButton(w, InjectedButton::Left, false, 3, 4, 1);
             InjectMouseButton(w, InjectedButton::Left, true, 3, 4, 2);
             InjectMouseButton(w, InjectedButton::Left, false, 3, 4, 2);
         },
         {{WM_LBUTTONDOWN, MK_LBUTTON, Packed(3, 4)},
          {WM_LBUTTONUP, 0, Packed(3, 4)},
          {WM_LBUTTONDBLCLK, MK_LBUTTON, Packed(3, 4)},
          {WM_LBUTTONUP, 0, Packed(3, 4)}}},
    };
    DebugOutputCapture traces;
    for (const InputCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        seen.clear();
        c.inject(window);
        Pump();
        std::vector<Seen> expected;
        for (const auto& [number, first, second] : c.expected)
        {
            expected.push_back(Seen{window, number, first, second});
        }
        EXPECT_EQ(SeenOf({WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP, WM_CHAR, WM_MOUSEMOVE,
                          WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_RBUTTONUP,
                          WM_MBUTTONDOWN, WM_MBUTTONUP, WM_MOUSEWHEEL}),
                  expected);
    }
    EXPECT_NE(traces.Text().find("U+1F600"), std::string::npos) << "the dropped character is traced";
}

TEST_F(Messages, SecondClickWithoutDoubleClickStyleStaysAPress)
{
    WindowHandle window = Make(0, 0, 100, 100, "PlainRecorder");
    InjectMouseButton(window, InjectedButton::Left, true, 3, 4, 2);
    Pump();
    EXPECT_EQ(SeenOf({WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}),
              (std::vector<Seen>{{window, WM_LBUTTONDOWN, MK_LBUTTON, Packed(3, 4)}}));
    InjectMouseButton(window, InjectedButton::Left, false, 3, 4, 2);
    Pump();
}

TEST_F(Messages, AltGrCountsAsControlAndAltAndTypesOnlyItsCharacter)
{
    WindowHandle window = Make();
    // The AltGr key as SDL reports it (right Alt, or the mode key of some layouts), then Q giving '@'
    // as on a German layout.
    for (const char* keyName : {static_cast<const char*>(nullptr), "ModeSwitch"})
    {
        SCOPED_TRACE(keyName != nullptr ? keyName : "Right Alt");
        seen.clear();
        InjectKey(window, "Right Alt", true, false, keyName);
        InjectKey(window, "Q", true);
        InjectText(window, "@");
        Pump();
        EXPECT_LT(GetKeyState(VK_CONTROL), 0);
        EXPECT_LT(GetKeyState(VK_MENU), 0);
        InjectKey(window, "Q", false);
        InjectKey(window, "Right Alt", false, false, keyName);
        Pump();
        EXPECT_EQ(SeenOf({WM_KEYDOWN, WM_SYSKEYDOWN, WM_CHAR}),
                  (std::vector<Seen>{{window, WM_KEYDOWN, VK_CONTROL, KeyBits(kScanRightAlt)},
                                     {window, WM_KEYDOWN, VK_MENU, KeyBits(kScanRightAlt)},
                                     {window, WM_KEYDOWN, 'Q', KeyBits(kScanQ)},
                                     {window, WM_CHAR, '@', 1}}));
        EXPECT_GE(GetKeyState(VK_CONTROL), 0);
        EXPECT_GE(GetKeyState(VK_MENU), 0);
    }
}

TEST_F(Messages, MousePointsAreScaledToThePictureSize)
{
    WindowHandle window = Make(10, 20, 1280, 960);
    SetWindowPictureSize(window, 640, 480);
    InjectMouseButton(window, InjectedButton::Left, true, 1278, 2);
    InjectMouseWheel(window, 1, 1278, 2);
    InjectMouseButton(window, InjectedButton::Left, false, 1278, 2);
    Pump();
    EXPECT_EQ(
        SeenOf({WM_LBUTTONDOWN, WM_MOUSEWHEEL}),
        (std::vector<Seen>{{window, WM_LBUTTONDOWN, MK_LBUTTON, Packed(639, 1)},
                           {window, WM_MOUSEWHEEL, (120u << 16) | MK_LBUTTON, Packed(10 + 639, 20 + 1)}}));
}

TEST_F(Messages, KeyStateFollowsTheMessagesTaken)
{
    WindowHandle window = Make();
    InjectKey(window, "Left Ctrl", true);
    EXPECT_GE(GetKeyState(VK_CONTROL), 0) << "not taken from the queue yet";
    Pump();
    EXPECT_LT(GetKeyState(VK_CONTROL), 0);
    InjectKey(window, "Right Ctrl", true);
    InjectKey(window, "Left Ctrl", false);
    Pump();
    EXPECT_LT(GetKeyState(VK_CONTROL), 0) << "the right key still holds Control";
    InjectKey(window, "Right Ctrl", false);
    Pump();
    EXPECT_GE(GetKeyState(VK_CONTROL), 0);

    const bool toggled = (GetKeyState(VK_CAPITAL) & 1) != 0;
    InjectKey(window, "CapsLock", true);
    InjectKey(window, "CapsLock", true, true);
    Pump();
    EXPECT_EQ((GetKeyState(VK_CAPITAL) & 1) != 0, !toggled) << "a repeat does not toggle again";
    EXPECT_LT(GetKeyState(VK_CAPITAL), 0);
    InjectKey(window, "CapsLock", false);
    Pump();
    EXPECT_EQ((GetKeyState(VK_CAPITAL) & 1) != 0, !toggled);
    EXPECT_GE(GetKeyState(VK_CAPITAL), 0);
}

TEST_F(Messages, CaptureSendsMouseMessagesOfOtherWindowsToTheCaptureWindow)
{
    WindowHandle first = Make(0, 0, 200, 200);
    WindowHandle second = Make(300, 0, 200, 200);
    EXPECT_EQ(SetCapture(first), nullptr);
    EXPECT_EQ(GetCapture(), first);
    InjectMouseMove(second, 5, 6);
    Pump();
    EXPECT_TRUE(ReleaseCapture());
    EXPECT_EQ(GetCapture(), nullptr);
    InjectMouseMove(second, 5, 6);
    Pump();
    EXPECT_EQ(SeenOf({WM_MOUSEMOVE}), (std::vector<Seen>{{first, WM_MOUSEMOVE, 0, Packed(305, 6)},
                                                         {second, WM_MOUSEMOVE, 0, Packed(5, 6)}}));
}

TEST_F(Messages, PeekWithoutRemovingLeavesTheMessageAndFiltersByNumber)
{
    WindowHandle window = Make();
    InjectKey(window, "A", true);
    InjectMouseMove(window, 1, 1);
    Message message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_NOREMOVE));
    EXPECT_EQ(message.message, WM_MOUSEMOVE);
    ASSERT_TRUE(PeekMessageA(&message, window, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, WM_KEYDOWN);
    ASSERT_TRUE(PeekMessageA(&message, window, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, WM_MOUSEMOVE);
    InjectKey(window, "A", false);
    Pump();
}

TEST_F(Messages, QuitMessageHasNoWindowAndDispatchCallsNothing)
{
    Make();
    Pump();
    seen.clear();
    PostQuitMessage(7);
    Message message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, WM_QUIT);
    EXPECT_EQ(message.first, 7u);
    EXPECT_EQ(message.window, nullptr);
    EXPECT_EQ(DispatchMessageA(&message), 0);
    EXPECT_TRUE(seen.empty());
}

} // namespace
