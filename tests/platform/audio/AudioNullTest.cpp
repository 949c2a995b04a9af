// The audio layer over OpenAL Soft's null backend (ALSOFT_DRIVERS=null, set by ctest): buffers, refusals,
// deferred 3D settings, reverb environments and the processors of OpenAL's own threads.

#include "AudioTestSupport.h"
#include "platform/os/Sleep.h"
#include "platform/os/Thread.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace Platform;

namespace
{

constexpr std::uint32_t Flags2D = AudioBufferGetCurrentPosition2 | AudioBufferCtrlVolume | AudioBufferCtrlPan | AudioBufferCtrlFrequency;
constexpr std::uint32_t Flags3D = AudioBufferGetCurrentPosition2 | AudioBufferCtrlVolume | AudioBufferCtrl3D | AudioBufferCtrlFrequency;

std::unique_ptr<IAudioDevice> OpenDevice()
{
    std::unique_ptr<IAudioDevice> device;
    EXPECT_EQ(CreateAudioDevice(device), AudioOk);
    return device;
}

bool IsPlaying(IAudioBuffer& buffer)
{
    std::uint32_t status = 0;
    buffer.GetStatus(status);
    return (status & AudioStatusPlaying) != 0;
}

std::uint32_t PlayCursor(IAudioBuffer& buffer)
{
    std::uint32_t play = 0;
    std::uint32_t write = 0;
    buffer.GetCurrentPosition(&play, &write);
    return play;
}

// Waits up to a second for the condition.
template <typename Condition> bool Eventually(Condition condition)
{
    for (int i = 0; i < 100 && !condition(); ++i)
    {
        Platform::Sleep(10);
    }
    return condition();
}

}

TEST(AudioNull, StaticBufferPlaysStopsResumesAndStartsOverAfterItsEnd)
{
    auto device = OpenDevice();
    ASSERT_TRUE(device);
    // A tenth of a second of 16-bit mono at 8 kHz.
    auto buffer = AudioTest::MakeBuffer(*device, AudioTest::Pcm(1, 8000, 16), std::vector<std::uint8_t>(1600, 0), Flags2D);
    ASSERT_TRUE(buffer);
    EXPECT_FALSE(IsPlaying(*buffer));

    ASSERT_EQ(buffer->Play(0), AudioOk);
    EXPECT_TRUE(IsPlaying(*buffer));
    ASSERT_TRUE(Eventually([&] { return PlayCursor(*buffer) > 0; }));
    // Play on a playing buffer does not restart it.
    const std::uint32_t before = PlayCursor(*buffer);
    buffer->Play(0);
    EXPECT_GE(PlayCursor(*buffer), before);
    ASSERT_TRUE(Eventually([&] { return !IsPlaying(*buffer); })) << "stops after its length";
    EXPECT_EQ(PlayCursor(*buffer), 0u);

    // Stop keeps the position, Play resumes from it.
    auto longer = AudioTest::MakeBuffer(*device, AudioTest::Pcm(1, 8000, 16), std::vector<std::uint8_t>(16000, 0), Flags2D);
    longer->Play(0);
    ASSERT_TRUE(Eventually([&] { return PlayCursor(*longer) > 1000; }));
    longer->Stop();
    EXPECT_FALSE(IsPlaying(*longer));
    const std::uint32_t kept = PlayCursor(*longer);
    EXPECT_GT(kept, 1000u);
    Platform::Sleep(50);
    EXPECT_EQ(PlayCursor(*longer), kept);
    longer->Play(0);
    EXPECT_TRUE(IsPlaying(*longer));
    EXPECT_GE(PlayCursor(*longer), kept - kept % 2);
}

