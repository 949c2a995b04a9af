#include "tests/engine/ApplicationFixture.h"

#include "platform/gfx/DisplayState.h"
#include "platform/gfx/Texture.h"
#include "platform/input/InputDevices.h"
#include "platform/os/DebugOutput.h"
#include "platform/os/EventInjection.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace EngineTesting
{
namespace
{

using namespace Platform::Gfx;

const std::vector<std::string> kLostThenReset = {
    "devicelost:texture",   "devicelost:second",    "devicelost:indexbuffer",  "devicelost:vertexbuffer",
    "devicelost:surface",   "devicelost:material",  "devicelost:model",        "devicelost:animation",
    "devicereset:texture",  "devicereset:surface",  "devicereset:model",       "devicereset:indexbuffer",
    "devicereset:vertexbuffer", "devicereset:second", "devicereset:material",  "devicereset:animation"};

int Count(const std::vector<std::string>& calls, const std::string& name)
{
    return static_cast<int>(std::count(calls.begin(), calls.end(), name));
}

TEST_F(ApplicationTest, AQuitBeforeTheStartRunsNothing)
{
    TestApplication application;
    application.Quit();
    EXPECT_EQ(0, Qen::RunApplication(&application));
    EXPECT_TRUE(application.calls.empty());
}

TEST_F(ApplicationTest, ARefusedDeviceShowsTheErrorAndOnlyShutdownFollows)
{
    TestApplication application;
    application.onSelectAdapter = [](TestApplication& a) { a.GetDisplaySettings().SetBackBufferFormat(Format::R5G6B5); };
    EXPECT_EQ(0, Qen::RunApplication(&application));
    EXPECT_EQ((std::vector<std::string>{"Init", "Shutdown"}), application.calls);
    EXPECT_FALSE(application.initResult);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(0u, boxes[0].rfind("critical error|OpenGL 3.3-CreateDevice failed !\n", 0));
    EXPECT_TRUE(boxes[0].ends_with("D3DERR_INVALIDCALL")) << boxes[0];
    // The partial start-up is undone: a second application starts cleanly in the same process.
    EXPECT_EQ(nullptr, application.GetDevice());
    EXPECT_FALSE(IsVideoStarted());
}

TEST_F(ApplicationTest, WithoutGraphicsTheMissingBoxEndsTheStart)
{
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (driver == nullptr || std::string(driver) != "dummy")
    {
        GTEST_SKIP() << "runs in a process of its own on SDL's dummy video driver";
    }
    TestApplication application;
    EXPECT_EQ(0, Qen::RunApplication(&application));
    EXPECT_EQ((std::vector<std::string>{"Init", "Shutdown"}), application.calls);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("critical error|OpenGL 3.3 is required to run this application.\nYou can find a OpenGL 3.3 "
              "distribution on the CD.",
              boxes[0]);
}

TEST_F(ApplicationTest, NoInputObjectShowsTheInputBoxAndInitFails)
{
    Platform::Input::FailInputCreation(true);
    TestApplication application;
    Qen::RunApplication(&application);
    Platform::Input::FailInputCreation(false);
    EXPECT_FALSE(application.initResult);
    EXPECT_EQ((std::vector<std::string>{"Init", "Shutdown"}), application.calls);
    EXPECT_EQ((std::vector<std::string>{"critical error|SDL2Create failed !\nthis program needs SDL2"}), boxes);
}

TEST_F(ApplicationTest, ARequestedResetHappensAtTheNextIdlePassInTheDocumentedOrders)
{
    TestApplication application;
    application.quitAfter = 4;
    application.onTick = [](TestApplication& a) {
        if (a.ticks == 2)
        {
            a.RequestDeviceReset();
        }
    };
    Qen::RunApplication(&application);
    EXPECT_EQ(4, application.ticks);
    EXPECT_EQ(1, Count(application.calls, "OnDeviceLost"));
    EXPECT_EQ(1, Count(application.calls, "OnDeviceReset"));
    EXPECT_EQ(kLostThenReset, application.events);
    EXPECT_FALSE(application.IsLost());
}

TEST_F(ApplicationTest, ALostDeviceSleepsWithoutFramesThenResets)
{
    TestApplication application;
    application.quitAfter = 3;
    int ticksWhenLost = 0;
    std::chrono::steady_clock::time_point lostAt;
    double lostSeconds = 0;
    application.onTick = [&](TestApplication& a) {
        if (a.ticks == 1)
        {
            a.GetDevice()->SimulateDeviceLoss(2);
            ticksWhenLost = a.ticks;
            lostAt = std::chrono::steady_clock::now();
        }
    };
    application.onDeviceLost = [&](TestApplication& a) {
        EXPECT_EQ(ticksWhenLost, a.ticks); // no frame while the device was lost
        lostSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - lostAt).count();
    };
    Qen::RunApplication(&application);
    EXPECT_EQ(3, application.ticks);
    EXPECT_EQ(1, Count(application.calls, "OnDeviceLost"));
    EXPECT_GE(lostSeconds, 0.95); // two passes of 500 ms
    EXPECT_EQ(kLostThenReset, application.events);
}

TEST_F(ApplicationTest, AFailedResetIsTracedOnceAndRetriedUntilItWorks)
{
    Platform::DebugOutputCapture capture;
    TestApplication application;
    application.quitAfter = 3;
    Texture* held = nullptr;
    application.onTick = [&](TestApplication& a) {
        if (a.ticks == 1)
        {
            ASSERT_EQ(Ok, a.GetDevice()->CreateTexture(4, 4, 1, Usage::RenderTarget, Format::A8R8G8B8, Pool::Default,
                                                       &held, nullptr));
            a.RequestDeviceReset();
        }
    };
    int losses = 0;
    application.onDeviceLost = [&](TestApplication& a) {
        EXPECT_EQ(1, a.ticks);
        if (++losses == 3)
        {
            held->Release(); // the next reset can succeed
        }
    };
    Qen::RunApplication(&application);
    EXPECT_EQ(3, losses);
    EXPECT_EQ(1, Count(application.calls, "OnDeviceReset"));
    EXPECT_EQ(3, application.ticks);
    const std::string text = capture.Text();
    std::size_t traces = 0;
    for (std::size_t at = text.find("Device reset failed (D3DERR_INVALIDCALL)"); at != std::string::npos;
         at = text.find("Device reset failed", at + 1))
    {
        ++traces;
    }
    EXPECT_EQ(1u, traces) << text;
}

TEST_F(ApplicationTest, EscapeTogglesFullScreenThroughAReset)
{
    TestApplication application;
    application.quitAfter = 1000;
    // Without a window manager, the mode switch of a reset can take the focus away after the window
    // had it in its new mode, and a full-screen device then waits for the player to come back. Under
    // load that can happen here; the player comes back by a focus event pushed from this thread
    // (pushing events is safe from any thread) until the run ends.
    std::atomic<bool> finished = false;
    std::atomic<int> returns = 0;
    std::thread player([&] {
        auto next = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (!finished)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (std::chrono::steady_clock::now() >= next)
            {
                Platform::InjectFocus(application.Window(0), true, true);
                ++returns;
                next += std::chrono::seconds(1);
            }
        }
    });
    std::vector<bool> fullScreen;
    application.onTick = [&](TestApplication& a) {
        if (a.ticks == 2 || a.ticks == 6)
        {
            fullScreen.push_back(IsWindowFullScreen(a.Window(0)));
            Platform::InjectKey(a.Window(0), "Escape", true);
            Platform::InjectKey(a.Window(0), "Escape", false);
        }
        if (a.ticks == 5)
        {
            fullScreen.push_back(IsWindowFullScreen(a.Window(0)));
            for (const PresentParameters& record : a.GetDisplaySettings().records)
            {
                EXPECT_EQ(0, record.Windowed);
            }
        }
        if (a.ticks == 9)
        {
            fullScreen.push_back(IsWindowFullScreen(a.Window(0)));
            a.Quit();
        }
    };
    Qen::RunApplication(&application);
    finished = true;
    player.join();
    EXPECT_EQ((std::vector<bool>{false, true, true, false}), fullScreen);
    // One reset per toggle, and at most one more for each time the player came back.
    const int resets = Count(application.calls, "OnDeviceReset");
    EXPECT_GE(resets, 2);
    EXPECT_LE(resets, 2 + returns);
    EXPECT_EQ(1, application.GetDisplaySettings().records[7].Windowed);
}

