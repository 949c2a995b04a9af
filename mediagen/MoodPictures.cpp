// The mood pictures beside the map: a small landscape for each part of a region, shown for the cell the
// figure stands on. Each is a sky (or a cave's darkness), three ridges of land, water where the place
// has it, and the things that stand there.

#include "mediagen/MapArt.h"

#include "mediagen/GameMedia.h"
#include "mediagen/ShapeSampler.h"

#include "game/map/EditableMap.h"
#include "platform/gfx/Picture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <unistd.h>

namespace MediaGen
{

namespace
{

using BaseLib::CVector3;

constexpr int Width = 256;
constexpr int Height = 192;
// A fixed quality: the same picture always gives the same bytes.
constexpr int JpegQuality = 88;

enum class Thing
{
    Trees,
    Ruins,
    Mangroves,
    Reeds,
    Crystals,
    Stalactites,
    Columns,
    Gate,
    Altar,
    None
};

struct Mood
{
    const char* setting;
    const char* name;
    CVector3 skyTop;
    CVector3 skyBottom;
    CVector3 glow; // the sun, the moon or the light in the dark
    float glowX, glowY, glowRadius;
    CVector3 ridges[3]; // far to near
    float ridgeY[3];    // the ridge's mean height from the top
    float waterY;       // where the water begins, or Height for none
    CVector3 water;
    Thing thing;
    CVector3 thingColour;
    std::uint32_t seed;
};

const Mood Moods[] = {
    {"jungle",
     "clearing",
     Rgb(110, 170, 220),
     Rgb(210, 232, 220),
     Rgb(255, 246, 200),
     196,
     46,
     18,
     {Rgb(92, 140, 110), Rgb(56, 110, 60), Rgb(40, 84, 40)},
     {110, 140, 168},
     Height,
     {},
     Thing::Trees,
     Rgb(28, 64, 30),
     3101},
    {"jungle",
     "river",
     Rgb(120, 176, 214),
     Rgb(220, 230, 210),
     Rgb(255, 240, 190),
     60,
     40,
     15,
     {Rgb(90, 132, 104), Rgb(52, 100, 56), Rgb(36, 78, 38)},
     {104, 122, 136},
     150,
     Rgb(64, 120, 140),
     Thing::Trees,
     Rgb(24, 58, 28),
     3102},
    {"jungle",
     "ruins",
     Rgb(214, 130, 80),
     Rgb(250, 210, 140),
     Rgb(255, 226, 150),
     128,
     112,
     22,
     {Rgb(140, 100, 90), Rgb(80, 80, 60), Rgb(44, 60, 36)},
     {118, 146, 172},
     Height,
     {},
     Thing::Ruins,
     Rgb(70, 58, 52),
     3103},
    {"swamp",
     "pools",
     Rgb(150, 166, 150),
     Rgb(210, 214, 190),
     Rgb(240, 236, 200),
     80,
     60,
     16,
     {Rgb(110, 124, 100), Rgb(82, 96, 66), Rgb(64, 76, 48)},
     {120, 134, 146},
     156,
     Rgb(80, 100, 96),
     Thing::Reeds,
     Rgb(60, 70, 40),
     3201},
    {"swamp",
     "mangroves",
     Rgb(80, 100, 96),
     Rgb(160, 176, 150),
     Rgb(220, 230, 200),
     180,
     70,
     12,
     {Rgb(70, 90, 76), Rgb(52, 70, 56), Rgb(40, 54, 42)},
     {112, 128, 140},
     140,
     Rgb(52, 74, 70),
     Thing::Mangroves,
     Rgb(30, 40, 30),
     3202},
    {"swamp",
     "reeds",
     Rgb(176, 190, 170),
     Rgb(230, 226, 196),
     Rgb(250, 244, 210),
     200,
     64,
     20,
     {Rgb(130, 140, 110), Rgb(100, 112, 76), Rgb(84, 94, 58)},
     {124, 140, 160},
     170,
     Rgb(96, 118, 108),
     Thing::Reeds,
     Rgb(86, 96, 48),
     3203},
    {"cave",
     "grotto",
     Rgb(22, 20, 26),
     Rgb(60, 54, 58),
     Rgb(200, 220, 230),
     128,
     70,
     34,
     {Rgb(70, 64, 66), Rgb(50, 46, 50), Rgb(34, 30, 34)},
     {120, 142, 166},
     Height,
     {},
     Thing::Stalactites,
     Rgb(28, 24, 28),
     3301},
    {"cave",
     "crystals",
     Rgb(18, 16, 30),
     Rgb(40, 36, 60),
     Rgb(120, 220, 240),
     90,
     120,
     30,
     {Rgb(50, 46, 70), Rgb(38, 34, 54), Rgb(26, 24, 38)},
     {124, 146, 170},
     Height,
     {},
     Thing::Crystals,
     Rgb(100, 210, 230),
     3302},
    {"cave",
     "lake",
     Rgb(16, 18, 24),
     Rgb(40, 46, 56),
     Rgb(150, 200, 230),
     170,
     100,
     26,
     {Rgb(52, 56, 64), Rgb(38, 40, 48), Rgb(26, 28, 34)},
     {112, 128, 140},
     138,
     Rgb(30, 60, 80),
     Thing::Stalactites,
     Rgb(22, 22, 28),
     3303},
    {"temple",
     "gate",
     Rgb(150, 190, 220),
     Rgb(240, 226, 190),
     Rgb(255, 240, 200),
     60,
     50,
     16,
     {Rgb(170, 160, 130), Rgb(150, 130, 96), Rgb(126, 104, 72)},
     {128, 150, 174},
     Height,
     {},
     Thing::Gate,
     Rgb(110, 92, 70),
     3401},
    {"temple",
     "halls",
     Rgb(90, 70, 60),
     Rgb(200, 160, 110),
     Rgb(255, 220, 150),
     128,
     96,
     26,
     {Rgb(150, 120, 90), Rgb(120, 96, 70), Rgb(96, 76, 56)},
     {140, 158, 176},
     Height,
     {},
     Thing::Columns,
     Rgb(170, 146, 110),
     3402},
    {"temple",
     "sanctum",
     Rgb(40, 30, 40),
     Rgb(120, 80, 70),
     Rgb(255, 210, 120),
     128,
     80,
     40,
     {Rgb(100, 70, 64), Rgb(80, 56, 50), Rgb(60, 42, 38)},
     {140, 156, 172},
     Height,
     {},
     Thing::Altar,
     Rgb(160, 136, 110),
     3403},
};

// The things of a mood in front of its far ridges; a distance below 0 is inside.
Sample ThingSample(const Mood& mood, const LayeredNoise& noise, float x, float y)
{
    const CVector3 c = mood.thingColour;
    switch (mood.thing)
    {
    case Thing::Trees: {
        float d = 1e9f;
        for (int i = 0; i < 5; ++i)
        {
            const float tx =
                20.0f + static_cast<float>(i) * 54.0f + 18.0f * noise.At(static_cast<float>(i) * 40.0f, 7.0f);
            const float ty = 120.0f + 12.0f * static_cast<float>(i % 2);
            d = std::min({d, CapsuleDistance(x, y, tx, ty, tx, ty + 60.0f, 3.0f),
                          CircleDistance(x, y, tx, ty - 6.0f, 16.0f),
                          CircleDistance(x, y, tx - 12.0f, ty + 4.0f, 11.0f),
                          CircleDistance(x, y, tx + 12.0f, ty + 2.0f, 12.0f)});
        }
        return d < 0.0f ? Sample{c, 1.0f} : Sample{};
    }
    case Thing::Ruins: {
        float d = 1e9f;
        for (int i = 0; i < 4; ++i)
        {
            const float left = 30.0f + static_cast<float>(i) * 52.0f;
            const float top = 100.0f + 20.0f * noise.At(static_cast<float>(i) * 50.0f, 3.0f) +
                              static_cast<float>((i % 2) * 16);
            d = std::min(d, RoundedBoxDistance(x, y, left, top, left + 16.0f, 180.0f, 0.0f));
        }
        d = std::min(d, RoundedBoxDistance(x, y, 24.0f, 100.0f, 100.0f, 108.0f, 0.0f));
        return d < 0.0f ? Sample{y < 130.0f ? c * 1.3f : c, 1.0f} : Sample{};
    }
    case Thing::Mangroves: {
        float d = 1e9f;
        for (int i = 0; i < 4; ++i)
        {
            const float tx = 36.0f + static_cast<float>(i) * 62.0f;
            d = std::min({d, CapsuleDistance(x, y, tx, 70.0f, tx, 130.0f, 3.0f),
                          CapsuleDistance(x, y, tx, 120.0f, tx - 14.0f, 150.0f, 1.6f),
                          CapsuleDistance(x, y, tx, 120.0f, tx + 14.0f, 150.0f, 1.6f),
                          EllipseDistance(x, y, tx, 66.0f, 30.0f, 16.0f)});
        }
        return d < 0.0f ? Sample{c, 1.0f} : Sample{};
    }
    case Thing::Reeds: {
        float d = 1e9f;
        for (int i = 0; i < 22; ++i)
        {
            const float rx =
                6.0f + static_cast<float>(i) * 11.5f + 5.0f * noise.At(static_cast<float>(i) * 13.0f, 30.0f);
            const float top = 120.0f + 30.0f * noise.At(static_cast<float>(i) * 21.0f, 60.0f);
            d = std::min({d, CapsuleDistance(x, y, rx, 192.0f, rx + 3.0f, top, 1.0f),
                          EllipseDistance(x, y, rx + 3.0f, top + 6.0f, 1.8f, 5.0f)});
        }
        return d < 0.0f ? Sample{c, 1.0f} : Sample{};
    }
    case Thing::Crystals: {
        for (int i = 0; i < 6; ++i)
        {
            const float cx = 24.0f + static_cast<float>(i) * 42.0f;
            const float h = 40.0f + 40.0f * noise.At(static_cast<float>(i) * 37.0f, 11.0f);
            const std::vector<BaseLib::CVector2> crystal = {{cx, 190.0f - h},
                                                            {cx + 9.0f, 180.0f - h * 0.7f},
                                                            {cx + 7.0f, 192.0f},
                                                            {cx - 7.0f, 192.0f},
                                                            {cx - 9.0f, 180.0f - h * 0.7f}};
            if (PolygonDistance(x, y, crystal) < 0.0f)
            {
                return {x < cx ? c * 1.15f : c * 0.7f, 1.0f};
            }
        }
        return {};
    }
    case Thing::Stalactites: {
        for (int i = 0; i < 14; ++i)
        {
            const float cx = 8.0f + static_cast<float>(i) * 18.5f;
            const float h = 20.0f + 36.0f * noise.At(static_cast<float>(i) * 29.0f, 17.0f);
            const std::vector<BaseLib::CVector2> spike = {{cx - 7.0f, 0.0f}, {cx + 7.0f, 0.0f}, {cx, h}};
            if (PolygonDistance(x, y, spike) < 0.0f || y < 8.0f + 6.0f * noise.At(x, 0.0f))
            {
                return {c, 1.0f};
            }
        }
        return {};
    }
    case Thing::Columns: {
        for (int i = 0; i < 5; ++i)
        {
            const float cx = 28.0f + static_cast<float>(i) * 50.0f;
            if (RoundedBoxDistance(x, y, cx - 9.0f, 40.0f, cx + 9.0f, 192.0f, 0.0f) < 0.0f ||
                RoundedBoxDistance(x, y, cx - 13.0f, 34.0f, cx + 13.0f, 44.0f, 0.0f) < 0.0f)
            {
                return {x < cx - 3.0f ? c * 1.15f : c * 0.8f, 1.0f};
            }
        }
        return RoundedBoxDistance(x, y, 0.0f, 0.0f, 256.0f, 34.0f, 0.0f) < 0.0f ? Sample{c * 0.7f, 1.0f}
                                                                                : Sample{};
    }
    case Thing::Gate: {
        const float gate = std::max(RoundedBoxDistance(x, y, 72.0f, 40.0f, 184.0f, 192.0f, 0.0f),
                                    -std::min(RoundedBoxDistance(x, y, 102.0f, 96.0f, 154.0f, 200.0f, 0.0f),
                                              CircleDistance(x, y, 128.0f, 96.0f, 26.0f)));
        const float roof = RoundedBoxDistance(x, y, 60.0f, 30.0f, 196.0f, 44.0f, 2.0f);
        const float d = std::min(gate, roof);
        return d < 0.0f ? Sample{y < 60.0f ? c * 1.2f : c, 1.0f} : Sample{};
    }
    case Thing::Altar: {
        const float table = std::min(RoundedBoxDistance(x, y, 88.0f, 130.0f, 168.0f, 142.0f, 2.0f),
                                     RoundedBoxDistance(x, y, 100.0f, 142.0f, 156.0f, 192.0f, 0.0f));
        if (table < 0.0f)
        {
            return {c, 1.0f};
        }
        const float beam = std::abs(x - 128.0f) - (10.0f + (130.0f - y) * 0.25f);
        return beam < 0.0f && y < 130.0f ? Sample{mood.glow, 0.35f} : Sample{};
    }
    case Thing::None:
        break;
    }
    return {};
}

Picture MoodPicture(const Mood& mood)
{
    const LayeredNoise noise(256, 8, 3, mood.seed);
    return PaintSamples(Width, Height, [&](float x, float y) {
        // Nearest first: the near ridge, the things, then the far ridges, the water, the glow and the sky.
        const float ridge = [&](int layer) {
            const float n =
                noise.At(x + static_cast<float>(layer) * 71.0f, static_cast<float>(layer) * 40.0f);
            return mood.ridgeY[layer] + (n - 0.5f) * (60.0f - static_cast<float>(layer) * 12.0f);
        }(2);
        if (y > ridge && y < mood.waterY)
        {
            return Sample{mood.ridges[2], 1.0f};
        }
        const Sample thing = ThingSample(mood, noise, x, y);
        if (thing.alpha >= 1.0f)
        {
            return thing;
        }
        Sample behind{Mix(mood.skyTop, mood.skyBottom, y / static_cast<float>(Height)), 1.0f};
        const float glow = CircleDistance(x, y, mood.glowX, mood.glowY, mood.glowRadius);
        if (glow < 0.0f)
        {
            behind.colour = mood.glow;
        }
        else if (glow < mood.glowRadius)
        {
            behind.colour = Mix(mood.glow, behind.colour, glow / mood.glowRadius);
        }
        for (int layer = 1; layer >= 0; --layer)
        {
            const float n =
                noise.At(x + static_cast<float>(layer) * 71.0f, static_cast<float>(layer) * 40.0f);
            const float top = mood.ridgeY[layer] + (n - 0.5f) * (60.0f - static_cast<float>(layer) * 12.0f);
            if (y > top)
            {
                behind.colour = mood.ridges[layer];
                break;
            }
        }
        if (y >= mood.waterY)
        {
            // Water: the ridge mirrored darker, with light ripples.
            const float ripple = std::sin(y * 1.3f + noise.At(x, y) * 8.0f);
            behind.colour = Mix(mood.water, mood.skyBottom, ripple > 0.85f ? 0.45f : 0.1f);
        }
        if (thing.alpha > 0.0f)
        {
            behind.colour = Mix(behind.colour, thing.colour, thing.alpha);
        }
        return behind;
    });
}

} // namespace

bool WriteMoodPictures(const std::string& media)
{
    bool written = true;
    for (const std::string& setting : MapSettings())
    {
        const std::unique_ptr<CEditableMap> map = BuildRegionMap(setting);
        if (map == nullptr)
        {
            written = false;
            continue;
        }
        const std::string folder = "interface/sequences/" + setting;
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(media) / folder, error);
        if (error)
        {
            std::fprintf(stderr, "cannot make the folder %s/%s: %s\n", media.c_str(), folder.c_str(),
                         error.message().c_str());
            written = false;
            continue;
        }
        for (const std::string& name : MapMoodNames(*map))
        {
            const Mood* found = nullptr;
            for (const Mood& mood : Moods)
            {
                found = setting == mood.setting && name == mood.name ? &mood : found;
            }
            if (found == nullptr)
            {
                std::fprintf(stderr, "%s/%s.jpg: no picture is drawn for the mood \"%s\"\n", folder.c_str(),
                             name.c_str(), name.c_str());
                written = false;
                continue;
            }
            written =
                WriteJpegMediaFile(media, folder + "/" + name + ".jpg", MoodPicture(*found), JpegQuality) &&
                written;
        }
    }
    return written;
}

} // namespace MediaGen
