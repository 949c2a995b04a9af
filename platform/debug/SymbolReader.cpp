#include "platform/debug/SymbolReader.h"

#include "platform/debug/SafeFormat.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cxxabi.h>
#include <dwarf.h>
#include <elfutils/libdwfl.h>

namespace Platform
{

namespace
{

// The library's own default search path for separate debug information.
constexpr const char* DefaultDebugPath = ":.debug:/usr/lib/debug";

const char* AttributeText(Dwarf_Die* die, int name)
{
    Dwarf_Attribute attribute;
    return dwarf_formstring(dwarf_attr_integrate(die, name, &attribute));
}

} // namespace

struct SymbolReader::State
{
    std::string searchPath;
    char* searchPathPointer = nullptr;
    Dwfl_Callbacks callbacks{};
    Dwfl* dwfl = nullptr;
};

SymbolReader::SymbolReader() : m_State(std::make_unique<State>()) {}

SymbolReader::~SymbolReader()
{
    if (m_State->dwfl != nullptr)
    {
        dwfl_end(m_State->dwfl);
    }
}

bool SymbolReader::Open(int pid, const char* maps, const char* executablePath)
{
    const std::string executable = executablePath != nullptr ? executablePath : "";
    const std::size_t slash = executable.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : executable.substr(0, slash);
    std::string base = slash == std::string::npos ? executable : executable.substr(slash + 1);
    const std::size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0)
    {
        base.erase(dot);
    }
    m_State->searchPath = std::string(DefaultDebugPath) + ":" + folder + ":" + folder + "/" + base + "_debug";
    m_State->searchPathPointer = m_State->searchPath.data();
    const std::string trace = "Set new SymbolPath: " + m_State->searchPath + "\r\n";
    WriteStandardError(trace.c_str());

    m_State->callbacks.find_elf = dwfl_linux_proc_find_elf;
    m_State->callbacks.find_debuginfo = dwfl_standard_find_debuginfo;
    m_State->callbacks.debuginfo_path = &m_State->searchPathPointer;
    m_State->dwfl = dwfl_begin(&m_State->callbacks);
    if (m_State->dwfl == nullptr)
    {
        return false;
    }
    dwfl_report_begin(m_State->dwfl);
    int result = dwfl_linux_proc_report(m_State->dwfl, pid);
    if (result != 0 && maps != nullptr)
    {
        // The process's map cannot be read: the copy taken at the crash stands in.
        dwfl_report_begin(m_State->dwfl);
        FILE* text = fmemopen(const_cast<char*>(maps), std::strlen(maps), "r");
        result = text != nullptr ? dwfl_linux_proc_maps_report(m_State->dwfl, text) : -1;
        if (text != nullptr)
        {
            std::fclose(text);
        }
    }
    dwfl_report_end(m_State->dwfl, nullptr, nullptr);
    return result == 0;
}

Dwfl* SymbolReader::Handle() const
{
    return m_State->dwfl;
}

FrameSymbols SymbolReader::Lookup(std::uint64_t address) const
{
    FrameSymbols symbols;
    if (m_State->dwfl == nullptr)
    {
        return symbols;
    }
    Dwfl_Module* module = dwfl_addrmodule(m_State->dwfl, address);
    if (module == nullptr)
    {
        return symbols;
    }
    const char* mainFile = nullptr;
    const char* name = dwfl_module_info(module, nullptr, nullptr, nullptr, nullptr, nullptr, &mainFile, nullptr);
    symbols.module = mainFile != nullptr ? mainFile : (name != nullptr ? name : "");

    Dwarf_Addr bias = 0;
    Dwarf_Die* unit = dwfl_module_addrdie(module, address, &bias);
    if (unit != nullptr)
    {
        Dwarf_Die* scopes = nullptr;
        const int count = dwarf_getscopes(unit, address - bias, &scopes);
        for (int i = 0; i < count; ++i)
        {
            if (dwarf_tag(&scopes[i]) != DW_TAG_subprogram)
            {
                continue;
            }
            const char* linkage = AttributeText(&scopes[i], DW_AT_linkage_name);
            if (linkage == nullptr)
            {
                linkage = AttributeText(&scopes[i], DW_AT_MIPS_linkage_name);
            }
            if (linkage != nullptr)
            {
                symbols.function = CutParameters(Demangle(linkage));
            }
            else if (const char* plain = AttributeText(&scopes[i], DW_AT_name))
            {
                symbols.function = plain;
            }
            symbols.fromDebugInfo = !symbols.function.empty();
            break;
        }
        std::free(scopes);
    }
    if (symbols.function.empty())
    {
        if (const char* symbol = dwfl_module_addrname(module, address))
        {
            symbols.function = CutParameters(Demangle(symbol));
        }
    }
    if (Dwfl_Line* line = dwfl_module_getsrc(module, address))
    {
        int lineNumber = 0;
        if (const char* source = dwfl_lineinfo(line, nullptr, &lineNumber, nullptr, nullptr, nullptr))
        {
            symbols.source = source;
            symbols.line = lineNumber;
        }
    }
    return symbols;
}

std::string SymbolReader::Demangle(const char* name)
{
    if (name == nullptr)
    {
        return {};
    }
    int status = 0;
    char* demangled = abi::__cxa_demangle(name, nullptr, nullptr, &status);
    if (status != 0 || demangled == nullptr)
    {
        std::free(demangled);
        return name;
    }
    std::string result = demangled;
    std::free(demangled);
    return result;
}

std::string SymbolReader::CutParameters(const std::string& name)
{
    const std::size_t close = name.rfind(')');
    if (close == std::string::npos)
    {
        return name;
    }
    int depth = 0;
    for (std::size_t i = close + 1; i-- > 0;)
    {
        if (name[i] == ')')
        {
            ++depth;
        }
        else if (name[i] == '(' && --depth == 0)
        {
            // "(anonymous namespace)::f" has no parameter list of its own at the front.
            return i > 0 ? name.substr(0, i) : name;
        }
    }
    return name;
}

} // namespace Platform
