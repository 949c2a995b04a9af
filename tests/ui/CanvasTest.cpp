#include "foundation/ResourceRegistry.h"
#include "foundation/TypeTag.h"
#include "platform/gfx/Picture.h"
#include "platform/os/PngDecode.h"
#include "ui/Bitmap.h"
#include "ui/BitmapCanvas.h"
#include "ui/BitmapFactory.h"
#include "ui/DrawContext.h"
#include "ui/PixelBufferCanvas.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

using BaseLib::CColor;
using BaseLib::CPoint;
using BaseLib::CRect;
using UILib::CAlphaMask;
using UILib::CCanvas;
using UILib::CPixelBufferCanvas;

namespace
{

const CColor black(0, 0, 0, 255);
const CColor white(255, 255, 255, 255);
const CColor red(255, 0, 0, 255);

// A pixel-buffer canvas over its own block, guarded by a row of sentinels above and below, that logs
// its hooks and the canvas calls the drawing context makes.
class CRecordingCanvas : public CPixelBufferCanvas
{
public:
    static constexpr std::uint32_t Sentinel = 0xDEADBEEF;

    CRecordingCanvas(std::int32_t width, std::int32_t height, CColor fill = black)
        : CPixelBufferCanvas(width, height),
          m_block(static_cast<std::size_t>(width) * (height + 2), CColor())
    {
        for (std::int32_t i = 0; i < width; ++i)
        {
            m_block[static_cast<std::size_t>(i)].argb = Sentinel;
            m_block[static_cast<std::size_t>(width) * (height + 1) + i].argb = Sentinel;
        }
        SetPixels(m_block.data() + width, width);
        std::fill(m_block.begin() + width, m_block.end() - width, fill);
    }

    void Destroy() override {}
    std::uint32_t GetTypeTag() const override { return BaseLib::MakeTypeTag("TEST"); }
    void Resize(std::int32_t, std::int32_t) override {}
    void SetPosition(std::int32_t, std::int32_t) override {}
    CPoint GetPosition() const override { return CPoint(); }
    void Render(void*) override {}
    void BeginDraw() override {}
    void EndDraw(bool) override {}

    using CPixelBufferCanvas::DrawLine;
    using CPixelBufferCanvas::FillRect;
    void DrawLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, const CColor& colour) override
    {
        calls.push_back(Text("DrawLine", x1, y1, x2, y2));
        CPixelBufferCanvas::DrawLine(x1, y1, x2, y2, colour);
    }
    void FillRect(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b, const CColor& colour) override
    {
        calls.push_back(Text("FillRect", l, t, r, b));
        CPixelBufferCanvas::FillRect(l, t, r, b, colour);
    }
    void OnRectChanged(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b, bool transparent) override
    {
        hooks.push_back(Text("rect", l, t, r, b) + (transparent ? " transparent" : ""));
    }
    void OnPixelChanged(std::int32_t x, std::int32_t y, bool transparent) override
    {
        hooks.push_back("pixel " + std::to_string(x) + " " + std::to_string(y) + (transparent ? " transparent" : ""));
    }
    void UpdateTransform() override
    {
        ++transformUpdates;
        CPixelBufferCanvas::UpdateTransform();
    }

    bool SentinelsIntact() const
    {
        for (std::int32_t i = 0; i < m_width; ++i)
        {
            if (m_block[static_cast<std::size_t>(i)].argb != Sentinel ||
                m_block[static_cast<std::size_t>(m_width) * (m_height + 1) + i].argb != Sentinel)
            {
                return false;
            }
        }
        return true;
    }
    // The pixels that differ from colour, as (x, y).
    std::vector<CPoint> PixelsNot(CColor colour) const
    {
        std::vector<CPoint> result;
        for (std::int32_t y = 0; y < m_height; ++y)
        {
            for (std::int32_t x = 0; x < m_width; ++x)
            {
                if (GetPixel(x, y) != colour)
                {
                    result.emplace_back(x, y);
                }
            }
        }
        return result;
    }
    std::vector<std::uint32_t> Words() const
    {
        std::vector<std::uint32_t> words;
        for (std::int32_t y = 0; y < m_height; ++y)
        {
            for (std::int32_t x = 0; x < m_width; ++x)
            {
                words.push_back(GetPixel(x, y).argb);
            }
        }
        return words;
    }

