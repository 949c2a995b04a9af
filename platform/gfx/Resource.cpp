#include "platform/gfx/Resource.h"

#include "platform/gfx/Constants.h"

namespace Platform::Gfx
{

Resource::Resource(Device& device, std::uint32_t type, std::uint32_t usage, std::uint32_t pool)
    : DeviceChild(device, false), type_(type), usage_(usage), pool_(pool)
{}

bool Resource::BlocksReset() const
{
    return pool_ == Pool::Default && RefCount() > 0;
}

} // namespace Platform::Gfx
