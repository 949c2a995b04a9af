#include "platform/os/PngDecode.h"

#include <png.h>

#include <cstring>

namespace Platform
{

bool LooksLikePng(const std::uint8_t* data, std::size_t size)
{
    static const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return size >= sizeof(signature) && std::memcmp(data, signature, sizeof(signature)) == 0;
}

bool DecodePng(const std::uint8_t* data, std::size_t size, int& width, int& height,
               std::vector<std::uint8_t>& rgba, std::string& error)
{
    png_image image;
    std::memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data, size))
    {
        error = image.message;
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    if (image.width == 0 || image.height == 0 || image.width > 16384 || image.height > 16384)
    {
        png_image_free(&image);
        error = "image size out of range";
        return false;
    }
    rgba.assign(PNG_IMAGE_SIZE(image), 0);
    if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr))
    {
        error = image.message;
        png_image_free(&image);
        return false;
    }
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    return true;
}

} // namespace Platform