    std::vector<std::string> calls;
    std::vector<std::string> hooks;
    int transformUpdates = 0;

private:
    static std::string Text(const char* name, int a, int b, int c, int d)
    {
        std::ostringstream out;
        out << name << " " << a << " " << b << " " << c << " " << d;
        return out.str();
    }

    std::vector<CColor> m_block;
};

// A canvas with only SetPixel and GetPixel: every shape goes through the canvas defaults.
class CPixelOnlyCanvas : public CCanvas
{
public:
    CPixelOnlyCanvas(std::int32_t width, std::int32_t height)
        : m_width(width), m_height(height), m_pixels(static_cast<std::size_t>(width) * height, black)
    {}
    void Destroy() override {}
    std::uint32_t GetTypeTag() const override { return 0; }
    void Resize(std::int32_t, std::int32_t) override {}
    BaseLib::CSize GetSize() const override { return BaseLib::CSize(m_width, m_height); }
    void SetPosition(std::int32_t, std::int32_t) override {}
    CPoint GetPosition() const override { return CPoint(); }
    void Render(void*) override {}
    void BeginDraw() override {}
    void EndDraw(bool) override {}
    void MarkAllDirty() override {}
    using CCanvas::GetPixel;
    using CCanvas::SetPixel;
    CColor GetPixel(std::int32_t x, std::int32_t y) const override
    {
        return Inside(x, y) ? m_pixels[Index(x, y)] : CColor();
    }
    void SetPixel(std::int32_t x, std::int32_t y, const CColor& colour) override
    {
        ++setCalls;
        if (Inside(x, y))
        {
            m_pixels[Index(x, y)] = colour;
        }
    }
    long long setCalls = 0;

private:
    bool Inside(std::int32_t x, std::int32_t y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }
    std::size_t Index(std::int32_t x, std::int32_t y) const { return static_cast<std::size_t>(y) * m_width + x; }
    std::int32_t m_width;
    std::int32_t m_height;
    std::vector<CColor> m_pixels;
};

std::vector<CPoint> Differing(const CCanvas& canvas, CColor colour)
{
    std::vector<CPoint> result;
    const BaseLib::CSize size = canvas.GetSize();
    for (std::int32_t y = 0; y < size.cy; ++y)
    {
        for (std::int32_t x = 0; x < size.cx; ++x)
        {
            if (canvas.GetPixel(x, y) != colour)
            {
                result.emplace_back(x, y);
            }
        }
    }
    return result;
}

using Points = std::vector<CPoint>;
using Texts = std::vector<std::string>;

Points Column(int x, int from, int to)
{
    Points points;
    for (int y = from; y <= to; ++y)
    {
        points.emplace_back(x, y);
    }
    return points;
}

struct LineCase
{
    const char* name;
    CRect line; // x1, y1, x2, y2
    Points pixels;
    Texts hooks;
};

TEST(CanvasLines, PixelBufferTable)
{
    const LineCase cases[] = {
        {"slanted (0, 0)-(3, 1)", {0, 0, 3, 1}, {{0, 0}, {1, 0}, {2, 0}, {3, 1}}, {"rect 0 0 4 2"}},
        {"vertical beyond both edges", {3, -10, 3, 500}, Column(3, 0, 99), {"rect 3 0 4 100"}},
        {"horizontal, both ends", {6, 5, 2, 5}, {{2, 5}, {3, 5}, {4, 5}, {5, 5}, {6, 5}}, {"rect 2 5 7 6"}},
        {"vertical, both ends", {1, 2, 1, 4}, {{1, 2}, {1, 3}, {1, 4}}, {"rect 1 2 2 5"}},
        {"equal ends", {7, 7, 7, 7}, {{7, 7}}, {"pixel 7 7"}},
        {"diagonal half outside", {-10, -10, 2, 2}, {{0, 0}, {1, 1}, {2, 2}}, {"rect -10 -10 3 3"}},
        {"vertical wholly above", {3, -10, 3, -5}, {}, {}},
        {"horizontal wholly right", {120, 5, 150, 5}, {}, {}},
    };
    for (const LineCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        CRecordingCanvas canvas(100, 100);
        canvas.DrawLine(c.line.left, c.line.top, c.line.right, c.line.bottom, white);
        EXPECT_EQ(canvas.PixelsNot(black), c.pixels);
        EXPECT_EQ(canvas.hooks, c.hooks);

        // PlotLine stores the same pixels and reports nothing.
        CRecordingCanvas plotted(100, 100);
        plotted.PlotLine(c.line.left, c.line.top, c.line.right, c.line.bottom, white);
        EXPECT_EQ(plotted.PixelsNot(black), c.pixels);
        EXPECT_TRUE(plotted.hooks.empty());
    }
}

