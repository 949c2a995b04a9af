#include "platform/debug/FaultHandler.h"

#include "platform/debug/SafeFormat.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <linux/futex.h>
#include <new>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace Platform
{

namespace
{

constexpr int FaultSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTRAP, SIGSYS};
constexpr int FaultSignalCount = sizeof(FaultSignals) / sizeof(FaultSignals[0]);

std::atomic<bool> g_Installed{false};
FaultFilter g_Filter = nullptr;
struct sigaction g_PreviousFault[FaultSignalCount];
int g_StopSignal = 0;
struct sigaction g_PreviousStop;
void* g_InstallStack = nullptr;
std::size_t g_InstallStackSize = 0;
stack_t g_PreviousInstallStack;

// The thread that reports (its kernel id), 0 while none does. Crash reports never give it back.
std::atomic<int> g_ReportingTid{0};
// The signal of the crash being reported, so a later failure ends the process with it.
std::atomic<int> g_CrashSignal{0};
// The innermost recovery point of the reporting thread.
std::atomic<sigjmp_buf*> g_Recovery{nullptr};

std::atomic<bool> g_StopActive{false};
std::atomic<int> g_StopGeneration{0};
std::atomic<int> g_ReleasedGeneration{0};
std::atomic<int> g_Answers{0};
std::atomic<int> g_WatchdogSignal{0};

int CurrentTid()
{
    return static_cast<int>(syscall(SYS_gettid));
}

long Futex(std::atomic<int>& word, int operation, int value, const timespec* timeout)
{
    return syscall(SYS_futex, reinterpret_cast<int*>(&word), operation, value, timeout, nullptr, 0);
}

void WakeAll(std::atomic<int>& word)
{
    Futex(word, FUTEX_WAKE, INT_MAX, nullptr);
}

int IndexOfFaultSignal(int signal)
{
    for (int i = 0; i < FaultSignalCount; ++i)
    {
        if (FaultSignals[i] == signal)
        {
            return i;
        }
    }
    return -1;
}

void SetDefaultAction(int signal)
{
    struct sigaction action;
    std::memset(&action, 0, sizeof(action));
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
}

// Ends the process with `signal` by its default action, whatever the handlers and masks are.
[[noreturn]] void DieBySignal(int signal)
{
    SetDefaultAction(signal);
    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, signal);
    pthread_sigmask(SIG_UNBLOCK, &unblock, nullptr);
    raise(signal);
    // A signal whose default action does not end the process.
    _exit(128 + signal);
}

int ClaimSlot(CaptureBlock& capture, int tid)
{
    for (int i = 0; i < MaxCapturedThreads; ++i)
    {
        int expected = 0;
        if (capture.threads[i].tid.compare_exchange_strong(expected, tid) || expected == tid)
        {
            return i;
        }
    }
    return -1;
}

int FindSlot(CaptureBlock& capture, int tid)
{
    for (int i = 0; i < MaxCapturedThreads; ++i)
    {
        const int owner = capture.threads[i].tid.load();
        if (owner == tid)
        {
            return i;
        }
        if (owner == 0)
        {
            break;
        }
    }
    return -1;
}

void OnStopSignal(int, siginfo_t*, void* context)
{
    const int savedErrno = errno;
    CaptureBlock* capture = GetCaptureBlock();
    if (capture != nullptr && g_StopActive.load())
    {
        const int generation = g_StopGeneration.load();
        const int slot = FindSlot(*capture, CurrentTid());
        if (slot >= 0)
        {
            CapturedThread& thread = capture->threads[slot];
            if (thread.state.load() == static_cast<int>(ThreadState::Listed))
            {
                std::memcpy(&thread.context, context, sizeof(ucontext_t));
                thread.handle = static_cast<std::uint64_t>(pthread_self());
            }
            int expected = static_cast<int>(ThreadState::Listed);
            if (thread.state.compare_exchange_strong(expected, static_cast<int>(ThreadState::Stopped)))
            {
                g_Answers.fetch_add(1);
                WakeAll(g_Answers);
                for (;;)
                {
                    const int released = g_ReleasedGeneration.load();
                    if (released - generation >= 0)
                    {
                        break;
                    }
                    Futex(g_ReleasedGeneration, FUTEX_WAIT, released, nullptr);
                }
            }
        }
    }
    errno = savedErrno;
}

void OnWatchdog(int)
{
    const int signal = g_WatchdogSignal.load();
    WriteStandardError("CrashReport: the report did not finish in time\n");
    DieBySignal(signal != 0 ? signal : SIGABRT);
}

