#include "framework/SimulationClock.h"
#include "framework/Timer.h"
#include "platform/Counter.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

using GameLib::CSimulationClock;

// Records the length of every step the clock runs and the simulated time it has then.
struct StepLog
{
    void OnStep(double length)
    {
        lengths.push_back(length);
        times.push_back(clock->GetSimulatedTime());
    }
    CSimulationClock* clock = nullptr;
    std::vector<double> lengths;
    std::vector<double> times;
};

// The world's clock: fixed steps of 0.02 s with a step log.
struct WorldClock
{
    WorldClock()
    {
        log.clock = &clock;
        clock.SetStepLength(0.02);
        clock.SetStepCallback(CSimulationClock::StepCallback(&log, &StepLog::OnStep));
    }
    CSimulationClock clock;
    StepLog log;
};

TEST(SimulationClockTest, FramesRunTheStepsTheirScaledTimeAllows)
{
    struct Case
    {
        const char* what;
        std::vector<double> frames; // the last frame is the one checked
        double factor;
        bool paused;
        std::int32_t mode;
        std::size_t stepsInLastFrame;
        double accumulatorLeft;
    } cases[] = {
        {"0.05 s: two steps", {0.05}, 1.0, false, 0, 2, 0.01},
        {"then 0.01 s: one step", {0.05, 0.01}, 1.0, false, 0, 1, 0.0},
        {"paused", {0.05}, 1.0, true, 0, 0, 0.0},
        {"0.5 s at factor 1", {0.5}, 1.0, false, 0, 24, 0.02},
        {"0.5 s at factor 5", {0.5}, 5.0, false, 0, 124, 0.02},
        {"a 2 s stall passed in as 0.5 s", {0.5}, 1.0, false, 0, 24, 0.02},
        {"the frame after the stall", {0.5, 1.0 / 60.0}, 1.0, false, 0, 1, 0.5 + 1.0 / 60.0 - 0.5},
        {"variable mode", {0.05}, 1.0, false, 1, 1, 0.0},
        {"a mode that runs no step", {0.05}, 1.0, false, 2, 0, 0.05},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        WorldClock world;
        world.clock.SetTimeFactor(c.factor);
        world.clock.SetPaused(c.paused);
        world.clock.SetMode(c.mode);
        std::size_t before = 0;
        for (double frame : c.frames)
        {
            before = world.log.lengths.size();
            world.clock.Advance(frame);
        }
        EXPECT_EQ(world.log.lengths.size() - before, c.stepsInLastFrame);
        EXPECT_NEAR(world.clock.GetAccumulator(), c.accumulatorLeft, 1e-9);
        EXPECT_LT(world.clock.GetAccumulator(), c.mode == 2 ? 1.0 : 0.02) << "under one step length";
        EXPECT_DOUBLE_EQ(world.clock.GetTime(), world.clock.GetSimulatedTime() + world.clock.GetAccumulator());
    }
}

TEST(SimulationClockTest, StepsAreNumberedFromZeroAndPausedTimeStands)
{
    WorldClock world;
    EXPECT_EQ(world.clock.GetStepCount(), -1);
    world.clock.Advance(0.045);
    ASSERT_EQ(world.log.times.size(), 2u);
    EXPECT_EQ(world.log.times[0], 0.0);
    EXPECT_EQ(world.log.times[1], 0.02);
    EXPECT_EQ(world.log.lengths[0], 0.02);
    EXPECT_EQ(world.clock.GetStepCount(), 1);
    EXPECT_NEAR(world.clock.GetTime(), 0.025, 1e-12);
    EXPECT_NEAR(world.clock.GetDelta(), 0.025, 1e-12);

    world.clock.SetPaused(true);
    world.clock.Advance(1.0);
    EXPECT_EQ(world.log.times.size(), 2u);
    EXPECT_NEAR(world.clock.GetTime(), 0.025, 1e-12);
    EXPECT_EQ(world.clock.GetDelta(), 0.0);

    world.clock.SetPaused(false);
    world.clock.SetMode(CSimulationClock::kVariableStep);
    world.clock.Advance(0.05);
    ASSERT_EQ(world.log.lengths.size(), 3u);
    EXPECT_NEAR(world.log.lengths[2], 0.055, 1e-12) << "the whole accumulator";
    EXPECT_EQ(world.clock.GetAccumulator(), 0.0);

    // A mode that runs no step still moves time.
    world.clock.SetMode(2);
    world.clock.Advance(0.5);
    EXPECT_EQ(world.log.lengths.size(), 3u);
    EXPECT_NEAR(world.clock.GetDelta(), 0.5, 1e-12);
}

TEST(SimulationClockTest, TimeNeverDriftsFromTheSummedFrameTime)
{
    WorldClock world;
    for (int frame = 0; frame < 6000; ++frame)
    {
        world.clock.Advance(1.0 / 60.0);
    }
    EXPECT_EQ(world.log.lengths.size(), 4999u);
    EXPECT_EQ(world.clock.GetSimulatedTime(), 4998 * 0.02);
    EXPECT_NEAR(world.clock.GetTime(), 99.98, 1e-9) << "the total minus one step";
}

TEST(SimulationClockTest, ResetKeepsModeStepLengthAndCallbackAndInitDropsThem)
{
    WorldClock world;
    world.clock.SetMode(CSimulationClock::kVariableStep);
    world.clock.SetTimeFactor(3.0);
    world.clock.SetPaused(true);
    world.clock.SetPaused(false);
    world.clock.Advance(0.1);
    world.clock.SetPaused(true);

    world.clock.Reset();
    EXPECT_EQ(world.clock.GetMode(), CSimulationClock::kVariableStep);
    EXPECT_EQ(world.clock.GetStepLength(), 0.02);
    EXPECT_TRUE(world.clock.HasStepCallback());
    EXPECT_EQ(world.clock.GetTimeFactor(), 1.0);
    EXPECT_FALSE(world.clock.IsPaused());
    EXPECT_EQ(world.clock.GetStepCount(), -1);
    for (double value : {world.clock.GetAccumulator(), world.clock.GetSimulatedTime(), world.clock.GetTime(),
                         world.clock.GetDelta()})
    {
        EXPECT_EQ(value, 0.0);
    }

    world.clock.Init();
    EXPECT_EQ(world.clock.GetMode(), CSimulationClock::kFixedSteps);
    EXPECT_EQ(world.clock.GetStepLength(), 1.0);
    EXPECT_FALSE(world.clock.HasStepCallback());
    const std::size_t steps = world.log.lengths.size();
    world.clock.Advance(2.5);
    EXPECT_EQ(world.clock.GetStepCount(), 1) << "two steps of 1 s";
    EXPECT_EQ(world.log.lengths.size(), steps) << "no callback any more";
}

TEST(TimerTest, TheFirstReadingStartsTheTimerAndTheNextAnswersTheCounterTime)
{
    Platform::CounterOverrideScope counter(1000);
    GameLib::CTimer timer;
    EXPECT_EQ(timer.GetElapsedSeconds(), 0.0);
    counter.AdvanceMilliseconds(250);
    EXPECT_DOUBLE_EQ(timer.GetElapsedSeconds(), 0.25);
    EXPECT_EQ(timer.GetElapsedSeconds(), 0.0);
}

} // namespace