TEST(CanvasLines, DefaultsThroughSetPixel)
{
    CPixelOnlyCanvas canvas(10, 10);
    canvas.DrawLine(0, 0, 3, 1, white);
    EXPECT_EQ(Differing(canvas, black), (Points{{0, 0}, {1, 0}, {2, 0}, {3, 1}}));
    CPixelOnlyCanvas frame(10, 10);
    frame.DrawRect(4, 2, 5, 6, white); // right = left + 1: one column
    EXPECT_EQ(Differing(frame, black), Column(4, 2, 5));
}

TEST(CanvasRects, PixelBufferFillsAndFrames)
{
    CRecordingCanvas canvas(20, 20);
    canvas.FillRect(5, 5, 2, 9, white);
    EXPECT_TRUE(canvas.PixelsNot(black).empty()) << "corners are not sorted";
    EXPECT_TRUE(canvas.hooks.empty());

    canvas.FillRect(-5, 18, 3, 40, CColor(1, 2, 3, 0));
    EXPECT_EQ(canvas.hooks, (Texts{"rect 0 18 3 20 transparent"}));
    EXPECT_EQ(canvas.PixelsNot(black).size(), 6u);
    EXPECT_EQ(canvas.GetPixel(2, 19), CColor(1, 2, 3, 0));

    CRecordingCanvas frame(20, 20);
    frame.DrawRect(4, 2, 5, 6, white);
    EXPECT_EQ(frame.PixelsNot(black), Column(4, 2, 5));
    CRecordingCanvas empty(20, 20);
    empty.DrawRect(4, 2, 4, 6, white);
    EXPECT_TRUE(empty.PixelsNot(black).empty());
}

TEST(CanvasRects, ClearOnTheDefaultFillReturnsAtOnce)
{
    CPixelOnlyCanvas canvas(7, 5);
    canvas.Clear(red);
    EXPECT_EQ(canvas.setCalls, 35);
    EXPECT_TRUE(Differing(canvas, red).empty());
}

TEST(DrawContext, EverythingIsCutToTheClip)
{
    CRecordingCanvas canvas(120, 120);
    UILib::CDrawContext context(&canvas);
    context.SetOrigin(10, 20);
    context.SetClipRect(10, 20, 110, 70);
    EXPECT_EQ(context.GetLocalClipRect(), CRect(0, 0, 100, 50));

    // A frame half outside on the left: top, bottom and right edges, cut; no left edge.
    context.DrawRectFrame(CRect(-5, 10, 20, 30), white);
    EXPECT_EQ(canvas.calls, (Texts{"DrawLine 10 30 29 30", "DrawLine 10 49 29 49", "DrawLine 29 30 29 49"}));

    canvas.calls.clear();
    context.FillRect(CRect(200, 0, 210, 10), white);
    context.DrawLine(CPoint(-50, -50), CPoint(-40, -10), white);
    context.DrawRectFrame(CRect(0, 60, 10, 70), white);
    EXPECT_TRUE(canvas.calls.empty());

    context.DrawLine(CPoint(-10, 10), CPoint(150, 10), white);
    context.FillRect(CRect(95, 45, 200, 200), white);
    EXPECT_EQ(canvas.calls, (Texts{"DrawLine 10 30 109 30", "FillRect 105 65 110 70"}));
}

