#include "platform/debug/Capture.h"
#include "platform/debug/FaultHandler.h"
#include "platform/debug/StackWalk.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <dlfcn.h>
#include <string>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

// The names of the functions of a walk (return addresses looked up one byte back), "?" when unknown.
std::vector<std::string> FrameNames(const Platform::CapturedStack& stack, bool firstIsExact)
{
    std::vector<std::string> names;
    for (int i = 0; i < stack.frameCount; ++i)
    {
        const auto pc = stack.frames[i].pc - ((i == 0 && firstIsExact) ? 0 : 1);
        Dl_info info{};
        const bool known = dladdr(reinterpret_cast<void*>(pc), &info) != 0 && info.dli_sname != nullptr;
        names.push_back(known ? info.dli_sname : "?");
    }
    return names;
}

int IndexOf(const std::vector<std::string>& names, const std::string& part)
{
    for (std::size_t i = 0; i < names.size(); ++i)
    {
        if (names[i].find(part) != std::string::npos)
        {
            return static_cast<int>(i);
        }
    }
    return -1;
}

Platform::CapturedStack g_Walked;

} // namespace

extern "C" __attribute__((noinline)) void WalkChainC()
{
    Platform::WalkCurrentThread(0, g_Walked);
    asm volatile("" ::: "memory");
}
extern "C" __attribute__((noinline)) void WalkChainB()
{
    WalkChainC();
    asm volatile("" ::: "memory");
}
extern "C" __attribute__((noinline)) void WalkChainA()
{
    WalkChainB();
    asm volatile("" ::: "memory");
}

extern "C" __attribute__((noinline)) void WaitInKnownPlace(std::atomic<bool>* stop, std::atomic<long>* ticks)
{
    while (!stop->load())
    {
        ticks->fetch_add(1);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    asm volatile("" ::: "memory");
}

TEST(PlatformStackWalk, CurrentThreadWalkNamesTheCallersInOrder)
{
    WalkChainA();
    const std::vector<std::string> names = FrameNames(g_Walked, false);
    ASSERT_GE(names.size(), 4u);
    EXPECT_EQ(names[0], "WalkChainC");
    EXPECT_EQ(names[1], "WalkChainB");
    EXPECT_EQ(names[2], "WalkChainA");
    EXPECT_FALSE(g_Walked.faulted);
    // Frame addresses grow towards the callers.
    EXPECT_LT(g_Walked.frames[0].cfa, g_Walked.frames[1].cfa);
    EXPECT_LT(g_Walked.frames[1].cfa, g_Walked.frames[2].cfa);
}

TEST(PlatformStackWalk, StoppedThreadsGiveTheirContextsAndRunOnAfterTheRelease)
{
    ASSERT_TRUE(Platform::InstallFaultHandlers([](const Platform::FaultContext&) {}, 64 * 1024));
    std::atomic<bool> stop{false};
    std::atomic<long> ticks{0};
    std::atomic<int> waiterTid{0};
    std::atomic<int> blockerTid{0};
    std::thread waiter([&] {
        waiterTid = static_cast<int>(syscall(SYS_gettid));
        WaitInKnownPlace(&stop, &ticks);
    });
    std::thread blocker([&] {
        sigset_t all;
        sigfillset(&all);
        pthread_sigmask(SIG_BLOCK, &all, nullptr);
        blockerTid = static_cast<int>(syscall(SYS_gettid));
        while (!stop.load())
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    while (waiterTid == 0 || blockerTid == 0 || ticks.load() == 0)
    {
        std::this_thread::yield();
    }

    Platform::CaptureBlock& capture = *Platform::GetCaptureBlock();
    ASSERT_TRUE(Platform::BeginReporting());
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(Platform::StopOtherThreads(capture));
    const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long ticksWhileStopped = ticks.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(ticks.load(), ticksWhileStopped) << "a stopped thread ran";

    Platform::ThreadState waiterState = Platform::ThreadState::Empty;
    Platform::ThreadState blockerState = Platform::ThreadState::Empty;
    std::vector<std::string> waiterNames;
    for (int i = 0; i < capture.listedCount; ++i)
    {
        const Platform::ListedThread& listed = capture.listed[i];
        ASSERT_GE(listed.slot, 0);
        Platform::CapturedThread& thread = capture.threads[listed.slot];
        if (listed.tid == waiterTid)
        {
            waiterState = static_cast<Platform::ThreadState>(thread.state.load());
            EXPECT_EQ(thread.handle, static_cast<std::uint64_t>(waiter.native_handle()));
            Platform::WalkSignalContext(thread.context, 0, thread.stack);
            waiterNames = FrameNames(thread.stack, true);
        }
        if (listed.tid == blockerTid)
        {
            blockerState = static_cast<Platform::ThreadState>(thread.state.load());
        }
    }
    Platform::ReleaseStoppedThreads(capture);
    Platform::EndReporting();

    EXPECT_EQ(waiterState, Platform::ThreadState::Stopped);
    EXPECT_EQ(blockerState, Platform::ThreadState::NotAnswered);
    EXPECT_GE(waited, 0.9);
    EXPECT_LT(waited, 3.0);
    EXPECT_GE(IndexOf(waiterNames, "WaitInKnownPlace"), 0) << testing::PrintToString(waiterNames);

    const long ticksAfter = ticks.load();
    while (ticks.load() < ticksAfter + 3)
    {
        std::this_thread::yield();
    }
    stop = true;
    waiter.join();
    blocker.join();
    EXPECT_TRUE(Platform::UninstallFaultHandlers());
    EXPECT_FALSE(Platform::UninstallFaultHandlers());
}
