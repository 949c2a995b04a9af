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
constexpr Result NoEffect = 1; // a success that changed nothing
constexpr Result NotAcquired = static_cast<Result>(0x8007000Cu);
constexpr Result InputLost = static_cast<Result>(0x8007001Eu);
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

// What a device reports about itself (44 bytes, as the size field must say).
struct DeviceCaps
{
    std::uint32_t size = 0;
    std::uint32_t flags = 0; // DeviceAttached
    std::uint32_t deviceType = 0;
    std::uint32_t axes = 0;
    std::uint32_t buttons = 0;
    std::uint32_t povs = 0; // points of view (hats)
    std::uint32_t forceSamplePeriod = 0;
    std::uint32_t forceMinResolution = 0;
    std::uint32_t firmwareRevision = 0;
    std::uint32_t hardwareRevision = 0;
    std::uint32_t forceDriverVersion = 0;
};
static_assert(sizeof(DeviceCaps) == 44);
constexpr std::uint32_t DeviceCapsSize = 44;
constexpr std::uint32_t DeviceAttached = 0x1;

// Device types in the capabilities and the instance record.
constexpr std::uint32_t DeviceTypeMouse = 0x12;
constexpr std::uint32_t DeviceTypeKeyboard = 0x13;
constexpr std::uint32_t DeviceTypeGamepad = 0x15;

// A device's instance record (580 bytes, as the size field must say).
struct DeviceInstanceRecord
{
    std::uint32_t size = 0;
    DeviceId instance;
    DeviceId product;
    std::uint32_t deviceType = 0;
    char instanceName[260] = {};
    char productName[260] = {};
    DeviceId forceDriver;
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
};
static_assert(sizeof(DeviceInstanceRecord) == 580);
constexpr std::uint32_t DeviceInstanceRecordSize = 580;

// Object type words: the kind in the low byte, the object's instance number in bits 8..23.
constexpr std::uint32_t ObjectRelativeAxis = 0x1;
constexpr std::uint32_t ObjectAbsoluteAxis = 0x2;
constexpr std::uint32_t ObjectAxis = ObjectRelativeAxis | ObjectAbsoluteAxis; // EnumObjects flags: every axis
constexpr std::uint32_t ObjectTypeWord(std::uint32_t kind, std::uint32_t instance)
{
    return kind | ((instance & 0xFFFF) << 8);
}
constexpr std::uint32_t ObjectInstanceOf(std::uint32_t type)
{
    return (type >> 8) & 0xFFFF;
}

// One object of a device as EnumObjects reports it.
struct ObjectInstance
{
    std::uint32_t offset = 0; // of its value in the device's state
    std::uint32_t type = 0;   // ObjectTypeWord
    char name[260] = {};
};
using ObjectCallback = bool (*)(const ObjectInstance& object, void* context); // false stops

// The range an absolute axis reports in, for SetProperty.
constexpr std::uint32_t PropertyByDevice = 0; // every axis; object 0
constexpr std::uint32_t PropertyById = 2;     // the axis whose type word is the object
enum class Property
{
    Range = 4
};
struct PropertyRange
{
    std::uint32_t object = 0;
    std::uint32_t how = PropertyById;
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
};

// A mouse reading (20 bytes): movement since the last reading, 120 per wheel notch (positive away from
// the user), buttons left, right, middle, X1, X2 with bit 7 down.
struct MouseState
{
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t wheel = 0;
    std::uint8_t buttons[8] = {};
};
static_assert(sizeof(MouseState) == 20);

// A game-controller reading (272 bytes): axes in their ranges, points of view (0xFFFFFFFF centred, else
// hundredths of degrees clockwise from up), buttons with bit 7 down; the rest is zero.
struct JoystickState
{
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t z = 0;
    std::int32_t rx = 0;
    std::int32_t ry = 0;
    std::int32_t rz = 0;
    std::int32_t sliders[2] = {};
    std::uint32_t povs[4] = {};
    std::uint8_t buttons[128] = {};
    std::int32_t unused[24] = {}; // velocities, accelerations and forces
};
static_assert(sizeof(JoystickState) == 272);
constexpr std::uint32_t PovCentred = 0xFFFFFFFF;

// One input device. An interface, so that code above the layer can be handed other implementations
// (tests give scripted ones). Reads of a device that is not acquired answer NotAcquired; a foreground
// device whose window stopped being the active one answers InputLost once and is unacquired from then on.
class Device
{
public:
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    // InvalidArg for a format that does not fit the device's kind.
    virtual Result SetDataFormat(DataFormat format) = 0;
    // InvalidArg unless the flags name exactly one mode of each pair; a null window is accepted only
    // for background devices. Exclusive modes are recorded and act as non-exclusive.
    virtual Result SetCooperativeLevel(WindowHandle window, std::uint32_t flags) = 0;
    // NotInitialized before a data format is set; OtherHasPriority for a foreground device while its
    // window is not the program's active window; NoEffect when already acquired.
    virtual Result Acquire() = 0;
    // Always succeeds: NoEffect when the device was not acquired.
    virtual Result Unacquire() = 0;
    // Brings a controller's state up to date; NoEffect while acquired.
    virtual Result Poll() = 0;
    // Copies the device's state (256 key bytes, MouseState or JoystickState); InvalidArg for another size.
    virtual Result GetDeviceState(std::uint32_t size, void* data) = 0;
    // InvalidArg unless the record's size field is DeviceCapsSize / DeviceInstanceRecordSize.
    virtual Result GetCapabilities(DeviceCaps* caps) = 0;
    virtual Result GetDeviceInfo(DeviceInstanceRecord* info) = 0;
    // Calls back once per object of the kinds in flags (ObjectAxis: the axes) until the callback answers
    // false.
    virtual Result EnumObjects(ObjectCallback callback, void* context, std::uint32_t flags) = 0;
    // Range of a controller's axis; InvalidArg for an object that is no axis of the device.
    virtual Result SetProperty(Property property, const PropertyRange& range) = 0;
    // The new count; the device goes at 0.
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;

    virtual bool IsAcquired() const = 0;

protected:
    Device() = default;
    virtual ~Device() = default;
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
int AttachVirtualController(int axes = 6, int buttons = 15, int hats = 1);
// Sets a virtual controller's axis (-32768 .. 32767), button or hat (bits 1 up, 2 right, 4 down, 8 left),
// seen by its device from the next Poll.
bool SetVirtualControllerAxis(int index, int axis, std::int16_t value);
bool SetVirtualControllerButton(int index, int button, bool down);
bool SetVirtualControllerHat(int index, int hat, std::uint8_t value);
bool DetachVirtualController(int index);
int AttachedControllerCount();

} // namespace Platform::Input
