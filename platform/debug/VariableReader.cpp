#include "platform/debug/VariableReader.h"

#include "platform/debug/SafeFormat.h"
#include "platform/debug/SymbolReader.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dwarf.h>
#include <elfutils/libdwfl.h>
#include <sys/uio.h>

namespace Platform
{

namespace
{


constexpr std::size_t MaxStringLength = 1024;

void Trace(const std::string& text)
{
    WriteStandardError(text.c_str());
}

const char* AttributeText(Dwarf_Die* die, int name)
{
    Dwarf_Attribute attribute;
    return dwarf_formstring(dwarf_attr_integrate(die, name, &attribute));
}

bool AttributeNumber(Dwarf_Die* die, int name, Dwarf_Word& value)
{
    Dwarf_Attribute attribute;
    return dwarf_attr_integrate(die, name, &attribute) != nullptr && dwarf_formudata(&attribute, &value) == 0;
}

// The DIE's DW_AT_type, false for none (void).
bool TypeOf(Dwarf_Die* die, Dwarf_Die& type)
{
    Dwarf_Attribute attribute;
    return dwarf_attr_integrate(die, DW_AT_type, &attribute) != nullptr && dwarf_formref_die(&attribute, &type) != nullptr;
}

// Follows typedefs and qualifiers; false when they end in void.
bool Strip(Dwarf_Die& type)
{
    for (int guard = 0; guard < 64; ++guard)
    {
        switch (dwarf_tag(&type))
        {
        case DW_TAG_typedef:
        case DW_TAG_const_type:
        case DW_TAG_volatile_type:
        case DW_TAG_restrict_type:
        case DW_TAG_atomic_type:
        {
            Dwarf_Die next;
            if (!TypeOf(&type, next))
            {
                return false;
            }
            type = next;
            break;
        }
        default: return true;
        }
    }
    return true;
}

bool IsCharacter(Dwarf_Die& type)
{
    Dwarf_Word encoding = 0;
    const int size = dwarf_bytesize(&type);
    return dwarf_tag(&type) == DW_TAG_base_type && size == 1 && AttributeNumber(&type, DW_AT_encoding, encoding) &&
           (encoding == DW_ATE_signed_char || encoding == DW_ATE_unsigned_char || encoding == DW_ATE_UTF);
}

} // namespace

struct TypeWalker
{
    VariableReader& reader;
    int depth = 0;

    // Fills `out` (its name is set by the caller) for a value of `type` at `address`.
    void Walk(Dwarf_Die* typeOrNull, std::uint64_t address, DebugValue& out)
    {
        if (typeOrNull == nullptr)
        {
            out.kind = KindVoid;
            out.typeName = "void";
            return;
        }
        Dwarf_Die type = *typeOrNull;
        if (!Strip(type))
        {
            out.kind = KindVoid;
            out.typeName = "void";
            return;
        }
        switch (dwarf_tag(&type))
        {
        case DW_TAG_base_type: Base(type, address, out); break;
        case DW_TAG_pointer_type:
        case DW_TAG_reference_type:
        case DW_TAG_rvalue_reference_type: Pointer(type, address, out); break;
        case DW_TAG_structure_type:
        case DW_TAG_class_type:
        case DW_TAG_union_type: Structure(type, address, out); break;
        case DW_TAG_array_type: Array(type, address, out); break;
        default:
        {
            const char* name = AttributeText(&type, DW_AT_name);
            out.typeName = name != nullptr ? name : "";
            out.kind = KindNone;
            Trace("Unhandled DbgType tag: " + std::to_string(dwarf_tag(&type)) + "\n");
            break;
        }
        }
    }

    void ReadValue(std::uint64_t address, DebugValue& out)
    {
        const std::size_t size = out.size < 8 ? static_cast<std::size_t>(out.size) : 8;
        if (!reader.Read(address, &out.value, size))
        {
            out.kind = KindNone;
        }
    }

