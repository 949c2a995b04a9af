#include "ui/HandleTable.h"

#include "foundation/Debug.h"

namespace UILib
{

CHandleTable::CHandleTable(std::string name) : m_name(std::move(name)) {}

CHandleTable::~CHandleTable()
{
    Clear();
}

Handle CHandleTable::Create(void* object)
{
    std::uint32_t index = 0;
    if (!m_free.IsEmpty())
    {
        index = m_free.PopBack();
    }
    else if (m_entries.GetCount() < MaxEntries)
    {
        index = static_cast<std::uint32_t>(m_entries.Append(Entry{}));
    }
    else
    {
        // One more index would spill into the serial bits and alias a handle of slot 0.
        BaseLib::DebugOutput("CHandleTable(%s): Error: all %u handles are in use\n", m_name.c_str(),
                             MaxEntries);
        return 0;
    }
    Entry& entry = m_entries[index];
    entry.object = object;
    return index | (static_cast<Handle>(entry.serial) << 16);
}

void* CHandleTable::Resolve(Handle handle) const
{
    const std::uint32_t index = handle & 0xFFFF;
    if (index >= m_entries.GetCount())
    {
        return nullptr;
    }
    const Entry& entry = m_entries[index];
    if (entry.serial != (handle >> 16))
    {
        return nullptr;
    }
    return entry.object;
}

bool CHandleTable::Release(Handle handle)
{
    if (Resolve(handle) == nullptr)
    {
        return false;
    }
    const std::uint32_t index = handle & 0xFFFF;
    Entry& entry = m_entries[index];
    entry.object = nullptr;
    ++entry.serial;
    if (entry.serial == 0)
    {
        entry.serial = 1;
    }
    m_free.Append(index);
    return true;
}

void CHandleTable::Clear()
{
    m_entries.Clear();
    m_free.Clear();
}

Handle CHandleTable::HandleAt(std::uint32_t index) const
{
    if (index >= m_entries.GetCount() || m_entries[index].object == nullptr)
    {
        return 0;
    }
    return index | (static_cast<Handle>(m_entries[index].serial) << 16);
}

} // namespace UILib
