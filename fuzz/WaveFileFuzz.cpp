// The wave loader (the RIFF reader under it) and the cached source over what it loaded: read through
// with and without looping, seek and tell.

#include "fuzz/FuzzSupport.h"
#include "sound/CachedWaveSampleSource.h"
#include "sound/SoundDeviceRegistry.h"
#include "sound/WaveResource.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::MuteTraces();
    {
        const Fuzz::InputFile input(data, size, ".wav");
        SoundLib::CCachedWaveSampleSource source(SoundLib::GetWaveResource(input.Path()));
        if (source.IsValid())
        {
            std::vector<std::uint8_t> buffer(4096);
            source.Read(buffer.data(), static_cast<std::uint32_t>(buffer.size()), true);
            source.Seek(source.GetLength() * 0.75);
            source.Read(buffer.data(), static_cast<std::uint32_t>(buffer.size()), false);
            source.Tell();
            source.GetBytesPerSecond();
        }
    }
    // Each input starts from an empty wave registry.
    SoundLib::CSoundDeviceRegistry::DestroyInstance();
    return 0;
}
