#include "platform/os/Files.h"

#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;

namespace
{

class PlatformFiles : public TempFolderTest
{
protected:
    std::string Make(const std::string& relative, const std::string& content = "x")
    {
        WriteFile(relative, content);
        return PathOf(relative);
    }

    static std::string Read(std::FILE* file)
    {
        std::string text;
        for (int c; (c = std::fgetc(file)) != EOF;)
        {
            text += static_cast<char>(c);
        }
        std::fclose(file);
        return text;
    }

    std::vector<std::string> List(const std::string& pattern)
    {
        std::vector<std::string> names;
        Platform::FoundEntry entry;
        Platform::FindHandle listing = Platform::FindFirst(Root().string() + "/" + pattern, entry);
        if (listing != nullptr)
        {
            do
            {
                names.push_back(entry.name);
            } while (Platform::FindNext(listing, entry));
            Platform::FindClose(listing);
        }
        return names;
    }
};

} // namespace

TEST_F(PlatformFiles, FoldLowersAsciiAndTheThreeLatinCapitalsOnly)
{
    EXPECT_EQ(Platform::FoldNameCase("AbZ\xC4\xD6\xDC\xDF\xC3\x84"), "abz\xE4\xF6\xFC\xDF\xC3\x84");
}

TEST_F(PlatformFiles, OpensALowerCasedPathOfAFileWithCapitals)
{
    Make("Media/Levels/Basic.XML", "level");
    Make("Media/Lev\xC4/\xD6.txt", "umlaut");
    EXPECT_EQ(Read(Platform::OpenFile(Root().string() + "/media/levels/basic.xml", "rb")), "level");
    EXPECT_EQ(Read(Platform::OpenFile(Root().string() + "/media/lev\xE4/\xF6.txt", "rb")), "umlaut");
    EXPECT_EQ(Platform::LocateFile(Root().string() + "/media/levels/basic.xml"),
              Root().string() + "/Media/Levels/Basic.XML");
    EXPECT_EQ(Platform::OpenFile(Root().string() + "/media/levels/missing.xml", "rb"), nullptr);

    std::ifstream stream;
    EXPECT_TRUE(
        Platform::OpenFileStream(stream, Root().string() + "/MEDIA/levels/basic.xml", std::ios::binary));
    std::string text;
    stream >> text;
    EXPECT_EQ(text, "level");
}

