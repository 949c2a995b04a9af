#include "foundation/Debug.h"

#include "platform/os/DebugOutput.h"

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

} // namespace BaseLib
