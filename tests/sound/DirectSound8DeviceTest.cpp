// The real device and its voices over the audio layer's scripted stand-in: cursors and status are set by
// the test, every call of the layer is recorded, and the registry's clock is driven by the counter.

#include "sound/DirectSound8Device.h"

#include "OggWriter.h"
#include "WaveBytes.h"
#include "platform/Counter.h"
#include "platform/audio/ScriptedAudio.h"
#include "platform/os/DebugOutput.h"
#include "sound/SoundDeviceRegistry.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using Platform::ScriptedAudioBuffer;
using Platform::ScriptedAudioDevice;
using SoundLib::CDirectSound8Device;
using SoundLib::CDirectSound8Voice;
using SoundLib::CSoundDeviceRegistry;

namespace
{

class DirectSound8 : public TempFolderTest
{
protected:
    void SetUp() override
    {
        TempFolderTest::SetUp();
        CSoundDeviceRegistry::DestroyInstance();
        previous = Platform::SetAudioDeviceFactory(ScriptedAudioDevice::Factory(&scripted));
        Platform::SetCounterOverride(1000 * Platform::CounterFrequency());
        ASSERT_EQ(CDirectSound8Device::Create(nullptr, true), 0);
        device = static_cast<CDirectSound8Device*>(CSoundDeviceRegistry::GetInstance()->GetDevice(0));
        ASSERT_NE(scripted, nullptr);
        CSoundDeviceRegistry::GetInstance()->Tick();
    }
    void TearDown() override
    {
        CSoundDeviceRegistry::DestroyInstance();
        Platform::ClearCounterOverride();
        Platform::SetAudioDeviceFactory(previous);
        TempFolderTest::TearDown();
    }

    // Moves the clock and ticks the registry (the update thread's work).
    void Tick(std::uint64_t milliseconds)
    {
        Platform::AdvanceCounterOverride(milliseconds * Platform::CounterFrequency() / 1000);
        CSoundDeviceRegistry::GetInstance()->Tick();
    }

    std::string WriteWave(const std::string& name, std::uint32_t channels, std::uint32_t rate, std::uint32_t bits,
                          std::uint32_t bytes)
    {
        WriteFile(name, WaveBytes::Pcm(channels, rate, bits, WaveBytes::Ramp(bytes)));
        return PathOf(name);
    }

    std::string WriteOgg(const std::string& name, int channels, long rate, double seconds)
    {
        const long frames = std::lround(seconds * static_cast<double>(rate));
        WriteFile(name, OggWriter::Encode(channels, rate, OggWriter::Tone(channels, rate, frames, 330.0)));
        return PathOf(name);
    }

    CDirectSound8Voice& Voice(int index) { return *device->GetDSVoice(index); }
    // The layer buffer of the voice most recently loaded.
    ScriptedAudioBuffer& LastBuffer() { return *scripted->buffers.back(); }

    // Loads a short wave into the voice and plays it: a busy voice at that priority.
    void MakeBusy(int index, float priority)
    {
        ASSERT_TRUE(Voice(index).Load(busyWave, false));
        Voice(index).SetPriority(priority);
        ASSERT_TRUE(Voice(index).Play());
    }

    Platform::AudioDeviceFactory previous;
    ScriptedAudioDevice* scripted = nullptr;
    CDirectSound8Device* device = nullptr;
    std::string busyWave;
};

}

TEST(DirectSound8Units, ConversionTable)
{
    struct VolumeCase
    {
        float percent;
        std::int32_t millibels;
    };
    for (const VolumeCase& c : {VolumeCase{100, 0}, VolumeCase{50, -693}, VolumeCase{0, -10000}, VolumeCase{-5, -10000},
                                VolumeCase{std::nanf(""), -10000}, VolumeCase{0.0001f, -10000}})
    {
        EXPECT_EQ(CDirectSound8Voice::VolumeToMillibels(c.percent), c.millibels) << c.percent;
    }
    struct PanCase
    {
        float pan;
        std::int32_t millibels;
    };
    for (const PanCase& c : {PanCase{1, 10000}, PanCase{-0.5f, -693}, PanCase{0, 0}, PanCase{-3, -10000},
                             PanCase{std::nanf(""), 0}, PanCase{0.5f, 693}})
    {
        EXPECT_EQ(CDirectSound8Voice::PanToMillibels(c.pan), c.millibels) << c.pan;
    }
    EXPECT_EQ(CDirectSound8Voice::MillibelsToPan(10000), 1.0f);
    EXPECT_EQ(CDirectSound8Voice::MillibelsToPan(-10000), -1.0f);
    EXPECT_NEAR(CDirectSound8Voice::MillibelsToPan(-693), -0.5f, 1e-3);
    EXPECT_NEAR(CDirectSound8Voice::MillibelsToVolume(-693), 50.0f, 0.01);
    EXPECT_EQ(CDirectSound8Voice::MillibelsToVolume(0), 100.0f);
}

