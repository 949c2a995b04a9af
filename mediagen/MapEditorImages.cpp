#include "mediagen/GameMedia.h"
#include "mediagen/Picture.h"
#include "mediagen/ShapeSampler.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

namespace MediaGen
{

namespace
{

using BaseLib::CVector3;

// The selection marker: a bright frame around the whole 64 x 64 cell with brackets in its corners,
// clear inside, so the cell's walkability stays readable under it.
Picture SelectionMarker()
{
    const CVector3 frame = Rgb(255, 220, 40);
    return PaintSamples(64, 64, [&](float x, float y) {
        const float edge = std::min({x, y, 64.0f - x, 64.0f - y});
        const bool corner = (x < 16.0f || x > 48.0f) && (y < 16.0f || y > 48.0f);
        if (edge < 2.0f || (corner && edge < 5.0f))
        {
            return Sample{frame, 1.0f};
        }
        return Sample{};
    });
}

// A 16 x 16 list icon: a round badge of the colour with a dark rim, and the mark painted over it.
Picture LevelIcon(const CVector3& colour, const std::function<bool(float, float)>& mark)
{
    const CVector3 rim = Rgb(30, 30, 30);
    const CVector3 ink = Rgb(255, 255, 255);
    return PaintSamples(16, 16, [&](float x, float y) {
        const float dx = x - 8.0f;
        const float dy = y - 8.0f;
        const float r = std::sqrt(dx * dx + dy * dy);
        if (r > 7.5f)
        {
            return Sample{};
        }
        if (mark(x, y))
        {
            return Sample{ink, 1.0f};
        }
        return Sample{r > 6.5f ? rim : colour, 1.0f};
    });
}

// Whether (x, y) lies within half a width of the segment from a to b.
bool NearSegment(float x, float y, float ax, float ay, float bx, float by, float halfWidth)
{
    const float vx = bx - ax;
    const float vy = by - ay;
    const float t = std::clamp(((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy), 0.0f, 1.0f);
    const float px = ax + t * vx - x;
    const float py = ay + t * vy - y;
    return px * px + py * py <= halfWidth * halfWidth;
}

} // namespace

bool WriteMapEditorImages(const std::string& media)
{
    // No cell starts the level: a grey badge with a dash; one cell: a green badge with a tick; more than
    // one: a red badge with a cross.
    const Picture unassigned = LevelIcon(Rgb(150, 150, 150), [](float x, float y) {
        return NearSegment(x, y, 4.5f, 8.0f, 11.5f, 8.0f, 1.2f);
    });
    const Picture assigned = LevelIcon(Rgb(40, 170, 60), [](float x, float y) {
        return NearSegment(x, y, 4.5f, 8.5f, 7.0f, 11.0f, 1.2f) || NearSegment(x, y, 7.0f, 11.0f, 11.5f, 5.0f, 1.2f);
    });
    const Picture error = LevelIcon(Rgb(210, 40, 40), [](float x, float y) {
        return NearSegment(x, y, 5.0f, 5.0f, 11.0f, 11.0f, 1.2f) || NearSegment(x, y, 11.0f, 5.0f, 5.0f, 11.0f, 1.2f);
    });
    bool written = WritePngMediaFile(media, "interface/map_editor_selection.png", SelectionMarker());
    written = WritePngMediaFile(media, "interface/editor_unassigned.png", unassigned) && written;
    written = WritePngMediaFile(media, "interface/editor_assigned.png", assigned) && written;
    written = WritePngMediaFile(media, "interface/editor_error.png", error) && written;
    return written;
}

} // namespace MediaGen
