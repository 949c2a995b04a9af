#include "ControlBench.h"
#include "PropertyAccess.h"

#include "platform/os/DebugOutput.h"
#include "ui/controls/ProgressBar.h"

#include <cmath>
#include <limits>

using namespace ControlBench;
using BaseLib::CColor;
using BaseLib::CRect;
using UILib::CProgressBar;

namespace
{

const CColor Blue(0, 0, 255, 255);
const CColor White(255, 255, 255, 255);
const CColor Red(255, 0, 0, 255);
const CColor Green(0, 255, 0, 255);
// A long bar is 100 × 20 at (10, 10), a standing one 20 × 100.
constexpr std::int32_t X = 10;
constexpr std::int32_t Y = 10;

class ProgressBarTest : public ControlTest
{
protected:
    CProgressBar* MakeBar(bool vertical, bool inverse, float progress)
    {
        CProgressBar* bar = vertical ? Make<CProgressBar>(X, Y, 20, 100) : Make<CProgressBar>(X, Y, 100, 20);
        bar->SetVertical(vertical);
        bar->SetInverse(inverse);
        bar->SetProgress(progress);
        return bar;
    }
    // The bar's rectangle in the window's coordinates is the bar colour, the rest of the window white.
    void ExpectBar(const CProgressBar& bar, const CRect& filled)
    {
        Compose();
        const BaseLib::CSize size = bar.GetSize();
        std::int32_t wrong = 0;
        for (std::int32_t y = 0; y < size.cy; ++y)
        {
            for (std::int32_t x = 0; x < size.cx; ++x)
            {
                const bool inBar = x >= filled.left && x < filled.right && y >= filled.top && y < filled.bottom;
                wrong += Pixel(X + x, Y + y) == (inBar ? Blue : White) ? 0 : 1;
            }
        }
        EXPECT_EQ(wrong, 0);
    }
};

TEST_F(ProgressBarTest, TheBarFillsFromItsStartSideInEachOrientation)
{
    struct Case
    {
        bool vertical;
        bool inverse;
        float progress;
        CRect filled;
    };
    const Case cases[] = {
        {false, false, 0.0f, CRect(0, 0, 0, 0)},      {false, false, 50.0f, CRect(0, 0, 50, 20)},
        {false, false, 100.0f, CRect(0, 0, 100, 20)}, {false, true, 0.0f, CRect(0, 0, 0, 0)},
        {false, true, 50.0f, CRect(50, 0, 100, 20)},  {false, true, 100.0f, CRect(0, 0, 100, 20)},
        {true, false, 0.0f, CRect(0, 0, 0, 0)},       {true, false, 50.0f, CRect(0, 50, 20, 100)},
        {true, false, 100.0f, CRect(0, 0, 20, 100)},  {true, true, 0.0f, CRect(0, 0, 0, 0)},
        {true, true, 50.0f, CRect(0, 0, 20, 50)},     {true, true, 100.0f, CRect(0, 0, 20, 100)},
        {false, false, 33.3f, CRect(0, 0, 33, 20)}, // 33.3 pixels, truncated
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << (c.vertical ? "vertical" : "horizontal") << (c.inverse ? " inverse " : " ")
                                        << c.progress);
        CProgressBar* bar = MakeBar(c.vertical, c.inverse, c.progress);
        ExpectBar(*bar, c.filled);
        UILib::CWindow::Delete(bar);
    }
}

