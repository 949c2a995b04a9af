#include "foundation/TypeTag.h"
#include "ui/Font.h"
#include "ui/TextLines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using BaseLib::CString;
using UILib::CTextLines;

namespace
{

// Every character (the blank included) 10 pixels wide, no kerning.
class CTenPixelFont : public UILib::CFont
{
public:
    CTenPixelFont() : CFont(nullptr, "ten", 5, 0, 0, 0) {}
    std::uint32_t GetSize() const override { return 0; }
    std::int32_t GetKerning(char16_t, char16_t) override { return 0; }
    CString GetDescription() override { return FormatDescription(); }
    std::uint32_t GetTypeTag() const override { return BaseLib::MakeTypeTag("TEST"); }
    std::int32_t GetCharWidth(char16_t) override { return 10; }
    void SaveXml(TiXmlNode*) override {}
    bool IsSameFont(CFont*) override { return false; }
};

std::vector<std::int32_t> Entries(const CTextLines& lines)
{
    std::vector<std::int32_t> entries;
    for (std::int32_t i = 0; i < lines.GetEntryCount(); ++i)
    {
        entries.push_back(lines.GetEntry(i));
    }
    return entries;
}

} // namespace

TEST(TextLines, LayoutTable)
{
    CTenPixelFont font;
    const std::string eAcute = "\xC3\xA9";
    std::string tenE;
    for (int i = 0; i < 10; ++i)
    {
        tenE += eAcute;
    }
    struct Case
    {
        std::string text;
        std::int32_t width;
        bool wrap;
        std::vector<std::int32_t> entries;
    };
    const Case cases[] = {
        {"", 0, false, {0, 0}},
        {"a\nb", 0, false, {0, 2, 3}},
        {"a\n", 0, false, {0, 2, 2}},
        {"a\n\nb", 0, false, {0, 2, 3, 4}},
        {"aa bb", 30, true, {0, 3, 5}},
        {"aa bb", 1000, true, {0, 5}},
        {"aa bb", 5, true, {0, 5}},                  // below one character: one line
        {"abcdefghij", 45, true, {0, 4, 8, 10}},     // a long word breaks at the last byte that fits
        {"ab cd\nef gh", 200, true, {0, 6, 11}}, // line feeds end lines inside the width too
        {tenE, 45, true, {0, 8, 16, 20}},            // four é per line: never inside a character
        {"aa bb", 30, false, {0, 5}},
    };
    for (const Case& c : cases)
    {
        CTextLines lines;
        lines.Layout(c.text.c_str(), c.width, &font, c.wrap);
        EXPECT_EQ(Entries(lines), c.entries) << c.text << " at " << c.width;
        EXPECT_EQ(lines.GetLineCount() + 1, lines.GetEntryCount()) << c.text;
    }
    // Wrap without a font lays out as without wrap.
    CTextLines lines;
    lines.Layout("aa bb\ncc", 5, nullptr, true);
    EXPECT_EQ(Entries(lines), (std::vector<std::int32_t>{0, 6, 8}));
}

TEST(TextLines, LinesTextAndHelpers)
{
    CTenPixelFont font;
    CTextLines lines;
    EXPECT_EQ(Entries(lines), std::vector<std::int32_t>{0});
    lines.Layout("one two three\nfour", 80, &font, true);
    const std::vector<std::string> expected = {"one two ", "three\n", "four"};
    ASSERT_EQ(lines.GetLineCount(), 3);
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_STREQ(lines.GetLine(i), expected[i].c_str());
    }
    EXPECT_STREQ(lines.GetLine(3), "");
    EXPECT_EQ(lines.GetLineStart(1), 8);
    EXPECT_EQ(lines.GetLineEnd(1), 14);

    lines.SplitLines("x\ny");
    EXPECT_EQ(Entries(lines), (std::vector<std::int32_t>{0, 2, 3}));

    // More than one block of 32 entries.
    std::string many;
    for (int i = 0; i < 40; ++i)
    {
        many += "l\n";
    }
    lines.SplitLines(many.c_str());
    EXPECT_EQ(lines.GetLineCount(), 41);
    EXPECT_EQ(lines.GetEntry(40), 80);
    EXPECT_EQ(lines.GetEntry(41), 80);

    EXPECT_TRUE(UILib::IsLineControlChar(9));
    EXPECT_TRUE(UILib::IsLineControlChar(10));
    EXPECT_TRUE(UILib::IsLineControlChar(13));
    EXPECT_FALSE(UILib::IsLineControlChar(32));
    EXPECT_EQ(UILib::SkipWord("ab  \t cd", 0), 6);
    EXPECT_EQ(UILib::SkipWord("ab  \t cd", 6), 8);
    EXPECT_EQ(UILib::SkipWord("ab", 0), 2);
}
