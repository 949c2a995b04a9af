#include "ControlBench.h"
#include "PropertyAccess.h"

#include "platform/os/DebugOutput.h"
#include "ui/Canvas.h"
#include "ui/Localizer.h"
#include "ui/Visualization.h"
#include "ui/controls/Label.h"

#include <algorithm>

using namespace ControlBench;
using BaseLib::CColor;
using BaseLib::CRect;
using BaseLib::CSize;
using UILib::CLabel;

namespace
{

const CColor Face = StandardPalette(0);
const CColor DisabledGrey = StandardPalette(9);

class LabelTest : public ControlTest
{
protected:
    UILib::CVisualization* Theme() const { return UILib::VisualizationOf(*RootWindow()); }
    BaseLib::CResourcePtr<UILib::CFont> ThemeFont() const { return Theme()->GetFont(0); }
    std::int32_t LineHeight() const { return ThemeFont()->GetHeight(); }
    std::int32_t TextWidth(const char* text) const { return ThemeFont()->GetTextWidth(text); }
    bool RootIsClean() const { return RootWindow()->GetCanvas(false)->GetDirtyRects().GetCount() == 0; }

    // The rectangle of pixels that differ from the colour, empty when none does.
    CRect ChangedArea(const CRect& within, CColor background) const
    {
        CRect found(within.right, within.bottom, within.left, within.top);
        for (std::int32_t y = within.top; y < within.bottom; ++y)
        {
            for (std::int32_t x = within.left; x < within.right; ++x)
            {
                if (Pixel(x, y) != background)
                {
                    found.left = std::min(found.left, x);
                    found.top = std::min(found.top, y);
                    found.right = std::max(found.right, x + 1);
                    found.bottom = std::max(found.bottom, y + 1);
                }
            }
        }
        return found.left < found.right ? found : CRect();
    }
    // The darkest pixel of the rectangle by its sum of red, green and blue.
    CColor Darkest(const CRect& within) const
    {
        CColor darkest(255, 255, 255, 255);
        for (std::int32_t y = within.top; y < within.bottom; ++y)
        {
            for (std::int32_t x = within.left; x < within.right; ++x)
            {
                const CColor c = Pixel(x, y);
                if (c.GetRed() + c.GetGreen() + c.GetBlue() < darkest.GetRed() + darkest.GetGreen() + darkest.GetBlue())
                {
                    darkest = c;
                }
            }
        }
        return darkest;
    }
};

TEST_F(LabelTest, ANewLabelShowsLabelAtTheSizeOfItsText)
{
    auto* label = new CLabel();
    EXPECT_EQ(std::string(label->GetText()), "Label");
    EXPECT_EQ(label->GetSize(), CSize(TextWidth("Label"), LineHeight()));
    Place(label, 10, 10, 60, 20, nullptr);
    EXPECT_EQ(label->GetDebugDescription(), "CLabel Label = Label");
    EXPECT_EQ(Property(*label, "Font Color"), "(0, 0, 0, 255)") << "opaque black until a colour is set";
    EXPECT_FALSE(label->HasOwnFontColor());
    EXPECT_EQ(label->GetFont().Get(), ThemeFont().Get()) << "without an own font the theme's default";
}

TEST_F(LabelTest, SettersChangeOnlyWhatTheyMust)
{
    auto* label = Make<CLabel>(10, 10, 50, 20);
    label->SetText("Hello");
    Compose();
    ASSERT_TRUE(RootIsClean());
    label->SetText("Hello");
    EXPECT_TRUE(RootIsClean()) << "the same text again does not invalidate";
    label->SetText("Hello!");
    EXPECT_FALSE(RootIsClean());

    // "@" keys: found in the table, or the localizer's answer for a missing key (the key itself).
    UILib::CLocalizer::GetInstance().AddText("", "@label.greeting", "Good day");
    label->SetText("@label.greeting");
    EXPECT_EQ(std::string(label->GetText()), "Good day");
    label->SetText("@label.missing");
    EXPECT_EQ(std::string(label->GetText()), "@label.missing");

    // A bitmap empties the text; an empty text then changes nothing, another text drops the bitmap.
    const std::string file = WriteBitmap("face.png", 30, 12, CColor(0, 0, 255, 255));
    label->SetBitmapFile(file.c_str());
    ASSERT_TRUE(label->GetBitmap().IsValid());
    EXPECT_EQ(std::string(label->GetText()), "");
    EXPECT_EQ(Property(*label, "Bitmap"), std::string(label->GetBitmap().GetFileName()));
    EXPECT_EQ(label->GetDebugDescription(), BaseLib::CString("CLabel Bitmap = ") + label->GetBitmap().GetFileName());
    label->SetText("");
    EXPECT_TRUE(label->GetBitmap().IsValid()) << "an empty text leaves the bitmap";
    label->SetText("words");
    EXPECT_FALSE(label->GetBitmap().IsValid());
    EXPECT_EQ(std::string(label->GetText()), "words");

    // Word wrap and auto-enlarge exclude each other: the later switch wins.
    label->SetWordWrap(true);
    EXPECT_FALSE(label->GetAutoEnlarge());
    label->SetAutoEnlarge(true);
    EXPECT_FALSE(label->GetWordWrap());
    EXPECT_TRUE(label->GetAutoEnlarge());

    // Background off makes the window transparent; on again leaves it so.
    EXPECT_EQ(Property(*label, "Transparent"), "false");
    label->SetBackground(false);
    EXPECT_EQ(Property(*label, "Transparent"), "true");
    label->SetBackground(true);
    EXPECT_EQ(Property(*label, "Transparent"), "true");

    label->SetFontColor(CColor(255, 0, 0, 255));
    EXPECT_TRUE(label->HasOwnFontColor());
    EXPECT_EQ(Property(*label, "Font Color"), "(255, 0, 0, 255)");
}

TEST_F(LabelTest, AFontDescriptionThatGivesNoFontFallsBackToTheThemeWithOneTrace)
{
    auto* label = Make<CLabel>(10, 10, 50, 20);
    {
        Platform::DebugOutputCapture trace;
        SetProperty(*label, "Font", "not xml");
        const std::string text = trace.Text();
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
        EXPECT_NE(text.find("not xml"), std::string::npos) << text;
    }
    EXPECT_EQ(label->GetFont().Get(), ThemeFont().Get());

    // A real description round-trips: written back as XML text, read again into the same font.
    const std::string bigger = "<font type=\"alphabitmapfont\" height=\"24\" weight=\"5\"/>";
    SetProperty(*label, "Font", bigger);
    ASSERT_TRUE(label->GetFont());
    EXPECT_NE(label->GetFont().Get(), ThemeFont().Get());
    EXPECT_EQ(label->GetFont()->GetHeight(), 24);
    const std::string description = Property(*label, "Font");
    auto* other = Make<CLabel>(10, 40, 50, 20);
    SetProperty(*other, "Font", description);
    EXPECT_EQ(other->GetFont().Get(), label->GetFont().Get());
}

TEST_F(LabelTest, LinesAndSizing)
{
    auto* label = Make<CLabel>(10, 10, 1, 1);
    label->SetText("a\nb");
    ASSERT_EQ(label->GetLineCount(), 2);
    EXPECT_EQ(std::string(label->GetTextLine(0)), "a") << "the line feed is cut";
    EXPECT_EQ(std::string(label->GetTextLine(1)), "b");
    EXPECT_EQ(label->GetSize().cy, 2 * LineHeight());
    EXPECT_EQ(label->GetSize().cx, std::max(TextWidth("a"), TextWidth("b")));

    // Auto-enlarge only grows; an exact fit shrinks.
    label->SetText("a much longer single line");
    const CSize grown = label->GetSize();
    EXPECT_EQ(grown.cx, TextWidth("a much longer single line"));
    label->SetText("x");
    EXPECT_EQ(label->GetSize(), grown) << "a label never shrinks by itself";
    label->SizeToContent(false);
    EXPECT_EQ(label->GetSize(), grown);
    label->SizeToContent(true);
    EXPECT_EQ(label->GetSize(), CSize(TextWidth("x"), LineHeight()));

    // Word wrap re-breaks when the size changes.
    label->SetWordWrap(true);
    label->SetText("one two three four five");
    label->SetSize(TextWidth("three") + 4, 200);
    EXPECT_GE(label->GetLineCount(), 4);
    label->SetSize(TextWidth("one two three four five") + 10, 200);
    EXPECT_EQ(label->GetLineCount(), 1);
}

TEST_F(LabelTest, PaintProbes)
{
    // Background on: the face colour around the text.
    auto* plain = Make<CLabel>(20, 20, 120, 30);
    plain->SetText("Text");
    Compose();
    EXPECT_EQ(Pixel(21, 21), Face);
    EXPECT_EQ(Pixel(138, 48), Face);
    EXPECT_FALSE(ChangedArea(CRect(20, 20, 140, 50), Face).IsEmpty());

    // Own colour red: the changed pixels lie inside the centred text box; the most covered are pure red.
    auto* red = Make<CLabel>(20, 60, 120, 30);
    red->SetText("Red");
    red->SetFontColor(CColor(255, 0, 0, 255));
    Compose();
    const CSize content = red->GetContentSize();
    const CRect box(20 + (120 - content.cx) / 2, 60 + (30 - content.cy) / 2, 20 + (120 + content.cx) / 2 + 1,
                    60 + (30 + content.cy) / 2 + 1);
    const CRect changed = ChangedArea(CRect(20, 60, 140, 90), Face);
    ASSERT_FALSE(changed.IsEmpty());
    EXPECT_GE(changed.left, box.left);
    EXPECT_GE(changed.top, box.top);
    EXPECT_LE(changed.right, box.right);
    EXPECT_LE(changed.bottom, box.bottom);
    bool pureRed = false;
    for (std::int32_t y = changed.top; y < changed.bottom; ++y)
    {
        for (std::int32_t x = changed.left; x < changed.right; ++x)
        {
            pureRed = pureRed || Pixel(x, y) == CColor(255, 0, 0, 255);
            EXPECT_GE(Pixel(x, y).GetRed(), Pixel(x, y).GetGreen()) << "only shades between face and red";
        }
    }
    EXPECT_TRUE(pureRed);

    // Left and right alignment put the text in that half.
    auto* left = Make<CLabel>(20, 100, 200, 30);
    left->SetText("Left");
    left->SetHorizontalAlignment(1);
    auto* right = Make<CLabel>(20, 140, 200, 30);
    right->SetText("Right");
    right->SetAlignment(2, 0);
    Compose();
    const CRect leftText = ChangedArea(CRect(20, 100, 220, 130), Face);
    const CRect rightText = ChangedArea(CRect(20, 140, 220, 170), Face);
    ASSERT_FALSE(leftText.IsEmpty());
    ASSERT_FALSE(rightText.IsEmpty());
    EXPECT_LT(leftText.right, 120);
    EXPECT_GE(rightText.left, 120);

    // A disabled label draws its text in the theme's disabled grey.
    auto* disabled = Make<CLabel>(20, 180, 120, 30);
    disabled->SetText("Off");
    disabled->SetDisabled(true);
    Compose();
    EXPECT_EQ(Darkest(CRect(20, 180, 140, 210)), DisabledGrey);

    // Write Alpha with background off on an own canvas leaves the corners with alpha 0.
    auto* holder = Make<UILib::CWindow>(300, 20, 100, 40);
    holder->SetOwnCanvas(true);
    auto* clear = Make<CLabel>(0, 0, 100, 40, holder);
    clear->SetBackground(false);
    clear->SetWriteAlpha(true);
    clear->SetText("A");
    Compose();
    UILib::CCanvas* canvas = holder->GetCanvas(false);
    ASSERT_NE(canvas, nullptr);
    EXPECT_EQ(canvas->GetPixel(1, 1).GetAlpha(), 0);
    EXPECT_EQ(canvas->GetPixel(98, 38).GetAlpha(), 0);
}

TEST_F(LabelTest, BitmapPlacementAndAlphaHitTest)
{
    // Left half opaque, right half transparent.
    std::vector<CColor> pixels(8 * 4);
    for (std::int32_t y = 0; y < 4; ++y)
    {
        for (std::int32_t x = 0; x < 8; ++x)
        {
            pixels[static_cast<std::size_t>(y * 8 + x)] = x < 4 ? CColor(0, 255, 0, 255) : CColor(0, 0, 0, 0);
        }
    }
    auto* label = Make<CLabel>(10, 10, 20, 10);
    label->SetBitmapFile(WriteBitmap("half.png", 8, 4, pixels).c_str());
    EXPECT_EQ(label->GetSize(), CSize(20, 10)) << "already larger than the bitmap";
    EXPECT_EQ(label->GetBitmapPlacement(), BaseLib::CPoint(6, 3));
    EXPECT_TRUE(label->HitTestBitmapAlpha(7, 4));
    EXPECT_FALSE(label->HitTestBitmapAlpha(11, 4)) << "a transparent pixel";
    EXPECT_FALSE(label->HitTestBitmapAlpha(2, 4)) << "outside the bitmap";
    EXPECT_FALSE(label->HitTestBitmapAlpha(-1, 4));
    label->SetAlignment(1, 1);
    EXPECT_EQ(label->GetBitmapPlacement(), BaseLib::CPoint(0, 0));
    Compose();
    EXPECT_EQ(Pixel(10, 10), CColor(0, 255, 0, 255));
    EXPECT_EQ(Pixel(15, 10), Face) << "the transparent half blends over the background";

    // A missing file shows the factory's placeholder.
    label->SetBitmapFile("no-such-bitmap.png");
    EXPECT_TRUE(label->GetBitmap().IsPlaceholder());
}

TEST_F(LabelTest, ALayoutFileSetsAllNineProperties)
{
    const std::string font = "&lt;font type=&quot;alphabitmapfont&quot; height=&quot;20&quot;/&gt;";
    const std::string path = WriteLayout(
        "label.xml", "<window type=\"CLabel\">\n"
                     "  <property name=\"Text\" value=\"First\"/>\n"
                     "  <property name=\"Background\" value=\"false\"/>\n"
                     "  <property name=\"Word Wrap\" value=\"true\"/>\n"
                     "  <property name=\"Auto-Enlarge\" value=\"false\"/>\n"
                     "  <property name=\"H-Alignment\" value=\"Left\"/>\n"
                     "  <property name=\"V-Alignment\" value=\"Bottom\"/>\n"
                     "  <property name=\"Font\" value=\"" + font + "\"/>\n"
                     "  <property name=\"Font Color\" value=\"(10, 20, 30, 255)\"/>\n"
                     "</window>\n"
                     "<window type=\"CLabel\">\n"
                     "  <property name=\"Bitmap\" value=\"std_close.png\"/>\n"
                     "  <property name=\"H-Alignment\" value=\"right\"/>\n"
                     "</window>\n");
    std::vector<UILib::CWindow*> windows;
    {
        Platform::DebugOutputCapture trace;
        ASSERT_TRUE(Factory()->LoadLayoutWindows(path, RootWindow(), &windows));
        EXPECT_NE(trace.Text().find("right"), std::string::npos) << "the bad enum name is traced";
    }
    ASSERT_EQ(windows.size(), 2u);
    UILib::CWindow& first = *windows[0];
    EXPECT_STREQ(first.GetClassName(), "CLabel");
    EXPECT_EQ(Property(first, "Text"), "First");
    EXPECT_EQ(Property(first, "Background"), "false");
    EXPECT_EQ(Property(first, "Word Wrap"), "true");
    EXPECT_EQ(Property(first, "Auto-Enlarge"), "false");
    EXPECT_EQ(Property(first, "H-Alignment"), "Left");
    EXPECT_EQ(Property(first, "V-Alignment"), "Bottom");
    EXPECT_NE(Property(first, "Font").find("height=\"20\""), std::string::npos) << Property(first, "Font");
    EXPECT_EQ(static_cast<CLabel&>(first).GetFont()->GetHeight(), 20);
    EXPECT_EQ(Property(first, "Font Color"), "(10, 20, 30, 255)");
    UILib::CWindow& second = *windows[1];
    EXPECT_NE(Property(second, "Bitmap").find("std_close.png"), std::string::npos);
    EXPECT_FALSE(static_cast<CLabel&>(second).GetBitmap().IsPlaceholder());
    EXPECT_EQ(Property(second, "H-Alignment"), "Center") << "an unknown name reads as the first";
}

TEST_F(LabelTest, AlignmentPicture)
{
    const char* const horizontal[] = {"Left", "Center", "Right"};
    const char* const vertical[] = {"Top", "Center", "Bottom"};
    const int horizontalCode[] = {1, 0, 2};
    const int verticalCode[] = {1, 0, 2};
    for (int row = 0; row < 3; ++row)
    {
        for (int column = 0; column < 3; ++column)
        {
            auto* label = Make<CLabel>(10 + column * 130, 10 + row * 50, 120, 40);
            label->SetText(BaseLib::CString(vertical[row]) + " " + horizontal[column]);
            label->SetAlignment(horizontalCode[column], verticalCode[row]);
            Compose();
            const CRect cell(10 + column * 130, 10 + row * 50, 130 + column * 130, 50 + row * 50);
            const CRect text = ChangedArea(cell, Face);
            ASSERT_FALSE(text.IsEmpty());
            // Left/top text starts near the cell's start, right/bottom ends near its end.
            if (column == 0)
            {
                EXPECT_LT(text.left - cell.left, 4);
            }
            if (column == 2)
            {
                EXPECT_LT(cell.right - text.right, 4);
            }
            if (row == 0)
            {
                EXPECT_LT(text.top - cell.top, LineHeight() / 2 + 1);
            }
            if (row == 2)
            {
                EXPECT_LT(cell.bottom - text.bottom, LineHeight() / 2 + 1);
            }
        }
    }
    auto* wrapped = Make<CLabel>(10, 170, 120, 100);
    wrapped->SetWordWrap(true);
    wrapped->SetText("A wrapped label breaks its words at the window's width.");
    wrapped->SetSize(120, 100);
    EXPECT_GT(wrapped->GetLineCount(), 2);
    auto* bitmap = Make<CLabel>(140, 170, 60, 40);
    bitmap->SetBitmapFile(WriteBitmap("blue.png", 40, 24, CColor(40, 80, 220, 255)).c_str());
    auto* coloured = Make<CLabel>(210, 170, 120, 30);
    coloured->SetText("Coloured");
    coloured->SetFontColor(CColor(200, 0, 0, 255));
    auto* disabled = Make<CLabel>(210, 210, 120, 30);
    disabled->SetText("Disabled");
    disabled->SetDisabled(true);
    Compose();
    EXPECT_EQ(Pixel(170, 190), CColor(40, 80, 220, 255));
    EXPECT_FALSE(SavePicture("label_alignments").empty());
}

} // namespace