TEST_F(ProgressBarTest, ProgressAndRangeAreClampedAndABarNeverOverrunsTheWindow)
{
    CProgressBar* bar = MakeBar(false, false, 0.0f);
    EXPECT_EQ(Property(*bar, "Range"), "100") << "a new bar has the range 100, not the registered 0";
    EXPECT_TRUE(bar->GetWriteAlpha());
    struct Case
    {
        float set;
        float expected;
    };
    const Case progressCases[] = {
        {150.0f, 100.0f}, {-3.0f, 0.0f}, {std::nanf(""), 0.0f}, {42.5f, 42.5f}, {100.0f, 100.0f},
    };
    for (const Case& c : progressCases)
    {
        bar->SetProgress(c.set);
        EXPECT_EQ(bar->GetProgress(), c.expected) << c.set;
    }
    SetProperty(*bar, "Progress", "-0.5");
    EXPECT_EQ(bar->GetProgress(), 0.0f);
    SetProperty(*bar, "Range", "1e39");
    EXPECT_EQ(bar->GetRange(), std::numeric_limits<float>::max());
    bar->SetRange(-5.0f);
    EXPECT_EQ(bar->GetRange(), 0.0f);

    // Range 0 draws only the background, whatever the stored progress.
    bar->SetRange(200.0f);
    bar->SetProgress(150.0f);
    bar->SetRange(0.0f);
    ExpectBar(*bar, CRect(0, 0, 0, 0));

    // 150 of a range lowered to 100 stays stored and shows a full bar that ends at the window's edge.
    bar->SetRange(100.0f);
    EXPECT_EQ(bar->GetProgress(), 150.0f);
    ExpectBar(*bar, CRect(0, 0, 100, 20));
    EXPECT_EQ(Pixel(X + 100, Y + 5), StandardPalette(0)) << "nothing drawn right of the window";
}

TEST_F(ProgressBarTest, ChangesShowAtTheNextPaint)
{
    CProgressBar* bar = MakeBar(false, false, 50.0f);
    ExpectBar(*bar, CRect(0, 0, 50, 20));
    SetProperty(*bar, "Inverse", "true");
    ExpectBar(*bar, CRect(50, 0, 100, 20));
    SetProperty(*bar, "Progress", "25");
    ExpectBar(*bar, CRect(75, 0, 100, 20));
    SetProperty(*bar, "Bar Color", "(255, 0, 0, 255)");
    Compose();
    EXPECT_EQ(Pixel(X + 99, Y + 5), Red);
    EXPECT_EQ(Pixel(X + 74, Y + 5), White);

    CProgressBar* standing = MakeBar(false, false, 50.0f);
    standing->SetSize(40, 40);
    Compose();
    EXPECT_EQ(Pixel(X + 5, Y + 5), Blue);
    SetProperty(*standing, "Vertical", "true");
    Compose();
    EXPECT_EQ(Pixel(X + 5, Y + 5), White) << "the upper half is background now";
    EXPECT_EQ(Pixel(X + 30, Y + 30), Blue);
}

