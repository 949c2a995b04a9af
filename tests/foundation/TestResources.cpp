#include "tests/foundation/TestResources.h"

#include <algorithm>

namespace ResourceTesting
{

void Gate::Open()
{
    std::lock_guard lock(m_mutex);
    m_open = true;
    m_changed.notify_all();
}

void Gate::WaitForArrivals(int count)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_arrivals >= count; });
}

void Gate::Pass()
{
    std::unique_lock lock(m_mutex);
    ++m_arrivals;
    m_changed.notify_all();
    m_changed.wait(lock, [&] { return m_open; });
}

Resource::Resource(BaseLib::CResourceFactory* factory, const Parameters& parameters) : CResource(factory)
{
    SetParameters(std::make_unique<Parameters>(parameters));
}

void Resource::HandleEvent(std::string event)
{
    events.push_back(event);
}

Factory::Factory(BaseLib::CResourceRegistry* registry, BaseLib::CStreamingThread* thread)
    : CResourceFactory(registry, thread)
{}

Factory::~Factory()
{
    GetRegistry()->DestroyResourcesOf(this);
}

BaseLib::CResource* Factory::Create(const BaseLib::CResourceParameters& parameters)
{
    Note("create");
    return new Resource(this, static_cast<const Parameters&>(parameters));
}

void Factory::Destroy(BaseLib::CResource* resource)
{
    Note("destroy:" + resource->GetId());
    delete resource;
}

bool Factory::Load(BaseLib::CResource* resource)
{
    auto& params = static_cast<Resource*>(resource)->Params();
    if (params.gate != nullptr)
    {
        params.gate->Pass();
    }
    Note("load:" + resource->GetId());
    return params.loads;
}

void Factory::Unload(BaseLib::CResource* resource)
{
    Note("unload:" + resource->GetId());
}

std::vector<std::string> Factory::Log()
{
    std::lock_guard lock(m_mutex);
    return m_log;
}

void Factory::ClearLog()
{
    std::lock_guard lock(m_mutex);
    m_log.clear();
}

int Factory::Count(const std::string& call)
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(std::count_if(m_log.begin(), m_log.end(),
                                          [&](const std::string& entry) { return entry.starts_with(call); }));
}

void Factory::Note(const std::string& entry)
{
    std::lock_guard lock(m_mutex);
    m_log.push_back(entry);
}

TraceWatch::TraceWatch()
{
    m_previous = Platform::SetDebugOutputSink([this](const char* text) {
        std::lock_guard lock(m_mutex);
        m_text += text;
        m_changed.notify_all();
    });
}

TraceWatch::~TraceWatch()
{
    Platform::SetDebugOutputSink(m_previous);
}

void TraceWatch::WaitFor(const std::string& text)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_text.find(text) != std::string::npos; });
}

std::string TraceWatch::Text()
{
    std::lock_guard lock(m_mutex);
    return m_text;
}

void TraceWatch::Clear()
{
    std::lock_guard lock(m_mutex);
    m_text.clear();
}

} // namespace ResourceTesting