TEST(AudioNull, RefusalsCarryTheirCodes)
{
    auto device = OpenDevice();
    ASSERT_TRUE(device);
    struct Case
    {
        const char* what;
        WaveFormat format;
        std::uint32_t bytes;
        AudioResult result;
    };
    WaveFormat wrongAlign = AudioTest::Pcm(2, 44100, 16);
    wrongAlign.blockAlign = 2;
    WaveFormat noExtra = AudioTest::Pcm(1, 44100, 16);
    noExtra.extraSize = 0;
    const Case cases[] = {
        {"size 0", AudioTest::Pcm(1, 44100, 16), 0, AudioErrInvalidParam},
        {"size 0x10000000", AudioTest::Pcm(1, 44100, 16), 0x10000000, AudioErrInvalidParam},
        {"24 bits", AudioTest::Pcm(2, 44100, 24), 600, AudioErrBadFormat},
        {"3 channels", AudioTest::Pcm(3, 44100, 16), 600, AudioErrBadFormat},
        {"rate 50", AudioTest::Pcm(1, 50, 16), 600, AudioErrBadFormat},
        {"block align not channels x bytes", wrongAlign, 600, AudioErrBadFormat},
        {"extra size 18", AudioTest::Pcm(1, 44100, 16), 600, AudioOk},
        {"extra size 0", noExtra, 600, AudioOk},
        {"8 bits stereo, partial last frame", AudioTest::Pcm(2, 22050, 8), 601, AudioOk},
    };
    for (const Case& c : cases)
    {
        std::unique_ptr<IAudioBuffer> buffer;
        EXPECT_EQ(device->CreateBuffer(c.format, c.bytes, Flags2D, buffer), c.result) << c.what;
        EXPECT_EQ(buffer != nullptr, c.result == AudioOk) << c.what;
    }

    auto buffer = AudioTest::MakeBuffer(*device, AudioTest::Pcm(1, 44100, 16), std::vector<std::uint8_t>(600, 0), Flags2D);
    std::int32_t value = 0;
    EXPECT_EQ(buffer->SetVolume(-693), AudioOk);
    EXPECT_EQ(buffer->SetVolume(1), AudioErrInvalidParam);
    buffer->GetVolume(value);
    EXPECT_EQ(value, -693);
    EXPECT_EQ(buffer->SetPan(10001), AudioErrInvalidParam);
    EXPECT_EQ(buffer->SetPan(-693), AudioOk);
    buffer->GetPan(value);
    EXPECT_EQ(value, -693);
    std::uint32_t hertz = 0;
    EXPECT_EQ(buffer->SetFrequency(22050), AudioOk);
    EXPECT_EQ(buffer->SetFrequency(99), AudioErrInvalidParam);
    buffer->GetFrequency(hertz);
    EXPECT_EQ(hertz, 22050u);
    EXPECT_EQ(buffer->SetFrequency(0), AudioOk);
    buffer->GetFrequency(hertz);
    EXPECT_EQ(hertz, 44100u);
    AudioVector position;
    EXPECT_EQ(buffer->SetPosition({1, 2, 3}, AudioApplyImmediate), AudioErrControlUnavail);
}

TEST(AudioNull, LockWrapsIntoTwoParts)
{
    auto device = OpenDevice();
    ASSERT_TRUE(device);
    std::unique_ptr<IAudioBuffer> buffer;
    ASSERT_EQ(device->CreateBuffer(AudioTest::Pcm(2, 44100, 16), 1000, Flags2D, buffer), AudioOk);
    AudioLockedRange range;
    ASSERT_EQ(buffer->Lock(800, 400, range), AudioOk);
    EXPECT_EQ(range.size1, 200u);
    EXPECT_EQ(range.size2, 200u);
    ASSERT_NE(range.part2, nullptr);
    EXPECT_EQ(static_cast<std::uint8_t*>(range.part1) - static_cast<std::uint8_t*>(range.part2), 800);
    EXPECT_EQ(buffer->Unlock(range), AudioOk);
    EXPECT_EQ(buffer->Lock(1000, 10, range), AudioErrInvalidParam);
}

