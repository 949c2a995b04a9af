#include "puzzle/BoardExplorer.h"

#include "foundation/Debug.h"
#include "platform/os/MemoryLimit.h"
#include "puzzle/Block.h"
#include "puzzle/Puzzle.h"

#include <algorithm>
#include <cstdint>

float FirstTrialDistance(const BaseLib::CRectF& rect, BlockDirection d, const CPuzzle& puzzle)
{
    switch (d)
    {
    case DirectionNorth:
        return rect.bottom;
    case DirectionSouth:
        return static_cast<float>(puzzle.GetHeight()) - rect.top;
    case DirectionWest:
        return rect.right;
    default:
        return static_cast<float>(puzzle.GetWidth()) - rect.left;
    }
}

size_t DefaultSearchMemoryBudget()
{
    const size_t usable = Platform::GetUsableMemoryBytes();
    // Unknown: no bound but the address space's.
    return usable == SIZE_MAX ? SIZE_MAX : usable / 2;
}

void BoardExplorer::Begin(CPuzzle* puzzle)
{
    m_puzzle = puzzle;
    m_movable.clear();
    ClearRelevantBlocks();
    m_hasFlexOrMagnet = false;
    if (puzzle != nullptr)
    {
        for (CBlock* block : puzzle->GetBlocks())
        {
            if (block->IsMovable())
            {
                m_movable.push_back(block);
            }
            if (block->GetKind() == KindFlex || block->GetKind() == KindMagnet)
            {
                m_hasFlexOrMagnet = true;
            }
        }
    }
    size_t slots = 16;
    int32_t shift = 60;
    while (slots < m_movable.size() * 2)
    {
        slots *= 2;
        --shift;
    }
    m_indexTable.assign(slots, {nullptr, -1});
    m_indexShift = shift;
    for (size_t i = 0; i < m_movable.size(); ++i)
    {
        const uint64_t hash =
            static_cast<uint64_t>(reinterpret_cast<uintptr_t>(m_movable[i])) * 0x9e3779b97f4a7c15u;
        size_t k = static_cast<size_t>(hash >> m_indexShift);
        while (m_indexTable[k].first != nullptr)
        {
            k = (k + 1) & (slots - 1);
        }
        m_indexTable[k] = {m_movable[i], static_cast<int32_t>(i)};
    }
    m_changed.assign((m_movable.size() + 63) / 64, 0);
    FreeNodes();
}

int32_t BoardExplorer::MovableIndex(const CBlock* block) const
{
    const size_t mask = m_indexTable.size() - 1;
    const uint64_t hash = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(block)) * 0x9e3779b97f4a7c15u;
    for (size_t k = static_cast<size_t>(hash >> m_indexShift);; k = (k + 1) & mask)
    {
        const auto& slot = m_indexTable[k];
        if (slot.first == block || slot.first == nullptr)
        {
            return slot.second;
        }
    }
}

bool BoardExplorer::CollectChanged()
{
    if (m_reference == nullptr || m_puzzle->GetRectChangeRound() != m_round ||
        m_puzzle->RectChangesOverflowed())
    {
        return false;
    }
    const std::vector<CBlock*>& notes = m_puzzle->GetRectChanges();
    for (; m_collected < notes.size(); ++m_collected)
    {
        // Blocks that are not movable are no part of a node's state.
        const int32_t i = MovableIndex(notes[m_collected]);
        if (i >= 0)
        {
            m_changed[static_cast<size_t>(i) / 64] |= uint64_t{1} << (i % 64);
        }
        else
        {
            m_otherNoted = true;
        }
    }
    return true;
}

