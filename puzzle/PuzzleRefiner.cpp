#include "puzzle/PuzzleRefiner.h"

#include "foundation/Debug.h"
#include "puzzle/Block.h"
#include "puzzle/EditablePuzzle.h"
#include "puzzle/PuzzleSolver.h"

#include <new>

PuzzleRefiner::PuzzleRefiner() = default;

PuzzleRefiner::~PuzzleRefiner() = default;

void PuzzleRefiner::SetPuzzle(CEditablePuzzle* puzzle)
{
    m_puzzle = puzzle;
    m_initialMoves.store(-1);
    m_bestMoves.store(-1);
    m_best = nullptr;
}

void PuzzleRefiner::Stop()
{
    std::lock_guard<std::mutex> lock(m_solverMutex);
    m_stop.store(true);
    if (m_solver)
    {
        m_solver->Stop();
    }
}

void PuzzleRefiner::PublishListSizes()
{
    m_openCount.store(static_cast<int32_t>(m_explorer.GetOpen().Size()), std::memory_order_relaxed);
    m_closedCount.store(static_cast<int32_t>(m_explorer.GetClosed().Size()), std::memory_order_relaxed);
}

SearchInterrupt PuzzleRefiner::CheckInterrupt()
{
    if (m_stop.load(std::memory_order_relaxed) || m_outOfMemory.load(std::memory_order_relaxed))
    {
        return SearchInterrupt::Stopped;
    }
    if (m_best != nullptr && m_explorer.GetNodeBytesAtNextNode() > m_runBudget)
    {
        NoteOutOfMemory(m_explorer.GetClosed().Size(), m_explorer.GetNodeBytes());
        return SearchInterrupt::Stopped;
    }
    return SearchInterrupt::None;
}

void PuzzleRefiner::NoteOutOfMemory(size_t states, size_t bytes)
{
    if (!m_outOfMemory.exchange(true))
    {
        BaseLib::DebugOutput("Refiner: out of memory with %zu positions kept in %zu bytes\n", states, bytes);
    }
}

bool PuzzleRefiner::HandleChild(SolverNode* child)
{
    if (m_explorer.GetClosed().Contains(child))
    {
        m_explorer.GetStore().Free(child);
        return false;
    }
    // The child's board becomes the start the solver works from; its nodes share the budget with ours.
    m_puzzle->ResetHistory();
    const size_t own = m_explorer.GetNodeBytes();
    m_solver->SetMemoryBudget(m_runBudget > own ? m_runBudget - own : 0);
    const int32_t result = m_solver->Solve();
    if (result == PuzzleSolver::StatusStopped)
    {
        // A stopped solve tells nothing about the child; the search ends. A solve that ran out of memory
        // ends it too: the next would as well.
        if (m_solver->RanOutOfMemory())
        {
            NoteOutOfMemory(m_explorer.GetClosed().Size(), m_explorer.GetNodeBytes());
        }
        m_explorer.GetStore().Free(child);
        return true;
    }
    // The trials that follow need no history.
    m_puzzle->SetRecording(false);
    const int32_t length = m_solver->GetCurrentMove();
    if (result == PuzzleSolver::StatusSolved && length >= m_expanding->length - m_allowedDecrease)
    {
        child->length = length;
        m_explorer.GetOpen().Push(child);
        if (length > m_bestMoves.load())
        {
            m_bestMoves.store(length);
            m_best = child;
        }
    }
    m_explorer.GetClosed().Insert(child);
    PublishListSizes();
    return false;
}

