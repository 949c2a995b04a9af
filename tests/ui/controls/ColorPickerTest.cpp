#include "ControlBench.h"
#include "PropertyAccess.h"

#include "platform/os/Messages.h"
#include "ui/Panel.h"
#include "ui/controls/Button.h"
#include "ui/controls/CheckBox.h"
#include "ui/controls/ColorPickArea.h"
#include "ui/controls/ColorPicker.h"
#include "ui/controls/EditControl.h"
#include "ui/controls/HsvColor.h"
#include "ui/controls/Label.h"

#include <vector>

using namespace ControlBench;
using BaseLib::CColor;
using BaseLib::CPoint;
using BaseLib::CRect;
using UILib::CBitmap;
using UILib::CColorPickArea;
using UILib::CColorPicker;
using UILib::CEditControl;
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

// The colour picker

class ColorPickerTest : public ControlTest
{
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        parent = Make<CRecordingWindow>(0, 0, RootWidth, RootHeight);
        picker = Make<CColorPicker>(20, 20, 475, 305, parent);
    }

    template <typename W = UILib::CWindow> W* Child(const char* name) const
    {
        UILib::CWindow* child = picker->FindChildByName(name, true);
        EXPECT_NE(child, nullptr) << name;
        return dynamic_cast<W*>(child);
    }
    CColorPickArea* Square() const { return Child<CColorPickArea>("__bigpicker"); }
    CColorPickArea* Strip() const { return Child<CColorPickArea>("__smallpicker"); }
    CColorPickArea* AlphaStrip() const { return Child<CColorPickArea>("__alphapicker"); }
    CEditControl* Field(int row) const
    {
        return Child<CEditControl>(("__edit" + std::to_string(row)).c_str());
    }
    std::string FieldText(int row) const { return static_cast<const char*>(Field(row)->GetText()); }
    std::vector<std::string> Fields() const
    {
        std::vector<std::string> texts;
        for (int row = 0; row < CColorPicker::RowCount; ++row)
        {
            texts.push_back(FieldText(row));
        }
        return texts;
    }
    // The screen point of a bitmap pixel of a pick area.
    CPoint ScreenOf(CColorPickArea* area, std::int32_t x, std::int32_t y) const
    {
        const CPoint origin = area->GetScreenPosition();
        return CPoint(origin.x + area->GetBorders().left + x, origin.y + area->GetBorders().top + y);
    }
    void Pick(CColorPickArea* area, std::int32_t x, std::int32_t y)
    {
        const CPoint at = ScreenOf(area, x, y);
        MouseDown(Button::Left, at.x, at.y);
        MouseUp(Button::Left, at.x, at.y);
    }
    // A click in the middle of a child window.
    void ClickOn(UILib::CWindow* window)
    {
        const CPoint origin = window->GetScreenPosition();
        Click(origin.x + window->GetSize().cx / 2, origin.y + window->GetSize().cy / 2);
    }
    // Focuses the field, selects its text and types over it.
    void Type(int row, const std::string& text)
    {
        CEditControl* edit = Field(row);
        ClickOn(edit);
        edit->GetModel().SelectRange(0, edit->GetText().GetLength());
        for (char c : text)
        {
            Char(static_cast<unsigned char>(c));
        }
    }
    CColor BitmapPixel(CColorPickArea* area, std::int32_t x, std::int32_t y) const
    {
        const CBitmap& bitmap = area->GetBitmap();
        return bitmap.GetPixels()[y * bitmap.GetWidth() + x];
    }

    CRecordingWindow* parent = nullptr;
    CColorPicker* picker = nullptr;
};

