#include "tests/foundation/TestResources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <thread>

using BaseLib::CResource;
using BaseLib::CResourcePtr;
using ResourceTesting::Parameters;

namespace
{

class ResourceRegistry : public testing::Test
{
protected:
    ResourceRegistry() { registry->SetMemoryLimit(1000); }
    ~ResourceRegistry() override
    {
        factory.reset();
        registry.reset();
    }

    CResourcePtr<CResource> Get(const std::string& name, std::uint32_t size = 10, bool clone = false)
    {
        params.size = size;
        return factory->GetResource(name, params, clone);
    }

    std::unique_ptr<BaseLib::CResourceRegistry> registry = std::make_unique<BaseLib::CResourceRegistry>();
    std::unique_ptr<ResourceTesting::Factory> factory =
        std::make_unique<ResourceTesting::Factory>(registry.get());
    Parameters params;
};

} // namespace

TEST_F(ResourceRegistry, SameNameGivesSameObjectAndReleasedOnesComeBackFromTheCache)
{
    CResourcePtr<CResource> first = Get("wall");
    CResourcePtr<CResource> second = Get("wall");
    EXPECT_EQ(first.Get(), second.Get());
    EXPECT_EQ(first->GetCount(), 2);
    EXPECT_EQ(first->GetState(), BaseLib::ResourceLoaded);
    CResource* object = first.Get();
    first.Clear();
    second = nullptr;
    EXPECT_FALSE(registry->ContainsName("wall"));
    factory->ClearLog();

    CResourcePtr<CResource> again = Get("wall");
    EXPECT_EQ(again.Get(), object);
    EXPECT_EQ(again->GetState(), BaseLib::ResourceLoaded);
    EXPECT_TRUE(again->IsRegistered());
    EXPECT_EQ(factory->Log(), std::vector<std::string>{});
}

TEST_F(ResourceRegistry, PointerCopiesAndAssignmentsKeepCountsExact)
{
    CResourcePtr<CResource> a = Get("a");
    CResourcePtr<CResource> b = Get("b");
    {
        CResourcePtr<CResource> copy = a;
        EXPECT_EQ(a->GetCount(), 2);
        copy = *&copy; // self-assignment, through a pointer so that compilers do not flag it
        EXPECT_EQ(a->GetCount(), 2);
        copy = b;
        EXPECT_EQ(a->GetCount(), 1);
        EXPECT_EQ(b->GetCount(), 2);
        CResourcePtr<CResource> moved = std::move(copy);
        EXPECT_EQ(b->GetCount(), 2);
    }
    EXPECT_EQ(b->GetCount(), 1);
}

TEST_F(ResourceRegistry, AssigningWhatOnlyTheOldTargetKeepsAliveHoldsIt)
{
    // The clone's parameters are the last holder of the shared resource: releasing the clone before
    // counting the new target would cache (or, with limit 0, destroy) the resource being assigned.
    for (const std::uint32_t limit : {1000u, 0u})
    {
        SCOPED_TRACE(limit);
        registry->SetMemoryLimit(limit);
        CResourcePtr<CResource> held = Get("level", 10, true);
        params.source.Clear();
        CResource* shared = held->GetParameters()->source.Get();
        held = shared;
        EXPECT_EQ(held.Get(), shared);
        EXPECT_EQ(held->GetCount(), 1);
        EXPECT_TRUE(registry->ContainsName("level"));

        CResourcePtr<CResource> copy = Get("other", 10, true);
        params.source.Clear();
        copy = std::move(copy->GetParameters()->source);
        EXPECT_EQ(copy->GetId(), "other");
        EXPECT_EQ(copy->GetCount(), 1);
        EXPECT_TRUE(registry->ContainsName("other"));
    }
}

TEST_F(ResourceRegistry, LimitZeroDestroysAReleasedResourceAtOnce)
{
    registry->SetMemoryLimit(0);
    Get("big", 1).Clear();
    EXPECT_EQ(factory->Log(), (std::vector<std::string>{"create", "load:big", "unload:big", "destroy:big"}));
    Get("empty", 0).Clear();
    EXPECT_EQ(factory->Count("destroy:empty"), 0); // a size of 0 always fits
}

