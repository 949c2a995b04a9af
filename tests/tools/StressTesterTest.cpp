#include "tools/StressTester.h"

#include "foundation/Random.h"
#include "framework/CommandQueue.h"
#include "game/GameCommand.h"
#include "game/QuarrowInputChannel.h"
#include "puzzle/Block.h"
#include "puzzle/EditablePuzzle.h"
#include "tests/game/WorldFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace
{

class StressTesterTest : public GameTesting::WorldFixture
{
protected:
    void SetUp() override
    {
        GameTesting::WorldFixture::SetUp();
        BaseLib::SeedRandom(1);
        world.GetGameInputChannel()->SetUserControlEnabled(true);
    }

    // The commands the channel holds, taken out.
    std::vector<GameCommand> TakeCommands()
    {
        std::vector<GameCommand> commands;
        CQuarrowInputChannel* channel = world.GetGameInputChannel();
        while (channel->HasCommands())
        {
            commands.push_back(channel->Front());
            channel->Pop();
        }
        return commands;
    }

    // A level of one grabbable block: the player on an otherwise empty board.
    void LoadLonePlayer()
    {
        WriteFile("lone.txt", "------\n--P--E\n------\n");
        world.LoadLevel(PathOf("lone.txt"));
    }

    CStressTester tester{&world};
};

TEST(StressTesterSweep, FortyDistancesFromMinusFourStoppingShortOfFour)
{
    const std::vector<float> d = CStressTester::SweepDistances();
    ASSERT_EQ(d.size(), 40u);
    EXPECT_EQ(d.front(), -4.0f);
    EXPECT_LT(std::fabs(d[20]), 1e-6f);
    EXPECT_LT(d.back(), 4.0f);
    EXPECT_NEAR(d.back(), 3.8f, 1e-5f);
}

TEST_F(StressTesterTest, OneBlockGetsEightyShuffledMovesThenEightySystematicOnes)
{
    LoadLonePlayer();
    tester.Update(0.02);
    // One move went out at once.
    std::vector<CStressTester::Move> plan = tester.GetPlan();
    ASSERT_EQ(plan.size(), 159u);
    for (size_t i = 0; i < 80; ++i)
    {
        EXPECT_EQ(plan[i].key, -1) << i;
    }
    for (size_t i = 81; i < plan.size(); ++i)
    {
        EXPECT_GE(plan[i].key, plan[i - 1].key);
        EXPECT_LE(plan[i].key, BaseLib::RandomMax);
    }

    // The move played is a grab, a drag by the record's distance from where the block stands, a release.
    const CBlock* player = GameTesting::Player(*world.GetPuzzle());
    const std::vector<GameCommand> commands = TakeCommands();
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0].kind, GameCommandKind::GrabBlock);
    EXPECT_EQ(commands[0].param, player->GetId());
    EXPECT_EQ(commands[1].kind, GameCommandKind::MoveBlock);
    EXPECT_EQ(commands[2].kind, GameCommandKind::ReleaseBlock);
    const float dx = commands[1].x - player->GetRect().left;
    const float dy = commands[1].y - player->GetRect().top;
    EXPECT_TRUE(dx == 0.0f || dy == 0.0f) << dx << ", " << dy;
}

TEST_F(StressTesterTest, ALevelWithoutGrabbableBlocksIsDeclaredSolvedInItsFirstStep)
{
    WriteFile("empty.txt", "---\n---\n");
    world.LoadLevel(PathOf("empty.txt"));
    tester.Update(0.02);
    EXPECT_TRUE(tester.GetPlan().empty());
    ASSERT_FALSE(Queue().IsEmpty());
    Frame({});
    EXPECT_TRUE(world.GetPuzzle()->IsSolved());
}

TEST_F(StressTesterTest, ANewLevelGetsANewPlanARestartKeepsIt)
{
    LoadLonePlayer();
    tester.Update(0.02);
    TakeCommands();
    // The world plays the move; wait until the board is still, then play the next.
    for (int step = 0; step < 50; ++step)
    {
        world.Step(0.02);
        tester.Update(0.02);
    }
    const size_t left = tester.GetPlan().size();
    ASSERT_LT(left, 159u);

    world.GetPuzzle()->Restart(false);
    tester.Update(0.02);
    EXPECT_LE(tester.GetPlan().size(), left) << "a restart keeps the plan";
    EXPECT_GE(tester.GetPlan().size(), left - 1);

    LoadLonePlayer();
    tester.Update(0.02);
    EXPECT_EQ(tester.GetPlan().size(), 159u) << "a new level starts a new plan";

    world.ShutLevel();
    tester.Update(0.02);
    EXPECT_TRUE(tester.GetPlan().empty());
}

TEST_F(StressTesterTest, MovesWhileControlIsOffAreUsedUpAndMovesOfGoneBlocksDropped)
{
    LoadLonePlayer();
    world.GetGameInputChannel()->SetUserControlEnabled(false);
    tester.Update(0.02);
    tester.Update(0.02);
    EXPECT_EQ(tester.GetPlan().size(), 158u) << "each step uses a record up";
    EXPECT_FALSE(world.GetGameInputChannel()->HasCommands()) << "the channel drops them";

    // Every block goes while the level keeps its change number: the records left are dropped.
    world.GetGameInputChannel()->SetUserControlEnabled(true);
    world.GetPuzzle()->DeleteAllBlocks();
    tester.Update(0.02);
    EXPECT_TRUE(tester.GetPlan().empty());
    EXPECT_FALSE(world.GetGameInputChannel()->HasCommands());
    EXPECT_TRUE(Queue().IsEmpty());
    tester.Update(0.02);
    EXPECT_FALSE(Queue().IsEmpty()) << "then the level is declared solved";
}

} // namespace
