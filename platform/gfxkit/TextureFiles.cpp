#include "platform/gfxkit/TextureFiles.h"

#include "platform/gfx/Device.h"
#include "platform/gfx/Picture.h"
#include "platform/gfx/PixelFormat.h"
#include "platform/gfx/Surface.h"
#include "platform/gfx/Texture.h"
#include "platform/gfx/Trace.h"
#include "platform/gfxkit/ImageFile.h"
#include "platform/gfxkit/ImageResize.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>

namespace Platform::GfxKit
{
namespace
{

namespace Format = Gfx::Format;
namespace ResourceType = Gfx::ResourceType;
using Gfx::BaseTexture;
using Gfx::InvalidCall;
using Gfx::InvalidData;
using Gfx::Ok;
using Gfx::Trace;

struct Extent
{
    std::uint32_t width = 1;
    std::uint32_t height = 1;
    std::uint32_t depth = 1;

    bool operator==(const Extent&) const = default;
};

Extent LevelExtent(const Extent& top, std::uint32_t level)
{
    return {std::max(1u, top.width >> level), std::max(1u, top.height >> level),
            std::max(1u, top.depth >> level)};
}

std::uint32_t NextPowerOfTwo(std::uint32_t size)
{
    std::uint32_t power = 1;
    while (power < size)
    {
        power <<= 1;
    }
    return power;
}

std::uint32_t ResolveSize(std::uint32_t asked, std::uint32_t file)
{
    if (asked == 0 || asked == DefaultValue)
    {
        return NextPowerOfTwo(file);
    }
    return asked == DefaultNonPowerOfTwo ? file : asked;
}

ResizeFilter FilterOf(std::uint32_t filter, ResizeFilter fallback)
{
    switch (filter == DefaultValue ? 0u : filter & 0xFF)
    {
    case ImageFilter::None:
        return ResizeFilter::None;
    case ImageFilter::Point:
        return ResizeFilter::Point;
    case ImageFilter::Linear:
    case ImageFilter::Triangle:
    case ImageFilter::Box:
        return ResizeFilter::Smooth;
    default:
        return fallback;
    }
}

std::size_t SliceBytes(std::uint32_t format, std::uint32_t width, std::uint32_t height)
{
    return static_cast<std::size_t>(Gfx::RowPitchOf(format, width)) * Gfx::RowCountOf(format, height);
}

// The first `depth` slices of a level as 0xAARRGGBB texels.
ArgbImage ToArgb(std::uint32_t format, const std::uint8_t* bytes, const Extent& extent)
{
    ArgbImage image;
    image.width = extent.width;
    image.height = extent.height;
    image.depth = extent.depth;
    const std::size_t slice = SliceBytes(format, extent.width, extent.height);
    const std::size_t texels = static_cast<std::size_t>(extent.width) * extent.height;
    image.pixels.reserve(texels * extent.depth);
    for (std::uint32_t z = 0; z < extent.depth; ++z)
    {
        const std::uint8_t* slicePixels = bytes + z * slice;
        if (Gfx::IsCompressed(format))
        {
            const std::vector<std::uint32_t> decoded =
                Gfx::DecodeBlocks(format, extent.width, extent.height, slicePixels, slice);
            image.pixels.insert(image.pixels.end(), decoded.begin(), decoded.end());
        }
        else if (format == Format::A8R8G8B8)
        {
            const std::size_t start = image.pixels.size();
            image.pixels.resize(start + texels);
            std::memcpy(&image.pixels[start], slicePixels, texels * 4);
        }
        else
        {
            const std::uint32_t size = Gfx::BytesPerPixel(format);
            for (std::size_t i = 0; i < texels; ++i)
            {
                image.pixels.push_back(Gfx::PixelToArgb(format, slicePixels + i * size));
            }
        }
    }
    return image;
}

std::vector<std::uint8_t> FromArgb(const ArgbImage& image, std::uint32_t format)
{
    const std::uint32_t size = Gfx::BytesPerPixel(format);
    std::vector<std::uint8_t> bytes(image.pixels.size() * size);
    if (format == Format::A8R8G8B8)
    {
        std::memcpy(bytes.data(), image.pixels.data(), bytes.size());
        return bytes;
    }
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
    {
        Gfx::ArgbToPixel(format, image.pixels[i], &bytes[i * size]);
    }
    return bytes;
}

void ApplyColorKey(ArgbImage& image, std::uint32_t colorKey)
{
    if (colorKey != 0)
    {
        std::replace(image.pixels.begin(), image.pixels.end(), colorKey, 0u);
    }
}

void TraceFile(const char* path, const std::string& what)
{
    Trace(std::string("cannot load image ") + (path ? path : "(null)") + ": " + what);
}

void TraceEncodingOnce()
{
    static std::once_flag traced;
    std::call_once(traced, [] {
        Trace("block-compressed textures cannot be encoded here: such textures are made A8R8G8B8 instead");
    });
}

// Writes a level's slices (tightly packed rows) into a locked face level.
Result WriteLevel(BaseTexture& texture, std::uint32_t face, std::uint32_t level, std::uint32_t format,
                  const Extent& extent, const std::uint8_t* bytes)
{
    Gfx::LockedBox locked;
    const Result result = texture.LockRegion(face, level, nullptr, 0, &locked);
    if (Gfx::Failed(result))
    {
        return result;
    }
    const std::size_t rowBytes = Gfx::RowPitchOf(format, extent.width);
    const std::uint32_t rows = Gfx::RowCountOf(format, extent.height);
    auto* target = static_cast<std::uint8_t*>(locked.pBits);
    for (std::uint32_t z = 0; z < extent.depth; ++z)
    {
        for (std::uint32_t row = 0; row < rows; ++row)
        {
            std::memcpy(target + static_cast<std::size_t>(z) * locked.SlicePitch +
                            static_cast<std::size_t>(row) * locked.RowPitch,
                        bytes + (static_cast<std::size_t>(z) * rows + row) * rowBytes, rowBytes);
        }
    }
    return texture.UnlockRegion(face, level);
}

struct FileRequest
{
    std::uint32_t type = ResourceType::Texture;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t depth = 1;
    std::uint32_t levels = 0;
    std::uint32_t usage = 0;
    std::uint32_t format = 0;
    std::uint32_t pool = 0;
    std::uint32_t filter = DefaultValue;
    std::uint32_t mipFilter = DefaultValue;
    std::uint32_t colorKey = 0;
};

Result MakeTexture(Gfx::Device& device, std::uint32_t type, const Extent& extent, std::uint32_t levels,
                   std::uint32_t usage, std::uint32_t format, std::uint32_t pool, BaseTexture** texture)
{
    if (type == ResourceType::CubeTexture)
    {
        Gfx::CubeTexture* cube = nullptr;
        const Result result =
            device.CreateCubeTexture(extent.width, levels, usage, format, pool, &cube, nullptr);
        *texture = cube;
        return result;
    }
    if (type == ResourceType::VolumeTexture)
    {
        Gfx::VolumeTexture* volume = nullptr;
        const Result result = device.CreateVolumeTexture(extent.width, extent.height, extent.depth, levels,
                                                         usage, format, pool, &volume, nullptr);
        *texture = volume;
        return result;
    }
    Gfx::Texture* flat = nullptr;
    const Result result =
        device.CreateTexture(extent.width, extent.height, levels, usage, format, pool, &flat, nullptr);
    *texture = flat;
    return result;
}

// Fills every face and level of a texture of the request's description from the image.
Result FillTexture(BaseTexture& texture, const ImageInfo& info, const ImageLevels& image,
                   const FileRequest& request, const Extent& extent, std::uint32_t levels,
                   std::uint32_t format)
{
    const Extent file{info.Width, info.Height, request.type == ResourceType::VolumeTexture ? info.Depth : 1};
    // Levels the file holds at the size asked are copied as stored when nothing changes them.
    const bool copyStored = format == image.Format() && extent == file && request.colorKey == 0;
    const ResizeFilter filter = FilterOf(request.filter, ResizeFilter::Smooth);
    const ResizeFilter mipFilter = FilterOf(request.mipFilter, ResizeFilter::Smooth);
    auto fileHolds = [&](std::uint32_t level) {
        return level < image.Levels() && LevelExtent(file, level) == LevelExtent(extent, level);
    };
    const std::uint32_t faces = texture.FaceCount();
    for (std::uint32_t face = 0; face < faces; ++face)
    {
        ArgbImage above;
        for (std::uint32_t level = 0; level < levels; ++level)
        {
            const Extent size = LevelExtent(extent, level);
            const bool stored = fileHolds(level);
            const bool nextMade = level + 1 < levels && !(copyStored && fileHolds(level + 1));
            if (copyStored && stored)
            {
                const std::uint8_t* bytes = image.Level(face, level);
                const Result written = WriteLevel(texture, face, level, format, size, bytes);
                if (Gfx::Failed(written))
                {
                    return written;
                }
                if (nextMade)
                {
                    above = ToArgb(image.Format(), bytes, size);
                }
                continue;
            }
            ArgbImage current;
            if (stored)
            {
                current = ToArgb(image.Format(), image.Level(face, level), size);
                ApplyColorKey(current, request.colorKey);
            }
            else if (level == 0)
            {
                ArgbImage top = ToArgb(image.Format(), image.Level(face, 0), file);
                ApplyColorKey(top, request.colorKey);
                current = ResizeImage(top, size.width, size.height, size.depth, filter);
            }
            else
            {
                current = ResizeImage(above, size.width, size.height, size.depth, mipFilter);
            }
            const std::vector<std::uint8_t> bytes = FromArgb(current, format);
            const Result written = WriteLevel(texture, face, level, format, size, bytes.data());
            if (Gfx::Failed(written))
            {
                return written;
            }
            above = std::move(current);
        }
    }
    return Ok;
}

Result LoadTextureFile(Gfx::Device* device, const char* path, const FileRequest& request, ImageInfo* infoOut,
                       BaseTexture** out)
{
    if (!device || !path || !out)
    {
        return InvalidCall;
    }
    ImageInfo info;
    ImageLevels image;
    std::string error;
    if (!LoadImageFile(path, info, &image, error))
    {
        TraceFile(path, error);
        return InvalidData;
    }
    if ((request.type == ResourceType::CubeTexture && info.ResourceType != ResourceType::CubeTexture) ||
        (request.type == ResourceType::VolumeTexture && info.ResourceType != ResourceType::VolumeTexture))
    {
        if (infoOut)
        {
            *infoOut = info;
        }
        TraceFile(path, request.type == ResourceType::CubeTexture ? "the file holds no cube map"
                                                                  : "the file holds no volume texture");
        return InvalidData;
    }
    Extent extent{ResolveSize(request.width, info.Width), ResolveSize(request.height, info.Height), 1};
    if (request.type == ResourceType::CubeTexture)
    {
        extent.height = extent.width;
    }
    else if (request.type == ResourceType::VolumeTexture)
    {
        extent.depth = ResolveSize(request.depth, info.Depth);
    }
    const std::uint32_t fullChain = Gfx::FullChainLength(extent.width, extent.height, extent.depth);
    const std::uint32_t levels = request.levels == 0 || request.levels == DefaultValue
                                     ? fullChain
                                     : std::min(request.levels, fullChain);
    std::uint32_t format = request.format == 0 ? info.Format : request.format;
    const Extent file{info.Width, info.Height, request.type == ResourceType::VolumeTexture ? info.Depth : 1};
    const bool blocksKept =
        format == image.Format() && extent == file && request.colorKey == 0 && levels <= image.Levels();
    if (Gfx::IsCompressed(format) && !blocksKept)
    {
        TraceEncodingOnce();
        format = Format::A8R8G8B8;
    }

    // Default-pool textures that cannot be locked are filled through a system-memory twin.
    const bool lockable = request.pool != Gfx::Pool::Default || (request.usage & Gfx::Usage::Dynamic) != 0;
    BaseTexture* texture = nullptr;
    Result result =
        MakeTexture(*device, request.type, extent, levels, request.usage, format, request.pool, &texture);
    if (Gfx::Failed(result))
    {
        TraceFile(path, std::string("the device refused the texture: ") + Gfx::ErrorName(result));
        return result;
    }
    BaseTexture* staging = nullptr;
    if (!lockable)
    {
        result =
            MakeTexture(*device, request.type, extent, levels, 0, format, Gfx::Pool::SystemMemory, &staging);
    }
    if (Gfx::Succeeded(result))
    {
        result = FillTexture(staging ? *staging : *texture, info, image, request, extent, levels, format);
    }
    if (Gfx::Succeeded(result) && staging)
    {
        result = device->UpdateTexture(staging, texture);
    }
    if (staging)
    {
        staging->Release();
    }
    if (Gfx::Failed(result))
    {
        TraceFile(path, std::string("the texture could not be filled: ") + Gfx::ErrorName(result));
        texture->Release();
        return result;
    }
    if (infoOut)
    {
        *infoOut = info;
    }
    *out = texture;
    return Ok;
}

std::uint32_t ChainArgument(std::uint32_t levels)
{
    return levels == DefaultValue ? 0 : levels;
}

} // namespace

Result GetImageInfoFromFile(const char* path, ImageInfo* info)
{
    if (!path || !info)
    {
        return InvalidCall;
    }
    std::string error;
    ImageInfo read;
    if (!LoadImageFile(path, read, nullptr, error))
    {
        TraceFile(path, error);
        return InvalidData;
    }
    *info = read;
    return Ok;
}

Result CreateTexture(Gfx::Device* device, std::uint32_t width, std::uint32_t height, std::uint32_t levels,
                     std::uint32_t usage, std::uint32_t format, std::uint32_t pool, Gfx::Texture** texture)
{
    if (!device)
    {
        return InvalidCall;
    }
    return device->CreateTexture(width, height, ChainArgument(levels), usage, format, pool, texture, nullptr);
}

Result CreateCubeTexture(Gfx::Device* device, std::uint32_t edge, std::uint32_t levels, std::uint32_t usage,
                         std::uint32_t format, std::uint32_t pool, Gfx::CubeTexture** texture)
{
    if (!device)
    {
        return InvalidCall;
    }
    return device->CreateCubeTexture(edge, ChainArgument(levels), usage, format, pool, texture, nullptr);
}

Result CreateVolumeTexture(Gfx::Device* device, std::uint32_t width, std::uint32_t height,
                           std::uint32_t depth, std::uint32_t levels, std::uint32_t usage,
                           std::uint32_t format, std::uint32_t pool, Gfx::VolumeTexture** texture)
{
    if (!device)
    {
        return InvalidCall;
    }
    return device->CreateVolumeTexture(width, height, depth, ChainArgument(levels), usage, format, pool,
                                       texture, nullptr);
}

Result CreateTextureFromFileEx(Gfx::Device* device, const char* path, std::uint32_t width,
                               std::uint32_t height, std::uint32_t levels, std::uint32_t usage,
                               std::uint32_t format, std::uint32_t pool, std::uint32_t filter,
                               std::uint32_t mipFilter, std::uint32_t colorKey, ImageInfo* info,
                               void* /*palette*/, Gfx::Texture** texture)
{
    const FileRequest request{
        ResourceType::Texture, width, height, 1, levels, usage, format, pool, filter, mipFilter, colorKey};
    BaseTexture* made = nullptr;
    const Result result = LoadTextureFile(device, path, request, info, &made);
    if (Gfx::Succeeded(result))
    {
        *texture = static_cast<Gfx::Texture*>(made);
    }
    return result;
}

Result CreateCubeTextureFromFileEx(Gfx::Device* device, const char* path, std::uint32_t edge,
                                   std::uint32_t levels, std::uint32_t usage, std::uint32_t format,
                                   std::uint32_t pool, std::uint32_t filter, std::uint32_t mipFilter,
                                   std::uint32_t colorKey, ImageInfo* info, void* /*palette*/,
                                   Gfx::CubeTexture** texture)
{
    const FileRequest request{
        ResourceType::CubeTexture, edge, edge, 1, levels, usage, format, pool, filter, mipFilter, colorKey};
    BaseTexture* made = nullptr;
    const Result result = LoadTextureFile(device, path, request, info, &made);
    if (Gfx::Succeeded(result))
    {
        *texture = static_cast<Gfx::CubeTexture*>(made);
    }
    return result;
}

Result CreateVolumeTextureFromFileEx(Gfx::Device* device, const char* path, std::uint32_t width,
                                     std::uint32_t height, std::uint32_t depth, std::uint32_t levels,
                                     std::uint32_t usage, std::uint32_t format, std::uint32_t pool,
                                     std::uint32_t filter, std::uint32_t mipFilter, std::uint32_t colorKey,
                                     ImageInfo* info, void* /*palette*/, Gfx::VolumeTexture** texture)
{
    const FileRequest request{ResourceType::VolumeTexture,
                              width,
                              height,
                              depth,
                              levels,
                              usage,
                              format,
                              pool,
                              filter,
                              mipFilter,
                              colorKey};
    BaseTexture* made = nullptr;
    const Result result = LoadTextureFile(device, path, request, info, &made);
    if (Gfx::Succeeded(result))
    {
        *texture = static_cast<Gfx::VolumeTexture*>(made);
    }
    return result;
}

Result LoadSurfaceFromFile(Gfx::Surface* surface, const void* /*palette*/, const Gfx::Rect* destinationRect,
                           const char* path, const Gfx::Rect* sourceRect, std::uint32_t filter,
                           std::uint32_t colorKey, ImageInfo* info)
{
    if (!surface || !path)
    {
        return InvalidCall;
    }
    if (destinationRect || sourceRect)
    {
        Trace(std::string("loading ") + path + " into part of a surface is not supported");
        return InvalidCall;
    }
    ImageInfo read;
    ImageLevels image;
    std::string error;
    if (!LoadImageFile(path, read, &image, error))
    {
        TraceFile(path, error);
        return InvalidData;
    }
    const Gfx::SurfaceDesc& desc = surface->Desc();
    const Extent file{read.Width, read.Height, 1};
    const Extent target{desc.Width, desc.Height, 1};
    std::vector<std::uint8_t> converted;
    const std::uint8_t* bytes = image.Level(0, 0);
    if (!(desc.Format == image.Format() && file == target && colorKey == 0))
    {
        if (Gfx::IsCompressed(desc.Format) || Gfx::BytesPerPixel(desc.Format) == 0)
        {
            TraceFile(path, "the surface's format cannot be written from another size or format");
            return InvalidCall;
        }
        ArgbImage pixels = ToArgb(image.Format(), bytes, file);
        ApplyColorKey(pixels, colorKey);
        converted = FromArgb(
            ResizeImage(pixels, target.width, target.height, 1, FilterOf(filter, ResizeFilter::Smooth)),
            desc.Format);
        bytes = converted.data();
    }
    const bool blocks = Gfx::IsCompressed(desc.Format);
    const Gfx::Rect whole{0, 0, static_cast<std::int32_t>(blocks ? (desc.Width + 3) / 4 : desc.Width),
                          static_cast<std::int32_t>(blocks ? (desc.Height + 3) / 4 : desc.Height)};
    if (!surface->WriteRect(whole, bytes))
    {
        TraceFile(path, "the surface cannot be written (depth-stencil or multisampled)");
        return InvalidCall;
    }
    if (info)
    {
        *info = read;
    }
    return Ok;
}

Result SaveSurfaceToFile(const char* path, std::uint32_t fileFormat, Gfx::Surface* surface,
                         const void* /*palette*/, const Gfx::Rect* rect)
{
    if (!path || !surface || fileFormat != ImageFileFormat::Png)
    {
        Trace(std::string("cannot save ") + (path ? path : "(null)") +
              ": only PNG files of a surface are written");
        return InvalidCall;
    }
    Result result = Ok;
    if (!rect)
    {
        result = Gfx::SaveSurfaceToPng(surface, path);
    }
    else
    {
        const Gfx::SurfaceDesc& desc = surface->Desc();
        if (rect->left < 0 || rect->top < 0 || rect->right <= rect->left || rect->bottom <= rect->top ||
            static_cast<std::uint32_t>(rect->right) > desc.Width ||
            static_cast<std::uint32_t>(rect->bottom) > desc.Height)
        {
            result = InvalidCall;
        }
        std::vector<std::uint32_t> pixels;
        if (Gfx::Succeeded(result))
        {
            result = Gfx::ReadSurfacePixels(surface, pixels);
        }
        if (Gfx::Succeeded(result))
        {
            const auto width = static_cast<std::uint32_t>(rect->right - rect->left);
            const auto height = static_cast<std::uint32_t>(rect->bottom - rect->top);
            std::vector<std::uint32_t> part;
            part.reserve(static_cast<std::size_t>(width) * height);
            for (auto y = static_cast<std::uint32_t>(rect->top); y < static_cast<std::uint32_t>(rect->bottom);
                 ++y)
            {
                const auto row = pixels.begin() + static_cast<std::ptrdiff_t>(y) * desc.Width + rect->left;
                part.insert(part.end(), row, row + width);
            }
            result = Gfx::WritePng(path, width, height, part, Gfx::HasAlpha(desc.Format)) ? Ok : Gfx::Fail;
        }
    }
    if (Gfx::Failed(result))
    {
        Trace(std::string("cannot save ") + path + ": " + Gfx::ErrorName(result));
    }
    return result;
}

} // namespace Platform::GfxKit