// Radius 4 at (10, 10): rows 7 ... 13 with widths 4, 6, 7, 8, 7, 6, 4 from x 8, 7, 7, 6, 7, 7, 8.
struct Span
{
    int y, x0, width;
};
const Span radius4Spans[] = {{7, 8, 4}, {8, 7, 6}, {9, 7, 7}, {10, 6, 8}, {11, 7, 7}, {12, 7, 6}, {13, 8, 4}};

Points FilledSpans(const CRect& clip)
{
    Points points;
    for (const Span& s : radius4Spans)
    {
        for (int x = s.x0; x < s.x0 + s.width; ++x)
        {
            if (s.y >= clip.top && s.y < clip.bottom && x >= clip.left && x < clip.right)
            {
                points.emplace_back(x, s.y);
            }
        }
    }
    std::sort(points.begin(), points.end(), [](CPoint a, CPoint b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
    return points;
}

Points OutlineSpans()
{
    Points points;
    for (const Span& s : radius4Spans)
    {
        points.emplace_back(s.x0, s.y);
        points.emplace_back(s.x0 + s.width, s.y);
    }
    return points;
}

TEST(CanvasCircles, SpansOfRadiusFour)
{
    const CRect whole(0, 0, 20, 20);
    CRecordingCanvas filled(20, 20);
    filled.FillCircle(10, 10, 4, white);
    EXPECT_EQ(filled.PixelsNot(black), FilledSpans(whole));
    EXPECT_EQ(filled.hooks, (Texts{"rect 6 6 14 14"}));
    CPixelOnlyCanvas defaultFilled(20, 20);
    defaultFilled.FillCircle(10, 10, 4, white);
    EXPECT_EQ(Differing(defaultFilled, black), FilledSpans(whole));

    CRecordingCanvas outline(20, 20);
    outline.DrawCircle(10, 10, 4, white);
    EXPECT_EQ(outline.PixelsNot(black), OutlineSpans());
    CPixelOnlyCanvas defaultOutline(20, 20);
    defaultOutline.DrawCircle(10, 10, 4, white);
    EXPECT_EQ(Differing(defaultOutline, black), OutlineSpans());

    // Cut by a clip on each side, and by a clip reaching far outside the canvas.
    const CRect clips[] = {{9, 0, 20, 20}, {0, 0, 11, 20}, {0, 9, 20, 20}, {0, 0, 20, 12}, {-50, -50, 500, 500}};
    for (const CRect& clip : clips)
    {
        CRecordingCanvas cut(20, 20);
        cut.FillCircle(10, 10, 4, white, clip);
        EXPECT_EQ(cut.PixelsNot(black), FilledSpans(clip.Intersection(whole)));
    }
    CRecordingCanvas edge(12, 12);
    edge.FillCircle(0, 0, 6, white, CRect(-50, -50, 500, 500));
    edge.DrawCircle(11, 11, 6, white, CRect(-50, -50, 500, 500));
    EXPECT_TRUE(edge.SentinelsIntact());
}

TEST(CanvasAlphaMasks, DefaultAndPixelBufferBlends)
{
    const std::uint8_t coverage[] = {0, 128, 255};
    const CAlphaMask mask{coverage, 3, 1};
    const CColor under(100, 50, 200, 100);
    const CColor colour(200, 100, 0, 255);

    CPixelOnlyCanvas byDefault(3, 1);
    byDefault.Clear(under);
    byDefault.DrawAlphaMask(mask, 0, 0, colour, CRect(0, 0, 3, 1));
    // (c * a + p * (256 - a)) >> 8 per channel, alpha the colour's.
    EXPECT_EQ(byDefault.GetPixel(0, 0), under);
    EXPECT_EQ(byDefault.GetPixel(1, 0), CColor(150, 75, 100, 255));
    EXPECT_EQ(byDefault.GetPixel(2, 0), colour);

    CRecordingCanvas buffer(3, 1, under);
    buffer.DrawAlphaMask(mask, 0, 0, colour, CRect(0, 0, 3, 1));
    // (s * a + d * (255 - a)) >> 8 per channel, alpha the larger.
    EXPECT_EQ(buffer.GetPixel(0, 0), under);
    EXPECT_EQ(buffer.GetPixel(1, 0), CColor(149, 74, 99, 128));
    EXPECT_EQ(buffer.GetPixel(2, 0), colour);
    EXPECT_TRUE(buffer.hooks.empty());

    // A clip reaching outside the canvas (a dirty rectangle of a window half outside) stays inside it.
    std::vector<std::uint8_t> full(30 * 30, 255);
    CRecordingCanvas small(10, 10);
    small.DrawAlphaMask(CAlphaMask{full.data(), 30, 30}, -10, -10, white, CRect(-20, -20, 40, 40));
    EXPECT_TRUE(small.PixelsNot(white).empty());
    EXPECT_TRUE(small.SentinelsIntact());
}

TEST(CanvasPixelBuffer, WithoutABlockDrawsNothingAndReadsZero)
{
    class CBare : public CRecordingCanvas
    {
    public:
        CBare() : CRecordingCanvas(10, 10) { SetPixels(nullptr, 10); }
    } canvas;
    canvas.FillRect(0, 0, 10, 10, white);
    canvas.DrawLine(0, 0, 9, 3, white);
    canvas.FillCircle(5, 5, 3, white);
    canvas.SetPixel(1, 1, white);
    EXPECT_EQ(canvas.GetPixel(1, 1), CColor());
    EXPECT_TRUE(canvas.hooks.empty());
    EXPECT_TRUE(canvas.SentinelsIntact());
}

TEST(CanvasDirtyList, AddRemoveAndMarkAll)
{
    CRecordingCanvas canvas(50, 40);
    canvas.AddDirtyRect(CRect(0, 0, 0, 10));
    EXPECT_EQ(canvas.GetDirtyRects().GetCount(), 0u);
    canvas.MarkAllDirty();
    canvas.RemoveDirtyRect(CRect(0, 0, 50, 20));
    ASSERT_EQ(canvas.GetDirtyRects().GetCount(), 1u);
    EXPECT_EQ(canvas.GetDirtyRects()[0], CRect(0, 20, 50, 40));
    canvas.ClearDirtyRects();
    EXPECT_EQ(canvas.GetDirtyRects().GetCount(), 0u);
}

TEST(CanvasTransforms, ChainedMatricesMapScreenPointsBack)
{
    CRecordingCanvas parent(10, 10);
    CRecordingCanvas child(10, 10);
    parent.SetLocalTransform(CCanvas::Multiply(CCanvas::Scaling(2, 2), CCanvas::Translation(100, 50)));
    child.SetLocalTransform(CCanvas::Translation(10, 10));
    parent.AddChildCanvas(&child);
    // Child point (5, 5) is drawn at ((5 + 10) * 2 + 100, (5 + 10) * 2 + 50) on the screen.
    EXPECT_EQ(child.TransformPoint(130, 80), CPoint(5, 5));
    EXPECT_EQ(parent.TransformPoint(130, 80), CPoint(15, 15));

    // Moving the parent moves the child; an unchanged parent transform recomputes nothing.
    parent.SetLocalTransform(CCanvas::Translation(-20, 0));
    EXPECT_EQ(child.TransformPoint(0, 10), CPoint(10, 0));
    const int updates = child.transformUpdates;
    child.SetParentTransform(parent.GetCombinedTransform());
    EXPECT_EQ(child.transformUpdates, updates);
    parent.RemoveChildCanvas(&child);
    EXPECT_TRUE(parent.GetChildCanvases().empty());

    // A singular combined matrix: the inverse is the combined matrix itself.
    CRecordingCanvas flat(10, 10);
    flat.SetLocalTransform(CCanvas::Scaling(0, 3));
    EXPECT_EQ(flat.TransformPoint(7, 4), CPoint(0, 12));
    // Far out of range saturates instead of converting an out-of-range float.
    CRecordingCanvas tiny(10, 10);
    tiny.SetLocalTransform(CCanvas::Scaling(0.1f, 0.1f));
    EXPECT_EQ(tiny.TransformPoint(2000000000, -2000000000), CPoint(2147483647, -2147483647 - 1));
}

// A bitmap factory for tests that draw bitmaps.
struct BitmapSupport
{
    BitmapSupport() { registry.SetMemoryLimit(1 << 20); }
    BaseLib::CResourceRegistry registry;
    UILib::CBitmapFactory factory{&registry, nullptr};
};

// A width × height bitmap whose pixel (x, y) is pixel(x, y).
template <typename F> UILib::CBitmap MakeBitmap(int width, int height, F pixel)
{
    UILib::CBitmap bitmap(width, height, true);
    CColor* pixels = bitmap.GetWritablePixels();
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            pixels[y * width + x] = pixel(x, y);
        }
    }
    return bitmap;
}

