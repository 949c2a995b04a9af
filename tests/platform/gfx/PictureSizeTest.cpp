#include "tests/platform/gfx/GfxFixture.h"

#include "platform/os/EventInjection.h"

#include <chrono>
#include <thread>

namespace GfxTesting
{
namespace
{

std::vector<Platform::MessageSecond> clicks;

Platform::MessageResult RecordClicks(Platform::WindowHandle window, std::uint32_t message,
                                     Platform::MessageFirst first, Platform::MessageSecond second)
{
    if (message == Platform::WM_LBUTTONDOWN)
    {
        clicks.push_back(second);
    }
    return Platform::DefWindowProcA(window, message, first, second);
}

using PictureSizeTest = GfxFixture;

// A 640 × 480 back buffer shown in a window whose client area was made 1280 × 960: mouse points
// arrive in back-buffer pixels, as after a mode change.
TEST_F(PictureSizeTest, MousePointsArriveInBackBufferPixels)
{
    MakeGraphics();
    Platform::WindowClass record;
    record.procedure = &RecordClicks;
    record.className = "GfxClicks";
    ASSERT_NE(0, Platform::RegisterClassExA(&record));
    WindowHandle window =
        Platform::CreateWindowExA(0, "GfxClicks", "GfxClicks", Platform::WS_OVERLAPPEDWINDOW, 0, 0, 640, 480,
                                  nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, window);
    PresentParameters present = Record(window, 640, 480);
    ASSERT_EQ(Ok, graphics->CreateDevice(0, DeviceType::Hal, window, 0, &present, &device));
    ResizeWindowClient(window, 1280, 960);
    Platform::WindowRect client;
    for (int i = 0; i < 500; ++i)
    {
        Pump();
        ASSERT_TRUE(Platform::GetClientRect(window, &client));
        if (client.right == 1280)
        {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(1280, client.right);
    ASSERT_EQ(960, client.bottom);
    EXPECT_EQ(Ok, device->Present(nullptr, nullptr, nullptr, nullptr));

    clicks.clear();
    ASSERT_TRUE(Platform::InjectMouseButton(window, Platform::InjectedButton::Left, true, 1278, 2));
    Pump();
    ASSERT_EQ(1u, clicks.size());
    EXPECT_EQ(639, static_cast<std::int16_t>(Platform::LowWord(static_cast<std::uintptr_t>(clicks[0]))));
    EXPECT_EQ(1, static_cast<std::int16_t>(Platform::HighWord(static_cast<std::uintptr_t>(clicks[0]))));

    EXPECT_EQ(0u, device->Release());
    device = nullptr;
    Platform::DestroyWindow(window);
    Platform::UnregisterClassA("GfxClicks", nullptr);
}

TEST_F(PictureSizeTest, AFullScreenDeviceIsLostWhileItsWindowIsInactive)
{
    MakeGraphics();
    WindowHandle window = OpenWindow(320, 240);
    PresentParameters present = Record(window, 320, 240);
    present.Windowed = 0;
    ASSERT_EQ(Ok, graphics->CreateDevice(0, DeviceType::Hal, window, 0, &present, &device));
    Platform::ShowWindow(window, Platform::SW_SHOWDEFAULT);
    // Other test programs may share the display: the focus is given here explicitly.
    ASSERT_TRUE(Platform::InjectFocus(window, true));
    Pump();
    ASSERT_EQ(window, Platform::GetActiveWindow());
    EXPECT_EQ(Ok, device->TestCooperativeLevel());

    ASSERT_TRUE(Platform::InjectFocus(window, false));
    Pump();
    EXPECT_EQ(DeviceLost, device->TestCooperativeLevel());
    EXPECT_EQ(DeviceLost, device->Present(nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(DeviceLost, device->TestCooperativeLevel());

    ASSERT_TRUE(Platform::InjectFocus(window, true));
    Pump();
    EXPECT_EQ(DeviceNotReset, device->TestCooperativeLevel());
    ASSERT_EQ(Ok, device->Reset(&present));
    EXPECT_EQ(Ok, device->TestCooperativeLevel());
}

TEST_F(PictureSizeTest, AFocusLostInTheModeSwitchOfAResetDoesNotLoseTheDevice)
{
    MakeGraphics();
    WindowHandle window = OpenWindow(320, 240);
    PresentParameters present = Record(window, 320, 240);
    present.Windowed = 0;
    ASSERT_EQ(Ok, graphics->CreateDevice(0, DeviceType::Hal, window, 0, &present, &device));
    Platform::ShowWindow(window, Platform::SW_SHOWDEFAULT);
    ASSERT_TRUE(Platform::InjectFocus(window, true));
    Pump();
    EXPECT_EQ(Ok, device->TestCooperativeLevel());

    // The reset switches the mode again and the focus goes before the window had it back: nothing would
    // ever give it back on a display without a window manager, so the device must go on.
    ASSERT_EQ(Ok, device->Reset(&present));
    ASSERT_TRUE(Platform::InjectFocus(window, false));
    Pump();
    EXPECT_EQ(Ok, device->TestCooperativeLevel());

    // Once the window has had the focus in its new mode, losing it loses the device as before.
    ASSERT_TRUE(Platform::InjectFocus(window, true));
    Pump();
    EXPECT_EQ(Ok, device->TestCooperativeLevel());
    ASSERT_TRUE(Platform::InjectFocus(window, false));
    Pump();
    EXPECT_EQ(DeviceLost, device->TestCooperativeLevel());
}

} // namespace
} // namespace GfxTesting
