#pragma once

#include <atomic>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <ucontext.h>

// The capture of a crash: everything the fault handler gathers about the process (the exception, every
// thread's context and walked stack, the fault address's module, the memory map), kept in one block of
// shared memory reserved before any crash, so the handler allocates nothing and a reporter process can
// read it.
namespace Platform
{

constexpr int MaxCapturedFrames = 128;
constexpr int MaxCapturedThreads = 64;
constexpr int MaxListedThreads = 1024;
constexpr int MaxSymbolFilters = 32;
constexpr std::size_t CapturePathSize = 4096;
constexpr std::size_t CaptureMapsSize = 1024 * 1024;
constexpr std::size_t CaptureScratchSize = 64 * 1024;
constexpr std::size_t CaptureNotesSize = 1024 * 1024;
constexpr int MaxDumpRegions = 4096;

// The callee-saved registers a walk keeps per frame, in this order.
enum CalleeSaved
{
    SavedRbx,
    SavedRbp,
    SavedR12,
    SavedR13,
    SavedR14,
    SavedR15,
    SavedCount
};

struct CapturedFrame
{
    std::uint64_t pc;
    // The stack pointer once the frame has returned: its canonical frame address.
    std::uint64_t cfa;
    std::uint64_t calleeSaved[SavedCount];
    bool signalFrame;
};

// One walked stack. `first` is the full register set of the first frame, as the context held it.
struct CapturedStack
{
    int frameCount;
    // The walk ended early because it faulted (it keeps its frames up to the last good one).
    bool faulted;
    mcontext_t first;
    CapturedFrame frames[MaxCapturedFrames];
};

// What became of a listed thread.
enum class ThreadState : int
{
    Empty,       // slot unused
    Listed,      // listed, its stop signal sent, no answer yet
    Stopped,     // answered the stop signal: its context is taken, it waits for the release
    Faulted,     // faulted while another thread reported: its fault context is taken, it waits for ever
    Current,     // the thread that makes the report
    NotAnswered, // did not answer within the limit, or beyond the capture's capacity
};

// A thread with a context slot.
struct CapturedThread
{
    std::atomic<int> tid;
    std::atomic<int> state; // ThreadState
    std::uint64_t handle;   // the thread's pthread_self()
    ucontext_t context;
    CapturedStack stack;
};

// One entry of the thread list, in the order the system listed the threads.
struct ListedThread
{
    int tid;
    int slot; // index into CaptureBlock::threads, -1 without one
};

// The file mapping that holds an address: its path, the index of the allocated ELF section that holds
// it and the offset from that section's start. An address in no module has an empty path, section 0.
struct ModuleAddress
{
    char path[CapturePathSize];
    int section;
    std::int64_t offset;
    std::uint64_t loadBias;
};

// Local calendar time of the report.
struct CaptureTime
{
    unsigned year, month, day, hour, minute, second;
};

// A memory region of the dump: stacks and first pages are always kept, data regions give way first
// when the dump would be too large.
struct DumpRegion
{
    std::uint64_t start;
    std::uint64_t end;
    std::uint32_t flags; // ELF segment flags
    bool data;
    bool kept;
};

// One thread of the dump, with the registers it is shown with.
struct DumpThread
{
    int tid;
    std::uint64_t handle;
    const mcontext_t* registers;
};

struct CaptureBlock
{
    // Set at installation.
    std::uint32_t options;
    int pid;
    char executablePath[CapturePathSize];
    long utcOffsetSeconds;
    // The predicates of CrashReport::AddSymbolFilter, as plain function addresses.
    std::atomic<int> symbolFilterCount;
    void (*symbolFilters[MaxSymbolFilters])();
    // Test switches, read from the environment at installation.
    bool testFaultInWalk;
    bool testFaultOutside;
    bool testHang;
    unsigned watchdogSeconds;

    // Set by each report.
    std::uint32_t reportOptions;
    int reportSkip;
    char reportPath[CapturePathSize + 64]; // the text report's file, named before the reporter is asked
    bool hasException;
    int signal;
    int code;
    std::uint64_t faultAddress; // si_addr
    siginfo_t info;
    ucontext_t context; // the fault context
    int reportingTid;
    std::uint64_t reportingHandle;
    CapturedStack crashingStack; // walked from the fault context
    CapturedStack currentStack;  // the reporting thread, walked inside the report
    ModuleAddress faultModule;
    CaptureTime time;
    bool snapshotFailed;
    int listedCount;
    ListedThread listed[MaxListedThreads];
    CapturedThread threads[MaxCapturedThreads];
    std::size_t mapsLength;
    char maps[CaptureMapsSize];
    char scratch[CaptureScratchSize];
    // The dump's workspace.
    int dumpRegionCount;
    DumpRegion dumpRegions[MaxDumpRegions];
    DumpThread dumpThreads[MaxCapturedThreads + 1];
    char notes[CaptureNotesSize];
};

} // namespace Platform
