#include "foundation/ResourceRegistry.h"
#include "foundation/TypeTag.h"
#include "foundation/Xml.h"
#include "platform/os/DebugOutput.h"
#include "ui/AlphaBitmapFont.h"
#include "ui/FontFactory.h"
#include "ui/TextChar.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using BaseLib::CResourcePtr;
using BaseLib::CString;
using UILib::CAlphaBitmapFont;
using UILib::CFont;

namespace
{

int CountOf(const std::string& text, const std::string& piece)
{
    int count = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
    {
        ++count;
    }
    return count;
}

// The font registry and factory as the window system makes them.
class FontFactoryTest : public testing::Test
{
protected:
    FontFactoryTest()
    {
        registry.SetMemoryLimit(3 * 1024 * 1024);
        factory = std::make_unique<UILib::CFontFactory>(&registry);
    }
    ~FontFactoryTest() override { factory.reset(); }

    BaseLib::CResourceRegistry registry;
    std::unique_ptr<UILib::CFontFactory> factory;
};

// Every character 10 pixels wide, kerning -1; counts the kerning calls.
class CCountingFont : public CFont
{
public:
    CCountingFont() : CFont(nullptr, "counting", 5, 0, 0, 0) {}
    std::uint32_t GetSize() const override { return 0; }
    std::int32_t GetKerning(char16_t first, char16_t second) override
    {
        kerned.emplace_back(first, second);
        return -1;
    }
    CString GetDescription() override { return FormatDescription(); }
    std::uint32_t GetTypeTag() const override { return BaseLib::MakeTypeTag("TEST"); }
    std::int32_t GetCharWidth(char16_t character) override
    {
        measured.push_back(character);
        return 10;
    }
    void SaveXml(TiXmlNode*) override {}
    bool IsSameFont(CFont*) override { return false; }

    std::vector<std::pair<char16_t, char16_t>> kerned;
    std::vector<char16_t> measured;
};

// A heap copy of exactly the bytes given, so AddressSanitizer sees any read past them.
std::unique_ptr<char[]> ExactText(const char* bytes, std::size_t length)
{
    std::unique_ptr<char[]> text(new char[length]);
    std::memcpy(text.get(), bytes, length);
    return text;
}

} // namespace

TEST(TextChar, DecodesByLeadByteAndStopsAtTheTerminator)
{
    struct Case
    {
        const char* bytes;
        std::size_t size; // terminator included
        char16_t expected;
        int length;
    };
    const Case cases[] = {
        {"A", 2, u'A', 1},
        {"\xC3\xA9", 3, u'\u00E9', 2},     // é
        {"\xE2\x82\xAC", 4, u'\u20AC', 3}, // €
        {"\xBF", 2, u'\xBF', 1},           // a stray continuation byte is one character
        {"\xE2", 2, u'\u2000', 1},         // cut by the terminator: missing bytes count as 0
        {"\xE2\x82", 3, u'\u2080', 2},
        {"\xC3", 2, u'\u00C0', 1},
        {"", 1, 0, 0},
    };
    for (const Case& c : cases)
    {
        const auto text = ExactText(c.bytes, c.size);
        const char* cursor = text.get();
        EXPECT_EQ(UILib::TextCharLength(cursor), c.length) << c.bytes;
        EXPECT_EQ(UILib::DecodeTextChar(cursor), c.expected) << c.bytes;
        EXPECT_EQ(cursor, text.get() + c.length) << c.bytes;
    }
}

TEST(FontText, WidthAddsKerningBetweenCharactersOnly)
{
    CCountingFont font;
    EXPECT_EQ(font.GetTextWidth(""), 0);
    EXPECT_EQ(font.GetTextWidth("A"), 10);
    EXPECT_TRUE(font.kerned.empty());

    font.measured.clear();
    EXPECT_EQ(font.GetTextWidth("A A"), 3 * 10 - 2);
    EXPECT_EQ(font.kerned, (std::vector<std::pair<char16_t, char16_t>>{{u'A', u' '}, {u' ', u'A'}}));

    // A text ending in a cut sequence: two characters, the second from its lead byte alone.
    font.measured.clear();
    EXPECT_EQ(font.GetTextWidth("a\xE2"), 2 * 10 - 1);
    EXPECT_EQ(font.measured, (std::vector<char16_t>{u'a', u'\u2000'}));
}

