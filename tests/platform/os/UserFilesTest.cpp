#include "platform/os/UserFiles.h"

#include "platform/os/DebugOutput.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using Platform::UserFileKind;
using Place = Platform::UserFolderChoice::Place;

TEST(UserFolderChoice, WorkingFolderUnlessUnwritableOrHome)
{
    const struct
    {
        bool writable;
        bool isHome;
        const char* home;
        const char* config;
        const char* data;
        UserFileKind kind;
        Place place;
        const char* folder;
    } cases[] = {
        {true, false, "/home/p", "/x/cfg", "/x/data", UserFileKind::Config, Place::WorkingFolder, ""},
        {true, false, "", "", "", UserFileKind::Data, Place::WorkingFolder, ""},
        {true, true, "/home/p", "", "", UserFileKind::Config, Place::UserFolder, "/home/p/.config/quarrow/"},
        {true, true, "/home/p", "", "", UserFileKind::Data, Place::UserFolder,
         "/home/p/.local/share/quarrow/"},
        {false, false, "/home/p", "", "", UserFileKind::Config, Place::UserFolder,
         "/home/p/.config/quarrow/"},
        {false, false, "/home/p", "", "", UserFileKind::Data, Place::UserFolder,
         "/home/p/.local/share/quarrow/"},
        {false, false, "/home/p/", "", "", UserFileKind::Data, Place::UserFolder,
         "/home/p/.local/share/quarrow/"},
        {false, false, "/home/p", "", "/d", UserFileKind::Data, Place::UserFolder, "/d/quarrow/"},
        {false, false, "/home/p", "", "/d", UserFileKind::Config, Place::UserFolder,
         "/home/p/.config/quarrow/"},
        {false, false, "/home/p", "/c/", "", UserFileKind::Config, Place::UserFolder, "/c/quarrow/"},
        {false, false, "/home/p", "", "data", UserFileKind::Data, Place::UserFolder,
         "/home/p/.local/share/quarrow/"},
        {false, false, "", "", "/d", UserFileKind::Data, Place::UserFolder, "/d/quarrow/"},
        {false, false, "", "", "", UserFileKind::Data, Place::NoUserFolder, ""},
        {false, false, "", "", "", UserFileKind::Config, Place::NoUserFolder, ""},
        {false, false, "home/p", "cfg", "", UserFileKind::Config, Place::NoUserFolder, ""},
        {true, true, "", "", "data", UserFileKind::Data, Place::NoUserFolder, ""},
    };
    for (const auto& c : cases)
    {
        Platform::UserFolderFacts facts;
        facts.workingFolderWritable = c.writable;
        facts.workingFolderIsHome = c.isHome;
        facts.home = c.home;
        facts.xdgConfigHome = c.config;
        facts.xdgDataHome = c.data;
        const Platform::UserFolderChoice choice = Platform::ChooseUserFolder(c.kind, facts);
        const std::string row = std::string("writable ") + (c.writable ? "yes" : "no") + ", home " +
                                (c.isHome ? "yes" : "no") + ", HOME '" + c.home + "', config '" + c.config +
                                "', data '" + c.data + "', kind " +
                                (c.kind == UserFileKind::Config ? "config" : "data");
        EXPECT_EQ(choice.place, c.place) << row;
        EXPECT_EQ(choice.folder, c.folder) << row;
    }
}