void BoardExplorer::PutBack(const SolverNode& node)
{
    const bool known = CollectChanged();
    if (known && !m_otherNoted && m_puzzle->GetGrid().RollBack())
    {
        // The grid stands as it did at the last put-back, when the board stood at the reference: only the
        // noted blocks' rects go back.
        const BaseLib::CRectF* from = m_reference->States();
        for (size_t w = 0; w < m_changed.size(); ++w)
        {
            for (uint64_t bits = m_changed[w]; bits != 0; bits &= bits - 1)
            {
                const size_t i = w * 64 + static_cast<size_t>(__builtin_ctzll(bits));
                CBlock* block = m_movable[i];
                block->RestoreRectOutsideGrid(from[i]);
                block->StorePrevious();
            }
            m_changed[w] = 0;
        }
        if (m_reference != &node)
        {
            // The journal starts anew below; these moves are never rolled back.
            m_puzzle->GetGrid().StopJournal();
            // Another node (the one expanded before, most often a sibling): only the blocks where the two
            // differ move, in movable order.
            const BaseLib::CRectF* states = node.States();
            for (size_t i = 0; i < m_movable.size(); ++i)
            {
                if (!SameRectFloats(from[i], states[i]))
                {
                    CBlock* block = m_movable[i];
                    block->RestoreRectUnnoted(states[i]);
                    block->StorePrevious();
                }
            }
        }
    }
    else if (known && m_reference == &node)
    {
        const BaseLib::CRectF* states = node.States();
        // In movable order, as RestoreNode goes.
        for (size_t w = 0; w < m_changed.size(); ++w)
        {
            for (uint64_t bits = m_changed[w]; bits != 0; bits &= bits - 1)
            {
                const size_t i = w * 64 + static_cast<size_t>(__builtin_ctzll(bits));
                CBlock* block = m_movable[i];
                block->RestoreRectUnnoted(states[i]);
                block->StorePrevious();
            }
            m_changed[w] = 0;
        }
    }
    else
    {
        RestoreNode(node);
        std::fill(m_changed.begin(), m_changed.end(), 0);
    }
    m_puzzle->ClearRectChanges();
    m_round = m_puzzle->GetRectChangeRound();
    m_collected = 0;
    m_otherNoted = false;
    m_reference = &node;
}

void BoardExplorer::FreeNodes()
{
    m_reference = nullptr;
    m_open.Clear();
    m_closed.Reset(m_movable.size());
    m_store.Reset(m_movable.size());
}

int32_t BoardExplorer::CountRelevantBlocks()
{
    ClearRelevantBlocks();
    if (m_puzzle == nullptr)
    {
        return 0;
    }
    const std::vector<CBlock*>& blocks = m_puzzle->GetBlocks();
    std::vector<const CBlock*> taken;
    for (CBlock* block : blocks)
    {
        if (std::find(taken.begin(), taken.end(), block) != taken.end())
        {
            continue;
        }
        taken.push_back(block);
        if (block->IsGrabbable())
        {
            m_relevant.push_back(block);
            m_relevantIndex.push_back(MovableIndex(block));
        }
        const std::vector<CBlock*>& piece = block->GetLinkSet();
        const bool flexible =
            std::any_of(piece.begin(), piece.end(), [](const CBlock* b) { return b->GetKind() == KindFlex; });
        if (!flexible)
        {
            taken.insert(taken.end(), piece.begin(), piece.end());
        }
    }
    BaseLib::DebugOutput("Solver: only %d out of %d block are relevant for movement\n",
                         static_cast<int32_t>(m_relevant.size()), static_cast<int32_t>(blocks.size()));
    return static_cast<int32_t>(m_relevant.size());
}

SolverNode* BoardExplorer::MakeNode(SolverNode* parent, CBlock* block, BlockDirection direction,
                                    float distance, int32_t depth)
{
    SolverNode* node = m_store.Make();
    node->parent = parent;
    node->block = block;
    node->direction = direction;
    node->distance = distance;
    node->depth = depth;
    BaseLib::CRectF* states = node->States();
    const size_t count = m_movable.size();
    if (parent != nullptr && parent == m_reference && CollectChanged())
    {
        // The board is the parent's but for the noted blocks.
        const BaseLib::CRectF* from = parent->States();
        std::copy(from, from + count, states);
        uint64_t key = parent->key;
        for (size_t w = 0; w < m_changed.size(); ++w)
        {
            for (uint64_t bits = m_changed[w]; bits != 0; bits &= bits - 1)
            {
                const size_t i = w * 64 + static_cast<size_t>(__builtin_ctzll(bits));
                const BaseLib::CRectF& rect = m_movable[i]->GetRect();
                key += SolverEntryKey(i, rect) - SolverEntryKey(i, states[i]);
                states[i] = rect;
            }
        }
        node->key = key;
        return node;
    }
    for (size_t i = 0; i < count; ++i)
    {
        states[i] = m_movable[i]->GetRect();
    }
    node->key = SolverStatesKey(states, count);
    return node;
}

