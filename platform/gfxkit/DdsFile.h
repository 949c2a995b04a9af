#pragma once

#include "platform/gfxkit/ImageInfo.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The project's own reader of DDS files: 2D, cube and volume textures with their mip levels, in the
// formats A8R8G8B8, X8R8G8B8, R5G6B5, X1R5G5B5, A1R5G5B5, A4R4G4B4, A8, L8, A8L8, DXT1, DXT3 and DXT5.
namespace Platform::GfxKit
{

// Where each level of a DDS file lies in its bytes. Levels are stored face after face (+X, -X, +Y, -Y,
// +Z, -Z for a cube), each face's levels largest first; a volume level holds its slices one after the
// other.
struct DdsLayout
{
    ImageInfo info;
    std::uint32_t faces = 1;
    std::vector<std::size_t> offsets; // [face * MipLevels + level]
    std::vector<std::size_t> sizes;
};

// Reads the header of a whole DDS file and checks that the file holds every level it declares. False
// with the reason for a file without the "DDS " mark, a short header, the extended header or another
// pixel format, a cube map without all six faces, a width or height outside 1 … 16384 (or more than
// 2^26 texels in all), or sizes that need more bytes than the file has.
bool ReadDdsLayout(const std::uint8_t* bytes, std::size_t size, DdsLayout& layout, std::string& error);

// Whether the bytes start with the DDS mark.
bool LooksLikeDds(const std::uint8_t* bytes, std::size_t size);

} // namespace Platform::GfxKit
