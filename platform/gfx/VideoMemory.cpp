#include "platform/gfx/VideoMemory.h"

#include "platform/gfx/Device.h"

#include <epoxy/gl.h>

namespace Platform::Gfx
{

namespace
{
// The extension's queries, in kibibytes.
constexpr GLenum kTotalAvailableMemory = 0x9048;
constexpr GLenum kCurrentAvailableMemory = 0x9049;
} // namespace

bool QueryVideoMemory(Device* device, std::uint64_t* total, std::uint64_t* available)
{
    if (device == nullptr || total == nullptr || available == nullptr)
    {
        return false;
    }
    device->MakeCurrent();
    if (!epoxy_has_gl_extension("GL_NVX_gpu_memory_info"))
    {
        return false;
    }
    GLint totalKiB = 0;
    GLint freeKiB = 0;
    glGetIntegerv(kTotalAvailableMemory, &totalKiB);
    glGetIntegerv(kCurrentAvailableMemory, &freeKiB);
    if (totalKiB <= 0)
    {
        return false;
    }
    *total = static_cast<std::uint64_t>(totalKiB) * 1024u;
    *available = static_cast<std::uint64_t>(freeKiB > 0 ? freeKiB : 0) * 1024u;
    return true;
}

} // namespace Platform::Gfx