TEST_F(ProgressBarTest, BitmapsTileFromTheBarsCornerAndAnEmptyNameBringsTheColourBack)
{
    // A 30 × 30 tile: its first column red, the rest green, so each tile's start shows.
    std::vector<CColor> pixels(30 * 30, Green);
    for (std::int32_t y = 0; y < 30; ++y)
    {
        pixels[static_cast<std::size_t>(y * 30)] = Red;
    }
    const std::string tile = WriteBitmap("tile.png", 30, 30, pixels);

    struct Case
    {
        bool inverse;
        std::vector<std::int32_t> redColumns; // window columns where a tile starts
        std::int32_t lastBarColumn;
        std::int32_t firstBackgroundColumn;
    };
    const Case cases[] = {
        {false, {0, 30}, 49, 50},
        {true, {50, 80}, 99, 49},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.inverse ? "inverse" : "from the left");
        CProgressBar* bar = MakeBar(false, c.inverse, 50.0f);
        SetProperty(*bar, "Bar Bitmap", tile);
        Compose();
        for (const std::int32_t column : c.redColumns)
        {
            EXPECT_EQ(Pixel(X + column, Y + 19), Red) << column;
            EXPECT_EQ(Pixel(X + column + 1, Y + 19), Green) << column;
        }
        EXPECT_EQ(Pixel(X + c.lastBarColumn, Y + 10), Green);
        EXPECT_EQ(Pixel(X + c.firstBackgroundColumn, Y + 10), White) << "the tile is cut at the bar's edge";
        EXPECT_EQ(Pixel(X + 50, Y + 20), StandardPalette(0)) << "and at the window's bottom";

        SetProperty(*bar, "Bar Bitmap", "");
        EXPECT_EQ(Property(*bar, "Bar Bitmap"), "");
        EXPECT_FALSE(bar->GetBarBitmap().IsValid());
        Compose();
        EXPECT_EQ(Pixel(X + c.lastBarColumn, Y + 10), Blue) << "no bitmap: the bar colour again";
        UILib::CWindow::Delete(bar);
    }

    // The background tiles over the whole window from its origin.
    CProgressBar* bar = MakeBar(false, false, 0.0f);
    SetProperty(*bar, "Background Bitmap", tile);
    Compose();
    EXPECT_EQ(Pixel(X + 90, Y + 5), Red);
    EXPECT_EQ(Pixel(X + 99, Y + 5), Green);

    // A file that is not there shows the factory's placeholder and says so.
    Platform::DebugOutputCapture trace;
    SetProperty(*bar, "Bar Bitmap", "missing_bar.png");
    EXPECT_TRUE(bar->GetBarBitmap().IsPlaceholder());
    EXPECT_NE(trace.Text().find("missing_bar.png"), std::string::npos) << trace.Text();
}

TEST_F(ProgressBarTest, TilesAreWrittenWithWriteAlphaAndBlendedWithout)
{
    // A fully transparent tile over a bar marked transparent, so the root paints beneath it: written,
    // the tile makes a hole down to the screen; blended, the root's face stays.
    const std::string clear = WriteBitmap("clear.png", 8, 8, CColor(0, 0, 0, 0));
    for (const bool writeAlpha : {true, false})
    {
        SCOPED_TRACE(writeAlpha ? "written" : "blended");
        CProgressBar* bar = MakeBar(false, false, 50.0f);
        bar->SetWriteAlpha(writeAlpha);
        bar->SetTransparent(true);
        SetProperty(*bar, "Bar Bitmap", clear);
        Compose();
        EXPECT_EQ(Pixel(X + 10, Y + 10), writeAlpha ? ScreenBackground : StandardPalette(0));
        UILib::CWindow::Delete(bar);
    }
}

TEST_F(ProgressBarTest, PictureOfTheFourOrientations)
{
    const std::int32_t origins[4][2] = {{20, 20}, {20, 60}, {260, 20}, {320, 20}};
    CProgressBar* bars[4];
    for (std::int32_t i = 0; i < 4; ++i)
    {
        const bool vertical = i >= 2;
        bars[i] = vertical ? Make<CProgressBar>(origins[i][0], origins[i][1], 30, 200)
                           : Make<CProgressBar>(origins[i][0], origins[i][1], 200, 30);
        bars[i]->SetVertical(vertical);
        bars[i]->SetInverse(i % 2 == 1);
        bars[i]->SetProgress(30.0f);
    }
    Compose();
    EXPECT_EQ(Pixel(20 + 59, 20 + 15), Blue);
    EXPECT_EQ(Pixel(20 + 60, 20 + 15), White);
    EXPECT_EQ(Pixel(20 + 140, 60 + 15), Blue);
    EXPECT_EQ(Pixel(20 + 139, 60 + 15), White);
    EXPECT_EQ(Pixel(260 + 15, 20 + 140), Blue);
    EXPECT_EQ(Pixel(260 + 15, 20 + 139), White);
    EXPECT_EQ(Pixel(320 + 15, 20 + 59), Blue);
    EXPECT_EQ(Pixel(320 + 15, 20 + 60), White);
    EXPECT_FALSE(SavePicture("progressbar").empty());
}

} // namespace
