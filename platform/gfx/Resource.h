#pragma once

#include "platform/gfx/DeviceChild.h"

#include <cstdint>

namespace Platform::Gfx
{

// A resource of the device: a texture or a vertex or index buffer. Its pool says where it lives;
// default-pool resources must be released before the device can be reset.
class Resource : public DeviceChild
{
public:
    std::uint32_t GetType() const { return type_; }
    std::uint32_t GetPool() const { return pool_; }
    std::uint32_t GetUsage() const { return usage_; }

    // Uploads whatever was written to the resource's memory copy and not yet handed to OpenGL.
    virtual void PreLoad() {}

    bool BlocksReset() const override;

protected:
    Resource(Device& device, std::uint32_t type, std::uint32_t usage, std::uint32_t pool);

private:
    std::uint32_t type_;
    std::uint32_t usage_;
    std::uint32_t pool_;
};

} // namespace Platform::Gfx