// A fault of another thread while one reports: its context goes into its slot, it counts as stopped
// and waits until the report ends (for ever after a crash).
void ParkFaultedThread(int tid, void* context)
{
    CaptureBlock* capture = GetCaptureBlock();
    const int slot = capture != nullptr ? ClaimSlot(*capture, tid) : -1;
    if (slot >= 0)
    {
        CapturedThread& thread = capture->threads[slot];
        std::memcpy(&thread.context, context, sizeof(ucontext_t));
        thread.handle = static_cast<std::uint64_t>(pthread_self());
        thread.state.store(static_cast<int>(ThreadState::Faulted));
        g_Answers.fetch_add(1);
        WakeAll(g_Answers);
    }
    for (;;)
    {
        const int owner = g_ReportingTid.load();
        if (owner == 0)
        {
            return;
        }
        Futex(g_ReportingTid, FUTEX_WAIT, owner, nullptr);
    }
}

// The previous action decides, as the previous filter would: its handler runs, or the default action
// ends the process with this signal.
void ChainToPrevious(int signal, siginfo_t* info, void* context)
{
    const int index = IndexOfFaultSignal(signal);
    if (index < 0)
    {
        DieBySignal(signal);
    }
    const struct sigaction previous = g_PreviousFault[index];
    sigaction(signal, &previous, nullptr);
    if ((previous.sa_flags & SA_SIGINFO) != 0)
    {
        if (reinterpret_cast<void*>(previous.sa_sigaction) != reinterpret_cast<void*>(SIG_DFL) &&
            reinterpret_cast<void*>(previous.sa_sigaction) != reinterpret_cast<void*>(SIG_IGN))
        {
            previous.sa_sigaction(signal, info, context);
            return;
        }
    }
    else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN)
    {
        previous.sa_handler(signal);
        return;
    }
    // The kernel raised it for the faulting instruction: that runs again under the default action.
    if (info != nullptr && info->si_code > 0 && signal != SIGABRT)
    {
        return;
    }
    raise(signal);
}

void OnFault(int signal, siginfo_t* info, void* context)
{
    const int savedErrno = errno;
    const int self = CurrentTid();
    for (;;)
    {
        int owner = 0;
        if (g_ReportingTid.compare_exchange_strong(owner, self))
        {
            g_CrashSignal.store(signal);
            CaptureBlock* capture = GetCaptureBlock();
            ArmWatchdog(signal, capture != nullptr && capture->watchdogSeconds != 0 ? capture->watchdogSeconds : 60);
            const FaultContext fault{signal, info, static_cast<ucontext_t*>(context)};
            if (g_Filter != nullptr)
            {
                g_Filter(fault);
            }
            DisarmWatchdog();
            ChainToPrevious(signal, info, context);
            errno = savedErrno;
            return;
        }
        if (owner == self)
        {
            if (sigjmp_buf* point = g_Recovery.exchange(nullptr))
            {
                siglongjmp(*point, 1);
            }
            // A fault in the reporter outside any recovery point: no second report, no loop.
            for (const int fault : FaultSignals)
            {
                SetDefaultAction(fault);
            }
            const int crashSignal = g_CrashSignal.load();
            DieBySignal(crashSignal != 0 ? crashSignal : signal);
        }
        ParkFaultedThread(self, context);
    }
}

} // namespace

CaptureBlock* GetCaptureBlock()
{
    static CaptureBlock* const block = [] () -> CaptureBlock* {
        void* memory = mmap(nullptr, sizeof(CaptureBlock), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED)
        {
            return nullptr;
        }
        return new (memory) CaptureBlock();
    }();
    return block;
}

