#pragma once

#include "foundation/Color.h"

#include <cstdint>

namespace UILib
{

// The colour picker's working form of a colour: hue in degrees, saturation and value (shown as
// brightness) in whole per cent, and alpha where a conversion carries it.
struct CHsvColor
{
    float hue = 0.0f;            // 0 up to 360; 360 is red again
    std::uint8_t saturation = 0; // 0..100
    std::uint8_t value = 0;      // 0..100
    std::uint8_t alpha = 255;    // 0..255

    friend constexpr bool operator==(const CHsvColor&, const CHsvColor&) = default;
};

// The hexcone model in single precision: hue in [0, 360) (0 for greys), saturation and value truncated
// to whole per cent. Alpha is taken over.
CHsvColor ColorToHsv(BaseLib::CColor colour);
// Back to a colour. Hues from 0 to 360 only (360 gives the colour of 0); each channel is rounded from
// the 0..100 scale and clamped to 0..255; alpha is taken over.
BaseLib::CColor HsvToColor(const CHsvColor& hsv);
// Four components in 0..1 to hue (× 360), saturation and value (× 100, truncated) and alpha (× 255,
// truncated).
CHsvColor UnitHsvaToHsv(float hue, float saturation, float value, float alpha);

} // namespace UILib
