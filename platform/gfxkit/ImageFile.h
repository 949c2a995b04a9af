#pragma once

#include "platform/gfxkit/ImageInfo.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The checked reading step for image files. DevIL trusts image headers, so nothing reaches it before
// the file has been read whole (at most 256 MiB, through the case-blind file look-up), its type told
// from its bytes (PNG and JPEG signatures, "BM", "DDS "; TGA by the ending ".tga"), its width and height
// read from its own header and found within 1 … 16384 each and 2^26 texels in all, and an uncompressed
// BMP or TGA found to hold the pixel bytes it declares. DDS files are read by the project's own reader,
// never by DevIL.
namespace Platform::GfxKit
{

// Every level of every face of an image, in one device format and the device layer's memory layout
// (rows top first, 4 × 4 blocks for compressed formats, a volume level's slices one after another).
class ImageLevels
{
public:
    std::uint32_t Format() const { return format_; }
    std::uint32_t Faces() const { return faces_; }
    std::uint32_t Levels() const { return levels_; }
    const std::uint8_t* Level(std::uint32_t face, std::uint32_t level) const;
    std::size_t LevelSize(std::uint32_t face, std::uint32_t level) const;

private:
    friend bool LoadImageFile(const std::string&, ImageInfo&, ImageLevels*, std::string&);

    std::uint32_t format_ = 0;
    std::uint32_t faces_ = 1;
    std::uint32_t levels_ = 1;
    std::vector<std::uint8_t> storage_;
    std::vector<std::size_t> offsets_; // [face * levels + level]
    std::vector<std::size_t> sizes_;
};

// Reads an image file through the checked step: its information from the header, and, when levels is
// not null, its pixels (DDS levels as stored; other files decoded by DevIL into A8R8G8B8). False with
// the reason (missing, unreadable, empty, too large, of no known type, a header out of range or cut
// short, pixels the file lacks, or DevIL failing) and the outputs untouched.
bool LoadImageFile(const std::string& path, ImageInfo& info, ImageLevels* levels, std::string& error);

// A file the checked step let through for DevIL: its bytes, DevIL's image type for them, and what its
// header declares.
struct CheckedImageFile
{
    std::vector<std::uint8_t> bytes;
    std::uint32_t libraryType = 0; // an ImageLibraryType
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool alpha = false;
    // Whether the file could be opened (so a refusal is about its contents).
    bool found = false;
};

// The checked step alone, for callers that hand the bytes to DevIL themselves (under its lock, with the
// told type): false with the reason for every file LoadImageFile refuses before decoding, and for DDS
// files, which never go to DevIL.
bool ReadImageFileForLibrary(const std::string& path, CheckedImageFile& file, std::string& error);

} // namespace Platform::GfxKit
