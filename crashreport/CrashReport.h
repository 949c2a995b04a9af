#pragma once

#include <cstddef>
#include <cstdint>

namespace Platform
{
struct FaultContext;
struct CaptureBlock;
struct CaptureTime;
} // namespace Platform

// The crash reporter: when the process dies of a fault it writes a text report (".btc") next to the
// executable, then the process ends by its original signal. Everything that runs when the fault
// arrives is async-signal-safe and uses memory reserved at Install.
namespace CrashReport
{

// Option bits.
constexpr std::uint32_t OptionFunctionName = 0x00010000;
constexpr std::uint32_t OptionModuleName = 0x00020000;
constexpr std::uint32_t OptionSourceLine = 0x00040000;
constexpr std::uint32_t OptionPrintValues = 0x00080000;
constexpr std::uint32_t OptionParameters = 0x00100000;
constexpr std::uint32_t OptionLocals = 0x00200000;
constexpr std::uint32_t OptionGlobals = 0x00400000;
constexpr std::uint32_t OptionMiniDump = 0x01000000;
constexpr std::uint32_t OptionTextReport = 0x02000000;
constexpr std::uint32_t OptionRepeatCrashingThread = 0x04000000;

// The mask every stack dump collects and prints frames with.
constexpr std::uint32_t FrameMask = 0x003F0000;

// One variable of a report (parameters, locals, globals); defined with the variable printer.
struct VariableRecord;

// A symbol filter: when the record matches it sets *matched and answers true; the variable is then
// left out of the report.
using SymbolFilter = bool (*)(const VariableRecord* record, bool* matched);

// Installs the reporter with the option word (the program entry passes 0x073F0000). Does nothing when
// installed already. The installing thread gets an alternate signal stack of 256 KiB.
void Install(std::uint32_t options);

// Puts back the signal actions that were in place before Install. Does nothing when not installed.
void Uninstall();

// Appends a predicate to the symbol filters (up to 32; a further one is traced and dropped). Works
// before Install too, so start-up initialisers can register theirs.
void AddSymbolFilter(SymbolFilter predicate);

// The registered filters, in the order of registration.
int SymbolFilterCount();
SymbolFilter GetSymbolFilter(int index);

// The fault handler's filter: writes the report for the crash.
void ExceptionFilter(const Platform::FaultContext& fault);

// Writes the report with the options: the crash's when `crash` is given, else one of the running
// process (no exception part). Every other thread is stopped meanwhile. `skip` > 0 drops that many
// first frames of each stack. `module` is not used (the executable is always the report's module).
void WriteReport(const void* module, std::uint32_t options, const Platform::FaultContext* crash, int skip);

// The report file's name: the executable's path without its extension, "_YYYY-MM-DD_hh_mm_ss", then
// "_1" to "_999" when the name exists, then `extension`; the plain name when all exist. Writes at most
// size - 1 characters and a zero. Async-signal-safe.
void BuildFileName(char* out, std::size_t size, const char* executablePath, const Platform::CaptureTime& time,
                   const char* extension);

// Writes `length` bytes to a new file `path` (created or truncated). Traces a failing call as
// "CrashReport: <call> failed: <reason>". False on failure. Async-signal-safe.
bool WriteWholeFile(const char* path, const char* data, std::size_t length);

// Writes the dump of the captured process to BuildFileName(".dmp") (an ELF core file). A failure is
// traced and leaves whatever was written. Async-signal-safe.
void WriteMiniDump(Platform::CaptureBlock& capture);

// Traces "CrashReport: <call> failed: <description of error>\n" to standard error.
void TraceFailure(const char* call, int error);

} // namespace CrashReport