TEST(CanvasBitmaps, CopiesAndBlendsWithTheLargerAlpha)
{
    BitmapSupport support;
    const CColor under(0, 0, 0, 100);
    // Row 0: alpha 0, 255, 128; row 1: opaque blue.
    const CColor source[2][3] = {{CColor(255, 0, 0, 0), CColor(0, 255, 0, 255), CColor(255, 255, 255, 128)},
                                 {CColor(0, 0, 255, 255), CColor(0, 0, 255, 255), CColor(0, 0, 255, 255)}};
    const UILib::CBitmap bitmap = MakeBitmap(3, 2, [&](int x, int y) { return source[y][x]; });

    CRecordingCanvas blended(8, 8, under);
    blended.DrawBitmap(CPoint(2, 3), bitmap, true);
    EXPECT_EQ(blended.GetPixel(2, 3), under); // alpha 0 skipped
    EXPECT_EQ(blended.GetPixel(3, 3), CColor(0, 255, 0, 255));
    EXPECT_EQ(blended.GetPixel(4, 3), CColor(127, 127, 127, 128)); // (255 * 128) >> 8, alpha max(100, 128)
    EXPECT_EQ(blended.GetPixel(4, 4), CColor(0, 0, 255, 255));
    EXPECT_EQ(blended.hooks, Texts{"rect 2 3 5 5"});
    EXPECT_EQ(blended.PixelsNot(under).size(), 5u);

    CRecordingCanvas copied(8, 8, under);
    copied.DrawBitmap(CPoint(2, 3), bitmap, false);
    EXPECT_EQ(copied.GetPixel(2, 3), source[0][0]); // copied word for word, alpha 0 included
    EXPECT_EQ(copied.GetPixel(4, 3), source[0][2]);

    // The canvas default copies through SetPixel, without blending.
    CPixelOnlyCanvas plain(8, 8);
    plain.DrawBitmap(CPoint(-1, 7), bitmap, true);
    EXPECT_EQ(Differing(plain, black), (Points{CPoint(0, 7), CPoint(1, 7)}));
    EXPECT_EQ(plain.GetPixel(0, 7), source[0][1]);
    EXPECT_EQ(plain.setCalls, 2);
}

