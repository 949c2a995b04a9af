// The audio layer over OpenAL Soft's wave backend (set by ctest): what was played is captured to a file
// (stereo 32-bit float, 44.1 kHz, complete once the device is closed) and compared with what went in.
// Each test keeps its capture as test-output/platform/<test name>.wav.

#include "AudioTestSupport.h"
#include "CaptureReader.h"
#include "platform/os/RiffFile.h"
#include "platform/os/Sleep.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

using namespace Platform;

namespace
{

constexpr std::uint32_t Flags2D = AudioBufferGetCurrentPosition2 | AudioBufferCtrlVolume | AudioBufferCtrlPan | AudioBufferCtrlFrequency;
constexpr std::uint32_t Flags3D = AudioBufferGetCurrentPosition2 | AudioBufferCtrlVolume | AudioBufferCtrl3D | AudioBufferCtrlFrequency;

using AudioCaptureFile::Frame;
using AudioCaptureFile::Rms;
using AudioCaptureFile::SoundRun;

std::vector<Frame> ReadCapture()
{
    return AudioCaptureFile::Read(QUARROW_AUDIO_CAPTURE_FILE, QUARROW_TEST_OUTPUT_DIR);
}

std::vector<std::uint8_t> Tone(std::uint16_t channels, std::uint32_t frames, double frequency)
{
    std::vector<std::uint8_t> bytes(frames * channels * 2);
    auto* samples = reinterpret_cast<std::int16_t*>(bytes.data());
    for (std::uint32_t i = 0; i < frames; ++i)
    {
        const auto value = static_cast<std::int16_t>(std::lround(12000.0 * std::sin(2.0 * M_PI * frequency * i / 44100.0)));
        for (std::uint16_t c = 0; c < channels; ++c)
        {
            samples[i * channels + c] = value;
        }
    }
    return bytes;
}

class AudioCapture : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(CreateAudioDevice(device), AudioOk);
        IAudioPrimaryBuffer* primary = nullptr;
        ASSERT_EQ(device->CreatePrimaryBuffer(primary), AudioOk);
        ASSERT_EQ(primary->QueryListener(listener), AudioOk);
    }
    // Closes the device (completing the file) and reads the capture.
    std::vector<Frame> Finish()
    {
        device.reset();
        return ReadCapture();
    }
    // Plays the buffer once and waits for its end.
    static void PlayThrough(IAudioBuffer& buffer)
    {
        buffer.Play(0);
        std::uint32_t status = AudioStatusPlaying;
        for (int i = 0; i < 300 && (status & AudioStatusPlaying) != 0; ++i)
        {
            Platform::Sleep(10);
            buffer.GetStatus(status);
        }
        Platform::Sleep(100);
    }

    std::unique_ptr<IAudioDevice> device;
    IAudioListener* listener = nullptr;
};

// Frame n of the counting pattern: both channels non-zero, and n read back from them exactly.
void PatternFrame(std::uint32_t n, std::int16_t* out)
{
    out[0] = static_cast<std::int16_t>(n % 32000 + 1);
    out[1] = static_cast<std::int16_t>(n / 32000 + 1);
}

std::int64_t PatternNumber(const Frame& frame)
{
    const auto low = std::lround(frame.left * 32768.0f);
    const auto high = std::lround(frame.right * 32768.0f);
    if (low < 1 || low > 32000 || high < 1 || std::fabs(frame.left * 32768.0f - static_cast<float>(low)) > 1e-3f)
    {
        return -1;
    }
    return (high - 1) * 32000 + (low - 1);
}

}

TEST_F(AudioCapture, RingRefilledBehindThePlayCursorPlaysEveryFrameOnceThenStopsAtItsEnd)
{
    const WaveFormat format = AudioTest::Pcm(2, 44100, 16);
    const std::uint32_t size = format.avgBytesPerSec; // one second
    std::unique_ptr<IAudioBuffer> ring;
    ASSERT_EQ(device->CreateBuffer(format, size, Flags2D, ring), AudioOk);
    AudioLockedRange range;
    ASSERT_EQ(ring->Lock(0, size, range), AudioOk);
    std::uint32_t next = 0;
    for (std::uint32_t i = 0; i < size / 4; ++i)
    {
        PatternFrame(next++, static_cast<std::int16_t*>(range.part1) + i * 2);
    }
    ring->Unlock(range);

    ASSERT_EQ(ring->Play(AudioPlayLooping), AudioOk);
    std::uint32_t nextWrite = 0;
    std::uint32_t firstPlay = 0;
    bool wrapped = false;
    std::uint32_t largestLead = 0;
    // At least 50 ticks (about 1.7 s), then up to the first tick after the next wrap: the last pass is
    // started there, as a streaming voice does, while everything queued ahead still belongs to this lap.
    // (Started late in a lap, what the layer already queued past the ring's end would be heard too.)
    for (int tick = 0;; ++tick)
    {
        ASSERT_LT(tick, 200) << "the play cursor never wrapped";
        Platform::Sleep(33);
        std::uint32_t play = 0;
        std::uint32_t write = 0;
        ASSERT_EQ(ring->GetCurrentPosition(&play, &write), AudioOk);
        const bool wrappedNow = tick > 0 && play < firstPlay;
        wrapped = wrapped || wrappedNow;
        firstPlay = play;
        largestLead = std::max(largestLead, (write + size - play) % size);
        const std::uint32_t bytes = (play + size - nextWrite) % size;
        if (bytes == 0)
        {
            continue;
        }
        ASSERT_EQ(ring->Lock(nextWrite, bytes, range), AudioOk);
        for (std::uint32_t i = 0; i < range.size1 / 4; ++i)
        {
            PatternFrame(next++, static_cast<std::int16_t*>(range.part1) + i * 2);
        }
        for (std::uint32_t i = 0; i < range.size2 / 4; ++i)
        {
            PatternFrame(next++, static_cast<std::int16_t*>(range.part2) + i * 2);
        }
        ring->Unlock(range);
        nextWrite = play;
        if (tick >= 50 && wrappedNow)
        {
            break;
        }
    }
    EXPECT_TRUE(wrapped);
    EXPECT_LT(largestLead, size / 2); // the write cursor stays a bounded distance ahead
    ASSERT_EQ(ring->Play(0), AudioOk); // the last pass: stop at the ring's end
    std::uint32_t status = AudioStatusPlaying;
    for (int i = 0; i < 200 && (status & AudioStatusPlaying) != 0; ++i)
    {
        Platform::Sleep(10);
        ring->GetStatus(status);
    }
    EXPECT_EQ(status & AudioStatusPlaying, 0u);
    Platform::Sleep(100);
    ring.reset();

    const std::vector<Frame> frames = Finish();
    const auto [first, end] = SoundRun(frames);
    ASSERT_LT(first, frames.size());
    std::int64_t expected = 0;
    for (std::size_t i = first; i < end; ++i, ++expected)
    {
        if (PatternNumber(frames[i]) != expected)
        {
            std::size_t bad = 0;
            std::size_t j = i;
            for (; j < end && PatternNumber(frames[j]) != expected + static_cast<std::int64_t>(j - i); ++j)
            {
                ++bad;
            }
            ADD_FAILURE() << "frame " << expected << " of the pattern heard as " << PatternNumber(frames[i]) << " for " << bad << " frames"
                          << ", from ring frame " << (expected % 44100);
            break;
        }
    }
    EXPECT_GT(expected, 2 * 44100); // more than two laps
    EXPECT_EQ(expected % 44100, 0); // up to the ring's end
    for (std::size_t i = end; i < frames.size(); ++i)
    {
        ASSERT_EQ(frames[i].left, 0.0f) << "silence after the end, frame " << i;
    }
}

