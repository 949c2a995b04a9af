#include "platform/gfx/Trace.h"

#include "platform/os/DebugOutput.h"

#include <string>

namespace Platform::Gfx
{

void Trace(std::string_view line)
{
    std::string text = "gfx: ";
    text.append(line);
    text += '\n';
    WriteDebugOutput(text.c_str());
}

} // namespace Platform::Gfx
