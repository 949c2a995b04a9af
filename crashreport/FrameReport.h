#pragma once

#include "crashreport/ReportComposer.h"
#include "crashreport/TextBuffer.h"
#include "crashreport/VariableRecord.h"

#include <vector>

#include <cstdint>

namespace Platform
{
class SymbolReader;
class VariableReader;
struct DebugValue;
struct FrameRegisters;
} // namespace Platform

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
    std::vector<VariableRecord> parameters;
    std::vector<VariableRecord> locals;
    std::vector<VariableRecord> globals;
};

// The record of a value read from the crashed process.
VariableRecord ToRecord(const Platform::DebugValue& value);

// The marker appended to the frames of the reporter's own code.
constexpr const char* InternalFrameMarker = " <internal hidden debuging function>";
// The function name of a frame whose debug information could not be read.
constexpr const char* ParsingFailureName = "CrashReport: Unexpected Failure in Parsing DWARF-Info";

// Collects the frame's function name (bit 16), module (bit 17), source line (bit 18), parameters
// (bit 20) and locals (bit 21) of the mask at `lookupAddress`; variables that a symbol filter matches
// are left out. A frame of the reporter's own code gets the internal marker and nothing more.
FrameRecord CollectFrame(const Platform::SymbolReader& symbols, Platform::VariableReader* variables,
                         std::uint64_t lookupAddress, const Platform::FrameRegisters& registers, std::uint32_t mask);

// The variables a filter does not hide, as records.
void AppendRecords(const std::vector<Platform::DebugValue>& values, std::vector<VariableRecord>& records);

// Prints a frame block with the mask: the separator, "module:", "source(line):", then the function
// with its parameters and the locals block.
void WriteFrame(TextOut& text, const FrameRecord& frame, std::uint32_t mask);

// Prints every frame of a walk with its symbols (the fixed frame mask).
class SymbolStackPrinter : public StackPrinter
{
public:
    SymbolStackPrinter(const Platform::SymbolReader& symbols, Platform::VariableReader& variables,
                       const char* executablePath)
        : m_Symbols(symbols), m_Variables(variables), m_ExecutablePath(executablePath)
    {
    }
    void WriteStack(TextOut& text, const Platform::CapturedStack& stack, int skip) override;
    void WriteGlobals(TextOut& text) override;

private:
    const Platform::SymbolReader& m_Symbols;
    Platform::VariableReader& m_Variables;
    const char* m_ExecutablePath;
};

// Runs in the reporter process: composes the whole report from the capture and writes it to the
// capture's report path. The symbols are set up at the first report and kept.
bool ComposeReportInReporter(Platform::CaptureBlock& capture);

} // namespace CrashReport
