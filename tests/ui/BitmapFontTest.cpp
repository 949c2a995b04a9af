#include "foundation/ResourceRegistry.h"
#include "foundation/TypeTag.h"
#include "foundation/Xml.h"
#include "platform/os/DebugOutput.h"
#include "tests/ui/BlockCanvas.h"
#include "ui/AlphaBitmapFont.h"
#include "ui/BitmapCanvas.h"
#include "ui/BitmapFactory.h"
#include "ui/BitmapFont.h"
#include "ui/BitmapPng.h"
#include "ui/FontFactory.h"
#include "ui/PixelBufferCanvas.h"
#include "ui/TextLines.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

using BaseLib::CColor;
using BaseLib::CRect;
using BaseLib::CResourcePtr;
using UILib::CBitmapFont;
using UILib::CFont;

namespace
{

// Strips painted from rows of text ('.' transparent, any other character visible), written as PNG files
// and loaded back through the bitmap factory.
class BitmapFonts : public testing::Test
{
protected:
    void SetUp() override
    {
        folder = std::filesystem::temp_directory_path() /
                 ("quarrow_ui_bitmapfonts_" + std::to_string(getpid()) + "_" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
        fontRegistry.SetMemoryLimit(3 * 1024 * 1024);
        bitmaps = std::make_unique<UILib::CBitmapFactory>(&bitmapRegistry, nullptr);
        fonts = std::make_unique<UILib::CFontFactory>(&fontRegistry);
    }
    void TearDown() override
    {
        held.clear();
        fonts.reset();
        bitmaps.reset();
        std::filesystem::remove_all(folder);
    }

    std::string Strip(const std::string& name, const std::vector<std::string>& rows,
                      const std::vector<CColor>& colours = {})
    {
        const int width = static_cast<int>(rows.at(0).size());
        std::vector<CColor> pixels;
        for (const std::string& row : rows)
        {
            for (char c : row)
            {
                const std::size_t index = c >= '0' && c <= '9' ? static_cast<std::size_t>(c - '0') : 0;
                pixels.push_back(c == '.' ? CColor(0, 0, 0, 0)
                                          : (index < colours.size() ? colours[index] : CColor(0, 0, 0, 255)));
            }
        }
        const std::string path = (folder / name).string();
        EXPECT_TRUE(UILib::WritePixelsPng(path, width, static_cast<int>(rows.size()), pixels.data(), width));
        return path;
    }
    CBitmapFont& Font(const std::string& file, const char* characters, std::int32_t spaceWidth = 4,
                      std::int32_t baseline = 0, std::int32_t kerning = 0, std::int32_t cursivity = 0)
    {
        held.push_back(UILib::CreateBitmapFont(fonts.get(), file.c_str(), characters, spaceWidth, baseline, kerning,
                                               cursivity, 1.0f));
        return static_cast<CBitmapFont&>(*held.back());
    }
    static std::int32_t Width(CBitmapFont& font, char16_t c)
    {
        const UILib::CBitmap* glyph = font.FindGlyph(c);
        return glyph == nullptr ? -1 : glyph->GetWidth();
    }

    std::filesystem::path folder;
    BaseLib::CResourceRegistry bitmapRegistry;
    BaseLib::CResourceRegistry fontRegistry;
    std::unique_ptr<UILib::CBitmapFactory> bitmaps;
    std::unique_ptr<UILib::CFontFactory> fonts;
    std::vector<CResourcePtr<CFont>> held;
};

// A pixel-buffer canvas over its own block.
class CBlockCanvas : public UiTest::CBlockCanvas
{
public:
    using UiTest::CBlockCanvas::CBlockCanvas;
    // The columns of row y that are not white, as a text ('.' white, else the glyph's digit by colour).
    std::string Row(int y, const std::vector<CColor>& colours) const
    {
        std::string row;
        for (int x = 0; x < m_width; ++x)
        {
            char c = '?';
            if (At(x, y) == CColor(255, 255, 255, 255))
            {
                c = '.';
            }
            for (std::size_t i = 0; i < colours.size(); ++i)
            {
                if (At(x, y) == colours[i])
                {
                    c = static_cast<char>('0' + i);
                }
            }
            row += c;
        }
        return row;
    }
};

} // namespace

TEST_F(BitmapFonts, CutterTable)
{
    struct Case
    {
        const char* name;
        std::vector<std::string> rows;
        const char* characters;
        std::int32_t cursivity;
        std::vector<std::pair<char16_t, std::int32_t>> widths; // -1: no glyph
    };
    const Case cases[] = {
        {"two.png", {"##..###.", "#...#.#."}, "AB", 0, {{u'A', 2}, {u'B', 3}}},
        {"edge.png", {"#..##", "#..##"}, "AB", 0, {{u'A', 1}, {u'B', 2}}},
        {"twice.png", {"#..###"}, "AA", 0, {{u'A', 1}}},
        {"fewglyphs.png", {"##"}, "ABC", 0, {{u'A', 2}, {u'B', -1}, {u'C', -1}}},
        {"fewchars.png", {"#.##.###"}, "A", 0, {{u'A', 1}, {u'B', -1}}},
        // Parallelograms leaning like "/", cut along the slanted gaps.
        {"slanted.png", {"...##....##..", "..##....##...", ".##....##....", "##....##....."}, "AB", -3,
         {{u'A', 5}, {u'B', 5}}},
        {"hugeslant.png", {"#..#"}, "AB", 1000000, {{u'A', 4}, {u'B', -1}}},
    };
    for (const Case& c : cases)
    {
        CBitmapFont& font = Font(Strip(c.name, c.rows), c.characters, 4, 0, 0, c.cursivity);
        for (const auto& [character, width] : c.widths)
        {
            EXPECT_EQ(Width(font, character), width) << c.name << " " << static_cast<char>(character);
        }
        EXPECT_EQ(Width(font, u' '), 4) << c.name;
    }

    // Rows 3 … 12 visible, baseline 10: ascent + descent = height.
    std::vector<std::string> rows(16, "....");
    for (int y = 3; y <= 12; ++y)
    {
        rows[static_cast<std::size_t>(y)] = ".##.";
    }
    CBitmapFont& tall = Font(Strip("tall.png", rows), "A", 4, 10);
    EXPECT_EQ(tall.GetHeight(), 10);
    EXPECT_EQ(tall.GetAscent(), 7);
    EXPECT_EQ(tall.GetDescent(), 3);
    EXPECT_EQ(tall.FindGlyph(u'A')->GetHeight(), 10);

    CBitmapFont& empty = Font(Strip("empty.png", {"....", "...."}), "AB");
    EXPECT_EQ(empty.GetHeight(), 1);
    EXPECT_EQ(empty.GetAscent(), 1);
    EXPECT_EQ(empty.GetGlyphCount(), 0u);

    Platform::DebugOutputCapture capture;
    CBitmapFont& missing = Font((folder / "missing.png").string(), "AB", 6, 9, -2);
    EXPECT_EQ(missing.GetHeight(), 0);
    EXPECT_EQ(missing.GetAscent(), 0);
    EXPECT_EQ(missing.GetGlyphCount(), 0u);
    EXPECT_EQ(missing.GetCharWidth(u' '), 0);
    // Its description's values are kept, so it still names and saves itself as asked.
    EXPECT_EQ(missing.GetSpaceWidth(), 6);
    EXPECT_EQ(missing.GetBaseline(), 9);
    EXPECT_EQ(missing.GetKerningBias(), -2);
    EXPECT_STREQ(missing.GetCharacters(), "AB");

    CBitmapFont& negative = Font(Strip("negative.png", {"#"}), "A", -5);
    EXPECT_EQ(negative.GetCharWidth(u' '), 0);
    CBitmapFont& huge = Font(Strip("huge.png", {"#"}), "A", 5000000);
    EXPECT_EQ(huge.GetCharWidth(u' '), 1024);
}

TEST_F(BitmapFonts, WidthsLookupNamesAndDescriptions)
{
    const std::string upper = Strip("upper.png", {"###..##"});
    CBitmapFont& font = Font(upper, "A\xC3\x89", 7, 0, -1); // A and É
    EXPECT_EQ(font.GetTextWidth("A A"), 2 * 3 + 7 + 2 * (-1));
    EXPECT_EQ(font.GetCharWidth(u'a'), 3);
    EXPECT_EQ(font.FindGlyph(u'a'), font.FindGlyph(u'A'));
    EXPECT_EQ(font.FindGlyph(u'\u00E9'), font.FindGlyph(u'\u00C9'));
    EXPECT_EQ(font.GetCharWidth(u'\u00E9'), 2);
    EXPECT_EQ(font.FindGlyph(u'Z'), nullptr);
    CBitmapFont& lower = Font(Strip("lower.png", {"#"}), "a");
    EXPECT_NE(lower.FindGlyph(u'A'), nullptr);
    EXPECT_EQ(UILib::UpperCaseForm(u'\u0161'), u'\u0160');
    EXPECT_EQ(UILib::UpperCaseForm(u'\u00FF'), u'\u0178');
    EXPECT_EQ(UILib::LowerCaseForm(u'\u0152'), u'\u0153');
    EXPECT_EQ(UILib::UpperCaseForm(u'\u00F7'), u'\u00F7');

    const std::string description = "<font type=\"bitmapfont\" file=\"" + upper + "\" characters=\"A\" spacewidth=\"7\"/>";
    const CResourcePtr<CFont> described = UILib::LoadFontDescription(fonts.get(), description.c_str());
    ASSERT_TRUE(described);
    EXPECT_EQ(static_cast<CBitmapFont&>(*described).GetScaling(), 1.0f);
    EXPECT_EQ(described->GetId(), "BMPF_bmp=" + upper + "_chars=A_s=7_b=0_k=0_c=0_s=1");
    TiXmlDocument document;
    font.SaveXml(&document);
    EXPECT_EQ(UILib::LoadFontDescription(fonts.get(), BaseLib::XmlDocumentToString(document).c_str()).Get(), &font);
    EXPECT_TRUE(font.IsSameFont(&font));
    EXPECT_FALSE(font.IsSameFont(described.Get()));
    EXPECT_TRUE(font.GetDescription().EndsWith("Variable normal "));
}

TEST_F(BitmapFonts, TextLandsWhereWidthsAndKerningPutIt)
{
    const std::vector<CColor> colours = {CColor(0, 0, 0, 255), CColor(200, 0, 0, 255), CColor(0, 0, 200, 255)};
    // A is 3 columns of colour 1, B 5 columns of colour 2, rows 0 … 3, baseline 3.
    const std::string strip = Strip("blocks.png", {"111..22222", "111..22222", "111..22222", "111..22222"}, colours);
    const CResourcePtr<CFont> font = UILib::CreateBitmapFont(fonts.get(), strip.c_str(), "AB", 2, 3, 1, 0, 1.0f);
    CBlockCanvas canvas(40, 10);
    Platform::DebugOutputCapture capture;
    canvas.DrawText(font, 2, 5, "AB?A", CColor(), 0);
    EXPECT_EQ(canvas.Row(2, colours), "..111.22222.111.........................");
    EXPECT_EQ(canvas.Row(5, colours), "..111.22222.111.........................");
    EXPECT_EQ(canvas.Row(6, colours), "........................................");
    EXPECT_NE(capture.Text().find("Warning: BitmapFont: unsupported char ? (63)"), std::string::npos);

    // The glyph crossing the clip's right edge is drawn cut; nothing after it.
    CBlockCanvas clipped(40, 10);
    clipped.DrawText(font, 2, 5, "ABAB", CColor(), CRect(0, 0, 8, 10), 0);
    EXPECT_EQ(clipped.Row(3, colours), "..111.22................................");
    // In a rectangle, bottom-aligned: the lowest ink row is rect.bottom − 1.
    CBlockCanvas aligned(40, 10);
    aligned.DrawTextInRect(font, CRect(0, 0, 40, 9), 2, 2, "A", CColor(), 0);
    EXPECT_EQ(aligned.Row(8, colours), ".....................................111");
    EXPECT_EQ(aligned.Row(9, colours), "........................................");
}

TEST_F(BitmapFonts, AlignmentTableAndWrappedLinesWithBlockGlyphs)
{
    const std::vector<CColor> colours = {CColor(0, 0, 0, 255), CColor(200, 0, 0, 255)};
    // "A" is a block 4 wide and 6 high, baseline row 4: ascent 4, descent 2.
    const std::string strip = Strip("block.png", std::vector<std::string>(6, "1111"), colours);
    const CResourcePtr<CFont> font = UILib::CreateBitmapFont(fonts.get(), strip.c_str(), "A", 4, 4, 0, 0, 1.0f);
    ASSERT_EQ(font->GetHeight(), 6);
    ASSERT_EQ(font->GetAscent(), 4);
    ASSERT_EQ(font->GetDescent(), 2);
    const CRect rect(3, 2, 23, 15); // 20 × 13
    struct Case
    {
        std::int32_t horizontal, vertical;
        std::int32_t inkLeft, inkTop;
    };
    const Case cases[] = {
        {1, 1, 3, 2},  {2, 1, 15, 2},  {0, 1, 9, 2},                                   // top
        {1, 2, 3, 9},  {2, 2, 15, 9},  {0, 2, 9, 9},                                   // bottom: last ink row 14
        {1, 0, 3, 5},  {2, 0, 15, 5},  {0, 0, 9, 5},                                   // centred: (13 − 6) / 2 = 3
    };
    for (const Case& c : cases)
    {
        CBlockCanvas canvas(30, 20);
        canvas.DrawTextInRect(font, rect, c.horizontal, c.vertical, "AA", CColor(), 0);
        for (std::int32_t y = 0; y < 20; ++y)
        {
            const bool inked = y >= c.inkTop && y < c.inkTop + 6;
            std::string expected(30, '.');
            if (inked)
            {
                expected.replace(static_cast<std::size_t>(c.inkLeft), 8, "11111111");
            }
            EXPECT_EQ(canvas.Row(y, colours), expected) << c.horizontal << "," << c.vertical << " row " << y;
        }
    }

    // Wrapped at 18 pixels and drawn line by line: each line's ink fills exactly its own rows.
    UILib::CTextLines lines;
    lines.Layout("AA AAA A", 18, font.Get(), true);
    ASSERT_EQ(lines.GetLineCount(), 3);
    EXPECT_STREQ(lines.GetLine(1), "AAA ");
    CBlockCanvas canvas(30, 30);
    for (std::int32_t i = 0; i < lines.GetLineCount(); ++i)
    {
        canvas.DrawText(font, 2, 3 + font->GetAscent() + i * font->GetHeight(), lines.GetLine(i), CColor(), 0);
    }
    const std::string rows[] = {"..11111111....................", "..111111111111................",
                                "..1111........................"};
    for (std::int32_t y = 0; y < 30; ++y)
    {
        const std::int32_t line = y < 3 ? -1 : (y - 3) / 6;
        const std::string expected = line >= 0 && line < 3 ? rows[line] : std::string(30, '.');
        EXPECT_EQ(canvas.Row(y, colours), expected) << "row " << y;
    }
}

TEST_F(BitmapFonts, PictureOfAnOutlinedStripAndASentenceCutFromIt)
{
    // The strip painted as the generator paints it: each capital outlined by 2 pixels, 3 columns apart.
    const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ.!";
    const CResourcePtr<CFont> face = UILib::CreateAlphaBitmapFont(fonts.get(), 24, "DejaVu Sans", 0, 0, 10, 0);
    auto& alpha = static_cast<UILib::CAlphaBitmapFont&>(*face);
    const int border = 2;
    const int gap = 3;
    int width = gap;
    for (const char c : letters)
    {
        width += alpha.GetGlyph(static_cast<char16_t>(c))->width + 2 * border + gap;
    }
    const int height = alpha.GetHeight() + 2 * border;
    UILib::CBitmap strip(width, height, true);
    {
        UILib::CBitmapCanvas canvas(strip);
        int pen = gap;
        for (const char c : letters)
        {
            const UILib::CAlphaGlyph* glyph = alpha.GetGlyph(static_cast<char16_t>(c));
            const std::string text(1, c);
            const int x = pen + border - glyph->leftBearing;
            for (int dy = -border; dy <= border; ++dy)
            {
                for (int dx = -border; dx <= border; ++dx)
                {
                    canvas.DrawText(face, x + dx, border + alpha.GetAscent() + dy, text.c_str(), CColor(60, 30, 0, 255), 0);
                }
            }
            canvas.DrawText(face, x, border + alpha.GetAscent(), text.c_str(), CColor(250, 200, 40, 255), 0);
            pen += glyph->width + 2 * border + gap;
        }
    }
    const std::string path = (folder / "outlined.png").string();
    ASSERT_TRUE(UILib::WriteBitmapPng(path, strip));
    const CResourcePtr<CFont> font =
        UILib::CreateBitmapFont(fonts.get(), path.c_str(), letters.c_str(), 10, border + alpha.GetAscent(), 1, 0, 1.0f);
    auto& cut = static_cast<CBitmapFont&>(*font);
    EXPECT_EQ(cut.GetGlyphCount(), letters.size() + 1); // and the space

    CBlockCanvas canvas(std::max(width, 600), 2 * height + 20);
    canvas.FillRect(CRect(0, 0, canvas.GetSize().cx, canvas.GetSize().cy), CColor(40, 60, 90, 255));
    canvas.DrawBitmap(BaseLib::CPoint(0, 4), strip, true);
    const char* sentence = "Quarrow moves the blocks!";
    canvas.DrawText(font, 10, height + 12 + cut.GetAscent(), sentence, CColor(), 0);
    EXPECT_GT(cut.GetTextWidth(sentence), 300);
    const std::filesystem::path output = QUARROW_TEST_OUTPUT_DIR;
    std::filesystem::create_directories(output);
    EXPECT_TRUE(UILib::WritePixelsPng((output / "text_bitmapfont.png").string(), canvas.GetSize().cx,
                                      canvas.GetSize().cy, canvas.block.data(), canvas.GetSize().cx));
}