TEST_F(ApplicationTest, PaintValidatesOnlyWhileRunningAndDrawsWithoutATick)
{
    TestApplication application;
    int paintsBefore = 0;
    application.onCreateGameObjects = [&](TestApplication& a) {
        Platform::UpdateWindow(a.Window(0));
        Platform::UpdateWindow(a.Window(0)); // still invalid: painted again
        paintsBefore = static_cast<int>(std::count(a.messages.begin(), a.messages.end(), Platform::WM_PAINT));
    };
    int ticksAroundPaint[2] = {};
    int paintsWhileRunning = 0;
    application.onTick = [&](TestApplication& a) {
        if (a.ticks == 2)
        {
            const auto paints = [&] {
                return static_cast<int>(std::count(a.messages.begin(), a.messages.end(), Platform::WM_PAINT));
            };
            const int before = paints();
            ticksAroundPaint[0] = a.ticks;
            Platform::InvalidateRect(a.Window(0), nullptr, false);
            Platform::UpdateWindow(a.Window(0));
            Platform::UpdateWindow(a.Window(0)); // validated: no second paint
            ticksAroundPaint[1] = a.ticks;
            paintsWhileRunning = paints() - before;
        }
    };
    Qen::RunApplication(&application);
    EXPECT_EQ(2, paintsBefore);
    EXPECT_EQ(1, paintsWhileRunning);
    EXPECT_EQ(ticksAroundPaint[0], ticksAroundPaint[1]);
    EXPECT_GE(Count(application.calls, "Frame(paint)"), 1);
}

