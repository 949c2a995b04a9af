#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Platform
{

class SymbolReader;

// What a variable's value is, for the printer.
enum VariableKind : int
{
    KindNone = 0, // nothing to print (type and name only)
    KindVoid = 2,
    KindBool = 3,
    KindByte = 4,  // "char" or "byte"
    KindShort = 5, // "wchar" or "short"
    KindInt = 6,
    KindInt64 = 7,
    KindFloat = 8,
    KindDouble = 9,
    KindCharPointer = 10,
    KindStructure = 11,
    KindArray = 12,
    KindPointer = 13,
};

// One variable read from another process's memory through its DWARF type: the kinds, type names and
// limits of the crash report's variable printer.
struct DebugValue
{
    std::string name;
    std::string typeName;
    int kind = 0;
    std::uint64_t size = 0;
    std::uint64_t value = 0;
    bool stringValid = false;
    std::string text;
    bool validPointer = false;
    bool overLimit = false;
    bool moreChildren = false;
    std::vector<DebugValue> children;
};

// The registers known in one frame, by DWARF number (0 to 16 on x86-64).
struct FrameRegisters
{
    static constexpr int Count = 17;
    std::uint64_t cfa = 0;
    bool known[Count] = {};
    std::uint64_t value[Count] = {};
};

class VariableReader
{
public:
    // Reads the memory of process `pid` (with process_vm_readv) through the modules of `symbols`.
    // `maxPointerDepth` bounds how deep pointers are followed (0: one level).
    VariableReader(const SymbolReader& symbols, int pid, int maxPointerDepth);

    // The parameters and the local variables visible at `lookupAddress`, from the innermost block out
    // to the function.
    void ReadFrame(std::uint64_t lookupAddress, const FrameRegisters& registers, std::vector<DebugValue>& parameters,
                   std::vector<DebugValue>& locals);

    // The variables at compile-unit and namespace level of the module whose file is `modulePath`.
    void ReadGlobals(const std::string& modulePath, std::vector<DebugValue>& globals);

    // The most children read for one structure or array.
    static constexpr std::size_t MaxChildren = 64;

private:
    bool Read(std::uint64_t address, void* out, std::size_t size);
    bool m_Refused = false;
    const SymbolReader& m_Symbols;
    int m_Pid;
    int m_MaxDepth;

    friend struct TypeWalker;
};

} // namespace Platform
