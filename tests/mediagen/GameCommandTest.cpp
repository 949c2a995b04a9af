#include "mediagen/GameMedia.h"
#include "tests/mediagen/GeneratedGameMedia.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace
{

namespace fs = std::filesystem;

class GameCommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_folder = fs::temp_directory_path() / ("mediagen_game_" + std::to_string(::getpid()));
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
    }
    void TearDown() override { fs::remove_all(m_folder); }

    fs::path m_folder;
};

TEST_F(GameCommandTest, BadArgumentsAreRefusedWithTheUsage)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(MediaGen::RunGameCommand({}), 2);
    EXPECT_EQ(MediaGen::RunGameCommand({""}), 2);
    EXPECT_EQ(MediaGen::RunGameCommand({"a", "b"}), 2);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("game <media folder>"), std::string::npos);
}

TEST_F(GameCommandTest, AFolderThroughAFileIsRefusedWithItsReasonAndNothingWritten)
{
    const fs::path file = m_folder / "plain";
    std::ofstream(file) << "not a folder";
    testing::internal::CaptureStderr();
    EXPECT_EQ(MediaGen::RunGameCommand({(file / "media").string()}), 1);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("cannot make the folder " + (file / "media").string()), std::string::npos)
        << errors;
    EXPECT_EQ(std::distance(fs::directory_iterator(m_folder), fs::directory_iterator()), 1);
}

TEST_F(GameCommandTest, MakesEveryMediaFolderInLowerCase)
{
    const fs::path& generated = MediaGenTest::GeneratedGameMedia();
    ASSERT_FALSE(generated.empty());
    for (const std::string& folder : MediaGen::GameMediaFolders())
    {
        EXPECT_TRUE(fs::is_directory(generated / folder)) << folder;
        for (const char c : folder)
        {
            EXPECT_FALSE(c >= 'A' && c <= 'Z') << folder;
        }
    }
}

TEST_F(GameCommandTest, AFileThatCannotBeWrittenIsNamedAndLeavesNothingBehind)
{
    testing::internal::CaptureStderr();
    EXPECT_FALSE(MediaGen::WriteMediaFile(m_folder.string(), "missing/folder/file.x", "data"));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot write " +
                                                          (m_folder / "missing/folder/file.x").string()),
              std::string::npos);
    EXPECT_TRUE(MediaGen::WriteMediaFile(m_folder.string(), "file.x", "data"));
    EXPECT_EQ(std::distance(fs::directory_iterator(m_folder), fs::directory_iterator()), 1);
}

} // namespace
