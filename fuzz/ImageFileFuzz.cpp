// The checked reading step for image files, DevIL's decoding behind it and the DDS reader. Inputs are
// named ".tga" so that the one type told by its name is reached too; the others are told by their bytes.

#include "fuzz/FuzzSupport.h"
#include "platform/gfx/PixelFormat.h"
#include "platform/gfxkit/ImageFile.h"

#include <algorithm>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace Platform::GfxKit;
    Fuzz::MuteTraces();
    const Fuzz::InputFile input(data, size, ".tga");
    ImageInfo header;
    std::string error;
    const bool headerRead = LoadImageFile(input.Path(), header, nullptr, error);
    ImageInfo info;
    ImageLevels levels;
    if (!LoadImageFile(input.Path(), info, &levels, error))
    {
        return 0;
    }
    // What decodes has a readable header of the same image, and every level the header promises.
    if (!headerRead || header.Width != info.Width || header.Height != info.Height ||
        levels.Levels() != info.MipLevels)
    {
        std::abort();
    }
    for (std::uint32_t face = 0; face < levels.Faces(); ++face)
    {
        for (std::uint32_t level = 0; level < levels.Levels(); ++level)
        {
            const std::uint32_t width = std::max(1u, info.Width >> level);
            const std::uint32_t height = std::max(1u, info.Height >> level);
            const std::uint32_t depth = std::max(1u, info.Depth >> level);
            const std::size_t expected =
                static_cast<std::size_t>(Platform::Gfx::RowPitchOf(levels.Format(), width)) *
                Platform::Gfx::RowCountOf(levels.Format(), height) * depth;
            if (levels.LevelSize(face, level) != expected)
            {
                std::abort();
            }
        }
    }
    return 0;
}
