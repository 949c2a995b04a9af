// Run-length compressed TGA and BMP files: the checked step walks their packets before DevIL sees
// them, so a file cut short or running past its picture is refused with its reason, and a complete one
// decodes as before.
#include "tests/platform/gfxkit/ImageFilesFixture.h"

#include "platform/gfxkit/ImageFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace GfxTesting
{
namespace
{

using namespace Platform::GfxKit;
using namespace ImageBytes;

// The header of a run-length TGA (type 10) of the given bits, rows top first so the packets read in
// picture order; packets follow.
std::string RleTgaHeader(std::uint32_t width, std::uint32_t height, std::uint32_t bits)
{
    std::string bytes(18, '\0');
    bytes[2] = 10;
    bytes[12] = static_cast<char>(width & 0xFF);
    bytes[13] = static_cast<char>(width >> 8);
    bytes[14] = static_cast<char>(height & 0xFF);
    bytes[15] = static_cast<char>(height >> 8);
    bytes[16] = static_cast<char>(bits);
    bytes[17] = 0x20;
    return bytes;
}

// A 16-bit pixel X1R5G5B5 of 5-bit channels.
std::string Pixel16(std::uint32_t red, std::uint32_t green, std::uint32_t blue)
{
    std::string bytes;
    Put16(bytes, 0x8000 | red << 10 | green << 5 | blue);
    return bytes;
}

std::string RunPacket(std::uint32_t count, const std::string& pixel)
{
    return std::string(1, static_cast<char>(0x80 | (count - 1))) + pixel;
}

std::string RawPacket(std::uint32_t count, const std::string& pixels)
{
    return std::string(1, static_cast<char>(count - 1)) + pixels;
}

// An 8-bit or 4-bit run-length BMP (compression 1 or 2) with a palette of two entries.
std::string RleBmp(std::uint32_t width, std::uint32_t height, bool fourBits, const std::string& data)
{
    std::string bytes = "BM";
    Put32(bytes, 14 + 40 + 8 + static_cast<std::uint32_t>(data.size()));
    Put32(bytes, 0);
    Put32(bytes, 14 + 40 + 8);
    Put32(bytes, 40);
    Put32(bytes, width);
    Put32(bytes, height);
    Put16(bytes, 1);
    Put16(bytes, fourBits ? 4 : 8);
    Put32(bytes, fourBits ? 2 : 1);
    Put32(bytes, static_cast<std::uint32_t>(data.size()));
    Put32(bytes, 0);
    Put32(bytes, 0);
    Put32(bytes, 2);
    Put32(bytes, 0);
    Put32(bytes, 0x000000FFu); // entry 0: blue
    Put32(bytes, 0x00FF0000u); // entry 1: red
    return bytes + data;
}

class CompressedImagesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder = std::filesystem::temp_directory_path() /
                 ("quarrow-compressed-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::string Write(const std::string& name, const std::string& bytes)
    {
        const std::string path = (folder / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    std::filesystem::path folder;
};

TEST_F(CompressedImagesTest, PacketsMustCoverThePictureWithinTheFile)
{
    const std::string red = Pixel16(31, 0, 0);
    const std::string green = Pixel16(0, 31, 0);
    const std::string blue = Pixel16(0, 0, 31);
    // 4 × 2, 16 bits: a run of 5 red, then 3 raw pixels green, blue, green.
    const std::string runs16 = RunPacket(5, red) + RawPacket(3, green + blue + green);
    const std::string complete16 = RleTgaHeader(4, 2, 16) + runs16;
    const std::string complete24 = RleTgaHeader(2, 2, 24) + RunPacket(3, "\x10\x20\x30") + RawPacket(1, "\x40\x50\x60");
    // A real picture's worth of a cut 16-bit file: 256 × 256 of runs of 128, cut in half.
    std::string half = RleTgaHeader(256, 256, 16);
    for (int i = 0; i < 256; ++i)
    {
        half += RunPacket(128, red);
    }

    // RLE8, 4 × 2: bottom row a run of 4 entry 1, end of row; top row 2 raw pixels and a run of 2.
    const std::string rle8 = std::string("\x04\x01\x00\x00", 4) + std::string("\x00\x03\x01\x00\x01\x00", 6) +
                             std::string("\x01\x00\x00\x01", 4);
    // RLE4, 4 × 2: bottom row a run of 4 alternating entries 1 and 0, then 2 raw pixels padded to an
    // even byte count, cut.
    const std::string rle4 = std::string("\x04\x10\x00\x00\x00\x03\x10", 7);

    const struct
    {
        const char* name;
        std::string bytes;
        const char* reason; // null: the check lets it through and it decodes
    } cases[] = {
        {"complete16.tga", complete16, nullptr},
        {"complete24.tga", complete24, nullptr},
        {"cut-in-packet.tga", complete16.substr(0, complete16.size() - 3), "the compressed data ends early"},
        {"cut-between-packets.tga", RleTgaHeader(4, 2, 16) + RunPacket(5, red), "the compressed data ends early"},
        {"cut-half.tga", half, "the compressed data ends early"},
        {"run-past-picture.tga", RleTgaHeader(4, 2, 16) + RunPacket(9, red), "runs past the last pixel"},
        {"raw-past-file.tga", RleTgaHeader(4, 2, 16) + RawPacket(8, red + green), "the compressed data ends early"},
        {"cut24.tga", complete24.substr(0, complete24.size() - 1), "the compressed data ends early"},
        {"complete8.bmp", RleBmp(4, 2, false, rle8), nullptr},
        {"cut8.bmp", RleBmp(4, 2, false, rle8.substr(0, 7)), "the compressed data ends early"},
        {"row-run-too-long.bmp", RleBmp(4, 2, false, std::string("\x05\x01\x00\x01", 4)),
         "runs past the last pixel"},
        {"delta-past-picture.bmp", RleBmp(4, 2, false, std::string("\x00\x02\x00\x03\x00\x01", 6)),
         "runs past the last pixel"},
        {"cut4.bmp", RleBmp(4, 2, true, rle4), "the compressed data ends early"},
        {"raw-cut.bmp", RleBmp(4, 2, false, std::string("\x00\x04\x01\x01", 4)),
         "the compressed data ends early"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::string path = Write(c.name, c.bytes);
        ImageInfo info;
        ImageLevels levels;
        std::string error;
        const bool loaded = LoadImageFile(path, info, &levels, error);
        CheckedImageFile checked;
        std::string checkError;
        const bool passed = ReadImageFileForLibrary(path, checked, checkError);
        if (c.reason == nullptr)
        {
            EXPECT_TRUE(passed) << checkError;
            ASSERT_TRUE(loaded) << error;
            EXPECT_EQ(static_cast<std::size_t>(info.Width) * info.Height * 4, levels.LevelSize(0, 0));
        }
        else
        {
            EXPECT_FALSE(loaded);
            EXPECT_FALSE(passed);
            EXPECT_NE(std::string::npos, error.find(c.reason)) << error;
            EXPECT_EQ(error, checkError);
        }
    }
}

TEST_F(CompressedImagesTest, CompleteRunLengthFilesDecodeToTheirPixels)
{
    const std::string red = Pixel16(31, 0, 0);
    const std::string green = Pixel16(0, 31, 0);
    const std::string blue = Pixel16(0, 0, 31);
    const std::string path16 =
        Write("sixteen.tga", RleTgaHeader(4, 2, 16) + RunPacket(5, red) + RawPacket(3, green + blue + green));
    ImageInfo info;
    ImageLevels levels;
    std::string error;
    ASSERT_TRUE(LoadImageFile(path16, info, &levels, error)) << error;
    ASSERT_EQ(4u, info.Width);
    ASSERT_EQ(2u, info.Height);
    std::vector<std::uint32_t> pixels(8);
    std::memcpy(pixels.data(), levels.Level(0, 0), 32);
    // Five bits a channel become the top five of eight.
    const std::vector<std::uint32_t> expected = {0xFFF80000u, 0xFFF80000u, 0xFFF80000u, 0xFFF80000u,
                                                 0xFFF80000u, 0xFF00F800u, 0xFF0000F8u, 0xFF00F800u};
    EXPECT_EQ(expected, pixels);

    // RLE8 rows are stored bottom first: the bottom row is all red, the top row blue, red, blue, red.
    const std::string rle8 = std::string("\x04\x01\x00\x00", 4) + std::string("\x00\x03\x00\x01\x00\x00", 6) +
                             std::string("\x01\x01\x00\x01", 4);
    const std::string path8 = Write("eight.bmp", RleBmp(4, 2, false, rle8));
    ASSERT_TRUE(LoadImageFile(path8, info, &levels, error)) << error;
    std::memcpy(pixels.data(), levels.Level(0, 0), 32);
    const std::vector<std::uint32_t> expected8 = {0xFF0000FFu, 0xFFFF0000u, 0xFF0000FFu, 0xFFFF0000u,
                                                  0xFFFF0000u, 0xFFFF0000u, 0xFFFF0000u, 0xFFFF0000u};
    EXPECT_EQ(expected8, pixels);
}

} // namespace
} // namespace GfxTesting