TEST(FontNames, TagsAndResourceNames)
{
    EXPECT_STREQ(UILib::TypeTagToString(BaseLib::MakeTypeTag("BMPA")), "BMPA");
    EXPECT_STREQ(UILib::TypeTagToString(BaseLib::MakeTypeTag("AB")), "AB");

    UILib::CFontParameters parameters;
    EXPECT_EQ(parameters.type, BaseLib::MakeTypeTag("NONE"));
    EXPECT_EQ(UILib::MakeFontResourceName(parameters), "NONE");
    parameters.type = UILib::AlphaBitmapFontTag;
    parameters.faceName = "DejaVu Sans";
    parameters.height = 14;
    parameters.locale = 4;
    parameters.fixedWidth = 1;
    parameters.weight = 10;
    parameters.style = 6;
    EXPECT_EQ(UILib::MakeFontResourceName(parameters), "BMPA_name=DejaVu Sans_h=14_l=4_p=1_w=10_f=6");
    parameters = UILib::CFontParameters();
    parameters.type = UILib::BitmapFontTag;
    parameters.bitmapFile = "fonts/big.png";
    parameters.characters = "AB";
    parameters.spaceWidth = 5;
    parameters.baseline = 10;
    parameters.kerningBias = -1;
    parameters.cursivity = 0;
    parameters.scaling = 1.0f;
    EXPECT_EQ(UILib::MakeFontResourceName(parameters), "BMPF_bmp=fonts/big.png_chars=AB_s=5_b=10_k=-1_c=0_s=1");
}

TEST_F(FontFactoryTest, EqualRequestsShareOneFont)
{
    struct Case
    {
        std::int32_t style;
        bool same;
        const char* nameEnd;
    };
    const CResourcePtr<CFont> first = UILib::CreateAlphaBitmapFont(factory.get(), 14, "DejaVu Sans", 0, 0, 5, 0);
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->GetId().ends_with("_f=0"));
    for (const Case& c : {Case{0, true, "_f=0"}, Case{2, false, "_f=2"}})
    {
        const CResourcePtr<CFont> other =
            UILib::CreateAlphaBitmapFont(factory.get(), 14, "DejaVu Sans", 0, 0, 5, c.style);
        ASSERT_TRUE(other);
        EXPECT_EQ(other.Get() == first.Get(), c.same);
        EXPECT_TRUE(other->GetId().ends_with(c.nameEnd)) << other->GetId();
        EXPECT_EQ(other->GetState(), BaseLib::ResourceLoaded);
    }
    EXPECT_FALSE(UILib::CreateAlphaBitmapFont(nullptr, 14, "DejaVu Sans", 0, 0, 5, 0));
}

TEST_F(FontFactoryTest, DescriptionsTable)
{
    struct Case
    {
        const char* description;
        bool font;
        int traces;
        std::int32_t weight, style;
        const char* face;
    };
    const Case cases[] = {
        {R"(<font type="alphabitmapfont" facename="DejaVu Sans" height="14" weight="0x0a"/>)", true, 0, 10, 0,
         "DejaVu Sans"},
        {R"(<x type="alphabitmapfont" height="14" italic="1" underline="1" weight="5"/>)", true, 0, 5, 6, ""},
        {R"(<font type="alphabitmapfont" height="12" strikeout="7" weight="junk"/>)", true, 0, 0, 8, ""},
        {R"(<font type="vectorfont" height="14"/>)", false, 1, 0, 0, ""},
        {"this is no xml", false, 1, 0, 0, ""},
        {"<!-- only a comment -->", false, 1, 0, 0, ""},
        {"", false, 0, 0, 0, ""},
    };
    for (const Case& c : cases)
    {
        Platform::DebugOutputCapture capture;
        const CResourcePtr<CFont> font = UILib::LoadFontDescription(factory.get(), c.description);
        EXPECT_EQ(static_cast<bool>(font), c.font) << c.description;
        EXPECT_EQ(CountOf(capture.Text(), "LoadFontDescription"), c.traces) << c.description;
        if (c.traces > 0)
        {
            EXPECT_NE(capture.Text().find(c.description), std::string::npos) << capture.Text();
        }
        if (font)
        {
            EXPECT_EQ(font->GetWeight(), c.weight) << c.description;
            EXPECT_EQ(font->GetStyle(), c.style) << c.description;
            EXPECT_STREQ(font->GetFaceName(), c.face) << c.description;
            EXPECT_GT(font->GetHeight(), 0) << c.description;
        }
    }
}

