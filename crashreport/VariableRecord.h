#pragma once

#include "crashreport/TextBuffer.h"
#include "platform/debug/VariableReader.h"

#include <cstdint>
#include <string>
#include <vector>

// The variable printer: one record per variable (parameter, local or global) with its type, name and
// value read from the crashed process, children for structures, arrays and pointers, and its text.
namespace CrashReport
{

// Record kinds: those of the variable reader.
using enum Platform::VariableKind;

// Printing flags beyond the option bits: no indent (bit 29), no type and name (bit 28).
constexpr std::uint32_t PrintNoIndent = 0x20000000;
constexpr std::uint32_t PrintNoTypeAndName = 0x10000000;

// At most this many members or elements of one structure or array are printed, then "...".
constexpr std::size_t MaxPrintedChildren = 64;

struct VariableRecord
{
    SmallString name;
    SmallString typeName;
    int kind = KindNone;
    std::uint64_t size = 0;
    // The value bytes (up to 8), or the pointer itself for the pointer kinds.
    std::uint64_t value = 0;
    // Kind 10: the string read at the pointer, when it could be read safely.
    bool stringValid = false;
    std::string text;
    // Kind 13: the pointer was followed (its one child is the target) / was usable but deeper than
    // the limit.
    bool validPointer = false;
    bool overLimit = false;
    // Kinds 11 and 12: members or elements left out beyond the ones read.
    bool moreChildren = false;
    std::vector<VariableRecord> children;
};

// Prints the record as the variable printer does: the indent (unless PrintNoIndent), type and name
// (unless PrintNoTypeAndName, and not for structures and pointers), " = " with bit 19 for a kind other
// than 0, then the value by kind.
void PrintVariable(const VariableRecord& record, TextOut& text, std::uint32_t flags, const char* indent);

// True when one of the registered symbol filters matches the record (they run in registration order
// until one answers true).
bool IsFilteredOut(const VariableRecord& record);

} // namespace CrashReport
