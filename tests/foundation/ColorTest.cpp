#include "foundation/Color.h"

#include <gtest/gtest.h>

using BaseLib::CColor;

namespace
{

struct Channels
{
    int red, green, blue, alpha;
};

void ExpectChannels(const CColor& color, const Channels& expected)
{
    EXPECT_EQ(color.GetRed(), expected.red);
    EXPECT_EQ(color.GetGreen(), expected.green);
    EXPECT_EQ(color.GetBlue(), expected.blue);
    EXPECT_EQ(color.GetAlpha(), expected.alpha);
}

} // namespace

TEST(Color, WordReadsArgbAndMemoryHoldsBlueGreenRedAlpha)
{
    const CColor color(0x11, 0x22, 0x33, 0x44);
    EXPECT_EQ(color.argb, 0x44112233u);
    const auto* bytes = reinterpret_cast<const unsigned char*>(&color);
    EXPECT_EQ(bytes[0], 0x33);
    EXPECT_EQ(bytes[1], 0x22);
    EXPECT_EQ(bytes[2], 0x11);
    EXPECT_EQ(bytes[3], 0x44);
}

TEST(Color, ConstructorClampsEachChannel)
{
    const CColor color(300, -5, 128, 255);
    ExpectChannels(color, {255, 0, 128, 255});
    EXPECT_EQ(color.ToString(), "(255, 0, 128, 255)");
}

TEST(Color, TextReadsRedGreenBlueAlpha)
{
    EXPECT_EQ(CColor::FromString("(1, 2, 3, 4)").argb, 0x04010203u);
    ExpectChannels(CColor::FromString("(300, -1, 7, 999)"), {255, 0, 7, 255});
    // The plain reader gives 0 for whatever the text does not supply.
    ExpectChannels(CColor::FromString("(9, 8"), {9, 8, 0, 0});
    ExpectChannels(CColor::FromString("red"), {0, 0, 0, 0});
    ExpectChannels(CColor::FromString(nullptr), {0, 0, 0, 0});
}

TEST(Color, StringToColorKeepsPresetChannelsTheTextLacks)
{
    CColor color(0, 0, 0, 255);
    EXPECT_FALSE(BaseLib::StringToColor("garbage", color));
    ExpectChannels(color, {0, 0, 0, 255});
    EXPECT_FALSE(BaseLib::StringToColor("(10, 20", color));
    ExpectChannels(color, {10, 20, 0, 255});
    EXPECT_TRUE(BaseLib::StringToColor("(1, 2, 3, 4)", color));
    ExpectChannels(color, {1, 2, 3, 4});
}

TEST(Color, ScaleTruncatesFactorAndShiftsEveryChannel)
{
    struct Case
    {
        float factor;
        Channels expected;
    };
    const CColor color(200, 100, 50, 255);
    const Case cases[] = {
        {0.5f, {99, 49, 24, 126}},                         // k = 127
        {1.0f, {199, 99, 49, 254}},                        // k = 255: 255 maps to 254
        {7.0f, {199, 99, 49, 254}},                        // k clamped to 255
        {0.0f, {0, 0, 0, 0}},       {-1.0f, {0, 0, 0, 0}}, // k clamped to 0
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.factor);
        ExpectChannels(color.Scale(c.factor), c.expected);
    }
}

TEST(Color, AddClampsSums)
{
    ExpectChannels(CColor(200, 10, 0, 128).Add(CColor(100, 20, 0, 128)), {255, 30, 0, 255});
}

TEST(Color, BlendOverUsesSourceAlphaAndKeepsLargerAlpha)
{
    CColor destination(0, 0, 255, 64);
    destination.BlendOver(CColor(255, 0, 0, 128));
    ExpectChannels(destination, {127, 0, 126, 128});

    CColor opaque(10, 20, 30, 255);
    opaque.BlendOver(CColor(255, 255, 255, 0));
    ExpectChannels(opaque, {9, 19, 29, 255});
}
