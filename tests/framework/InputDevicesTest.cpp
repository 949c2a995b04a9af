#include "framework/InputDevices.h"

#include "FakeInputDevice.h"
#include "platform/input/KeyCodes.h"

#include <gtest/gtest.h>

namespace
{

using namespace InputTest;
using GameLib::CJoystickDevice;
using GameLib::CKeyboardDevice;
using GameLib::CMouseDevice;

TEST(KeyboardDeviceTest, APressCountsInItsFrameAndHeldTimesAddUpUntilTheKeyIsUp)
{
    FakeInputDevice device(256);
    CKeyboardDevice keyboard(&device);
    keyboard.Poll(0.016f);
    EXPECT_FALSE(keyboard.IsAnyKeyDown());

    device.SetKey(KeyReturn, true);
    keyboard.Poll(0.02f);
    EXPECT_TRUE(keyboard.WasKeyPressed(KeyReturn));
    EXPECT_TRUE(keyboard.IsAnyKeyDown());
    EXPECT_FLOAT_EQ(keyboard.GetHeldTime(KeyReturn), 0.02f);
    EXPECT_EQ(keyboard.GetHeldTime(KeySpace), 0.0f);

    keyboard.Poll(0.03f);
    keyboard.Poll(0.05f);
    EXPECT_FALSE(keyboard.WasKeyPressed(KeyReturn));
    EXPECT_TRUE(keyboard.IsKeyDown(KeyReturn));
    EXPECT_TRUE(keyboard.WasKeyDown(KeyReturn));
    EXPECT_FLOAT_EQ(keyboard.GetHeldTime(KeyReturn), 0.1f);

    device.SetKey(KeyReturn, false);
    keyboard.Poll(0.016f);
    EXPECT_FALSE(keyboard.IsKeyDown(KeyReturn));
    EXPECT_TRUE(keyboard.WasKeyDown(KeyReturn));
    EXPECT_EQ(keyboard.GetHeldTime(KeyReturn), 0.0f);
}

// What the re-acquire rule makes of a failed read: how often Acquire is asked, and whether the key that
// the device holds reads down.
TEST(KeyboardDeviceTest, AFailedReadIsRecoveredOnlyThroughASuccessfulAcquire)
{
    struct Case
    {
        const char* what;
        Result acquire;
        Result readAfterAcquire;
        int acquireCalls;
        bool keyDown;
    } cases[] = {
        {"input lost every time", InputLost, Ok, 5, false},
        {"another application has priority", OtherHasPriority, Ok, 1, false},
        {"acquired, second read works", Ok, Ok, 1, true},
        {"acquired, second read fails too", Ok, NotAcquired, 1, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        FakeInputDevice device(256);
        CKeyboardDevice keyboard(&device);
        device.SetKey(KeyA, true);
        keyboard.Poll(0.1f);
        ASSERT_TRUE(keyboard.IsKeyDown(KeyA));

        device.readResult = NotAcquired;
        device.acquireResult = c.acquire;
        device.readAfterAcquire = c.readAfterAcquire;
        keyboard.Poll(0.1f);
        EXPECT_EQ(device.acquireCalls, c.acquireCalls);
        EXPECT_EQ(keyboard.IsKeyDown(KeyA), c.keyDown);
        EXPECT_EQ(keyboard.IsAnyKeyDown(), c.keyDown);
        EXPECT_FLOAT_EQ(keyboard.GetHeldTime(KeyA), c.keyDown ? 0.2f : 0.0f);
    }
}

TEST(InputDevicesTest, MouseAndControllerAskAtMostFiveAcquiresPerPollAndReadEverythingUp)
{
    FakeInputDevice mouseDevice(sizeof(MouseState));
    mouseDevice.caps.buttons = 5;
    mouseDevice.StateAs<MouseState>().buttons[0] = 0x80;
    mouseDevice.StateAs<MouseState>().x = 7;
    FakeInputDevice padDevice(sizeof(JoystickState));
    padDevice.caps.buttons = 4;
    padDevice.caps.axes = 2;
    padDevice.StateAs<JoystickState>().buttons[2] = 0x80;
    CMouseDevice mouse(&mouseDevice);
    CJoystickDevice pad(&padDevice);
    mouse.Poll();
    pad.Poll();
    ASSERT_TRUE(mouse.IsAnyButtonDown());
    ASSERT_TRUE(pad.WasButtonPressed(2));

    for (FakeInputDevice* device : {&mouseDevice, &padDevice})
    {
        device->readResult = InputLost;
        device->acquireResult = InputLost;
    }
    mouse.Poll();
    pad.Poll();
    EXPECT_EQ(mouseDevice.acquireCalls, 5);
    EXPECT_EQ(padDevice.acquireCalls, 5);
    EXPECT_EQ(mouseDevice.readCalls, 1); // only the first poll read
    EXPECT_FALSE(mouse.IsAnyButtonDown());
    EXPECT_EQ(mouse.GetAxis(0), 0);
    EXPECT_EQ(mouse.GetButtonPair(0).current, 0);
    EXPECT_EQ(mouse.GetButtonPair(0).previous, 1);
    EXPECT_FALSE(pad.IsAnyButtonDown());
    EXPECT_TRUE(pad.WasButtonReleased(2));
}

TEST(InputDevicesTest, WrappersWithoutADeviceReportNothing)
{
    CKeyboardDevice keyboard(nullptr);
    CMouseDevice mouse(nullptr);
    CJoystickDevice pad(nullptr);
    keyboard.Poll(0.1f);
    mouse.Poll();
    pad.Poll();
    EXPECT_FALSE(keyboard.IsAnyKeyDown());
    EXPECT_EQ(keyboard.GetHeldTime(KeyA), 0.0f);
    EXPECT_FALSE(mouse.IsAnyButtonDown());
    EXPECT_EQ(mouse.GetButtonCount(), 0);
    EXPECT_EQ(mouse.GetAxis(0), 0);
    EXPECT_FALSE(pad.IsAnyButtonDown());
    EXPECT_EQ(pad.GetAxisValue(0, 100), 0.0f);
    EXPECT_EQ(pad.GetAxisRecordCount(), 8);
    EXPECT_EQ(pad.GetButtonPairCount(), 12);
}

TEST(MouseDeviceTest, ButtonPairsFollowTheFramesAndAxesGiveThisFramesMovement)
{
    FakeInputDevice device(sizeof(MouseState));
    device.caps.axes = 3;
    device.caps.buttons = 5;
    CMouseDevice mouse(&device);
    ASSERT_EQ(mouse.GetButtonCount(), 5);

    MouseState& state = device.StateAs<MouseState>();
    state.x = -4;
    state.y = 9;
    state.wheel = 240;
    state.buttons[1] = 0x80;
    state.buttons[6] = 0x80; // beyond the device's buttons
    mouse.Poll();
    EXPECT_EQ(mouse.GetAxis(0), -4);
    EXPECT_EQ(mouse.GetAxis(1), 9);
    EXPECT_EQ(mouse.GetAxis(2), 240);
    EXPECT_EQ(mouse.GetAxis(3), 0);
    EXPECT_EQ(mouse.GetButtonPair(1).current, 1);
    EXPECT_EQ(mouse.GetButtonPair(1).previous, 0);
    EXPECT_EQ(mouse.GetButtonPair(0).current, 0);
    mouse.Poll();
    EXPECT_EQ(mouse.GetButtonPair(1).previous, 1);
}

TEST(JoystickDeviceTest, CreationSetsEveryAxisRangeAndSizesTheRecords)
{
    FakeInputDevice device(sizeof(JoystickState));
    device.caps.axes = 4;
    device.caps.buttons = 10;
    CJoystickDevice pad(&device);
    EXPECT_STREQ(pad.GetInstance().productName, "Fake pad");
    EXPECT_EQ(pad.GetAxisRecordCount(), 8);
    EXPECT_EQ(pad.GetButtonPairCount(), 12);
    ASSERT_EQ(device.ranges.size(), 4u);
    for (std::uint32_t axis = 0; axis < 4; ++axis)
    {
        EXPECT_EQ(device.ranges[axis].object, ObjectTypeWord(ObjectAbsoluteAxis, axis));
        EXPECT_EQ(device.ranges[axis].how, PropertyById);
        EXPECT_EQ(device.ranges[axis].minimum, -129);
        EXPECT_EQ(device.ranges[axis].maximum, 128);
    }

    // Buttons 10 and 11 have pairs, but the device has no such buttons: they never change.
    JoystickState& state = device.StateAs<JoystickState>();
    for (int b : {0, 10, 11})
    {
        state.buttons[b] = 0x80;
    }
    pad.Poll();
    EXPECT_TRUE(pad.WasButtonPressed(0));
    for (int b : {10, 11})
    {
        EXPECT_EQ(pad.GetButtonPair(b).current, 0);
        EXPECT_EQ(pad.GetButtonPair(b).previous, 0);
    }
    for (int b : {-1, 12})
    {
        EXPECT_FALSE(pad.WasButtonPressed(b));
        EXPECT_FALSE(pad.WasButtonReleased(b));
    }
    state.buttons[0] = 0;
    pad.Poll();
    EXPECT_TRUE(pad.WasButtonReleased(0));
    EXPECT_FALSE(pad.WasButtonPressed(0));
}

TEST(JoystickDeviceTest, AnAxisReadsZeroUntilItsFirstNonZeroValueThenEveryValueOutsideTheDeadZone)
{
    FakeInputDevice device(sizeof(JoystickState));
    device.caps.axes = 2;
    CJoystickDevice pad(&device);
    struct Reading
    {
        int axis;
        std::int32_t raw;
        float expected;
    } readings[] = {
        {0, 0, 0.0f},          // not live yet
        {0, 5, 5.0f / 128.0f}, // first non-zero reading counts at once
        {0, 3, 0.0f},          // inside the dead zone
        {0, 0, 0.0f},
        {0, -129, -129.0f / 128.0f},
        {0, 128, 1.0f},
        {1, 3, 0.0f}, // live now, but inside the dead zone
        {1, -4, -4.0f / 128.0f},
        {8, 100, 0.0f}, // beyond the axis records
        {-1, 100, 0.0f},
    };
    for (const Reading& r : readings)
    {
        EXPECT_FLOAT_EQ(pad.GetAxisValue(r.axis, r.raw), r.expected) << "axis " << r.axis << " raw " << r.raw;
    }

    device.StateAs<JoystickState>().sliders[1] = 64;
    pad.Poll();
    EXPECT_FLOAT_EQ(pad.GetAxis(7), 0.5f);
    EXPECT_EQ(pad.GetAxis(8), 0.0f);
}

} // namespace