TEST_F(FontFactoryTest, LongDescriptionsAreQuotedCut)
{
    const std::string description = "<font type=\"nothing\" pad=\"" + std::string(400, 'x') + "\"/>";
    Platform::DebugOutputCapture capture;
    EXPECT_FALSE(UILib::LoadFontDescription(factory.get(), description.c_str()));
    EXPECT_NE(capture.Text().find(description.substr(0, 200)), std::string::npos);
    EXPECT_EQ(capture.Text().find(description.substr(0, 201)), std::string::npos);
}

TEST_F(FontFactoryTest, SavedDescriptionLoadsTheSameFont)
{
    const CResourcePtr<CFont> font = UILib::CreateAlphaBitmapFont(factory.get(), -12, "DejaVu Sans Mono", 4, 1,
                                                                  10, UILib::FontItalic | UILib::FontStrikeout);
    TiXmlDocument document;
    font->SaveXml(&document);
    const std::string text = BaseLib::XmlDocumentToString(document);
    EXPECT_EQ(text, "<font type=\"alphabitmapfont\" facename=\"DejaVu Sans Mono\" locale=\"4\" height=\"-12\" "
                    "weight=\"10\" underline=\"0\" strikeout=\"1\" italic=\"1\" fixedwidth=\"1\"/>\n");
    EXPECT_EQ(UILib::LoadFontDescription(factory.get(), text.c_str()).Get(), font.Get());
}

TEST_F(FontFactoryTest, DescriptionWords)
{
    const CResourcePtr<CFont> font =
        UILib::CreateAlphaBitmapFont(factory.get(), 14, "DejaVu Sans Mono", 4, 1, 10, UILib::FontItalic);
    EXPECT_STREQ(font->GetDescription(), "BMPA Font DejaVu Sans Mono 14 Fixed bold italic russian ");
    const CResourcePtr<CFont> plain = UILib::CreateAlphaBitmapFont(factory.get(), 14, "DejaVu Sans", 0, 0, 0, 12);
    EXPECT_STREQ(plain->FormatDescription(), "Font DejaVu Sans 14 Variable underline strikeout ");
}

TEST_F(FontFactoryTest, HugeHeightsAreCut)
{
    Platform::DebugOutputCapture capture;
    const CResourcePtr<CFont> font = UILib::LoadFontDescription(
        factory.get(), R"(<font type="alphabitmapfont" facename="DejaVu Sans" height="100000"/>)");
    ASSERT_TRUE(font);
    EXPECT_LE(font->GetHeight(), 512);
    EXPECT_GT(font->GetHeight(), 400);
    EXPECT_NE(capture.Text().find("DejaVu Sans"), std::string::npos) << capture.Text();
    EXPECT_EQ(CountOf(capture.Text(), "cut to 512"), 1);
    EXPECT_GT(font->GetCharWidth(u'W'), 300); // one large glyph, no runaway
}

TEST_F(FontFactoryTest, ReleasedFontsStayCachedUntilTheFactoryGoes)
{
    CFont* raw = nullptr;
    {
        const CResourcePtr<CFont> font = UILib::CreateAlphaBitmapFont(factory.get(), 14, "", 0, 0, 5, 0);
        raw = font.Get();
        font->GetCharWidth(u'x');
    }
    EXPECT_EQ(UILib::CreateAlphaBitmapFont(factory.get(), 14, "", 0, 0, 5, 0).Get(), raw);
    Platform::DebugOutputCapture capture;
    factory.reset();
    EXPECT_FALSE(registry.ContainsName("BMPA_name=_h=14_l=0_p=0_w=5_f=0"));
    EXPECT_EQ(capture.Text(), "");
}