TEST_F(ColorPickerTest, ConstructionLaysOutEveryChildInTheClientArea)
{
    EXPECT_EQ(picker->GetCaption(), "Color Picker");
    EXPECT_EQ(picker->GetSize(), BaseLib::CSize(475, 305));
    EXPECT_EQ(picker->GetColor(), CColor(255, 255, 255, 255));
    EXPECT_STREQ(picker->GetClassName(), "CColorPicker");
    EXPECT_EQ(picker->GetDebugDescription(), "CDialogWindow");
    EXPECT_TRUE(picker->HasOwnCanvas());

    struct Expected
    {
        const char* name;
        const char* className;
        CPoint position;
        BaseLib::CSize size;
    };
    // The pick areas are their bitmap's size plus the frame of 2 on each side.
    const Expected layout[] = {
        {"__okbutton", "CButton", {395, 10}, {70, 20}},
        {"__cancelbutton", "CButton", {395, 40}, {70, 20}},
        {"__colorpanel", "CPanel", {335, 10}, {50, 50}},
        {"__bigpicker", "CColorPicker::CPickArea", {10, 10}, {260, 260}},
        {"__smallpicker", "CColorPicker::CPickArea", {275, 10}, {24, 260}},
        {"__alphapicker", "CColorPicker::CPickArea", {305, 10}, {24, 260}},
        {"__radio0", "CRadioButton", {335, 70}, {50, 20}},
        {"__edit3", "CEditControl", {385, 145}, {40, 20}},
        {"__unitlabel6", "CLabel", {425, 220}, {20, 20}},
        {"__label", "CLabel", {358, 220}, {20, 20}},
    };
    UILib::CWindow* clientArea = picker->GetClientArea();
    for (const Expected& e : layout)
    {
        SCOPED_TRACE(e.name);
        UILib::CWindow* child = Child(e.name);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(child->GetParent(), clientArea);
        EXPECT_STREQ(child->GetClassName(), e.className);
        EXPECT_EQ(child->GetPosition(), e.position);
        EXPECT_EQ(child->GetSize(), e.size);
    }
    for (CColorPickArea* area : {Square(), Strip(), AlphaStrip()})
    {
        EXPECT_EQ(area->GetCursorType(), 7);
    }
    EXPECT_EQ(Child<UILib::CButton>("__okbutton")->GetText(), "OK");
    EXPECT_EQ(Child<UILib::CButton>("__cancelbutton")->GetText(), "Cancel");
    EXPECT_EQ(Child<UILib::CLabel>("__label")->GetText(), "A:");

    const char* const radioTexts[] = {"H:", "S:", "B:", "R:", "G:", "B:", "A:"};
    const char* const unitTexts[] = {"\xC2\xB0", "%", "%", "", "", "", ""};
    for (int row = 0; row < CColorPicker::RowCount; ++row)
    {
        SCOPED_TRACE(row);
        const std::string suffix = std::to_string(row);
        auto* radio = Child<UILib::CRadioButton>(("__radio" + suffix).c_str());
        EXPECT_EQ(radio->GetPosition(), CPoint(335, 70 + 25 * row));
        EXPECT_EQ(radio->GetText(), radioTexts[row]);
        EXPECT_EQ(radio->GetSelected(), row == 0);
        EXPECT_EQ(radio->GetVisible(), row != 6);
        EXPECT_EQ(radio->GetDisabled(), row == 6);
        CEditControl* edit = Field(row);
        EXPECT_EQ(edit->GetPosition(), CPoint(385, 70 + 25 * row));
        EXPECT_EQ(edit->GetMaximumSize(), BaseLib::CSize(40, 20));
        EXPECT_EQ(edit->GetPermittedChars(), "0123456789");
        EXPECT_EQ(edit->GetTextLimit(), 3);
        auto* unit = Child<UILib::CLabel>(("__unitlabel" + suffix).c_str());
        EXPECT_EQ(unit->GetText(), unitTexts[row]);
    }
    EXPECT_EQ(Fields(), (std::vector<std::string>{"0", "0", "100", "255", "255", "255", "255"}));
    EXPECT_EQ(picker->GetMode(), CColorPicker::Hue);
    EXPECT_EQ(picker->GetSquareX(), CColorPicker::Saturation);
    EXPECT_EQ(picker->GetSquareY(), CColorPicker::Value);
}

