// The floating particles' simulation, through the node with the random source seeded and without a
// device: the emission rule, the box rule, the ranges of drift, wind and wind interval, the population
// over a long run, and the puzzle node's clock. Then one frame of a level in the running game, with and
// without the particles.
#include "game/puzzle/FloatingParticleSourceNode.h"

#include "NodeTesting.h"
#include "engine/EngineController.h"
#include "foundation/Random.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "game/puzzle/GameCameraNode.h"
#include "game/puzzle/PuzzleEntityNode.h"
#include "tests/game/harness/GameHarness.h"
#include "ui/Panel.h"
#include "ui/UILibSystem.h"
#include "ui/WindowManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <vector>

namespace
{

using BaseLib::CVector3;
using GameLib::CParticle;
using NodeTesting::NodePtr;

// A node (not pre-run) whose particle records the tests can reach.
class ProbeSource : public CFloatingParticleSourceNode
{
public:
    ProbeSource() : CFloatingParticleSourceNode(nullptr) {}

    CParticle& At(int i) { return m_particles[static_cast<std::size_t>(i)]; }
    // n live particles at rest at the origin, aged 0.
    void Fill(int n)
    {
        m_liveCount = n;
        for (int i = 0; i < n; ++i)
        {
            At(i) = CParticle{};
        }
    }
    float Alpha(float age) const { return m_alphaTable->GetValue(age, true); }
    void BaseInit(CParticle& particle) { CParticleSourceNode::InitParticle(particle); }
};

NodePtr<ProbeSource> Probe()
{
    return NodePtr<ProbeSource>(new ProbeSource());
}

TEST(FloatingParticles, StartsInTheEmitterBoxRisingAndFadesInAndOutOverAge)
{
    BaseLib::SeedRandom(7);
    auto source = Probe();
    EXPECT_EQ(64, source->GetMaxParticles());
    EXPECT_FALSE(source->GetFollowNode());
    EXPECT_EQ(BaseLib::CVector4(0.0f, 0.0f, 0.0f, 32.0f), source->GetBounds());
    EXPECT_EQ(CVector3(0.0f, 0.0f, 0.0f), source->GetAcceleration());
    EXPECT_FLOAT_EQ(0.2f, source->GetBaseSize());
    EXPECT_FLOAT_EQ(64.0f, source->GetWindInterval());
    EXPECT_FALSE(source->GetWindTimer().IsPaused());
    EXPECT_EQ(0, source->GetParticleCount());

    // Alpha by age: 0 at birth, 0.5 from 8 to 56 s, 0 again at 64 s; linear in between.
    const struct
    {
        float age, alpha;
    } alphas[] = {{0, 0}, {4, 0.25f}, {8, 0.5f}, {30, 0.5f}, {56, 0.5f}, {60, 0.25f}, {64, 0}, {70, 0}};
    for (const auto& c : alphas)
    {
        EXPECT_NEAR(c.alpha, source->Alpha(c.age), 1e-6f) << "age " << c.age;
    }

    // A particle starts within ±(5, 3, 5) of the origin, moving along y at 1 unit per second.
    CParticle p;
    for (int i = 0; i < 1000; ++i)
    {
        source->InitParticle(p);
        EXPECT_LE(std::abs(p.position.x), 5.0f);
        EXPECT_LE(std::abs(p.position.y), 3.0f);
        EXPECT_LE(std::abs(p.position.z), 5.0f);
        ASSERT_EQ(CVector3(0.0f, 1.0f, 0.0f), p.velocity);
        ASSERT_EQ(0.0f, p.age);
    }
}

TEST(FloatingParticles, EmissionRateFollowsTheLiveCount)
{
    const struct
    {
        float lastRate;
        int live;
        float rate;
    } cases[] = {{1.0f, 24, 3.0f}, {1.0f, 27, 1.2f}, {3.0f, 30, 3.0f}, {1.2f, 30, 1.2f},
                 {1.2f, 31, 1.0f}, {1.0f, 32, 0.8f}, {0.8f, 40, 0.8f}, {0.8f, 0, 3.0f}};
    for (const auto& c : cases)
    {
        auto source = Probe();
        source->Fill(c.live);
        source->SetEmissionRate(c.lastRate);
        source->UpdateParticles(0.02f);
        EXPECT_EQ(c.rate, source->GetEmissionRate())
            << "last rate " << c.lastRate << ", " << c.live << " live";
    }
}

TEST(FloatingParticles, AParticleOutsideTheBoxFadesOutOverItsLastEightSeconds)
{
    auto source = Probe();
    CParticle p{};
    p.position = CVector3(10.5f, 0.0f, 0.0f);
    p.age = 10.0f;
    ASSERT_TRUE(source->UpdateParticle(p, 0.5f));
    EXPECT_FLOAT_EQ(56.5f, p.age);
    float alpha = source->Alpha(p.age);
    EXPECT_NEAR(0.5f * 7.5f / 8.0f, alpha, 1e-6f);
    int steps = 1;
    while (source->UpdateParticle(p, 0.5f))
    {
        const float next = source->Alpha(p.age);
        EXPECT_LT(next, alpha) << "age " << p.age;
        alpha = next;
        ++steps;
    }
    EXPECT_EQ(15, steps) << "alive from 56.5 to 63.5 s, dead on reaching 64 s";
    EXPECT_FLOAT_EQ(64.0f, p.age);
    EXPECT_EQ(0.0f, source->Alpha(p.age));

    // Ages already past 56, and the box's own edges, keep their age.
    const struct
    {
        CVector3 position;
        float age;
    } kept[] = {{{0.0f, 11.0f, 0.0f}, 60.0f},
                {{0.0f, -3.0f, 0.0f}, 10.0f},
                {{9.99f, 0.0f, -9.99f}, 10.0f},
                {{0.0f, 10.0f, 0.0f}, 10.0f}};
    for (const auto& c : kept)
    {
        CParticle q{};
        q.position = c.position;
        q.age = c.age;
        ASSERT_TRUE(source->UpdateParticle(q, 0.01f));
        EXPECT_FLOAT_EQ(c.age + 0.01f, q.age) << q.position.x << ", " << q.position.y << ", " << q.position.z;
    }
    // Each way out of the box counts.
    for (const CVector3 out : {CVector3(-10.0f, 0.0f, 0.0f), CVector3(0.0f, 0.0f, 10.0f),
                               CVector3(0.0f, -3.01f, 0.0f), CVector3(0.0f, 10.01f, 0.0f)})
    {
        CParticle q{};
        q.position = out;
        q.age = 1.0f;
        source->UpdateParticle(q, 0.01f);
        EXPECT_FLOAT_EQ(56.01f, q.age) << out.x << ", " << out.y << ", " << out.z;
    }
}

TEST(FloatingParticles, DriftMovesAParticleAndStartsAgainstTheWind)
{
    auto source = Probe();
    const CVector3 wind(1.0f, -0.5f, 0.25f);
    source->SetAcceleration(wind);
    BaseLib::SeedRandom(99);
    CParticle base{};
    source->BaseInit(base);
    BaseLib::SeedRandom(99);
    CParticle p{};
    source->InitParticle(p);
    EXPECT_EQ(base.position - wind, p.position);

    // With the base's motion at rest (no velocity, no wind, no drag), only the drift moves it.
    source->SetAcceleration(CVector3(0.0f, 0.0f, 0.0f));
    source->SetDrag(0.0f);
    CParticle q{};
    q.extra1 = CVector3(0.2f, -0.1f, 0.05f);
    source->UpdateParticle(q, 2.0f);
    EXPECT_NEAR(0.4f, q.position.x, 1e-6f);
    EXPECT_NEAR(-0.2f, q.position.y, 1e-6f);
    EXPECT_NEAR(0.1f, q.position.z, 1e-6f);
}

TEST(FloatingParticles, DriftWindAndIntervalStayInTheirRangesOverTenThousandDraws)
{
    BaseLib::SeedRandom(12345);
    auto source = Probe();
    CVector3 driftLow(1, 1, 1), driftHigh(-1, -1, -1);
    CParticle p{};
    for (int i = 0; i < 10000; ++i)
    {
        source->InitParticle(p);
        ASSERT_GE(p.extra1.x, -0.2f);
        ASSERT_LT(p.extra1.x, 0.2f);
        ASSERT_GE(p.extra1.y, -0.1f);
        ASSERT_LT(p.extra1.y, 0.1f);
        ASSERT_GE(p.extra1.z, -0.2f);
        ASSERT_LT(p.extra1.z, 0.2f);
        driftLow = CVector3(std::min(driftLow.x, p.extra1.x), std::min(driftLow.y, p.extra1.y),
                            std::min(driftLow.z, p.extra1.z));
        driftHigh = CVector3(std::max(driftHigh.x, p.extra1.x), std::max(driftHigh.y, p.extra1.y),
                             std::max(driftHigh.z, p.extra1.z));
    }
    // The draws fill the ranges, not a corner of them.
    EXPECT_LT(driftLow.x, -0.19f);
    EXPECT_GT(driftHigh.x, 0.19f);
    EXPECT_LT(driftLow.y, -0.09f);
    EXPECT_GT(driftHigh.y, 0.09f);

    // No wind change before 64 s; it comes with the step that reaches 64 s.
    for (int step = 1; step < 128; ++step)
    {
        source->UpdateParticles(0.5f);
        ASSERT_EQ(CVector3(0.0f, 0.0f, 0.0f), source->GetAcceleration()) << "at " << step * 0.5f << " s";
    }
    source->UpdateParticles(0.5f);
    EXPECT_NE(CVector3(0.0f, 0.0f, 0.0f), source->GetAcceleration());
    EXPECT_EQ(0.0, source->GetWindTimer().GetTime());

    float intervalLow = 10.0f, intervalHigh = 0.0f;
    for (int i = 0; i < 10000; ++i)
    {
        const float interval = source->GetWindInterval();
        ASSERT_GE(interval, 5.0f);
        ASSERT_LT(interval, 10.0f);
        intervalLow = std::min(intervalLow, interval);
        intervalHigh = std::max(intervalHigh, interval);
        const CVector3 wind = source->GetAcceleration();
        ASSERT_GE(wind.x, -1.25f);
        ASSERT_LT(wind.x, 1.25f);
        ASSERT_GE(wind.y, -0.6f);
        ASSERT_LT(wind.y, 0.6f);
        ASSERT_GE(wind.z, -1.25f);
        ASSERT_LT(wind.z, 1.25f);
        // Just short of the interval the wind holds; passing it changes the wind.
        source->UpdateParticles(interval - 0.01f);
        ASSERT_EQ(wind, source->GetAcceleration());
        source->UpdateParticles(0.02f);
        ASSERT_NE(wind, source->GetAcceleration());
    }
    EXPECT_LT(intervalLow, 5.01f);
    EXPECT_GT(intervalHigh, 9.99f);
}

TEST(FloatingParticles, PopulationStaysBetweenTwentyAndFortyOnAverage)
{
    BaseLib::SeedRandom(2024);
    NodePtr<CFloatingParticleSourceNode> source(CreateFloatingParticleSourceNode(nullptr));
    EXPECT_GE(source->GetParticleCount(), 50) << "the pre-run fills the air";
    EXPECT_LE(source->GetParticleCount(), 64);

    for (int step = 0; step < 5000; ++step)
    {
        source->Advance(0.0f, 0.02f);
    }
    int low = 64, high = 0;
    double sum = 0.0;
    const int steps = 20000;
    for (int step = 0; step < steps; ++step)
    {
        source->Advance(0.0f, 0.02f);
        const int n = source->GetParticleCount();
        low = std::min(low, n);
        high = std::max(high, n);
        sum += n;
    }
    const double mean = sum / steps;
    std::cout << "[ population ] over 400 s after the first 100 s: min " << low << ", mean " << mean
              << ", max " << high << "\n";
    EXPECT_LE(high, 64);
    EXPECT_GE(mean, 20.0);
    EXPECT_LE(mean, 40.0);
}

class PuzzleNodeParticlesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        BaseLib::SeedRandom(5);
        NodeTesting::BuildBoard(puzzle, {"a-----", "------", "------", "------"});
        node.reset(CreatePuzzleEntityNode(&world));
        node->SetPuzzle(&puzzle);
    }

    Qen::CEngineController controller;
    CQuarrowWorld world{&controller};
    CEditablePuzzle puzzle;
    NodePtr<CPuzzleEntityNode> node;
};

