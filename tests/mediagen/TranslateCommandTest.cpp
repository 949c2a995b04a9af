// The translate command: run over a folder holding the committed base files it writes every language
// copy byte for byte as committed; a table that lacks an entry, holds one no file uses or one that
// cannot be written stops it with the language, the file and the text, and then no copy is written.
#include "mediagen/Translations.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

namespace fs = std::filesystem;

// tests/mediagen/data lies two folders below the repository, whose media/ holds the committed files.
const fs::path kCommitted = fs::path(QUARROW_TEST_DATA_DIR).parent_path().parent_path().parent_path() / "media";

std::string Bytes(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void Write(const fs::path& path, const std::string& contents)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << contents;
}

// A media folder holding the committed base files only, and a copy of the committed tables.
class TranslateCommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() / ("mediagen_translate_" + std::to_string(::getpid()));
        fs::remove_all(folder);
        media = folder / "media";
        tables = folder / "tables";
        for (const std::string& file : MediaGen::TranslatedBaseFiles(kCommitted))
        {
            Write(media / file, Bytes(kCommitted / file));
        }
        fs::create_directories(tables);
        for (const fs::directory_entry& table : fs::directory_iterator(MediaGen::TranslationTablesFolder()))
        {
            fs::copy_file(table.path(), tables / table.path().filename());
        }
    }

    void TearDown() override { fs::remove_all(folder); }

    // Runs the command over the folder; answers its exit code and keeps what it printed to stderr.
    int Run()
    {
        ::testing::internal::CaptureStderr();
        const int code = MediaGen::RunTranslateCommand({media.string(), tables.string()});
        errors = ::testing::internal::GetCapturedStderr();
        return code;
    }

    void ReplaceInTable(const std::string& language, const std::string& from, const std::string& to)
    {
        std::string table = Bytes(tables / language);
        const std::size_t at = table.find(from);
        ASSERT_NE(std::string::npos, at) << from;
        table.replace(at, from.size(), to);
        Write(tables / language, table);
    }

    int Copies()
    {
        int count = 0;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(media))
        {
            const std::string path = entry.path().generic_string();
            for (const MediaGen::TranslationLanguage& language : MediaGen::TranslationLanguages())
            {
                count += entry.is_regular_file() && path.find("/" + language.name + "/") != std::string::npos ? 1 : 0;
            }
        }
        return count;
    }

    fs::path folder;
    fs::path media;
    fs::path tables;
    std::string errors;
};

} // namespace

TEST_F(TranslateCommandTest, WritesEveryCommittedCopyByteForByte)
{
    const std::vector<std::string> files = MediaGen::TranslatedBaseFiles(kCommitted);
    ASSERT_EQ(0, Run()) << errors;
    int compared = 0;
    for (const MediaGen::TranslationLanguage& language : MediaGen::TranslationLanguages())
    {
        for (const std::string& file : files)
        {
            const std::string copy = MediaGen::TranslatedCopyPath(file, language.name);
            ASSERT_TRUE(fs::is_regular_file(kCommitted / copy)) << copy << " is not committed";
            EXPECT_TRUE(Bytes(media / copy) == Bytes(kCommitted / copy)) << copy << " differs from the committed copy";
            ++compared;
        }
    }
    EXPECT_EQ(compared, Copies());
    EXPECT_EQ(MediaGen::TranslationLanguages().size() * files.size(), static_cast<std::size_t>(compared));
}

// A committed copy whose base file is gone would be shown to players of that language alone.
TEST_F(TranslateCommandTest, EveryCommittedScriptCopyHasItsBaseFile)
{
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(kCommitted / "sequences"))
    {
        const fs::path parent = entry.path().parent_path();
        for (const MediaGen::TranslationLanguage& language : MediaGen::TranslationLanguages())
        {
            if (entry.is_regular_file() && parent.filename() == language.name)
            {
                EXPECT_TRUE(fs::is_regular_file(parent.parent_path() / entry.path().filename()))
                    << entry.path() << " has no base file";
            }
        }
    }
}

