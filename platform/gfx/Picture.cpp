#include "platform/gfx/Picture.h"

#include "platform/gfx/Device.h"
#include "platform/gfx/PixelFormat.h"
#include "platform/gfx/Surface.h"
#include "platform/gfx/Trace.h"

#include <png.h>

#include <cstdio>
#include <memory>

namespace Platform::Gfx
{

Result ReadSurfacePixels(Surface* surface, std::vector<std::uint32_t>& pixels)
{
    if (!surface)
    {
        return InvalidCall;
    }
    return surface->OwnerDevice().ReadPixels(surface, pixels);
}

bool WritePng(const std::string& path, std::uint32_t width, std::uint32_t height,
              const std::vector<std::uint32_t>& pixels, bool withAlpha)
{
    if (width == 0 || height == 0 || pixels.size() < static_cast<std::size_t>(width) * height)
    {
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
    {
        Trace("cannot write " + path);
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    const std::size_t channels = withAlpha ? 4 : 3;
    std::vector<png_byte> row(width * channels);
    bool written = false;
    if (png && info && setjmp(png_jmpbuf(png)) == 0)
    {
        png_init_io(png, file);
        png_set_IHDR(png, info, width, height, 8, withAlpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (std::uint32_t y = 0; y < height; ++y)
        {
            for (std::uint32_t x = 0; x < width; ++x)
            {
                const std::uint32_t pixel = pixels[static_cast<std::size_t>(y) * width + x];
                png_byte* out = &row[x * channels];
                out[0] = static_cast<png_byte>(pixel >> 16);
                out[1] = static_cast<png_byte>(pixel >> 8);
                out[2] = static_cast<png_byte>(pixel);
                if (withAlpha)
                {
                    out[3] = static_cast<png_byte>(pixel >> 24);
                }
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
        written = true;
    }
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    written = (std::fclose(file) == 0) && written;
    if (!written)
    {
        Trace("cannot write " + path);
        std::remove(path.c_str());
    }
    return written;
}

Result SaveSurfaceToPng(Surface* surface, const std::string& path)
{
    std::vector<std::uint32_t> pixels;
    const Result read = ReadSurfacePixels(surface, pixels);
    if (Failed(read))
    {
        return read;
    }
    const SurfaceDesc& desc = surface->Desc();
    return WritePng(path, desc.Width, desc.Height, pixels, HasAlpha(desc.Format)) ? Ok : Fail;
}

} // namespace Platform::Gfx