    void Base(Dwarf_Die& type, std::uint64_t address, DebugValue& out)
    {
        Dwarf_Word encoding = 0;
        AttributeNumber(&type, DW_AT_encoding, encoding);
        const int size = dwarf_bytesize(&type);
        const char* name = AttributeText(&type, DW_AT_name);
        const std::string typeName = name != nullptr ? name : "";
        out.size = size > 0 ? static_cast<std::uint64_t>(size) : 0;
        if (size <= 0)
        {
            out.typeName = "<unknown type with 0 size>";
            return;
        }
        const bool integer = encoding == DW_ATE_signed || encoding == DW_ATE_unsigned ||
                             encoding == DW_ATE_signed_char || encoding == DW_ATE_unsigned_char || encoding == DW_ATE_UTF;
        if (encoding == DW_ATE_boolean)
        {
            out.kind = KindBool;
            out.typeName = "bool";
        }
        else if (integer && size == 1)
        {
            out.kind = KindByte;
            out.typeName = typeName == "char" ? "char" : "byte";
        }
        else if (integer && size == 2)
        {
            out.kind = KindShort;
            out.typeName = encoding == DW_ATE_UTF || typeName == "wchar_t" ? "wchar" : "short";
        }
        else if (integer && size == 4)
        {
            out.kind = KindInt;
            out.typeName = "int";
        }
        else if (integer && size == 8)
        {
            out.kind = KindInt64;
            out.typeName = "int64";
        }
        else if (encoding == DW_ATE_float)
        {
            out.kind = size == 8 ? KindDouble : KindFloat;
            out.typeName = size == 8 ? "double" : "float";
        }
        else
        {
            // Named with its encoding, length and bytes, printed as a type name without value.
            std::string text = "unhandled basic data type: " + std::to_string(encoding) + "; Length=" + std::to_string(size);
            for (int at = 0; at < size && at < 64; at += 4)
            {
                std::uint32_t word = 0;
                reader.Read(address + static_cast<std::uint64_t>(at), &word, size - at < 4 ? static_cast<std::size_t>(size - at) : 4);
                char hex[9];
                FormatHex(hex, word, 8);
                hex[8] = '\0';
                text += " ";
                text += hex;
            }
            out.typeName = text;
            out.kind = KindNone;
            return;
        }
        ReadValue(address, out);
    }

    void Pointer(Dwarf_Die& type, std::uint64_t address, DebugValue& out)
    {
        out.kind = KindPointer;
        out.size = 8;
        if (!reader.Read(address, &out.value, 8))
        {
            out.kind = KindNone;
            out.typeName = "<Unknown>*";
            return;
        }
        Dwarf_Die target;
        const bool haveTarget = TypeOf(&type, target) && Strip(target);
        if (haveTarget && IsCharacter(target))
        {
            out.kind = KindCharPointer;
            out.typeName = "char*";
            ReadString(out);
            return;
        }
        const auto signedValue = static_cast<std::int64_t>(out.value);
        Dwarf_Word targetSize = 1;
        if (haveTarget && dwarf_aggregate_size(&target, &targetSize) != 0)
        {
            targetSize = 1;
        }
        std::uint8_t probe[64];
        const bool usable = signedValue >= 1024 &&
                            reader.Read(out.value, probe, targetSize < sizeof(probe) ? targetSize : sizeof(probe));
        if (!usable)
        {
            return;
        }
        if (depth > reader.m_MaxDepth)
        {
            out.overLimit = true;
            return;
        }
        ++depth;
        DebugValue child;
        Walk(haveTarget ? &target : nullptr, out.value, child);
        --depth;
        out.validPointer = true;
        out.children.push_back(std::move(child));
    }

    void ReadString(DebugValue& out)
    {
        if (static_cast<std::int64_t>(out.value) < 1024)
        {
            return;
        }
        char chunk[64];
        for (std::size_t at = 0; at < MaxStringLength; at += sizeof(chunk))
        {
            // Short reads near the end of a mapping: byte by byte when a chunk fails.
            std::size_t got = 0;
            if (reader.Read(out.value + at, chunk, sizeof(chunk)))
            {
                got = sizeof(chunk);
            }
            else
            {
                while (got < sizeof(chunk) && reader.Read(out.value + at + got, chunk + got, 1))
                {
                    ++got;
                }
            }
            for (std::size_t i = 0; i < got && out.text.size() < MaxStringLength; ++i)
            {
                if (chunk[i] == '\0')
                {
                    out.stringValid = true;
                    return;
                }
                out.text.push_back(chunk[i]);
            }
            if (got < sizeof(chunk))
            {
                break;
            }
        }
        out.text.clear();
    }

