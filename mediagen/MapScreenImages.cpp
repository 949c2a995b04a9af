#include "mediagen/GameMedia.h"
#include "mediagen/Picture.h"
#include "mediagen/ShapeSampler.h"

#include "foundation/Rect.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace MediaGen
{

namespace
{

using BaseLib::CVector2;
using BaseLib::CVector3;

const CVector3 kInk = Rgb(20, 14, 8); // the dark outline of every icon
const CVector3 kGold = Rgb(250, 200, 70);
const CVector3 kSlate = Rgb(24, 32, 46);

// A fill lit from the top left: lighter towards the top of its box, darker towards the bottom.
CVector3 Lit(const CVector3& colour, float y, float top, float bottom)
{
    const float t = std::clamp((y - top) / (bottom - top), 0.0f, 1.0f);
    return colour * (1.25f - 0.5f * t);
}

// A key lying along the diagonal: the bow at the top left, the bit at the bottom right.
Picture KeyIcon(const CVector3& colour)
{
    return PaintSamples(36, 36, [&](float x, float y) {
        constexpr float kRoot = 0.70710678f;
        const float u = ((x - 10.0f) + (y - 10.0f)) * kRoot; // along the key
        const float v = ((x - 10.0f) - (y - 10.0f)) * kRoot; // across it
        const float bow = std::max(CircleDistance(u, v, 0.0f, 0.0f, 7.5f), -CircleDistance(u, v, 0.0f, 0.0f, 3.2f));
        const float shaft = CapsuleDistance(u, v, 6.0f, 0.0f, 26.0f, 0.0f, 2.3f);
        const float bit = std::min(RoundedBoxDistance(u, v, 19.0f, 0.0f, 22.5f, 7.0f, 0.8f),
                                   RoundedBoxDistance(u, v, 23.5f, 0.0f, 26.3f, 5.0f, 0.8f));
        const float key = std::min({bow, shaft, bit});
        return Outlined(key, Lit(colour, y, 2.0f, 34.0f), kInk, 1.6f);
    });
}

// A gold coin seen from above: a rim, a raised disc, and on a level coin a star.
Sample CoinSample(float x, float y, float cx, float cy, float radius, bool star)
{
    const float edge = CircleDistance(x, y, cx, cy, radius);
    if (edge >= 1.5f)
    {
        return {};
    }
    if (edge >= 0.0f)
    {
        return {kInk, 1.0f};
    }
    const CVector3 gold = Lit(kGold, y, cy - radius, cy + radius);
    if (edge > -2.5f)
    {
        return {gold * 0.78f, 1.0f};
    }
    if (star && StarDistance(x, y, cx, cy + 0.8f, radius * 0.68f, radius * 0.3f) < 0.0f)
    {
        return {Lit(Rgb(255, 236, 150), y, cy - radius, cy + radius), 1.0f};
    }
    return {gold, 1.0f};
}

Picture CoinIcon()
{
    return PaintSamples(36, 36, [](float x, float y) { return CoinSample(x, y, 18.0f, 18.0f, 15.5f, true); });
}

// A small heap: four coins lying one on the other and one standing against them.
Picture GoldIcon()
{
    Picture picture(40, 40);
    for (int i = 0; i < 4; ++i)
    {
        const float cy = 31.0f - static_cast<float>(i) * 4.5f;
        const float cx = 16.0f + (i % 2 == 0 ? 0.0f : 1.5f);
        PaintOver(picture, 0, 0, 40, 40, [&](float x, float y) {
            const float top = EllipseDistance(x, y, cx, cy - 2.0f, 12.0f, 4.5f);
            const float side = std::max(std::abs(x - cx) - 12.0f, std::abs(y - cy) - 2.0f);
            const float rim = std::min(side, EllipseDistance(x, y, cx, cy + 2.0f, 12.0f, 4.5f));
            if (top < 0.0f)
            {
                return Sample{top > -1.4f ? kGold * 0.8f : kGold * 1.1f, 1.0f};
            }
            return Outlined(std::min(top, rim), kGold * 0.7f, kInk, 1.3f);
        });
    }
    PaintOver(picture, 0, 0, 40, 40, [](float x, float y) { return CoinSample(x, y, 29.0f, 25.0f, 9.5f, false); });
    return picture;
}

// A glowing crystal obelisk on a dark foot.
Picture PylonIcon()
{
    const std::vector<CVector2> crystal = {{12.0f, 1.5f}, {19.5f, 11.0f}, {17.0f, 32.0f}, {7.0f, 32.0f}, {4.5f, 11.0f}};
    return PaintSamples(24, 40, [&](float x, float y) {
        const float foot = RoundedBoxDistance(x, y, 3.0f, 31.0f, 21.0f, 38.5f, 1.5f);
        const float stone = PolygonDistance(x, y, crystal);
        if (stone < 0.0f)
        {
            const CVector3 glow = Rgb(90, 230, 215);
            // The left face catches the light, the right lies in shade.
            const CVector3 face = x < 12.0f - (y - 11.0f) * 0.05f ? glow * 1.15f : glow * 0.72f;
            return Sample{y < 11.0f ? Mix(face, Rgb(235, 255, 250), 0.35f) : face, 1.0f};
        }
        if (foot < 0.0f && stone >= 1.4f)
        {
            return Sample{Lit(Rgb(92, 84, 96), y, 31.0f, 38.5f), 1.0f};
        }
        return Outlined(std::min(stone, foot), Rgb(92, 84, 96), kInk, 1.4f);
    });
}

// A dark slate panel with a gold rim and small diamonds at its corners, the frame of the dialogs; `hole`
// is a rectangle of the panel that shows black behind a thin gold line (the cut-scene's canvas), or empty.
Picture FramePicture(int width, int height, const BaseLib::CRect& hole, bool titleRule)
{
    const float w = static_cast<float>(width);
    const float h = static_cast<float>(height);
    return PaintSamples(width, height, [&](float x, float y) {
        const float outer = RoundedBoxDistance(x, y, 0.0f, 0.0f, w, h, 18.0f);
        if (outer >= 0.0f)
        {
            return Sample{};
        }
        if (outer > -3.0f)
        {
            return Sample{Lit(kGold, y, 0.0f, h), 1.0f};
        }
        if (outer > -4.5f)
        {
            return Sample{kInk, 1.0f};
        }
        // A thin gold line runs inside the rim.
        if (std::abs(outer + 9.0f) < 0.7f)
        {
            return Sample{kGold * 0.7f, 1.0f};
        }
        for (const float cx : {14.0f, w - 14.0f})
        {
            for (const float cy : {14.0f, h - 14.0f})
            {
                if (std::abs(x - cx) + std::abs(y - cy) < 5.5f)
                {
                    return Sample{kGold, 1.0f};
                }
            }
        }
        if (hole.right > hole.left)
        {
            const float left = static_cast<float>(hole.left);
            const float top = static_cast<float>(hole.top);
            const float right = static_cast<float>(hole.right);
            const float bottom = static_cast<float>(hole.bottom);
            const float inside = RoundedBoxDistance(x, y, left, top, right, bottom, 0.0f);
            if (inside < 0.0f)
            {
                return Sample{Rgb(8, 10, 14), 1.0f};
            }
            if (inside < 2.0f)
            {
                return Sample{kGold * 0.85f, 1.0f};
            }
        }
        if (titleRule && std::abs(y - 78.0f) < 0.8f && x > 70.0f && x < w - 70.0f)
        {
            return Sample{kGold * 0.8f, 1.0f};
        }
        // The body: slate, a little lighter at the top, with a faint diagonal sheen.
        const float t = y / h;
        const float sheen = 0.04f * std::sin((x + y) * 0.02f);
        return Sample{kSlate * (1.18f - 0.3f * t + sheen), 0.96f};
    });
}

enum class Region
{
    Jungle,
    Swamp,
    Cave,
    Temple,
    Locked
};

// The scene of a region's button, 240 × 150; the lowest 38 pixels are dimmed under the button's caption.
CVector3 RegionScene(Region region, float x, float y)
{
    switch (region)
    {
    case Region::Jungle: {
        CVector3 colour = Mix(Rgb(250, 236, 160), Rgb(140, 200, 120), y / 80.0f);
        // Two ridges of forest, the nearer one darker.
        const float far = 62.0f + 10.0f * std::sin(x * 0.045f) + 5.0f * std::sin(x * 0.13f + 1.0f);
        const float near = 92.0f + 12.0f * std::sin(x * 0.03f + 2.0f) + 6.0f * std::sin(x * 0.11f);
        if (y > far)
        {
            colour = Rgb(70, 130, 60);
        }
        if (y > near)
        {
            colour = Rgb(34, 86, 38);
        }
        // A palm: a leaning trunk and a crown of leaves.
        const float trunk = CapsuleDistance(x, y, 186.0f, 140.0f, 170.0f, 44.0f, 3.0f);
        if (trunk < 0.0f)
        {
            colour = Rgb(110, 78, 44);
        }
        // Each leaf arches out of the crown and droops towards its tip, in three tapering pieces.
        for (int leaf = 0; leaf < 7; ++leaf)
        {
            const float spread = (static_cast<float>(leaf) - 3.0f) / 3.0f; // -1 far left to 1 far right
            float px = 170.0f;
            float py = 44.0f;
            for (int piece = 1; piece <= 3; ++piece)
            {
                const float t = static_cast<float>(piece) / 3.0f;
                const float nx = 170.0f + 44.0f * spread * t;
                const float ny = 44.0f - 18.0f * t * (1.0f - std::abs(spread)) - 10.0f * t +
                                 34.0f * t * t * std::abs(spread);
                if (CapsuleDistance(x, y, px, py, nx, ny, 4.2f - 1.2f * t) < 0.0f)
                {
                    colour = leaf % 2 == 0 ? Rgb(40, 120, 44) : Rgb(52, 140, 50);
                }
                px = nx;
                py = ny;
            }
        }
        return colour;
    }
    case Region::Swamp: {
        CVector3 colour = Mix(Rgb(180, 196, 170), Rgb(90, 120, 100), y / 80.0f);
        if (y > 84.0f)
        {
            // Still water with light ripples.
            colour = Mix(Rgb(60, 92, 80), Rgb(30, 52, 48), (y - 84.0f) / 66.0f);
            if (std::abs(std::sin(y * 0.9f + std::sin(x * 0.05f) * 2.0f)) > 0.96f)
            {
                colour = colour * 1.35f;
            }
        }
        // A dead tree on a mound and a stand of reeds.
        if (EllipseDistance(x, y, 70.0f, 88.0f, 46.0f, 9.0f) < 0.0f)
        {
            colour = Rgb(70, 66, 44);
        }
        const float tree = std::min({CapsuleDistance(x, y, 70.0f, 86.0f, 66.0f, 30.0f, 3.5f),
                                     CapsuleDistance(x, y, 67.0f, 50.0f, 44.0f, 30.0f, 2.0f),
                                     CapsuleDistance(x, y, 67.0f, 42.0f, 88.0f, 22.0f, 2.0f)});
        if (tree < 0.0f)
        {
            colour = Rgb(62, 54, 44);
        }
        for (int reed = 0; reed < 7; ++reed)
        {
            const float rx = 160.0f + static_cast<float>(reed) * 7.0f;
            if (CapsuleDistance(x, y, rx, 112.0f, rx + static_cast<float>(reed % 3) * 2.0f - 2.0f,
                                66.0f + static_cast<float>(reed * 5 % 17), 1.3f) < 0.0f)
            {
                colour = Rgb(120, 130, 60);
            }
        }
        return colour;
    }
    case Region::Cave: {
        CVector3 colour = Mix(Rgb(60, 48, 70), Rgb(24, 18, 30), std::abs(x - 120.0f) / 120.0f);
        // Stalactites from the roof, stalagmites from the floor.
        for (int i = 0; i < 9; ++i)
        {
            const float cx = 12.0f + static_cast<float>(i) * 27.0f;
            const float length = 26.0f + static_cast<float>((i * 37) % 23);
            const std::vector<CVector2> down = {{cx - 8.0f, 0.0f}, {cx + 8.0f, 0.0f}, {cx, length}};
            const std::vector<CVector2> up = {{cx + 5.0f, 150.0f}, {cx + 19.0f, 150.0f}, {cx + 12.0f, 150.0f - length}};
            if (PolygonDistance(x, y, down) < 0.0f || PolygonDistance(x, y, up) < 0.0f)
            {
                colour = Rgb(88, 74, 84);
            }
        }
        // A glowing crystal in the middle, and its light around it.
        const std::vector<CVector2> crystal = {{120.0f, 46.0f}, {134.0f, 74.0f}, {120.0f, 104.0f}, {106.0f, 74.0f}};
        const float glow = std::max(0.0f, 1.0f - CircleDistance(x, y, 120.0f, 74.0f, 0.0f) / 70.0f);
        colour = colour + Rgb(80, 180, 200) * (glow * glow * 0.6f);
        if (PolygonDistance(x, y, crystal) < 0.0f)
        {
            colour = x < 120.0f ? Rgb(170, 250, 255) : Rgb(90, 200, 220);
        }
        return colour;
    }
    case Region::Temple: {
        CVector3 colour = Mix(Rgb(255, 200, 120), Rgb(220, 110, 80), y / 110.0f);
        if (CircleDistance(x, y, 60.0f, 40.0f, 16.0f) < 0.0f)
        {
            colour = Rgb(255, 240, 180);
        }
        // A stepped pyramid of five tiers with a shrine on top.
        for (int tier = 0; tier < 5; ++tier)
        {
            const float half = 92.0f - static_cast<float>(tier) * 16.0f;
            const float bottom = 150.0f - static_cast<float>(tier) * 18.0f;
            if (std::abs(x - 140.0f) < half && y > bottom - 18.0f && y <= bottom)
            {
                colour = Lit(Rgb(214, 176, 112), y, bottom - 18.0f, bottom);
            }
        }
        if (std::abs(x - 140.0f) < 14.0f && y > 42.0f && y <= 60.0f)
        {
            colour = std::abs(x - 140.0f) < 5.0f && y > 48.0f ? Rgb(60, 40, 30) : Rgb(200, 160, 100);
        }
        return colour;
    }
    case Region::Locked: {
        // Grey fog with a padlock in the middle.
        CVector3 colour = Mix(Rgb(90, 96, 104), Rgb(50, 54, 60), y / 150.0f);
        const float shackle = std::max(std::abs(CircleDistance(x, y, 120.0f, 58.0f, 12.0f)) - 3.0f, y - 66.0f);
        const float body = RoundedBoxDistance(x, y, 102.0f, 62.0f, 138.0f, 94.0f, 4.0f);
        const float hole = std::min(CircleDistance(x, y, 120.0f, 74.0f, 3.5f), RoundedBoxDistance(x, y, 118.5f, 74.0f, 121.5f, 84.0f, 1.0f));
        if (std::min(shackle, body) < 0.0f)
        {
            colour = body < 0.0f && hole >= 0.0f ? Lit(Rgb(170, 160, 140), y, 62.0f, 94.0f) : Rgb(150, 150, 156);
            if (body < 0.0f && hole < 0.0f)
            {
                colour = Rgb(30, 30, 34);
            }
        }
        else if (std::min(shackle, body) < 1.5f)
        {
            colour = kInk;
        }
        return colour;
    }
    }
    return {};
}

enum class State
{
    Normal,
    Down,
    Over
};

// A region's button face: its scene in a rounded gold frame, lighter under the mouse, darker and one pixel
// lower while pressed, the caption's strip at the bottom darkened.
Picture RegionPicture(Region region, State state)
{
    return PaintSamples(240, 150, [=](float x, float y) {
        const float frame = RoundedBoxDistance(x, y, 0.0f, 0.0f, 240.0f, 150.0f, 12.0f);
        if (frame >= 0.0f)
        {
            return Sample{};
        }
        if (frame > -3.0f)
        {
            return Sample{state == State::Over ? Rgb(255, 236, 170) : kGold * (state == State::Down ? 0.8f : 1.0f), 1.0f};
        }
        if (frame > -4.2f)
        {
            return Sample{kInk, 1.0f};
        }
        const float shift = state == State::Down ? 1.0f : 0.0f;
        CVector3 colour = RegionScene(region, x, y - shift);
        if (y > 112.0f)
        {
            colour = Mix(colour, Rgb(10, 12, 16), 0.6f);
        }
        const float light = state == State::Over ? 1.15f : state == State::Down ? 0.8f : 1.0f;
        return Sample{colour * light, 1.0f};
    });
}

} // namespace

bool WriteMapScreenImages(const std::string& media)
{
    const std::string folder = "interface/mapscreen/";
    bool written = true;
    auto write = [&](const std::string& name, const Picture& picture) {
        written = WritePngMediaFile(media, folder + name, picture) && written;
    };
    write("key_yellow.png", KeyIcon(Rgb(250, 208, 50)));
    write("key_red.png", KeyIcon(Rgb(226, 64, 52)));
    write("key_blue.png", KeyIcon(Rgb(66, 128, 236)));
    write("gold.png", GoldIcon());
    write("coin.png", CoinIcon());
    write("pylon.png", PylonIcon());
    write("dialog_frame.png", FramePicture(600, 440, BaseLib::CRect(), true));
    write("cutscene_frame.png", FramePicture(560, 484, BaseLib::CRect(24, 24, 536, 408), false));
    const std::pair<Region, const char*> regions[] = {
        {Region::Jungle, "jungle"}, {Region::Swamp, "swamp"}, {Region::Cave, "cave"}, {Region::Temple, "temple"}};
    for (const auto& [region, name] : regions)
    {
        const std::string stem = std::string("region_") + name;
        write(stem + ".png", RegionPicture(region, State::Normal));
        write(stem + "_down.png", RegionPicture(region, State::Down));
        write(stem + "_over.png", RegionPicture(region, State::Over));
    }
    write("region_locked.png", RegionPicture(Region::Locked, State::Normal));
    return written;
}

} // namespace MediaGen
