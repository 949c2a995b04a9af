#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

// Integer points and sizes. Plain values, copied bytewise.
namespace BaseLib
{

struct CPoint
{
    std::int32_t x = 0;
    std::int32_t y = 0;

    constexpr CPoint() = default;
    constexpr CPoint(std::int32_t px, std::int32_t py) : x(px), y(py) {}

    // Each component becomes floor(component * factor + 0.5) rounded to float, as an integer (round half
    // up). Results outside the 32-bit range saturate; NaN gives 0.
    CPoint Scale(float factor) const;

    // "(%d, %d)".
    std::string ToString() const;
    // Reads "(%d, %d)"; components the text does not supply are 0.
    static CPoint FromString(const char* text);

    friend constexpr bool operator==(const CPoint&, const CPoint&) = default;
};

struct CSize
{
    std::int32_t cx = 0;
    std::int32_t cy = 0;

    constexpr CSize() = default;
    constexpr CSize(std::int32_t width, std::int32_t height) : cx(width), cy(height) {}

    // Same rounding as CPoint::Scale.
    CSize Scale(float factor) const;

    // "(%d, %d)".
    std::string ToString() const;
    // Reads "(%d, %d)"; components the text does not supply are 0.
    static CSize FromString(const char* text);

    friend constexpr bool operator==(const CSize&, const CSize&) = default;
};

static_assert(sizeof(CPoint) == 8 && std::is_trivially_copyable_v<CPoint>);
static_assert(sizeof(CSize) == 8 && std::is_trivially_copyable_v<CSize>);

} // namespace BaseLib
