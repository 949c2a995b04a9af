#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// The project's one set-up of DevIL, the image library that decodes PNG, TGA, BMP and JPEG files.
// DevIL keeps one bound image for the whole process, so every DevIL call anywhere in the program, on
// any thread, runs with ImageLibraryLock() held. Only this layer includes DevIL's headers: textures
// and the window system's bitmaps both decode through DecodeImage. Nobody waits for another thread or
// resource while holding the lock.
namespace Platform::GfxKit
{

// The process-wide re-entrant lock of DevIL.
std::recursive_mutex& ImageLibraryLock();

// Starts DevIL once for the process, whoever calls first: its allocations go through functions that
// zero every block and refuse one above 2^30 bytes, ILU is started for its error texts, and images are
// read with their top row first. Safe to call any number of times, with or without the lock.
void StartImageLibrary();

// DevIL's image types for the files the checked reading step lets through.
namespace ImageLibraryType
{
constexpr std::uint32_t Bmp = 0x0420;
constexpr std::uint32_t Jpg = 0x0425;
constexpr std::uint32_t Png = 0x042A;
constexpr std::uint32_t Tga = 0x042D;
} // namespace ImageLibraryType

// How DecodeImage sizes the picture: width and height 0 keep the stored size; otherwise DevIL's
// scaler makes it width × height with the filter.
enum class ImageScaleFilter
{
    Bilinear,
    BSpline,
};

struct ImageDecodeSize
{
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    ImageScaleFilter filter = ImageScaleFilter::Bilinear;
};

// Where the decoded pixels go: asked once with the final size, it answers room for width × height
// 0xAARRGGBB words, or null when it has none (the decode then fails with "no memory").
using PixelDestination = std::function<std::uint32_t*(std::uint32_t width, std::uint32_t height)>;

// The one decode of the program through DevIL, under its lock: file bytes of a told type (never the
// "unknown" type) whose header the checked step read as width × height become 0xAARRGGBB pixels, top
// row first, optionally scaled. Nothing DevIL reports about sizes is trusted: the image it made must be
// the declared size, its bytes per pixel must agree with its format and type, and its data must hold
// every pixel, before a single byte is copied into the destination's own buffer. False with the reason
// otherwise.
bool DecodeImage(std::uint32_t type, const std::uint8_t* bytes, std::size_t size, std::uint32_t width,
                 std::uint32_t height, const ImageDecodeSize& decodeSize, const PixelDestination& destination,
                 std::string& error);

// Leaves DevIL reading images bottom row first, as a careless user of the library could; tests use it
// to show that the decode sets its own origin.
void TurnImageLibraryOriginOver();

// DecodeImage at the stored size into a vector.
bool DecodeWithImageLibrary(std::uint32_t type, const std::uint8_t* bytes, std::size_t size,
                            std::uint32_t width, std::uint32_t height, std::vector<std::uint32_t>& pixels,
                            std::string& error);

} // namespace Platform::GfxKit
