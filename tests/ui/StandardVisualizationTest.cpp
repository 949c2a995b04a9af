#include "foundation/ResourceRegistry.h"
#include "foundation/TypeTag.h"
#include "platform/os/DebugOutput.h"
#include "tests/ui/BlockCanvas.h"
#include "ui/BitmapFactory.h"
#include "ui/BitmapPng.h"
#include "ui/DrawContext.h"
#include "ui/FontFactory.h"
#include "ui/StandardVisualization.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

using BaseLib::CColor;
using BaseLib::CPoint;
using BaseLib::CRect;
using UILib::CStandardVisualization;

namespace
{

const std::uint32_t kStnd = BaseLib::MakeTypeTag("STND");
const CColor kWhite(255, 255, 255, 255);
const CColor kFace(200, 200, 200, 255);
const CColor kBlack(0, 0, 0, 255);
const CColor kHighlight(50, 50, 160, 255);
const CColor kDisabledText(140, 140, 140, 255);
const CColor kOuterLight(240, 240, 240, 255);
const CColor kInnerLight(210, 210, 200, 255);
const CColor kInnerShadow(150, 150, 150, 255);
const CColor kOuterShadow(70, 70, 70, 255);

// A white canvas of its own with a drawing context whose clip is the whole canvas.
struct CSheet
{
    CSheet(std::int32_t width, std::int32_t height) : canvas(width, height), context(&canvas)
    {
        context.SetClipRect(0, 0, width, height);
    }
    CColor At(std::int32_t x, std::int32_t y) const { return canvas.At(x, y); }
    // The box of the pixels that are no longer white; empty when none changed.
    CRect Ink() const
    {
        CRect ink(canvas.GetSize().cx, canvas.GetSize().cy, -1, -1);
        for (std::int32_t y = 0; y < canvas.GetSize().cy; ++y)
        {
            for (std::int32_t x = 0; x < canvas.GetSize().cx; ++x)
            {
                if (At(x, y) != kWhite)
                {
                    ink = CRect(std::min(ink.left, x), std::min(ink.top, y), std::max(ink.right, x + 1),
                                std::max(ink.bottom, y + 1));
                }
            }
        }
        return ink.IsEmpty() ? CRect() : ink;
    }
    bool operator==(const CSheet& other) const { return canvas.block == other.canvas.block; }

    UiTest::CBlockCanvas canvas;
    UILib::CDrawContext context;
};

std::string Hex(CColor colour)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08X", colour.argb);
    return text;
}

// The bitmap factory searching the committed theme folder (unless told otherwise), the font factory and
// the visualization registry, as the window system's start-up leaves them.
class StandardTheme : public testing::Test
{
protected:
    explicit StandardTheme(bool searchThemeFolder = true)
    {
        bitmapRegistry.SetMemoryLimit(32u << 20);
        fontRegistry.SetMemoryLimit(3u << 20);
        bitmaps = std::make_unique<UILib::CBitmapFactory>(&bitmapRegistry, nullptr);
        if (searchThemeFolder)
        {
            bitmaps->AddSearchPath(QUARROW_MEDIA_DIR "/interface/standard");
        }
        fonts = std::make_unique<UILib::CFontFactory>(&fontRegistry);
        registry = std::make_unique<UILib::CVisualizationRegistry>();
    }
    ~StandardTheme() override
    {
        registry.reset();
        fonts.reset();
        bitmaps.reset();
    }

    UILib::CVisualization& Theme()
    {
        UILib::CVisualization* theme = registry->GetVisualization(kStnd);
        EXPECT_NE(theme, nullptr);
        return *theme;
    }

    // Every pixel of the image at (x, y) on the sheet: opaque ones as they are, transparent ones leave
    // the background.
    static void ExpectImageAt(const CSheet& sheet, const UILib::CBitmap& image, std::int32_t x, std::int32_t y,
                              CColor background)
    {
        ASSERT_GT(image.GetWidth(), 0);
        for (std::int32_t j = 0; j < image.GetHeight(); ++j)
        {
            for (std::int32_t i = 0; i < image.GetWidth(); ++i)
            {
                const CColor pixel = image.GetPixels()[j * image.GetWidth() + i];
                if (pixel.GetAlpha() == 255 || pixel.GetAlpha() == 0)
                {
                    EXPECT_EQ(Hex(sheet.At(x + i, y + j)), Hex(pixel.GetAlpha() == 255 ? pixel : background))
                        << image.GetFileName() << " pixel " << i << "," << j;
                }
            }
        }
    }
    static UILib::CBitmap Image(std::int32_t index) { return UILib::CBitmap(CStandardVisualization::GetImageFileName(index)); }

    BaseLib::CResourceRegistry bitmapRegistry;
    BaseLib::CResourceRegistry fontRegistry;
    std::unique_ptr<UILib::CBitmapFactory> bitmaps;
    std::unique_ptr<UILib::CFontFactory> fonts;
    std::unique_ptr<UILib::CVisualizationRegistry> registry;
};

class StandardThemeWithoutFolder : public StandardTheme
{
protected:
    StandardThemeWithoutFolder() : StandardTheme(false) {}
};

} // namespace