TEST_F(PlatformFiles, WritingFindsTheFoldersAndKeepsANewFileNameAsGiven)
{
    Make("Saves/keep.txt");
    std::FILE* file = Platform::OpenFile(Root().string() + "/saves/New.Bin", "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("data", file);
    std::fclose(file);
    EXPECT_TRUE(fs::exists(Root() / "Saves/New.Bin"));
    EXPECT_FALSE(fs::exists(Root() / "saves"));
    // Writing an existing file under another case replaces it rather than adding a second one.
    file = Platform::OpenFile(Root().string() + "/saves/new.bin", "wb");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    EXPECT_EQ(fs::file_size(Root() / "Saves/New.Bin"), 0u);
    EXPECT_FALSE(fs::exists(Root() / "Saves/new.bin"));
}

TEST_F(PlatformFiles, FoldersAreNotOpened)
{
    Make("Folder/file.txt");
    EXPECT_EQ(Platform::OpenFile(Root().string() + "/folder", "rb"), nullptr);
    EXPECT_TRUE(Platform::IsFolder(Platform::LocateFile(Root().string() + "/folder")));
    std::ifstream stream;
    EXPECT_FALSE(Platform::OpenFileStream(stream, Root().string() + "/Folder", std::ios::binary));
}

TEST_F(PlatformFiles, RemovesFilesByAnyCaseButNeverFoldersAndTellsLinks)
{
    Make("Puzzles/Old.xml");
    Make("Puzzles/Inner/keep.xml");
    fs::create_directory_symlink(Root() / "Puzzles", Root() / "Puzzles/Back");
    const std::string root = Root().string();

    EXPECT_TRUE(Platform::RemoveFile(root + "/puzzles/old.xml"));
    EXPECT_FALSE(fs::exists(Root() / "Puzzles/Old.xml"));
    EXPECT_FALSE(Platform::RemoveFile(root + "/Puzzles/Old.xml")) << "already gone";
    EXPECT_FALSE(Platform::RemoveFile(root + "/Puzzles/Inner"));
    EXPECT_TRUE(fs::exists(Root() / "Puzzles/Inner/keep.xml"));

    EXPECT_TRUE(Platform::IsSymbolicLink(root + "/puzzles/back"));
    EXPECT_FALSE(Platform::IsSymbolicLink(root + "/Puzzles/Inner"));
    EXPECT_FALSE(Platform::IsSymbolicLink(root + "/Puzzles/missing"));
}

TEST_F(PlatformFiles, ListsMatchesWithoutRegardToCaseSortedByName)
{
    Make("b.XML");
    Make("a.xml");
    Make("C.xml");
    Make("notes.txt");
    Make("Sub/inner.xml");
    Make("readme");
    EXPECT_EQ(List("*.xml"), (std::vector<std::string>{"C.xml", "a.xml", "b.XML"}));
    EXPECT_EQ(List("*"),
              (std::vector<std::string>{".", "..", "C.xml", "Sub", "a.xml", "b.XML", "notes.txt", "readme"}));
    EXPECT_EQ(List("?.x?l"), (std::vector<std::string>{"C.xml", "a.xml", "b.XML"}));
    EXPECT_EQ(List("*.*"),
              (std::vector<std::string>{".", "..", "C.xml", "Sub", "a.xml", "b.XML", "notes.txt", "readme"}));
    EXPECT_EQ(List("nothing*"), std::vector<std::string>{});
    Platform::FoundEntry entry;
    EXPECT_EQ(Platform::FindFirst(Root().string() + "/missing/*", entry), nullptr);
    Platform::FindHandle listing = Platform::FindFirst(Root().string() + "/SUB/*.xml", entry);
    ASSERT_NE(listing, nullptr);
    EXPECT_EQ(entry.name, "inner.xml");
    EXPECT_FALSE(Platform::FindNext(listing, entry));
    Platform::FindClose(listing);
}

TEST_F(PlatformFiles, WildcardTable)
{
    struct Case
    {
        const char* name;
        const char* pattern;
        bool matches;
    };
    const Case cases[] = {
        {"level.map.xml", "*.xml", true},
        {"level.xml.bak", "*.xml", false},
        {"A", "a", true},
        {"ab", "a?", true},
        {"a", "a?", false},
        {"abc", "a*c*", true},
        {"abcd", "a*c", false},
        {"", "*", true},
        {"readme", "*.*", true},
        {"read", "re*.*", true},
        {".", "*", true},
        {"x", "", false},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(Platform::MatchesWildcard(c.name, c.pattern), c.matches) << c.name << " ~ " << c.pattern;
    }
}

TEST_F(PlatformFiles, FullPathIsWorkedOutFromTextAlone)
{
    const std::string current = fs::current_path().string();
    EXPECT_EQ(Platform::GetFullPath("/no/such/../place/./x"), "/no/place/x");
    EXPECT_EQ(Platform::GetFullPath("missing/a"), current + "/missing/a");
}

namespace
{

// The executable's folder is where the running test binary lies, whatever the working folder is.
TEST(ExecutableFolder, IsTheFolderOfTheRunningBinary)
{
    const std::string folder = Platform::ExecutableFolder();
    ASSERT_TRUE(folder.starts_with('/'));
    ASSERT_TRUE(folder.ends_with('/'));
    EXPECT_TRUE(fs::is_regular_file(folder + "test_platform"));
}

} // namespace
