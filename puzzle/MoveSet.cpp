#include "puzzle/MoveSet.h"

#include "puzzle/Block.h"

#include <memory>

namespace
{

// The storage of the move sets alive on this thread, innermost last. Vectors are kept with their
// capacity when a set goes away, so nested sets reuse them.
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
        pool.storage.push_back(std::make_unique<std::vector<BlockState>>());
        pool.storage.back()->reserve(32);
    }
    m_entries = pool.storage[pool.inUse++].get();
    m_entries->clear();
}

MoveSet::~MoveSet()
{
    m_entries->clear();
    --ThreadPool().inUse;
}

BlockState* MoveSet::Find(const CBlock* block)
{
    for (BlockState& entry : *m_entries)
    {
        if (entry.block == block)
        {
            return &entry;
        }
    }
    return nullptr;
}

const BlockState* MoveSet::Find(const CBlock* block) const
{
    for (const BlockState& entry : *m_entries)
    {
        if (entry.block == block)
        {
            return &entry;
        }
    }
    return nullptr;
}

void MoveSet::Insert(CBlock* block, const BaseLib::CRectF& rect)
{
    if (Find(block) == nullptr)
    {
        m_entries->push_back({block, rect});
    }
}

void MoveSet::Set(CBlock* block, const BaseLib::CRectF& rect)
{
    if (BlockState* entry = Find(block))
    {
        entry->rect = rect;
    }
    else
    {
        m_entries->push_back({block, rect});
    }
}

void MoveSet::Remove(const CBlock* block)
{
    for (auto it = m_entries->begin(); it != m_entries->end(); ++it)
    {
        if (it->block == block)
        {
            m_entries->erase(it);
            return;
        }
    }
}

bool MoveSet::HasOverlap() const
{
    const std::vector<BlockState>& entries = *m_entries;
    for (size_t i = 0; i < entries.size(); ++i)
    {
        for (size_t k = i + 1; k < entries.size(); ++k)
        {
            if (entries[i].rect.Intersects(entries[k].rect))
            {
                return true;
            }
        }
    }
    return false;
}

void MoveSet::Apply()
{
    std::vector<BlockState>& entries = *m_entries;
    // Insertion sort by construction order: sets are small.
    for (size_t i = 1; i < entries.size(); ++i)
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
    for (const BlockState& entry : entries)
    {
        entry.block->RestoreRect(entry);
    }
}
