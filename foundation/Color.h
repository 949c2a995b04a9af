#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

// A 32-bit colour: one word reading 0xAARRGGBB, so the bytes in memory are blue, green, red, alpha.
namespace BaseLib
{

struct CColor
{
    std::uint32_t argb = 0;

    constexpr CColor() = default;
    // Each channel is clamped to 0..255.
    constexpr CColor(std::int32_t red, std::int32_t green, std::int32_t blue, std::int32_t alpha)
        : argb(Clamp(alpha) << 24 | Clamp(red) << 16 | Clamp(green) << 8 | Clamp(blue))
    {}
    static constexpr CColor FromArgb(std::uint32_t word)
    {
        CColor color;
        color.argb = word;
        return color;
    }

    constexpr std::uint8_t GetRed() const { return static_cast<std::uint8_t>(argb >> 16); }
    constexpr std::uint8_t GetGreen() const { return static_cast<std::uint8_t>(argb >> 8); }
    constexpr std::uint8_t GetBlue() const { return static_cast<std::uint8_t>(argb); }
    constexpr std::uint8_t GetAlpha() const { return static_cast<std::uint8_t>(argb >> 24); }
    constexpr void SetAlpha(std::uint8_t alpha) { argb = (argb & 0x00FFFFFFu) | std::uint32_t{alpha} << 24; }

    // k = trunc(factor * 255) clamped to 0..255; every channel, alpha included, becomes (channel * k) >> 8,
    // so a factor of 1 maps 255 to 254. NaN counts as 0.
    CColor Scale(float factor) const;
    // Channel-wise sum, each clamped to 255.
    CColor Add(const CColor& other) const;
    // Blends source over this colour: each of red, green, blue becomes
    // (source * sourceAlpha + this * (255 - sourceAlpha)) >> 8; alpha becomes the larger of the two.
    void BlendOver(const CColor& source);

    // "(%d, %d, %d, %d)" as red, green, blue, alpha.
    std::string ToString() const;
    // Reads "(%d, %d, %d, %d)" as red, green, blue, alpha, clamped; components the text does not supply
    // are 0. To keep a preset instead, use StringToColor.
    static CColor FromString(const char* text);

    friend constexpr bool operator==(const CColor&, const CColor&) = default;

private:
    static constexpr std::uint32_t Clamp(std::int32_t channel)
    {
        return channel < 0 ? 0u : channel > 255 ? 255u : static_cast<std::uint32_t>(channel);
    }
};

// Reads "(%d, %d, %d, %d)" as red, green, blue, alpha into color, each clamped to 0..255. Channels the
// text does not supply keep their value in color. Returns true when all four were read; a null text
// reads nothing.
bool StringToColor(const char* text, CColor& color);

static_assert(sizeof(CColor) == 4 && std::is_trivially_copyable_v<CColor>);

} // namespace BaseLib
