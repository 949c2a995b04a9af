#include "sound/WaveResource.h"

#include "AllocationPeak.h"
#include "WaveBytes.h"
#include "foundation/PathAliases.h"
#include "platform/os/DebugOutput.h"
#include "sound/CachedWaveSampleSource.h"
#include "sound/SoundDeviceRegistry.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace WaveBytes;
using SoundLib::CSoundDeviceRegistry;

namespace
{

class WaveFiles : public TempFolderTest
{
protected:
    void SetUp() override
    {
        TempFolderTest::SetUp();
        CSoundDeviceRegistry::DestroyInstance();
    }
    void TearDown() override
    {
        CSoundDeviceRegistry::DestroyInstance();
        TempFolderTest::TearDown();
    }

    // A source over the wave file written with these bytes.
    SoundLib::CCachedWaveSampleSource SourceOf(const std::string& bytes)
    {
        WriteFile("w.wav", bytes);
        return SoundLib::CCachedWaveSampleSource(SoundLib::GetWaveResource(PathOf("w.wav")));
    }
};

struct LoadCase
{
    const char* fixture;
    std::string bytes;
    const char* trace; // nullptr: loads; "": fails without a trace; else the text after "Error: <path>"
};

std::string Fmt(std::uint32_t tag, std::uint32_t channels, std::uint32_t rate, std::uint32_t blockAlign,
                std::uint32_t bits)
{
    return Chunk("fmt ", Format(tag, channels, rate, blockAlign, bits));
}

std::vector<LoadCase> LoadCases()
{
    const std::string fmt = Fmt(1, 2, 44100, 4, 16);
    const std::string data = Chunk("data", Ramp(400));
    const char* notPcm = " - file is not PCM; compressed WAV files are not supported at the moment (sorry)\n";
    const char* notWav = " does not seem to be a WAV-File\n";
    const char* corrupt = " - could not parse; file corrupted?\n";
    const char* readError = " - read error\n";
    const std::string whole = Pcm(2, 44100, 16, Ramp(1000));
    std::string extensible = Fmt(0xFFFE, 2, 44100, 4, 16);
    // The 40-byte extensible format: valid bits, channel mask, then the sub-format GUID, whose first two
    // bytes are the plain tag.
    const auto extensibleOf = [](std::uint32_t subTag, std::uint32_t channels, std::uint32_t bits) {
        const std::uint32_t blockAlign = channels * bits / 8;
        return Chunk("fmt ", Format(0xFFFE, channels, 44100, blockAlign, bits) + Little16(22) + Little16(bits) +
                                 Little32(3) + Little16(subTag) +
                                 std::string("\0\0\0\0\x10\0\x80\0\0\xAA\0\x38\x9B\x71", 14));
    };
    const char* floatSamples = " - float samples cannot be played; only 8 and 16 bit PCM can\n";
    return {
        {"LIST chunks of odd size before fmt and data", Riff(Chunk("LIST", "INFOabc") + fmt + Chunk("LIST", "INFOxyz") + data), nullptr},
        {"data before fmt", Riff(data + fmt), nullptr},
        {"extensible PCM", Riff(extensibleOf(1, 2, 16) + data), nullptr},
        {"float samples", Riff(Fmt(3, 2, 44100, 8, 32) + data), floatSamples},
        {"extensible float", Riff(extensibleOf(3, 2, 32) + data), floatSamples},
        {"extensible of another sub-format", Riff(extensibleOf(2, 2, 16) + data), notPcm},
        {"extensible without its sub-format", Riff(extensible + data), notPcm},
        {"24-bit samples", Riff(Fmt(1, 2, 44100, 6, 24) + data),
         " - 24-bit samples cannot be played; only 8 and 16 bit PCM can\n"},
        {"32-bit extensible PCM", Riff(extensibleOf(1, 2, 32) + data),
         " - 32-bit samples cannot be played; only 8 and 16 bit PCM can\n"},
        {"6 channels", Riff(Fmt(1, 6, 44100, 12, 16) + data),
         " - 6 channels cannot be played; only mono and stereo can\n"},
        {"RIFX header", "RIFX" + whole.substr(4), notWav},
        {"AVI form", Riff(fmt + data, "AVI "), notWav},
        {"empty file", "", notWav},
        {"fmt of 12 bytes", Riff(Chunk("fmt ", Format(1, 2, 44100, 4, 16).substr(0, 12)) + data), corrupt},
        {"no data chunk", Riff(fmt), corrupt},
        {"block align 0", Riff(Fmt(1, 2, 44100, 0, 16) + data), corrupt},
        {"channels 0", Riff(Fmt(1, 0, 44100, 4, 16) + data), corrupt},
        {"rate 0", Riff(Fmt(1, 2, 0, 4, 16) + data), corrupt},
        {"fmt cut after 8 of 16 bytes", Riff("fmt " + Little32(16) + Format(1, 2, 44100, 4, 16).substr(0, 8)), readError},
        {"cut file", whole.substr(0, whole.size() - 500), readError},
        {"data size 0xFFFFFFF0", Riff(fmt + "data" + Little32(0xFFFFFFF0) + Ramp(64)), readError},
        {"chunk of size 0xFFFFFFF8 before fmt", Riff(Chunk("junk", "abcd", 0xFFFFFFF8) + fmt + data), corrupt},
    };
}

}

