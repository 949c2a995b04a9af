#include "platform/os/HandleObject.h"

namespace Platform
{

bool HandleObject::Wait(std::uint32_t milliseconds)
{
    std::unique_lock lock(mutex);
    if (milliseconds == WaitForever)
    {
        changed.wait(lock, [this] { return signalled; });
    }
    else if (!changed.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return signalled; }))
    {
        return false;
    }
    OnReleased();
    return true;
}

Handle MakeHandle(std::shared_ptr<HandleObject> object)
{
    return new HandleRecord{std::move(object)};
}

Handle CopyHandle(Handle handle)
{
    return handle != nullptr ? MakeHandle(handle->object) : nullptr;
}

bool CloseHandle(Handle handle)
{
    if (handle == nullptr)
    {
        return false;
    }
    delete handle;
    return true;
}

WaitResult WaitFor(Handle handle, std::uint32_t milliseconds)
{
    if (handle == nullptr)
    {
        return WaitResult::Failed;
    }
    // Hold a reference while waiting so that closing this handle elsewhere cannot free the object.
    const std::shared_ptr<HandleObject> object = handle->object;
    return object->Wait(milliseconds) ? WaitResult::Signalled : WaitResult::TimedOut;
}

} // namespace Platform
