#include "mediagen/SoundSynthesis.h"
#include "mediagen/WaveFileWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

using namespace MediaGen;

namespace
{

// Rising zero crossings: the number of whole cycles of a plain tone.
int RisingCrossings(const Signal& signal)
{
    int crossings = 0;
    for (std::size_t i = 1; i < signal.size(); ++i)
    {
        crossings += signal[i - 1] < 0.0 && signal[i] >= 0.0 ? 1 : 0;
    }
    return crossings;
}

double Peak(const Signal& signal, std::size_t from = 0)
{
    double peak = 0.0;
    for (std::size_t i = from; i < signal.size(); ++i)
    {
        peak = std::max(peak, std::abs(signal[i]));
    }
    return peak;
}

} // namespace

TEST(SoundSynthesis, TonesKeepTheirPitchAndLeaveOutPartialsThatWouldFoldBack)
{
    const Signal tone = Tone(SoundRate, Constant(100.0));
    EXPECT_EQ(tone[0], 0.0);
    EXPECT_EQ(RisingCrossings(tone), 99); // the 100th cycle ends on the first sample after the second
    EXPECT_NEAR(Peak(tone), 1.0, 1e-3);

    // 8 kHz fits below half the rate, its second partial (16 kHz) does not.
    EXPECT_NEAR(Peak(Tone(1000, Constant(8000.0), {0.0, 1.0})), 0.0, 0.0);
    EXPECT_GT(Peak(Tone(1000, Constant(5000.0), {0.0, 1.0})), 0.9);

    const Curve glide = Glide(200.0, 100.0, 0.5);
    EXPECT_DOUBLE_EQ(glide(0.0), 200.0);
    EXPECT_NEAR(glide(0.25), std::sqrt(2.0) * 100.0, 1e-9);
    EXPECT_DOUBLE_EQ(glide(0.7), 100.0);
    EXPECT_NEAR(NoteFrequency(57), 220.0, 1e-9);
}

TEST(SoundSynthesis, NoiseRepeatsForItsSeedAndDiffersBetweenSeeds)
{
    const Signal a = Noise(5000, 7);
    EXPECT_EQ(a, Noise(5000, 7));
    EXPECT_NE(a, Noise(5000, 8));
    const auto [low, high] = std::minmax_element(a.begin(), a.end());
    EXPECT_GE(*low, -1.0);
    EXPECT_LT(*high, 1.0);
    EXPECT_LT(*low, -0.99);
    EXPECT_GT(*high, 0.99);
    double mean = 0.0;
    for (const double value : a)
    {
        mean += value / static_cast<double>(a.size());
    }
    EXPECT_NEAR(mean, 0.0, 0.05);
}

TEST(SoundSynthesis, FiltersPassTheirBandAndDampTheRest)
{
    struct Case
    {
        FilterKind kind;
        double cutoff, q, toneHz, gainAtLeast, gainAtMost;
    };
    const Case cases[] = {
        {FilterKind::LowPass, 500.0, 0.707, 100.0, 0.95, 1.05},
        {FilterKind::LowPass, 500.0, 0.707, 5000.0, 0.0, 0.02},
        {FilterKind::HighPass, 2000.0, 0.707, 8000.0, 0.9, 1.1},
        {FilterKind::HighPass, 2000.0, 0.707, 100.0, 0.0, 0.01},
        {FilterKind::BandPass, 1000.0, 4.0, 1000.0, 0.95, 1.05},
        {FilterKind::BandPass, 1000.0, 0.707, 1000.0, 0.95, 1.05},
        {FilterKind::BandPass, 1000.0, 4.0, 100.0, 0.0, 0.05},
        {FilterKind::BandPass, 1000.0, 4.0, 8000.0, 0.0, 0.05},
    };
    for (const Case& c : cases)
    {
        Signal signal = Tone(SoundRate / 2, Constant(c.toneHz));
        Filter(signal, c.kind, Constant(c.cutoff), c.q);
        const double gain = Peak(signal, SoundRate / 10); // past the filter's settling
        EXPECT_GE(gain, c.gainAtLeast)
            << static_cast<int>(c.kind) << " at " << c.cutoff << ", tone " << c.toneHz;
        EXPECT_LE(gain, c.gainAtMost)
            << static_cast<int>(c.kind) << " at " << c.cutoff << ", tone " << c.toneHz;
    }

    // A centre swept across the whole band, past both ends, stays bounded.
    Signal noise = Noise(SoundRate, 3);
    Filter(
        noise, FilterKind::BandPass, [](double t) { return t * 40000.0 - 5000.0; }, 8.0);
    EXPECT_LT(Peak(noise), 4.0);
}

