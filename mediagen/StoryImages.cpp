// The pictures of the story's cut-scenes (interface/sequences/<region>/<scene>.png): one scene of the
// four regions per picture, drawn on the cut-scene canvas of 512 x 384 (the jungle's arrival is wider and
// glides). The speech box covers the canvas from y = 250 down, so the people stand above it: the
// mapmaker Wren on the left, the one she speaks with on the right. Colours are kept to steps of four, so
// the large even areas pack small.

#include "mediagen/GameMedia.h"
#include "mediagen/Picture.h"
#include "mediagen/ShapeSampler.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <functional>
#include <system_error>

namespace MediaGen
{

namespace
{

using BaseLib::CVector2;
using BaseLib::CVector3;

const CVector3 kInk = Rgb(28, 20, 16);

// What a painter holds for one sample: the colour so far, each shape laid over it in turn.
struct Brush
{
    float x;
    float y;
    CVector3 colour = {0.0f, 0.0f, 0.0f};

    void Fill(float distance, const CVector3& fill)
    {
        if (distance < 0.0f)
        {
            colour = fill;
        }
    }
    // A fill with a dark outline of `width` pixels around it.
    void Shape(float distance, const CVector3& fill, float width = 1.4f)
    {
        if (distance < 0.0f)
        {
            colour = fill;
        }
        else if (distance < width)
        {
            colour = kInk;
        }
    }
    // Light added around a shape, falling off to nothing at `radius` pixels from its edge.
    void Glow(float distance, const CVector3& light, float radius)
    {
        if (distance < radius)
        {
            const float t = 1.0f - std::max(distance, 0.0f) / radius;
            colour = colour + light * (t * t);
        }
    }
};

using Painter = std::function<void(Brush&)>;

float Clamp01(float v)
{
    return std::clamp(v, 0.0f, 1.0f);
}

// Each channel kept to a step of four.
CVector3 Stepped(const CVector3& colour)
{
    auto step = [](float v) { return std::round(Clamp01(v) * 255.0f / 4.0f) * 4.0f / 255.0f; };
    return {step(colour.x), step(colour.y), step(colour.z)};
}

Picture Paint(int width, int height, const Painter& painter)
{
    return PaintSamples(width, height, [&](float x, float y) {
        Brush brush{x, y};
        painter(brush);
        return Sample{Stepped(brush.colour), 1.0f};
    });
}

CVector3 Vertical(float y, float top, float bottom, const CVector3& a, const CVector3& b)
{
    return Mix(a, b, Clamp01((y - top) / (bottom - top)));
}

// The height of a line of hills at x: a base line and three waves of falling size.
float Ridge(float x, float base, float amplitude, float phase)
{
    return base + amplitude * (0.6f * std::sin(x * 0.013f + phase) + 0.3f * std::sin(x * 0.037f + 2.0f * phase) +
                               0.1f * std::sin(x * 0.09f + 3.0f * phase));
}

// Water below `top`: darker with depth, with light ripple lines.
void Water(Brush& b, float top, const CVector3& near, const CVector3& far)
{
    if (b.y < top)
    {
        return;
    }
    b.colour = Vertical(b.y, top, top + 160.0f, far, near);
    const float ripple = std::sin((b.y - top) * 0.5f * (1.0f + (b.y - top) / 80.0f) + std::sin(b.x * 0.02f) * 2.0f);
    if (ripple > 0.96f && std::sin(b.x * 0.05f + b.y) > -0.2f)
    {
        b.colour = b.colour * 1.3f;
    }
}

// A palm whose trunk leans from its foot to its crown, with seven drooping leaves.
void Palm(Brush& b, float footX, float footY, float crownX, float crownY, float size)
{
    if (b.x < crownX - 3.2f * size || b.x > crownX + 3.2f * size || b.y < crownY - 1.6f * size ||
        b.y > footY + 4.0f)
    {
        return;
    }
    b.Shape(CapsuleDistance(b.x, b.y, footX, footY, crownX, crownY, size * 0.12f), Rgb(112, 80, 48), 1.2f);
    for (int leaf = 0; leaf < 7; ++leaf)
    {
        const float spread = (static_cast<float>(leaf) - 3.0f) / 3.0f;
        float px = crownX;
        float py = crownY;
        for (int piece = 1; piece <= 3; ++piece)
        {
            const float t = static_cast<float>(piece) / 3.0f;
            const float nx = crownX + 2.4f * size * spread * t;
            const float ny = crownY - size * (0.9f * t * (1.0f - std::abs(spread)) + 0.4f * t) +
                             1.8f * size * t * t * std::abs(spread);
            b.Shape(CapsuleDistance(b.x, b.y, px, py, nx, ny, size * (0.2f - 0.05f * t)),
                    leaf % 2 == 0 ? Rgb(40, 116, 44) : Rgb(56, 140, 52), 1.0f);
            px = nx;
            py = ny;
        }
    }
}

// A bare tree of the swamp: a trunk and four crooked branches.
void DeadTree(Brush& b, float footX, float footY, float size)
{
    if (std::abs(b.x - footX) > 1.4f * size || b.y < footY - 2.2f * size || b.y > footY + 3.0f)
    {
        return;
    }
    const float s = size;
    const float d = std::min({CapsuleDistance(b.x, b.y, footX, footY, footX - 0.1f * s, footY - 1.6f * s, 0.1f * s),
                              CapsuleDistance(b.x, b.y, footX - 0.05f * s, footY - 1.0f * s, footX - 0.7f * s,
                                              footY - 1.5f * s, 0.05f * s),
                              CapsuleDistance(b.x, b.y, footX - 0.08f * s, footY - 1.3f * s, footX + 0.6f * s,
                                              footY - 1.9f * s, 0.045f * s),
                              CapsuleDistance(b.x, b.y, footX - 0.7f * s, footY - 1.5f * s, footX - 1.0f * s,
                                              footY - 2.0f * s, 0.03f * s),
                              CapsuleDistance(b.x, b.y, footX - 0.1f * s, footY - 1.6f * s, footX - 0.2f * s,
                                              footY - 2.1f * s, 0.04f * s)});
    b.Fill(d, Rgb(60, 56, 48));
}

// A stand of reeds between x0 and x1 growing from y.
void Reeds(Brush& b, float x0, float x1, float ground, float height)
{
    if (b.x < x0 - 4.0f || b.x > x1 + 8.0f || b.y > ground + 2.0f || b.y < ground - height - 10.0f)
    {
        return;
    }
    for (int reed = 0; x0 + static_cast<float>(reed) * 6.0f <= x1; ++reed)
    {
        const float rx = x0 + static_cast<float>(reed) * 6.0f;
        const float top = ground - height * (0.7f + 0.3f * std::abs(std::sin(static_cast<float>(reed) * 1.7f)));
        const float lean = static_cast<float>(reed % 3) * 3.0f - 3.0f;
        b.Fill(CapsuleDistance(b.x, b.y, rx, ground, rx + lean, top, 1.2f), Rgb(118, 128, 60));
        if (reed % 2 == 0)
        {
            b.Fill(CapsuleDistance(b.x, b.y, rx + lean, top + 8.0f, rx + lean, top + 20.0f, 2.4f), Rgb(96, 64, 40));
        }
    }
}

// A pylon: a tall crystal on a dark foot, glowing when lit.
void Pylon(Brush& b, float x, float foot, float height, bool lit)
{
    const float crystal = PolygonDistance(b.x, b.y,
                                          {{x, foot - height}, {x + height * 0.16f, foot - height * 0.55f},
                                           {x, foot - height * 0.18f}, {x - height * 0.16f, foot - height * 0.55f}});
    if (lit)
    {
        b.Glow(crystal, Rgb(60, 100, 120), height * 0.6f);
    }
    b.Shape(RoundedBoxDistance(b.x, b.y, x - height * 0.14f, foot - height * 0.2f, x + height * 0.14f, foot, 2.0f),
            Rgb(70, 64, 72));
    b.Shape(crystal, lit ? (b.x < x ? Rgb(220, 250, 255) : Rgb(130, 210, 240)) : (b.x < x ? Rgb(96, 110, 124) : Rgb(72, 84, 96)));
}

// A stepped temple of five tiers with a shrine, its doorway dark or shining.
void Temple(Brush& b, float cx, float base, float scale, const CVector3& stone, bool lit)
{
    for (int tier = 0; tier < 5; ++tier)
    {
        const float half = (92.0f - static_cast<float>(tier) * 16.0f) * scale;
        const float bottom = base - static_cast<float>(tier) * 18.0f * scale;
        b.Shape(RoundedBoxDistance(b.x, b.y, cx - half, bottom - 18.0f * scale, cx + half, bottom, 1.0f),
                Vertical(b.y, bottom - 18.0f * scale, bottom, stone * 1.1f, stone * 0.8f), 1.0f);
    }
    const float top = base - 90.0f * scale;
    b.Shape(RoundedBoxDistance(b.x, b.y, cx - 14.0f * scale, top - 20.0f * scale, cx + 14.0f * scale, top, 1.0f),
            stone, 1.0f);
    const float door = RoundedBoxDistance(b.x, b.y, cx - 6.0f * scale, top - 14.0f * scale, cx + 6.0f * scale, top, 2.0f);
    if (lit)
    {
        b.Glow(door, Rgb(110, 90, 40), 40.0f * scale);
    }
    b.Fill(door, lit ? Rgb(255, 244, 190) : Rgb(40, 28, 24));
    // The stair up the front.
    if (std::abs(b.x - cx) < 10.0f * scale && b.y > top && b.y < base &&
        std::fmod(b.y - top, 6.0f * scale) < 1.2f * scale)
    {
        b.colour = stone * 0.6f;
    }
}

enum class Hat
{
    Explorer, // a brimmed hat with a crown
    Straw,    // a wide flat brim over a low cone
    Scarf,    // a head scarf
    Helmet,   // a miner's helmet with a lamp
};

// One of the story's people, standing on `ground`, `scale` 1 about 100 pixels tall, looking to the right
// (facing 1) or to the left (-1).
struct Person
{
    float x;
    float ground;
    float scale;
    float facing;
    CVector3 coat;
    CVector3 legs;
    Hat hat;
    CVector3 hatColour;
    bool pack = false; // a backpack behind
    bool lamp = false; // a lamp held out in front, glowing
};

const CVector3 kSkin = Rgb(232, 188, 148);

void PaintPerson(Brush& b, const Person& p)
{
    const float s = p.scale;
    const float f = p.facing;
    const float g = p.ground;
    const float x = p.x;
    if (p.lamp)
    {
        b.Glow(CircleDistance(b.x, b.y, x + f * 26.0f * s, g - 40.0f * s, 5.0f * s), Rgb(120, 100, 40), 70.0f * s);
    }
    if (std::abs(b.x - x) > 40.0f * s || b.y < g - 100.0f * s || b.y > g + 3.0f)
    {
        return;
    }
    const float legA = CapsuleDistance(b.x, b.y, x - 5.0f * s, g - 3.0f * s, x - 4.0f * s, g - 30.0f * s, 4.2f * s);
    const float legB = CapsuleDistance(b.x, b.y, x + 5.0f * s, g - 3.0f * s, x + 4.0f * s, g - 30.0f * s, 4.2f * s);
    const float body = RoundedBoxDistance(b.x, b.y, x - 11.0f * s, g - 62.0f * s, x + 11.0f * s, g - 24.0f * s, 6.0f * s);
    const float armFront = CapsuleDistance(b.x, b.y, x + f * 8.0f * s, g - 56.0f * s, x + f * 22.0f * s, g - 40.0f * s, 3.6f * s);
    const float armBack = CapsuleDistance(b.x, b.y, x - f * 8.0f * s, g - 56.0f * s, x - f * 12.0f * s, g - 34.0f * s, 3.6f * s);
    const float hand = CircleDistance(b.x, b.y, x + f * 23.0f * s, g - 39.0f * s, 3.4f * s);
    const float head = CircleDistance(b.x, b.y, x + f * 1.5f * s, g - 72.0f * s, 9.5f * s);
    const float pack = p.pack ? RoundedBoxDistance(b.x, b.y, std::min(x - f * 10.0f * s, x - f * 21.0f * s), g - 60.0f * s,
                                                   std::max(x - f * 10.0f * s, x - f * 21.0f * s), g - 32.0f * s, 4.0f * s)
                              : 1e9f;
    float hat = 1e9f;
    float hatTrim = 1e9f;
    switch (p.hat)
    {
    case Hat::Explorer:
        hat = std::min(EllipseDistance(b.x, b.y, x + f * 1.5f * s, g - 79.0f * s, 16.0f * s, 3.2f * s),
                       RoundedBoxDistance(b.x, b.y, x - 7.5f * s, g - 92.0f * s, x + 10.5f * s, g - 79.0f * s, 4.0f * s));
        hatTrim = RoundedBoxDistance(b.x, b.y, x - 7.5f * s, g - 84.0f * s, x + 10.5f * s, g - 81.0f * s, 0.5f * s);
        break;
    case Hat::Straw:
        hat = std::min(EllipseDistance(b.x, b.y, x + f * 1.5f * s, g - 80.0f * s, 22.0f * s, 3.0f * s),
                       PolygonDistance(b.x, b.y, {{x - 10.0f * s, g - 80.0f * s}, {x + f * 1.5f * s, g - 93.0f * s},
                                                  {x + 13.0f * s, g - 80.0f * s}}));
        break;
    case Hat::Scarf:
        hat = std::max(CircleDistance(b.x, b.y, x + f * 1.5f * s, g - 73.0f * s, 12.0f * s),
                       -CircleDistance(b.x, b.y, x + f * 5.5f * s, g - 70.0f * s, 8.0f * s));
        break;
    case Hat::Helmet:
        hat = std::max(CircleDistance(b.x, b.y, x + f * 1.5f * s, g - 76.0f * s, 11.5f * s), b.y - (g - 76.0f * s));
        hatTrim = CircleDistance(b.x, b.y, x + f * 9.0f * s, g - 82.0f * s, 3.0f * s);
        break;
    }
    const float all = std::min({legA, legB, body, armFront, armBack, hand, head, pack, hat, hatTrim});
    b.Shape(all, p.coat);
    b.Fill(pack, Rgb(132, 92, 52));
    b.Fill(std::min(legA, legB), p.legs);
    b.Fill(armBack, p.coat * 0.85f);
    b.Fill(body, Vertical(b.y, g - 62.0f * s, g - 24.0f * s, p.coat * 1.1f, p.coat * 0.85f));
    b.Fill(RoundedBoxDistance(b.x, b.y, x - 11.0f * s, g - 36.0f * s, x + 11.0f * s, g - 33.0f * s, 0.5f * s), p.legs * 0.7f);
    b.Fill(head, kSkin);
    b.Fill(CircleDistance(b.x, b.y, x + f * 6.0f * s, g - 73.0f * s, 1.3f * s), kInk);
    b.Fill(armFront, p.coat * 0.95f);
    b.Fill(hand, kSkin);
    b.Fill(hat, p.hatColour);
    b.Fill(hatTrim, p.hat == Hat::Helmet ? Rgb(255, 240, 170) : p.hatColour * 0.6f);
    if (p.lamp)
    {
        b.Shape(RoundedBoxDistance(b.x, b.y, x + f * 26.0f * s - 4.0f * s, g - 46.0f * s, x + f * 26.0f * s + 4.0f * s,
                                   g - 34.0f * s, 1.5f * s),
                Rgb(255, 226, 120), 1.0f);
    }
}

// The cast: Wren, and the people she meets.
Person Wren(float x, float ground, float scale = 1.0f)
{
    return {x, ground, scale, 1.0f, Rgb(48, 108, 140), Rgb(92, 72, 52), Hat::Explorer, Rgb(192, 152, 92), true};
}
Person Pell(float x, float ground, float scale = 1.0f)
{
    return {x, ground, scale, -1.0f, Rgb(152, 72, 52), Rgb(60, 56, 64), Hat::Straw, Rgb(224, 196, 112)};
}
Person Ola(float x, float ground, float scale = 1.0f)
{
    return {x, ground, scale, -1.0f, Rgb(92, 120, 72), Rgb(80, 64, 48), Hat::Scarf, Rgb(164, 60, 60)};
}
Person Tolly(float x, float ground, float scale = 1.0f)
{
    return {x, ground, scale, -1.0f, Rgb(112, 100, 88), Rgb(64, 60, 56), Hat::Helmet, Rgb(220, 176, 40)};
}

// ---- The jungle ----

const CVector3 kJungleSky = Rgb(252, 232, 164);
const CVector3 kJungleHaze = Rgb(150, 204, 132);

void JungleBackdrop(Brush& b, float waterTop)
{
    b.colour = Vertical(b.y, 0.0f, waterTop, kJungleSky, kJungleHaze);
    if (b.y > Ridge(b.x, waterTop - 60.0f, 18.0f, 0.5f))
    {
        b.colour = Rgb(76, 136, 64);
    }
    if (b.y > Ridge(b.x + 300.0f, waterTop - 22.0f, 14.0f, 2.0f))
    {
        b.colour = Rgb(40, 92, 44);
    }
}

// The landing on the river, twice as wide as the canvas: the boat comes in on the left, the people wait
// on the sand to the right.
void JungleArrival(Brush& b)
{
    JungleBackdrop(b, 200.0f);
    Water(b, 200.0f, Rgb(40, 84, 84), Rgb(92, 144, 132));
    // The sandy bank of the landing.
    const float bank = 236.0f - 60.0f * Clamp01((b.x - 330.0f) / 260.0f);
    if (b.x > 330.0f && b.y > bank)
    {
        b.colour = Vertical(b.y, bank, 384.0f, Rgb(224, 196, 140), Rgb(180, 150, 100));
    }
    Palm(b, 620.0f, 200.0f, 600.0f, 70.0f, 40.0f);
    Palm(b, 720.0f, 190.0f, 745.0f, 60.0f, 44.0f);
    Palm(b, 80.0f, 196.0f, 100.0f, 90.0f, 34.0f);
    // The boat drawn up by the bank, and a mooring post.
    b.Shape(std::max(EllipseDistance(b.x, b.y, 250.0f, 228.0f, 70.0f, 20.0f), 222.0f - b.y), Rgb(120, 80, 48));
    b.Fill(RoundedBoxDistance(b.x, b.y, 190.0f, 222.0f, 310.0f, 226.0f, 1.0f), Rgb(160, 112, 64));
    b.Shape(RoundedBoxDistance(b.x, b.y, 336.0f, 196.0f, 343.0f, 234.0f, 2.0f), Rgb(110, 80, 52));
    // Seen at the end of the glide, the canvas showing x 256 to 768.
    PaintPerson(b, Wren(256.0f + 110.0f, 240.0f, 1.1f));
    PaintPerson(b, Pell(256.0f + 400.0f, 240.0f, 1.1f));
}

void JungleLookout(Brush& b)
{
    b.colour = Vertical(b.y, 0.0f, 170.0f, Rgb(176, 216, 240), kJungleSky);
    if (b.y > Ridge(b.x, 120.0f, 10.0f, 1.0f))
    {
        b.colour = Rgb(120, 170, 110);
    }
    // The river winding away east towards the ruins, seen from above.
    const float river = 150.0f + 30.0f * std::sin(b.x * 0.015f) + (b.x - 256.0f) * 0.08f;
    if (b.y > 130.0f)
    {
        b.colour = Vertical(b.y, 130.0f, 384.0f, Rgb(88, 150, 80), Rgb(40, 96, 44));
        const float width = 4.0f + (b.y - 130.0f) * 0.12f;
        if (std::abs(b.x - 256.0f - (b.y - river) * 1.6f) < width * 3.0f)
        {
            b.colour = Rgb(96, 148, 140);
        }
    }
    // The ruins far off, and the gold gate glinting on the way to them.
    Temple(b, 400.0f, 134.0f, 0.25f, Rgb(176, 170, 140), false);
    b.Glow(CircleDistance(b.x, b.y, 350.0f, 140.0f, 3.0f), Rgb(255, 220, 90), 16.0f);
    b.Shape(RoundedBoxDistance(b.x, b.y, 346.0f, 134.0f, 354.0f, 144.0f, 1.0f), Rgb(250, 206, 70), 1.0f);
    // The rock Wren stands on.
    b.Shape(std::max(EllipseDistance(b.x, b.y, 90.0f, 280.0f, 120.0f, 44.0f), 0.0f), Rgb(132, 122, 104));
    Palm(b, 470.0f, 250.0f, 440.0f, 110.0f, 36.0f);
    PaintPerson(b, Wren(100.0f, 244.0f, 1.1f));
}

void JungleIdol(Brush& b)
{
    b.colour = Vertical(b.y, 0.0f, 240.0f, Rgb(60, 110, 60), Rgb(30, 70, 36));
    // Shafts of light through the leaves.
    if (std::fmod(b.x + b.y * 0.4f, 90.0f) < 18.0f)
    {
        b.colour = b.colour * 1.2f;
    }
    // The idol: a great stone head on a plinth, its eyes alight, a ring of eight lights carved on its brow.
    const float head = RoundedBoxDistance(b.x, b.y, 250.0f, 40.0f, 410.0f, 230.0f, 26.0f);
    b.Shape(head, Vertical(b.y, 40.0f, 230.0f, Rgb(168, 160, 136), Rgb(104, 100, 84)), 2.0f);
    b.Fill(RoundedBoxDistance(b.x, b.y, 270.0f, 190.0f, 390.0f, 204.0f, 4.0f), Rgb(80, 74, 64));
    b.Fill(PolygonDistance(b.x, b.y, {{330.0f, 120.0f}, {344.0f, 168.0f}, {316.0f, 168.0f}}), Rgb(124, 118, 100));
    for (const float ex : {290.0f, 370.0f})
    {
        b.Glow(EllipseDistance(b.x, b.y, ex, 116.0f, 16.0f, 8.0f), Rgb(255, 190, 60), 24.0f);
        b.Shape(EllipseDistance(b.x, b.y, ex, 116.0f, 16.0f, 8.0f), Rgb(255, 226, 120));
    }
    for (int i = 0; i < 8; ++i)
    {
        const float angle = static_cast<float>(i) * 0.785398f;
        b.Shape(CircleDistance(b.x, b.y, 330.0f + 34.0f * std::cos(angle), 70.0f + 12.0f * std::sin(angle), 3.0f),
                Rgb(140, 220, 255), 1.0f);
    }
    // Ferns at its foot.
    for (int i = 0; i < 9; ++i)
    {
        const float fx = 190.0f + static_cast<float>(i) * 40.0f;
        b.Fill(EllipseDistance(b.x, b.y, fx, 236.0f, 30.0f, 12.0f), i % 2 == 0 ? Rgb(52, 128, 52) : Rgb(40, 106, 44));
    }
    if (b.y > 240.0f)
    {
        b.colour = Rgb(48, 80, 40);
    }
    PaintPerson(b, Wren(100.0f, 244.0f, 1.1f));
}

void JungleGate(Brush& b)
{
    b.colour = Vertical(b.y, 0.0f, 240.0f, Rgb(84, 140, 80), Rgb(36, 84, 40));
    // Stone pillars, and an iron gate between them with a yellow stone in its lock.
    for (const float px : {220.0f, 420.0f})
    {
        b.Shape(RoundedBoxDistance(b.x, b.y, px - 24.0f, 30.0f, px + 24.0f, 244.0f, 3.0f), Rgb(150, 146, 128), 1.6f);
    }
    for (int bar = 0; bar < 8; ++bar)
    {
        const float bx = 256.0f + static_cast<float>(bar) * 18.0f;
        b.Shape(RoundedBoxDistance(b.x, b.y, bx - 3.0f, 60.0f, bx + 3.0f, 244.0f, 1.5f), Rgb(48, 48, 56), 1.0f);
    }
    b.Shape(RoundedBoxDistance(b.x, b.y, 244.0f, 80.0f, 396.0f, 90.0f, 2.0f), Rgb(56, 56, 64), 1.0f);
    b.Shape(RoundedBoxDistance(b.x, b.y, 300.0f, 130.0f, 340.0f, 176.0f, 4.0f), Rgb(64, 62, 70));
    b.Glow(CircleDistance(b.x, b.y, 320.0f, 153.0f, 8.0f), Rgb(200, 170, 40), 20.0f);
    b.Shape(CircleDistance(b.x, b.y, 320.0f, 153.0f, 8.0f), Rgb(250, 214, 60));
    // Vines hanging over it.
    for (int vine = 0; vine < 6; ++vine)
    {
        const float vx = 200.0f + static_cast<float>(vine) * 48.0f;
        const float sway = 6.0f * std::sin(b.y * 0.05f + static_cast<float>(vine));
        if (std::abs(b.x - vx - sway) < 2.5f && b.y < 60.0f + static_cast<float>((vine * 37) % 90))
        {
            b.colour = Rgb(60, 140, 52);
        }
    }
    if (b.y > 244.0f)
    {
        b.colour = Rgb(90, 74, 52);
    }
    PaintPerson(b, Wren(100.0f, 244.0f, 1.1f));
}

void JungleDeparture(Brush& b)
{
    b.colour = Vertical(b.y, 0.0f, 190.0f, Rgb(236, 220, 170), Rgb(150, 170, 130));
    if (b.y > Ridge(b.x, 160.0f, 12.0f, 3.0f))
    {
        b.colour = Rgb(96, 112, 84);
    }
    Water(b, 190.0f, Rgb(72, 60, 40), Rgb(124, 112, 80));
    // Roots reaching into the still water.
    for (int root = 0; root < 5; ++root)
    {
        const float rx = 250.0f + static_cast<float>(root) * 34.0f;
        b.Shape(CapsuleDistance(b.x, b.y, rx, 150.0f, rx + 18.0f * std::sin(static_cast<float>(root)), 206.0f, 4.0f),
                Rgb(90, 70, 48), 1.0f);
    }
    DeadTree(b, 280.0f, 180.0f, 70.0f);
    // The boat with Pell in it, and Wren on the bank.
    b.Shape(std::max(EllipseDistance(b.x, b.y, 420.0f, 244.0f, 70.0f, 20.0f), 238.0f - b.y), Rgb(120, 80, 48));
    PaintPerson(b, Pell(420.0f, 242.0f));
    if (b.x < 180.0f && b.y > 236.0f - (180.0f - b.x) * 0.1f)
    {
        b.colour = Rgb(104, 92, 60);
    }
    PaintPerson(b, Wren(96.0f, 240.0f, 1.1f));
}

// ---- The swamp ----

void SwampBackdrop(Brush& b, float waterTop)
{
    b.colour = Vertical(b.y, 0.0f, waterTop, Rgb(200, 208, 192), Rgb(140, 160, 140));
    if (b.y > Ridge(b.x, waterTop - 30.0f, 10.0f, 4.0f))
    {
        b.colour = Rgb(116, 134, 116);
    }
    Water(b, waterTop, Rgb(44, 64, 56), Rgb(96, 120, 104));
}

// Bands of mist drifting across the picture.
void Mist(Brush& b, float strength)
{
    const float band = 0.5f + 0.5f * std::sin(b.y * 0.05f + std::sin(b.x * 0.01f) * 1.5f);
    b.colour = Mix(b.colour, Rgb(228, 232, 224), strength * band);
}

// A boardwalk from the front into the picture.
void Boardwalk(Brush& b, float y0, float y1)
{
    if (b.y > y0 && b.y < y1 && std::abs(b.x - 256.0f) < 20.0f + (b.y - y0) * 0.9f)
    {
        b.colour = std::fmod(b.y, 9.0f) < 1.5f ? Rgb(80, 60, 40) : Rgb(140, 108, 72);
    }
}

void SwampArrival(Brush& b)
{
    SwampBackdrop(b, 170.0f);
    DeadTree(b, 190.0f, 180.0f, 80.0f);
    DeadTree(b, 420.0f, 176.0f, 60.0f);
    Reeds(b, 20.0f, 90.0f, 250.0f, 60.0f);
    Reeds(b, 440.0f, 500.0f, 250.0f, 70.0f);
    Boardwalk(b, 170.0f, 384.0f);
    Mist(b, 0.35f);
    PaintPerson(b, Wren(110.0f, 244.0f, 1.1f));
    PaintPerson(b, Ola(400.0f, 244.0f, 1.1f));
}

void SwampLookout(Brush& b)
{
    b.colour = Vertical(b.y, 0.0f, 110.0f, Rgb(196, 208, 200), Rgb(150, 168, 150));
    if (b.y > 110.0f)
    {
        // Pools and reeds seen from the tower.
        b.colour = Rgb(100, 124, 80);
        const float pools = std::sin(b.x * 0.03f) * std::sin(b.y * 0.05f + std::sin(b.x * 0.011f) * 2.0f);
        if (pools > 0.35f)
        {
            b.colour = Rgb(70, 100, 92);
        }
        // The causeway, and the stone lock on it.
        if (std::abs(b.y - 160.0f - (b.x - 256.0f) * 0.05f) < 5.0f)
        {
            b.colour = Rgb(150, 140, 120);
        }
    }
    b.Shape(RoundedBoxDistance(b.x, b.y, 330.0f, 146.0f, 350.0f, 172.0f, 2.0f), Rgb(140, 132, 116), 1.2f);
    b.Glow(CircleDistance(b.x, b.y, 340.0f, 158.0f, 4.0f), Rgb(200, 60, 40), 14.0f);
    b.Shape(CircleDistance(b.x, b.y, 340.0f, 158.0f, 3.5f), Rgb(220, 70, 52), 1.0f);
    Mist(b, 0.25f);
    // The crooked tower's railing in front.
    if (b.y > 236.0f && b.y < 244.0f)
    {
        b.colour = Rgb(96, 72, 48);
    }
    for (int post = 0; post < 6; ++post)
    {
        b.Fill(RoundedBoxDistance(b.x, b.y, 20.0f + post * 96.0f, 236.0f, 28.0f + post * 96.0f, 384.0f, 1.0f),
               Rgb(84, 62, 42));
    }
    PaintPerson(b, Wren(110.0f, 250.0f, 1.1f));
}

void SwampHeron(Brush& b)
{
    SwampBackdrop(b, 180.0f);
    Reeds(b, 10.0f, 70.0f, 250.0f, 70.0f);
    Mist(b, 0.3f);
    // The heron on the moved stones: body, S-bent neck, long beak, legs.
    b.Shape(RoundedBoxDistance(b.x, b.y, 300.0f, 216.0f, 420.0f, 250.0f, 8.0f), Rgb(128, 124, 112));
    const float s = 1.2f;
    const float hx = 370.0f;
    const float legs = std::min(CapsuleDistance(b.x, b.y, hx - 6.0f, 216.0f, hx - 4.0f, 170.0f, 2.0f),
                                CapsuleDistance(b.x, b.y, hx + 8.0f, 216.0f, hx + 6.0f, 170.0f, 2.0f));
    const float body = EllipseDistance(b.x, b.y, hx, 150.0f, 36.0f * s, 22.0f * s);
    const float neck = std::min(CapsuleDistance(b.x, b.y, hx - 26.0f, 136.0f, hx - 36.0f, 108.0f, 6.0f),
                                CapsuleDistance(b.x, b.y, hx - 36.0f, 108.0f, hx - 28.0f, 80.0f, 5.0f));
    const float head = CircleDistance(b.x, b.y, hx - 30.0f, 74.0f, 9.0f);
    const float beak = PolygonDistance(b.x, b.y, {{hx - 38.0f, 70.0f}, {hx - 84.0f, 80.0f}, {hx - 36.0f, 80.0f}});
    const float tail = PolygonDistance(b.x, b.y, {{hx + 30.0f, 140.0f}, {hx + 66.0f, 170.0f}, {hx + 26.0f, 166.0f}});
    b.Shape(std::min({legs, body, neck, head, beak, tail}), Rgb(244, 244, 236));
    b.Fill(legs, Rgb(200, 170, 90));
    b.Fill(beak, Rgb(236, 190, 70));
    b.Fill(EllipseDistance(b.x, b.y, hx + 10.0f, 150.0f, 26.0f, 12.0f), Rgb(216, 220, 216));
    b.Fill(CircleDistance(b.x, b.y, hx - 33.0f, 72.0f, 2.2f), Rgb(250, 200, 40));
    b.Fill(CapsuleDistance(b.x, b.y, hx - 26.0f, 68.0f, hx - 10.0f, 62.0f, 1.5f), kInk);
    PaintPerson(b, Wren(110.0f, 244.0f, 1.1f));
}

void SwampSluice(Brush& b)
{
    SwampBackdrop(b, 190.0f);
    // The sluice: two stone towers, the gate raised between them, water pouring out below it.
    for (const float tx : {200.0f, 330.0f})
    {
        b.Shape(RoundedBoxDistance(b.x, b.y, tx - 18.0f, 70.0f, tx + 18.0f, 230.0f, 2.0f), Rgb(148, 140, 122), 1.6f);
    }
    b.Shape(RoundedBoxDistance(b.x, b.y, 218.0f, 80.0f, 312.0f, 122.0f, 2.0f), Rgb(104, 84, 60), 1.4f);
    b.Shape(CircleDistance(b.x, b.y, 265.0f, 100.0f, 7.0f), Rgb(220, 70, 52), 1.0f);
    if (b.x > 218.0f && b.x < 312.0f && b.y > 122.0f && b.y < 240.0f)
    {
        const float streak = std::sin(b.x * 0.7f + std::sin(b.y * 0.08f) * 2.0f);
        b.colour = streak > 0.3f ? Rgb(220, 236, 236) : Rgb(120, 164, 170);
    }
    Reeds(b, 400.0f, 506.0f, 250.0f, 50.0f);
    Mist(b, 0.15f);
    PaintPerson(b, Wren(110.0f, 244.0f, 1.1f));
    PaintPerson(b, Ola(430.0f, 244.0f, 1.1f));
}

void SwampDeparture(Brush& b)
{
    b.colour = Vertical(b.y, 0.0f, 180.0f, Rgb(208, 212, 196), Rgb(160, 170, 150));
    // The hill and the dark mouth of the cave in it.
    const float hill = EllipseDistance(b.x, b.y, 280.0f, 250.0f, 220.0f, 170.0f);
    b.Shape(hill, Vertical(b.y, 80.0f, 250.0f, Rgb(120, 132, 100), Rgb(86, 96, 72)), 1.6f);
    const float mouth = std::max(EllipseDistance(b.x, b.y, 280.0f, 200.0f, 50.0f, 56.0f), b.y - 200.0f);
    b.Shape(mouth, Rgb(20, 18, 24), 2.0f);
    b.Fill(RoundedBoxDistance(b.x, b.y, 230.0f, 196.0f, 330.0f, 210.0f, 2.0f), Rgb(20, 18, 24));
    // The end of the causeway leading up to it.
    if (b.y > 206.0f)
    {
        b.colour = Vertical(b.y, 206.0f, 384.0f, Rgb(150, 140, 118), Rgb(110, 102, 86));
        if (std::abs(b.x - 280.0f) > 60.0f + (b.y - 206.0f) * 1.2f)
        {
            b.colour = Rgb(60, 84, 70);
        }
    }
    Mist(b, 0.2f);
    PaintPerson(b, Wren(120.0f, 250.0f, 1.1f));
    Person ola = Ola(420.0f, 250.0f, 1.1f);
    ola.lamp = true;
    PaintPerson(b, ola);
}

// ---- The cave ----

void CaveBackdrop(Brush& b)
{
    b.colour = Vertical(b.y, 0.0f, 384.0f, Rgb(36, 30, 44), Rgb(16, 14, 22));
    for (int i = 0; i < 10; ++i)
    {
        const float cx = 10.0f + static_cast<float>(i) * 54.0f;
        const float length = 30.0f + static_cast<float>((i * 37) % 40);
        b.Shape(PolygonDistance(b.x, b.y, {{cx - 12.0f, 0.0f}, {cx + 12.0f, 0.0f}, {cx, length}}), Rgb(70, 60, 72), 1.0f);
    }
}

void CaveArrival(Brush& b)
{
    CaveBackdrop(b);
    // The lamp's circle of light on the floor.
    const float light = EllipseDistance(b.x, b.y, 250.0f, 210.0f, 260.0f, 150.0f);
    b.Glow(light, Rgb(90, 76, 50), 120.0f);
    if (b.y > 244.0f)
    {
        b.colour = b.colour + Rgb(30, 26, 20);
    }
    for (int i = 0; i < 5; ++i)
    {
        const float cx = 60.0f + static_cast<float>(i) * 100.0f;
        b.Shape(PolygonDistance(b.x, b.y, {{cx - 14.0f, 250.0f}, {cx + 14.0f, 250.0f}, {cx + 2.0f, 200.0f - (i % 2) * 20.0f}}),
                Rgb(84, 72, 80), 1.0f);
    }
    Person wren = Wren(120.0f, 246.0f, 1.1f);
    wren.lamp = true;
    PaintPerson(b, wren);
    PaintPerson(b, Tolly(400.0f, 246.0f, 1.1f));
}

void CaveLookout(Brush& b)
{
    CaveBackdrop(b);
    // The still black lake, with the far shore and the door with the red lock on it.
    if (b.y > 150.0f)
    {
        b.colour = Vertical(b.y, 150.0f, 250.0f, Rgb(30, 36, 52), Rgb(10, 12, 20));
        if (std::abs(std::sin(b.y * 1.3f + std::sin(b.x * 0.02f))) > 0.985f)
        {
            b.colour = Rgb(50, 60, 84);
        }
    }
    b.Shape(std::max(EllipseDistance(b.x, b.y, 330.0f, 152.0f, 150.0f, 16.0f), b.y - 152.0f), Rgb(60, 54, 64), 1.0f);
    b.Shape(RoundedBoxDistance(b.x, b.y, 320.0f, 112.0f, 348.0f, 150.0f, 4.0f), Rgb(92, 76, 64), 1.2f);
    b.Glow(CircleDistance(b.x, b.y, 334.0f, 130.0f, 3.0f), Rgb(200, 60, 40), 16.0f);
    b.Shape(CircleDistance(b.x, b.y, 334.0f, 130.0f, 3.0f), Rgb(230, 72, 52), 1.0f);
    // The ledge in front.
    if (b.y > 236.0f + 6.0f * std::sin(b.x * 0.05f))
    {
        b.colour = Rgb(70, 60, 66);
    }
    Person wren = Wren(110.0f, 246.0f, 1.1f);
    wren.lamp = true;
    PaintPerson(b, wren);
    PaintPerson(b, Tolly(420.0f, 246.0f, 1.1f));
}

void CaveCrystal(Brush& b)
{
    CaveBackdrop(b);
    // The crystal lights the cavern blue; in its heart the temple stands on its mountain.
    const std::vector<CVector2> crystal = {{256.0f, 20.0f}, {326.0f, 120.0f}, {256.0f, 236.0f}, {186.0f, 120.0f}};
    const float d = PolygonDistance(b.x, b.y, crystal);
    b.Glow(d, Rgb(60, 140, 180), 200.0f);
    b.Shape(d, b.x < 256.0f ? Rgb(170, 236, 250) : Rgb(110, 200, 230), 2.0f);
    if (d < -10.0f)
    {
        const float mountain = 170.0f - std::max(0.0f, 60.0f - std::abs(b.x - 256.0f) * 1.2f);
        if (b.y > mountain)
        {
            b.colour = Rgb(80, 150, 190);
        }
        Temple(b, 256.0f, 112.0f, 0.22f, Rgb(220, 240, 250), true);
    }
    if (b.y > 246.0f)
    {
        b.colour = Rgb(40, 50, 70);
    }
    PaintPerson(b, Wren(100.0f, 246.0f, 1.1f));
    PaintPerson(b, Tolly(420.0f, 246.0f, 1.1f));
}

void CaveDoor(Brush& b)
{
    CaveBackdrop(b);
    const float door = RoundedBoxDistance(b.x, b.y, 200.0f, 40.0f, 360.0f, 246.0f, 10.0f);
    b.Shape(door, Vertical(b.y, 40.0f, 246.0f, Rgb(70, 110, 170), Rgb(40, 64, 110)), 2.0f);
    for (const float ry : {90.0f, 200.0f})
    {
        b.Shape(RoundedBoxDistance(b.x, b.y, 204.0f, ry - 6.0f, 356.0f, ry + 6.0f, 2.0f), Rgb(56, 84, 130), 1.0f);
    }
    b.Shape(CircleDistance(b.x, b.y, 280.0f, 146.0f, 20.0f), Rgb(90, 136, 200), 1.6f);
    b.Fill(CircleDistance(b.x, b.y, 280.0f, 146.0f, 7.0f), Rgb(12, 12, 20));
    if (b.y > 246.0f)
    {
        b.colour = Rgb(50, 44, 52);
    }
    PaintPerson(b, Tolly(430.0f, 246.0f, 1.1f));
    Person wren = Wren(110.0f, 246.0f, 1.1f);
    wren.lamp = true;
    PaintPerson(b, wren);
}

void CaveDeparture(Brush& b)
{
    // Daylight at the tunnel's mouth: the mountainside and the temple high above.
    b.colour = Vertical(b.y, 0.0f, 200.0f, Rgb(140, 196, 240), Rgb(250, 226, 180));
    const float mountain = 60.0f + std::abs(b.x - 330.0f) * 0.7f;
    if (b.y > mountain)
    {
        b.colour = Vertical(b.y, 60.0f, 250.0f, Rgb(168, 150, 130), Rgb(120, 104, 92));
    }
    Temple(b, 330.0f, 66.0f, 0.35f, Rgb(226, 190, 130), false);
    // The tunnel's dark rim around the view.
    const float opening = EllipseDistance(b.x, b.y, 280.0f, 170.0f, 250.0f, 200.0f);
    if (opening > 0.0f)
    {
        b.colour = Vertical(b.y, 0.0f, 384.0f, Rgb(46, 38, 50), Rgb(20, 16, 24));
    }
    if (b.y > 246.0f)
    {
        b.colour = Rgb(90, 80, 72);
    }
    PaintPerson(b, Wren(120.0f, 246.0f, 1.1f));
    PaintPerson(b, Tolly(400.0f, 246.0f, 1.1f));
}

// ---- The temple ----

const CVector3 kTempleStone = Rgb(214, 176, 112);

void TempleArrival(Brush& b)
{
    b.colour = Vertical(b.y, 0.0f, 240.0f, Rgb(120, 150, 200), Rgb(240, 200, 150));
    // The steps up to the gate, and the gate half open with no light inside.
    for (int step = 0; step < 8; ++step)
    {
        const float top = 170.0f + static_cast<float>(step) * 10.0f;
        if (b.y > top && b.y <= top + 10.0f && std::abs(b.x - 300.0f) < 90.0f + static_cast<float>(step) * 20.0f)
        {
            b.colour = b.y < top + 2.0f ? kTempleStone * 1.1f : kTempleStone * 0.85f;
        }
    }
    b.Shape(RoundedBoxDistance(b.x, b.y, 200.0f, 30.0f, 400.0f, 170.0f, 2.0f), kTempleStone, 1.6f);
    b.Shape(RoundedBoxDistance(b.x, b.y, 180.0f, 16.0f, 420.0f, 36.0f, 2.0f), kTempleStone * 1.1f, 1.4f);
    b.Fill(RoundedBoxDistance(b.x, b.y, 260.0f, 60.0f, 340.0f, 170.0f, 6.0f), Rgb(30, 22, 20));
    b.Shape(PolygonDistance(b.x, b.y, {{300.0f, 60.0f}, {340.0f, 60.0f}, {340.0f, 170.0f}, {312.0f, 176.0f}}),
            Rgb(120, 84, 52), 1.2f);
    for (const float px : {216.0f, 384.0f})
    {
        b.Shape(RoundedBoxDistance(b.x, b.y, px - 10.0f, 40.0f, px + 10.0f, 170.0f, 2.0f), kTempleStone * 0.95f, 1.2f);
    }
    if (b.y > 250.0f)
    {
        b.colour = kTempleStone * 0.7f;
    }
    PaintPerson(b, Wren(100.0f, 250.0f, 1.15f));
}

void TempleLookout(Brush& b)
{
    b.colour = Vertical(b.y, 0.0f, 120.0f, Rgb(110, 140, 200), Rgb(244, 210, 160));
    // Roofs and courts of the temple below the terrace, and the red lock on the way down.
    if (b.y > 110.0f)
    {
        const float row = std::floor((b.y - 110.0f) / 26.0f);
        const float cell = std::floor((b.x + row * 17.0f) / 70.0f);
        const bool roof = std::fmod(cell + row, 2.0f) == 0.0f;
        b.colour = roof ? kTempleStone * (0.8f + 0.04f * row) : Rgb(150, 120, 84);
        if (std::fmod(b.x + row * 17.0f, 70.0f) < 2.0f || std::fmod(b.y - 110.0f, 26.0f) < 2.0f)
        {
            b.colour = Rgb(100, 76, 52);
        }
    }
    b.Shape(RoundedBoxDistance(b.x, b.y, 300.0f, 160.0f, 326.0f, 190.0f, 2.0f), Rgb(110, 90, 70), 1.2f);
    b.Glow(CircleDistance(b.x, b.y, 313.0f, 175.0f, 4.0f), Rgb(200, 60, 40), 18.0f);
    b.Shape(CircleDistance(b.x, b.y, 313.0f, 175.0f, 4.0f), Rgb(230, 72, 52), 1.0f);
    // The terrace's balustrade in front.
    if (b.y > 230.0f)
    {
        b.colour = kTempleStone * 0.9f;
    }
    for (int post = 0; post < 9; ++post)
    {
        b.Shape(RoundedBoxDistance(b.x, b.y, 8.0f + post * 60.0f, 200.0f, 22.0f + post * 60.0f, 232.0f, 3.0f),
                kTempleStone, 1.0f);
    }
    b.Shape(RoundedBoxDistance(b.x, b.y, 0.0f, 194.0f, 512.0f, 204.0f, 2.0f), kTempleStone * 1.05f, 1.0f);
    PaintPerson(b, Wren(100.0f, 250.0f, 1.15f));
}

void TempleSeal(Brush& b)
{
    b.colour = Vertical(b.y, 0.0f, 250.0f, Rgb(120, 96, 70), Rgb(70, 54, 40));
    // Stone blocks of the wall.
    const float row = std::floor(b.y / 30.0f);
    if (std::fmod(b.y, 30.0f) < 2.0f || std::fmod(b.x + row * 25.0f, 50.0f) < 2.0f)
    {
        b.colour = b.colour * 0.7f;
    }
    // The passage opening where the blue seal broke, dust falling from above.
    const float passage = RoundedBoxDistance(b.x, b.y, 250.0f, 60.0f, 370.0f, 250.0f, 30.0f);
    b.Shape(passage, Vertical(b.y, 60.0f, 250.0f, Rgb(36, 28, 24), Rgb(60, 46, 36)), 2.0f);
    for (int piece = 0; piece < 4; ++piece)
    {
        const float angle = static_cast<float>(piece) * 1.57f + 0.4f;
        const float px = 310.0f + 40.0f * std::cos(angle) * (1.6f + 0.2f * piece);
        const float py = 150.0f + 30.0f * std::sin(angle) * 1.6f;
        b.Shape(PolygonDistance(b.x, b.y, {{px, py - 10.0f}, {px + 10.0f, py + 4.0f}, {px - 6.0f, py + 8.0f}}),
                Rgb(80, 130, 210), 1.0f);
    }
    const float dust = 0.5f + 0.5f * std::sin(b.x * 0.31f) * std::sin(b.y * 0.17f + b.x * 0.05f);
    if (b.y < 240.0f && std::abs(b.x - 310.0f) < 80.0f && dust > 0.9f)
    {
        b.colour = Mix(b.colour, Rgb(220, 200, 170), 0.6f);
    }
    if (b.y > 250.0f)
    {
        b.colour = Rgb(90, 72, 54);
    }
    PaintPerson(b, Wren(110.0f, 250.0f, 1.15f));
}

void TempleGuardian(Brush& b)
{
    b.colour = Vertical(b.y, 0.0f, 250.0f, Rgb(90, 70, 56), Rgb(50, 40, 34));
    for (const float cx : {40.0f, 230.0f})
    {
        b.Shape(RoundedBoxDistance(b.x, b.y, cx - 14.0f, 0.0f, cx + 14.0f, 250.0f, 2.0f), Rgb(110, 88, 66), 1.2f);
    }
    // The guardian: a seated figure of stone blocks with glowing eyes.
    const CVector3 stone = Rgb(150, 140, 120);
    const float x = 390.0f;
    b.Shape(RoundedBoxDistance(b.x, b.y, x - 70.0f, 190.0f, x + 70.0f, 250.0f, 6.0f), stone * 0.8f, 1.6f);
    b.Shape(RoundedBoxDistance(b.x, b.y, x - 50.0f, 100.0f, x + 50.0f, 196.0f, 10.0f), stone, 1.6f);
    b.Shape(RoundedBoxDistance(b.x, b.y, x - 34.0f, 30.0f, x + 34.0f, 100.0f, 12.0f), stone * 1.08f, 1.6f);
    b.Shape(RoundedBoxDistance(b.x, b.y, x - 64.0f, 130.0f, x - 44.0f, 200.0f, 6.0f), stone * 0.9f, 1.4f);
    b.Shape(RoundedBoxDistance(b.x, b.y, x + 44.0f, 130.0f, x + 64.0f, 200.0f, 6.0f), stone * 0.9f, 1.4f);
    for (const float ex : {x - 14.0f, x + 14.0f})
    {
        const float eye = EllipseDistance(b.x, b.y, ex, 60.0f, 8.0f, 4.0f);
        b.Glow(eye, Rgb(120, 200, 255), 26.0f);
        b.Fill(eye, Rgb(220, 246, 255));
    }
    b.Fill(RoundedBoxDistance(b.x, b.y, x - 12.0f, 80.0f, x + 12.0f, 84.0f, 1.0f), stone * 0.6f);
    if (b.y > 250.0f)
    {
        b.colour = Rgb(70, 56, 44);
    }
    PaintPerson(b, Wren(110.0f, 250.0f, 1.15f));
}

// The ending, in the extro's clear middle band (136 to 260): the altar with the pylons around it, all
// eight alight and the temple shining at dawn, or only a few with the temple still asleep.
void TempleEnding(Brush& b, bool lit)
{
    b.colour = lit ? Vertical(b.y, 0.0f, 258.0f, Rgb(72, 60, 124), Rgb(244, 156, 100))
                   : Vertical(b.y, 0.0f, 258.0f, Rgb(24, 26, 52), Rgb(84, 76, 100));
    if (lit)
    {
        b.Glow(CircleDistance(b.x, b.y, 256.0f, 150.0f, 20.0f), Rgb(90, 70, 30), 160.0f);
    }
    Temple(b, 256.0f, 246.0f, 1.0f, lit ? Rgb(230, 196, 130) : Rgb(140, 120, 100), lit);
    for (int i = 0; i < 8; ++i)
    {
        const float px = 30.0f + static_cast<float>(i) * 64.0f + (i >= 4 ? 12.0f : -12.0f);
        Pylon(b, px, 258.0f, 56.0f, lit || i % 3 == 0);
    }
    if (b.y > 258.0f)
    {
        b.colour = lit ? Rgb(200, 164, 110) : Rgb(80, 70, 70);
    }
    PaintPerson(b, Wren(256.0f, 252.0f, 0.8f));
}

struct StoryPicture
{
    const char* file;
    int width;
    int height;
    Painter painter;
};

} // namespace

bool WriteStoryImages(const std::string& media)
{
    const StoryPicture pictures[] = {
        {"jungle/arrival.png", 768, 384, JungleArrival},
        {"jungle/lookout.png", 512, 384, JungleLookout},
        {"jungle/idol.png", 512, 384, JungleIdol},
        {"jungle/gate.png", 512, 384, JungleGate},
        {"jungle/departure.png", 512, 384, JungleDeparture},
        {"swamp/arrival.png", 512, 384, SwampArrival},
        {"swamp/lookout.png", 512, 384, SwampLookout},
        {"swamp/heron.png", 512, 384, SwampHeron},
        {"swamp/sluice.png", 512, 384, SwampSluice},
        {"swamp/departure.png", 512, 384, SwampDeparture},
        {"cave/arrival.png", 512, 384, CaveArrival},
        {"cave/lookout.png", 512, 384, CaveLookout},
        {"cave/crystal.png", 512, 384, CaveCrystal},
        {"cave/door.png", 512, 384, CaveDoor},
        {"cave/departure.png", 512, 384, CaveDeparture},
        {"temple/arrival.png", 512, 384, TempleArrival},
        {"temple/lookout.png", 512, 384, TempleLookout},
        {"temple/seal.png", 512, 384, TempleSeal},
        {"temple/guardian.png", 512, 384, TempleGuardian},
        {"temple/ending.png", 512, 384, [](Brush& b) { TempleEnding(b, true); }},
        {"temple/ending_dark.png", 512, 384, [](Brush& b) { TempleEnding(b, false); }},
    };
    bool written = true;
    for (const char* region : {"jungle", "swamp", "cave", "temple"})
    {
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(media) / "interface" / "sequences" / region, error);
    }
    for (const StoryPicture& picture : pictures)
    {
        written = WritePngMediaFile(media, std::string("interface/sequences/") + picture.file,
                                    Paint(picture.width, picture.height, picture.painter)) &&
                  written;
    }
    return written;
}

} // namespace MediaGen
