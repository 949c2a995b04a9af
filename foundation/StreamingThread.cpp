#include "foundation/StreamingThread.h"

#include "foundation/Debug.h"
#include "foundation/ResourceFactory.h"

#include <algorithm>

namespace BaseLib
{

namespace
{

// Attempts in a row at a resource that a thread waits for before its waiters are told it failed.
constexpr int loadAttemptsForWaiters = 3;

} // namespace

CStreamingThread::Waiter::Waiter(const CResourcePtr<CResource>& resource)
    : resource(resource), event(Platform::CreateEvent(true, false))
{}

CStreamingThread::Waiter::Waiter(const Waiter& other)
    : resource(other.resource), event(Platform::CopyHandle(other.event))
{}

CStreamingThread::Waiter::~Waiter()
{
    Platform::CloseHandle(event);
}

CStreamingThread::CStreamingThread() : m_wakeEvent(Platform::CreateEvent(false, false)) {}

CStreamingThread::~CStreamingThread()
{
    if (m_thread.GetHandle() != nullptr)
    {
        m_stop = true;
        Platform::SetEvent(m_wakeEvent);
        Platform::WaitFor(m_thread.GetHandle());
        m_thread = CThread();
    }
    std::list<Waiter> waiters;
    {
        Platform::CriticalSectionLock lock(m_waiterLock);
        waiters.swap(m_waiters);
    }
    std::list<CResourcePtr<CResource>> queue;
    {
        Platform::CriticalSectionLock lock(m_queueLock);
        queue.swap(m_queue);
    }
    // What was never loaded goes back to unloaded: a later wait for it must not reach this destroyed
    // object, and a load on the caller's thread may still make it.
    const auto unschedule = [](CResource& resource) {
        std::int32_t scheduled = ResourceScheduled;
        resource.m_state.compare_exchange_strong(scheduled, ResourceUnloaded);
    };
    for (const CResourcePtr<CResource>& entry : queue)
    {
        unschedule(*entry);
    }
    // Threads still blocked in WaitFor would never wake otherwise.
    for (const Waiter& waiter : waiters)
    {
        unschedule(*waiter.resource);
        Platform::SetEvent(waiter.event);
    }
    waiters.clear();
    queue.clear();
    Platform::CloseHandle(m_wakeEvent);
}

void CStreamingThread::Start()
{
    if (m_thread.GetHandle() != nullptr)
    {
        return;
    }
    m_stop = false;
    CThread worker;
    worker.Create(this, &CStreamingThread::Run);
    m_thread = worker;
    worker.Close();
    Platform::SetThreadPriority(m_thread.GetHandle(), Platform::ThreadPriorityBelowNormal);
    Platform::ResumeThread(m_thread.GetHandle());
}

void CStreamingThread::Schedule(const CResourcePtr<CResource>& resource)
{
    const std::int32_t state = resource->GetState();
    if (state == ResourceLoaded || state == ResourceScheduled)
    {
        return;
    }
    DebugOutput("Streaming Thread: scheduled for loading: %s\n", resource->GetId().c_str());
    Platform::CriticalSectionLock lock(m_queueLock);
    resource->SetState(ResourceScheduled);
    m_queue.push_back(resource);
    Platform::SetEvent(m_wakeEvent);
}

void CStreamingThread::WaitFor(const CResourcePtr<CResource>& resource)
{
    if (resource->GetState() == ResourceLoaded)
    {
        return;
    }
    Platform::Handle released = nullptr;
    {
        Platform::CriticalSectionLock lock(m_waiterLock);
        DebugOutput("Streaming Thread: a thread is starting to wait for resource %s\n",
                    resource->GetId().c_str());
        m_waiters.emplace_back(resource);
        released = Platform::CopyHandle(m_waiters.back().event);
        // The worker may be asleep with an empty queue (the resource failed to load earlier, or was never
        // queued): wake it so that it moves the resource to the front. Done under the lock, so that once
        // it is left this object is not touched again and may be destroyed while the caller waits.
        Platform::SetEvent(m_wakeEvent);
    }
    Platform::WaitFor(released);
    Platform::CloseHandle(released);
}

std::uint32_t CStreamingThread::Run()
{
    while (!m_stop)
    {
        bool empty = false;
        {
            Platform::CriticalSectionLock lock(m_queueLock);
            empty = m_queue.empty();
        }
        if (empty)
        {
            Platform::WaitFor(m_wakeEvent);
        }

        CResourcePtr<CResource> entry;
        {
            Platform::CriticalSectionLock lock(m_queueLock);
            if (!m_queue.empty())
            {
                entry = m_queue.front();
            }
        }
        bool failed = false;
        if (entry)
        {
            if (entry->GetState() != ResourceLoaded)
            {
                LoadEntry(*entry);
                failed = entry->GetState() != ResourceLoaded;
                DebugOutput("Streaming Thread: loaded resource %s, (%d bytes)\n", entry->GetId().c_str(),
                            static_cast<int>(entry->GetSize()));
            }
            CResourcePtr<CResource> erased;
            {
                Platform::CriticalSectionLock lock(m_queueLock);
                erased = std::move(m_queue.front());
                m_queue.pop_front();
            }
        }

        CResourcePtr<CResource> oldest = ReleaseWaiters(failed ? entry.Get() : nullptr);
        if (failed)
        {
            DebugOutput("Streaming Thread: failed to load resource %s; threads waiting for it go on\n",
                        entry->GetId().c_str());
        }
        entry.Clear();
        if (oldest)
        {
            Platform::CriticalSectionLock lock(m_queueLock);
            oldest->SetState(ResourceScheduled);
            m_queue.push_front(oldest);
        }
    }
    return 0;
}

void CStreamingThread::LoadEntry(CResource& resource)
{
    for (int attempt = 1;; ++attempt)
    {
        if (resource.GetFactory()->Load(&resource))
        {
            resource.SetState(ResourceLoaded);
            return;
        }
        if (attempt >= loadAttemptsForWaiters || !HasWaiter(resource))
        {
            break;
        }
    }
    resource.SetState(ResourceUnloaded);
}

bool CStreamingThread::HasWaiter(const CResource& resource)
{
    Platform::CriticalSectionLock lock(m_waiterLock);
    return std::any_of(m_waiters.begin(), m_waiters.end(),
                       [&](const Waiter& waiter) { return waiter.resource.Get() == &resource; });
}

CResourcePtr<CResource> CStreamingThread::ReleaseWaiters(const CResource* failed)
{
    std::list<Waiter> released; // destroyed after the lock is left: they may hold the last counts
    CResourcePtr<CResource> oldest;
    {
        Platform::CriticalSectionLock lock(m_waiterLock);
        for (auto it = m_waiters.begin(); it != m_waiters.end();)
        {
            const auto current = it++;
            if (current->resource->GetState() == ResourceLoaded || current->resource.Get() == failed)
            {
                Platform::SetEvent(current->event);
                released.splice(released.end(), m_waiters, current);
            }
        }
        if (!m_waiters.empty())
        {
            oldest = m_waiters.front().resource;
        }
    }
    return oldest;
}

} // namespace BaseLib
