// The cut-scene dialog box's committed media: the two fonts cut by the bitmap font exactly as the box
// creates them, the six speech-box pictures within the room their placement leaves, and a sample
// sentence in both fonts written for a person to look at. (The typing tick is checked with the other
// sounds.)
#include "game/sequences/DialogBox.h"
#include "tests/media/WindowSystemFixture.h"
#include "ui/Bitmap.h"
#include "ui/BitmapCanvas.h"
#include "ui/BitmapFont.h"
#include "ui/BitmapPng.h"
#include "ui/FontFactory.h"
#include "ui/TextChar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;
using BaseLib::CColor;

struct DialogFontCase
{
    const char* file;
    const char* characters;
    std::size_t glyphs;
    bool whiteLetters; // white letters on a dark outline, else dark ones on a light outline
};

const DialogFontCase kFonts[] = {
    {"fonts/adventure17.png", CDialogBox::CharacterSetA, 85, false},
    {"fonts/adventure17_white.png", CDialogBox::CharacterSetB, 84, true},
};

class DialogMediaTest : public MediaTesting::WindowSystemFixture
{
protected:
    void SetUp() override
    {
        MediaTesting::WindowSystemFixture::SetUp();
        // As the game finds its interface pictures: by bare names and "fonts/..." below "interface>".
        system->GetBitmapFactory()->AddSearchPath(aliases.ResolvePath("interface>").c_str());
    }

    // The font as the dialog box creates it: space width 15, baseline 0, kerning -6, cursivity -3, scale 1.
    static UILib::CBitmapFont* Font(const DialogFontCase& font, BaseLib::CResourcePtr<UILib::CFont>& holder)
    {
        holder = UILib::CreateBitmapFont(UILib::CFontFactory::GetCurrent(), font.file, font.characters, 15, 0, -6,
                                         -3, 1.0f);
        return dynamic_cast<UILib::CBitmapFont*>(holder.Get());
    }

    static std::vector<char16_t> Characters(const char* text)
    {
        std::vector<char16_t> characters;
        for (const char* cursor = text; *cursor != '\0';)
        {
            characters.push_back(UILib::DecodeTextChar(cursor));
        }
        return characters;
    }

    // The text drawn in black on a transparent picture, its baseline 24 pixels down.
    static UILib::CBitmap Drawn(const BaseLib::CResourcePtr<UILib::CFont>& font, const char* text, int width)
    {
        UILib::CBitmap picture(width, 40, true);
        UILib::CBitmapCanvas canvas(picture);
        canvas.DrawText(font, 4, 24, text, CColor(0, 0, 0, 255), 0);
        return picture;
    }

    static bool SamePixels(const UILib::CBitmap& a, const UILib::CBitmap& b)
    {
        return a.GetWidth() == b.GetWidth() && a.GetHeight() == b.GetHeight() &&
               std::equal(a.GetPixels(), a.GetPixels() + a.GetPixelCount(), b.GetPixels(),
                          [](const CColor& x, const CColor& y) { return x == y; });
    }

    static bool HasInk(const UILib::CBitmap& picture)
    {
        return std::any_of(picture.GetPixels(), picture.GetPixels() + picture.GetPixelCount(),
                           [](const CColor& pixel) { return pixel.GetAlpha() > 0; });
    }
};

} // namespace

TEST_F(DialogMediaTest, EachFontCutsIntoOneNonEmptyGlyphPerCharacterInOrder)
{
    for (const DialogFontCase& font : kFonts)
    {
        SCOPED_TRACE(font.file);
        BaseLib::CResourcePtr<UILib::CFont> holder;
        UILib::CBitmapFont* bitmapFont = Font(font, holder);
        ASSERT_NE(nullptr, bitmapFont);
        const std::vector<char16_t> characters = Characters(font.characters);
        ASSERT_EQ(font.glyphs, characters.size());
        // The cut glyphs and the space the font adds itself.
        EXPECT_EQ(font.glyphs + 1, bitmapFont->GetGlyphCount());
        int capHeight = 0;
        for (const char16_t c : characters)
        {
            const UILib::CBitmap* glyph = bitmapFont->FindGlyph(c);
            ASSERT_NE(nullptr, glyph) << static_cast<int>(c);
            EXPECT_TRUE(HasInk(*glyph)) << static_cast<int>(c);
            // A glyph is one letter with its outline: far narrower than two, so no neighbours were merged
            // and no letter was split (a split would have shifted every later glyph and left the last
            // characters without one).
            EXPECT_LE(glyph->GetWidth(), 40) << static_cast<int>(c);
            if (c == u'H')
            {
                // The rows holding the letter's own pixels (not its outline's) of "H".
                int top = glyph->GetHeight();
                int bottom = -1;
                for (int y = 0; y < glyph->GetHeight(); ++y)
                {
                    for (int x = 0; x < glyph->GetWidth(); ++x)
                    {
                        const CColor pixel = glyph->GetPixels()[y * glyph->GetWidth() + x];
                        const bool letter =
                            pixel.GetAlpha() == 255 && (font.whiteLetters ? pixel.GetRed() > 200 : pixel.GetRed() < 80);
                        if (letter)
                        {
                            top = std::min(top, y);
                            bottom = std::max(bottom, y);
                        }
                    }
                }
                capHeight = bottom - top + 1;
            }
        }
        EXPECT_GE(capHeight, 15);
        EXPECT_LE(capHeight, 19);
    }
}

