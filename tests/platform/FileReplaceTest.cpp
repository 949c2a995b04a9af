#include "platform/os/FileReplace.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{

class FileReplace : public testing::Test
{
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() / ("quarrow-replace-" + std::to_string(::getpid()) + "-" +
                                            testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root);
    }
    void TearDown() override
    {
        std::error_code error;
        fs::remove_all(root, error);
    }

    static std::string Read(const fs::path& path)
    {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    std::size_t EntriesInRoot() const
    {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(root), fs::directory_iterator()));
    }

    fs::path root;
};

} // namespace

TEST_F(FileReplace, CreatesAndReplacesLeavingNoTemporaryFile)
{
    const fs::path target = root / "config.xml";
    ASSERT_TRUE(Platform::ReplaceFileContents(target.string(), "first"));
    EXPECT_EQ(Read(target), "first");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(Platform::ReplaceFileContents(target.string(), "second, longer"));
    EXPECT_EQ(Read(target), "second, longer");
    EXPECT_EQ(fs::status(target).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(EntriesInRoot(), 1u);
}

TEST_F(FileReplace, FindsTheTargetWithoutRegardToCaseAndFollowsALink)
{
    const fs::path real = root / "Config.XML";
    std::ofstream(real) << "old";
    ASSERT_TRUE(Platform::ReplaceFileContents((root / "config.xml").string(), "new"));
    EXPECT_EQ(Read(real), "new");
    EXPECT_FALSE(fs::exists(root / "config.xml") && !fs::equivalent(root / "config.xml", real));

    fs::create_directories(root / "data");
    fs::create_symlink(real, root / "data" / "link.xml");
    ASSERT_TRUE(Platform::ReplaceFileContents((root / "data" / "link.xml").string(), "through the link"));
    EXPECT_TRUE(fs::is_symlink(root / "data" / "link.xml"));
    EXPECT_EQ(Read(real), "through the link");
}

TEST_F(FileReplace, FailsWithoutWritingAnything)
{
    EXPECT_FALSE(Platform::ReplaceFileContents((root / "missing" / "config.xml").string(), "x"));
    EXPECT_FALSE(fs::exists(root / "missing"));
    fs::create_directories(root / "folder");
    EXPECT_FALSE(Platform::ReplaceFileContents((root / "folder").string(), "x"));
    EXPECT_TRUE(fs::is_directory(root / "folder"));
}

TEST_F(FileReplace, ReadOnlyTargetIsLeftUnchanged)
{
    if (::geteuid() == 0)
    {
        GTEST_SKIP() << "permissions do not bind root";
    }
    const fs::path target = root / "config.xml";
    std::ofstream(target) << "kept";
    fs::permissions(target, fs::perms::owner_read);
    EXPECT_FALSE(Platform::ReplaceFileContents(target.string(), "lost"));
    EXPECT_EQ(Read(target), "kept");
    EXPECT_EQ(EntriesInRoot(), 1u);

    // A writable target in a folder where no temporary file can be made.
    const fs::path writable = root / "locked" / "config.xml";
    fs::create_directories(writable.parent_path());
    std::ofstream(writable) << "kept";
    fs::permissions(writable.parent_path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(Platform::ReplaceFileContents(writable.string(), "lost"));
    EXPECT_EQ(Read(writable), "kept");
    fs::permissions(writable.parent_path(), fs::perms::owner_all);
    EXPECT_EQ(std::distance(fs::directory_iterator(writable.parent_path()), fs::directory_iterator()), 1);
}
