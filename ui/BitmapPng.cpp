#include "ui/BitmapPng.h"

#include "platform/gfx/Picture.h"

#include <vector>

namespace UILib
{

bool WritePixelsPng(const std::string& path, std::int32_t width, std::int32_t height,
                    const BaseLib::CColor* pixels, std::int32_t rowLength)
{
    if (pixels == nullptr || width <= 0 || height <= 0 || rowLength < width)
    {
        return false;
    }
    std::vector<std::uint32_t> words;
    words.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (std::int32_t y = 0; y < height; ++y)
    {
        const BaseLib::CColor* row = pixels + static_cast<std::ptrdiff_t>(y) * rowLength;
        for (std::int32_t x = 0; x < width; ++x)
        {
            words.push_back(row[x].argb);
        }
    }
    return Platform::Gfx::WritePng(path, static_cast<std::uint32_t>(width),
                                   static_cast<std::uint32_t>(height), words, true);
}

bool WriteBitmapPng(const std::string& path, const CBitmap& bitmap)
{
    return WritePixelsPng(path, bitmap.GetWidth(), bitmap.GetHeight(), bitmap.GetPixels(), bitmap.GetWidth());
}

} // namespace UILib
