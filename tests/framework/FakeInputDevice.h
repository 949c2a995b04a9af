#pragma once

#include "platform/input/InputDevices.h"

#include <cstring>
#include <vector>

// A scripted input device: the state it hands out, the results it answers and the calls it got.
namespace InputTest
{

using namespace Platform::Input;

class FakeInputDevice final : public Device
{
public:
    // Bytes GetDeviceState copies (256 for a keyboard, a MouseState or a JoystickState).
    std::vector<std::uint8_t> state;
    DeviceCaps caps;
    const char* name = "Fake pad";
    Result readResult = Ok;    // of GetDeviceState and Poll
    Result acquireResult = Ok; // of Acquire
    // Results of the reads after an Acquire that succeeded (then readResult again).
    Result readAfterAcquire = Ok;
    int acquireCalls = 0;
    int pollCalls = 0;
    int readCalls = 0;
    std::vector<PropertyRange> ranges; // SetProperty calls
    bool stopEnumerationAfterFirst = false;

    explicit FakeInputDevice(std::size_t stateSize) : state(stateSize, 0) {}
    ~FakeInputDevice() override = default;

    void SetKey(std::uint8_t key, bool down) { state[key] = down ? 0x80 : 0; }
    template <typename T>
    T& StateAs()
    {
        return *reinterpret_cast<T*>(state.data());
    }

    Result SetDataFormat(DataFormat) override { return Ok; }
    Result SetCooperativeLevel(Platform::WindowHandle, std::uint32_t) override { return Ok; }
    Result Acquire() override
    {
        ++acquireCalls;
        if (acquireResult >= 0)
        {
            m_recovered = true;
        }
        return acquireResult;
    }
    Result Unacquire() override { return Ok; }
    Result Poll() override
    {
        ++pollCalls;
        return CurrentReadResult() < 0 ? CurrentReadResult() : NoEffect;
    }
    Result GetDeviceState(std::uint32_t size, void* data) override
    {
        ++readCalls;
        const Result result = CurrentReadResult();
        m_recovered = false;
        if (result < 0)
        {
            return result;
        }
        if (size != state.size())
        {
            return InvalidArg;
        }
        std::memcpy(data, state.data(), size);
        return Ok;
    }
    Result GetCapabilities(DeviceCaps* out) override
    {
        if (out->size != DeviceCapsSize)
        {
            return InvalidArg;
        }
        *out = caps;
        out->size = DeviceCapsSize;
        return Ok;
    }
    Result GetDeviceInfo(DeviceInstanceRecord* out) override
    {
        if (out->size != DeviceInstanceRecordSize)
        {
            return InvalidArg;
        }
        *out = DeviceInstanceRecord{};
        out->size = DeviceInstanceRecordSize;
        std::strcpy(out->productName, name);
        return Ok;
    }
    Result EnumObjects(ObjectCallback callback, void* context, std::uint32_t flags) override
    {
        for (std::uint32_t axis = 0; axis < caps.axes && (flags & ObjectAxis) != 0; ++axis)
        {
            ObjectInstance object;
            object.type = ObjectTypeWord(ObjectAbsoluteAxis, axis);
            if (!callback(object, context) || stopEnumerationAfterFirst)
            {
                break;
            }
        }
        return Ok;
    }
    Result SetProperty(Property, const PropertyRange& range) override
    {
        ranges.push_back(range);
        return Ok;
    }
    std::uint32_t AddRef() override { return 1; }
    std::uint32_t Release() override { return 1; }
    bool IsAcquired() const override { return readResult >= 0; }

private:
    Result CurrentReadResult() const { return m_recovered ? readAfterAcquire : readResult; }
    bool m_recovered = false;
};

} // namespace InputTest
