// The real device over OpenAL Soft's wave backend (set by ctest), its update thread running: what the
// voices played is captured to a file and compared with what went in. Fixtures are stereo 16-bit 44.1 kHz,
// so the capture (32-bit float) compares sample for sample. Each test keeps its capture as
// test-output/sound/<test name>.wav.

#include "sound/DirectSound8Device.h"
#include "sound/DirectSound8Voice.h"

#include "tests/sound/OggWriter.h"
#include "tests/sound/WaveBytes.h"
#include "platform/os/Sleep.h"
#include "sound/Sound.h"
#include "sound/SoundDeviceRegistry.h"
#include "tests/platform/TempFolder.h"
#include "tests/platform/audio/CaptureReader.h"

#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

using AudioCaptureFile::Frame;
using SoundLib::CDirectSound8Device;
using SoundLib::CSoundDeviceRegistry;

namespace
{

constexpr int Rate = 44100;

class SoundCapture : public TempFolderTest
{
protected:
    void SetUp() override
    {
        TempFolderTest::SetUp();
        CSoundDeviceRegistry::DestroyInstance();
        ASSERT_EQ(CDirectSound8Device::Create(nullptr, true), 0);
        device = static_cast<CDirectSound8Device*>(CSoundDeviceRegistry::GetInstance()->GetDevice(0));
        CSoundDeviceRegistry::GetInstance()->StartUpdateThread();
    }
    void TearDown() override
    {
        CSoundDeviceRegistry::DestroyInstance();
        TempFolderTest::TearDown();
    }

    // Closes the device (completing the file) and reads the capture.
    std::vector<Frame> Finish()
    {
        CSoundDeviceRegistry::DestroyInstance();
        return AudioCaptureFile::Read(QUARROW_SOUND_CAPTURE_FILE, QUARROW_TEST_OUTPUT_DIR);
    }

    std::string WriteStereoWave(const std::string& name, const std::vector<std::int16_t>& interleaved)
    {
        const std::string data(reinterpret_cast<const char*>(interleaved.data()), interleaved.size() * 2);
        WriteFile(name, WaveBytes::Pcm(2, Rate, 16, data));
        return PathOf(name);
    }

    CDirectSound8Device* device = nullptr;
};

float Sample(std::int16_t value)
{
    return static_cast<float>(value) / 32768.0f;
}

// Two different tones left and right with a slow swell: a shift, a repeat or a swap of channels shows.
std::vector<std::int16_t> Music(long frames)
{
    std::vector<std::int16_t> samples(static_cast<std::size_t>(frames) * 2);
    for (long i = 0; i < frames; ++i)
    {
        const double t = static_cast<double>(i) / Rate;
        const double swell = 0.6 + 0.3 * std::sin(2.0 * M_PI * 0.7 * t);
        samples[i * 2] = static_cast<std::int16_t>(std::lround(12000.0 * swell * std::sin(2.0 * M_PI * 331.0 * t)));
        samples[i * 2 + 1] = static_cast<std::int16_t>(std::lround(9000.0 * swell * std::sin(2.0 * M_PI * 517.0 * t)));
    }
    return samples;
}

// The file decoded here, independently of the sound library: interleaved 16-bit samples.
std::vector<std::int16_t> Decode(const std::string& path)
{
    OggVorbis_File file;
    std::vector<std::int16_t> samples;
    if (ov_fopen(path.c_str(), &file) != 0)
    {
        ADD_FAILURE() << "cannot decode " << path;
        return samples;
    }
    char buffer[8192];
    int stream = 0;
    long got = 0;
    while ((got = ov_read(&file, buffer, sizeof buffer, 0, 2, 1, &stream)) > 0)
    {
        const auto* values = reinterpret_cast<const std::int16_t*>(buffer);
        samples.insert(samples.end(), values, values + got / 2);
    }
    ov_clear(&file);
    return samples;
}

// Waits up to `seconds` for the voice to stop by itself.
bool WaitUntilStopped(SoundLib::CVoice& voice, double seconds)
{
    for (int i = 0; i < seconds * 100 && voice.IsPlaying(); ++i)
    {
        Platform::Sleep(10);
    }
    return !voice.IsPlaying();
}

} // namespace

TEST_F(SoundCapture, ALoopingWaveRepeatsItsFramesBackToBack)
{
    // A quarter second whose frames count: left = frame number + 1, right = a constant.
    constexpr int Frames = Rate / 4;
    std::vector<std::int16_t> counting(Frames * 2);
    for (int i = 0; i < Frames; ++i)
    {
        counting[i * 2] = static_cast<std::int16_t>(i + 1);
        counting[i * 2 + 1] = 1000;
    }
    SoundLib::CDirectSound8Voice& voice = *device->GetDSVoice(0);
    ASSERT_TRUE(voice.Load(WriteStereoWave("loop.wav", counting), false));
    voice.SetLooping(true);
    ASSERT_TRUE(voice.Play());
    Platform::Sleep(1050);
    EXPECT_TRUE(voice.IsPlaying());
    voice.Stop();
    Platform::Sleep(100);

    const std::vector<Frame> frames = Finish();
    const auto [first, end] = AudioCaptureFile::SoundRun(frames);
    ASSERT_LT(first, frames.size());
    // Stopped anywhere in a pass: every frame up to there is the next one of the loop.
    std::size_t heard = 0;
    for (std::size_t i = first; i < end; ++i, ++heard)
    {
        const Frame expected{Sample(static_cast<std::int16_t>(heard % Frames + 1)), Sample(1000)};
        if (frames[i].left != expected.left || frames[i].right != expected.right)
        {
            FAIL() << "pass " << heard / Frames << ", frame " << heard % Frames << " heard as "
                   << std::lround(frames[i].left * 32768.0f) - 1;
        }
    }
    EXPECT_GE(heard, 3u * Frames) << "about a second of looping";
    EXPECT_LT(heard, 6u * Frames);
}

