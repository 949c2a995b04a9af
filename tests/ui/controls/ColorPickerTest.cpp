#include "ControlBench.h"
#include "PropertyAccess.h"

#include "ui/controls/ColorPickArea.h"
#include "ui/controls/HsvColor.h"

#include <vector>

using namespace ControlBench;
using BaseLib::CColor;
using BaseLib::CPoint;
using BaseLib::CRect;
using UILib::CBitmap;
using UILib::CColorPickArea;
using UILib::CHsvColor;

namespace
{

const CColor Black(0, 0, 0, 255);

// Conversions

TEST(HsvConversion, ColorToHsvUsesTheHexconeAndTruncatesToWholePercent)
{
    struct Case
    {
        CColor colour;
        float hue;
        int saturation;
        int value;
    };
    const Case cases[] = {
        {CColor(255, 0, 0, 255), 0.0f, 100, 100},
        {CColor(0, 0, 255, 255), 240.0f, 100, 100},
        {CColor(0, 255, 0, 255), 120.0f, 100, 100},
        {CColor(255, 0, 255, 255), 300.0f, 100, 100}, // magenta: the negative hue wraps
        {CColor(0, 0, 0, 255), 0.0f, 0, 0},
        {CColor(128, 128, 128, 255), 0.0f, 0, 50}, // 50.19 % truncated
        {CColor(255, 255, 255, 255), 0.0f, 0, 100},
        {CColor(200, 100, 100, 255), 0.0f, 50, 78}, // 78.43 % truncated
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.colour.ToString());
        const CHsvColor hsv = UILib::ColorToHsv(c.colour);
        EXPECT_FLOAT_EQ(hsv.hue, c.hue);
        EXPECT_EQ(hsv.saturation, c.saturation);
        EXPECT_EQ(hsv.value, c.value);
    }
    EXPECT_EQ(UILib::ColorToHsv(CColor(10, 20, 30, 77)).alpha, 77);
}

TEST(HsvConversion, HsvToColorRoundsEachChannelAndPassesAlphaThrough)
{
    struct Case
    {
        CHsvColor hsv;
        CColor expected;
    };
    const Case cases[] = {
        {{0.0f, 0, 50, 255}, CColor(127, 127, 127, 255)}, // grey: 127.5 truncated
        {{0.0f, 0, 100, 255}, CColor(255, 255, 255, 255)},
        {{120.0f, 100, 100, 255}, CColor(0, 255, 0, 255)},
        {{240.0f, 100, 100, 255}, CColor(0, 0, 255, 255)},
        {{0.0f, 100, 100, 255}, CColor(255, 0, 0, 255)},
        {{360.0f, 100, 100, 255}, CColor(255, 0, 0, 255)}, // sector 6 is sector 0
        {{60.0f, 100, 100, 40}, CColor(255, 255, 0, 40)},
        {{30.0f, 100, 100, 255}, CColor(255, 128, 0, 255)}, // 50 × 2.55 + 0.5 = 128
        {{300.0f, 50, 80, 9}, CColor(204, 102, 204, 9)},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message()
                     << c.hsv.hue << " " << int{c.hsv.saturation} << " " << int{c.hsv.value});
        EXPECT_EQ(UILib::HsvToColor(c.hsv), c.expected) << UILib::HsvToColor(c.hsv).ToString();
    }
}

TEST(HsvConversion, UnitComponentsAreScaledAndTruncated)
{
    EXPECT_EQ(UILib::UnitHsvaToHsv(0.5f, 0.5f, 0.5f, 0.5f), (CHsvColor{180.0f, 50, 50, 127}));
    EXPECT_EQ(UILib::UnitHsvaToHsv(1.0f, 1.0f, 1.0f, 1.0f), (CHsvColor{360.0f, 100, 100, 255}));
    EXPECT_EQ(UILib::UnitHsvaToHsv(0.0f, 0.999f, 0.019f, 0.0f), (CHsvColor{0.0f, 99, 1, 0}));
}

// The pick area

// Records each pick with the marker as it stood when the callback ran.
struct PickLog
{
    void OnPick(CColorPickArea* area, const CPoint& point)
    {
        picks.push_back(point);
        markersAtCall.push_back(area->GetMarker());
    }
    UILib::CPickCallback Record() { return UILib::CPickCallback::Bind(this, &PickLog::OnPick); }

    std::vector<CPoint> picks;
    std::vector<CPoint> markersAtCall;
};

class PickAreaTest : public ControlTest
{
protected:
    // An area at (x, y) showing a bitmap of one colour, sized by its visualization to bitmap + borders.
    CColorPickArea* MakeArea(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                             CColor fill = CColor(0, 200, 0, 255))
    {
        CColorPickArea* area = Make<CColorPickArea>(x, y, 1, 1);
        CBitmap bitmap(width, height, true);
        CColor* pixels = bitmap.GetWritablePixels();
        std::fill(pixels, pixels + width * height, fill);
        area->SetBitmap(bitmap);
        area->ApplyVisualization();
        area->SetCallback(log.Record());
        return area;
    }

    PickLog log;
};

