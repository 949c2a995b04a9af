#pragma once

#include "platform/debug/CrashCapture.h"

#include <cstddef>
#include <cstdint>

// The module and section of an address, from a memory-map text in the form of /proc/self/maps and the
// module file's ELF headers (read with pread into a caller's buffer). Allocates nothing: safe in a
// signal handler.
namespace Platform
{

// One line of a memory-map text. `path` points into the text and is not terminated.
struct MapsLine
{
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    std::uint64_t offset = 0;
    bool read = false;
    bool write = false;
    bool execute = false;
    bool shared = false;
    const char* path = nullptr;
    std::size_t pathLength = 0;
};

// Parses the line that starts at `at` (the text ends at `end`); returns where the next one starts.
const char* ParseMapsLine(const char* at, const char* end, MapsLine& line);

// Reads /proc/self/maps into `text` (at most size - 1 bytes, zero-terminated). Returns the length,
// or -1 with errno set when it cannot be read.
long ReadOwnMaps(char* text, std::size_t size);

// Fills `module` for `address`: the file mapping that holds it, its load bias, and the allocated ELF
// section (its index in the section header table) that holds the address less the bias, with the
// offset from the section's start. An address in no file mapping gives an empty path, section 0 and
// offset 0; an address in a module but in no section gives section 0 and the offset from the bias.
void FindModuleAddress(const char* maps, std::size_t mapsLength, std::uint64_t address, char* scratch,
                       std::size_t scratchSize, ModuleAddress& module);

} // namespace Platform
