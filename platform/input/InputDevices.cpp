#include "platform/input/InputDevices.h"

#include "platform/os/DebugOutput.h"

#include <SDL.h>

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
    return id.data2 == 0x4A53 && id.data3 == 0x5444 && id == ControllerId(static_cast<SDL_JoystickID>(id.data1));
}

bool HoldJoysticks()
{
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

} // namespace

Device::Device(Kind kind, const DeviceId& id, void* joystick) : kind_(kind), id_(id), joystick_(joystick)
{
    if (kind_ == Kind::Controller)
    {
        HoldJoysticks();
    }
}

Device::~Device()
{
    if (joystick_ != nullptr)
    {
        SDL_JoystickClose(static_cast<SDL_Joystick*>(joystick_));
    }
    if (kind_ == Kind::Controller)
    {
        ReleaseJoysticks();
    }
}

Result Device::SetDataFormat(DataFormat format)
{
    const bool fits = (kind_ == Kind::Keyboard && format == DataFormat::Keyboard) ||
                      (kind_ == Kind::Mouse && format == DataFormat::Mouse) ||
                      (kind_ == Kind::Controller && format == DataFormat::Joystick);
    if (!fits)
    {
        return InvalidArg;
    }
    if (kind_ == Kind::Controller && s_failFormat >= 0 && joystick_ != nullptr &&
        IndexOfInstance(SDL_JoystickInstanceID(static_cast<SDL_Joystick*>(joystick_))) == s_failFormat)
    {
        return InvalidArg;
    }
    formatSet_ = true;
    return Ok;
}

Result Device::SetCooperativeLevel(WindowHandle window, std::uint32_t flags)
{
    const std::uint32_t mode = flags & (CooperativeExclusive | CooperativeNonExclusive);
    const std::uint32_t scope = flags & (CooperativeForeground | CooperativeBackground);
    if ((mode != CooperativeExclusive && mode != CooperativeNonExclusive) ||
        (scope != CooperativeForeground && scope != CooperativeBackground) ||
        (window == nullptr && scope == CooperativeForeground))
    {
        return InvalidArg;
    }
    flags_ = flags;
    window_ = window;
    return Ok;
}

Result Device::Acquire()
{
    if (!formatSet_)
    {
        return NotInitialized;
    }
    if ((flags_ & CooperativeForeground) != 0 && GetActiveWindow() != window_)
    {
        return OtherHasPriority;
    }
    if (acquired_)
    {
        return 1; // already acquired
    }
    acquired_ = true;
    return Ok;
}

Result Device::Unacquire()
{
    if (!acquired_)
    {
        return 1;
    }
    acquired_ = false;
    return Ok;
}

std::uint32_t Device::AddRef()
{
    return ++refs_;
}

std::uint32_t Device::Release()
{
    const std::uint32_t count = --refs_;
    if (count == 0)
    {
        delete this;
    }
    return count;
}

InputObject::~InputObject()
{
    ReleaseJoysticks();
}

Result InputObject::CreateDevice(const DeviceId& id, Device** device)
{
    *device = nullptr;
    if (id == SystemKeyboard)
    {
        *device = new Device(Device::Kind::Keyboard, id, nullptr);
        return Ok;
    }
    if (id == SystemMouse)
    {
        *device = new Device(Device::Kind::Mouse, id, nullptr);
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
        WriteDebugOutput((std::string("Input: controller cannot be opened: ") + SDL_GetError() + "\n").c_str());
        return ClassNotRegistered;
    }
    *device = new Device(Device::Kind::Controller, id, joystick);
    return Ok;
}

Result InputObject::EnumDevices(std::uint32_t deviceClass, EnumCallback callback, void* context, std::uint32_t)
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

int AttachVirtualController()
{
    if (!HoldJoysticks())
    {
        return -1;
    }
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 15, 1);
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

int AttachedControllerCount()
{
    return s_joystickUsers > 0 ? SDL_NumJoysticks() : 0;
}

} // namespace Platform::Input