TEST_F(DirectSound8, VoiceTurnsItsValuesIntoTheLayersUnits)
{
    ASSERT_TRUE(Voice(0).Load(WriteWave("m.wav", 1, 22050, 16, 4410), false));
    ScriptedAudioBuffer& buffer = LastBuffer();
    Voice(0).SetVolume(200.0f);
    EXPECT_EQ(buffer.volume, 0);
    Voice(0).SetVolume(50.0f);
    EXPECT_EQ(buffer.volume, -693);
    Voice(0).SetPan(1.0f);
    EXPECT_EQ(buffer.pan, 10000);
    EXPECT_EQ(Voice(0).GetPan(), 1.0f);
    Voice(0).SetPitch(2.0f);
    EXPECT_EQ(buffer.frequency, 44100u);
    Voice(0).SetPitch(std::nanf(""));
    Voice(0).SetPitch(1e30f);
    EXPECT_EQ(buffer.frequency, 44100u); // refused: the previous frequency stays
    Voice(0).SetPitch(0.0f);
    EXPECT_EQ(buffer.frequency, 0u); // the recorded rate
}

TEST_F(DirectSound8, AllocationByPriority)
{
    busyWave = WriteWave("busy.wav", 1, 22050, 16, 4410);
    for (int i = 0; i < 16; ++i)
    {
        MakeBusy(i, 0.0f);
    }
    EXPECT_EQ(device->AllocateVoice(0.0f), -1);
    EXPECT_EQ(device->AllocateVoice(1.0f), 0);

    const float priorities[3] = {3, 1, 2};
    for (int i = 0; i < 16; ++i)
    {
        Voice(i).SetPriority(i < 3 ? priorities[i] : 4.0f);
    }
    EXPECT_EQ(device->AllocateVoice(5.0f), 1);

    // A free voice after busy ones wins over a lower-priority busy one before it.
    Voice(0).SetPriority(0.0f);
    Voice(9).Stop();
    EXPECT_EQ(device->AllocateVoice(5.0f), 9);
    Voice(9).Reserve();
    EXPECT_EQ(device->AllocateVoice(5.0f), 0);

    device->SetEnabled(false);
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_FALSE(Voice(i).IsPlaying()) << i;
    }
    EXPECT_EQ(device->AllocateVoice(1000.0f), -1);
    EXPECT_TRUE(Voice(0).Play()); // nothing happens while disabled, and that is success
    EXPECT_FALSE(Voice(0).IsPlaying());
}

TEST_F(DirectSound8, LoadingChoosesSourceAndBuffer)
{
    Platform::DebugOutputCapture capture;
    EXPECT_FALSE(Voice(0).Load(WriteWave("stereo.wav", 2, 22050, 16, 4000), true));
    EXPECT_EQ(capture.Text(), "Error: sample cannot be a 3D-Sound; it has more than one cannel!\n");
    EXPECT_FALSE(Voice(0).HasBuffer());

    ASSERT_TRUE(Voice(1).Load(WriteOgg("short.ogg", 1, 22050, 1.5), false));
    EXPECT_FALSE(Voice(1).IsStreaming());
    EXPECT_EQ(LastBuffer().size, 66150u);
    ASSERT_TRUE(Voice(2).Load(WriteOgg("long.ogg", 1, 22050, 3.0), true));
    EXPECT_TRUE(Voice(2).IsStreaming());
    EXPECT_EQ(LastBuffer().size, 44100u); // one second
    EXPECT_TRUE(Voice(2).Is3D());
    EXPECT_TRUE(LastBuffer().sendBound);

    EXPECT_FALSE(Voice(3).Load("x.mp3", false));
    EXPECT_FALSE(Voice(3).Load("a", false));
    EXPECT_EQ(device->PlayOneShot("x.mp3", 100.0f, 0.0f, false), -1);

    capture.Clear();
    // A format no voice can play is refused when the file is read, with its reason.
    const std::string deep = WriteWave("deep.wav", 2, 44100, 24, 600);
    EXPECT_FALSE(Voice(4).Load(deep, false));
    EXPECT_EQ(capture.Text(),
              "Error: " + deep + " - 24-bit samples cannot be played; only 8 and 16 bit PCM can\n");

    // A new load resets the voice and tells the previous owner.
    int detached = 0;
    Voice(1).SetOwnerCallback([&] { ++detached; });
    Voice(1).SetVolume(30.0f);
    ASSERT_TRUE(Voice(1).Load(WriteWave("m.wav", 1, 22050, 16, 4410), false));
    EXPECT_EQ(detached, 1);
    EXPECT_EQ(Voice(1).GetVolume(), 100.0f);
}

