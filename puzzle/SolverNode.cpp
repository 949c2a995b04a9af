#include "puzzle/SolverNode.h"

#include <algorithm>
#include <cmath>
#include <new>

static_assert(alignof(SolverNode) >= alignof(BaseLib::CRectF) &&
              sizeof(SolverNode) % alignof(BaseLib::CRectF) == 0);

bool StatesEqual(const SolverNode& a, const SolverNode& b, size_t stateCount)
{
    if (a.hashHigh != b.hashHigh || a.hashLow != b.hashLow)
    {
        return false;
    }
    const BaseLib::CRectF* sa = a.States();
    const BaseLib::CRectF* sb = b.States();
    for (size_t i = 0; i < stateCount; ++i)
    {
        if (sa[i].left != sb[i].left || sa[i].top != sb[i].top || sa[i].right != sb[i].right ||
            sa[i].bottom != sb[i].bottom)
        {
            return false;
        }
    }
    return true;
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

SolverNode* SolverNodeStore::Make()
{
    void* memory;
    if (m_free != nullptr)
    {
        memory = m_free;
        m_free = m_free->next;
    }
    else
    {
        if (m_next == m_end)
        {
            // Chunks double up to 32 MiB, so a large search allocates rarely and a small one holds little.
            const size_t bytes = m_nextChunkNodes * m_nodeBytes;
            m_chunks.push_back(std::make_unique_for_overwrite<std::byte[]>(bytes));
            m_next = m_chunks.back().get();
            m_end = m_next + bytes;
            m_bytes += bytes;
            if (m_nextChunkNodes * m_nodeBytes < (size_t{32} << 20))
            {
                m_nextChunkNodes *= 2;
            }
        }
        memory = m_next;
        m_next += m_nodeBytes;
    }
    return new (memory) SolverNode();
}

void SolverNodeStore::Free(SolverNode* node)
{
    node->next = m_free;
    m_free = node;
}

// ---- the closed set ----

bool SolverClosedSet::Order::operator()(const SolverNode* a, const SolverNode* b) const
{
    if (a->hashHigh != b->hashHigh)
    {
        return a->hashHigh < b->hashHigh;
    }
    if (a->hashLow != b->hashLow)
    {
        return a->hashLow < b->hashLow;
    }
    const BaseLib::CRectF* sa = a->States();
    const BaseLib::CRectF* sb = b->States();
    for (size_t i = 0; i < stateCount; ++i)
    {
        const BaseLib::CRectF& ra = sa[i];
        const BaseLib::CRectF& rb = sb[i];
        if (ra.left != rb.left)
        {
            return ra.left < rb.left;
        }
        if (ra.top != rb.top)
        {
            return ra.top < rb.top;
        }
        if (ra.right != rb.right)
        {
            return ra.right < rb.right;
        }
        if (ra.bottom != rb.bottom)
        {
            return ra.bottom < rb.bottom;
        }
    }
    return false;
}

SolverClosedSet::SolverClosedSet() : m_buffer(size_t{64} << 10) {}

SolverClosedSet::~SolverClosedSet()
{
    m_set.reset();
}

void SolverClosedSet::Reset(size_t stateCount)
{
    m_set.reset();
    m_buffer.release();
    m_set.emplace(Order{stateCount}, &m_buffer);
}

bool SolverClosedSet::Insert(SolverNode* node)
{
    if (!m_set)
    {
        Reset(0);
    }
    return m_set->insert(node).second;
}

bool SolverClosedSet::Contains(const SolverNode* node) const
{
    return m_set && m_set->find(const_cast<SolverNode*>(node)) != m_set->end();
}