TEST_F(PickAreaTest, ADragClampsIntoTheBitmapAndReportsBeforeTheMarkerMoves)
{
    CColorPickArea* area = MakeArea(10, 30, 20, 256);
    ASSERT_EQ(area->GetBorders(), CRect(2, 2, 2, 2));
    EXPECT_EQ(area->GetSize(), BaseLib::CSize(24, 260));
    EXPECT_STREQ(area->GetClassName(), "CColorPicker::CPickArea");
    EXPECT_EQ(area->GetDebugDescription(), BaseLib::CString("CLabel Bitmap = ") + area->GetBitmapFile());

    // Moves and a release without a press pick nothing.
    MouseMove(15, 100);
    MouseUp(Button::Left, 15, 100);
    EXPECT_TRUE(log.picks.empty());
    EXPECT_EQ(area->GetMarker(), CPoint(0, 0));

    struct Step
    {
        bool press;
        CPoint screen;
        CPoint reported;
    };
    const Step steps[] = {
        {true, {12, 32}, {0, 0}},     // the bitmap's top-left pixel inside the frame
        {false, {100, 50}, {19, 18}}, // right of the strip: the last column
        {false, {20, 5}, {8, 0}},     // above the top: row 0
        {false, {0, 400}, {0, 255}},  // left of and below the area
        {false, {11, 31}, {0, 0}},    // on the frame
    };
    CPoint previousMarker(0, 0);
    for (const Step& step : steps)
    {
        SCOPED_TRACE(testing::Message() << step.screen.x << ", " << step.screen.y);
        const std::size_t before = log.picks.size();
        if (step.press)
        {
            MouseDown(Button::Left, step.screen.x, step.screen.y);
        }
        else
        {
            MouseMove(step.screen.x, step.screen.y);
        }
        ASSERT_EQ(log.picks.size(), before + 1);
        EXPECT_EQ(log.picks.back(), step.reported);
        EXPECT_EQ(log.markersAtCall.back(), previousMarker);
        EXPECT_EQ(area->GetMarker(), CPoint(step.reported.x + 2, step.reported.y + 2));
        EXPECT_TRUE(area->IsDragging());
        EXPECT_EQ(Manager()->GetMouseCapture(), area);
        previousMarker = area->GetMarker();
    }

    MouseUp(Button::Left, 0, 400);
    EXPECT_FALSE(area->IsDragging());
    EXPECT_NE(Manager()->GetMouseCapture(), area);
    MouseMove(15, 100);
    EXPECT_EQ(log.picks.size(), std::size(steps));
}

TEST_F(PickAreaTest, WithoutBordersOrBitmapThePointIsTakenAsItIs)
{
    CColorPickArea* area = MakeArea(10, 30, 20, 256);
    // A visualization id that names no visualization: no frame, no borders.
    area->SetVisualization(0x7F7F7F7Fu);
    area->ApplyVisualization();
    ASSERT_EQ(area->GetBorders(), CRect(0, 0, 0, 0));
    EXPECT_EQ(area->GetSize(), BaseLib::CSize(20, 256));
    MouseDown(Button::Left, 10, 30);
    MouseUp(Button::Left, 10, 30);
    ASSERT_EQ(log.picks.size(), 1u);
    EXPECT_EQ(log.picks[0], CPoint(0, 0));
    EXPECT_EQ(area->GetMarker(), CPoint(0, 0));

    // Without a bitmap nothing clamps.
    area->SetBitmap(CBitmap());
    area->PickAt(CPoint(-7, 300));
    EXPECT_EQ(log.picks.back(), CPoint(-7, 300));
}

TEST_F(PickAreaTest, SuppressedEventsMoveTheMarkerButFireNothing)
{
    CColorPickArea* area = MakeArea(10, 30, 20, 256);
    area->SuppressEvents();
    MouseDown(Button::Left, 20, 80);
    MouseMove(20, 90);
    MouseUp(Button::Left, 20, 90);
    EXPECT_TRUE(log.picks.empty());
    EXPECT_EQ(area->GetMarker(), CPoint(10, 60));
    area->ResumeEvents();
}

TEST_F(PickAreaTest, PaintsTheBitmapInsideASunkenFrameWithABlackMarker)
{
    const CColor green(0, 200, 0, 255);
    CColorPickArea* area = MakeArea(20, 20, 64, 48, green);
    // The first picture has the marker at the client area's (0, 0), over the frame's corner and the
    // bitmap's first pixels; the pick must repaint that.
    Compose();
    MouseDown(Button::Left, 20 + 2 + 30, 20 + 2 + 20);
    MouseUp(Button::Left, 20 + 2 + 30, 20 + 2 + 20);
    Compose();
    const CPoint centre(20 + area->GetMarker().x, 20 + area->GetMarker().y);
    ASSERT_EQ(centre, CPoint(52, 42));
    for (std::int32_t d = -3; d <= 3; ++d)
    {
        SCOPED_TRACE(d);
        EXPECT_EQ(Pixel(centre.x + d, centre.y - 3), Black);
        EXPECT_EQ(Pixel(centre.x + d, centre.y + 3), Black);
        EXPECT_EQ(Pixel(centre.x - 3, centre.y + d), Black);
        EXPECT_EQ(Pixel(centre.x + 3, centre.y + d), Black);
    }
    EXPECT_EQ(Pixel(centre.x, centre.y), green) << "the marker is an outline";
    EXPECT_EQ(Pixel(centre.x + 4, centre.y), green);
    EXPECT_EQ(Pixel(centre.x, centre.y - 4), green);
    // The bitmap fills the frame's inside; the sunken frame's two rings: shadows top and left, lights
    // bottom and right.
    EXPECT_TRUE(AreaIs(CRect(22, 22, 40, 30), green));
    EXPECT_TRUE(AreaIs(CRect(60, 50, 86, 70), green));
    const struct
    {
        CPoint at;
        std::int32_t palette;
    } frame[] = {
        {{40, 20}, 16}, {{40, 21}, 17}, {{20, 40}, 16}, {{21, 40}, 17},
        {{40, 71}, 14}, {{40, 70}, 15}, {{87, 40}, 14}, {{86, 40}, 15},
    };
    for (const auto& f : frame)
    {
        EXPECT_EQ(Pixel(f.at.x, f.at.y), StandardPalette(f.palette)) << f.at.x << ", " << f.at.y;
    }
    EXPECT_FALSE(SavePicture("colorpickarea").empty());
}

} // namespace
