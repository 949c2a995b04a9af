#include "ui/controls/HsvColor.h"

#include <algorithm>
#include <cstdint>

namespace UILib
{

CHsvColor ColorToHsv(BaseLib::CColor colour)
{
    const float r = static_cast<float>(colour.GetRed()) / 255.0f;
    const float g = static_cast<float>(colour.GetGreen()) / 255.0f;
    const float b = static_cast<float>(colour.GetBlue()) / 255.0f;
    const float max = std::max({r, g, b});
    const float min = std::min({r, g, b});
    const float range = max - min;

    CHsvColor hsv;
    if (max != min)
    {
        if (max == r)
        {
            hsv.hue = 60.0f * ((g - b) / range);
        }
        else if (max == g)
        {
            hsv.hue = 60.0f * ((b - r) / range + 2.0f);
        }
        else
        {
            hsv.hue = 60.0f * ((r - g) / range + 4.0f);
        }
        if (hsv.hue < 0.0f)
        {
            hsv.hue += 360.0f;
        }
    }
    const float saturation = max == 0.0f ? 0.0f : range * 100.0f / max;
    hsv.saturation = static_cast<std::uint8_t>(saturation);
    hsv.value = static_cast<std::uint8_t>(max * 100.0f);
    hsv.alpha = colour.GetAlpha();
    return hsv;
}

BaseLib::CColor HsvToColor(const CHsvColor& hsv)
{
    if (hsv.saturation == 0)
    {
        const auto grey = static_cast<std::int32_t>(static_cast<float>(hsv.value) / 100.0f * 255.0f);
        return BaseLib::CColor(grey, grey, grey, hsv.alpha);
    }
    const float sector = hsv.hue / 60.0f;
    const auto index = static_cast<std::int32_t>(sector);
    const float f = sector - static_cast<float>(index);
    const float v = static_cast<float>(hsv.value);
    const float unitValue = v / 100.0f;
    const float s = static_cast<float>(hsv.saturation);
    const float p = unitValue * (100.0f - s);
    const float q = unitValue * (100.0f - f * s);
    const float t = unitValue * (100.0f - (1.0f - f) * s);

    float red = v;
    float green = t;
    float blue = p;
    switch (index)
    {
    case 1:
        red = q, green = v, blue = p;
        break;
    case 2:
        red = p, green = v, blue = t;
        break;
    case 3:
        red = p, green = q, blue = v;
        break;
    case 4:
        red = t, green = p, blue = v;
        break;
    case 5:
        red = v, green = p, blue = q;
        break;
    default:
        break; // 0, and 6 for a hue of 360
    }
    // 2.55 as the nearest single-precision value; + 0.5 and truncation round to the nearest whole.
    const auto channel = [](float x) { return static_cast<std::int32_t>(x * 2.55f + 0.5f); };
    return BaseLib::CColor(channel(red), channel(green), channel(blue), hsv.alpha);
}

CHsvColor UnitHsvaToHsv(float hue, float saturation, float value, float alpha)
{
    CHsvColor hsv;
    hsv.hue = hue * 360.0f;
    hsv.saturation = static_cast<std::uint8_t>(saturation * 100.0f);
    hsv.value = static_cast<std::uint8_t>(value * 100.0f);
    hsv.alpha = static_cast<std::uint8_t>(alpha * 255.0f);
    return hsv;
}

} // namespace UILib
