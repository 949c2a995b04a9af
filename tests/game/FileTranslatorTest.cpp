#include "foundation/PathAliases.h"
#include "game/FileTranslator.h"
#include "tests/support/ApplicationTest.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace
{

// Runs in a fresh working folder: "interface>" and "a/b>" name folders inside it, bare names lie in it.
class FileTranslatorTest : public TestSupport::ApplicationTest
{
protected:
    void SetUp() override
    {
        ApplicationTest::SetUp();
        aliases.RegisterPathAlias("interface", (Folder() / "ui").string());
        aliases.RegisterPathAlias("a/b", (Folder() / "ab").string());
    }

    static void Make(const std::string& relative)
    {
        const std::filesystem::path folder = std::filesystem::path(relative).parent_path();
        if (!folder.empty())
        {
            std::filesystem::create_directories(folder);
        }
        std::ofstream(relative) << "x";
    }

    BaseLib::CPathAliases aliases;
};

TEST_F(FileTranslatorTest, TheLanguageCopyReplacesThePathOnlyWhenItExists)
{
    struct Case
    {
        const char* folder;
        const char* path;
        std::vector<std::string> files; // relative to the working folder
        const char* expected;
    };
    const Case cases[] = {
        {"german/", "interface>mainmenu.xml", {"ui/mainmenu.xml", "ui/german/mainmenu.xml"},
         "interface>german/mainmenu.xml"},
        {"german/", "interface>mainmenu.xml", {"ui/mainmenu.xml"}, "interface>mainmenu.xml"},
        // The ">" comes after the "/": the folder goes after the ">".
        {"english/", "a/b>c", {"ab/english/c"}, "a/b>english/c"},
        // A "/" after the ">": the folder goes after the "/".
        {"german/", "interface>map/intro.xml", {"ui/map/german/intro.xml"}, "interface>map/german/intro.xml"},
        {"german/", "readme.txt", {"german/readme.txt"}, "german/readme.txt"},
        {"german/", "readme.txt", {"readme.txt"}, "readme.txt"},
        {"", "interface>mainmenu.xml", {"ui/mainmenu.xml"}, "interface>mainmenu.xml"},
        {"", "interface>mainmenu.xml", {}, "interface>mainmenu.xml"},
        // A folder of that name is not a file that opens.
        {"german/", "interface>menu", {"ui/german/menu/x"}, "interface>menu"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.folder) + " " + c.path);
        for (const std::string& file : c.files)
        {
            Make(file);
        }
        CFileTranslator translator(aliases);
        translator.SetLanguageFolder(c.folder);
        EXPECT_EQ(c.expected, translator.Translate(c.path));
        for (const char* folder : {"ui", "ab", "german"})
        {
            std::filesystem::remove_all(folder);
        }
        std::filesystem::remove("readme.txt");
    }
}

TEST_F(FileTranslatorTest, TheInstanceExistsExactlyWhileATranslatorLives)
{
    EXPECT_EQ(nullptr, CFileTranslator::GetInstance());
    {
        CFileTranslator translator(aliases);
        EXPECT_EQ(&translator, CFileTranslator::GetInstance());
        EXPECT_EQ("", translator.GetLanguageFolder());
    }
    EXPECT_EQ(nullptr, CFileTranslator::GetInstance());
}

} // namespace