namespace
{

// Sets or unsets one environment variable for the test's lifetime.
class ScopedVariable
{
public:
    ScopedVariable(const char* name, const std::optional<std::string>& value) : m_Name(name)
    {
        if (const char* previous = std::getenv(name))
        {
            m_Previous = previous;
        }
        Set(value);
    }
    ~ScopedVariable() { Set(m_Previous); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    void Set(const std::optional<std::string>& value)
    {
        if (value)
        {
            ::setenv(m_Name, value->c_str(), 1);
        }
        else
        {
            ::unsetenv(m_Name);
        }
    }

    const char* m_Name;
    std::optional<std::string> m_Previous;
};

class UserFiles : public WorkingFolderTest
{
protected:
    std::size_t EntriesIn(const fs::path& folder) const
    {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    }
};

} // namespace

TEST_F(UserFiles, WritableWorkingFolderKeepsThePlainNameAndNoProbe)
{
    fs::create_directories("home");
    const ScopedVariable home("HOME", (Root() / "home").string());
    Platform::DebugOutputCapture trace;
    EXPECT_EQ(Platform::UserFilePath(UserFileKind::Data, "savedgames.bin"), "savedgames.bin");
    EXPECT_EQ(Platform::UserFilePath(UserFileKind::Config, "config.xml"), "config.xml");
    WriteFile("config.xml", "<shipped/>");
    EXPECT_EQ(Platform::UserFileReadPath(UserFileKind::Config, "config.xml"), "config.xml");
    EXPECT_EQ(EntriesIn(Root()), 2u) << "the probe file is removed again";
    EXPECT_TRUE(fs::is_empty(Root() / "home"));
    EXPECT_EQ(trace.Text(), "");
}

TEST_F(UserFiles, HomeFolderAsWorkingFolderUsesTheUserFoldersAndMakesThem)
{
    const ScopedVariable home("HOME", Root().string());
    const ScopedVariable config("XDG_CONFIG_HOME", std::nullopt);
    const ScopedVariable data("XDG_DATA_HOME", (Root() / "xdg" / "data").string());
    WriteFile("config.xml", "<old/>");
    Platform::DebugOutputCapture trace;

    const std::string configFolder = (Root() / ".config" / "quarrow").string() + "/";
    EXPECT_EQ(Platform::UserFileReadPath(UserFileKind::Config, "config.xml"), "config.xml")
        << "the working folder's file while the user folder has none";
    EXPECT_FALSE(fs::exists(Root() / ".config")) << "reading makes no folder";
    EXPECT_EQ(Platform::UserFilePath(UserFileKind::Config, "config.xml"), configFolder + "config.xml");
    EXPECT_TRUE(fs::is_directory(configFolder));
    WriteFile(".config/quarrow/config.xml", "<new/>");
    EXPECT_EQ(Platform::UserFileReadPath(UserFileKind::Config, "config.xml"), configFolder + "config.xml");

    const fs::path video = Root() / "xdg" / "data" / "quarrow" / "video";
    EXPECT_EQ(Platform::UserFilePath(UserFileKind::Data, "video/frame0001.png"),
              (video / "frame0001.png").string());
    EXPECT_EQ(Platform::UserFileReadPath(UserFileKind::Data, "savedgames.bin"),
              (video.parent_path() / "savedgames.bin").string());
    for (const fs::path& made : {Root() / ".config", Root() / ".config" / "quarrow", Root() / "xdg",
                                 Root() / "xdg" / "data", video.parent_path(), video})
    {
        struct stat status = {};
        ASSERT_EQ(::stat(made.c_str(), &status), 0) << made;
        EXPECT_EQ(status.st_mode & 0777, 0700u) << made;
    }

    const std::string traced = trace.Text();
    EXPECT_NE(traced.find("is the home folder"), std::string::npos) << traced;
    EXPECT_NE(traced.find(configFolder), std::string::npos) << traced;
    EXPECT_EQ(std::count(traced.begin(), traced.end(), '\n'), 1)
        << "one line, on the first pick only: " << traced;
}

TEST_F(UserFiles, FolderThatCannotBeMadeLeavesThePlainName)
{
    WriteFile("blocker", "a file where a folder should go");
    const ScopedVariable home("HOME", Root().string());
    const ScopedVariable data("XDG_DATA_HOME", (Root() / "blocker" / "data").string());
    Platform::DebugOutputCapture trace;
    EXPECT_EQ(Platform::UserFilePath(UserFileKind::Data, "savedgames.bin"), "savedgames.bin");
    EXPECT_NE(trace.Text().find("cannot make the folder " + (Root() / "blocker").string()), std::string::npos)
        << trace.Text();
}