TEST_F(ApplicationTest, TheCloseHookDecidesWhetherAWindowMayClose)
{
    for (bool allow : {false, true})
    {
        SCOPED_TRACE(allow ? "allowed" : "refused");
        TestApplication application;
        application.quitAfter = 6;
        application.SetCloseHook([allow] { return allow; });
        application.onTick = [](TestApplication& a) {
            if (a.ticks == 1)
            {
                Platform::InjectClose(a.Window(0));
            }
        };
        Qen::RunApplication(&application);
        EXPECT_EQ(allow ? 1 : 6, application.ticks);
    }
}

TEST_F(ApplicationTest, ActivationAcquiresAndDeactivationReleasesTheDevices)
{
    const int controller = Platform::Input::AttachVirtualController();
    ASSERT_GE(controller, 0);
    TestApplication application;
    struct Row
    {
        Platform::MessageFirst code;
        bool acquired;
        std::uint32_t priority;
    };
    const Row rows[] = {{Platform::WA_INACTIVE, false, Platform::IDLE_PRIORITY_CLASS},
                        {Platform::WA_ACTIVE, true, Platform::NORMAL_PRIORITY_CLASS},
                        {0x10000u | Platform::WA_ACTIVE, false, Platform::IDLE_PRIORITY_CLASS}, // minimised
                        {Platform::WA_CLICKACTIVE, true, Platform::NORMAL_PRIORITY_CLASS}};
    application.onTick = [&](TestApplication& a) {
        if (a.ticks != 1)
        {
            return;
        }
        ASSERT_EQ(1u, a.GetControllers().size());
        ASSERT_NE(nullptr, a.GetControllers()[0]);
        for (const Row& row : rows)
        {
            SCOPED_TRACE(row.code);
            Platform::SendMessageA(a.Window(0), Platform::WM_ACTIVATE, row.code, 0);
            EXPECT_EQ(row.acquired, a.GetMouse()->IsAcquired());
            EXPECT_EQ(row.acquired, a.GetKeyboard()->IsAcquired());
            EXPECT_EQ(row.acquired, a.GetControllers()[0]->IsAcquired());
            EXPECT_EQ(row.priority, Platform::GetPriorityClass(Platform::GetCurrentProcess()));
        }
    };
    Qen::RunApplication(&application);
    EXPECT_TRUE(application.initResult);
    EXPECT_TRUE(Platform::Input::DetachVirtualController(controller));
}

TEST_F(ApplicationTest, AControllerThatCannotOpenIsSkippedButABadDataFormatFailsTheStart)
{
    const int first = Platform::Input::AttachVirtualController();
    const int second = Platform::Input::AttachVirtualController();
    ASSERT_GE(second, 0);
    {
        Platform::Input::FailControllerCreation(0);
        TestApplication application;
        bool nullEntry = false;
        application.onCreateGameObjects = [&](TestApplication& a) {
            nullEntry = a.GetControllers().size() == 2 && a.GetControllers()[0] == nullptr &&
                        a.GetControllers()[1] != nullptr;
        };
        Qen::RunApplication(&application);
        Platform::Input::FailControllerCreation(-1);
        EXPECT_TRUE(application.initResult);
        EXPECT_TRUE(nullEntry);
        EXPECT_EQ(3, application.ticks);
    }
    {
        Platform::Input::FailControllerDataFormat(1);
        TestApplication application;
        Qen::RunApplication(&application);
        Platform::Input::FailControllerDataFormat(-1);
        EXPECT_FALSE(application.initResult);
        EXPECT_EQ((std::vector<std::string>{"Init", "Shutdown"}), application.calls);
    }
    EXPECT_TRUE(Platform::Input::DetachVirtualController(second));
    EXPECT_TRUE(Platform::Input::DetachVirtualController(first));
}

} // namespace
} // namespace EngineTesting