TEST_F(DirectSound8, StreamingRefillsTheRingBehindThePlayCursor)
{
    // 3.5 s of 16-bit mono at 22050 Hz: 154350 bytes through a ring of 44100.
    CDirectSound8Voice& voice = Voice(0);
    ASSERT_TRUE(voice.Load(WriteOgg("stream.ogg", 1, 22050, 3.5), false));
    ScriptedAudioBuffer& ring = LastBuffer();
    const std::string b = "b" + std::to_string(ring.id) + "."; // the probe's buffer came first
    ASSERT_TRUE(voice.Play());
    EXPECT_TRUE(scripted->Called(b + "Lock(0,44100)"));
    EXPECT_TRUE(scripted->Called(b + "Play(1)"));
    const std::vector<std::uint8_t> opening = ring.bytes;

    struct Step
    {
        std::uint32_t play, write;
        const char* lock; // expected Lock arguments, or "" for no Lock
        int state;
        std::uint32_t nextWrite;
    };
    const Step steps[] = {
        {10000, 12000, "0,10000", 1, 10000},
        {30000, 32000, "10000,20000", 1, 30000},
        {5000, 7000, "30000,19100", 1, 5000},
        {25000, 27000, "5000,20000", 1, 25000},
        {44000, 100, "25000,19000", 1, 44000},
        {20000, 22000, "44000,20100", 1, 20000},
        {40000, 42000, "20000,20000", 2, 40000}, // 2050 bytes were left: the end at 22050
        {40000, 42000, "", 2, 40000},                     // nothing to do at the same cursor
        {10000, 12000, "40000,14100", 3, 10000}, // the data ended in a part running to the end
    };
    for (const Step& step : steps)
    {
        SCOPED_TRACE(step.lock);
        ring.playCursor = step.play;
        ring.writeCursor = step.write;
        scripted->calls.clear();
        Tick(33);
        if (*step.lock != '\0')
        {
            EXPECT_TRUE(scripted->Called(b + "Lock(" + step.lock + ")"));
        }
        else
        {
            EXPECT_EQ(scripted->calls, std::vector<std::string>{"Commit()"});
        }
        EXPECT_EQ(voice.GetStreamState(), step.state);
        EXPECT_EQ(voice.GetNextWriteOffset(), step.nextWrite);
        if (step.state == 2)
        {
            // State 2: the position counts back from the source's end at the end offset.
            const std::uint32_t ahead = (22050 + 44100 - step.play) % 44100;
            EXPECT_NEAR(voice.GetPlayPosition(), 3.5 - ahead / 44100.0, 1e-3);
        }
    }
    EXPECT_EQ(voice.GetEndOffset(), 22050u);
    EXPECT_TRUE(scripted->Called(b + "Play(0)")); // the last pass plays to the ring's end
    EXPECT_EQ(ring.status, Platform::AudioStatusPlaying);
    // State 3: the position counts from the source's end.
    ring.playCursor = 30000;
    EXPECT_DOUBLE_EQ(voice.GetPlayPosition(), 3.5);
    ring.playCursor = 20000;
    EXPECT_NEAR(voice.GetPlayPosition(), 3.5 - 2050.0 / 44100.0, 1e-3);
    // No refill in state 3.
    scripted->calls.clear();
    ring.playCursor = 30000;
    Tick(33);
    EXPECT_EQ(scripted->calls, std::vector<std::string>{"Commit()"});
    // Paused and resumed in state 3: plays on without looping.
    voice.Pause();
    scripted->calls.clear();
    EXPECT_TRUE(voice.Play());
    EXPECT_EQ(scripted->calls, std::vector<std::string>{b + "Play(0)"});

    // The last pass over, the source was rewound: playing again fills the ring from the start.
    ring.status = 0;
    std::fill(ring.bytes.begin(), ring.bytes.end(), std::uint8_t{0x55});
    ASSERT_TRUE(voice.Play());
    EXPECT_EQ(voice.GetStreamState(), 1);
    EXPECT_TRUE(ring.bytes == opening) << "the refill after the end does not start at the beginning";
}

