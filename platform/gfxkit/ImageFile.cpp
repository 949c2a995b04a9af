#include "platform/gfxkit/ImageFile.h"

#include "platform/gfx/Constants.h"
#include "platform/gfxkit/DdsFile.h"
#include "platform/gfxkit/ImageLibrary.h"
#include "platform/os/Files.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace Platform::GfxKit
{
namespace
{

constexpr long kLargestFile = 256L * 1024 * 1024;
constexpr const char* kCannotOpen = "cannot open the file";

std::uint32_t Big32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

std::uint32_t Big16(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) << 8 | p[1];
}

std::uint32_t Little16(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8;
}

std::uint32_t Little32(const std::uint8_t* p)
{
    return Little16(p) | Little16(p + 2) << 16;
}

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(Platform::OpenFile(path, "rb"), &std::fclose);
    if (!file)
    {
        error = kCannotOpen;
        return false;
    }
    if (std::fseek(file.get(), 0, SEEK_END) != 0)
    {
        error = "cannot read the file";
        return false;
    }
    const long size = std::ftell(file.get());
    if (size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0)
    {
        error = "cannot read the file";
        return false;
    }
    if (size == 0)
    {
        error = "empty file";
        return false;
    }
    if (size > kLargestFile)
    {
        error = "file larger than 256 MiB";
        return false;
    }
    bytes.resize(static_cast<std::size_t>(size));
    if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size())
    {
        error = "cannot read the file";
        return false;
    }
    return true;
}

struct Header
{
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool alpha = false;
};

bool SizeAllowed(const Header& header, std::string& error)
{
    if (header.width < 1 || header.height < 1 || header.width > MaxImageEdge ||
        header.height > MaxImageEdge ||
        static_cast<std::uint64_t>(header.width) * header.height > MaxImageTexels)
    {
        error = "image size " + std::to_string(header.width) + " x " + std::to_string(header.height) +
                " out of range";
        return false;
    }
    return true;
}

bool ReadPngHeader(const std::vector<std::uint8_t>& bytes, Header& header, std::string& error)
{
    // The signature, then chunks of length, type, data and checksum; IHDR comes first.
    const std::size_t size = bytes.size();
    if (size < 8 + 25 || std::memcmp(&bytes[12], "IHDR", 4) != 0 || Big32(&bytes[8]) != 13)
    {
        error = "PNG header cut short";
        return false;
    }
    header.width = Big32(&bytes[16]);
    header.height = Big32(&bytes[20]);
    const std::uint8_t colourType = bytes[25];
    bool transparency = false;
    bool pixels = false;
    std::size_t at = 8;
    for (;;)
    {
        if (at + 12 > size)
        {
            error = "PNG cut short before its end chunk";
            return false;
        }
        const std::uint64_t length = Big32(&bytes[at]);
        const std::uint8_t* type = &bytes[at + 4];
        if (at + 12 + length > size)
        {
            error = "PNG chunk runs past the end of the file";
            return false;
        }
        if (std::memcmp(type, "tRNS", 4) == 0)
        {
            transparency = true;
        }
        else if (std::memcmp(type, "IDAT", 4) == 0)
        {
            pixels = true;
        }
        else if (std::memcmp(type, "IEND", 4) == 0)
        {
            break;
        }
        at += 12 + static_cast<std::size_t>(length);
    }
    if (!pixels)
    {
        error = "PNG without image data";
        return false;
    }
    header.alpha = colourType == 4 || colourType == 6 || (colourType == 3 && transparency);
    return true;
}

// DevIL answers success for some compressed files whose data stops before the last pixel and leaves
// their pixels half-converted, so the packets are walked here first: they must describe every pixel of
// the picture, none past it, within the file's bytes.
constexpr const char* kCompressedEndsEarly = "the compressed data ends early";

// TGA run-length packets: a count byte (high bit set: one pixel repeated, else that many raw pixels),
// count = low seven bits + 1.
bool TgaRunsCoverPicture(const std::vector<std::uint8_t>& bytes, std::size_t at, const Header& header,
                         std::uint32_t pixelBytes, std::string& error)
{
    const std::uint64_t total = static_cast<std::uint64_t>(header.width) * header.height;
    std::uint64_t covered = 0;
    while (covered < total)
    {
        if (at >= bytes.size())
        {
            error = std::string("TGA: ") + kCompressedEndsEarly;
            return false;
        }
        const std::uint8_t packet = bytes[at++];
        const std::uint64_t count = (packet & 0x7Fu) + 1u;
        const std::uint64_t data = (packet & 0x80u) != 0 ? pixelBytes : count * pixelBytes;
        if (covered + count > total)
        {
            error = "TGA: a compressed packet runs past the last pixel";
            return false;
        }
        if (bytes.size() - at < data)
        {
            error = std::string("TGA: ") + kCompressedEndsEarly;
            return false;
        }
        at += static_cast<std::size_t>(data);
        covered += count;
    }
    return true;
}

