#include "tools/StressTester.h"

#include "foundation/Debug.h"
#include "foundation/Random.h"
#include "framework/CommandQueue.h"
#include "game/QuarrowInputChannel.h"
#include "game/QuarrowWorld.h"
#include "puzzle/Block.h"
#include "puzzle/EditablePuzzle.h"

#include <algorithm>

CStressTester::CStressTester(CQuarrowWorld* world) : m_world(world) {}

std::vector<float> CStressTester::SweepDistances()
{
    std::vector<float> distances;
    for (float d = -4.0f; d <= 4.0f; d += 0.2f)
    {
        distances.push_back(d);
    }
    return distances;
}

void CStressTester::Update(double)
{
    CEditablePuzzle* puzzle = m_world->GetPuzzle();
    if (puzzle == nullptr)
    {
        if (m_seenPuzzle != -1)
        {
            m_plan.clear();
            m_seenPuzzle = -1;
        }
        return;
    }
    if (static_cast<std::int64_t>(puzzle->GetChangeNumber()) != m_seenPuzzle)
    {
        m_seenPuzzle = puzzle->GetChangeNumber();
        BuildPlan(*puzzle);
    }
    Step(*puzzle);
}

void CStressTester::BuildPlan(const CEditablePuzzle& puzzle)
{
    m_plan.clear();
    for (float d : SweepDistances())
    {
        for (const CBlock* block : puzzle.GetBlocks())
        {
            if (!block->IsGrabbable())
            {
                continue;
            }
            const std::int32_t id = block->GetId();
            m_plan.push_back({id, d, 0.0f, -1});
            m_plan.push_back({id, 0.0f, d, -1});
            m_plan.push_back({id, d, 0.0f, BaseLib::Random()});
            m_plan.push_back({id, 0.0f, d, BaseLib::Random()});
        }
    }
    std::stable_sort(m_plan.begin(), m_plan.end(),
                     [](const Move& a, const Move& b) { return a.key < b.key; });
}

void CStressTester::Step(CEditablePuzzle& puzzle)
{
    if (m_plan.empty())
    {
        if (GameLib::CCommandQueue* queue = m_world->GetCommandQueue())
        {
            queue->PostCommand("SetSolved", std::string());
        }
        return;
    }
    if (puzzle.IsMoving())
    {
        return;
    }
    CQuarrowInputChannel* channel = m_world->GetGameInputChannel();
    while (!m_plan.empty())
    {
        const Move move = m_plan.back();
        m_plan.pop_back();
        // A block can go while the plan stands (a dispenser's, an edit): its moves are dropped.
        const CBlock* block = puzzle.FindBlockById(move.blockId);
        if (block == nullptr)
        {
            continue;
        }
        if (channel != nullptr)
        {
            const BaseLib::CRectF& rect = block->GetRect();
            channel->PushGrabBlock(move.blockId);
            channel->PushMoveBlock(move.blockId, rect.left + move.dx, rect.top + move.dy);
            channel->PushReleaseBlock(move.blockId);
        }
        return;
    }
}
