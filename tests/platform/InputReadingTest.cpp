#include "WindowFixture.h"

#include "platform/input/InputDevices.h"
#include "platform/input/KeyCodes.h"
#include "platform/os/EventInjection.h"
#include "platform/os/KeyState.h"

#include <chrono>
#include <string>
#include <thread>

namespace
{

using namespace Platform;
using namespace Platform::Input;
using WindowTest::Pump;

// One shown, active window and the input object; devices made here are released at the end.
class InputReading : public WindowTest::WindowFixture
{
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        m_window = Make();
        ShowWindow(m_window, SW_SHOW);
        // The server's focus event can come a little after the window shows, later on a loaded machine.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        for (Pump(); GetActiveWindow() != m_window && std::chrono::steady_clock::now() < deadline; Pump())
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_EQ(GetActiveWindow(), m_window);
        ASSERT_EQ(CreateInput(nullptr, InputVersion, &m_input), Ok);
    }

    void TearDown() override
    {
        for (Device* device : m_devices)
        {
            device->Release();
        }
        if (m_virtual >= 0)
        {
            DetachVirtualController(m_virtual);
        }
        if (m_input != nullptr)
        {
            m_input->Release();
        }
        WindowFixture::TearDown();
    }

    // The device made, given its format and the engine's cooperative level, and acquired.
    Device* Acquired(const DeviceId& id, DataFormat format)
    {
        Device* device = nullptr;
        EXPECT_EQ(m_input->CreateDevice(id, &device), Ok);
        if (device == nullptr)
        {
            return nullptr;
        }
        m_devices.push_back(device);
        EXPECT_EQ(device->SetDataFormat(format), Ok);
        EXPECT_EQ(device->SetCooperativeLevel(m_window, CooperativeNonExclusive | CooperativeForeground), Ok);
        EXPECT_EQ(device->Acquire(), Ok);
        return device;
    }

    struct Keys
    {
        std::uint8_t bytes[256];
    };
    static Keys Read(Device* keyboard)
    {
        Keys keys{};
        EXPECT_EQ(keyboard->GetDeviceState(256, keys.bytes), Ok);
        return keys;
    }

    WindowHandle m_window = nullptr;
    InputObject* m_input = nullptr;
    std::vector<Device*> m_devices;
    int m_virtual = -1;
};

TEST_F(InputReading, KeyboardBytesChangeWhenTheKeyMessagesAreTaken)
{
    Device* keyboard = Acquired(SystemKeyboard, DataFormat::Keyboard);
    ASSERT_NE(keyboard, nullptr);
    InjectKey(m_window, "Return", true);
    InjectKey(m_window, "Keypad Enter", true);
    InjectKey(m_window, "Right Alt", true);
    EXPECT_EQ(Read(keyboard).bytes[KeyReturn], 0) << "not taken from the queue yet";
    Pump();
    Keys keys = Read(keyboard);
    EXPECT_EQ(keys.bytes[KeyReturn], 0x80);
    EXPECT_EQ(keys.bytes[KeyNumpadEnter], 0x80);
    EXPECT_EQ(keys.bytes[KeyRightAlt], 0x80);
    EXPECT_EQ(keys.bytes[KeyLeftControl], 0) << "AltGr holds Control for GetKeyState only";
    EXPECT_LT(GetKeyState(VK_CONTROL), 0);
    EXPECT_LT(GetKeyState(VK_MENU), 0);

    InjectKey(m_window, "Return", true, true); // automatic repeat
    InjectKey(m_window, "Keypad Enter", false);
    InjectKey(m_window, "Right Alt", false);
    Pump();
    keys = Read(keyboard);
    EXPECT_EQ(keys.bytes[KeyReturn], 0x80);
    EXPECT_EQ(keys.bytes[KeyNumpadEnter], 0);
    EXPECT_EQ(keys.bytes[KeyRightAlt], 0);
    InjectKey(m_window, "Return", false);
    Pump();
    EXPECT_EQ(Read(keyboard).bytes[KeyReturn], 0);

    std::uint8_t small[16];
    EXPECT_EQ(keyboard->GetDeviceState(sizeof(small), small), InvalidArg);
}

