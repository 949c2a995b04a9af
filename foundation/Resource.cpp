#include "foundation/Resource.h"

#include "foundation/ResourceFactory.h"
#include "foundation/ResourceRegistry.h"
#include "foundation/StreamingThread.h"

#include <cassert>

namespace BaseLib
{

CResourcePtr<CResource> CResource::Clone()
{
    return m_factory->CreateClone(*this);
}

void CResource::HandleEvent(std::string) {}

void CResource::Release()
{
    // Counts above 1 drop without the lock; the last one drops under it, so that FindResource (which adds
    // its count under the same lock) either comes first or finds the resource in the cache.
    std::int32_t count = m_count.load();
    while (count > 1)
    {
        if (m_count.compare_exchange_weak(count, count - 1))
        {
            return;
        }
    }
    assert(count == 1 && "released a resource that holds no count");
    CResourceRegistry& registry = *m_factory->GetRegistry();
    Platform::CriticalSectionLock lock(registry.m_lock);
    if (DropCount())
    {
        registry.RemoveResource(this);
    }
}

void CResource::Unload()
{
    std::int32_t state = ResourceLoaded;
    if (m_state.compare_exchange_strong(state, ResourceUnloaded))
    {
        m_factory->Unload(this);
    }
    else if (state == ResourceScheduled)
    {
        m_state.compare_exchange_strong(state, ResourceUnloaded);
    }
}

bool CResource::EnsureLoaded()
{
    if (GetState() != ResourceLoaded && m_factory->Load(this))
    {
        SetState(ResourceLoaded);
    }
    return GetState() == ResourceLoaded;
}

void CResource::UnloadAndDestroy()
{
    Unload();
    m_factory->Destroy(this);
}

void CResource::WaitUntilLoaded()
{
    CStreamingThread* thread = m_factory->GetStreamingThread();
    if (GetState() == ResourceScheduled && thread != nullptr)
    {
        const CResourcePtr<CResource> held(this);
        thread->WaitFor(held);
    }
}

} // namespace BaseLib
