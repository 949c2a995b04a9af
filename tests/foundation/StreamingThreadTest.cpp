#include "foundation/StreamingThread.h"

#include "tests/foundation/TestResources.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

using BaseLib::CResource;
using BaseLib::CResourcePtr;
using ResourceTesting::Gate;
using ResourceTesting::Parameters;

namespace
{

class StreamingThread : public testing::Test
{
protected:
    StreamingThread()
    {
        registry.SetMemoryLimit(1000);
        factory.SetBackgroundLoading(true);
    }
    ~StreamingThread() override { thread.reset(); }

    CResourcePtr<CResource> Schedule(const std::string& name, Gate* gate = nullptr, bool loads = true)
    {
        Parameters params;
        params.gate = gate;
        params.loads = loads;
        return factory.GetResource(name, params, false, true);
    }

    // Shut down as the program does: the destructor ends the thread, then the factory goes (emptying the
    // cache), then the registry.
    BaseLib::CResourceRegistry registry;
    std::unique_ptr<BaseLib::CStreamingThread> thread = std::make_unique<BaseLib::CStreamingThread>();
    ResourceTesting::Factory factory{&registry, thread.get()};
    ResourceTesting::TraceWatch trace;
};

} // namespace

TEST_F(StreamingThread, SchedulingTwiceQueuesOnceAndALoadedResourceIsNotScheduled)
{
    CResourcePtr<CResource> first = Schedule("a");
    CResourcePtr<CResource> second = Schedule("a");
    EXPECT_EQ(first.Get(), second.Get());
    EXPECT_EQ(first->GetState(), BaseLib::ResourceScheduled);
    thread->Schedule(first);
    EXPECT_EQ(trace.Text(), "Streaming Thread: scheduled for loading: a\n");

    Parameters params;
    CResourcePtr<CResource> loaded = factory.GetResource("b", params); // loaded at once
    trace.Clear();
    thread->Schedule(loaded);
    EXPECT_EQ(trace.Text(), "");

    thread->Start();
    thread->Start();
    first->WaitUntilLoaded();
    EXPECT_EQ(first->GetState(), BaseLib::ResourceLoaded);
    trace.WaitFor("Streaming Thread: loaded resource a, (10 bytes)\n");
    thread.reset();
    EXPECT_EQ(factory.Count("load:a"), 1);
}

TEST_F(StreamingThread, AWaiterMovesItsResourceToTheFrontAndIsReleasedInTheCycleThatLoadsIt)
{
    Gate gateA;
    Gate gateB;
    CResourcePtr<CResource> a = Schedule("a", &gateA);
    CResourcePtr<CResource> b = Schedule("b", &gateB);
    CResourcePtr<CResource> c = Schedule("c");
    thread->Start();
    gateA.WaitForArrivals(1);

    std::thread waiter([&] { c->WaitUntilLoaded(); });
    trace.WaitFor("Streaming Thread: a thread is starting to wait for resource c\n");
    gateA.Open();
    waiter.join(); // returns while b is still held at its gate (or not yet started)
    EXPECT_EQ(c->GetState(), BaseLib::ResourceLoaded);
    EXPECT_EQ(factory.Count("load:b"), 0);
    gateB.Open();
    b->WaitUntilLoaded();
    EXPECT_EQ(b->GetState(), BaseLib::ResourceLoaded);
    thread.reset();
    const std::vector<std::string> log = factory.Log();
    std::vector<std::string> loads;
    std::copy_if(log.begin(), log.end(), std::back_inserter(loads),
                 [](const std::string& entry) { return entry.starts_with("load:"); });
    // c's later queue entry is skipped as already loaded.
    EXPECT_EQ(loads, (std::vector<std::string>{"load:a", "load:c", "load:b"}));
}