TEST(AlphaFontRecord, MappingTable)
{
    struct Case
    {
        std::int32_t weightIndex, locale, fixedWidth, style;
        std::int32_t weight;
        std::uint8_t charSet, pitch, italic, underline, strikeOut;
    };
    const Case cases[] = {
        {3, 0, 0, 0, 200, 0, 2, 0, 0, 0},   {12, 4, 1, 2, 800, 204, 1, 1, 0, 0},
        {15, 9, 2, 12, 0, 0, 2, 0, 1, 1},   {0, 1, 0, 0, 0, 128, 2, 0, 0, 0},
        {5, 8, 0, 0, 400, 163, 2, 0, 0, 0}, {10, 6, 0, 0, 700, 178, 2, 0, 0, 0},
    };
    for (const Case& c : cases)
    {
        const Platform::FontRecord record = UILib::MakeAlphaFontRecord(14, "Face", c.locale, c.fixedWidth,
                                                                       c.weightIndex, c.style);
        EXPECT_EQ(record.height, 14);
        EXPECT_EQ(record.weight, c.weight) << c.weightIndex;
        EXPECT_EQ(record.charSet, c.charSet) << c.locale;
        EXPECT_EQ(record.pitchAndFamily, c.pitch) << c.fixedWidth;
        EXPECT_EQ(record.italic, c.italic);
        EXPECT_EQ(record.underline, c.underline);
        EXPECT_EQ(record.strikeOut, c.strikeOut);
        EXPECT_EQ(record.outPrecision, 7);
        EXPECT_EQ(record.quality, 3);
        EXPECT_STREQ(record.faceName, "Face");
    }
    const Platform::FontRecord longName =
        UILib::MakeAlphaFontRecord(14, "A face name far longer than thirty-one characters", 0, 0, 5, 0);
    EXPECT_EQ(std::strlen(longName.faceName), 31u);
}

TEST(AlphaFont, MetricsGlyphsAndKerningOfAnInstalledFace)
{
    CAlphaBitmapFont font(nullptr, 14, "DejaVu Sans", 0, 0, 5, 0);
    EXPECT_EQ(font.GetHeight(), 14);
    EXPECT_EQ(font.GetAscent() + font.GetDescent(), 14);
    EXPECT_GT(font.GetAscent(), font.GetDescent());
    EXPECT_GT(font.GetCharWidth(u'W'), font.GetCharWidth(u'i'));

    const UILib::CAlphaGlyph* h = font.GetGlyph(u'H');
    ASSERT_NE(h->pixels, nullptr);
    EXPECT_GT(h->width, 0);
    EXPECT_GT(h->height, 0);
    EXPECT_LE(h->top, font.GetAscent());
    const auto* begin = h->pixels.get();
    const auto* end = begin + h->width * h->height;
    EXPECT_EQ(*std::max_element(begin, end), 255);
    EXPECT_EQ(*std::min_element(begin, end), 0);

    EXPECT_LT(font.GetKerning(u'A', u'V'), 0);
    EXPECT_LT(font.GetKerning(u'T', u'o'), 0);
    EXPECT_EQ(font.GetKerning(u'H', u'H'), 0);

    const UILib::CAlphaGlyph* space = font.GetGlyph(u' ');
    EXPECT_EQ(space->pixels, nullptr);
    EXPECT_EQ(space->leftBearing, 3);
    EXPECT_EQ(font.GetCharWidth(u' '), 3);

    // Beyond the single-byte codes: the wide call (an em dash and a Cyrillic letter).
    EXPECT_NE(font.GetGlyph(u'\u0416')->pixels, nullptr);
    EXPECT_GT(font.GetCharWidth(u'\u2014'), font.GetCharWidth(u'-'));
}

