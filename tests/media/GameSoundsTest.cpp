// The committed sounds of the menus, the blocks, the intro camera, the screenshot key and the title tune:
// format, length, level, seams and the size of the sound folder, and playback on the real device over
// OpenAL's null backend.

#include "foundation/PathAliases.h"
#include "sound/DirectSound8Device.h"
#include "sound/SoundDeviceRegistry.h"
#include "sound/Voice.h"
#include "sound/WaveResource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

using SoundLib::CSoundDeviceRegistry;

namespace
{

namespace fs = std::filesystem;

struct GameSound
{
    const char* file; // under "sound>"
    double minSeconds;
    double maxSeconds; // exclusive
    bool seamless;     // restarted or looped: must join its end to its start
    bool played;       // played in the playback test (the long title tune is only loaded)
};

const GameSound Sounds[] = {
    {"menuactivate.wav", 0.05, 1.0, false, true},
    {"menucancel.wav", 0.05, 1.0, false, true},
    {"blockstarttomove.wav", 0.1, 1.0, false, true},
    {"blockcollide.wav", 0.1, 1.0, false, true},
    {"magnetblockstarttomove.wav", 0.1, 1.0, false, true},
    {"magnetblockcollide.wav", 0.1, 1.0, false, true},
    {"magnet_loop.wav", 0.5, 2.0, true, true},
    {"spring.wav", 0.1, 1.0, true, true},
    {"camera.wav", 2.0, 4.0, false, true},
    {"std_screenshot.wav", 0.05, 1.0, false, true},
    {"music/titel01_var01.wav", 20.0, 40.0, true, false},
    {"1star.wav", 0.3, 1.5, false, true},
    {"2stars.wav", 0.3, 1.5, false, true},
    {"3stars.wav", 0.3, 1.5, false, true},
    {"tick.wav", 0.005, 0.0501, false, true},
};

constexpr std::uint32_t Rate = 22050;

std::string ReadWhole(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

std::uint32_t Little(const std::string& bytes, std::size_t offset, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
    {
        value = (value << 8) | static_cast<std::uint8_t>(bytes[offset + static_cast<std::size_t>(i)]);
    }
    return value;
}

std::vector<std::int16_t> SamplesOf(const SoundLib::CWaveResource& wave)
{
    std::vector<std::int16_t> samples(wave.dataSize / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
    {
        samples[i] = static_cast<std::int16_t>(wave.data[2 * i] | (wave.data[2 * i + 1] << 8));
    }
    return samples;
}

class GameSounds : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CSoundDeviceRegistry::DestroyInstance();
        m_aliases.RegisterPathAlias("sound", (fs::path(QUARROW_MEDIA_DIR) / "sounds").string());
        CSoundDeviceRegistry::GetInstance()->SetPathAliases(&m_aliases);
    }
    void TearDown() override { CSoundDeviceRegistry::DestroyInstance(); }

    static std::string AliasOf(const GameSound& sound) { return std::string("sound>") + sound.file; }

    BaseLib::CPathAliases m_aliases;
};

} // namespace

TEST_F(GameSounds, EachLoadsAsSixteenBitMonoPcmWithItsLengthAndAPeakThatNeitherClipsNorFades)
{
    for (const GameSound& sound : Sounds)
    {
        SCOPED_TRACE(sound.file);
        auto wave = SoundLib::GetWaveResource(AliasOf(sound));
        ASSERT_TRUE(wave);
        ASSERT_EQ(wave->GetState(), BaseLib::ResourceLoaded);
        const Platform::WaveFormat& format = wave->format;
        EXPECT_EQ(
            (std::vector<std::uint32_t>{format.formatTag, format.channels, format.samplesPerSec,
                                        format.avgBytesPerSec, format.blockAlign, format.bitsPerSample}),
            (std::vector<std::uint32_t>{1, 1, Rate, 2 * Rate, 2, 16}));
        const double seconds = static_cast<double>(wave->frameCount) / Rate;
        EXPECT_GE(seconds, sound.minSeconds);
        EXPECT_LT(seconds, sound.maxSeconds);

        int peak = 0;
        for (const std::int16_t sample : SamplesOf(*wave))
        {
            peak = std::max(peak, std::abs(static_cast<int>(sample)));
        }
        const double peakDbfs = 20.0 * std::log10(peak / 32768.0);
        EXPECT_GE(peakDbfs, -6.0);
        EXPECT_LE(peakDbfs, -0.5);
    }
}

TEST_F(GameSounds, EachFileHoldsOnlyItsFormatAndDataChunks)
{
    for (const GameSound& sound : Sounds)
    {
        SCOPED_TRACE(sound.file);
        const std::string bytes = ReadWhole(fs::path(QUARROW_MEDIA_DIR) / "sounds" / sound.file);
        ASSERT_GE(bytes.size(), 44u);
        EXPECT_EQ(bytes.substr(0, 4), "RIFF");
        EXPECT_EQ(Little(bytes, 4, 4), bytes.size() - 8);
        EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
        EXPECT_EQ(Little(bytes, 16, 4), 16u);
        EXPECT_EQ(bytes.substr(36, 4), "data");
        EXPECT_EQ(Little(bytes, 40, 4), bytes.size() - 44);
    }
}

