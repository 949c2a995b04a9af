#include "framework/InputDevices.h"

#include "platform/input/KeyCodes.h"
#include "platform/os/EventInjection.h"
#include "tests/platform/WindowFixture.h"

namespace
{

using namespace Platform;
using namespace Platform::Input;
using WindowTest::Pump;

class InputFocus : public WindowTest::WindowFixture
{
};

// The keyboard wrapper on the platform's keyboard device, with the window deactivated and activated
// again as the engine handles it (unacquire on deactivation, acquire on activation).
TEST_F(InputFocus, KeysReadUpWhileTheWindowIsInactiveAndAKeyStillHeldCountsAsPressedAgain)
{
    WindowHandle window = Make();
    ShowWindow(window, SW_SHOW);
    Pump();
    InputObject* input = nullptr;
    ASSERT_EQ(CreateInput(nullptr, InputVersion, &input), Ok);
    Device* device = nullptr;
    ASSERT_EQ(input->CreateDevice(SystemKeyboard, &device), Ok);
    ASSERT_EQ(device->SetDataFormat(DataFormat::Keyboard), Ok);
    ASSERT_EQ(device->SetCooperativeLevel(window, CooperativeNonExclusive | CooperativeForeground), Ok);
    ASSERT_EQ(device->Acquire(), Ok);
    {
        GameLib::CKeyboardDevice keyboard(device);
        InjectKey(window, "Right", true);
        InjectKey(window, "Left", true);
        Pump();
        keyboard.Poll(0.1f);
        keyboard.Poll(0.1f);
        ASSERT_TRUE(keyboard.IsKeyDown(KeyRight));
        EXPECT_FLOAT_EQ(keyboard.GetHeldTime(KeyRight), 0.2f);

        InjectFocus(window, false);
        Pump();
        device->Unacquire();
        InjectKey(window, "Left", false); // released while the window is inactive
        Pump();
        for (int frame = 0; frame < 2; ++frame)
        {
            keyboard.Poll(0.1f);
            EXPECT_FALSE(keyboard.IsAnyKeyDown());
            EXPECT_EQ(keyboard.GetHeldTime(KeyRight), 0.0f);
        }

        InjectFocus(window, true);
        Pump();
        ASSERT_EQ(device->Acquire(), Ok);
        keyboard.Poll(0.1f);
        EXPECT_TRUE(keyboard.WasKeyPressed(KeyRight));
        EXPECT_FALSE(keyboard.IsKeyDown(KeyLeft));
        EXPECT_FLOAT_EQ(keyboard.GetHeldTime(KeyRight), 0.1f);
        keyboard.Poll(0.1f);
        EXPECT_FALSE(keyboard.WasKeyPressed(KeyRight));
        EXPECT_TRUE(keyboard.IsKeyDown(KeyRight));
        InjectKey(window, "Right", false);
        Pump();
    }
    device->Release();
    input->Release();
}

} // namespace
