#pragma once

#include "foundation/Resource.h"
#include "platform/os/Sync.h"

#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>

namespace BaseLib
{

// The name table of one or more resource factories, with a cache of resources nobody references any
// more, kept within a memory budget. Every operation holds the registry's re-entrant lock for its whole
// run, so it may be called from any thread. The table and cache hold no counts.
class CResourceRegistry
{
public:
    // Memory limit 0 (nothing of positive size is cached), name counter 0, empty table and cache.
    CResourceRegistry() = default;
    // Traces the statistics when resources are still registered. Destroys no resource and calls no
    // factory: owners destroy their factories (which empty the cache) first.
    virtual ~CResourceRegistry();
    CResourceRegistry(const CResourceRegistry&) = delete;
    CResourceRegistry& operator=(const CResourceRegistry&) = delete;

    // Loads every registered resource that is not loaded: non-clones first, then clones (whose sources
    // must be loaded first). True when every one ends loaded. The cache is not restored.
    virtual bool RestoreAll();
    // Unloads every registered resource (scheduled ones are only marked unloaded).
    virtual void ReleaseAll();
    // ReleaseAll, then RestoreAll; returns RestoreAll's result.
    virtual bool Reset();

    // Bytes that registered plus cached resources may take; applied at the next add or release.
    void SetMemoryLimit(std::uint32_t bytes);
    std::uint32_t GetMemoryLimit() const { return m_memoryLimit; }

    // The registered resource of that name; else, with `searchCache`, the most recently released one of
    // that name, registered again. Empty when there is none.
    CResourcePtr<CResource> FindResource(const std::string& name, bool searchCache);
    // Registers the resource under its id (replacing a table entry of that id), then trims the cache.
    void AddResource(CResource* resource);
    // For a resource whose count reached 0: caches it at the front and trims, or, when it is destroyed on
    // release, unloads and destroys it.
    void RemoveResource(CResource* resource);
    bool ContainsName(const std::string& name);
    // "uid_%08x" and "<name>_clone%08x" from one counter, skipping names that are taken.
    std::string MakeUniqueName();
    std::string MakeCloneName(const std::string& name);
    // Sum of the registered resources' sizes (wraps at 32 bits).
    std::uint32_t GetTotalSize();
    // Evicts cached resources, newest first, that would not fit the limit next to the registered ones
    // and the cached ones kept so far; a smaller, older one that fits is kept.
    void Trim();
    // HandleEvent on every registered resource, then on every cached one, newest first.
    void SendEvent(const std::string& event);
    // Unloads and destroys every cached resource of the factory; registered ones are left alone.
    void DestroyResourcesOf(CResourceFactory* factory);
    // Traces the counts and each resource's id and size.
    void DumpStatistics();

private:
    friend class CResource; // drops the last count under m_lock

    Platform::CriticalSection m_lock;
    std::uint32_t m_memoryLimit = 0;
    std::uint32_t m_nameCounter = 0;
    std::unordered_map<std::string, CResource*> m_table;
    std::list<CResource*> m_cache; // most recently released first
};

} // namespace BaseLib
