#pragma once

#include <cstdint>
#include <vector>

// Scaling of 0xAARRGGBB images (2D, or volumes as slices one after another) for textures loaded from
// files and for their mip levels.
namespace Platform::GfxKit
{

struct ArgbImage
{
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t depth = 1;
    std::vector<std::uint32_t> pixels; // rows top first, slices one after another
};

enum class ResizeFilter
{
    None,   // no scaling: the image in the top-left front corner, the rest transparent black
    Point,  // the nearest texel
    Smooth, // the average of the covered texels when shrinking, linear between texels when enlarging
};

// The image at the new size; the image itself when the size does not change.
ArgbImage ResizeImage(const ArgbImage& image, std::uint32_t width, std::uint32_t height, std::uint32_t depth,
                      ResizeFilter filter);

} // namespace Platform::GfxKit
