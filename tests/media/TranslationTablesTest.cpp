// The translation tables against the committed base files, one test per language: every text of the
// translated layouts and of every script has a non-empty entry, no entry is unused, an entry equal to
// its key is a text without letters or a name of names.txt, and every copy can be written. A failure
// names the language, the file and the text, with the "en: " line to add to the table.
#include "mediagen/Translations.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace MediaGen
{
// Test names and messages show a language by its name.
inline void PrintTo(const TranslationLanguage& language, std::ostream* out)
{
    *out << language.name;
}
} // namespace MediaGen

namespace
{

class TranslationTablesTest : public ::testing::TestWithParam<MediaGen::TranslationLanguage>
{
};

std::string Name(const ::testing::TestParamInfo<MediaGen::TranslationLanguage>& info)
{
    return info.param.name;
}

} // namespace

TEST_P(TranslationTablesTest, EveryTextHasItsTranslationAndEveryEntryIsUsed)
{
    const std::string table = (MediaGen::TranslationTablesFolder() / GetParam().name).string();
    for (const std::string& problem :
         MediaGen::FindTranslationProblems(QUARROW_MEDIA_DIR, MediaGen::TranslationTablesFolder(), GetParam()))
    {
        ADD_FAILURE() << problem << "\n(add or mend the entry in " << table
                      << ", then run: quarrow-mediagen translate media)";
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, TranslationTablesTest, ::testing::ValuesIn(MediaGen::TranslationLanguages()), Name);
