#include "WindowFixture.h"

#include "platform/os/EventInjection.h"

using namespace Platform;
using WindowTest::Pump;
using WindowTest::Seen;
using WindowTest::seen;

namespace
{

class WindowLifecycle : public WindowTest::WindowFixture
{
};

TEST_F(WindowLifecycle, ClassesAreUniqueByNameAndUnknownClassesMakeNoWindow)
{
    WindowClass record;
    record.procedure = &WindowTest::Record;
    record.className = "Recorder";
    EXPECT_EQ(RegisterClassExA(&record), 0);
    record.procedure = nullptr;
    record.className = "Other";
    EXPECT_EQ(RegisterClassExA(&record), 0);
    EXPECT_EQ(CreateWindowExA(0, "Unknown", "t", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
              nullptr);

    WindowHandle window = Make();
    EXPECT_FALSE(UnregisterClassA("Recorder", nullptr)) << "a window of the class exists";
    WindowRect rect{0, 0, 640, 480};
    EXPECT_TRUE(AdjustWindowRectEx(&rect, WS_OVERLAPPEDWINDOW, false, WS_EX_APPWINDOW));
    EXPECT_EQ(rect.right, 640);
    EXPECT_EQ(rect.bottom, 480);
    EXPECT_TRUE(GetClientRect(window, &rect));
    EXPECT_EQ(rect.right, 320);
    EXPECT_EQ(rect.bottom, 240);
    EXPECT_TRUE(seen.empty()) << "creation sends no message";
}

TEST_F(WindowLifecycle, PaintComesOnlyWhenTheQueueIsEmptyAndUntilValidated)
{
    // Visible by its style but not mapped: other programs on the display cannot expose or focus it.
    WindowHandle window = Make();
    Message message;
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) << "a hidden window does not paint";
    SetWindowLongA(window, GWL_STYLE, static_cast<std::int32_t>(WS_POPUP | WS_VISIBLE));

    InjectKey(window, "A", true);
    InjectKey(window, "A", false);
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, WM_KEYDOWN);
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, WM_KEYUP);
    for (int i = 0; i < 3; ++i)
    {
        ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(message.message, WM_PAINT) << "a new window is invalid, and stays so until validated";
        EXPECT_EQ(message.window, window);
    }
    EXPECT_TRUE(ValidateRect(window, nullptr));
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));

    InjectExpose(window);
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, WM_PAINT);

    seen.clear();
    EXPECT_TRUE(UpdateWindow(window));
    EXPECT_EQ(seen, (std::vector<Seen>{{window, WM_PAINT, 0, 0}})) << "called directly while invalid";
    ValidateRect(window, nullptr);
    seen.clear();
    UpdateWindow(window);
    EXPECT_TRUE(seen.empty());
    InvalidateRect(window, nullptr, false);
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, WM_PAINT);
}

TEST_F(WindowLifecycle, ShownWindowPaintsAfterWaitingMessages)
{
    WindowHandle window = Make();
    ShowWindow(window, SW_SHOWDEFAULT);
    InjectKey(window, "A", true);
    Message message;
    ASSERT_TRUE(PeekMessageA(&message, window, WM_PAINT, WM_KEYDOWN, PM_REMOVE));
    EXPECT_EQ(message.message, WM_KEYDOWN);
    ASSERT_TRUE(PeekMessageA(&message, window, WM_PAINT, WM_KEYDOWN, PM_REMOVE));
    EXPECT_EQ(message.message, WM_PAINT);
    InjectKey(window, "A", false);
    Pump();
}