TEST_F(StandardTheme, TheRegistryBuildsItOnceOnTheFirstLookup)
{
    EXPECT_FALSE(bitmapRegistry.ContainsName("std_check.png"));
    UILib::CVisualization* theme = registry->GetVisualization(kStnd);
    ASSERT_NE(theme, nullptr);
    EXPECT_TRUE(bitmapRegistry.ContainsName("std_check.png"));
    EXPECT_EQ(registry->GetVisualization(kStnd), theme);
    EXPECT_EQ(theme->GetTypeTag(), kStnd);
    EXPECT_EQ(theme->GetBorderWidths(0), CRect(2, 2, 2, 2));
    EXPECT_EQ(theme->GetBorderWidths(99), CRect(2, 2, 2, 2));

    // Fonts 2 … 6 are font 0's object; 1 is fixed pitch, 7 extra bold; every other index answers font 0.
    const auto font0 = theme->GetFont(0);
    ASSERT_TRUE(font0);
    const std::int32_t held = font0->GetCount();
    {
        const auto again = theme->GetFont(0);
        EXPECT_EQ(font0->GetCount(), held + 1); // a new counted reference
    }
    for (const std::int32_t index : {2, 3, 4, 5, 6, 8, 9, -1, 1000})
    {
        EXPECT_EQ(theme->GetFont(index).Get(), font0.Get()) << index;
    }
    EXPECT_EQ(font0->GetHeight(), 14);
    EXPECT_EQ(font0->GetWeight(), 5);
    EXPECT_EQ(font0->GetFixedWidth(), 0);
    const auto fixed = theme->GetFont(1);
    const auto bold = theme->GetFont(7);
    ASSERT_TRUE(fixed && bold);
    EXPECT_NE(fixed.Get(), font0.Get());
    EXPECT_EQ(fixed->GetFixedWidth(), 1);
    EXPECT_EQ(fixed->GetWeight(), 5);
    EXPECT_EQ(bold->GetWeight(), 11);
    EXPECT_EQ(static_cast<const char*>(bold->GetFaceName()), std::string());

    const UILib::CVisualizationFontMetrics metrics = theme->GetFontMetrics(9);
    EXPECT_EQ(metrics.height, font0->GetHeight());
    EXPECT_EQ(metrics.ascent, font0->GetAscent());
    EXPECT_EQ(metrics.descent, font0->GetDescent());
    EXPECT_GT(metrics.height, 0);
    EXPECT_EQ(theme->GetTextWidth(3, "Group"), font0->GetTextWidth("Group"));
    EXPECT_EQ(theme->GetTextWidth(1, "iiii"), theme->GetTextWidth(1, "MMMM")); // fixed pitch
}

TEST_F(StandardTheme, MetricsFollowTheCommittedImages)
{
    const UILib::CVisualizationMetrics& m = Theme().GetMetrics();
    for (std::int32_t i = 0; i < CStandardVisualization::ImageCount; ++i)
    {
        EXPECT_FALSE(Image(i).IsPlaceholder()) << CStandardVisualization::GetImageFileName(i);
    }
    EXPECT_EQ(CStandardVisualization::GetImageFileName(17), nullptr);
    const auto sizeOf = [](std::int32_t index, std::int32_t plus) {
        const UILib::CBitmap image = Image(index);
        return BaseLib::CSize(image.GetWidth() + plus, image.GetHeight() + plus);
    };
    EXPECT_EQ(BaseLib::CSize(m.checkBoxWidth, m.checkBoxHeight), sizeOf(CStandardVisualization::ImageCheck, 4));
    EXPECT_EQ(BaseLib::CSize(m.radioButtonWidth, m.radioButtonHeight),
              sizeOf(CStandardVisualization::ImageRadioSelected, 0));
    EXPECT_EQ(BaseLib::CSize(m.scrollBarButtonWidth, m.scrollBarButtonHeight),
              sizeOf(CStandardVisualization::ImageScrollArrowUp, 4));
    EXPECT_EQ(BaseLib::CSize(m.verticalSpinButtonWidth, m.verticalSpinButtonHeight),
              sizeOf(CStandardVisualization::ImageSpinUp, 4));
    EXPECT_EQ(BaseLib::CSize(m.horizontalSpinButtonWidth, m.horizontalSpinButtonHeight),
              sizeOf(CStandardVisualization::ImageSpinLeft, 4));
    EXPECT_EQ(BaseLib::CSize(m.treeButtonWidth, m.treeButtonHeight), sizeOf(CStandardVisualization::ImageTreePlus, 0));

    // The sizes the committed images give, then the constants.
    const std::vector<std::pair<BaseLib::CSize, BaseLib::CSize>> sizes = {
        {BaseLib::CSize(m.checkBoxWidth, m.checkBoxHeight), BaseLib::CSize(14, 14)},
        {BaseLib::CSize(m.radioButtonWidth, m.radioButtonHeight), BaseLib::CSize(13, 13)},
        {BaseLib::CSize(m.scrollBarButtonWidth, m.scrollBarButtonHeight), BaseLib::CSize(16, 16)},
        {BaseLib::CSize(m.verticalSpinButtonWidth, m.verticalSpinButtonHeight), BaseLib::CSize(13, 9)},
        {BaseLib::CSize(m.horizontalSpinButtonWidth, m.horizontalSpinButtonHeight), BaseLib::CSize(9, 13)},
        {BaseLib::CSize(m.treeButtonWidth, m.treeButtonHeight), BaseLib::CSize(9, 9)},
        {BaseLib::CSize(m.horizontalSliderThumbWidth, m.horizontalSliderThumbHeight), BaseLib::CSize(10, 17)},
        {BaseLib::CSize(m.verticalSliderThumbWidth, m.verticalSliderThumbHeight), BaseLib::CSize(17, 10)},
        {BaseLib::CSize(m.dialogMarginX, m.dialogMarginY), BaseLib::CSize(2, 2)},
        {BaseLib::CSize(m.buttonMinimumWidth, m.buttonMinimumHeight), BaseLib::CSize(0, 0)},
        {BaseLib::CSize(m.buttonMaximumWidth, m.buttonMaximumHeight), BaseLib::CSize(-1, -1)},
        {BaseLib::CSize(m.pressedOffsetX, m.pressedOffsetY), BaseLib::CSize(1, 1)},
        {BaseLib::CSize(m.messageBoxButtonWidth, m.messageBoxButtonHeight), BaseLib::CSize(90, 21)},
        {BaseLib::CSize(m.groupBoxInsetLeft, m.groupBoxInsetTop), BaseLib::CSize(5, 20)},
        {BaseLib::CSize(m.groupBoxInsetRight, m.groupBoxInsetBottom), BaseLib::CSize(5, 5)},
    };
    for (std::size_t i = 0; i < sizes.size(); ++i)
    {
        EXPECT_EQ(sizes[i].first, sizes[i].second) << "row " << i;
    }
    EXPECT_EQ(m.transparentWindows, 0);
    EXPECT_EQ(m.captionHeight, 16);
    EXPECT_EQ(m.sliderTrackThickness, 4);
}

