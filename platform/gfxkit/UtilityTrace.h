#pragma once

#include <string_view>

// The utility layer's own trace lines (meshes, effects), written to the debug output one line each
// unless muted.
namespace Platform::GfxKit
{

// Writes the line (a line break is added) unless the utility layer's traces are muted.
void UtilityTrace(std::string_view line);

// Mutes (true) or unmutes the utility layer's trace lines; returns the previous state. Thread-safe.
bool DebugMute(bool mute);

} // namespace Platform::GfxKit
