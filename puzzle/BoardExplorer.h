#pragma once

#include "foundation/Rect.h"
#include "puzzle/BlockDirection.h"
#include "puzzle/Puzzle.h"
#include "puzzle/SolverNode.h"

#include <cstdint>
#include <utility>
#include <vector>

class CBlock;
class CPuzzle;

// The node memory a search may hold unless told otherwise: half of the memory the process can use now
// (Platform::GetUsableMemoryBytes: the smallest of the physical memory, the cgroup's limit and the memory
// available), read anew at each call. Linux overcommits memory, so a search that grew past what is there
// would be killed rather than see an allocation fail.
size_t DefaultSearchMemoryBudget();

// How far the first trial move of a block at rect toward d asks to go: past the far edge of the board by
// the block's own length, so that it can step onto an exit on any side (walls stop it earlier anyway).
float FirstTrialDistance(const BaseLib::CRectF& rect, BlockDirection d, const CPuzzle& puzzle);

// Why a search has to end early.
enum class SearchInterrupt
{
    None,
    Stopped,
    TimedOut
};

// What a board settles to: at rest, still moving after the step bound, or interrupted.
enum class SettleResult
{
    Rest,
    StillMoving,
    Stopped,
    TimedOut
};

// The search that drives a BoardExplorer: asked whether to go on before the first trial move of a block,
// before every trial that follows one that moved something, and at every step of a settle loop; handed
// every child a trial move builds.
class SearchClient
{
public:
    virtual SearchInterrupt CheckInterrupt() = 0;
    // The child's board stands on the puzzle, at rest. Answer true to end the trial moves at once.
    virtual bool HandleChild(SolverNode* child) = 0;
    // True when HandleChild never changes the board: the next trial then puts back only the blocks that
    // differ from the node.
    virtual bool HandleChildLeavesBoard() const { return false; }

protected:
    ~SearchClient() = default;
};

// The board side of a breadth-first search over a puzzle's states, shared by the solver and the refiner:
// it keeps the nodes, the open list and the closed set, and makes moves through the puzzle's own rules
// (select, move with limit 1000, settle, release), so every block kind behaves exactly as in play.
//
// The puzzle is not owned and must not be played or drawn while a search runs.
class BoardExplorer
{
public:
    // Steps after which a trial whose board is still moving is dropped.
    static constexpr int32_t MaxTrialSettleSteps = 10000;

    BoardExplorer() = default;
    BoardExplorer(const BoardExplorer&) = delete;
    BoardExplorer& operator=(const BoardExplorer&) = delete;

    // Frees every node and takes the puzzle's movable blocks (list order) as the node entries, and notes
    // whether flexible or magnet blocks stand on the board. A null puzzle gives an empty explorer.
    void Begin(CPuzzle* puzzle);
    // Frees every node, the open list and the closed set; keeps the puzzle.
    void FreeNodes();
    CPuzzle* GetPuzzle() const { return m_puzzle; }

    // The grabbable blocks in list order, each rigid piece once (a piece holding a flexible block offers
    // each of its grabbable blocks). Traces how many of the blocks are relevant. Answers the count.
    int32_t CountRelevantBlocks();
    const std::vector<CBlock*>& GetRelevantBlocks() const { return m_relevant; }
    void ClearRelevantBlocks()
    {
        m_relevant.clear();
        m_relevantIndex.clear();
    }

    // A node holding the board as it stands now.
    SolverNode* MakeNode(SolverNode* parent, CBlock* block, BlockDirection direction, float distance,
                         int32_t depth);
    // Puts the node's states back onto the blocks; they count as committed there (as after a move in
    // play), so a board that never rests reverts to this state. Every block is visited. The puzzle does
    // not note these changes: the explorer forgets where the board stood until its next put-back.
    void RestoreNode(const SolverNode& node);

    // Updates the puzzle (full steps) until nothing moves; asks the client at every step that leaves the
    // board moving. maxSteps 0 means no bound.
    SettleResult Settle(SearchClient& client, int32_t maxSteps);
    // One move as the player makes it: select the block, Move(d, distance, 1000), settle while still held
    // when flexible or magnet blocks are on the board, release, settle. A stop or time-out inside a
    // settle loop leaves no block held. `moved` is the distance the block went (0: nothing moved, nothing
    // settled). StillMoving also when the block could not be selected.
    SettleResult PlayMove(CBlock* block, BlockDirection d, float distance, SearchClient& client,
                          float& moved);

