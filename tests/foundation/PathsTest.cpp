#include "foundation/Paths.h"
#include "foundation/PathAliases.h"

#include "foundation/Helpers.h"
#include "platform/os/DebugOutput.h"
#include "platform/os/Files.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

TEST(Paths, NormalizeTable)
{
    const std::pair<const char*, const char*> cases[] = {
        {"D:\\Game\\Data/levels/Basic.map.xml", "D:/Game/Data/levels/Basic.map.xml"},
        {"a/b/../c", "a/c"},
        {"../x", "../x"},
        {"../../x", "../../x"},
        {"a/../../x", "../x"},
        {"a/b/c/../../d", "a/d"},
        {"/a/b/../c", "/a/c"},
        {"a/./b", "a/b"},
        {"a/././b", "a/b"},
        {"./a", "a"},
        {"C:./a/../B", "C:B"},
        {"Media\\\xC4RGER.xml", "Media/\xC4RGER.xml"},
        {"", ""},
    };
    for (const auto& [path, expected] : cases)
    {
        EXPECT_EQ(BaseLib::NormalizePath(path), expected) << path;
    }
}

TEST(Paths, JoinAndSplitTable)
{
    EXPECT_EQ(BaseLib::JoinPath("a/", "/b"), "a/b");
    EXPECT_EQ(BaseLib::JoinPath("a", "b"), "a/b");
    EXPECT_EQ(BaseLib::JoinPath("a/", "b"), "a/b");
    EXPECT_EQ(BaseLib::JoinPath("a", "/b"), "a/b");
    EXPECT_EQ(BaseLib::JoinPath("", "b"), "b");
    EXPECT_EQ(BaseLib::JoinPath("a", ""), "a");
    EXPECT_EQ(BaseLib::JoinPath("a\\", "b"), "a\\/b");

    EXPECT_EQ(BaseLib::GetPathDirectory("level>sub\\a.xml"), "level>sub/");
    EXPECT_EQ(BaseLib::GetFileName("level>sub\\a.xml"), "a.xml");
    EXPECT_EQ(BaseLib::GetPathDirectory("a/b>c.xml"), "a/b>");
    EXPECT_EQ(BaseLib::GetFileName("level>c.xml"), "c.xml");
    EXPECT_EQ(BaseLib::GetPathDirectory("c.xml"), "c.xml");
    EXPECT_EQ(BaseLib::GetFileName("c.xml"), "c.xml");

    EXPECT_EQ(BaseLib::RemoveExtension("dir.old/file"), "dir");
    EXPECT_EQ(BaseLib::RemoveExtension("a/b.map.xml"), "a/b.map");
    EXPECT_EQ(BaseLib::RemoveExtension("file"), "file");
    EXPECT_EQ(BaseLib::InsertBeforeExtension("dir.old/file", "_x"), "dir.old/file_x");
    EXPECT_EQ(BaseLib::InsertBeforeExtension("tex/wall.png", "_specular"), "tex/wall_specular.png");
    EXPECT_EQ(BaseLib::InsertBeforeExtension("a.b>c", "_x"), "a.b>c_x");
    EXPECT_EQ(BaseLib::InsertSubfolder("level>a.xml", "low"), "level>low/a.xml");
    EXPECT_EQ(BaseLib::InsertSubfolder("a.xml", "low/"), "low/a.xml");
    EXPECT_EQ(BaseLib::InsertSubfolder("x\\a.xml", "low\\"), "x\\low\\a.xml");
    EXPECT_EQ(BaseLib::InsertSubfolder("a.xml", ""), "a.xml");

    std::string slashes = "a\\b\\c";
    BaseLib::ToForwardSlashes(slashes);
    EXPECT_EQ(slashes, "a/b/c");
}

