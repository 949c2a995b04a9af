// The Ogg Vorbis file: open, read through with looping (bounded), seek, tell.

#include "fuzz/FuzzSupport.h"
#include "sound/OggFile.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::MuteTraces();
    const Fuzz::InputFile input(data, size, ".ogg");
    SoundLib::COggFile file(input.Path());
    if (file.IsOpen())
    {
        std::vector<std::uint8_t> buffer(16384);
        file.Read(buffer.data(), static_cast<std::uint32_t>(buffer.size()), true);
        file.Seek(file.GetLength() / 2);
        file.Tell();
        file.Read(buffer.data(), static_cast<std::uint32_t>(buffer.size()), false);
        file.GetLengthBytes();
    }
    return 0;
}
