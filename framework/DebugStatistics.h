#pragma once

#include <cstddef>

namespace GameLib
{

// The process-wide table of statistic lines for the debug overlay: one entry per format-text object
// (the pointer is the key, not the content), each with a pointer to the value it shows. A format text
// is a type letter, one separator that is skipped, then a printf format for one value:
//   b byte (non-zero → 1), c signed char, i and u 32-bit integers, f float, d double,
//   s the pointer itself as a string, v three floats.
// Main thread only. Entries keep the order of their first registration.
class DebugStatistics
{
public:
    static constexpr std::size_t kTextSize = 8192;

    // The value-pointer slot of the text's entry, made (holding null) when the text is new. The caller
    // stores the address of its variable there at once (the slot moves when an entry is added);
    // storing again replaces it. The text must outlive the entry.
    static const void*& GetSlot(const char* format);
    // Removes every entry.
    static void Clear();
    // Every entry's line, a newline before each but the first, into one static buffer of kTextSize bytes
    // (cut at its end, never overrun); an entry with an unknown letter or a null value gives an empty
    // line. Allocates nothing. The text stays valid until the next call.
    static const char* Format();
    static std::size_t GetCount();
};

} // namespace GameLib
