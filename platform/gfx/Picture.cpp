#include "platform/gfx/Picture.h"

#include "platform/gfx/Device.h"
#include "platform/gfx/PixelFormat.h"
#include "platform/gfx/Surface.h"
#include "platform/gfx/Trace.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <memory>

// libjpeg's header expects the C library's FILE and size_t declared before it.
#include <jpeglib.h>

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

namespace
{

// libjpeg reports a fatal error through this handler; it jumps back to the writer instead of exiting.
struct JpegErrorJump
{
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void JumpOnJpegError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegErrorJump*>(info->err)->jump, 1);
}

// The encoder proper: false when libjpeg reported a fatal error (the compressor is destroyed either way).
bool EncodeJpeg(std::FILE* file, std::uint32_t width, std::uint32_t height, const std::vector<std::uint32_t>& pixels,
                int quality)
{
    jpeg_compress_struct info{};
    JpegErrorJump error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = &JumpOnJpegError;
    std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * 3);
    if (setjmp(error.jump) != 0)
    {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = width;
    info.image_height = height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    // Plain baseline: integer transform, standard tables, no JFIF comment beyond the fixed header.
    info.dct_method = JDCT_ISLOW;
    info.optimize_coding = FALSE;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height)
    {
        const std::size_t y = info.next_scanline;
        for (std::uint32_t x = 0; x < width; ++x)
        {
            const std::uint32_t pixel = pixels[y * width + x];
            row[x * 3] = static_cast<JSAMPLE>(pixel >> 16);
            row[x * 3 + 1] = static_cast<JSAMPLE>(pixel >> 8);
            row[x * 3 + 2] = static_cast<JSAMPLE>(pixel);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

} // namespace

bool WriteJpeg(const std::string& path, std::uint32_t width, std::uint32_t height,
               const std::vector<std::uint32_t>& pixels, int quality)
{
    if (width == 0 || height == 0 || width > 65500 || height > 65500 || quality < 1 || quality > 100 ||
        pixels.size() < static_cast<std::size_t>(width) * height)
    {
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
    {
        Trace("cannot write " + path);
        return false;
    }
    bool written = EncodeJpeg(file, width, height, pixels, quality) && std::ferror(file) == 0;
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
