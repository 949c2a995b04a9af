#include "mediagen/MenuArt.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace MediaGen
{

using BaseLib::CVector3;

CVector3 Blend(const CVector3& a, const CVector3& b, float t)
{
    t = std::clamp(t, 0.0f, 1.0f);
    return a + (b - a) * t;
}

bool InRoundedRect(float x, float y, float left, float top, float right, float bottom, float radius)
{
    const float dx = std::max({left + radius - x, x - (right - radius), 0.0f});
    const float dy = std::max({top + radius - y, y - (bottom - radius), 0.0f});
    return x >= left && x < right && y >= top && y < bottom && dx * dx + dy * dy <= radius * radius;
}

float DistanceToSegment(float x, float y, float ax, float ay, float bx, float by)
{
    const float vx = bx - ax;
    const float vy = by - ay;
    const float length = vx * vx + vy * vy;
    const float t = length > 0.0f ? std::clamp(((x - ax) * vx + (y - ay) * vy) / length, 0.0f, 1.0f) : 0.0f;
    return std::hypot(x - (ax + t * vx), y - (ay + t * vy));
}

bool OnStroke(float x, float y, const std::vector<std::pair<float, float>>& points, float width)
{
    for (std::size_t i = 0; i + 1 < points.size(); ++i)
    {
        if (DistanceToSegment(x, y, points[i].first, points[i].second, points[i + 1].first,
                              points[i + 1].second) <= width / 2.0f)
        {
            return true;
        }
    }
    return false;
}

bool InPolygon(float x, float y, const std::vector<std::pair<float, float>>& corners)
{
    bool inside = false;
    for (std::size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++)
    {
        const auto [xi, yi] = corners[i];
        const auto [xj, yj] = corners[j];
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi)
        {
            inside = !inside;
        }
    }
    return inside;
}

bool InStar(float x, float y, float cx, float cy, float outer, float inner, int points)
{
    std::vector<std::pair<float, float>> corners;
    for (int i = 0; i < 2 * points; ++i)
    {
        const double angle = std::numbers::pi * i / points - std::numbers::pi / 2.0;
        const float radius = i % 2 == 0 ? outer : inner;
        corners.emplace_back(cx + radius * static_cast<float>(std::cos(angle)),
                             cy + radius * static_cast<float>(std::sin(angle)));
    }
    return InPolygon(x, y, corners);
}

} // namespace MediaGen