TEST_F(DirectSound8, StreamPausedAndResumedKeepsItsRing)
{
    CDirectSound8Voice& voice = Voice(0);
    ASSERT_TRUE(voice.Load(WriteOgg("stream.ogg", 1, 22050, 3.5), false));
    ScriptedAudioBuffer& ring = LastBuffer();
    const std::string b = "b" + std::to_string(ring.id) + ".";
    ASSERT_TRUE(voice.Play());
    ring.playCursor = 10000;
    ring.writeCursor = 12000;
    Tick(33);
    ASSERT_EQ(voice.GetNextWriteOffset(), 10000u);
    // Position in state 1: what the source read, less what lies ahead of the play cursor.
    ring.playCursor = 4000;
    EXPECT_NEAR(voice.GetPlayPosition(), (54100.0 - 6000.0) / 44100.0, 0.01);

    voice.Pause();
    EXPECT_TRUE(voice.IsPaused());
    scripted->calls.clear();
    EXPECT_TRUE(voice.Play());
    EXPECT_EQ(scripted->calls, std::vector<std::string>{b + "Play(1)"}); // no refill of the ring
    EXPECT_EQ(voice.GetNextWriteOffset(), 10000u);
    EXPECT_EQ(voice.GetStreamState(), 1);

    // The unsafe region between the cursors is never written.
    Platform::DebugOutputCapture capture;
    ring.playCursor = 9000;
    ring.writeCursor = 11000;
    scripted->calls.clear();
    Tick(33);
    EXPECT_EQ(capture.Text(), "Warning: write cursor in unsafe position\n");
    EXPECT_EQ(scripted->calls, std::vector<std::string>{"Commit()"});

    // After Stop, Play refills from the start.
    voice.Stop();
    scripted->calls.clear();
    ASSERT_TRUE(voice.Play());
    EXPECT_TRUE(scripted->Called(b + "Lock(0,44100)"));
}

TEST_F(DirectSound8, FadesRunOnTheRegistryClock)
{
    CDirectSound8Voice& voice = Voice(0);
    ASSERT_TRUE(voice.Load(WriteWave("m.wav", 1, 22050, 16, 44100), false));
    ScriptedAudioBuffer& buffer = LastBuffer();
    ASSERT_TRUE(voice.Play());
    voice.FadeTo(0.0f, 1000);
    EXPECT_TRUE(voice.IsFading());
    Tick(500);
    EXPECT_NEAR(voice.GetVolume(), 50.0f, 0.5f);
    buffer.playCursor = 3000;
    Tick(500);
    EXPECT_FALSE(voice.IsFading());
    EXPECT_FALSE(voice.IsPlaying());
    EXPECT_EQ(buffer.playCursor, 0u); // stopped at position 0
    EXPECT_EQ(buffer.volume, -10000);

    // Same target, longer: the running fade goes on; shorter: it starts again.
    voice.SetVolume(100.0f);
    ASSERT_TRUE(voice.Play());
    voice.FadeTo(20.0f, 1000);
    Tick(400);
    voice.FadeTo(20.0f, 5000);
    Tick(600);
    EXPECT_FALSE(voice.IsFading());
    EXPECT_NEAR(voice.GetVolume(), 20.0f, 0.1f);
    voice.FadeTo(80.0f, 1000);
    Tick(500);
    voice.FadeTo(80.0f, 100);
    Tick(100);
    EXPECT_FALSE(voice.IsFading());
    EXPECT_NEAR(voice.GetVolume(), 80.0f, 0.1f);

    Platform::DebugOutputCapture capture;
    voice.FadeTo(10.0f, 1000);
    voice.SetVolume(60.0f);
    EXPECT_EQ(capture.Text(), "Warning: voice 0 was fading, fade stopped because SetVolume was called!\n");
    EXPECT_FALSE(voice.IsFading());

    voice.FadeOut(200);
    Tick(250);
    EXPECT_FALSE(voice.IsPlaying());
    EXPECT_EQ(voice.GetPlayPosition(), 0.0);
}

