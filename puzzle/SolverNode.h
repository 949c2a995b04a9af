#pragma once

#include "foundation/Rect.h"
#include "puzzle/BlockDirection.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

class CBlock;

// One board state kept by a breadth-first search: the rects of the movable blocks in block-list order
// (stored right behind the node; how many is the store's state count), the move that reached it and its
// key. Nodes are made and freed only by a SolverNodeStore.
struct SolverNode
{
    // The node this one was reached from; null for the root.
    SolverNode* parent = nullptr;
    // The next node of the open list.
    SolverNode* next = nullptr;
    // The block moved to reach this node; null for the root.
    CBlock* block = nullptr;
    BlockDirection direction = DirectionNone;
    // How far that move went, in cells.
    float distance = 0.0f;
    // Moves from the root.
    int32_t depth = 0;
    // The shortest solution from this state when a search keeps it (the refiner); -1 until known.
    int32_t length = -1;
    // The sum of SolverEntryKey over the entries: equal states have equal keys.
    uint64_t key = 0;

    BaseLib::CRectF* States() { return reinterpret_cast<BaseLib::CRectF*>(this + 1); }
    const BaseLib::CRectF* States() const { return reinterpret_cast<const BaseLib::CRectF*>(this + 1); }
};

// The part of a node's key that the entry at `index` gives. A node's key is the (wrapping) sum over its
// entries, so a child's key follows from its parent's and the few entries that differ.
inline uint64_t SolverEntryKey(size_t index, const BaseLib::CRectF& rect)
{
    uint64_t corner;
    uint64_t far;
#if defined(__SSE2__)
    // The coordinates' bits, -0 made +0 by adding +0 (the two compare equal): left and top, right and
    // bottom as two 64-bit halves.
    static_assert(sizeof(BaseLib::CRectF) == 4 * sizeof(float));
    const __m128i v = _mm_castps_si128(_mm_add_ps(_mm_loadu_ps(&rect.left), _mm_setzero_ps()));
    corner = static_cast<uint64_t>(_mm_cvtsi128_si64(v));
    far = static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(v, v)));
#else
    const auto bits = [](float v) -> uint64_t {
        const float normal = v + 0.0f;
        uint32_t b;
        std::memcpy(&b, &normal, sizeof b);
        return b;
    };
    corner = bits(rect.left) | bits(rect.top) << 32;
    far = bits(rect.right) | bits(rect.bottom) << 32;
#endif
    uint64_t key = (corner + index * 0x9e3779b97f4a7c15u) * 0xbf58476d1ce4e5b9u ^ far * 0x94d049bb133111ebu;
    key ^= key >> 31;
    key *= 0xd6e8feb86659fd93u;
    key ^= key >> 32;
    return key;
}

// The key of the entries as a whole.
uint64_t SolverStatesKey(const BaseLib::CRectF* states, size_t stateCount);

// Both keys equal and the four floats of every entry equal, entries compared in order.
bool StatesEqual(const SolverNode& a, const SolverNode& b, size_t stateCount);

// Nodes of one state count, carved from large chunks: making a node allocates only when a chunk is full,
// and a freed node is reused by the next one made. Everything goes at Reset and destruction.
class SolverNodeStore
{
public:
    SolverNodeStore() = default;
    SolverNodeStore(const SolverNodeStore&) = delete;
    SolverNodeStore& operator=(const SolverNodeStore&) = delete;

