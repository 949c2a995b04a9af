#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace Platform
{

// The texts of the files that bound the memory this process can use; empty when missing or unreadable.
struct MemoryLimitTexts
{
    // The cgroup v2 limit ("/sys/fs/cgroup/memory.max"): bytes, or "max" for none.
    std::optional<std::string> cgroupV2Max;
    // The cgroup v1 limit ("/sys/fs/cgroup/memory/memory.limit_in_bytes"): bytes.
    std::optional<std::string> cgroupV1Limit;
    // "/proc/meminfo", whose "MemAvailable:" line gives the memory available now, in kB.
    std::optional<std::string> memInfo;
};

// The smallest of the physical memory (0: unknown) and the limits the texts give. A text that is missing
// or does not read as its file's format is skipped. SIZE_MAX when nothing bounds it.
std::size_t UsableMemoryFromTexts(std::size_t physicalBytes, const MemoryLimitTexts& texts);

// The memory this process can use now: the smallest of the physical memory, its cgroup's limit (v2 or
// v1) and the memory available. Reads the files each call. SIZE_MAX when nothing tells.
std::size_t GetUsableMemoryBytes();

} // namespace Platform
