#include "platform/gfxkit/ImageFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace
{

std::string Quoted(const std::string& text)
{
    return "'" + text + "'";
}

// Runs the viewer with its output and trace in a file; the exit status.
int RunViewer(const std::string& arguments, const std::string& log)
{
    const std::string command = Quoted(QUARROW_LAYOUT_VIEWER) + " " + arguments + " >" + Quoted(log) + " 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Picture
{
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    const std::uint8_t* pixels = nullptr;
    // Red, green, blue of a pixel (the levels hold bytes blue, green, red, alpha).
    std::uint32_t Rgb(int x, int y) const
    {
        const std::uint8_t* p = pixels + (static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x)) * 4;
        return (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0];
    }
};

TEST(LayoutViewerTest, RendersTheDemoAtAChosenMoment)
{
    const std::filesystem::path folder = QUARROW_TEST_OUTPUT_DIR;
    std::filesystem::create_directories(folder);
    const std::string png = (folder / "layout_viewer.png").string();
    const std::string log = (folder / "layout_viewer.log").string();
    std::filesystem::remove(png);
    ASSERT_EQ(RunViewer(Quoted(std::string(QUARROW_TEST_DATA_DIR) + "/viewer_demo.xml") + " " + Quoted(png) +
                            " 640 480 0.5",
                        log),
              0)
        << ReadText(log);
    EXPECT_NE(ReadText(log).find("first frame composed"), std::string::npos);

    Platform::GfxKit::ImageInfo info;
    Platform::GfxKit::ImageLevels levels;
    std::string error;
    ASSERT_TRUE(Platform::GfxKit::LoadImageFile(png, info, &levels, error)) << error;
    Picture picture{info.Width, info.Height, levels.Level(0, 0)};
    ASSERT_EQ(picture.width, 640u);
    ASSERT_EQ(picture.height, 480u);

    EXPECT_EQ(picture.Rgb(5, 5), 0x1E3CA0u);     // the backdrop
    EXPECT_EQ(picture.Rgb(100, 100), 0xDC2828u); // the group's panels
    EXPECT_EQ(picture.Rgb(300, 100), 0x28C83Cu);
    EXPECT_EQ(picture.Rgb(220, 100), 0x1E3CA0u); // the transparent group covers nothing between them
    // The own-canvas panel half faded in: white and black each halfway over the backdrop.
    const std::uint32_t white = picture.Rgb(130, 240);
    const std::uint32_t black = picture.Rgb(300, 320);
    EXPECT_NEAR(int(white >> 16), (255 + 30) / 2, 3);
    EXPECT_NEAR(int(white & 0xFF), (255 + 160) / 2, 3);
    EXPECT_NEAR(int(black >> 16), 30 / 2, 3);
    EXPECT_NEAR(int(black & 0xFF), 160 / 2, 3);
    // The marker halfway along its slide.
    EXPECT_EQ(picture.Rgb(310, 450), 0xFF8000u);
    EXPECT_EQ(picture.Rgb(20, 450), 0x1E3CA0u);
}

TEST(LayoutViewerTest, AFileThatIsNotALayoutOrBadArgumentsWriteNoPicture)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                          ("quarrow_layout_viewer_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string notXml = (folder / "not_xml.xml").string();
    std::ofstream(notXml) << "this is { not XML";
    const std::string png = (folder / "out.png").string();
    const std::string log = (folder / "log.txt").string();

    EXPECT_EQ(RunViewer(Quoted(notXml) + " " + Quoted(png) + " 64 48", log), 1);
    EXPECT_NE(ReadText(log).find(notXml), std::string::npos) << ReadText(log);
    EXPECT_FALSE(std::filesystem::exists(png));

    for (const char* arguments : {"", "a.xml out.png 640", "a.xml out.png 0 480", "a.xml out.png 640 480 -1",
                                  "a.xml out.png 64x 48", "a.xml out.png 64 48 0.5 extra"})
    {
        EXPECT_EQ(RunViewer(arguments, log), 2) << arguments;
        EXPECT_NE(ReadText(log).find("usage: layout_viewer"), std::string::npos);
    }
    std::filesystem::remove_all(folder);
}

} // namespace
