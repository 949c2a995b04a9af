#pragma once

#include "platform/os/Handle.h"

#include <cstdint>

// Threads behind handles (see Handle.h): a thread handle is signalled when the thread has ended, so
// WaitFor on it waits for the end, CopyHandle and CloseHandle work as for any handle. Closing every
// handle neither stops nor detaches anything the thread still does.
namespace Platform
{

// The function a thread runs; its result becomes the thread's exit code.
using ThreadEntry = std::uint32_t (*)(void* argument);

// StartThread flag: the thread does not run its entry before ResumeThread.
constexpr std::uint32_t ThreadStartSuspended = 0x4;

// Exit code reported while the thread still runs.
constexpr std::uint32_t ThreadStillActive = 259;

// Thread priorities, relative to the process: applied as per-thread nice values (one step of priority is
// five nice steps). Raising above the process's own priority needs privileges that a normal process
// lacks; SetThreadPriority then leaves the priority as it is and still reports success.
constexpr int ThreadPriorityIdle = -15;
constexpr int ThreadPriorityLowest = -2;
constexpr int ThreadPriorityBelowNormal = -1;
constexpr int ThreadPriorityNormal = 0;
constexpr int ThreadPriorityAboveNormal = 1;
constexpr int ThreadPriorityHighest = 2;
constexpr int ThreadPriorityTimeCritical = 15;

// Starts a thread running entry(argument). With ThreadStartSuspended it waits until ResumeThread.
// The new thread may run on every processor the process was given at start, whatever the creating
// thread is bound to. Stores the thread's id in `id` when that is not null. Returns the thread's handle,
// or null (id 0) when no thread could be started.
Handle StartThread(ThreadEntry entry, void* argument, std::uint32_t flags, std::uint32_t* id);

// Lets a suspended thread run. Returns the previous suspend count (1 for a thread started suspended, 0
// for a running one), or 0xFFFFFFFF for a handle that is not a thread's.
std::uint32_t ResumeThread(Handle thread);

// Sets the priority (one of the ThreadPriority values). False only for a handle that is not a thread's.
bool SetThreadPriority(Handle thread, int priority);

// The thread's exit code, ThreadStillActive while it runs. False for a handle that is not a thread's.
bool GetThreadExitCode(Handle thread, std::uint32_t& code);

// The calling thread's id (the system's thread id; never 0).
std::uint32_t CurrentThreadId();

// Binds the calling thread to the processors whose bits are set (bit 0: the first processor).
// False when the mask names no usable processor.
bool SetCurrentThreadProcessors(std::uint64_t mask);

// The processors the calling thread may run on, as a bit mask of the first 64.
std::uint64_t GetCurrentThreadProcessors();

} // namespace Platform
