#pragma once

#include "foundation/ResourceFactory.h"
#include "foundation/ResourceRegistry.h"
#include "platform/os/DebugOutput.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

// A resource kind for tests: each resource has a chosen size and load result, and may be held at a gate
// inside Load until the test opens it. The factory counts its calls and logs them in order.
namespace ResourceTesting
{

// Holds Load until opened; tells the test when a Load has arrived.
class Gate
{
public:
    void Open();
    // Blocks until `count` loads have arrived at the gate.
    void WaitForArrivals(int count);
    // Called by Load.
    void Pass();

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
    int m_arrivals = 0;
};

struct Parameters : BaseLib::CResourceParameters
{
    std::uint32_t size = 10;
    bool loads = true;
    Gate* gate = nullptr;
};

class Resource : public BaseLib::CResource
{
public:
    Resource(BaseLib::CResourceFactory* factory, const Parameters& parameters);
    std::uint32_t GetSize() const override { return Params().size; }
    void HandleEvent(std::string event) override;
    const Parameters& Params() const { return static_cast<const Parameters&>(*GetParameters()); }
    Parameters& Params() { return static_cast<Parameters&>(*GetParameters()); }

    std::vector<std::string> events;
};

class Factory : public BaseLib::CResourceFactory
{
public:
    explicit Factory(BaseLib::CResourceRegistry* registry, BaseLib::CStreamingThread* thread = nullptr);
    ~Factory() override;

    BaseLib::CResource* Create(const BaseLib::CResourceParameters& parameters) override;
    void Destroy(BaseLib::CResource* resource) override;
    bool Load(BaseLib::CResource* resource) override;
    void Unload(BaseLib::CResource* resource) override;

    // Calls in order, as "create:<id>", "load:<id>", "unload:<id>", "destroy:<id>".
    std::vector<std::string> Log();
    void ClearLog();
    int Count(const std::string& call);

private:
    void Note(const std::string& entry);

    std::mutex m_mutex;
    std::vector<std::string> m_log;
};

// Collects debug output and lets a test block until a given text has been traced.
class TraceWatch
{
public:
    TraceWatch();
    ~TraceWatch();
    void WaitFor(const std::string& text);
    std::string Text();
    void Clear();

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_text;
    Platform::DebugOutputSink m_previous;
};

} // namespace ResourceTesting
