#pragma once

// The debug trace every subsystem writes through.
namespace BaseLib
{

// Formats printf-style into a 4096-byte buffer (a longer text is cut to 4095 characters) and passes
// it unchanged to the debugger output; callers put in their own line breaks. Never fails; safe
// from any thread.
void DebugOutput(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace BaseLib
