#include "ui/Localizer.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

using BaseLib::CString;

// The localizer lives for the whole process: each test uses keys of its own and goes back to the
// default table.
class LocalizerTest : public ::testing::Test
{
protected:
    void TearDown() override { localizer.SetLanguage(""); }
    UILib::CLocalizer& localizer = UILib::CLocalizer::GetInstance();
};

TEST_F(LocalizerTest, KeysComeBackUnchangedUntilATableHoldsThem)
{
    EXPECT_EQ(&UILib::CLocalizer::GetInstance(), &localizer);
    EXPECT_EQ(std::string(localizer.Lookup("@missing.key")), "@missing.key");
    EXPECT_EQ(std::string(localizer.Lookup("")), "");

    localizer.AddText("", "@menu.start", "Start");
    localizer.AddText("german", "@menu.start", "Los");
    localizer.AddText("german", "@menu.quit.only", "Ende");
    localizer.AddText("", "@menu.back", "Back");

    EXPECT_EQ(std::string(localizer.Lookup("@menu.start")), "Start");
    EXPECT_EQ(std::string(localizer.Lookup("@menu.quit.only")), "@menu.quit.only"); // other language only

    localizer.SetLanguage("german");
    EXPECT_EQ(localizer.GetLanguage(), "german");
    EXPECT_EQ(std::string(localizer.Lookup("@menu.start")), "Los");      // the current table wins
    EXPECT_EQ(std::string(localizer.Lookup("@menu.back")), "Back");      // the default table fills in
    EXPECT_EQ(std::string(localizer.Lookup("@menu.none")), "@menu.none"); // neither
}

TEST_F(LocalizerTest, KeysAndTextsAreBytesNeverDecoded)
{
    const CString key("@\xFF\xC3");
    const CString back = localizer.Lookup(key);
    ASSERT_EQ(back.GetLength(), 3);
    EXPECT_EQ(std::string(back), "@\xFF\xC3");

    localizer.AddText("", "@\xFF\xC3", "\xC3\xA9t\xE9");
    EXPECT_EQ(std::string(localizer.Lookup(key)), "\xC3\xA9t\xE9");
    EXPECT_EQ(std::string(localizer.Lookup("@\xFF")), "@\xFF"); // a prefix is another key
}

} // namespace
