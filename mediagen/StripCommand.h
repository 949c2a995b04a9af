#pragma once

#include <string>
#include <vector>

namespace MediaGen
{

// "strip": draws the characters of an installed face side by side on a transparent strip with the
// window system's alpha bitmap font, optionally outlined and slanted, writes the PNG and prints the
// baseline row and a suggested space width. Answers the process's exit code (2 for bad arguments).
int RunStripCommand(const std::vector<std::string>& arguments);

// The strip command's part of the usage text.
const char* StripUsage();

} // namespace MediaGen
