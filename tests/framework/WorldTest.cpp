#include "framework/CommandQueue.h"
#include "framework/InputChannel.h"
#include "framework/SceneManager.h"
#include "framework/SimulationClock.h"
#include "framework/World.h"
#include "platform/gfxkit/TextureFiles.h"
#include "platform/os/DebugOutput.h"
#include "tests/engine/EngineFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using GameLib::CCommandQueue;
using GameLib::CWorld;
using GameLib::TCommand;

// Writes down the hooks the world calls and the steps it runs.
class RecordingChannel : public GameLib::CInputChannel
{
public:
    explicit RecordingChannel(std::vector<std::string>& log) : m_log(log) {}
    ~RecordingChannel() override { m_log.push_back("channel deleted"); }
    void ProcessInput() override { m_log.push_back("input"); }

private:
    std::vector<std::string>& m_log;
};

class RecordingObject : public GameLib::CWorldObject
{
public:
    explicit RecordingObject(std::vector<std::string>& log) : m_log(log) {}
    ~RecordingObject() override { m_log.push_back("object deleted"); }

private:
    std::vector<std::string>& m_log;
};

class RecordingWorld : public CWorld
{
public:
    RecordingWorld() : CWorld(nullptr) {}

    GameLib::CInputChannel* CreateInputChannel() override { return new RecordingChannel(log); }
    GameLib::CWorldObject* CreateOptionalObject() override { return new RecordingObject(log); }
    void DestroySceneManager(GameLib::CSceneManager* manager) override
    {
        log.push_back(manager != nullptr ? "scene manager deleted" : "no scene manager");
        CWorld::DestroySceneManager(manager);
    }
    void LoadLevel(const std::string& name) override { log.push_back("load " + name); }

    std::vector<std::string> log;
};

// A world initialised for the test and shut down at its end.
class WorldTest : public ::testing::Test
{
protected:
    WorldTest() { world.Initialize(); }
    ~WorldTest() override { world.Shutdown(); }

    CCommandQueue& Queue() { return *world.GetCommandQueue(); }
    GameLib::CSimulationClock& Clock() { return *world.GetSimulationClock(); }

    RecordingWorld world;
};

TEST_F(WorldTest, InitializeMakesTheFixedStepClockAndShutdownReleasesInOrder)
{
    ASSERT_NE(world.GetSceneManager(), nullptr);
    ASSERT_NE(world.GetSceneManager()->GetRootNode(), nullptr);
    ASSERT_NE(world.GetInputChannel(), nullptr);
    ASSERT_NE(world.GetOptionalObject(), nullptr);
    EXPECT_TRUE(Queue().IsEmpty());
    EXPECT_FALSE(world.GetInputChannel()->IsUserControlEnabled());
    EXPECT_EQ(Clock().GetMode(), GameLib::CSimulationClock::kFixedSteps);
    EXPECT_EQ(Clock().GetStepLength(), 0.02);
    EXPECT_EQ(Clock().GetTimeFactor(), 1.0);
    EXPECT_EQ(Clock().GetStepCount(), -1);

    // Every step reaches the channel's ProcessInput through Step and OnStep.
    world.Update(0.05);
    EXPECT_EQ(world.log, (std::vector<std::string>{"input", "input"}));
    EXPECT_FALSE(world.IsUpdating());

    world.log.clear();
    world.Shutdown();
    EXPECT_EQ(world.log, (std::vector<std::string>{"object deleted", "scene manager deleted", "channel deleted"}));
    EXPECT_EQ(world.GetSceneManager(), nullptr);
    EXPECT_EQ(world.GetSimulationClock(), nullptr);
    EXPECT_EQ(world.GetInputChannel(), nullptr);
    EXPECT_EQ(world.GetCommandQueue(), nullptr);
    EXPECT_EQ(world.GetOptionalObject(), nullptr);
    // A second shutdown hands null to every hook and updates do nothing.
    world.log.clear();
    world.Update(1.0);
    world.Shutdown();
    EXPECT_EQ(world.log, (std::vector<std::string>{"no scene manager"}));
}

