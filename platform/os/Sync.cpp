#include "platform/os/Sync.h"

#include "platform/os/HandleObject.h"

namespace Platform
{

namespace
{

class EventObject : public HandleObject
{
public:
    explicit EventObject(bool manualReset, bool initiallySet) : m_manualReset(manualReset)
    {
        signalled = initiallySet;
    }

    void Set()
    {
        std::lock_guard lock(mutex);
        if (signalled)
        {
            return;
        }
        signalled = true;
        if (m_manualReset)
        {
            changed.notify_all();
        }
        else
        {
            changed.notify_one();
        }
    }

    void Reset()
    {
        std::lock_guard lock(mutex);
        signalled = false;
    }

protected:
    void OnReleased() override
    {
        if (!m_manualReset)
        {
            signalled = false;
        }
    }

private:
    const bool m_manualReset;
};

} // namespace

Handle CreateEvent(bool manualReset, bool initiallySet)
{
    return MakeHandle(std::make_shared<EventObject>(manualReset, initiallySet));
}

bool SetEvent(Handle event)
{
    const auto object = HandleTarget<EventObject>(event);
    if (!object)
    {
        return false;
    }
    object->Set();
    return true;
}

bool ResetEvent(Handle event)
{
    const auto object = HandleTarget<EventObject>(event);
    if (!object)
    {
        return false;
    }
    object->Reset();
    return true;
}

} // namespace Platform