int32_t PuzzleRefiner::Refine()
{
    m_explorer.Begin(nullptr);
    m_best = nullptr;
    m_expanded = 0;
    m_stop.store(false);
    m_outOfMemory.store(false);
    m_runBudget = m_memoryBudget ? *m_memoryBudget : DefaultSearchMemoryBudget();
    m_status.store(StatusRunning);
    m_openCount.store(0);
    m_closedCount.store(0);
    if (m_puzzle == nullptr)
    {
        BaseLib::DebugOutput("PuzzleRefiner: not solvable...");
        m_status.store(StatusNotImproved);
        return StatusNotImproved;
    }

    m_puzzle->Restart(false);
    m_puzzle->SetRecording(false);
    m_explorer.Begin(m_puzzle);
    const SettleResult settled = m_explorer.Settle(*this, 0);

    {
        std::lock_guard<std::mutex> lock(m_solverMutex);
        m_solver = std::make_unique<PuzzleSolver>();
        m_solver->SetTimeout(PuzzleSolver::DefaultTimeLimit);
        m_solver->SetMemoryBudget(m_runBudget);
        m_solver->SetPuzzle(m_puzzle);
        if (m_stop.load())
        {
            m_solver->Stop();
        }
    }
    const int32_t first = settled == SettleResult::Rest ? m_solver->Solve() : PuzzleSolver::StatusStopped;
    if (first != PuzzleSolver::StatusSolved)
    {
        BaseLib::DebugOutput("PuzzleRefiner: not solvable...");
        // The solve traced it when it ran out of memory.
        m_outOfMemory.store(m_solver->RanOutOfMemory());
        if (first == PuzzleSolver::StatusStopped)
        {
            // A stopped search leaves the board where it stood: the puzzle goes back to its start.
            m_puzzle->ReleaseBlock(m_puzzle->GetSelectedBlockId());
            m_puzzle->Restart(false);
            m_puzzle->SetRecording(true);
        }
        {
            std::lock_guard<std::mutex> lock(m_solverMutex);
            m_solver.reset();
        }
        m_status.store(StatusNotImproved);
        return StatusNotImproved;
    }

    const int32_t length = m_solver->GetCurrentMove();
    m_initialMoves.store(length);
    m_bestMoves.store(length);
    m_puzzle->SetRecording(false);
    m_explorer.CountRelevantBlocks();
    try
    {
        SolverNode* root = m_explorer.MakeNode(nullptr, nullptr, DirectionNone, 0.0f, 0);
        root->length = length;
        m_best = root;
        m_explorer.GetOpen().Push(root);
        m_explorer.GetClosed().Insert(root);
        PublishListSizes();

        const std::vector<CBlock*>& relevant = m_explorer.GetRelevantBlocks();
        bool ended = false;
        while (!ended)
        {
            SolverNode* node = m_explorer.GetOpen().Pop();
            if (node == nullptr)
            {
                break;
            }
            ++m_expanded;
            PublishListSizes();
            m_expanding = node;
            for (CBlock* block : relevant)
            {
                if (m_explorer.TryMoves(*node, block, *this) != SearchInterrupt::None || m_stop.load() ||
                    m_outOfMemory.load())
                {
                    ended = true;
                    break;
                }
            }
        }
    }
    catch (const std::bad_alloc&)
    {
        NoteOutOfMemory(m_explorer.GetClosed().Size(), m_explorer.GetNodeBytes());
    }
    m_expanding = nullptr;
    if (m_best == nullptr)
    {
        // Not even the start could be kept: it stays as it was.
        m_puzzle->ReleaseBlock(m_puzzle->GetSelectedBlockId());
        m_puzzle->Restart(false);
        m_puzzle->SetRecording(true);
        {
            std::lock_guard<std::mutex> lock(m_solverMutex);
            m_solver.reset();
        }
        m_status.store(StatusNotImproved);
        return StatusNotImproved;
    }
    return Finish();
}

int32_t PuzzleRefiner::Finish()
{
    // A stop may have come while a block was held.
    m_puzzle->ReleaseBlock(m_puzzle->GetSelectedBlockId());
    m_explorer.RestoreNode(*m_best);
    // The last trials may have carried the player onto an exit; the installed start is judged anew by the
    // puzzle's next step.
    m_puzzle->ClearSolved();
    m_puzzle->SetMinSolveMoves(m_bestMoves.load());
    m_puzzle->SetRecording(true);
    m_puzzle->ResetHistory();
    // The trials counted their moves; the installed start begins at move 0.
    m_puzzle->Restart(false);
    int32_t status;
    if (m_bestMoves.load() <= m_initialMoves.load())
    {
        BaseLib::DebugOutput("Refiner finished - no improvement found.");
        status = StatusNotImproved;
    }
    else
    {
        BaseLib::DebugOutput("Refiner finished, improved from %d to %d moves.", m_initialMoves.load(),
                             m_bestMoves.load());
        status = StatusImproved;
    }
    m_explorer.GetOpen().Clear();
    PublishListSizes();
    {
        std::lock_guard<std::mutex> lock(m_solverMutex);
        m_solver.reset();
    }
    m_status.store(status);
    return status;
}
