#include "platform/gfxkit/ImageLibrary.h"

#include <IL/il.h>
#include <IL/ilu.h>

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

bool DecodeWithImageLibrary(std::uint32_t type, const std::uint8_t* bytes, std::size_t size,
                            std::uint32_t width, std::uint32_t height, std::vector<std::uint32_t>& pixels,
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
    bool decoded = ilLoadL(type, bytes, static_cast<ILuint>(size)) == IL_TRUE &&
                   ilConvertImage(IL_BGRA, IL_UNSIGNED_BYTE) == IL_TRUE;
    if (!decoded)
    {
        const ILenum code = ilGetError();
        const char* text = code != IL_NO_ERROR ? iluErrorString(code) : nullptr;
        error = std::string("the image library cannot decode it: ") + (text ? text : "unknown error");
    }
    else if (static_cast<std::uint32_t>(ilGetInteger(IL_IMAGE_WIDTH)) != width ||
             static_cast<std::uint32_t>(ilGetInteger(IL_IMAGE_HEIGHT)) != height ||
             ilGetInteger(IL_IMAGE_DEPTH) != 1)
    {
        error = "the image library decoded another size than the header declares";
        decoded = false;
    }
    else
    {
        // BGRA bytes are 0xAARRGGBB words on this little-endian machine.
        pixels.resize(static_cast<std::size_t>(width) * height);
        std::memcpy(pixels.data(), ilGetData(), pixels.size() * 4);
    }
    ilBindImage(0);
    ilDeleteImages(1, &image);
    return decoded;
}

} // namespace Platform::GfxKit