    // Frees every node; nodes made from now on hold stateCount entries.
    void Reset(size_t stateCount);
    size_t GetStateCount() const { return m_stateCount; }
    // A node with default fields and undefined entries. Throws std::bad_alloc when memory runs out.
    SolverNode* Make()
    {
        void* memory;
        if (m_free != nullptr)
        {
            memory = m_free;
            m_free = m_free->next;
        }
        else if (m_next != m_end)
        {
            memory = m_next;
            m_next += m_nodeBytes;
        }
        else
        {
            memory = NewChunk();
        }
        return new (memory) SolverNode();
    }
    // The node may be handed out again by Make; nodes pointing to it as parent must be gone.
    void Free(SolverNode* node);
    // Bytes held in chunks.
    size_t GetBytes() const { return m_bytes; }
    // Bytes held in chunks once the next node is made (a new chunk when the last one is full).
    size_t GetBytesAtNextMake() const
    {
        return m_free == nullptr && m_next == m_end ? m_bytes + m_nextChunkNodes * m_nodeBytes : m_bytes;
    }

private:
    // Allocates the next chunk and answers its first node's memory.
    void* NewChunk();

    size_t m_stateCount = 0;
    size_t m_nodeBytes = sizeof(SolverNode);
    std::vector<std::unique_ptr<std::byte[]>> m_chunks;
    std::byte* m_next = nullptr;
    std::byte* m_end = nullptr;
    size_t m_nextChunkNodes = 256;
    size_t m_bytes = 0;
    SolverNode* m_free = nullptr;
};

// Every state a search has kept: a node is in the set when a kept node has the same key and every
// entry's four floats equal (StatesEqual). The nodes are found through an open-addressing table indexed
// by their keys, so a look-up compares full states only with nodes of the same key, in expected constant
// time. Does not own the nodes. Its table grows by doubling and goes at Reset.
class SolverClosedSet
{
public:
    SolverClosedSet() = default;
    SolverClosedSet(const SolverClosedSet&) = delete;
    SolverClosedSet& operator=(const SolverClosedSet&) = delete;

    // Empties the set and frees its table; nodes inserted from now on hold stateCount entries.
    void Reset(size_t stateCount);
    // Inserts the node unless the set holds one with the same state; true when inserted. Throws
    // std::bad_alloc when memory runs out.
    bool Insert(SolverNode* node);
    bool Contains(const SolverNode* node) const;
    size_t Size() const { return m_size; }
    // Bytes of the table, and the bytes the table would take while growing at the next insertion (old
    // and new table together; its own bytes when the next insertion does not grow it).
    size_t GetBytes() const { return m_capacity * sizeof(Slot); }
    size_t GetBytesAtNextInsert() const
    {
        const size_t growing = m_capacity == 0 ? 1024 : m_capacity * 2;
        return (m_size + 1) * 10 > m_capacity * 7 ? GetBytes() + growing * sizeof(Slot) : GetBytes();
    }

private:
    struct Slot
    {
        uint64_t key;
        // Null for an empty slot.
        SolverNode* node;
    };

    // The slot holding a node with the node's state, or else the empty slot where it would go.
    Slot* Find(const SolverNode& node, uint64_t key) const;
    void Grow();

    size_t m_stateCount = 0;
    std::unique_ptr<Slot[]> m_slots;
    // A power of two, or 0 before the first insertion.
    size_t m_capacity = 0;
    size_t m_size = 0;
};

// The first-in, first-out list of nodes still to expand, linked through the nodes. Does not own them.
class SolverOpenList
{
public:
    void Clear()
    {
        m_head = m_tail = nullptr;
        m_size = 0;
    }
    void Push(SolverNode* node)
    {
        node->next = nullptr;
        (m_tail != nullptr ? m_tail->next : m_head) = node;
        m_tail = node;
        ++m_size;
    }
    // The oldest node, or null when empty.
    SolverNode* Pop()
    {
        SolverNode* node = m_head;
        if (node != nullptr)
        {
            m_head = node->next;
            if (m_head == nullptr)
            {
                m_tail = nullptr;
            }
            node->next = nullptr;
            --m_size;
        }
        return node;
    }
    bool Empty() const { return m_head == nullptr; }
    size_t Size() const { return m_size; }

private:
    SolverNode* m_head = nullptr;
    SolverNode* m_tail = nullptr;
    size_t m_size = 0;
};
