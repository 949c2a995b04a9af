#pragma once

#include <cstdint>

namespace Qen
{

// A growable list of (usage, usage index)-style pairs of 32-bit values whose storage grows and shrinks
// in blocks of 32 records: the first append allocates 32, an append at a multiple of 32 grows to
// count + 32, a removal that leaves a multiple of 32 shrinks to it (freeing the storage at 0).
class CIndexPairList
{
public:
    struct Pair
    {
        std::uint32_t first = 0;
        std::uint32_t second = 0;
    };

    CIndexPairList() = default;
    ~CIndexPairList();
    CIndexPairList(const CIndexPairList&) = delete;
    CIndexPairList& operator=(const CIndexPairList&) = delete;

    // The new last record, zero-filled.
    Pair& Append();
    Pair& Append(std::uint32_t first, std::uint32_t second);
    // Shifts the later records down; an index past the count is ignored.
    void RemoveAt(std::uint32_t index);
    // Removes every record equal to an earlier one, from the last down, so first occurrences stay.
    void RemoveDuplicates();
    bool Contains(std::uint32_t first, std::uint32_t second) const;

    std::uint32_t Count() const { return m_count; }
    // Records the storage has room for.
    std::uint32_t Capacity() const { return m_capacity; }
    const Pair& operator[](std::uint32_t index) const { return m_pairs[index]; }

private:
    void Reserve(std::uint32_t capacity);

    Pair* m_pairs = nullptr;
    std::uint32_t m_count = 0;
    std::uint32_t m_capacity = 0;
};

} // namespace Qen
