#include "puzzle/PuzzleSolver.h"

#include "foundation/Debug.h"
#include "puzzle/Block.h"
#include "puzzle/EditablePuzzle.h"

#include <algorithm>
#include <new>
#include <vector>

PuzzleSolver::PuzzleSolver() = default;

PuzzleSolver::~PuzzleSolver() = default;

void PuzzleSolver::SetPuzzle(CEditablePuzzle* puzzle)
{
    m_explorer.Begin(nullptr);
    m_solution = nullptr;
    m_puzzle = puzzle;
}

double PuzzleSolver::AddElapsed()
{
    std::lock_guard<std::mutex> lock(m_timeMutex);
    m_elapsed += m_timer.GetElapsedSeconds();
    return m_elapsed;
}

double PuzzleSolver::GetElapsedSeconds()
{
    std::lock_guard<std::mutex> lock(m_timeMutex);
    if (m_status.load() == StatusRunning)
    {
        m_elapsed += m_timer.GetElapsedSeconds();
    }
    return m_elapsed;
}

void PuzzleSolver::PublishListSizes()
{
    m_openCount.store(static_cast<int32_t>(m_explorer.GetOpen().Size()), std::memory_order_relaxed);
    m_closedCount.store(static_cast<int32_t>(m_explorer.GetClosed().Size()), std::memory_order_relaxed);
}

int32_t PuzzleSolver::CountRelevantBlocks()
{
    if (m_explorer.GetPuzzle() != m_puzzle)
    {
        m_explorer.Begin(m_puzzle);
    }
    return m_explorer.CountRelevantBlocks();
}

bool PuzzleSolver::IsTriviallyUnsolvable() const
{
    if (m_puzzle == nullptr)
    {
        return true;
    }
    std::vector<const CBlock*> players;
    std::vector<const CBlock*> exits;
    for (const CBlock* block : m_puzzle->GetBlocks())
    {
        if (block->GetKind() == KindPlayer)
        {
            players.push_back(block);
        }
        else if (block->GetKind() == KindLevelSolvedTrigger)
        {
            exits.push_back(block);
        }
    }
    if (players.empty() || exits.empty())
    {
        return true;
    }
    for (const CBlock* exit : exits)
    {
        const BaseLib::CRectF& target = exit->GetRect();
        bool reachable = false;
        for (const CBlock* player : players)
        {
            if (player->CanMoveX() && player->CanMoveY())
            {
                // Free on both axes: it may reach the exit's line by a move of its own.
                reachable = true;
                break;
            }
            // Confined to one axis: it must already stand on the exit's row (moving along x) or column
            // (moving along y). A piece fixed on both axes keeps the rule of its links.
            const bool column = player->CanMoveX() != player->CanMoveY()
                                    ? player->CanMoveY()
                                    : (player->GetNeighbour(DirectionNorth) != nullptr ||
                                       player->GetNeighbour(DirectionSouth) != nullptr);
            const BaseLib::CRectF& rect = player->GetRect();
            if (column ? rect.left != target.left : rect.top != target.top)
            {
                continue;
            }
            BaseLib::CRectF way = rect;
            way.Union(target);
            const bool blocked =
                std::any_of(m_puzzle->GetBlocks().begin(), m_puzzle->GetBlocks().end(), [&](const CBlock* x) {
                    return x->IsMovable() && x->IsSolid() && x->GetKind() != KindPlayer &&
                           !(column ? x->CanMoveX() : x->CanMoveY()) && x->GetRect().Intersects(way);
                });
            if (!blocked)
            {
                reachable = true;
                break;
            }
        }
        if (!reachable)
        {
            return true;
        }
    }
    return false;
}

SearchInterrupt PuzzleSolver::CheckInterrupt()
{
    if (m_stop.load(std::memory_order_relaxed))
    {
        return SearchInterrupt::Stopped;
    }
    // The clock is read at the first check and then at every ClockCheckInterval-th: a trial or settle
    // step takes microseconds, so a time limit is still noticed well within a millisecond.
    if (m_checksUntilClock-- == 0)
    {
        m_checksUntilClock = ClockCheckInterval - 1;
        if (AddElapsed() >= m_timeLimit)
        {
            return SearchInterrupt::TimedOut;
        }
    }
    if (m_checkMemory && m_overBudgetAtNextNode)
    {
        m_outOfMemory = true;
        return SearchInterrupt::Stopped;
    }
    return SearchInterrupt::None;
}

