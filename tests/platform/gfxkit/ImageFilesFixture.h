#pragma once

#include "tests/platform/gfx/DrawFixture.h"

#include "platform/gfxkit/ImageInfo.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace GfxTesting
{

// Image files spelled out byte by byte, so that each test shows exactly what the reader gets.
namespace ImageBytes
{

inline void Put16(std::string& bytes, std::uint32_t value)
{
    bytes += static_cast<char>(value & 0xFF);
    bytes += static_cast<char>((value >> 8) & 0xFF);
}

inline void Put32(std::string& bytes, std::uint32_t value)
{
    Put16(bytes, value & 0xFFFF);
    Put16(bytes, value >> 16);
}

// 24-bit TGA, rows bottom first (the format's default origin).
inline std::string Tga(std::uint32_t width, std::uint32_t height, const std::vector<std::uint32_t>& argb)
{
    std::string bytes(18, '\0');
    bytes[2] = 2;
    bytes[12] = static_cast<char>(width & 0xFF);
    bytes[13] = static_cast<char>(width >> 8);
    bytes[14] = static_cast<char>(height & 0xFF);
    bytes[15] = static_cast<char>(height >> 8);
    bytes[16] = 24;
    for (std::uint32_t y = height; y-- > 0;)
    {
        for (std::uint32_t x = 0; x < width; ++x)
        {
            const std::uint32_t p = argb[y * width + x];
            bytes += static_cast<char>(p & 0xFF);
            bytes += static_cast<char>((p >> 8) & 0xFF);
            bytes += static_cast<char>((p >> 16) & 0xFF);
        }
    }
    return bytes;
}

// 24-bit BMP, rows bottom first, each padded to four bytes.
inline std::string Bmp(std::uint32_t width, std::uint32_t height, const std::vector<std::uint32_t>& argb)
{
    const std::uint32_t rowBytes = (width * 3 + 3) / 4 * 4;
    std::string bytes = "BM";
    Put32(bytes, 54 + rowBytes * height);
    Put32(bytes, 0);
    Put32(bytes, 54);
    Put32(bytes, 40);
    Put32(bytes, width);
    Put32(bytes, height);
    Put16(bytes, 1);
    Put16(bytes, 24);
    for (int i = 0; i < 6; ++i)
    {
        Put32(bytes, 0);
    }
    for (std::uint32_t y = height; y-- > 0;)
    {
        std::string row;
        for (std::uint32_t x = 0; x < width; ++x)
        {
            const std::uint32_t p = argb[y * width + x];
            row += static_cast<char>(p & 0xFF);
            row += static_cast<char>((p >> 8) & 0xFF);
            row += static_cast<char>((p >> 16) & 0xFF);
        }
        row.resize(rowBytes, '\0');
        bytes += row;
    }
    return bytes;
}

struct DdsPixelFormat
{
    std::uint32_t flags, fourCc, bits, red, green, blue, alpha;
};

constexpr DdsPixelFormat kDdsArgb{0x41, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000};
constexpr DdsPixelFormat kDdsArgb4{0x41, 0, 16, 0xF00, 0xF0, 0xF, 0xF000};
constexpr DdsPixelFormat kDdsDxt1{0x4, 0x31545844, 0, 0, 0, 0, 0};

// A DDS header (caps2 0x200 | 0xFC00 for a cube, 0x200000 with depth for a volume) followed by data.
inline std::string Dds(std::uint32_t width, std::uint32_t height, std::uint32_t depth, std::uint32_t levels,
                       std::uint32_t caps2, const DdsPixelFormat& format, const std::string& data)
{
    std::string bytes = "DDS ";
    Put32(bytes, 124);
    Put32(bytes, 0x1007 | 0x20000 | (depth > 1 ? 0x800000 : 0));
    Put32(bytes, height);
    Put32(bytes, width);
    Put32(bytes, 0);
    Put32(bytes, depth);
    Put32(bytes, levels);
    for (int i = 0; i < 11; ++i)
    {
        Put32(bytes, 0);
    }
    Put32(bytes, 32);
    Put32(bytes, format.flags);
    Put32(bytes, format.fourCc);
    Put32(bytes, format.bits);
    Put32(bytes, format.red);
    Put32(bytes, format.green);
    Put32(bytes, format.blue);
    Put32(bytes, format.alpha);
    Put32(bytes, 0x1000 | (levels > 1 ? 0x400008 : 0));
    Put32(bytes, caps2);
    Put32(bytes, 0);
    Put32(bytes, 0);
    Put32(bytes, 0);
    return bytes + data;
}

// count texels of one 32-bit colour as A8R8G8B8 bytes.
inline std::string Fill32(std::uint32_t argb, std::size_t count)
{
    std::string bytes;
    for (std::size_t i = 0; i < count; ++i)
    {
        Put32(bytes, argb);
    }
    return bytes;
}

} // namespace ImageBytes

// A device (from DrawFixture) and a fresh folder of image files.
class ImageFilesFixture : public DrawFixture
{
protected:
    void SetUp() override
    {
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        folder = std::filesystem::temp_directory_path() /
                 ("quarrow-images-" + std::to_string(::getpid()) + "-" + test->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        DrawFixture::SetUp();
    }

    void TearDown() override
    {
        DrawFixture::TearDown();
        std::error_code error;
        std::filesystem::remove_all(folder, error);
    }

    std::string Write(const std::string& name, const std::string& bytes) const
    {
        const std::filesystem::path path = folder / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    std::string WritePicture(const std::string& name, std::uint32_t width, std::uint32_t height,
                             const std::vector<std::uint32_t>& argb, bool alpha) const
    {
        const std::string path = (folder / name).string();
        std::filesystem::create_directories((folder / name).parent_path());
        EXPECT_TRUE(WritePng(path, width, height, argb, alpha));
        return path;
    }

    // A face's level of a texture kept in memory, as 0xAARRGGBB texels (blocks decoded).
    static std::vector<std::uint32_t> Texels(BaseTexture* texture, std::uint32_t level,
                                             std::uint32_t face = 0)
    {
        const std::vector<std::uint8_t> bytes = texture->ReadLevel(face, level);
        const std::uint32_t width = texture->LevelWidth(level);
        const std::uint32_t height = texture->LevelHeight(level) * texture->LevelDepth(level);
        if (IsCompressed(texture->Format()))
        {
            return DecodeBlocks(texture->Format(), width, height, bytes.data(), bytes.size());
        }
        std::vector<std::uint32_t> texels;
        const std::uint32_t size = BytesPerPixel(texture->Format());
        for (std::size_t i = 0; i + size <= bytes.size(); i += size)
        {
            texels.push_back(PixelToArgb(texture->Format(), &bytes[i]));
        }
        return texels;
    }

    std::filesystem::path folder;
};

} // namespace GfxTesting
