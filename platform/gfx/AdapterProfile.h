#pragma once

#include "platform/gfx/Records.h"

#include <cstdint>
#include <vector>

namespace Platform::Gfx
{

// Everything the layer reports about one adapter: what OpenGL and SDL said, changed by the
// description of a simulated adapter where a test gave one.
struct AdapterProfile
{
    Caps caps;
    AdapterIdentifier identifier;
    int display = 0;                         // SDL display whose modes and monitor the adapter reports
    std::vector<std::uint32_t> depthFormats; // formats a depth-stencil surface may have
    std::uint32_t multiSampleLevels = 0;     // non-maskable quality levels (sample counts 2, 4, 8, 16)
    std::uint32_t maxSamples = 0;            // OpenGL's limit
};

} // namespace Platform::Gfx
