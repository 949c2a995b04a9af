#pragma once

#include "foundation/Resource.h"
#include "foundation/Thread.h"
#include "platform/os/Sync.h"

#include <atomic>
#include <cstdint>
#include <list>

namespace BaseLib
{

// The one worker that loads resources in the background, first come first served. A thread that needs a
// scheduled resource calls WaitFor: the resource moves to the front of the queue and the caller blocks
// until it is loaded, or until loading failed 3 times in a row (its state is then 0).
// The queue lock and the waiter lock are never held together, and Load runs outside both.
class CStreamingThread
{
public:
    CStreamingThread();
    // Stops the worker after the load in progress, waits for it, releases every thread still waiting,
    // then drops the queued resources. Those it did not load are left unloaded (state 0), not scheduled.
    ~CStreamingThread();
    CStreamingThread(const CStreamingThread&) = delete;
    CStreamingThread& operator=(const CStreamingThread&) = delete;

    // Starts the worker at below-normal priority; does nothing when it already runs.
    void Start();
    // Queues an unloaded resource (state 2); loaded or already scheduled resources are left alone.
    void Schedule(const CResourcePtr<CResource>& resource);
    // Blocks until the resource is loaded, or its background loading failed. Returns at once when loaded.
    void WaitFor(const CResourcePtr<CResource>& resource);
    // The worker's body; returns 0 when stopped.
    std::uint32_t Run();

private:
    // A thread blocked in WaitFor: the resource and the event that releases it. Copies duplicate the
    // event handle; each copy closes its own.
    struct Waiter
    {
        Waiter(const CResourcePtr<CResource>& resource);
        Waiter(const Waiter& other);
        Waiter& operator=(const Waiter&) = delete;
        ~Waiter();

        CResourcePtr<CResource> resource;
        Platform::Handle event;
    };

    // Loads the front entry: up to 3 attempts while a thread waits for it. A failure leaves state 0.
    void LoadEntry(CResource& resource);
    bool HasWaiter(const CResource& resource);
    // Releases the waiters whose resource is loaded, or every waiter on `failed`; returns the oldest
    // remaining waiter's resource.
    CResourcePtr<CResource> ReleaseWaiters(const CResource* failed);

    CThread m_thread;
    std::atomic<bool> m_stop{false};
    Platform::Handle m_wakeEvent;
    std::list<CResourcePtr<CResource>> m_queue;
    Platform::CriticalSection m_queueLock;
    std::list<Waiter> m_waiters;
    Platform::CriticalSection m_waiterLock;
};

} // namespace BaseLib