TEST_F(WaveFiles, FormatNumbersAreBuiltFromTheFile)
{
    struct Case
    {
        std::uint32_t channels, rate, bits, dataBytes;
        std::uint16_t blockAlign;
        std::uint32_t average, frames;
    };
    for (const Case& c : {Case{2, 44100, 16, 4000, 4, 176400, 1000}, Case{1, 22050, 8, 101, 1, 22050, 101}})
    {
        WriteFile("w.wav", Pcm(c.channels, c.rate, c.bits, Ramp(c.dataBytes)));
        auto wave = SoundLib::GetWaveResource(PathOf("w.wav"));
        ASSERT_TRUE(wave);
        ASSERT_EQ(wave->GetState(), BaseLib::ResourceLoaded) << c.bits << " bits";
        EXPECT_EQ(wave->format,
                  (Platform::WaveFormat{1, static_cast<std::uint16_t>(c.channels), c.rate, c.average, c.blockAlign,
                                        static_cast<std::uint16_t>(c.bits), 18}));
        EXPECT_EQ(wave->frameCount, c.frames);
        EXPECT_EQ(wave->GetSize(), c.dataBytes);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(wave->data.get()), wave->dataSize), Ramp(c.dataBytes));
        wave.Clear();
        CSoundDeviceRegistry::DestroyInstance(); // the next case reads the rewritten file
    }
}

TEST_F(WaveFiles, DamagedFilesAreRefusedWithTheirTrace)
{
    for (const LoadCase& c : LoadCases())
    {
        SCOPED_TRACE(c.fixture);
        WriteFile("case.wav", c.bytes);
        Platform::DebugOutputCapture capture;
        std::size_t largest = 0;
        BaseLib::CResourcePtr<SoundLib::CWaveResource> wave;
        {
            AllocationPeakScope peak;
            wave = SoundLib::GetWaveResource(PathOf("case.wav"));
            largest = peak.Largest();
        }
        ASSERT_TRUE(wave);
        if (c.trace == nullptr)
        {
            EXPECT_EQ(wave->GetState(), BaseLib::ResourceLoaded);
            EXPECT_EQ(capture.Text(), "");
            EXPECT_EQ(wave->dataSize, 400u);
        }
        else
        {
            EXPECT_EQ(wave->GetState(), BaseLib::ResourceUnloaded);
            EXPECT_EQ(capture.Text(), "Error: " + PathOf("case.wav") + c.trace);
            EXPECT_EQ(wave->data, nullptr);
            EXPECT_EQ(wave->dataSize, 0u);
            EXPECT_LE(largest, std::max<std::size_t>(c.bytes.size(), 4096)); // nothing sized by a stated length
        }
        wave.Clear();
        CSoundDeviceRegistry::DestroyInstance();
    }
}

TEST_F(WaveFiles, AMissingFileFailsWithoutATrace)
{
    Platform::DebugOutputCapture capture;
    auto wave = SoundLib::GetWaveResource(PathOf("missing.wav"));
    ASSERT_TRUE(wave);
    EXPECT_EQ(wave->GetState(), BaseLib::ResourceUnloaded);
    EXPECT_EQ(capture.Text(), "");
    SoundLib::CCachedWaveSampleSource source(wave);
    EXPECT_FALSE(source.IsValid());
    EXPECT_EQ(source.GetLength(), 0.0);
    std::string out(8, 'x');
    EXPECT_EQ(source.Read(out.data(), 8, true), 0u);
    EXPECT_EQ(out, std::string(8, '\0'));
}

