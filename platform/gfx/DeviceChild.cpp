#include "platform/gfx/DeviceChild.h"

#include "platform/gfx/Device.h"

namespace Platform::Gfx
{

DeviceChild::DeviceChild(Device& device, bool ownedByDevice) : device_(&device), ownedByDevice_(ownedByDevice)
{
    if (!ownedByDevice_)
    {
        device_->Hold();
    }
    device_->RegisterChild(this);
}

DeviceChild::~DeviceChild()
{
    device_->UnregisterChild(this);
    if (!ownedByDevice_)
    {
        device_->Drop();
    }
}

Result DeviceChild::GetDevice(Device** device)
{
    if (!device)
    {
        return InvalidCall;
    }
    device_->AddRef();
    *device = device_;
    return Ok;
}

} // namespace Platform::Gfx
