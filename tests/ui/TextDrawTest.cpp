#include "foundation/ResourceRegistry.h"
#include "foundation/TypeTag.h"
#include "tests/ui/BlockCanvas.h"
#include "ui/AlphaBitmapFont.h"
#include "ui/BitmapPng.h"
#include "ui/DrawContext.h"
#include "ui/FontFactory.h"
#include "ui/PixelBufferCanvas.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using BaseLib::CColor;
using BaseLib::CRect;
using BaseLib::CResourcePtr;
using UILib::CFont;

namespace
{

const CColor white(255, 255, 255, 255);
const CColor black(0, 0, 0, 255);

// A pixel-buffer canvas over its own block that records the areas it reports.
class CTextCanvas : public UiTest::CBlockCanvas
{
public:
    CTextCanvas(std::int32_t width, std::int32_t height) : CBlockCanvas(width, height) {}
    void OnRectChanged(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b, bool transparent) override
    {
        reported.emplace_back(l, t, r, b);
        reportedTransparent = transparent;
    }

    // The box of the pixels that are no longer white, empty when none changed.
    CRect Ink() const
    {
        CRect ink(m_width, m_height, -1, -1);
        for (std::int32_t y = 0; y < m_height; ++y)
        {
            for (std::int32_t x = 0; x < m_width; ++x)
            {
                if (At(x, y).argb != white.argb)
                {
                    ink = CRect(std::min(ink.left, x), std::min(ink.top, y), std::max(ink.right, x + 1),
                                std::max(ink.bottom, y + 1));
                }
            }
        }
        return ink.IsEmpty() ? CRect() : ink;
    }
    void Reset()
    {
        std::fill(block.begin(), block.end(), white);
        reported.clear();
    }

    std::vector<CRect> reported;
    bool reportedTransparent = false;
};

class TextDrawing : public testing::Test
{
protected:
    TextDrawing()
    {
        registry.SetMemoryLimit(3 * 1024 * 1024);
        factory = std::make_unique<UILib::CFontFactory>(&registry);
        font = UILib::CreateAlphaBitmapFont(factory.get(), 14, "DejaVu Sans", 0, 0, 5, 0);
    }
    ~TextDrawing() override
    {
        font.Clear();
        factory.reset();
    }

    BaseLib::CResourcePtr<CFont> Font(std::int32_t height, const char* face, std::int32_t fixed, std::int32_t weight,
                                      std::int32_t style)
    {
        return UILib::CreateAlphaBitmapFont(factory.get(), height, face, 0, fixed, weight, style);
    }

    BaseLib::CResourcePtr<CFont> font;
    BaseLib::CResourceRegistry registry;
    std::unique_ptr<UILib::CFontFactory> factory;
};

bool Contains(const CRect& outer, const CRect& inner)
{
    return inner.IsEmpty() || (outer.left <= inner.left && outer.top <= inner.top && inner.right <= outer.right &&
                               inner.bottom <= outer.bottom);
}

} // namespace

TEST_F(TextDrawing, ReportedAreaCoversEveryChangedPixel)
{
    CTextCanvas canvas(120, 40);
    // "j" first reaches left of the pen; the clip's right edge cuts a tall glyph.
    const CRect clip(0, 0, 37, 40);
    canvas.DrawText(font, 1, 20, "jjHlW W", black, clip, 0);
    ASSERT_EQ(canvas.reported.size(), 1u);
    const CRect ink = canvas.Ink();
    EXPECT_FALSE(ink.IsEmpty());
    EXPECT_TRUE(Contains(canvas.reported[0], ink)) << ink.left << "," << ink.top << "," << ink.right << ","
                                                   << ink.bottom;
    EXPECT_LE(ink.right, 37);
    EXPECT_GE(ink.right, 30); // the glyph crossing the edge is drawn, cut
    EXPECT_FALSE(canvas.reportedTransparent);

    // Text stops after the glyph whose advance reaches the clip's edge: nothing lands beyond a wider clip.
    canvas.Reset();
    const std::int32_t firstTwo = font->GetTextWidth("WW");
    canvas.DrawText(font, 0, 20, "WWWWWWWW", black, CRect(0, 0, firstTwo - 2, 40), 0);
    EXPECT_LE(canvas.Ink().right, firstTwo - 2);
    canvas.Reset();
    canvas.DrawText(font, 0, 20, "W", CColor(0, 0, 0, 0), CRect(0, 0, 120, 40), 0);
    EXPECT_TRUE(canvas.reportedTransparent);
}

