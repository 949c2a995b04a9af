#include "engine/EngineResource.h"

namespace Qen
{

void CEngineResource::DropOnLoss(bool defaultPool)
{
    if (GetState() == BaseLib::ResourceLoaded && defaultPool)
    {
        m_lost = true;
        CResource::Unload();
    }
}

void CEngineResource::RestoreAfterReset()
{
    if (!m_lost)
    {
        return;
    }
    if (GetState() != BaseLib::ResourceLoaded && GetFactory()->Load(this))
    {
        SetState(BaseLib::ResourceLoaded);
    }
    m_lost = false;
}

void UnloadEngineResource(BaseLib::CResource* resource)
{
    static_cast<CEngineResource*>(resource)->ReleaseDeviceObject();
}

void DestroyEngineResource(BaseLib::CResourceFactory* factory, BaseLib::CResource* resource)
{
    const std::int32_t state = resource->GetState();
    if (state == BaseLib::ResourceLoaded)
    {
        resource->SetState(BaseLib::ResourceUnloaded);
        factory->Unload(resource);
    }
    else if (state == BaseLib::ResourceScheduled)
    {
        resource->SetState(BaseLib::ResourceUnloaded);
    }
    resource->SetParameters(nullptr);
    delete resource;
}

} // namespace Qen