TEST_F(DialogMediaTest, LowerCaseAccentsDrawAsTheirCapitalsAndOnlySetAHasOGrave)
{
    for (const DialogFontCase& font : kFonts)
    {
        SCOPED_TRACE(font.file);
        BaseLib::CResourcePtr<UILib::CFont> holder;
        UILib::CBitmapFont* bitmapFont = Font(font, holder);
        ASSERT_NE(nullptr, bitmapFont);
        for (const auto& [lower, upper] : {std::pair{"é", "É"}, std::pair{"ñ", "Ñ"}, std::pair{"hello", "HELLO"}})
        {
            const UILib::CBitmap small = Drawn(holder, lower, 160);
            EXPECT_TRUE(HasInk(small)) << lower;
            EXPECT_TRUE(SamePixels(small, Drawn(holder, upper, 160))) << lower << " and " << upper;
        }
        EXPECT_EQ(font.glyphs == 85, bitmapFont->FindGlyph(u'Ò') != nullptr);
    }
}

TEST_F(DialogMediaTest, EachBoxPictureLoadsAndLeavesRoomForItsTextWhereTheBoxStands)
{
    struct Box
    {
        const char* file;
        int minWidth;
        int maxWidth;
        int minHeight;
        int maxHeight;
    };
    // Map boxes hold a 474 × 90 text area at (14, 20) and stand centred in the 512 × 384 canvas; tutorial
    // boxes hold 731 × 110 at (48, 23) and stand centred in 1024; the extro covers its canvas.
    const Box boxes[] = {
        {"mapscreen_seq_textbox1.png", 488, 512, 110, 374},
        {"mapscreen_seq_textbox2.png", 488, 512, 110, 374},
        {"mapscreen_seq_textbox3.png", 488, 512, 110, 374},
        {"ingame_seq_textbox.png", 779, 1024, 133, 374},
        {"ingame_seq_textbox2.png", 779, 1024, 133, 374},
        {"mapscreen_seq_textbox_extro.png", 512, 512, 384, 384},
    };
    for (const Box& box : boxes)
    {
        SCOPED_TRACE(box.file);
        const UILib::CBitmap picture(box.file);
        ASSERT_TRUE(picture.IsValid());
        ASSERT_FALSE(picture.IsPlaceholder());
        EXPECT_GE(picture.GetWidth(), box.minWidth);
        EXPECT_LE(picture.GetWidth(), box.maxWidth);
        EXPECT_GE(picture.GetHeight(), box.minHeight);
        EXPECT_LE(picture.GetHeight(), box.maxHeight);
    }
    // The extro's two text places lie on a dark ground that white letters read on.
    const UILib::CBitmap extro("mapscreen_seq_textbox_extro.png");
    for (const int top : {20, 276})
    {
        for (const auto& [x, y] : {std::pair{40, top}, std::pair{276, top + 54}, std::pair{505, top + 100}})
        {
            const CColor pixel = extro.GetPixels()[y * extro.GetWidth() + x];
            EXPECT_GE(pixel.GetAlpha(), 150) << x << ", " << y;
            EXPECT_LE(pixel.GetRed(), 60) << x << ", " << y;
        }
    }
}

// The sentence in each font over the picture of the box that uses it, written for a person to look at.
TEST_F(DialogMediaTest, ASampleSentenceInBothFontsIsWrittenForALook)
{
    const fs::path output = QUARROW_TEST_OUTPUT_DIR;
    fs::create_directories(output);
    const char* const sentence = "Où est la clé? Ñandú, Æsop & «Öl» - 1234567890!";
    UILib::CBitmap page(512, 244, true);
    UILib::CBitmapCanvas canvas(page);
    canvas.FillRect(BaseLib::CRect(0, 0, 512, 244), CColor(90, 120, 90, 255));
    // The map box whole at the top; below it the extro's lower band, moved up into the page.
    const UILib::CBitmap mapBox("mapscreen_seq_textbox3.png");
    canvas.DrawBitmap(BaseLib::CPoint((512 - mapBox.GetWidth()) / 2, 0), mapBox, true);
    const UILib::CBitmap extro("mapscreen_seq_textbox_extro.png");
    canvas.DrawBitmap(BaseLib::CPoint(0, 124 - 264), extro, BaseLib::CRect(0, 124, 512, 244), true);
    const int baselines[] = {72, 196};
    for (int i = 0; i < 2; ++i)
    {
        BaseLib::CResourcePtr<UILib::CFont> holder;
        ASSERT_NE(nullptr, Font(kFonts[i], holder));
        const std::vector<CColor> before(page.GetPixels(), page.GetPixels() + page.GetPixelCount());
        canvas.DrawText(holder, 24, baselines[i], sentence, CColor(255, 255, 255, 255), 0);
        // The sentence drew: pixels of its line changed.
        EXPECT_FALSE(std::equal(before.begin(), before.end(), page.GetPixels())) << kFonts[i].file;
    }
    EXPECT_TRUE(UILib::WriteBitmapPng((output / "dialog_fonts.png").string(), page));
}
