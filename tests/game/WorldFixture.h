#pragma once

#include "engine/EngineController.h"
#include "foundation/PathAliases.h"
#include "framework/CommandQueue.h"
#include "framework/SimulationClock.h"
#include "game/GameContext.h"
#include "game/QuarrowWorld.h"
#include "puzzle/Block.h"
#include "puzzle/EditablePuzzle.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

namespace GameTesting
{

// A 6 x 3 board with an exit east of the middle row: two linked "A" cells, a "B" and the player "P" one
// cell short of the exit.
inline const char* const kGrid = "AA----\n-----PE\nB-----\n";

// Blocks standing inside the board (the border's walls and exit triggers stand outside it).
inline int BlocksOnBoard(const CPuzzle& puzzle)
{
    int count = 0;
    for (const CBlock* block : puzzle.GetBlocks())
    {
        const BaseLib::CRectF& r = block->GetRect();
        count += r.left >= 0 && r.top >= 0 && r.right <= static_cast<float>(puzzle.GetWidth()) &&
                 r.bottom <= static_cast<float>(puzzle.GetHeight());
    }
    return count;
}

inline CBlock* Player(const CPuzzle& puzzle)
{
    for (CBlock* block : puzzle.GetBlocks())
    {
        if (std::string(block->GetTypeName()) == "player")
        {
            return block;
        }
    }
    return nullptr;
}

// A world (the game's, or one derived from it) on an engine controller whose "model>" is a folder of the
// test's own, with the character grid kGrid as "grid.txt" there.
template <class World>
class BasicWorldFixture : public TempFolderTest
{
protected:
    void SetUp() override
    {
        TempFolderTest::SetUp();
        controller.GetPathAliases().RegisterPathAlias("model", PathOf("models"));
        WriteFile("grid.txt", kGrid);
        world.Initialize();
        context = world.GetGameContext();
    }
    void TearDown() override
    {
        world.Shutdown();
        TempFolderTest::TearDown();
    }

    // A select, a drag to (x, y) and a release of the block, as the game's commands would make them.
    static void Drag(CPuzzle& puzzle, const CBlock& block, float x, float y)
    {
        puzzle.SelectBlock(block.GetId());
        puzzle.DragBlock(block.GetId(), x, y);
        puzzle.ReleaseBlock(block.GetId());
    }

    // One frame of the world with the commands posted before it; the dispatcher leaves nothing queued.
    void Frame(std::initializer_list<std::pair<const char*, std::string>> commands, double frameTime = 0.0)
    {
        for (const auto& [name, argument] : commands)
        {
            Queue().PostCommand(name, argument);
        }
        world.Update(frameTime);
        EXPECT_TRUE(Queue().IsEmpty());
    }

    GameLib::CCommandQueue& Queue() { return *world.GetCommandQueue(); }
    GameLib::CSimulationClock& Clock() { return *world.GetSimulationClock(); }

    Qen::CEngineController controller;
    World world{&controller};
    GameContext* context = nullptr;
};

using WorldFixture = BasicWorldFixture<CQuarrowWorld>;

} // namespace GameTesting
