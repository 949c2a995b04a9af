// Sixteen voices of the real device on OpenAL Soft's null backend (set here) for about 3 s of playback:
// 8 stream generated stereo 44.1 kHz Ogg files, 8 play static waves whose volume fades to and fro. The
// registry's Tick (the device's Update: fades, refills with Ogg decoding, commits) is called here every
// 33 ms, as the update thread would. Reports the mean and largest Tick and the process's CPU time per
// second of playback (getrusage: OpenAL Soft's mixing included). The files are generated here.

#include "sound/DirectSound8Device.h"
#include "sound/DirectSound8Voice.h"
#include "sound/SoundDeviceRegistry.h"
#include "tests/sound/OggWriter.h"
#include "tests/sound/WaveBytes.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

std::string ScratchFile(const std::string& name, const std::string& bytes)
{
    const auto path = std::filesystem::temp_directory_path() / ("quarrow-bench-" + std::to_string(::getpid()) + "-" + name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
}

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

void BM_SixteenVoicesMixing(benchmark::State& state)
{
    ::setenv("ALSOFT_DRIVERS", "null", 1);
    std::vector<std::string> streams;
    std::vector<std::string> waves;
    for (int i = 0; i < 8; ++i)
    {
        // 4 s each (streamed: longer than 2 s), a different pitch per file.
        streams.push_back(ScratchFile("mix" + std::to_string(i) + ".ogg",
                                      OggWriter::Encode(2, 44100, OggWriter::Tone(2, 44100, 4 * 44100, 220.0 + 40.0 * i, 0.3))));
        const std::vector<std::int16_t> tone = OggWriter::Tone(2, 44100, 44100, 300.0 + 25.0 * i, 0.3);
        waves.push_back(ScratchFile("mix" + std::to_string(i) + ".wav",
                                    WaveBytes::Pcm(2, 44100, 16, std::string(reinterpret_cast<const char*>(tone.data()), tone.size() * 2))));
    }

    for (auto _ : state)
    {
        SoundLib::CSoundDeviceRegistry::DestroyInstance();
        if (SoundLib::CDirectSound8Device::Create(nullptr, true) != 0)
        {
            state.SkipWithError("no sound device");
            return;
        }
        auto* registry = SoundLib::CSoundDeviceRegistry::GetInstance();
        auto* device = static_cast<SoundLib::CDirectSound8Device*>(registry->GetDevice(0));
        for (int i = 0; i < 16; ++i)
        {
            SoundLib::CDirectSound8Voice& voice = *device->GetDSVoice(i);
            voice.Load(i < 8 ? streams[i] : waves[i - 8], false);
            voice.SetLooping(true);
            voice.Play();
        }

        constexpr int Ticks = 91; // about 3 s
        double tickSum = 0.0;
        double tickMax = 0.0;
        const double cpuBefore = CpuSeconds();
        const Clock::time_point start = Clock::now();
        for (int tick = 0; tick < Ticks; ++tick)
        {
            if (tick % 15 == 0)
            {
                // Half a second down to 20 %, half a second back up: the static voices always fade.
                for (int i = 8; i < 16; ++i)
                {
                    device->GetDSVoice(i)->FadeTo(tick % 30 == 0 ? 20.0f : 100.0f, 500);
                }
            }
            const Clock::time_point before = Clock::now();
            registry->Tick();
            const double seconds = std::chrono::duration<double>(Clock::now() - before).count();
            tickSum += seconds;
            tickMax = std::max(tickMax, seconds);
            std::this_thread::sleep_until(start + std::chrono::milliseconds(33 * (tick + 1)));
        }
        const double played = std::chrono::duration<double>(Clock::now() - start).count();
        const double cpu = CpuSeconds() - cpuBefore;
        int playing = 0;
        for (int i = 0; i < 16; ++i)
        {
            playing += device->GetDSVoice(i)->IsPlaying() ? 1 : 0;
        }
        SoundLib::CSoundDeviceRegistry::DestroyInstance();

        state.counters["tick_mean_us"] = tickSum / Ticks * 1e6;
        state.counters["tick_max_us"] = tickMax * 1e6;
        state.counters["cpu_s_per_s"] = cpu / played;
        state.counters["voices_playing"] = playing;
    }
    state.counters["cores"] = static_cast<double>(std::thread::hardware_concurrency());
    for (const std::string& path : streams)
    {
        std::filesystem::remove(path);
    }
    for (const std::string& path : waves)
    {
        std::filesystem::remove(path);
    }
}
BENCHMARK(BM_SixteenVoicesMixing)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