TEST(AudioNull, DeferredPositionTakesEffectAtTheCommit)
{
    auto device = OpenDevice();
    ASSERT_TRUE(device);
    IAudioPrimaryBuffer* primary = nullptr;
    ASSERT_EQ(device->CreatePrimaryBuffer(primary), AudioOk);
    IAudioListener* listener = nullptr;
    ASSERT_EQ(primary->QueryListener(listener), AudioOk);
    auto buffer = AudioTest::MakeBuffer(*device, AudioTest::Pcm(1, 44100, 16), std::vector<std::uint8_t>(600, 0), Flags3D);
    ASSERT_TRUE(buffer);

    AudioVector inEffect;
    ASSERT_EQ(buffer->SetPosition({1.0f, 2.0f, 3.0f}, AudioApplyDeferred), AudioOk);
    AudioVector set;
    buffer->GetPosition(set);
    EXPECT_EQ(set.z, 3.0f); // the getter answers the value set
    buffer->GetPositionInEffect(inEffect);
    EXPECT_EQ(inEffect.z, 0.0f);

    ASSERT_EQ(listener->CommitDeferredSettings(), AudioOk);
    buffer->GetPositionInEffect(inEffect);
    EXPECT_EQ(inEffect.x, 1.0f);
    EXPECT_EQ(inEffect.y, 2.0f);
    EXPECT_EQ(inEffect.z, 3.0f); // negated going in and back coming out

    ASSERT_EQ(buffer->SetPosition({4.0f, 0.0f, -1.0f}, AudioApplyImmediate), AudioOk);
    buffer->GetPositionInEffect(inEffect);
    EXPECT_EQ(inEffect.x, 4.0f);
    EXPECT_EQ(inEffect.z, -1.0f);

    float distance = 0.0f;
    buffer->GetMinDistance(distance);
    EXPECT_EQ(distance, 1.0f);
    buffer->GetMaxDistance(distance);
    EXPECT_EQ(distance, 1e9f);
}

TEST(AudioNull, EnvironmentsLoadTheirPresets)
{
    auto device = OpenDevice();
    ASSERT_TRUE(device);
    std::unique_ptr<IAudioPropertySet> set;
    ASSERT_EQ(device->QueryListenerPropertySet(set), AudioOk);
    std::uint32_t support = 0;
    ASSERT_EQ(set->QuerySupport(AudioReverbAllParameters, support), AudioOk);
    EXPECT_EQ(support, AudioSupportGet | AudioSupportSet);
    EXPECT_EQ(device->GetCurrentEnvironment(), 0);
    EXPECT_EQ(set->Set(AudioReverbEnvironment, 7), AudioOk);
    EXPECT_EQ(device->GetCurrentEnvironment(), 7);
    EXPECT_EQ(set->Set(AudioReverbEnvironment, 26), AudioErrInvalidParam);
    EXPECT_EQ(device->GetCurrentEnvironment(), 7);

    // A 3D buffer's own set binds its send and never fails.
    auto buffer = AudioTest::MakeBuffer(*device, AudioTest::Pcm(1, 44100, 16), std::vector<std::uint8_t>(600, 0), Flags3D);
    std::unique_ptr<IAudioPropertySet> bufferSet;
    EXPECT_EQ(buffer->QueryPropertySet(bufferSet), AudioOk);

    std::uint32_t speakers = 0;
    device->GetSpeakerConfig(speakers);
    EXPECT_EQ(speakers, AudioSpeakerCombined(AudioSpeakerStereo, AudioSpeakerGeometryWide));
}

TEST(AudioNull, OpenAlThreadsMayUseEveryProcessorTheTestThreadHad)
{
    const std::uint64_t all = GetCurrentThreadProcessors();
    if ((all & (all - 1)) == 0)
    {
        GTEST_SKIP() << "one processor only";
    }
    ASSERT_TRUE(SetCurrentThreadProcessors(1));
    auto device = OpenDevice();
    ASSERT_TRUE(device);
    const pid_t self = static_cast<pid_t>(syscall(SYS_gettid));
    DIR* tasks = opendir("/proc/self/task");
    ASSERT_NE(tasks, nullptr);
    int others = 0;
    while (dirent* entry = readdir(tasks))
    {
        const int tid = std::atoi(entry->d_name);
        if (tid <= 0 || tid == self)
        {
            continue;
        }
        cpu_set_t set;
        CPU_ZERO(&set);
        ASSERT_EQ(sched_getaffinity(tid, sizeof set, &set), 0);
        std::uint64_t mask = 0;
        for (int cpu = 0; cpu < 64; ++cpu)
        {
            if (CPU_ISSET(cpu, &set))
            {
                mask |= std::uint64_t{1} << cpu;
            }
        }
        EXPECT_EQ(mask & all, all) << "thread " << tid;
        ++others;
    }
    closedir(tasks);
    EXPECT_GT(others, 0); // OpenAL's mixer thread at least
    device.reset();
    SetCurrentThreadProcessors(all);
}
