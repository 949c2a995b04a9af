#include "framework/AnimationController.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace
{

using GameLib::CAnimationController;

// A target that writes down every pose it is given and reports a fixed length.
struct RecordingTarget
{
    void Apply(const std::string& name, float time) { poses.emplace_back(name, time); }
    float Length(const std::string& /*name*/) { return length; }

    float length = 0.0f;
    std::vector<std::pair<std::string, float>> poses;
};

std::size_t Add(CAnimationController& controller, RecordingTarget& target)
{
    return controller.AddTarget(CAnimationController::ApplyDelegate(&target, &RecordingTarget::Apply),
                                CAnimationController::LengthDelegate(&target, &RecordingTarget::Length));
}

TEST(AnimationController, ClockWrapsStopsAndHandsTheTimeToItsTargets)
{
    const struct
    {
        const char* what;
        std::vector<float> lengths;
        bool loop;
        std::vector<double> steps;
        double time;      // the clock afterwards
        float handedOver; // the last time each target got
        bool finished;
    } cases[] = {
        {"looping wraps", {2.0f}, true, {2.5}, 0.5, 0.5f, false},
        {"not looping stops just before the end", {2.0f}, false, {2.5}, 2.0, 1.99f, true},
        {"the longest target sets the length", {1.5f, 2.0f}, false, {1.7}, 1.7, 1.7f, false},
        {"length 0 never wraps, stops or finishes", {0.0f, 0.0f}, false, {3.0, 4.0}, 7.0, 7.0f, false},
        {"length 0 looping", {0.0f}, true, {3.0}, 3.0, 3.0f, false},
        {"a stopped clock keeps handing over its time", {1.0f}, false, {5.0, 1.0, 1.0}, 1.0, 0.99f, true},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        std::vector<RecordingTarget> targets(c.lengths.size());
        CAnimationController controller;
        for (std::size_t i = 0; i < targets.size(); ++i)
        {
            targets[i].length = c.lengths[i];
            EXPECT_EQ(i, Add(controller, targets[i]));
        }
        controller.Play("Walk", 0.0, c.loop);
        for (double step : c.steps)
        {
            controller.Advance(step);
        }
        EXPECT_DOUBLE_EQ(c.time, controller.GetTime());
        EXPECT_EQ(c.finished, controller.IsFinished());
        for (const RecordingTarget& target : targets)
        {
            ASSERT_EQ(c.steps.size(), target.poses.size()) << "every advance reaches every target";
            EXPECT_EQ("Walk", target.poses.back().first);
            EXPECT_FLOAT_EQ(c.handedOver, target.poses.back().second);
        }
        if (c.steps.size() == 3 && c.finished)
        {
            EXPECT_FLOAT_EQ(targets[0].poses[1].second, targets[0].poses[2].second);
        }
    }
}

TEST(AnimationController, NothingPlaysUntilNamedAndTargetsOutliveSwitches)
{
    RecordingTarget a;
    RecordingTarget b;
    a.length = 2.0f;
    b.length = 1.0f;
    CAnimationController controller;
    EXPECT_EQ(0u, Add(controller, a));
    EXPECT_EQ(1u, Add(controller, b));

    // No animation named: no target is called and the clock stays.
    controller.Advance(1.0);
    EXPECT_TRUE(a.poses.empty());
    EXPECT_EQ(0.0, controller.GetTime());
    EXPECT_FALSE(controller.IsFinished());
    controller.Play("", 0.5, false);
    controller.Advance(1.0);
    EXPECT_TRUE(a.poses.empty());
    EXPECT_EQ(0.5, controller.GetTime());

    controller.Play("Walk", 0.25, true);
    controller.Advance(0.5);
    EXPECT_DOUBLE_EQ(0.75, controller.GetTime());
    EXPECT_FLOAT_EQ(2.0f, controller.GetLength());

    // Another animation restarts the clock at its start and keeps the targets.
    controller.Play("Run", 0.0, false);
    EXPECT_EQ(0.0, controller.GetTime());
    controller.Advance(0.5);
    ASSERT_EQ(2u, b.poses.size());
    EXPECT_EQ("Run", b.poses.back().first);
    EXPECT_FLOAT_EQ(0.5f, b.poses.back().second);

    // A freed record is reused first and is no longer called.
    controller.RemoveTarget(0);
    controller.RemoveTarget(7);
    controller.Advance(0.1);
    EXPECT_EQ(2u, a.poses.size());
    EXPECT_EQ(3u, b.poses.size());
    RecordingTarget c;
    EXPECT_EQ(0u, Add(controller, c));
    EXPECT_EQ(2u, controller.GetTargets().size());
    // An empty length delegate counts for nothing.
    controller.AddTarget(CAnimationController::ApplyDelegate(&a, &RecordingTarget::Apply), {});
    controller.Play("Run", 0.0, false);
    EXPECT_FLOAT_EQ(1.0f, controller.GetLength());
}

} // namespace
