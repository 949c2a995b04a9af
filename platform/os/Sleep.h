#pragma once

#include <cstdint>

namespace Platform
{

// Blocks the calling thread for at least the given number of milliseconds (0 yields).
void Sleep(std::uint32_t milliseconds);

} // namespace Platform