TEST_F(PuzzleNodeParticlesTest, TheSourceHangsUnderTheParticlePlaceAndIsDrawnInTheLitPasses)
{
    CFloatingParticleSourceNode* source = node->GetParticleSource();
    ASSERT_NE(nullptr, source);
    auto* place = static_cast<GameLib::CTransformNode*>(node->GetChild(2));
    ASSERT_EQ(1u, place->GetChildCount());
    EXPECT_EQ(source, place->GetChild(0));
    EXPECT_EQ(1u, source->IsVisible());
    EXPECT_GE(source->GetParticleCount(), 50);
}

TEST_F(PuzzleNodeParticlesTest, ParticleTimeWrapsAfterAHundredSecondsAndTheNextStepStandsStill)
{
    CFloatingParticleSourceNode* source = node->GetParticleSource();
    float previous = 0.0f;
    int step = 0;
    while (node->GetParticleTime() >= previous)
    {
        previous = node->GetParticleTime();
        node->Update(0.02f);
        ASSERT_LT(++step, 6000);
    }
    // The wrapping step itself advanced to just past 100 s.
    EXPECT_GT(previous, 99.9f);
    EXPECT_EQ(0.0f, node->GetParticleTime());
    EXPECT_GT(source->GetEffectTime(), 100.0f);

    const int count = source->GetParticleCount();
    const double windTime = source->GetWindTimer().GetTime();
    const CVector3 wind = source->GetAcceleration();
    node->Update(0.02f);
    EXPECT_EQ(count, source->GetParticleCount());
    EXPECT_EQ(windTime, source->GetWindTimer().GetTime()) << "the step after the wrap advances nothing";
    EXPECT_EQ(wind, source->GetAcceleration());
    EXPECT_FLOAT_EQ(0.02f, source->GetEffectTime());

    // Then the particles run on by one step at a time; no particle is born twice over.
    node->Update(0.02f);
    EXPECT_NEAR(0.02, source->GetWindTimer().GetTime() - windTime, 1e-6);
    EXPECT_LE(std::abs(source->GetParticleCount() - count), 1);
}

