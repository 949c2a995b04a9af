#include "platform/os/MemoryLimit.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>

using Platform::MemoryLimitTexts;

namespace
{

constexpr std::size_t GiB = std::size_t{1} << 30;
const char* const MemInfo = "MemTotal:       24682260 kB\n"
                            "MemFree:         1000000 kB\n"
                            "MemAvailable:    4194304 kB\n"
                            "Buffers:          123456 kB\n";

} // namespace

TEST(MemoryLimitTest, TheSmallestReadableBoundWins)
{
    const struct
    {
        const char* name;
        std::size_t physical;
        MemoryLimitTexts texts;
        std::size_t expected;
    } cases[] = {
        {"nothing readable", 24 * GiB, {}, 24 * GiB},
        {"physical unknown, nothing else", 0, {}, SIZE_MAX},
        {"v2 limit", 24 * GiB, {"2147483648\n", std::nullopt, std::nullopt}, 2 * GiB},
        {"v2 max means none", 24 * GiB, {"max\n", std::nullopt, std::nullopt}, 24 * GiB},
        {"v1 limit", 24 * GiB, {std::nullopt, "1073741824\n", std::nullopt}, GiB},
        {"v1 without a limit", 24 * GiB, {std::nullopt, "9223372036854771712\n", std::nullopt}, 24 * GiB},
        {"available memory", 24 * GiB, {std::nullopt, std::nullopt, MemInfo}, 4 * GiB},
        {"available below the cgroup", 24 * GiB, {"8589934592", std::nullopt, MemInfo}, 4 * GiB},
        {"cgroup below the available", 24 * GiB, {"max", "1073741824", MemInfo}, GiB},
        {"physical below both", 2 * GiB, {"8589934592", std::nullopt, MemInfo}, 2 * GiB},
        {"garbage skipped", 24 * GiB, {"12 GB", "-5", "MemAvailable: lots kB\n"}, 24 * GiB},
        {"empty texts skipped", 24 * GiB, {"", "", ""}, 24 * GiB},
        {"too large to hold", 24 * GiB, {"99999999999999999999999999", std::nullopt, std::nullopt}, 24 * GiB},
        {"no available line", 24 * GiB, {std::nullopt, std::nullopt, "MemTotal: 1024 kB\n"}, 24 * GiB},
        {"available without its unit",
         24 * GiB,
         {std::nullopt, std::nullopt, "MemAvailable: 1024\n"},
         24 * GiB},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(Platform::UsableMemoryFromTexts(c.physical, c.texts), c.expected) << c.name;
    }
}

TEST(MemoryLimitTest, ThisMachineIsBoundedByItsPhysicalMemory)
{
    const std::size_t physical =
        static_cast<std::size_t>(sysconf(_SC_PHYS_PAGES)) * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t usable = Platform::GetUsableMemoryBytes();
    EXPECT_GT(usable, 0u);
    EXPECT_LE(usable, physical);
}
