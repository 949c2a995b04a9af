// The crash reporter's core-file reader: the input as a core file of this very program, its threads'
// stacks walked as a debugger would.

#include "fuzz/FuzzSupport.h"
#include "platform/debug/CoreFileReader.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::MuteTraces();
    const Fuzz::InputFile input(data, size, ".core");
    const Platform::CoreFileThreads threads = Platform::ReadCoreFileThreads(input.Path(), "/proc/self/exe");
    if (!threads.opened && !threads.functions.empty())
    {
        std::abort();
    }
    return 0;
}
