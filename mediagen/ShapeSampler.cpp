#include "mediagen/ShapeSampler.h"

#include <algorithm>
#include <cmath>

namespace MediaGen
{

using BaseLib::CVector2;
using BaseLib::CVector3;

float CircleDistance(float x, float y, float cx, float cy, float radius)
{
    return std::hypot(x - cx, y - cy) - radius;
}

float EllipseDistance(float x, float y, float cx, float cy, float rx, float ry)
{
    const float u = (x - cx) / rx;
    const float v = (y - cy) / ry;
    return (std::sqrt(u * u + v * v) - 1.0f) * std::min(rx, ry);
}

float RoundedBoxDistance(float x, float y, float left, float top, float right, float bottom, float radius)
{
    const float cx = (left + right) / 2.0f;
    const float cy = (top + bottom) / 2.0f;
    const float qx = std::abs(x - cx) - ((right - left) / 2.0f - radius);
    const float qy = std::abs(y - cy) - ((bottom - top) / 2.0f - radius);
    const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - radius;
}

float CapsuleDistance(float x, float y, float ax, float ay, float bx, float by, float radius)
{
    const float px = x - ax;
    const float py = y - ay;
    const float dx = bx - ax;
    const float dy = by - ay;
    const float length = dx * dx + dy * dy;
    const float t = length > 0.0f ? std::clamp((px * dx + py * dy) / length, 0.0f, 1.0f) : 0.0f;
    return std::hypot(px - dx * t, py - dy * t) - radius;
}

float PolygonDistance(float x, float y, const std::vector<CVector2>& corners)
{
    // The turning order decides which side of each edge is inside.
    float area = 0.0f;
    for (std::size_t i = 0; i < corners.size(); ++i)
    {
        const CVector2& a = corners[i];
        const CVector2& b = corners[(i + 1) % corners.size()];
        area += a.x * b.y - b.x * a.y;
    }
    const float side = area > 0.0f ? 1.0f : -1.0f;
    float distance = -1e9f;
    for (std::size_t i = 0; i < corners.size(); ++i)
    {
        const CVector2& a = corners[i];
        const CVector2& b = corners[(i + 1) % corners.size()];
        const float ex = b.x - a.x;
        const float ey = b.y - a.y;
        const float length = std::hypot(ex, ey);
        if (length > 0.0f)
        {
            distance = std::max(distance, side * ((x - a.x) * ey - (y - a.y) * ex) / length);
        }
    }
    return distance;
}

float StarDistance(float x, float y, float cx, float cy, float outer, float inner)
{
    // The star is the union of five triangles, each a point and the two notches beside it.
    constexpr float kPi = 3.14159265f;
    float distance = 1e9f;
    for (int point = 0; point < 5; ++point)
    {
        const float angle = -kPi / 2.0f + static_cast<float>(point) * 2.0f * kPi / 5.0f;
        const float before = angle - kPi / 5.0f;
        const float after = angle + kPi / 5.0f;
        const std::vector<CVector2> triangle = {
            {cx, cy},
            {cx + inner * std::cos(before), cy + inner * std::sin(before)},
            {cx + outer * std::cos(angle), cy + outer * std::sin(angle)},
            {cx + inner * std::cos(after), cy + inner * std::sin(after)}};
        distance = std::min(distance, PolygonDistance(x, y, triangle));
    }
    return distance;
}

Sample Outlined(float distance, const CVector3& fill, const CVector3& outline, float width)
{
    if (distance < 0.0f)
    {
        return {fill, 1.0f};
    }
    if (distance < width)
    {
        return {outline, 1.0f};
    }
    return {};
}

CVector3 Mix(const CVector3& a, const CVector3& b, float t)
{
    return a * (1.0f - t) + b * t;
}

CVector3 Rgb(int r, int g, int b)
{
    return {static_cast<float>(r) / 255.0f, static_cast<float>(g) / 255.0f, static_cast<float>(b) / 255.0f};
}

void PaintOver(Picture& picture, int left, int top, int right, int bottom,
               const std::function<Sample(float x, float y)>& painter)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, picture.width);
    bottom = std::min(bottom, picture.height);
    for (int y = top; y < bottom; ++y)
    {
        for (int x = left; x < right; ++x)
        {
            CVector3 sum = {0.0f, 0.0f, 0.0f};
            float coverage = 0.0f;
            for (int sy = 0; sy < 4; ++sy)
            {
                for (int sx = 0; sx < 4; ++sx)
                {
                    const Sample sample =
                        painter(static_cast<float>(x) + (static_cast<float>(sx) + 0.5f) / 4.0f,
                                static_cast<float>(y) + (static_cast<float>(sy) + 0.5f) / 4.0f);
                    sum = sum + sample.colour * sample.alpha;
                    coverage += sample.alpha;
                }
            }
            if (coverage <= 0.0f)
            {
                continue;
            }
            const CVector3 colour = sum * (1.0f / coverage);
            const float alpha = coverage / 16.0f;
            std::uint32_t& pixel = picture.At(x, y);
            const float under = static_cast<float>(pixel >> 24) / 255.0f;
            const CVector3 below = {static_cast<float>((pixel >> 16) & 0xFF) / 255.0f,
                                    static_cast<float>((pixel >> 8) & 0xFF) / 255.0f,
                                    static_cast<float>(pixel & 0xFF) / 255.0f};
            const float total = alpha + under * (1.0f - alpha);
            const CVector3 mixed = (colour * alpha + below * (under * (1.0f - alpha))) * (1.0f / total);
            pixel = PixelOf(mixed, static_cast<std::uint32_t>(std::lround(total * 255.0f)));
        }
    }
}

} // namespace MediaGen
