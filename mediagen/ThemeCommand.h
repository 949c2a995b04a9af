#pragma once

#include <string>
#include <vector>

namespace MediaGen
{

// "theme": draws the window system's theme images (the standard theme's marks, arrows and buttons)
// with the window system's own bitmap canvas and writes them as PNG files into a folder, which is made
// when missing. The same pixels give the same bytes, so the committed images can be checked against a
// fresh run. Answers the process's exit code (1 when a file cannot be written, 2 for bad arguments).
int RunThemeCommand(const std::vector<std::string>& arguments);

// The theme command's part of the usage text.
const char* ThemeUsage();

} // namespace MediaGen
