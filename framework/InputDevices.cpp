#include "framework/InputDevices.h"

#include "platform/os/KeyState.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace GameLib
{

namespace
{

using Platform::Input::Device;
using Platform::Input::Result;

// After a failed read: Acquire, again while it answers "input lost", at most 5 calls in all. True when
// the last call succeeded, so the state may be read once more.
bool Reacquire(Device* device)
{
    Result result = Platform::Input::InputLost;
    for (int calls = 0; calls < 5 && result == Platform::Input::InputLost; ++calls)
    {
        result = device->Acquire();
    }
    return result >= 0;
}

// Poll, recovery and read of the mouse and the controllers; the state stays cleared when they fail.
template <typename State> void PollAndRead(Device* device, State& state)
{
    state = State{};
    bool readable = device->Poll() >= 0;
    if (!readable && Reacquire(device))
    {
        readable = device->Poll() >= 0;
    }
    if (readable && device->GetDeviceState(sizeof(State), &state) < 0)
    {
        state = State{};
    }
}

void UpdatePairs(std::vector<TButtonPair>& pairs, std::uint32_t count, const std::uint8_t* bytes)
{
    for (std::uint32_t i = 0; i < count && i < pairs.size(); ++i)
    {
        pairs[i].previous = pairs[i].current;
        pairs[i].current = (bytes[i] & 0x80) != 0 ? 1 : 0;
    }
}

} // namespace

// --- Keyboard ---

CKeyboardDevice::CKeyboardDevice(Device* device) : m_device(device) {}

void CKeyboardDevice::Poll(float timeStep)
{
    std::swap(m_current, m_previous);
    std::memset(m_current, 0, 256);
    if (m_device != nullptr && m_device->GetDeviceState(256, m_current) < 0)
    {
        std::memset(m_current, 0, 256);
        if (Reacquire(m_device) && m_device->GetDeviceState(256, m_current) < 0)
        {
            std::memset(m_current, 0, 256);
        }
    }
    m_scrollLock = (Platform::GetKeyState(Platform::VK_SCROLL) & 1) != 0 ? 1 : 0;
    m_capsLock = (Platform::GetKeyState(Platform::VK_CAPITAL) & 1) != 0 ? 1 : 0;
    m_numLock = (Platform::GetKeyState(Platform::VK_NUMLOCK) & 1) != 0 ? 1 : 0;
    UpdateHeldTimes(timeStep);
}

void CKeyboardDevice::UpdateHeldTimes(float timeStep)
{
    for (int key = 0; key < 256; ++key)
    {
        m_heldTimes[key] = (m_current[key] & 0x80) != 0 ? m_heldTimes[key] + timeStep : 0.0f;
    }
}

bool CKeyboardDevice::IsAnyKeyDown() const
{
    return std::any_of(m_current, m_current + 256, [](std::uint8_t b) { return (b & 0x80) != 0; });
}

bool CKeyboardDevice::WasKeyPressed(std::uint8_t key) const
{
    return IsKeyDown(key) && !WasKeyDown(key);
}

// --- Mouse ---

CMouseDevice::CMouseDevice(Device* device) : m_device(device)
{
    if (m_device != nullptr)
    {
        Platform::Input::DeviceCaps caps;
        caps.size = Platform::Input::DeviceCapsSize;
        if (m_device->GetCapabilities(&caps) >= 0)
        {
            m_axisCount = caps.axes;
            m_buttonCount = caps.buttons;
        }
    }
    m_buttons.resize(m_buttonCount);
}

void CMouseDevice::Poll()
{
    m_state = Platform::Input::MouseState{};
    if (m_device == nullptr)
    {
        return;
    }
    PollAndRead(m_device, m_state);
    UpdatePairs(m_buttons, std::min<std::uint32_t>(m_buttonCount, 8), m_state.buttons);
}

bool CMouseDevice::IsAnyButtonDown() const
{
    const std::uint32_t count = std::min<std::uint32_t>(m_buttonCount, 8);
    return std::any_of(m_state.buttons, m_state.buttons + count,
                       [](std::uint8_t b) { return (b & 0x80) != 0; });
}

std::int32_t CMouseDevice::GetAxis(int index) const
{
    switch (index)
    {
    case 0:
        return m_state.x;
    case 1:
        return m_state.y;
    case 2:
        return m_state.wheel;
    default:
        return 0;
    }
}

// --- Game controller ---

namespace
{

bool SetAxisRange(const Platform::Input::ObjectInstance& object, void* context)
{
    if ((object.type & Platform::Input::ObjectAxis) != 0)
    {
        Platform::Input::PropertyRange range;
        range.object = object.type;
        range.how = Platform::Input::PropertyById;
        range.minimum = -129;
        range.maximum = 128;
        static_cast<Device*>(context)->SetProperty(Platform::Input::Property::Range, range);
    }
    return true;
}

} // namespace

CJoystickDevice::CJoystickDevice(Device* device) : m_device(device)
{
    if (m_device != nullptr)
    {
        m_instance.size = Platform::Input::DeviceInstanceRecordSize;
        if (m_device->GetDeviceInfo(&m_instance) < 0)
        {
            m_instance = Platform::Input::DeviceInstanceRecord{};
        }
        m_caps.size = Platform::Input::DeviceCapsSize;
        if (m_device->GetCapabilities(&m_caps) < 0)
        {
            m_caps = Platform::Input::DeviceCaps{};
        }
    }
    m_axisLive.assign(std::max<std::uint32_t>(m_caps.axes, 8), 0);
    if (m_device != nullptr)
    {
        m_device->EnumObjects(&SetAxisRange, m_device, Platform::Input::ObjectAxis);
    }
    m_buttons.resize(std::max<std::uint32_t>(m_caps.buttons, 12));
}

void CJoystickDevice::Poll()
{
    m_state = Platform::Input::JoystickState{};
    if (m_device == nullptr)
    {
        return;
    }
    PollAndRead(m_device, m_state);
    UpdatePairs(m_buttons, std::min<std::uint32_t>(m_caps.buttons, 128), m_state.buttons);
}

bool CJoystickDevice::IsAnyButtonDown() const
{
    const std::uint32_t count = std::min<std::uint32_t>(m_caps.buttons, 128);
    return std::any_of(m_state.buttons, m_state.buttons + count,
                       [](std::uint8_t b) { return (b & 0x80) != 0; });
}

bool CJoystickDevice::WasButtonPressed(int index) const
{
    return index >= 0 && index < GetButtonPairCount() && m_buttons[index].current == 1 &&
           m_buttons[index].previous == 0;
}

bool CJoystickDevice::WasButtonReleased(int index) const
{
    return index >= 0 && index < GetButtonPairCount() && m_buttons[index].current == 0 &&
           m_buttons[index].previous == 1;
}

float CJoystickDevice::GetAxis(int index) const
{
    const std::int32_t raws[8] = {m_state.x,  m_state.y,  m_state.z,          m_state.rx,
                                  m_state.ry, m_state.rz, m_state.sliders[0], m_state.sliders[1]};
    return index >= 0 && index < 8 ? GetAxisValue(index, raws[index]) : 0.0f;
}

float CJoystickDevice::GetAxisValue(int index, std::int32_t raw) const
{
    if (m_device == nullptr || index < 0 || index >= GetAxisRecordCount())
    {
        return 0.0f;
    }
    if (m_axisLive[index] == 0)
    {
        if (raw == 0)
        {
            return 0.0f;
        }
        m_axisLive[index] = 1;
    }
    const float value = static_cast<float>(raw) * 0.0078125f;
    return std::fabs(value) < m_deadZone ? 0.0f : value;
}

} // namespace GameLib
