// The mouse cursor and the window icon as the platform layer reads them.
#include "platform/gfxkit/ImageFile.h"
#include "platform/os/Cursor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace
{

const std::filesystem::path kMedia = QUARROW_MEDIA_DIR;

TEST(CursorAndIconTest, TheCursorReadsWithItsHotSpotInsideTheImage)
{
    const Platform::CursorHandle cursor = Platform::LoadCursorFromFileA((kMedia / "ombrel.cur").c_str());
    ASSERT_NE(nullptr, cursor);
    const Platform::Point size = Platform::CursorSize(cursor);
    EXPECT_EQ(32, size.x);
    EXPECT_EQ(32, size.y);
    const Platform::Point hotSpot = Platform::CursorHotSpot(cursor);
    EXPECT_GE(hotSpot.x, 0);
    EXPECT_GE(hotSpot.y, 0);
    EXPECT_LT(hotSpot.x, size.x);
    EXPECT_LT(hotSpot.y, size.y);
}

TEST(CursorAndIconTest, TheIconDecodesAsSixtyFourSquare)
{
    Platform::GfxKit::ImageInfo info;
    Platform::GfxKit::ImageLevels levels;
    std::string error;
    ASSERT_TRUE(Platform::GfxKit::LoadImageFile((kMedia / "ombrel.png").string(), info, &levels, error)) << error;
    EXPECT_EQ(64u, info.Width);
    EXPECT_EQ(64u, info.Height);
    // Transparent corners, an opaque middle (bytes blue, green, red, alpha).
    const std::uint8_t* pixels = levels.Level(0, 0);
    ASSERT_NE(nullptr, pixels);
    EXPECT_EQ(0, pixels[3]);
    EXPECT_EQ(255, pixels[(32 * 64 + 32) * 4 + 3]);
}

} // namespace
