#include "sound/OggFileSampleSource.h"

#include "OggWriter.h"
#include "platform/os/DebugOutput.h"
#include "sound/SoundDeviceRegistry.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace
{

class OggFiles : public TempFolderTest
{
protected:
    void SetUp() override
    {
        TempFolderTest::SetUp();
        SoundLib::CSoundDeviceRegistry::DestroyInstance();
    }
    void TearDown() override
    {
        SoundLib::CSoundDeviceRegistry::DestroyInstance();
        TempFolderTest::TearDown();
    }

    // A mono 44.1 kHz tone of that many frames, written as name.
    std::string WriteTone(const std::string& name, long frames, long rate = 44100, int channels = 1)
    {
        WriteFile(name, OggWriter::Encode(channels, rate, OggWriter::Tone(channels, rate, frames, 440.0)));
        return PathOf(name);
    }
};

std::size_t OpenDescriptors()
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
    {
        ++count;
    }
    return count;
}

}

TEST_F(OggFiles, OneSecondToneHasExactLengthAndFormat)
{
    SoundLib::COggFileSampleSource source(WriteTone("tone.ogg", 44100));
    ASSERT_TRUE(source.IsValid());
    EXPECT_DOUBLE_EQ(source.GetLength(), 1.0);
    EXPECT_EQ(source.GetLengthFrames(), 44100u);
    EXPECT_EQ(source.GetLengthBytes(), 88200u);
    EXPECT_EQ(source.GetBytesPerSecond(), 88200u);
    EXPECT_EQ(*source.GetFormat(), (Platform::WaveFormat{1, 1, 44100, 88200, 2, 16, 18}));
}

TEST_F(OggFiles, ReadsTheStreamThenZerosOrLoops)
{
    SoundLib::COggFileSampleSource source(WriteTone("tone.ogg", 44100));
    std::vector<char> out(100000, 'x');
    EXPECT_EQ(source.Read(out.data(), 100000, false), 88200u);
    EXPECT_TRUE(std::all_of(out.begin() + 88200, out.end(), [](char c) { return c == 0; }));
    // The tone is there: the second sample of a 440 Hz sine at half level is well above zero.
    const auto* samples = reinterpret_cast<const std::int16_t*>(out.data());
    EXPECT_GT(samples[10], 1000);

    source.Seek(0.0);
    EXPECT_NEAR(source.Tell(), 0.0, 1e-9);
    std::vector<char> looped(220500, 'x');
    EXPECT_EQ(source.Read(looped.data(), 220500, true), 220500u);
    // The second pass begins where the first did.
    EXPECT_EQ(std::vector<char>(looped.begin() + 88200, looped.begin() + 88400),
              std::vector<char>(looped.begin(), looped.begin() + 200));

    source.Seek(0.5);
    EXPECT_NEAR(source.Tell(), 0.5, 0.01);
}

TEST_F(OggFiles, AStreamWithoutSamplesReadWithLoopReturnsAtOnce)
{
    SoundLib::COggFileSampleSource source(WriteTone("empty.ogg", 0));
    ASSERT_TRUE(source.IsValid());
    EXPECT_EQ(source.GetLengthFrames(), 0u);
    std::vector<char> out(4096, 'x');
    EXPECT_EQ(source.Read(out.data(), 4096, true), 0u);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](char c) { return c == 0; }));
}

TEST_F(OggFiles, FilesThatCannotBePlayedAreRefusedAndLeaveNothingOpen)
{
    {
        Platform::DebugOutputCapture capture;
        SoundLib::COggFileSampleSource missing(PathOf("missing.ogg"));
        EXPECT_FALSE(missing.IsValid());
        EXPECT_EQ(capture.Text(), "Error: failed to open file " + PathOf("missing.ogg") + "\n");
    }

    WriteFile("text.ogg", "this is not an ogg file at all, just some words\n");
    const std::size_t before = OpenDescriptors();
    {
        Platform::DebugOutputCapture capture;
        SoundLib::COggFileSampleSource text(PathOf("text.ogg"));
        EXPECT_FALSE(text.IsValid());
        EXPECT_NE(capture.Text().find(PathOf("text.ogg")), std::string::npos);
        std::vector<char> out(16, 'x');
        EXPECT_EQ(text.Read(out.data(), 16, true), 0u);
        EXPECT_EQ(out, std::vector<char>(16, 0));
        EXPECT_EQ(text.GetLength(), 0.0);
    }
    EXPECT_EQ(OpenDescriptors(), before);

    // Two chained streams at different rates would play the second in the first one's format.
    WriteFile("chained.ogg", OggWriter::Encode(1, 44100, OggWriter::Tone(1, 44100, 4410, 440.0)) +
                                 OggWriter::Encode(1, 22050, OggWriter::Tone(1, 22050, 2205, 440.0)));
    {
        Platform::DebugOutputCapture capture;
        SoundLib::COggFileSampleSource chained(PathOf("chained.ogg"));
        EXPECT_FALSE(chained.IsValid());
        EXPECT_NE(capture.Text().find("Error: " + PathOf("chained.ogg")), std::string::npos);
    }
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST_F(OggFiles, ChainedStreamsOfOneFormatPlayAsOne)
{
    WriteFile("chained.ogg", OggWriter::Encode(2, 22050, OggWriter::Tone(2, 22050, 2205, 440.0)) +
                                 OggWriter::Encode(2, 22050, OggWriter::Tone(2, 22050, 1000, 440.0)));
    SoundLib::COggFileSampleSource chained(PathOf("chained.ogg"));
    ASSERT_TRUE(chained.IsValid());
    EXPECT_EQ(chained.GetLengthFrames(), 3205u);
    std::vector<char> out(3205 * 4 + 100);
    EXPECT_EQ(chained.Read(out.data(), static_cast<std::uint32_t>(out.size()), false), 3205u * 4);
}
