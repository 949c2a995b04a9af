#pragma once

#include "platform/debug/CrashCapture.h"

#include <csignal>
#include <cstddef>
#include <ucontext.h>

// Fault signals and alternate signal stacks: the stand-in for an unhandled-exception filter. One
// handler serves SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTRAP and SIGSYS; the first thread that
// faults becomes the reporting thread and runs the filter, every later fault of another thread parks
// that thread, and a fault of the reporting thread itself either returns to the innermost recovery
// point or ends the process.
namespace Platform
{

// What the kernel hands a fault handler: the signal, its information and the interrupted context.
struct FaultContext
{
    int signal;
    siginfo_t* info;
    ucontext_t* context;
};

// Runs on the reporting thread, inside the signal handler: must stay async-signal-safe.
using FaultFilter = void (*)(const FaultContext& fault);

// The capture block, reserved once as shared anonymous memory (it survives a fork) and never freed.
// Null when the memory cannot be had.
CaptureBlock* GetCaptureBlock();

// Gives the calling thread an alternate stack of `size` bytes, installs `filter` for the fault signals
// (the previous actions are kept), chooses the stop signal and installs its handler. Returns false and
// changes nothing when already installed, or when the handlers cannot be installed.
bool InstallFaultHandlers(FaultFilter filter, std::size_t alternateStackSize);

// Puts every previous action back (the stop signal's too). False when not installed.
bool UninstallFaultHandlers();

bool FaultHandlersInstalled();

// The real-time signal that stops threads for a report; 0 when not installed.
int StopSignal();

// Makes the calling thread the reporting thread for a report without a crash. Waits while another
// thread reports; false when the calling thread reports already.
bool BeginReporting();
// Ends a report begun with BeginReporting; a thread that faulted meanwhile then reports its own fault.
void EndReporting();

// Ends the process with `signal` (default action) when `seconds` pass before DisarmWatchdog.
void ArmWatchdog(int signal, unsigned seconds);
void DisarmWatchdog();

// Sets up a forked reporter process: every signal action back to the default, then the fault handler
// again, serving recovery points only (the calling thread is the reporting thread).
void BecomeReporterProcess();

// Runs step(argument) under a recovery point: a fault of the calling (reporting) thread inside it
// returns here and the step ends. Returns false when the step ended by a fault.
bool RunRecoverable(void (*step)(void* argument), void* argument);

// Lists the process's threads and stops every other thread (they wait in the stop signal's handler
// with their context taken). Threads that do not answer within one second are marked NotAnswered.
// False (and CaptureBlock::snapshotFailed set) when the threads cannot be listed.
bool StopOtherThreads(CaptureBlock& capture);

// Lets every stopped thread run on and clears the thread slots for the next report.
void ReleaseStoppedThreads(CaptureBlock& capture);

// An alternate signal stack for the calling thread while the object lives, so a stack overflow can
// still be handled. Memory comes from mmap; failures leave the thread without one.
class AlternateSignalStack
{
public:
    explicit AlternateSignalStack(std::size_t size);
    ~AlternateSignalStack();
    AlternateSignalStack(const AlternateSignalStack&) = delete;
    AlternateSignalStack& operator=(const AlternateSignalStack&) = delete;

private:
    void* m_Memory = nullptr;
    std::size_t m_Size = 0;
    stack_t m_Previous{};
};

} // namespace Platform
