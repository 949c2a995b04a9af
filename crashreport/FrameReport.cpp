#include "crashreport/FrameReport.h"

#include "crashreport/CrashReport.h"
#include "platform/debug/FaultHandler.h"
#include "platform/debug/SymbolReader.h"

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
    std::uint64_t address;
    std::uint32_t mask;
    FrameRecord* frame;
};

void RunCollect(void* argument)
{
    CollectJob& job = *static_cast<CollectJob*>(argument);
    *job.frame = CollectFrame(*job.symbols, job.address, job.mask);
}

} // namespace

FrameRecord CollectFrame(const Platform::SymbolReader& symbols, std::uint64_t lookupAddress, std::uint32_t mask)
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
    text.Append(")");
    if ((mask & OptionLocals) == 0)
    {
        text.Append(";\r\n");
        return;
    }
    text.Append("\r\n{");
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
        CollectJob job{&m_Symbols, exact ? captured.pc : captured.pc - 1, FrameMask, &frame};
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
        SymbolStackPrinter printer(*symbols);
        WriteThreads(text, capture.reportOptions, capture.reportSkip + 1, capture, &printer);
    }
    else
    {
        WriteThreads(text, capture.reportOptions, capture.reportSkip + 1, capture, nullptr);
    }
    return WriteWholeFile(capture.reportPath, text.Data(), text.Length());
}

} // namespace CrashReport
