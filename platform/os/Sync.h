#pragma once

#include "platform/os/Handle.h"

#include <mutex>

// Events behind handles (see Handle.h) and re-entrant critical sections.
namespace Platform
{

// A new event, set when `initiallySet`. A manual-reset event stays set until ResetEvent and releases
// every waiter; an auto-reset event releases one waiter per SetEvent and clears itself doing so (setting
// it while set changes nothing). Never null.
Handle CreateEvent(bool manualReset, bool initiallySet);

// Sets or clears an event. False for a handle that is not an event's.
bool SetEvent(Handle event);
bool ResetEvent(Handle event);

// A lock that its owning thread may enter again; it is free once left as often as entered.
class CriticalSection
{
public:
    void Enter() { m_mutex.lock(); }
    void Leave() { m_mutex.unlock(); }
    // Enters when no other thread holds the section; false otherwise.
    bool TryEnter() { return m_mutex.try_lock(); }

private:
    std::recursive_mutex m_mutex;
};

// Holds a critical section from construction to destruction.
class CriticalSectionLock
{
public:
    explicit CriticalSectionLock(CriticalSection& section) : m_section(section) { m_section.Enter(); }
    ~CriticalSectionLock() { m_section.Leave(); }
    CriticalSectionLock(const CriticalSectionLock&) = delete;
    CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

private:
    CriticalSection& m_section;
};

} // namespace Platform