TEST(AlphaFont, FixedPitchWeightAndSubstitutes)
{
    CAlphaBitmapFont mono(nullptr, 14, "DejaVu Sans Mono", 0, 1, 5, 0);
    EXPECT_EQ(mono.GetCharWidth(u' '), mono.GetCharWidth(u'e'));
    EXPECT_EQ(mono.GetCharWidth(u'i'), mono.GetCharWidth(u'W'));

    CAlphaBitmapFont normal(nullptr, 14, "DejaVu Sans", 0, 0, 5, 0);
    CAlphaBitmapFont bold(nullptr, 14, "DejaVu Sans", 0, 0, 10, 0);
    EXPECT_GT(bold.GetCharWidth(u'm'), normal.GetCharWidth(u'm'));

    CAlphaBitmapFont unknown(nullptr, 14, "No Such Face Anywhere", 0, 0, 5, 0);
    EXPECT_EQ(unknown.GetHeight(), 14);
    EXPECT_GT(unknown.GetCharWidth(u'x'), 0);

    CAlphaBitmapFont emSized(nullptr, -20, "DejaVu Sans", 0, 0, 5, 0);
    EXPECT_GT(emSized.GetHeight(), 20); // the cell is taller than the em
}

TEST(AlphaFontCache, HitsEvictionAndWrapping)
{
    CAlphaBitmapFont font(nullptr, 14, "DejaVu Sans", 0, 0, 5, 0);
    font.GetGlyph(u'a');
    const std::uint32_t size = font.GetSize();
    const std::uint32_t hits = font.GetHitCount();
    EXPECT_GT(size, 0u);
    font.GetGlyph(u'a');
    EXPECT_EQ(font.GetHitCount(), hits + 1);
    EXPECT_EQ(font.GetSize(), size);

    // Line feed and carriage return: width 0, the clock untouched.
    const std::uint32_t clock = font.GetClock();
    EXPECT_EQ(font.GetCharWidth(10), 0);
    EXPECT_EQ(font.GetCharWidth(13), 0);
    EXPECT_EQ(font.GetClock(), clock);

    // Ten characters equal modulo 400 fill the window 65 … 74; 65 is asked again, so 465 is the least
    // recently requested when the eleventh comes.
    for (int i = 0; i < 10; ++i)
    {
        font.GetGlyph(static_cast<char16_t>(65 + 400 * i));
        EXPECT_EQ(font.GetSlot(65 + i)->character, 65u + 400u * i);
    }
    font.GetGlyph(u'A');
    const std::uint32_t before = font.GetSize();
    const std::int32_t evictedSize = font.GetSlot(66)->width * font.GetSlot(66)->height;
    font.GetGlyph(static_cast<char16_t>(65 + 4000));
    EXPECT_EQ(font.GetSlot(66)->character, 4065u);
    EXPECT_EQ(font.GetSlot(65)->character, 65u);
    EXPECT_EQ(font.GetSize(),
              before - evictedSize + font.GetSlot(66)->width * font.GetSlot(66)->height);

    // 399 and 799 share the window 399, 0, 1, …
    font.GetGlyph(static_cast<char16_t>(399));
    font.GetGlyph(static_cast<char16_t>(799));
    EXPECT_EQ(font.GetSlot(399)->character, 399u);
    EXPECT_EQ(font.GetSlot(0)->character, 799u);
}

TEST(AlphaFontCache, BlanksInAFixedPitchFaceTakeTheAdvanceOfE)
{
    CAlphaBitmapFont mono(nullptr, 14, "DejaVu Sans Mono", 0, 1, 5, 0);
    const UILib::CAlphaGlyph* space = mono.GetGlyph(u' ');
    const UILib::CAlphaGlyph* e = mono.GetGlyph(u'e');
    EXPECT_EQ(space->leftBearing, e->leftBearing + e->width);
    EXPECT_EQ(space->rightBearing, e->rightBearing);
}

TEST(FontFaces, EnumerationListsTheInstalledFaces)
{
    std::vector<std::string> faces;
    UILib::EnumerateFontFaces(faces);
    EXPECT_NE(std::find(faces.begin(), faces.end(), "DejaVu Sans"), faces.end());
    EXPECT_NE(std::find(faces.begin(), faces.end(), "DejaVu Sans Mono"), faces.end());
}