TEST_F(StandardThemeWithoutFolder, MissingImagesGivePlaceholdersAndTheirWarnings)
{
    Platform::DebugOutputCapture capture;
    UILib::CVisualization& theme = Theme();
    const std::string warnings = capture.Text();
    for (std::int32_t i = 0; i < CStandardVisualization::ImageCount; ++i)
    {
        const std::string file = CStandardVisualization::GetImageFileName(i);
        EXPECT_NE(warnings.find("failed to load: ./" + file), std::string::npos) << file;
        EXPECT_TRUE(Image(i).IsPlaceholder()) << file;
    }
    EXPECT_EQ(theme.GetMetrics().checkBoxWidth, 104);
    EXPECT_EQ(theme.GetMetrics().checkBoxHeight, 104);
    EXPECT_EQ(theme.GetMetrics().radioButtonWidth, 100);

    // The placeholders are drawn where the images would be.
    CSheet sheet(120, 120);
    theme.DrawCheckBox(sheet.context, CPoint(0, 0), 1, false);
    EXPECT_EQ(Hex(sheet.At(50, 50)), Hex(CColor(200, 100, 100, 255)));
    EXPECT_EQ(sheet.Ink(), CRect(0, 0, 104, 104));
}

TEST(StandardThemeAlone, WithoutFactoriesItHasNoFontsOrImagesAndDrawsFramesOnly)
{
    UILib::CVisualizationRegistry registry;
    UILib::CVisualization* theme = registry.GetVisualization(kStnd);
    ASSERT_NE(theme, nullptr);
    EXPECT_FALSE(theme->GetFont(0));
    EXPECT_EQ(theme->GetFontMetrics(0).height, 0);
    EXPECT_EQ(theme->GetTextWidth(7, "text"), 0);
    EXPECT_EQ(theme->GetMetrics().checkBoxWidth, 4);
    CSheet sheet(40, 40);
    theme->DrawIndexedText(sheet.context, 0, CRect(0, 0, 40, 20), 0, 0, "text", UILib::TextHighlighted);
    theme->DrawCaptionBar(sheet.context, CPoint(0, 20), 40, "caption", false);
    theme->DrawCaret(sheet.context, 0, CPoint(30, 30));
    theme->DrawGroupFrame(sheet.context, CRect(0, 0, 40, 40), "group");
    theme->DrawRadioButton(sheet.context, CPoint(0, 0), true, false);
    theme->DrawCheckBox(sheet.context, CPoint(10, 10), 1, false);
    EXPECT_EQ(Hex(sheet.At(20, 5)), Hex(kHighlight));
    EXPECT_EQ(Hex(sheet.At(30, 30)), Hex(kBlack)); // a caret of no height is one dot
    EXPECT_EQ(Hex(sheet.At(31, 30)), Hex(CColor(50, 50, 50, 255)));
    // The empty check box is its frame alone, 4 × 4.
    EXPECT_EQ(Hex(sheet.At(10, 10)), Hex(kInnerShadow));
    EXPECT_EQ(Hex(sheet.At(13, 13)), Hex(kOuterLight));
    EXPECT_EQ(Hex(sheet.At(14, 14)), Hex(kHighlight));
}

TEST_F(StandardTheme, FillStylesUseTheirPaletteColours)
{
    UILib::CVisualization& theme = Theme();
    const std::vector<std::pair<std::int32_t, CColor>> fills = {
        {0, kFace},          {1, kFace},       {2, kWhite},
        {3, kFace},          {4, kHighlight},  {5, CColor(230, 230, 230, 255)},
        {6, kBlack},         {7, CColor(255, 255, 225, 255)},
        {8, kFace},          {9, kFace},       {-1, kFace},
    };
    for (const auto& [style, colour] : fills)
    {
        CSheet sheet(8, 8);
        const CColor marker(1, 2, 3, 255);
        sheet.canvas.Clear(marker);
        theme.FillBackground(sheet.context, CRect(1, 2, 5, 7), style);
        const auto count = std::count(sheet.canvas.block.begin(), sheet.canvas.block.end(), colour);
        EXPECT_EQ(count, 4 * 5) << "style " << style;
        EXPECT_EQ(Hex(sheet.At(1, 2)), Hex(colour)) << "style " << style;
        EXPECT_EQ(Hex(sheet.At(4, 6)), Hex(colour)) << "style " << style;
    }
}

