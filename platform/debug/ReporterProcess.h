#pragma once

#include "platform/debug/CrashCapture.h"

// The reporter process: a child forked at installation that waits until a report is asked of it, then
// composes it from the shared capture with its own clean heap, so the crashed process does nothing
// unsafe. It ends when the connection to the program closes (the program ended or stopped it) and is
// killed when the thread that started it dies.
namespace Platform
{

// Runs in the reporter process for every report; answers whether the report was written.
using ReportComposer = bool (*)(CaptureBlock& capture);

// Forks the reporter process. Returns false (and traces why) when it cannot be started.
bool StartReporterProcess(ReportComposer composer);

// Asks the reporter for a report and waits up to `timeoutMilliseconds` for its answer.
// Async-signal-safe. False when there is no reporter, it does not answer in time (it is then killed),
// or it answers a failure. With the test switch "QUARROW_CRASH_TEST_KILL_REPORTER" set to 1 at
// installation, the reporter is killed first, as if it had died.
bool RequestReport(int timeoutMilliseconds);

// Closes the connection and waits for the reporter to end.
void StopReporterProcess();

// The reporter's process id, 0 without one.
int ReporterProcessId();

} // namespace Platform
