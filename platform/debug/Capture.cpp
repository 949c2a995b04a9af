#include "platform/debug/Capture.h"

#include "platform/debug/ModuleLookup.h"
#include "platform/debug/StackWalk.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace Platform
{

namespace
{

bool SwitchSet(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && std::strcmp(value, "1") == 0;
}

struct ModuleJob
{
    CaptureBlock* capture;
    std::uint64_t address;
};

void RunModuleLookup(void* argument)
{
    ModuleJob& job = *static_cast<ModuleJob*>(argument);
    CaptureBlock& capture = *job.capture;
    FindModuleAddress(capture.maps, capture.mapsLength, job.address, capture.scratch, sizeof(capture.scratch),
                      capture.faultModule);
}

} // namespace

void PrepareCapture(CaptureBlock& capture, std::uint32_t options)
{
    capture.options = options;
    capture.pid = static_cast<int>(getpid());
    const ssize_t length = readlink("/proc/self/exe", capture.executablePath, sizeof(capture.executablePath) - 1);
    capture.executablePath[length > 0 ? length : 0] = '\0';
    static const char deleted[] = " (deleted)";
    const std::size_t pathLength = std::strlen(capture.executablePath);
    if (pathLength >= sizeof(deleted) - 1 &&
        std::strcmp(capture.executablePath + pathLength - (sizeof(deleted) - 1), deleted) == 0)
    {
        capture.executablePath[pathLength - (sizeof(deleted) - 1)] = '\0';
    }
    const time_t now = time(nullptr);
    tm local{};
    capture.utcOffsetSeconds = localtime_r(&now, &local) != nullptr ? local.tm_gmtoff : 0;
    capture.testFaultInWalk = SwitchSet("QUARROW_CRASH_TEST_FAULT_IN_WALK");
    capture.testFaultOutside = SwitchSet("QUARROW_CRASH_TEST_FAULT_OUTSIDE");
    capture.testHang = SwitchSet("QUARROW_CRASH_TEST_HANG");
    const char* watchdog = std::getenv("QUARROW_CRASH_TEST_WATCHDOG");
    capture.watchdogSeconds = watchdog != nullptr ? static_cast<unsigned>(std::strtoul(watchdog, nullptr, 10)) : 0;
}

CaptureTime CivilTime(std::int64_t seconds)
{
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0)
    {
        rest += 86400;
        --days;
    }
    // Days to a proleptic Gregorian date, counting eras of 400 years from 0000-03-01.
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    const std::int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    const std::int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    CaptureTime time{};
    time.year = static_cast<unsigned>(year);
    time.month = static_cast<unsigned>(month);
    time.day = static_cast<unsigned>(day);
    time.hour = static_cast<unsigned>(rest / 3600);
    time.minute = static_cast<unsigned>(rest / 60 % 60);
    time.second = static_cast<unsigned>(rest % 60);
    return time;
}

void CaptureProcess(CaptureBlock& capture, const FaultContext* crash, int skip)
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    capture.time = CivilTime(static_cast<std::int64_t>(now.tv_sec) + capture.utcOffsetSeconds);
    capture.pid = static_cast<int>(getpid());
    capture.reportSkip = skip;
    capture.reportingTid = static_cast<int>(syscall(SYS_gettid));
    capture.reportingHandle = static_cast<std::uint64_t>(pthread_self());

    const long mapsLength = ReadOwnMaps(capture.maps, sizeof(capture.maps));
    capture.mapsLength = mapsLength > 0 ? static_cast<std::size_t>(mapsLength) : 0;

    capture.hasException = crash != nullptr && crash->info != nullptr && crash->context != nullptr;
    capture.crashingStack.frameCount = 0;
    capture.faultModule.path[0] = '\0';
    capture.faultModule.section = 0;
    capture.faultModule.offset = 0;
    if (capture.hasException)
    {
        capture.signal = crash->signal;
        capture.code = crash->info->si_code;
        capture.faultAddress = reinterpret_cast<std::uint64_t>(crash->info->si_addr);
        std::memcpy(&capture.info, crash->info, sizeof(siginfo_t));
        std::memcpy(&capture.context, crash->context, sizeof(ucontext_t));
        ModuleJob job{&capture, static_cast<std::uint64_t>(crash->context->uc_mcontext.gregs[REG_RIP])};
        RunRecoverable(RunModuleLookup, &job);
    }
    else
    {
        capture.signal = 0;
        capture.code = 0;
        capture.faultAddress = 0;
    }

    StopOtherThreads(capture);

    if (capture.hasException)
    {
        WalkSignalContext(capture.context, 0, capture.crashingStack, capture.testFaultInWalk);
    }
    for (int i = 0; i < capture.listedCount; ++i)
    {
        const int slot = capture.listed[i].slot;
        if (slot < 0)
        {
            continue;
        }
        CapturedThread& thread = capture.threads[slot];
        const auto state = static_cast<ThreadState>(thread.state.load());
        thread.stack.frameCount = 0;
        if (state == ThreadState::Stopped || state == ThreadState::Faulted)
        {
            WalkSignalContext(thread.context, 0, thread.stack);
        }
    }
    WalkCurrentThread(0, capture.currentStack);
}

void ReleaseCapture(CaptureBlock& capture)
{
    ReleaseStoppedThreads(capture);
}

} // namespace Platform