TEST_F(StandardTheme, FrameStylesLineByLine)
{
    UILib::CVisualization& theme = Theme();
    const CRect box(0, 0, 10, 10);
    const auto framed = [&](std::int32_t style) {
        auto sheet = std::make_unique<CSheet>(12, 12);
        theme.DrawFrame(sheet->context, box, style, 0);
        return sheet;
    };
    // Raised styles 6 and 7 are style 2; 4 and unknown styles draw nothing.
    EXPECT_TRUE(*framed(6) == *framed(2));
    EXPECT_TRUE(*framed(7) == *framed(2));
    EXPECT_FALSE(*framed(1) == *framed(2));
    for (const std::int32_t style : {4, 9, 99, -1})
    {
        EXPECT_TRUE(framed(style)->Ink().IsEmpty()) << style;
    }

    struct Probe
    {
        std::int32_t style;
        CPoint at;
        CColor colour;
    };
    const std::vector<Probe> probes = {
        // Sunken: shadow rings at the top-left, light rings at the bottom-right.
        {1, {0, 0}, kInnerShadow},   {1, {1, 1}, kOuterShadow},   {1, {8, 8}, kInnerLight},
        {1, {9, 9}, kOuterLight},    {1, {0, 9}, kOuterLight},    {1, {9, 0}, kOuterLight},
        {1, {2, 2}, kWhite},
        // Raised: the same lines in the other order.
        {2, {0, 0}, kOuterLight},    {2, {1, 1}, kInnerLight},    {2, {8, 8}, kInnerShadow},
        {2, {9, 9}, kOuterShadow},   {2, {1, 8}, kInnerShadow},
        // Outlines.
        {0, {0, 0}, kBlack},         {0, {9, 9}, kBlack},         {0, {1, 1}, kWhite},
        {3, {0, 0}, kBlack},         {3, {1, 1}, kOuterLight},    {3, {8, 8}, kInnerShadow},
        {3, {9, 9}, kBlack},         {3, {2, 2}, kWhite},
        {5, {0, 0}, kBlack},         {5, {1, 1}, kInnerShadow},   {5, {8, 8}, kInnerShadow},
        {5, {9, 9}, kBlack},         {5, {2, 2}, kWhite},
        // Etched: a dark outline one short of the right and bottom, light lines inside and outside it.
        {8, {0, 0}, kOuterShadow},   {8, {8, 8}, kOuterShadow},   {8, {1, 1}, kOuterLight},
        {8, {7, 1}, kOuterLight},    {8, {8, 1}, kOuterShadow},   {8, {9, 9}, kOuterLight},
        {8, {9, 0}, kOuterLight},    {8, {2, 2}, kWhite},         {8, {1, 8}, kOuterShadow},
    };
    for (const Probe& probe : probes)
    {
        EXPECT_EQ(Hex(framed(probe.style)->At(probe.at.x, probe.at.y)), Hex(probe.colour))
            << "style " << probe.style << " at " << probe.at.x << "," << probe.at.y;
    }
    for (const std::int32_t style : {0, 1, 2, 3, 5, 8})
    {
        EXPECT_EQ(framed(style)->Ink(), box) << style;
    }
}

