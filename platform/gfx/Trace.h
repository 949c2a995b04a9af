#pragma once

#include <string_view>

// Trace lines of the device layer (refused calls, objects that block a reset, states it cannot
// apply), written to the debugger output channel as one line each, prefixed "gfx: ".
namespace Platform::Gfx
{

void Trace(std::string_view line);

}
