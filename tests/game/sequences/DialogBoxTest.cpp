#include "SequenceBench.h"

#include "game/sequences/DialogBox.h"
#include "ui/BitmapFont.h"
#include "ui/TextLines.h"
#include "ui/controls/Label.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

using GameTesting::SoundEvent;
using namespace SequenceTesting;

namespace
{

class DialogBoxTest : public SequenceTest
{
protected:
    // A style's box, added to the root as the cut-scene canvas would hold it.
    CDialogBox* MakeBox(std::int32_t style)
    {
        auto* box = new CDialogBox(style);
        EXPECT_TRUE(ControlBench::RootWindow()->AddChild(box->GetHandle()));
        return box;
    }
    static std::string Typed(const CDialogBox& box) { return std::string(box.GetTextLabel()->GetText()); }
    std::size_t Ticks() const { return sounds->Count(SoundEvent::Play, "sound>tick.wav"); }
};

TEST_F(DialogBoxTest, EachStyleShowsItsPictureWhereItBelongsAndStartsHidden)
{
    struct Case
    {
        std::int32_t style;
        BaseLib::CSize box;
        BaseLib::CPoint position; // (-1, -1): not moved
        BaseLib::CPoint textAt;
        BaseLib::CSize textSize;
        const char* font;
    };
    const Case cases[] = {
        {0, {BoxWidth, BoxHeight}, {(512 - BoxWidth) / 2, 374 - BoxHeight}, {14, 20}, {474, 90}, "fonts/adventure17.png"},
        {1, {800, 140}, {(1024 - 800) / 2, 374 - 140}, {48, 23}, {731, 110}, "fonts/adventure17.png"},
        {2, {560, 400}, {0, 0}, {40, 276}, {472, 108}, "fonts/adventure17_white.png"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.style);
        CDialogBox* box = MakeBox(c.style);
        EXPECT_STREQ(box->GetClassName(), "CDialogBox");
        EXPECT_EQ(box->GetSize(), c.box);
        EXPECT_EQ(box->GetPosition(), c.position);
        EXPECT_TRUE(box->IsAlwaysOnTop());
        EXPECT_TRUE(box->GetWriteAlpha());
        EXPECT_TRUE(box->HasOwnCanvas());
        EXPECT_FALSE(box->GetBackground());
        EXPECT_FALSE(box->GetVisible());
        UILib::CLabel* text = box->GetTextLabel();
        EXPECT_EQ(text->GetParent(), box);
        EXPECT_EQ(text->GetPosition(), c.textAt);
        EXPECT_EQ(text->GetSize(), c.textSize);
        EXPECT_FALSE(text->GetWordWrap());
        EXPECT_EQ(text->GetHorizontalAlignment(), 1);
        EXPECT_EQ(text->GetVerticalAlignment(), 1);
        EXPECT_FALSE(text->GetBackground());
        auto* font = dynamic_cast<UILib::CBitmapFont*>(text->GetFont().Get());
        ASSERT_NE(font, nullptr);
        EXPECT_EQ(std::string(font->GetFaceName()), c.font);
        // Every character of the set is a glyph of the strip, plus the space.
        EXPECT_EQ(font->GetGlyphCount(), c.style == 2 ? 85u : 86u);
        EXPECT_EQ(font->GetSpaceWidth(), 15);
        EXPECT_EQ(font->GetKerningBias(), -6);
        EXPECT_EQ(font->GetCursivity(), -3);
        UILib::CWindow::Delete(box);
    }
}

TEST_F(DialogBoxTest, OrientationPicksThePictureOrPlacesTheExtroText)
{
    CDialogBox* map = MakeBox(0);
    const char* mapPictures[] = {"mapscreen_seq_textbox3.png", "mapscreen_seq_textbox3.png",
                                 "mapscreen_seq_textbox1.png", "mapscreen_seq_textbox2.png"};
    for (std::int32_t variant = 3; variant >= 0; --variant)
    {
        map->SetOrientation(variant);
        EXPECT_EQ(map->GetOrientation(), variant);
        EXPECT_EQ(std::string(map->GetBitmapFile()), mapPictures[variant]) << variant;
    }
    CDialogBox* tutorial = MakeBox(1);
    tutorial->SetOrientation(0);
    EXPECT_EQ(std::string(tutorial->GetBitmapFile()), "ingame_seq_textbox2.png");
    tutorial->SetOrientation(2);
    EXPECT_EQ(std::string(tutorial->GetBitmapFile()), "ingame_seq_textbox.png");
    CDialogBox* extro = MakeBox(2);
    extro->SetOrientation(2);
    EXPECT_EQ(extro->GetTextLabel()->GetPosition(), BaseLib::CPoint(40, 20));
    extro->SetOrientation(1);
    EXPECT_EQ(extro->GetTextLabel()->GetPosition(), BaseLib::CPoint(40, 276));
    EXPECT_EQ(std::string(extro->GetBitmapFile()), "mapscreen_seq_textbox_extro.png");
}

TEST_F(DialogBoxTest, TypingFollowsTheDelayAndTicksAtMostOncePerFrame)
{
    struct Case
    {
        const char* name;
        std::int32_t style;
        float delay;             // not set when 0
        bool fast;
        std::string text;
        int frames;              // of 0.02 s
        std::size_t minTyped;    // bytes typed after the frames
        std::size_t maxTyped;
    };
    const std::string sixty(60, 'A');
    const std::string accents = "\xC3\x89" "A\xC3\x89" "B";
    const Case cases[] = {
        // 0.02 / 0.05 = 0.4 characters a frame: two every five frames (the clock sums in floats).
        {"two characters every five frames", 0, 0.05f, false, sixty, 100, 39, 40},
        // Ten times as fast: four characters a frame.
        {"fast forward", 0, 0.05f, true, sixty, 10, 39, 40},
        {"no delay: everything in one frame", 0, 0.0f, false, sixty, 1, 60, 60},
        // Each "É" is one character of two bytes: one character a frame.
        {"multi-byte characters count once", 0, 0.02f, false, accents, 3, 5, 5},
        {"blanks type silently", 0, 0.02f, false, " \n\t\rA \n", 8, 7, 7},
        {"the extro is silent", 2, 0.01f, false, "ABCDEF", 3, 6, 6},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        sounds = &GameTesting::RecordingSoundDevice::Install(); // every tick keeps its voice: fresh voices
        CDialogBox* box = MakeBox(c.style);
        if (c.delay > 0.0f)
        {
            box->SetCharacterDelay(c.delay);
        }
        box->Clear();
        box->SetFastForward(c.fast);
        box->SetText(c.text);
        std::size_t soundingFrames = 0;
        for (int i = 0; i < c.frames; ++i)
        {
            const std::size_t before = Typed(*box).size();
            const std::size_t ticks = Ticks();
            box->Update(0.02f);
            const std::string added = Typed(*box).substr(before);
            EXPECT_LE(Ticks() - ticks, 1u) << "frame " << i;
            soundingFrames += added.find_first_not_of(" \n\t\r") != std::string::npos ? 1 : 0;
        }
        const std::string typed = Typed(*box);
        EXPECT_GE(typed.size(), c.minTyped);
        EXPECT_LE(typed.size(), c.maxTyped);
        EXPECT_EQ(typed, c.text.substr(0, typed.size()));
        EXPECT_EQ(box->GetPendingText(), c.text.substr(typed.size()));
        // The whole text at once, without a delay, types without ticks.
        EXPECT_EQ(Ticks(), c.style == 2 || c.delay == 0.0f ? 0u : soundingFrames);
        for (const auto& record : sounds->Records(SoundEvent::Volume, "sound>tick.wav"))
        {
            // The one-shot starts at 100, then the voice gets its random volume.
            if (record.value != 100.0f)
            {
                EXPECT_GE(record.value, 80.0f);
                EXPECT_LE(record.value, 99.0f);
                EXPECT_EQ(record.value, std::floor(record.value));
            }
        }
        UILib::CWindow::Delete(box);
    }
}

TEST_F(DialogBoxTest, ClearKeepsThePendingTextAndEndsFastForward)
{
    CDialogBox* box = MakeBox(0);
    box->SetCharacterDelay(0.1f);
    box->SetText("ABCDEFGH");
    box->SetFastForward(true);
    EXPECT_FLOAT_EQ(box->GetCurrentDelay(), 0.01f);
    box->SetFastForward(false);
    EXPECT_FLOAT_EQ(box->GetCurrentDelay(), 0.01f) << "false changes nothing";
    box->Update(0.025f);
    EXPECT_EQ(Typed(*box), "AB");
    box->Clear();
    EXPECT_EQ(Typed(*box), "");
    EXPECT_FLOAT_EQ(box->GetCurrentDelay(), 0.1f);
    EXPECT_EQ(box->GetPendingText(), "CDEFGH");
    box->Update(0.15f);
    EXPECT_EQ(Typed(*box), "C");
}

TEST_F(DialogBoxTest, FaultyDelaysAndCutTextsTypeWithoutHanging)
{
    struct Case
    {
        const char* name;
        float delay;
        std::string text;
        float effectiveDelay;
    };
    const Case cases[] = {
        {"negative", -0.5f, "ABCDEF", 0.0f},
        {"not a number", std::numeric_limits<float>::quiet_NaN(), "ABCDEF", 0.0f},
        {"infinite", std::numeric_limits<float>::infinity(), "ABCDEF", 0.0f},
        {"tiny", 1e-30f, "ABCDEF", 1e-30f},
        {"smallest subnormal", std::numeric_limits<float>::denorm_min(), "ABCDEF",
         std::numeric_limits<float>::denorm_min()},
        {"lone lead byte at the end", 0.01f, "AB\xE2", 0.01f},
        {"two-byte lead cut", 0.01f, "A\xC3", 0.01f},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        CDialogBox* box = MakeBox(0);
        box->SetCharacterDelay(c.delay);
        EXPECT_EQ(box->GetCharacterDelay(), c.effectiveDelay);
        box->Clear();
        box->SetText(c.text);
        for (int i = 0; i < 10 && !box->IsFinished(); ++i)
        {
            box->Update(0.02f);
        }
        EXPECT_TRUE(box->IsFinished());
        EXPECT_EQ(Typed(*box), c.text);
        UILib::CWindow::Delete(box);
    }
}

TEST_F(DialogBoxTest, WrapTextHardCodesTheLayoutsBreaks)
{
    CDialogBox* box = MakeBox(0);
    UILib::CLabel* label = box->GetTextLabel();
    // Each glyph is 4 pixels wide and the bias -6 draws them closer: a narrow label shows the breaks.
    label->SetSize(60, 90);
    struct Case
    {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        {"breaks at blanks", "AAAA BBBB CCCC DDDD EEEE FFFF GGGG"},
        {"tabs and old line feeds", "AAAA\tBBBB CCCC\nDDDD EEEE FFFF"},
        {"a word longer than the line", "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789ABCDEFGHIJ"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        UILib::CTextLines layout;
        layout.Layout(c.text.c_str(), 60, label->GetFont().Get(), true);
        ASSERT_GT(layout.GetLineCount(), 2);
        std::string expected = c.text;
        for (std::int32_t line = layout.GetLineCount() - 1; line >= 1; --line)
        {
            const auto start = static_cast<std::size_t>(layout.GetLineStart(line));
            const char before = expected[start - 1];
            if (before == ' ' || before == '\t' || before == '\n' || before == '\r')
            {
                expected[start - 1] = '\n';
            }
            else
            {
                expected.insert(start, 1, '\n');
            }
        }
        std::string wrapped = c.text;
        box->WrapText(wrapped);
        EXPECT_EQ(wrapped, expected);
        // Laid out without wrapping, the wrapped text breaks exactly where the layout did.
        UILib::CTextLines again;
        again.Layout(wrapped.c_str(), 60, label->GetFont().Get(), false);
        EXPECT_EQ(again.GetLineCount(), layout.GetLineCount());
        for (std::int32_t line = 0; line < layout.GetLineCount(); ++line)
        {
            std::string a(again.GetLine(line));
            std::string b(layout.GetLine(line));
            while (!a.empty() && a.back() == '\n')
            {
                a.pop_back();
            }
            while (!b.empty() && (b.back() == ' ' || b.back() == '\t' || b.back() == '\n'))
            {
                b.pop_back();
            }
            EXPECT_EQ(a, b) << "line " << line;
        }
    }
}

TEST_F(DialogBoxTest, AHalfTypedBoxShowsGlyphsInItsFirstLineOnly)
{
    const BaseLib::CColor sky(60, 110, 190, 255);
    auto* scene = Make<UILib::CLabel>(0, 0, ControlBench::RootWidth, ControlBench::RootHeight);
    scene->SetBitmapFile(WriteBitmap("scene.png", ControlBench::RootWidth, ControlBench::RootHeight, sky).c_str());
    CDialogBox* box = MakeBox(0);
    box->SetVisible(true);
    box->SetCharacterDelay(0.05f);
    std::string text = "HELLO THERE\nSECOND LINE";
    box->WrapText(text);
    box->SetText(text);
    for (int i = 0; i < 10; ++i)
    {
        box->Update(0.05f);
    }
    ASSERT_EQ(Typed(*box), "HELLO THER");
    Compose();
    const std::string path = SavePicture("dialog_box");
    ASSERT_FALSE(path.empty());

    PictureFile picture;
    std::string error;
    ASSERT_TRUE(ReadPicture(path, picture, error)) << error;
    ASSERT_EQ(picture.width, ControlBench::RootWidth);
    const std::int32_t width = picture.width;
    const std::int32_t height = picture.height;
    auto at = [&](std::int32_t x, std::int32_t y) { return picture.At(x, y); };
    const std::int32_t left = (512 - BoxWidth) / 2;
    const std::int32_t top = 374 - BoxHeight;
    EXPECT_EQ(at(left, top), BoxColour);
    EXPECT_EQ(at(left + BoxWidth - 1, top + BoxHeight - 1), BoxColour);
    EXPECT_EQ(at(left - 1, top), sky);
    EXPECT_EQ(at(left, top - 1), sky);
    EXPECT_EQ(at(left + BoxWidth, top + BoxHeight - 1), sky);
    EXPECT_EQ(at(left, top + BoxHeight), sky);

    // Glyph pixels lie in the text label's area, in the rows of one line.
    std::int32_t firstRow = height;
    std::int32_t lastRow = -1;
    std::int32_t runs = 0;
    bool inRun = false;
    for (std::int32_t x = 0; x < width; ++x)
    {
        bool glyphColumn = false;
        for (std::int32_t y = 0; y < height; ++y)
        {
            if (at(x, y) == GlyphColour)
            {
                EXPECT_GE(x, left + 14);
                EXPECT_LT(x, left + 14 + 474);
                firstRow = std::min(firstRow, y);
                lastRow = std::max(lastRow, y);
                glyphColumn = true;
            }
        }
        runs += glyphColumn && !inRun ? 1 : 0;
        inRun = glyphColumn;
    }
    ASSERT_GE(lastRow, 0) << "no glyph drawn";
    EXPECT_GE(firstRow, top + 20);
    EXPECT_LT(lastRow - firstRow, GlyphHeight) << "one line of glyphs";
    EXPECT_EQ(runs, 2) << "the two words typed so far, none of the second line";
}

} // namespace
