#include "platform/gfx/PixelFormat.h"

#include "platform/gfx/Constants.h"

namespace Platform::Gfx
{
namespace
{

std::uint32_t Expand(std::uint32_t value, int bits)
{
    const std::uint32_t max = (1u << bits) - 1;
    return (value * 255 + max / 2) / max;
}

std::uint32_t Reduce(std::uint32_t value, int bits)
{
    const std::uint32_t max = (1u << bits) - 1;
    return (value * max + 127) / 255;
}

std::uint32_t Channel(std::uint32_t argb, int shift)
{
    return (argb >> shift) & 0xFF;
}

std::uint16_t Load16(const std::uint8_t* pixel)
{
    return static_cast<std::uint16_t>(pixel[0] | (pixel[1] << 8));
}

void Store16(std::uint8_t* pixel, std::uint32_t value)
{
    pixel[0] = static_cast<std::uint8_t>(value & 0xFF);
    pixel[1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

} // namespace

std::uint32_t BytesPerPixel(std::uint32_t format)
{
    switch (format)
    {
    case Format::A8R8G8B8:
    case Format::X8R8G8B8:
    case Format::A2R10G10B10:
    case Format::D32:
    case Format::D24S8:
    case Format::D24X8:
    case Format::D24X4S4:
    case Format::D32FLockable:
    case Format::D24FS8:
    case Format::G16R16F:
    case Format::R32F:
        return 4;
    case Format::R5G6B5:
    case Format::X1R5G5B5:
    case Format::A1R5G5B5:
    case Format::A4R4G4B4:
    case Format::A8L8:
    case Format::L16:
    case Format::D16:
    case Format::D16Lockable:
    case Format::D15S1:
    case Format::R16F:
        return 2;
    case Format::A8:
    case Format::L8:
        return 1;
    case Format::A16B16G16R16F:
    case Format::G32R32F:
        return 8;
    case Format::A32B32G32R32F:
        return 16;
    default:
        return 0;
    }
}

bool IsCompressed(std::uint32_t format)
{
    return format == Format::Dxt1 || format == Format::Dxt3 || format == Format::Dxt5;
}

std::uint32_t BlockBytes(std::uint32_t format)
{
    return format == Format::Dxt1 ? 8 : (IsCompressed(format) ? 16 : 0);
}

std::uint32_t RowPitchOf(std::uint32_t format, std::uint32_t width)
{
    return IsCompressed(format) ? (width + 3) / 4 * BlockBytes(format) : width * BytesPerPixel(format);
}

std::uint32_t RowCountOf(std::uint32_t format, std::uint32_t height)
{
    return IsCompressed(format) ? (height + 3) / 4 : height;
}

namespace
{

std::uint32_t Rgb565ToArgb(std::uint32_t value)
{
    return 0xFF000000u | (Expand(value >> 11, 5) << 16) | (Expand((value >> 5) & 0x3F, 6) << 8) |
           Expand(value & 0x1F, 5);
}

std::uint32_t Mix(std::uint32_t a, std::uint32_t b, std::uint32_t weightA, std::uint32_t weightB)
{
    std::uint32_t result = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8)
    {
        const std::uint32_t channel =
            (((a >> shift) & 0xFF) * weightA + ((b >> shift) & 0xFF) * weightB) / (weightA + weightB);
        result |= channel << shift;
    }
    return result;
}

// The 16 colours of a colour block; threeColour allows the three-colour mode with transparent black.
void DecodeColourBlock(const std::uint8_t* block, bool threeColour, std::uint32_t* out)
{
    const std::uint32_t c0 = block[0] | (block[1] << 8);
    const std::uint32_t c1 = block[2] | (block[3] << 8);
    std::uint32_t palette[4] = {Rgb565ToArgb(c0), Rgb565ToArgb(c1), 0, 0};
    if (c0 > c1 || !threeColour)
    {
        palette[2] = Mix(palette[0], palette[1], 2, 1);
        palette[3] = Mix(palette[0], palette[1], 1, 2);
    }
    else
    {
        palette[2] = Mix(palette[0], palette[1], 1, 1);
        palette[3] = 0;
    }
    const std::uint32_t indices =
        block[4] | (block[5] << 8) | (block[6] << 16) | (static_cast<std::uint32_t>(block[7]) << 24);
    for (int i = 0; i < 16; ++i)
    {
        out[i] = palette[(indices >> (2 * i)) & 3];
    }
}

} // namespace

std::vector<std::uint32_t> DecodeBlocks(std::uint32_t format, std::uint32_t width, std::uint32_t height,
                                        const std::uint8_t* blocks, std::size_t size)
{
    const std::uint32_t blockBytes = BlockBytes(format);
    const std::uint32_t columns = (width + 3) / 4;
    const std::uint32_t rows = (height + 3) / 4;
    if (blockBytes == 0 || size < static_cast<std::size_t>(columns) * rows * blockBytes)
    {
        return {};
    }
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    for (std::uint32_t by = 0; by < rows; ++by)
    {
        for (std::uint32_t bx = 0; bx < columns; ++bx)
        {
            const std::uint8_t* block = blocks + (static_cast<std::size_t>(by) * columns + bx) * blockBytes;
            std::uint32_t texels[16];
            if (format == Format::Dxt1)
            {
                DecodeColourBlock(block, true, texels);
            }
            else
            {
                DecodeColourBlock(block + 8, false, texels);
                std::uint32_t alphas[16];
                if (format == Format::Dxt3)
                {
                    for (int i = 0; i < 16; ++i)
                    {
                        alphas[i] = Expand((block[i / 2] >> (4 * (i % 2))) & 0xF, 4);
                    }
                }
                else
                {
                    const std::uint32_t a0 = block[0];
                    const std::uint32_t a1 = block[1];
                    std::uint32_t palette[8] = {a0, a1, 0, 0, 0, 0, 0, 255};
                    if (a0 > a1)
                    {
                        for (std::uint32_t i = 2; i < 8; ++i)
                        {
                            palette[i] = ((8 - i) * a0 + (i - 1) * a1) / 7;
                        }
                    }
                    else
                    {
                        for (std::uint32_t i = 2; i < 6; ++i)
                        {
                            palette[i] = ((6 - i) * a0 + (i - 1) * a1) / 5;
                        }
                        palette[6] = 0;
                    }
                    std::uint64_t indices = 0;
                    for (int i = 0; i < 6; ++i)
                    {
                        indices |= static_cast<std::uint64_t>(block[2 + i]) << (8 * i);
                    }
                    for (int i = 0; i < 16; ++i)
                    {
                        alphas[i] = palette[(indices >> (3 * i)) & 7];
                    }
                }
                for (int i = 0; i < 16; ++i)
                {
                    texels[i] = (texels[i] & 0xFFFFFFu) | (alphas[i] << 24);
                }
            }
            for (std::uint32_t y = 0; y < 4; ++y)
            {
                for (std::uint32_t x = 0; x < 4; ++x)
                {
                    const std::uint32_t px = bx * 4 + x;
                    const std::uint32_t py = by * 4 + y;
                    if (px < width && py < height)
                    {
                        pixels[static_cast<std::size_t>(py) * width + px] = texels[y * 4 + x];
                    }
                }
            }
        }
    }
    return pixels;
}

bool IsDepthFormat(std::uint32_t format)
{
    switch (format)
    {
    case Format::D16Lockable:
    case Format::D32:
    case Format::D15S1:
    case Format::D24S8:
    case Format::D24X8:
    case Format::D24X4S4:
    case Format::D16:
    case Format::D32FLockable:
    case Format::D24FS8:
        return true;
    default:
        return false;
    }
}

bool IsRenderTargetFormat(std::uint32_t format)
{
    switch (format)
    {
    case Format::A8R8G8B8:
    case Format::X8R8G8B8:
    case Format::R5G6B5:
    case Format::X1R5G5B5:
    case Format::A1R5G5B5:
    case Format::A4R4G4B4:
    case Format::A2R10G10B10:
    case Format::R16F:
    case Format::G16R16F:
    case Format::A16B16G16R16F:
    case Format::R32F:
    case Format::G32R32F:
    case Format::A32B32G32R32F:
        return true;
    default:
        return false;
    }
}

bool HasAlpha(std::uint32_t format)
{
    switch (format)
    {
    case Format::A8R8G8B8:
    case Format::A1R5G5B5:
    case Format::A4R4G4B4:
    case Format::A2R10G10B10:
    case Format::A8:
    case Format::A8L8:
    case Format::A16B16G16R16F:
    case Format::A32B32G32R32F:
        return true;
    default:
        return false;
    }
}

std::uint32_t PixelToArgb(std::uint32_t format, const std::uint8_t* pixel)
{
    switch (format)
    {
    case Format::A8R8G8B8:
        return pixel[0] | (pixel[1] << 8) | (pixel[2] << 16) | (static_cast<std::uint32_t>(pixel[3]) << 24);
    case Format::X8R8G8B8:
        return 0xFF000000u | pixel[0] | (pixel[1] << 8) | (pixel[2] << 16);
    case Format::A2R10G10B10: {
        const std::uint32_t v =
            pixel[0] | (pixel[1] << 8) | (pixel[2] << 16) | (static_cast<std::uint32_t>(pixel[3]) << 24);
        return (Expand(v >> 30, 2) << 24) | ((((v >> 20) & 0x3FF) >> 2) << 16) |
               ((((v >> 10) & 0x3FF) >> 2) << 8) | ((v & 0x3FF) >> 2);
    }
    case Format::R5G6B5: {
        const std::uint32_t v = Load16(pixel);
        return 0xFF000000u | (Expand(v >> 11, 5) << 16) | (Expand((v >> 5) & 0x3F, 6) << 8) |
               Expand(v & 0x1F, 5);
    }
    case Format::X1R5G5B5:
    case Format::A1R5G5B5: {
        const std::uint32_t v = Load16(pixel);
        const std::uint32_t alpha = (format == Format::X1R5G5B5 || (v & 0x8000)) ? 0xFF : 0;
        return (alpha << 24) | (Expand((v >> 10) & 0x1F, 5) << 16) | (Expand((v >> 5) & 0x1F, 5) << 8) |
               Expand(v & 0x1F, 5);
    }
    case Format::A4R4G4B4: {
        const std::uint32_t v = Load16(pixel);
        return (Expand(v >> 12, 4) << 24) | (Expand((v >> 8) & 0xF, 4) << 16) |
               (Expand((v >> 4) & 0xF, 4) << 8) | Expand(v & 0xF, 4);
    }
    case Format::A8:
        return static_cast<std::uint32_t>(pixel[0]) << 24;
    case Format::L8:
        return 0xFF000000u | pixel[0] * 0x010101u;
    case Format::A8L8:
        return (static_cast<std::uint32_t>(pixel[1]) << 24) | pixel[0] * 0x010101u;
    case Format::L16:
        return 0xFF000000u | pixel[1] * 0x010101u;
    default:
        return 0;
    }
}

void ArgbToPixel(std::uint32_t format, std::uint32_t argb, std::uint8_t* pixel)
{
    const std::uint32_t a = Channel(argb, 24);
    const std::uint32_t r = Channel(argb, 16);
    const std::uint32_t g = Channel(argb, 8);
    const std::uint32_t b = Channel(argb, 0);
    switch (format)
    {
    case Format::A8R8G8B8:
    case Format::X8R8G8B8:
        pixel[0] = static_cast<std::uint8_t>(b);
        pixel[1] = static_cast<std::uint8_t>(g);
        pixel[2] = static_cast<std::uint8_t>(r);
        pixel[3] = static_cast<std::uint8_t>(format == Format::X8R8G8B8 ? 0xFF : a);
        break;
    case Format::A2R10G10B10: {
        const std::uint32_t v =
            (Reduce(a, 2) << 30) | (Reduce(r, 10) << 20) | (Reduce(g, 10) << 10) | Reduce(b, 10);
        pixel[0] = static_cast<std::uint8_t>(v);
        pixel[1] = static_cast<std::uint8_t>(v >> 8);
        pixel[2] = static_cast<std::uint8_t>(v >> 16);
        pixel[3] = static_cast<std::uint8_t>(v >> 24);
        break;
    }
    case Format::R5G6B5:
        Store16(pixel, (Reduce(r, 5) << 11) | (Reduce(g, 6) << 5) | Reduce(b, 5));
        break;
    case Format::X1R5G5B5:
    case Format::A1R5G5B5:
        Store16(pixel, ((format == Format::X1R5G5B5 || a >= 0x80) ? 0x8000u : 0u) | (Reduce(r, 5) << 10) |
                           (Reduce(g, 5) << 5) | Reduce(b, 5));
        break;
    case Format::A4R4G4B4:
        Store16(pixel, (Reduce(a, 4) << 12) | (Reduce(r, 4) << 8) | (Reduce(g, 4) << 4) | Reduce(b, 4));
        break;
    case Format::A8:
        pixel[0] = static_cast<std::uint8_t>(a);
        break;
    case Format::L8:
        pixel[0] = static_cast<std::uint8_t>(r);
        break;
    case Format::A8L8:
        pixel[0] = static_cast<std::uint8_t>(r);
        pixel[1] = static_cast<std::uint8_t>(a);
        break;
    case Format::L16:
        Store16(pixel, r * 0x101u);
        break;
    default:
        break;
    }
}

} // namespace Platform::Gfx
