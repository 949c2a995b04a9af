// The pictures every region's map shares: the walking figure, the cut-scene highlight, the lock, key and
// gold markers, the fog and the gold counter's digits.

#include "mediagen/MapArt.h"

#include "mediagen/GameMedia.h"
#include "mediagen/ShapeSampler.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <system_error>

namespace MediaGen
{

namespace
{

using BaseLib::CVector2;
using BaseLib::CVector3;

const CVector3 kInk = Rgb(24, 18, 12);
constexpr float Pi = std::numbers::pi_v<float>;

// A strip of `frames` pictures of w x h side by side, frame i painted by painter(i, x, y) in the frame's
// own coordinates.
Picture Strip(int frames, int w, int h, const std::function<Sample(int frame, float x, float y)>& painter)
{
    return PaintSamples(frames * w, h, [&](float x, float y) {
        const int frame = std::min(frames - 1, static_cast<int>(x) / w);
        return painter(frame, x - static_cast<float>(frame * w), y);
    });
}

// The explorer in a wide hat, seen from the front and a little above; the frames bob and swing the arms.
Sample Figure(int frame, float x, float y)
{
    const float bob = frame == 1 ? -1.5f : 0.0f;
    const float swing = frame == 0 ? -2.0f : frame == 2 ? 2.0f : 0.0f;
    const float shadow = EllipseDistance(x, y, 32.0f, 55.0f, 11.0f, 3.5f);
    const float legs = std::min(CapsuleDistance(x, y, 28.0f, 44.0f + bob, 28.0f - swing * 0.5f, 53.0f, 2.6f),
                                CapsuleDistance(x, y, 36.0f, 44.0f + bob, 36.0f + swing * 0.5f, 53.0f, 2.6f));
    const float body = RoundedBoxDistance(x, y, 23.0f, 28.0f + bob, 41.0f, 46.0f + bob, 5.0f);
    const float arms = std::min(CapsuleDistance(x, y, 23.0f, 31.0f + bob, 19.0f, 42.0f + bob + swing, 2.4f),
                                CapsuleDistance(x, y, 41.0f, 31.0f + bob, 45.0f, 42.0f + bob - swing, 2.4f));
    const float head = CircleDistance(x, y, 32.0f, 21.0f + bob, 6.5f);
    const float brim = EllipseDistance(x, y, 32.0f, 16.0f + bob, 13.0f, 3.2f);
    const float crown = RoundedBoxDistance(x, y, 25.5f, 7.0f + bob, 38.5f, 16.0f + bob, 3.0f);
    const float hat = std::min(brim, crown);
    const float all = std::min({legs, body, arms, head, hat});
    if (all >= 1.5f)
    {
        return shadow < 0.0f ? Sample{Rgb(0, 0, 0), 0.35f} : Sample{};
    }
    if (all >= 0.0f)
    {
        return {kInk, 1.0f};
    }
    if (hat < 0.0f)
    {
        return {std::abs(y - (13.5f + bob)) < 1.0f ? Rgb(150, 40, 30) : Rgb(196, 150, 84), 1.0f};
    }
    if (head < 0.0f)
    {
        const bool eye = (std::abs(x - 29.5f) < 0.9f || std::abs(x - 34.5f) < 0.9f) && std::abs(y - (21.0f + bob)) < 0.9f;
        return {eye ? kInk : Rgb(238, 196, 152), 1.0f};
    }
    if (body < 0.0f)
    {
        const bool belt = std::abs(y - (40.0f + bob)) < 1.2f;
        return {belt ? Rgb(90, 56, 30) : (x < 32.0f ? Rgb(76, 140, 96) : Rgb(60, 118, 80)), 1.0f};
    }
    if (arms < 0.0f)
    {
        return {Rgb(66, 126, 86), 1.0f};
    }
    return {Rgb(110, 84, 56), 1.0f};
}

// A ring of light with six sparkles that turn from frame to frame.
Sample Highlight(int frame, float x, float y)
{
    const float ring = std::abs(CircleDistance(x, y, 32.0f, 32.0f, 24.0f));
    float sparkle = 1e9f;
    for (int i = 0; i < 6; ++i)
    {
        const float angle = (static_cast<float>(i) + static_cast<float>(frame) / 3.0f) * Pi / 3.0f;
        sparkle = std::min(sparkle, StarDistance(x, y, 32.0f + 24.0f * std::cos(angle),
                                                 32.0f + 24.0f * std::sin(angle), 5.0f, 1.8f));
    }
    if (sparkle < 0.0f)
    {
        return {Rgb(255, 250, 200), 1.0f};
    }
    if (ring < 2.0f)
    {
        return {Rgb(255, 230, 120), 0.75f};
    }
    if (ring < 5.0f)
    {
        return {Rgb(255, 220, 100), 0.3f};
    }
    return {};
}

// The marker frames: 11 x 16, so three fit side by side from x = 24 in a tile.
constexpr int MarkerWidth = 11;
constexpr int MarkerHeight = 16;

// A gleam that sweeps across a marker, from the left in the first frame to gone in the last.
bool Gleam(int frame, int frames, float x, float y)
{
    const float position = -6.0f + static_cast<float>(frame) * 24.0f / static_cast<float>(frames - 1);
    return std::abs((x + y * 0.5f) - position - 4.0f) < 1.4f && frame < frames - 1;
}

// A padlock of the key colour; a gleam crosses it.
Sample Lock(const CVector3& colour, int frame, float x, float y)
{
    const float shackle = std::max(std::abs(CircleDistance(x, y, 5.5f, 6.0f, 3.2f)) - 1.1f, y - 7.5f);
    const float body = RoundedBoxDistance(x, y, 1.3f, 7.0f, 9.7f, 15.0f, 1.2f);
    const float keyhole = std::min(CircleDistance(x, y, 5.5f, 10.0f, 1.2f), RoundedBoxDistance(x, y, 5.0f, 10.0f, 6.0f, 13.0f, 0.0f));
    if (body < 0.0f && keyhole < 0.0f)
    {
        return {kInk, 1.0f};
    }
    if (body < 0.0f && Gleam(frame, 6, x, y))
    {
        return {Rgb(255, 255, 235), 1.0f};
    }
    const float shape = std::min(shackle, body);
    if (shackle < 0.0f && body >= 0.0f)
    {
        return {Rgb(196, 196, 200), 1.0f};
    }
    return Outlined(shape, y < 11.0f ? colour * 1.1f : colour * 0.85f, kInk, 0.9f);
}

// An upright key of the key colour, turning about its shaft: its width follows the turn.
Sample Key(const CVector3& colour, int frame, float x, float y)
{
    const float turn = std::abs(std::cos(Pi * static_cast<float>(frame) / 9.0f));
    const float squeeze = 0.3f + 0.7f * turn;
    const float u = 5.5f + (x - 5.5f) / squeeze;
    const float bow = std::max(CircleDistance(u, y, 5.5f, 4.0f, 3.6f), -CircleDistance(u, y, 5.5f, 4.0f, 1.4f));
    const float shaft = RoundedBoxDistance(u, y, 4.6f, 7.0f, 6.4f, 15.0f, 0.3f);
    const float bits = std::min(RoundedBoxDistance(u, y, 6.0f, 11.0f, 8.6f, 12.4f, 0.2f),
                                RoundedBoxDistance(u, y, 6.0f, 13.5f, 8.0f, 15.0f, 0.2f));
    // Distances measured in the squeezed frame are scaled back so the outline keeps its width.
    const float shape = std::min({bow, shaft, bits}) * squeeze;
    const bool face = frame < 2 || frame > 7;
    return Outlined(shape, face ? colour * 1.1f : colour * 0.8f, kInk, 0.9f);
}

// A coin spinning about its upright axis: full, then ever narrower.
Sample Coin(int frame, float x, float y)
{
    constexpr std::array<float, 4> widths = {7.0f, 5.2f, 3.0f, 1.2f};
    const float rx = widths[static_cast<std::size_t>(frame)];
    const float edge = EllipseDistance(x, y, 8.0f, 8.0f, rx, 7.0f) * std::min(1.0f, rx / 7.0f + 0.4f);
    if (edge < -1.8f && frame < 2 && StarDistance(x, y, 8.0f, 8.4f, 3.6f * rx / 7.0f + 0.8f, 1.5f) < 0.0f)
    {
        return {Rgb(255, 240, 160), 1.0f};
    }
    if (edge < -1.6f)
    {
        return {x < 8.0f ? Rgb(250, 204, 72) : Rgb(222, 170, 50), 1.0f};
    }
    return Outlined(edge, Rgb(196, 140, 36), kInk, 1.0f);
}

// The strokes of the counter's digits on a 5 x 8 grid whose origin is at (3, 3) of the glyph's cell.
const std::vector<std::array<float, 4>>& DigitStrokes(char digit)
{
    // Segments: a top, b upper right, c lower right, d bottom, e lower left, f upper left, g middle.
    static const std::array<float, 4> a = {0, 0, 5, 0}, b = {5, 0, 5, 4}, c = {5, 4, 5, 8}, d = {0, 8, 5, 8},
                                      e = {0, 4, 0, 8}, f = {0, 0, 0, 4}, g = {0, 4, 5, 4};
    static const std::vector<std::array<float, 4>> digits[10] = {
        {a, b, c, d, e, f},                  // 0
        {{2.5f, 0, 2.5f, 8}, {1, 1.5f, 2.5f, 0}, {1, 8, 4, 8}}, // 1
        {a, b, g, e, d},                     // 2
        {a, b, g, c, d},                     // 3
        {f, g, b, c},                        // 4
        {a, f, g, c, d},                     // 5
        {a, f, g, c, d, e},                  // 6
        {a, {5, 0, 2, 8}},                   // 7
        {a, b, c, d, e, f, g},               // 8
        {a, b, c, d, f, g},                  // 9
    };
    return digits[digit - '0'];
}

// "1234567890" in cells of 11 x 14: strokes within columns 1 to 9, so a cell's first and last columns
// stay empty and the bitmap font cuts every digit apart.
Picture GoldCounter()
{
    const std::string digits = "1234567890";
    constexpr int CellWidth = 11;
    return PaintSamples(static_cast<int>(digits.size()) * CellWidth, 14, [&](float x, float y) {
        const int index = std::min(static_cast<int>(digits.size()) - 1, static_cast<int>(x) / CellWidth);
        const float u = x - static_cast<float>(index * CellWidth) - 3.0f;
        const float v = y - 3.0f;
        float d = 1e9f;
        for (const auto& s : DigitStrokes(digits[static_cast<std::size_t>(index)]))
        {
            d = std::min(d, CapsuleDistance(u, v, s[0], s[1], s[2], s[3], 1.1f));
        }
        return Outlined(d, v < 4.0f ? Rgb(255, 226, 110) : Rgb(236, 180, 50), kInk, 1.0f);
    });
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

Picture FogPicture(int mask)
{
    // Corner values: 1 where fogged. The fog is their bilinear blend, so two neighbours that agree on
    // their shared corners agree all along their shared edge; the noise repeats every cell for the same
    // reason.
    const float nw = (mask & 8) != 0 ? 1.0f : 0.0f;
    const float ne = (mask & 4) != 0 ? 1.0f : 0.0f;
    const float sw = (mask & 2) != 0 ? 1.0f : 0.0f;
    const float se = (mask & 1) != 0 ? 1.0f : 0.0f;
    static const TilingNoise density(64, 4, 2101);
    static const TilingNoise shade(64, 8, 2102);
    Picture picture(64, 64);
    for (int y = 0; y < 64; ++y)
    {
        for (int x = 0; x < 64; ++x)
        {
            const float u = (static_cast<float>(x) + 0.5f) / 64.0f;
            const float v = (static_cast<float>(y) + 0.5f) / 64.0f;
            const float blend = (nw * (1.0f - u) + ne * u) * (1.0f - v) + (sw * (1.0f - u) + se * u) * v;
            const float eased = blend * blend * (3.0f - 2.0f * blend);
            const float n = density.At(static_cast<float>(x), static_cast<float>(y));
            const float alpha = std::clamp(eased * (0.85f + 0.3f * n), 0.0f, 1.0f) * 215.0f;
            const float s = shade.At(static_cast<float>(x), static_cast<float>(y));
            const CVector3 colour = Mix(Rgb(190, 198, 214), Rgb(240, 242, 248), s);
            picture.At(x, y) = PixelOf(colour, static_cast<std::uint32_t>(std::lround(alpha)));
        }
    }
    return picture;
}

bool WriteMapMarkers(const std::string& media)
{
    const std::filesystem::path root = std::filesystem::path(media) / "interface/map/fog";
    if (!MakeFolder(root))
    {
        return false;
    }
    bool written = WritePngMediaFile(media, "interface/map/character.png", Strip(3, 64, 64, Figure));
    written = WritePngMediaFile(media, "interface/map/particle.png", Strip(3, 64, 64, Highlight)) && written;
    // The key colours: A yellow, B red, C blue. The game asks for "lockA.png"; resolved names are lower case.
    const std::pair<const char*, CVector3> keys[] = {
        {"a", Rgb(246, 204, 52)}, {"b", Rgb(222, 64, 52)}, {"c", Rgb(72, 124, 232)}};
    for (const auto& [letter, colour] : keys)
    {
        const CVector3 c = colour;
        written = WritePngMediaFile(media, std::string("interface/map/lock") + letter + ".png",
                                    Strip(6, MarkerWidth, MarkerHeight,
                                          [&](int frame, float x, float y) { return Lock(c, frame, x, y); })) &&
                  written;
        written = WritePngMediaFile(media, std::string("interface/map/key") + letter + ".png",
                                    Strip(9, MarkerWidth, MarkerHeight,
                                          [&](int frame, float x, float y) { return Key(c, frame, x, y); })) &&
                  written;
    }
    written = WritePngMediaFile(media, "interface/map/gold_coin.png", Strip(4, 16, 16, Coin)) && written;
    written = WritePngMediaFile(media, "interface/map/gold_counter.png", GoldCounter()) && written;
    for (int mask = 0; mask < 16; ++mask)
    {
        char name[32];
        std::snprintf(name, sizeof(name), "fog%d%d%d%d.png", (mask >> 3) & 1, (mask >> 2) & 1, (mask >> 1) & 1,
                      mask & 1);
        written = WritePngMediaFile(media, std::string("interface/map/fog/") + name, FogPicture(mask)) && written;
    }
    return written;
}

} // namespace MediaGen
