#pragma once

#include <cstdint>

namespace Platform::GfxKit
{

// The kinds of image file, numbered as the image information reports them.
namespace ImageFileFormat
{
constexpr std::uint32_t Bmp = 0;
constexpr std::uint32_t Jpg = 1;
constexpr std::uint32_t Tga = 2;
constexpr std::uint32_t Png = 3;
constexpr std::uint32_t Dds = 4;
} // namespace ImageFileFormat

// What an image file holds, read from its header. ResourceType is the device layer's: 3 a 2D texture,
// 4 a volume texture, 5 a cube texture. Format is the device format of the file's pixels; files other
// than DDS report A8R8G8B8 when their header declares alpha (an alpha channel, or a palette with
// transparency) and X8R8G8B8 otherwise.
struct ImageInfo
{
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::uint32_t Depth = 0;
    std::uint32_t MipLevels = 0;
    std::uint32_t Format = 0;
    std::uint32_t ResourceType = 0;
    std::uint32_t ImageFileFormat = 0;
};

// What image files may declare: each edge 1 … MaxImageEdge and at most MaxImageTexels texels in all
// (faces and slices counted); larger claims are refused before anything is allocated for them.
constexpr std::uint32_t MaxImageEdge = 16384;
constexpr std::uint64_t MaxImageTexels = std::uint64_t{1} << 26;

} // namespace Platform::GfxKit
