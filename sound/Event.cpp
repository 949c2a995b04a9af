#include "sound/Event.h"

#include "platform/os/Sync.h"

namespace SoundLib
{

bool CEvent::Create(bool automaticReset)
{
    Close();
    m_handle = Platform::CreateEvent(!automaticReset, false);
    return m_handle != nullptr;
}

bool CEvent::Wait()
{
    return Platform::WaitFor(m_handle) != Platform::WaitResult::TimedOut;
}

void CEvent::Set()
{
    Platform::SetEvent(m_handle);
}

void CEvent::Close()
{
    if (m_handle != nullptr)
    {
        Platform::CloseHandle(m_handle);
        m_handle = nullptr;
    }
}

} // namespace SoundLib
