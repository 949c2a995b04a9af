#pragma once

#include <string>
#include <vector>

namespace MediaGen
{

// "strip": draws the characters of an installed face side by side on a transparent strip with the
// window system's alpha bitmap font, optionally outlined and slanted, writes the PNG and prints the
// baseline row and a suggested space width. Answers the process's exit code (2 for bad arguments).
int RunStripCommand(const std::vector<std::string>& arguments);

struct StripMetrics
{
    int baseline = 0;   // the row of the strip the glyphs stand on
    int spaceWidth = 0; // the face's own space width at that height
};

// The strip command without its report: draws the strip the arguments describe and writes the PNG,
// storing its metrics. Answers the command's exit code.
int MakeStrip(const std::vector<std::string>& arguments, StripMetrics& metrics);

// The strip command's part of the usage text.
const char* StripUsage();

} // namespace MediaGen