TEST(PathAliases, ResolveTable)
{
    BaseLib::CPathAliases aliases;
    aliases.RegisterPathAlias("level", "media>levels", false, false);
    aliases.RegisterPathAlias("media", "D:\\Game\\Data");
    aliases.RegisterPathAlias("Media", "elsewhere");
    aliases.RegisterPathAlias("shader", "old");
    aliases.RegisterPathAlias("shader", "fx/");
    const std::pair<const char*, const char*> cases[] = {
        // The folder keeps its registered case; the part inside it is a media name, lower-cased.
        {"level>Basic.map.xml", "D:/Game/Data/levels/basic.map.xml"},
        {"Media>A.xml", "elsewhere/a.xml"},
        {"shader>/_shared.fx", "fx/_shared.fx"},
        {"unknown>Sub/../X.xml", "x.xml"},
        // A plain path resolves as its alias form inside an alias's folder, else keeps its case.
        {"elsewhere/Sub/B.XML", "elsewhere/sub/b.xml"},
        {"elsewhere2/B.XML", "elsewhere2/B.XML"},
        {"plain/./Path", "plain/Path"},
    };
    for (const auto& [path, expected] : cases)
    {
        EXPECT_EQ(aliases.ResolvePath(path), expected) << path;
    }
    EXPECT_EQ(aliases.Lookup("media", "x"), "D:\\Game\\Data/x");
    EXPECT_EQ(aliases.Lookup("nothing", "x"), "x");
}

TEST(PathAliases, AliasCycleEndsWithATraceAndDropsTheAliases)
{
    BaseLib::CPathAliases aliases;
    aliases.RegisterPathAlias("media", "level>x");
    aliases.RegisterPathAlias("level", "media>levels");
    Platform::DebugOutputCapture capture;
    const std::string resolved = aliases.ResolvePath("level>a.xml");
    EXPECT_EQ(resolved.find('>'), std::string::npos);
    EXPECT_TRUE(resolved.ends_with("levels/a.xml")) << resolved;
    EXPECT_NE(capture.Text().find("level>a.xml"), std::string::npos) << capture.Text();

    // A chain of 15 aliases still resolves in full and traces nothing.
    BaseLib::CPathAliases chain;
    for (int i = 0; i < 15; ++i)
    {
        chain.RegisterPathAlias("a" + std::to_string(i),
                                "a" + std::to_string(i + 1) + ">d" + std::to_string(i));
    }
    capture.Clear();
    EXPECT_EQ(chain.ResolvePath("a0>f"), "d14/d13/d12/d11/d10/d9/d8/d7/d6/d5/d4/d3/d2/d1/d0/f");
    EXPECT_EQ(capture.Text(), "");
}

namespace
{

// The fixture's folder has capitals and a blank ("Quarrow Test-..."), as a user's game folder may.
class PathsOnDisk : public TempFolderTest
{
protected:
    void SetUp() override
    {
        TempFolderTest::SetUp();
        rootText = Root().string();
        ASSERT_EQ(BaseLib::NormalizePath(rootText), rootText) << "an absolute folder keeps its case";
    }

    void Make(const std::string& relative) { WriteFile(relative, "content"); }

    std::string rootText;
};

} // namespace

TEST_F(PathsOnDisk, MediaNamesFoldTheirCaseAndTheFoldersAboveThemKeepIt)
{
    Make("Media/Levels/Basic.XML");
    Make("media/levels/basic.xml"); // another folder, differing from "Media" in case only
    BaseLib::CPathAliases aliases;
    aliases.RegisterPathAlias("media", rootText + "/Media");
    aliases.RegisterPathAlias("level", "media>Levels");

    // One resolved path however the media name is written, by alias or by absolute path.
    const std::string resolved = rootText + "/Media/levels/basic.xml";
    for (const std::string& name :
         {std::string("level>Basic.XML"), std::string("media>LEVELS/basic.xml"),
          rootText + "/Media/Levels/Basic.XML", rootText + "/Media/./x/../levels/BASIC.xml"})
    {
        EXPECT_EQ(aliases.ResolvePath(name), resolved) << name;
    }
    // The file opens through its resolved path although its name on disk has capitals.
    EXPECT_TRUE(BaseLib::FileExists(resolved));
    EXPECT_FALSE(BaseLib::FileExists(rootText + "/Media/levels/other.xml"));
    EXPECT_FALSE(BaseLib::FileExists(""));
    EXPECT_FALSE(BaseLib::FileExists(rootText + "/Media"));
    EXPECT_FALSE(BaseLib::FileExists(rootText));

    // A file picked inside the alias's folder, in its real case, gets its alias form.
    EXPECT_EQ(aliases.MakeAliasPath(rootText + "/Media/Levels/Basic.XML"), "media>Levels/Basic.XML");
    EXPECT_EQ(aliases.MakeAliasPath(resolved), "media>levels/basic.xml");

    // The folder that differs in case only is another folder: outside every alias, its path kept.
    const std::string other = rootText + "/media/levels/basic.xml";
    EXPECT_EQ(aliases.MakeAliasPath(other), "");
    EXPECT_EQ(aliases.ResolvePath(other), other);
}

