#include "foundation/ConfigFile.h"

#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

using BaseLib::CColor;
using BaseLib::CConfigFile;
using BaseLib::CPoint;
using BaseLib::CSize;
using BaseLib::CVector3;

using ConfigFile = TempFolderTest;

TEST(MakeTypeTag, FirstCharacterInTheLowestByte)
{
    const std::uint32_t tag = BaseLib::MakeTypeTag("STND");
    char bytes[4];
    std::memcpy(bytes, &tag, 4);
    EXPECT_EQ(std::string(bytes, 4), "STND");
    EXPECT_EQ(BaseLib::MakeTypeTag("STRI"), CConfigFile::TagString);
    EXPECT_EQ(BaseLib::MakeTypeTag("DX"), 0x5844u);
    EXPECT_EQ(BaseLib::MakeTypeTag("INT"), CConfigFile::TagInt);
    EXPECT_EQ(CConfigFile::TagInt >> 24, 0u);
    EXPECT_EQ(BaseLib::MakeTypeTag("BOOLEAN"), BaseLib::MakeTypeTag("BOOL"));
    EXPECT_EQ(BaseLib::MakeTypeTag(""), 0u);
}

TEST_F(ConfigFile, WindowSizeExampleLineForLine)
{
    CConfigFile config;
    ASSERT_TRUE(config.AddSizeEntry("application/windowsize", "size of the game window", 800, 600, 640, 480,
                                    1600, 1200));
    config.SetValueFromString("1024x768", *config.FindEntry("application/windowsize"));
    ASSERT_TRUE(config.Save(PathOf("config.xml")));
    EXPECT_EQ(ReadFile("config.xml"), "<configuration>\n"
                                      "\t<application>\n"
                                      "\t\t<!-- size of the game window -->\n"
                                      "\t\t<!-- Possible Values: (640, 480) - (1600, 1200) -->\n"
                                      "\t\t<!-- Default Value: (800, 600) -->\n"
                                      "\t\t<windowsize>\n"
                                      "\t\t\t<cx>1024</cx>\n"
                                      "\t\t\t<cy>768</cy>\n"
                                      "\t\t</windowsize>\n"
                                      "\t\t\n"
                                      "\t</application>\n"
                                      "</configuration>\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(std::filesystem::path(PathOf(""))),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(ConfigFile, EveryKindWritesItsCommentsAndSharesParents)
{
    CConfigFile config;
    ASSERT_TRUE(
        config.AddStringEntry("game/language", "language of the texts", "english", "english, german"));
    ASSERT_TRUE(config.AddBoolEntry("sound/soundenabled", "play sounds", true));
    ASSERT_TRUE(config.AddIntEntry("game/level", "start level", 3, 1, 10));
    ASSERT_TRUE(config.AddFloatEntry("sound/volume", "volume", 0.5f, 0, 1));
    ASSERT_TRUE(config.AddPointEntry("window\\position", "where", CPoint(1, 2), CPoint(0, 0), CPoint(9, 9)));
    ASSERT_TRUE(config.AddColorEntry("ui/tint", "tint", CColor(1, 2, 3, 4), CColor(0, 0, 0, 0),
                                     CColor(255, 255, 255, 255)));
    ASSERT_TRUE(config.AddVector3Entry("ui/light", "light", CVector3(0.5f, 1, 2), CVector3(0, 0, 0),
                                       CVector3(5, 5, 5)));
    ASSERT_TRUE(config.Save(PathOf("config.xml"), true, false));
    EXPECT_EQ(ReadFile("config.xml"),
              "<configuration>\n"
              "\t<game>\n"
              "\t\t<!-- language of the texts -->\n"
              "\t\t<!-- Possible Values: english, german -->\n"
              "\t\t<!-- Default Value: english -->\n"
              "\t\t<language>english</language>\n"
              "\t\t<!-- start level -->\n"
              "\t\t<!-- Possible Values: 1 - 10 -->\n"
              "\t\t<!-- Default Value: 3 -->\n"
              "\t\t<level>3</level>\n"
              "\t</game>\n"
              "\t<sound>\n"
              "\t\t<!-- play sounds -->\n"
              "\t\t<!-- Possible Values: true, false -->\n"
              "\t\t<!-- Default Value: true -->\n"
              "\t\t<soundenabled>true</soundenabled>\n"
              "\t\t<!-- volume -->\n"
              "\t\t<!-- Possible Values: 0.00 - 1.00 -->\n"
              "\t\t<!-- Default Value: 0.50 -->\n"
              "\t\t<volume>0.5</volume>\n"
              "\t</sound>\n"
              "\t<ui>\n"
              "\t\t<!-- light -->\n"
              "\t\t<!-- Possible Values: (0.00, 0.00, 0.00) - (5.00, 5.00, 5.00) -->\n"
              "\t\t<!-- Default Value: (0.50, 1.00, 2.00) -->\n"
              "\t\t<light>\n\t\t\t<x>0.5</x>\n\t\t\t<y>1</y>\n\t\t\t<z>2</z>\n\t\t</light>\n"
              "\t\t<!-- tint -->\n"
              "\t\t<!-- Possible Values: (0, 0, 0, 0) - (255, 255, 255, 255) -->\n"
              "\t\t<!-- Default Value: (1, 2, 3, 4) -->\n"
              "\t\t<tint>\n\t\t\t<r>1</r>\n\t\t\t<g>2</g>\n\t\t\t<b>3</b>\n\t\t\t<a>4</a>\n"
              "\t\t</tint>\n"
              "\t</ui>\n"
              "\t<window>\n"
              "\t\t<!-- where -->\n"
              "\t\t<!-- Possible Values: (0, 0) - (9, 9) -->\n"
              "\t\t<!-- Default Value: (1, 2) -->\n"
              "\t\t<position>\n\t\t\t<x>1</x>\n\t\t\t<y>2</y>\n\t\t</position>\n"
              "\t</window>\n"
              "</configuration>\n");
}

TEST_F(ConfigFile, RoundTripOfEveryKindWithClamping)
{
    const auto registerAll = [](CConfigFile& config) {
        config.AddStringEntry("a/language", "", "english", "english german");
        config.AddStringEntry("a/name", "", "player", "");
        config.AddBoolEntry("a/flag", "", false);
        config.AddIntEntry("b/count", "", 5, 0, 10);
        config.AddFloatEntry("b/scale", "", 1, 0.5f, 2);
        config.AddSizeEntry("c/size", "", 800, 600, 640, 480, 1600, 1200);
        config.AddPointEntry("c/point", "", CPoint(0, 0), CPoint(-5, -5), CPoint(5, 5));
        config.AddColorEntry("c/colour", "", CColor(10, 10, 10, 10), CColor(0, 5, 0, 0),
                             CColor(200, 200, 200, 255));
        config.AddVector3Entry("c/vector", "", CVector3(), CVector3(-1, -1, -1), CVector3(1, 1, 1));
    };
    CConfigFile written;
    registerAll(written);
    EXPECT_TRUE(written.SetString("a/language", "german"));
    EXPECT_TRUE(written.SetString("a/name", "Zoë"));
    EXPECT_TRUE(written.SetBool("a/flag", true));
    written.SetValueFromString("42", *written.FindEntry("b/count"));
    written.SetValueFromString("1.75", *written.FindEntry("b/scale"));
    written.SetValueFromString("2000x700", *written.FindEntry("c/size"));
    written.SetValueFromString("(3;-9)", *written.FindEntry("c/point"));
    written.SetValueFromString("(250;1;100;300)", *written.FindEntry("c/colour"));
    static_cast<CConfigFile::CEntryVector3*>(written.FindEntry("c/vector"))->value = CVector3(0.25f, -3, 1);
    ASSERT_TRUE(written.Save(PathOf("config.xml")));

    CConfigFile read;
    registerAll(read);
    ASSERT_TRUE(read.Load(PathOf("config.xml")));
    EXPECT_EQ(read.GetString("a/language"), "german");
    EXPECT_EQ(read.GetString("a/name"), "Zoë");
    EXPECT_TRUE(read.GetBool("a/flag"));
    EXPECT_EQ(read.GetString("b/count"), "10");
    EXPECT_EQ(read.GetString("b/scale"), "1.750000");
    EXPECT_EQ(read.GetSize("c/size"), CSize(1600, 700));
    EXPECT_EQ(static_cast<CConfigFile::CEntryPoint*>(read.FindEntry("c/point"))->value, CPoint(3, -5));
    // (250, 1, 100, 300 & 0xFF = 44) clamped per byte into (0..200, 5..200, 0..200, 0..255).
    EXPECT_EQ(static_cast<CConfigFile::CEntryColor*>(read.FindEntry("c/colour"))->value,
              CColor(200, 5, 100, 44));
    EXPECT_EQ(static_cast<CConfigFile::CEntryVector3*>(read.FindEntry("c/vector"))->value,
              CVector3(0.25f, -1, 1));

    // A string outside its possible values, read from the file, falls back to the default.
    WriteFile("bad.xml", "<configuration><a><language>french</language></a></configuration>");
    EXPECT_TRUE(read.Load(PathOf("bad.xml")));
    EXPECT_EQ(read.GetString("a/language"), "english");
}

// "nan" scans as a float but passes every range comparison: it must not survive the clamping.
TEST_F(ConfigFile, ANotANumberFromTheFileFallsBackToTheDefault)
{
    CConfigFile config;
    config.AddFloatEntry("sound/volume", "", 0.5f, 0, 1);
    config.AddVector3Entry("ui/light", "", CVector3(0.5f, 1, 2), CVector3(0, 0, 0), CVector3(5, 5, 5));
    WriteFile("nan.xml", "<configuration><sound><volume>nan</volume></sound>"
                         "<ui><light><x>NAN</x><y>4</y><z>-nan</z></light></ui></configuration>");
    ASSERT_TRUE(config.Load(PathOf("nan.xml")));
    EXPECT_EQ(config.GetString("sound/volume"), "0.500000");
    EXPECT_EQ(static_cast<CConfigFile::CEntryVector3*>(config.FindEntry("ui/light"))->value,
              CVector3(0.5f, 4, 2));
}

TEST_F(ConfigFile, LoadResetsOrKeepsByWhatTheFileHolds)
{
    const auto make = [](CConfigFile& config) {
        config.AddSizeEntry("application/windowsize", "", 800, 600, 640, 480, 1600, 1200);
        config.AddBoolEntry("application/fullscreen", "", false);
        config.AddIntEntry("application/hex", "", 0, 0, 100);
        config.AddIntEntry("application/octal", "", 0, 0, 100);
        config.SetValueFromString("1024x768", *config.FindEntry("application/windowsize"));
    };
    CConfigFile config;
    make(config);
    WriteFile("other.xml", "<anything><application><fullscreen>YeS</fullscreen><hex>0x10</hex>"
                           "<octal>010</octal></application></anything>");
    ASSERT_TRUE(config.Load(PathOf("other.xml")));
    EXPECT_EQ(config.GetSize("application/windowsize"), CSize(800, 600)); // parent there, value missing
    EXPECT_TRUE(config.GetBool("application/fullscreen"));
    EXPECT_EQ(config.GetString("application/hex"), "16");
    EXPECT_EQ(config.GetString("application/octal"), "8");

    CConfigFile untouched;
    make(untouched);
    untouched.SetBool("application/fullscreen", true);
    WriteFile("none.xml", "<configuration><sound/></configuration>");
    ASSERT_TRUE(untouched.Load(PathOf("none.xml")));
    EXPECT_EQ(untouched.GetSize("application/windowsize"), CSize(1024, 768)); // no parent: value kept

    WriteFile("word.xml",
              "<configuration><application><fullscreen>on</fullscreen></application></configuration>");
    ASSERT_TRUE(untouched.Load(PathOf("word.xml")));
    EXPECT_FALSE(untouched.GetBool("application/fullscreen")); // an unknown word gives the default

    untouched.SetBool("application/fullscreen", true);
    WriteFile("broken.xml", "<configuration><application>");
    EXPECT_FALSE(untouched.Load(PathOf("broken.xml")));
    EXPECT_FALSE(untouched.Load(PathOf("missing.xml")));
    std::string deep;
    for (int i = 0; i < 100000; ++i)
    {
        deep += "<configuration>";
    }
    WriteFile("deep.xml", deep); // nested deeper than the parser's stack would take
    EXPECT_FALSE(untouched.Load(PathOf("deep.xml")));
    EXPECT_TRUE(untouched.GetBool("application/fullscreen"));

    CConfigFile empty;
    EXPECT_TRUE(empty.Load(PathOf("missing.xml")));
}

TEST_F(ConfigFile, RegistrationRules)
{
    CConfigFile config;
    EXPECT_FALSE(config.AddStringEntry("game/language", "", "french", "english,\tgerman\nitalian"));
    EXPECT_EQ(config.FindEntry("game/language"), nullptr);
    EXPECT_TRUE(config.AddStringEntry("game/language", "", "italian", "english,\tgerman\nitalian"));
    const auto* language = static_cast<CConfigFile::CEntryString*>(
        config.FindEntryOfType("game/language", CConfigFile::TagString));
    ASSERT_NE(language, nullptr);
    EXPECT_EQ(language->possibleValues, (std::vector<std::string>{"english", "german", "italian"}));
    EXPECT_EQ(config.FindEntryOfType("game/language", CConfigFile::TagBool), nullptr);

    // A key registered twice keeps the second entry.
    EXPECT_TRUE(config.AddBoolEntry("game/language", "now a switch", true));
    EXPECT_EQ(config.FindEntry("game/language")->tag, CConfigFile::TagBool);
    EXPECT_TRUE(config.GetBool("game/language"));
    EXPECT_EQ(config.GetString("game/language"), "");

    // A size default outside its range is stored clamped; the value stays as given.
    EXPECT_TRUE(config.AddSizeEntry("app/size", "", 100, 5000, 640, 480, 1600, 1200));
    const auto* size = static_cast<CConfigFile::CEntrySize*>(config.FindEntry("app/size"));
    EXPECT_EQ(size->value, CSize(100, 5000));
    EXPECT_EQ(size->defaultValue, CSize(640, 1200));
    EXPECT_EQ(config.GetSize("app/size"), CSize(100, 5000));
    EXPECT_EQ(config.GetSize("game/language"), CSize());
    EXPECT_FALSE(config.GetBool("missing"));
}

TEST_F(ConfigFile, SettersByKind)
{
    CConfigFile config;
    config.AddStringEntry("s", "", "a", "a b");
    config.AddStringEntry("free", "", "x", "");
    config.AddBoolEntry("b", "", false);
    config.AddIntEntry("i", "", 0, -100, 100);
    config.AddFloatEntry("f", "", 0, -1, 1);
    EXPECT_TRUE(config.SetString("s", "b"));
    EXPECT_FALSE(config.SetString("s", "c"));
    EXPECT_EQ(config.GetString("s"), "b");
    EXPECT_TRUE(config.SetString("free", "anything"));
    EXPECT_FALSE(config.SetString("b", "true"));
    EXPECT_FALSE(config.SetBool("s", true));
    EXPECT_FALSE(config.SetBool("missing", true));
    EXPECT_TRUE(config.SetBool("b", true));
    EXPECT_TRUE(config.GetBool("b"));

    const struct
    {
        const char* key;
        const char* text;
        const char* expected;
    } texts[] = {
        {"i", "-12abc", "-12"}, {"i", "abc", "0"}, {"f", "0.25x", "0.250000"}, {"f", "x", "0.000000"}};
    for (const auto& c : texts)
    {
        config.SetValueFromString(c.text, *config.FindEntry(c.key));
        EXPECT_EQ(config.GetString(c.key), c.expected) << c.text;
    }
    EXPECT_TRUE(config.GetBool("i") == false);
    config.SetValueFromString("True", *config.FindEntry("b"));
    EXPECT_FALSE(config.GetBool("b"));
    config.SetValueFromString("true", *config.FindEntry("s"));
    EXPECT_TRUE(config.GetBool("s"));
}

TEST_F(ConfigFile, SaveFailuresLeaveFilesAlone)
{
    CConfigFile empty;
    WriteFile("config.xml", "keep me");
    EXPECT_TRUE(empty.Save(PathOf("config.xml")));
    EXPECT_EQ(ReadFile("config.xml"), "keep me");

    CConfigFile config;
    config.AddBoolEntry("a/b", "", true);
    EXPECT_FALSE(config.Save(PathOf("missing/config.xml")));
    EXPECT_FALSE(std::filesystem::exists(PathOf("missing")));
}

TEST_F(ConfigFile, ValuesUnderUnknownKeysSurviveASaveForKeysRegisteredLater)
{
    WriteFile("config.xml", "<configuration><application><fullscreen>true</fullscreen></application>"
                            "<startup><level>level&gt;mine.xml</level><mode>single_level</mode></startup>"
                            "<tool><size><cx>3</cx><cy>4</cy></size></tool><sound>stray</sound>"
                            "</configuration>");
    CConfigFile early;
    early.AddBoolEntry("application/fullscreen", "", false);
    early.AddBoolEntry("sound/soundenabled", "", true);
    ASSERT_TRUE(early.Load(PathOf("config.xml")));
    ASSERT_TRUE(early.Save(PathOf("config.xml")));

    CConfigFile later;
    later.AddBoolEntry("application/fullscreen", "", false);
    later.AddStringEntry("startup/level", "", "level>start.level.xml", "");
    later.AddStringEntry("startup/mode", "", "game", "game single_level");
    later.AddSizeEntry("tool/size", "", 1, 1, 0, 0, 10, 10);
    ASSERT_TRUE(later.Load(PathOf("config.xml")));
    EXPECT_TRUE(later.GetBool("application/fullscreen"));
    EXPECT_EQ(later.GetString("startup/level"), "level>mine.xml");
    EXPECT_EQ(later.GetString("startup/mode"), "single_level");
    EXPECT_EQ(later.GetSize("tool/size"), CSize(3, 4));

    // A value standing where registered keys have their group is dropped rather than doubling the group.
    const std::string text = ReadFile("config.xml");
    EXPECT_EQ(text.find("stray"), std::string::npos);
}
