#include "foundation/Thread.h"

#include "platform/os/Sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace
{

class Worker
{
public:
    ~Worker() { Platform::CloseHandle(started); }

    std::uint32_t Run(std::uint32_t argument)
    {
        seenArgument = argument;
        processors = Platform::GetCurrentThreadProcessors();
        ran = true;
        Platform::SetEvent(started);
        return 7;
    }

    std::uint32_t RunWithoutArgument() { return Run(99) + 1; }

    Platform::Handle started = Platform::CreateEvent(true, false);
    std::atomic<bool> ran{false};
    std::atomic<std::uint32_t> seenArgument{1234};
    std::atomic<std::uint64_t> processors{0};
};

std::uint32_t ExitCode(const BaseLib::CThread& thread)
{
    std::uint32_t code = 0;
    EXPECT_TRUE(Platform::GetThreadExitCode(thread.GetHandle(), code));
    return code;
}

} // namespace

TEST(CThread, StartsSuspendedAndReturnsTheMembersResultAsExitCode)
{
    Worker worker;
    BaseLib::CThread thread;
    ASSERT_TRUE(thread.Create(&worker, &Worker::Run));
    EXPECT_NE(thread.GetId(), 0u);
    EXPECT_EQ(Platform::WaitFor(worker.started, 50), Platform::WaitResult::TimedOut);
    EXPECT_FALSE(worker.ran);

    Platform::SetThreadPriority(thread.GetHandle(), Platform::ThreadPriorityBelowNormal);
    EXPECT_EQ(Platform::ResumeThread(thread.GetHandle()), 1u);
    ASSERT_EQ(Platform::WaitFor(thread.GetHandle()), Platform::WaitResult::Signalled);
    EXPECT_TRUE(worker.ran);
    EXPECT_EQ(worker.seenArgument, 0u);
    EXPECT_EQ(ExitCode(thread), 7u);
}

TEST(CThread, RunsAtOnceWithoutTheSuspendFlagAndTakesMembersWithoutArgument)
{
    Worker worker;
    BaseLib::CThread thread;
    ASSERT_TRUE(thread.Create(&worker, &Worker::RunWithoutArgument, 0));
    ASSERT_EQ(Platform::WaitFor(thread.GetHandle()), Platform::WaitResult::Signalled);
    EXPECT_EQ(worker.seenArgument, 99u);
    EXPECT_EQ(ExitCode(thread), 8u);
}

TEST(CThread, CopiesOwnTheirHandlesAndSelfAssignmentKeepsIt)
{
    Worker worker;
    BaseLib::CThread thread;
    ASSERT_TRUE(thread.Create(&worker, &Worker::Run));
    const Platform::Handle original = thread.GetHandle();
    auto& self = thread;
    thread = self;
    EXPECT_EQ(thread.GetHandle(), original);

    BaseLib::CThread copy;
    copy = thread;
    EXPECT_NE(copy.GetHandle(), nullptr);
    EXPECT_NE(copy.GetHandle(), original);
    EXPECT_EQ(copy.GetId(), thread.GetId());
    thread.Close();
    EXPECT_EQ(thread.GetHandle(), nullptr);
    thread.Close();

    // The copy still reaches the thread after the original's handle is closed.
    EXPECT_EQ(Platform::ResumeThread(copy.GetHandle()), 1u);
    EXPECT_EQ(Platform::WaitFor(copy.GetHandle()), Platform::WaitResult::Signalled);
    const BaseLib::CThread second(copy);
    EXPECT_EQ(ExitCode(second), 7u);

    BaseLib::CThread empty;
    copy = empty;
    EXPECT_EQ(copy.GetHandle(), nullptr);
    EXPECT_EQ(copy.GetId(), 0u);
}

TEST(CThread, NewThreadUsesEveryProcessorWhileItsCreatorIsBoundToOne)
{
    const std::uint64_t all = Platform::GetCurrentThreadProcessors();
    if ((all & (all - 1)) == 0)
    {
        GTEST_SKIP() << "only one processor";
    }
    Worker worker;
    BaseLib::CThread thread;
    std::thread([&] {
        ASSERT_TRUE(Platform::SetCurrentThreadProcessors(all & (~all + 1)));
        ASSERT_TRUE(thread.Create(&worker, &Worker::Run));
    }).join();
    Platform::ResumeThread(thread.GetHandle());
    ASSERT_EQ(Platform::WaitFor(thread.GetHandle()), Platform::WaitResult::Signalled);
    EXPECT_EQ(worker.processors, all);
}