TEST(SoundSynthesis, EnvelopesMixingAndLevels)
{
    const Signal envelope = Envelope(SampleCount(1.0), {{0.1, 0.5}, {0.6, 1.0}, {0.8, 0.0}});
    EXPECT_DOUBLE_EQ(envelope[0], 0.5);
    EXPECT_NEAR(envelope[static_cast<std::size_t>(SampleCount(0.35))], 0.75, 1e-4);
    EXPECT_NEAR(envelope[static_cast<std::size_t>(SampleCount(0.7))], 0.5, 1e-4);
    EXPECT_DOUBLE_EQ(envelope.back(), 0.0);

    Signal target(4, 1.0);
    Mix(target, {1.0, 2.0, 3.0}, 2.0, 3);
    EXPECT_EQ(target, (Signal{1.0, 1.0, 1.0, 3.0, 4.0, 6.0}));
    MixWrapped(target, {1.0, 1.0, 1.0}, 1.0, 5);
    EXPECT_EQ(target, (Signal{2.0, 2.0, 1.0, 3.0, 4.0, 7.0}));

    Signal sound = Noise(2000, 4);
    FadeEdges(sound, 0.01, 0.02);
    EXPECT_EQ(sound.front(), 0.0);
    EXPECT_EQ(sound.back(), 0.0);
    NormalisePeak(sound, -1.0);
    EXPECT_NEAR(Peak(sound), std::pow(10.0, -1.0 / 20.0), 1e-12);
    Signal silence(100, 0.0);
    NormalisePeak(silence, -1.0);
    EXPECT_EQ(silence, Signal(100, 0.0));
}

TEST(SoundSynthesis, ALoopTurnedToItsZeroCrossingPlaysTheSameAndJoinsWithoutAJump)
{
    // One period of a loop that starts in the middle of a wave: a 50 Hz tone a third of a period in.
    const int length = SoundRate / 10;
    Signal loop(static_cast<std::size_t>(length));
    for (int i = 0; i < length; ++i)
    {
        loop[static_cast<std::size_t>(i)] =
            std::sin(2.0 * std::numbers::pi * (50.0 * i / SoundRate + 1.0 / 3.0)) +
            0.3 * std::sin(2.0 * std::numbers::pi * 150.0 * i / SoundRate);
    }
    Signal turned = loop;
    StartAtZeroCrossing(turned);
    EXPECT_GE(turned.front(), 0.0);
    EXPECT_LT(turned.back(), 0.0);
    double largestStep = 0.0;
    for (std::size_t i = 1; i < turned.size(); ++i)
    {
        largestStep = std::max(largestStep, std::abs(turned[i] - turned[i - 1]));
    }
    EXPECT_LE(turned.front() - turned.back(), largestStep);
    // The same loop, only started elsewhere.
    const auto start = std::search(loop.begin(), loop.end(), turned.begin(), turned.begin() + 100);
    ASSERT_NE(start, loop.end());
    Signal again(start, loop.end());
    again.insert(again.end(), loop.begin(), start);
    EXPECT_EQ(again, turned);
}

TEST(WaveFileWriter, SixteenBitMonoPcmWithNothingButItsThreeChunks)
{
    const std::string bytes = WaveFileBytes({0, 1, -1, 32767, -32768}, 22050);
    const std::string expected = std::string("RIFF") + std::string("\x2e\x00\x00\x00", 4) + "WAVE" + "fmt " +
                                 std::string("\x10\x00\x00\x00", 4) + std::string("\x01\x00\x01\x00", 4) +
                                 std::string("\x22\x56\x00\x00", 4) + std::string("\x44\xac\x00\x00", 4) +
                                 std::string("\x02\x00\x10\x00", 4) + "data" +
                                 std::string("\x0a\x00\x00\x00", 4) +
                                 std::string("\x00\x00\x01\x00\xff\xff\xff\x7f\x00\x80", 10);
    EXPECT_EQ(bytes, expected);
}

TEST(WaveFileWriter, SamplesAreRoundedAndClampedToSixteenBits)
{
    struct Case
    {
        double value;
        std::int16_t sample;
    };
    const Case cases[] = {{0.0, 0},
                          {1.0, 32767},
                          {-1.0, -32767},
                          {0.5, 16384},
                          {-0.5, -16384},
                          {0.25 / 32767.0, 0},
                          {0.75 / 32767.0, 1},
                          {2.0, 32767},
                          {-2.0, -32768},
                          {std::numeric_limits<double>::infinity(), 32767},
                          {std::nan(""), 0}};
    for (const Case& c : cases)
    {
        EXPECT_EQ(ToPcm16({c.value})[0], c.sample) << c.value;
    }
}