TEST_F(AudioCapture, VolumePitchPanAndPositionShapeWhatIsHeard)
{
    const WaveFormat mono = AudioTest::Pcm(1, 44100, 16);
    const std::vector<std::uint8_t> tone = Tone(1, 13230, 440.0); // 0.3 s
    auto full = AudioTest::MakeBuffer(*device, mono, tone, Flags2D);
    auto quiet = AudioTest::MakeBuffer(*device, mono, tone, Flags2D);
    auto fast = AudioTest::MakeBuffer(*device, mono, tone, Flags2D);
    auto right = AudioTest::MakeBuffer(*device, mono, tone, Flags2D);
    auto placed = AudioTest::MakeBuffer(*device, mono, tone, Flags3D);
    auto stopped = AudioTest::MakeBuffer(*device, mono, Tone(1, 44100, 440.0), Flags2D);
    ASSERT_TRUE(full && quiet && fast && right && placed && stopped);
    quiet->SetVolume(-693);
    fast->SetFrequency(88200);
    right->SetPan(10000);
    listener->SetPosition({0, 0, 0}, AudioApplyImmediate);
    listener->SetOrientation({0, 0, 1}, {0, 1, 0}, AudioApplyImmediate);
    placed->SetPosition({5, 0, 0}, AudioApplyDeferred);
    listener->CommitDeferredSettings();

    for (IAudioBuffer* buffer : {full.get(), quiet.get(), fast.get(), right.get(), placed.get()})
    {
        PlayThrough(*buffer);
    }
    stopped->Play(0);
    Platform::Sleep(100);
    stopped->Stop();
    Platform::Sleep(300);
    full.reset();
    quiet.reset();
    fast.reset();
    right.reset();
    placed.reset();
    stopped.reset();

    const std::vector<Frame> frames = Finish();
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    for (std::size_t from = 0; runs.size() < 6;)
    {
        const auto run = SoundRun(frames, from);
        if (run.first >= frames.size())
        {
            break;
        }
        runs.push_back(run);
        from = run.second + 1;
    }
    ASSERT_EQ(runs.size(), 6u);

    // Volume -693 mB: amplitude x 0.450.
    const double ratio = Rms(frames, runs[1].first, runs[1].second, true) / Rms(frames, runs[0].first, runs[0].second, true);
    EXPECT_NEAR(ratio, 0.450, 0.01);

    // Twice the rate: 880 Hz, counted by zero crossings, in half the time.
    int crossings = 0;
    for (std::size_t i = runs[2].first + 1; i < runs[2].second; ++i)
    {
        crossings += (frames[i - 1].left < 0.0f) != (frames[i].left < 0.0f);
    }
    const double seconds = static_cast<double>(runs[2].second - runs[2].first) / 44100.0;
    EXPECT_NEAR(crossings / 2.0 / seconds, 880.0, 15.0);

    // Pan fully right: the left channel at least 30 dB below the right.
    const double panLeft = Rms(frames, runs[3].first, runs[3].second, true);
    const double panRight = Rms(frames, runs[3].first, runs[3].second, false);
    EXPECT_LT(panLeft, panRight * std::pow(10.0, -30.0 / 20.0)) << panLeft << " vs " << panRight;

    // A 3D source 5 units to the right of a listener facing +z: louder on the right.
    EXPECT_GT(Rms(frames, runs[4].first, runs[4].second, false), 2.0 * Rms(frames, runs[4].first, runs[4].second, true));

    // Stopped after a tenth of its second: then silence.
    EXPECT_LT(runs[5].second - runs[5].first, 44100u / 4);
}