TEST_F(ResourceRegistry, TrimKeepsAnOlderSmallerResourceThatStillFits)
{
    registry->SetMemoryLimit(1000);
    Get("ten", 10).Clear();
    Get("fifty", 50).Clear();
    Get("sixty", 60).Clear(); // cache front to back: 60, 50, 10
    registry->SetMemoryLimit(100);
    registry->Trim();
    EXPECT_EQ(factory->Count("destroy:"), 1);
    EXPECT_EQ(factory->Count("destroy:fifty"), 1);
    Platform::DebugOutputCapture capture;
    registry->DumpStatistics();
    EXPECT_EQ(capture.Text(), "\t0 registered resources\t2 cached resources"
                              "\t\t(0) id = 'sixty' size = 60\n\t\t(1) id = 'ten' size = 10\n");

    // Registered resources count against the limit but are never evicted.
    CResourcePtr<CResource> held = Get("held", 95);
    EXPECT_EQ(factory->Count("destroy:sixty"), 1);
    EXPECT_EQ(factory->Count("destroy:ten"), 1);
    EXPECT_EQ(held->GetState(), BaseLib::ResourceLoaded);
}

TEST_F(ResourceRegistry, UnnamedResourcesGetConsecutiveUniqueNamesAndAreNotCached)
{
    CResourcePtr<CResource> first = Get("");
    CResourcePtr<CResource> second = Get("");
    EXPECT_EQ(first->GetId(), "uid_00000000");
    EXPECT_EQ(second->GetId(), "uid_00000001");
    first.Clear();
    second.Clear();
    EXPECT_EQ(factory->Count("destroy:uid_0000000"), 2);
    EXPECT_EQ(registry->FindResource("uid_00000000", true).Get(), nullptr);
}

TEST_F(ResourceRegistry, CloneMakesTheSharedResourceThenAPrivateCopyDestroyedOnRelease)
{
    Get("");                                                    // takes counter value 0
    CResourcePtr<CResource> taken = Get("level_clone00000001"); // a name the clone counter will skip
    CResourcePtr<CResource> copy = Get("level", 10, true);
    EXPECT_EQ(copy->GetId(), "level_clone00000002");
    EXPECT_EQ(copy->GetState(), BaseLib::ResourceLoaded);
    CResourcePtr<CResource> shared = registry->FindResource("level", false);
    ASSERT_TRUE(shared);
    EXPECT_NE(shared.Get(), copy.Get());
    EXPECT_EQ(copy->GetParameters()->source.Get(), shared.Get());
    EXPECT_EQ(params.source.Get(), shared.Get());
    EXPECT_FALSE(shared->GetDestroyOnRelease());

    copy.Clear();
    EXPECT_EQ(factory->Count("destroy:level_clone00000002"), 1);
    shared.Clear();
    params.source.Clear();
    const std::vector<std::string> log = factory->Log();
    EXPECT_EQ(std::count(log.begin(), log.end(), "destroy:level"), 0);
    EXPECT_TRUE(registry->FindResource("level", true)); // cached, not destroyed

    // Clone() of a resource: a loaded copy under a unique name.
    CResourcePtr<CResource> original = Get("orig");
    CResourcePtr<CResource> clone = original->Clone();
    EXPECT_EQ(clone->GetId(), "uid_00000003");
    EXPECT_EQ(clone->GetState(), BaseLib::ResourceLoaded);
    clone.Clear();
    EXPECT_EQ(factory->Count("destroy:uid_00000003"), 1);
}

TEST_F(ResourceRegistry, RestoreAllLoadsOriginalsBeforeClonesAndReportsFailures)
{
    CResourcePtr<CResource> copy = Get("b", 10, true);
    CResourcePtr<CResource> a = Get("a");
    registry->ReleaseAll();
    EXPECT_EQ(a->GetState(), BaseLib::ResourceUnloaded);
    EXPECT_EQ(copy->GetState(), BaseLib::ResourceUnloaded);
    factory->ClearLog();
    EXPECT_TRUE(registry->RestoreAll());
    const std::vector<std::string> log = factory->Log();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log.back(), "load:" + copy->GetId());

    static_cast<ResourceTesting::Resource*>(a.Get())->Params().loads = false;
    EXPECT_FALSE(registry->Reset());
    EXPECT_EQ(a->GetState(), BaseLib::ResourceUnloaded);
    EXPECT_EQ(copy->GetState(), BaseLib::ResourceLoaded);
}

