#include "foundation/Color.h"

#include <cstdio>

namespace BaseLib
{

CColor CColor::Scale(float factor) const
{
    const double product = factor * 255.0;
    std::uint32_t k = 0;
    if (product >= 255.0)
    {
        k = 255;
    }
    else if (product > 0.0)
    {
        k = static_cast<std::uint32_t>(product);
    }
    return FromArgb(((argb >> 24 & 0xFF) * k >> 8) << 24 | ((argb >> 16 & 0xFF) * k >> 8) << 16 |
                    ((argb >> 8 & 0xFF) * k >> 8) << 8 | ((argb & 0xFF) * k >> 8));
}

CColor CColor::Add(const CColor& other) const
{
    return CColor(GetRed() + other.GetRed(), GetGreen() + other.GetGreen(), GetBlue() + other.GetBlue(),
                  GetAlpha() + other.GetAlpha());
}

void CColor::BlendOver(const CColor& source)
{
    const std::uint32_t s = source.GetAlpha();
    const auto blend = [s](std::uint32_t src, std::uint32_t dst) { return (src * s + dst * (255 - s)) >> 8; };
    const std::uint32_t alpha = source.GetAlpha() > GetAlpha() ? source.GetAlpha() : GetAlpha();
    argb = alpha << 24 | blend(source.GetRed(), GetRed()) << 16 | blend(source.GetGreen(), GetGreen()) << 8 |
           blend(source.GetBlue(), GetBlue());
}

std::string CColor::ToString() const
{
    char buffer[48];
    std::snprintf(buffer, sizeof(buffer), "(%d, %d, %d, %d)", GetRed(), GetGreen(), GetBlue(), GetAlpha());
    return buffer;
}

CColor CColor::FromString(const char* text)
{
    CColor color;
    StringToColor(text, color);
    return color;
}

bool StringToColor(const char* text, CColor& color)
{
    if (text == nullptr)
    {
        return false;
    }
    int channels[4] = {color.GetRed(), color.GetGreen(), color.GetBlue(), color.GetAlpha()};
    const int read =
        std::sscanf(text, "(%d, %d, %d, %d)", &channels[0], &channels[1], &channels[2], &channels[3]);
    color = CColor(channels[0], channels[1], channels[2], channels[3]);
    return read == 4;
}

} // namespace BaseLib