// Each fault of a table stops the command with a line naming what to mend, and no copy is written.
TEST_F(TranslateCommandTest, AFaultyTableStopsTheCommandNamingTheFaultAndWritesNoCopy)
{
    struct Case
    {
        const char* language;
        const char* from;
        const char* to;
        std::vector<std::string> expected; // parts of the message
    };
    const std::vector<Case> cases = {
        {"french", "en: Skip\nfr: Passer\n", "",
         {"french: interface/mapscreen_cutscenewindow.xml: no entry for the text\n  en: Skip\n"}},
        {"german", "en: Skip\n", "en: Skip it\n",
         {"german: interface/mapscreen_cutscenewindow.xml: no entry for the text\n  en: Skip\n",
          "german:", "the entry for \"Skip it\" is used by no file"}},
        {"italian", "it: Salta\n", "it: Skip\n", {"italian:", "the text \"Skip\" is not translated"}},
        {"spanish", "es: Saltar\n", "es: \n", {"spanish:", "the text \"Skip\" has an empty translation"}},
        {"german", "de: Überspringen\n", "de: @skip\n", {"\"@skip\" starts with \"@\""}},
        {"german", "en: Skip\n", "", {"german:", "a translation without an \"en: \" line before it"}},
        {"french", "fr: Passer\n", "", {"french:", "the text \"Skip\" has no \"fr: \" line after it"}},
        {"spanish", "en: Skip\nes: Saltar\n", "en: Skip\nes: Saltar\n\nen: Skip\nes: Salta\n", {"the text \"Skip\" has an entry already at line"}},
        {"italian", "{br}Risolvi gli enigmi", "{bold}Risolvi gli enigmi", {"holds a mark other than {br} and {space N}"}},
        {"german", "Schlüssel.{br}Löse", "Schlüssel. {br}Löse", {"reads back as", "sequences/needkey_cave.xml"}},
    };
    for (const Case& test : cases)
    {
        SetUp();
        SCOPED_TRACE(std::string(test.language) + ": " + test.to);
        ReplaceInTable(test.language, test.from, test.to);
        EXPECT_EQ(1, Run());
        for (const std::string& part : test.expected)
        {
            EXPECT_NE(std::string::npos, errors.find(part)) << part << " not in:\n" << errors;
        }
        EXPECT_NE(std::string::npos, errors.find("no copy written"));
        EXPECT_EQ(0, Copies());
    }
}

// A base file whose text changed without its entry: the language, the file and the new text are named.
TEST_F(TranslateCommandTest, AChangedBaseTextIsNamedWithItsFileInEveryLanguage)
{
    const fs::path script = media / "sequences" / "needgold_swamp.xml";
    std::string contents = Bytes(script);
    const std::string from = "will not take you across";
    contents.replace(contents.find(from), from.size(), "will not row you across");
    Write(script, contents);
    EXPECT_EQ(1, Run());
    for (const MediaGen::TranslationLanguage& language : MediaGen::TranslationLanguages())
    {
        EXPECT_NE(std::string::npos,
                  errors.find(language.name + ": sequences/needgold_swamp.xml: no entry for the text\n  en: The "
                                              "ferryman of the swamp will not row you across for nothing."))
            << errors;
    }
    EXPECT_EQ(0, Copies());
}

TEST(TranslatedCopyPathTest, InsertsTheLanguageFolderBeforeTheFileName)
{
    EXPECT_EQ("interface/german/mainmenuscreen.xml", MediaGen::TranslatedCopyPath("interface/mainmenuscreen.xml", "german"));
    EXPECT_EQ("sequences/jungle/french/arrival.xml", MediaGen::TranslatedCopyPath("sequences/jungle/arrival.xml", "french"));
    EXPECT_EQ("sequences/italian/needkey_jungle.xml", MediaGen::TranslatedCopyPath("sequences/needkey_jungle.xml", "italian"));
    EXPECT_EQ("spanish/x.xml", MediaGen::TranslatedCopyPath("x.xml", "spanish"));
}