bool InstallFaultHandlers(FaultFilter filter, std::size_t alternateStackSize)
{
    if (g_Installed.load() || GetCaptureBlock() == nullptr)
    {
        return false;
    }
    // The stop signal: the first real-time signal nobody uses.
    int stopSignal = 0;
    for (int candidate = SIGRTMIN; candidate <= SIGRTMAX && stopSignal == 0; ++candidate)
    {
        struct sigaction current;
        if (sigaction(candidate, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) == 0 &&
            current.sa_handler == SIG_DFL)
        {
            stopSignal = candidate;
        }
    }
    if (stopSignal == 0)
    {
        return false;
    }

    void* stack = mmap(nullptr, alternateStackSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (stack != MAP_FAILED)
    {
        stack_t alternate{};
        alternate.ss_sp = stack;
        alternate.ss_size = alternateStackSize;
        if (sigaltstack(&alternate, &g_PreviousInstallStack) == 0)
        {
            g_InstallStack = stack;
            g_InstallStackSize = alternateStackSize;
        }
        else
        {
            munmap(stack, alternateStackSize);
        }
    }

    struct sigaction stop;
    std::memset(&stop, 0, sizeof(stop));
    stop.sa_sigaction = OnStopSignal;
    stop.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESTART;
    sigemptyset(&stop.sa_mask);
    sigaction(stopSignal, &stop, &g_PreviousStop);
    g_StopSignal = stopSignal;

    g_Filter = filter;
    struct sigaction fault;
    std::memset(&fault, 0, sizeof(fault));
    fault.sa_sigaction = OnFault;
    fault.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
    sigemptyset(&fault.sa_mask);
    for (int i = 0; i < FaultSignalCount; ++i)
    {
        sigaction(FaultSignals[i], &fault, &g_PreviousFault[i]);
    }
    g_Installed.store(true);
    return true;
}

bool UninstallFaultHandlers()
{
    if (!g_Installed.load())
    {
        return false;
    }
    for (int i = 0; i < FaultSignalCount; ++i)
    {
        sigaction(FaultSignals[i], &g_PreviousFault[i], nullptr);
    }
    sigaction(g_StopSignal, &g_PreviousStop, nullptr);
    g_StopSignal = 0;
    if (g_InstallStack != nullptr)
    {
        stack_t current{};
        // Only the stack installed here is taken away; a thread that changed it keeps its own.
        if (sigaltstack(nullptr, &current) == 0 && current.ss_sp == g_InstallStack)
        {
            if ((g_PreviousInstallStack.ss_flags & SS_DISABLE) != 0)
            {
                stack_t disable{};
                disable.ss_flags = SS_DISABLE;
                sigaltstack(&disable, nullptr);
            }
            else
            {
                sigaltstack(&g_PreviousInstallStack, nullptr);
            }
            munmap(g_InstallStack, g_InstallStackSize);
        }
        g_InstallStack = nullptr;
    }
    g_Installed.store(false);
    return true;
}

bool FaultHandlersInstalled()
{
    return g_Installed.load();
}

int StopSignal()
{
    return g_StopSignal;
}

bool BeginReporting()
{
    const int self = CurrentTid();
    for (;;)
    {
        int owner = 0;
        if (g_ReportingTid.compare_exchange_strong(owner, self))
        {
            return true;
        }
        if (owner == self)
        {
            return false;
        }
        Futex(g_ReportingTid, FUTEX_WAIT, owner, nullptr);
    }
}

void EndReporting()
{
    g_ReportingTid.store(0);
    WakeAll(g_ReportingTid);
}

void ArmWatchdog(int signal, unsigned seconds)
{
    g_WatchdogSignal.store(signal);
    struct sigaction action;
    std::memset(&action, 0, sizeof(action));
    action.sa_handler = OnWatchdog;
    sigemptyset(&action.sa_mask);
    sigaction(SIGALRM, &action, nullptr);
    alarm(seconds);
}

void DisarmWatchdog()
{
    alarm(0);
    SetDefaultAction(SIGALRM);
}

void BecomeReporterProcess()
{
    for (int signal = 1; signal < NSIG; ++signal)
    {
        if (signal != SIGKILL && signal != SIGSTOP)
        {
            SetDefaultAction(signal);
        }
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    g_Filter = nullptr;
    g_Installed.store(false);
    g_CrashSignal.store(0);
    g_Recovery.store(nullptr);
    g_ReportingTid.store(CurrentTid());
    struct sigaction fault;
    std::memset(&fault, 0, sizeof(fault));
    fault.sa_sigaction = OnFault;
    fault.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&fault.sa_mask);
    for (const int signal : FaultSignals)
    {
        sigaction(signal, &fault, nullptr);
    }
}

bool RunRecoverable(void (*step)(void* argument), void* argument)
{
    sigjmp_buf point;
    sigjmp_buf* const outer = g_Recovery.load();
    if (sigsetjmp(point, 1) == 0)
    {
        g_Recovery.store(&point);
        step(argument);
        g_Recovery.store(outer);
        return true;
    }
    g_Recovery.store(outer);
    return false;
}

bool StopOtherThreads(CaptureBlock& capture)
{
    capture.listedCount = 0;
    capture.snapshotFailed = false;
    const int fd = open("/proc/self/task", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
    {
        capture.snapshotFailed = true;
        return false;
    }
    alignas(8) char entries[4096];
    for (;;)
    {
        const long size = syscall(SYS_getdents64, fd, entries, sizeof(entries));
        if (size < 0)
        {
            close(fd);
            capture.listedCount = 0;
            capture.snapshotFailed = true;
            return false;
        }
        if (size == 0)
        {
            break;
        }
        for (long at = 0; at < size;)
        {
            // linux_dirent64: inode (8), offset (8), record length (2), type (1), name.
            unsigned short recordLength;
            std::memcpy(&recordLength, entries + at + 16, sizeof(recordLength));
            const char* name = entries + at + 19;
            int tid = 0;
            bool numeric = name[0] != '\0';
            for (const char* c = name; *c != '\0'; ++c)
            {
                numeric = numeric && *c >= '0' && *c <= '9';
                tid = tid * 10 + (*c - '0');
            }
            if (numeric && capture.listedCount < MaxListedThreads)
            {
                capture.listed[capture.listedCount++] = ListedThread{tid, -1};
            }
            at += recordLength;
        }
    }
    close(fd);

    const int self = CurrentTid();
    const int pid = static_cast<int>(getpid());
    g_StopGeneration.fetch_add(1);
    g_StopActive.store(true);
    for (int i = 0; i < capture.listedCount; ++i)
    {
        ListedThread& listed = capture.listed[i];
        listed.slot = ClaimSlot(capture, listed.tid);
        if (listed.slot < 0)
        {
            continue;
        }
        CapturedThread& thread = capture.threads[listed.slot];
        if (listed.tid == self)
        {
            thread.handle = static_cast<std::uint64_t>(pthread_self());
            thread.state.store(static_cast<int>(ThreadState::Current));
            continue;
        }
        int expected = static_cast<int>(ThreadState::Empty);
        if (!thread.state.compare_exchange_strong(expected, static_cast<int>(ThreadState::Listed)))
        {
            continue; // it faulted meanwhile and took its context itself
        }
        if (syscall(SYS_tgkill, pid, listed.tid, g_StopSignal) != 0)
        {
            expected = static_cast<int>(ThreadState::Listed);
            thread.state.compare_exchange_strong(expected, static_cast<int>(ThreadState::NotAnswered));
        }
    }

    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::int64_t deadline = now.tv_sec * 1000000000LL + now.tv_nsec + 1000000000LL;
    for (;;)
    {
        const int seen = g_Answers.load();
        bool pending = false;
        for (int i = 0; i < capture.listedCount && !pending; ++i)
        {
            const int slot = capture.listed[i].slot;
            pending = slot >= 0 && capture.threads[slot].state.load() == static_cast<int>(ThreadState::Listed);
        }
        clock_gettime(CLOCK_MONOTONIC, &now);
        const std::int64_t remaining = deadline - (now.tv_sec * 1000000000LL + now.tv_nsec);
        if (!pending || remaining <= 0)
        {
            break;
        }
        const timespec wait{static_cast<time_t>(remaining / 1000000000LL), static_cast<long>(remaining % 1000000000LL)};
        Futex(g_Answers, FUTEX_WAIT, seen, &wait);
    }
    for (int i = 0; i < capture.listedCount; ++i)
    {
        const int slot = capture.listed[i].slot;
        if (slot >= 0)
        {
            int expected = static_cast<int>(ThreadState::Listed);
            capture.threads[slot].state.compare_exchange_strong(expected, static_cast<int>(ThreadState::NotAnswered));
        }
    }
    return true;
}

void ReleaseStoppedThreads(CaptureBlock& capture)
{
    g_StopActive.store(false);
    g_ReleasedGeneration.store(g_StopGeneration.load());
    WakeAll(g_ReleasedGeneration);
    for (CapturedThread& thread : capture.threads)
    {
        thread.state.store(static_cast<int>(ThreadState::Empty));
        thread.tid.store(0);
    }
    capture.listedCount = 0;
}

AlternateSignalStack::AlternateSignalStack(std::size_t size)
{
    void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
    {
        return;
    }
    stack_t alternate{};
    alternate.ss_sp = memory;
    alternate.ss_size = size;
    if (sigaltstack(&alternate, &m_Previous) != 0)
    {
        munmap(memory, size);
        return;
    }
    m_Memory = memory;
    m_Size = size;
}

AlternateSignalStack::~AlternateSignalStack()
{
    if (m_Memory == nullptr)
    {
        return;
    }
    // The previous stack comes back: a runtime that gave the thread its own may free it later itself.
    if ((m_Previous.ss_flags & SS_DISABLE) != 0 || m_Previous.ss_sp == nullptr)
    {
        stack_t disable{};
        disable.ss_flags = SS_DISABLE;
        sigaltstack(&disable, nullptr);
    }
    else
    {
        sigaltstack(&m_Previous, nullptr);
    }
    munmap(m_Memory, m_Size);
}

} // namespace Platform
