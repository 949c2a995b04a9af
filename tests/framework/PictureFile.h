#pragma once

#include "platform/gfxkit/ImageFile.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace FrameworkTesting
{

// A picture file's pixels as 0xAARRGGBB, top row first; empty when it cannot be read.
inline std::vector<std::uint32_t> ReadPicture(const std::string& path, std::uint32_t& width, std::uint32_t& height)
{
    Platform::GfxKit::ImageInfo info;
    Platform::GfxKit::ImageLevels levels;
    std::string error;
    std::vector<std::uint32_t> pixels;
    if (!Platform::GfxKit::LoadImageFile(path, info, &levels, error) ||
        levels.LevelSize(0, 0) != static_cast<std::size_t>(info.Width) * info.Height * 4)
    {
        return pixels;
    }
    width = info.Width;
    height = info.Height;
    pixels.resize(static_cast<std::size_t>(width) * height);
    std::memcpy(pixels.data(), levels.Level(0, 0), pixels.size() * 4);
    return pixels;
}

} // namespace FrameworkTesting
