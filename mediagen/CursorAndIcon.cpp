#include "mediagen/GameMedia.h"
#include "mediagen/GameModels.h"
#include "mediagen/Picture.h"

#include <algorithm>
#include <cmath>

namespace MediaGen
{

namespace
{

using BaseLib::CVector3;

struct Point2
{
    float x, y;
};

// Whether the point lies inside the polygon (even-odd rule).
bool Inside(const std::vector<Point2>& polygon, float x, float y)
{
    bool inside = false;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++)
    {
        const Point2& a = polygon[i];
        const Point2& b = polygon[j];
        if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x)
        {
            inside = !inside;
        }
    }
    return inside;
}

// The share of the pixel (4 × 4 samples) that the test covers.
template <typename Test>
float Coverage(int x, int y, const Test& test)
{
    int hits = 0;
    for (int sy = 0; sy < 4; ++sy)
    {
        for (int sx = 0; sx < 4; ++sx)
        {
            hits += test(static_cast<float>(x) + (static_cast<float>(sx) + 0.5f) / 4.0f,
                         static_cast<float>(y) + (static_cast<float>(sy) + 0.5f) / 4.0f)
                        ? 1
                        : 0;
        }
    }
    return static_cast<float>(hits) / 16.0f;
}

// Paints colour over the pixel with the given coverage.
void Blend(std::uint32_t& pixel, const CVector3& colour, float coverage)
{
    if (coverage <= 0.0f)
    {
        return;
    }
    const float oldAlpha = static_cast<float>(pixel >> 24) / 255.0f;
    const CVector3 old = {static_cast<float>((pixel >> 16) & 0xFF) / 255.0f,
                          static_cast<float>((pixel >> 8) & 0xFF) / 255.0f, static_cast<float>(pixel & 0xFF) / 255.0f};
    const float alpha = coverage + oldAlpha * (1.0f - coverage);
    const CVector3 mixed = alpha > 0.0f ? (colour * coverage + old * (oldAlpha * (1.0f - coverage))) * (1.0f / alpha) : colour;
    pixel = PixelOf(mixed, static_cast<std::uint32_t>(std::lround(alpha * 255.0f)));
}

// The cursor: an arrow whose tip is the hot spot, a dark outline round a warm gold fill.
constexpr int kCursorSize = 32;
constexpr int kHotSpotX = 1;
constexpr int kHotSpotY = 1;

Picture CursorPicture()
{
    const std::vector<Point2> outer = {{1.0f, 1.0f},   {1.0f, 24.0f},  {7.0f, 18.5f}, {11.0f, 27.5f},
                                       {15.0f, 26.0f}, {11.2f, 17.0f}, {18.5f, 17.0f}};
    const std::vector<Point2> inner = {{2.6f, 4.6f},   {2.6f, 20.4f},  {7.6f, 15.9f}, {11.8f, 25.4f},
                                       {13.0f, 24.9f}, {8.9f, 15.5f},  {15.0f, 15.5f}};
    Picture picture(kCursorSize, kCursorSize);
    for (int y = 0; y < kCursorSize; ++y)
    {
        for (int x = 0; x < kCursorSize; ++x)
        {
            std::uint32_t& pixel = picture.At(x, y);
            Blend(pixel, {0.16f, 0.1f, 0.04f}, Coverage(x, y, [&](float px, float py) { return Inside(outer, px, py); }));
            const float shade = 1.0f - 0.3f * static_cast<float>(y) / kCursorSize;
            Blend(pixel, CVector3{1.0f, 0.86f, 0.4f} * shade,
                  Coverage(x, y, [&](float px, float py) { return Inside(inner, px, py); }));
        }
    }
    return picture;
}

