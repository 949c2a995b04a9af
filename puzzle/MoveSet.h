#pragma once

#include "puzzle/BlockState.h"

#include <cstddef>
#include <vector>

class CBlock;

// The blocks of one move and their target rectangles, each block at most once. Its storage is borrowed
// from a pool of this thread and handed back, capacity kept, when the set goes away: a move allocates
// nothing once the pool has warmed up. Sets are nested (a move set, a linked probe inside it) and must go
// away in the reverse order of their creation, which scoped objects do.
class MoveSet
{
public:
    MoveSet();
    ~MoveSet();
    MoveSet(const MoveSet&) = delete;
    MoveSet& operator=(const MoveSet&) = delete;

    bool Contains(const CBlock* block) const { return Find(block) != nullptr; }
    // The entry of the block, or null.
    BlockState* Find(const CBlock* block)
    {
        for (size_t i = 0; i < m_size; ++i)
        {
            if (m_entries[i].block == block)
            {
                return &m_entries[i];
            }
        }
        return nullptr;
    }
    const BlockState* Find(const CBlock* block) const { return const_cast<MoveSet*>(this)->Find(block); }
    // Enters the block with the rect; a block already held keeps its entry.
    void Insert(CBlock* block, const BaseLib::CRectF& rect)
    {
        if (Find(block) == nullptr)
        {
            Append(block, rect);
        }
    }
    // Enters the block or replaces its rect.
    void Set(CBlock* block, const BaseLib::CRectF& rect)
    {
        if (BlockState* entry = Find(block))
        {
            entry->rect = rect;
        }
        else
        {
            Append(block, rect);
        }
    }
    void Remove(const CBlock* block);
    void Clear() { m_size = 0; }

    size_t Size() const { return m_size; }
    bool Empty() const { return m_size == 0; }
    const BlockState& operator[](size_t i) const { return m_entries[i]; }

    // True when two target rectangles overlap strictly.
    bool HasOverlap() const;

    // Puts every block at its target (CBlock::RestoreRect), in the blocks' order of construction, so the
    // order of blocks inside grid cells does not depend on where blocks lie in memory.
    void Apply();

private:
    void Append(CBlock* block, const BaseLib::CRectF& rect)
    {
        if (m_size == m_storage->size())
        {
            Grow();
        }
        m_entries[m_size++] = {block, rect};
    }
    void Grow();

    // The borrowed storage: its size is the capacity in use, the entries are the first m_size.
    std::vector<BlockState>* m_storage;
    BlockState* m_entries;
    size_t m_size = 0;
};