TEST_F(StandardTheme, GroupFrameLeavesRoomForItsCaption)
{
    UILib::CVisualization& theme = Theme();
    const std::int32_t h = theme.GetFontMetrics(6).height;
    ASSERT_GT(h, 0);
    const std::int32_t y = h / 2;
    // The columns of a row that hold the colour.
    const auto columns = [](const CSheet& sheet, std::int32_t row, CColor colour) {
        std::vector<std::int32_t> xs;
        for (std::int32_t x = 0; x < sheet.canvas.GetSize().cx; ++x)
        {
            if (sheet.At(x, row) == colour)
            {
                xs.push_back(x);
            }
        }
        return xs;
    };
    // xs followed by from … to.
    const auto range = [](std::int32_t from, std::int32_t to, std::vector<std::int32_t> xs = {}) {
        for (std::int32_t x = from; x <= to; ++x)
        {
            xs.push_back(x);
        }
        return xs;
    };

    // Spaces measure without ink: the gap in the top lines is all the caption leaves.
    const std::int32_t space = theme.GetTextWidth(6, " ");
    ASSERT_GT(space, 0);
    const std::string wide(100 / space + 2, ' ');
    const std::string narrow(3, ' ');
    const std::int32_t narrowWidth = theme.GetTextWidth(6, narrow.c_str());
    struct Case
    {
        std::string caption;
        std::int32_t captionEnd;
    };
    const CRect rect(0, 0, 80, 60);
    for (const Case& c : {Case{wide, 80 - 10}, Case{narrow, narrowWidth + 10}, Case{"", 10}})
    {
        CSheet sheet(90, 70);
        theme.DrawGroupFrame(sheet.context, rect, c.caption.c_str());
        SCOPED_TRACE("caption of " + std::to_string(c.caption.size()) + " spaces");
        EXPECT_EQ(columns(sheet, y, kOuterShadow), range(c.captionEnd, 78, range(0, 9)));
        EXPECT_EQ(columns(sheet, y + 1, kOuterLight), range(79, 79, range(c.captionEnd, 77, range(1, 9))));
        // The sides and the bottom: dark inside, light outside.
        EXPECT_EQ(Hex(sheet.At(0, 58)), Hex(kOuterShadow));
        EXPECT_EQ(Hex(sheet.At(78, 58)), Hex(kOuterShadow));
        EXPECT_EQ(Hex(sheet.At(79, 59)), Hex(kOuterLight));
        EXPECT_EQ(Hex(sheet.At(1, 57)), Hex(kOuterLight));
        EXPECT_EQ(sheet.Ink(), CRect(0, y, 80, 60));
    }

    // A real caption is drawn left-aligned from x 10 in the normal colour, above nothing else.
    CSheet sheet(90, 70);
    theme.DrawGroupFrame(sheet.context, rect, "Group");
    CSheet text(90, 70);
    const std::int32_t end = theme.GetTextWidth(6, "Group") + 10;
    text.context.DrawText(theme.GetFont(6), CRect(10, 0, end, h), 1, 0, "Group", kBlack, 0);
    for (std::int32_t py = 0; py < h; ++py)
    {
        for (std::int32_t px = 10; px < end; ++px)
        {
            if (text.At(px, py) != kWhite)
            {
                ASSERT_EQ(Hex(sheet.At(px, py)), Hex(text.At(px, py))) << px << "," << py;
            }
        }
    }
    EXPECT_FALSE(text.Ink().IsEmpty());

    // A caption wider than the frame is cut at R − 10: it never runs over the lines to its right.
    CSheet cut(90, 70);
    theme.DrawGroupFrame(cut.context, rect, "A caption far wider than its frame");
    EXPECT_EQ(cut.Ink().left, 0);
    CRect captionInk(90, 70, -1, -1);
    for (std::int32_t py = 0; py < h; ++py)
    {
        for (std::int32_t px = 10; px < 78; ++px) // the right side's lines begin at 78
        {
            if (py != y && py != y + 1 && cut.At(px, py) != kWhite)
            {
                captionInk = CRect(std::min(captionInk.left, px), 0, std::max(captionInk.right, px + 1), 0);
            }
        }
    }
    EXPECT_GE(captionInk.right, 60);
    EXPECT_LE(captionInk.right, 70);
    EXPECT_EQ(columns(cut, y, kOuterShadow), range(70, 78, range(0, 9)));
}

TEST_F(StandardTheme, SliderTrackIsACentredSunkenGroove)
{
    UILib::CVisualization& theme = Theme();
    struct Case
    {
        CRect rect;
        bool vertical;
        CRect groove;
    };
    for (const Case& c : {Case{CRect(0, 0, 100, 17), false, CRect(0, 6, 100, 10)},
                          Case{CRect(0, 0, 17, 100), true, CRect(6, 0, 10, 100)},
                          Case{CRect(3, 5, 50, 10), false, CRect(3, 5, 50, 9)}})
    {
        CSheet track(110, 110);
        theme.DrawSliderTrack(track.context, c.rect, c.vertical);
        CSheet frame(110, 110);
        theme.DrawFrame(frame.context, c.groove, 1, 0);
        EXPECT_TRUE(track == frame) << c.rect.right << "x" << c.rect.bottom;
        EXPECT_EQ(track.Ink(), c.groove);
    }
}

TEST_F(StandardTheme, CheckBoxFrameInteriorAndMark)
{
    UILib::CVisualization& theme = Theme();
    const CPoint at(3, 4);
    const CRect box(3, 4, 17, 18);
    const auto plain = [&](CColor interior) {
        auto sheet = std::make_unique<CSheet>(24, 24);
        theme.DrawFrame(sheet->context, box, 1, 0);
        sheet->context.FillRect(CRect(5, 6, 15, 16), interior);
        return sheet;
    };
    for (const std::int32_t state : {0, 3, -1})
    {
        CSheet sheet(24, 24);
        theme.DrawCheckBox(sheet.context, at, state, false);
        EXPECT_TRUE(sheet == *plain(kWhite)) << "state " << state;
    }
    CSheet pushed(24, 24);
    theme.DrawCheckBox(pushed.context, at, 0, true);
    EXPECT_TRUE(pushed == *plain(kFace));

    for (const auto& [state, image] : {std::pair{1, CStandardVisualization::ImageCheck},
                                       std::pair{2, CStandardVisualization::ImageCheckDefault}})
    {
        CSheet sheet(24, 24);
        theme.DrawCheckBox(sheet.context, at, state, false);
        ExpectImageAt(sheet, Image(image), 5, 6, kWhite);
        EXPECT_FALSE(sheet == *plain(kWhite));
        EXPECT_EQ(sheet.Ink(), box);
    }
}

