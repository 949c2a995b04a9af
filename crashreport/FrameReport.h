#pragma once

#include "crashreport/ReportComposer.h"
#include "crashreport/TextBuffer.h"

#include <cstdint>

namespace Platform
{
class SymbolReader;
}

// Frames with symbols, for the reporter process.
namespace CrashReport
{

// One stack frame of a report.
struct FrameRecord
{
    std::uint64_t frameAddress = 0;
    std::uint64_t pc = 0;
    SmallString function;
    SmallString module;
    SmallString source;
    int line = 0;
};

// The marker appended to the frames of the reporter's own code.
constexpr const char* InternalFrameMarker = " <internal hidden debuging function>";
// The function name of a frame whose debug information could not be read.
constexpr const char* ParsingFailureName = "CrashReport: Unexpected Failure in Parsing DWARF-Info";

// Collects the frame's function name (bit 16), module (bit 17) and source line (bit 18) of the mask at
// `lookupAddress`. A frame of the reporter's own code gets the internal marker and nothing more.
FrameRecord CollectFrame(const Platform::SymbolReader& symbols, std::uint64_t lookupAddress, std::uint32_t mask);

// Prints a frame block with the mask: the separator, "module:", "source(line):", then the function
// with its parameters and the locals block.
void WriteFrame(TextOut& text, const FrameRecord& frame, std::uint32_t mask);

// Prints every frame of a walk with its symbols (the fixed frame mask).
class SymbolStackPrinter : public StackPrinter
{
public:
    explicit SymbolStackPrinter(const Platform::SymbolReader& symbols) : m_Symbols(symbols) {}
    void WriteStack(TextOut& text, const Platform::CapturedStack& stack, int skip) override;

private:
    const Platform::SymbolReader& m_Symbols;
};

// Runs in the reporter process: composes the whole report from the capture and writes it to the
// capture's report path. The symbols are set up at the first report and kept.
bool ComposeReportInReporter(Platform::CaptureBlock& capture);

} // namespace CrashReport