TEST_F(ColorPickerTest, TheComposedPictureShowsSquareStripsAndSwatch)
{
    Compose();
    const struct
    {
        const char* what;
        CColorPickArea* area;
        CPoint pixel;
        CColor expected;
    } probes[] = {
        {"square top-left", Square(), {0, 0}, CColor(255, 255, 255, 255)},
        {"square top-right", Square(), {255, 0}, CColor(255, 0, 0, 255)},
        {"square bottom-left", Square(), {0, 255}, Black},
        {"square bottom-right", Square(), {255, 255}, Black},
        {"square middle", Square(), {128, 128}, UILib::HsvToColor({0.0f, 50, 49, 255})},
        {"strip top", Strip(), {0, 0}, CColor(255, 0, 0, 255)},
        {"strip bottom", Strip(), {19, 255}, CColor(255, 0, 0, 255)},
        {"strip a third down", Strip(), {10, 85}, CColor(0, 0, 255, 255)},
        {"alpha top", AlphaStrip(), {0, 0}, Black},
        {"alpha bottom", AlphaStrip(), {19, 255}, CColor(255, 255, 255, 255)},
        {"alpha row 100", AlphaStrip(), {5, 100}, CColor(100, 100, 100, 255)},
    };
    for (const auto& probe : probes)
    {
        const CPoint at = ScreenOf(probe.area, probe.pixel.x, probe.pixel.y);
        EXPECT_EQ(Pixel(at.x, at.y), probe.expected) << probe.what << " " << Pixel(at.x, at.y).ToString();
    }
    // The sunken frame around the square: shadow ring at the top, light ring at the bottom.
    const CPoint square = Square()->GetScreenPosition();
    EXPECT_EQ(Pixel(square.x + 100, square.y), StandardPalette(16));
    EXPECT_EQ(Pixel(square.x + 100, square.y + 1), StandardPalette(17));
    EXPECT_EQ(Pixel(square.x + 100, square.y + 259), StandardPalette(14));
    const CPoint swatch = Child("__colorpanel")->GetScreenPosition();
    EXPECT_TRUE(AreaIs(CRect(swatch.x, swatch.y, swatch.x + 50, swatch.y + 50), CColor(255, 255, 255, 255)));
}

TEST_F(ColorPickerTest, APickInTheHueStripGivesAFullColourAndRebuildsTheSquare)
{
    Compose();
    // Row 170 is 85 from the bottom: a third of the way round, green.
    const CPoint at = ScreenOf(Strip(), 7, 170);
    const CColor shown = Pixel(at.x, at.y);
    Pick(Strip(), 7, 170);
    EXPECT_EQ(picker->GetColor(), CColor(0, 255, 0, 255));
    EXPECT_EQ(shown, picker->GetColor()) << "the pixel under the pointer is the one picked";
    EXPECT_EQ(Fields(), (std::vector<std::string>{"120", "100", "100", "0", "255", "0", "255"}));
    EXPECT_EQ(BitmapPixel(Square(), 255, 0), CColor(0, 255, 0, 255));
    EXPECT_EQ(BitmapPixel(Square(), 0, 0), CColor(255, 255, 255, 255));
    EXPECT_EQ(BitmapPixel(Strip(), 0, 0), CColor(255, 0, 0, 255)) << "the hue strip stays";
    Compose();
    const CPoint topRight = ScreenOf(Square(), 255, 0);
    EXPECT_EQ(Pixel(topRight.x, topRight.y), CColor(0, 255, 0, 255));
    const CPoint swatch = Child("__colorpanel")->GetScreenPosition();
    EXPECT_EQ(Pixel(swatch.x + 25, swatch.y + 25), CColor(0, 255, 0, 255));

    // A square pick takes the pixel under the pointer and rebuilds the strip for it (here the same).
    const CPoint squarePoint = ScreenOf(Square(), 200, 40);
    const CColor squareShown = Pixel(squarePoint.x, squarePoint.y);
    Pick(Square(), 200, 40);
    EXPECT_EQ(picker->GetColor(), squareShown);
    EXPECT_EQ(picker->GetColor(),
              UILib::HsvToColor(UILib::UnitHsvaToHsv(1.0f / 3.0f, 200 / 255.0f, 215 / 255.0f, 1.0f)));
}