TEST_F(StandardTheme, ImagesByStateAndDirection)
{
    UILib::CVisualization& theme = Theme();
    using V = CStandardVisualization;
    // Radio and tree buttons: the image at the point, blended over what is there.
    const std::vector<std::tuple<bool, bool, std::int32_t>> radios = {
        {true, true, V::ImageRadioSelectedAndDown},
        {true, false, V::ImageRadioSelected},
        {false, true, V::ImageRadioClearAndDown},
        {false, false, V::ImageRadioClear},
    };
    for (const auto& [selected, pressed, image] : radios)
    {
        CSheet sheet(20, 20);
        theme.DrawRadioButton(sheet.context, CPoint(2, 3), selected, pressed);
        ExpectImageAt(sheet, Image(image), 2, 3, kWhite);
        EXPECT_EQ(sheet.Ink(), CRect(2, 3, 15, 16));
    }
    for (const auto& [collapsed, image] : {std::pair{true, V::ImageTreePlus}, std::pair{false, V::ImageTreeMinus}})
    {
        CSheet sheet(20, 20);
        theme.DrawTreeButton(sheet.context, CPoint(4, 1), collapsed);
        ExpectImageAt(sheet, Image(image), 4, 1, kWhite);
    }

    // Scroll and spin buttons: frame, face, arrow by direction at the inner top-left; others no arrow.
    const auto button = [&](bool spin, std::int32_t direction, std::int32_t frame) {
        auto sheet = std::make_unique<CSheet>(24, 24);
        if (spin)
        {
            theme.DrawSpinButton(sheet->context, CPoint(1, 2), direction, frame);
        }
        else
        {
            theme.DrawScrollBarButton(sheet->context, CPoint(1, 2), direction, frame);
        }
        return sheet;
    };
    const std::vector<std::tuple<bool, std::int32_t, std::int32_t, CRect>> buttons = {
        {false, 0, V::ImageScrollArrowUp, CRect(1, 2, 17, 18)},
        {false, 1, V::ImageScrollArrowDown, CRect(1, 2, 17, 18)},
        {false, 2, V::ImageScrollArrowLeft, CRect(1, 2, 17, 18)},
        {false, 3, V::ImageScrollArrowRight, CRect(1, 2, 17, 18)},
        {true, 0, V::ImageSpinUp, CRect(1, 2, 14, 11)},
        {true, 1, V::ImageSpinDown, CRect(1, 2, 14, 11)},
        {true, 2, V::ImageSpinLeft, CRect(1, 2, 10, 15)},
        {true, 3, V::ImageSpinRight, CRect(1, 2, 10, 15)},
    };
    for (const auto& [spin, direction, image, rect] : buttons)
    {
        const auto sheet = button(spin, direction, 3);
        SCOPED_TRACE((spin ? "spin " : "scroll ") + std::to_string(direction));
        ExpectImageAt(*sheet, Image(image), 3, 4, kFace);
        EXPECT_EQ(sheet->Ink(), rect);
        EXPECT_EQ(Hex(sheet->At(rect.left, rect.top)), Hex(kBlack)); // frame style 3's outline
    }
    for (const bool spin : {false, true})
    {
        const auto none = button(spin, 7, 2);
        for (std::int32_t y = 4; y < none->Ink().bottom - 2; ++y)
        {
            for (std::int32_t x = 3; x < none->Ink().right - 2; ++x)
            {
                ASSERT_EQ(Hex(none->At(x, y)), Hex(kFace)) << x << "," << y;
            }
        }
        EXPECT_EQ(Hex(none->At(1, 2)), Hex(kOuterLight));
    }

    // Combo and close buttons: the image centred in (0, 0, R, B).
    for (const auto& [close, image] : {std::pair{false, V::ImageScrollArrowDown}, std::pair{true, V::ImageClose}})
    {
        CSheet sheet(24, 24);
        const CRect rect(0, 0, 20, 18);
        if (close)
        {
            theme.DrawCloseButton(sheet.context, rect, 2);
        }
        else
        {
            theme.DrawComboButton(sheet.context, rect, 2);
        }
        const UILib::CBitmap bitmap = Image(image);
        ExpectImageAt(sheet, bitmap, (20 - bitmap.GetWidth()) / 2, (18 - bitmap.GetHeight()) / 2, kFace);
        EXPECT_EQ(sheet.Ink(), rect);
        EXPECT_EQ(Hex(sheet.At(0, 0)), Hex(kOuterLight));
    }
}

TEST_F(StandardTheme, ThumbsAreRaisedWithTheirFaces)
{
    UILib::CVisualization& theme = Theme();
    struct Case
    {
        bool vertical;
        bool disabled;
        CRect rect;
        CColor face;
    };
    for (const Case& c : {Case{false, false, CRect(3, 4, 13, 21), kFace},
                          Case{false, true, CRect(3, 4, 13, 21), CColor(230, 230, 230, 255)},
                          Case{true, false, CRect(3, 4, 20, 14), kFace}})
    {
        CSheet sheet(24, 24);
        theme.DrawSliderThumb(sheet.context, CPoint(3, 4), c.vertical, 0, c.disabled);
        CSheet expected(24, 24);
        theme.DrawFrame(expected.context, c.rect, 2, 0);
        expected.context.FillRect(CRect(c.rect.left + 2, c.rect.top + 2, c.rect.right - 2, c.rect.bottom - 2),
                                  c.face);
        EXPECT_TRUE(sheet == expected) << c.vertical << c.disabled;
    }
    CSheet thumb(24, 24);
    theme.DrawScrollBarThumb(thumb.context, CRect(2, 2, 18, 10), 0);
    EXPECT_EQ(thumb.Ink(), CRect(2, 2, 18, 10));
    EXPECT_EQ(Hex(thumb.At(2, 2)), Hex(kOuterLight));
    EXPECT_EQ(Hex(thumb.At(17, 9)), Hex(kOuterShadow));
    EXPECT_EQ(Hex(thumb.At(4, 4)), Hex(kFace));
}

