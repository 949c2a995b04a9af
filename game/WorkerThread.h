#pragma once

#include "foundation/Thread.h"

#include <cstdint>

// Starts a worker thread that runs (object->*member)(0) and ends with the member's result as its exit
// code: at once, or suspended until Platform::ResumeThread on the record's handle. The argument is
// always 0 for the members the game starts. Returns the thread's record, or the empty record (null
// handle, id 0) when no thread could be started. The caller owns the record and closes it.
template <typename T, typename Member>
BaseLib::CThread CreateWorkerThread(T* object, Member member, std::uint32_t /*argument*/, bool startSuspended)
{
    BaseLib::CThread thread;
    thread.Create(object, member, startSuspended ? Platform::ThreadStartSuspended : 0u);
    return thread;
}
