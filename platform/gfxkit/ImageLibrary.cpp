#include "platform/gfxkit/ImageLibrary.h"

#include <IL/il.h>
#include <IL/ilu.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace Platform::GfxKit
{
namespace
{

constexpr std::size_t kLargestBlock = std::size_t{1} << 30;

// DevIL trusts sizes from image headers: every block starts zeroed, and a huge one is refused (DevIL
// then reports that it ran out of memory) instead of being asked of the system.
void* ILAPIENTRY AllocateZeroed(const ILsizei size)
{
    if (size > kLargestBlock)
    {
        return nullptr;
    }
    return std::calloc(1, size == 0 ? 1 : size);
}

void ILAPIENTRY FreeBlock(const void* block)
{
    std::free(const_cast<void*>(block));
}

} // namespace

std::recursive_mutex& ImageLibraryLock()
{
    static std::recursive_mutex lock;
    return lock;
}

void StartImageLibrary()
{
    static std::once_flag started;
    std::call_once(started, [] {
        std::lock_guard<std::recursive_mutex> hold(ImageLibraryLock());
        ilSetMemory(&AllocateZeroed, &FreeBlock);
        ilInit();
        iluInit();
        ilEnable(IL_ORIGIN_SET);
        ilOriginFunc(IL_ORIGIN_UPPER_LEFT);
    });
}

namespace
{

std::uint32_t ChannelsOf(ILint format)
{
    switch (format)
    {
    case IL_COLOUR_INDEX:
    case IL_ALPHA:
    case IL_LUMINANCE:
        return 1;
    case IL_LUMINANCE_ALPHA:
        return 2;
    case IL_RGB:
    case IL_BGR:
        return 3;
    case IL_RGBA:
    case IL_BGRA:
        return 4;
    default:
        return 0;
    }
}

std::uint32_t BytesOfType(ILint type)
{
    switch (type)
    {
    case IL_BYTE:
    case IL_UNSIGNED_BYTE:
        return 1;
    case IL_SHORT:
    case IL_UNSIGNED_SHORT:
    case IL_HALF:
        return 2;
    case IL_INT:
    case IL_UNSIGNED_INT:
    case IL_FLOAT:
        return 4;
    case IL_DOUBLE:
        return 8;
    default:
        return 0;
    }
}

// Whether the bound image is width × height and what DevIL says of its pixels holds together: bytes per
// pixel as its format and type imply, and data for every pixel.
bool BoundImageAgrees(std::uint32_t width, std::uint32_t height, std::string& error)
{
    if (static_cast<std::uint32_t>(ilGetInteger(IL_IMAGE_WIDTH)) != width ||
        static_cast<std::uint32_t>(ilGetInteger(IL_IMAGE_HEIGHT)) != height ||
        ilGetInteger(IL_IMAGE_DEPTH) != 1)
    {
        error = "the image library decoded another size than the header declares";
        return false;
    }
    const ILint bytesPerPixel = ilGetInteger(IL_IMAGE_BYTES_PER_PIXEL);
    const std::uint32_t implied =
        ChannelsOf(ilGetInteger(IL_IMAGE_FORMAT)) * BytesOfType(ilGetInteger(IL_IMAGE_TYPE));
    if (implied == 0 || bytesPerPixel < 0 || static_cast<std::uint32_t>(bytesPerPixel) != implied)
    {
        error = "the image library's pixel layout does not agree with itself";
        return false;
    }
    const ILint dataSize = ilGetInteger(IL_IMAGE_SIZE_OF_DATA);
    if (ilGetData() == nullptr || dataSize < 0 ||
        static_cast<std::uint64_t>(width) * height * implied > static_cast<std::uint64_t>(dataSize))
    {
        error = "the image library holds fewer pixel bytes than the image needs";
        return false;
    }
    return true;
}

// The bound, checked image into the destination as 0xAARRGGBB words. DevIL's general conversion
// (ilCopyPixels) goes pixel by pixel through a path that costs several times the decode, so the common
// 8-bit RGB(A)/BGR(A) images are swizzled here; everything else is copied by DevIL into the
// destination's own buffer of exactly width × height words.
void CopyBoundImage(std::uint32_t width, std::uint32_t height, std::uint32_t* destination)
{
    const ILint format = ilGetInteger(IL_IMAGE_FORMAT);
    const bool direct = ilGetInteger(IL_IMAGE_TYPE) == IL_UNSIGNED_BYTE &&
                        ilGetInteger(IL_IMAGE_ORIGIN) == IL_ORIGIN_UPPER_LEFT &&
                        (format == IL_RGBA || format == IL_BGRA || format == IL_RGB || format == IL_BGR);
    if (!direct)
    {
        ilCopyPixels(0, 0, 0, width, height, 1, IL_BGRA, IL_UNSIGNED_BYTE, destination);
        return;
    }
    const ILubyte* source = ilGetData();
    const std::size_t count = static_cast<std::size_t>(width) * height;
    if (format == IL_BGRA)
    {
        // BGRA bytes are 0xAARRGGBB words on this little-endian machine.
        std::memcpy(destination, source, count * 4);
        return;
    }
    if (format == IL_RGBA)
    {
        // Words read as 0xAABBGGRR: red and blue change places.
        for (std::size_t i = 0; i < count; ++i)
        {
            std::uint32_t word;
            std::memcpy(&word, source + i * 4, 4);
            destination[i] = (word & 0xFF00FF00u) | (word & 0xFFu) << 16 | (word >> 16 & 0xFFu);
        }
        return;
    }
    const bool rgb = format == IL_RGB;
    for (std::size_t i = 0; i < count; ++i, source += 3)
    {
        const std::uint32_t red = rgb ? source[0] : source[2];
        const std::uint32_t blue = rgb ? source[2] : source[0];
        destination[i] = 0xFF000000u | red << 16 | std::uint32_t{source[1]} << 8 | blue;
    }
}

std::string LibraryError()
{
    const ILenum code = ilGetError();
    const char* text = code != IL_NO_ERROR ? iluErrorString(code) : nullptr;
    return std::string("the image library cannot decode it: ") + (text ? text : "unknown error");
}

// Decodes into the bound image and hands the checked pixels to the destination.
bool DecodeBound(std::uint32_t type, const std::uint8_t* bytes, std::size_t size, std::uint32_t width,
                 std::uint32_t height, const ImageDecodeSize& decodeSize, const PixelDestination& destination,
                 std::string& error)
{
    if (ilLoadL(type, bytes, static_cast<ILuint>(size)) != IL_TRUE)
    {
        error = LibraryError();
        return false;
    }
    if (!BoundImageAgrees(width, height, error))
    {
        return false;
    }
    if (ilGetInteger(IL_IMAGE_FORMAT) == IL_COLOUR_INDEX)
    {
        if (ilConvertImage(IL_BGRA, IL_UNSIGNED_BYTE) != IL_TRUE)
        {
            error = LibraryError();
            return false;
        }
        if (!BoundImageAgrees(width, height, error))
        {
            return false;
        }
    }
    if (decodeSize.width != 0 || decodeSize.height != 0)
    {
        width = std::max(decodeSize.width, 1u);
        height = std::max(decodeSize.height, 1u);
        iluImageParameter(ILU_FILTER,
                          decodeSize.filter == ImageScaleFilter::BSpline ? ILU_SCALE_BSPLINE : ILU_BILINEAR);
        if (iluScale(width, height, 1) != IL_TRUE)
        {
            error = LibraryError();
            return false;
        }
        if (!BoundImageAgrees(width, height, error))
        {
            return false;
        }
    }
    std::uint32_t* pixels = destination(width, height);
    if (pixels == nullptr)
    {
        error = "no memory for " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
        return false;
    }
    CopyBoundImage(width, height, pixels);
    return true;
}

} // namespace

bool DecodeImage(std::uint32_t type, const std::uint8_t* bytes, std::size_t size, std::uint32_t width,
                 std::uint32_t height, const ImageDecodeSize& decodeSize, const PixelDestination& destination,
                 std::string& error)
{
    if (size > std::numeric_limits<ILuint>::max())
    {
        error = "file too large for the image library";
        return false;
    }
    StartImageLibrary();
    std::lock_guard<std::recursive_mutex> hold(ImageLibraryLock());
    while (ilGetError() != IL_NO_ERROR)
    {
        // Errors left by an earlier caller are not this image's.
    }
    // Another user of DevIL may have turned the origin over: images are read top row first.
    ilEnable(IL_ORIGIN_SET);
    ilOriginFunc(IL_ORIGIN_UPPER_LEFT);
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    const bool decoded = DecodeBound(type, bytes, size, width, height, decodeSize, destination, error);
    ilBindImage(0);
    ilDeleteImages(1, &image);
    while (ilGetError() != IL_NO_ERROR)
    {
    }
    return decoded;
}

void TurnImageLibraryOriginOver()
{
    StartImageLibrary();
    std::lock_guard<std::recursive_mutex> hold(ImageLibraryLock());
    ilEnable(IL_ORIGIN_SET);
    ilOriginFunc(IL_ORIGIN_LOWER_LEFT);
}

bool DecodeWithImageLibrary(std::uint32_t type, const std::uint8_t* bytes, std::size_t size,
                            std::uint32_t width, std::uint32_t height, std::vector<std::uint32_t>& pixels,
                            std::string& error)
{
    return DecodeImage(type, bytes, size, width, height, ImageDecodeSize{},
                       [&pixels](std::uint32_t w, std::uint32_t h) {
                           pixels.resize(static_cast<std::size_t>(w) * h);
                           return pixels.data();
                       },
                       error);
}

} // namespace Platform::GfxKit
