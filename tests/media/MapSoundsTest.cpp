// The map's sounds and the regions' ambiences as the game loads them: PCM of the game's format with only
// their format and data chunks, the loops 3 to 5 s long and joined end to start without a click, the
// one-shots short enough for the ambience's pauses, every peak near -1 dBFS, and all of them small.
#include "foundation/PathAliases.h"
#include "sound/SoundDeviceRegistry.h"
#include "sound/WaveResource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;
using SoundLib::CSoundDeviceRegistry;

struct MapSound
{
    const char* file; // under "sound>"
    bool loop;
};

const MapSound kSounds[] = {
    {"openlock.wav", false},          {"treasure.wav", false},          {"key_pickup.wav", false},
    {"pylon.wav", false},             {"jungle/jungleloop.wav", true},  {"jungle/jbird00.wav", false},
    {"jungle/jbird01.wav", false},    {"jungle/jbird02.wav", false},    {"jungle/jbird03.wav", false},
    {"jungle/jbird04.wav", false},    {"swamp/swamploop.wav", true},    {"swamp/duck.wav", false},
    {"swamp/frogs00.wav", false},     {"swamp/frogs01.wav", false},     {"swamp/frogs02.wav", false},
    {"swamp/frogs03.wav", false},     {"swamp/frogs04.wav", false},     {"cave/drop00.wav", false},
    {"cave/drop01.wav", false},       {"cave/drop02.wav", false},       {"temple/temple01.wav", true},
};

constexpr std::uint32_t Rate = 22050;

std::vector<std::int16_t> SamplesOf(const SoundLib::CWaveResource& wave)
{
    std::vector<std::int16_t> samples(wave.dataSize / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
    {
        samples[i] = static_cast<std::int16_t>(wave.data[2 * i] | (wave.data[2 * i + 1] << 8));
    }
    return samples;
}

class MapSounds : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CSoundDeviceRegistry::DestroyInstance();
        m_aliases.RegisterPathAlias("sound", (fs::path(QUARROW_MEDIA_DIR) / "sounds").string());
        CSoundDeviceRegistry::GetInstance()->SetPathAliases(&m_aliases);
    }
    void TearDown() override { CSoundDeviceRegistry::DestroyInstance(); }

    BaseLib::CPathAliases m_aliases;
};

TEST_F(MapSounds, EachLoadsAsTheGamesPcmWithItsLengthAndPeak)
{
    for (const MapSound& sound : kSounds)
    {
        SCOPED_TRACE(sound.file);
        auto wave = SoundLib::GetWaveResource(std::string("sound>") + sound.file);
        ASSERT_TRUE(wave);
        ASSERT_EQ(wave->GetState(), BaseLib::ResourceLoaded);
        const Platform::WaveFormat& format = wave->format;
        EXPECT_EQ((std::vector<std::uint32_t>{format.formatTag, format.channels, format.samplesPerSec,
                                              format.avgBytesPerSec, format.blockAlign, format.bitsPerSample}),
                  (std::vector<std::uint32_t>{1, 1, Rate, 2 * Rate, 2, 16}));
        const double seconds = static_cast<double>(wave->frameCount) / Rate;
        if (sound.loop)
        {
            EXPECT_GE(seconds, 3.0);
            EXPECT_LE(seconds, 5.0);
        }
        else
        {
            EXPECT_GT(seconds, 0.05);
            EXPECT_LE(seconds, 0.6);
        }
        int peak = 0;
        for (const std::int16_t sample : SamplesOf(*wave))
        {
            peak = std::max(peak, std::abs(static_cast<int>(sample)));
        }
        const double peakDbfs = 20.0 * std::log10(peak / 32768.0);
        EXPECT_NEAR(peakDbfs, -1.0, 0.3);

        // Nothing but "fmt " and "data".
        std::ifstream file(fs::path(QUARROW_MEDIA_DIR) / "sounds" / sound.file, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        ASSERT_GE(bytes.size(), 44u);
        EXPECT_EQ(bytes.substr(0, 4), "RIFF");
        EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
        EXPECT_EQ(bytes.substr(36, 4), "data");
        EXPECT_EQ(bytes.size(), 44u + wave->dataSize);
    }
}

TEST_F(MapSounds, LoopsJoinTheirEndToTheirStartWithoutAClick)
{
    for (const MapSound& sound : kSounds)
    {
        if (!sound.loop)
        {
            continue;
        }
        SCOPED_TRACE(sound.file);
        auto wave = SoundLib::GetWaveResource(std::string("sound>") + sound.file);
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
        // Both ends within one step of zero, on either side of it...
        EXPECT_LE(std::abs(first), largestStep);
        EXPECT_LE(std::abs(last), largestStep);
        EXPECT_TRUE((first >= 0 && last <= 0) || (first <= 0 && last >= 0)) << first << " after " << last;
        // ...and the step across the seam no larger than any inside the file.
        EXPECT_LE(std::abs(first - last), largestStep);
    }
}

TEST_F(MapSounds, TogetherStayUnder700KB)
{
    std::uintmax_t bytes = 0;
    for (const MapSound& sound : kSounds)
    {
        bytes += fs::file_size(fs::path(QUARROW_MEDIA_DIR) / "sounds" / sound.file);
    }
    EXPECT_LT(bytes, 700u * 1024u) << bytes << " bytes";
}

} // namespace