// BMP run-length data (RLE8, or RLE4 with two pixels a byte): byte pairs (count, index) repeat a pixel;
// a zero count escapes: 0 ends the row, 1 ends the picture (what is left stays background), 2 moves by
// the two bytes after it, 3 and more are that many raw pixels padded to an even byte count.
bool BmpRunsCoverPicture(const std::vector<std::uint8_t>& bytes, std::uint64_t start, const Header& header,
                         bool fourBits, std::string& error)
{
    const std::uint64_t width = header.width;
    const std::uint64_t height = header.height;
    const std::string endsEarly = std::string("BMP: ") + kCompressedEndsEarly;
    const std::string pastEnd = "BMP: compressed data runs past the last pixel";
    if (start > bytes.size())
    {
        error = endsEarly;
        return false;
    }
    std::size_t at = static_cast<std::size_t>(start);
    std::uint64_t x = 0;
    std::uint64_t y = 0;
    while (y < height)
    {
        if (bytes.size() - at < 2)
        {
            error = endsEarly;
            return false;
        }
        const std::uint32_t count = bytes[at];
        const std::uint32_t value = bytes[at + 1];
        at += 2;
        if (count > 0)
        {
            x += count;
            if (x > width)
            {
                error = pastEnd;
                return false;
            }
            continue;
        }
        if (value == 0)
        {
            x = 0;
            ++y;
        }
        else if (value == 1)
        {
            return true;
        }
        else if (value == 2)
        {
            if (bytes.size() - at < 2)
            {
                error = endsEarly;
                return false;
            }
            x += bytes[at];
            y += bytes[at + 1];
            at += 2;
            if (x > width || y > height || (y == height && x > 0))
            {
                error = pastEnd;
                return false;
            }
        }
        else
        {
            const std::size_t dataBytes = fourBits ? (value + 1) / 2 : value;
            const std::size_t padded = dataBytes + (dataBytes & 1u);
            x += value;
            if (x > width)
            {
                error = pastEnd;
                return false;
            }
            if (bytes.size() - at < padded)
            {
                error = endsEarly;
                return false;
            }
            at += padded;
        }
        if (x == width && y + 1 == height)
        {
            // The last row is full: an end-of-row or end-of-picture mark may follow, or nothing.
            return true;
        }
    }
    return true;
}

