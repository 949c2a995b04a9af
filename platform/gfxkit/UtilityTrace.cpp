#include "platform/gfxkit/UtilityTrace.h"

#include "platform/os/DebugOutput.h"

#include <atomic>
#include <string>

namespace Platform::GfxKit
{

namespace
{

std::atomic<bool> s_muted{false};

} // namespace

void UtilityTrace(std::string_view line)
{
    if (s_muted.load())
    {
        return;
    }
    std::string text(line);
    text += '\n';
    WriteDebugOutput(text.c_str());
}

bool DebugMute(bool mute)
{
    return s_muted.exchange(mute);
}

} // namespace Platform::GfxKit