TEST_F(InputReading, LockTogglesStartFromTheSystemsWhenTheWindowGainsTheFocus)
{
    for (bool caps : {true, false, true})
    {
        SCOPED_TRACE(caps ? "Caps Lock on" : "Caps Lock off");
        ASSERT_TRUE(InjectLockState(caps, !caps, false));
        InjectFocus(m_window, false);
        InjectFocus(m_window, true);
        Pump();
        EXPECT_EQ(GetKeyState(VK_CAPITAL) & 1, caps ? 1 : 0);
        EXPECT_EQ(GetKeyState(VK_NUMLOCK) & 1, caps ? 0 : 1);
    }
    InjectLockState(false, false, false);
}

TEST_F(InputReading, MouseMovementAccumulatesWhileAcquiredAndAReadHandsItOver)
{
    InjectMouseMove(m_window, 10, 10, 50, 50); // before the device is acquired: not collected
    Pump();
    Device* mouse = Acquired(SystemMouse, DataFormat::Mouse);
    ASSERT_NE(mouse, nullptr);
    DeviceCaps caps;
    EXPECT_EQ(mouse->GetCapabilities(&caps), InvalidArg) << "size field not set";
    caps.size = DeviceCapsSize;
    ASSERT_EQ(mouse->GetCapabilities(&caps), Ok);
    EXPECT_EQ(caps.axes, 3u);
    EXPECT_EQ(caps.buttons, 5u);
    EXPECT_EQ(mouse->Poll(), NoEffect);

    InjectMouseMove(m_window, 15, 7, 5, -3);
    InjectMouseMove(m_window, 17, 6, 2, -1);
    InjectMouseWheel(m_window, 1, 17, 6);
    InjectMouseWheel(m_window, 1, 17, 6);
    InjectMouseButton(m_window, InjectedButton::Right, true, 17, 6);
    Pump();
    MouseState state;
    ASSERT_EQ(mouse->GetDeviceState(sizeof(state), &state), Ok);
    EXPECT_EQ(state.x, 7);
    EXPECT_EQ(state.y, -4);
    EXPECT_EQ(state.wheel, 240);
    EXPECT_EQ(state.buttons[0], 0);
    EXPECT_EQ(state.buttons[1], 0x80);
    EXPECT_EQ(state.buttons[2], 0);

    InjectMouseButton(m_window, InjectedButton::Right, false, 17, 6);
    InjectMouseButton(m_window, InjectedButton::Middle, true, 17, 6);
    Pump();
    ASSERT_EQ(mouse->GetDeviceState(sizeof(state), &state), Ok);
    EXPECT_EQ(state.x, 0);
    EXPECT_EQ(state.y, 0);
    EXPECT_EQ(state.wheel, 0);
    EXPECT_EQ(state.buttons[1], 0);
    EXPECT_EQ(state.buttons[2], 0x80);
    InjectMouseButton(m_window, InjectedButton::Middle, false, 17, 6);
    Pump();
}

bool CountObject(const ObjectInstance& object, void* context)
{
    auto* types = static_cast<std::vector<std::uint32_t>*>(context);
    types->push_back(object.type);
    return types->size() < 100;
}

bool StopAfterTwo(const ObjectInstance&, void* context)
{
    return ++*static_cast<int*>(context) < 2;
}

bool FindByName(const DeviceInstance& instance, void* context)
{
    auto* found = static_cast<std::pair<std::string, DeviceId>*>(context);
    found->first = instance.name != nullptr ? instance.name : "";
    found->second = instance.instance;
    return true; // the last one attached is ours
}

