#include "foundation/Utf8.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace BaseLib;

namespace
{

// Converts through a buffer sized exactly as callers size it, so AddressSanitizer sees any write
// past Utf8Length + 1 units.
std::u16string ToWide(const char* text)
{
    const int length = Utf8Length(text);
    auto buffer = std::make_unique<char16_t[]>(static_cast<std::size_t>(length) + 1);
    EXPECT_EQ(Utf8ToWide(text, buffer.get()), 0);
    return std::u16string(buffer.get(), static_cast<std::size_t>(length));
}

} // namespace

TEST(Utf8, LeadBytesAndSequenceLengths)
{
    const struct
    {
        unsigned char byte;
        bool lead;
        int length;
    } cases[] = {{0x00, true, 1},  {0x41, true, 1}, {0x7F, true, 1}, {0x80, false, 1},
                 {0xBF, false, 1}, {0xC0, true, 2}, {0xDF, true, 2}, {0xE0, true, 3},
                 {0xEF, true, 3},  {0xF0, true, 3}, {0xFF, true, 3}};
    for (const auto& c : cases)
    {
        const char text[] = {static_cast<char>(c.byte), 'x', 'x', 0};
        EXPECT_EQ(IsUtf8LeadByte(c.byte), c.lead) << int(c.byte);
        EXPECT_EQ(Utf8SequenceLength(text), c.length) << int(c.byte);
    }
    EXPECT_EQ(Utf8LengthOfChar(0x7F), 1);
    EXPECT_EQ(Utf8LengthOfChar(0x80), 2);
    EXPECT_EQ(Utf8LengthOfChar(0x7FF), 2);
    EXPECT_EQ(Utf8LengthOfChar(0x800), 3);
    EXPECT_EQ(Utf8LengthOfChar(0xFFFF), 3);
}

TEST(Utf8, DecodesTwoAndThreeByteSequences)
{
    EXPECT_EQ(ToWide("\x41\xC3\xA9"), u"\u0041\u00E9");
    EXPECT_EQ(Utf8Length("\x41\xC3\xA9"), 2);
    EXPECT_EQ(Utf8ByteLength(u"\u0041\u00E9"), 3);
    EXPECT_EQ(ToWide("\xE2\x82\xAC!"), u"\u20AC!");
    EXPECT_EQ(DecodeUtf8Char("\xE2\x82\xAC"), 0x20AC);
    EXPECT_EQ(ToWide(""), u"");
}

TEST(Utf8, EncodeCountsTheTerminatorWideToUtf8WritesNone)
{
    const char16_t text[] = {0x61, 0x62, 0};
    char out[8] = {'#', '#', '#', '#', '#', '#', '#', '#'};
    EXPECT_EQ(EncodeUtf8(text, -1, out), 3);
    EXPECT_EQ(std::string(out, 4), std::string("ab\0#", 4));

    char out2[8] = {'#', '#', '#', '#', '#', '#', '#', '#'};
    int bytes = -1;
    EXPECT_EQ(WideToUtf8(text, out2, &bytes), 0);
    EXPECT_EQ(bytes, 2);
    EXPECT_EQ(out2[2], '#');
    EXPECT_EQ(WideToUtf8(text, out2), 0);

    // A positive count ends the text without any terminator.
    const char16_t euro[] = {0x20AC, 0x20AC};
    char out3[8] = {};
    EXPECT_EQ(EncodeUtf8(euro, 1, out3), 3);
    EXPECT_EQ(std::string(out3), "\xE2\x82\xAC");
}

TEST(Utf8, EveryUnitRoundTrips)
{
    for (unsigned unit = 1; unit <= 0xFFFF; ++unit)
    {
        const char16_t source[] = {static_cast<char16_t>(unit), 0};
        char bytes[4] = {};
        const int written = EncodeUtf8(source, -1, bytes);
        ASSERT_EQ(written, Utf8LengthOfChar(source[0]) + 1) << unit;
        ASSERT_EQ(Utf8ByteLength(source), written - 1) << unit;
        char16_t back[2] = {0xFFFF, 0xFFFF};
        ASSERT_EQ(Utf8ToWide(bytes, back), 0);
        ASSERT_EQ(back[0], source[0]) << unit;
        ASSERT_EQ(back[1], 0) << unit;
    }
}

TEST(Utf8, MalformedInputStaysInsideTheBuffers)
{
    const struct
    {
        const char* text;
        int units;
    } cases[] = {
        {"\x80\xBF", 2},                          // stray continuation bytes: one unit each
        {"a\x80", 2},    {"\xF0\x9F\x98\x80", 2}, // a 4-byte sequence: three bytes, then a stray one
        {"\xE2\x82", 1},                          // cut by the terminator
        {"\xE2", 1},     {"\xC3", 1},
        {"x\xF0", 2},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(Utf8Length(c.text), c.units) << c.text;
        EXPECT_EQ(ToWide(c.text).size(), static_cast<std::size_t>(c.units));
    }
    EXPECT_EQ(ToWide("\xF0\x9F\x98\x80"), (std::u16string{0x07D8, 0x0080}));
    // Bytes missing behind the terminator count as 0.
    EXPECT_EQ(DecodeUtf8Char("\xE2\x82"), 0x2080);
    EXPECT_EQ(DecodeUtf8Char("\xE2"), 0x2000);
    EXPECT_EQ(DecodeUtf8Char("\xC3"), 0x00C0);
}

TEST(Utf8, StopsAtTenMillionCharacters)
{
    const std::string exact(10'000'000, 'a');
    std::vector<char16_t> out(exact.size() + 2, 0xFFFF);
    EXPECT_EQ(Utf8ToWide(exact.c_str(), out.data()), 0);
    EXPECT_EQ(out[exact.size()], 0);

    const std::string over(10'000'001, 'a');
    std::vector<char16_t> out2(over.size() + 1, 0xFFFF);
    EXPECT_EQ(Utf8ToWide(over.c_str(), out2.data()), 1);
    EXPECT_EQ(out2[9'999'999], u'a');
    EXPECT_EQ(out2[10'000'000], 0xFFFF);
}
