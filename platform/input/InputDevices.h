#pragma once

#include "platform/os/Window.h"

#include <cstdint>
#include <vector>

// The input object and its devices (keyboard, mouse, game controllers) over SDL2: made, given a data
// format and a cooperative level, acquired while the program's window is active, released. Results
// keep the numbers callers compare. Every call runs on the thread that runs the windows.
namespace Platform::Input
{

using Result = std::int32_t;

constexpr Result Ok = 0;
constexpr Result ClassNotRegistered = static_cast<Result>(0x80040154u); // no device of that identifier
constexpr Result InvalidArg = static_cast<Result>(0x80070057u);
constexpr Result OtherHasPriority = static_cast<Result>(0x80070005u); // not acquired: window not active
constexpr Result NotInitialized = static_cast<Result>(0x80070015u);
constexpr Result Fail = static_cast<Result>(0x80004005u);

// The version the engine asks for.
constexpr std::uint32_t InputVersion = 0x800;

// A 16-byte device identifier.
struct DeviceId
{
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::uint8_t data4[8] = {};

    bool operator==(const DeviceId&) const = default;
};

// The system keyboard and the system mouse.
extern const DeviceId SystemKeyboard;
extern const DeviceId SystemMouse;

// Cooperative-level bits: exactly one of exclusive and non-exclusive, and one of foreground and background.
constexpr std::uint32_t CooperativeExclusive = 0x1;
constexpr std::uint32_t CooperativeNonExclusive = 0x2;
constexpr std::uint32_t CooperativeForeground = 0x4;
constexpr std::uint32_t CooperativeBackground = 0x8;

// The three data formats a device can report in.
enum class DataFormat
{
    Keyboard, // 256 key bytes
    Mouse,    // axes and 8 buttons
    Joystick, // axes, hats and 128 buttons
};

// Device classes for the enumeration, and its flag.
constexpr std::uint32_t DeviceClassGameController = 4;
constexpr std::uint32_t EnumAttachedOnly = 1;

// One attached controller as the enumeration reports it.
struct DeviceInstance
{
    DeviceId instance; // stable while the controller stays attached
    const char* name = nullptr;
};

class Device
{
public:
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    // InvalidArg for a format that does not fit the device's kind (a value outside the three included).
    Result SetDataFormat(DataFormat format);
    // InvalidArg unless the flags name exactly one mode of each pair; a null window is accepted only
    // for background devices.
    Result SetCooperativeLevel(WindowHandle window, std::uint32_t flags);
    // NotInitialized before a data format is set; OtherHasPriority for a foreground device while its
    // window is not the program's active window.
    Result Acquire();
    // False (1) when the device was not acquired.
    Result Unacquire();
    // The new count; the device goes at 0.
    std::uint32_t AddRef();
    std::uint32_t Release();

    bool IsAcquired() const { return acquired_; }
    const DeviceId& Id() const { return id_; }

private:
    friend class InputObject;
    enum class Kind
    {
        Keyboard,
        Mouse,
        Controller
    };
    Device(Kind kind, const DeviceId& id, void* joystick);
    ~Device();

    Kind kind_;
    DeviceId id_;
    void* joystick_; // SDL's joystick of a controller
    bool formatSet_ = false;
    std::uint32_t flags_ = 0;
    WindowHandle window_ = nullptr;
    bool acquired_ = false;
    std::uint32_t refs_ = 1;
};

using EnumCallback = bool (*)(const DeviceInstance& instance, void* context); // false stops

class InputObject
{
public:
    InputObject(const InputObject&) = delete;
    InputObject& operator=(const InputObject&) = delete;

    // The keyboard, the mouse or an attached controller; ClassNotRegistered for any other identifier.
    Result CreateDevice(const DeviceId& id, Device** device);
    // Calls back once per attached controller until the callback answers false. InvalidArg for another
    // class.
    Result EnumDevices(std::uint32_t deviceClass, EnumCallback callback, void* context, std::uint32_t flags);
    std::uint32_t AddRef();
    std::uint32_t Release();

private:
    friend Result CreateInput(InstanceHandle, std::uint32_t, InputObject**);
    InputObject() = default;
    ~InputObject();

    std::uint32_t refs_ = 1;
};

// Makes the input object (starts SDL's joystick support). InvalidArg for another version; Fail when the
// joystick support cannot start or a test asked for a failure.
Result CreateInput(InstanceHandle instance, std::uint32_t version, InputObject** input);

// --- For tests ---

// Makes the next input-object creations fail (until switched off).
void FailInputCreation(bool fail);
// Makes the controller at that enumeration index refuse creation, or refuse its data format; -1: none.
void FailControllerCreation(int index);
void FailControllerDataFormat(int index);
// Attaches a virtual controller (needs an input object or SDL joystick support started); returns its
// enumeration index or -1. Detaching takes that index.
int AttachVirtualController();
bool DetachVirtualController(int index);
int AttachedControllerCount();

} // namespace Platform::Input
