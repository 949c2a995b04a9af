#include "platform/os/FileReplace.h"

#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{

class FileReplace : public TempFolderTest
{
protected:
    static std::string Read(const fs::path& path) { return ReadBytes(path); }

    std::size_t EntriesInRoot() const
    {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(Root()), fs::directory_iterator()));
    }
};

} // namespace

TEST_F(FileReplace, CreatesAndReplacesLeavingNoTemporaryFile)
{
    const fs::path target = Root() / "config.xml";
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
    const fs::path real = Root() / "Config.XML";
    std::ofstream(real) << "old";
    ASSERT_TRUE(Platform::ReplaceFileContents((Root() / "config.xml").string(), "new"));
    EXPECT_EQ(Read(real), "new");
    EXPECT_FALSE(fs::exists(Root() / "config.xml") && !fs::equivalent(Root() / "config.xml", real));

    fs::create_directories(Root() / "data");
    fs::create_symlink(real, Root() / "data" / "link.xml");
    ASSERT_TRUE(Platform::ReplaceFileContents((Root() / "data" / "link.xml").string(), "through the link"));
    EXPECT_TRUE(fs::is_symlink(Root() / "data" / "link.xml"));
    EXPECT_EQ(Read(real), "through the link");
}

TEST_F(FileReplace, FailsWithoutWritingAnything)
{
    EXPECT_FALSE(Platform::ReplaceFileContents((Root() / "missing" / "config.xml").string(), "x"));
    EXPECT_FALSE(fs::exists(Root() / "missing"));
    fs::create_directories(Root() / "folder");
    EXPECT_FALSE(Platform::ReplaceFileContents((Root() / "folder").string(), "x"));
    EXPECT_TRUE(fs::is_directory(Root() / "folder"));
}

TEST_F(FileReplace, ReadOnlyTargetIsLeftUnchanged)
{
    if (::geteuid() == 0)
    {
        GTEST_SKIP() << "permissions do not bind root";
    }
    const fs::path target = Root() / "config.xml";
    std::ofstream(target) << "kept";
    fs::permissions(target, fs::perms::owner_read);
    EXPECT_FALSE(Platform::ReplaceFileContents(target.string(), "lost"));
    EXPECT_EQ(Read(target), "kept");
    EXPECT_EQ(EntriesInRoot(), 1u);

    // A writable target in a folder where no temporary file can be made.
    const fs::path writable = Root() / "locked" / "config.xml";
    fs::create_directories(writable.parent_path());
    std::ofstream(writable) << "kept";
    fs::permissions(writable.parent_path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(Platform::ReplaceFileContents(writable.string(), "lost"));
    EXPECT_EQ(Read(writable), "kept");
    fs::permissions(writable.parent_path(), fs::perms::owner_all);
    EXPECT_EQ(std::distance(fs::directory_iterator(writable.parent_path()), fs::directory_iterator()), 1);
}