bool ReadBmpHeader(const std::vector<std::uint8_t>& bytes, Header& header, std::string& error)
{
    const std::size_t size = bytes.size();
    if (size < 26)
    {
        error = "BMP header cut short";
        return false;
    }
    const std::uint32_t infoSize = Little32(&bytes[14]);
    std::uint32_t bits = 0;
    std::uint32_t compression = 0;
    if (infoSize == 12)
    {
        header.width = Little16(&bytes[18]);
        header.height = Little16(&bytes[20]);
        bits = Little16(&bytes[24]);
    }
    else if (infoSize >= 40 && size >= 14 + 40)
    {
        const auto width = static_cast<std::int32_t>(Little32(&bytes[18]));
        const auto height = static_cast<std::int32_t>(Little32(&bytes[22]));
        // A negative height stores the rows top first.
        header.width = width > 0 ? static_cast<std::uint32_t>(width) : 0;
        header.height = height == INT32_MIN ? 0 : static_cast<std::uint32_t>(height < 0 ? -height : height);
        bits = Little16(&bytes[28]);
        compression = Little32(&bytes[30]);
        const bool alphaMask = infoSize >= 56 && size >= 14 + 56 && Little32(&bytes[14 + 40 + 12]) != 0;
        header.alpha = bits == 32 && ((compression == 3 && alphaMask) || compression == 6);
    }
    else
    {
        error = "BMP header of an unknown kind";
        return false;
    }
    if (!SizeAllowed(header, error))
    {
        return false;
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    {
        error = "BMP with " + std::to_string(bits) + " bits per pixel";
        return false;
    }
    const bool runLength = compression == 1 || compression == 2;
    if (!runLength && compression != 0 && compression != 3 && compression != 6)
    {
        error = "BMP compression " + std::to_string(compression) + " not supported";
        return false;
    }
    if (runLength)
    {
        if (bits != (compression == 1 ? 8u : 4u))
        {
            error = "BMP run-length compression " + std::to_string(compression) + " with " +
                    std::to_string(bits) + " bits per pixel";
            return false;
        }
        return BmpRunsCoverPicture(bytes, Little32(&bytes[10]), header, compression == 2, error);
    }
    {
        const std::uint64_t rowBytes = (static_cast<std::uint64_t>(header.width) * bits + 31) / 32 * 4;
        const std::uint64_t needed =
            static_cast<std::uint64_t>(Little32(&bytes[10])) + rowBytes * header.height;
        if (needed > size)
        {
            error = "BMP shorter than the pixels it declares";
            return false;
        }
    }
    return true;
}

bool ReadJpegHeader(const std::vector<std::uint8_t>& bytes, Header& header, std::string& error)
{
    // Segments FF xx with a big-endian length follow the start mark; a start-of-frame segment holds the
    // sizes. Markers without a length (restart marks, fill bytes) are stepped over.
    const std::size_t size = bytes.size();
    std::size_t at = 2;
    while (at + 4 <= size)
    {
        if (bytes[at] != 0xFF)
        {
            break;
        }
        const std::uint8_t marker = bytes[at + 1];
        if (marker == 0xFF)
        {
            ++at;
            continue;
        }
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
        {
            at += 2;
            continue;
        }
        const std::uint32_t length = Big16(&bytes[at + 2]);
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame)
        {
            if (length < 8 || at + 2 + length > size)
            {
                break;
            }
            header.height = Big16(&bytes[at + 5]);
            header.width = Big16(&bytes[at + 7]);
            return SizeAllowed(header, error);
        }
        if (marker == 0xD9 || marker == 0xDA || length < 2)
        {
            break;
        }
        at += 2 + length;
    }
    error = "JPEG without a readable frame header";
    return false;
}

bool ReadTgaHeader(const std::vector<std::uint8_t>& bytes, Header& header, std::string& error)
{
    const std::size_t size = bytes.size();
    if (size < 18)
    {
        error = "TGA header cut short";
        return false;
    }
    const std::uint32_t idLength = bytes[0];
    const std::uint32_t mapType = bytes[1];
    const std::uint32_t imageType = bytes[2];
    const std::uint32_t mapLength = Little16(&bytes[5]);
    const std::uint32_t mapBits = bytes[7];
    header.width = Little16(&bytes[12]);
    header.height = Little16(&bytes[14]);
    const std::uint32_t bits = bytes[16];
    const std::uint32_t alphaBits = bytes[17] & 0x0F;
    if (imageType != 1 && imageType != 2 && imageType != 3 && imageType != 9 && imageType != 10 &&
        imageType != 11)
    {
        error = "TGA image type " + std::to_string(imageType) + " not supported";
        return false;
    }
    if (!SizeAllowed(header, error))
    {
        return false;
    }
    if (bits != 8 && bits != 15 && bits != 16 && bits != 24 && bits != 32)
    {
        error = "TGA with " + std::to_string(bits) + " bits per pixel";
        return false;
    }
    header.alpha = alphaBits > 0 || (mapType == 1 && mapBits == 32);
    const std::uint64_t mapBytes =
        mapType == 1 ? static_cast<std::uint64_t>(mapLength) * ((mapBits + 7) / 8) : 0;
    const std::uint64_t start = 18 + idLength + mapBytes;
    const bool runLength = imageType >= 9;
    if (runLength)
    {
        if (start > size)
        {
            error = "TGA shorter than its colour map";
            return false;
        }
        return TgaRunsCoverPicture(bytes, static_cast<std::size_t>(start), header, (bits + 7) / 8, error);
    }
    const std::uint64_t pixelBytes = static_cast<std::uint64_t>(header.width) * header.height * ((bits + 7) / 8);
    if (start + pixelBytes > size)
    {
        error = "TGA shorter than the pixels it declares";
        return false;
    }
    return true;
}