TEST_F(DirectSound8, SeveralListenersCombineIntoOnePlacement)
{
    ASSERT_TRUE(Voice(0).Load(WriteWave("m.wav", 1, 22050, 16, 4410), true));
    ScriptedAudioBuffer& buffer = LastBuffer();
    ASSERT_TRUE(Voice(0).Play());
    ASSERT_TRUE(device->SetListenerCount(2));
    const BaseLib::CVector3 front(0, 0, 1), top(0, 1, 0), still;
    ASSERT_TRUE(device->SetListener(0, {0, 0, 0}, front, top, still));
    ASSERT_TRUE(device->SetListener(1, {10, 0, 0}, front, top, still));
    EXPECT_TRUE(Voice(0).SetPosition({2, 0, 0}));
    Tick(33);
    EXPECT_NEAR(buffer.committed.position.x, 1.41f, 0.01f); // on the right, nearer the first listener
    EXPECT_NEAR(buffer.committed.position.y, 0.0f, 1e-5f);
    EXPECT_NEAR(buffer.committed.position.z, 0.0f, 1e-5f);

    // The voice where both listeners stand: nothing to weigh.
    ASSERT_TRUE(device->SetListener(1, {0, 0, 0}, front, top, still));
    Voice(0).SetPosition({0, 0, 0});
    Tick(33);
    EXPECT_EQ(buffer.committed.position.x, 0.0f);
    EXPECT_FALSE(std::isnan(buffer.committed.position.x));

    // A listener without a frame is refused and the record kept.
    EXPECT_FALSE(device->SetListener(1, {5, 5, 5}, {0, 0, 0}, top, still));
    EXPECT_FALSE(device->SetListener(1, {5, 5, 5}, top, top, still));
    EXPECT_EQ(device->GetListenerPosition(1), BaseLib::CVector3(0, 0, 0));
}

TEST_F(DirectSound8, DeviceDescribesItselfAndItsSettings)
{
    EXPECT_STREQ(device->GetName(), "DirectSound8 Default Device");
    EXPECT_EQ(device->GetVoiceCount(), 16);
    EXPECT_EQ(device->GetCaps()->eaxVersion, 2u);
    EXPECT_TRUE(device->SetEnvironment(26));
    EXPECT_EQ(scripted->environment, 0);
    EXPECT_TRUE(device->SetEnvironment(7));
    EXPECT_EQ(scripted->environment, 7);
    device->SetSpeakerMode(SoundLib::SpeakerModeSurround);
    EXPECT_EQ(scripted->speakers, Platform::AudioSpeakerCombined(Platform::AudioSpeakerSurround, 20));
    EXPECT_EQ(device->GetSpeakerMode(), SoundLib::SpeakerModeSurround);
    EXPECT_EQ(device->GetSpeakerCount(), 2);
    device->SetSpeakerMode(SoundLib::SpeakerMode71);
    EXPECT_EQ(device->GetSpeakerCount(), 8);
    EXPECT_STREQ(CDirectSound8Device::DescribeResult(0x88780078),
                 "DSERR_NODRIVER: No sound driver is available for use, or the given GUID is not a valid DirectSound device ID.");
    EXPECT_STREQ(CDirectSound8Device::DescribeResult(1), "unknown error code - maybe not a directsound error?");
    EXPECT_TRUE(scripted->Called("listener.SetAllParameters(rolloff 1.000000,doppler 1.000000,immediate)"));
}

TEST_F(DirectSound8, WithoutOutputCreateAnswersMinusOne)
{
    Platform::SetAudioDeviceFactory(ScriptedAudioDevice::Factory(nullptr, Platform::AudioErrNoDriver));
    EXPECT_EQ(CDirectSound8Device::Create(nullptr, false), -1);
    EXPECT_EQ(CSoundDeviceRegistry::GetInstance()->GetDeviceCount(), 1);
}
