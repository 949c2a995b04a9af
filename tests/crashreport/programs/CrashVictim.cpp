// A program that crashes on purpose, for the crash reporter's tests.
//   crash_victim MODE [OPTIONS]
// It installs the reporter (with OPTIONS, default 0x073F0000), starts two parked workers and one thread
// that blocks every signal, prints "main", "worker" and "blocker" lines with their thread ids, saves
// its memory map as "victim.maps", then does what MODE says.
#include "crashreport/CrashReport.h"
#include "foundation/Debug.h"
#include "platform/debug/ReporterProcess.h"
#include "platform/os/Thread.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace
{

std::atomic<int> g_Ready{0};
std::atomic<bool> g_Go{false};
std::atomic<long> g_WorkerTicks{0};
volatile int* volatile g_Nowhere = nullptr;
volatile int g_Zero = 0;
int g_VictimGlobal = 1234;

struct Pair
{
    int first;
    int second;
};

void Pause(long milliseconds)
{
    timespec time{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    while (nanosleep(&time, &time) != 0 && errno == EINTR)
    {
    }
}

void PrintThread(const char* role)
{
    std::printf("%s %u\n", role, Platform::CurrentThreadId());
    std::fflush(stdout);
}

std::uint32_t ParkedWorker(void*)
{
    volatile long counter = 0;
    const char* volatile label = "parked";
    PrintThread("worker");
    g_Ready.fetch_add(1);
    for (;;)
    {
        counter = counter + 1;
        g_WorkerTicks.fetch_add(1);
        Pause(5);
        if (label == nullptr)
        {
            return 0;
        }
    }
}

std::uint32_t SignalBlocker(void*)
{
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, nullptr);
    PrintThread("blocker");
    g_Ready.fetch_add(1);
    for (;;)
    {
        Pause(50);
    }
}

__attribute__((noinline, no_sanitize("address", "undefined"))) int CrashingFunction(int depth)
{
    volatile int answer = 42;
    volatile char letter = 'A';
    const char* volatile text = "hello";
    volatile Pair pair{1, 2};
    *g_Nowhere = answer + depth; // CRASH-MARKER
    return letter + text[0] + pair.first;
}

__attribute__((noinline)) int CallCrashing()
{
    return CrashingFunction(1) + g_VictimGlobal;
}

__attribute__((noinline, no_sanitize("undefined"))) int DivideByZero()
{
    volatile int numerator = 7;
    return numerator / g_Zero;
}

volatile bool g_KeepRecursing = true;

__attribute__((noinline)) int Recurse(int depth)
{
    volatile char room[512];
    room[0] = static_cast<char>(depth);
    return g_KeepRecursing ? Recurse(depth + 1) + room[0] : room[0];
}

std::uint32_t RecursingWorker(void*)
{
    PrintThread("crasher");
    return static_cast<std::uint32_t>(Recurse(0));
}

std::uint32_t CrashingWorker(void*)
{
    PrintThread("crasher");
    return static_cast<std::uint32_t>(CallCrashing());
}

std::uint32_t TwinCrasher(void*)
{
    PrintThread("crasher");
    g_Ready.fetch_add(1);
    while (!g_Go.load())
    {
    }
    return static_cast<std::uint32_t>(CallCrashing());
}

void SaveMaps()
{
    const int in = open("/proc/self/maps", O_RDONLY);
    const int out = open("victim.maps", O_CREAT | O_TRUNC | O_WRONLY, 0644);
    char buffer[65536];
    ssize_t got;
    while (in >= 0 && out >= 0 && (got = read(in, buffer, sizeof(buffer))) > 0)
    {
        if (write(out, buffer, static_cast<std::size_t>(got)) != got)
        {
            break;
        }
    }
    close(in);
    close(out);
}

void WaitReady(int count)
{
    while (g_Ready.load() < count)
    {
        Pause(1);
    }
}

void PreviousHandler(int)
{
    const int fd = open("chain.marker", O_CREAT | O_TRUNC | O_WRONLY, 0644);
    close(fd);
    signal(SIGSEGV, SIG_DFL);
}

void* CurrentSegvHandler()
{
    struct sigaction action;
    sigaction(SIGSEGV, nullptr, &action);
    return reinterpret_cast<void*>(action.sa_handler);
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "segv";
    const auto options = static_cast<std::uint32_t>(argc > 2 ? std::strtoul(argv[2], nullptr, 0) : 0x073F0000);

    if (mode == "chain")
    {
        signal(SIGSEGV, PreviousHandler);
    }
    CrashReport::Install(options);
    if (mode == "chain")
    {
        void* const installed = CurrentSegvHandler();
        CrashReport::Install(0x02000000);
        const bool secondInstallIgnored = CurrentSegvHandler() == installed;
        CrashReport::Uninstall();
        const bool previousBack = CurrentSegvHandler() == reinterpret_cast<void*>(PreviousHandler);
        if (!secondInstallIgnored || !previousBack)
        {
            std::printf("chain checks failed\n");
            return 3;
        }
        CrashReport::Install(options);
    }

    BaseLib::DebugOutput("crash victim: %s\n", mode.c_str());
    PrintThread("main");
    std::printf("reporter %d\n", Platform::ReporterProcessId());
    Platform::StartThread(ParkedWorker, nullptr, 0, nullptr);
    Platform::StartThread(ParkedWorker, nullptr, 0, nullptr);
    Platform::StartThread(SignalBlocker, nullptr, 0, nullptr);
    WaitReady(3);
    SaveMaps();

    if (mode == "segv" || mode == "chain")
    {
        return CallCrashing();
    }
    if (mode == "fpe")
    {
        return DivideByZero();
    }
    if (mode == "abort")
    {
        std::abort();
    }
    if (mode == "overflow")
    {
        PrintThread("crasher");
        return Recurse(0);
    }
    if (mode == "overflow-worker" || mode == "worker")
    {
        Platform::StartThread(mode == "worker" ? CrashingWorker : RecursingWorker, nullptr, 0, nullptr);
        for (;;)
        {
            Pause(100);
        }
    }
    if (mode == "twice")
    {
        Platform::StartThread(TwinCrasher, nullptr, 0, nullptr);
        Platform::StartThread(TwinCrasher, nullptr, 0, nullptr);
        WaitReady(5);
        g_Go.store(true);
        for (;;)
        {
            Pause(100);
        }
    }
    if (mode == "ondemand")
    {
        CrashReport::WriteReport(nullptr, options, nullptr, -1);
        const long before = g_WorkerTicks.load();
        for (int i = 0; i < 200 && g_WorkerTicks.load() < before + 4; ++i)
        {
            Pause(5);
        }
        const bool ranOn = g_WorkerTicks.load() >= before + 4;
        std::printf(ranOn ? "workers ran on\n" : "workers stuck\n");
        std::fflush(stdout);
        CrashReport::Uninstall();
        return ranOn ? 0 : 4;
    }
    std::printf("unknown mode %s\n", mode.c_str());
    CrashReport::Uninstall();
    return 2;
}
