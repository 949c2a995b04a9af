#include "puzzle/Block.h"
#include "puzzle/Puzzle.h"
#include "puzzle/WallBlock.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace
{

// A solver-like load: a walled 7 by 6 board with a dozen blocks, each trial a whole-cell Move with
// limit 1000 followed by putting the blocks back.
void PuzzleMove(benchmark::State& state)
{
    CPuzzle puzzle;
    puzzle.ResizeBoard(7, 6);
    for (int x = -1; x <= 7; ++x)
    {
        for (int y : {-1, 6})
        {
            puzzle.AddBlock(new CWallBlock(&puzzle, static_cast<float>(x), static_cast<float>(y), 1, 1));
        }
    }
    for (int y = 0; y < 6; ++y)
    {
        for (int x : {-1, 7})
        {
            puzzle.AddBlock(new CWallBlock(&puzzle, static_cast<float>(x), static_cast<float>(y), 1, 1));
        }
    }
    std::vector<CBlock*> movers;
    for (int i = 0; i < 12; ++i)
    {
        auto* block = new CBlock(&puzzle);
        const float x = static_cast<float>(i % 7);
        const float y = static_cast<float>(i / 7 * 3);
        block->MoveTo(BaseLib::CRectF(x, y, x + 1, y + 1));
        puzzle.AddBlock(block);
        movers.push_back(block);
    }
    for (CBlock* block : puzzle.GetBlocks())
    {
        block->RebuildLinks();
    }
    std::vector<BlockState> start;
    for (CBlock* block : movers)
    {
        start.push_back(block->GetState());
    }
    size_t i = 0;
    for (auto _ : state)
    {
        CBlock* block = movers[i % movers.size()];
        benchmark::DoNotOptimize(block->Move(static_cast<BlockDirection>(i % 4), 3.0f, 1000));
        for (const BlockState& entry : start)
        {
            entry.block->RestoreRect(entry);
        }
        ++i;
    }
}
BENCHMARK(PuzzleMove);

} // namespace
