#include "puzzle/MoveSet.h"

#include "puzzle/Block.h"

#include <algorithm>
#include <memory>

namespace
{

// The storage of the move sets alive on this thread, innermost last. A vector's size is the number of
// entries a set may hold before it grows the vector; vectors are kept when a set goes away, so later sets
// reuse them.
struct MoveSetPool
{
    std::vector<std::unique_ptr<std::vector<BlockState>>> storage;
    size_t inUse = 0;
};

MoveSetPool& ThreadPool()
{
    thread_local MoveSetPool pool;
    return pool;
}

} // namespace

MoveSet::MoveSet()
{
    MoveSetPool& pool = ThreadPool();
    if (pool.inUse == pool.storage.size())
    {
        pool.storage.push_back(std::make_unique<std::vector<BlockState>>(32));
    }
    m_storage = pool.storage[pool.inUse++].get();
    m_entries = m_storage->data();
}

MoveSet::~MoveSet()
{
    --ThreadPool().inUse;
}

void MoveSet::Grow()
{
    m_storage->resize(m_storage->size() * 2);
    m_entries = m_storage->data();
}

void MoveSet::Remove(const CBlock* block)
{
    for (size_t i = 0; i < m_size; ++i)
    {
        if (m_entries[i].block == block)
        {
            std::copy(m_entries + i + 1, m_entries + m_size, m_entries + i);
            --m_size;
            return;
        }
    }
}

bool MoveSet::HasOverlap() const
{
    for (size_t i = 0; i < m_size; ++i)
    {
        for (size_t k = i + 1; k < m_size; ++k)
        {
            if (m_entries[i].rect.Intersects(m_entries[k].rect))
            {
                return true;
            }
        }
    }
    return false;
}

void MoveSet::Apply()
{
    BlockState* entries = m_entries;
    // Insertion sort by construction order: sets are small.
    for (size_t i = 1; i < m_size; ++i)
    {
        const BlockState entry = entries[i];
        size_t k = i;
        while (k > 0 && entries[k - 1].block->GetSequence() > entry.block->GetSequence())
        {
            entries[k] = entries[k - 1];
            --k;
        }
        entries[k] = entry;
    }
    for (size_t i = 0; i < m_size; ++i)
    {
        entries[i].block->RestoreRect(entries[i]);
    }
}