TEST_F(PathsOnDisk, ListFilesJoinsThePatternsFolderInNameOrder)
{
    Make("b.xml");
    Make("A.XML");
    Make("c.txt");
    fs::create_directories(Root() / "sub.xml");
    std::vector<std::string> list{"kept"};
    BaseLib::ListFiles(rootText + "/*.xml", list);
    EXPECT_EQ(list, (std::vector<std::string>{"kept", rootText + "/A.XML", rootText + "/b.xml",
                                              rootText + "/sub.xml"}));
    list.clear();
    BaseLib::ListFiles(rootText + "/*", list);
    EXPECT_EQ(list,
              (std::vector<std::string>{rootText + "/.", rootText + "/..", rootText + "/A.XML",
                                        rootText + "/b.xml", rootText + "/c.txt", rootText + "/sub.xml"}));
    list.clear();
    BaseLib::ListFiles(rootText + "/missing/*", list);
    EXPECT_TRUE(list.empty());

    // A pattern without a folder lists the current folder by plain names.
    const fs::path previous = fs::current_path();
    fs::current_path(Root());
    BaseLib::ListFiles("*.txt", list);
    fs::current_path(previous);
    EXPECT_EQ(list, (std::vector<std::string>{"c.txt"}));
}

TEST_F(PathsOnDisk, MakeAliasPathLastMatchingAliasWins)
{
    Make("media/levels/a.xml");
    BaseLib::CPathAliases aliases;
    aliases.RegisterPathAlias("media", rootText + "/media");
    aliases.RegisterPathAlias("level", "media>levels");
    aliases.RegisterPathAlias("other", rootText + "/med");
    // "level" sorts before "media": media, the later alias, wins.
    EXPECT_EQ(aliases.MakeAliasPath(rootText + "/media/levels/a.xml"), "media>levels/a.xml");
    EXPECT_EQ(aliases.MakeAliasPath(rootText + "/media/./levels/../x.xml"), "media>x.xml");
    EXPECT_EQ(aliases.MakeAliasPath(rootText + "/mediax/a.xml"), "");
    EXPECT_EQ(aliases.MakeAliasPath("/nowhere/a.xml"), "");

    BaseLib::CPathAliases levelsOnly;
    levelsOnly.RegisterPathAlias("level", rootText + "/media/levels");
    const fs::path previous = fs::current_path();
    fs::current_path(Root());
    EXPECT_EQ(levelsOnly.MakeAliasPath("media/levels/a.xml"), "level>a.xml");
    fs::current_path(previous);
}

TEST(Paths, GetFullPathTracesAndKeepsAPathTooLongToHold)
{
    EXPECT_EQ(BaseLib::GetFullPath("/a/b/../c"), "/a/c");
    const std::string longPath = "/" + std::string(1100, 'x');
    Platform::DebugOutputCapture capture;
    EXPECT_EQ(BaseLib::GetFullPath(longPath), longPath);
    EXPECT_NE(capture.Text().find("GetFullPath"), std::string::npos);
}

TEST(Paths, FileNamesFoldAsToLowerDoes)
{
    for (int byte = 0; byte < 256; ++byte)
    {
        const std::string text(1, static_cast<char>(byte));
        EXPECT_EQ(Platform::FoldNameCase(text), BaseLib::ToLower(text)) << byte;
    }
}
