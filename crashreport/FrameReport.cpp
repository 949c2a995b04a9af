#include "crashreport/FrameReport.h"

#include "crashreport/CrashReport.h"
#include "platform/debug/FaultHandler.h"
#include "platform/debug/SymbolReader.h"
#include "platform/debug/VariableReader.h"

#include <memory>
#include <string>

namespace CrashReport
{

namespace
{

bool IsInternal(const Platform::FrameSymbols& symbols)
{
    return symbols.function.rfind("CrashReport::", 0) == 0 ||
           symbols.source.find("/platform/debug/") != std::string::npos;
}

struct CollectJob
{
    const Platform::SymbolReader* symbols;
    Platform::VariableReader* variables;
    std::uint64_t address;
    const Platform::FrameRegisters* registers;
    std::uint32_t mask;
    FrameRecord* frame;
};

void RunCollect(void* argument)
{
    CollectJob& job = *static_cast<CollectJob*>(argument);
    *job.frame = CollectFrame(*job.symbols, job.variables, job.address, *job.registers, job.mask);
}

// The registers a frame's variables may use: all of them in the first frame of a signal context, the
// callee-saved ones and the stack pointer above it.
Platform::FrameRegisters RegistersOf(const Platform::CapturedStack& stack, int index)
{
    Platform::FrameRegisters registers;
    const Platform::CapturedFrame& frame = stack.frames[index];
    registers.cfa = frame.cfa;
    auto set = [&registers](int number, std::uint64_t value) {
        registers.known[number] = true;
        registers.value[number] = value;
    };
    if (index == 0)
    {
        const greg_t* g = stack.first.gregs;
        const int order[] = {REG_RAX, REG_RDX, REG_RCX, REG_RBX, REG_RSI, REG_RDI, REG_RBP, REG_RSP,
                             REG_R8,  REG_R9,  REG_R10, REG_R11, REG_R12, REG_R13, REG_R14, REG_R15, REG_RIP};
        for (int number = 0; number < Platform::FrameRegisters::Count; ++number)
        {
            set(number, static_cast<std::uint64_t>(g[order[number]]));
        }
        return registers;
    }
    set(3, frame.calleeSaved[Platform::SavedRbx]);
    set(6, frame.calleeSaved[Platform::SavedRbp]);
    set(7, stack.frames[index - 1].cfa);
    set(12, frame.calleeSaved[Platform::SavedR12]);
    set(13, frame.calleeSaved[Platform::SavedR13]);
    set(14, frame.calleeSaved[Platform::SavedR14]);
    set(15, frame.calleeSaved[Platform::SavedR15]);
    return registers;
}

void PrintList(TextOut& text, const std::vector<VariableRecord>& records, std::uint32_t mask)
{
    for (const VariableRecord& record : records)
    {
        text.Append("\r\n");
        PrintVariable(record, text, mask, "  ");
    }
}

} // namespace

VariableRecord ToRecord(const Platform::DebugValue& value)
{
    VariableRecord record;
    record.name = SmallString::Copy(value.name.c_str());
    record.typeName = SmallString::Copy(value.typeName.c_str());
    record.kind = value.kind;
    record.size = value.size;
    record.value = value.value;
    record.stringValid = value.stringValid;
    record.text = value.text;
    record.validPointer = value.validPointer;
    record.overLimit = value.overLimit;
    record.moreChildren = value.moreChildren;
    record.children.reserve(value.children.size());
    for (const Platform::DebugValue& child : value.children)
    {
        record.children.push_back(ToRecord(child));
    }
    return record;
}

void AppendRecords(const std::vector<Platform::DebugValue>& values, std::vector<VariableRecord>& records)
{
    for (const Platform::DebugValue& value : values)
    {
        VariableRecord record = ToRecord(value);
        if (!IsFilteredOut(record))
        {
            records.push_back(std::move(record));
        }
    }
}

FrameRecord CollectFrame(const Platform::SymbolReader& symbols, Platform::VariableReader* variables,
                         std::uint64_t lookupAddress, const Platform::FrameRegisters& registers, std::uint32_t mask)
{
    FrameRecord frame;
    frame.pc = lookupAddress;
    const Platform::FrameSymbols found = symbols.Lookup(lookupAddress);
    if ((mask & OptionFunctionName) != 0)
    {
        frame.function = SmallString::Copy(found.function.c_str());
        if (IsInternal(found))
        {
            frame.function = frame.function + InternalFrameMarker;
            return frame;
        }
    }
    if ((mask & OptionModuleName) != 0)
    {
        frame.module = SmallString::Copy(found.module.c_str());
    }
    if ((mask & OptionSourceLine) != 0)
    {
        frame.source = SmallString::Copy(found.source.c_str());
        frame.line = found.line;
    }
    if (variables != nullptr && (mask & (OptionParameters | OptionLocals)) != 0)
    {
        std::vector<Platform::DebugValue> parameters;
        std::vector<Platform::DebugValue> locals;
        variables->ReadFrame(lookupAddress, registers, parameters, locals);
        if ((mask & OptionParameters) != 0)
        {
            AppendRecords(parameters, frame.parameters);
        }
        if ((mask & OptionLocals) != 0)
        {
            AppendRecords(locals, frame.locals);
        }
    }
    return frame;
}

void WriteFrame(TextOut& text, const FrameRecord& frame, std::uint32_t mask)
{
    text.AppendRepeated('-', 66);
    text.Append("\r\n");
    if ((mask & OptionModuleName) != 0 && !frame.module.Empty())
    {
        text.Append(frame.module.Text());
        text.Append(":\r\n");
    }
    if ((mask & OptionSourceLine) != 0)
    {
        text.Append(frame.source.Text());
        text.Append("(");
        text.AppendDecimal(frame.line);
        text.Append("):\r\n");
    }
    text.Append(frame.function.Text());
    text.Append("(");
    for (std::size_t i = 0; i < frame.parameters.size(); ++i)
    {
        if (i > 0)
        {
            text.Append(", ");
        }
        PrintVariable(frame.parameters[i], text, mask, "");
    }
    text.Append(")");
    if ((mask & OptionLocals) == 0 && ((mask & OptionGlobals) == 0 || frame.globals.empty()))
    {
        text.Append(";\r\n");
        return;
    }
    text.Append("\r\n{");
    PrintList(text, frame.locals, mask);
    PrintList(text, frame.globals, mask);
    text.Append("\r\n}\r\n");
}

void SymbolStackPrinter::WriteStack(TextOut& text, const Platform::CapturedStack& stack, int skip)
{
    for (int i = skip > 0 ? skip : 0; i < stack.frameCount; ++i)
    {
        const Platform::CapturedFrame& captured = stack.frames[i];
        // Return addresses point after their call; the first frame and a frame a signal interrupted
        // point at their instruction.
        const bool exact = i == 0 || stack.frames[i - 1].signalFrame;
        FrameRecord frame;
        const Platform::FrameRegisters registers = RegistersOf(stack, i);
        CollectJob job{&m_Symbols, &m_Variables, exact ? captured.pc : captured.pc - 1, &registers, FrameMask, &frame};
        if (!Platform::RunRecoverable(RunCollect, &job))
        {
            frame = FrameRecord{};
            frame.function = SmallString::Borrow(ParsingFailureName);
        }
        frame.frameAddress = captured.cfa;
        frame.pc = captured.pc;
        WriteFrame(text, frame, FrameMask);
    }
}

void SymbolStackPrinter::WriteGlobals(TextOut& text)
{
    std::vector<Platform::DebugValue> values;
    m_Variables.ReadGlobals(m_ExecutablePath, values);
    std::vector<VariableRecord> globals;
    AppendRecords(values, globals);
    for (const VariableRecord& global : globals)
    {
        PrintVariable(global, text, FrameMask | OptionGlobals, "  ");
        text.Append("\r\n");
    }
}

bool ComposeReportInReporter(Platform::CaptureBlock& capture)
{
    // Set up once and kept; a failed set-up is tried again at the next report.
    static std::unique_ptr<Platform::SymbolReader> symbols;
    if (symbols == nullptr)
    {
        auto reader = std::make_unique<Platform::SymbolReader>();
        if (reader->Open(capture.pid, capture.maps, capture.executablePath))
        {
            symbols = std::move(reader);
        }
    }
    TextBuffer text;
    if (capture.hasException)
    {
        WriteExceptionPart(text, capture);
    }
    if (symbols != nullptr)
    {
        // Pointers are followed as deep as the low byte of the mask says: one level.
        Platform::VariableReader variables(*symbols, capture.pid, static_cast<int>(FrameMask & 0xFF));
        SymbolStackPrinter printer(*symbols, variables, capture.executablePath);
        WriteThreads(text, capture.reportOptions, capture.reportSkip + 1, capture, &printer);
    }
    else
    {
        WriteThreads(text, capture.reportOptions, capture.reportSkip + 1, capture, nullptr);
    }
    return WriteWholeFile(capture.reportPath, text.Data(), text.Length());
}

} // namespace CrashReport
