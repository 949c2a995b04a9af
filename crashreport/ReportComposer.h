#pragma once

#include "crashreport/ReportText.h"
#include "platform/debug/CrashCapture.h"

#include <cstdint>

// The report's text, composed from a capture: the exception part (code, name, fault address,
// registers) and the thread part. It writes into a caller's text and allocates nothing, so the
// fault handler and the reporter process share it.
namespace CrashReport
{

// Turns one walked stack into frame blocks. Without one the thread blocks have no frames.
class StackPrinter
{
public:
    virtual ~StackPrinter() = default;
    // Writes the frame blocks of `stack`; `skip` > 0 drops that many first frames.
    virtual void WriteStack(TextOut& text, const Platform::CapturedStack& stack, int skip) = 0;
    // Writes the executable's global variables, one per line.
    virtual void WriteGlobals(TextOut& text) = 0;
};

// The exception status code the crash stands for: the table of the system's fault codes, else
// 0xE0000000 + the signal number. A SIGSEGV whose address lies within 64 KiB of the stack pointer is a
// stack overflow.
std::uint32_t ExceptionCode(int signal, int code, std::uint64_t faultAddress, std::uint64_t stackPointer);

// "Exception code: %08X\r\n" and the code's name + "\r\n"; a code outside the table is named by the
// signal's description and " (signal %d, code %d)".
void WriteExceptionLines(TextOut& text, int signal, int code, std::uint64_t faultAddress, std::uint64_t stackPointer);

// The exception lines, the fault address line and the registers of the captured crash.
void WriteExceptionPart(TextOut& text, const Platform::CaptureBlock& capture);

// The thread part: threads that cannot be opened, the crashing stack, then one block per listed
// thread (the reporting thread only with option bit 26), then with bit 22 the "Globals:" section.
void WriteThreads(TextOut& text, std::uint32_t options, int skip, const Platform::CaptureBlock& capture,
                  StackPrinter* printer);

} // namespace CrashReport
