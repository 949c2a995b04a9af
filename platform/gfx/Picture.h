#pragma once

#include "platform/gfx/Results.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Platform::Gfx
{

class Surface;

// Reads a render target, back buffer or plain surface as 0xAARRGGBB pixels (bytes blue, green, red,
// alpha in memory), top row first, width × height of them. Formats without alpha read alpha 0xFF.
// InvalidCall for a depth-stencil surface or null.
Result ReadSurfacePixels(Surface* surface, std::vector<std::uint32_t>& pixels);

// Writes 0xAARRGGBB pixels, top row first, as a PNG file: RGBA when withAlpha, else RGB. False (and
// no file left behind) when the file cannot be written.
bool WritePng(const std::string& path, std::uint32_t width, std::uint32_t height,
              const std::vector<std::uint32_t>& pixels, bool withAlpha);

// Writes 0xAARRGGBB pixels, top row first, as a baseline JPEG file (RGB, alpha ignored) at the quality
// 1 to 100: no metadata, 4:2:0 sampling, so the same pixels always give the same bytes. False (and no
// file left behind) when the file cannot be written or the arguments are empty or out of range.
bool WriteJpeg(const std::string& path, std::uint32_t width, std::uint32_t height,
               const std::vector<std::uint32_t>& pixels, int quality);

// Reads a surface and writes it as a PNG file: RGB for formats without alpha, RGBA otherwise.
Result SaveSurfaceToPng(Surface* surface, const std::string& path);

} // namespace Platform::Gfx