TEST(CanvasBitmaps, ClippedOnEverySideAndNeverOutsideTheBlock)
{
    BitmapSupport support;
    const UILib::CBitmap bitmap =
        MakeBitmap(4, 4, [](int x, int y) { return CColor(x * 60, y * 60, 255, 255); });
    struct Case
    {
        CPoint position;
        CRect clip;
        std::string report;
        CPoint firstDrawn; // canvas pixel that shows bitmap pixel (1, 1)
    };
    const Case cases[] = {
        {CPoint(0, 0), CRect(1, 0, 20, 20), "rect 1 0 4 4", CPoint(1, 1)},       // left
        {CPoint(0, 0), CRect(0, 1, 20, 20), "rect 0 1 4 4", CPoint(1, 1)},       // top
        {CPoint(5, 5), CRect(0, 0, 7, 20), "rect 5 5 7 9", CPoint(6, 6)},        // right
        {CPoint(5, 5), CRect(0, 0, 20, 7), "rect 5 5 9 7", CPoint(6, 6)},        // bottom
        {CPoint(-1, -1), CRect(-50, -50, 50, 50), "rect 0 0 3 3", CPoint(0, 0)}, // clip beyond the canvas
        {CPoint(9, 9), CRect(-50, -50, 50, 50), "rect 9 9 10 10", CPoint(10, 10)},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.report);
        CRecordingCanvas canvas(10, 10);
        canvas.DrawBitmap(c.position, bitmap, c.clip, false);
        EXPECT_EQ(canvas.hooks, Texts{c.report});
        EXPECT_TRUE(canvas.SentinelsIntact());
        if (c.firstDrawn.x < 10)
        {
            EXPECT_EQ(canvas.GetPixel(c.firstDrawn), CColor(60, 60, 255, 255));
        }
        const CRect allowed =
            c.clip.Intersection(CRect(c.position.x, c.position.y, c.position.x + 4, c.position.y + 4));
        for (const CPoint& p : canvas.PixelsNot(black))
        {
            EXPECT_TRUE(p.x >= allowed.left && p.x < allowed.right && p.y >= allowed.top &&
                        p.y < allowed.bottom);
        }
    }
    // Nothing drawn: empty bitmap, no block, no overlap.
    CRecordingCanvas canvas(10, 10);
    canvas.DrawBitmap(CPoint(0, 0), UILib::CBitmap(), true);
    canvas.DrawBitmap(CPoint(20, 0), bitmap, true);
    CRecordingCanvas bare(10, 10);
    bare.SetPixels(nullptr, 10);
    bare.DrawBitmap(CPoint(0, 0), bitmap, true);
    EXPECT_TRUE(canvas.hooks.empty());
    EXPECT_TRUE(bare.hooks.empty());
    EXPECT_TRUE(canvas.PixelsNot(black).empty());
}