TEST_F(SoundCapture, AStreamedOggFileIsHeardWholeAcrossTheRingsWrapsThenTheVoiceStops)
{
    const std::string path = PathOf("stream.ogg");
    WriteFile("stream.ogg", OggWriter::Encode(2, Rate, Music(Rate * 7 / 2)));
    const std::vector<std::int16_t> decoded = Decode(path);
    ASSERT_GE(decoded.size(), 2u * Rate * 3);

    SoundLib::CDirectSound8Voice& voice = *device->GetDSVoice(0);
    ASSERT_TRUE(voice.Load(path, false));
    ASSERT_TRUE(voice.Play());
    EXPECT_TRUE(WaitUntilStopped(voice, 6.0)) << "the voice stops by itself at the end";
    Platform::Sleep(100);

    const std::vector<Frame> frames = Finish();
    // The capture begins at the first frame of the file that is not silent.
    std::size_t lead = 0;
    while (lead * 2 + 1 < decoded.size() && decoded[lead * 2] == 0 && decoded[lead * 2 + 1] == 0)
    {
        ++lead;
    }
    const auto [first, end] = AudioCaptureFile::SoundRun(frames);
    ASSERT_LT(first, frames.size());
    const std::size_t total = decoded.size() / 2;
    std::size_t i = first;
    for (std::size_t n = lead; n < total; ++n, ++i)
    {
        ASSERT_LT(i, frames.size()) << "the capture ends at decoded frame " << n << " of " << total;
        if (frames[i].left != Sample(decoded[n * 2]) || frames[i].right != Sample(decoded[n * 2 + 1]))
        {
            FAIL() << "decoded frame " << n << " of " << total << " (ring byte " << (n * 4) % (Rate * 4)
                   << ") differs from what was heard";
        }
    }
    EXPECT_GE(end, i - 2000) << "no long silence inside the stream";
    for (; i < frames.size(); ++i)
    {
        ASSERT_EQ(frames[i].left, 0.0f) << "silence after the end, frame " << i;
        ASSERT_EQ(frames[i].right, 0.0f) << "silence after the end, frame " << i;
    }
}

TEST_F(SoundCapture, AFadeInRisesToFullLevelInAboutASecond)
{
    // A steady tone of 1.5 s, the same left and right; 500 Hz puts a whole number of periods in 100 ms.
    std::vector<std::int16_t> tone(static_cast<std::size_t>(Rate) * 3);
    for (std::size_t i = 0; i < tone.size() / 2; ++i)
    {
        tone[i * 2] = tone[i * 2 + 1] =
            static_cast<std::int16_t>(std::lround(10000.0 * std::sin(2.0 * M_PI * 500.0 * static_cast<double>(i) / Rate)));
    }
    SoundLib::CMultiChannelSound sound;
    sound.SetFile(WriteStereoWave("tone.wav", tone));
    sound.FadeIn(1.0f, 100.0f);
    ASSERT_TRUE(sound.IsPlaying());
    const int index = sound.GetVoiceIndex();
    ASSERT_GE(index, 0);
    EXPECT_TRUE(WaitUntilStopped(*device->GetVoice(index), 3.0));
    Platform::Sleep(100);

    const std::vector<Frame> frames = Finish();
    const auto [first, end] = AudioCaptureFile::SoundRun(frames, 0, 20000);
    ASSERT_LT(first, frames.size());
    const double full = 10000.0 / 32768.0 / std::sqrt(2.0);
    // Levels of 100 ms windows (a whole number of the tone's periods each).
    std::vector<double> levels;
    for (std::size_t from = first; from + Rate / 10 <= end; from += Rate / 10)
    {
        levels.push_back(AudioCaptureFile::Rms(frames, from, from + Rate / 10, true) / full);
    }
    ASSERT_GE(levels.size(), 14u);
    std::string shape;
    for (double level : levels)
    {
        shape += std::to_string(level).substr(0, 5) + " ";
    }
    SCOPED_TRACE("levels of 100 ms windows: " + shape);
    EXPECT_LT(levels[0], 0.25) << "starts near silence";
    for (std::size_t w = 1; w < levels.size(); ++w)
    {
        EXPECT_GE(levels[w], levels[w - 1] * 0.999) << "window " << w << " is quieter than the one before";
    }
    EXPECT_LT(levels[7], 0.97) << "still rising after 0.7 s";
    for (std::size_t w = 11; w < levels.size(); ++w)
    {
        EXPECT_NEAR(levels[w], 1.0, 0.01) << "full level from about 1.1 s, window " << w;
    }
}
