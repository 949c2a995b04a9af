#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// The project's one set-up of DevIL, the image library that decodes PNG, TGA, BMP and JPEG files.
// DevIL keeps one bound image for the whole process, so every DevIL call anywhere in the program, on
// any thread, runs with ImageLibraryLock() held; code that calls DevIL itself (the window system's
// bitmaps) takes the lock, calls StartImageLibrary() and then DevIL. Nobody waits for another thread
// or resource while holding the lock.
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

// Decodes file bytes of a told type (never the "unknown" type) under the lock into 0xAARRGGBB pixels,
// top row first. False with DevIL's reason when it cannot, or when the image it made is not
// width × height as the checked header said.
bool DecodeWithImageLibrary(std::uint32_t type, const std::uint8_t* bytes, std::size_t size,
                            std::uint32_t width, std::uint32_t height, std::vector<std::uint32_t>& pixels,
                            std::string& error);

} // namespace Platform::GfxKit