TEST_F(WaveFiles, SourceReadsLoopsAndFillsWithZeros)
{
    const std::string data = Ramp(1000);
    auto source = SourceOf(Pcm(2, 44100, 16, data));
    ASSERT_TRUE(source.IsValid());
    EXPECT_EQ(source.GetLengthBytes(), 1000u);
    EXPECT_EQ(source.GetLengthFrames(), 250u);
    EXPECT_DOUBLE_EQ(source.GetLength(), 250.0 / 44100.0);
    EXPECT_EQ(source.GetBytesPerSecond(), 176400u);

    std::string out(2000, 'x');
    EXPECT_EQ(source.Read(out.data(), 2000, true), 2000u);
    EXPECT_EQ(out, data + data);

    source.Seek(0.0);
    out.assign(2000, 'x');
    EXPECT_EQ(source.Read(out.data(), 2000, false), 1000u);
    EXPECT_EQ(out, data + std::string(1000, '\0'));

    // A read that starts in the middle and wraps.
    source.Seek(source.GetLength() / 2);
    out.assign(1000, 'x');
    EXPECT_EQ(source.Read(out.data(), 1000, true), 1000u);
    EXPECT_EQ(out, data.substr(500) + data.substr(0, 500));
}

TEST_F(WaveFiles, SeekClampsToTheDataAndTellFollows)
{
    auto source = SourceOf(Pcm(1, 1000, 8, Ramp(1000))); // one second
    for (double t : {0.0, -1.0, std::nan("")})
    {
        source.Seek(0.5);
        source.Seek(t);
        EXPECT_EQ(source.Tell(), 0.0) << t;
    }
    source.Seek(0.25);
    EXPECT_NEAR(source.Tell(), 0.25, 1e-9);

    source.Seek(5.0);
    EXPECT_DOUBLE_EQ(source.Tell(), 1.0);
    std::string out(10, 'x');
    EXPECT_EQ(source.Read(out.data(), 10, false), 0u);
    EXPECT_EQ(out, std::string(10, '\0'));
    source.Seek(1e300);
    EXPECT_EQ(source.Read(out.data(), 10, true), 10u);
    EXPECT_EQ(out, Ramp(10));
}

TEST_F(WaveFiles, AnEmptyDataChunkReadWithLoopReturnsAtOnce)
{
    auto source = SourceOf(Pcm(2, 44100, 16, ""));
    ASSERT_TRUE(source.IsValid());
    EXPECT_EQ(source.GetLength(), 0.0);
    std::string out(64, 'x');
    EXPECT_EQ(source.Read(out.data(), 64, true), 0u);
    EXPECT_EQ(out, std::string(64, '\0'));
    source.Seek(3.0);
    EXPECT_EQ(source.Tell(), 0.0);
}

TEST_F(WaveFiles, AliasAndResolvedPathShareOneResourceAndNothingIsLeftAtTheEnd)
{
    WriteFile("sounds/a.wav", Pcm(1, 8000, 8, Ramp(80)));
    BaseLib::CPathAliases aliases;
    aliases.RegisterPathAlias("sound", Root().string() + "/sounds");
    CSoundDeviceRegistry::GetInstance()->SetPathAliases(&aliases);

    Platform::DebugOutputCapture capture;
    {
        auto byAlias = SoundLib::GetWaveResource("sound>a.wav");
        auto byPath = SoundLib::GetWaveResource(aliases.ResolvePath("sound>a.wav"));
        // The media name in capitals, by alias and by absolute path (the folder above has capitals).
        auto byCapitals = SoundLib::GetWaveResource("sound>A.WAV");
        auto byAbsolutePath = SoundLib::GetWaveResource(Root().string() + "/sounds/A.wav");
        ASSERT_TRUE(byAlias);
        EXPECT_EQ(byAlias.Get(), byPath.Get());
        EXPECT_EQ(byAlias.Get(), byCapitals.Get());
        EXPECT_EQ(byAlias.Get(), byAbsolutePath.Get());
        EXPECT_EQ(byAlias->GetCount(), 4);
        EXPECT_EQ(byAlias->GetState(), BaseLib::ResourceLoaded);
        EXPECT_EQ(byAlias->GetId(), aliases.ResolvePath("sound>a.wav"));
    }
    CSoundDeviceRegistry::DestroyInstance();
    EXPECT_EQ(capture.Text(), "");
}