bool EndsWithTga(const std::string& path)
{
    if (path.size() < 4)
    {
        return false;
    }
    std::string ending = path.substr(path.size() - 4);
    for (char& c : ending)
    {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return ending == ".tga";
}

bool CheckHeader(const std::string& path, std::vector<std::uint8_t> bytes, CheckedImageFile& checked,
                 std::uint32_t& fileFormat, std::string& error)
{
    Header header;
    std::uint32_t libraryType = 0;
    bool read = false;
    if (bytes.size() >= 8 && std::memcmp(bytes.data(), "\x89PNG\r\n\x1a\n", 8) == 0)
    {
        fileFormat = ImageFileFormat::Png;
        libraryType = ImageLibraryType::Png;
        read = ReadPngHeader(bytes, header, error) && SizeAllowed(header, error);
    }
    else if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF)
    {
        fileFormat = ImageFileFormat::Jpg;
        libraryType = ImageLibraryType::Jpg;
        read = ReadJpegHeader(bytes, header, error);
    }
    else if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
    {
        fileFormat = ImageFileFormat::Bmp;
        libraryType = ImageLibraryType::Bmp;
        read = ReadBmpHeader(bytes, header, error);
    }
    else if (EndsWithTga(path))
    {
        fileFormat = ImageFileFormat::Tga;
        libraryType = ImageLibraryType::Tga;
        read = ReadTgaHeader(bytes, header, error);
    }
    else
    {
        error = "not an image file of a known type";
    }
    if (!read)
    {
        return false;
    }
    checked.bytes = std::move(bytes);
    checked.libraryType = libraryType;
    checked.width = header.width;
    checked.height = header.height;
    checked.alpha = header.alpha;
    return true;
}

} // namespace

const std::uint8_t* ImageLevels::Level(std::uint32_t face, std::uint32_t level) const
{
    return storage_.data() + offsets_[static_cast<std::size_t>(face) * levels_ + level];
}

std::size_t ImageLevels::LevelSize(std::uint32_t face, std::uint32_t level) const
{
    return sizes_[static_cast<std::size_t>(face) * levels_ + level];
}

bool LoadImageFile(const std::string& path, ImageInfo& info, ImageLevels* levels, std::string& error)
{
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, error))
    {
        return false;
    }
    if (LooksLikeDds(bytes.data(), bytes.size()))
    {
        DdsLayout layout;
        if (!ReadDdsLayout(bytes.data(), bytes.size(), layout, error))
        {
            return false;
        }
        if (levels)
        {
            levels->format_ = layout.info.Format;
            levels->faces_ = layout.faces;
            levels->levels_ = layout.info.MipLevels;
            levels->offsets_ = std::move(layout.offsets);
            levels->sizes_ = std::move(layout.sizes);
            levels->storage_ = std::move(bytes);
        }
        info = layout.info;
        return true;
    }

    CheckedImageFile checked;
    std::uint32_t fileFormat = 0;
    if (!CheckHeader(path, std::move(bytes), checked, fileFormat, error))
    {
        return false;
    }
    Header header;
    header.width = checked.width;
    header.height = checked.height;
    header.alpha = checked.alpha;
    bytes = std::move(checked.bytes);
    const std::uint32_t libraryType = checked.libraryType;
    ImageInfo result;
    result.Width = header.width;
    result.Height = header.height;
    result.Depth = 1;
    result.MipLevels = 1;
    result.Format = header.alpha ? Gfx::Format::A8R8G8B8 : Gfx::Format::X8R8G8B8;
    result.ResourceType = Gfx::ResourceType::Texture;
    result.ImageFileFormat = fileFormat;
    if (levels)
    {
        std::vector<std::uint32_t> pixels;
        if (!DecodeWithImageLibrary(libraryType, bytes.data(), bytes.size(), header.width, header.height,
                                    pixels, error))
        {
            return false;
        }
        if (!header.alpha)
        {
            for (std::uint32_t& pixel : pixels)
            {
                pixel |= 0xFF000000u;
            }
        }
        levels->format_ = Gfx::Format::A8R8G8B8;
        levels->faces_ = 1;
        levels->levels_ = 1;
        levels->storage_.resize(pixels.size() * 4);
        std::memcpy(levels->storage_.data(), pixels.data(), levels->storage_.size());
        levels->offsets_.assign(1, 0);
        levels->sizes_.assign(1, levels->storage_.size());
    }
    info = result;
    return true;
}

bool ReadImageFileForLibrary(const std::string& path, CheckedImageFile& file, std::string& error)
{
    std::vector<std::uint8_t> bytes;
    const bool read = ReadWholeFile(path, bytes, error);
    file.found = read || error != kCannotOpen;
    if (!read)
    {
        return false;
    }
    if (LooksLikeDds(bytes.data(), bytes.size()))
    {
        error = "a DDS file, which the image library is not given";
        return false;
    }
    std::uint32_t fileFormat = 0;
    return CheckHeader(path, std::move(bytes), file, fileFormat, error);
}

} // namespace Platform::GfxKit
