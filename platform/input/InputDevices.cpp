#include "platform/input/InputDevices.h"

#include "platform/os/DebugOutput.h"
#include "platform/os/InputState.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace Platform::Input
{

const DeviceId SystemKeyboard{0x6F1D2B61, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const DeviceId SystemMouse{0x6F1D2B60, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

namespace
{

bool s_failInput = false;
int s_failCreation = -1;
int s_failFormat = -1;
int s_joystickUsers = 0; // input objects and test attachments holding SDL's joystick support

// A controller's identifier: a fixed tag and SDL's instance id of the joystick.
DeviceId ControllerId(SDL_JoystickID instance)
{
    return DeviceId{static_cast<std::uint32_t>(instance), 0x4A53, 0x5444, {'Q', 'C', 'T', 'R', 'L', 0, 0, 1}};
}

bool IsControllerId(const DeviceId& id)
{
    return id.data2 == 0x4A53 && id.data3 == 0x5444 &&
           id == ControllerId(static_cast<SDL_JoystickID>(id.data1));
}

bool HoldJoysticks()
{
    // Whether the program's window is active is the devices' own test (foreground devices read only then);
    // SDL must not drop controller changes on its own view of the keyboard focus, which some video
    // drivers never set.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (s_joystickUsers == 0 && SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0)
    {
        WriteDebugOutput((std::string("Input: no joystick support: ") + SDL_GetError() + "\n").c_str());
        return false;
    }
    ++s_joystickUsers;
    return true;
}

void ReleaseJoysticks()
{
    if (s_joystickUsers > 0 && --s_joystickUsers == 0)
    {
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    }
}

int IndexOfInstance(SDL_JoystickID instance)
{
    const int count = SDL_NumJoysticks();
    for (int i = 0; i < count; ++i)
    {
        if (SDL_JoystickGetDeviceInstanceID(i) == instance)
        {
            return i;
        }
    }
    return -1;
}

// Hundredths of degrees clockwise from up for SDL's hat bits.
std::uint32_t PovOfHat(Uint8 hat)
{
    switch (hat)
    {
    case SDL_HAT_UP:
        return 0;
    case SDL_HAT_RIGHTUP:
        return 4500;
    case SDL_HAT_RIGHT:
        return 9000;
    case SDL_HAT_RIGHTDOWN:
        return 13500;
    case SDL_HAT_DOWN:
        return 18000;
    case SDL_HAT_LEFTDOWN:
        return 22500;
    case SDL_HAT_LEFT:
        return 27000;
    case SDL_HAT_LEFTUP:
        return 31500;
    default:
        return PovCentred;
    }
}

void CopyName(char (&out)[260], const char* name)
{
    std::snprintf(out, sizeof(out), "%s", name != nullptr ? name : "");
}

constexpr std::uint32_t kMaxAxes = 8;
constexpr std::uint32_t kMaxButtons = 128;
constexpr std::uint32_t kMaxPovs = 4;
const char* const kAxisNames[kMaxAxes] = {"X Axis",     "Y Axis",     "Z Axis", "X Rotation",
                                          "Y Rotation", "Z Rotation", "Slider", "Slider"};

// The SDL-backed device: the keyboard reads the key-state record of the window layer, the mouse the
// movement and buttons it collects, a controller SDL's joystick.
class SystemDevice final : public Device
{
public:
    enum class Kind
    {
        Keyboard,
        Mouse,
        Controller
    };

    SystemDevice(Kind kind, const DeviceId& id, SDL_Joystick* joystick)
        : m_kind(kind), m_id(id), m_joystick(joystick)
    {
        if (m_kind == Kind::Controller)
        {
            HoldJoysticks();
        }
        for (Range& range : m_ranges)
        {
            range = Range{0, 65535};
        }
    }

    Result SetDataFormat(DataFormat format) override
    {
        const bool fits = (m_kind == Kind::Keyboard && format == DataFormat::Keyboard) ||
                          (m_kind == Kind::Mouse && format == DataFormat::Mouse) ||
                          (m_kind == Kind::Controller && format == DataFormat::Joystick);
        if (!fits)
        {
            return InvalidArg;
        }
        if (m_kind == Kind::Controller && s_failFormat >= 0 && m_joystick != nullptr &&
            IndexOfInstance(SDL_JoystickInstanceID(m_joystick)) == s_failFormat)
        {
            return InvalidArg;
        }
        m_formatSet = true;
        return Ok;
    }

    Result SetCooperativeLevel(WindowHandle window, std::uint32_t flags) override
    {
        const std::uint32_t mode = flags & (CooperativeExclusive | CooperativeNonExclusive);
        const std::uint32_t scope = flags & (CooperativeForeground | CooperativeBackground);
        if ((mode != CooperativeExclusive && mode != CooperativeNonExclusive) ||
            (scope != CooperativeForeground && scope != CooperativeBackground) ||
            (window == nullptr && scope == CooperativeForeground))
        {
            return InvalidArg;
        }
        m_flags = flags;
        m_window = window;
        return Ok;
    }

    Result Acquire() override
    {
        if (!m_formatSet)
        {
            return NotInitialized;
        }
        if (!WindowAllows())
        {
            return OtherHasPriority;
        }
        if (m_acquired)
        {
            return NoEffect;
        }
        SetAcquired(true);
        return Ok;
    }

    Result Unacquire() override
    {
        if (!m_acquired)
        {
            return NoEffect;
        }
        SetAcquired(false);
        return Ok;
    }

    Result Poll() override
    {
        if (const Result r = CheckReadable(); r != Ok)
        {
            return r;
        }
        if (m_kind == Kind::Controller)
        {
            SDL_JoystickUpdate();
        }
        return NoEffect;
    }

    Result GetDeviceState(std::uint32_t size, void* data) override
    {
        const std::uint32_t expected = m_kind == Kind::Keyboard ? 256u
                                       : m_kind == Kind::Mouse
                                           ? static_cast<std::uint32_t>(sizeof(MouseState))
                                           : static_cast<std::uint32_t>(sizeof(JoystickState));
        if (data == nullptr || size != expected)
        {
            return InvalidArg;
        }
        if (const Result r = CheckReadable(); r != Ok)
        {
            return r;
        }
        switch (m_kind)
        {
        case Kind::Keyboard:
            ReadKeyCodeStates(*static_cast<std::uint8_t(*)[256]>(data));
            break;
        case Kind::Mouse:
            ReadMouse(*static_cast<MouseState*>(data));
            break;
        case Kind::Controller:
            ReadController(*static_cast<JoystickState*>(data));
            break;
        }
        return Ok;
    }

    Result GetCapabilities(DeviceCaps* caps) override
    {
        if (caps == nullptr || caps->size != DeviceCapsSize)
        {
            return InvalidArg;
        }
        *caps = DeviceCaps{};
        caps->size = DeviceCapsSize;
        caps->flags = DeviceAttached;
        caps->deviceType = DeviceType();
        switch (m_kind)
        {
        case Kind::Keyboard:
            caps->buttons = 256;
            break;
        case Kind::Mouse:
            caps->axes = 3;
            caps->buttons = 5;
            break;
        case Kind::Controller:
            caps->axes = AxisCount();
            caps->buttons =
                std::min<std::uint32_t>(std::max(SDL_JoystickNumButtons(m_joystick), 0), kMaxButtons);
            caps->povs = std::min<std::uint32_t>(std::max(SDL_JoystickNumHats(m_joystick), 0), kMaxPovs);
            break;
        }
        return Ok;
    }

    Result GetDeviceInfo(DeviceInstanceRecord* info) override
    {
        if (info == nullptr || info->size != DeviceInstanceRecordSize)
        {
            return InvalidArg;
        }
        *info = DeviceInstanceRecord{};
        info->size = DeviceInstanceRecordSize;
        info->instance = m_id;
        info->product = m_id;
        info->deviceType = DeviceType();
        const char* name = m_kind == Kind::Keyboard ? "Keyboard"
                           : m_kind == Kind::Mouse  ? "Mouse"
                                                    : SDL_JoystickName(m_joystick);
        CopyName(info->instanceName, name);
        CopyName(info->productName, name);
        return Ok;
    }

    Result EnumObjects(ObjectCallback callback, void* context, std::uint32_t flags) override
    {
        if (callback == nullptr)
        {
            return InvalidArg;
        }
        const std::uint32_t kind = m_kind == Kind::Controller ? ObjectAbsoluteAxis
                                   : m_kind == Kind::Mouse    ? ObjectRelativeAxis
                                                              : 0;
        if ((flags & kind) == 0)
        {
            return Ok;
        }
        const std::uint32_t axes = m_kind == Kind::Mouse ? 3 : AxisCount();
        for (std::uint32_t axis = 0; axis < axes; ++axis)
        {
            ObjectInstance object;
            object.offset = axis * 4;
            object.type = ObjectTypeWord(kind, axis);
            CopyName(object.name, m_kind == Kind::Mouse && axis == 2 ? "Wheel" : kAxisNames[axis]);
            if (!callback(object, context))
            {
                break;
            }
        }
        return Ok;
    }

    Result SetProperty(Property property, const PropertyRange& range) override
    {
        if (m_kind != Kind::Controller || property != Property::Range || range.minimum >= range.maximum)
        {
            return InvalidArg;
        }
        if (range.how == PropertyByDevice && range.object == 0)
        {
            for (Range& r : m_ranges)
            {
                r = Range{range.minimum, range.maximum};
            }
            return Ok;
        }
        const std::uint32_t axis = ObjectInstanceOf(range.object);
        if (range.how != PropertyById || (range.object & ObjectAxis) == 0 || axis >= AxisCount())
        {
            return InvalidArg;
        }
        m_ranges[axis] = Range{range.minimum, range.maximum};
        return Ok;
    }

    std::uint32_t AddRef() override { return ++m_refs; }

    std::uint32_t Release() override
    {
        const std::uint32_t count = --m_refs;
        if (count == 0)
        {
            delete this;
        }
        return count;
    }

    bool IsAcquired() const override { return m_acquired; }

private:
    struct Range
    {
        std::int32_t minimum;
        std::int32_t maximum;
    };

    ~SystemDevice() override
    {
        SetAcquired(false);
        if (m_joystick != nullptr)
        {
            SDL_JoystickClose(m_joystick);
        }
        if (m_kind == Kind::Controller)
        {
            ReleaseJoysticks();
        }
    }

    bool WindowAllows() const
    {
        return (m_flags & CooperativeForeground) == 0 || GetActiveWindow() == m_window;
    }

    // Ok when the state may be read; a device whose window stopped being active loses its acquisition.
    Result CheckReadable()
    {
        if (!m_acquired)
        {
            return NotAcquired;
        }
        if (!WindowAllows())
        {
            SetAcquired(false);
            return InputLost;
        }
        return Ok;
    }

    void SetAcquired(bool acquired)
    {
        if (m_acquired == acquired)
        {
            return;
        }
        m_acquired = acquired;
        if (m_kind == Kind::Mouse)
        {
            s_acquiredMice += acquired ? 1 : -1;
            if (acquired)
            {
                CollectMouseMovement(m_window);
            }
            else if (s_acquiredMice == 0)
            {
                CollectMouseMovement(nullptr);
            }
        }
    }

    std::uint32_t DeviceType() const
    {
        return m_kind == Kind::Keyboard ? DeviceTypeKeyboard
               : m_kind == Kind::Mouse  ? DeviceTypeMouse
                                        : DeviceTypeGamepad;
    }

    std::uint32_t AxisCount() const
    {
        return m_joystick == nullptr
                   ? 0
                   : std::min<std::uint32_t>(std::max(SDL_JoystickNumAxes(m_joystick), 0), kMaxAxes);
    }

    static void ReadMouse(MouseState& state)
    {
        const MouseMovement movement = TakeMouseMovement();
        state = MouseState{};
        state.x = movement.x;
        state.y = movement.y;
        state.wheel = movement.wheel;
        const std::uint32_t buttons = MouseButtonsDown();
        for (int i = 0; i < 5; ++i)
        {
            state.buttons[i] = (buttons & (1u << i)) != 0 ? 0x80 : 0;
        }
    }

    void ReadController(JoystickState& state) const
    {
        state = JoystickState{};
        std::int32_t* axes[kMaxAxes] = {&state.x,  &state.y,  &state.z,          &state.rx,
                                        &state.ry, &state.rz, &state.sliders[0], &state.sliders[1]};
        for (std::uint32_t axis = 0; axis < AxisCount(); ++axis) // axes the controller lacks stay 0
        {
            const Range& range = m_ranges[axis];
            const std::int64_t raw = SDL_JoystickGetAxis(m_joystick, static_cast<int>(axis));
            // -32768 .. 32767 onto the range, to the nearest integer.
            const double span = static_cast<double>(range.maximum) - range.minimum;
            *axes[axis] = static_cast<std::int32_t>(
                std::lround(range.minimum + static_cast<double>(raw + 32768) * span / 65535.0));
        }
        const int hats = std::min(std::max(SDL_JoystickNumHats(m_joystick), 0), static_cast<int>(kMaxPovs));
        for (int pov = 0; pov < static_cast<int>(kMaxPovs); ++pov)
        {
            state.povs[pov] = pov < hats ? PovOfHat(SDL_JoystickGetHat(m_joystick, pov)) : PovCentred;
        }
        const int buttons =
            std::min(std::max(SDL_JoystickNumButtons(m_joystick), 0), static_cast<int>(kMaxButtons));
        for (int button = 0; button < buttons; ++button)
        {
            state.buttons[button] = SDL_JoystickGetButton(m_joystick, button) != 0 ? 0x80 : 0;
        }
    }

    static inline int s_acquiredMice = 0;

    Kind m_kind;
    DeviceId m_id;
    SDL_Joystick* m_joystick; // a controller's
    bool m_formatSet = false;
    std::uint32_t m_flags = 0;
    WindowHandle m_window = nullptr;
    bool m_acquired = false;
    std::uint32_t m_refs = 1;
    Range m_ranges[kMaxAxes];
};

} // namespace

InputObject::~InputObject()
{
    ReleaseJoysticks();
}

Result InputObject::CreateDevice(const DeviceId& id, Device** device)
{
    *device = nullptr;
    if (id == SystemKeyboard)
    {
        *device = new SystemDevice(SystemDevice::Kind::Keyboard, id, nullptr);
        return Ok;
    }
    if (id == SystemMouse)
    {
        *device = new SystemDevice(SystemDevice::Kind::Mouse, id, nullptr);
        return Ok;
    }
    if (!IsControllerId(id))
    {
        return ClassNotRegistered;
    }
    const int index = IndexOfInstance(static_cast<SDL_JoystickID>(id.data1));
    if (index < 0 || index == s_failCreation)
    {
        return ClassNotRegistered;
    }
    SDL_Joystick* joystick = SDL_JoystickOpen(index);
    if (joystick == nullptr)
    {
        WriteDebugOutput(
            (std::string("Input: controller cannot be opened: ") + SDL_GetError() + "\n").c_str());
        return ClassNotRegistered;
    }
    *device = new SystemDevice(SystemDevice::Kind::Controller, id, joystick);
    return Ok;
}

Result InputObject::EnumDevices(std::uint32_t deviceClass, EnumCallback callback, void* context,
                                std::uint32_t)
{
    if (deviceClass != DeviceClassGameController || callback == nullptr)
    {
        return InvalidArg;
    }
    SDL_JoystickUpdate();
    const int count = SDL_NumJoysticks();
    for (int i = 0; i < count; ++i)
    {
        DeviceInstance instance;
        instance.instance = ControllerId(SDL_JoystickGetDeviceInstanceID(i));
        instance.name = SDL_JoystickNameForIndex(i);
        if (!callback(instance, context))
        {
            break;
        }
    }
    return Ok;
}

std::uint32_t InputObject::AddRef()
{
    return ++refs_;
}

std::uint32_t InputObject::Release()
{
    const std::uint32_t count = --refs_;
    if (count == 0)
    {
        delete this;
    }
    return count;
}

Result CreateInput(InstanceHandle, std::uint32_t version, InputObject** input)
{
    *input = nullptr;
    if (version != InputVersion)
    {
        return InvalidArg;
    }
    if (s_failInput || !HoldJoysticks())
    {
        return Fail;
    }
    *input = new InputObject();
    return Ok;
}

void FailInputCreation(bool fail)
{
    s_failInput = fail;
}

void FailControllerCreation(int index)
{
    s_failCreation = index;
}

void FailControllerDataFormat(int index)
{
    s_failFormat = index;
}

int AttachVirtualController(int axes, int buttons, int hats)
{
    if (!HoldJoysticks())
    {
        return -1;
    }
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, axes, buttons, hats);
    if (index < 0)
    {
        WriteDebugOutput((std::string("Input: no virtual controller: ") + SDL_GetError() + "\n").c_str());
        ReleaseJoysticks();
    }
    return index;
}

bool DetachVirtualController(int index)
{
    if (SDL_JoystickDetachVirtual(index) != 0)
    {
        return false;
    }
    ReleaseJoysticks();
    return true;
}

namespace
{

// Sets a value on a virtual controller through an opened handle (SDL keeps the value with the device).
template <typename Set> bool SetVirtual(int index, Set set)
{
    if (s_joystickUsers == 0)
    {
        return false;
    }
    SDL_Joystick* joystick = SDL_JoystickOpen(index);
    if (joystick == nullptr)
    {
        return false;
    }
    const bool ok = set(joystick) == 0;
    SDL_JoystickClose(joystick);
    return ok;
}

} // namespace

bool SetVirtualControllerAxis(int index, int axis, std::int16_t value)
{
    return SetVirtual(index, [&](SDL_Joystick* j) { return SDL_JoystickSetVirtualAxis(j, axis, value); });
}

bool SetVirtualControllerButton(int index, int button, bool down)
{
    return SetVirtual(index,
                      [&](SDL_Joystick* j) { return SDL_JoystickSetVirtualButton(j, button, down ? 1 : 0); });
}

bool SetVirtualControllerHat(int index, int hat, std::uint8_t value)
{
    return SetVirtual(index, [&](SDL_Joystick* j) { return SDL_JoystickSetVirtualHat(j, hat, value); });
}

int AttachedControllerCount()
{
    return s_joystickUsers > 0 ? SDL_NumJoysticks() : 0;
}

} // namespace Platform::Input
