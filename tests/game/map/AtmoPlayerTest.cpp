#include "game/map/AtmoPlayer.h"

#include "foundation/Random.h"
#include "tests/game/harness/RecordingSoundDevice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using GameTesting::RecordingSoundDevice;
using GameTesting::SoundEvent;

namespace
{

class AtmoPlayerTest : public testing::Test
{
protected:
    void SetUp() override
    {
        sounds = &RecordingSoundDevice::Install();
        BaseLib::SeedRandom(4711);
    }
    void TearDown() override { RecordingSoundDevice::Uninstall(); }

    RecordingSoundDevice* sounds = nullptr;
};

TEST_F(AtmoPlayerTest, TheLoopAndTheOneShotsPlayOnlyWhereTheyWereGiven)
{
    struct Case
    {
        const char* name;
        bool loop;
        std::vector<std::string> oneShots;
    };
    const Case cases[] = {
        {"loop only", true, {}},
        {"one-shots only", false, {"bird.wav", "drop.wav"}},
        {"both", true, {"frog.wav"}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        sounds->ClearLog();
        {
            CAtmoPlayer player;
            if (c.loop)
            {
                player.SetLoop("loop.wav");
            }
            for (const std::string& file : c.oneShots)
            {
                player.AddOneShot(file);
            }
            ASSERT_TRUE(player.Play());
            EXPECT_TRUE(player.IsPlaying());
            EXPECT_FALSE(player.IsPaused());
            for (int i = 0; i < 100; ++i)
            {
                player.Update(0.1);
            }
            EXPECT_EQ(sounds->Count(SoundEvent::Play, "loop.wav"), c.loop ? 1u : 0u);
            EXPECT_EQ(sounds->IsPlaying("loop.wav"), c.loop);
            if (c.loop)
            {
                const auto looping = sounds->Records(SoundEvent::Looping, "loop.wav");
                ASSERT_FALSE(looping.empty());
                EXPECT_EQ(looping.back().value, 1.0f) << "the loop loops";
            }
            std::size_t oneShotPlays = 0;
            for (const std::string& file : c.oneShots)
            {
                oneShotPlays += sounds->Count(SoundEvent::Play, file);
            }
            // 10 s of pauses of 1.0 to 2.5 s.
            if (c.oneShots.empty())
            {
                EXPECT_EQ(sounds->Count(SoundEvent::Play), c.loop ? 1u : 0u);
            }
            else
            {
                EXPECT_GE(oneShotPlays, 3u);
                EXPECT_LE(oneShotPlays, 10u);
            }
            player.Stop();
            EXPECT_FALSE(player.IsPlaying());
            EXPECT_TRUE(player.IsPaused());
            EXPECT_FALSE(sounds->IsPlaying("loop.wav"));
        }
    }
}

TEST_F(AtmoPlayerTest, PitchesAndPausesStayInTheirRangesAndALongStepPlaysOneOneShot)
{
    CAtmoPlayer player;
    player.AddOneShot("bird.wav");
    player.AddOneShot("drop.wav");
    player.AddOneShot("frog.wav");
    player.Play();
    std::vector<float> pauses;
    std::size_t plays = 0;
    for (int i = 0; i < 1000; ++i)
    {
        // Every fourth step is longer than any pause: still at most one one-shot.
        const double dt = i % 4 == 3 ? 3.0 : 0.25;
        const float before = player.GetCountdown();
        const std::size_t logged = sounds->Count(SoundEvent::Play);
        player.Update(dt);
        const std::size_t played = sounds->Count(SoundEvent::Play) - logged;
        ASSERT_LE(played, 1u) << "step " << i;
        if (played == 1)
        {
            ++plays;
            // The overshoot carries over: the new countdown is what was left plus the pause.
            pauses.push_back(player.GetCountdown() - (before - static_cast<float>(dt)));
        }
        else
        {
            EXPECT_GT(before - static_cast<float>(dt), 0.0f) << "step " << i;
        }
    }
    ASSERT_GT(plays, 200u);
    for (float pause : pauses)
    {
        EXPECT_GE(pause, 1.0f - 1e-4f);
        EXPECT_LE(pause, 2.5f + 1e-4f);
    }
    // Each play acquires its voice anew or reuses it: the pitch lies on the voice either way.
    std::size_t pitches = 0;
    for (const auto& record : sounds->Records(SoundEvent::Pitch))
    {
        ++pitches;
        EXPECT_GE(record.value, 0.9f - 1e-6f);
        EXPECT_LE(record.value, 1.1f + 1e-6f);
    }
    EXPECT_GT(pitches, plays / 2);
}

TEST_F(AtmoPlayerTest, AFadeInHoldsTheFirstOneShotBackForItsTime)
{
    CAtmoPlayer player;
    player.SetLoop("loop.wav");
    player.AddOneShot("bird.wav");
    player.FadeIn(3.0f, 100.0f);
    EXPECT_TRUE(player.IsPlaying());
    const auto fades = sounds->Records(SoundEvent::Fade, "loop.wav");
    ASSERT_EQ(fades.size(), 1u);
    EXPECT_EQ(fades[0].value, 100.0f);
    EXPECT_EQ(fades[0].durationMs, 3000);
    for (int i = 0; i < 29; ++i)
    {
        player.Update(0.1);
    }
    EXPECT_EQ(sounds->Count(SoundEvent::Play, "bird.wav"), 0u) << "2.9 s into a 3 s fade";
    for (int i = 0; i < 40; ++i)
    {
        player.Update(0.1);
    }
    EXPECT_GE(sounds->Count(SoundEvent::Play, "bird.wav"), 1u);

    player.FadeOut(0.5f);
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_FALSE(sounds->IsPlaying("loop.wav"));
    const std::size_t plays = sounds->Count(SoundEvent::Play);
    for (int i = 0; i < 100; ++i)
    {
        player.Update(0.1);
    }
    EXPECT_EQ(sounds->Count(SoundEvent::Play), plays) << "a faded-out player plays nothing";
}

TEST_F(AtmoPlayerTest, ItsOwnVolumePanAndPitchCannotBeChanged)
{
    CAtmoPlayer player;
    player.SetLoop("loop.wav");
    player.Play();
    player.SetVolume(20.0f);
    player.SetPan(-1.0f);
    player.SetPitch(2.0f);
    player.FadeTo(0.0f, 1.0f);
    EXPECT_EQ(player.GetVolume(), 100.0f);
    EXPECT_EQ(player.GetPan(), 0.0f);
    EXPECT_EQ(player.GetPitch(), 1.0f);
    EXPECT_TRUE(sounds->IsPlaying("loop.wav")) << "FadeTo does nothing";
    player.SetPaused(false);
    EXPECT_FALSE(player.IsPlaying()) << "pausing either way stops";
    EXPECT_FALSE(sounds->IsPlaying("loop.wav"));
}

TEST_F(AtmoPlayerTest, AClearedOrReplacedLoopStopsItsVoice)
{
    CAtmoPlayer player;
    player.SetLoop("jungle.wav");
    player.AddOneShot("bird.wav");
    ASSERT_TRUE(player.Play());
    for (int i = 0; i < 40 && !sounds->IsPlaying("bird.wav"); ++i)
    {
        player.Update(0.1);
    }
    ASSERT_TRUE(sounds->IsPlaying("bird.wav"));
    ASSERT_TRUE(sounds->IsPlaying("jungle.wav"));

    player.SetLoop("swamp.wav");
    EXPECT_FALSE(sounds->IsPlaying("jungle.wav")) << "the replaced loop";
    player.Play();
    ASSERT_TRUE(sounds->IsPlaying("swamp.wav"));

    player.Clear();
    EXPECT_FALSE(sounds->IsPlaying("swamp.wav"));
    EXPECT_FALSE(sounds->IsPlaying("bird.wav"));
    EXPECT_EQ(player.GetLoop(), nullptr);
    EXPECT_EQ(player.GetOneShotCount(), 0u);

    {
        CAtmoPlayer dying;
        dying.SetLoop("cave.wav");
        dying.Play();
        ASSERT_TRUE(sounds->IsPlaying("cave.wav"));
    }
    EXPECT_FALSE(sounds->IsPlaying("cave.wav")) << "the destructor clears";
}

TEST(AtmoRandom, BothEndsOfTheRangeOccur)
{
    BaseLib::SeedRandom(99);
    bool low = false;
    bool high = false;
    for (int i = 0; i < 200000 && !(low && high); ++i)
    {
        const float value = CAtmoPlayer::RandomInRange(1.0f, 2.5f);
        ASSERT_GE(value, 1.0f);
        ASSERT_LE(value, 2.5f);
        low = low || value == 1.0f;
        high = high || value == 2.5f;
    }
    EXPECT_TRUE(low);
    EXPECT_TRUE(high);
}

} // namespace
