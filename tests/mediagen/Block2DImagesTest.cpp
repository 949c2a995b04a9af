// The 2D view's images as the game command writes them: one per name the puzzle's image table can give,
// byte for byte the committed files and nothing more; and the theme check, which leaves that sub-folder
// to this comparison, still fails for a theme image that is missing, extra or different.
#include "mediagen/Block2DImages.h"
#include "mediagen/GameMedia.h"
#include "tests/mediagen/GeneratedGameMedia.h"

#include "puzzle/BlockImageNames.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <unistd.h>

namespace
{

namespace fs = std::filesystem;

// tests/mediagen/data lies two folders below the repository, whose media/ holds the committed files.
const fs::path kMedia = fs::path(QUARROW_TEST_DATA_DIR).parent_path().parent_path().parent_path() / "media";
const fs::path kPuzzle2D = kMedia / "interface/standard/puzzle2d";

std::string Bytes(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::set<std::string> FilesIn(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
    {
        names.insert(entry.path().filename().string());
    }
    return names;
}

class Block2DImagesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_folder = fs::temp_directory_path() / ("mediagen_block2d_" + std::to_string(::getpid()));
        fs::remove_all(m_folder);
    }
    void TearDown() override { fs::remove_all(m_folder); }

    fs::path m_folder;
};

TEST_F(Block2DImagesTest, TheImagesAreEveryNameOfTheTableOnce)
{
    std::set<std::string> named;
    for (const char* type :
         {"normal", "player", "bridge", "flex", "weakflex", "magnet_pulling", "magnet_pushing", "obstacle",
          "linked", "colored_yellow", "colored_red", "colored_green", "colored_blue", "colored_orange",
          "colored_white", "colored_black"})
    {
        for (int links = 0; links < 16; ++links)
        {
            named.insert(Block2DImageName(type, (links & 1) != 0, (links & 2) != 0, (links & 4) != 0,
                                          (links & 8) != 0));
        }
    }
    std::set<std::string> drawn;
    for (const MediaGen::Block2DImage& image : MediaGen::Block2DImages())
    {
        EXPECT_TRUE(drawn.insert(image.name).second) << image.name << " is drawn twice";
        // The shape drawn is the one the name stands for.
        EXPECT_EQ(image.name, Block2DImageName(image.type, image.north, image.south, image.east, image.west));
    }
    EXPECT_EQ(named, drawn);
    EXPECT_EQ("interface/standard/puzzle2d/normalblock_ns_red.png",
              MediaGen::Block2DImageFile("Puzzle2D/normalblock_ns_red.png"));
}

TEST_F(Block2DImagesTest, TheGameCommandWritesTheCommittedImagesByteForByte)
{
    const fs::path& generated = MediaGenTest::GeneratedGameMedia();
    ASSERT_FALSE(generated.empty());
    const fs::path made = generated / "interface/standard/puzzle2d";
    EXPECT_EQ(FilesIn(kPuzzle2D), FilesIn(made))
        << "the committed folder holds other files than the generator makes";
    std::set<std::string> expected = {"grid_cell.png"};
    for (const MediaGen::Block2DImage& image : MediaGen::Block2DImages())
    {
        expected.insert(fs::path(MediaGen::Block2DImageFile(image.name)).filename().string());
    }
    EXPECT_EQ(expected, FilesIn(made));
    for (const std::string& name : expected)
    {
        EXPECT_TRUE(Bytes(made / name) == Bytes(kPuzzle2D / name))
            << name << " differs from the committed file";
    }
}

// Runs the theme check against a copy of the committed theme folder changed by `change`; its exit status.
int CheckThemeAgainst(const fs::path& scratch, void (*change)(const fs::path& folder))
{
    const fs::path committed = scratch / "committed";
    fs::copy(kMedia / "interface/standard", committed, fs::copy_options::recursive);
    change(committed);
    const std::string command = std::string("'") + CMAKE_COMMAND + "' -DGENERATOR='" + QUARROW_MEDIAGEN +
                                "' -DOUTPUT='" + (scratch / "made").string() + "' -DCOMMITTED='" +
                                committed.string() + "' -P '" + CHECK_THEME_SCRIPT + "' >'" +
                                (scratch / "log").string() + "' 2>&1";
    const int status = std::system(command.c_str());
    fs::remove_all(committed);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(Block2DImagesTest, TheThemeCheckIgnoresSubFoldersButNotThemeImages)
{
    struct Case
    {
        const char* what;
        void (*change)(const fs::path& folder);
        bool passes;
    };
    const Case cases[] = {
        {"the committed folder with its sub-folder", [](const fs::path&) {}, true},
        {"a missing theme image", [](const fs::path& folder) { fs::remove(folder / "std_close.png"); },
         false},
        {"an extra theme image",
         [](const fs::path& folder) { fs::copy_file(folder / "std_close.png", folder / "std_extra.png"); },
         false},
        {"a different theme image",
         [](const fs::path& folder) { std::ofstream(folder / "std_close.png", std::ios::app) << "x"; },
         false},
    };
    fs::create_directories(m_folder);
    for (const Case& check : cases)
    {
        EXPECT_EQ(check.passes, CheckThemeAgainst(m_folder, check.change) == 0) << check.what << ":\n"
                                                                                << Bytes(m_folder / "log");
    }
}

} // namespace
