#include "foundation/Thread.h"

#include <memory>

namespace BaseLib
{

CThread& CThread::operator=(const CThread& other)
{
    if (this != &other)
    {
        Close();
        m_handle = Platform::CopyHandle(other.m_handle);
        m_id = other.m_id;
    }
    return *this;
}

void CThread::Close()
{
    if (m_handle != nullptr)
    {
        Platform::CloseHandle(m_handle);
        m_handle = nullptr;
    }
}

std::uint32_t CThread::ThreadProc(void* record)
{
    const std::unique_ptr<StartRecord> start(static_cast<StartRecord*>(record));
    return start->Run();
}

bool CThread::Start(StartRecord* record, std::uint32_t flags)
{
    Close();
    m_handle = Platform::StartThread(&CThread::ThreadProc, record, flags, &m_id);
    if (m_handle == nullptr)
    {
        delete record;
        m_id = 0;
        return false;
    }
    return true;
}

} // namespace BaseLib