TEST_F(GameSounds, RestartedAndLoopedSoundsJoinTheirEndToTheirStartWithoutAJump)
{
    for (const GameSound& sound : Sounds)
    {
        if (!sound.seamless)
        {
            continue;
        }
        SCOPED_TRACE(sound.file);
        auto wave = SoundLib::GetWaveResource(AliasOf(sound));
        ASSERT_TRUE(wave && wave->GetState() == BaseLib::ResourceLoaded);
        const std::vector<std::int16_t> samples = SamplesOf(*wave);
        ASSERT_GE(samples.size(), 2u);
        int largestStep = 0;
        for (std::size_t i = 1; i < samples.size(); ++i)
        {
            largestStep = std::max(largestStep, std::abs(samples[i] - samples[i - 1]));
        }
        const int first = samples.front();
        const int last = samples.back();
        // The seam is a zero crossing (or rests at zero), so both ends lie within one step of zero...
        EXPECT_TRUE((first >= 0 && last <= 0) || (first <= 0 && last >= 0)) << first << " after " << last;
        // ...and the step across it is no larger than the steps inside the file.
        EXPECT_LE(std::abs(first - last), largestStep) << first << " after " << last;
    }
}

// The result screen's chimes rise: each has one more note than the last, and together they stay small.
TEST_F(GameSounds, TheResultChimesGrowByANoteAndTogetherStayUnder200KB)
{
    std::uintmax_t bytes = 0;
    std::uintmax_t previous = 0;
    for (const char* file : {"1star.wav", "2stars.wav", "3stars.wav"})
    {
        const std::uintmax_t size = fs::file_size(fs::path(QUARROW_MEDIA_DIR) / "sounds" / file);
        EXPECT_GT(size, previous) << file << " is no longer than the chime before it";
        previous = size;
        bytes += size;
    }
    EXPECT_LT(bytes, 200u * 1024u);
}

TEST_F(GameSounds, TheSoundFolderStaysWithinItsBudget)
{
    std::uintmax_t bytes = 0;
    for (const fs::directory_entry& entry :
         fs::recursive_directory_iterator(fs::path(QUARROW_MEDIA_DIR) / "sounds"))
    {
        if (entry.is_regular_file())
        {
            bytes += entry.file_size();
        }
    }
    EXPECT_LT(bytes, 3'000'000u) << "media/sounds holds " << bytes << " bytes";
}

TEST_F(GameSounds, PlayTogetherOnDeviceZeroAndStopAfterTheirLength)
{
    ASSERT_EQ(SoundLib::CDirectSound8Device::Create(nullptr, false), 0);
    SoundLib::CSoundDevice* device = CSoundDeviceRegistry::GetInstance()->GetDevice(0);
    struct Playing
    {
        const GameSound* sound;
        SoundLib::CVoice* voice;
        double seconds;
        std::chrono::steady_clock::time_point started;
        double stoppedAfter = -1.0;
    };
    std::vector<Playing> playing;
    for (const GameSound& sound : Sounds)
    {
        if (!sound.played)
        {
            continue;
        }
        const int index = device->PlayOneShot(AliasOf(sound).c_str(), 100.0f, 0.0f, false);
        ASSERT_GE(index, 0) << sound.file;
        SoundLib::CVoice* voice = device->GetVoice(index);
        EXPECT_TRUE(voice->IsPlaying()) << sound.file;
        // Each sound's time runs from its own start: starting the others (loading their files) may take
        // long on a busy machine, while this one already plays.
        playing.push_back({&sound, voice, voice->GetLength(), std::chrono::steady_clock::now()});
    }
    const auto start = std::chrono::steady_clock::now();
    double longest = 0.0;
    for (const Playing& p : playing)
    {
        longest = std::max(longest, p.seconds);
    }
    // A poll with a generous limit that only guards against a hang.
    bool any = true;
    while (any)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (elapsed > longest + 10.0)
        {
            break;
        }
        any = false;
        for (Playing& p : playing)
        {
            if (p.stoppedAfter < 0.0 && !p.voice->IsPlaying())
            {
                p.stoppedAfter = std::chrono::duration<double>(std::chrono::steady_clock::now() - p.started).count();
            }
            any = any || p.stoppedAfter < 0.0;
        }
    }
    for (const Playing& p : playing)
    {
        SCOPED_TRACE(p.sound->file);
        EXPECT_GE(p.seconds, p.sound->minSeconds);
        ASSERT_GE(p.stoppedAfter, 0.0) << "still playing " << longest + 10.0 << " s after the start";
        // Not before its length has played (the mixer may run one short update ahead).
        EXPECT_GE(p.stoppedAfter, p.seconds - 0.1);
    }
}
