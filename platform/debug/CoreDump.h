#pragma once

#include "platform/debug/CrashCapture.h"

#include <ucontext.h>

// The dump of a crashed process as an ELF core file that the usual debuggers open with the executable:
// every captured thread with its registers and stack, the modules (their first pages and the file
// mapping table), the modules' writable data, the auxiliary vector and the crash's signal. Written
// with system calls only into buffers of the capture: safe in a signal handler.
namespace Platform
{

// The largest dump written; larger data regions are left out first.
constexpr std::uint64_t MaxCoreDumpSize = 256ull * 1024 * 1024;

// Writes the dump of the captured process to `fd`. Without a crash in the capture, `callerContext`
// (the calling thread's registers, taken by the caller) gives the first thread. Memory that cannot be
// read is written as zeros. Returns 0, or the errno of the call that failed.
int WriteCoreDump(int fd, CaptureBlock& capture, const ucontext_t* callerContext);

} // namespace Platform
