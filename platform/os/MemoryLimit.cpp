#include "platform/os/MemoryLimit.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string_view>

namespace Platform
{

namespace
{

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
    {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back()))
    {
        text.remove_suffix(1);
    }
    return text;
}

// A whole decimal number of bytes and nothing else; none for anything else (a sign, garbage, overflow).
std::optional<std::size_t> ParseBytes(std::string_view text)
{
    text = Trimmed(text);
    std::size_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
    {
        return std::nullopt;
    }
    return value;
}

// The "MemAvailable:" line's kB as bytes.
std::optional<std::size_t> ParseMemAvailable(std::string_view text)
{
    constexpr std::string_view key = "MemAvailable:";
    for (std::size_t start = 0; start < text.size();)
    {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
        {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (line.substr(0, key.size()) != key)
        {
            continue;
        }
        line = Trimmed(line.substr(key.size()));
        if (line.size() < 2 || line.substr(line.size() - 2) != "kB")
        {
            return std::nullopt;
        }
        const std::optional<std::size_t> kib = ParseBytes(line.substr(0, line.size() - 2));
        if (!kib || *kib > SIZE_MAX / 1024)
        {
            return std::nullopt;
        }
        return *kib * 1024;
    }
    return std::nullopt;
}

std::optional<std::string> ReadText(const char* path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
    {
        return std::nullopt;
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad())
    {
        return std::nullopt;
    }
    return text.str();
}

} // namespace

std::size_t UsableMemoryFromTexts(std::size_t physicalBytes, const MemoryLimitTexts& texts)
{
    std::size_t usable = physicalBytes > 0 ? physicalBytes : SIZE_MAX;
    const auto bound = [&usable](std::optional<std::size_t> bytes) {
        if (bytes)
        {
            usable = std::min(usable, *bytes);
        }
    };
    // "max" reads as no number, so it bounds nothing.
    if (texts.cgroupV2Max)
    {
        bound(ParseBytes(*texts.cgroupV2Max));
    }
    if (texts.cgroupV1Limit)
    {
        bound(ParseBytes(*texts.cgroupV1Limit));
    }
    if (texts.memInfo)
    {
        bound(ParseMemAvailable(*texts.memInfo));
    }
    return usable;
}

std::size_t GetUsableMemoryBytes()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    std::size_t physical = 0;
    if (pages > 0 && pageSize > 0 &&
        static_cast<std::size_t>(pages) <= SIZE_MAX / static_cast<std::size_t>(pageSize))
    {
        physical = static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageSize);
    }
    MemoryLimitTexts texts;
    texts.cgroupV2Max = ReadText("/sys/fs/cgroup/memory.max");
    texts.cgroupV1Limit = ReadText("/sys/fs/cgroup/memory/memory.limit_in_bytes");
    texts.memInfo = ReadText("/proc/meminfo");
    return UsableMemoryFromTexts(physical, texts);
}

} // namespace Platform
