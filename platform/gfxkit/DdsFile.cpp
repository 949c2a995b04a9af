#include "platform/gfxkit/DdsFile.h"

#include "platform/gfx/Constants.h"
#include "platform/gfx/PixelFormat.h"
#include "platform/gfx/Texture.h"

#include <cstring>

namespace Platform::GfxKit
{
namespace
{

namespace Format = Gfx::Format;

constexpr std::size_t kHeaderSize = 4 + 124; // the mark, then the header record
constexpr std::uint32_t kMipCountFlag = 0x20000;
constexpr std::uint32_t kDepthFlag = 0x800000;
constexpr std::uint32_t kAlphaPixels = 0x1;
constexpr std::uint32_t kAlphaOnly = 0x2;
constexpr std::uint32_t kFourCc = 0x4;
constexpr std::uint32_t kRgb = 0x40;
constexpr std::uint32_t kLuminance = 0x20000;
constexpr std::uint32_t kCubeMap = 0x200;
constexpr std::uint32_t kAllFaces = 0xFC00;
constexpr std::uint32_t kVolume = 0x200000;

std::uint32_t Read32(const std::uint8_t* bytes, std::size_t offset)
{
    return static_cast<std::uint32_t>(bytes[offset]) | static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[offset + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

struct MaskedFormat
{
    std::uint32_t flags; // kRgb, kLuminance or kAlphaOnly, with kAlphaPixels when alpha is stored
    std::uint32_t bits;
    std::uint32_t red, green, blue, alpha;
    std::uint32_t format;
};

constexpr MaskedFormat kMaskedFormats[] = {
    {kRgb | kAlphaPixels, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, Format::A8R8G8B8},
    {kRgb, 32, 0xFF0000, 0xFF00, 0xFF, 0, Format::X8R8G8B8},
    {kRgb, 16, 0xF800, 0x7E0, 0x1F, 0, Format::R5G6B5},
    {kRgb, 16, 0x7C00, 0x3E0, 0x1F, 0, Format::X1R5G5B5},
    {kRgb | kAlphaPixels, 16, 0x7C00, 0x3E0, 0x1F, 0x8000, Format::A1R5G5B5},
    {kRgb | kAlphaPixels, 16, 0xF00, 0xF0, 0xF, 0xF000, Format::A4R4G4B4},
    {kAlphaOnly, 8, 0, 0, 0, 0xFF, Format::A8},
    {kLuminance, 8, 0xFF, 0, 0, 0, Format::L8},
    {kLuminance | kAlphaPixels, 16, 0xFF, 0, 0, 0xFF00, Format::A8L8},
};

// The device format of the header's pixel format record; 0 when it is none of the supported ones.
std::uint32_t FormatOf(const std::uint8_t* record)
{
    const std::uint32_t flags = Read32(record, 4);
    if (flags & kFourCc)
    {
        const std::uint32_t code = Read32(record, 8);
        return code == Format::Dxt1 || code == Format::Dxt3 || code == Format::Dxt5 ? code : 0;
    }
    const std::uint32_t bits = Read32(record, 12);
    const std::uint32_t masks[4] = {Read32(record, 16), Read32(record, 20), Read32(record, 24),
                                    Read32(record, 28)};
    const std::uint32_t kind = flags & (kRgb | kLuminance | kAlphaOnly | kAlphaPixels);
    for (const MaskedFormat& candidate : kMaskedFormats)
    {
        // A8 files carry the alpha-pixels flag beside the alpha-only one or not; both mean A8.
        const bool kindMatches = kind == candidate.flags ||
                                 (candidate.format == Format::A8 && kind == (kAlphaOnly | kAlphaPixels));
        const std::uint32_t wanted[4] = {candidate.red, candidate.green, candidate.blue, candidate.alpha};
        bool masksMatch = true;
        for (int i = 0; i < 4; ++i)
        {
            // Only the channels the format stores are compared: unused masks may hold anything.
            masksMatch = masksMatch && (wanted[i] == 0 || masks[i] == wanted[i]);
        }
        if (kindMatches && bits == candidate.bits && masksMatch)
        {
            return candidate.format;
        }
    }
    return 0;
}

std::uint64_t LevelBytes(std::uint32_t format, std::uint32_t width, std::uint32_t height, std::uint32_t depth)
{
    return static_cast<std::uint64_t>(Gfx::RowPitchOf(format, width)) * Gfx::RowCountOf(format, height) *
           depth;
}

std::uint32_t Half(std::uint32_t size)
{
    return size > 1 ? size / 2 : 1;
}

} // namespace

bool LooksLikeDds(const std::uint8_t* bytes, std::size_t size)
{
    return size >= 4 && std::memcmp(bytes, "DDS ", 4) == 0;
}

bool ReadDdsLayout(const std::uint8_t* bytes, std::size_t size, DdsLayout& layout, std::string& error)
{
    if (!LooksLikeDds(bytes, size))
    {
        error = "not a DDS file";
        return false;
    }
    if (size < kHeaderSize || Read32(bytes, 4) != 124)
    {
        error = "DDS header cut short";
        return false;
    }
    const std::uint8_t* header = bytes + 4;
    const std::uint32_t flags = Read32(header, 4);
    const std::uint32_t height = Read32(header, 8);
    const std::uint32_t width = Read32(header, 12);
    const std::uint32_t caps2 = Read32(header, 108);
    const std::uint8_t* pixelFormat = header + 72;
    if ((Read32(pixelFormat, 4) & kFourCc) && std::memcmp(pixelFormat + 8, "DX10", 4) == 0)
    {
        error = "DDS with the extended header";
        return false;
    }
    const std::uint32_t format = FormatOf(pixelFormat);
    if (format == 0)
    {
        error = "DDS pixel format not supported";
        return false;
    }
    if (width < 1 || height < 1 || width > MaxImageEdge || height > MaxImageEdge)
    {
        error = "DDS size " + std::to_string(width) + " x " + std::to_string(height) + " out of range";
        return false;
    }

    std::uint32_t type = Gfx::ResourceType::Texture;
    std::uint32_t faces = 1;
    std::uint32_t depth = 1;
    if (caps2 & kCubeMap)
    {
        if ((caps2 & kAllFaces) != kAllFaces)
        {
            error = "DDS cube map without all six faces";
            return false;
        }
        if (width != height)
        {
            error = "DDS cube map with faces that are not square";
            return false;
        }
        type = Gfx::ResourceType::CubeTexture;
        faces = 6;
    }
    else if ((caps2 & kVolume) && (flags & kDepthFlag) && Read32(header, 20) > 0)
    {
        type = Gfx::ResourceType::VolumeTexture;
        depth = Read32(header, 20);
        if (depth > MaxImageEdge)
        {
            error = "DDS depth " + std::to_string(depth) + " out of range";
            return false;
        }
    }
    if (static_cast<std::uint64_t>(width) * height * depth * faces > MaxImageTexels)
    {
        error = "DDS holds more than 2^26 texels";
        return false;
    }
    const std::uint32_t fullChain = Gfx::FullChainLength(width, height, depth);
    std::uint32_t levels = (flags & kMipCountFlag) ? Read32(header, 24) : 1;
    if (levels == 0)
    {
        levels = 1;
    }
    if (levels > fullChain)
    {
        levels = fullChain;
    }

    DdsLayout result;
    result.faces = faces;
    result.offsets.reserve(static_cast<std::size_t>(faces) * levels);
    std::uint64_t offset = kHeaderSize;
    for (std::uint32_t face = 0; face < faces; ++face)
    {
        std::uint32_t w = width, h = height, d = depth;
        for (std::uint32_t level = 0; level < levels; ++level)
        {
            const std::uint64_t bytesOfLevel = LevelBytes(format, w, h, d);
            if (offset + bytesOfLevel > size)
            {
                error = "DDS file cut short: its levels need more bytes than the file has";
                return false;
            }
            result.offsets.push_back(static_cast<std::size_t>(offset));
            result.sizes.push_back(static_cast<std::size_t>(bytesOfLevel));
            offset += bytesOfLevel;
            w = Half(w);
            h = Half(h);
            d = Half(d);
        }
    }
    result.info.Width = width;
    result.info.Height = height;
    result.info.Depth = depth;
    result.info.MipLevels = levels;
    result.info.Format = format;
    result.info.ResourceType = type;
    result.info.ImageFileFormat = ImageFileFormat::Dds;
    layout = std::move(result);
    return true;
}

} // namespace Platform::GfxKit