void Put16(std::string& bytes, std::uint32_t value)
{
    bytes.push_back(static_cast<char>(value & 0xFF));
    bytes.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void Put32(std::string& bytes, std::uint32_t value)
{
    Put16(bytes, value & 0xFFFF);
    Put16(bytes, value >> 16);
}

// The ".cur" layout: the icon directory with one entry carrying the hot spot, then a 32-bit bitmap of
// doubled height (colour rows and mask rows, both bottom row first); the mask marks clear pixels.
std::string CursorBytes(const Picture& picture, int hotSpotX, int hotSpotY)
{
    const auto width = static_cast<std::uint32_t>(picture.width);
    const auto height = static_cast<std::uint32_t>(picture.height);
    const std::uint32_t maskStride = ((width + 31) / 32) * 4;
    const std::uint32_t imageBytes = 40 + width * height * 4 + maskStride * height;
    std::string bytes;
    Put16(bytes, 0);
    Put16(bytes, 2);
    Put16(bytes, 1);
    bytes.push_back(static_cast<char>(width));
    bytes.push_back(static_cast<char>(height));
    bytes.push_back(0);
    bytes.push_back(0);
    Put16(bytes, static_cast<std::uint32_t>(hotSpotX));
    Put16(bytes, static_cast<std::uint32_t>(hotSpotY));
    Put32(bytes, imageBytes);
    Put32(bytes, 6 + 16);
    Put32(bytes, 40);
    Put32(bytes, width);
    Put32(bytes, height * 2);
    Put16(bytes, 1);
    Put16(bytes, 32);
    Put32(bytes, 0);
    Put32(bytes, width * height * 4 + maskStride * height);
    for (int i = 0; i < 4; ++i)
    {
        Put32(bytes, 0);
    }
    for (int y = picture.height - 1; y >= 0; --y)
    {
        for (int x = 0; x < picture.width; ++x)
        {
            Put32(bytes, picture.pixels[static_cast<std::size_t>(y) * width + x]);
        }
    }
    for (int y = picture.height - 1; y >= 0; --y)
    {
        std::string row(maskStride, '\0');
        for (int x = 0; x < picture.width; ++x)
        {
            if ((picture.pixels[static_cast<std::size_t>(y) * width + x] >> 24) == 0)
            {
                row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
            }
        }
        bytes += row;
    }
    return bytes;
}

// The window icon: a rounded block seen from above with the player's dome, in the game's gold.
constexpr int kIconSize = 64;

Picture IconPicture()
{
    Picture picture(kIconSize, kIconSize);
    auto roundedSquare = [](float inset, float radius) {
        return [inset, radius](float x, float y) {
            const float low = inset + radius;
            const float high = kIconSize - inset - radius;
            const float dx = std::max(std::max(low - x, x - high), 0.0f);
            const float dy = std::max(std::max(low - y, y - high), 0.0f);
            return dx * dx + dy * dy <= radius * radius;
        };
    };
    auto disc = [](float cx, float cy, float radius) {
        return [cx, cy, radius](float x, float y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius; };
    };
    for (int y = 0; y < kIconSize; ++y)
    {
        for (int x = 0; x < kIconSize; ++x)
        {
            std::uint32_t& pixel = picture.At(x, y);
            const float shade = 1.0f - 0.35f * static_cast<float>(x + y) / (2.0f * kIconSize);
            Blend(pixel, {0.22f, 0.12f, 0.04f}, Coverage(x, y, roundedSquare(3.0f, 12.0f)));
            Blend(pixel, CVector3{0.98f, 0.58f, 0.14f} * shade, Coverage(x, y, roundedSquare(6.0f, 9.0f)));
            Blend(pixel, CVector3{1.0f, 0.72f, 0.3f} * shade, Coverage(x, y, roundedSquare(11.0f, 6.0f)));
            Blend(pixel, {0.5f, 0.26f, 0.06f}, Coverage(x, y, disc(32.0f, 32.0f, 13.0f)));
            Blend(pixel, {1.0f, 0.88f, 0.42f}, Coverage(x, y, disc(32.0f, 32.0f, 11.0f)));
            Blend(pixel, {1.0f, 0.98f, 0.86f}, Coverage(x, y, disc(28.0f, 28.0f, 4.0f)));
        }
    }
    return picture;
}

} // namespace

bool WriteCursorAndIcon(const std::string& media)
{
    const bool cursor = WriteMediaFile(media, "ombrel.cur", CursorBytes(CursorPicture(), kHotSpotX, kHotSpotY));
    const bool icon = WritePngMediaFile(media, "ombrel.png", IconPicture());
    return cursor && icon;
}

} // namespace MediaGen
