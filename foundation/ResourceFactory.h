#pragma once

#include "foundation/Resource.h"

#include <string>

namespace BaseLib
{

class CResourceRegistry;
class CStreamingThread;

// Makes, loads, unloads and destroys the resources of one kind, and finds them by name in its registry
// (which several factories may share). A derived factory's destructor must call its registry's
// DestroyResourcesOf(this): the base destructor can no longer reach the derived Unload and Destroy.
class CResourceFactory
{
public:
    // Neither the registry nor the streaming thread (may be null) is owned. Background loading is off.
    CResourceFactory(CResourceRegistry* registry, CStreamingThread* streamingThread);

    // The resource named `name`, found in the registry (its cache included) or made by Create, registered
    // and loaded at once (or scheduled on the streaming thread when `background` is asked, background
    // loading is on and a thread is set). A failed load still registers the resource, in state 0. An
    // empty name makes a new resource under a unique name, destroyed when released. With `clone` the
    // caller gets a private copy, loaded at once and destroyed when released; `parameters.source` then
    // holds the shared resource. A resource found while still scheduled is returned without waiting.
    virtual CResourcePtr<CResource> GetResource(const std::string& name, CResourceParameters& parameters,
                                                bool clone = false, bool background = false);
    virtual ~CResourceFactory() = default;
    CResourceFactory(const CResourceFactory&) = delete;
    CResourceFactory& operator=(const CResourceFactory&) = delete;

    // A new, unloaded resource of this kind holding its own copy of the parameters; never null.
    virtual CResource* Create(const CResourceParameters& parameters) = 0;
    // Deletes a resource object; callers unload it first.
    virtual void Destroy(CResource* resource) = 0;
    // Creates the resource's data; true on success (callers then set state 1). May run on the streaming
    // thread, outside every lock.
    virtual bool Load(CResource* resource) = 0;
    // Frees the resource's data; callers set state 0 first.
    virtual void Unload(CResource* resource) = 0;

    // A loaded copy of `source` made from its parameters under a unique name, destroyed when released.
    CResourcePtr<CResource> CreateClone(CResource& source);

    CResourceRegistry* GetRegistry() const { return m_registry; }
    CStreamingThread* GetStreamingThread() const { return m_streamingThread; }
    bool GetBackgroundLoading() const { return m_backgroundLoading; }
    void SetBackgroundLoading(bool on) { m_backgroundLoading = on; }

protected:
    // Loads `resource` on the calling thread unless it is loaded, after waiting for it when scheduled.
    void LoadNow(CResource& resource);

private:
    CResourceRegistry* m_registry;
    CStreamingThread* m_streamingThread;
    bool m_backgroundLoading = false;
};

} // namespace BaseLib