TEST_F(TextDrawing, AlignmentInRectangles)
{
    CTextCanvas canvas(120, 60);
    const CRect rect(10, 5, 110, 55);
    canvas.DrawTextInRect(font, rect, 2, 1, "Hello", black, 0);
    CRect ink = canvas.Ink();
    EXPECT_LE(ink.right, rect.right);
    EXPECT_GE(ink.right, rect.right - 2);
    EXPECT_GE(ink.top, rect.top);
    EXPECT_LE(ink.top, rect.top + font->GetAscent());

    // Left and bottom: the baseline is bottom − descent, so "H" ends on the row above it.
    canvas.Reset();
    canvas.DrawTextInRect(font, rect, 1, 2, "H", black, 0);
    ink = canvas.Ink();
    EXPECT_GE(ink.left, rect.left);
    EXPECT_LE(ink.left, rect.left + 3);
    EXPECT_EQ(ink.bottom, rect.bottom - font->GetDescent());

    // Centred both ways: the ink's middle lies near the rectangle's, "H" standing on the centred baseline.
    canvas.Reset();
    canvas.DrawTextInRect(font, rect, 0, 0, "HHHH", black, 0);
    ink = canvas.Ink();
    EXPECT_NEAR((ink.left + ink.right) / 2, (rect.left + rect.right) / 2, 2);
    EXPECT_EQ(ink.bottom, rect.top + font->GetAscent() + (rect.bottom - rect.top - font->GetHeight()) / 2);

    // The rectangle does not clip; the clip does.
    canvas.Reset();
    canvas.DrawTextInRect(font, CRect(10, 5, 12, 55), 1, 1, "Hello", black, CRect(0, 0, 120, 60), 0);
    EXPECT_GT(canvas.Ink().right, 30);
}

TEST_F(TextDrawing, OtherKindsNullFontsAndTheDrawingContext)
{
    CTextCanvas canvas(100, 40);
    canvas.DrawText(BaseLib::CResourcePtr<CFont>(), 5, 20, "Hello", black, 0);
    canvas.DrawTextInRect(BaseLib::CResourcePtr<CFont>(), CRect(0, 0, 100, 40), 1, 1, "Hello", black, 0);
    EXPECT_TRUE(canvas.Ink().IsEmpty());
    EXPECT_TRUE(canvas.reported.empty());

    UILib::CDrawContext context(&canvas);
    context.SetOrigin(30, 10);
    context.SetClipRect(30, 10, 60, 40);
    context.DrawTextAt(font, 0, 14, "HHHHHHHH", black, 0);
    const CRect ink = canvas.Ink();
    EXPECT_GE(ink.left, 30);
    EXPECT_LE(ink.left, 32);
    EXPECT_LE(ink.right, 60);
    EXPECT_GE(ink.top, 10);

    canvas.Reset();
    context.DrawText(font, CRect(0, 0, 30, 30), 2, 1, "H", black, 0);
    EXPECT_LE(canvas.Ink().right, 60);
    EXPECT_GE(canvas.Ink().right, 57);
}

TEST_F(TextDrawing, PictureOfFacesSizesAndStyles)
{
    CTextCanvas canvas(640, 420);
    std::int32_t y = 4;
    struct Line
    {
        std::int32_t height;
        const char* face;
        std::int32_t fixed, weight, style;
        const char* text;
    };
    const Line lines[] = {
        {14, "", 0, 5, 0, "Default face 14: The quick brown fox jumps over the lazy dog. AV To"},
        {14, "", 1, 5, 0, "Fixed face 14: iiii WWWW 0123456789 {}[]()"},
        {14, "DejaVu Sans", 0, 10, 0, "Bold 14: Quarrow moves the blocks"},
        {14, "DejaVu Sans", 0, 5, UILib::FontItalic, "Italic 14: déjà vu, naïve café, Ωμέγα, Жж"},
        {10, "DejaVu Sans", 0, 5, 0, "Size 10: small interface text"},
        {18, "DejaVu Sans", 0, 5, 0, "Size 18: headings"},
        {24, "DejaVu Sans", 0, 5, 0, "Size 24: titles"},
        {32, "DejaVu Sans", 0, 13, 0, "Size 32 heavy"},
    };
    for (const Line& line : lines)
    {
        const BaseLib::CResourcePtr<CFont> lineFont = Font(line.height, line.face, line.fixed, line.weight, line.style);
        canvas.DrawTextInRect(lineFont, CRect(6, y, 634, y + lineFont->GetHeight()), 1, 1, line.text, black, 0);
        y += lineFont->GetHeight() + 6;
    }
    // Highlighted: a filled box under the text, light text on it; clipped: cut at x = 200.
    const CRect box(6, y, 6 + font->GetTextWidth("Highlighted line") + 4, y + font->GetHeight());
    canvas.FillRect(box, CColor(40, 80, 160, 255));
    canvas.DrawTextInRect(font, box, 0, 0, "Highlighted line", white, 0);
    y += font->GetHeight() + 6;
    canvas.DrawText(font, 6, y + font->GetAscent(), "A clipped line that runs past the clip's right edge", black,
                    CRect(0, y, 200, y + font->GetHeight()), 0);
    canvas.DrawLine(200, y, 200, y + font->GetHeight(), CColor(255, 0, 0, 255));
    EXPECT_LT(y + font->GetHeight(), 420);

    const std::filesystem::path folder = QUARROW_TEST_OUTPUT_DIR;
    std::filesystem::create_directories(folder);
    EXPECT_TRUE(UILib::WritePixelsPng((folder / "text_alpha.png").string(), 640, 420, canvas.block.data(), 640));
    // Every line drew ink of its own.
    EXPECT_FALSE(canvas.Ink().IsEmpty());
}
