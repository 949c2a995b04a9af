#include "mediagen/GameMedia.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace
{

namespace fs = std::filesystem;

// The repository's committed media folder (the test data folder is tests/mediagen/data).
const fs::path CommittedMedia =
    fs::path(QUARROW_TEST_DATA_DIR).parent_path().parent_path().parent_path() / "media";

std::string ReadWhole(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

class GameSoundsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_folder = fs::temp_directory_path() / ("mediagen_sounds_" + std::to_string(::getpid()));
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
    }
    void TearDown() override { fs::remove_all(m_folder); }

    fs::path m_folder;
};

TEST_F(GameSoundsTest, RegeneratedSoundsEqualTheCommittedFiles)
{
    fs::create_directories(m_folder / "sounds" / "music");
    ASSERT_TRUE(MediaGen::WriteGameSounds(m_folder.string()));
    int files = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(m_folder))
    {
        if (!entry.is_regular_file())
        {
            continue;
        }
        ++files;
        const fs::path relative = fs::relative(entry.path(), m_folder);
        EXPECT_TRUE(ReadWhole(entry.path()) == ReadWhole(CommittedMedia / relative))
            << relative << " differs from the committed file; run quarrow-mediagen game media";
    }
    EXPECT_EQ(files, 14);
}

TEST_F(GameSoundsTest, AFileThatCannotBeWrittenIsNamedAndTheOthersAreStillWritten)
{
    fs::create_directories(m_folder / "sounds"); // no "music" sub-folder for the title tune
    testing::internal::CaptureStderr();
    EXPECT_FALSE(MediaGen::WriteGameSounds(m_folder.string()));
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("cannot write " + (m_folder / "sounds/music/titel01_var01.wav").string()),
              std::string::npos)
        << errors;
    EXPECT_TRUE(fs::is_regular_file(m_folder / "sounds" / "std_screenshot.wav"));
    EXPECT_FALSE(fs::exists(m_folder / "sounds" / "music"));
}

} // namespace
