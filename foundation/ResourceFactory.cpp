#include "foundation/ResourceFactory.h"

#include "foundation/ResourceRegistry.h"
#include "foundation/StreamingThread.h"

#include <cassert>

namespace BaseLib
{

CResourceFactory::CResourceFactory(CResourceRegistry* registry, CStreamingThread* streamingThread)
    : m_registry(registry), m_streamingThread(streamingThread)
{}

void CResourceFactory::LoadNow(CResource& resource)
{
    if (resource.GetState() == ResourceScheduled && m_streamingThread != nullptr)
    {
        m_streamingThread->WaitFor(CResourcePtr<CResource>(&resource));
    }
    if (resource.GetState() != ResourceLoaded && Load(&resource))
    {
        resource.SetState(ResourceLoaded);
    }
}

CResourcePtr<CResource> CResourceFactory::GetResource(const std::string& name,
                                                      CResourceParameters& parameters, bool clone,
                                                      bool background)
{
    const bool unnamed = name.empty();
    const std::string id = unnamed ? m_registry->MakeUniqueName() : name;
    CResourcePtr<CResource> result = m_registry->FindResource(id, true);
    if (!result)
    {
        parameters.source.Clear();
        CResource* created = Create(parameters);
        result = created;
        created->SetId(id);
        if (background && m_backgroundLoading && m_streamingThread != nullptr)
        {
            m_streamingThread->Schedule(result);
        }
        else
        {
            LoadNow(*created);
        }
        m_registry->AddResource(created);
    }
    if (unnamed)
    {
        result->SetDestroyOnRelease(true);
        return result;
    }
    if (!clone)
    {
        result->SetDestroyOnRelease(false);
        return result;
    }
    // The caller gets a private copy; the parameters (and the copy's own copy of them) hold the shared one.
    parameters.source = result;
    CResourcePtr<CResource> copy(Create(parameters));
    copy->SetId(m_registry->MakeCloneName(name));
    LoadNow(*copy);
    m_registry->AddResource(copy.Get());
    copy->SetDestroyOnRelease(true);
    return copy;
}

CResourcePtr<CResource> CResourceFactory::CreateClone(CResource& source)
{
    assert(source.GetParameters() != nullptr && "a resource without parameters cannot be cloned");
    CResourcePtr<CResource> copy(Create(*source.GetParameters()));
    copy->SetId(m_registry->MakeUniqueName());
    LoadNow(*copy);
    copy->SetDestroyOnRelease(true);
    m_registry->AddResource(copy.Get());
    return copy;
}

} // namespace BaseLib
