#pragma once

#include "platform/os/Handle.h"

namespace SoundLib
{

// A holder of one event handle, closed by Close only (not by destruction). Nothing in sound creates one.
class CEvent
{
public:
    // A new, unnamed event, not set; it resets itself on a released wait exactly when `automaticReset`.
    // A handle held before is closed first. False when no event could be made.
    bool Create(bool automaticReset);
    // Waits without time-out; true unless the wait timed out (without an event it returns at once, true).
    bool Wait();
    void Set();
    // Closes the handle when one is held.
    void Close();
    Platform::Handle GetHandle() const { return m_handle; }

private:
    Platform::Handle m_handle = nullptr;
};

} // namespace SoundLib