TEST_F(StreamingThread, DestroyingTheThreadLetsTheLoadInProgressFinish)
{
    Gate gate;
    CResourcePtr<CResource> a = Schedule("a", &gate);
    thread->Start();
    gate.WaitForArrivals(1);
    std::atomic<bool> destroyed{false};
    std::thread stopper([&] {
        thread.reset();
        destroyed = true;
    });
    trace.Clear();
    EXPECT_FALSE(destroyed);
    gate.Open();
    stopper.join();
    EXPECT_EQ(a->GetState(), BaseLib::ResourceLoaded);
    EXPECT_EQ(factory.Count("load:a"), 1);
    EXPECT_NE(trace.Text().find("Streaming Thread: loaded resource a, (10 bytes)\n"), std::string::npos);
}

TEST_F(StreamingThread, AFailedLoadWithoutWaiterLeavesStateZeroAndWaitingReturnsAtOnce)
{
    CResourcePtr<CResource> missing = Schedule("missing", nullptr, false);
    thread->Start();
    trace.WaitFor("Streaming Thread: failed to load resource missing");
    EXPECT_EQ(missing->GetState(), BaseLib::ResourceUnloaded);
    EXPECT_EQ(factory.Count("load:missing"), 1);
    missing->WaitUntilLoaded();
    EXPECT_EQ(missing->GetState(), BaseLib::ResourceUnloaded);
}

TEST_F(StreamingThread, AWaiterOnAFailingResourceIsReleasedAfterThreeAttemptsAndTheWorkerGoesIdle)
{
    Gate gate;
    CResourcePtr<CResource> missing = Schedule("missing", &gate, false);
    thread->Start();
    gate.WaitForArrivals(1);
    std::thread waiter([&] { missing->WaitUntilLoaded(); });
    trace.WaitFor("a thread is starting to wait for resource missing");
    gate.Open();
    waiter.join();
    EXPECT_EQ(missing->GetState(), BaseLib::ResourceUnloaded);
    EXPECT_EQ(factory.Count("load:missing"), 3);

    // Idle: the next resource loads, and the failed one is not tried again.
    CResourcePtr<CResource> next = Schedule("next");
    next->WaitUntilLoaded();
    trace.WaitFor("loaded resource next");
    thread.reset();
    EXPECT_EQ(factory.Count("load:missing"), 3);

    // A later direct wait tries again (state 0 is not loaded).
    static_cast<ResourceTesting::Resource*>(missing.Get())->Params().loads = true;
    EXPECT_TRUE(missing->EnsureLoaded());
}

TEST_F(StreamingThread, WaitingWhileTheWorkerSleepsDoesNotHang)
{
    thread->Start();
    Parameters params;
    CResourcePtr<CResource> never = factory.GetResource("never", params); // loaded at once, not queued
    never->Unload();
    never->SetState(BaseLib::ResourceScheduled); // scheduled, yet in no queue: the worker sleeps
    never->WaitUntilLoaded();
    EXPECT_EQ(never->GetState(), BaseLib::ResourceLoaded);

    // A failed resource that a thread waits for directly is tried again.
    CResourcePtr<CResource> missing = Schedule("missing", nullptr, false);
    trace.WaitFor("failed to load resource missing");
    static_cast<ResourceTesting::Resource*>(missing.Get())->Params().loads = true;
    thread->WaitFor(missing);
    EXPECT_EQ(missing->GetState(), BaseLib::ResourceLoaded);
}

TEST_F(StreamingThread, DestroyingReleasesWaitersAndUnschedulesWhatIsLeft)
{
    Parameters params;
    CResourcePtr<CResource> waited = factory.GetResource("waited", params, false, true); // never started
    CResourcePtr<CResource> queued = factory.GetResource("queued", params, false, true);
    std::thread waiter([&] { waited->WaitUntilLoaded(); });
    trace.WaitFor("a thread is starting to wait for resource waited");
    thread.reset();
    waiter.join();
    // Left unloaded, not scheduled: waiting again must not reach the destroyed thread, and a load on the
    // caller's thread still works.
    EXPECT_EQ(waited->GetState(), BaseLib::ResourceUnloaded);
    EXPECT_EQ(queued->GetState(), BaseLib::ResourceUnloaded);
    queued->WaitUntilLoaded();
    EXPECT_TRUE(queued->EnsureLoaded());
}
