#pragma once

#include <cstdint>

// The debug trace every subsystem writes through, and the error box.
namespace BaseLib
{

// Formats printf-style into a 4096-byte buffer (a longer text is cut to 4095 characters) and passes
// it unchanged to the debugger output; callers put in their own line breaks. Never fails; safe
// from any thread.
void DebugOutput(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Formats printf-style into a 16384-byte buffer (cut to 16383 characters), shows the cursor, traces
// "MB:\n" and the text, shows a box with caption and text, kept above every window, and hides the
// cursor again. style takes the button kind, icon and default button of platform/os/MessageBox.h.
// Blocks until the user answers and returns the answer; in unattended runs the box is answered at
// once without repeating a step (see Platform::ShowMessageBox). Never fails.
int DebugMessageBox(std::uint32_t style, const char* caption, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

} // namespace BaseLib
