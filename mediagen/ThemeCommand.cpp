#include "mediagen/ThemeCommand.h"

#include "foundation/ResourceRegistry.h"
#include "ui/BitmapCanvas.h"
#include "ui/BitmapFactory.h"
#include "ui/BitmapPng.h"
#include "ui/StandardVisualization.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

namespace MediaGen
{

namespace
{

using BaseLib::CColor;
using UILib::CCanvas;
using UILib::CStandardVisualization;

// The theme's own shades: the same greys its frames use, so the images sit in them.
const CColor kInk(0, 0, 0, 255);
const CColor kGreyInk(128, 128, 128, 255);
const CColor kWhite(255, 255, 255, 255);
const CColor kFace(200, 200, 200, 255);
const CColor kOuterLight(240, 240, 240, 255);
const CColor kInnerLight(210, 210, 200, 255);
const CColor kInnerShadow(150, 150, 150, 255);
const CColor kOuterShadow(70, 70, 70, 255);
const CColor kBoxEdge(128, 128, 128, 255);

// A tick two pixels thick: a short stroke down to the right, then a long one up to the right.
void DrawTick(CCanvas& canvas, const CColor& colour)
{
    for (int thickness = 0; thickness < 2; ++thickness)
    {
        canvas.DrawLine(1, 4 + thickness, 3, 6 + thickness, colour);
        canvas.DrawLine(3, 6 + thickness, 8, 1 + thickness, colour);
    }
}

// A filled triangle whose rows grow by two pixels from its point; "across" lays it on its side.
// Rows run from the point (first) to the base; pointing back flips the order.
void DrawTriangle(CCanvas& canvas, int pointX, int pointY, int rows, int firstWidth, bool across, bool back)
{
    for (int row = 0; row < rows; ++row)
    {
        const int offset = back ? -row : row;
        const int half = row + (firstWidth - 1) / 2;
        const int extra = (firstWidth + 1) % 2; // even widths reach one more pixel to the far side
        if (across)
        {
            canvas.DrawLine(pointX + offset, pointY - half, pointX + offset, pointY + half + extra, kInk);
        }
        else
        {
            canvas.DrawLine(pointX - half, pointY + offset, pointX + half + extra, pointY + offset, kInk);
        }
    }
}

// The pixels of a circle of the radius around (centre, centre), one per step along its eighths
// (the midpoint method), marked in a size × size grid.
void MarkCircle(std::vector<int>& grid, int size, int centre, int radius, int mark)
{
    int x = radius;
    int y = 0;
    int error = 1 - radius;
    while (x >= y)
    {
        for (const auto& [a, b] : {std::pair{x, y}, std::pair{y, x}})
        {
            for (const int sa : {1, -1})
            {
                for (const int sb : {1, -1})
                {
                    int& cell = grid[static_cast<std::size_t>((centre + sb * b) * size + centre + sa * a)];
                    if (cell == 0)
                    {
                        cell = mark;
                    }
                }
            }
        }
        ++y;
        if (error < 0)
        {
            error += 2 * y + 1;
        }
        else
        {
            --x;
            error += 2 * (y - x) + 1;
        }
    }
}

// A round button of the frames' sunken look: an outer and an inner ring, dark above the falling
// diagonal and light below it (the mean of both on it), around a white (or, pressed, grey) face with a
// black dot when selected. Crisp pixels, as the frames are.
void DrawRadio(CCanvas& canvas, int size, bool selected, bool pressed)
{
    enum
    {
        Outside,
        OuterRing,
        InnerRing,
        Face
    };
    const int centre = size / 2;
    std::vector<int> grid(static_cast<std::size_t>(size * size), Outside);
    MarkCircle(grid, size, centre, centre, OuterRing);
    MarkCircle(grid, size, centre, centre - 1, InnerRing);
    const auto mean = [](const CColor& a, const CColor& b) {
        return CColor((a.GetRed() + b.GetRed()) / 2, (a.GetGreen() + b.GetGreen()) / 2,
                      (a.GetBlue() + b.GetBlue()) / 2, 255);
    };
    for (int y = 0; y < size; ++y)
    {
        int* row = &grid[static_cast<std::size_t>(y * size)];
        // The face lies between the inner ring's ends on each row.
        int first = size;
        int last = -1;
        for (int x = 0; x < size; ++x)
        {
            if (row[x] == InnerRing)
            {
                first = std::min(first, x);
                last = std::max(last, x);
            }
        }
        for (int x = first + 1; x < last; ++x)
        {
            if (row[x] == Outside)
            {
                row[x] = Face;
            }
        }
        for (int x = 0; x < size; ++x)
        {
            const int side = x + y - 2 * centre; // < 0 above the falling diagonal
            const int dx = x - centre;
            const int dy = y - centre;
            CColor colour;
            switch (row[x])
            {
            case OuterRing:
                colour = side < 0 ? kInnerShadow : side > 0 ? kOuterLight : mean(kInnerShadow, kOuterLight);
                break;
            case InnerRing:
                colour = side < 0 ? kOuterShadow : side > 0 ? kInnerLight : mean(kOuterShadow, kInnerLight);
                break;
            case Face:
                colour = selected && dx * dx + dy * dy <= 5 ? kInk : pressed ? kFace : kWhite;
                break;
            default:
                continue;
            }
            canvas.SetPixel(x, y, colour);
        }
    }
}

// A grey box with a white inside and a black minus, or a plus.
void DrawTreeButton(CCanvas& canvas, int size, bool plus)
{
    canvas.FillRect(0, 0, size, size, kBoxEdge);
    canvas.FillRect(1, 1, size - 1, size - 1, kWhite);
    const int middle = size / 2;
    canvas.DrawLine(2, middle, size - 3, middle, kInk);
    if (plus)
    {
        canvas.DrawLine(middle, 2, middle, size - 3, kInk);
    }
}

// Message box icons: 32 × 32, a shape with soft edges and a sign of crisp rectangles inside it.
constexpr int kIconSize = 32;
const CColor kNothing(0, 0, 0, 0);
const CColor kInfoBlue(40, 80, 190, 255);
const CColor kSignYellow(250, 210, 40, 255);
const CColor kWarningRed(200, 40, 30, 255);

// Each pixel gets the mean of the colours shape gives at 4 × 4 points inside it (transparent ones
// lower the alpha), so the edges fade out.
template <typename Shape> void DrawSmooth(CCanvas& canvas, Shape shape)
{
    constexpr int samples = 4;
    for (int y = 0; y < kIconSize; ++y)
    {
        for (int x = 0; x < kIconSize; ++x)
        {
            int red = 0;
            int green = 0;
            int blue = 0;
            int alpha = 0;
            for (int sy = 0; sy < samples; ++sy)
            {
                for (int sx = 0; sx < samples; ++sx)
                {
                    const CColor c = shape(x + (sx + 0.5) / samples, y + (sy + 0.5) / samples);
                    red += c.GetRed() * c.GetAlpha();
                    green += c.GetGreen() * c.GetAlpha();
                    blue += c.GetBlue() * c.GetAlpha();
                    alpha += c.GetAlpha();
                }
            }
            if (alpha > 0)
            {
                canvas.SetPixel(x, y,
                                CColor((red + alpha / 2) / alpha, (green + alpha / 2) / alpha, (blue + alpha / 2) / alpha,
                                       (alpha + samples * samples / 2) / (samples * samples)));
            }
        }
    }
}

bool InDisc(double x, double y)
{
    const double dx = x - kIconSize / 2.0;
    const double dy = y - kIconSize / 2.0;
    return dx * dx + dy * dy <= 15.0 * 15.0;
}

// A triangle standing on its base, apex at (16, 2), base from (1, 30) to (31, 30); inset moves its
// edges inwards by about that many pixels.
bool InTriangle(double x, double y, double inset)
{
    const double apex = 2.0 + 2.2 * inset;
    if (y < apex || y > 30.0 - inset)
    {
        return false;
    }
    return std::abs(x - 16.0) <= (y - apex) * 15.0 / 28.0;
}

// An exclamation mark centred at x = 16: a bar from top and a dot ending at bottom.
void DrawExclamationMark(CCanvas& canvas, int top, int bottom, const CColor& colour)
{
    canvas.FillRect(14, top, 18, bottom - 6, colour);
    canvas.FillRect(14, bottom - 4, 18, bottom, colour);
}

void DrawInfoIcon(CCanvas& canvas)
{
    DrawSmooth(canvas, [](double x, double y) { return InDisc(x, y) ? kInfoBlue : kNothing; });
    canvas.FillRect(14, 7, 18, 11, kWhite);
    canvas.FillRect(14, 13, 18, 24, kWhite);
    canvas.FillRect(12, 13, 14, 15, kWhite);
    canvas.FillRect(12, 23, 20, 25, kWhite);
}

void DrawExclamationIcon(CCanvas& canvas)
{
    DrawSmooth(canvas, [](double x, double y) {
        return InTriangle(x, y, 2.0) ? kSignYellow : InTriangle(x, y, 0.0) ? kOuterShadow : kNothing;
    });
    DrawExclamationMark(canvas, 11, 27, kInk);
}

void DrawWarningIcon(CCanvas& canvas)
{
    DrawSmooth(canvas, [](double x, double y) { return InDisc(x, y) ? kWarningRed : kNothing; });
    DrawExclamationMark(canvas, 6, 27, kWhite);
}

// File browser icons: 16 × 16 on transparent ground, each with a dark outline so that it reads on the
// list's white and on its selection fill.
constexpr int kSmallIcon = 16;
const CColor kFolderYellow(240, 200, 80, 255);
const CColor kFolderDark(170, 120, 30, 255);
const CColor kDriveGrey(180, 180, 185, 255);
const CColor kLampGreen(40, 190, 60, 255);
const CColor kDiscSilver(215, 215, 225, 255);
const CColor kFloppyBlue(60, 90, 170, 255);
const CColor kCableBlue(40, 110, 200, 255);

// Outlined rectangle from (left, top) to (right, bottom), both inclusive.
void DrawBox(CCanvas& canvas, int left, int top, int right, int bottom, const CColor& fill, const CColor& edge)
{
    canvas.FillRect(left, top, right + 1, bottom + 1, edge);
    canvas.FillRect(left + 1, top + 1, right, bottom, fill);
}

void DrawFolderIcon(CCanvas& canvas)
{
    DrawBox(canvas, 1, 2, 7, 5, kFolderYellow, kFolderDark);
    DrawBox(canvas, 1, 4, 14, 13, kFolderYellow, kFolderDark);
    canvas.DrawLine(2, 6, 13, 6, kOuterLight);
}

// A page with its top right corner folded down.
void DrawFileIcon(CCanvas& canvas)
{
    DrawBox(canvas, 3, 1, 12, 14, kWhite, kOuterShadow);
    canvas.FillRect(10, 1, 13, 4, kNothing);
    canvas.DrawLine(9, 1, 12, 4, kOuterShadow);
    canvas.DrawLine(9, 1, 9, 4, kOuterShadow);
    canvas.DrawLine(9, 4, 12, 4, kOuterShadow);
    for (int y = 6; y <= 12; y += 2)
    {
        canvas.DrawLine(5, y, 10, y, kBoxEdge);
    }
}

// A flat box with a lamp: the fixed drive; the others add their own mark.
void DrawDriveBody(CCanvas& canvas)
{
    DrawBox(canvas, 0, 5, 15, 11, kDriveGrey, kOuterShadow);
    canvas.DrawLine(1, 6, 14, 6, kOuterLight);
    canvas.FillRect(12, 8, 14, 10, kLampGreen);
}

void DrawDriveIcon(CCanvas& canvas)
{
    DrawDriveBody(canvas);
    canvas.DrawLine(2, 9, 9, 9, kInnerShadow);
}

// A disc sitting on the drive's slot.
void DrawCdDriveIcon(CCanvas& canvas)
{
    DrawDriveBody(canvas);
    for (int y = 0; y < 7; ++y)
    {
        for (int x = 0; x < 11; ++x)
        {
            const int dx = 2 * x - 10;
            const int dy = 2 * y - 6;
            const int distance = dx * dx + 3 * dy * dy;
            if (distance <= 100 && y < 6)
            {
                canvas.SetPixel(x + 2, y, distance <= 8 ? kOuterShadow : kDiscSilver);
            }
        }
    }
}

// A diskette slot and a blue disk half inserted.
void DrawFloppyDriveIcon(CCanvas& canvas)
{
    DrawDriveBody(canvas);
    DrawBox(canvas, 3, 1, 9, 7, kFloppyBlue, kOuterShadow);
    canvas.FillRect(5, 2, 8, 4, kOuterLight);
    canvas.DrawLine(2, 9, 9, 9, kInk);
}

// The drive on a cable to a network line.
void DrawNetworkDriveIcon(CCanvas& canvas)
{
    DrawDriveBody(canvas);
    canvas.DrawLine(7, 12, 7, 14, kCableBlue);
    canvas.DrawLine(1, 15, 14, 15, kCableBlue);
    canvas.DrawLine(2, 9, 9, 9, kInnerShadow);
}

// One image of the theme folder: its file, its size and how it is drawn on a transparent canvas of
// that size. Images of later controls join this table.
struct ThemeImage
{
    const char* file;
    int width;
    int height;
    void (*draw)(CCanvas& canvas);
};

const char* Standard(std::int32_t index)
{
    return CStandardVisualization::GetImageFileName(index);
}

const std::vector<ThemeImage>& ThemeImages()
{
    static const std::vector<ThemeImage> images = {
        {Standard(CStandardVisualization::ImageCheck), 10, 10, [](CCanvas& c) { DrawTick(c, kInk); }},
        {Standard(CStandardVisualization::ImageCheckDefault), 10, 10, [](CCanvas& c) { DrawTick(c, kGreyInk); }},
        // Scroll arrows: 4 rows from 2 to 8 pixels wide, centred in 12 × 12.
        {Standard(CStandardVisualization::ImageScrollArrowUp), 12, 12,
         [](CCanvas& c) { DrawTriangle(c, 5, 4, 4, 2, false, false); }},
        {Standard(CStandardVisualization::ImageScrollArrowDown), 12, 12,
         [](CCanvas& c) { DrawTriangle(c, 5, 7, 4, 2, false, true); }},
        {Standard(CStandardVisualization::ImageScrollArrowRight), 12, 12,
         [](CCanvas& c) { DrawTriangle(c, 7, 5, 4, 2, true, true); }},
        {Standard(CStandardVisualization::ImageScrollArrowLeft), 12, 12,
         [](CCanvas& c) { DrawTriangle(c, 4, 5, 4, 2, true, false); }},
        {Standard(CStandardVisualization::ImageRadioSelected), 13, 13,
         [](CCanvas& c) { DrawRadio(c, 13, true, false); }},
        {Standard(CStandardVisualization::ImageRadioClear), 13, 13,
         [](CCanvas& c) { DrawRadio(c, 13, false, false); }},
        {Standard(CStandardVisualization::ImageRadioSelectedAndDown), 13, 13,
         [](CCanvas& c) { DrawRadio(c, 13, true, true); }},
        {Standard(CStandardVisualization::ImageRadioClearAndDown), 13, 13,
         [](CCanvas& c) { DrawRadio(c, 13, false, true); }},
        // Spin arrows: 5 rows from 1 to 9 pixels wide fill the image.
        {Standard(CStandardVisualization::ImageSpinUp), 9, 5,
         [](CCanvas& c) { DrawTriangle(c, 4, 0, 5, 1, false, false); }},
        {Standard(CStandardVisualization::ImageSpinDown), 9, 5,
         [](CCanvas& c) { DrawTriangle(c, 4, 4, 5, 1, false, true); }},
        {Standard(CStandardVisualization::ImageSpinRight), 5, 9,
         [](CCanvas& c) { DrawTriangle(c, 4, 4, 5, 1, true, true); }},
        {Standard(CStandardVisualization::ImageSpinLeft), 5, 9,
         [](CCanvas& c) { DrawTriangle(c, 0, 4, 5, 1, true, false); }},
        // A cross of two strokes, each two pixels thick.
        {Standard(CStandardVisualization::ImageClose), 8, 8,
         [](CCanvas& c) {
             c.DrawLine(0, 0, 7, 7, kInk);
             c.DrawLine(1, 0, 7, 6, kInk);
             c.DrawLine(0, 1, 6, 7, kInk);
             c.DrawLine(7, 0, 0, 7, kInk);
             c.DrawLine(6, 0, 0, 6, kInk);
             c.DrawLine(7, 1, 1, 7, kInk);
         }},
        {Standard(CStandardVisualization::ImageTreePlus), 9, 9, [](CCanvas& c) { DrawTreeButton(c, 9, true); }},
        {Standard(CStandardVisualization::ImageTreeMinus), 9, 9, [](CCanvas& c) { DrawTreeButton(c, 9, false); }},
        {"std_iconinfo.png", kIconSize, kIconSize, &DrawInfoIcon},
        {"std_iconexclamation.png", kIconSize, kIconSize, &DrawExclamationIcon},
        {"std_iconwarning.png", kIconSize, kIconSize, &DrawWarningIcon},
        {"std_folder.png", kSmallIcon, kSmallIcon, &DrawFolderIcon},
        {"std_file.png", kSmallIcon, kSmallIcon, &DrawFileIcon},
        {"std_drive.png", kSmallIcon, kSmallIcon, &DrawDriveIcon},
        {"std_drivecd.png", kSmallIcon, kSmallIcon, &DrawCdDriveIcon},
        {"std_drivefloppy.png", kSmallIcon, kSmallIcon, &DrawFloppyDriveIcon},
        {"std_drivenetwork.png", kSmallIcon, kSmallIcon, &DrawNetworkDriveIcon},
    };
    return images;
}

} // namespace

const char* ThemeUsage()
{
    return "  theme <folder>\n"
           "      draws the window system's theme images and writes them as PNG files into the folder\n";
}

int RunThemeCommand(const std::vector<std::string>& arguments)
{
    if (arguments.size() != 1 || arguments[0].empty())
    {
        std::fprintf(stderr, "usage:\n%s", ThemeUsage());
        return 2;
    }
    const std::filesystem::path folder = arguments[0];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
    {
        std::fprintf(stderr, "cannot make the folder %s: %s\n", folder.c_str(), error.message().c_str());
        return 1;
    }
    BaseLib::CResourceRegistry bitmapRegistry;
    UILib::CBitmapFactory bitmaps(&bitmapRegistry, nullptr);
    int status = 0;
    for (const ThemeImage& image : ThemeImages())
    {
        UILib::CBitmap bitmap(image.width, image.height, true);
        {
            UILib::CBitmapCanvas canvas(bitmap);
            canvas.BeginDraw();
            image.draw(canvas);
            canvas.EndDraw(true);
        }
        const std::string path = (folder / image.file).string();
        if (!UILib::WriteBitmapPng(path, bitmap))
        {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            status = 1;
            continue;
        }
        std::printf("%s\n", path.c_str());
    }
    return status;
}

} // namespace MediaGen
