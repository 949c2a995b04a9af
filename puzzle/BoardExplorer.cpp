#include "puzzle/BoardExplorer.h"

#include "foundation/Debug.h"
#include "puzzle/Block.h"
#include "puzzle/Puzzle.h"

#include <algorithm>
#include <cstdint>
#include <unistd.h>

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
    static const size_t budget = [] {
        const long pages = sysconf(_SC_PHYS_PAGES);
        const long pageSize = sysconf(_SC_PAGESIZE);
        // Unknown: no bound but the address space's.
        return pages > 0 && pageSize > 0 ? static_cast<size_t>(pages) / 2 * static_cast<size_t>(pageSize)
                                         : SIZE_MAX;
    }();
    return budget;
}

void BoardExplorer::Begin(CPuzzle* puzzle)
{
    m_puzzle = puzzle;
    m_movable.clear();
    m_relevant.clear();
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
    m_board.resize(m_movable.size());
    FreeNodes();
}

void BoardExplorer::FreeNodes()
{
    m_open.Clear();
    m_closed.Reset(m_movable.size());
    m_store.Reset(m_movable.size());
}

int32_t BoardExplorer::CountRelevantBlocks()
{
    m_relevant.clear();
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
    const int32_t height = m_puzzle->GetHeight();
    BaseLib::CRectF* states = node->States();
    uint64_t hash = 0;
    for (size_t i = 0; i < m_movable.size(); ++i)
    {
        states[i] = m_movable[i]->GetRect();
        hash |= SolverStateHashBit(states[i], height);
    }
    node->hashHigh = static_cast<uint32_t>(hash >> 32);
    node->hashLow = static_cast<uint32_t>(hash);
    return node;
}

void BoardExplorer::RestoreNode(const SolverNode& node)
{
    const BaseLib::CRectF* states = node.States();
    for (size_t i = 0; i < m_movable.size(); ++i)
    {
        CBlock* block = m_movable[i];
        block->RestoreRect(BlockState{block, states[i]});
        block->StorePrevious();
    }
}

void BoardExplorer::RestoreChanged(const SolverNode& node, const BaseLib::CRectF* board)
{
    const BaseLib::CRectF* states = node.States();
    for (size_t i = 0; i < m_movable.size(); ++i)
    {
        // A block that equals the node's state is left alone by RestoreRect, and its committed state is
        // already its rect.
        if (SameRectFloats(board[i], states[i]))
        {
            continue;
        }
        CBlock* block = m_movable[i];
        block->RestoreRect(BlockState{block, states[i]});
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
    const auto at = std::find(m_movable.begin(), m_movable.end(), block);
    if (at == m_movable.end())
    {
        return SearchInterrupt::None;
    }
    const BaseLib::CRectF start = node.States()[at - m_movable.begin()];
    // Where the board stands after the last trial, with every block committed there, when known: at rest
    // after a child the client left alone (m_board), or at the node when nothing moved.
    const BaseLib::CRectF* board = nullptr;
    for (BlockDirection d : {DirectionNorth, DirectionSouth, DirectionWest, DirectionEast})
    {
        float distance = FirstTrialDistance(start, d, *m_puzzle);
        while (distance > 0.0f)
        {
            const SearchInterrupt interrupt = client.CheckInterrupt();
            if (interrupt != SearchInterrupt::None)
            {
                return interrupt;
            }
            if (board != nullptr)
            {
                RestoreChanged(node, board);
            }
            else
            {
                RestoreNode(node);
            }
            board = nullptr;
            float moved = 0.0f;
            const SettleResult result = PlayMove(block, d, distance, client, moved);
            if (result == SettleResult::Stopped)
            {
                return SearchInterrupt::Stopped;
            }
            if (result == SettleResult::TimedOut)
            {
                return SearchInterrupt::TimedOut;
            }
            if (result == SettleResult::StillMoving)
            {
                BaseLib::DebugOutput("Solver: a move of block %d did not come to rest; dropped\n",
                                     block->GetId());
                // Back to the node's board at rest, so that the next trial starts as a player's move would.
                RestoreNode(node);
                m_puzzle->Update(0.0);
            }
            if (!(moved > 0.0f))
            {
                if (result == SettleResult::Rest)
                {
                    // Nothing moved: the board still stands at the node.
                    board = node.States();
                }
                break;
            }
            if (result == SettleResult::Rest)
            {
                SolverNode* child = MakeNode(&node, block, d, moved, node.depth + 1);
                std::copy(child->States(), child->States() + m_movable.size(), m_board.begin());
                if (client.HandleChild(child))
                {
                    return SearchInterrupt::None;
                }
                if (client.HandleChildLeavesBoard())
                {
                    board = m_board.data();
                }
            }
            distance = moved - 1.0f;
        }
    }
    return SearchInterrupt::None;
}
