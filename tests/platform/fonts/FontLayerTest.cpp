#include "platform/fonts/Fonts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace
{

Platform::FontRecord Record(std::int32_t height, const char* face, std::int32_t width = 0)
{
    Platform::FontRecord record;
    record.height = height;
    record.width = width;
    record.weight = 400;
    std::snprintf(record.faceName, sizeof record.faceName, "%s", face);
    return record;
}

// A memory context with a font of the record selected; both deleted at the end.
class FontInContext
{
public:
    explicit FontInContext(const Platform::FontRecord& record)
        : font(Platform::CreateFontIndirect(record)), context(Platform::CreateCompatibleDC(nullptr))
    {
        Platform::SelectFont(context, font);
    }
    ~FontInContext()
    {
        Platform::SelectFont(context, nullptr);
        Platform::DeleteDC(context);
        Platform::DeleteFont(font);
    }
    FontInContext(const FontInContext&) = delete;
    FontInContext& operator=(const FontInContext&) = delete;

    Platform::FontHandle font;
    Platform::DeviceContext context;
};

// The glyph's bitmap as the layer hands it out (padded rows, levels 0 … 64).
std::vector<std::uint8_t> Glyph(const FontInContext& font, std::uint32_t code, bool wide,
                                Platform::GlyphMetrics& metrics)
{
    const auto outline = wide ? Platform::GetGlyphOutlineW : Platform::GetGlyphOutlineA;
    const std::uint32_t size =
        outline(font.context, code, Platform::GGO_GRAY8_BITMAP, &metrics, 0, nullptr, nullptr);
    if (size == 0 || size == Platform::GDI_ERROR)
    {
        return {};
    }
    std::vector<std::uint8_t> bits(size);
    EXPECT_EQ(outline(font.context, code, Platform::GGO_GRAY8_BITMAP, &metrics, size, bits.data(), nullptr), size);
    return bits;
}

} // namespace

TEST(FontLayer, CellHeightsMetricsAndGlyphBitmaps)
{
    for (const std::int32_t height : {10, 14, 32})
    {
        FontInContext font(Record(height, "DejaVu Sans"));
        Platform::TextMetrics metrics;
        ASSERT_TRUE(Platform::GetTextMetrics(font.context, &metrics));
        EXPECT_EQ(metrics.height, height);
        EXPECT_EQ(metrics.ascent + metrics.descent, height);
        EXPECT_EQ(metrics.pitchAndFamily, Platform::VARIABLE_PITCH);

        Platform::GlyphMetrics glyph;
        const std::vector<std::uint8_t> bits = Glyph(font, 'H', false, glyph);
        ASSERT_FALSE(bits.empty());
        EXPECT_EQ(bits.size(), ((glyph.blackBoxX + 3) & ~3u) * glyph.blackBoxY) << "rows padded to 4 bytes";
        EXPECT_EQ(*std::max_element(bits.begin(), bits.end()), 64);
        EXPECT_LE(glyph.originY, metrics.ascent);
        EXPECT_GE(glyph.cellIncX, static_cast<std::int16_t>(glyph.originX + glyph.blackBoxX));
    }
    // Height 0 is a cell of 16; a negative height is the em, so the cell is taller.
    FontInContext standard(Record(0, "DejaVu Sans"));
    FontInContext em(Record(-16, "DejaVu Sans"));
    Platform::TextMetrics metrics;
    ASSERT_TRUE(Platform::GetTextMetrics(standard.context, &metrics));
    EXPECT_EQ(metrics.height, 16);
    ASSERT_TRUE(Platform::GetTextMetrics(em.context, &metrics));
    EXPECT_GT(metrics.height, 16);
}

TEST(FontLayer, BlanksBuffersAndTheSingleByteCodes)
{
    FontInContext font(Record(14, "DejaVu Sans"));
    Platform::GlyphMetrics metrics;
    EXPECT_EQ(Platform::GetGlyphOutlineA(font.context, ' ', Platform::GGO_GRAY8_BITMAP, &metrics, 0, nullptr,
                                         nullptr),
              0u);
    EXPECT_GT(metrics.cellIncX, 0);
    EXPECT_EQ(Platform::GetGlyphOutlineA(font.context, 'W', 1, &metrics, 0, nullptr, nullptr), Platform::GDI_ERROR);
    std::uint8_t tiny[4];
    EXPECT_EQ(Platform::GetGlyphOutlineA(font.context, 'W', Platform::GGO_GRAY8_BITMAP, &metrics, sizeof tiny, tiny,
                                         nullptr),
              Platform::GDI_ERROR);

    // 0x80 of the single-byte call is the euro sign of Windows-1252.
    Platform::GlyphMetrics euroByte;
    Platform::GlyphMetrics euroWide;
    const std::vector<std::uint8_t> byteBits = Glyph(font, 0x80, false, euroByte);
    const std::vector<std::uint8_t> wideBits = Glyph(font, 0x20AC, true, euroWide);
    ASSERT_FALSE(byteBits.empty());
    EXPECT_EQ(byteBits, wideBits);
    EXPECT_EQ(euroByte.cellIncX, euroWide.cellIncX);

    // No font selected: errors, no metrics.
    Platform::DeviceContext empty = Platform::CreateCompatibleDC(nullptr);
    Platform::TextMetrics text;
    EXPECT_FALSE(Platform::GetTextMetrics(empty, &text));
    EXPECT_EQ(Platform::GetKerningPairs(empty, 0, nullptr), 0u);
    EXPECT_EQ(Platform::GetGlyphOutlineW(empty, 'a', Platform::GGO_GRAY8_BITMAP, &metrics, 0, nullptr, nullptr),
              Platform::GDI_ERROR);
    EXPECT_TRUE(Platform::DeleteDC(empty));
    EXPECT_FALSE(Platform::DeleteDC(Platform::GetDC(nullptr)));
}

