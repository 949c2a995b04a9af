#pragma once

#include <string>
#include <vector>

// Reads a core file back the way a debugger would: used to check the dumps the crash handler writes.
namespace Platform
{

struct CoreFileThreads
{
    bool opened = false;                             // the core and its modules could be read
    std::vector<std::vector<std::string>> functions; // per thread, its first 40 frames' functions
                                                     // ("?" where none is known), outermost last
};

// Opens `core` with `executable` as its program and walks every thread's stack.
CoreFileThreads ReadCoreFileThreads(const std::string& core, const std::string& executable);

} // namespace Platform
