#pragma once

#include "platform/input/InputDevices.h"

#include <cstdint>
#include <vector>

// The keyboard, mouse and game-controller wrappers the input manager polls once per frame. Each wraps a
// platform device that the engine made, acquires on activation and unacquires on deactivation; the
// wrappers never release it. A wrapper without a device reports nothing: no keys or buttons down, axes 0.
// A read that fails (the window is inactive) leaves that frame's state all up.
namespace GameLib
{

// {current, previous} of one button, each 0 or 1.
struct TButtonPair
{
    std::uint8_t current = 0;
    std::uint8_t previous = 0;
};

class CKeyboardDevice
{
public:
    explicit CKeyboardDevice(Platform::Input::Device* device);

    // Swaps this and the previous frame's key states, reads the device (re-acquiring once when the read
    // fails), reads the lock toggles and adds the step (seconds) to the held time of every key down.
    void Poll(float timeStep);
    // Held time += step for keys down, 0 for keys up.
    void UpdateHeldTimes(float timeStep);

    bool IsAnyKeyDown() const;
    // Down now and up in the previous frame. Key codes are Platform::Input::KeyCode.
    bool WasKeyPressed(std::uint8_t key) const;
    bool IsKeyDown(std::uint8_t key) const { return (m_current[key] & 0x80) != 0; }
    bool WasKeyDown(std::uint8_t key) const { return (m_previous[key] & 0x80) != 0; }
    // Seconds the key has been down, counting this frame's step; 0 while up.
    float GetHeldTime(std::uint8_t key) const { return m_heldTimes[key]; }

    bool IsScrollLockOn() const { return m_scrollLock != 0; }
    bool IsCapsLockOn() const { return m_capsLock != 0; }
    bool IsNumLockOn() const { return m_numLock != 0; }

private:
    Platform::Input::Device* m_device;
    float m_heldTimes[256] = {};
    std::uint8_t m_buffers[2][256] = {};
    std::uint8_t* m_current = m_buffers[0];
    std::uint8_t* m_previous = m_buffers[1];
    std::uint8_t m_scrollLock = 0;
    std::uint8_t m_capsLock = 0;
    std::uint8_t m_numLock = 0;
};

class CMouseDevice
{
public:
    // Asks the device for its axis and button counts; one button pair per button.
    explicit CMouseDevice(Platform::Input::Device* device);

    void Poll();

    bool IsAnyButtonDown() const;
    // Movement of this frame: 0 x, 1 y, 2 wheel (120 per notch); 0 for other indexes.
    std::int32_t GetAxis(int index) const;
    // This frame's button bytes (bit 7 down), 8 of them.
    const Platform::Input::MouseState& GetState() const { return m_state; }
    // The device's buttons (the pairs' count), at most 8 of them are read.
    int GetButtonCount() const { return static_cast<int>(m_buttons.size()); }
    const TButtonPair& GetButtonPair(int index) const { return m_buttons[static_cast<std::size_t>(index)]; }

private:
    Platform::Input::Device* m_device;
    Platform::Input::MouseState m_state;
    std::uint32_t m_axisCount = 0;
    std::uint32_t m_buttonCount = 0;
    std::vector<TButtonPair> m_buttons;
};

class CJoystickDevice
{
public:
    // Reads the instance record and the capabilities, sets every axis's range to -129 .. 128, and makes
    // max(axes, 8) axis records and max(buttons, 12) button pairs.
    explicit CJoystickDevice(Platform::Input::Device* device);

    void Poll();

    bool IsAnyButtonDown() const;
    // Pair {1, 0} / {0, 1}; false for an index outside the pairs.
    bool WasButtonPressed(int index) const;
    bool WasButtonReleased(int index) const;
    // Axes 0 .. 7: x, y, z, rx, ry, rz, slider 1, slider 2, about -1 .. 1 after the dead zone; other
    // indexes 0.
    float GetAxis(int index) const;
    // The reading of a raw value (-129 .. 128): 0 until the axis's first non-zero reading, then
    // raw / 128 with |value| below the dead zone read as 0.
    float GetAxisValue(int index, std::int32_t raw) const;

    const Platform::Input::JoystickState& GetState() const { return m_state; }
    const Platform::Input::DeviceCaps& GetCapabilities() const { return m_caps; }
    const Platform::Input::DeviceInstanceRecord& GetInstance() const { return m_instance; }
    int GetAxisRecordCount() const { return static_cast<int>(m_axisLive.size()); }
    int GetButtonPairCount() const { return static_cast<int>(m_buttons.size()); }
    const TButtonPair& GetButtonPair(int index) const { return m_buttons[static_cast<std::size_t>(index)]; }

private:
    Platform::Input::Device* m_device;
    Platform::Input::DeviceCaps m_caps;
    Platform::Input::DeviceInstanceRecord m_instance;
    Platform::Input::JoystickState m_state;
    // Whether each axis has given a non-zero reading; set by the const reading, as the value it gives
    // depends on it for good.
    mutable std::vector<std::uint8_t> m_axisLive;
    float m_deadZone = 0.03f;
    std::vector<TButtonPair> m_buttons;
};

} // namespace GameLib
