#pragma once

#include <functional>
#include <string_view>

// Trace lines of the device layer (refused calls, objects that block a reset, states it cannot
// apply). They go to standard error unless a sink is installed.
namespace Platform::Gfx
{

void Trace(std::string_view line);

// Installs the receiver of every further trace line; an empty function restores standard error.
void SetTraceSink(std::function<void(std::string_view)> sink);

} // namespace Platform::Gfx
