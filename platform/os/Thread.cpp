#include "platform/os/Thread.h"

#include "platform/debug/FaultHandler.h"
#include "platform/os/HandleObject.h"

#include <algorithm>
#include <cerrno>
#include <sched.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace Platform
{

namespace
{

// The processor set and nice value the process started with, taken before main() runs and before
// anything binds the main thread: new threads get the whole set back.
struct ProcessStart
{
    cpu_set_t processors;
    int nice;
};

const ProcessStart& GetProcessStart()
{
    static const ProcessStart start = [] {
        ProcessStart taken{};
        if (sched_getaffinity(0, sizeof(taken.processors), &taken.processors) != 0)
        {
            CPU_ZERO(&taken.processors);
            const long count = std::max(1L, sysconf(_SC_NPROCESSORS_ONLN));
            for (long i = 0; i < count && i < CPU_SETSIZE; ++i)
            {
                CPU_SET(static_cast<int>(i), &taken.processors);
            }
        }
        errno = 0;
        taken.nice = getpriority(PRIO_PROCESS, 0);
        if (errno != 0)
        {
            taken.nice = 0;
        }
        return taken;
    }();
    return start;
}

[[maybe_unused]] const ProcessStart& g_processStartTakenEarly = GetProcessStart();

class ThreadObject : public HandleObject
{
public:
    // Runs on the new thread: reports its id, waits for the resume, runs the entry, signals the end.
    void Run(ThreadEntry entry, void* argument)
    {
        // So a stack overflow on this thread can still be reported.
        const AlternateSignalStack signalStack(64 * 1024);
        sched_setaffinity(0, sizeof(cpu_set_t), &GetProcessStart().processors);
        {
            std::unique_lock lock(mutex);
            systemId = static_cast<std::uint32_t>(gettid());
            changed.notify_all();
            changed.wait(lock, [this] { return suspendCount == 0; });
        }
        const std::uint32_t result = entry(argument);
        std::lock_guard lock(mutex);
        exitCode = result;
        signalled = true;
        changed.notify_all();
    }

    std::uint32_t WaitForId()
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return systemId != 0; });
        return systemId;
    }

    std::uint32_t Resume()
    {
        std::lock_guard lock(mutex);
        const std::uint32_t previous = suspendCount;
        if (suspendCount > 0 && --suspendCount == 0)
        {
            changed.notify_all();
        }
        return previous;
    }

    void SetPriority(int priority)
    {
        std::lock_guard lock(mutex);
        if (signalled)
        {
            return; // the id may already name another thread
        }
        const int nice = std::clamp(GetProcessStart().nice - priority * 5, -20, 19);
        // Fails without privileges when raising; the thread then keeps its priority.
        setpriority(PRIO_PROCESS, static_cast<id_t>(systemId), nice);
    }

    std::uint32_t ExitCode()
    {
        std::lock_guard lock(mutex);
        return signalled ? exitCode : ThreadStillActive;
    }

    std::uint32_t suspendCount = 0;

private:
    std::uint32_t systemId = 0;
    std::uint32_t exitCode = ThreadStillActive;
};

} // namespace

Handle StartThread(ThreadEntry entry, void* argument, std::uint32_t flags, std::uint32_t* id)
{
    if (id != nullptr)
    {
        *id = 0;
    }
    if (entry == nullptr)
    {
        return nullptr;
    }
    auto object = std::make_shared<ThreadObject>();
    object->suspendCount = (flags & ThreadStartSuspended) != 0 ? 1 : 0;
    try
    {
        std::thread([object, entry, argument] { object->Run(entry, argument); }).detach();
    }
    catch (const std::system_error&)
    {
        return nullptr;
    }
    const std::uint32_t systemId = object->WaitForId();
    if (id != nullptr)
    {
        *id = systemId;
    }
    return MakeHandle(std::move(object));
}

std::uint32_t ResumeThread(Handle thread)
{
    const auto object = HandleTarget<ThreadObject>(thread);
    return object ? object->Resume() : 0xFFFFFFFFu;
}

bool SetThreadPriority(Handle thread, int priority)
{
    const auto object = HandleTarget<ThreadObject>(thread);
    if (!object)
    {
        return false;
    }
    object->SetPriority(priority);
    return true;
}

bool GetThreadExitCode(Handle thread, std::uint32_t& code)
{
    const auto object = HandleTarget<ThreadObject>(thread);
    if (!object)
    {
        return false;
    }
    code = object->ExitCode();
    return true;
}

std::uint32_t CurrentThreadId()
{
    return static_cast<std::uint32_t>(gettid());
}

bool SetCurrentThreadProcessors(std::uint64_t mask)
{
    GetProcessStart();
    cpu_set_t set;
    CPU_ZERO(&set);
    for (int i = 0; i < 64; ++i)
    {
        if ((mask >> i) & 1u)
        {
            CPU_SET(i, &set);
        }
    }
    return CPU_COUNT(&set) > 0 && sched_setaffinity(0, sizeof(set), &set) == 0;
}

std::uint64_t GetCurrentThreadProcessors()
{
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof(set), &set) != 0)
    {
        return 0;
    }
    std::uint64_t mask = 0;
    for (int i = 0; i < 64; ++i)
    {
        if (CPU_ISSET(i, &set))
        {
            mask |= std::uint64_t{1} << i;
        }
    }
    return mask;
}

} // namespace Platform
