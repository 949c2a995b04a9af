#include "platform/gfx/Trace.h"

#include <cstdio>
#include <string>
#include <utility>

namespace Platform::Gfx
{
namespace
{

std::function<void(std::string_view)>& Sink()
{
    static std::function<void(std::string_view)> sink;
    return sink;
}

} // namespace

void Trace(std::string_view line)
{
    if (Sink())
    {
        Sink()(line);
        return;
    }
    std::fprintf(stderr, "gfx: %.*s\n", static_cast<int>(line.size()), line.data());
}

void SetTraceSink(std::function<void(std::string_view)> sink)
{
    Sink() = std::move(sink);
}

} // namespace Platform::Gfx
