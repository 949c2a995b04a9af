#pragma once

#include <string>

namespace Platform
{

// The command-line text the program entry receives: the arguments after the program name joined
// with single blanks ("" without arguments). Arguments are not quoted, so one holding a blank reads
// as two words.
std::string CommandLineText(int argc, const char* const* argv);

} // namespace Platform
