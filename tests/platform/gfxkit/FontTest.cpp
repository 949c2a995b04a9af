#include "tests/platform/gfx/DrawFixture.h"

#include "platform/gfx/Picture.h"
#include "platform/gfxkit/Font.h"

#include <gtest/gtest.h>

namespace GfxTesting
{
namespace
{

using Platform::GfxKit::DT_CALCRECT;
using Platform::GfxKit::DT_NOCLIP;
using Platform::GfxKit::Font;

class FontTest : public DrawFixture
{
protected:
    void SetUp() override
    {
        DrawFixture::SetUp();
        ASSERT_EQ(Ok, Platform::GfxKit::CreateFontA(device, 12, 5, 0, 0, false, 0, 7, 0, 0, "Verdana", &font));
    }
    void TearDown() override
    {
        if (font != nullptr)
        {
            font->Release();
        }
        DrawFixture::TearDown();
    }

    Rect Measure(const char* text)
    {
        Rect rect{10, 20, 10, 20};
        font->DrawTextA(nullptr, text, -1, &rect, DT_CALCRECT, 0xFF0000FF);
        return rect;
    }

    // Draws on a black 200 × 60 target and answers the box of the pixels that are not black.
    Rect DrawAndFindInk(const char* text, Rect rect, std::uint32_t format, std::vector<std::uint32_t>& pixels)
    {
        UseTarget(200, 60, 0xFF000000);
        EXPECT_EQ(Ok, device->BeginScene());
        font->DrawTextA(nullptr, text, -1, &rect, format, 0xFF0000FF);
        EXPECT_EQ(Ok, device->EndScene());
        pixels = Pixels(target);
        Rect ink{200, 60, 0, 0};
        for (std::int32_t y = 0; y < 60; ++y)
        {
            for (std::int32_t x = 0; x < 200; ++x)
            {
                const std::uint32_t p = pixels[static_cast<std::size_t>(y) * 200 + static_cast<std::size_t>(x)];
                if ((p & 0xFFFFFF) != 0)
                {
                    EXPECT_EQ(0u, p & 0xFFFF00) << "only blue at " << x << ", " << y;
                    ink = Rect{std::min(ink.left, x), std::min(ink.top, y), std::max(ink.right, x + 1),
                               std::max(ink.bottom, y + 1)};
                }
            }
        }
        return ink;
    }

    Font* font = nullptr;
};

TEST_F(FontTest, MeasuringBreaksLinesAndSkipsMissingCharacters)
{
    const std::int32_t line = font->GetMetrics().height;
    ASSERT_GT(line, 8);
    const Rect one = Measure("Ab");
    EXPECT_EQ(10, one.left);
    EXPECT_EQ(20 + line, one.bottom);
    EXPECT_GT(one.right, 10 + 5);
    const Rect two = Measure("Ab\nC");
    EXPECT_EQ(one.right, two.right); // the wider line
    EXPECT_EQ(20 + 2 * line, two.bottom);
    EXPECT_EQ(Measure("A").right, Measure("A\x81").right); // no glyph, no advance
    EXPECT_EQ(20 + line, Measure("").bottom);
    // Measuring draws nothing.
    std::vector<std::uint32_t> pixels;
    const Rect ink = DrawAndFindInk("Ab", Rect{10, 20, 10, 20}, DT_CALCRECT, pixels);
    EXPECT_EQ(200, ink.left);
}

TEST_F(FontTest, TextIsDrawnInTheColourInsideItsMeasuredRectangle)
{
    const Rect measured = Measure("Quarrow 42\nfps");
    std::vector<std::uint32_t> pixels;
    const Rect ink = DrawAndFindInk("Quarrow 42\nfps", measured, DT_NOCLIP, pixels);
    EXPECT_TRUE(WritePng(OutputPath("font_text.png"), 200, 60, pixels, false));
    EXPECT_GE(ink.left, measured.left);
    EXPECT_GE(ink.top, measured.top);
    EXPECT_LE(ink.right, measured.right + 1);
    EXPECT_LE(ink.bottom, measured.bottom);
    EXPECT_GT(ink.bottom, measured.top + font->GetMetrics().height); // the second line
    int full = 0;
    for (std::uint32_t p : pixels)
    {
        full += (p & 0xFFFFFF) == 0x0000FF ? 1 : 0;
    }
    EXPECT_GT(full, 10); // fully covered texels take the whole colour

    // The glyphs are rasterised once; a narrow rectangle without DT_NOCLIP cuts the text.
    const std::uint32_t cached = font->GlyphsCached();
    const Rect cut = DrawAndFindInk("Quarrow 42\nfps", Rect{measured.left, measured.top, measured.left + 20,
                                                           measured.bottom}, 0, pixels);
    EXPECT_EQ(cached, font->GlyphsCached());
    EXPECT_LE(cut.right, measured.left + 20);
    EXPECT_LT(cut.left, cut.right);
}

} // namespace
} // namespace GfxTesting
