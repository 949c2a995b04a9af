#include "SequenceBench.h"

#include "foundation/Random.h"
#include "platform/os/PngDecode.h"
#include "game/sequences/DialogBox.h"
#include "ui/BitmapFactory.h"
#include "ui/BitmapPng.h"
#include "ui/UILibSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>
#include <vector>

namespace SequenceTesting
{

namespace
{

void WritePicture(const std::filesystem::path& path, std::int32_t width, std::int32_t height, BaseLib::CColor fill)
{
    std::filesystem::create_directories(path.parent_path());
    const std::vector<BaseLib::CColor> pixels(static_cast<std::size_t>(width) * height, fill);
    EXPECT_TRUE(UILib::WritePixelsPng(path.string(), width, height, pixels.data(), width)) << path;
}

// One block per character (UTF-8 sequences counted once), an empty gap wider than the font's slant.
void WriteStrip(const std::filesystem::path& path, const char* characters, BaseLib::CColor glyph)
{
    std::int32_t count = 0;
    for (const char* c = characters; *c != '\0'; ++c)
    {
        count += (static_cast<unsigned char>(*c) & 0xC0) != 0x80 ? 1 : 0;
    }
    constexpr std::int32_t gap = 8;
    const std::int32_t width = gap + count * (GlyphWidth + gap);
    std::vector<BaseLib::CColor> pixels(static_cast<std::size_t>(width) * GlyphHeight, BaseLib::CColor(0, 0, 0, 0));
    for (std::int32_t i = 0; i < count; ++i)
    {
        for (std::int32_t y = 0; y < GlyphHeight; ++y)
        {
            for (std::int32_t x = 0; x < GlyphWidth; ++x)
            {
                pixels[static_cast<std::size_t>(y) * width + gap + i * (GlyphWidth + gap) + x] = glyph;
            }
        }
    }
    std::filesystem::create_directories(path.parent_path());
    EXPECT_TRUE(UILib::WritePixelsPng(path.string(), width, GlyphHeight, pixels.data(), width)) << path;
}

std::string MakeMedia()
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("Quarrow sequences-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    WritePicture(folder / "mapscreen_seq_textbox3.png", BoxWidth, BoxHeight, BoxColour);
    WritePicture(folder / "mapscreen_seq_textbox1.png", BoxWidth + 20, BoxHeight, BaseLib::CColor(200, 90, 90, 255));
    WritePicture(folder / "mapscreen_seq_textbox2.png", BoxWidth + 40, BoxHeight, BaseLib::CColor(90, 200, 90, 255));
    WritePicture(folder / "ingame_seq_textbox.png", 800, 140, BaseLib::CColor(90, 90, 200, 255));
    WritePicture(folder / "ingame_seq_textbox2.png", 820, 140, BaseLib::CColor(90, 200, 200, 255));
    WritePicture(folder / "mapscreen_seq_textbox_extro.png", 560, 400, BaseLib::CColor(60, 60, 60, 255));
    WriteStrip(folder / "fonts" / "adventure17.png", CDialogBox::CharacterSetA, GlyphColour);
    WriteStrip(folder / "fonts" / "adventure17_white.png", CDialogBox::CharacterSetB, BaseLib::CColor(255, 255, 255, 255));
    return folder.string();
}

class MediaCleanup : public ::testing::Environment
{
public:
    void TearDown() override
    {
        std::error_code error;
        std::filesystem::remove_all(MediaFolder(), error);
    }
};

[[maybe_unused]] ::testing::Environment* const g_cleanup = ::testing::AddGlobalTestEnvironment(new MediaCleanup());

} // namespace

const std::string& MediaFolder()
{
    static const std::string folder = MakeMedia();
    return folder;
}

BaseLib::CColor PictureFile::At(std::int32_t x, std::int32_t y) const
{
    const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 4;
    return BaseLib::CColor(rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]);
}

bool ReadPicture(const std::string& path, PictureFile& picture, std::string& error)
{
    std::ifstream file(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return Platform::DecodePng(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), picture.width,
                               picture.height, picture.rgba, error);
}

void SequenceTest::SetUp()
{
    ControlTest::SetUp();
    static bool searched = false;
    if (!searched)
    {
        UILib::CBitmapFactory* bitmaps = UILib::CUILibSystem::GetInstance()->GetBitmapFactory();
        ASSERT_NE(bitmaps, nullptr);
        bitmaps->AddSearchPath((MediaFolder() + "/").c_str());
        searched = true;
    }
    sounds = &GameTesting::RecordingSoundDevice::Install();
    BaseLib::SeedRandom(1234);
}

void SequenceTest::TearDown()
{
    GameTesting::RecordingSoundDevice::Uninstall();
    sounds = nullptr;
    ControlTest::TearDown();
}

} // namespace SequenceTesting