TEST_F(PuzzleNodeParticlesTest, ARebuiltSourceRunsOnFromTheParticleTimeInOneStep)
{
    for (int step = 0; step < 1500; ++step)
    {
        node->Update(0.02f);
    }
    ASSERT_GT(node->GetParticleTime(), 20.0f);
    node->Rebuild();
    CFloatingParticleSourceNode* source = node->GetParticleSource();
    ASSERT_NE(nullptr, source);
    EXPECT_EQ(source, static_cast<GameLib::CTransformNode*>(node->GetChild(2))->GetChild(0));
    const int count = source->GetParticleCount();
    const double windTime = source->GetWindTimer().GetTime();
    node->Update(0.02f);
    EXPECT_NEAR(0.02, source->GetWindTimer().GetTime() - windTime, 1e-6) << "one step, not the time so far";
    EXPECT_LE(std::abs(source->GetParticleCount() - count), 1);
}

// A level in the running game, the camera orbiting over the board and the world paused, drawn once with
// the particles and once with their render flags cleared: the motes are the only difference, and they
// brighten what lies behind them.
TEST(FloatingParticlesPicture, TheMotesShowInTheAirAboveTheBoard)
{
    GameTesting::GameHarness game;
    ASSERT_TRUE(game.Start());
    // No screen is shown: the scene shows through a hole in the window layer's root panel, as through the
    // 3D screen's playing field.
    auto* layer =
        dynamic_cast<UILib::CPanel*>(UILib::CUILibSystem::GetInstance()->GetWindowManager()->GetLayerRoot(0));
    ASSERT_NE(nullptr, layer);
    layer->SetColor(BaseLib::CColor::FromArgb(0));
    game.PostWorldCommand("StartLevel",
                          (std::filesystem::path(QUARROW_MEDIA_DIR) / "levels/jungle/01.xml").string());
    ASSERT_TRUE(game.RunFrames(2));
    CPuzzleEntityNode* node = game.World().GetPuzzleNode();
    ASSERT_NE(nullptr, node);
    CFloatingParticleSourceNode* source = node->GetParticleSource();
    ASSERT_NE(nullptr, source);
    EXPECT_GE(source->GetParticleCount(), 20);

    CGameCameraNode& camera = *game.UI().GetCamera();
    camera.ResetForIntro();
    camera.SetBoardSize(game.World().GetPuzzle()->GetWidth(), game.World().GetPuzzle()->GetHeight());
    camera.SetMode(CGameCameraNode::Orbit);
    // Back far enough to see the air round the board, looking down at a slant.
    camera.SetDistance(camera.GetBoardDistance() * 2.5f);
    camera.SetPitch(0.9f);
    camera.SetYaw(0.4f);
    camera.SetFocusPoint(camera.GetFocusTarget());
    game.PostWorldCommand("SetPause", "true");
    ASSERT_TRUE(game.RunFrames(3));

    int width = 0, height = 0;
    const GameTesting::Pixels with = game.ReadFrame(width, height);
    source->SetVisible(0);
    ASSERT_TRUE(game.RunFrames(1));
    const GameTesting::Pixels without = game.ReadFrame(width, height);
    source->SetVisible(1);
    ASSERT_TRUE(game.RunFrames(1));
    const GameTesting::Pixels again = game.ReadFrame(width, height);
    ASSERT_FALSE(with.empty());
    ASSERT_EQ(with.size(), without.size());
    EXPECT_TRUE(
        GameTesting::GameHarness::WritePicture(QUARROW_TEST_OUTPUT_DIR, "particles", width, height, with));
    EXPECT_TRUE(GameTesting::GameHarness::WritePicture(QUARROW_TEST_OUTPUT_DIR, "particles_hidden", width,
                                                       height, without));

    // The frames stand still apart from the motes: the same picture comes back with them.
    EXPECT_EQ(with, again);
    int brighter = 0, darker = 0;
    for (std::size_t i = 0; i < with.size(); ++i)
    {
        int sum = 0;
        for (int shift : {0, 8, 16})
        {
            sum +=
                static_cast<int>((with[i] >> shift) & 0xFF) - static_cast<int>((without[i] >> shift) & 0xFF);
        }
        brighter += sum > 6;
        darker += sum < -6;
    }
    std::cout << "[ particles ] " << source->GetParticleCount() << " live, " << brighter
              << " pixels brightened, " << darker << " darkened\n";
    EXPECT_GT(brighter, 50) << "the motes show";
    EXPECT_LT(darker, brighter / 10) << "the motes only add light";
}

} // namespace
