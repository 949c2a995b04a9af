#pragma once

#include <cstdint>

// Handles to waitable system objects (threads and events). A handle is one owner's reference to an
// object: copying it with CopyHandle gives a second, independent reference to the same object, and each
// handle is closed exactly once with CloseHandle. The object lives while any handle (or, for a thread,
// the running thread itself) refers to it. Handles may be used from any thread.
namespace Platform
{

struct HandleRecord;
using Handle = HandleRecord*;

// Time limit of WaitFor that never expires.
constexpr std::uint32_t WaitForever = 0xFFFFFFFFu;

enum class WaitResult
{
    Signalled, // the object was signalled (an event was set, a thread ended)
    TimedOut,  // the time limit passed first
    Failed,    // the handle was null
};

// A second handle to the object of `handle`; null when `handle` is null.
Handle CopyHandle(Handle handle);

// Closes this handle only; other handles to the object stay valid. False for a null handle.
bool CloseHandle(Handle handle);

// Blocks until the object is signalled or `milliseconds` have passed (WaitForever: no limit).
// Waiting on an auto-reset event that is set consumes the signal.
WaitResult WaitFor(Handle handle, std::uint32_t milliseconds = WaitForever);

} // namespace Platform