TEST_F(WindowLifecycle, CloseReachesTheProcedureAndDefaultHandlingDestroys)
{
    WindowHandle kept = Make();
    WindowTest::refuseClose = true;
    InjectClose(kept);
    Pump();
    EXPECT_EQ(SeenOf({WM_CLOSE, WM_DESTROY}), (std::vector<Seen>{{kept, WM_CLOSE, 0, 0}}));
    EXPECT_TRUE(IsWindow(kept));

    WindowTest::refuseClose = false;
    seen.clear();
    InjectClose(kept);
    Pump();
    EXPECT_EQ(SeenOf({WM_CLOSE, WM_DESTROY}),
              (std::vector<Seen>{{kept, WM_CLOSE, 0, 0}, {kept, WM_DESTROY, 0, 0}}));
    EXPECT_FALSE(IsWindow(kept));
}

TEST_F(WindowLifecycle, QuitRequestAsksEveryWindowToClose)
{
    WindowHandle first = Make();
    WindowHandle second = Make();
    WindowTest::refuseClose = true;
    InjectQuit();
    Pump();
    EXPECT_EQ(SeenOf({WM_CLOSE}), (std::vector<Seen>{{first, WM_CLOSE, 0, 0}, {second, WM_CLOSE, 0, 0}}));
}

TEST_F(WindowLifecycle, ShowActivatesAndTheLastShownWindowStaysActive)
{
    WindowHandle head0 = Make(0, 0);
    WindowHandle head1 = Make(50, 50);
    EXPECT_EQ(SetWindowLongA(head0, GWL_STYLE, static_cast<std::int32_t>(WS_POPUP | WS_VISIBLE)),
              static_cast<std::int32_t>(WS_OVERLAPPEDWINDOW));
    EXPECT_EQ(static_cast<std::uint32_t>(GetWindowLongA(head0, GWL_STYLE)), WS_POPUP | WS_VISIBLE);
    EXPECT_TRUE(seen.empty()) << "restyling sends nothing";
    EXPECT_EQ(GetActiveWindow(), nullptr);

    ShowWindow(head1, SW_SHOWDEFAULT);
    ShowWindow(head0, SW_SHOWDEFAULT);
    EXPECT_EQ(seen, (std::vector<Seen>{{head1, WM_ACTIVATE, WA_ACTIVE, 0},
                                       {head1, WM_ACTIVATE, WA_INACTIVE, 0},
                                       {head0, WM_ACTIVATE, WA_ACTIVE, 0}}));
    EXPECT_EQ(GetActiveWindow(), head0);

    // What the system's late answers to the two focus requests do is checked by the two-head program,
    // which runs alone on the display.
}

TEST_F(WindowLifecycle, FocusAndMinimiseGiveActivationMessages)
{
    // Hidden, so only injected events concern it.
    WindowHandle window = Make();
    const auto activations = [&] {
        std::vector<Seen> mine;
        for (const Seen& s : SeenOf({WM_ACTIVATE}))
        {
            if (s.window == window)
            {
                mine.push_back(s);
            }
        }
        seen.clear();
        return mine;
    };
    InjectFocus(window, true);
    Pump();
    EXPECT_EQ(activations(), (std::vector<Seen>{{window, WM_ACTIVATE, WA_ACTIVE, 0}}));
    InjectFocus(window, true);
    Pump();
    EXPECT_TRUE(activations().empty()) << "already active";
    InjectMinimise(window);
    Pump();
    EXPECT_EQ(activations(), (std::vector<Seen>{{window, WM_ACTIVATE, WA_INACTIVE | 0x10000u, 0}}));
    InjectFocus(window, true);
    InjectFocus(window, false);
    Pump();
    EXPECT_EQ(activations(), (std::vector<Seen>{{window, WM_ACTIVATE, WA_ACTIVE, 0},
                                                {window, WM_ACTIVATE, WA_INACTIVE, 0}}));
}

TEST_F(WindowLifecycle, PriorityClassIsRemembered)
{
    EXPECT_TRUE(SetPriorityClass(GetCurrentProcess(), IDLE_PRIORITY_CLASS));
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), IDLE_PRIORITY_CLASS);
    EXPECT_TRUE(SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS));
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), NORMAL_PRIORITY_CLASS);
    EXPECT_FALSE(SetPriorityClass(GetCurrentProcess(), 0x1234));
}

} // namespace