bool PuzzleSolver::HandleChild(SolverNode* child)
{
    m_totalConstructed.fetch_add(1, std::memory_order_relaxed);
    if (m_puzzle->IsSolved())
    {
        m_solution = child;
        NoteNodeMemory();
        return true;
    }
    if (!m_explorer.GetClosed().Insert(child))
    {
        m_explorer.GetStore().Free(child);
        // A freed node is the next one made: the memory at the next node can only have shrunk.
        if (m_overBudgetAtNextNode)
        {
            NoteNodeMemory();
        }
        return false;
    }
    m_explorer.GetOpen().Push(child);
    NoteNodeMemory();
    PublishListSizes();
    return false;
}

void PuzzleSolver::NoteNodeMemory()
{
    m_overBudgetAtNextNode = m_explorer.GetNodeBytesAtNextNode() > m_runBudget;
}

int32_t PuzzleSolver::Solve()
{
    m_explorer.Begin(m_puzzle);
    m_solution = nullptr;
    m_expanded = 0;
    m_outOfMemory = false;
    m_checkMemory = false;
    m_overBudgetAtNextNode = false;
    m_checksUntilClock = 0;
    m_runBudget = m_memoryBudget ? *m_memoryBudget : DefaultSearchMemoryBudget();
    m_currentMove.store(0);
    m_totalConstructed.store(0);
    m_statesInCurrentMove.store(0);
    m_statesLeft.store(0);
    PublishListSizes();
    {
        std::lock_guard<std::mutex> lock(m_timeMutex);
        m_elapsed = 0.0;
        m_timer.GetElapsedSeconds();
    }
    m_status.store(StatusRunning);

    if (m_puzzle == nullptr)
    {
        BaseLib::DebugOutput("Solver: Trivially not solvable.\n");
        m_status.store(StatusNoSolution);
        return StatusNoSolution;
    }
    try
    {
        return Search();
    }
    catch (const std::bad_alloc&)
    {
        m_outOfMemory = true;
        return EndOutOfMemory();
    }
}

int32_t PuzzleSolver::Search()
{
    // A block the player still holds would keep every trial from selecting another block.
    m_puzzle->ReleaseBlock(m_puzzle->GetSelectedBlockId());
    m_puzzle->Restart(false);
    m_puzzle->SetRecording(false);
    // A solved flag left from before (play, an earlier search) says nothing about the start; the settling
    // sets it again when the start is solved.
    m_puzzle->ClearSolved();
    const SettleResult settled = m_explorer.Settle(*this, 0);
    if (settled == SettleResult::Stopped)
    {
        return EndStopped();
    }
    if (settled == SettleResult::TimedOut)
    {
        return EndTimedOut();
    }

    if (IsTriviallyUnsolvable())
    {
        BaseLib::DebugOutput("Solver: Trivially not solvable.\n");
        m_puzzle->SetRecording(true);
        m_status.store(StatusNoSolution);
        m_puzzle->SetMinSolveMoves(0);
        return StatusNoSolution;
    }

    m_explorer.CountRelevantBlocks();
    m_checkMemory = true;
    SolverNode* root = m_explorer.MakeNode(nullptr, nullptr, DirectionNone, 0.0f, 0);
    m_explorer.GetOpen().Push(root);
    m_explorer.GetClosed().Insert(root);
    NoteNodeMemory();
    m_totalConstructed.store(1);
    PublishListSizes();

    // A start that is already solved needs no move; otherwise the flag is clear for the first trial.
    if (m_puzzle->IsSolved())
    {
        return EndSolved(root);
    }

    const std::vector<CBlock*>& relevant = m_explorer.GetRelevantBlocks();
    while (SolverNode* node = m_explorer.GetOpen().Pop())
    {
        ++m_expanded;
        m_statesLeft.fetch_sub(1, std::memory_order_relaxed);
        PublishListSizes();
        if (node->depth > m_currentMove.load(std::memory_order_relaxed))
        {
            const int32_t open = static_cast<int32_t>(m_explorer.GetOpen().Size());
            m_currentMove.store(node->depth);
            m_statesInCurrentMove.store(open);
            m_statesLeft.store(open);
            BaseLib::DebugOutput(
                "... calculating move %d \t\t(Open: %d, Closed: %d, Total Constructed: %d)\n", node->depth,
                GetOpenCount(), GetClosedCount(), GetTotalConstructed());
        }
        for (size_t k = 0; k < relevant.size(); ++k)
        {
            if (relevant[k] == node->block)
            {
                continue;
            }
            const SearchInterrupt interrupt = m_explorer.TryRelevantMoves(*node, k, *this);
            if (interrupt != SearchInterrupt::None)
            {
                return EndFor(interrupt);
            }
            if (m_solution != nullptr)
            {
                return EndSolved(m_solution);
            }
        }
    }

    BaseLib::DebugOutput("Solver: No solution exists for this puzzle.\n");
    m_puzzle->SetRecording(true);
    m_puzzle->Restart(false);
    AddElapsed();
    m_status.store(StatusNoSolution);
    m_puzzle->SetMinSolveMoves(0);
    return StatusNoSolution;
}