TEST_F(ColorPickerTest, SquarePicksKeepAlphaInRgbModesAndAreOpaqueInHsvModes)
{
    picker->SetColor(CColor(10, 20, 30, 100));
    EXPECT_EQ(FieldText(6), "100");
    ClickOn(Child("__radio3"));
    ASSERT_EQ(picker->GetMode(), CColorPicker::Red);
    Pick(Square(), 40, 5);
    // Green across, blue up; red and alpha from the colour.
    EXPECT_EQ(picker->GetColor(), CColor(10, 40, 250, 100));
    Pick(Strip(), 3, 55);
    EXPECT_EQ(picker->GetColor(), CColor(200, 40, 250, 100));

    ClickOn(Child("__radio1"));
    ASSERT_EQ(picker->GetMode(), CColorPicker::Saturation);
    EXPECT_FALSE(Child<UILib::CRadioButton>("__radio3")->GetSelected());
    Pick(Square(), 40, 5);
    EXPECT_EQ(picker->GetColor().GetAlpha(), 255);
    picker->SetColor(CColor(10, 20, 30, 100));
    Pick(Strip(), 3, 55);
    EXPECT_EQ(picker->GetColor().GetAlpha(), 255);
}

TEST_F(ColorPickerTest, GreenModeShowsRedAcrossBlueUpAndAGreenStrip)
{
    picker->SetColor(CColor(90, 60, 30, 200));
    ClickOn(Child("__radio4"));
    ASSERT_EQ(picker->GetMode(), CColorPicker::Green);
    EXPECT_EQ(picker->GetSquareX(), CColorPicker::Red);
    EXPECT_EQ(picker->GetSquareY(), CColorPicker::Blue);
    const struct
    {
        CColorPickArea* area;
        CPoint pixel;
        CColor expected;
    } bitmapProbes[] = {
        {Square(), {0, 0}, CColor(0, 60, 255, 200)},     {Square(), {255, 0}, CColor(255, 60, 255, 200)},
        {Square(), {100, 255}, CColor(100, 60, 0, 200)}, {Square(), {17, 200}, CColor(17, 60, 55, 200)},
        {Strip(), {0, 0}, CColor(90, 255, 30, 200)},     {Strip(), {19, 255}, CColor(90, 0, 30, 200)},
        {Strip(), {5, 55}, CColor(90, 200, 30, 200)},
    };
    for (const auto& probe : bitmapProbes)
    {
        EXPECT_EQ(BitmapPixel(probe.area, probe.pixel.x, probe.pixel.y), probe.expected)
            << probe.pixel.x << ", " << probe.pixel.y;
    }

    Pick(Square(), 180, 90);
    EXPECT_EQ(picker->GetColor(), CColor(180, 60, 165, 200));
    Compose();
    // The marker's outline around the picked point, in the square's client area.
    const CPoint centre = ScreenOf(Square(), 180, 90);
    for (std::int32_t d = -3; d <= 3; ++d)
    {
        EXPECT_EQ(Pixel(centre.x + d, centre.y - 3), Black) << d;
        EXPECT_EQ(Pixel(centre.x - 3, centre.y + d), Black) << d;
        EXPECT_EQ(Pixel(centre.x + 3, centre.y + d), Black) << d;
    }
    EXPECT_FALSE(SavePicture("colorpicker").empty());
}