TEST_F(StandardTheme, TextColoursAndHighlight)
{
    UILib::CVisualization& theme = Theme();
    // The colours a drawn text leaves in its rectangle: the fill and the ink at full cover.
    const auto has = [](const CSheet& sheet, CColor colour) {
        return std::find(sheet.canvas.block.begin(), sheet.canvas.block.end(), colour) != sheet.canvas.block.end();
    };
    struct Case
    {
        std::uint32_t flags;
        CColor ink;
        bool filled;
    };
    const CRect rect(2, 2, 80, 22);
    for (const Case& c : {Case{0, kBlack, false}, Case{UILib::TextDisabled, kDisabledText, false},
                          Case{UILib::TextHighlighted, kWhite, true},
                          Case{UILib::TextHighlighted | UILib::TextDisabled, kDisabledText, true}})
    {
        SCOPED_TRACE("flags " + std::to_string(c.flags));
        CSheet sheet(90, 30);
        if (c.filled)
        {
            sheet.canvas.Clear(kBlack); // the fill covers the whole rectangle
        }
        theme.DrawIndexedText(sheet.context, 0, rect, 1, 0, "HIll", c.flags);
        EXPECT_TRUE(has(sheet, c.ink));
        if (c.filled)
        {
            EXPECT_EQ(Hex(sheet.At(2, 2)), Hex(kHighlight));
            EXPECT_EQ(Hex(sheet.At(79, 21)), Hex(kHighlight));
            EXPECT_EQ(Hex(sheet.At(80, 21)), Hex(kBlack));
        }
        else
        {
            EXPECT_FALSE(has(sheet, kHighlight));
        }

        // At a baseline: the highlight covers (x, y − ascent, x + width, y + descent).
        CSheet at(90, 40);
        theme.DrawIndexedTextAt(at.context, 9, CPoint(5, 25), "HIll", c.flags);
        const UILib::CVisualizationFontMetrics metrics = theme.GetFontMetrics(0);
        const std::int32_t width = theme.GetTextWidth(0, "HIll");
        EXPECT_TRUE(has(at, c.ink));
        if (c.filled)
        {
            EXPECT_EQ(at.Ink(), CRect(5, 25 - metrics.ascent, 5 + width, 25 + metrics.descent));
            EXPECT_EQ(Hex(at.At(5, 25 - metrics.ascent)), Hex(kHighlight));
        }
    }
}

TEST_F(StandardTheme, CaretAndCaptionBar)
{
    UILib::CVisualization& theme = Theme();
    for (const std::int32_t index : {0, 9})
    {
        CSheet sheet(20, 30);
        theme.DrawCaret(sheet.context, index, CPoint(5, 20));
        EXPECT_EQ(sheet.Ink(), CRect(5, 20 - 14, 6, 21)) << index;
        EXPECT_EQ(Hex(sheet.At(5, 13)), Hex(kBlack));
    }

    const UILib::CVisualizationFontMetrics font0 = theme.GetFontMetrics(0);
    const std::int32_t baseline = (16 - font0.height) / 2 + font0.ascent + 1;
    for (const bool active : {true, false})
    {
        const CColor bar = active ? kHighlight : CColor(50, 50, 50, 255);
        CSheet sheet(140, 30);
        theme.DrawCaptionBar(sheet.context, CPoint(0, 0), 120, "Caption", active);
        CSheet expected(140, 30);
        expected.context.FillRect(CRect(0, 0, 120, 16), bar);
        expected.context.DrawTextAt(theme.GetFont(7), 10, baseline, "Caption", kWhite, 0);
        EXPECT_TRUE(sheet == expected) << active;
        EXPECT_EQ(sheet.Ink(), CRect(0, 0, 120, 16));
        EXPECT_EQ(Hex(sheet.At(119, 15)), Hex(bar));
    }
}