void BoardExplorer::RestoreNode(const SolverNode& node)
{
    // The blocks not noted since may stand anywhere now, and count as committed only after this.
    m_reference = nullptr;
    // A put-back starts the journal anew before the next trial; these moves are never rolled back.
    m_puzzle->GetGrid().StopJournal();
    const BaseLib::CRectF* states = node.States();
    for (size_t i = 0; i < m_movable.size(); ++i)
    {
        CBlock* block = m_movable[i];
        if (!SameRectFloats(block->GetRect(), states[i]))
        {
            block->RestoreRectUnnoted(states[i]);
        }
        block->StorePrevious();
    }
}

SettleResult BoardExplorer::Settle(SearchClient& client, int32_t maxSteps)
{
    for (int32_t step = 1;; ++step)
    {
        m_puzzle->Update(0.0);
        if (!m_puzzle->IsMoving())
        {
            return SettleResult::Rest;
        }
        switch (client.CheckInterrupt())
        {
        case SearchInterrupt::Stopped:
            return SettleResult::Stopped;
        case SearchInterrupt::TimedOut:
            return SettleResult::TimedOut;
        case SearchInterrupt::None:
            break;
        }
        if (maxSteps > 0 && step >= maxSteps)
        {
            return SettleResult::StillMoving;
        }
    }
}

SettleResult BoardExplorer::PlayMove(CBlock* block, BlockDirection d, float distance, SearchClient& client,
                                     float& moved)
{
    moved = 0.0f;
    const int32_t id = block->GetId();
    m_puzzle->SelectBlock(id);
    if (m_puzzle->GetSelectedBlockId() != id)
    {
        // The board still moves (or another block is held): the player could not take this block.
        return SettleResult::StillMoving;
    }
    moved = block->Move(d, distance, 1000);
    if (!(moved > 0.0f))
    {
        m_puzzle->ReleaseBlock(id);
        return SettleResult::Rest;
    }
    if (m_hasFlexOrMagnet)
    {
        const SettleResult held = Settle(client, MaxTrialSettleSteps);
        if (held != SettleResult::Rest)
        {
            m_puzzle->ReleaseBlock(id);
            return held;
        }
    }
    m_puzzle->ReleaseBlock(id);
    return Settle(client, MaxTrialSettleSteps);
}

SearchInterrupt BoardExplorer::TryMoves(SolverNode& node, CBlock* block, SearchClient& client)
{
    return TryMovesAt(node, block, MovableIndex(block), client);
}

SearchInterrupt BoardExplorer::TryMovesAt(SolverNode& node, CBlock* block, int32_t index,
                                          SearchClient& client)
{
    if (index < 0)
    {
        return SearchInterrupt::None;
    }
    const BaseLib::CRectF start = node.States()[index];
    bool first = true;
    for (BlockDirection d : {DirectionNorth, DirectionSouth, DirectionWest, DirectionEast})
    {
        float distance = FirstTrialDistance(start, d, *m_puzzle);
        while (distance > 0.0f)
        {
            // After a trial that moved nothing, nothing changed that the client watches but the clock: it
            // is asked again after the next move, a few microseconds later.
            const bool atNode = StandsAt(node);
            if (first || !atNode)
            {
                const SearchInterrupt interrupt = client.CheckInterrupt();
                if (interrupt != SearchInterrupt::None)
                {
                    return interrupt;
                }
            }
            first = false;
            if (!atNode)
            {
                PutBack(node);
            }
            float moved = 0.0f;
            const SettleResult result = PlayMove(block, d, distance, client, moved);
            if (result == SettleResult::Stopped || result == SettleResult::TimedOut)
            {
                m_reference = nullptr;
                return result == SettleResult::Stopped ? SearchInterrupt::Stopped : SearchInterrupt::TimedOut;
            }
            if (result == SettleResult::StillMoving)
            {
                BaseLib::DebugOutput("Solver: a move of block %d did not come to rest; dropped\n",
                                     block->GetId());
                // Back to the node's board at rest, so that the next trial starts as a player's move would.
                RestoreNode(node);
                m_puzzle->Update(0.0);
            }
            // A board at rest after a move stands at the node but for the blocks noted since, each
            // committed where it stands.
            if (!(moved > 0.0f))
            {
                break;
            }
            if (result == SettleResult::Rest)
            {
                SolverNode* child = MakeNode(&node, block, d, moved, node.depth + 1);
                const bool leavesBoard = client.HandleChildLeavesBoard();
                const bool done = client.HandleChild(child);
                if (!leavesBoard)
                {
                    m_reference = nullptr;
                }
                if (done)
                {
                    return SearchInterrupt::None;
                }
            }
            distance = moved - 1.0f;
        }
    }
    return SearchInterrupt::None;
}
