#pragma once

#include <string>

namespace Platform
{

// The command-line text the program entry receives: the arguments after the program name joined
// with single blanks ("" without arguments). Arguments are not quoted, so one holding a blank reads
// as two words.
std::string CommandLineText(int argc, const char* const* argv);

// The process's command line as the program entry stored it ("" before): what the system would give a
// program that asks for its own command line.
void SetProcessCommandLine(const std::string& text);
const std::string& ProcessCommandLine();

} // namespace Platform
