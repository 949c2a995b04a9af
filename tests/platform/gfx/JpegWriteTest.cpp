// The JPEG writer: a picture written and read back through the image library keeps its size and, within
// the loss of its quality, its colours; the same pixels give the same bytes; a file that cannot be
// written answers false and leaves nothing.
#include "platform/gfx/Picture.h"
#include "platform/gfxkit/ImageFile.h"
#include "platform/gfxkit/ImageLibrary.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

namespace fs = std::filesystem;

class JpegWriteTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() / ("quarrow-jpeg-" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    fs::path folder;
};

// Four flat quarters (red, green, blue, grey) with a smooth ramp along the bottom: flat areas survive a
// JPEG closely, so the tolerance can stay tight.
std::vector<std::uint32_t> Quarters(std::uint32_t width, std::uint32_t height)
{
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    for (std::uint32_t y = 0; y < height; ++y)
    {
        for (std::uint32_t x = 0; x < width; ++x)
        {
            std::uint32_t colour = 0;
            if (y >= height - 16)
            {
                const std::uint32_t v = x * 255 / (width - 1);
                colour = (v << 16) | (v << 8) | v;
            }
            else if (y < height / 2)
            {
                colour = x < width / 2 ? 0xC83020u : 0x30B040u;
            }
            else
            {
                colour = x < width / 2 ? 0x3050D0u : 0x808080u;
            }
            pixels[static_cast<std::size_t>(y) * width + x] = 0xFF000000u | colour;
        }
    }
    return pixels;
}

int Channel(std::uint32_t pixel, int shift)
{
    return static_cast<int>((pixel >> shift) & 0xFF);
}

std::string Bytes(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST_F(JpegWriteTest, ReadsBackThroughTheImageLibraryWithItsSizeAndColours)
{
    constexpr std::uint32_t Width = 256;
    constexpr std::uint32_t Height = 192;
    const std::vector<std::uint32_t> pixels = Quarters(Width, Height);
    const fs::path path = folder / "mood.jpg";
    ASSERT_TRUE(Platform::Gfx::WriteJpeg(path.string(), Width, Height, pixels, 90));

    Platform::GfxKit::CheckedImageFile file;
    std::string error;
    ASSERT_TRUE(Platform::GfxKit::ReadImageFileForLibrary(path.string(), file, error)) << error;
    EXPECT_EQ(file.libraryType, Platform::GfxKit::ImageLibraryType::Jpg);
    ASSERT_EQ(file.width, Width);
    ASSERT_EQ(file.height, Height);
    std::vector<std::uint32_t> decoded;
    ASSERT_TRUE(Platform::GfxKit::DecodeWithImageLibrary(file.libraryType, file.bytes.data(), file.bytes.size(),
                                                         file.width, file.height, decoded, error))
        << error;
    ASSERT_EQ(decoded.size(), pixels.size());
    int largest = 0;
    double total = 0.0;
    for (std::size_t i = 0; i < pixels.size(); ++i)
    {
        EXPECT_EQ(decoded[i] >> 24, 0xFFu);
        for (const int shift : {0, 8, 16})
        {
            const int difference = std::abs(Channel(decoded[i], shift) - Channel(pixels[i], shift));
            largest = std::max(largest, difference);
            total += difference;
        }
    }
    // Quality 90: the flat quarters within a few steps on average; only at the edges between colours,
    // where the colour is kept at half resolution, does a channel stray further.
    EXPECT_LT(total / static_cast<double>(pixels.size() * 3), 3.0);
    EXPECT_LT(largest, 100);
    // The middle of each quarter is its colour.
    EXPECT_NEAR(Channel(decoded[48 * Width + 64], 16), 0xC8, 6);
    EXPECT_NEAR(Channel(decoded[48 * Width + 192], 8), 0xB0, 6);
    EXPECT_NEAR(Channel(decoded[130 * Width + 64], 0), 0xD0, 6);
    EXPECT_NEAR(Channel(decoded[130 * Width + 192], 8), 0x80, 6);
}

TEST_F(JpegWriteTest, TheSamePixelsGiveTheSameBytes)
{
    const std::vector<std::uint32_t> pixels = Quarters(64, 48);
    ASSERT_TRUE(Platform::Gfx::WriteJpeg((folder / "a.jpg").string(), 64, 48, pixels, 85));
    ASSERT_TRUE(Platform::Gfx::WriteJpeg((folder / "b.jpg").string(), 64, 48, pixels, 85));
    const std::string first = Bytes(folder / "a.jpg");
    EXPECT_GT(first.size(), 100u);
    EXPECT_EQ(first, Bytes(folder / "b.jpg"));
    // Baseline: the start-of-frame marker is SOF0.
    EXPECT_NE(first.find("\xFF\xC0"), std::string::npos);
    EXPECT_EQ(first.find("\xFF\xC2"), std::string::npos);
}

TEST_F(JpegWriteTest, RefusesWhatItCannotWriteAndLeavesNoFile)
{
    const std::vector<std::uint32_t> pixels = Quarters(16, 16);
    const fs::path missing = folder / "no-such-folder" / "mood.jpg";
    EXPECT_FALSE(Platform::Gfx::WriteJpeg(missing.string(), 16, 16, pixels, 90));
    EXPECT_FALSE(fs::exists(missing));
    // Too few pixels, an empty picture and a quality out of range are refused before any file is made.
    const fs::path refused = folder / "refused.jpg";
    EXPECT_FALSE(Platform::Gfx::WriteJpeg(refused.string(), 17, 16, pixels, 90));
    EXPECT_FALSE(Platform::Gfx::WriteJpeg(refused.string(), 0, 16, pixels, 90));
    EXPECT_FALSE(Platform::Gfx::WriteJpeg(refused.string(), 16, 16, pixels, 0));
    EXPECT_FALSE(Platform::Gfx::WriteJpeg(refused.string(), 16, 16, pixels, 101));
    EXPECT_FALSE(fs::exists(refused));
}

} // namespace