    void Structure(Dwarf_Die& type, std::uint64_t address, DebugValue& out)
    {
        out.kind = KindStructure;
        const char* name = AttributeText(&type, DW_AT_name);
        out.typeName = name != nullptr ? name : "<anonymous>";
        Dwarf_Die child;
        if (dwarf_child(&type, &child) != 0)
        {
            return;
        }
        do
        {
            const int tag = dwarf_tag(&child);
            if (tag != DW_TAG_member && tag != DW_TAG_inheritance)
            {
                continue;
            }
            Dwarf_Attribute external;
            if (dwarf_attr(&child, DW_AT_external, &external) != nullptr)
            {
                continue; // a static member
            }
            if (out.children.size() >= VariableReader::MaxChildren)
            {
                out.moreChildren = true;
                break;
            }
            Dwarf_Word offset = 0;
            AttributeNumber(&child, DW_AT_data_member_location, offset);
            DebugValue member;
            Dwarf_Die memberType;
            const bool typed = TypeOf(&child, memberType);
            Walk(typed ? &memberType : nullptr, address + offset, member);
            if (tag == DW_TAG_inheritance)
            {
                member.name = member.typeName;
            }
            else
            {
                const char* memberName = AttributeText(&child, DW_AT_name);
                member.name = memberName != nullptr ? memberName : "";
            }
            out.children.push_back(std::move(member));
        } while (dwarf_siblingof(&child, &child) == 0);
    }

