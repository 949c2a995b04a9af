#include "framework/CommandQueue.h"
#include "framework/SimulationClock.h"
#include "game/QuarrowInputChannel.h"
#include "platform/os/DebugOutput.h"
#include "tests/game/WorldFixture.h"

#include <limits>
#include <string>
#include <vector>

namespace
{

using namespace GameTesting;

int CountOf(const std::string& text, const std::string& part)
{
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    {
        ++count;
    }
    return count;
}

// The game's world, noting each level it loads and whether the clock was paused then.
class LoadRecordingWorld : public CQuarrowWorld
{
public:
    using CQuarrowWorld::CQuarrowWorld;
    void LoadLevel(const std::string& name) override
    {
        loads.push_back(name + (GetSimulationClock()->IsPaused() ? " (paused)" : ""));
        CQuarrowWorld::LoadLevel(name);
    }
    std::vector<std::string> loads;
};

// "level>" holds the map fixtures of data/maps.
class WorldCommandsTest : public BasicWorldFixture<LoadRecordingWorld>
{
protected:
    void SetUp() override
    {
        BasicWorldFixture::SetUp();
        controller.GetPathAliases().RegisterPathAlias("level", QUARROW_TEST_DATA_DIR "/maps");
    }

    std::string Resolved(const std::string& path) { return controller.GetPathAliases().ResolvePath(path); }
};

TEST_F(WorldCommandsTest, APassTakesTheNamesInTheirFixedOrder)
{
    // Posted first, carried out after the pause.
    Frame({{"StartLevel", PathOf("grid.txt")}, {"SetPause", "true"}});
    EXPECT_EQ((std::vector<std::string>{PathOf("grid.txt") + " (paused)"}), world.loads);
    EXPECT_EQ(GameContext::LevelRunning, context->GetState());

    // "SwitchToLevel" comes before "SetMap", which starts the map's list at 0.
    Frame({{"SetMap", "0"}, {"SwitchToLevel", "1"}});
    EXPECT_EQ(0, context->GetLevelIndex());
    Frame({{"SwitchToLevel", "1"}, {"StartLevel", ""}});
    EXPECT_EQ(Resolved("level>two.xml") + " (paused)", world.loads.back());

    // Two of a name taken one per pass are both carried out, in posting order.
    Frame({{"SetMap", "2"}, {"SetMap", "0"}});
    EXPECT_EQ(0, context->GetMapIndex());
    EXPECT_EQ(3, context->GetProgress().GetMapProgress(2).GetLevelCount());
}

TEST_F(WorldCommandsTest, ArgumentForms)
{
    for (const char* notTrue : {"True", "1", "yes", "true "})
    {
        Clock().SetPaused(true);
        Frame({{"SetPause", notTrue}});
        EXPECT_FALSE(Clock().IsPaused()) << notTrue;
    }
    Frame({{"SwitchToLevel", "99999999999"}});
    EXPECT_EQ(std::numeric_limits<std::int32_t>::max(), context->GetLevelIndex());
    Frame({{"SwitchToLevel", " -7x"}});
    EXPECT_EQ(-7, context->GetLevelIndex());
    Frame({{"SwitchToLevel", "none"}});
    EXPECT_EQ(0, context->GetLevelIndex());
}

TEST_F(WorldCommandsTest, OnlyAFiniteTimeFactorOfZeroOrMoreIsTaken)
{
    for (const char* bad : {"-1", "nan", "inf"})
    {
        Platform::DebugOutputCapture trace;
        Frame({{"SetSimTimeFactor", bad}});
        EXPECT_EQ(1.0, Clock().GetTimeFactor()) << bad;
        EXPECT_EQ(1, CountOf(trace.Text(), "SetSimTimeFactor")) << bad;
    }
    const std::int64_t before = Clock().GetStepCount();
    Frame({}, 0.2);
    const std::int64_t fullSpeed = Clock().GetStepCount() - before;
    Frame({{"SetSimTimeFactor", "0.5"}}, 0.2);
    Frame({}, 0.2);
    EXPECT_EQ(10, fullSpeed);
    EXPECT_EQ(fullSpeed, Clock().GetStepCount() - before - fullSpeed);
}

TEST_F(WorldCommandsTest, HandlersOfTheGamesVocabulary)
{
    Frame({{"SetEditorMode", "true"}, {"SetUserControlEnabled", "true"}});
    EXPECT_TRUE(world.IsEditorMode());
    EXPECT_TRUE(world.GetInputChannel()->IsUserControlEnabled());
    Frame({{"SetEditorMode", "false"}, {"SetUserControlEnabled", "false"}});
    EXPECT_FALSE(world.IsEditorMode());
    EXPECT_FALSE(world.GetInputChannel()->IsUserControlEnabled());

    context->GetProgress().GetMapProgress(0).SetLevelCount(3);
    Frame({{"StartGame", ""}});
    EXPECT_EQ(GameContext::GameOpen, context->GetState());
    EXPECT_EQ(200, context->GetProgress().GetMapProgress(0).GetLevelCount());
    Frame({{"ShutGame", ""}});
    EXPECT_EQ(GameContext::NoGame, context->GetState());

    // Without a puzzle "SetSolved" changes nothing; with one the next step ends the level.
    Frame({{"SetSolved", ""}});
    EXPECT_EQ(GameContext::NoGame, context->GetState());
    Frame({{"StartLevel", PathOf("grid.txt")}});
    Frame({{"SetSolved", ""}}, 0.02);
    EXPECT_EQ(GameContext::LevelSolved, context->GetState());
    EXPECT_EQ(10000, world.GetPuzzle()->GetMoveCount());
    Frame({{"ShutLevel", ""}});
    EXPECT_EQ(nullptr, world.GetPuzzle());
    EXPECT_EQ(GameContext::GameOpen, context->GetState());
    EXPECT_EQ(10000, context->GetLastResult().moves);
}

TEST_F(WorldCommandsTest, NamesWithoutAHandlerLeaveNothingQueued)
{
    Frame({{"StartLevel", PathOf("grid.txt")}});
    const std::uint32_t change = world.GetPuzzle()->GetChangeNumber();
    world.GetPuzzle()->SetSolved();
    Platform::DebugOutputCapture trace;
    Frame({{"Teleport", "x"}, {"ToggleWireframe", ""}, {"LoadLevel", "level>a.xml"}, {"SetGameState", "menu"},
           {"Reload", ""}, {"Reload", ""}, {"StartBatchProcessing", ""}});
    for (const char* name : {"\"Teleport\"", "\"ToggleWireframe\"", "\"LoadLevel\"", "\"SetGameState\"",
                             "\"StartBatchProcessing\""})
    {
        EXPECT_EQ(1, CountOf(trace.Text(), name)) << name;
    }
    EXPECT_EQ(0, CountOf(trace.Text(), "Reload"));
    // Both "Reload"s made one reload: the level afresh from its file, nothing recorded.
    EXPECT_EQ((std::vector<std::string>{PathOf("grid.txt"), PathOf("grid.txt")}), world.loads);
    EXPECT_NE(change, world.GetPuzzle()->GetChangeNumber());
    EXPECT_FALSE(world.GetPuzzle()->IsSolved());
    EXPECT_EQ(GameContext::LevelRunning, context->GetState());
    EXPECT_FALSE(context->GetLastResult().solved);
}

TEST_F(WorldCommandsTest, AFrameOfTenThousandCommandsEndsWithAnEmptyQueue)
{
    const char* const known[] = {"SetPause", "SetEditorMode", "SwitchToLevel", "ShutGame", "SetSolved"};
    for (int i = 0; i < 5000; ++i)
    {
        Queue().PostCommand("Unknown" + std::to_string(i % 7), "");
        Queue().PostCommand(known[i % 5], std::to_string(i));
    }
    Platform::DebugOutputCapture trace;
    world.Update(0.0);
    EXPECT_TRUE(Queue().IsEmpty());
    EXPECT_EQ(5000, CountOf(trace.Text(), "no handler"));
    // The last of the levels switched to is the one kept.
    EXPECT_EQ(4997, context->GetLevelIndex());
}

TEST_F(WorldCommandsTest, BlocksMoveByTheCommandsOfTheChannel)
{
    world.LoadLevel(PathOf("grid.txt"));
    CEditablePuzzle& puzzle = *world.GetPuzzle();
    CQuarrowInputChannel& channel = *world.GetGameInputChannel();
    channel.SetUserControlEnabled(true);
    CBlock* block = nullptr;
    for (CBlock* candidate : puzzle.GetBlocks())
    {
        if (candidate->GetRect().left == 0 && candidate->GetRect().top == 2)
        {
            block = candidate; // "B"
        }
    }
    ASSERT_NE(nullptr, block);
    const int id = block->GetId();
    const auto settle = [&] {
        world.Step(0.02);
        for (int i = 0; i < 100 && puzzle.IsMoving(); ++i)
        {
            world.Step(0.02);
        }
    };

    // A drag of a block that is not held moves nothing.
    channel.PushMoveBlock(id, 1, 2);
    settle();
    EXPECT_EQ(0.0f, block->GetRect().left);

    channel.PushGrabBlock(id);
    channel.PushMoveBlock(id, 1, 2);
    channel.PushReleaseBlock(id);
    settle();
    EXPECT_EQ(1.0f, block->GetRect().left);
    EXPECT_EQ(1, puzzle.GetMoveCount());

    channel.PushUndo();
    settle();
    EXPECT_EQ(0.0f, block->GetRect().left);
    EXPECT_EQ(0, puzzle.GetMoveCount());
    channel.PushRedo();
    settle();
    EXPECT_EQ(1.0f, block->GetRect().left);
    EXPECT_EQ(1, puzzle.GetMoveCount());

    channel.PushRestart();
    settle();
    EXPECT_EQ(0.0f, block->GetRect().left);
    EXPECT_EQ(0, puzzle.GetMoveCount());
    EXPECT_TRUE(puzzle.GetUndoHistory().empty());

    // A map's command in a running level is taken and dropped.
    channel.PushMapWalkTo(3, 4);
    world.Step(0.02);
    EXPECT_FALSE(channel.HasCommands());
}

} // namespace
