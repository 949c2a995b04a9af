#pragma once

#include "foundation/Resource.h"
#include "foundation/ResourceFactory.h"

#include <cstdint>

namespace Qen
{

class CEngineController;

// A callback record that refills a device object made without a file: two words of caller data and a
// function that receives the record's address (inside the resource's own parameters copy) and the new
// object. The words are pointer-sized so that a caller can pass an object.
template <typename T> struct TFillRecord
{
    using Function = void (*)(TFillRecord* record, T* object);

    void* data1 = nullptr;
    void* data2 = nullptr;
    Function function = nullptr;
};

// A resource that holds one device object (texture, surface, buffer, animation data) and remembers
// whether "devicelost" dropped it. The texture, surface, index-buffer, vertex-buffer and animation
// factories share their Unload and Destroy through it.
class CEngineResource : public BaseLib::CResource
{
public:
    CEngineResource(BaseLib::CResourceFactory* factory, CEngineController* engine)
        : CResource(factory), m_engine(engine)
    {}

    // Releases the held device object and forgets it; nothing when none is held.
    virtual void ReleaseDeviceObject() = 0;

    bool IsLost() const { return m_lost; }
    CEngineController* GetEngine() const { return m_engine; }

protected:
    // The "devicelost"/"devicereset" steps every device-object resource takes: on loss (state 1 and a
    // default-pool object) lost is set and the resource unloaded; on reset a lost resource is loaded
    // again unless it already is, and lost cleared either way.
    void DropOnLoss(bool defaultPool);
    void RestoreAfterReset();

    CEngineController* m_engine;
    bool m_lost = false;
};

// The shared factory slots. Unload: the held object released and cleared. Destroy: state 1 → 0 and
// the factory's Unload, state 2 → 0, then the parameters copy and the resource deleted.
void UnloadEngineResource(BaseLib::CResource* resource);
void DestroyEngineResource(BaseLib::CResourceFactory* factory, BaseLib::CResource* resource);

// The typed-reference step: a resource still scheduled is waited for, then `out` takes one count of it
// and the temporary reference is dropped.
template <typename T>
BaseLib::CResourcePtr<T>& AssignTypedResource(BaseLib::CResourcePtr<T>& out,
                                              BaseLib::CResourcePtr<BaseLib::CResource> temporary)
{
    if (temporary && temporary->GetState() == BaseLib::ResourceScheduled)
    {
        temporary->WaitUntilLoaded();
    }
    out = static_cast<T*>(temporary.Get());
    return out;
}

} // namespace Qen