TEST_F(ColorPickerTest, TypedFieldsChangeTheColourWhereTheyMayAndShowItsOwnValues)
{
    CCallbackRecorder<CColorPicker*> changes;
    picker->SetOnChanged(changes.Record());

    // Red keeps the low 8 bits of what is typed; the field shows the stored value.
    Type(3, "300");
    EXPECT_EQ(picker->GetColor(), CColor(44, 255, 255, 255));
    EXPECT_EQ(FieldText(3), "44");
    EXPECT_EQ(BitmapPixel(Square(), 255, 0), UILib::HsvToColor({180.0f, 100, 100, 255}))
        << "the square follows the new hue";
    EXPECT_FALSE(changes.calls.empty());

    // A typed hue is replaced by the colour's own.
    picker->SetColor(CColor(0, 255, 0, 255));
    Type(0, "7");
    EXPECT_EQ(picker->GetColor(), CColor(0, 255, 0, 255));
    EXPECT_EQ(FieldText(0), "120");

    // Alpha from its field changes neither bitmap.
    const CColor* squareData = Square()->GetBitmap().GetPixels();
    Type(6, "9");
    EXPECT_EQ(picker->GetColor(), CColor(0, 255, 0, 9));
    EXPECT_EQ(Square()->GetBitmap().GetPixels(), squareData);

    // An empty green field counts as 0.
    Field(4)->SetText("");
    EXPECT_EQ(picker->GetColor(), CColor(0, 0, 0, 9));
    EXPECT_EQ(FieldText(4), "0");
}

TEST_F(ColorPickerTest, AnAlphaPickSetsTheRowAsAlphaAndLeavesTheSquare)
{
    picker->SetColor(CColor(30, 60, 90, 255));
    const CColor* squareData = Square()->GetBitmap().GetPixels();
    const CColor* stripData = Strip()->GetBitmap().GetPixels();
    Pick(AlphaStrip(), 12, 100);
    EXPECT_EQ(picker->GetColor(), CColor(30, 60, 90, 100));
    EXPECT_EQ(FieldText(6), "100");
    EXPECT_EQ(Square()->GetBitmap().GetPixels(), squareData);
    EXPECT_EQ(Strip()->GetBitmap().GetPixels(), stripData);
}

TEST_F(ColorPickerTest, OkAndCancelNotifyAndLeaveThePickerOpen)
{
    CCallbackRecorder<CColorPicker*, bool> closed;
    picker->SetOnClosed(closed.Record());
    ClickOn(Child("__okbutton"));
    Frames(2);
    ClickOn(Child("__cancelbutton"));
    Frames(2);
    EXPECT_EQ(parent->Codes({"ColrPick", "ColrCncl", "BtnClick"}),
              (std::vector<std::string>{"ColrPick", "ColrCncl"}));
    ASSERT_EQ(parent->Of("ColrPick").size(), 1u);
    EXPECT_EQ(parent->Of("ColrPick")[0].second, picker->GetHandle());
    EXPECT_EQ(parent->Of("ColrPick")[0].flags, UILib::CWindowMessage::Input);
    ASSERT_EQ(closed.calls.size(), 2u);
    EXPECT_EQ(closed.calls[0], std::make_tuple(picker, false));
    EXPECT_EQ(closed.calls[1], std::make_tuple(picker, true));
    EXPECT_TRUE(picker->IsVisible());

    // A target that exists receives them in place of the parent; once it is gone the parent again.
    auto* target = Make<CRecordingWindow>(0, 0, 10, 10);
    picker->SetNotificationTarget(target->GetHandle());
    picker->EndDialog(false);
    Frames(2);
    EXPECT_EQ(target->Codes({"ColrPick"}).size(), 1u);
    target->Destroy();
    Frame();
    picker->EndDialog(true);
    Frame();
    EXPECT_EQ(parent->Of("ColrCncl").size(), 2u);

    // Suppressed: nothing goes out.
    picker->SuppressEvents();
    picker->EndDialog(false);
    Frame();
    picker->ResumeEvents();
    EXPECT_EQ(parent->Of("ColrPick").size(), 1u);
    EXPECT_EQ(closed.calls.size(), 4u);
}

TEST_F(ColorPickerTest, TheFactoryMakesPickers)
{
    std::unique_ptr<UILib::CWindow> made(Factory()->CreateWindowOfType("CColorPicker"));
    ASSERT_NE(made, nullptr);
    EXPECT_STREQ(made->GetClassName(), "CColorPicker");
    auto* other = dynamic_cast<CColorPicker*>(made.get());
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->GetColor(), CColor(255, 255, 255, 255));
}

} // namespace