TEST(CanvasBitmaps, DrawingContextSections)
{
    BitmapSupport support;
    const UILib::CBitmap bitmap = MakeBitmap(4, 4, [](int, int) { return white; });
    CRecordingCanvas canvas(20, 20);
    UILib::CDrawContext context(&canvas);
    context.SetOrigin(10, 10);
    context.SetClipRect(0, 0, 13, 20);
    context.DrawBitmap(CPoint(0, 0), bitmap, false);
    EXPECT_EQ(canvas.hooks, Texts{"rect 10 10 13 14"});
    canvas.hooks.clear();
    context.DrawBitmapSection(CRect(1, 1, 3, 3), CPoint(-5, 0), bitmap, false);
    EXPECT_TRUE(canvas.hooks.empty()); // the section lies left of the bitmap
    context.DrawBitmapSection(CRect(1, 1, 3, 3), CPoint(0, 0), bitmap, false);
    EXPECT_EQ(canvas.hooks, Texts{"rect 11 11 13 13"});
}

TEST(CanvasBitmaps, CopyToBitmapCutsToTheCanvasAndTheBitmap)
{
    BitmapSupport support;
    CRecordingCanvas canvas(10, 10);
    for (int y = 0; y < 10; ++y)
    {
        for (int x = 0; x < 10; ++x)
        {
            canvas.SetPixel(x, y, CColor(x, y, 0, 255));
        }
    }
    UILib::CBitmap bitmap(4, 3, true);
    const UILib::CBitmap shared = bitmap;
    EXPECT_TRUE(canvas.CopyToBitmap(CPoint(8, 1), bitmap, BaseLib::CSize(-1, -1)));
    EXPECT_TRUE(bitmap != shared); // made private first
    const CColor* pixels = bitmap.GetPixels();
    // Two columns left before the canvas edge, three rows, written one after the other.
    const CColor expected[] = {CColor(8, 1, 0, 255), CColor(9, 1, 0, 255), CColor(8, 2, 0, 255),
                               CColor(9, 2, 0, 255), CColor(8, 3, 0, 255), CColor(9, 3, 0, 255)};
    for (int i = 0; i < 6; ++i)
    {
        EXPECT_EQ(pixels[i], expected[i]) << i;
    }
    for (int i = 6; i < 12; ++i)
    {
        EXPECT_EQ(pixels[i].argb, 0u) << i;
    }
    // A size beyond the bitmap is cut to it (the sanitizer build sees any write past its 12 pixels).
    EXPECT_TRUE(canvas.CopyToBitmap(CPoint(0, 0), bitmap, BaseLib::CSize(100, 100)));
    EXPECT_EQ(bitmap.GetPixels()[11], CColor(3, 2, 0, 255));
    EXPECT_EQ(bitmap.GetPixelCount(), 12);
}

