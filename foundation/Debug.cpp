#include "foundation/Debug.h"

#include "platform/os/Cursor.h"
#include "crashreport/CrashReport.h"
#include "crashreport/VariableRecord.h"
#include "platform/os/DebugOutput.h"
#include "platform/os/MessageBox.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace BaseLib
{

namespace
{

bool StartsWith(const CrashReport::SmallString& text, const char* prefix)
{
    return std::strncmp(text.Text(), prefix, std::strlen(prefix)) == 0;
}

// The crash report leaves out the debugger's own type records and the compiler's and library's
// reserved names. Registered here, in the object file every program that writes a trace links.
[[maybe_unused]] const bool g_CrashReportFiltersRegistered = [] {
    CrashReport::AddSymbolFilter([](const CrashReport::VariableRecord* record, bool* matched) {
        *matched = StartsWith(record->typeName, "DbgType");
        return *matched;
    });
    CrashReport::AddSymbolFilter([](const CrashReport::VariableRecord* record, bool* matched) {
        *matched = StartsWith(record->name, "__");
        return *matched;
    });
    return true;
}();

} // namespace

void DebugOutput(const char* format, ...)
{
    char buffer[4096];
    va_list args;
    va_start(args, format);
    // vsnprintf always terminates and cuts what does not fit.
    if (std::vsnprintf(buffer, sizeof(buffer), format, args) < 0)
    {
        buffer[0] = '\0';
    }
    va_end(args);
    Platform::WriteDebugOutput(buffer);
}

int DebugMessageBox(std::uint32_t style, const char* caption, const char* format, ...)
{
    char buffer[16384];
    va_list args;
    va_start(args, format);
    if (std::vsnprintf(buffer, sizeof(buffer), format, args) < 0)
    {
        buffer[0] = '\0';
    }
    va_end(args);
    Platform::ShowCursor(true);
    DebugOutput("MB:\n%s", buffer);
    const int answer =
        Platform::ShowMessageBox(buffer, caption,
                                 style | Platform::MessageBoxSystemModal | Platform::MessageBoxSetForeground |
                                     Platform::MessageBoxTopmost);
    Platform::ShowCursor(false);
    return answer;
}

} // namespace BaseLib