TEST_F(InputReading, AVirtualControllerReportsItsAxesButtonsAndHat)
{
    m_virtual = AttachVirtualController(6, 12, 1);
    ASSERT_GE(m_virtual, 0);
    std::pair<std::string, DeviceId> found;
    ASSERT_EQ(m_input->EnumDevices(DeviceClassGameController, &FindByName, &found, EnumAttachedOnly), Ok);
    Device* pad = Acquired(found.second, DataFormat::Joystick);
    ASSERT_NE(pad, nullptr);

    DeviceCaps caps;
    caps.size = DeviceCapsSize;
    ASSERT_EQ(pad->GetCapabilities(&caps), Ok);
    EXPECT_EQ(caps.axes, 6u);
    EXPECT_EQ(caps.buttons, 12u);
    EXPECT_EQ(caps.povs, 1u);
    DeviceInstanceRecord info;
    EXPECT_EQ(pad->GetDeviceInfo(&info), InvalidArg) << "size field not set";
    info.size = DeviceInstanceRecordSize;
    ASSERT_EQ(pad->GetDeviceInfo(&info), Ok);
    EXPECT_EQ(std::string(info.productName), found.first);
    EXPECT_EQ(std::string(info.instanceName), found.first);

    std::vector<std::uint32_t> types;
    ASSERT_EQ(pad->EnumObjects(&CountObject, &types, ObjectAxis), Ok);
    ASSERT_EQ(types.size(), 6u);
    for (std::uint32_t axis = 0; axis < 6; ++axis)
    {
        EXPECT_EQ(types[axis], ObjectTypeWord(ObjectAbsoluteAxis, axis));
    }
    int calls = 0;
    pad->EnumObjects(&StopAfterTwo, &calls, ObjectAxis);
    EXPECT_EQ(calls, 2);

    for (std::uint32_t axis = 0; axis < 5; ++axis) // axis 5 keeps the default range 0 .. 65535
    {
        EXPECT_EQ(pad->SetProperty(Property::Range, PropertyRange{types[axis], PropertyById, -129, 128}), Ok);
    }
    EXPECT_EQ(pad->SetProperty(Property::Range,
                               PropertyRange{ObjectTypeWord(ObjectAbsoluteAxis, 6), PropertyById, -129, 128}),
              InvalidArg);

    ASSERT_TRUE(SetVirtualControllerAxis(m_virtual, 0, -32768));
    ASSERT_TRUE(SetVirtualControllerAxis(m_virtual, 1, 0));
    ASSERT_TRUE(SetVirtualControllerAxis(m_virtual, 2, 32767));
    ASSERT_TRUE(SetVirtualControllerAxis(m_virtual, 5, 32767));
    ASSERT_TRUE(SetVirtualControllerButton(m_virtual, 4, true));
    ASSERT_TRUE(SetVirtualControllerHat(m_virtual, 0, 2)); // right
    EXPECT_EQ(pad->Poll(), NoEffect);
    JoystickState state;
    ASSERT_EQ(pad->GetDeviceState(sizeof(state), &state), Ok);
    EXPECT_EQ(state.x, -129);
    EXPECT_EQ(state.y, 0);
    EXPECT_EQ(state.z, 128);
    EXPECT_EQ(state.rz, 65535);
    EXPECT_EQ(state.sliders[0], 0) << "no such axis";
    EXPECT_EQ(state.buttons[4], 0x80);
    EXPECT_EQ(state.buttons[3], 0);
    EXPECT_EQ(state.povs[0], 9000u);
    EXPECT_EQ(state.povs[1], PovCentred);

    ASSERT_TRUE(SetVirtualControllerHat(m_virtual, 0, 4 | 8)); // down and left
    pad->Poll();
    ASSERT_EQ(pad->GetDeviceState(sizeof(state), &state), Ok);
    EXPECT_EQ(state.povs[0], 22500u);
}

TEST_F(InputReading, AFocusLossLosesTheDevicesUntilTheWindowIsActiveAgain)
{
    Device* keyboard = Acquired(SystemKeyboard, DataFormat::Keyboard);
    Device* mouse = Acquired(SystemMouse, DataFormat::Mouse);
    ASSERT_NE(keyboard, nullptr);
    ASSERT_NE(mouse, nullptr);
    InjectFocus(m_window, false);
    Pump();
    std::uint8_t keys[256];
    EXPECT_EQ(keyboard->GetDeviceState(256, keys), InputLost);
    EXPECT_EQ(keyboard->GetDeviceState(256, keys), NotAcquired);
    EXPECT_EQ(mouse->Poll(), InputLost);
    EXPECT_EQ(mouse->Poll(), NotAcquired);
    EXPECT_EQ(keyboard->Acquire(), OtherHasPriority);
    EXPECT_GE(keyboard->Unacquire(), 0);

    InjectFocus(m_window, true);
    Pump();
    EXPECT_EQ(keyboard->Acquire(), Ok);
    EXPECT_EQ(keyboard->GetDeviceState(256, keys), Ok);
}

} // namespace
