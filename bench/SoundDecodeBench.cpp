// Decoding speed of the sound sources: an Ogg Vorbis file read in 4 KiB pieces as a streaming voice's
// refills read it (how many times faster than real time), and the wave loader on a 10 MB file (MB/s).
// The files are generated here.

#include "sound/OggFile.h"
#include "sound/WaveResource.h"
#include "tests/sound/OggWriter.h"
#include "tests/sound/WaveBytes.h"

#include "foundation/ResourceRegistry.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <vector>

namespace
{

std::string ScratchFile(const std::string& name, const std::string& bytes)
{
    const auto path = std::filesystem::temp_directory_path() / ("quarrow-bench-" + std::to_string(::getpid()) + "-" + name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
}

// 10 s of a stereo 44.1 kHz two-tone signal.
const std::string& OggPath()
{
    static const std::string path = [] {
        std::vector<std::int16_t> a = OggWriter::Tone(2, 44100, 441000, 440.0, 0.3);
        const std::vector<std::int16_t> b = OggWriter::Tone(2, 44100, 441000, 1234.5, 0.2);
        for (std::size_t i = 0; i < a.size(); ++i)
        {
            a[i] = static_cast<std::int16_t>(a[i] + b[i]);
        }
        return ScratchFile("decode.ogg", OggWriter::Encode(2, 44100, a));
    }();
    return path;
}

const std::string& WavePath()
{
    static const std::string path =
        ScratchFile("decode.wav", WaveBytes::Pcm(2, 44100, 16, WaveBytes::Ramp(10 * 1000 * 1000)));
    return path;
}

void OggReadIn4KiBPieces(benchmark::State& state)
{
    SoundLib::COggFile file(OggPath());
    if (!file.IsOpen())
    {
        state.SkipWithError("the generated Ogg file does not open");
        return;
    }
    const double bytesPerSecond = file.GetFormat()->avgBytesPerSec;
    std::vector<std::uint8_t> piece(4096);
    std::uint64_t bytes = 0;
    for (auto _ : state)
    {
        bytes += file.Read(piece.data(), static_cast<std::uint32_t>(piece.size()), true);
        benchmark::DoNotOptimize(piece.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    // Seconds of audio per second of decoding: how many times faster than real time.
    state.counters["realtime_x"] = benchmark::Counter(static_cast<double>(bytes) / bytesPerSecond, benchmark::Counter::kIsRate);
}
BENCHMARK(OggReadIn4KiBPieces);

void WaveLoad10MB(benchmark::State& state)
{
    BaseLib::CResourceRegistry registry;
    SoundLib::CWaveResourceFactory factory(&registry);
    const SoundLib::CWaveResourceParameters parameters(WavePath());
    std::unique_ptr<BaseLib::CResource> resource(factory.Create(parameters));
    std::uint64_t bytes = 0;
    for (auto _ : state)
    {
        if (!factory.Load(resource.get()))
        {
            state.SkipWithError("the generated wave file does not load");
            break;
        }
        bytes += resource->GetSize();
        factory.Unload(resource.get());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(WaveLoad10MB)->Unit(benchmark::kMillisecond);

} // namespace
