#pragma once

#include <functional>
#include <mutex>
#include <string>

// The debugger output channel. Text goes to standard error unless a sink has been installed;
// tests install one to capture what the program traces.
namespace Platform
{

// Receives one piece of traced text, exactly as the caller passed it (no line break added).
using DebugOutputSink = std::function<void(const char* text)>;

// Passes the text to the current sink (standard error by default). A null text is ignored.
// Thread-safe: calls are serialised, so pieces never interleave. A sink must not write debug
// output itself.
void WriteDebugOutput(const char* text);

// Installs a sink and returns the one it replaces; an empty sink restores standard error.
DebugOutputSink SetDebugOutputSink(DebugOutputSink sink);

// Collects every piece of debug output while it exists and restores the previous sink when
// destroyed. Captures from every thread. Captures do not nest across threads in any useful way:
// create one at a time.
class DebugOutputCapture
{
public:
    DebugOutputCapture();
    ~DebugOutputCapture();
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    // Everything captured so far, pieces joined as they arrived.
    std::string Text() const;
    // Forgets what was captured.
    void Clear();

private:
    mutable std::mutex m_Mutex;
    std::string m_Text;
    DebugOutputSink m_Previous;
};

} // namespace Platform