    void Array(Dwarf_Die& type, std::uint64_t address, DebugValue& out)
    {
        out.kind = KindArray;
        Dwarf_Die element;
        const bool typed = TypeOf(&type, element);
        std::uint64_t count = 1;
        Dwarf_Die child;
        if (dwarf_child(&type, &child) == 0)
        {
            do
            {
                if (dwarf_tag(&child) != DW_TAG_subrange_type)
                {
                    continue;
                }
                Dwarf_Word bound = 0;
                if (AttributeNumber(&child, DW_AT_count, bound))
                {
                    count *= bound;
                }
                else if (AttributeNumber(&child, DW_AT_upper_bound, bound))
                {
                    count *= bound + 1;
                }
                else
                {
                    count = 0;
                }
            } while (dwarf_siblingof(&child, &child) == 0);
        }
        Dwarf_Word elementSize = 0;
        if (!typed || dwarf_aggregate_size(&element, &elementSize) != 0)
        {
            elementSize = 0;
        }
        DebugValue first;
        Walk(typed ? &element : nullptr, address, first);
        out.typeName = first.typeName + "[]";
        for (std::uint64_t i = 0; i < count; ++i)
        {
            if (out.children.size() >= VariableReader::MaxChildren)
            {
                out.moreChildren = true;
                break;
            }
            if (i == 0)
            {
                out.children.push_back(first);
                continue;
            }
            DebugValue item;
            Walk(typed ? &element : nullptr, address + i * elementSize, item);
            out.children.push_back(std::move(item));
        }
    }
};

VariableReader::VariableReader(const SymbolReader& symbols, int pid, int maxPointerDepth)
    : m_Symbols(symbols), m_Pid(pid), m_MaxDepth(maxPointerDepth)
{
}

bool VariableReader::Read(std::uint64_t address, void* out, std::size_t size)
{
    if (m_Refused)
    {
        return false;
    }
    if (size == 0)
    {
        return true;
    }
    iovec local{out, size};
    iovec remote{reinterpret_cast<void*>(address), size};
    const ssize_t got = process_vm_readv(m_Pid, &local, 1, &remote, 1, 0);
    if (got < 0 && (errno == EPERM || errno == ENOSYS))
    {
        m_Refused = true;
        Trace(std::string("CrashReport: process_vm_readv failed: ") + strerrordesc_np(errno) +
              "; variables are listed without values\n");
        return false;
    }
    return got == static_cast<ssize_t>(size);
}

namespace
{

// Where a variable lives, from its location expression at `pc`.
enum class Place
{
    Memory,   // at `address`
    Register, // a register variable: left out
    Unknown,  // listed without value
};

Place Locate(Dwarf_Die* die, Dwarf_Addr pc, Dwarf_Addr bias, std::uint64_t frameBase, bool haveFrameBase,
             const FrameRegisters& registers, std::uint64_t& address)
{
    Dwarf_Attribute attribute;
    if (dwarf_attr_integrate(die, DW_AT_location, &attribute) == nullptr)
    {
        return Place::Unknown;
    }
    Dwarf_Op* expression = nullptr;
    std::size_t length = 0;
    if (dwarf_getlocation_addr(&attribute, pc, &expression, &length, 1) != 1 || length == 0)
    {
        return Place::Unknown;
    }
    const Dwarf_Op& op = expression[0];
    if ((op.atom >= DW_OP_reg0 && op.atom <= DW_OP_reg31) || op.atom == DW_OP_regx)
    {
        return length == 1 ? Place::Register : Place::Unknown;
    }
    if (length != 1)
    {
        return Place::Unknown;
    }
    if (op.atom == DW_OP_addr)
    {
        address = op.number + bias;
        return Place::Memory;
    }
    if (op.atom == DW_OP_fbreg && haveFrameBase)
    {
        address = frameBase + static_cast<std::uint64_t>(static_cast<std::int64_t>(op.number));
        return Place::Memory;
    }
    int reg = -1;
    std::int64_t offset = 0;
    if (op.atom >= DW_OP_breg0 && op.atom <= DW_OP_breg31)
    {
        reg = op.atom - DW_OP_breg0;
        offset = static_cast<std::int64_t>(op.number);
    }
    else if (op.atom == DW_OP_bregx)
    {
        reg = static_cast<int>(op.number);
        offset = static_cast<std::int64_t>(op.number2);
    }
    if (reg >= 0 && reg < FrameRegisters::Count && registers.known[reg])
    {
        address = registers.value[reg] + static_cast<std::uint64_t>(offset);
        return Place::Memory;
    }
    return Place::Unknown;
}

bool FrameBase(Dwarf_Die* function, Dwarf_Addr pc, const FrameRegisters& registers, std::uint64_t& base)
{
    Dwarf_Attribute attribute;
    if (dwarf_attr_integrate(function, DW_AT_frame_base, &attribute) == nullptr)
    {
        return false;
    }
    Dwarf_Op* expression = nullptr;
    std::size_t length = 0;
    if (dwarf_getlocation_addr(&attribute, pc, &expression, &length, 1) != 1 || length != 1)
    {
        return false;
    }
    const Dwarf_Op& op = expression[0];
    if (op.atom == DW_OP_call_frame_cfa)
    {
        base = registers.cfa;
        return base != 0;
    }
    if (op.atom >= DW_OP_breg0 && op.atom <= DW_OP_breg31 && op.atom - DW_OP_breg0 < FrameRegisters::Count &&
        registers.known[op.atom - DW_OP_breg0])
    {
        base = registers.value[op.atom - DW_OP_breg0] + static_cast<std::uint64_t>(static_cast<std::int64_t>(op.number));
        return true;
    }
    return false;
}

} // namespace

void VariableReader::ReadFrame(std::uint64_t lookupAddress, const FrameRegisters& registers,
                               std::vector<DebugValue>& parameters, std::vector<DebugValue>& locals)
{
    Dwfl* dwfl = m_Symbols.Handle();
    Dwfl_Module* module = dwfl != nullptr ? dwfl_addrmodule(dwfl, lookupAddress) : nullptr;
    Dwarf_Addr bias = 0;
    Dwarf_Die* unit = module != nullptr ? dwfl_module_addrdie(module, lookupAddress, &bias) : nullptr;
    if (unit == nullptr)
    {
        return;
    }
    const Dwarf_Addr pc = lookupAddress - bias;
    Dwarf_Die* scopes = nullptr;
    const int count = dwarf_getscopes(unit, pc, &scopes);
    if (count <= 0)
    {
        return;
    }
    int function = -1;
    for (int i = 0; i < count && function < 0; ++i)
    {
        const int tag = dwarf_tag(&scopes[i]);
        if (tag == DW_TAG_subprogram || tag == DW_TAG_inlined_subroutine)
        {
            function = i;
        }
    }
    if (function < 0)
    {
        std::free(scopes);
        return;
    }
    std::uint64_t frameBase = 0;
    const bool haveFrameBase = FrameBase(&scopes[function], pc, registers, frameBase);
    for (int i = 0; i <= function; ++i)
    {
        Dwarf_Die child;
        if (dwarf_child(&scopes[i], &child) != 0)
        {
            continue;
        }
        do
        {
            const int tag = dwarf_tag(&child);
            if (tag != DW_TAG_formal_parameter && tag != DW_TAG_variable)
            {
                continue;
            }
            std::uint64_t address = 0;
            const Place place = Locate(&child, pc, bias, frameBase, haveFrameBase, registers, address);
            if (place == Place::Register)
            {
                continue;
            }
            DebugValue value;
            const char* name = AttributeText(&child, DW_AT_name);
            value.name = name != nullptr ? name : "";
            Dwarf_Die type;
            const bool typed = TypeOf(&child, type);
            TypeWalker walker{*this};
            walker.Walk(typed ? &type : nullptr, address, value);
            if (place == Place::Unknown)
            {
                value.kind = KindNone;
                value.children.clear();
            }
            (tag == DW_TAG_formal_parameter ? parameters : locals).push_back(std::move(value));
        } while (dwarf_siblingof(&child, &child) == 0);
    }
    std::free(scopes);
}

namespace
{

struct GlobalsJob
{
    VariableReader* reader;
    const std::string* path;
    Dwfl_Module* found;
};

int FindModule(Dwfl_Module* module, void**, const char*, Dwarf_Addr, void* argument)
{
    auto& job = *static_cast<GlobalsJob*>(argument);
    const char* mainFile = nullptr;
    dwfl_module_info(module, nullptr, nullptr, nullptr, nullptr, nullptr, &mainFile, nullptr);
    if (mainFile != nullptr && *job.path == mainFile)
    {
        job.found = module;
        return DWARF_CB_ABORT;
    }
    return DWARF_CB_OK;
}

} // namespace

void VariableReader::ReadGlobals(const std::string& modulePath, std::vector<DebugValue>& globals)
{
    Dwfl* dwfl = m_Symbols.Handle();
    if (dwfl == nullptr)
    {
        return;
    }
    GlobalsJob job{this, &modulePath, nullptr};
    dwfl_getmodules(dwfl, FindModule, &job, 0);
    if (job.found == nullptr)
    {
        return;
    }
    const FrameRegisters none;
    Dwarf_Addr bias = 0;
    for (Dwarf_Die* unit = dwfl_module_nextcu(job.found, nullptr, &bias); unit != nullptr;
         unit = dwfl_module_nextcu(job.found, unit, &bias))
    {
        // The unit's own children, and those of its namespaces.
        std::vector<Dwarf_Die> parents{*unit};
        while (!parents.empty())
        {
            Dwarf_Die parent = parents.back();
            parents.pop_back();
            Dwarf_Die child;
            if (dwarf_child(&parent, &child) != 0)
            {
                continue;
            }
            do
            {
                const int tag = dwarf_tag(&child);
                if (tag == DW_TAG_namespace)
                {
                    parents.push_back(child);
                    continue;
                }
                if (tag != DW_TAG_variable)
                {
                    continue;
                }
                Dwarf_Attribute location;
                if (dwarf_attr(&child, DW_AT_location, &location) == nullptr)
                {
                    continue; // a declaration: its definition carries the location
                }
                std::uint64_t address = 0;
                if (Locate(&child, 0, bias, 0, false, none, address) != Place::Memory)
                {
                    continue;
                }
                DebugValue value;
                const char* name = AttributeText(&child, DW_AT_name);
                if (name == nullptr)
                {
                    continue;
                }
                value.name = name;
                Dwarf_Die type;
                const bool typed = TypeOf(&child, type);
                TypeWalker walker{*this};
                walker.Walk(typed ? &type : nullptr, address, value);
                globals.push_back(std::move(value));
            } while (dwarf_siblingof(&child, &child) == 0);
        }
    }
}

} // namespace Platform
