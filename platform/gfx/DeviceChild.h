#pragma once

#include "platform/gfx/CountedObject.h"
#include "platform/gfx/Results.h"

#include <cstdint>
#include <string>

namespace Platform::Gfx
{

class Device;

// An object made by a device: surfaces, swap chains, and the resources built on them. It keeps
// its device alive (an internal reference) unless the device owns it, and is listed with the device
// so that a reset can name what still blocks it.
class DeviceChild : public CountedObject
{
public:
    // Adds a reference to the device.
    Result GetDevice(Device** device);

    // The device, without a reference.
    Device& OwnerDevice() const { return *device_; }

    // Short text naming the object in traces, such as "render target 64x48 format 21".
    virtual std::string Describe() const = 0;

    // True while this object, still referenced from outside the device, keeps a reset from
    // going ahead.
    virtual bool BlocksReset() const = 0;

    // Frees the object's OpenGL storage; the device's context is current. Called by the destructor
    // and when the device's context goes while the object lives on.
    virtual void FreeGlObjects() {}

protected:
    // ownedByDevice: the device holds this object and it must not hold the device in return.
    DeviceChild(Device& device, bool ownedByDevice);
    ~DeviceChild() override;

private:
    Device* device_;
    bool ownedByDevice_;
};

} // namespace Platform::Gfx