TEST_F(WorldTest, OnlyAFiniteTimeFactorOfZeroOrMoreIsTaken)
{
    struct Case
    {
        const char* argument;
        double factor; // after the command; 1.0 when it is refused
        bool traced;
    } cases[] = {
        {"5.0", 5.0, false}, {"0.2", double(0.2f), false}, {"0", 0.0, false},  {"2.5 fast", 2.5, false},
        {"abc", 1.0, true},  {"-1", 1.0, true},            {"nan", 1.0, true}, {"inf", 1.0, true},
        {"1e39", 1.0, true}, {"", 1.0, true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.argument);
        Clock().SetTimeFactor(1.0);
        Platform::DebugOutputCapture trace;
        Queue().PostCommand("SetSimTimeFactor", c.argument);
        world.Update(0.0);
        EXPECT_EQ(Clock().GetTimeFactor(), c.factor);
        EXPECT_EQ(trace.Text().empty(), !c.traced) << trace.Text();
        if (c.traced)
        {
            EXPECT_NE(trace.Text().find(std::string("'") + c.argument + "'"), std::string::npos) << trace.Text();
            EXPECT_EQ(trace.Text().back(), '\n');
        }
    }
    // With a refused factor the clock still runs as before.
    const std::int64_t steps = Clock().GetStepCount();
    world.Update(0.05);
    EXPECT_EQ(Clock().GetStepCount(), steps + 2);
}

TEST_F(WorldTest, CommandsAreTakenOnePerNamePerFrameInPostingOrder)
{
    Queue().PostCommand("SetPause", "true");
    Queue().PostCommand("SetPause", "false");
    Queue().PostCommand("SetUserControlEnabled", "true");
    Queue().PostCommand("LoadLevel", "maps/first.map");
    Queue().PostCommand("SetGameState", "playing");
    world.Update(0.05);
    EXPECT_TRUE(Clock().IsPaused());
    EXPECT_EQ(Clock().GetStepCount(), -1) << "paused before the clock advanced";
    EXPECT_TRUE(world.GetInputChannel()->IsUserControlEnabled());
    EXPECT_EQ(world.GetGameState(), "playing");
    EXPECT_EQ(world.log, (std::vector<std::string>{"load maps/first.map"}));
    EXPECT_EQ(Queue().GetCount(), 1);
    world.Update(0.05);
    EXPECT_FALSE(Clock().IsPaused());
    EXPECT_TRUE(Queue().IsEmpty());

    for (const char* argument : {"True", "1", "yes"})
    {
        SCOPED_TRACE(argument);
        Queue().PostCommand("SetPause", "true");
        world.Update(0.0);
        Queue().PostCommand("SetPause", argument);
        world.Update(0.0);
        EXPECT_FALSE(Clock().IsPaused());
    }
    Queue().PostCommand("SetUserControlEnabled", "TRUE");
    world.Update(0.0);
    EXPECT_FALSE(world.GetInputChannel()->IsUserControlEnabled());
}

TEST_F(WorldTest, AWireframeToggleIsDroppedAndUnknownNamesStayQueued)
{
    Queue().PostCommand("ToggleWireframe", "");
    Queue().PostCommand("ToggleWireframe", "");
    Queue().PostCommand("ShowSolution", "3");
    const double factor = Clock().GetTimeFactor();
    world.Update(0.05);
    EXPECT_EQ(Queue().GetCount(), 2) << "one toggle per frame";
    world.Update(0.05);
    EXPECT_EQ(Queue().GetCount(), 1);
    EXPECT_EQ(Clock().GetTimeFactor(), factor);
    EXPECT_FALSE(Clock().IsPaused());
    for (int frame = 0; frame < 3; ++frame)
    {
        world.Update(0.05);
    }
    TCommand left;
    ASSERT_TRUE(Queue().TakeCommand("ShowSolution", &left));
    EXPECT_EQ(left.argument, "3");
}

