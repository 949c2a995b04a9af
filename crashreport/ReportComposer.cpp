#include "crashreport/ReportComposer.h"

#include "crashreport/CrashReport.h"

#include <csignal>
#include <cstring>

namespace CrashReport
{

namespace
{

struct NamedCode
{
    std::uint32_t code;
    const char* name;
};

constexpr NamedCode StackOverflow{0xC00000FD, "STACK_OVERFLOW"};
constexpr NamedCode AccessViolation{0xC0000005, "ACCESS_VIOLATION"};

// The named code for a signal and its si_code; code 0 for the signals outside the table.
NamedCode Lookup(int signal, int code, std::uint64_t faultAddress, std::uint64_t stackPointer)
{
    switch (signal)
    {
    case SIGSEGV:
    {
        const std::uint64_t distance =
            faultAddress > stackPointer ? faultAddress - stackPointer : stackPointer - faultAddress;
        return distance <= 64 * 1024 ? StackOverflow : AccessViolation;
    }
    case SIGBUS:
        if (code == BUS_ADRALN)
        {
            return {0x80000002, "DATATYPE_MISALIGNMENT"};
        }
        return {0xC0000006, "IN_PAGE_ERROR"};
    case SIGILL:
        if (code == ILL_PRVOPC || code == ILL_PRVREG)
        {
            return {0xC0000096, "PRIV_INSTRUCTION"};
        }
        return {0xC000001D, "ILLEGAL_INSTRUCTION"};
    case SIGFPE:
        switch (code)
        {
        case FPE_INTDIV: return {0xC0000094, "INT_DIVIDE_BY_ZERO"};
        case FPE_INTOVF: return {0xC0000095, "INT_OVERFLOW"};
        case FPE_FLTDIV: return {0xC000008E, "FLT_DIVIDE_BY_ZERO"};
        case FPE_FLTOVF: return {0xC0000091, "FLT_OVERFLOW"};
        case FPE_FLTUND: return {0xC0000093, "FLT_UNDERFLOW"};
        case FPE_FLTRES: return {0xC000008F, "FLT_INEXACT_RESULT"};
        case FPE_FLTINV: return {0xC0000090, "FLT_INVALID_OPERATION"};
        case FPE_FLTSUB: return {0xC000008C, "ARRAY_BOUNDS_EXCEEDED"};
        default: break;
        }
        break;
    case SIGTRAP:
        if (code == TRAP_BRKPT || code == SI_KERNEL)
        {
            return {0x80000003, "BREAKPOINT"};
        }
        if (code == TRAP_TRACE)
        {
            return {0x80000004, "SINGLE_STEP"};
        }
        break;
    default: break;
    }
    return {0, nullptr};
}

void WriteSeparator(TextOut& text, char c)
{
    text.AppendRepeated(c, 66);
    text.Append("\r\n");
}

void WriteRegister(TextOut& text, const char* name, std::int64_t value)
{
    text.Append(name);
    text.AppendDecimal(value);
    text.Append("\r\n");
}

bool HasContext(const Platform::CapturedThread& thread)
{
    const auto state = static_cast<Platform::ThreadState>(thread.state.load());
    return state == Platform::ThreadState::Stopped || state == Platform::ThreadState::Faulted ||
           state == Platform::ThreadState::Current;
}

} // namespace

std::uint32_t ExceptionCode(int signal, int code, std::uint64_t faultAddress, std::uint64_t stackPointer)
{
    const NamedCode named = Lookup(signal, code, faultAddress, stackPointer);
    return named.name != nullptr ? named.code : 0xE0000000u + static_cast<std::uint32_t>(signal);
}

void WriteExceptionLines(TextOut& text, int signal, int code, std::uint64_t faultAddress, std::uint64_t stackPointer)
{
    const NamedCode named = Lookup(signal, code, faultAddress, stackPointer);
    text.Append("Exception code: ");
    text.AppendHex(ExceptionCode(signal, code, faultAddress, stackPointer), 8);
    text.Append("\r\n");
    if (named.name != nullptr)
    {
        text.Append(named.name);
    }
    else
    {
        const char* description = sigdescr_np(signal);
        text.Append(description != nullptr ? description : "Unknown signal");
        text.Append(" (signal ");
        text.AppendDecimal(signal);
        text.Append(", code ");
        text.AppendDecimal(code);
        text.Append(")");
    }
    text.Append("\r\n");
}

void WriteExceptionPart(TextOut& text, const Platform::CaptureBlock& capture)
{
    const greg_t* registers = capture.context.uc_mcontext.gregs;
    WriteExceptionLines(text, capture.signal, capture.code, capture.faultAddress,
                        static_cast<std::uint64_t>(registers[REG_RSP]));

    text.Append("Fault address:  ");
    text.AppendHex(static_cast<std::uint64_t>(registers[REG_RIP]), 16);
    text.Append(" ");
    text.AppendDecimal(capture.faultModule.section);
    text.Append(" ");
    text.AppendDecimal(capture.faultModule.offset);
    text.Append(" ");
    text.Append(capture.faultModule.path);
    text.Append("\r\n");

    text.Append("\r\nRegisters:\r\n");
#if defined(__x86_64__)
    WriteRegister(text, "RAX: ", registers[REG_RAX]);
    WriteRegister(text, "RBX: ", registers[REG_RBX]);
    WriteRegister(text, "RCX: ", registers[REG_RCX]);
    WriteRegister(text, "RDX: ", registers[REG_RDX]);
    WriteRegister(text, "RSI: ", registers[REG_RSI]);
    WriteRegister(text, "RDI: ", registers[REG_RDI]);
    WriteRegister(text, "RBP: ", registers[REG_RBP]);
    WriteRegister(text, "R8: ", registers[REG_R8]);
    WriteRegister(text, "R9: ", registers[REG_R9]);
    WriteRegister(text, "R10: ", registers[REG_R10]);
    WriteRegister(text, "R11: ", registers[REG_R11]);
    WriteRegister(text, "R12: ", registers[REG_R12]);
    WriteRegister(text, "R13: ", registers[REG_R13]);
    WriteRegister(text, "R14: ", registers[REG_R14]);
    WriteRegister(text, "R15: ", registers[REG_R15]);
    // cs, gs and fs share one word; its top 16 bits are ss when the kernel says it saved ss.
    const auto segments = static_cast<std::uint64_t>(registers[REG_CSGSFS]);
    constexpr unsigned long SavedSs = 0x2; // UC_SIGCONTEXT_SS
    const std::int64_t ss = (capture.context.uc_flags & SavedSs) != 0 ? static_cast<std::int64_t>(segments >> 48) : 0;
    text.Append("CS:RIP: ");
    text.AppendDecimal(static_cast<std::int64_t>(segments & 0xFFFF));
    text.Append(":");
    text.AppendDecimal(registers[REG_RIP]);
    text.Append("\r\n");
    text.Append("SS:RSP: ");
    text.AppendDecimal(ss);
    text.Append(":");
    text.AppendDecimal(registers[REG_RSP]);
    text.Append("\r\n");
    WriteRegister(text, "DS: ", 0);
    WriteRegister(text, "ES: ", 0);
    WriteRegister(text, "FS: ", static_cast<std::int64_t>((segments >> 32) & 0xFFFF));
    WriteRegister(text, "GS: ", static_cast<std::int64_t>((segments >> 16) & 0xFFFF));
    WriteRegister(text, "Flags: ", registers[REG_EFL]);
#else
    text.Append("Registers of this architecture are not supported.\r\n");
#endif
}

void WriteThreads(TextOut& text, std::uint32_t options, int skip, const Platform::CaptureBlock& capture,
                  StackPrinter* printer)
{
    if (capture.snapshotFailed)
    {
        text.Append("<< Cannot take thread snapshot >> \r\n");
        return;
    }
    for (int i = 0; i < capture.listedCount; ++i)
    {
        const Platform::ListedThread& listed = capture.listed[i];
        if (listed.slot < 0 || !HasContext(capture.threads[listed.slot]))
        {
            text.Append("<< Cannot open Thread ");
            text.AppendDecimal(listed.tid);
            text.Append("\r\n");
        }
    }
    if (capture.hasException)
    {
        WriteSeparator(text, '=');
        text.Append("Crashing Thread: \r\n");
        if (printer != nullptr)
        {
            printer->WriteStack(text, capture.crashingStack, skip);
        }
    }
    for (int i = 0; i < capture.listedCount; ++i)
    {
        const Platform::ListedThread& listed = capture.listed[i];
        if (listed.slot < 0)
        {
            continue;
        }
        const Platform::CapturedThread& thread = capture.threads[listed.slot];
        if (!HasContext(thread))
        {
            continue;
        }
        const bool current = listed.tid == capture.reportingTid;
        if (current && (options & OptionRepeatCrashingThread) == 0)
        {
            continue;
        }
        WriteSeparator(text, '=');
        text.Append("ThreadID: ");
        text.AppendDecimal(listed.tid);
        text.Append("  ThreadHandle: ");
        text.AppendHex(current ? capture.reportingHandle : thread.handle, 16);
        text.Append("\r\n");
        if (printer != nullptr)
        {
            printer->WriteStack(text, current ? capture.currentStack : thread.stack, skip);
        }
    }
    if ((options & OptionGlobals) != 0)
    {
        WriteSeparator(text, '=');
        text.Append("Globals:\r\n\r\n");
        if (printer != nullptr)
        {
            printer->WriteGlobals(text);
        }
    }
}

} // namespace CrashReport
