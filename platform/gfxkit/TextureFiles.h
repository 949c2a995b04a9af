#pragma once

#include "platform/gfx/Records.h"
#include "platform/gfx/Results.h"
#include "platform/gfxkit/ImageInfo.h"

#include <cstdint>

// Textures and surfaces from image files, empty textures with the utility's size rules, and surfaces
// saved as PNG files. Files are read through the checked reading step of ImageFile.h: a file that is
// missing, unreadable, refused by the checks or not decodable answers InvalidData with one trace line
// naming the file and what is wrong, and leaves the information out untouched.
namespace Platform::Gfx
{
class CubeTexture;
class Device;
class Surface;
class Texture;
class VolumeTexture;
} // namespace Platform::Gfx

namespace Platform::GfxKit
{

using Gfx::Result;

// Size, level and filter arguments that mean "the default".
constexpr std::uint32_t DefaultValue = 0xFFFFFFFFu;
// A size argument meaning the file's own size, not rounded up to a power of two.
constexpr std::uint32_t DefaultNonPowerOfTwo = 0xFFFFFFFEu;

// Image filters; the low byte names one, the flag bits above it (mirroring, dither, sRGB) are accepted
// and ignored. DefaultValue is the triangle filter for images and the box filter for mip levels.
namespace ImageFilter
{
constexpr std::uint32_t None = 1; // no scaling: the image in the top-left corner, the rest transparent black
constexpr std::uint32_t Point = 2;
constexpr std::uint32_t Linear = 3;
constexpr std::uint32_t Triangle = 4;
constexpr std::uint32_t Box = 5;
} // namespace ImageFilter

// The image information of a file from its header, without decoding its pixels.
Result GetImageInfoFromFile(const char* path, ImageInfo* info);

// Empty textures: levels 0 or DefaultValue make the full chain; the device's result is the result.
Result CreateTexture(Gfx::Device* device, std::uint32_t width, std::uint32_t height, std::uint32_t levels,
                     std::uint32_t usage, std::uint32_t format, std::uint32_t pool, Gfx::Texture** texture);
Result CreateCubeTexture(Gfx::Device* device, std::uint32_t edge, std::uint32_t levels, std::uint32_t usage,
                         std::uint32_t format, std::uint32_t pool, Gfx::CubeTexture** texture);
Result CreateVolumeTexture(Gfx::Device* device, std::uint32_t width, std::uint32_t height,
                           std::uint32_t depth, std::uint32_t levels, std::uint32_t usage,
                           std::uint32_t format, std::uint32_t pool, Gfx::VolumeTexture** texture);

// A texture filled from an image file.
// - width, height (and depth, edge): 0 or DefaultValue = the file's size rounded up to powers of two,
//   DefaultNonPowerOfTwo = the file's size; other values scale the image to that size with the filter.
// - levels: 0 or DefaultValue = the full chain. Levels the file holds at the right size are used, the
//   rest are made from the level above with the mip filter.
// - format: 0 = the file's. A block-compressed file keeps its blocks when neither size nor format
//   changes; a compressed format that would need encoding is made A8R8G8B8 instead (traced once).
// - colorKey: when not 0, every texel whose 0xAARRGGBB equals it becomes 0x00000000 before scaling.
// - A default-pool texture without the dynamic usage is filled through a system-memory copy.
// - info: the file's information on success, or when a cube or volume was asked of a file that holds
//   none (InvalidData); may be null. palette: unused, pass null.
// A 2D texture from a cube or volume file takes its first face or slice.
Result CreateTextureFromFileEx(Gfx::Device* device, const char* path, std::uint32_t width,
                               std::uint32_t height, std::uint32_t levels, std::uint32_t usage,
                               std::uint32_t format, std::uint32_t pool, std::uint32_t filter,
                               std::uint32_t mipFilter, std::uint32_t colorKey, ImageInfo* info,
                               void* palette, Gfx::Texture** texture);
Result CreateCubeTextureFromFileEx(Gfx::Device* device, const char* path, std::uint32_t edge,
                                   std::uint32_t levels, std::uint32_t usage, std::uint32_t format,
                                   std::uint32_t pool, std::uint32_t filter, std::uint32_t mipFilter,
                                   std::uint32_t colorKey, ImageInfo* info, void* palette,
                                   Gfx::CubeTexture** texture);
Result CreateVolumeTextureFromFileEx(Gfx::Device* device, const char* path, std::uint32_t width,
                                     std::uint32_t height, std::uint32_t depth, std::uint32_t levels,
                                     std::uint32_t usage, std::uint32_t format, std::uint32_t pool,
                                     std::uint32_t filter, std::uint32_t mipFilter, std::uint32_t colorKey,
                                     ImageInfo* info, void* palette, Gfx::VolumeTexture** texture);

// Fills a whole surface from the first image of a file, converted and scaled by the rules above (a
// compressed surface of the file's size and format takes the blocks as they are). Only whole surfaces
// and whole images: a destination or source rectangle answers InvalidCall, as do depth-stencil and
// multisampled surfaces and a compressed surface that would need encoding.
Result LoadSurfaceFromFile(Gfx::Surface* surface, const void* palette, const Gfx::Rect* destinationRect,
                           const char* path, const Gfx::Rect* sourceRect, std::uint32_t filter,
                           std::uint32_t colorKey, ImageInfo* info);

// Saves a surface (back buffer, render target, texture level or plain surface; multisampled ones
// resolved) as a PNG file: fileFormat must be ImageFileFormat::Png, other formats answer InvalidCall.
// RGB for formats without alpha, RGBA otherwise; rect null for the whole surface, else that part. A
// file that cannot be written gives a failure result and a trace; nothing is left half-written.
Result SaveSurfaceToFile(const char* path, std::uint32_t fileFormat, Gfx::Surface* surface,
                         const void* palette, const Gfx::Rect* rect);

} // namespace Platform::GfxKit
