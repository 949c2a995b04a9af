#include "framework/DebugStatistics.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace GameLib
{

namespace
{

struct Entry
{
    const char* format;
    const void* value;
};

std::vector<Entry>& Entries()
{
    static std::vector<Entry> entries;
    return entries;
}

// Appends one formatted value at `used`, cut to the buffer; answers the new length.
template <typename... Values>
std::size_t Append(char* buffer, std::size_t used, const char* format, Values... values)
{
    if (used + 1 >= DebugStatistics::kTextSize)
    {
        return used;
    }
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
    const int written = std::snprintf(buffer + used, DebugStatistics::kTextSize - used, format, values...);
#pragma GCC diagnostic pop
    if (written < 0)
    {
        buffer[used] = '\0';
        return used;
    }
    const std::size_t end = used + static_cast<std::size_t>(written);
    return end < DebugStatistics::kTextSize ? end : DebugStatistics::kTextSize - 1;
}

std::size_t AppendEntry(char* buffer, std::size_t used, const Entry& entry)
{
    const char* key = entry.format;
    if (entry.value == nullptr || key == nullptr || key[0] == '\0' || key[1] == '\0')
    {
        return used;
    }
    const char* format = key + 2;
    switch (key[0])
    {
    case 'b':
        return Append(buffer, used, format, *static_cast<const std::uint8_t*>(entry.value) != 0 ? 1 : 0);
    case 'c':
        return Append(buffer, used, format, static_cast<int>(*static_cast<const signed char*>(entry.value)));
    case 'i':
        return Append(buffer, used, format, *static_cast<const std::int32_t*>(entry.value));
    case 'u':
        return Append(buffer, used, format, *static_cast<const std::uint32_t*>(entry.value));
    case 'f':
        return Append(buffer, used, format, static_cast<double>(*static_cast<const float*>(entry.value)));
    case 'd':
        return Append(buffer, used, format, *static_cast<const double*>(entry.value));
    case 's':
        return Append(buffer, used, format, static_cast<const char*>(entry.value));
    case 'v': {
        const auto* v = static_cast<const float*>(entry.value);
        return Append(buffer, used, format, static_cast<double>(v[0]), static_cast<double>(v[1]),
                      static_cast<double>(v[2]));
    }
    default:
        return used;
    }
}

} // namespace

const void*& DebugStatistics::GetSlot(const char* format)
{
    std::vector<Entry>& entries = Entries();
    for (Entry& entry : entries)
    {
        if (entry.format == format)
        {
            return entry.value;
        }
    }
    entries.push_back(Entry{format, nullptr});
    return entries.back().value;
}

void DebugStatistics::Clear()
{
    Entries().clear();
}

std::size_t DebugStatistics::GetCount()
{
    return Entries().size();
}

const char* DebugStatistics::Format()
{
    static char text[kTextSize];
    std::size_t used = 0;
    text[0] = '\0';
    bool first = true;
    for (const Entry& entry : Entries())
    {
        if (!first)
        {
            used = Append(text, used, "%s", "\n");
        }
        first = false;
        used = AppendEntry(text, used, entry);
    }
    return text;
}

} // namespace GameLib