TEST_F(ResourceRegistry, FailedLoadStillRegistersTheResourceUnloaded)
{
    params.loads = false;
    CResourcePtr<CResource> failed = Get("missing");
    EXPECT_EQ(failed->GetState(), BaseLib::ResourceUnloaded);
    EXPECT_TRUE(registry->ContainsName("missing"));
    EXPECT_FALSE(failed->EnsureLoaded());
    static_cast<ResourceTesting::Resource*>(failed.Get())->Params().loads = true;
    EXPECT_TRUE(failed->EnsureLoaded());
    failed->WaitUntilLoaded(); // never scheduled: returns at once
}

TEST_F(ResourceRegistry, SendEventReachesRegisteredAndCachedResources)
{
    CResourcePtr<CResource> held = Get("held");
    Get("cached").Clear();
    registry->SendEvent("devicelost");
    auto* heldResource = static_cast<ResourceTesting::Resource*>(held.Get());
    EXPECT_EQ(heldResource->events, std::vector<std::string>{"devicelost"});
    CResourcePtr<CResource> cached = registry->FindResource("cached", true);
    EXPECT_EQ(static_cast<ResourceTesting::Resource*>(cached.Get())->events,
              std::vector<std::string>{"devicelost"});
}

TEST_F(ResourceRegistry, DestroyResourcesOfTouchesOnlyTheFactorysCachedResources)
{
    ResourceTesting::Factory other(registry.get());
    CResourcePtr<CResource> held = Get("held");
    Get("mine").Clear();
    other.GetResource("theirs", params).Clear();
    registry->DestroyResourcesOf(factory.get());
    EXPECT_EQ(factory->Count("destroy:"), 1);
    EXPECT_EQ(factory->Count("destroy:mine"), 1);
    EXPECT_EQ(other.Count("destroy:"), 0);
    EXPECT_EQ(held->GetState(), BaseLib::ResourceLoaded);
}

TEST(ResourceRegistryLife, DestructorTracesWhatIsStillRegisteredAndCallsNoFactory)
{
    // The engine's order: factories first (they empty the cache), then the registries.
    auto registry = std::make_unique<BaseLib::CResourceRegistry>();
    auto factory = std::make_unique<ResourceTesting::Factory>(registry.get());
    Parameters params;
    params.size = 7;
    CResource* held = factory->Create(params);
    held->SetId("held");
    registry->AddResource(held);
    factory.reset();
    {
        Platform::DebugOutputCapture capture;
        BaseLib::CResourceRegistry().SetMemoryLimit(1); // an empty registry ends without a trace
        EXPECT_EQ(capture.Text(), "");
        registry.reset(); // a call into the destroyed factory would fail under the address sanitizer
        EXPECT_EQ(capture.Text(), "CResourceRegistry::~CResourceRegistry()\n\t1 registered resources"
                                  "\t\t(0) id = 'held' size = 7\n\t0 cached resources");
    }
    delete held; // left to its owner
}

TEST_F(ResourceRegistry, ConcurrentGetsAndReleasesOfOneNameStaySound)
{
    // With limit 0 each last release destroys the resource while the other thread may be finding it by
    // name; the address sanitizer build catches a resource handed out while it is being removed.
    registry->SetMemoryLimit(0);
    auto work = [this] {
        Parameters own;
        for (int i = 0; i < 2000; ++i)
        {
            CResourcePtr<CResource> resource = factory->GetResource("shared", own);
            EXPECT_EQ(resource->GetId(), "shared");
        }
    };
    std::thread other(work);
    work();
    other.join();
    EXPECT_EQ(factory->Count("create"), factory->Count("destroy:shared"));
}
