#pragma once

#include "ui/BlockArray.h"

#include <cstdint>
#include <string>

namespace UILib
{

// Maps 32-bit handles to objects: a handle is its slot index | the slot's serial << 16. A handle
// resolves only while its slot still holds the object it was made for; once released, the slot's
// serial moves on, so the old handle never resolves again, also after the slot is reused. The table
// does not own the objects. Serials start at 1 and skip 0 when they wrap, so no live handle is ever 0.
class CHandleTable
{
public:
    static constexpr std::uint32_t MaxEntries = 65536;

    // name appears in the trace when the table is full.
    explicit CHandleTable(std::string name);
    ~CHandleTable();
    CHandleTable(const CHandleTable&) = delete;
    CHandleTable& operator=(const CHandleTable&) = delete;

    // A new handle for object (not null). Reuses the index freed last, else appends one. Returns 0 and
    // traces when all 65,536 indices are live.
    Handle Create(void* object);
    // The object, or null when the handle is 0, stale or out of range.
    void* Resolve(Handle handle) const;
    // Frees the slot of a handle that resolves and moves its serial on; false otherwise.
    bool Release(Handle handle);
    // Frees every slot and the storage; every handle made so far stops resolving.
    void Clear();

    // Slots ever appended (live and free).
    std::uint32_t GetEntryCount() const { return static_cast<std::uint32_t>(m_entries.GetCount()); }
    std::uint32_t GetFreeCount() const { return static_cast<std::uint32_t>(m_free.GetCount()); }
    // For iteration in ascending index order: the handle of a set slot, 0 for a free one or an index
    // out of range.
    Handle HandleAt(std::uint32_t index) const;

private:
    struct Entry
    {
        void* object = nullptr;
        std::uint16_t serial = 1;
    };

    std::string m_name;
    CBlockArray<Entry> m_entries;
    CBlockArray<std::uint32_t> m_free;
};

} // namespace UILib
