#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// What the device layer knows about each format without asking OpenGL.
namespace Platform::Gfx
{

// Bytes of one pixel in the engine's memory layout; 0 for a format the layer cannot lay out in
// whole pixels (unknown or block-compressed).
std::uint32_t BytesPerPixel(std::uint32_t format);

// Block-compressed formats (DXT1, DXT3, DXT5) store 4 × 4 pixel blocks of BlockBytes each.
bool IsCompressed(std::uint32_t format);
std::uint32_t BlockBytes(std::uint32_t format);

// Bytes from one row (of pixels, or of blocks for compressed formats) to the next in a tightly packed
// image of that width, and the number of such rows for that height. 0 for formats without a layout.
std::uint32_t RowPitchOf(std::uint32_t format, std::uint32_t width);
std::uint32_t RowCountOf(std::uint32_t format, std::uint32_t height);

// Decodes a level of a block-compressed format (rows of 4 × 4 blocks) into 0xAARRGGBB pixels, top row
// first, width × height of them. Empty for another format or too few bytes.
std::vector<std::uint32_t> DecodeBlocks(std::uint32_t format, std::uint32_t width, std::uint32_t height,
                                        const std::uint8_t* blocks, std::size_t size);

// Depth-stencil formats the device can make (the nine depth formats).
bool IsDepthFormat(std::uint32_t format);

// Colour formats a render target or back buffer can have.
bool IsRenderTargetFormat(std::uint32_t format);

// True when the format keeps an alpha channel (X8R8G8B8 and X1R5G5B5 do not: their alpha reads 1).
bool HasAlpha(std::uint32_t format);

// Converts one pixel between the engine's memory layout of a colour format and 0xAARRGGBB.
// Channels the format lacks read as 1 (alpha) or 0; formats without a layout give 0.
std::uint32_t PixelToArgb(std::uint32_t format, const std::uint8_t* pixel);
void ArgbToPixel(std::uint32_t format, std::uint32_t argb, std::uint8_t* pixel);

} // namespace Platform::Gfx
