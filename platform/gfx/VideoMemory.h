#pragma once

#include <cstdint>

namespace Platform::Gfx
{

class Device;

// Total and currently free video memory in bytes, best effort: read from the OpenGL driver where it
// offers an extension that reports both (GL_NVX_gpu_memory_info). False, with both left untouched,
// when the driver reports none (Mesa's llvmpipe, for one) or a total of 0. Device's thread only.
bool QueryVideoMemory(Device* device, std::uint64_t* total, std::uint64_t* available);

} // namespace Platform::Gfx