TEST(BitmapCanvas, DrawsIntoItsOwnCopyOfSharedData)
{
    BitmapSupport support;
    UILib::CBitmap bitmap = MakeBitmap(6, 5, [](int, int) { return black; });
    const UILib::CBitmap other = bitmap;
    auto* canvas = new UILib::CBitmapCanvas(bitmap);
    EXPECT_EQ(canvas->GetTypeTag(), BaseLib::MakeTypeTag("BMPD"));
    canvas->Resize(50, 50);
    EXPECT_EQ(canvas->GetSize(), BaseLib::CSize(6, 5));
    EXPECT_EQ(canvas->GetPixelCount(), 30);
    canvas->BeginDraw();
    EXPECT_TRUE(canvas->IsDrawing());
    canvas->FillRect(1, 1, 3, 3, red);
    canvas->MarkAllDirty();
    canvas->EndDraw(true);
    EXPECT_FALSE(canvas->IsDrawing());
    EXPECT_EQ(canvas->GetDirtyRects().GetCount(), 0u);
    canvas->SetPosition(7, 8);
    EXPECT_EQ(canvas->GetPosition(), CPoint(7, 8));
    canvas->Destroy();
    EXPECT_EQ(bitmap.GetPixels()[1 * 6 + 2], red);
    EXPECT_EQ(other.GetPixels()[1 * 6 + 2], black);
}

TEST(CanvasPicture, SheetOfShapesWrittenAndReadBack)
{
    BitmapSupport support;
    CRecordingCanvas canvas(160, 130, CColor(32, 64, 128, 255));
    canvas.DrawRect(5, 5, 155, 95, white);
    canvas.DrawLine(10, 10, 60, 40, CColor(255, 255, 0, 255));
    canvas.DrawLine(10, 40, 60, 10, CColor(0, 255, 255, 255));
    canvas.FillRect(70, 10, 100, 30, red);
    canvas.FillRect(85, 20, 115, 45, CColor(0, 255, 0, 128));
    canvas.FillCircle(30, 70, 15, CColor(255, 128, 0, 255));
    canvas.DrawCircle(70, 70, 15, white);
    canvas.FillCircle(150, 70, 20, CColor(200, 0, 200, 255), CRect(130, 55, 155, 90)); // clipped
    std::vector<std::uint8_t> coverage(24 * 24);
    for (int y = 0; y < 24; ++y)
    {
        for (int x = 0; x < 24; ++x)
        {
            coverage[static_cast<std::size_t>(y) * 24 + x] = static_cast<std::uint8_t>((x + y) * 255 / 46);
        }
    }
    canvas.DrawAlphaMask(CAlphaMask{coverage.data(), 24, 24}, 95, 55, white, canvas.GetBounds());
    canvas.DrawAlphaMask(CAlphaMask{coverage.data(), 24, 24}, 120, 20, CColor(255, 0, 0, 255),
                         CRect(125, 0, 160, 40));

    // Bitmaps along the bottom: copied, blended (alpha rising left to right), and clipped.
    const UILib::CBitmap ramp =
        MakeBitmap(40, 20, [](int x, int y) { return CColor(255, y * 12, 0, x < 4 ? 0 : x * 255 / 39); });
    canvas.DrawBitmap(CPoint(8, 102), ramp, false);
    canvas.DrawBitmap(CPoint(56, 102), ramp, true);
    canvas.DrawBitmap(CPoint(104, 102), ramp, CRect(110, 106, 136, 118), true);

    const std::filesystem::path folder = QUARROW_TEST_OUTPUT_DIR;
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "canvas_shapes.png").string();
    ASSERT_TRUE(Platform::Gfx::WritePng(path, 160, 130, canvas.Words(), true));

    std::ifstream file(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
    std::string error;
    ASSERT_TRUE(Platform::DecodePng(bytes.data(), bytes.size(), width, height, rgba, error)) << error;
    ASSERT_EQ(width, 160);
    ASSERT_EQ(height, 130);
    int differing = 0;
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
            if (CColor(p[0], p[1], p[2], p[3]) != canvas.GetPixel(x, y))
            {
                ++differing;
            }
        }
    }
    EXPECT_EQ(differing, 0);
    EXPECT_TRUE(canvas.SentinelsIntact());
}

} // namespace
