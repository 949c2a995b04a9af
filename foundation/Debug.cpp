#include "foundation/Debug.h"

#include "platform/os/Cursor.h"
#include "platform/os/DebugOutput.h"
#include "platform/os/MessageBox.h"

#include <cstdarg>
#include <cstdio>

namespace BaseLib
{

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