TEST(FontLayer, KerningPairsAndWidthScaling)
{
    FontInContext sans(Record(14, "DejaVu Sans"));
    const std::uint32_t count = Platform::GetKerningPairs(sans.context, 0, nullptr);
    ASSERT_GT(count, 0u);
    std::vector<Platform::KerningPair> pairs(count);
    EXPECT_EQ(Platform::GetKerningPairs(sans.context, count, pairs.data()), count);
    const auto av = std::find_if(pairs.begin(), pairs.end(),
                                 [](const Platform::KerningPair& p) { return p.first == 'A' && p.second == 'V'; });
    ASSERT_NE(av, pairs.end());
    EXPECT_LT(av->amount, 0);
    EXPECT_TRUE(std::none_of(pairs.begin(), pairs.end(), [](const Platform::KerningPair& p) { return p.amount == 0; }));

    // A face without a kerning table has no pairs.
    FontInContext mono(Record(14, "DejaVu Sans Mono"));
    EXPECT_EQ(Platform::GetKerningPairs(mono.context, 0, nullptr), 0u);

    // A positive width scales the glyphs horizontally.
    FontInContext wide(Record(14, "DejaVu Sans", 16));
    Platform::TextMetrics metrics;
    ASSERT_TRUE(Platform::GetTextMetrics(wide.context, &metrics));
    EXPECT_EQ(metrics.averageCharWidth, 16);
    Platform::GlyphMetrics narrowM;
    Platform::GlyphMetrics wideM;
    Glyph(sans, 'm', false, narrowM);
    Glyph(wide, 'm', false, wideM);
    EXPECT_GT(wideM.cellIncX, narrowM.cellIncX * 3 / 2);
}

TEST(FontLayer, RasterisesOnTwoThreadsAtOnce)
{
    auto work = [](const char* face, std::vector<std::uint32_t>* sums) {
        for (int round = 0; round < 3; ++round)
        {
            FontInContext font(Record(12 + round * 5, face));
            std::uint32_t sum = 0;
            for (std::uint32_t code = 32; code < 600; ++code)
            {
                Platform::GlyphMetrics metrics;
                for (const std::uint8_t level : Glyph(font, code, code > 255, metrics))
                {
                    sum += level;
                }
            }
            sums->push_back(sum);
        }
    };
    std::vector<std::uint32_t> first;
    std::vector<std::uint32_t> second;
    std::thread one(work, "DejaVu Sans", &first);
    std::thread two(work, "DejaVu Sans", &second);
    one.join();
    two.join();
    EXPECT_EQ(first, second);
    EXPECT_GT(first.at(0), 0u);
}

TEST(FontLayer, EnumerationGivesEachScalableFamilyOnce)
{
    std::vector<std::string> names;
    const auto add = [](const Platform::EnumLogFont* font, const Platform::TextMetrics*, std::uint32_t type,
                        std::intptr_t data) {
        EXPECT_EQ(type, Platform::TRUETYPE_FONTTYPE);
        reinterpret_cast<std::vector<std::string>*>(data)->push_back(font->fullName);
        return 1;
    };
    Platform::FontRecord all;
    all.charSet = Platform::DEFAULT_CHARSET;
    EXPECT_EQ(Platform::EnumFontFamiliesEx(nullptr, &all, add, reinterpret_cast<std::intptr_t>(&names), 0), 1);
    EXPECT_EQ(std::count(names.begin(), names.end(), "DejaVu Sans"), 1);
    std::vector<std::string> sorted = names;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());

    // A face name narrows it to that family; a callback answering 0 stops it.
    std::vector<std::string> one;
    const Platform::FontRecord monoFamily = Record(0, "DejaVu Sans Mono");
    EXPECT_EQ(Platform::EnumFontFamiliesEx(nullptr, &monoFamily, add,
                                           reinterpret_cast<std::intptr_t>(&one), 0),
              1);
    EXPECT_EQ(one, std::vector<std::string>{"DejaVu Sans Mono"});
    int calls = 0;
    const auto stop = [](const Platform::EnumLogFont*, const Platform::TextMetrics*, std::uint32_t,
                         std::intptr_t data) {
        ++*reinterpret_cast<int*>(data);
        return 0;
    };
    EXPECT_EQ(Platform::EnumFontFamiliesEx(nullptr, &all, stop, reinterpret_cast<std::intptr_t>(&calls), 0), 0);
    EXPECT_EQ(calls, 1);
}
