#pragma once

#include <cstdint>
#include <memory>
#include <string>

// Function names, modules and source lines of another process's code, from its modules' debug
// information (libdwfl). For the reporter process: it allocates and opens files freely.
struct Dwfl;

namespace Platform
{

struct FrameSymbols
{
    std::string function; // demangled and cut before its parameter list; empty when unknown
    std::string module;   // the module's file path; empty for an address in no module
    std::string source;   // the source file; empty when unknown
    int line = 0;
    // Where the function was found: in the debug information, else in the symbol table.
    bool fromDebugInfo = false;
};

class SymbolReader
{
public:
    SymbolReader();
    ~SymbolReader();
    SymbolReader(const SymbolReader&) = delete;
    SymbolReader& operator=(const SymbolReader&) = delete;

    // Reports the modules of process `pid` (from /proc/<pid>/maps, else from `maps`, a copy of that
    // text). The debug information search path is the library's default + ":" + the executable's folder
    // + ":" + that folder + "/" + its name without extension + "_debug"; it is traced as
    // "Set new SymbolPath: <path>\r\n" to standard error. False when no module could be reported.
    bool Open(int pid, const char* maps, const char* executablePath);

    // The symbols of code address `address`.
    FrameSymbols Lookup(std::uint64_t address) const;

    // The library's handle over the process's modules; null before a successful Open.
    Dwfl* Handle() const;

    // A demangled function name cut before its parameter list ("ns::f(int) const" gives "ns::f").
    static std::string CutParameters(const std::string& name);
    // The demangled form of a linkage name, or the name itself when it is not mangled.
    static std::string Demangle(const char* name);

private:
    struct State;
    std::unique_ptr<State> m_State;
};

} // namespace Platform
