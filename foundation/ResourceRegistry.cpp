#include "foundation/ResourceRegistry.h"

#include "foundation/Debug.h"
#include "foundation/ResourceFactory.h"

#include <cstdio>
#include <vector>

namespace BaseLib
{

namespace
{

void TraceResources(const char* countFormat, const std::vector<CResource*>& resources)
{
    DebugOutput(countFormat, static_cast<int>(resources.size()));
    int index = 0;
    for (CResource* resource : resources)
    {
        DebugOutput("\t\t(%d) id = '%s' size = %d\n", index++, resource->GetId().c_str(),
                    static_cast<int>(resource->GetSize()));
    }
}

} // namespace

CResourceRegistry::~CResourceRegistry()
{
    Platform::CriticalSectionLock lock(m_lock);
    if (!m_table.empty())
    {
        DebugOutput("CResourceRegistry::~CResourceRegistry()\n");
        DumpStatistics();
    }
}

bool CResourceRegistry::RestoreAll()
{
    Platform::CriticalSectionLock lock(m_lock);
    std::vector<CResource*> originals;
    std::vector<CResource*> clones;
    for (const auto& [id, resource] : m_table)
    {
        const CResourceParameters* parameters = resource->GetParameters();
        (parameters != nullptr && parameters->source ? clones : originals).push_back(resource);
    }
    bool allLoaded = true;
    for (const std::vector<CResource*>* pass : {&originals, &clones})
    {
        for (CResource* resource : *pass)
        {
            allLoaded = resource->EnsureLoaded() && allLoaded;
        }
    }
    return allLoaded;
}

void CResourceRegistry::ReleaseAll()
{
    Platform::CriticalSectionLock lock(m_lock);
    for (const auto& [id, resource] : m_table)
    {
        resource->Unload();
    }
}

bool CResourceRegistry::Reset()
{
    Platform::CriticalSectionLock lock(m_lock);
    ReleaseAll();
    return RestoreAll();
}

void CResourceRegistry::SetMemoryLimit(std::uint32_t bytes)
{
    Platform::CriticalSectionLock lock(m_lock);
    m_memoryLimit = bytes;
}

CResourcePtr<CResource> CResourceRegistry::FindResource(const std::string& name, bool searchCache)
{
    Platform::CriticalSectionLock lock(m_lock);
    const auto found = m_table.find(name);
    if (found != m_table.end())
    {
        return CResourcePtr<CResource>(found->second);
    }
    if (searchCache)
    {
        for (auto it = m_cache.begin(); it != m_cache.end(); ++it)
        {
            if ((*it)->GetId() == name)
            {
                CResource* resource = *it;
                m_cache.erase(it);
                AddResource(resource);
                return CResourcePtr<CResource>(resource);
            }
        }
    }
    return {};
}

void CResourceRegistry::AddResource(CResource* resource)
{
    Platform::CriticalSectionLock lock(m_lock);
    m_table[resource->GetId()] = resource;
    resource->SetRegistered(true);
    Trim();
}

void CResourceRegistry::RemoveResource(CResource* resource)
{
    Platform::CriticalSectionLock lock(m_lock);
    const auto found = m_table.find(resource->GetId());
    if (found != m_table.end() && found->second == resource)
    {
        m_table.erase(found);
    }
    resource->SetRegistered(false);
    if (!resource->GetDestroyOnRelease())
    {
        m_cache.push_front(resource);
        Trim();
    }
    else
    {
        resource->UnloadAndDestroy();
    }
}

bool CResourceRegistry::ContainsName(const std::string& name)
{
    Platform::CriticalSectionLock lock(m_lock);
    return m_table.contains(name);
}

std::string CResourceRegistry::MakeUniqueName()
{
    Platform::CriticalSectionLock lock(m_lock);
    std::string name;
    do
    {
        char buffer[32];
        std::snprintf(buffer, sizeof(buffer), "uid_%08x", m_nameCounter++);
        name = buffer;
    } while (ContainsName(name));
    return name;
}

std::string CResourceRegistry::MakeCloneName(const std::string& name)
{
    Platform::CriticalSectionLock lock(m_lock);
    std::string clone;
    do
    {
        // Formatted without a length limit: a cut name would lose the counter and repeat for ever.
        char counter[16];
        std::snprintf(counter, sizeof(counter), "%08x", m_nameCounter++);
        clone = name + "_clone" + counter;
    } while (ContainsName(clone));
    return clone;
}

std::uint32_t CResourceRegistry::GetTotalSize()
{
    Platform::CriticalSectionLock lock(m_lock);
    std::uint32_t total = 0;
    for (const auto& [id, resource] : m_table)
    {
        total += resource->GetSize();
    }
    return total;
}

void CResourceRegistry::Trim()
{
    Platform::CriticalSectionLock lock(m_lock);
    // Summed in 64 bits so that large sizes cannot wrap around and appear to fit.
    std::uint64_t total = 0;
    for (const auto& [id, resource] : m_table)
    {
        total += resource->GetSize();
    }
    std::vector<CResource*> evicted;
    for (auto it = m_cache.begin(); it != m_cache.end();)
    {
        const std::uint64_t size = (*it)->GetSize();
        if (total + size > m_memoryLimit)
        {
            evicted.push_back(*it);
            it = m_cache.erase(it);
        }
        else
        {
            total += size;
            ++it;
        }
    }
    // Destroyed after the walk: a destruction may release other resources into this registry.
    for (CResource* resource : evicted)
    {
        resource->UnloadAndDestroy();
    }
}

void CResourceRegistry::SendEvent(const std::string& event)
{
    Platform::CriticalSectionLock lock(m_lock);
    std::vector<CResource*> resources;
    for (const auto& [id, resource] : m_table)
    {
        resources.push_back(resource);
    }
    resources.insert(resources.end(), m_cache.begin(), m_cache.end());
    for (CResource* resource : resources)
    {
        resource->HandleEvent(event);
    }
}

void CResourceRegistry::DestroyResourcesOf(CResourceFactory* factory)
{
    Platform::CriticalSectionLock lock(m_lock);
    std::vector<CResource*> destroyed;
    for (auto it = m_cache.begin(); it != m_cache.end();)
    {
        if ((*it)->GetFactory() == factory)
        {
            destroyed.push_back(*it);
            it = m_cache.erase(it);
        }
        else
        {
            ++it;
        }
    }
    for (CResource* resource : destroyed)
    {
        resource->UnloadAndDestroy();
    }
}

void CResourceRegistry::DumpStatistics()
{
    Platform::CriticalSectionLock lock(m_lock);
    std::vector<CResource*> registered;
    for (const auto& [id, resource] : m_table)
    {
        registered.push_back(resource);
    }
    TraceResources("\t%d registered resources", registered);
    TraceResources("\t%d cached resources", std::vector<CResource*>(m_cache.begin(), m_cache.end()));
}

} // namespace BaseLib