int32_t PuzzleSolver::EndFor(SearchInterrupt interrupt)
{
    return interrupt == SearchInterrupt::Stopped ? EndStopped() : EndTimedOut();
}

int32_t PuzzleSolver::EndStopped()
{
    if (m_outOfMemory)
    {
        return EndOutOfMemory();
    }
    // A stop inside a settle loop may come while a block is held; a restart would not let go of it.
    m_puzzle->ReleaseBlock(m_puzzle->GetSelectedBlockId());
    m_puzzle->SetRecording(true);
    AddElapsed();
    m_status.store(StatusStopped);
    return StatusStopped;
}

int32_t PuzzleSolver::EndOutOfMemory()
{
    m_checkMemory = false;
    BaseLib::DebugOutput("Solver: out of memory with %zu states kept in %zu bytes\n", GetKeptStates(),
                         GetSearchBytes());
    m_explorer.FreeNodes();
    m_solution = nullptr;
    m_puzzle->ReleaseBlock(m_puzzle->GetSelectedBlockId());
    m_puzzle->SetRecording(true);
    m_puzzle->Restart(false);
    PublishListSizes();
    AddElapsed();
    m_status.store(StatusStopped);
    return StatusStopped;
}

int32_t PuzzleSolver::EndTimedOut()
{
    BaseLib::DebugOutput("Solver: Timeout!");
    m_puzzle->ReleaseBlock(m_puzzle->GetSelectedBlockId());
    m_puzzle->SetRecording(true);
    m_puzzle->Restart(false);
    AddElapsed();
    m_status.store(StatusTimeout);
    return StatusTimeout;
}

int32_t PuzzleSolver::EndSolved(SolverNode* solution)
{
    m_checkMemory = false;
    m_explorer.GetClosed().Insert(solution);
    PublishListSizes();
    m_currentMove.store(solution->depth);
    m_puzzle->SetMinSolveMoves(solution->depth);
    BaseLib::DebugOutput("Solver: Success, puzzle has been solved!\n");
    const SearchInterrupt interrupt = RecordSolution(solution);
    if (interrupt != SearchInterrupt::None)
    {
        return EndFor(interrupt);
    }
    AddElapsed();
    m_status.store(StatusSolved);
    m_explorer.ClearRelevantBlocks();
    return StatusSolved;
}

SearchInterrupt PuzzleSolver::RecordSolution(SolverNode* solution)
{
    m_puzzle->Restart(false);
    std::vector<const SolverNode*> moves;
    for (const SolverNode* node = solution; node != nullptr && node->depth >= 1; node = node->parent)
    {
        moves.push_back(node);
    }
    std::reverse(moves.begin(), moves.end());

    m_puzzle->Restart(false);
    m_puzzle->SetRecording(true);
    // The search began from the settled start; so does the replay.
    SettleResult result = m_explorer.Settle(*this, 0);
    for (const SolverNode* move : moves)
    {
        if (result == SettleResult::Stopped)
        {
            return SearchInterrupt::Stopped;
        }
        if (result == SettleResult::TimedOut)
        {
            return SearchInterrupt::TimedOut;
        }
        float moved = 0.0f;
        result = m_explorer.PlayMove(move->block, move->direction, move->distance, *this, moved);
    }
    if (result == SettleResult::Stopped)
    {
        return SearchInterrupt::Stopped;
    }
    if (result == SettleResult::TimedOut)
    {
        return SearchInterrupt::TimedOut;
    }
    while (m_puzzle->CanUndo())
    {
        m_puzzle->Undo();
    }
    m_puzzle->ClearSolved();
    return SearchInterrupt::None;
}
