#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

namespace BaseLib
{

class CResourceFactory;
class CResource;

// Load states of a resource.
enum : std::int32_t
{
    ResourceUnloaded = 0,
    ResourceLoaded = 1,
    ResourceScheduled = 2, // queued for the streaming thread
};

// A counted reference to a resource: holds one count while it points at one. Copying adds a count;
// assigning another target counts the new one, then releases the old one; destroying or clearing
// releases. The last release hands the resource to its registry (cached or destroyed there).
template <typename T> class CResourcePtr
{
public:
    CResourcePtr() = default;
    CResourcePtr(T* resource) : m_resource(resource) { AddCount(); }
    CResourcePtr(const CResourcePtr& other) : m_resource(other.m_resource) { AddCount(); }
    CResourcePtr(CResourcePtr&& other) noexcept : m_resource(std::exchange(other.m_resource, nullptr)) {}
    template <typename U> CResourcePtr(const CResourcePtr<U>& other) : m_resource(other.Get()) { AddCount(); }
    ~CResourcePtr() { Clear(); }

    // Self-assignment holds the same target and so changes nothing (see operator=(T*)).
    CResourcePtr& operator=(const CResourcePtr& other) // NOLINT(bugprone-unhandled-self-assignment)
    {
        return *this = other.m_resource;
    }
    // The new target is taken before the old one is released: the old target may be what keeps the new
    // one alive (a clone's parameters hold its source).
    CResourcePtr& operator=(CResourcePtr&& other) noexcept
    {
        if (this != &other)
        {
            T* taken = std::exchange(other.m_resource, nullptr);
            Clear();
            m_resource = taken;
        }
        return *this;
    }
    CResourcePtr& operator=(T* resource)
    {
        if (resource != m_resource)
        {
            CResourcePtr held(resource);
            Clear();
            m_resource = std::exchange(held.m_resource, nullptr);
        }
        return *this;
    }

    // Releases the count held, if any.
    void Clear();

    T* Get() const { return m_resource; }
    T* operator->() const { return m_resource; }
    T& operator*() const { return *m_resource; }
    explicit operator bool() const { return m_resource != nullptr; }

private:
    void AddCount();

    T* m_resource = nullptr;
};

// What a resource is made from. Each kind of resource derives its own parameters; the factory's Create
// copies them into the resource.
class CResourceParameters
{
public:
    virtual ~CResourceParameters() = default;

    // Empty except for a clone's parameters, where it holds (and so keeps alive) the shared resource
    // the clone was made from.
    CResourcePtr<CResource> source;
};

// One named, reference-counted piece of data with a load state, made by its factory and kept in the
// factory's registry. Counts and states may change on the main thread and the streaming thread at once:
// both are atomic, and a count only reaches 0 under the registry's lock (so a lookup by name never hands
// out a resource that is being removed).
class CResource
{
public:
    explicit CResource(CResourceFactory* factory) : m_factory(factory) {}
    virtual ~CResource() = default;
    CResource(const CResource&) = delete;
    CResource& operator=(const CResource&) = delete;

    // A new, loaded copy made from this resource's parameters under a fresh unique name; destroyed
    // (not cached) when released.
    virtual CResourcePtr<CResource> Clone();
    // Bytes the resource counts against its registry's memory limit.
    virtual std::uint32_t GetSize() const = 0;
    // "precache", "devicelost", "devicereset"; the base ignores every event.
    virtual void HandleEvent(std::string event);

    void AddCount() { m_count.fetch_add(1, std::memory_order_relaxed); }
    // Drops one count; at 0 the registry caches or destroys the resource.
    void Release();

    // Loaded: state 0, then the factory's Unload. Scheduled: state 0 only (the queue entry stays).
    void Unload();
    // Loads unless loaded (state 1 on success); returns whether the resource is loaded.
    bool EnsureLoaded();
    // Unload, then the factory's Destroy: this object is gone afterwards.
    void UnloadAndDestroy();
    // Blocks while the resource is scheduled on the streaming thread. Returns at once in every other
    // state, including 0 after a background load failed.
    void WaitUntilLoaded();

    std::string GetId() const { return m_id; }
    void SetId(const std::string& id) { m_id = id; }
    std::int32_t GetState() const { return m_state.load(); }
    void SetState(std::int32_t state) { m_state.store(state); }
    std::int32_t GetCount() const { return m_count.load(); }
    bool IsRegistered() const { return m_registered; }
    void SetRegistered(bool registered) { m_registered = registered; }
    bool GetDestroyOnRelease() const { return m_destroyOnRelease.load(); }
    void SetDestroyOnRelease(bool destroy) { m_destroyOnRelease = destroy; }
    CResourceFactory* GetFactory() const { return m_factory; }
    // The resource's own copy of its parameters (null until the factory sets it); owned.
    CResourceParameters* GetParameters() const { return m_parameters.get(); }
    void SetParameters(std::unique_ptr<CResourceParameters> parameters)
    {
        m_parameters = std::move(parameters);
    }

private:
    friend class CResourceRegistry;
    friend class CStreamingThread; // unschedules what it leaves unloaded when destroyed
    // Under the registry lock: drops the count and reports whether it reached 0.
    bool DropCount() { return m_count.fetch_sub(1) == 1; }

    std::atomic<std::int32_t> m_count{0};
    bool m_registered = false;
    std::atomic<std::int32_t> m_state{ResourceUnloaded};
    std::atomic<bool> m_destroyOnRelease{false}; // set by GetResource on any thread that asks by name
    CResourceFactory* m_factory;
    std::string m_id;
    std::unique_ptr<CResourceParameters> m_parameters;
};

template <typename T> void CResourcePtr<T>::Clear()
{
    if (m_resource != nullptr)
    {
        static_cast<CResource*>(std::exchange(m_resource, nullptr))->Release();
    }
}

template <typename T> void CResourcePtr<T>::AddCount()
{
    if (m_resource != nullptr)
    {
        static_cast<CResource*>(m_resource)->AddCount();
    }
}

} // namespace BaseLib
