#include "puzzle/SolverNode.h"

#include "puzzle/BlockState.h"

#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

static_assert(alignof(SolverNode) >= alignof(BaseLib::CRectF) &&
              sizeof(SolverNode) % alignof(BaseLib::CRectF) == 0);

uint64_t SolverStatesKey(const BaseLib::CRectF* states, size_t stateCount)
{
    uint64_t key = 0;
    for (size_t i = 0; i < stateCount; ++i)
    {
        key += SolverEntryKey(i, states[i]);
    }
    return key;
}

bool StatesEqual(const SolverNode& a, const SolverNode& b, size_t stateCount)
{
    if (a.key != b.key)
    {
        return false;
    }
    const BaseLib::CRectF* sa = a.States();
    const BaseLib::CRectF* sb = b.States();
#if defined(__SSE2__)
    // Equal keys almost always mean equal states: every entry is compared, without a branch per entry.
    const auto cmp = [sa, sb](size_t i) {
        return _mm_cmpeq_ps(_mm_loadu_ps(&sa[i].left), _mm_loadu_ps(&sb[i].left));
    };
    __m128 same = _mm_castsi128_ps(_mm_set1_epi32(-1));
    size_t i = 0;
    for (; i + 4 <= stateCount; i += 4)
    {
        same =
            _mm_and_ps(same, _mm_and_ps(_mm_and_ps(cmp(i), cmp(i + 1)), _mm_and_ps(cmp(i + 2), cmp(i + 3))));
    }
    for (; i < stateCount; ++i)
    {
        same = _mm_and_ps(same, cmp(i));
    }
    return _mm_movemask_ps(same) == 0xf;
#else
    for (size_t i = 0; i < stateCount; ++i)
    {
        if (!SameRectFloats(sa[i], sb[i]))
        {
            return false;
        }
    }
    return true;
#endif
}

// ---- the node store ----

void SolverNodeStore::Reset(size_t stateCount)
{
    m_chunks.clear();
    m_next = m_end = nullptr;
    m_free = nullptr;
    m_bytes = 0;
    m_nextChunkNodes = 256;
    m_stateCount = stateCount;
    m_nodeBytes = sizeof(SolverNode) + stateCount * sizeof(BaseLib::CRectF);
    // Keep every node aligned for the pointers it holds.
    m_nodeBytes = (m_nodeBytes + alignof(SolverNode) - 1) / alignof(SolverNode) * alignof(SolverNode);
}

void* SolverNodeStore::NewChunk()
{
    // Chunks double up to 1 MiB, so a small search holds little and a large one allocates rarely and
    // holds at most one chunk more than its nodes need.
    const size_t bytes = m_nextChunkNodes * m_nodeBytes;
    m_chunks.push_back(std::make_unique_for_overwrite<std::byte[]>(bytes));
    m_next = m_chunks.back().get();
    m_end = m_next + bytes;
    m_bytes += bytes;
    if (m_nextChunkNodes * m_nodeBytes < (size_t{1} << 20))
    {
        m_nextChunkNodes *= 2;
    }
    void* memory = m_next;
    m_next += m_nodeBytes;
    return memory;
}

void SolverNodeStore::Free(SolverNode* node)
{
    node->next = m_free;
    m_free = node;
}

// ---- the closed set ----

namespace
{

size_t SlotIndex(uint64_t key, size_t capacity)
{
    return static_cast<size_t>(key ^ (key >> 32)) & (capacity - 1);
}

} // namespace

SolverClosedSet::Slot* SolverClosedSet::Find(const SolverNode& node, uint64_t key) const
{
    for (size_t i = SlotIndex(key, m_capacity);; i = (i + 1) & (m_capacity - 1))
    {
        Slot& slot = m_slots[i];
        if (slot.node == nullptr || (slot.key == key && StatesEqual(*slot.node, node, m_stateCount)))
        {
            return &slot;
        }
    }
}

void SolverClosedSet::Grow()
{
    const size_t capacity = m_capacity == 0 ? 1024 : m_capacity * 2;
    std::unique_ptr<Slot[]> slots = std::make_unique<Slot[]>(capacity);
    for (size_t k = 0; k < m_capacity; ++k)
    {
        const Slot& old = m_slots[k];
        if (old.node == nullptr)
        {
            continue;
        }
        size_t i = SlotIndex(old.key, capacity);
        while (slots[i].node != nullptr)
        {
            i = (i + 1) & (capacity - 1);
        }
        slots[i] = old;
    }
    m_slots = std::move(slots);
    m_capacity = capacity;
}

void SolverClosedSet::Reset(size_t stateCount)
{
    m_slots.reset();
    m_capacity = 0;
    m_size = 0;
    m_stateCount = stateCount;
}

bool SolverClosedSet::Insert(SolverNode* node)
{
    const uint64_t key = node->key;
    Slot* slot = m_capacity != 0 ? Find(*node, key) : nullptr;
    if (slot != nullptr && slot->node != nullptr)
    {
        return false;
    }
    // At most 7 of 10 slots taken keeps the probe runs short.
    if (slot == nullptr || (m_size + 1) * 10 > m_capacity * 7)
    {
        Grow();
        slot = Find(*node, key);
    }
    slot->key = key;
    slot->node = node;
    ++m_size;
    return true;
}

bool SolverClosedSet::Contains(const SolverNode* node) const
{
    return m_capacity != 0 && Find(*node, node->key)->node != nullptr;
}
