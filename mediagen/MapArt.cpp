// The regions' map pictures, tiles and barriers. The map picture is the ground of the whole grid with a
// road along every passage and a small clearing at every cell; the tiles stand on those clearings with
// a transparent surround, so the renderer lays them over the picture. Colours are flat bands rather than
// gradients, which keeps the large pictures small as PNG.

#include "mediagen/MapArt.h"

#include "mediagen/GameLevels.h"
#include "mediagen/GameMedia.h"
#include "mediagen/MapFiles.h"
#include "mediagen/ShapeSampler.h"

#include "foundation/Random.h"
#include "game/map/EditableMap.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>
#include <system_error>

namespace MediaGen
{

namespace
{

using BaseLib::CVector2;
using BaseLib::CVector3;

constexpr int Cell = 64;
const CVector3 kInk = Rgb(24, 18, 12);

// The colours of one region.
struct Palette
{
    CVector3 ground[3];  // the ground's three bands, darkest first
    CVector3 water;      // the lowest ground (swamp pools), or the darkest band again
    float waterBelow;    // noise below which the ground is water; 0 for none
    CVector3 road;
    CVector3 roadEdge;
    CVector3 stone;      // plinths, posts, gates
    CVector3 wood;       // chests, barriers, towers
    CVector3 accent;     // the region's own colour on its tiles
    std::uint32_t seed;
};

const Palette& PaletteOf(const std::string& setting)
{
    static const Palette jungle = {{Rgb(36, 82, 38), Rgb(50, 102, 44), Rgb(70, 124, 52)}, Rgb(36, 82, 38), 0.0f,
                                   Rgb(196, 168, 112), Rgb(118, 92, 56), Rgb(150, 146, 130), Rgb(132, 88, 48),
                                   Rgb(226, 120, 60), 1101};
    static const Palette swamp = {{Rgb(78, 90, 50), Rgb(92, 104, 58), Rgb(110, 118, 66)}, Rgb(44, 72, 70), 0.38f,
                                  Rgb(150, 126, 86), Rgb(86, 70, 44), Rgb(132, 136, 120), Rgb(112, 82, 52),
                                  Rgb(160, 200, 90), 1202};
    static const Palette cave = {{Rgb(44, 40, 44), Rgb(58, 54, 56), Rgb(74, 68, 66)}, Rgb(44, 40, 44), 0.0f,
                                 Rgb(122, 110, 94), Rgb(30, 26, 28), Rgb(120, 116, 124), Rgb(110, 84, 60),
                                 Rgb(90, 200, 225), 1303};
    static const Palette temple = {{Rgb(170, 146, 102), Rgb(186, 162, 114), Rgb(200, 178, 128)},
                                   Rgb(170, 146, 102), 0.0f, Rgb(222, 208, 168), Rgb(128, 106, 72),
                                   Rgb(158, 150, 132), Rgb(120, 86, 54), Rgb(200, 60, 50), 1404};
    if (setting == "swamp")
    {
        return swamp;
    }
    if (setting == "cave")
    {
        return cave;
    }
    if (setting == "temple")
    {
        return temple;
    }
    return jungle;
}

// Lighter towards the top of a shape, darker at its bottom, in two flat steps.
CVector3 Shaded(const CVector3& colour, float y, float middle)
{
    return y < middle ? colour * 1.12f : colour * 0.88f;
}

float SegmentDistance(float x, float y, const CVector2& a, const CVector2& b)
{
    return CapsuleDistance(x, y, a.x, a.y, b.x, b.y, 0.0f);
}

// ---------------------------------------------------------------------------------------------------
// The map picture.

struct Road
{
    CVector2 from;
    CVector2 to;
};

std::vector<Road> RoadsOf(const CMap& map)
{
    std::vector<Road> roads;
    const float half = Cell / 2.0f;
    for (int y = 0; y < map.GetSize().cy; ++y)
    {
        for (int x = 0; x < map.GetSize().cx; ++x)
        {
            const CVector2 centre{static_cast<float>(x * Cell) + half, static_cast<float>(y * Cell) + half};
            const MapCell& cell = map.GetCell(x, y);
            if ((cell.walkBits & MapCell::CanWalkEast) != 0)
            {
                roads.push_back({centre, {centre.x + Cell, centre.y}});
            }
            if ((cell.walkBits & MapCell::CanWalkNorth) != 0)
            {
                roads.push_back({centre, {centre.x, centre.y - Cell}});
            }
            if (map.HasAnyPassage(x, y))
            {
                roads.push_back({centre, centre}); // the cell's clearing
            }
        }
    }
    return roads;
}

void PaintGround(Picture& picture, const Palette& palette)
{
    const int period = std::max(picture.width, picture.height);
    const LayeredNoise noise(period, std::max(4, period / 200), 2, palette.seed);
    const bool flagstones = &palette == &PaletteOf("temple");
    for (int y = 0; y < picture.height; ++y)
    {
        for (int x = 0; x < picture.width; ++x)
        {
            const float n = noise.At(static_cast<float>(x), static_cast<float>(y));
            CVector3 colour = n < 0.44f ? palette.ground[0] : n < 0.58f ? palette.ground[1] : palette.ground[2];
            if (n < palette.waterBelow)
            {
                colour = palette.water;
            }
            if (flagstones && n > 0.56f)
            {
                // Old paving: slabs of 32 pixels, every second row shifted by half, dark joints.
                const int row = y / 32;
                const int column = (x + (row % 2) * 16) / 32;
                const bool joint = y % 32 < 2 || (x + (row % 2) * 16) % 32 < 2;
                const float tone = (row * 7 + column * 13) % 3 == 0 ? 0.92f : 1.0f;
                colour = joint ? palette.roadEdge : palette.ground[2] * tone;
            }
            picture.At(x, y) = PixelOf(colour);
        }
    }
}

// Something growing or lying about, centred on (cx, cy), of size r, in the region's manner.
void PaintDecoration(Picture& picture, const std::string& setting, const Palette& palette, float cx, float cy,
                     float r, int kind)
{
    const int left = static_cast<int>(cx - r * 1.6f) - 2;
    const int top = static_cast<int>(cy - r * 1.6f) - 2;
    const int right = static_cast<int>(cx + r * 1.8f) + 3;
    const int bottom = static_cast<int>(cy + r * 1.8f) + 3;
    // The shadow falls to the bottom right.
    PaintOver(picture, left, top, right, bottom, [&](float x, float y) {
        return EllipseDistance(x, y, cx + r * 0.35f, cy + r * 0.45f, r * 1.05f, r * 0.8f) < 0.0f
                   ? Sample{Rgb(0, 0, 0), 0.3f}
                   : Sample{};
    });
    PaintOver(picture, left, top, right, bottom, [&](float x, float y) -> Sample {
        if (setting == "jungle")
        {
            // A tree seen from above: three crowns together, a light side to the top left.
            const float crown = std::min({CircleDistance(x, y, cx, cy, r), CircleDistance(x, y, cx - r * 0.6f, cy + r * 0.3f, r * 0.7f),
                                          CircleDistance(x, y, cx + r * 0.5f, cy + r * 0.4f, r * 0.65f)});
            const CVector3 leaf = kind == 0 ? Rgb(34, 96, 36) : Rgb(58, 118, 40);
            const bool lit = CircleDistance(x, y, cx - r * 0.3f, cy - r * 0.3f, r * 0.55f) < 0.0f;
            return Outlined(crown, lit ? leaf * 1.25f : leaf, Rgb(18, 44, 20), 1.5f);
        }
        if (setting == "swamp")
        {
            if (kind == 0)
            {
                // A clump of reeds: upright blades with dark tips.
                float blades = 1e9f;
                for (int i = 0; i < 5; ++i)
                {
                    const float bx = cx + (static_cast<float>(i) - 2.0f) * r * 0.3f;
                    blades = std::min(blades, CapsuleDistance(x, y, bx, cy + r * 0.8f, bx + (static_cast<float>(i) - 2.0f) * 1.5f,
                                                              cy - r * (0.6f + 0.1f * static_cast<float>(i % 3)), 1.3f));
                }
                return Outlined(blades, y < cy - r * 0.3f ? Rgb(120, 90, 50) : Rgb(96, 130, 56), Rgb(30, 40, 22), 1.0f);
            }
            // A bush of the marsh.
            const float bush = std::min(CircleDistance(x, y, cx, cy, r * 0.8f), CircleDistance(x, y, cx + r * 0.5f, cy + r * 0.2f, r * 0.6f));
            return Outlined(bush, Shaded(Rgb(72, 104, 52), y, cy - r * 0.1f), Rgb(28, 40, 22), 1.4f);
        }
        if (setting == "cave")
        {
            if (kind == 0)
            {
                // A boulder.
                const float rock = EllipseDistance(x, y, cx, cy, r, r * 0.75f);
                return Outlined(rock, Shaded(Rgb(96, 90, 92), y, cy - r * 0.2f), Rgb(20, 18, 20), 1.5f);
            }
            // A cluster of crystals.
            const std::vector<CVector2> a = {{cx - r * 0.2f, cy - r}, {cx + r * 0.2f, cy - r * 0.7f}, {cx + r * 0.15f, cy + r * 0.5f}, {cx - r * 0.35f, cy + r * 0.5f}};
            const std::vector<CVector2> b = {{cx + r * 0.6f, cy - r * 0.4f}, {cx + r * 0.8f, cy - r * 0.1f}, {cx + r * 0.5f, cy + r * 0.6f}, {cx + r * 0.2f, cy + r * 0.4f}};
            const float crystal = std::min(PolygonDistance(x, y, a), PolygonDistance(x, y, b));
            return Outlined(crystal, x < cx ? palette.accent * 1.15f : palette.accent * 0.75f, Rgb(16, 30, 40), 1.2f);
        }
        // The temple: a broken column seen from above, or a shrub between the stones.
        if (kind == 0)
        {
            const float column = CircleDistance(x, y, cx, cy, r * 0.8f);
            const bool ring = std::abs(CircleDistance(x, y, cx, cy, r * 0.5f)) < 1.0f;
            return Outlined(column, ring ? Rgb(140, 130, 112) : Shaded(Rgb(214, 204, 180), y, cy), Rgb(80, 66, 46), 1.5f);
        }
        const float shrub = std::min(CircleDistance(x, y, cx, cy, r * 0.7f), CircleDistance(x, y, cx - r * 0.5f, cy + r * 0.3f, r * 0.5f));
        return Outlined(shrub, Shaded(Rgb(92, 120, 56), y, cy), Rgb(40, 50, 26), 1.3f);
    });
}

void PaintDecorations(Picture& picture, const std::string& setting, const Palette& palette,
                      const std::vector<Road>& roads)
{
    BaseLib::SeedRandom(palette.seed + 17);
    constexpr int Spacing = 44;
    auto jitter = [] { return static_cast<float>(BaseLib::Random() % 1000) / 1000.0f; };
    for (int gy = 0; gy * Spacing < picture.height; ++gy)
    {
        for (int gx = 0; gx * Spacing < picture.width; ++gx)
        {
            const float x = (static_cast<float>(gx) + 0.15f + 0.7f * jitter()) * Spacing;
            const float y = (static_cast<float>(gy) + 0.15f + 0.7f * jitter()) * Spacing;
            const float r = 9.0f + 7.0f * jitter();
            const int kind = BaseLib::Random() % 2;
            const bool skip = BaseLib::Random() % 5 < 2;
            float clearance = 1e9f;
            for (const Road& road : roads)
            {
                clearance = std::min(clearance, SegmentDistance(x, y, road.from, road.to));
            }
            // Keep off the roads and off the tiles standing on the cells.
            if (skip || clearance < r * 1.7f + 16.0f || x > static_cast<float>(picture.width) - r ||
                y > static_cast<float>(picture.height) - r)
            {
                continue;
            }
            PaintDecoration(picture, setting, palette, x, y, r, kind);
        }
    }
}

void PaintRoads(Picture& picture, const Palette& palette, const std::vector<Road>& roads)
{
    constexpr float Width = 10.0f;
    constexpr float Clearing = 17.0f;
    // Edges first, then every fill over them, so roads meet without a seam across a junction.
    for (int pass = 0; pass < 2; ++pass)
    {
        for (const Road& road : roads)
        {
            const bool clearing = road.from == road.to;
            const float radius = (clearing ? Clearing : Width) + (pass == 0 ? 2.0f : 0.0f);
            const int left = static_cast<int>(std::min(road.from.x, road.to.x) - radius) - 1;
            const int top = static_cast<int>(std::min(road.from.y, road.to.y) - radius) - 1;
            const int right = static_cast<int>(std::max(road.from.x, road.to.x) + radius) + 2;
            const int bottom = static_cast<int>(std::max(road.from.y, road.to.y) + radius) + 2;
            PaintOver(picture, left, top, right, bottom, [&](float x, float y) {
                const float d = CapsuleDistance(x, y, road.from.x, road.from.y, road.to.x, road.to.y, radius);
                return d < 0.0f ? Sample{pass == 0 ? palette.roadEdge : palette.road, 1.0f} : Sample{};
            });
        }
    }
}

// The border ring lies in shade, behind a thin dark frame.
void PaintBorder(Picture& picture)
{
    const int w = picture.width;
    const int h = picture.height;
    for (int y = 0; y < h; ++y)
    {
        for (int x = 0; x < w; ++x)
        {
            const int inset = std::min({x, y, w - 1 - x, h - 1 - y});
            if (inset >= Cell)
            {
                continue;
            }
            std::uint32_t& pixel = picture.At(x, y);
            if (inset >= Cell - 3)
            {
                pixel = PixelOf(kInk);
                continue;
            }
            const auto dim = [](std::uint32_t value, int shift) { return ((value >> shift) & 0xFF) * 3 / 5; };
            pixel = 0xFF000000u | (dim(pixel, 16) << 16) | (dim(pixel, 8) << 8) | dim(pixel, 0);
        }
    }
}

Picture MapPicture(const CMap& map)
{
    const std::string setting = map.GetSetting();
    const Palette& palette = PaletteOf(setting);
    Picture picture(map.GetSize().cx * Cell, map.GetSize().cy * Cell);
    PaintGround(picture, palette);
    const std::vector<Road> roads = RoadsOf(map);
    PaintDecorations(picture, setting, palette, roads);
    PaintRoads(picture, palette, roads);
    PaintBorder(picture);
    return picture;
}

// ---------------------------------------------------------------------------------------------------
// Barriers: a barricade across a closed passage; u runs along the edge, v across it.

Picture Barrier(const Palette& palette, bool vertical)
{
    return PaintSamples(32, 32, [&](float x, float y) {
        const float u = vertical ? y : x;
        const float v = vertical ? x : y;
        const float posts = std::min(RoundedBoxDistance(u, v, 2.5f, 8.0f, 7.5f, 26.0f, 1.5f),
                                     RoundedBoxDistance(u, v, 24.5f, 8.0f, 29.5f, 26.0f, 1.5f));
        const float rails = std::min(RoundedBoxDistance(u, v, 1.0f, 11.0f, 31.0f, 15.0f, 1.0f),
                                     RoundedBoxDistance(u, v, 1.0f, 18.0f, 31.0f, 22.0f, 1.0f));
        const float cross = std::min(CapsuleDistance(u, v, 8.0f, 10.0f, 24.0f, 24.0f, 1.6f),
                                     CapsuleDistance(u, v, 8.0f, 24.0f, 24.0f, 10.0f, 1.6f));
        const float shape = std::min({posts, rails, cross});
        CVector3 fill = palette.wood;
        if (posts < 0.0f)
        {
            fill = palette.wood * 0.8f;
        }
        else if (cross < 0.0f)
        {
            fill = palette.accent * 0.9f;
        }
        return Outlined(shape, fill, kInk, 1.3f);
    });
}

// ---------------------------------------------------------------------------------------------------
// Tiles: 64 x 64, the object in the middle of the cell.

using TilePainter = std::function<Sample(float x, float y, const Palette& palette, bool variant)>;

Sample Stone(float d, const Palette& palette, float y, float middle)
{
    return Outlined(d, Shaded(palette.stone, y, middle), kInk, 1.5f);
}

Sample PathTile(float x, float y, const Palette& palette, bool)
{
    return Stone(EllipseDistance(x, y, 32.0f, 33.0f, 7.0f, 5.0f), palette, y, 32.0f);
}

// A tent with a pennant: the camp where the region is entered.
Sample StartTile(float x, float y, const Palette& palette, bool)
{
    const std::vector<CVector2> tent = {{32.0f, 16.0f}, {50.0f, 48.0f}, {14.0f, 48.0f}};
    const std::vector<CVector2> door = {{32.0f, 28.0f}, {38.0f, 48.0f}, {26.0f, 48.0f}};
    const std::vector<CVector2> pennant = {{33.0f, 6.0f}, {44.0f, 9.5f}, {33.0f, 13.0f}};
    const float pole = CapsuleDistance(x, y, 32.0f, 5.0f, 32.0f, 20.0f, 1.0f);
    if (PolygonDistance(x, y, door) < 0.0f)
    {
        return {Rgb(40, 28, 20), 1.0f};
    }
    if (PolygonDistance(x, y, pennant) < 0.0f)
    {
        return {palette.accent, 1.0f};
    }
    const float shape = std::min({PolygonDistance(x, y, tent), pole, PolygonDistance(x, y, pennant)});
    return Outlined(shape, x < 32.0f ? Rgb(226, 210, 170) : Rgb(190, 172, 132), kInk, 1.5f);
}

// A stone tablet with four blocks on it; solved, the blocks shine gold and a ring of light surrounds it.
Sample PuzzleTile(float x, float y, const Palette& palette, bool solved)
{
    const float slab = RoundedBoxDistance(x, y, 15.0f, 17.0f, 49.0f, 49.0f, 4.0f);
    if (solved && slab >= 1.5f && std::abs(CircleDistance(x, y, 32.0f, 33.0f, 26.0f)) < 2.0f)
    {
        return {Rgb(255, 226, 110), 0.9f};
    }
    for (int i = 0; i < 4; ++i)
    {
        const float bx = 20.0f + static_cast<float>(i % 2) * 13.0f;
        const float by = 22.0f + static_cast<float>(i / 2) * 13.0f;
        const float block = RoundedBoxDistance(x, y, bx, by, bx + 11.0f, by + 11.0f, 2.0f);
        if (block < 0.0f)
        {
            const CVector3 colour = solved ? Rgb(250, 200, 70) : (i == 1 ? palette.accent : Rgb(96, 110, 140));
            return {Shaded(colour, y, by + 4.0f), 1.0f};
        }
        if (block < 1.0f)
        {
            return {kInk, 1.0f};
        }
    }
    return Stone(slab, palette, y, 33.0f);
}

// A chest; opened, its lid stands up and it is empty.
Sample TreasureTile(float x, float y, const Palette& palette, bool opened)
{
    const float body = RoundedBoxDistance(x, y, 16.0f, 32.0f, 48.0f, 50.0f, 2.0f);
    if (opened)
    {
        const float lid = RoundedBoxDistance(x, y, 16.0f, 16.0f, 48.0f, 30.0f, 2.0f);
        const float inside = RoundedBoxDistance(x, y, 19.0f, 31.0f, 45.0f, 38.0f, 1.0f);
        if (inside < 0.0f)
        {
            return {Rgb(36, 22, 14), 1.0f};
        }
        return Outlined(std::min(body, lid), Shaded(palette.wood, y, 40.0f), kInk, 1.5f);
    }
    const float lid = RoundedBoxDistance(x, y, 16.0f, 24.0f, 48.0f, 34.0f, 5.0f);
    const float band = std::min(RoundedBoxDistance(x, y, 21.0f, 24.0f, 25.0f, 50.0f, 0.5f),
                                RoundedBoxDistance(x, y, 39.0f, 24.0f, 43.0f, 50.0f, 0.5f));
    const float clasp = RoundedBoxDistance(x, y, 29.0f, 31.0f, 35.0f, 38.0f, 1.0f);
    if (clasp < 0.0f || band < 0.0f)
    {
        return {Rgb(240, 196, 70), 1.0f};
    }
    return Outlined(std::min(body, lid), Shaded(palette.wood, y, 34.0f), kInk, 1.5f);
}

// A stone arch with a shut door; the lock markers hang across its middle.
Sample LockTile(float x, float y, const Palette& palette, bool)
{
    const float arch = std::max(RoundedBoxDistance(x, y, 10.0f, 12.0f, 54.0f, 54.0f, 3.0f),
                                -std::min(RoundedBoxDistance(x, y, 18.0f, 28.0f, 46.0f, 56.0f, 0.0f),
                                          CircleDistance(x, y, 32.0f, 28.0f, 14.0f)));
    const float door = std::min(RoundedBoxDistance(x, y, 18.0f, 28.0f, 46.0f, 54.0f, 0.0f),
                                CircleDistance(x, y, 32.0f, 28.0f, 14.0f));
    if (door < 0.0f && arch >= 0.0f)
    {
        const bool plank = static_cast<int>(x) % 7 == 0;
        return {plank ? palette.wood * 0.6f : palette.wood, 1.0f};
    }
    return Stone(std::min(arch, door), palette, y, 30.0f);
}

// A low pedestal under the key marker.
Sample KeyTile(float x, float y, const Palette& palette, bool)
{
    const float top = EllipseDistance(x, y, 32.0f, 42.0f, 14.0f, 5.0f);
    const float side = RoundedBoxDistance(x, y, 18.0f, 42.0f, 46.0f, 50.0f, 0.0f);
    const float base = EllipseDistance(x, y, 32.0f, 50.0f, 14.0f, 5.0f);
    if (top < 0.0f)
    {
        return {palette.stone * 1.2f, 1.0f};
    }
    return Stone(std::min({top, side, base}), palette, y, 100.0f);
}

// A glowing crystal obelisk.
Sample PylonTile(float x, float y, const Palette& palette, bool)
{
    const std::vector<CVector2> crystal = {{32.0f, 6.0f}, {41.0f, 18.0f}, {38.0f, 46.0f}, {26.0f, 46.0f}, {23.0f, 18.0f}};
    const float foot = RoundedBoxDistance(x, y, 20.0f, 44.0f, 44.0f, 54.0f, 2.0f);
    const float stone = PolygonDistance(x, y, crystal);
    if (stone < 0.0f)
    {
        const CVector3 glow = Rgb(90, 230, 215);
        return {x < 32.0f ? glow * 1.12f : glow * 0.72f, 1.0f};
    }
    if (foot < 0.0f && stone >= 1.4f)
    {
        return {Shaded(palette.stone, y, 49.0f), 1.0f};
    }
    return Outlined(std::min(stone, foot), palette.stone, kInk, 1.4f);
}

// A wooden lookout tower: four legs, a platform and a roof.
Sample LookoutTile(float x, float y, const Palette& palette, bool)
{
    const float legs = std::min(CapsuleDistance(x, y, 22.0f, 54.0f, 26.0f, 26.0f, 1.8f),
                                CapsuleDistance(x, y, 42.0f, 54.0f, 38.0f, 26.0f, 1.8f));
    const float brace = std::min(CapsuleDistance(x, y, 23.0f, 48.0f, 40.0f, 32.0f, 1.0f),
                                 CapsuleDistance(x, y, 41.0f, 48.0f, 24.0f, 32.0f, 1.0f));
    const float platform = RoundedBoxDistance(x, y, 18.0f, 22.0f, 46.0f, 27.0f, 1.0f);
    const std::vector<CVector2> roof = {{32.0f, 6.0f}, {48.0f, 17.0f}, {16.0f, 17.0f}};
    const float posts = std::min(CapsuleDistance(x, y, 20.0f, 17.0f, 20.0f, 22.0f, 1.0f),
                                 CapsuleDistance(x, y, 44.0f, 17.0f, 44.0f, 22.0f, 1.0f));
    if (PolygonDistance(x, y, roof) < 0.0f)
    {
        return {palette.accent, 1.0f};
    }
    return Outlined(std::min({legs, brace, platform, PolygonDistance(x, y, roof), posts}),
                    Shaded(palette.wood, y, 24.0f), kInk, 1.3f);
}

// A signpost pointing the way out.
Sample ExitTile(float x, float y, const Palette& palette, bool)
{
    const float post = RoundedBoxDistance(x, y, 30.0f, 16.0f, 34.0f, 54.0f, 1.0f);
    const std::vector<CVector2> sign = {{18.0f, 18.0f}, {42.0f, 18.0f}, {50.0f, 24.0f}, {42.0f, 30.0f}, {18.0f, 30.0f}};
    const float board = PolygonDistance(x, y, sign);
    if (board < 0.0f && std::abs(y - 24.0f) < 1.0f && x > 22.0f && x < 42.0f)
    {
        return {kInk, 1.0f};
    }
    if (board < 0.0f)
    {
        return {palette.accent, 1.0f};
    }
    return Outlined(std::min(post, board), palette.wood, kInk, 1.4f);
}

// A gate of gold bars; opened, the bars are gone and the arch stands empty. The coin and its number sit
// on the bottom rows.
Sample GoldGateTile(float x, float y, const Palette& palette, bool opened)
{
    const float arch = std::max(RoundedBoxDistance(x, y, 10.0f, 8.0f, 54.0f, 44.0f, 3.0f),
                                -std::min(RoundedBoxDistance(x, y, 17.0f, 22.0f, 47.0f, 46.0f, 0.0f),
                                          CircleDistance(x, y, 32.0f, 22.0f, 15.0f)));
    if (!opened && arch >= 0.0f)
    {
        for (int i = 0; i < 4; ++i)
        {
            const float bx = 21.0f + static_cast<float>(i) * 7.3f;
            const float bar = CapsuleDistance(x, y, bx, 12.0f, bx, 43.0f, 1.6f);
            if (bar < 1.0f)
            {
                return bar < 0.0f ? Sample{Shaded(Rgb(246, 198, 64), y, 26.0f), 1.0f} : Sample{kInk, 1.0f};
            }
        }
    }
    return Stone(arch, palette, y, 24.0f);
}

// A ramp down which the figure slides, its chevrons pointing the way (east, south, west or north).
Sample SlideTile(float x, float y, const Palette& palette, int direction)
{
    // Turn the point so the chevrons always point down in (u, v).
    float u = x;
    float v = y;
    switch (direction)
    {
    case 0: // north
        u = 64.0f - x;
        v = 64.0f - y;
        break;
    case 1: // east
        u = y;
        v = 64.0f - x;
        break;
    case 3: // west
        u = 64.0f - y;
        v = x;
        break;
    default:
        break;
    }
    const float ramp = RoundedBoxDistance(u, v, 18.0f, 10.0f, 46.0f, 54.0f, 6.0f);
    float chevrons = 1e9f;
    for (int i = 0; i < 3; ++i)
    {
        const float cy = 18.0f + static_cast<float>(i) * 12.0f;
        chevrons = std::min({chevrons, CapsuleDistance(u, v, 24.0f, cy, 32.0f, cy + 7.0f, 1.6f),
                             CapsuleDistance(u, v, 40.0f, cy, 32.0f, cy + 7.0f, 1.6f)});
    }
    if (chevrons < 0.0f)
    {
        return {palette.accent, 1.0f};
    }
    return Outlined(ramp, palette.roadEdge * 1.2f, kInk, 1.3f);
}

// A guardian statue on its plinth.
Sample StatueTile(float x, float y, const Palette& palette, bool)
{
    const float plinth = RoundedBoxDistance(x, y, 18.0f, 46.0f, 46.0f, 56.0f, 1.5f);
    const float body = std::min({CapsuleDistance(x, y, 32.0f, 24.0f, 32.0f, 44.0f, 7.0f),
                                 CircleDistance(x, y, 32.0f, 14.0f, 6.5f),
                                 CapsuleDistance(x, y, 24.0f, 26.0f, 20.0f, 40.0f, 2.5f),
                                 CapsuleDistance(x, y, 40.0f, 26.0f, 44.0f, 14.0f, 2.5f)});
    const float spear = CapsuleDistance(x, y, 44.0f, 6.0f, 44.0f, 46.0f, 1.0f);
    if (std::abs(x - 29.5f) < 1.2f && std::abs(y - 13.0f) < 1.2f)
    {
        return {palette.accent, 1.0f};
    }
    return Outlined(std::min({plinth, body, spear}), Shaded(Rgb(168, 160, 140), y, 30.0f), kInk, 1.4f);
}

// A stone altar with a flame on it.
Sample AltarTile(float x, float y, const Palette& palette, bool)
{
    const float table = std::min(RoundedBoxDistance(x, y, 14.0f, 32.0f, 50.0f, 38.0f, 1.5f),
                                 RoundedBoxDistance(x, y, 20.0f, 38.0f, 44.0f, 54.0f, 1.0f));
    const std::vector<CVector2> flame = {{32.0f, 10.0f}, {39.0f, 22.0f}, {37.0f, 31.0f}, {27.0f, 31.0f}, {25.0f, 22.0f}};
    const float fire = PolygonDistance(x, y, flame);
    if (fire < 0.0f)
    {
        return {y < 22.0f ? Rgb(255, 220, 90) : Rgb(240, 120, 40), 1.0f};
    }
    return Outlined(std::min(table, fire), Shaded(palette.stone, y, 40.0f), kInk, 1.4f);
}

// What stands on a tile of that base name; the bool is the variant ("_solved" or "_opened").
const TilePainter* PainterOf(const std::string& base)
{
    static const std::vector<std::pair<std::string, TilePainter>> painters = {
        {"path", PathTile},         {"start", StartTile},     {"puzzle", PuzzleTile},
        {"treasure", TreasureTile}, {"lock", LockTile},       {"key", KeyTile},
        {"pylon", PylonTile},       {"lookout", LookoutTile}, {"exit", ExitTile},
        {"goldgate", GoldGateTile}, {"statue", StatueTile},   {"altar", AltarTile},
    };
    for (const auto& [name, painter] : painters)
    {
        if (name == base)
        {
            return &painter;
        }
    }
    return nullptr;
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The direction a slide sends the figure, 0 north, 1 east, 2 south, 3 west: taken from the map's first
// cell with that tile, south when none says.
int SlideDirection(const CMap& map, const std::string& tile)
{
    for (int y = 0; y < map.GetSize().cy; ++y)
    {
        for (int x = 0; x < map.GetSize().cx; ++x)
        {
            const MapCell& cell = map.GetCell(x, y);
            if (cell.tile != tile)
            {
                continue;
            }
            switch (cell.GetAction())
            {
            case MapCell::ActionWalkNorth:
            case MapCell::ActionWalkNorth2:
                return 0;
            case MapCell::ActionWalkEast:
                return 1;
            case MapCell::ActionWalkWest:
                return 3;
            default:
                return 2;
            }
        }
    }
    return 2;
}

Picture TilePicture(const std::string& setting, const std::string& tile, int slideDirection)
{
    const Palette& palette = PaletteOf(setting);
    std::string base = tile;
    bool variant = false;
    for (const char* suffix : {"_solved", "_opened"})
    {
        if (EndsWith(tile, suffix))
        {
            base = tile.substr(0, tile.size() - std::string(suffix).size());
            variant = true;
        }
    }
    if (base == "slide")
    {
        return PaintSamples(Cell, Cell, [&](float x, float y) { return SlideTile(x, y, palette, slideDirection); });
    }
    const TilePainter* painter = PainterOf(base);
    if (painter == nullptr)
    {
        return Picture(0, 0);
    }
    return PaintSamples(Cell, Cell, [&](float x, float y) { return (*painter)(x, y, palette, variant); });
}

bool MakeFolder(const std::filesystem::path& folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
    {
        std::fprintf(stderr, "cannot make the folder %s: %s\n", folder.c_str(), error.message().c_str());
        return false;
    }
    return true;
}

} // namespace

const std::vector<std::string>& MapSettings()
{
    static const std::vector<std::string> settings = {"jungle", "swamp", "cave", "temple"};
    return settings;
}

std::unique_ptr<CEditableMap> BuildRegionMap(const std::string& setting)
{
    std::vector<std::string> levels;
    if (!ListRegionLevels(LevelSourceFolder(), setting, levels))
    {
        return nullptr;
    }
    return BuildMapFile(setting, levels, MapSourceFolder());
}

std::vector<std::string> MapTileFiles(const CMap& map)
{
    std::set<std::string> files;
    for (int y = 0; y < map.GetSize().cy; ++y)
    {
        for (int x = 0; x < map.GetSize().cx; ++x)
        {
            const MapCell& cell = map.GetCell(x, y);
            if (cell.tile == "empty" || cell.tile.empty())
            {
                continue;
            }
            files.insert(cell.tile);
            if (cell.HasPuzzle())
            {
                files.insert(cell.tile + "_solved");
            }
            if (cell.GetTreasure() != 0 || cell.goldreq > 0)
            {
                files.insert(cell.tile + "_opened");
            }
        }
    }
    return {files.begin(), files.end()};
}

std::vector<std::string> MapMoodNames(const CMap& map)
{
    std::set<std::string> names;
    for (int y = 0; y < map.GetSize().cy; ++y)
    {
        for (int x = 0; x < map.GetSize().cx; ++x)
        {
            if (!map.GetCell(x, y).moodimg.empty())
            {
                names.insert(map.GetCell(x, y).moodimg);
            }
        }
    }
    return {names.begin(), names.end()};
}

Picture MapTilePicture(const std::string& setting, const std::string& tile)
{
    return TilePicture(setting, tile, 2);
}

bool WriteMapArt(const std::string& media)
{
    bool written = true;
    for (const std::string& setting : MapSettings())
    {
        const std::unique_ptr<CEditableMap> map = BuildRegionMap(setting);
        const std::string folder = "interface/map/" + setting;
        if (map == nullptr || !MakeFolder(std::filesystem::path(media) / folder))
        {
            written = false;
            continue;
        }
        written = WritePngMediaFile(media, folder + "/map_" + setting + ".png", MapPicture(*map)) && written;
        const Palette& palette = PaletteOf(setting);
        written = WritePngMediaFile(media, folder + "/barrier.png", Barrier(palette, false)) && written;
        written = WritePngMediaFile(media, folder + "/barrierv.png", Barrier(palette, true)) && written;
        for (const std::string& tile : MapTileFiles(*map))
        {
            const std::string base = tile.substr(0, tile.find('_'));
            const Picture picture = TilePicture(setting, tile, SlideDirection(*map, base));
            if (picture.width == 0)
            {
                std::fprintf(stderr, "%s/%s.png: no picture is drawn for the tile \"%s\"\n", folder.c_str(),
                             tile.c_str(), tile.c_str());
                written = false;
                continue;
            }
            written = WritePngMediaFile(media, folder + "/" + tile + ".png", picture) && written;
        }
    }
    return written;
}

} // namespace MediaGen
