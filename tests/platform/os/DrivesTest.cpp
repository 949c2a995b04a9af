#include "platform/os/Drives.h"

#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace
{

class PlatformDrives : public TempFolderTest
{
};

struct Expected
{
    std::string root;
    Platform::DriveKind kind;
    std::string label;
};

TEST_F(PlatformDrives, MountTableGivesRootsKindsAndLabelsInByteOrder)
{
    // A label folder as the system keeps it: links named by label, one name escaped, each to its device.
    WriteFile("dev/sdb1", "");
    WriteFile("dev/sr0", "");
    std::filesystem::create_directories(Root() / "by-label");
    std::filesystem::create_symlink(Root() / "dev/sdb1", Root() / "by-label/STICK");
    std::filesystem::create_symlink(Root() / "dev/sr0", Root() / "by-label/GAME\\x20DISC");

    // The table escapes a blank in a path as "\040", as the system writes it.
    std::string dev;
    for (const char c : Root().string() + "/dev/")
    {
        dev += c == ' ' ? std::string("\\040") : std::string(1, c);
    }
    Platform::DriveSources sources;
    sources.labelFolder = PathOf("by-label");
    // Every mount point counts as a folder except the one that is gone.
    sources.isFolder = [](const std::string& path) { return path != "/mnt/gone"; };
    sources.mountTable = "/dev/vda / ext4 rw,relatime 0 0\n"
                         "proc /proc proc rw 0 0\n"
                         "tmpfs /dev/shm tmpfs rw 0 0\n"
                         "cgroup /sys/fs/cgroup/cpu cgroup rw 0 0\n" +
                         dev + "sdb1 /media/x ext4 rw 0 0\n"
                         "server:/export /net/share nfs rw 0 0\n" +
                         dev + "sr0 /mnt/cd\\040rom iso9660 ro 0 0\n"
                         "/dev/vdb /mnt/gone ext4 rw 0 0\n"
                         "/dev/vdc /run/media/me/CARD/ vfat rw 0 0\n"
                         "/dev/vda / ext4 rw,relatime 0 0\n"
                         "broken line\n";

    const std::vector<Platform::DriveInfo> drives = Platform::ListDrives(sources);
    const std::vector<Expected> expected = {
        {"/", Platform::DriveKind::Fixed, ""},
        {"/media/x", Platform::DriveKind::Removable, "STICK"},
        {"/mnt/cd rom", Platform::DriveKind::CdRom, "GAME DISC"},
        {"/net/share", Platform::DriveKind::Remote, ""},
        {"/run/media/me/CARD", Platform::DriveKind::Removable, ""},
    };
    ASSERT_EQ(drives.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
    {
        SCOPED_TRACE(expected[i].root);
        EXPECT_EQ(drives[i].root, expected[i].root);
        EXPECT_EQ(drives[i].kind, expected[i].kind);
        EXPECT_EQ(drives[i].label, expected[i].label);
    }
}

TEST_F(PlatformDrives, RootIsListedEvenWhenTheTableLacksItOrIsPseudo)
{
    for (const char* table : {"", "overlay / tmpfs rw 0 0\n"})
    {
        Platform::DriveSources sources;
        sources.mountTable = table;
        sources.labelFolder.clear();
        const std::vector<Platform::DriveInfo> drives = Platform::ListDrives(sources);
        ASSERT_EQ(drives.size(), 1u);
        EXPECT_EQ(drives[0].root, "/");
        EXPECT_EQ(drives[0].kind, Platform::DriveKind::Fixed);
    }
}

TEST_F(PlatformDrives, SystemListStartsAtTheRootAndHoldsOnlyFolders)
{
    const std::vector<Platform::DriveInfo> drives = Platform::ListDrives();
    ASSERT_FALSE(drives.empty());
    EXPECT_EQ(drives[0].root, "/");
    std::set<std::string> seen;
    for (const Platform::DriveInfo& drive : drives)
    {
        EXPECT_TRUE(std::filesystem::is_directory(drive.root)) << drive.root;
        EXPECT_TRUE(seen.insert(drive.root).second) << drive.root;
        EXPECT_NE(drive.root.rfind("/proc", 0), 0u) << drive.root;
    }
}

} // namespace