TEST(CommandQueueTest, IdsRunFromZeroAndTakingFindsTheOldestOfExactlyThatName)
{
    CCommandQueue queue;
    EXPECT_EQ(queue.PostCommand("LoadLevel", "a"), 0);
    EXPECT_EQ(queue.PostCommand("SetPause", "true"), 1);
    EXPECT_EQ(queue.PostCommand("LoadLevel", -42), 2);
    EXPECT_EQ(queue.GetCount(), 3);

    EXPECT_FALSE(queue.TakeCommand("loadlevel", nullptr)) << "names are case-sensitive";
    EXPECT_FALSE(queue.TakeCommand("Load", nullptr));
    TCommand taken{7, "before", "before"};
    EXPECT_FALSE(queue.TakeCommand("Nothing", &taken));
    EXPECT_EQ(taken.id, 7) << "unchanged when nothing is taken";

    ASSERT_TRUE(queue.TakeCommand("LoadLevel", &taken));
    EXPECT_EQ(taken.id, 0);
    EXPECT_EQ(taken.argument, "a");
    ASSERT_TRUE(queue.TakeCommand("LoadLevel", &taken));
    EXPECT_EQ(taken.id, 2);
    EXPECT_EQ(taken.argument, "-42");
    EXPECT_EQ(queue.PostCommand("LoadLevel", "b"), 3) << "ids are never reused";
    ASSERT_TRUE(queue.TakeCommand("SetPause", nullptr));
    ASSERT_TRUE(queue.TakeCommand("LoadLevel", nullptr));
    EXPECT_TRUE(queue.IsEmpty());
    EXPECT_EQ(queue.PostCommand("x", ""), 4);
}

TEST(CommandQueueTest, TakingByATestTakesEveryAcceptedNameInPostingOrderAndLeavesTheRest)
{
    CCommandQueue queue;
    for (const char* name : {"a", "keep", "b", "a", "keep"})
    {
        queue.PostCommand(name, name);
    }
    const std::vector<TCommand> taken = queue.TakeCommandsWhere([](const std::string& name) { return name != "keep"; });
    ASSERT_EQ(taken.size(), 3u);
    EXPECT_EQ(taken[0].id, 0);
    EXPECT_EQ(taken[1].id, 2);
    EXPECT_EQ(taken[2].id, 3);
    EXPECT_EQ(queue.GetCount(), 2);
    TCommand left;
    ASSERT_TRUE(queue.TakeCommand("keep", &left));
    EXPECT_EQ(left.id, 1);
}

// The world's Render on a real device: the back buffer of one 64 x 48 head.
using WorldRenderTest = EngineTesting::EngineFixture;

TEST_F(WorldRenderTest, RenderClearsTheBackBufferToTheWorldsColour)
{
    MakeGraphics();
    UseHeads(1, 64, 48, true);
    ASSERT_TRUE(settings.CreateDevice(controller, reporter, graphics, &device));
    controller.InitEngine(device, graphics);
    ASSERT_EQ(Platform::Gfx::Ok,
              device->Clear(0, nullptr, Platform::Gfx::ClearFlag::Target, 0xFFFFFFFF, 1.0f, 0));

    CWorld world(&controller);
    world.Initialize();
    world.RenderForHead(0);
    world.Shutdown();

    Platform::Gfx::Surface* backBuffer = nullptr;
    ASSERT_EQ(Platform::Gfx::Ok, device->GetBackBuffer(0, 0, 0, &backBuffer));
    std::vector<std::uint32_t> pixels;
    ASSERT_EQ(Platform::Gfx::Ok, device->ReadPixels(backBuffer, pixels));
    EXPECT_EQ(Platform::Gfx::Ok, Platform::GfxKit::SaveSurfaceToFile(OutputPath("world_render.png").c_str(),
                                                                     Platform::GfxKit::ImageFileFormat::Png,
                                                                     backBuffer, nullptr, nullptr));
    backBuffer->Release();
    ASSERT_EQ(pixels.size(), 64u * 48u);
    EXPECT_EQ(pixels[24 * 64 + 32] & 0x00FFFFFF, 0x105040u) << std::hex << pixels[24 * 64 + 32];
    EXPECT_EQ(pixels[0] & 0x00FFFFFF, 0x105040u) << std::hex << pixels[0];
}

} // namespace
