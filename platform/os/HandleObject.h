#pragma once

#include "platform/os/Handle.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

// Internal to the platform layer: the objects behind handles.
namespace Platform
{

// A waitable object. `signalled` and the wake-up of waiters are guarded by `mutex`.
class HandleObject
{
public:
    virtual ~HandleObject() = default;

    // Blocks until signalled; false when the time limit passes first.
    bool Wait(std::uint32_t milliseconds);

protected:
    // Called under `mutex` by a waiter that was released; an auto-reset event clears its signal here.
    virtual void OnReleased() {}

    std::mutex mutex;
    std::condition_variable changed;
    bool signalled = false;
};

struct HandleRecord
{
    std::shared_ptr<HandleObject> object;
};

// A new handle owning one reference to `object`.
Handle MakeHandle(std::shared_ptr<HandleObject> object);

// The object of a handle cast to its kind; null for a null handle or an object of another kind.
template <typename T> std::shared_ptr<T> HandleTarget(Handle handle)
{
    return handle != nullptr ? std::dynamic_pointer_cast<T>(handle->object) : nullptr;
}

} // namespace Platform
