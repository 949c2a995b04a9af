#pragma once

#include "platform/debug/CrashCapture.h"
#include "platform/debug/FaultHandler.h"

#include <cstdint>

// Filling the capture block: once at installation (what the handler must not look up later), then at
// every report. Everything that runs in a report is async-signal-safe.
namespace Platform
{

// Takes what a report needs later and may not ask for in a handler: the executable's path (without a
// trailing " (deleted)"), the local time's offset from UTC, and the test switches of the environment
// ("QUARROW_CRASH_TEST_FAULT_IN_WALK", "QUARROW_CRASH_TEST_FAULT_OUTSIDE", "QUARROW_CRASH_TEST_HANG" set
// to 1, "QUARROW_CRASH_TEST_WATCHDOG" in seconds).
void PrepareCapture(CaptureBlock& capture, std::uint32_t options);

// The calendar date and time `seconds` after 1970-01-01 00:00:00.
CaptureTime CivilTime(std::int64_t seconds);

// Captures the process for a report: the local time, the exception (when `crash` is given) with the
// module of its instruction address, the memory map, every thread (the others stopped) and every
// walk: the crashing thread from its fault context, the stopped and parked threads from theirs, the
// calling thread from here. The walks keep every frame; `skip` is kept for the printing, which drops
// frames. The threads stay stopped until ReleaseCapture.
void CaptureProcess(CaptureBlock& capture, const FaultContext* crash, int skip);

// Lets the stopped threads run on.
void ReleaseCapture(CaptureBlock& capture);

} // namespace Platform