TEST_F(StandardTheme, GalleryOfEveryOperation)
{
    UILib::CVisualization& theme = Theme();
    CSheet sheet(720, 470);
    UILib::CDrawContext& dc = sheet.context;
    theme.FillBackground(dc, CRect(0, 0, 720, 470), 0);
    const auto label = [&](std::int32_t x, std::int32_t y, const char* text) {
        theme.DrawIndexedTextAt(dc, 0, CPoint(x, y), text, 0);
    };
    const auto at = [&](std::int32_t x, std::int32_t y) {
        dc.SetOrigin(x, y);
        return &dc;
    };

    // Row 1: frame styles 0 … 8 and fill styles 0 … 7.
    label(10, 20, "Frames 0-8");
    for (std::int32_t style = 0; style <= 8; ++style)
    {
        theme.FillBackground(*at(10 + style * 50, 28), CRect(0, 0, 40, 30), 1);
        theme.DrawFrame(dc, CRect(0, 0, 40, 30), style, 0);
        theme.DrawIndexedText(dc, 0, CRect(0, 0, 40, 30), 0, 0, std::to_string(style).c_str(), 0);
    }
    dc.SetOrigin(0, 0);
    label(470, 20, "Fills 0-7");
    for (std::int32_t style = 0; style <= 7; ++style)
    {
        theme.DrawFrame(*at(470 + style * 30, 28), CRect(0, 0, 26, 30), 0, 0);
        theme.FillBackground(dc, CRect(1, 1, 25, 29), style);
    }

    // Row 2: check boxes (states 0 … 2, pushed), radio buttons, tree buttons.
    dc.SetOrigin(0, 0);
    label(10, 88, "Check boxes: state 0, 1, 2; pushed");
    for (std::int32_t state = 0; state <= 2; ++state)
    {
        theme.DrawCheckBox(dc, CPoint(10 + state * 50, 96), state, false);
        theme.DrawCheckBox(dc, CPoint(30 + state * 50, 96), state, true);
    }
    label(280, 88, "Radio: clear, selected, pressed");
    const std::pair<bool, bool> radios[] = {{false, false}, {true, false}, {false, true}, {true, true}};
    for (std::int32_t i = 0; i < 4; ++i)
    {
        theme.DrawRadioButton(dc, CPoint(280 + i * 30, 96), radios[i].first, radios[i].second);
    }
    label(520, 88, "Tree: collapsed, expanded");
    theme.DrawTreeButton(dc, CPoint(520, 98), true);
    theme.DrawTreeButton(dc, CPoint(550, 98), false);

    // Row 3: scroll bar and spin buttons in every direction and two frame styles, a direction 4.
    label(10, 142, "Scroll buttons up, down, left, right, 4 (styles 2, 1)");
    for (std::int32_t direction = 0; direction <= 4; ++direction)
    {
        theme.DrawScrollBarButton(dc, CPoint(10 + direction * 24, 150), direction, 2);
        theme.DrawScrollBarButton(dc, CPoint(10 + direction * 24, 170), direction, 1);
    }
    label(360, 142, "Spin buttons up, down, left, right, 4 (styles 2, 3)");
    for (std::int32_t direction = 0; direction <= 4; ++direction)
    {
        theme.DrawSpinButton(dc, CPoint(360 + direction * 24, 150), direction, 2);
        theme.DrawSpinButton(dc, CPoint(360 + direction * 24, 170), direction, 3);
    }

    // Row 4: thumbs, tracks, combo and close buttons.
    label(10, 212, "Scroll thumb, slider thumbs (h, v, disabled), tracks");
    theme.DrawScrollBarThumb(dc, CRect(10, 220, 70, 236), 0);
    theme.DrawSliderThumb(dc, CPoint(90, 220), false, 0, false);
    theme.DrawSliderThumb(dc, CPoint(110, 220), true, 0, false);
    theme.DrawSliderThumb(dc, CPoint(140, 220), false, 0, true);
    theme.DrawSliderTrack(dc, CRect(170, 220, 300, 237), false);
    theme.DrawSliderThumb(dc, CPoint(220, 220), false, 0, false);
    theme.DrawSliderTrack(dc, CRect(310, 215, 327, 265), true);
    label(360, 212, "Combo and close buttons (styles 2, 1)");
    theme.DrawComboButton(*at(360, 220), CRect(0, 0, 18, 18), 2);
    theme.DrawComboButton(*at(390, 220), CRect(0, 0, 18, 18), 1);
    theme.DrawCloseButton(*at(420, 220), CRect(0, 0, 14, 14), 2);
    theme.DrawCloseButton(*at(450, 220), CRect(0, 0, 14, 14), 1);
    dc.SetOrigin(0, 0);

    // Row 5: text in every state, the caret, indexed fonts.
    label(10, 290, "Text: normal, disabled, highlighted, both; at a baseline; caret");
    const std::uint32_t flags[] = {0, UILib::TextDisabled, UILib::TextHighlighted,
                                   UILib::TextHighlighted | UILib::TextDisabled};
    for (std::int32_t i = 0; i < 4; ++i)
    {
        theme.DrawIndexedText(dc, 0, CRect(10 + i * 90, 298, 95 + i * 90, 318), 0, 0, "Some text", flags[i]);
    }
    theme.DrawIndexedTextAt(dc, 0, CPoint(380, 313), "Edit text", UILib::TextHighlighted);
    theme.DrawIndexedTextAt(dc, 0, CPoint(460, 313), "Edit", 0);
    theme.DrawCaret(dc, 0, CPoint(460 + theme.GetTextWidth(0, "Edit") + 1, 316));
    theme.DrawIndexedTextAt(dc, 1, CPoint(520, 313), "Fixed 0123", 0);
    theme.DrawIndexedTextAt(dc, 7, CPoint(620, 313), "Bold", 0);

    // Row 6: caption bars and group frames.
    label(10, 345, "Caption bars (active, inactive) and group frames");
    theme.DrawCaptionBar(*at(10, 352), CPoint(0, 0), 220, "Active dialog", true);
    theme.DrawCloseButton(*at(213, 353), CRect(0, 0, 14, 14), 2);
    theme.DrawCaptionBar(*at(10, 376), CPoint(0, 0), 220, "Inactive dialog", false);
    theme.DrawGroupFrame(*at(250, 352), CRect(0, 0, 140, 100), "Group box");
    theme.DrawGroupFrame(*at(400, 352), CRect(0, 0, 80, 100), "A caption wider than the frame");
    theme.DrawGroupFrame(*at(490, 352), CRect(0, 0, 100, 100), "");
    theme.DrawCheckBox(*at(250, 352), CPoint(10, 25), 1, false);
    theme.DrawIndexedTextAt(dc, 0, CPoint(30, 37), "Inside", 0);
    dc.SetOrigin(0, 0);

    EXPECT_EQ(Hex(sheet.At(700, 10)), Hex(kFace));
    const std::filesystem::path folder = QUARROW_TEST_OUTPUT_DIR;
    std::filesystem::create_directories(folder);
    ASSERT_TRUE(UILib::WritePixelsPng((folder / "standard_visualization.png").string(), 720, 470,
                                      sheet.canvas.block.data(), 720));
}
