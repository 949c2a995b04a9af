#include "platform/os/Thread.h"
#include "platform/os/Sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace
{

struct Probe
{
    Platform::Handle started = Platform::CreateEvent(true, false);
    Platform::Handle proceed = Platform::CreateEvent(true, false);
    std::atomic<bool> ran{false};
    std::atomic<std::uint64_t> processors{0};

    ~Probe()
    {
        Platform::CloseHandle(started);
        Platform::CloseHandle(proceed);
    }
};

std::uint32_t RunProbe(void* argument)
{
    auto& probe = *static_cast<Probe*>(argument);
    probe.processors = Platform::GetCurrentThreadProcessors();
    probe.ran = true;
    Platform::SetEvent(probe.started);
    Platform::WaitFor(probe.proceed);
    return 42;
}

} // namespace

TEST(PlatformThread, SuspendedThreadWaitsForResumeAndReportsItsExitCode)
{
    Probe probe;
    std::uint32_t id = 0;
    Platform::Handle thread = Platform::StartThread(RunProbe, &probe, Platform::ThreadStartSuspended, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(id, 0u);
    EXPECT_EQ(Platform::WaitFor(probe.started, 50), Platform::WaitResult::TimedOut);
    EXPECT_FALSE(probe.ran);

    EXPECT_TRUE(Platform::SetThreadPriority(thread, Platform::ThreadPriorityBelowNormal));
    EXPECT_TRUE(Platform::SetThreadPriority(thread, Platform::ThreadPriorityAboveNormal));
    EXPECT_EQ(Platform::ResumeThread(thread), 1u);
    EXPECT_EQ(Platform::ResumeThread(thread), 0u);
    EXPECT_EQ(Platform::WaitFor(probe.started), Platform::WaitResult::Signalled);
    std::uint32_t code = 0;
    ASSERT_TRUE(Platform::GetThreadExitCode(thread, code));
    EXPECT_EQ(code, Platform::ThreadStillActive);
    EXPECT_EQ(Platform::WaitFor(thread, 0), Platform::WaitResult::TimedOut);

    Platform::SetEvent(probe.proceed);
    EXPECT_EQ(Platform::WaitFor(thread), Platform::WaitResult::Signalled);
    ASSERT_TRUE(Platform::GetThreadExitCode(thread, code));
    EXPECT_EQ(code, 42u);
    EXPECT_TRUE(Platform::CloseHandle(thread));
}

TEST(PlatformThread, CopiesOfAHandleAreClosedIndependently)
{
    Probe probe;
    Platform::Handle thread = Platform::StartThread(RunProbe, &probe, 0, nullptr);
    Platform::Handle copy = Platform::CopyHandle(thread);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, thread);
    EXPECT_TRUE(Platform::CloseHandle(thread));
    Platform::SetEvent(probe.proceed);
    EXPECT_EQ(Platform::WaitFor(copy), Platform::WaitResult::Signalled);
    EXPECT_TRUE(Platform::CloseHandle(copy));

    EXPECT_EQ(Platform::CopyHandle(nullptr), nullptr);
    EXPECT_FALSE(Platform::CloseHandle(nullptr));
    EXPECT_EQ(Platform::WaitFor(nullptr, 0), Platform::WaitResult::Failed);
    EXPECT_EQ(Platform::ResumeThread(nullptr), 0xFFFFFFFFu);
}

TEST(PlatformThread, NewThreadsRunOnEveryProcessorWhileTheCreatorIsBound)
{
    const std::uint64_t all = Platform::GetCurrentThreadProcessors();
    if ((all & (all - 1)) == 0)
    {
        GTEST_SKIP() << "only one processor";
    }
    Probe probe;
    Platform::Handle thread = nullptr;
    // Bind a creator thread to the first processor, as the program binds its main thread.
    std::thread creator([&] {
        ASSERT_TRUE(Platform::SetCurrentThreadProcessors(all & (~all + 1)));
        thread = Platform::StartThread(RunProbe, &probe, 0, nullptr);
    });
    creator.join();
    Platform::SetEvent(probe.proceed);
    ASSERT_EQ(Platform::WaitFor(thread), Platform::WaitResult::Signalled);
    EXPECT_EQ(probe.processors, all);
    Platform::CloseHandle(thread);
    EXPECT_FALSE(Platform::SetCurrentThreadProcessors(0));
}

TEST(PlatformEvent, AutoResetReleasesOneWaiterPerSetManualResetReleasesAll)
{
    for (const bool manual : {false, true})
    {
        SCOPED_TRACE(manual ? "manual reset" : "auto reset");
        Platform::Handle event = Platform::CreateEvent(manual, false);
        Platform::Handle copy = Platform::CopyHandle(event);
        std::atomic<int> released{0};
        auto waiter = [&] {
            if (Platform::WaitFor(copy, 500) == Platform::WaitResult::Signalled)
            {
                ++released;
            }
        };
        std::thread first(waiter);
        std::thread second(waiter);
        Platform::SetEvent(event);
        first.join();
        second.join();
        // The auto-reset waiter that missed out times out after 0.5 s; both pass with manual reset.
        EXPECT_EQ(released, manual ? 2 : 1);
        EXPECT_EQ(Platform::WaitFor(event, 0),
                  manual ? Platform::WaitResult::Signalled : Platform::WaitResult::TimedOut);
        Platform::ResetEvent(event);
        EXPECT_EQ(Platform::WaitFor(event, 0), Platform::WaitResult::TimedOut);
        Platform::CloseHandle(copy);
        Platform::CloseHandle(event);
    }
}

TEST(PlatformEvent, TimedWaitReturnsWhenTheLimitExpires)
{
    Platform::Handle event = Platform::CreateEvent(false, false);
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(Platform::WaitFor(event, 30), Platform::WaitResult::TimedOut);
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(30));
    EXPECT_EQ(Platform::ResumeThread(event), 0xFFFFFFFFu); // not a thread
    Platform::CloseHandle(event);
}

TEST(PlatformCriticalSection, OwnerMayEnterAgainOthersWaitUntilFullyLeft)
{
    Platform::CriticalSection section;
    section.Enter();
    section.Enter();
    auto tryFromOtherThread = [&] {
        bool entered = false;
        std::thread([&] {
            entered = section.TryEnter();
            if (entered)
            {
                section.Leave();
            }
        }).join();
        return entered;
    };
    EXPECT_FALSE(tryFromOtherThread());
    section.Leave();
    EXPECT_FALSE(tryFromOtherThread());
    section.Leave();
    EXPECT_TRUE(tryFromOtherThread());
}