    // The trial moves of `block` from `node`: directions north, south, west, east; the first distance
    // reaches past the board's far edge (north: the block's bottom, south: height - top, west: its right,
    // east: width - left), each next one is the distance moved minus 1 while above 0. Each move that
    // comes to rest becomes a child handed to the client. Answers how it ended: None when every trial
    // was made or the client ended them, else the interrupt (the board stays as the trial left it).
    SearchInterrupt TryMoves(SolverNode& node, CBlock* block, SearchClient& client);
    // TryMoves of the relevant block at position k of GetRelevantBlocks.
    SearchInterrupt TryRelevantMoves(SolverNode& node, size_t k, SearchClient& client)
    {
        return TryMovesAt(node, m_relevant[k], m_relevantIndex[k], client);
    }

    SolverNodeStore& GetStore() { return m_store; }
    SolverOpenList& GetOpen() { return m_open; }
    SolverClosedSet& GetClosed() { return m_closed; }
    const SolverClosedSet& GetClosed() const { return m_closed; }
    size_t GetStateCount() const { return m_movable.size(); }
    bool HasFlexOrMagnet() const { return m_hasFlexOrMagnet; }
    size_t GetStoreBytes() const { return m_store.GetBytes(); }
    // The node memory a search holds: the node chunks and the closed set's table.
    size_t GetNodeBytes() const { return m_store.GetBytes() + m_closed.GetBytes(); }
    // The node memory the search would hold while keeping its next node: a new chunk when the last is
    // full, and the old and new table when the next insertion grows the closed set.
    size_t GetNodeBytesAtNextNode() const
    {
        return m_store.GetBytesAtNextMake() + m_closed.GetBytesAtNextInsert();
    }

private:
    // The movable index of the block, or -1.
    int32_t MovableIndex(const CBlock* block) const;
    // TryMoves of the block with that movable index (-1: none, no trial).
    SearchInterrupt TryMovesAt(SolverNode& node, CBlock* block, int32_t index, SearchClient& client);
    // Marks in m_changed the movable blocks the puzzle noted since the board stood at m_reference. False
    // when that is not known: no reference, the notes cleared by someone else, or overflowed.
    bool CollectChanged();
    // Nothing moved since the board last stood at the node (a trial whose block could not move): the
    // board, its grid and the notes are as the last put-back left them.
    bool StandsAt(const SolverNode& node) const
    {
        return m_reference == &node && m_collected == 0 && m_puzzle->GetRectChangeRound() == m_round &&
               m_puzzle->GetRectChanges().empty() && !m_puzzle->RectChangesOverflowed();
    }
    // RestoreNode, as cheaply as the known board allows: when it stands at the reference but for the
    // noted blocks, every block committed, the grid's journal takes it back to the reference and only
    // the blocks where the reference and the node differ are put back (RestoreNode leaves the others as
    // they are). The reference must be a node still held. The node becomes the reference.
    void PutBack(const SolverNode& node);

    CPuzzle* m_puzzle = nullptr;
    std::vector<CBlock*> m_movable;
    // The movable blocks by address (open addressing, a power of two of slots): block, index.
    std::vector<std::pair<const CBlock*, int32_t>> m_indexTable;
    int32_t m_indexShift = 64;
    // Where the board stands when known: at this node's states but for the blocks the puzzle noted
    // since it began round m_round, every block committed where it stands. Null when not known.
    const SolverNode* m_reference = nullptr;
    uint64_t m_round = 0;
    // The movable indices of the noted blocks as bits, from the first m_collected notes.
    std::vector<uint64_t> m_changed;
    size_t m_collected = 0;
    // A block that is no part of a node's state was noted too (its rect is not put back).
    bool m_otherNoted = false;
    std::vector<CBlock*> m_relevant;
    // The movable index of each relevant block.
    std::vector<int32_t> m_relevantIndex;
    bool m_hasFlexOrMagnet = false;
    SolverNodeStore m_store;
    SolverOpenList m_open;
    SolverClosedSet m_closed;
};
